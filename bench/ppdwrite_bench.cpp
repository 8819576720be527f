// Saving six four-curve settings into the largest PPD in Debian's packages (Canon iPR C650,
// 635 695 bytes, from openprinting-ppds), beside copying the same file: the save reads the
// PPD, composes 24 transfer tables, writes the new text and the settings record, each
// flushed to disk and renamed into place.
//
// The PPD is taken from $ORVANE_BENCH_PPD, else extracted from the package's CUPS driver
// program. scripts/bench-ppdwrite.sh runs this and times `cp` of the same file.
#include <benchmark/benchmark.h>

#include "core/AppResources.h"
#include "core/State.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceManager.h"
#include "host/rights/AdminRights.h"
#include "host/rights/ScriptedAdminRights.h"
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"
#include "support/PString.h"
#include "tone/ToneRecords.h"
#include "tone/ToneTables.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace orvane;

constexpr const char* kDriver = "/usr/lib/cups/driver/openprinting-ppds";
constexpr const char* kLargestPPD = "openprinting-ppds:0/ppd/openprinting/Canon/cnprc650x1g.ppd";

// `driver cat <uri>` into `destination`; false when the driver is missing or fails.
bool Extract(const std::string& destination) {
    if (access(kDriver, X_OK) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    char* argv[] = {const_cast<char*>(kDriver), const_cast<char*>("cat"),
                    const_cast<char*>(kLargestPPD), nullptr};
    pid_t pid = 0;
    const int started = posix_spawn(&pid, kDriver, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return started == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

CMYKTone FourCurves(int n) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, "Setting " + std::to_string(n), kMaxToneNameLength);
    tone.sameCurve = 0;
    for (int ink = 0; ink < kInkCount; ++ink)
        MakeGammaToneInfo(tone.tone[ink], 45 + 23 * n + 11 * ink);
    return tone;
}

PPDTone4Rec SixSettings(int first) {
    PPDTone4Rec list;
    std::memset(&list, 0, sizeof list);
    for (int i = 0; i < kMaxPPDTones; ++i)
        list.tones[list.count++] = FourCurves(first + i);
    return list;
}

// A temporary system root with the PPD chosen in a dialog state, the application's
// resources open, and the user's folders redirected into it.
class SaveSetup {
public:
    SaveSetup() {
        if (const char* problem = Prepare())
            failure_ = problem;
    }

    ~SaveSetup() {
        if (glue_) {
            DisposeSettingPrivateRec(glue_->dialogState);
            if (glue_->appResFile > 0)
                CloseResFile(glue_->appResFile);
            DisposeGlueRec(glue_);
        }
        delete scopedRights_;
        if (!root_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(root_, ec);
        }
    }

    const std::string& failure() const { return failure_; }
    const std::string& ppd() const { return ppd_; }
    const std::string& original() const { return original_; }
    std::string copyTarget() const { return root_ + "/copy.ppd"; }

    OSErr Save(const PPDTone4Rec& list) {
        *glue_->dialogState->ppdWorking = list;
        return AdjustHalftoneSaveToPPDFile(glue_).status;
    }

private:
    // Builds the setup; the reason when it cannot.
    const char* Prepare() {
        char pattern[] = "/tmp/orvane-bench-ppdwrite-XXXXXX";
        if (!mkdtemp(pattern))
            return "no temporary folder";
        root_ = pattern;
        for (const char* sub : {"/etc/cups/ppd", "/home", "/config", "/cache"})
            std::filesystem::create_directories(root_ + sub);
        setenv("ORVANE_ROOT", root_.c_str(), 1);
        setenv("HOME", (root_ + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);

        original_ = root_ + "/original.ppd";
        const char* given = std::getenv("ORVANE_BENCH_PPD");
        if (given && *given) {
            std::error_code ec;
            std::filesystem::copy_file(given, original_, ec);
            if (ec)
                return "cannot read $ORVANE_BENCH_PPD";
        } else if (!Extract(original_)) {
            return "needs the package openprinting-ppds (or $ORVANE_BENCH_PPD)";
        }
        ppd_ = root_ + "/etc/cups/ppd/Canon_iPR_C650.ppd";
        std::filesystem::copy_file(original_, ppd_);
        // Everyone may change it already, so no administrator rights are asked: what is
        // measured is the save itself.
        chmod(ppd_.c_str(), 0777);

        rights_.SetRequestResult(userCanceledErr);
        scopedRights_ = new ScopedAdminRights(rights_);
        glue_ = NewGlueRec();
        if (!glue_ || OpenApplicationResourceFile(&glue_->appResFile) != noErr)
            return "the application's resources are missing (ORVANE_BUNDLE_DIR)";
        glue_->osLevel = 1;
        glue_->dialogState = NewSettingPrivateRec();
        FSSpec spec{};
        if (HostFSSpecForPath(ppd_, spec) != noErr)
            return "no location for the PPD";
        SetPPDLocation(*glue_->dialogState->prefsWorking, spec);
        SetPPDLocation(*glue_->dialogState->prefsSaved, spec);
        uint8_t isPPD = 0;
        if (CheckTargetFileIsPPDFile(glue_, &spec, &isPPD) != noErr || !isPPD)
            return "not a PPD the program serves";
        return nullptr;
    }

    std::string root_, original_, ppd_, failure_;
    ScriptedAdminRights rights_;
    ScopedAdminRights* scopedRights_ = nullptr;
    GlueRec* glue_ = nullptr;
};

SaveSetup& Setup() {
    static SaveSetup setup;
    return setup;
}

// The first save into the untouched PPD: the block is inserted before the first group.
void BM_SaveSixFourCurveSettingsIntoLargestPPD(benchmark::State& state) {
    SaveSetup& setup = Setup();
    if (!setup.failure().empty())
        return state.SkipWithError(setup.failure().c_str());
    const PPDTone4Rec list = SixSettings(0);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(setup.original(), setup.ppd(),
                                   std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (setup.Save(list) != noErr)
            return state.SkipWithError("the save failed");
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(setup.original())));
}

// Later saves: six other settings replace the six in the block.
void BM_ReplaceSixFourCurveSettingsInLargestPPD(benchmark::State& state) {
    SaveSetup& setup = Setup();
    if (!setup.failure().empty())
        return state.SkipWithError(setup.failure().c_str());
    const PPDTone4Rec lists[2] = {SixSettings(0), SixSettings(6)};
    int which = 0;
    for (auto _ : state) {
        if (setup.Save(lists[which]) != noErr)
            return state.SkipWithError("the save failed");
        which ^= 1;
    }
}

// The reference: copying the same file within the process (what cp does, without
// starting a process and without flushing to disk).
void BM_CopyLargestPPD(benchmark::State& state) {
    SaveSetup& setup = Setup();
    if (!setup.failure().empty())
        return state.SkipWithError(setup.failure().c_str());
    for (auto _ : state)
        std::filesystem::copy_file(setup.original(), setup.copyTarget(),
                                   std::filesystem::copy_options::overwrite_existing);
}

} // namespace

BENCHMARK(BM_SaveSixFourCurveSettingsIntoLargestPPD)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplaceSixFourCurveSettingsInLargestPPD)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyLargestPPD)->Unit(benchmark::kMillisecond)->UseRealTime();
