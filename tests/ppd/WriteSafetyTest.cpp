// A save that fails or is killed at any step leaves the PPD and its settings record both as
// they were or both as they were to become, once the next run has looked at the folder;
// never a torn file, never a text and a record of different saves. (Real kills of orvanectl
// are in the command-line tests.)
#include "ppd/PPDWriter.h"

#include "host/alerts/AlertHost.h"
#include "host/files/FileCommit.h"
#include "ppd/GoldenBytes.h"
#include "ppd/PPDReader.h"
#include "ppd/PPDTestSupport.h"

#include <map>

using namespace orvane;
using namespace orvane::testing;

namespace {

// Large enough that the writes come in several pieces.
std::string LargePPD() {
    std::string text = "*PPD-Adobe: \"4.3\"\n*LanguageEncoding: ISOLatin1\n"
                       "*NickName: \"Testwerk Large\"\n*ColorDevice: True\n"
                       "*OpenGroup: General/General\n*CloseGroup: General\n";
    for (int i = 0; text.size() < 256 * 1024; ++i)
        text += "*Font Face" + std::to_string(i) + ": Standard \"(001.005)\" Standard ROM\n";
    return text;
}

using Known = std::vector<std::pair<std::string, std::string>>; // name, complete bytes

std::string Which(const std::string& bytes, const Known& known) {
    for (const auto& [name, text] : known)
        if (bytes == text)
            return name;
    return "";
}

class WriteSafetyTest : public PPDFolderTest {
protected:
    void SetUp() override {
        PPDFolderTest::SetUp();
        if (HasFatalFailure())
            return;
        original_ = LargePPD();
        path_ = ChoosePPD("large.ppd", original_);
        listA_ = ListOf({GammaSetting("Cool", {100, 120, 140, 90}),
                         GammaSetting("Warm", {90, 100, 120, 110}), GammaSetting("Deep", {250})});
        listB_ = ListOf({GammaSetting("Soft", {180}), GammaSetting("Hard", {60})});

        // The complete texts and sidecars, as uninterrupted writes make them.
        const std::string sidecar = SidecarPath(path_);
        ASSERT_EQ(Save(ListOf({})).status, noErr);
        ASSERT_TRUE(SameBytes(original_, ReadFile(path_)));
        known_ = {{"original", original_}};
        records_ = {{"original", ReadFile(sidecar)}};
        for (const auto* list : {&listA_, &listB_}) {
            ASSERT_EQ(Save(*list).status, noErr);
            const std::string name = list == &listA_ ? "list A" : "list B";
            known_.push_back({name, ReadFile(path_)});
            records_.push_back({name, ReadFile(sidecar)});
        }
        ASSERT_EQ(Save(ListOf({})).status, noErr);
        ASSERT_EQ(ReadFile(sidecar), records_[0].second) << "a sidecar depends only on its record";
    }

    // Puts the files back to a known version, as this state had last read them.
    void Reset(size_t version) {
        WriteFile(path_, known_[version].second);
        WriteFile(SidecarPath(path_), records_[version].second);
        state()->ppdRecordDigest =
            ContentDigest({reinterpret_cast<const uint8_t*>(records_[version].second.data()),
                           records_[version].second.size()});
    }
    // Which version the text and the record hold; fails the test when either is torn or
    // they belong to different saves.
    std::string Version(const std::string& when) {
        const std::string text = Which(ReadFile(path_), known_);
        const std::string record = Which(ReadFile(SidecarPath(path_)), records_);
        EXPECT_FALSE(text.empty()) << when << ": the PPD is torn";
        EXPECT_EQ(text, record) << when << ": text and record of different saves";
        return text;
    }
    // What else stands in the folder besides the PPD and its record.
    std::vector<std::string> Strays() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(ppdDir()))
            if (e.path().filename() != "large.ppd" && e.path().filename() != "._large.ppd")
                names.push_back(e.path().filename().string());
        return names;
    }

    std::string original_, path_;
    PPDTone4Rec listA_{}, listB_{};
    Known known_, records_;
};

} // namespace

// Every step of a save (each create, write, flush, rename and removal) killed or failing in
// turn. The next reading of the PPD, as the next run does it, finds both files of one save,
// says so when it completed an interrupted one, and leaves nothing of the program behind.
TEST_F(WriteSafetyTest, ASaveStoppedAtAnyStepEndsBeforeOrAfterAsAWhole) {
    int steps = 0;
    {
        Reset(2);
        ScopedFileCommitFault counter(0);
        ASSERT_EQ(Save(listA_).status, noErr);
        steps = counter.StepsCounted();
    }
    ASSERT_GT(steps, 8);
    ScriptedAlertHost alerts;
    glue()->services.alerts = &alerts;
    std::map<std::string, int> endedWith;
    for (const auto kind : {ScopedFileCommitFault::Kind::Kill, ScopedFileCommitFault::Kind::Fail})
        for (int step = 1; step <= steps; ++step) {
            const std::string when =
                "step " + std::to_string(step) +
                (kind == ScopedFileCommitFault::Kind::Kill ? " killed" : " failed");
            Reset(2);
            *state()->ppdSaved = listB_;
            {
                ScopedFileCommitFault fault(step, kind);
                const SaveOutcome outcome = Save(listA_);
                ASSERT_TRUE(fault.Fired()) << when;
                EXPECT_NE(outcome.status, noErr) << when;
                EXPECT_TRUE(SavedIs(listB_)) << when << ": the settings still count as unsaved";
            }
            alerts.Clear();
            ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr) << when;
            const std::string version = Version(when);
            ++endedWith[version];
            const bool noted = !alerts.shown().empty();
            if (noted) {
                EXPECT_NE(alerts.shown()[0].params[0].find("“large.ppd”"), std::string::npos)
                    << when;
            }
            EXPECT_TRUE(!noted || version == "list A") << when << ": a repair that undid";
            EXPECT_EQ(Strays(), std::vector<std::string>{}) << when;
        }
    EXPECT_GT(endedWith["list A"], 0);
    EXPECT_GT(endedWith["list B"], 0);
}
