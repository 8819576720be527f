// The AppleDouble sidecar format: this program's own sidecar byte for byte, one from a Mac
// whose extra entries survive a rewrite, round trips, and the malformed sidecars refused.
#include "host/resources/AppleDouble.h"

#include "host/resources/PutBigEndian.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Put16;
using test::Put32;

// A sidecar as this program writes it for a 'TEXT' file of creator '????' whose resource
// fork holds the four (opaque) bytes "fork".
Bytes GoldenSidecar() {
    // clang-format off
    Bytes sidecar = {
        0x00, 0x05, 0x16, 0x07,                         // magic
        0x00, 0x02, 0x00, 0x00,                         // version 2
        'M', 'a', 'c', ' ', 'O', 'S', ' ', 'X',         // filler
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',         //
        0x00, 0x02,                                     // two entries
        0x00, 0x00, 0x00, 0x09,                         // entry 9, Finder info:
        0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x20, //   at 50, 32 bytes
        0x00, 0x00, 0x00, 0x02,                         // entry 2, resource fork:
        0x00, 0x00, 0x00, 0x52, 0x00, 0x00, 0x00, 0x04, //   at 82, 4 bytes
        'T', 'E', 'X', 'T', '?', '?', '?', '?',         // Finder info: type, creator,
    };
    // clang-format on
    sidecar.resize(82, 0); // flags, location, folder and extended info all 0
    for (char c : std::string("fork"))
        sidecar.push_back(static_cast<uint8_t>(c));
    return sidecar;
}

AppleDoubleImage GoldenImage() {
    AppleDoubleImage image;
    AppleDoubleSetTypeAndCreator(image, MakeFourCC("TEXT"), MakeFourCC("????"));
    image.hasResourceFork = true;
    image.resourceFork = {'f', 'o', 'r', 'k'};
    return image;
}

// As macOS leaves it: entry 9 carries the file's extended attributes after the Finder
// info, and a tool added an entry of its own (15, a comment) before the fork.
Bytes MacSidecarWithExtras() {
    // clang-format off
    const Bytes extra = {
        0x00, 0x00,                                     // padding
        'A', 'T', 'T', 'R', 0x3B, 0x9A, 0xC9, 0xFF,     // attribute header as macOS writes it
        0x00, 0x00, 0x00, 0x7E, 0x00, 0x00, 0x00, 0x00, //
        0x00, 0x01, 'x', 'a', 't', 't',                 //
    };
    Bytes sidecar = {
        0x00, 0x05, 0x16, 0x07,                         // magic
        0x00, 0x02, 0x00, 0x00,                         // version 2
        'M', 'a', 'c', ' ', 'O', 'S', ' ', 'X',         // filler
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',         //
        0x00, 0x03,                                     // three entries
        0x00, 0x00, 0x00, 0x09,                         // entry 9, Finder info:
        0x00, 0x00, 0x00, 0x3E, 0x00, 0x00, 0x00, 0x38, //   at 62, 32 + 24 bytes
        0x00, 0x00, 0x00, 0x0F,                         // entry 15, a comment:
        0x00, 0x00, 0x00, 0x76, 0x00, 0x00, 0x00, 0x03, //   at 118, 3 bytes
        0x00, 0x00, 0x00, 0x02,                         // entry 2, resource fork:
        0x00, 0x00, 0x00, 0x79, 0x00, 0x00, 0x00, 0x02, //   at 121, 2 bytes
        'p', 'r', 'e', 'f', 'H', 'v', 't', 'k',         // Finder info: type, creator
    };
    // clang-format on
    sidecar.resize(62 + 32, 0);
    sidecar.insert(sidecar.end(), extra.begin(), extra.end());
    for (uint8_t b : Bytes{'h', 'i', '!', 0xAB, 0xCD})
        sidecar.push_back(b);
    return sidecar;
}

TEST(AppleDoubleGolden, ReadsAndWritesTheSidecar) {
    AppleDoubleImage image;
    ASSERT_EQ(ParseAppleDouble(GoldenSidecar(), image), noErr);
    EXPECT_EQ(image, GoldenImage());
    EXPECT_EQ(AppleDoubleFileType(image), MakeFourCC("TEXT"));
    EXPECT_EQ(AppleDoubleFileCreator(image), MakeFourCC("????"));
    EXPECT_EQ(SerializeAppleDouble(GoldenImage()), GoldenSidecar());
}

TEST(AppleDoubleGolden, SidecarFromAMacKeepsItsExtraBytesAndEntries) {
    const Bytes original = MacSidecarWithExtras();
    AppleDoubleImage image;
    ASSERT_EQ(ParseAppleDouble(original, image), noErr);
    EXPECT_EQ(AppleDoubleFileCreator(image), MakeFourCC("Hvtk"));
    EXPECT_EQ(image.finderInfoExtra.size(), 24u);
    ASSERT_EQ(image.others.size(), 1u);
    EXPECT_EQ(image.others[0].id, 15u);
    EXPECT_EQ(image.resourceFork, (Bytes{0xAB, 0xCD}));
    EXPECT_EQ(SerializeAppleDouble(image), original);
    // A grown fork moves nothing that comes before it; only its length changes.
    image.resourceFork.assign(1000, 0x11);
    Bytes expected = original;
    Put32(expected, 58, 1000);
    const Bytes grown = SerializeAppleDouble(image);
    EXPECT_EQ(Bytes(grown.begin(), grown.begin() + 121),
              Bytes(expected.begin(), expected.begin() + 121));
}

struct MalformedCase {
    const char* name;
    std::function<void(Bytes&)> damage;
};

class AppleDoubleMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(AppleDoubleMalformed, IsRefusedWithMapReadErr) {
    Bytes sidecar = GoldenSidecar();
    GetParam().damage(sidecar);
    AppleDoubleImage image = GoldenImage();
    EXPECT_EQ(ParseAppleDouble(sidecar, image), mapReadErr);
    EXPECT_EQ(image, AppleDoubleImage{});
}

INSTANTIATE_TEST_SUITE_P(
    Defects, AppleDoubleMalformed,
    ::testing::Values(MalformedCase{"HeaderCutShort", [](Bytes& s) { s.resize(25); }},
                      MalformedCase{"TruncatedEntry", [](Bytes& s) { s.resize(s.size() - 1); }},
                      MalformedCase{"WrongMagic", [](Bytes& s) { s[3] = 0x00; }},
                      MalformedCase{"WrongVersion", [](Bytes& s) { Put32(s, 4, 0x00010000); }},
                      MalformedCase{"EntryTablePastTheEnd", [](Bytes& s) { Put16(s, 24, 8); }},
                      MalformedCase{"EntryLengthPastTheEnd", [](Bytes& s) { Put32(s, 46, 5); }},
                      MalformedCase{"EntryOffsetWrapsAround",
                                    [](Bytes& s) { Put32(s, 42, 0xFFFFFFF0); }},
                      MalformedCase{"EntryOverTheHeader", [](Bytes& s) { Put32(s, 30, 10); }},
                      MalformedCase{"EntryOverTheTable", [](Bytes& s) { Put32(s, 30, 40); }},
                      MalformedCase{"EntriesOverlap", [](Bytes& s) { Put32(s, 42, 80); }},
                      MalformedCase{"DuplicateEntryID", [](Bytes& s) { Put32(s, 38, 9); }}),
    [](const auto& c) { return std::string(c.param.name); });

} // namespace
} // namespace orvane
