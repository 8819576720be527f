// Memory blocks: pointer blocks and resizable handles, all allocated through one
// replaceable allocator so that tests can make any allocation fail.
#pragma once

#include "base/Types.h"

namespace orvane {

// The source of every block the program allocates. Allocate returns zero-filled memory or
// null; it never throws.
class Allocator {
public:
    virtual ~Allocator() = default;
    virtual void* Allocate(size_t size) = 0;
    virtual void Free(void* block) = 0;
};

// The allocator in use (the system heap unless a test installed another one).
Allocator& CurrentAllocator();

// Installs an allocator for the lifetime of the object and restores the previous one.
class ScopedAllocator {
public:
    explicit ScopedAllocator(Allocator& allocator);
    ~ScopedAllocator();
    ScopedAllocator(const ScopedAllocator&) = delete;
    ScopedAllocator& operator=(const ScopedAllocator&) = delete;

private:
    Allocator* previous_;
};

// A test allocator: the first `successes` allocations go to the system heap, every later
// one fails. Frees always go through.
class FailingAllocator : public Allocator {
public:
    explicit FailingAllocator(size_t successes) : remaining_(successes) {}
    void* Allocate(size_t size) override;
    void Free(void* block) override;
    size_t allocations() const { return allocations_; }

private:
    size_t remaining_;
    size_t allocations_ = 0;
};

// Zero-filled pointer block; null when memory runs out. MyDisposePtr accepts null.
void* MyNewPtrClear(size_t size);
void MyDisposePtr(void* block);

// A relocatable block: an owned, resizable run of bytes. `state` carries the platform's
// handle flags; the resource layer records which open resource file a handle belongs to.
struct HandleRec {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    int8_t state = 0;
    void* resource = nullptr; // owned by the resource layer while the handle is a resource
};
using Handle = HandleRec*;

enum : int8_t {
    kHandleLockedBit = static_cast<int8_t>(0x80),
    kHandlePurgeableBit = 0x40,
    kHandleResourceBit = 0x20,
};

// Zero-filled handle of `size` bytes; null when memory runs out.
Handle MyNewHandleClear(uint32_t size);
// Frees the block and the handle; accepts null. A handle that belongs to an open resource
// file must be released through the resource layer instead.
void MyDisposeHandle(Handle handle);
inline uint8_t* HandleData(Handle handle) {
    return handle ? handle->data : nullptr;
}
inline uint32_t GetHandleSize(Handle handle) {
    return handle ? handle->size : 0;
}
// Resizes keeping the first min(old, new) bytes; new bytes are zero. On failure returns
// memFullErr and leaves the handle exactly as it was.
OSErr MySetHandleSize(Handle handle, uint32_t size);

inline int8_t HGetState(Handle handle) {
    return handle ? handle->state : 0;
}
inline void HSetState(Handle handle, int8_t state) {
    if (handle)
        handle->state = state;
}
inline void HLock(Handle handle) {
    if (handle)
        handle->state = static_cast<int8_t>(handle->state | kHandleLockedBit);
}
inline void HUnlock(Handle handle) {
    if (handle)
        handle->state = static_cast<int8_t>(handle->state & ~kHandleLockedBit);
}

} // namespace orvane
