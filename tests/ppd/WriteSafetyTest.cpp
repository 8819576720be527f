// A save that fails or is killed at any moment leaves the PPD and its settings record both
// as they were or both as they were to become, once the next run has looked at the folder;
// never a torn file, never a text and a record of different saves. Kills are simulated at
// every step of a save, and real ones (SIGKILL, as a crash of the process) land at random
// in a child process that writes two settings lists in turn into a large PPD.
#include "ppd/PPDWriter.h"

#include "host/alerts/AlertHost.h"
#include "host/files/FileCommit.h"
#include "ppd/GoldenBytes.h"
#include "ppd/PPDReader.h"
#include "ppd/PPDTestSupport.h"

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>

using namespace orvane;
using namespace orvane::testing;

namespace {

// About 640 KB, the size of the largest PPD in Debian's packages, so that writing it takes
// long enough for kills to land inside the writes.
std::string LargePPD() {
    std::string text = "*PPD-Adobe: \"4.3\"\n*LanguageEncoding: ISOLatin1\n"
                       "*NickName: \"Testwerk Large\"\n*ColorDevice: True\n"
                       "*OpenGroup: General/General\n*CloseGroup: General\n"
                       "*DefaultFont: Courier\n";
    for (int i = 0; text.size() < 640 * 1024; ++i)
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
        listA_ = ListOf(
            {GammaSetting("Cool", {100, 120, 140, 90}), GammaSetting("Warm", {90, 100, 120, 110}),
             GammaSetting("Deep", {250, 250, 250, 200}), GammaSetting("Light", {45, 45, 45, 60}),
             GammaSetting("Neutral", {100, 100, 100, 100}),
             GammaSetting("Press", {130, 125, 120, 180})});
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

// Real kills of a process that saves list A and list B in turn, at random instants
// (ORVANE_CRASH_ROUNDS sets how many; the kills stop after a few seconds where saves are
// slow, as under the sanitizers). After each, the folder's recovery runs as the next run's
// would, and the two files must be one save's.
TEST_F(WriteSafetyTest, AProcessKilledAtRandomLeavesOneSavesFiles) {
    int rounds = 40;
    if (const char* more = std::getenv("ORVANE_CRASH_ROUNDS"))
        rounds = std::max(1, std::atoi(more));
    Reset(0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Save(listA_).status, noErr);
    const auto saveTime = std::chrono::steady_clock::now() - start;
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> completedSaves(0, 2);
    std::uniform_int_distribution<long> delayUs(
        0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() * 5 / 4);
    const auto began = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds && (round < 6 || std::chrono::steady_clock::now() - began <
                                                            std::chrono::seconds(6));
         ++round) {
        // Each child starts from the original and reports each finished save, so that the
        // kill lands in the first save (A over the original), the second or the third.
        Reset(0);
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(progress[0]);
            for (unsigned i = 0;; ++i)
                if (Save(i % 2 ? listB_ : listA_).status != noErr ||
                    write(progress[1], "w", 1) != 1)
                    _exit(3);
        }
        close(progress[1]);
        for (int i = completedSaves(random); i > 0; --i) {
            char done = 0;
            ASSERT_EQ(read(progress[0], &done, 1), 1) << "the writer failed";
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        FileCommitRecovery recovered;
        ASSERT_EQ(RecoverFileCommits(ppdDir(), &recovered), noErr);
        const std::string when = "round " + std::to_string(round);
        Version(when);
        ASSERT_EQ(Strays(), std::vector<std::string>{}) << when;
        if (HasFailure())
            break;
    }
}
