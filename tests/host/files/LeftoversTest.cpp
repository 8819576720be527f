// What a killed replacement leaves beside a file is removed by the next run, and nothing
// that is not provably the program's own.
#include "host/files/SafeWrite.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <set>

namespace orvane::testing {
namespace {

class LeftoverTemporaries : public TempRoot {};

TEST_F(LeftoverTemporaries, OnlyTheProgramsOwnOfThatNameGo) {
    const std::string folder = Path("prefs");
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/Orvane Preferences";
    for (const char* name : {"Orvane Preferences", ".Orvane Preferences.orvane-a1B2c3",
                             ".Orvane Preferences.orvane-Zz9Yy8", ".Orvane Preferences.orvane-x",
                             ".Other.orvane-a1B2c3", "notes.orvane-a1B2c3"})
        std::ofstream(folder + "/" + name) << "x";
    std::filesystem::create_directory(folder + "/.Orvane Preferences.orvane-D1r3ct");
    std::filesystem::create_symlink(target, folder + "/.Orvane Preferences.orvane-L1nk00");

    EXPECT_EQ(RemoveLeftoverTemporaries(target), 2);
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"Orvane Preferences", ".Orvane Preferences.orvane-x",
                                           ".Other.orvane-a1B2c3", "notes.orvane-a1B2c3",
                                           ".Orvane Preferences.orvane-D1r3ct",
                                           ".Orvane Preferences.orvane-L1nk00"}));
    EXPECT_EQ(RemoveLeftoverTemporaries(folder + "/missing/file"), 0);
}

} // namespace
} // namespace orvane::testing
