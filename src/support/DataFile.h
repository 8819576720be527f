// MyOpenDataFileClass: a file's data fork for the length of one function: open (or attach),
// position, read, write and search. A file the object opened is closed by its destructor on
// every exit path. Every operation leaves its status in `lastError`; callers test it after
// the call.
#pragma once

#include "base/Types.h"

namespace orvane {

class MyOpenDataFileClass {
public:
    MyOpenDataFileClass() = default;
    ~MyOpenDataFileClass();
    MyOpenDataFileClass(const MyOpenDataFileClass&) = delete;
    MyOpenDataFileClass& operator=(const MyOpenDataFileClass&) = delete;

    // Attaches an already open file, which stays the caller's.
    void SetDataFile(int16_t openRefNum);
    // Opens the data fork for reading and writing (fsRdWrPerm), or with `permission`.
    OSErr SetDataFile(const FSSpec& spec);
    OSErr SetDataFile(const FSSpec& spec, int16_t permission);

    // Reads *count bytes at the mark; *count becomes the number read (eofErr when the file
    // ended first).
    OSErr ReadTheData(void* buffer, int32_t* count);
    // Reads [start, end) measured from the beginning; eofErr for an empty or reversed range.
    OSErr ReadTheData(void* buffer, int32_t start, int32_t end, int32_t* count);
    // Reads between two positions given as (mode, offset), see GetTheOffset.
    OSErr ReadTheData(void* buffer, int16_t startMode, int32_t startOffset, int16_t endMode,
                      int32_t endOffset, int32_t* count);

    OSErr WriteTheData(const void* buffer, int32_t* count);
    OSErr WriteTheData(const void* buffer, int32_t start, int32_t end, int32_t* count);
    OSErr WriteTheData(const void* buffer, int16_t startMode, int32_t startOffset, int16_t endMode,
                       int32_t endOffset, int32_t* count);

    OSErr SetToTheTopOfFile();
    OSErr SetThePosition(int32_t offset);
    // The file's length (0 on failure, with lastError set).
    int32_t GetTheEndOfFile();
    OSErr SetTheEndOfFile(int32_t length);
    // Resolves a position: mode 1 (fsFromStart) `offset` from the beginning, 2 (fsFromLEOF)
    // from the end of file, 3 (fsFromMark) from the mark. paramErr for another mode.
    int32_t GetTheOffset(int16_t mode, int32_t offset);

    // File offset of the first occurrence of `pattern` (byte-exact) in the whole file, in a
    // range given as (mode, offset) pairs, or in [start, end); -1 when there is none
    // (lastError 0) or on failure (lastError says which: eofErr for an empty range,
    // memFullErr, a read error).
    int32_t SearchData(const void* pattern, int32_t patternLength);
    int32_t SearchData(int16_t startMode, int32_t startOffset, int16_t endMode, int32_t endOffset,
                       const void* pattern, int32_t patternLength);
    int32_t SearchData(int32_t start, int32_t end, const void* pattern, int32_t patternLength);

    int16_t refNum = 0;
    OSErr lastError = noErr;
    uint8_t ownsFile = 0;
    uint8_t fileSet = 0;

private:
    // Positions at `start` and transfers end - start bytes with `transfer`.
    template <typename Transfer>
    OSErr TransferRange(int32_t start, int32_t end, int32_t* count, Transfer transfer);
    void CloseOwnedFile();
};

} // namespace orvane
