// Runs the built orvanectl with an environment made for the test (nothing of the caller's
// leaks in) and standard input at end of file, as in a script; and the same environment
// for code running in this process, restored newest first.
#pragma once

#include "base/TempRoot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <memory>
#include <vector>

namespace orvane::testing {

using Environment = std::map<std::string, std::string>;
using Files = std::map<std::string, std::string>; // relative path -> bytes

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct CliResult {
    int exitStatus = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Starts `program` with `args` and exactly the variables of `env`, its standard input at end
// of file and its outputs into the files given; -1 when it cannot be started.
inline pid_t SpawnCli(const std::string& program, std::vector<std::string> args,
                      const Environment& env, const std::string& outPath,
                      const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    args.insert(args.begin(), program);
    std::vector<std::string> envStore;
    for (const auto& [name, value] : env)
        envStore.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    for (std::string& e : envStore)
        envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program << ": error " << spawned;
        return -1;
    }
    return pid;
}

// Runs `program` as SpawnCli starts it and waits for it; `scratch` is a folder for the
// captured output.
inline CliResult RunCli(const std::string& program, std::vector<std::string> args,
                        const Environment& env, const std::string& scratch) {
    const std::string outPath = scratch + "/stdout", errPath = scratch + "/stderr";
    CliResult result;
    const pid_t pid = SpawnCli(program, std::move(args), env, outPath, errPath);
    if (pid < 0)
        return result;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    return result;
}

// Every regular file below `folder` (relative path -> bytes), for "nothing changed" checks;
// the folder catalogue, which may learn a folder in any run, is left out.
inline Files SnapshotFiles(const std::string& folder, const std::string& prefix = "") {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = std::filesystem::relative(entry.path(), folder).string();
        if (entry.is_regular_file() && path.rfind("orvane-folder-ids", 0) != 0)
            files[prefix + path] = ReadAll(entry.path().string());
    }
    return files;
}

// The variables of `env` in this process while it lives; restored newest first, so that a
// variable set here and earlier gets its earlier value back.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const Environment& env) : names_(env) {
        for (const auto& [name, value] : names_) // the guards keep pointers to the names
            guards_.push_back(std::make_unique<ScopedEnv>(name.c_str(), value));
    }
    ~ScopedEnvironment() {
        while (!guards_.empty())
            guards_.pop_back();
    }

private:
    Environment names_;
    std::vector<std::unique_ptr<ScopedEnv>> guards_;
};

// A copy of the sample system root in the temporary root, a preferences folder of its own
// and the current-user rights backend: what the command-line tests run orvanectl on.
class SampleRootTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        std::filesystem::copy(std::string(ORVANE_SOURCE_DIR) + "/sample/root", Path("root"),
                              std::filesystem::copy_options::recursive);
        MakeFolder(Path("scratch"));
        const char* bundle = std::getenv("ORVANE_BUNDLE_DIR");
        env_ = {{"PATH", "/usr/bin:/bin"},
                {"HOME", Path("home")},
                {"XDG_CONFIG_HOME", Path("config")},
                {"XDG_CACHE_HOME", Path("cache")},
                {"ORVANE_ROOT", Path("root")},
                {"ORVANE_ADMIN", "user"},
                {"ORVANE_BUNDLE_DIR", bundle ? bundle : ORVANE_BUILD_DIR "/share/orvane"},
                {"LC_ALL", "C.UTF-8"}};
    }
    // orvanectl with the fixture's environment, `extra` variables replacing its own.
    CliResult Run(const std::vector<std::string>& args, const Environment& extra = {}) {
        Environment env = env_;
        for (const auto& [name, value] : extra)
            env[name] = value;
        return RunCli(ORVANECTL_PATH, args, env, Path("scratch"));
    }
    std::string PPDFolder() const { return Path("root/etc/cups/ppd"); }
    Environment env_;
};

} // namespace orvane::testing
