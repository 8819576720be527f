// orvanectl killed (SIGKILL) at random instants while it saves the preferences and the
// PPD: the next run finds the PPD as it was before or after, its record agreeing with its
// text, and nothing of the program left over in the printer or the preferences folder.
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <thread>

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

const std::string kPPD = "Quillmark_ColorPage_5.ppd";

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class KillTest : public SampleRootTest {
protected:
    // Starts orvanectl and kills it after `delay`, unless it ended first.
    void RunKilledAfter(const std::vector<std::string>& args, std::chrono::microseconds delay) {
        const pid_t pid = SpawnCli(ORVANECTL_PATH, args, env_, "/dev/null", "/dev/null");
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
};

TEST_F(KillTest, AfterAKillAnywhereTheNextRunFindsOneWholeSaveAndNoLeftovers) {
    ASSERT_EQ(Run({"add", "Alpha", "--all", "gamma:1.8"}).exitStatus, 0);
    ASSERT_EQ(Run({"choose", kPPD}).exitStatus, 0);
    const std::string ppd = PPDFolder() + "/" + kPPD;
    const std::string without = ReadFile(ppd);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({"to-ppd", "Alpha"}).exitStatus, 0);
    const auto runTime = std::chrono::steady_clock::now() - start;
    const std::string with = ReadFile(ppd);
    const std::set<std::string> ppdFiles = Names(PPDFolder());
    const std::set<std::string> prefsFiles = Names(Path("config"));

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count());
    int ended[2] = {0, 0};
    for (int round = 0; round < 30; ++round) {
        // Alternately take the setting out of the PPD and put it back, killed on the way.
        const bool adding =
            Run({"--json", "list"}).out.find("\"ppdSettings\": []") != std::string::npos;
        RunKilledAfter(adding ? std::vector<std::string>{"to-ppd", "Alpha"}
                              : std::vector<std::string>{"delete", "Alpha", "--ppd"},
                       std::chrono::microseconds(delay(random)));
        const CliResult next = Run({"--json", "list"});
        ASSERT_EQ(next.exitStatus, 0) << next.err;
        const std::string text = ReadFile(ppd);
        ASSERT_TRUE(text == with || text == without) << "round " << round << ": a torn PPD";
        ++ended[text == with];
        const bool listed =
            next.out.find("\"name\": \"Alpha\"", next.out.find("ppdSettings")) != std::string::npos;
        EXPECT_EQ(listed, text == with) << "round " << round << ": record and text disagree";
        EXPECT_EQ(next.out.find("\"inText\": false"), std::string::npos) << "round " << round;
        EXPECT_EQ(Names(PPDFolder()), ppdFiles) << "round " << round;
        EXPECT_EQ(Names(Path("config")), prefsFiles) << "round " << round;
        if (HasFailure())
            break;
    }
    std::printf("[ measured ] 30 killed runs: the next run found the setting out %d times, "
                "in %d times\n",
                ended[0], ended[1]);
}

} // namespace
} // namespace orvane::testing
