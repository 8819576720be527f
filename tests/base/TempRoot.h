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
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// While alive, the installation's default locale (its etc/default/locale, under a system
// root of its own given as ORVANE_ROOT) sets LANG to `lang`: what decides the encoding of
// stored names, whatever the caller's own locale.
class ScopedInstallationLanguage {
public:
    explicit ScopedInstallationLanguage(const std::string& lang) {
        std::string folder = (std::filesystem::temp_directory_path() / "orvane-locale-XXXXXX");
        if (mkdtemp(folder.data())) {
            folder_ = folder;
            std::filesystem::create_directories(folder_ + "/etc/default");
            std::ofstream(folder_ + "/etc/default/locale") << "LANG=\"" << lang << "\"\n";
        }
        EXPECT_FALSE(folder_.empty());
        root_.emplace("ORVANE_ROOT", folder_);
    }
    ~ScopedInstallationLanguage() {
        root_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScopedInstallationLanguage(const ScopedInstallationLanguage&) = delete;
    ScopedInstallationLanguage& operator=(const ScopedInstallationLanguage&) = delete;

private:
    std::string folder_;
    std::optional<ScopedEnv> root_;
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
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    }
    static void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

private:
    std::string root_;
    std::optional<ScopedEnv> home_, config_, cache_;
};

} // namespace orvane::testing
