// A temporary folder for tests of the host file layer, with the preferences, cache and home
// folders redirected into it so that nothing touches the real user's files.
#pragma once

#include "host/files/HostPaths.h"
#include "base/PStringView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::testing {

inline bool RunningAsRoot() {
    return geteuid() == 0;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Fixture base: a fresh temporary root per test, with XDG_CONFIG_HOME, XDG_CACHE_HOME and
// HOME inside it, and a "work" folder for the files under test.
class HostFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = std::filesystem::canonical(pattern).string();
        std::filesystem::create_directories(root_ + "/home");
        std::filesystem::create_directories(root_ + "/work");
        home_.emplace("HOME", root_ + "/home");
        config_.emplace("XDG_CONFIG_HOME", root_ + "/config");
        cache_.emplace("XDG_CACHE_HOME", root_ + "/cache");
    }

    void TearDown() override {
        config_.reset();
        cache_.reset();
        home_.reset();
        // Tests may leave read-only folders behind.
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                chmod(it->path().c_str(), 0700);
        }
        chmod(root_.c_str(), 0700);
        std::filesystem::remove_all(root_, ec);
    }

    const std::string& root() const { return root_; }
    std::string work() const { return root_ + "/work"; }
    std::string WorkPath(const std::string& name) const { return work() + "/" + name; }

    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        ASSERT_TRUE(out.good()) << path;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool Exists(const std::string& path) {
        struct stat st {};
        return lstat(path.c_str(), &st) == 0;
    }
    static void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

    // The location of `path` (its parent must exist).
    static FSSpec SpecFor(const std::string& path) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr) << path;
        return spec;
    }
    // A location in the work folder with a raw name (any length, any bytes).
    FSSpec WorkSpecNamed(const std::string& name) const {
        FSSpec spec{};
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(work(), id), noErr);
        spec.vRefNum = kHostVolumeRefNum;
        spec.parID = id;
        PStrFromView(spec.name, name, 63);
        return spec;
    }

private:
    std::string root_;
    std::optional<ScopedEnv> home_, config_, cache_;
};

} // namespace orvane::testing
