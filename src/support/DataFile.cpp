#include "support/DataFile.h"

#include "host/files/FileTable.h"
#include "host/memory/Memory.h"
#include "support/ReadDisk.h"

#include <algorithm>
#include <cstring>

namespace orvane {

namespace {

// Search chunks overlap by the pattern's length and advance by at least this much.
constexpr int32_t kSearchChunkExtra = 768;
constexpr int32_t kSearchChunkMinimum = 1024;

// Frees the search's reader and chunk on every exit.
struct SearchBuffers {
    ReadDiskRec* reader = nullptr;
    uint8_t* chunk = nullptr;
    SearchBuffers() = default;
    SearchBuffers(const SearchBuffers&) = delete;
    SearchBuffers& operator=(const SearchBuffers&) = delete;
    ~SearchBuffers() {
        MyDisposePtr(chunk);
        TerminateReadUsingBuffer(reader);
    }
};

} // namespace

MyOpenDataFileClass::~MyOpenDataFileClass() {
    CloseOwnedFile();
}

void MyOpenDataFileClass::CloseOwnedFile() {
    if (ownsFile && refNum != 0)
        FSClose(refNum);
    if (ownsFile)
        refNum = 0;
    ownsFile = 0;
}

void MyOpenDataFileClass::SetDataFile(int16_t openRefNum) {
    CloseOwnedFile();
    refNum = openRefNum;
    fileSet = 1;
}

OSErr MyOpenDataFileClass::SetDataFile(const FSSpec& spec) {
    return SetDataFile(spec, fsRdWrPerm);
}

OSErr MyOpenDataFileClass::SetDataFile(const FSSpec& spec, int16_t permission) {
    CloseOwnedFile();
    refNum = 0;
    ownsFile = 1;
    fileSet = 1;
    if (permission < fsCurPerm || permission > fsRdWrPerm)
        return lastError = paramErr;
    int16_t opened = 0;
    lastError = FSpOpenDF(spec, static_cast<int8_t>(permission), &opened);
    if (lastError == noErr)
        refNum = opened;
    return lastError;
}

template <typename Transfer>
OSErr MyOpenDataFileClass::TransferRange(int32_t start, int32_t end, int32_t* count,
                                         Transfer transfer) {
    if (!count)
        return lastError = paramErr;
    *count = 0;
    if (start >= end)
        return lastError = eofErr;
    if (SetThePosition(start) != noErr)
        return lastError;
    *count = end - start;
    return transfer(count);
}

OSErr MyOpenDataFileClass::ReadTheData(void* buffer, int32_t* count) {
    if (refNum == 0) {
        if (count)
            *count = 0;
        return lastError = openErr;
    }
    return lastError = FSRead(refNum, count, buffer);
}

OSErr MyOpenDataFileClass::ReadTheData(void* buffer, int32_t start, int32_t end, int32_t* count) {
    return TransferRange(start, end, count, [&](int32_t* n) { return ReadTheData(buffer, n); });
}

OSErr MyOpenDataFileClass::ReadTheData(void* buffer, int16_t startMode, int32_t startOffset,
                                       int16_t endMode, int32_t endOffset, int32_t* count) {
    if (count)
        *count = 0;
    int32_t start = GetTheOffset(startMode, startOffset);
    if (lastError != noErr)
        return lastError;
    int32_t end = GetTheOffset(endMode, endOffset);
    if (lastError != noErr)
        return lastError;
    return ReadTheData(buffer, start, end, count);
}

OSErr MyOpenDataFileClass::WriteTheData(const void* buffer, int32_t* count) {
    if (refNum == 0) {
        if (count)
            *count = 0;
        return lastError = openErr;
    }
    return lastError = FSWrite(refNum, count, buffer);
}

OSErr MyOpenDataFileClass::WriteTheData(const void* buffer, int32_t start, int32_t end,
                                        int32_t* count) {
    return TransferRange(start, end, count, [&](int32_t* n) { return WriteTheData(buffer, n); });
}

OSErr MyOpenDataFileClass::WriteTheData(const void* buffer, int16_t startMode, int32_t startOffset,
                                        int16_t endMode, int32_t endOffset, int32_t* count) {
    if (count)
        *count = 0;
    int32_t start = GetTheOffset(startMode, startOffset);
    if (lastError != noErr)
        return lastError;
    int32_t end = GetTheOffset(endMode, endOffset);
    if (lastError != noErr)
        return lastError;
    return WriteTheData(buffer, start, end, count);
}

OSErr MyOpenDataFileClass::SetToTheTopOfFile() {
    return SetThePosition(0);
}

OSErr MyOpenDataFileClass::SetThePosition(int32_t offset) {
    if (refNum == 0)
        return lastError = openErr;
    return lastError = SetFPos(refNum, fsFromStart, offset);
}

int32_t MyOpenDataFileClass::GetTheEndOfFile() {
    if (refNum == 0) {
        lastError = openErr;
        return 0;
    }
    int32_t length = 0;
    lastError = GetEOF(refNum, &length);
    return lastError == noErr ? length : 0;
}

OSErr MyOpenDataFileClass::SetTheEndOfFile(int32_t length) {
    if (refNum == 0)
        return lastError = openErr;
    return lastError = SetEOF(refNum, length);
}

int32_t MyOpenDataFileClass::GetTheOffset(int16_t mode, int32_t offset) {
    int64_t base = 0;
    switch (mode) {
    case fsFromStart:
        lastError = noErr;
        break;
    case fsFromLEOF:
        base = GetTheEndOfFile();
        if (lastError != noErr)
            return 0;
        break;
    case fsFromMark: {
        int32_t mark = 0;
        lastError = refNum == 0 ? OSErr{openErr} : GetFPos(refNum, &mark);
        if (lastError != noErr)
            return 0;
        base = mark;
        break;
    }
    default:
        lastError = paramErr;
        return 0;
    }
    int64_t position = base + offset;
    if (position < INT32_MIN || position > INT32_MAX) {
        lastError = paramErr;
        return 0;
    }
    return static_cast<int32_t>(position);
}

int32_t MyOpenDataFileClass::SearchData(const void* pattern, int32_t patternLength) {
    return SearchData(fsFromStart, 0, fsFromLEOF, 0, pattern, patternLength);
}

int32_t MyOpenDataFileClass::SearchData(int16_t startMode, int32_t startOffset, int16_t endMode,
                                        int32_t endOffset, const void* pattern,
                                        int32_t patternLength) {
    int32_t start = GetTheOffset(startMode, startOffset);
    if (lastError != noErr)
        return -1;
    int32_t end = GetTheOffset(endMode, endOffset);
    if (lastError != noErr)
        return -1;
    return SearchData(start, end, pattern, patternLength);
}

int32_t MyOpenDataFileClass::SearchData(int32_t start, int32_t end, const void* pattern,
                                        int32_t patternLength) {
    if (!pattern || patternLength <= 0 || patternLength > INT32_MAX - kSearchChunkExtra) {
        lastError = paramErr;
        return -1;
    }
    if (start < 0 || start >= end) {
        lastError = eofErr;
        return -1;
    }
    if (refNum == 0) {
        lastError = openErr;
        return -1;
    }

    SearchBuffers buffers;
    buffers.reader = InitReadUsingBuffer(refNum, nullptr, 0, start, end);
    if (!buffers.reader) {
        lastError = memFullErr;
        return -1;
    }
    const int32_t chunkSize = std::max(patternLength + kSearchChunkExtra, kSearchChunkMinimum);
    buffers.chunk = static_cast<uint8_t*>(MyNewPtrClear(static_cast<size_t>(chunkSize)));
    if (!buffers.chunk) {
        lastError = memFullErr;
        return -1;
    }

    lastError = noErr;
    uint8_t endFlag = 0;
    while (!endFlag) {
        int32_t chunkStart = 0;
        GetFilePositionReadUsingBuffer(buffers.reader, &chunkStart);
        int32_t got = chunkSize;
        OSErr err = DoReadUsingBuffer(buffers.reader, buffers.chunk, &got, &endFlag);
        if (err == eofErr)
            endFlag = 1; // the last chunk; not an error
        else if (err != noErr) {
            lastError = err;
            return -1;
        }
        if (got >= patternLength) {
            const void* hit = memmem(buffers.chunk, static_cast<size_t>(got), pattern,
                                     static_cast<size_t>(patternLength));
            if (hit)
                return chunkStart +
                       static_cast<int32_t>(static_cast<const uint8_t*>(hit) - buffers.chunk);
        }
        if (endFlag || got <= patternLength)
            break;
        // Step back by the pattern's length so that a match across the border is seen whole.
        int32_t position = 0;
        GetFilePositionReadUsingBuffer(buffers.reader, &position);
        err = SetFilePositionReadUsingBuffer(buffers.reader, position - patternLength);
        if (err != noErr) {
            lastError = err;
            return -1;
        }
    }
    return -1;
}

} // namespace orvane
