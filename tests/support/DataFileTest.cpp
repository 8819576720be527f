// The data-fork class: reading and writing by range and by position mode, and the chunked
// search with its overlap at chunk borders.
#include "support/DataFile.h"

#include "base/TempRoot.h"
#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace orvane {
namespace {

class DataFileTest : public testing::TempRoot {
protected:
    FSSpec Make(const std::string& content) {
        WriteFile(Path("data"), content);
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(Path("data"), spec), noErr);
        return spec;
    }
};

TEST_F(DataFileTest, ReadsAndWritesByRangeAndByPositionModes) {
    MyOpenDataFileClass file;
    ASSERT_EQ(file.SetDataFile(Make("0123456789")), noErr);
    char buffer[16] = {};
    int32_t count = -1;
    EXPECT_EQ(file.ReadTheData(buffer, fsFromLEOF, -4, fsFromLEOF, 0, &count), noErr);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(count)), "6789");
    ASSERT_EQ(file.SetThePosition(1), noErr);
    EXPECT_EQ(file.ReadTheData(buffer, fsFromMark, 0, fsFromMark, 2, &count), noErr);
    EXPECT_EQ(std::string(buffer, 2), "12");
    file.lastError = ioErr; // a stale status must not leak into the next resolution
    EXPECT_EQ(file.GetTheOffset(fsFromLEOF, -1), 9);
    EXPECT_EQ(file.lastError, noErr);
    // Reversed ranges read nothing; a range past the end delivers what there is.
    EXPECT_EQ(file.ReadTheData(buffer, 6, 2, &count), eofErr);
    EXPECT_EQ(file.ReadTheData(buffer, 8, 12, &count), eofErr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(file.ReadTheData(buffer, 9, 0, fsFromStart, 3, &count), paramErr) << "bad mode";

    EXPECT_EQ(file.WriteTheData("ab", 3, 5, &count), noErr);
    EXPECT_EQ(file.WriteTheData("XYZ", fsFromLEOF, 0, fsFromLEOF, 3, &count), noErr);
    EXPECT_EQ(file.SetTheEndOfFile(12), noErr);
    EXPECT_EQ(ReadFile(Path("data")), "012ab56789XY");
    MyOpenDataFileClass reading;
    ASSERT_EQ(reading.SetDataFile(Make("x"), fsRdPerm), noErr);
    count = 1;
    EXPECT_EQ(reading.WriteTheData("x", &count), wrPermErr);
}

TEST_F(DataFileTest, SearchRangesAndRefusals) {
    std::string content(3000, '\0');
    for (size_t at : {2100, 500, 1022})
        content.replace(at, 3, "key");
    content.back() = 'Z';
    MyOpenDataFileClass file;
    ASSERT_EQ(file.SetDataFile(Make(content), fsRdPerm), noErr);
    EXPECT_EQ(file.SearchData("key", 3), 500);
    EXPECT_EQ(file.SearchData("Z", 1), 2999);
    EXPECT_EQ(file.SearchData("xyz", 3), -1);
    EXPECT_EQ(file.lastError, noErr) << "an absent pattern is no error";
    EXPECT_EQ(file.SearchData(fsFromStart, 501, fsFromLEOF, 0, "key", 3), 1022);
    // A match running past the range end is not in the range.
    EXPECT_EQ(file.SearchData(1000, 1024, "key", 3), -1);
    EXPECT_EQ(file.SearchData(1000, 1025, "key", 3), 1022);
    EXPECT_EQ(file.SearchData(5, 5, "a", 1), -1);
    EXPECT_EQ(file.lastError, eofErr);
    EXPECT_EQ(file.SearchData(0, 10, "", 0), -1);
    EXPECT_EQ(file.lastError, paramErr);
}

TEST_F(DataFileTest, SearchAgreesWithABruteForceSearch) {
    // A two-letter alphabet makes near-misses and overlapping candidates common; long patterns
    // cross the chunk borders (chunks overlap by the pattern's length).
    std::mt19937 random(7);
    std::string content(6000, 'a');
    for (char& c : content)
        c = random() % 3 == 0 ? 'b' : 'a';
    MyOpenDataFileClass file;
    ASSERT_EQ(file.SetDataFile(Make(content), fsRdPerm), noErr);
    for (int round = 0; round < 300; ++round) {
        const size_t length = 1 + random() % (round % 10 == 0 ? 1200 : 14);
        std::string pattern(length, 'a');
        if (random() % 2) {
            pattern = content.substr(random() % (content.size() - length), length);
        } else {
            for (char& c : pattern)
                c = random() % 3 == 0 ? 'b' : 'a';
        }
        const int32_t start = static_cast<int32_t>(random() % 5000);
        const int32_t end = start + 1 + static_cast<int32_t>(random() % (6000 - start));
        const auto first = content.begin() + start, last = content.begin() + end;
        const auto hit = std::search(first, last, pattern.begin(), pattern.end());
        ASSERT_EQ(file.SearchData(start, end, pattern.data(), static_cast<int32_t>(length)),
                  hit == last ? -1 : static_cast<int32_t>(hit - content.begin()))
            << "pattern of " << length << " in [" << start << ", " << end << ")";
        ASSERT_EQ(file.lastError, noErr);
    }
}

} // namespace
} // namespace orvane
