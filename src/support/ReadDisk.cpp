#include "support/ReadDisk.h"

#include "host/files/FileTable.h"
#include "host/memory/Memory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orvane {

namespace {

// Reads `length` bytes at filePos into `destination`. A file that ends first (it may have
// shrunk since the range was set) gives eofErr with *got the bytes read.
OSErr ReadFromFile(ReadDiskRec* reader, uint8_t* destination, int32_t length, int32_t* got) {
    *got = 0;
    if (length == 0)
        return noErr;
    if (OSErr err = SetFPos(reader->refNum, fsFromStart, reader->filePos); err != noErr)
        return err;
    *got = length;
    return FSRead(reader->refNum, got, destination);
}

OSErr ResetToRangeStart(ReadDiskRec* reader) {
    reader->bufPos = 0;
    reader->bufFill = 0;
    reader->atEnd = 0;
    reader->fileExhausted = 0;
    reader->filePos = reader->rangeStart;
    return SetFPos(reader->refNum, fsFromStart, reader->rangeStart);
}

void MarkEnd(ReadDiskRec* reader, uint8_t* endFlag) {
    reader->fileExhausted = 1;
    reader->atEnd = 1;
    *endFlag = 1;
}

} // namespace

ReadDiskRec* InitReadUsingBuffer(int16_t refNum, void* buffer, int32_t bufSize, int32_t rangeStart,
                                 int32_t rangeEnd) {
    if (bufSize < 0)
        return nullptr;
    void* block = MyNewPtrClear(sizeof(ReadDiskRec));
    if (!block)
        return nullptr;
    auto* reader = new (block) ReadDiskRec{};
    reader->bufSize = bufSize ? bufSize : kDefaultReadBufferSize;
    if (buffer) {
        reader->buffer = static_cast<uint8_t*>(buffer);
    } else {
        reader->buffer = static_cast<uint8_t*>(MyNewPtrClear(static_cast<size_t>(reader->bufSize)));
        if (!reader->buffer) {
            MyDisposePtr(block);
            return nullptr;
        }
        reader->ownsBuffer = 1;
    }
    reader->rangeStart = rangeStart;
    reader->rangeEnd = rangeEnd;
    if (refNum != 0)
        SetFileRefNumReadUsingBuffer(reader, refNum, rangeStart, rangeEnd);
    return reader;
}

OSErr SetFileRefNumReadUsingBuffer(ReadDiskRec* reader, int16_t refNum, int32_t start,
                                   int32_t end) {
    if (!reader)
        return noErr;
    if (start < 0)
        return paramErr;
    reader->refNum = refNum;
    int32_t length = 0;
    if (OSErr err = GetEOF(refNum, &length); err != noErr)
        return err;
    OSErr result = noErr;
    if (start >= end) {
        start = 0;
        end = length;
    } else if (end > length) {
        end = length;
        result = eofErr;
    }
    reader->rangeStart = std::min(start, end);
    reader->rangeEnd = end;
    OSErr positioned = ResetToRangeStart(reader);
    return result != noErr ? result : positioned;
}

OSErr DoReadUsingBuffer(ReadDiskRec* reader, void* destination, int32_t* count, uint8_t* endFlag) {
    if (!reader)
        return noErr;
    if (!count || *count < 0 || (*count > 0 && !destination))
        return paramErr;
    uint8_t ignoredFlag = 0;
    if (!endFlag)
        endFlag = &ignoredFlag;
    const int32_t want = *count;
    auto* out = static_cast<uint8_t*>(destination);
    *count = 0;

    if (reader->atEnd) {
        *endFlag = 1;
        return eofErr;
    }
    *endFlag = 0;

    // The buffer holds the whole request.
    const int32_t buffered = reader->bufFill - reader->bufPos;
    if (want <= buffered) {
        std::memcpy(out, reader->buffer + reader->bufPos, static_cast<size_t>(want));
        reader->bufPos += want;
        *count = want;
        if (reader->fileExhausted && reader->bufPos == reader->bufFill) {
            reader->atEnd = 1;
            *endFlag = 1;
        }
        return noErr;
    }

    // Nothing more will come from the file: deliver what is left.
    if (reader->fileExhausted) {
        std::memcpy(out, reader->buffer + reader->bufPos, static_cast<size_t>(buffered));
        reader->bufPos = reader->bufFill;
        *count = buffered;
        MarkEnd(reader, endFlag);
        return eofErr;
    }

    // Take what is buffered, then the rest from the file.
    if (buffered > 0)
        std::memcpy(out, reader->buffer + reader->bufPos, static_cast<size_t>(buffered));
    const int32_t taken = buffered;
    int32_t rest = want - taken;
    out += taken;
    reader->bufPos = reader->bufFill = 0;
    *count = taken;
    int32_t got = 0;

    if (int64_t{reader->filePos} + rest >= reader->rangeEnd) {
        // The request reaches the range end: read straight into the destination.
        const bool shortened = rest > reader->rangeEnd - reader->filePos;
        if (shortened)
            rest = reader->rangeEnd - reader->filePos;
        OSErr err = ReadFromFile(reader, out, rest, &got);
        if (err != noErr && err != eofErr)
            return err;
        reader->filePos += got;
        *count = taken + got;
        MarkEnd(reader, endFlag);
        return shortened || got < rest ? eofErr : noErr;
    }

    if (rest < reader->bufSize) {
        // Refill the buffer (up to the range end at most) and serve the rest from it.
        int32_t fill = reader->bufSize;
        bool lastFill = false;
        if (int64_t{reader->filePos} + reader->bufSize >= reader->rangeEnd) {
            fill = reader->rangeEnd - reader->filePos;
            lastFill = true;
        }
        OSErr err = ReadFromFile(reader, reader->buffer, fill, &got);
        if (err == eofErr)
            lastFill = true;
        else if (err != noErr)
            return err;
        reader->filePos += got;
        reader->bufFill = got;
        reader->fileExhausted = lastFill ? 1 : 0;
        // A file that shrank under the reader may deliver less than was asked for.
        const int32_t served = std::min(rest, got);
        std::memcpy(out, reader->buffer, static_cast<size_t>(served));
        reader->bufPos = served;
        *count = taken + served;
        if (served < rest) {
            MarkEnd(reader, endFlag);
            return eofErr;
        }
        return noErr;
    }

    // A large request: read straight into the destination.
    OSErr err = ReadFromFile(reader, out, rest, &got);
    if (err != noErr && err != eofErr)
        return err;
    reader->filePos += got;
    *count = taken + got;
    if (got < rest) {
        MarkEnd(reader, endFlag);
        return eofErr;
    }
    return noErr;
}

OSErr SetFilePositionReadUsingBuffer(ReadDiskRec* reader, int32_t position) {
    if (!reader)
        return noErr;
    if (position < reader->rangeStart || position > reader->rangeEnd)
        return paramErr;
    const int32_t bufferStart = reader->filePos - reader->bufFill;
    if (position >= bufferStart && position <= reader->filePos) {
        reader->bufPos = position - bufferStart;
        reader->atEnd = reader->fileExhausted && position == reader->filePos ? 1 : 0;
        return noErr;
    }
    reader->bufPos = 0;
    reader->bufFill = 0;
    reader->atEnd = 0;
    reader->fileExhausted = 0;
    reader->filePos = position;
    return SetFPos(reader->refNum, fsFromStart, position);
}

OSErr GetFilePositionReadUsingBuffer(ReadDiskRec* reader, int32_t* position) {
    if (!reader)
        return noErr;
    if (!position)
        return paramErr;
    *position = reader->filePos - reader->bufFill + reader->bufPos;
    return noErr;
}

OSErr ClearReadUsingBuffer(ReadDiskRec* reader) {
    if (!reader)
        return noErr;
    return ResetToRangeStart(reader);
}

OSErr TerminateReadUsingBuffer(ReadDiskRec* reader) {
    if (!reader)
        return noErr;
    if (reader->ownsBuffer)
        MyDisposePtr(reader->buffer);
    reader->~ReadDiskRec();
    MyDisposePtr(reader);
    return noErr;
}

} // namespace orvane
