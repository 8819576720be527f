// A PPD of the printing system (root:lp, 0640, in a 0755 folder) keeps its owner, group and
// mode, and so does its settings record, whichever way the rights to write it come: as
// root, as the user, or through pkexec (here a stand-in that runs what it is given).
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

#include <grp.h>

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

struct Owner {
    uid_t uid;
    gid_t gid;
    mode_t mode;
    bool operator==(const Owner&) const = default;
};

Owner OwnerOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return {st.st_uid, st.st_gid, st.st_mode & 07777};
}

class OwnershipTest : public SampleRootTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OwnershipTest, EveryBackendKeepsOwnerGroupAndModeOfThePPDAndItsRecord) {
    const std::string backend = GetParam();
    if (backend == "root" && !RunningAsRoot())
        GTEST_SKIP() << "the root backend serves root only";
    WriteFile(Path("pkexec"), "#!/bin/sh\nexec \"$@\"\n");
    ASSERT_EQ(chmod(Path("pkexec").c_str(), 0755), 0);
    const Environment rights = {{"ORVANE_ADMIN", backend},
                                {"ORVANE_PKEXEC", Path("pkexec")},
                                {"ORVANE_PPD_ROUTE", "installer"}}; // as for /etc/cups/ppd
    const auto run = [&](const std::vector<std::string>& args) {
        const CliResult result = Run(args, rights);
        EXPECT_EQ(result.exitStatus, 0) << args[0] << ": " << result.err;
    };

    const std::string ppd = PPDFolder() + "/Quillmark_ColorPage_5.ppd";
    ASSERT_EQ(chmod(PPDFolder().c_str(), 0755), 0);
    ASSERT_EQ(chmod(ppd.c_str(), 0640), 0);
    if (RunningAsRoot()) {
        const group* lp = getgrnam("lp");
        ASSERT_EQ(chown(ppd.c_str(), 0, lp ? lp->gr_gid : 7), 0);
    }
    const Owner before = OwnerOf(ppd);
    run({"add", "Alpha", "--all", "gamma:1.8"});
    run({"choose", "Quillmark_ColorPage_5.ppd"});
    run({"to-ppd", "Alpha"});
    EXPECT_NE(ReadFile(ppd).find("*OrvaneTone Tone1/"), std::string::npos);
    EXPECT_EQ(OwnerOf(ppd), before);
    EXPECT_EQ(OwnerOf(PPDFolder() + "/._Quillmark_ColorPage_5.ppd"), before)
        << "a new record takes the PPD's owner, group and mode";
    run({"delete", "Alpha", "--ppd"});
    EXPECT_EQ(OwnerOf(ppd), before);
    EXPECT_EQ(OwnerOf(PPDFolder()).mode, 0755u);
}

INSTANTIATE_TEST_SUITE_P(Backends, OwnershipTest, ::testing::Values("root", "user", "pkexec"),
                         [](const auto& p) { return std::string(p.param); });

} // namespace
} // namespace orvane::testing
