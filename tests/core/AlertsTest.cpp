// Alerts: which message list and item a status shows, the alert used, and questions.
#include "core/Alerts.h"

#include "core/AppResources.h"
#include "core/State.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/resources/ResourceManager.h"

#include <gtest/gtest.h>

namespace orvane {
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
    GlueRec* glue_ = nullptr;
    ScriptedAlertHost host_{2};
};

TEST_F(AlertsTest, CodeTableChoosesListIndexAndAlert) {
    const struct {
        OSErr code;
        int16_t list, index;
    } cases[] = {{memFullErr, 128, 4}, {fnfErr, 128, 5}, {-3999, 128, 1},
                 {1007, 1001, 7},      {1012, 1002, 1},  {1018, 1002, 7}};
    for (const auto& c : cases) {
        host_.Clear();
        Str255 item;
        ASSERT_EQ(GetAppIndString(glue_, c.list, c.index, item), noErr) << c.code;
        EXPECT_TRUE(ShowAlert(glue_, c.code)) << c.code;
        ASSERT_EQ(host_.shown().size(), 1u) << c.code;
        EXPECT_EQ(host_.shown()[0].alertID, kErrorAlertID) << c.code;
        EXPECT_EQ(host_.shown()[0].params[0], ResourceTextUtf8(item)) << c.code;
    }
    host_.Clear();
    EXPECT_TRUE(ShowAlert(glue_, noErr));
    EXPECT_TRUE(host_.shown().empty()) << "no status, no alert";
}

TEST_F(AlertsTest, OwnCodesAndTheQuestion) {
    MainAlertInfo info;
    for (OSErr code : {1000, 1012}) {
        info.code = code;
        EXPECT_FALSE(SetMainAlertInfo(glue_, info)) << code;
    }
    info.code = 1002;
    ASSERT_TRUE(SetMainAlertInfo(glue_, info));
    EXPECT_EQ(info.isError, 0);
    EXPECT_EQ(info.stringIndex, 2);

    host_.SetNextAnswer(1);
    EXPECT_TRUE(ShowAlert(glue_, kAlertQuestionCode));
    EXPECT_EQ(host_.shown().at(0).alertID, kQuestionAlertID);
    host_.SetNextAnswer(2);
    EXPECT_FALSE(ShowAlert(glue_, kAlertQuestionCode));
    host_.SetNextAnswer(2);
    EXPECT_TRUE(ShowAlert(glue_, kNotSupportedPPDCode)) << "an error returns true whatever";
}

} // namespace
} // namespace orvane
