// The buffered reader: its end conventions, moving back within the buffer, ranges, and
// agreement with the file under random reads and moves.
#include "support/ReadDisk.h"

#include "base/TempRoot.h"
#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"
#include "host/memory/Memory.h"

#include <gtest/gtest.h>

#include <random>

namespace orvane {
namespace {

class ReadDiskTest : public testing::TempRoot {
protected:
    void UseFile(size_t size) {
        content_.resize(size);
        for (size_t i = 0; i < size; ++i)
            content_[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        WriteFile(Path("data"), content_);
        FSSpec spec{};
        ASSERT_EQ(HostFSSpecForPath(Path("data"), spec), noErr);
        ASSERT_EQ(FSpOpenDF(spec, fsRdPerm, &ref_), noErr);
    }
    void TearDown() override {
        TerminateReadUsingBuffer(reader_);
        if (ref_)
            FSClose(ref_);
        TempRoot::TearDown();
    }
    void Open(int32_t bufSize, int32_t start, int32_t end) {
        TerminateReadUsingBuffer(reader_);
        reader_ = InitReadUsingBuffer(ref_, nullptr, bufSize, start, end);
        ASSERT_NE(reader_, nullptr);
    }
    // Reads `want` bytes, checks them against the file at the reader's position and
    // returns the status, the count delivered and the end flag.
    std::tuple<OSErr, int32_t, int> Read(int32_t want) {
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
    using R = std::tuple<OSErr, int32_t, int>;

    std::string content_;
    int16_t ref_ = 0;
    ReadDiskRec* reader_ = nullptr;
};

TEST_F(ReadDiskTest, EndConventionsAndMovesBack) {
    UseFile(100);
    Open(64, 0, 100);
    EXPECT_EQ(Read(10), R(noErr, 10, 0)); // refills the buffer
    EXPECT_EQ(Read(54), R(noErr, 54, 0)); // from the buffer
    EXPECT_EQ(Read(36), R(noErr, 36, 1)); // straight from the file, exactly to the end
    EXPECT_EQ(Read(1), R(eofErr, 0, 1));

    ASSERT_EQ(ClearReadUsingBuffer(reader_), noErr);
    EXPECT_EQ(Read(50), R(noErr, 50, 0));
    EXPECT_EQ(Read(20), R(noErr, 20, 0)); // the last load: bytes 64 ... 99
    EXPECT_EQ(Read(30), R(noErr, 30, 1)) << "the buffer used up exactly at the end";
    // Back within the buffer after the end reads again; back to the end is still the end.
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 80), noErr);
    EXPECT_EQ(Read(20), R(noErr, 20, 1));
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 100), noErr);
    EXPECT_EQ(Read(1), R(eofErr, 0, 1));
    // Far back, outside the buffer: everything from there.
    ASSERT_EQ(SetFilePositionReadUsingBuffer(reader_, 3), noErr);
    EXPECT_EQ(Read(200), R(eofErr, 97, 1));
}

TEST_F(ReadDiskTest, RangeInTheMiddleClippedAndWhole) {
    UseFile(1000);
    Open(0, 100, 200);
    EXPECT_EQ(reader_->bufSize, kDefaultReadBufferSize);
    EXPECT_EQ(Position(), 100);
    EXPECT_EQ(Read(500), R(eofErr, 100, 1));
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 99), paramErr);
    EXPECT_EQ(SetFilePositionReadUsingBuffer(reader_, 201), paramErr);

    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 900, 5000), eofErr);
    EXPECT_EQ(reader_->rangeEnd, 1000);
    EXPECT_EQ(Position(), 900);
    EXPECT_EQ(Read(100), R(noErr, 100, 1));
    // A reversed or empty range means the whole file.
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 50, 50), noErr);
    EXPECT_EQ(std::make_pair(reader_->rangeStart, reader_->rangeEnd), std::make_pair(0, 1000));
}

TEST_F(ReadDiskTest, FileShrinkingUnderTheReaderNeverDeliversStaleBytes) {
    UseFile(1000);
    Open(64, 0, 1000);
    EXPECT_EQ(Read(10), R(noErr, 10, 0));
    std::filesystem::resize_file(Path("data"), 66);
    EXPECT_EQ(Read(60), R(eofErr, 56, 1)); // 54 buffered, then 2 more from the file

    WriteFile(Path("data"), content_);
    ASSERT_EQ(SetFileRefNumReadUsingBuffer(reader_, ref_, 0, 1000), noErr);
    EXPECT_EQ(Read(10), R(noErr, 10, 0));
    std::filesystem::resize_file(Path("data"), 20);
    EXPECT_EQ(Read(200), R(eofErr, 54, 1)); // the buffered 54, then a large direct read
}

TEST_F(ReadDiskTest, CallerBufferNullReaderAndExhaustedMemory) {
    UseFile(300);
    std::vector<uint8_t> mine(32);
    reader_ = InitReadUsingBuffer(ref_, mine.data(), static_cast<int32_t>(mine.size()), 0, 300);
    ASSERT_NE(reader_, nullptr);
    EXPECT_EQ(reader_->ownsBuffer, 0);
    EXPECT_EQ(Read(5), R(noErr, 5, 0));
    EXPECT_EQ(std::string(mine.begin(), mine.begin() + 5), content_.substr(0, 5));

    for (size_t successes : {0u, 1u}) {
        FailingAllocator failing(successes);
        ScopedAllocator scope(failing);
        EXPECT_EQ(InitReadUsingBuffer(ref_, nullptr, 0, 0, 10), nullptr);
    }

    int32_t count = 5, position = 3;
    uint8_t end = 0;
    EXPECT_EQ(SetFileRefNumReadUsingBuffer(nullptr, 1, 0, 10), noErr);
    EXPECT_EQ(DoReadUsingBuffer(nullptr, mine.data(), &count, &end), noErr);
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
    UseFile(5000);
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
                ASSERT_EQ(Position(), to);
                continue;
            }
            const int32_t want = static_cast<int32_t>(random() % (random() % 4 ? 80 : 3000));
            const int32_t left = end - position;
            const auto [err, got, endFlag] = Read(want);
            if (want < left) {
                ASSERT_EQ(R(err, got, 0), R(noErr, want, 0));
            } else if (want == left && left > 0) {
                ASSERT_EQ(R(err, got, endFlag), R(noErr, want, 1));
            } else if (want > left) {
                ASSERT_EQ(R(err, got, endFlag), R(eofErr, left, 1));
            }
            ASSERT_EQ(Position(), position + got);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ReadDiskRandomTest, ::testing::Values(1, 16, 100, 0),
                         [](const auto& p) { return "buffer" + std::to_string(p.param); });

} // namespace
} // namespace orvane
