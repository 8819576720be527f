#include "app/Commands.h"

#include "host/alerts/AlertHost.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

class RecordingText final : public TextEditTarget {
public:
    void Cut() override { done += 'x'; }
    void Copy() override { done += 'c'; }
    void Paste() override { done += 'v'; }
    void Clear() override { done += 'd'; }
    std::string done;
};

TEST(CommandsTest, DispatchTableAndEditTarget) {
    GlueRec* glue = NewGlueRec();
    ScriptedAlertHost alerts;
    glue->services.alerts = &alerts;
    RecordingText text;
    for (int16_t command = -1; command <= 30; ++command) {
        const bool handled = command == kAboutCommand || command == kAcceptedCommand ||
                             (command >= kUndoCommand && command <= kClearCommand);
        EXPECT_EQ(DoCommand(glue, command, &text), handled ? noErr : eventNotHandledErr) << command;
        EXPECT_EQ(CommandEnabled(command, true),
                  command == kAboutCommand || command == kQuitCommand || command == kHelpCommand ||
                      (command >= kUndoCommand && command <= kClearCommand))
            << command;
        EXPECT_EQ(CommandEnabled(command, false),
                  command >= kAboutCommand && command <= kHelpCommand)
            << command;
    }
    EXPECT_EQ(text.done, "xcvd");
    EXPECT_EQ(DoCommand(glue, kPasteCommand, nullptr), noErr); // no field: nothing to do

    // The About box: one alert 131 with the bundle's name and get-info string.
    ASSERT_EQ(alerts.shown().size(), 1u);
    const AlertRequest& about = alerts.shown()[0];
    EXPECT_EQ(about.alertID, kAboutAlertID);
    EXPECT_FALSE(about.caution);
    EXPECT_EQ(about.params[0], "Orvane");
    EXPECT_NE(about.params[1].find("Orvane"), std::string::npos);
    EXPECT_TRUE(about.params[2].empty() && about.params[3].empty());
    DisposeGlueRec(glue);
}

} // namespace
} // namespace orvane
