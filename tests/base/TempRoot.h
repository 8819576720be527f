// A fresh temporary folder per test, removed with everything in it afterwards (read-only
// folders too), with HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME pointing into it so that no
// test touches the real user's files; and the one guard for environment variables.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::testing {

inline bool RunningAsRoot() {
    return geteuid() == 0;
}

// Sets a variable (or unsets it, given nullptr) and restores the previous state when it goes.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
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

// Layout: root()/home is HOME (created); root()/config and root()/cache are the XDG folders
// (not created, so that tests see the program create them).
class TempRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = std::filesystem::canonical(pattern).string();
        MakeFolder(Path("home"));
        home_.emplace("HOME", Path("home"));
        config_.emplace("XDG_CONFIG_HOME", Path("config"));
        cache_.emplace("XDG_CACHE_HOME", Path("cache"));
    }
    void TearDown() override {
        home_.reset();
        config_.reset();
        cache_.reset();
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
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
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

private:
    std::string root_;
    std::optional<ScopedEnv> home_, config_, cache_;
};

} // namespace orvane::testing
