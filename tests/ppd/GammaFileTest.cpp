// The gamma file and its folders, made in the temporary system root with a temporary bundle
// that names the vendor. The scripted backend stands in for administrator rights.
#include "ppd/GammaFile.h"

#include "ppd/PPDTestSupport.h"
#include "support/FileHelpers.h"

#include <gmock/gmock.h>

#include <functional>

using namespace orvane;
using namespace orvane::testing;

namespace {

class GammaFileTest : public PPDFolderTest {
protected:
    void SetUp() override {
        PPDFolderTest::SetUp();
        bundle_.emplace("ORVANE_BUNDLE_DIR", Path("bundle"));
        SetOemName("Acme Print");
        oldMask_ = umask(022); // new items come out without group write, so the changes show
        glue()->osLevel = 2;
        rights().SetRunsTools(false);
    }
    void TearDown() override {
        umask(oldMask_);
        bundle_.reset();
        PPDFolderTest::TearDown();
    }

public: // for the table of cases below
    void SetOemName(const std::string& name) {
        MakeFolder(Path("bundle"));
        WriteFile(Path("bundle/Info.plist"),
                  "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>" +
                      (name.empty() ? "" : "<key>OEM Name</key><string>" + name + "</string>") +
                      "</dict></plist>\n");
    }
    OSErr Make(const std::string& nickname) {
        EXPECT_TRUE(PStrFromView(glue()->ppdNickname, nickname));
        return Make_gam_file(glue());
    }
    std::string Support() const { return Path("var/lib"); }
    std::string Tonevault() const { return Support() + "/Acme Print/Tonevault"; }
    std::string GammaPath(const std::string& folder) const {
        return Tonevault() + "/" + folder + "/PPDGAM";
    }
    std::string SpecPath() {
        std::string path;
        EXPECT_EQ(HostPathForFSSpec(glue()->gammaFileSpec, path), noErr);
        return path;
    }

private:
    std::optional<ScopedEnv> bundle_;
    mode_t oldMask_ = 0;
};

} // namespace

TEST_F(GammaFileTest, EachNicknameHasItsFolderAndAnEmptyOneNone) {
    ASSERT_EQ(Make("Printer One"), noErr);
    ASSERT_EQ(Make("Acme 1/2 Duplex"), noErr);
    EXPECT_EQ(SpecPath(), GammaPath("Acme 1:2 Duplex"));
    EXPECT_TRUE(Exists(GammaPath("Printer One")));
    // An empty nickname stops after the shared folders, with no gamma file at all rather
    // than the previous printer's.
    EXPECT_EQ(Make(""), kNoGammaFileCode);
    EXPECT_EQ(glue()->gammaFileSpec.name[0], 0);
    SetOemName("Acme/Print"); // through the same mapping
    ASSERT_EQ(Make("P"), noErr);
    EXPECT_EQ(SpecPath(), Support() + "/Acme:Print/Tonevault/P/PPDGAM");
    // A dangling link in the file's place is replaced.
    std::filesystem::remove(Support() + "/Acme:Print/Tonevault/P/PPDGAM");
    ASSERT_EQ(symlink("nowhere", (Support() + "/Acme:Print/Tonevault/P/PPDGAM").c_str()), 0);
    ASSERT_EQ(Make("P"), noErr);
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::symlink_status(Support() + "/Acme:Print/Tonevault/P/PPDGAM")));
}

TEST_F(GammaFileTest, WhatCannotBeMadeIsReportedWithoutAsking) {
    const std::pair<std::function<void(GammaFileTest&)>, OSErr> cases[] = {
        {[](GammaFileTest& t) { t.SetOemName(""); }, resNotFound},
        {[](GammaFileTest& t) { t.SetOemName(std::string(256, 'v')); }, bdNamErr},
        {[](GammaFileTest& t) { WriteFile(t.Tonevault(), "a file where a folder belongs"); },
         dupFNErr},
        {[](GammaFileTest& t) { MakeFolder(t.GammaPath("P")); }, dupFNErr},
        // The vendor folder can neither be found nor created, and its name is taken.
        {[](GammaFileTest& t) {
             ASSERT_EQ(symlink("nowhere", (t.Support() + "/Acme Print").c_str()), 0);
         },
         kGammaFolderUnavailableErr},
    };
    for (const auto& [setUp, expected] : cases) {
        std::filesystem::remove_all(Path("var"));
        MakeFolder(Support() + (expected == kGammaFolderUnavailableErr ? "" : "/Acme Print"));
        SetOemName("Acme Print");
        setUp(*this);
        EXPECT_EQ(Make("P"), expected);
    }
    EXPECT_EQ(rights().requests(), 0);
    glue()->osLevel = 1;
    EXPECT_EQ(Make_gam_file(glue()), paramErr);
}

TEST_F(GammaFileTest, VendorFolderInAClosedFolderIsMadeWithTheRights) {
    if (RunningAsRoot())
        GTEST_SKIP() << "root may create folders anywhere";
    MakeFolder(Support());
    chmod(Support().c_str(), 0555);
    // The scripted backend runs nothing, so the folder still is not there afterwards.
    EXPECT_EQ(Make("P"), kGammaFolderUnavailableErr);
    EXPECT_THAT(rights().runs(),
                ::testing::ElementsAre(
                    ToolArguments{"/usr/bin/id", "-un"},
                    ToolArguments{"/bin/mkdir", "-p", "-m", "go+w", Support() + "/Acme Print"}));
}

TEST(GammaFolderName, MapsWhatAFolderNameCannotHold) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"Plain Name (recommended)", "Plain Name (recommended)"},
        {"a/b/c", "a:b:c"},
        {"nul\0inside"s, "nul:inside"},
        {".", ":"},
        {"..", ":."},
        {"._sidecar-like", ":_sidecar-like"},
        {"x.y.", "x.y."},
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
    };
    for (const auto& [name, folder] : cases)
        EXPECT_EQ(GammaFolderName(name), folder) << name;
}
