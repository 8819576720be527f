// A write that fails or is killed at any moment never leaves a PPD or its settings record
// that is neither the old nor the new one. For kills (SIGKILL, as a crash of the process) a
// child process writes two settings lists in turn into a large PPD and is killed after
// random short delays; after each kill the files are compared with every complete text
// they may hold.
#include "ppd/PPDWriter.h"

#include "host/files/SafeWrite.h"
#include "ppd/GoldenBytes.h"
#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

// About 640 KB, the size of the largest PPD in Debian's packages, so that writing it takes
// long enough for kills to land inside the writes.
std::string LargePPD() {
    std::string text = "*PPD-Adobe: \"4.3\"\n"
                       "*FormatVersion: \"4.3\"\n"
                       "*LanguageEncoding: ISOLatin1\n"
                       "*NickName: \"Testwerk Large\"\n"
                       "*ColorDevice: True\n"
                       "*OpenGroup: General/General\n"
                       "*OpenUI *PageSize/Media Size: PickOne\n"
                       "*OrderDependency: 10 AnySetup *PageSize\n"
                       "*DefaultPageSize: A4\n"
                       "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                       "*CloseUI: *PageSize\n"
                       "*CloseGroup: General\n"
                       "*DefaultFont: Courier\n";
    for (int i = 0; text.size() < 640 * 1024; ++i)
        text +=
            "*Font Testwerk-Face" + std::to_string(i) + ": Standard \"(001.005)\" Standard ROM\n";
    return text;
}

// Which of the complete texts a file holds ("" when none).
std::string Which(const std::string& bytes,
                  const std::vector<std::pair<std::string, std::string>>& known) {
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
        // Everyone may change it already: no rights are asked, so the child runs no tools.
        ASSERT_EQ(chmod(path_.c_str(), 0777), 0);

        listA_ = ListOf(
            {GammaSetting("Cool", {100, 120, 140, 90}), GammaSetting("Warm", {90, 100, 120, 110}),
             GammaSetting("Deep", {250, 250, 250, 200}), GammaSetting("Light", {45, 45, 45, 60}),
             GammaSetting("Neutral", {100, 100, 100, 100}),
             GammaSetting("Press", {130, 125, 120, 180})});
        listB_ = ListOf({GammaSetting("Soft", {180}), GammaSetting("Hard", {60})});

        // The complete texts and records, as uninterrupted writes make them.
        ASSERT_EQ(Write(listA_), noErr);
        known_ = {{"original", original_}, {"list A", ReadText(path_)}};
        ASSERT_EQ(Write(listB_), noErr);
        known_.push_back({"list B", ReadText(path_)});
        ASSERT_EQ(Write(ListOf({})), noErr);
        ASSERT_TRUE(SameBytes(original_, ReadText(path_)));
        const std::string sidecar = SidecarPath(path_);
        knownRecords_ = {{"empty", ReadText(sidecar)}};
        // The sidecars written with each list, compared whole.
        ASSERT_EQ(Write(listA_), noErr);
        knownRecords_.push_back({"list A", ReadText(sidecar)});
        ASSERT_EQ(Write(listB_), noErr);
        knownRecords_.push_back({"list B", ReadText(sidecar)});
        ASSERT_EQ(Write(ListOf({})), noErr);
        ASSERT_EQ(ReadText(sidecar), knownRecords_[0].second)
            << "a sidecar's bytes depend only on its record";
    }

    OSErr Write(const PPDTone4Rec& list) {
        SetWorking(list);
        return AdjustHalftoneSaveToPPDFile(glue()).status;
    }

    // A child that writes list A and list B in turn until it is killed, sending a byte
    // to `progress` after each write; it never returns.
    [[noreturn]] void WriteForever(int progress) {
        for (unsigned i = 0;; ++i) {
            if (Write(i % 2 == 0 ? listA_ : listB_) != noErr)
                _exit(3);
            if (write(progress, "w", 1) != 1)
                _exit(4);
        }
    }

    std::string BackupFolder() const { return root() + "/cache/orvane/backups"; }

    struct Tally {
        int rounds = 0;
        std::map<std::string, int> endedWith; // text state after the kill
        int restored = 0; // in place only: files put back from their backup after a kill
        int strayTemporaries = 0;
        int disagreements = 0; // the record names one list, the text holds the other
    };

    // Kills a writing child up to `rounds` times (fewer where writes are slow, as under the
    // sanitizers: the kills stop after a few seconds). In place, a file caught half-written
    // must have a complete backup of its previous text, which is put back as the user would.
    void KillRounds(int rounds, bool inPlace, Tally& tally) {
        if (const char* more = std::getenv("ORVANE_CRASH_ROUNDS"))
            rounds = std::max(1, std::atoi(more));
        constexpr int kMinRounds = 6;
        constexpr auto kBudget = std::chrono::seconds(6);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Write(listA_), noErr);
        writeTime_ = std::chrono::steady_clock::now() - start;
        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<int> completedWrites(0, 2);
        std::uniform_int_distribution<long> delayUs(
            0, std::chrono::duration_cast<std::chrono::microseconds>(writeTime_).count() * 5 / 4);
        const std::string sidecar = SidecarPath(path_);
        const auto began = std::chrono::steady_clock::now();
        for (int round = 0; round < rounds && (round < kMinRounds ||
                                               std::chrono::steady_clock::now() - began < kBudget);
             ++round) {
            // Each child starts from the original, so that a kill in its first write shows
            // which of the two files changes first.
            WriteText(path_, original_);
            WriteText(sidecar, knownRecords_[0].second);
            // The child reports each finished write, so that the kill lands in the first
            // write (A over the original), the second (B over A) or the third (A over B).
            int progress[2];
            ASSERT_EQ(pipe(progress), 0);
            std::fflush(nullptr);
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                close(progress[0]);
                WriteForever(progress[1]);
            }
            close(progress[1]);
            const int waitFor = completedWrites(random);
            for (int i = 0; i < waitFor; ++i) {
                char done = 0;
                ASSERT_EQ(read(progress[0], &done, 1), 1) << "the writer failed";
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            ASSERT_EQ(kill(child, SIGKILL), 0);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            close(progress[0]);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
            ++tally.rounds;

            // Written in place, a file caught half-written is put back from its backup the
            // next time the program writes or starts; then both files must be complete.
            if (inPlace)
                tally.restored += RecoverInterruptedWrites();
            std::string states[2];
            for (const bool record : {false, true}) {
                const std::string file = record ? sidecar : path_;
                const auto& known = record ? knownRecords_ : known_;
                const std::string state = Which(ReadText(file), known);
                ASSERT_FALSE(state.empty())
                    << "round " << round << ": " << (record ? "the sidecar" : "the PPD")
                    << " is neither old nor new after a kill";
                if (!record)
                    ++tally.endedWith[state];
                states[record] = state;
            }
            if (states[0] != states[1] && !(states[0] == "original" && states[1] == "empty"))
                ++tally.disagreements;
            // The record is written last: it never names settings the text does not offer.
            ASSERT_FALSE(states[0] == "original" && states[1] != "empty")
                << "round " << round << ": the record holds " << states[1]
                << " while the PPD still has its original text";
            // A backup left by a kill is the user's only copy while the file is torn; once the
            // file is whole it is redundant.
            std::error_code ec;
            std::filesystem::remove_all(BackupFolder(), ec);

            // A kill between creating the temporary file and renaming it over the PPD leaves
            // it beside the PPD: a hidden ".<name>.orvane-XXXXXX" that the printing system
            // never reads (it opens only <queue>.ppd). Nothing else may appear.
            for (const auto& e : std::filesystem::directory_iterator(ppdDir())) {
                const std::string name = e.path().filename().string();
                if (name == "large.ppd" || name == "._large.ppd")
                    continue;
                const bool temporary = name.rfind(".large.ppd.orvane-", 0) == 0 ||
                                       name.rfind(".._large.ppd.orvane-", 0) == 0;
                ASSERT_TRUE(temporary) << "unexpected file beside the PPD: " << name;
                ++tally.strayTemporaries;
                std::filesystem::remove(e.path());
            }
        }
    }

    void Report(const char* how, const Tally& tally) {
        std::string states;
        for (const auto& [name, count] : tally.endedWith)
            states += " " + name + " " + std::to_string(count);
        std::printf("[ measured ] %s: %d kills (one write takes %.1f ms); text afterwards:%s; "
                    "put back from the backup: %d; stray temporary "
                    "files: %d; record and text of different lists: %d\n",
                    how, tally.rounds,
                    std::chrono::duration<double, std::milli>(writeTime_).count(), states.c_str(),
                    tally.restored, tally.strayTemporaries, tally.disagreements);
    }

    std::string original_, path_;
    PPDTone4Rec listA_{}, listB_{};
    std::vector<std::pair<std::string, std::string>> known_, knownRecords_;
    std::chrono::steady_clock::duration writeTime_{};
};

} // namespace

// The usual case for root and for a folder the user owns: the new text replaces the old by
// a rename, so the PPD and its sidecar are always one complete version.
TEST_F(WriteSafetyTest, KilledWriteByRenameLeavesTheOldOrTheNewText) {
    Tally tally;
    KillRounds(40, false, tally);
    Report("by rename", tally);
    EXPECT_EQ(tally.restored, 0);
}

// Only the files are writable (the PPD folder belongs to root): the files are rewritten in
// place, which no file system makes atomic. The old text is complete in the cache folder's
// backup before the first byte is overwritten, and a journal beside it lets the next run
// put it back; after that, every file is one complete version again.
TEST_F(WriteSafetyTest, KilledWriteInPlaceIsPutBackFromItsBackup) {
    ScopedUnwritableFolder folder(ppdDir());
    Tally tally;
    KillRounds(40, true, tally);
    Report("in place", tally);
}

// The record is written after the text; when its write fails, the text written just before
// is taken back, and the record stays as it was even though closing the resource fork
// tries the pending write once more.
TEST_F(WriteSafetyTest, FailedRecordWriteAfterTheTextLeavesBothFilesAsTheyWere) {
    ASSERT_EQ(Write(listB_), noErr);
    const std::string textBefore = ReadText(path_);
    const std::string sidecarBefore = ReadText(SidecarPath(path_));
    const PPDTone4Rec savedBefore = *state()->ppdSaved;
    const std::string textA = known_[1].second;
    for (const bool inPlace : {false, true}) {
        std::optional<ScopedUnwritableFolder> folder;
        if (inPlace)
            folder.emplace(ppdDir());
        // The whole new text goes through, the record's first write does not.
        ScopedWriteFailure fail(textA.size() + 16);
        SetWorking(listA_);
        EXPECT_NE(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
        EXPECT_TRUE(SameBytes(textBefore, ReadText(path_))) << (inPlace ? "in place" : "by rename");
        EXPECT_TRUE(SameBytes(sidecarBefore, ReadText(SidecarPath(path_))))
            << (inPlace ? "in place" : "by rename");
        EXPECT_EQ(std::memcmp(state()->ppdSaved, &savedBefore, sizeof savedBefore), 0)
            << "the settings still count as unsaved";
    }
}
