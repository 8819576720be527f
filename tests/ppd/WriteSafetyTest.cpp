// A write that fails or is killed at any moment never leaves a PPD or its settings record
// that is neither the old nor the new one. For kills (SIGKILL, as a crash of the process) a
// child process writes two settings lists in turn into a large PPD and is killed after
// random short delays; after each kill the files are compared with every complete text
// they may hold.
#include "ppd/PPDWriter.h"

#include "host/files/SafeWrite.h"
#include "ppd/GoldenBytes.h"
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
        // Everyone may change it already: no rights are asked, so the child runs no tools.
        ASSERT_EQ(chmod(path_.c_str(), 0777), 0);
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
        records_ = {{"empty", ReadFile(sidecar)}};
        for (const auto* list : {&listA_, &listB_}) {
            ASSERT_EQ(Save(*list).status, noErr);
            const std::string name = list == &listA_ ? "list A" : "list B";
            known_.push_back({name, ReadFile(path_)});
            records_.push_back({name, ReadFile(sidecar)});
        }
        ASSERT_EQ(Save(ListOf({})).status, noErr);
        ASSERT_EQ(ReadFile(sidecar), records_[0].second) << "a sidecar depends only on its record";
    }

    // Kills a child that writes list A and list B in turn, up to `rounds` times (fewer where
    // writes are slow, as under the sanitizers: the kills stop after a few seconds). In
    // place, a file caught half-written must have a complete backup of its previous text,
    // which is put back as the next run does.
    void KillRounds(int rounds, bool inPlace) {
        if (const char* more = std::getenv("ORVANE_CRASH_ROUNDS"))
            rounds = std::max(1, std::atoi(more));
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Save(listA_).status, noErr);
        const auto writeTime = std::chrono::steady_clock::now() - start;
        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<int> completedWrites(0, 2);
        std::uniform_int_distribution<long> delayUs(
            0, std::chrono::duration_cast<std::chrono::microseconds>(writeTime).count() * 5 / 4);
        const std::string sidecar = SidecarPath(path_);
        std::map<std::string, int> endedWith;
        int kills = 0, restored = 0, temporaries = 0, disagreements = 0;
        const auto began = std::chrono::steady_clock::now();
        for (int round = 0;
             round < rounds &&
             (round < 6 || std::chrono::steady_clock::now() - began < std::chrono::seconds(6));
             ++round) {
            // Each child starts from the original, so that a kill in its first write shows
            // which of the two files changes first. It reports each finished write, so that
            // the kill lands in the first write (A over the original), the second (B over A)
            // or the third (A over B).
            WriteFile(path_, original_);
            WriteFile(sidecar, records_[0].second);
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
            for (int i = completedWrites(random); i > 0; --i) {
                char done = 0;
                ASSERT_EQ(read(progress[0], &done, 1), 1) << "the writer failed";
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            ASSERT_EQ(kill(child, SIGKILL), 0);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            close(progress[0]);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
            ++kills;

            if (inPlace)
                restored += RecoverInterruptedWrites();
            const std::string text = Which(ReadFile(path_), known_);
            const std::string record = Which(ReadFile(sidecar), records_);
            ASSERT_FALSE(text.empty()) << "round " << round << ": the PPD is torn after a kill";
            ASSERT_FALSE(record.empty()) << "round " << round << ": the sidecar is torn";
            ++endedWith[text];
            disagreements += text != record && !(text == "original" && record == "empty");
            // The record is written last: it never names settings the text does not offer.
            ASSERT_FALSE(text == "original" && record != "empty")
                << "round " << round << ": the record holds " << record
                << " while the PPD still has its original text";
            // A backup left by a kill is redundant once the file is whole again.
            std::error_code ec;
            std::filesystem::remove_all(Path("cache/orvane/backups"), ec);

            // A kill between creating the temporary file and renaming it leaves a hidden
            // ".<name>.orvane-XXXXXX" beside the PPD, which the printing system never reads.
            // Nothing else may appear.
            for (const auto& e : std::filesystem::directory_iterator(ppdDir())) {
                const std::string name = e.path().filename().string();
                if (name == "large.ppd" || name == "._large.ppd")
                    continue;
                ASSERT_TRUE(name.rfind(".large.ppd.orvane-", 0) == 0 ||
                            name.rfind(".._large.ppd.orvane-", 0) == 0)
                    << "unexpected file beside the PPD: " << name;
                ++temporaries;
                std::filesystem::remove(e.path());
            }
        }
        std::string states;
        for (const auto& [name, count] : endedWith)
            states += " " + name + " " + std::to_string(count);
        std::printf("[ measured ] %s: %d kills (one write takes %.1f ms); text afterwards:%s; "
                    "put back from the backup: %d; stray temporary files: %d; record and text "
                    "of different lists: %d\n",
                    inPlace ? "in place" : "by rename", kills,
                    std::chrono::duration<double, std::milli>(writeTime).count(), states.c_str(),
                    restored, temporaries, disagreements);
        if (!inPlace) {
            EXPECT_EQ(restored, 0);
        }
    }

    std::string original_, path_;
    PPDTone4Rec listA_{}, listB_{};
    Known known_, records_;
};

} // namespace

// The usual case for root and for a folder the user owns: the new text replaces the old by
// a rename, so the PPD and its sidecar are always one complete version.
TEST_F(WriteSafetyTest, KilledWriteByRenameLeavesTheOldOrTheNewText) {
    KillRounds(40, false);
}

// Only the files are writable (the PPD folder belongs to root): the files are rewritten in
// place, which no file system makes atomic. The old text is complete in the cache folder's
// backup before the first byte is overwritten, and a journal beside it lets the next run
// put it back; after that, every file is one complete version again.
TEST_F(WriteSafetyTest, KilledWriteInPlaceIsPutBackFromItsBackup) {
    ScopedUnwritableFolder folder(ppdDir());
    KillRounds(40, true);
}

// The record is written after the text; when its write fails, the text written just before
// is taken back, and the record stays as it was even though closing the resource fork
// tries the pending write once more.
TEST_F(WriteSafetyTest, FailedRecordWriteAfterTheTextLeavesBothFilesAsTheyWere) {
    ASSERT_EQ(Save(listB_).status, noErr);
    const std::string text = ReadFile(path_);
    const std::string sidecar = ReadFile(SidecarPath(path_));
    const PPDTone4Rec saved = *state()->ppdSaved;
    for (const bool inPlace : {false, true}) {
        std::optional<ScopedUnwritableFolder> folder;
        if (inPlace)
            folder.emplace(ppdDir());
        // The whole new text goes through, the record's first write does not.
        ScopedWriteFailure fail(known_[1].second.size() + 16);
        EXPECT_NE(Save(listA_).status, noErr);
        EXPECT_TRUE(SameBytes(text, ReadFile(path_))) << (inPlace ? "in place" : "by rename");
        EXPECT_TRUE(SameBytes(sidecar, ReadFile(SidecarPath(path_))));
        EXPECT_TRUE(SavedIs(saved)) << "the settings still count as unsaved";
    }
}
