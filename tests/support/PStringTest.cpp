#include "support/PString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace orvane;

namespace {

struct P {
    Str255 s;
    explicit P(std::string_view text) { EXPECT_TRUE(PStrFromView(s, text)); }
};

} // namespace

TEST(PStringOrder, ComparesUnsignedBytesWithShorterPrefixFirst) {
    EXPECT_EQ(MyPStrCompare(P("AB").s, P("ABC").s), -1);
    EXPECT_EQ(MyPStrCompare(P("ABC").s, P("ABD").s), -1);
    EXPECT_EQ(MyPStrCompare(P("ABD").s, P("ABC").s), 1);
    EXPECT_EQ(MyPStrCompare(P("ABC").s, P("ABC").s), 0);
    EXPECT_EQ(MyPStrCompare(P("").s, P("A").s), -1);
    // Upper case before lower case; a byte above 127 after every letter (unsigned order).
    EXPECT_EQ(MyPStrCompare(P("Alpha").s, P("alpha").s), -1);
    EXPECT_EQ(MyPStrCompare(P("\x8e"
                              "cru")
                                .s,
                            P("zebra").s),
              1);
}

TEST(PStringOrder, EqualityLooksAtLengthAndEveryByte) {
    EXPECT_TRUE(MyPStrEqual(P("Tone").s, P("Tone").s));
    EXPECT_FALSE(MyPStrEqual(P("Tone").s, P("Tone ").s));
    EXPECT_FALSE(MyPStrEqual(P("Tone").s, P("tone").s));
}

TEST(PStringEditing, CopyAndAppendStayWithin255) {
    std::string a(200, 'a'), b(200, 'b');
    P left(a), right(b);
    EXPECT_EQ(MyPStrAdd(left.s, right.s), 255);
    EXPECT_EQ(PStrView(left.s), a + std::string(55, 'b'));

    // Overlapping copy: shifting a string one byte to the right inside its own buffer.
    Str255 buffer;
    PStrFromView(buffer, "abc");
    MyPStrCopy(buffer, buffer + 1);
    EXPECT_EQ(buffer[1], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer + 2), 3), "abc");
}

TEST(PStringEditing, FromViewRefusesWhatDoesNotFit) {
    Str32 name;
    name[0] = 7;
    EXPECT_FALSE(PStrFromView(name, std::string(33, 'x'), 32));
    EXPECT_EQ(name[0], 7) << "a refused name leaves the destination alone";
    EXPECT_TRUE(PStrFromView(name, std::string(32, 'x'), 32));
    EXPECT_EQ(name[0], 32);
}

TEST(PStringSearch, FindsFirstOccurrenceOneBased) {
    const char text[] = "abcabc";
    EXPECT_EQ(SearchString(6, text, 2, "bc"), 2);
    EXPECT_EQ(SearchString(6, text, 3, "abc"), 1);
    EXPECT_EQ(SearchString(6, text, 1, "c"), 3);
    EXPECT_EQ(SearchString(6, text, 2, "cb"), 0);
    EXPECT_EQ(SearchString(2, text, 3, "abc"), 0) << "pattern longer than the text";
    EXPECT_EQ(SearchString(6, text, P("ca").s), 3);
}

TEST(PStringSearch, PrefixOfCString) {
    EXPECT_TRUE(MyPStrCStrEqual(P("Tone").s, "Tone setting"));
    EXPECT_TRUE(MyPStrCStrEqual(P("").s, "anything"));
    EXPECT_FALSE(MyPStrCStrEqual(P("Tones").s, "Tone"));
    EXPECT_EQ(MyStrChr("a:b", ':') - "a:b", 1);
    EXPECT_EQ(MyStrChr("ab", ':'), nullptr);
}

TEST(PStringMunger, ReplacesGrowingAndShrinkingTheBlock) {
    Handle block = MyNewHandleClear(1 + 12);
    PStrFromView(HandleData(block), "About ^0 now");
    HLock(block);
    const int8_t state = HGetState(block);

    Str255 marker, product;
    PStrFromView(marker, "^0");
    PStrFromView(product, "Orvane Tone Settings");
    EXPECT_EQ(MySafeMungerPString(block, marker, product), 7);
    EXPECT_EQ(PStrView(HandleData(block)), "About Orvane Tone Settings now");
    EXPECT_EQ(HGetState(block), state) << "lock state restored";

    Str255 shorter;
    PStrFromView(shorter, "X");
    EXPECT_EQ(MySafeMungerPString(block, product, shorter), 7);
    EXPECT_EQ(PStrView(HandleData(block)), "About X now");
    EXPECT_EQ(MySafeMungerPString(block, marker, shorter), -1) << "pattern gone";

    // A replacement that would need more than 255 characters is refused unchanged.
    Str255 huge;
    PStrFromView(huge, std::string(255, 'h'));
    EXPECT_EQ(MySafeMungerPString(block, shorter, huge), -1);
    EXPECT_EQ(PStrView(HandleData(block)), "About X now");
    MyDisposeHandle(block);
}

TEST(PStringHex, DigitsAndPrefix) {
    Str255 out;
    GetHexStringFromLongValue(0x00AB12, out, true, true);
    EXPECT_EQ(PStrView(out), "0x0000AB12");
    GetHexStringFromLongValue(0x00AB12, out, false, false);
    EXPECT_EQ(PStrView(out), "AB12");
    GetHexStringFromShortValue(0, out, false, false);
    EXPECT_EQ(PStrView(out), "0");
    GetHexStringFromShortValue(0xF, out, true, true);
    EXPECT_EQ(PStrView(out), "0x000F");
}
