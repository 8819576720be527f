// Test helper: runs a piece of a test inside a given folder, so that a command a shell ran
// by mistake would leave its traces where the test looks for them.
#pragma once

#include <filesystem>
#include <string>

namespace orvane::testing {

class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ScopedWorkingFolder() { std::filesystem::current_path(previous_); }
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace orvane::testing
