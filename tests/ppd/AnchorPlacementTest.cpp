// Where a new block goes: before the first insertion anchor that starts a line. An anchor
// text inside a comment or a quoted value must not split that line.
#include "ppd/PPDWriter.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

PPDTexts Texts() {
    PPDTexts texts;
    texts.list[kBlockBeginMarkerIndex] = "\n*% Begin tones";
    texts.list[kBlockEndMarkerIndex] = "*% End tones";
    texts.list[kAnchor1Index] = "*OpenGroup:";
    texts.list[kAnchor2Index] = "*OpenUI ";
    texts.list[kAnchor3Index] = "*DefaultFont:";
    texts.list[kAnchor4Index] = "*Font ";
    return texts;
}

size_t NewBlockAt(const std::string& text) {
    ToneBlockPlace place;
    EXPECT_EQ(LocateToneBlock(Texts(), {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                              false, place),
              noErr);
    EXPECT_TRUE(place.newBlock);
    EXPECT_EQ(place.tailStart, place.startPos);
    return place.startPos;
}

TEST(AnchorPlacementTest, OnlyAnAnchorThatStartsALineCounts) {
    const std::string head = "*PPD-Adobe: \"4.3\"\n";
    EXPECT_EQ(NewBlockAt("*OpenGroup: General\n"), 0u);
    EXPECT_EQ(NewBlockAt(head + "*OpenGroup: General\n"), head.size());
    EXPECT_EQ(NewBlockAt(head + "*OpenGroup: X\r\n*OpenUI *A: PickOne\r\n"), head.size());
    // In a comment and in a quoted value: passed over for the next anchor, or the end.
    const std::string comment = head + "*% see *OpenGroup: below\n";
    EXPECT_EQ(NewBlockAt(comment + "*OpenUI *A: PickOne\n"), comment.size());
    const std::string quoted = head + "*Note: \"use *OpenUI here\"\n";
    EXPECT_EQ(NewBlockAt(quoted), quoted.size());
    EXPECT_EQ(NewBlockAt(quoted + "*Font Courier: Standard\n"), quoted.size());
}

} // namespace
} // namespace orvane
