#include "support/ResFile.h"

#include "host/files/FileTable.h"
#include "host/resources/ResourceManager.h"

#include <cstring>

namespace orvane {

MyOpenResFileClass::MyOpenResFileClass() : fetched(sizeof(FetchedResourceRec)) {}

MyOpenResFileClass::~MyOpenResFileClass() {
    ReleaseTracked();
    CloseOwnedFile();
}

void MyOpenResFileClass::ReleaseTracked() {
    for (int32_t i = fetched.GetNumberOfStructure(); i >= 1; --i) {
        if (Handle handle = Fetched(i).handle)
            ReleaseResource(handle);
    }
    fetched.DeleteAllStructure();
}

void MyOpenResFileClass::CloseOwnedFile() {
    if (ownsFile && refNum != 0)
        CloseResFile(refNum);
    if (ownsFile)
        refNum = 0;
    ownsFile = 0;
}

void MyOpenResFileClass::SetResFile(int16_t openRefNum) {
    ReleaseTracked();
    CloseOwnedFile();
    refNum = openRefNum;
    fileSet = 1;
}

OSErr MyOpenResFileClass::SetResFile(const FSSpec& spec) {
    return SetResFile(spec, fsRdWrPerm);
}

OSErr MyOpenResFileClass::SetResFile(const FSSpec& spec, int16_t permission) {
    ReleaseTracked();
    CloseOwnedFile();
    ownsFile = 1;
    fileSet = 1;
    // Opening makes the new file current; the one current before stays current.
    const int16_t previous = CurResFile();
    const int16_t opened = FSpOpenResFile(spec, static_cast<int8_t>(permission));
    lastError = ResError();
    if (lastError == noErr && opened == -1)
        lastError = openErr;
    refNum = lastError == noErr ? opened : 0;
    UseResFile(previous);
    return lastError;
}

MyOpenResFileClass::FetchedResourceRec MyOpenResFileClass::Fetched(int32_t index) const {
    FetchedResourceRec record{};
    if (const void* stored = fetched.GetNthStructure(index))
        std::memcpy(&record, stored, sizeof record);
    return record;
}

OSErr MyOpenResFileClass::Track(ResType type, int16_t id, Handle handle) {
    const FetchedResourceRec record{type, id, handle};
    return fetched.AppendNewStructure(&record);
}

int32_t MyOpenResFileClass::SearchByTypeAndID(ResType type, int16_t id) const {
    for (int32_t i = 1; i <= fetched.GetNumberOfStructure(); ++i) {
        const FetchedResourceRec record = Fetched(i);
        if (record.type == type && record.id == id)
            return i;
    }
    return 0;
}

int32_t MyOpenResFileClass::SearchByHandle(Handle resource) const {
    if (!resource)
        return 0;
    for (int32_t i = 1; i <= fetched.GetNumberOfStructure(); ++i)
        if (Fetched(i).handle == resource)
            return i;
    return 0;
}

void MyOpenResFileClass::SaveAndSetRefNum() {
    savedResFile = CurResFile();
    UseResFile(refNum);
}

Handle MyOpenResFileClass::GetTheResource(ResType type, int16_t id) {
    if (const int32_t index = SearchByTypeAndID(type, id)) {
        lastError = noErr;
        return Fetched(index).handle;
    }
    SaveAndSetRefNum();
    Handle handle = Get1Resource(type, id);
    UseResFile(savedResFile);
    lastError = Track(type, id, handle);
    return handle;
}

OSErr MyOpenResFileClass::AddTheResource(Handle data, ResType type, int16_t id,
                                         ConstStringPtr name) {
    SaveAndSetRefNum();
    AddResource(data, type, id, name);
    const OSErr err = ResError();
    UseResFile(savedResFile);
    if (err != noErr)
        return lastError = err;
    // A look-up that found nothing left an entry with a null handle; it now names the
    // added resource, so that saving by type and ID writes what was just added.
    const int32_t missing = SearchByTypeAndID(type, id);
    if (missing && !Fetched(missing).handle) {
        const FetchedResourceRec record{type, id, data};
        std::memcpy(fetched.GetNthStructure(missing), &record, sizeof record);
        return lastError = noErr;
    }
    return lastError = Track(type, id, data);
}

template <typename Operation>
OSErr MyOpenResFileClass::ActOnTracked(int32_t index, bool untrack, Operation operation) {
    if (index == 0)
        return lastError = resNotFound;
    SaveAndSetRefNum();
    const OSErr err = operation(Fetched(index).handle);
    if (err == noErr && untrack)
        fetched.DeleteNthStructure(index);
    UseResFile(savedResFile);
    return lastError = err != noErr ? err : ResError();
}

namespace {

OSErr MarkAndWrite(Handle resource) {
    ChangedResource(resource);
    if (OSErr err = ResError(); err != noErr)
        return err;
    WriteResource(resource);
    return ResError();
}

OSErr Remove(Handle resource) {
    RemoveResource(resource);
    return ResError();
}

OSErr Detach(Handle resource) {
    DetachResource(resource);
    return ResError();
}

} // namespace

OSErr MyOpenResFileClass::SaveTheResource(ResType type, int16_t id) {
    return ActOnTracked(SearchByTypeAndID(type, id), false, MarkAndWrite);
}

OSErr MyOpenResFileClass::SaveTheResource(Handle resource) {
    return ActOnTracked(SearchByHandle(resource), false, MarkAndWrite);
}

OSErr MyOpenResFileClass::RemoveTheResource(Handle resource) {
    return ActOnTracked(SearchByHandle(resource), true, Remove);
}

OSErr MyOpenResFileClass::DetachTheResource(ResType type, int16_t id) {
    return ActOnTracked(SearchByTypeAndID(type, id), true, Detach);
}

OSErr MyOpenResFileClass::DetachTheResource(Handle resource) {
    return ActOnTracked(SearchByHandle(resource), true, Detach);
}

} // namespace orvane
