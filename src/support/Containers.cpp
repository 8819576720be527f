#include "support/Containers.h"

#include <cstring>

namespace orvane {

namespace {
constexpr uint32_t kSlotGrowth = 16;
}

UnknownNumberOfStructureClass::UnknownNumberOfStructureClass(uint32_t size)
    : recordSize(size), slotSize((size + 7u) & ~7u) {}

UnknownNumberOfStructureClass::~UnknownNumberOfStructureClass() {
    MyDisposePtr(records);
}

OSErr UnknownNumberOfStructureClass::AppendNewStructure(const void* record, int32_t index) {
    if (recordCount == capacity) {
        const uint64_t bytes = uint64_t{capacity + kSlotGrowth} * slotSize;
        if (bytes > UINT32_MAX)
            return memFullErr;
        auto* grown = static_cast<uint8_t*>(MyNewPtrClear(static_cast<size_t>(bytes)));
        if (!grown)
            return memFullErr;
        if (records)
            std::memcpy(grown, records, size_t{capacity} * slotSize);
        MyDisposePtr(records);
        records = grown;
        capacity += kSlotGrowth;
    }
    uint32_t at = index < 0 ? 0u : static_cast<uint32_t>(index);
    if (at > recordCount)
        at = recordCount;
    std::memmove(records + size_t{at + 1} * slotSize, records + size_t{at} * slotSize,
                 size_t{recordCount - at} * slotSize);
    std::memcpy(records + size_t{at} * slotSize, record, recordSize);
    ++recordCount;
    return noErr;
}

OSErr UnknownNumberOfStructureClass::AppendNewStructure(const void* record) {
    return AppendNewStructure(record, static_cast<int32_t>(recordCount));
}

void* UnknownNumberOfStructureClass::GetNthStructure(int32_t n) const {
    if (n < 1 || static_cast<uint32_t>(n) > recordCount)
        return nullptr;
    return records + size_t(n - 1) * slotSize;
}

void UnknownNumberOfStructureClass::DeleteNthStructure(int32_t n) {
    if (n < 1 || static_cast<uint32_t>(n) > recordCount)
        return;
    const uint32_t at = static_cast<uint32_t>(n - 1);
    std::memmove(records + size_t{at} * slotSize, records + size_t{at + 1} * slotSize,
                 size_t{recordCount - at - 1} * slotSize);
    --recordCount;
}

MyAllocateHandleClass::~MyAllocateHandleClass() {
    MyDisposeHandle(handle);
}

OSErr MyAllocateHandleClass::SetTheSize(uint32_t newSize) {
    if (!handle) {
        handle = MyNewHandleClear(newSize);
        if (!handle)
            return memFullErr;
        allocatedSize = newSize;
    } else if (newSize > allocatedSize) {
        const int8_t state = HGetState(handle);
        HUnlock(handle);
        if (MySetHandleSize(handle, newSize) == noErr) {
            HSetState(handle, state);
        } else {
            MyDisposeHandle(handle);
            allocatedSize = 0;
            size = 0;
            handle = MyNewHandleClear(newSize);
            if (!handle)
                return memFullErr;
        }
        allocatedSize = newSize;
    }
    size = newSize;
    return noErr;
}

MyUnknownSizePtrClass::~MyUnknownSizePtrClass() {
    MyDisposePtr(block);
}

OSErr MyUnknownSizePtrClass::ExtendTheSize(uint32_t n) {
    if (n > UINT32_MAX - usedSize)
        return memFullErr;
    if (allocatedSize < usedSize + n) {
        const uint32_t shortfall = n - (allocatedSize - usedSize);
        const uint32_t grow = shortfall > growthStep ? shortfall : growthStep;
        if (grow > UINT32_MAX - allocatedSize)
            return memFullErr;
        auto* grown = static_cast<uint8_t*>(MyNewPtrClear(allocatedSize + grow));
        if (!grown)
            return memFullErr;
        if (block)
            std::memcpy(grown, block, usedSize);
        MyDisposePtr(block);
        block = grown;
        allocatedSize += grow;
    }
    usedSize += n;
    return noErr;
}

OSErr MyUnknownSizePtrClass::Append(const void* bytes, uint32_t n) {
    const uint32_t at = usedSize;
    const OSErr err = ExtendTheSize(n);
    if (err != noErr)
        return err;
    if (n > 0)
        std::memcpy(block + at, bytes, n);
    return noErr;
}

} // namespace orvane
