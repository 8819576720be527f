// Growable memory owners: an ordered array of fixed-size records, a resizable handle and a
// byte block that grows as text is appended. Memory failures return memFullErr and leave
// the object as it was; nothing throws.
#pragma once

#include "host/memory/Memory.h"
#include "base/Types.h"

namespace orvane {

// An ordered array of records of one size, kept in 8-byte-aligned slots and grown 16 slots
// at a time. Record addresses stay valid until the next insertion.
class UnknownNumberOfStructureClass {
public:
    explicit UnknownNumberOfStructureClass(uint32_t recordSize);
    ~UnknownNumberOfStructureClass();
    UnknownNumberOfStructureClass(const UnknownNumberOfStructureClass&) = delete;
    UnknownNumberOfStructureClass& operator=(const UnknownNumberOfStructureClass&) = delete;

    // Inserts a copy of the record before the record at the 0-based index (clamped to
    // 0 ... count, so an index at or past the end appends).
    OSErr AppendNewStructure(const void* record, int32_t index);
    OSErr AppendNewStructure(const void* record);
    // The n-th record, counting from 1; null when n is out of range.
    void* GetNthStructure(int32_t n) const;
    void DeleteNthStructure(int32_t n);
    void DeleteAllStructure() { recordCount = 0; }
    int32_t GetNumberOfStructure() const { return static_cast<int32_t>(recordCount); }

private:
    uint32_t recordSize;
    uint32_t slotSize;
    uint8_t* records = nullptr;
    uint32_t recordCount = 0;
    uint32_t capacity = 0;

    friend class ContainersTestAccess;
};

// A relocatable block resized on demand; the owner disposes of it.
class MyAllocateHandleClass {
public:
    MyAllocateHandleClass() = default;
    ~MyAllocateHandleClass();
    MyAllocateHandleClass(const MyAllocateHandleClass&) = delete;
    MyAllocateHandleClass& operator=(const MyAllocateHandleClass&) = delete;

    // Makes the block at least `size` bytes. A larger request resizes the block keeping its
    // contents; if that fails, the block is replaced by a new one (contents lost); if that
    // fails too, the object is left empty and memFullErr returned. A request not larger
    // than what is allocated allocates nothing.
    OSErr SetTheSize(uint32_t newSize);
    Handle GetHandle() const { return handle; }
    uint8_t* Data() const { return HandleData(handle); }
    uint32_t GetSize() const { return size; }
    uint32_t GetAllocatedSize() const { return allocatedSize; }

private:
    Handle handle = nullptr;
    uint32_t allocatedSize = 0;
    uint32_t size = 0;
};

// A byte block that grows as text is appended: by the shortfall, but at least by
// `growthStep` bytes.
class MyUnknownSizePtrClass {
public:
    explicit MyUnknownSizePtrClass(uint32_t step = 1024) : growthStep(step) {}
    ~MyUnknownSizePtrClass();
    MyUnknownSizePtrClass(const MyUnknownSizePtrClass&) = delete;
    MyUnknownSizePtrClass& operator=(const MyUnknownSizePtrClass&) = delete;

    // Reserves n more bytes at the end of the used part.
    OSErr ExtendTheSize(uint32_t n);
    // The usual way to append: remember the used size, extend, copy.
    OSErr Append(const void* bytes, uint32_t n);

    uint8_t* GetBlock() const { return block; }
    uint32_t GetUsedSize() const { return usedSize; }
    uint32_t GetAllocatedSize() const { return allocatedSize; }

private:
    uint8_t* block = nullptr;
    uint32_t allocatedSize = 0;
    uint32_t usedSize = 0;
    uint32_t growthStep;
};

} // namespace orvane
