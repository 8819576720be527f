// ReadDiskRec: a buffered sequential reader over a byte range [rangeStart, rangeEnd) of an
// open file, with cheap moves back within what it has buffered. The file is the caller's;
// the reader never closes it. Every function accepts a null reader and then does nothing
// and returns 0.
#pragma once

#include "base/Types.h"

namespace orvane {

constexpr int32_t kDefaultReadBufferSize = 16384;

struct ReadDiskRec {
    int32_t bufPos;     // index of the next unread byte in the buffer
    int32_t bufFill;    // valid bytes in the buffer
    int32_t bufSize;    // buffer capacity
    int32_t rangeStart; // first file offset the reader may deliver
    int32_t rangeEnd;   // end of the range (exclusive)
    int32_t filePos;    // file offset just past the last byte taken from the file
    uint8_t* buffer;
    int16_t refNum;
    uint8_t ownsBuffer;    // the reader allocated `buffer` and frees it
    uint8_t atEnd;         // everything up to rangeEnd has been delivered
    uint8_t fileExhausted; // nothing more will be taken from the file
};
// The reader's logical position is filePos - bufFill + bufPos.

// A zero-filled reader with a buffer of `bufSize` bytes (16384 when 0): the caller's
// `buffer` (not owned) or a new one. A non-zero `refNum` is attached over the range (its
// status is not reported). Null when memory runs out (nothing is left allocated).
ReadDiskRec* InitReadUsingBuffer(int16_t refNum, void* buffer, int32_t bufSize, int32_t rangeStart,
                                 int32_t rangeEnd);

// Attaches a file over [start, end) and resets the reader to `start`. start >= end means
// the whole file. An end past the file's length is clipped to it and gives eofErr (the
// reader is reset all the same).
OSErr SetFileRefNumReadUsingBuffer(ReadDiskRec* reader, int16_t refNum, int32_t start, int32_t end);

// Delivers up to *count bytes into `destination`; *count becomes the number delivered and
// *endFlag 1 once the range end has been delivered. eofErr when the range ended before the
// request was filled (also for every read after the end, with *count 0); a read that
// lands exactly on the end gives noErr with *endFlag 1.
OSErr DoReadUsingBuffer(ReadDiskRec* reader, void* destination, int32_t* count, uint8_t* endFlag);

// Moves the logical position. Within the buffered bytes only the buffer index moves (so
// bytes read before the end can be read again); elsewhere the buffer is dropped and the
// file repositioned. paramErr for a position outside the range.
OSErr SetFilePositionReadUsingBuffer(ReadDiskRec* reader, int32_t position);
OSErr GetFilePositionReadUsingBuffer(ReadDiskRec* reader, int32_t* position);

// Back to rangeStart with an empty buffer.
OSErr ClearReadUsingBuffer(ReadDiskRec* reader);

// Frees the buffer (when owned) and the reader.
OSErr TerminateReadUsingBuffer(ReadDiskRec* reader);

} // namespace orvane
