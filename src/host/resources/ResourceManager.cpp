#include "host/resources/ResourceManager.h"

#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ResourceForkFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orvane {

namespace {

struct OpenResourceFile;

// One resource of an open file. `entry.data` holds the bytes as last read from or written
// to disk, or captured from a changed handle that was released or detached; `handle` is
// the loaded resource, if any (its `resource` field points back here).
struct ResourceSlot {
    OpenResourceFile* file = nullptr;
    ResourceEntry entry;
    Handle handle = nullptr;

    bool changed() const { return (entry.attributes & kResChanged) != 0; }
};

struct OpenResourceFile {
    int16_t refNum = 0;
    std::string path; // the file itself (for a sidecar fork, the file it belongs to)
    bool inSidecar = false;
    bool writable = false;
    int opens = 0;
    uint16_t fileAttributes = 0;
    bool removedAny = false; // a resource was removed since the last write
    std::vector<std::unique_ptr<ResourceSlot>> slots;
};

struct ResourceManagerState {
    std::vector<std::unique_ptr<OpenResourceFile>> files; // in the order they were opened
    int16_t current = 0;
    OSErr lastError = noErr;
};

ResourceManagerState& State() {
    static ResourceManagerState state;
    return state;
}

OSErr SetError(OSErr err) {
    State().lastError = err;
    return err;
}

// Failed opens and look-ups: the status for ResError and the platform's "nothing" value.
int16_t NoFile(OSErr err) {
    SetError(err);
    return -1;
}

Handle NoHandle(OSErr err) {
    SetError(err);
    return nullptr;
}

OpenResourceFile* FindFile(int16_t refNum) {
    for (auto& file : State().files)
        if (file->refNum == refNum)
            return file.get();
    return nullptr;
}

ResourceSlot* SlotOf(Handle handle) {
    if (!handle || !(handle->state & kHandleResourceBit) || !handle->resource)
        return nullptr;
    return static_cast<ResourceSlot*>(handle->resource);
}

ResourceSlot* FindSlot(OpenResourceFile& file, ResType type, int16_t id) {
    for (auto& slot : file.slots)
        if (slot->entry.type == type && slot->entry.id == id)
            return slot.get();
    return nullptr;
}

void Attach(ResourceSlot& slot, Handle handle) {
    slot.handle = handle;
    handle->resource = &slot;
    handle->state = static_cast<int8_t>(handle->state | kHandleResourceBit);
}

// Leaves the handle an ordinary one, keeping a changed resource's bytes for the next write.
void Unhook(ResourceSlot& slot) {
    Handle handle = slot.handle;
    if (!handle)
        return;
    if (slot.changed())
        slot.entry.data.assign(handle->data, handle->data + handle->size);
    handle->resource = nullptr;
    handle->state = static_cast<int8_t>(handle->state & ~kHandleResourceBit);
    slot.handle = nullptr;
}

bool HasPendingChanges(const OpenResourceFile& file) {
    if (file.removedAny)
        return true;
    return std::any_of(file.slots.begin(), file.slots.end(),
                       [](const auto& slot) { return slot->changed(); });
}

// ---- Reading and writing the fork -------------------------------------------------------

OSErr ReadFork(const OpenResourceFile& file, std::vector<uint8_t>& fork) {
    if (!file.inSidecar)
        return ReadWholeFile(file.path, fork);
    AppleDoubleImage sidecar;
    if (OSErr err = ReadSidecar(file.path, sidecar); err != noErr)
        return err;
    fork = std::move(sidecar.resourceFork);
    return noErr;
}

// The fork as it stands now: changed resources with their handles' bytes, the others as on
// disk; the changed marks are not stored.
ResourceForkImage CurrentImage(const OpenResourceFile& file) {
    ResourceForkImage image;
    image.fileAttributes = static_cast<uint16_t>(file.fileAttributes & ~kMapChanged);
    for (const auto& slot : file.slots) {
        ResourceEntry entry = slot->entry;
        entry.attributes = static_cast<uint8_t>(entry.attributes & ~kResChanged);
        if (slot->changed() && slot->handle)
            entry.data.assign(slot->handle->data, slot->handle->data + slot->handle->size);
        image.entries.push_back(std::move(entry));
    }
    return image;
}

OSErr WriteFork(const OpenResourceFile& file, const std::vector<uint8_t>& fork) {
    if (!file.inSidecar)
        return ReplaceFileContents(file.path, fork);
    // The sidecar is read again so that Finder information and entries changed since the
    // open (type and creator set meanwhile) are kept.
    AppleDoubleImage sidecar;
    if (OSErr err = ReadSidecar(file.path, sidecar); err != noErr)
        return err;
    sidecar.hasResourceFork = true;
    sidecar.resourceFork = fork;
    return WriteSidecar(file.path, sidecar);
}

// Writes the whole fork; on success the changes count as written, on failure they stay
// pending and the file on disk is unchanged.
OSErr Flush(OpenResourceFile& file) {
    if (!HasPendingChanges(file))
        return noErr;
    if (!file.writable)
        return wrPermErr;
    const ResourceForkImage image = CurrentImage(file);
    std::vector<uint8_t> fork;
    if (OSErr err = SerializeResourceFork(image, fork); err != noErr)
        return err;
    if (OSErr err = WriteFork(file, fork); err != noErr)
        return err;
    for (size_t i = 0; i < file.slots.size(); ++i) {
        ResourceSlot& slot = *file.slots[i];
        if (slot.changed())
            slot.entry.data = image.entries[i].data;
        slot.entry.attributes = image.entries[i].attributes;
    }
    file.removedAny = false;
    return noErr;
}

bool CanWrite(const OpenResourceFile& file) {
    const std::string target = file.inSidecar ? SidecarPath(file.path) : file.path;
    return access(target.c_str(), W_OK) == 0;
}

bool IsRegularFile(const std::string& path, OSErr& err) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        err = StatusFromErrno(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        err = fnfErr;
        return false;
    }
    return true;
}

int16_t Open(const std::string& path, bool inSidecar, const FSSpec* spec, int8_t permission) {
    auto& state = State();
    const bool wantsWrite = permission == fsWrPerm || permission == fsRdWrPerm;

    for (auto& open : state.files) {
        if (open->path != path || open->inSidecar != inSidecar)
            continue;
        if (wantsWrite && !open->writable) {
            if (!CanWrite(*open))
                return NoFile(permErr);
            open->writable = true;
        }
        ++open->opens;
        state.current = open->refNum;
        SetError(noErr);
        return open->refNum;
    }

    OSErr err = noErr;
    if (!IsRegularFile(path, err))
        return NoFile(err);
    auto file = std::make_unique<OpenResourceFile>();
    file->path = path;
    file->inSidecar = inSidecar;

    std::vector<uint8_t> bytes;
    if (err = ReadFork(*file, bytes); err != noErr)
        return NoFile(err);
    if (bytes.empty())
        return NoFile(eofErr);
    ResourceForkImage image;
    if (err = ParseResourceFork(bytes, image); err != noErr)
        return NoFile(err);

    const bool mayWrite = CanWrite(*file) && !(image.fileAttributes & kMapReadOnly);
    if (wantsWrite && !mayWrite)
        return NoFile(permErr);
    file->writable = permission != fsRdPerm && mayWrite;
    file->fileAttributes = image.fileAttributes;
    for (auto& entry : image.entries) {
        auto slot = std::make_unique<ResourceSlot>();
        slot->file = file.get();
        slot->entry = std::move(entry);
        slot->entry.attributes = static_cast<uint8_t>(slot->entry.attributes & ~kResChanged);
        file->slots.push_back(std::move(slot));
    }

    file->refNum = spec ? RegisterResourceFileRef(*spec) : RegisterResourceFileRef(path);
    if (file->refNum == 0)
        return NoFile(tmfoErr);
    file->opens = 1;
    state.current = file->refNum;
    state.files.push_back(std::move(file));
    SetError(noErr);
    return state.current;
}

OpenResourceFile* CurrentFile() {
    return FindFile(State().current);
}

OpenResourceFile* WritableFileOf(ResourceSlot* slot) {
    if (!slot) {
        SetError(resNotFound);
        return nullptr;
    }
    if (!slot->file->writable) {
        SetError(wrPermErr);
        return nullptr;
    }
    return slot->file;
}

} // namespace

int16_t FSpOpenResFile(const FSSpec& spec, int8_t permission) {
    std::string path;
    if (OSErr err = HostPathForFSSpec(spec, path); err != noErr)
        return NoFile(err);
    return Open(path, true, &spec, permission);
}

int16_t OpenResFileAtPath(const std::string& path, int8_t permission) {
    return Open(path, false, nullptr, permission);
}

void CloseResFile(int16_t refNum) {
    auto& state = State();
    auto it = std::find_if(state.files.begin(), state.files.end(),
                           [&](const auto& file) { return file->refNum == refNum; });
    if (it == state.files.end()) {
        SetError(resFNotFound);
        return;
    }
    OpenResourceFile& file = **it;
    const OSErr err = Flush(file);
    if (--file.opens > 0) {
        SetError(err);
        return;
    }
    for (auto& slot : file.slots) {
        if (Handle handle = slot->handle) {
            slot->handle = nullptr;
            handle->resource = nullptr;
            handle->state = static_cast<int8_t>(handle->state & ~kHandleResourceBit);
            MyDisposeHandle(handle);
        }
    }
    UnregisterFileRef(refNum);
    if (state.current == refNum)
        state.current = it == state.files.begin() ? 0 : (*(it - 1))->refNum;
    state.files.erase(it);
    SetError(err);
}

OSErr ResError() {
    return State().lastError;
}

int16_t CurResFile() {
    return State().current;
}

void UseResFile(int16_t refNum) {
    if (refNum != 0 && !FindFile(refNum)) {
        SetError(resFNotFound);
        return;
    }
    State().current = refNum;
    SetError(noErr);
}

namespace {

Handle Load(ResourceSlot& slot) {
    SetError(noErr);
    if (slot.handle)
        return slot.handle;
    const auto& data = slot.entry.data;
    Handle handle = MyNewHandleClear(static_cast<uint32_t>(data.size()));
    if (!handle)
        return NoHandle(memFullErr);
    if (!data.empty())
        std::memcpy(handle->data, data.data(), data.size());
    Attach(slot, handle);
    return handle;
}

} // namespace

Handle Get1Resource(ResType type, int16_t id) {
    OpenResourceFile* file = CurrentFile();
    if (!file)
        return NoHandle(resFNotFound);
    ResourceSlot* slot = FindSlot(*file, type, id);
    if (!slot)
        return NoHandle(resNotFound);
    return Load(*slot);
}

int16_t Count1Resources(ResType type) {
    OpenResourceFile* file = CurrentFile();
    if (!file) {
        SetError(resFNotFound);
        return 0;
    }
    SetError(noErr);
    return static_cast<int16_t>(
        std::count_if(file->slots.begin(), file->slots.end(),
                      [&](const auto& s) { return s->entry.type == type; }));
}

Handle Get1IndResource(ResType type, int16_t index) {
    OpenResourceFile* file = CurrentFile();
    if (!file)
        return NoHandle(resFNotFound);
    int16_t seen = 0;
    for (auto& slot : file->slots)
        if (slot->entry.type == type && ++seen == index)
            return Load(*slot);
    return NoHandle(resNotFound);
}

void GetResInfo(Handle resource, int16_t* id, ResType* type, StringPtr name) {
    ResourceSlot* slot = SlotOf(resource);
    if (!slot) {
        SetError(resNotFound);
        return;
    }
    if (id)
        *id = slot->entry.id;
    if (type)
        *type = slot->entry.type;
    if (name) {
        name[0] = static_cast<unsigned char>(slot->entry.name.size());
        std::memcpy(name + 1, slot->entry.name.data(), slot->entry.name.size());
    }
    SetError(noErr);
}

int16_t HomeResFile(Handle resource) {
    ResourceSlot* slot = SlotOf(resource);
    if (!slot)
        return NoFile(resNotFound);
    SetError(noErr);
    return slot->file->refNum;
}

void AddResource(Handle data, ResType type, int16_t id, ConstStringPtr name) {
    OpenResourceFile* file = CurrentFile();
    if (!file) {
        SetError(resFNotFound);
        return;
    }
    if (!data || SlotOf(data) || FindSlot(*file, type, id)) {
        SetError(addResFailed);
        return;
    }
    if (!file->writable) {
        SetError(wrPermErr);
        return;
    }
    auto slot = std::make_unique<ResourceSlot>();
    slot->file = file;
    slot->entry.type = type;
    slot->entry.id = id;
    slot->entry.attributes = kResChanged;
    if (name && name[0] > 0) {
        slot->entry.hasName = true;
        slot->entry.name.assign(reinterpret_cast<const char*>(name + 1), name[0]);
    }
    Attach(*slot, data);
    file->slots.push_back(std::move(slot));
    SetError(noErr);
}

void ChangedResource(Handle resource) {
    ResourceSlot* slot = SlotOf(resource);
    if (!WritableFileOf(slot))
        return;
    slot->entry.attributes = static_cast<uint8_t>(slot->entry.attributes | kResChanged);
    SetError(noErr);
}

void WriteResource(Handle resource) {
    ResourceSlot* slot = SlotOf(resource);
    if (!slot) {
        SetError(resNotFound);
        return;
    }
    SetError(slot->changed() ? Flush(*slot->file) : OSErr{noErr});
}

void UpdateResFile(int16_t refNum) {
    OpenResourceFile* file = FindFile(refNum);
    if (!file) {
        SetError(resFNotFound);
        return;
    }
    SetError(Flush(*file));
}

void ReleaseResource(Handle resource) {
    if (!resource) {
        SetError(noErr);
        return;
    }
    ResourceSlot* slot = SlotOf(resource);
    if (!slot) {
        SetError(resNotFound);
        return;
    }
    Unhook(*slot);
    MyDisposeHandle(resource);
    SetError(noErr);
}

void DetachResource(Handle resource) {
    ResourceSlot* slot = SlotOf(resource);
    if (!slot) {
        SetError(resNotFound);
        return;
    }
    Unhook(*slot);
    SetError(noErr);
}

void RemoveResource(Handle resource) {
    ResourceSlot* slot = SlotOf(resource);
    OpenResourceFile* file = WritableFileOf(slot);
    if (!file)
        return;
    slot->entry.attributes = static_cast<uint8_t>(slot->entry.attributes & ~kResChanged);
    Unhook(*slot);
    std::erase_if(file->slots, [&](const auto& s) { return s.get() == slot; });
    file->removedAny = true;
    SetError(noErr);
}

namespace {

OSErr CreateResFile(const FSSpec& spec, bool setTypeAndCreator, OSType creator, OSType type) {
    std::string path;
    if (OSErr err = HostPathForFSSpec(spec, path); err != noErr)
        return err;
    for (const auto& open : State().files)
        if (open->inSidecar && open->path == path && !open->slots.empty())
            return dupFNErr;

    bool created = false;
    OSErr err = noErr;
    if (!IsRegularFile(path, err)) {
        if (err != fnfErr)
            return err;
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0)
            return dupFNErr; // a folder, or a link to nothing, holds the name
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return StatusFromErrno(errno);
        close(fd);
        created = true;
    }

    AppleDoubleImage sidecar;
    err = ReadSidecar(path, sidecar);
    if (err == noErr && !sidecar.resourceFork.empty())
        err = dupFNErr;
    if (err == noErr) {
        std::vector<uint8_t> emptyFork;
        SerializeResourceFork({}, emptyFork);
        sidecar.hasResourceFork = true;
        sidecar.resourceFork = std::move(emptyFork);
        if (setTypeAndCreator)
            AppleDoubleSetTypeAndCreator(sidecar, type, creator);
        err = WriteSidecar(path, sidecar);
    }
    if (err != noErr && created)
        unlink(path.c_str());
    return err;
}

} // namespace

void FSpCreateResFile(const FSSpec& spec, OSType creator, OSType fileType, int16_t scriptTag) {
    (void)scriptTag;
    SetError(CreateResFile(spec, true, creator, fileType));
}

void HCreateResFile(int16_t vRefNum, int32_t dirID, ConstStringPtr name) {
    FSSpec spec{};
    spec.vRefNum = vRefNum;
    spec.parID = dirID;
    if (!name || name[0] > kMaxFileNameLength) {
        SetError(bdNamErr);
        return;
    }
    std::memcpy(spec.name, name, size_t{name[0]} + 1);
    SetError(CreateResFile(spec, false, 0, 0));
}

} // namespace orvane
