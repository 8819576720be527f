// The resource fork format: a fork laid out by hand, read and written byte for byte, round
// trips, and one table each of images the writer refuses and forks the reader refuses.
#include "host/resources/ResourceForkFormat.h"

#include "host/resources/PutBigEndian.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Put16;
using test::Put32;

// 'Tone' 128 named "Prefs" (4 bytes), 'Tone' 129 purgeable and empty, 'WPOS' 1007 (8 bytes).
Bytes GoldenFork() {
    // clang-format off
    Bytes fork = {
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x18, // data at 256, map at 280
        0x00, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x58, // data length 24, map length 88
    };
    fork.resize(256, 0); // reserved
    const Bytes rest = {
        // Data area (offset 256).
        0x00, 0x00, 0x00, 0x04, 0x01, 0x02, 0x03, 0x04, // +0  'Tone' 128: length 4, bytes
        0x00, 0x00, 0x00, 0x00,                         // +8  'Tone' 129: length 0
        0x00, 0x00, 0x00, 0x08, 0x00, 0x10, 0x00, 0x20, // +12 'WPOS' 1007: length 8,
        0x01, 0x40, 0x02, 0x80,                         //     window rectangle
        // Map (offset 280).
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x18, // +0  copy of the header
        0x00, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x58, //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // +16 next map, file ref, attributes
        0x00, 0x1C, 0x00, 0x52,                         // +24 type list at +28, names at +82
        // Type list (map + 28).
        0x00, 0x01,                                     // two types (count - 1)
        'T', 'o', 'n', 'e', 0x00, 0x01, 0x00, 0x12,     // 'Tone': two, references at +18
        'W', 'P', 'O', 'S', 0x00, 0x00, 0x00, 0x2A,     // 'WPOS': one, references at +42
        // Reference lists (type list + 18): ID, name offset, attributes, data offset, handle.
        0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x81, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00,
        0x03, 0xEF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00,
        // Name list (map + 82).
        0x05, 'P', 'r', 'e', 'f', 's',
    };
    // clang-format on
    fork.insert(fork.end(), rest.begin(), rest.end());
    return fork;
}

constexpr size_t kMap = 280;
constexpr size_t kTypeList = kMap + 28;
constexpr size_t kRefs = kTypeList + 18;

ResourceForkImage GoldenImage() {
    ResourceForkImage image;
    image.entries.push_back({MakeFourCC("Tone"), 128, 0, true, "Prefs", {1, 2, 3, 4}});
    image.entries.push_back({MakeFourCC("Tone"), 129, kResPurgeable, false, "", {}});
    image.entries.push_back(
        {MakeFourCC("WPOS"), 1007, 0, false, "", {0x00, 0x10, 0x00, 0x20, 0x01, 0x40, 0x02, 0x80}});
    return image;
}

TEST(ResourceForkGolden, ReadsAndWritesTheHandBuiltFork) {
    ResourceForkImage image;
    ASSERT_EQ(ParseResourceFork(GoldenFork(), image), noErr);
    EXPECT_EQ(image, GoldenImage());
    Bytes written;
    ASSERT_EQ(SerializeResourceFork(GoldenImage(), written), noErr);
    EXPECT_EQ(written, GoldenFork());

    // Any valid placement reads: here the map first, the data after it, no reserved area.
    const Bytes golden = GoldenFork();
    Bytes moved(golden.begin(), golden.begin() + 16);
    moved.insert(moved.end(), golden.begin() + kMap, golden.end());         // map at 16
    moved.insert(moved.end(), golden.begin() + 256, golden.begin() + kMap); // data at 104
    Put32(moved, 0, 16 + 88);
    Put32(moved, 4, 16);
    ASSERT_EQ(ParseResourceFork(moved, image), noErr);
    EXPECT_EQ(image, GoldenImage());
}

TEST(ResourceForkGolden, EmptyForkIsThePlatformsEmptyResourceFile) {
    Bytes written;
    ASSERT_EQ(SerializeResourceFork({}, written), noErr);
    // clang-format off
    Bytes expected = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  // data and map at 256
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1E}; // lengths 0 and 30
    expected.resize(256, 0);
    const Bytes map = {
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x1C, 0x00, 0x1E, // type list at map + 28, name list at map + 30
        0xFF, 0xFF,             // no types (count - 1 = -1)
    };
    // clang-format on
    expected.insert(expected.end(), map.begin(), map.end());
    EXPECT_EQ(written, expected);

    ResourceForkImage image;
    image.entries.push_back({});
    EXPECT_EQ(ParseResourceFork(written, image), noErr);
    EXPECT_TRUE(image.entries.empty());
}

TEST(ResourceForkGolden, ImagesTheFormatCannotHoldAreRefused) {
    const std::function<void(ResourceForkImage&)> damages[] = {
        [](auto& i) { i.entries[0].name.assign(256, 'x'); },  // name over 255 bytes
        [](auto& i) { i.entries[1].id = 128; },               // type and ID twice
        [](auto& i) { i.entries[0].data.resize(0x1000000); }, // past the 24-bit data offsets
        [](auto& i) { // more than 32768 resources of one type
            for (int n = 0; n <= 32768; ++n)
                i.entries.push_back(
                    {MakeFourCC("Many"), static_cast<int16_t>(n - 16384), 0, false, "", {}});
        },
        [](auto& i) { // names past the 16-bit name offsets
            for (int16_t n = 0; n < 300; ++n)
                i.entries.push_back({MakeFourCC("Name"), n, 0, true, std::string(255, 'n'), {}});
        },
    };
    for (const auto& damage : damages) {
        ResourceForkImage image = GoldenImage();
        damage(image);
        Bytes written = {1, 2, 3};
        EXPECT_EQ(SerializeResourceFork(image, written), paramErr);
        EXPECT_TRUE(written.empty());
    }
}

struct MalformedCase {
    const char* name;
    std::function<void(Bytes&)> damage;
};

class ResourceForkMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(ResourceForkMalformed, IsRefusedWithMapReadErr) {
    Bytes fork = GoldenFork();
    GetParam().damage(fork);
    ResourceForkImage image = GoldenImage();
    EXPECT_EQ(ParseResourceFork(fork, image), mapReadErr);
    EXPECT_EQ(image, ResourceForkImage{});
}

INSTANTIATE_TEST_SUITE_P(
    Defects, ResourceForkMalformed,
    ::testing::Values(
        MalformedCase{"HeaderCutShort", [](Bytes& f) { f.resize(10); }},
        MalformedCase{"TruncatedMap", [](Bytes& f) { f.resize(f.size() - 1); }},
        MalformedCase{"DataOffsetPastTheEnd", [](Bytes& f) { Put32(f, 0, 0x10000); }},
        MalformedCase{"DataLengthPastTheEnd", [](Bytes& f) { Put32(f, 8, 0xFFFFFFFF); }},
        MalformedCase{"MapOffsetPastTheEnd", [](Bytes& f) { Put32(f, 4, 0xFFFFFFF0); }},
        MalformedCase{"MapLengthPastTheEnd", [](Bytes& f) { Put32(f, 12, 0x59); }},
        MalformedCase{"DataOverTheHeader", [](Bytes& f) { Put32(f, 0, 8); }},
        MalformedCase{"MapOverTheData", [](Bytes& f) { Put32(f, 8, 25); }},
        MalformedCase{"TypeListPastTheMap", [](Bytes& f) { Put16(f, kMap + 24, 0x0100); }},
        MalformedCase{"NameListPastTheMap", [](Bytes& f) { Put16(f, kMap + 26, 0x0059); }},
        MalformedCase{"TypeCountOverflowsTheMap", [](Bytes& f) { Put16(f, kTypeList, 0x7FFF); }},
        MalformedCase{"ReferenceCountOverflowsTheMap",
                      [](Bytes& f) { Put16(f, kTypeList + 6, 0x7FFF); }},
        MalformedCase{"ReferenceListOutsideTheMap",
                      [](Bytes& f) { Put16(f, kTypeList + 8, 0xFFF0); }},
        MalformedCase{"ReferenceListsOverlap",
                      [](Bytes& f) { Put16(f, kTypeList + 16, 0x12 + 12); }},
        MalformedCase{"TypeListedTwice",
                      [](Bytes& f) { Put32(f, kTypeList + 10, MakeFourCC("Tone")); }},
        MalformedCase{"NamePastTheNameList", [](Bytes& f) { Put16(f, kRefs + 2, 0x0006); }},
        MalformedCase{"DataOffsetPastTheDataArea", [](Bytes& f) { f[kRefs + 12 + 7] = 0x18; }},
        MalformedCase{"DataLengthPastTheDataArea", [](Bytes& f) { Put32(f, 256, 0x00000100); }},
        MalformedCase{"DataOfTwoResourcesOverlap", [](Bytes& f) { f[kRefs + 24 + 7] = 0x00; }},
        MalformedCase{"DuplicateTypeAndID", [](Bytes& f) { Put16(f, kRefs + 12, 128); }}),
    [](const auto& c) { return std::string(c.param.name); });

} // namespace
} // namespace orvane
