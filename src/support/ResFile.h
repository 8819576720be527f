// MyOpenResFileClass: a resource file for the length of one function. It opens (or
// attaches) the file, fetches, adds, writes back, removes and detaches resources, and on
// every exit path gives back the resources it fetched or added and closes a file it opened.
// Every operation brackets its work between making its own file current and making the
// previously current file current again, so the object never changes which file is current.
// Every operation leaves its status in `lastError`; callers test it after the call.
#pragma once

#include "host/memory/Memory.h"
#include "support/Containers.h"
#include "base/Types.h"

namespace orvane {

class MyOpenResFileClass {
public:
    MyOpenResFileClass();
    // Releases every tracked handle, then closes the file if the object opened it; changes
    // saved or added through the object reach the file at the latest then.
    ~MyOpenResFileClass();
    MyOpenResFileClass(const MyOpenResFileClass&) = delete;
    MyOpenResFileClass& operator=(const MyOpenResFileClass&) = delete;

    // Attaches an already open resource file, which stays the caller's.
    void SetResFile(int16_t openRefNum);
    // Opens the file's resource fork for reading and writing (fsRdWrPerm), or with
    // `permission`; the open's status (openErr when no file came back without an error).
    OSErr SetResFile(const FSSpec& spec);
    OSErr SetResFile(const FSSpec& spec, int16_t permission);

    // The resource of this file alone, fetched once and tracked: a second call for the same
    // type and ID returns the same handle without asking the file. A missing resource is a
    // null handle (tracked too), not an error; lastError is the tracking's status.
    Handle GetTheResource(ResType type, int16_t id);
    // Adds the handle as a new resource (it is written when saved, at the latest when the
    // file is closed) and tracks it; a look-up of the same type and ID that found nothing
    // before now names the added handle.
    OSErr AddTheResource(Handle data, ResType type, int16_t id, ConstStringPtr name);
    // Marks the first tracked match changed and writes it; resNotFound when nothing tracked
    // matches, else the first failing step's status (mark, write, restoring the current
    // file).
    OSErr SaveTheResource(ResType type, int16_t id);
    OSErr SaveTheResource(Handle resource);
    // Removes the resource from the file and stops tracking it; the handle is then the
    // caller's to dispose of. resNotFound when it is not tracked.
    OSErr RemoveTheResource(Handle resource);
    // Detaches the resource: its handle now belongs to the caller and outlives the object.
    OSErr DetachTheResource(ResType type, int16_t id);
    OSErr DetachTheResource(Handle resource);

    // 1-based index of the first tracked entry that matches; 0 when none (a null handle
    // matches nothing).
    int32_t SearchByTypeAndID(ResType type, int16_t id) const;
    int32_t SearchByHandle(Handle resource) const;

    // Remembers the current resource file in `savedResFile` and makes `refNum` current.
    void SaveAndSetRefNum();

    int16_t refNum = 0;
    int16_t savedResFile = 0;
    OSErr lastError = noErr;
    uint8_t ownsFile = 0;
    uint8_t fileSet = 0;

private:
    // A tracked resource. Kept in memory only, so the handle is a full pointer.
    struct FetchedResourceRec {
        ResType type;
        int16_t id;
        Handle handle;
    };

    FetchedResourceRec Fetched(int32_t index) const;
    // Finds, brackets and runs one of the Resource Manager's handle operations, then sets
    // lastError to its status (or that of restoring the current file); `untrack` drops the
    // entry when the operation succeeded.
    template <typename Operation>
    OSErr ActOnTracked(int32_t index, bool untrack, Operation operation);
    OSErr Track(ResType type, int16_t id, Handle handle);
    void ReleaseTracked();
    void CloseOwnedFile();

    UnknownNumberOfStructureClass fetched;
};

} // namespace orvane
