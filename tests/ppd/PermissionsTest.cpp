// How a save reaches the chosen PPD and its record (by this process or through the
// installer), what that does to the files' modes, and the plain mode and file helpers. The
// scripted backend stands in for the password dialog; permission bits do not stop root, so
// "not writable" comes from a seam.
#include "ppd/Permissions.h"

#include "host/files/FileCommit.h"
#include "ppd/GoldenBytes.h"
#include "ppd/PPDTestSupport.h"

#include <gmock/gmock.h>

#include <algorithm>

using namespace orvane;
using namespace orvane::testing;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Paths named here are "not writable" for the code under test.
std::vector<std::string> gUnwritable;
bool ProbeWritable(const std::string& path) {
    return std::find(gUnwritable.begin(), gUnwritable.end(), path) == gUnwritable.end();
}

const std::string kPPD = "*PPD-Adobe: \"4.3\"\n*NickName: \"Quillmark\"\n*ColorDevice: True\n"
                         "*OpenUI *ColorModel/Color Model: PickOne\n*CloseUI: *ColorModel\n";

class PermissionsTest : public PPDFolderTest {
protected:
    void SetUp() override {
        PPDFolderTest::SetUp();
        gUnwritable.clear();
    }
    WriteRoute Route() {
        WriteRoute route = WriteRoute::Installer;
        EXPECT_EQ(check_permission_PPD(glue(), &route), noErr);
        return route;
    }
    ScopedWritableProbe probe_{ProbeWritable};
};

} // namespace

// Direct only where this process may make files in the folder; a link planted in the place
// of the record, or a name the installer's request cannot carry, is refused before anyone
// is asked.
TEST_F(PermissionsTest, TheRouteIsChosenWithoutAskingAndRefusesWhatCannotBeWrittenSafely) {
    const std::string ppd = ChoosePPD("plain.ppd", kPPD);
    EXPECT_EQ(Route(), WriteRoute::Direct);
    gUnwritable = {ppdDir()};
    EXPECT_EQ(Route(), WriteRoute::Installer);
    WriteFile(Path("elsewhere"), "");
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), SidecarPath(ppd).c_str()), 0);
    WriteRoute route;
    EXPECT_EQ(check_permission_PPD(glue(), &route), permErr) << "a planted record link";
    ChoosePPD("two\nlines.ppd", kPPD);
    EXPECT_EQ(Save(ListOf({GammaSetting("Soft", {180})})).status, bdNamErr);
    EXPECT_EQ(rights().requests(), 0);
    EXPECT_EQ(ReadFile(Path("elsewhere")), "");
}

// A save through the installer writes what a direct save writes, asks once, keeps the
// files' modes (never opening them to others), and hands names that a shell would take
// apart to nobody's shell: a shell would leave an "x" in the working folder.
struct HostileCase {
    const char* label;
    const char* name;
};

class InstallerRouteTest : public PermissionsTest,
                           public ::testing::WithParamInterface<HostileCase> {};

TEST_P(InstallerRouteTest, WritesTheSameBytesOnceAskedKeepingTheModes) {
    struct WorkingFolder {
        std::filesystem::path previous = std::filesystem::current_path();
        ~WorkingFolder() { std::filesystem::current_path(previous); }
    } here;
    std::filesystem::current_path(root());
    const PPDTone4Rec list = ListOf({GammaSetting("Soft", {180}), GammaSetting("Hard", {60})});
    const std::string direct = ChoosePPD("direct.ppd", kPPD);
    ASSERT_EQ(Save(list).status, noErr);
    ASSERT_EQ(rights().requests(), 0);

    const std::string ppd = ChoosePPD(GetParam().name, kPPD);
    ASSERT_EQ(chmod(ppd.c_str(), 0640), 0);
    gUnwritable = {ppdDir()};
    *state()->ppdSaved = ListOf({});
    state()->ppdRecordDigest = kAbsentDigest;
    const SaveOutcome outcome = Save(list);
    ASSERT_EQ(outcome.status, noErr) << outcome.messageParam;
    EXPECT_EQ(rights().requests(), 1);
    EXPECT_EQ(rights().runs().size(), 1u) << "the installer, once";
    EXPECT_TRUE(SameBytes(ReadFile(direct), ReadFile(ppd)));
    EXPECT_EQ(ReadFile(SidecarPath(direct)), ReadFile(SidecarPath(ppd)));
    EXPECT_EQ(ModeOf(ppd), 0640u);
    EXPECT_EQ(ModeOf(SidecarPath(ppd)), 0640u) << "a new record takes the PPD's mode";

    // Emptying the list gives back the bytes and keeps the mode.
    ASSERT_EQ(Save(ListOf({})).status, noErr);
    EXPECT_TRUE(SameBytes(kPPD, ReadFile(ppd)));
    EXPECT_EQ(ModeOf(ppd), 0640u);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root())) {
        EXPECT_NE(entry.path().filename(), "x") << entry.path();
        if (entry.is_regular_file()) {
            EXPECT_EQ(ModeOf(entry.path()) & 0002, 0u) << entry.path();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ShellSyntax, InstallerRouteTest,
    ::testing::Values(HostileCase{"Plain", "Quillmark_ColorPage_5.ppd"},
                      HostileCase{"QuotesAndSpaces", "with \"double\" 'single' spaces.ppd"},
                      HostileCase{"CommandSubstitution", "semi;touch x $(touch x) `touch x`.ppd"},
                      HostileCase{"BackslashAndVariable", "back\\slash $HOME.ppd"}),
    [](const auto& p) { return std::string(p.param.label); });

// "-R g+w" is two arguments to chmod; a file's sidecar gets its mode too; nothing is ever
// opened to others, and a path that could pass for an option is refused.
TEST_F(PermissionsTest, ModeChangesReachTreesAndSidecarsButNeverOthers) {
    MakeFolder(Path("tree/inner"));
    WriteFile(Path("tree/inner/file"), "");
    WriteFile(SidecarPath(Path("tree/inner/file")), "");
    for (const char* path : {"tree/inner/file", "tree/inner/._file", "tree/inner", "tree"})
        chmod(Path(path).c_str(), Path(path).find("file") == std::string::npos ? 0700 : 0600);
    const FSSpec tree = SpecFor(Path("tree"));
    EXPECT_EQ(SetPermissionMode(&tree, "-R g+w"), noErr);
    EXPECT_EQ(SetPermissionModeForPath(Path("tree/inner/file").c_str(), "g+r"), noErr);
    for (const char* opening : {"o+w", "go+w", "a=rw", "+w", "  "})
        EXPECT_EQ(SetPermissionMode(&tree, opening), paramErr) << opening;
    EXPECT_EQ(ModeOf(Path("tree")), 0720u);
    EXPECT_EQ(ModeOf(Path("tree/inner/file")), 0660u);
    EXPECT_EQ(ModeOf(Path("tree/inner/._file")), 0660u);
    EXPECT_EQ(SetPermissionModeForPath("tree", "g+w"), paramErr);
    for (const char* bad : {"relative/folder", "-rf"})
        EXPECT_EQ(checkAuth(glue(), bad), paramErr) << bad;
}
