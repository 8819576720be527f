// orvane-install run as its callers run it, in a system root of the test's own: the folders
// and files it makes, and every kind of path and request it must refuse untouched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exit = -1;
    std::string out, err;
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
std::string File(const std::string& path, const std::string& bytes) {
    return "file " + std::to_string(bytes.size()) + " " + path + "\n" + bytes;
}
std::string Request(const std::string& entries) {
    return "orvane-install 1\n" + entries + "commit\n";
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-install-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        root_ = scratch_ + "/root";
        fs::create_directories(At("/etc/cups/ppd"));
        fs::create_directories(At("/var/lib"));
        ASSERT_EQ(chmod(At("/etc/cups/ppd").c_str(), 0755), 0);
        Write(At("/etc/cups/ppd/p.ppd"), "old text");
        ASSERT_EQ(chmod(At("/etc/cups/ppd/p.ppd").c_str(), 0640), 0);
        const group* lp = getgrnam("lp");
        lpGroup_ = lp ? lp->gr_gid : 1;
        if (geteuid() == 0) {
            ASSERT_EQ(chown(At("/etc/cups/ppd/p.ppd").c_str(), 0, lpGroup_), 0);
        }
    }
    void TearDown() override { fs::remove_all(scratch_); }

    std::string At(const std::string& path) const { return root_ + path; }

    // Runs the installer with the request on its input, as pkexec would (PKEXEC_UID set) or not.
    Result Install(const std::string& request, const std::string& shown, bool pkexec = false) {
        Write(scratch_ + "/request", request);
        const std::string command = "env -i ORVANE_ROOT='" + root_ + "' " +
                                    (pkexec ? "PKEXEC_UID=1000 " : "") + ORVANE_INSTALL_PATH +
                                    " '" + shown + "' <'" + scratch_ + "/request' >'" + scratch_ +
                                    "/out' 2>'" + scratch_ + "/err'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(scratch_ + "/out"),
                Read(scratch_ + "/err")};
    }

    // Every item below the root: its type, mode and owner, and a file's bytes or a link's
    // target.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> items;
        for (const auto& entry : fs::recursive_directory_iterator(root_)) {
            struct stat st {};
            lstat(entry.path().c_str(), &st);
            std::string& item = items[entry.path().string()];
            item = std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + ":" +
                   std::to_string(st.st_gid) + " ";
            item += entry.is_symlink()        ? fs::read_symlink(entry.path()).string()
                    : entry.is_regular_file() ? Read(entry.path())
                                              : "";
        }
        return items;
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st;
    }

    std::string scratch_, root_;
    gid_t lpGroup_ = 0;
};

TEST_F(InstallerTest, MakesTheGammaFoldersAndFiles) {
    const std::string vendor = At("/var/lib/Orvane"), nick = vendor + "/Tonevault/Office Jet";
    const Result run = Install(Request("mkdir " + vendor + "\nmkdir " + vendor + "/Tonevault\n" +
                                       "mkdir " + nick + "\n" + File(nick + "/PPDGAM", "block") +
                                       File(nick + "/._PPDGAM", "record")),
                               nick + "/PPDGAM");
    ASSERT_EQ(run.exit, 0) << run.err;
    for (const std::string& folder : {vendor, vendor + "/Tonevault", nick})
        EXPECT_EQ(Stat(folder).st_mode & 07777, 0775u) << folder;
    EXPECT_EQ(Read(nick + "/PPDGAM"), "block");
    EXPECT_EQ(Stat(nick + "/._PPDGAM").st_mode & 07777, 0664u);
}

TEST_F(InstallerTest, RefusesEveryOtherPathOrRequestChangingNothing) {
    const std::string ppd = At("/etc/cups/ppd/p.ppd");
    ASSERT_EQ(symlink("p.ppd", At("/etc/cups/ppd/link.ppd").c_str()), 0);
    fs::create_directories(At("/var/lib/Orvane/Tonevault"));
    fs::create_directories(At("/elsewhere"));
    ASSERT_EQ(symlink(At("/elsewhere").c_str(), At("/var/lib/Orvane/Tonevault/Linked").c_str()), 0);
    Write(At("/etc/cups/ppd/p.conf"), "not a PPD");
    const std::string linked = At("/var/lib/Orvane/Tonevault/Linked/PPDGAM");
    const auto one = [](const std::string& path) { return Request(File(path, "new")); };
    const struct {
        const char* what;
        std::string request, shown;
        int exit;
        bool pkexec = false;
    } cases[] = {
        {"symbolic link as target", one(At("/etc/cups/ppd/link.ppd")), At("/etc/cups/ppd/link.ppd"),
         3},
        {"symbolic link on the way", one(linked), linked, 3},
        {"outside the PPD folder", one(At("/etc/cups/p.ppd")), At("/etc/cups/p.ppd"), 3},
        {"dot-dot", one(At("/etc/cups/ppd/../ppd/p.ppd")), At("/etc/cups/ppd/../ppd/p.ppd"), 3},
        {"relative", one("etc/cups/ppd/p.ppd"), "etc/cups/ppd/p.ppd", 3},
        {"not a PPD", one(At("/etc/cups/ppd/p.conf")), At("/etc/cups/ppd/p.conf"), 3},
        {"missing PPD", one(At("/etc/cups/ppd/q.ppd")), At("/etc/cups/ppd/q.ppd"), 3},
        {"folder elsewhere", Request("mkdir " + At("/var/lib/Other") + "\n"), At("/var/lib/Other"),
         3},
        {"root moved under pkexec", one(ppd), ppd, 3, true},
        {"record of another PPD", Request(File(ppd, "a") + File(At("/etc/cups/ppd/._q.ppd"), "b")),
         ppd, 2},
        {"three files",
         Request(File(ppd, "a") + File(At("/etc/cups/ppd/._p.ppd"), "b") + File(ppd, "c")), ppd, 2},
        {"dialog shows another file", one(ppd), At("/etc/cups/ppd/q.ppd"), 2},
        {"bytes cut short", "orvane-install 1\nfile 99 " + ppd + "\nnew", ppd, 2},
        {"other version", "orvane-install 2\n" + File(ppd, "new") + "commit\n", ppd, 2},
    };
    const auto before = Snapshot();
    for (const auto& c : cases) {
        const Result run = Install(c.request, c.shown, c.pkexec);
        EXPECT_EQ(run.exit, c.exit) << c.what << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what;
        EXPECT_EQ(Snapshot(), before) << c.what;
    }
}

} // namespace
} // namespace orvane
