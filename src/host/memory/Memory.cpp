#include "host/memory/Memory.h"

#include <cstdlib>
#include <cstring>

namespace orvane {

namespace {

class SystemAllocator : public Allocator {
public:
    void* Allocate(size_t size) override { return std::calloc(size == 0 ? 1 : size, 1); }
    void Free(void* block) override { std::free(block); }
};

SystemAllocator gSystemAllocator;
Allocator* gAllocator = &gSystemAllocator;

} // namespace

Allocator& CurrentAllocator() {
    return *gAllocator;
}

ScopedAllocator::ScopedAllocator(Allocator& allocator) : previous_(gAllocator) {
    gAllocator = &allocator;
}

ScopedAllocator::~ScopedAllocator() {
    gAllocator = previous_;
}

void* FailingAllocator::Allocate(size_t size) {
    ++allocations_;
    if (remaining_ == 0)
        return nullptr;
    --remaining_;
    return gSystemAllocator.Allocate(size);
}

void FailingAllocator::Free(void* block) {
    gSystemAllocator.Free(block);
}

void* MyNewPtrClear(size_t size) {
    return gAllocator->Allocate(size);
}

void MyDisposePtr(void* block) {
    if (block)
        gAllocator->Free(block);
}

Handle MyNewHandleClear(uint32_t size) {
    auto* handle = static_cast<HandleRec*>(gAllocator->Allocate(sizeof(HandleRec)));
    if (!handle)
        return nullptr;
    *handle = HandleRec{};
    handle->data = static_cast<uint8_t*>(gAllocator->Allocate(size));
    if (!handle->data) {
        gAllocator->Free(handle);
        return nullptr;
    }
    handle->size = size;
    return handle;
}

void MyDisposeHandle(Handle handle) {
    if (!handle)
        return;
    gAllocator->Free(handle->data);
    gAllocator->Free(handle);
}

OSErr MySetHandleSize(Handle handle, uint32_t size) {
    if (!handle)
        return paramErr;
    if (size == handle->size)
        return noErr;
    auto* data = static_cast<uint8_t*>(gAllocator->Allocate(size));
    if (!data)
        return memFullErr;
    std::memcpy(data, handle->data, size < handle->size ? size : handle->size);
    gAllocator->Free(handle->data);
    handle->data = data;
    handle->size = size;
    return noErr;
}

} // namespace orvane
