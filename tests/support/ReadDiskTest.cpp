// The buffered reader: delivering a range exactly, its end conventions, moving back within
// the buffer, and agreement with the file under random reads and moves.
#include "support/ReadDisk.h"
#include "host/files/HostTestFolder.h"
#include "host/files/FileTable.h"
#include "host/memory/Memory.h"

#include <gtest/gtest.h>

#include <random>

namespace orvane {
namespace {

using testing::HostFolderTest;

class ReadDiskTest : public HostFolderTest {
protected:
    void UseFile(size_t size) {
        content_.resize(size);
        for (size_t i = 0; i < size; ++i)
            content_[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        WriteFile(WorkPath("data"), content_);
        ASSERT_EQ(FSpOpenDF(SpecFor(WorkPath("data")), fsRdPerm, &ref_), noErr);
    }
    void TearDown() override {
        TerminateReadUsingBuffer(reader_);
        if (ref_)
            FSClose(ref_);
        HostFolderTest::TearDown();
    }
    void Open(int32_t bufSize, int32_t start, int32_t end) {
        reader_ = InitReadUsingBuffer(ref_, nullptr, bufSize, start, end);
        ASSERT_NE(reader_, nullptr);
    }
    // Reads `want` bytes and checks them against the file at the reader's position.
    OSErr Read(int32_t want, int32_t& got, uint8_t& endFlag) {
        int32_t position = 0;
        GetFilePositionReadUsingBuffer(reader_, &position);
        std::string buffer(static_cast<size_t>(want), '\0');
        got = want;
        endFlag = 7;
        OSErr err = DoReadUsingBuffer(reader_, buffer.data(), &got, &endFlag);
        EXPECT_GE(got, 0);
        EXPECT_LE(got, want);
        EXPECT_EQ(buffer.substr(0, static_cast<size_t>(got)),
                  content_.substr(static_cast<size_t>(position), static_cast<size_t>(got)))
            << "wrong bytes for a read of " << want << " at " << position;
        return err;
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

TEST_F(ReadDiskTest, ReadingExactlyToTheEndSetsTheEndFlagWithoutError) {
    UseFile(100);
    Open(64, 0, 100);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(10, got, end), noErr); // refills the buffer
    EXPECT_EQ(end, 0);
    ASSERT_EQ(Read(54, got, end), noErr); // from the buffer
    ASSERT_EQ(Read(36, got, end), noErr); // straight from the file, to the end
    EXPECT_EQ(got, 36);
    EXPECT_EQ(end, 1);
    EXPECT_EQ(Read(1, got, end), eofErr);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(end, 1);
}

TEST_F(ReadDiskTest, EndReachedInsideTheLastBufferLoad) {
    UseFile(100);
    Open(64, 0, 100);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(50, got, end), noErr);
    ASSERT_EQ(Read(20, got, end), noErr); // the last load: bytes 64 ... 99
    EXPECT_EQ(end, 0);
    ASSERT_EQ(Read(30, got, end), noErr);
    EXPECT_EQ(end, 1) << "the buffer used up exactly at the end";
    EXPECT_EQ(Read(5, got, end), eofErr);
    EXPECT_EQ(got, 0);
}

TEST_F(ReadDiskTest, AskingPastTheEndDeliversTheRestWithEof) {
    UseFile(100);
    Open(64, 0, 100);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(90, got, end), noErr);
    EXPECT_EQ(Read(50, got, end), eofErr);
    EXPECT_EQ(got, 10);
    EXPECT_EQ(end, 1);
    EXPECT_EQ(Read(50, got, end), eofErr);
    EXPECT_EQ(got, 0);

    // The same from within an exhausted buffer.
    ASSERT_EQ(ClearReadUsingBuffer(reader_), noErr);
    ASSERT_EQ(Read(70, got, end), noErr);
    EXPECT_EQ(Read(50, got, end), eofErr);
    EXPECT_EQ(got, 30);
    EXPECT_EQ(end, 1);
}

TEST_F(ReadDiskTest, MovingBackWithinTheBufferAfterTheEndReadsAgain) {
    UseFile(100);
    Open(64, 0, 100);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(50, got, end), noErr);
    ASSERT_EQ(Read(50, got, end), noErr);
    ASSERT_EQ(end, 1);
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 80), noErr);
    EXPECT_EQ(Position(), 80);
    ASSERT_EQ(Read(20, got, end), noErr);
    EXPECT_EQ(got, 20);
    EXPECT_EQ(end, 1);
    // Back to exactly the end: still at the end.
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 100), noErr);
    EXPECT_EQ(Read(1, got, end), eofErr);
    // Far back, outside the buffer: everything from there.
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 3), noErr);
    EXPECT_EQ(Read(200, got, end), eofErr);
    EXPECT_EQ(got, 97);
}

TEST_F(ReadDiskTest, RangeInTheMiddleAndClippedEnd) {
    UseFile(1000);
    Open(0, 100, 200);
    EXPECT_EQ(reader_->bufSize, kDefaultReadBufferSize);
    EXPECT_EQ(Position(), 100);
    int32_t got = 0;
    uint8_t end = 0;
    EXPECT_EQ(Read(500, got, end), eofErr);
    EXPECT_EQ(got, 100);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 99), paramErr);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 201), paramErr);

    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 900, 5000), eofErr);
    EXPECT_EQ(reader_->rangeEnd, 1000);
    EXPECT_EQ(Position(), 900);
    EXPECT_EQ(Read(100, got, end), noErr);
    EXPECT_EQ(end, 1);

    // A reversed or empty range means the whole file.
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 50, 50), noErr);
    EXPECT_EQ(reader_->rangeStart, 0);
    EXPECT_EQ(reader_->rangeEnd, 1000);
}

TEST_F(ReadDiskTest, EmptyFileEndsAtOnce) {
    UseFile(0);
    Open(0, 0, 0);
    int32_t got = 0;
    uint8_t end = 0;
    EXPECT_EQ(Read(10, got, end), eofErr);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(end, 1);
}

TEST_F(ReadDiskTest, FileShrinkingUnderTheReaderNeverDeliversStaleBytes) {
    UseFile(1000);
    Open(64, 0, 1000);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(10, got, end), noErr);
    std::filesystem::resize_file(WorkPath("data"), 66);
    EXPECT_EQ(Read(60, got, end), eofErr); // 54 buffered, then 2 more from the file
    EXPECT_EQ(got, 56);
    EXPECT_EQ(end, 1);

    WriteFile(WorkPath("data"), content_);
    ASSERT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 0, 1000), noErr);
    ASSERT_EQ(Read(10, got, end), noErr);
    std::filesystem::resize_file(WorkPath("data"), 20);
    EXPECT_EQ(Read(200, got, end), eofErr); // the buffered 54, then a large direct read
    EXPECT_EQ(got, 54);
    EXPECT_EQ(end, 1);
}

TEST_F(ReadDiskTest, CallerBufferIsUsedAndNotFreed) {
    UseFile(300);
    std::vector<uint8_t> mine(32);
    reader_ = InitReadUsingBuffer(ref_, mine.data(), static_cast<int32_t>(mine.size()), 0, 300);
    ASSERT_NE(reader_, nullptr);
    EXPECT_EQ(reader_->buffer, mine.data());
    EXPECT_EQ(reader_->ownsBuffer, 0);
    int32_t got = 0;
    uint8_t end = 0;
    ASSERT_EQ(Read(5, got, end), noErr);
    EXPECT_EQ(std::string(mine.begin(), mine.begin() + 5), content_.substr(0, 5));
}

TEST_F(ReadDiskTest, OutOfMemoryLeavesNothingAllocated) {
    UseFile(10);
    for (size_t successes : {0u, 1u}) {
        FailingAllocator failing(successes);
        ScopedAllocator scope(failing);
        EXPECT_EQ(InitReadUsingBuffer(ref_, nullptr, 0, 0, 10), nullptr);
    }
}

TEST(ReadDiskNullTest, NullReaderDoesNothing) {
    int32_t count = 5, position = 3;
    uint8_t end = 0;
    char buffer[8];
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(nullptr, 1, 0, 10), noErr);
    EXPECT_EQ(DoReadUsingBuffer(nullptr, buffer, &count, &end), noErr);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(nullptr, 4), noErr);
    EXPECT_EQ(GetFilePositionReadUsingBuffer(nullptr, &position), noErr);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(ClearReadUsingBuffer(nullptr), noErr);
    EXPECT_EQ(TerminateReadUsingBuffer(nullptr), noErr);
}

// Random reads and moves over a few buffer sizes and ranges: every byte delivered is the
// file's byte at the logical position, and the end conventions hold throughout.
class ReadDiskRandomTest : public ReadDiskTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(ReadDiskRandomTest, AgreesWithTheFile) {
    const int32_t bufSize = GetParam();
    UseFile(5000);
    std::mt19937 random(static_cast<unsigned>(bufSize));
    for (int round = 0; round < 20; ++round) {
        int32_t start = static_cast<int32_t>(random() % 3000);
        int32_t end = start + 1 + static_cast<int32_t>(random() % 2000);
        TerminateReadUsingBuffer(reader_);
        Open(bufSize, start, end);
        for (int step = 0; step < 200; ++step) {
            int32_t position = Position();
            ASSERT_GE(position, start);
            ASSERT_LE(position, end);
            if (random() % 5 == 0) {
                int32_t to = start + static_cast<int32_t>(random() % (end - start + 1));
                ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, to), noErr);
                ASSERT_EQ(Position(), to);
                continue;
            }
            int32_t want = static_cast<int32_t>(random() % (random() % 4 == 0 ? 3000 : 80));
            int32_t got = 0;
            uint8_t endFlag = 0;
            OSErr err = Read(want, got, endFlag);
            const int32_t left = end - position;
            if (want < left) {
                ASSERT_EQ(err, noErr);
                ASSERT_EQ(got, want);
            } else if (want == left && left > 0) {
                ASSERT_EQ(err, noErr);
                ASSERT_EQ(endFlag, 1);
            } else if (want > left) {
                ASSERT_EQ(err, eofErr);
                ASSERT_EQ(got, left);
                ASSERT_EQ(endFlag, 1);
            }
            ASSERT_EQ(Position(), position + got);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ReadDiskRandomTest, ::testing::Values(1, 16, 100, 0));

} // namespace
} // namespace orvane
