#include "core/Alerts.h"

#include "core/AppResources.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/resources/ResourceManager.h"
#include "support/PString.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

class AlertsTest : public ::testing::Test {
protected:
    void SetUp() override {
        glue_ = NewGlueRec();
        ASSERT_EQ(OpenApplicationResourceFile(&glue_->appResFile), noErr);
        glue_->services.alerts = &host_;
    }
    void TearDown() override {
        CloseResFile(glue_->appResFile);
        DisposeGlueRec(glue_);
    }

    std::string ListItem(int16_t list, int16_t index) {
        Str255 text;
        EXPECT_EQ(GetAppIndString(glue_, list, index, text), noErr) << list << "/" << index;
        return ResourceTextUtf8(text);
    }

    GlueRec* glue_ = nullptr;
    ScriptedAlertHost host_{2};
};

} // namespace

TEST_F(AlertsTest, CodeTableChoosesListIndexAndAlert) {
    struct Case {
        OSErr code;
        int16_t list;
        int16_t index;
    };
    const Case cases[] = {
        {memFullErr, 128, 4}, {fnfErr, 128, 5}, {resNotFound, 128, 3},
        {eofErr, 128, 1},     {-3999, 128, 1},  {1006, 1001, 6},
        {1007, 1001, 7},      {1009, 1001, 9},  {1011, 1001, 11},
    };
    for (const Case& c : cases) {
        host_.Clear();
        EXPECT_TRUE(ShowAlert(glue_, c.code)) << c.code;
        ASSERT_EQ(host_.shown().size(), 1u) << c.code;
        EXPECT_EQ(host_.shown()[0].alertID, kErrorAlertID) << c.code;
        EXPECT_EQ(host_.shown()[0].params[0], ListItem(c.list, c.index)) << c.code;
        EXPECT_TRUE(host_.shown()[0].params[1].empty());
        EXPECT_EQ(AlertMessageText(glue_, c.code), ListItem(c.list, c.index));
    }
}

TEST_F(AlertsTest, ZeroShowsNothing) {
    EXPECT_TRUE(ShowAlert(glue_, noErr));
    EXPECT_TRUE(host_.shown().empty());
    EXPECT_TRUE(AlertMessageText(glue_, noErr).empty());
}

TEST_F(AlertsTest, QuestionAnswersWithItemOne) {
    host_.SetNextAnswer(1);
    EXPECT_TRUE(ShowAlert(glue_, kAlertQuestionCode));
    ASSERT_EQ(host_.shown().size(), 1u);
    EXPECT_EQ(host_.shown()[0].alertID, kQuestionAlertID);
    host_.SetNextAnswer(2);
    EXPECT_FALSE(ShowAlert(glue_, kAlertQuestionCode));
    // An error message returns true whatever is clicked.
    host_.SetNextAnswer(2);
    EXPECT_TRUE(ShowAlert(glue_, kNotSupportedPPDCode));
}

TEST_F(AlertsTest, OwnCodesOnly) {
    MainAlertInfo info;
    info.code = 1000;
    EXPECT_FALSE(SetMainAlertInfo(glue_, info));
    EXPECT_EQ(info.stringList, 0);
    info.code = 1012;
    EXPECT_FALSE(SetMainAlertInfo(glue_, info));
    info.code = 1002;
    ASSERT_TRUE(SetMainAlertInfo(glue_, info));
    EXPECT_EQ(info.isError, 0);
    EXPECT_EQ(info.stringIndex, 2);
}
