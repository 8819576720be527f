// The buffered reader: agreement with the file under random reads and moves, ranges past
// the end, and a file shrinking under it.
#include "support/ReadDisk.h"

#include "base/TempRoot.h"
#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"
#include "host/memory/Memory.h"

#include <gtest/gtest.h>

#include <random>

namespace orvane {
namespace {

using R = std::tuple<OSErr, int32_t, int>;

class ReadDiskTest : public testing::TempRoot {
protected:
    void UseFile(size_t size, int32_t bufSize, int32_t start, int32_t end) {
        content_.resize(size);
        for (size_t i = 0; i < size; ++i)
            content_[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        WriteFile(Path("data"), content_);
        FSSpec spec{};
        ASSERT_EQ(HostFSSpecForPath(Path("data"), spec), noErr);
        ASSERT_EQ(FSpOpenDF(spec, fsRdPerm, &ref_), noErr);
        Open(bufSize, start, end);
    }
    void Open(int32_t bufSize, int32_t start, int32_t end) {
        TerminateReadUsingBuffer(reader_);
        reader_ = InitReadUsingBuffer(ref_, nullptr, bufSize, start, end);
        ASSERT_NE(reader_, nullptr);
    }
    void TearDown() override {
        TerminateReadUsingBuffer(reader_);
        if (ref_)
            FSClose(ref_);
        TempRoot::TearDown();
    }
    // Reads `want` bytes, checks them against the file at the reader's position and
    // returns the status, the count delivered and the end flag.
    R Read(int32_t want) {
        const int32_t position = Position();
        std::string buffer(static_cast<size_t>(want), '\0');
        int32_t got = want;
        uint8_t endFlag = 7;
        const OSErr err = DoReadUsingBuffer(reader_, buffer.data(), &got, &endFlag);
        EXPECT_TRUE(got >= 0 && got <= want) << got;
        EXPECT_EQ(buffer.substr(0, static_cast<size_t>(got)),
                  content_.substr(static_cast<size_t>(position), static_cast<size_t>(got)))
            << "wrong bytes for a read of " << want << " at " << position;
        return {err, got, endFlag};
    }
    int32_t Position() {
        int32_t position = -1;
        EXPECT_EQ(GetFilePositionReadUsingBuffer(reader_, &position), noErr);
        return position;
    }

    std::string content_;
    int16_t ref_ = 0;
    ReadDiskRec* reader_ = nullptr;
};

class ReadDiskRandomTest : public ReadDiskTest, public ::testing::WithParamInterface<int32_t> {};

// Every byte delivered is the file's byte at the logical position; a read short of the
// range's end sets no end flag, one reaching it exactly sets it, one past it gives eofErr.
TEST_P(ReadDiskRandomTest, AgreesWithTheFileUnderRandomReadsAndMoves) {
    UseFile(5000, GetParam(), 0, 5000);
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    for (int round = 0; round < 20; ++round) {
        const int32_t start = static_cast<int32_t>(random() % 3000);
        const int32_t end = start + 1 + static_cast<int32_t>(random() % 2000);
        Open(GetParam(), start, end);
        for (int step = 0; step < 200; ++step) {
            const int32_t position = Position();
            ASSERT_TRUE(position >= start && position <= end) << position;
            if (random() % 5 == 0) {
                const int32_t to = start + static_cast<int32_t>(random() % (end - start + 1));
                ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, to), noErr);
                continue;
            }
            const int32_t want = static_cast<int32_t>(random() % (random() % 4 ? 80 : 3000));
            const int32_t left = end - position;
            const auto [err, got, endFlag] = Read(want);
            const R expected = want < left   ? R(noErr, want, 0)
                               : want > left ? R(eofErr, left, 1)
                               : left > 0    ? R(noErr, want, 1)
                                             : R(err, got, endFlag); // nothing asked at the end
            ASSERT_EQ(R(err, got, endFlag), expected);
            ASSERT_EQ(Position(), position + got);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ReadDiskRandomTest, ::testing::Values(1, 16, 100, 0),
                         [](const auto& p) { return "buffer" + std::to_string(p.param); });

TEST_F(ReadDiskTest, RangesAreClippedAndMovesOutsideRefused) {
    UseFile(1000, 0, 100, 200);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 99), paramErr);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 201), paramErr);
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 900, 5000), eofErr);
    EXPECT_EQ(Read(101), R(eofErr, 100, 1));
    // A reversed or empty range means the whole file.
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 50, 50), noErr);
    EXPECT_EQ(std::make_pair(reader_->rangeStart, reader_->rangeEnd), std::make_pair(0, 1000));
}

TEST_F(ReadDiskTest, FileShrinkingUnderTheReaderNeverDeliversStaleBytes) {
    UseFile(1000, 64, 0, 1000);
    EXPECT_EQ(Read(10), R(noErr, 10, 0));
    std::filesystem::resize_file(Path("data"), 66);
    EXPECT_EQ(Read(60), R(eofErr, 56, 1)); // 54 buffered, then 2 more from the file

    WriteFile(Path("data"), content_);
    ASSERT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 0, 1000), noErr);
    EXPECT_EQ(Read(10), R(noErr, 10, 0));
    std::filesystem::resize_file(Path("data"), 20);
    EXPECT_EQ(Read(200), R(eofErr, 54, 1)); // the buffered 54, then a large direct read
}

} // namespace
} // namespace orvane
