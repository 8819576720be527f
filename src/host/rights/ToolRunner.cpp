#include "host/rights/ToolRunner.h"

#include "host/files/PosixStatus.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvane {

namespace {

// Output is read in pieces of this size; the start of each output is kept.
constexpr size_t kPieceSize = 128;
constexpr size_t kMaxKeptText = 4096;

class Pipe {
public:
    Pipe() = default;
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int Open() { return pipe2(fds_, O_CLOEXEC) == 0 ? 0 : errno; }
    int ReadEnd() const { return fds_[0]; }
    int WriteEnd() const { return fds_[1]; }
    void CloseRead() { CloseOne(fds_[0]); }
    void CloseWrite() { CloseOne(fds_[1]); }

private:
    static void CloseOne(int& fd) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    int fds_[2] = {-1, -1};
};

class SpawnActions {
public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_)
            posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

// Reads what arrives on `fd`, keeping the start; returns false at end of file or on a read
// error.
bool ReadPiece(int fd, std::string& keep) {
    char piece[kPieceSize];
    ssize_t n;
    do {
        n = read(fd, piece, sizeof piece);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    if (keep.size() < kMaxKeptText)
        keep.append(piece, std::min(static_cast<size_t>(n), kMaxKeptText - keep.size()));
    return true;
}

ToolWaitObserver* gWaitObserver = nullptr;

// Tells the observer (if any) at most once per interval while a run waits.
class WaitTicker {
public:
    WaitTicker() : observer_(gWaitObserver), last_(std::chrono::steady_clock::now()) {}
    ~WaitTicker() {
        if (observer_ && told_)
            observer_->ToolEnded();
    }
    WaitTicker(const WaitTicker&) = delete;
    WaitTicker& operator=(const WaitTicker&) = delete;

    int PollTimeout() const { return observer_ ? kToolWaitIntervalMs : -1; }
    void Tick() {
        if (!observer_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(kToolWaitIntervalMs))
            return;
        last_ = now;
        observer_->ToolWaiting(!told_);
        told_ = true;
    }

private:
    ToolWaitObserver* observer_;
    std::chrono::steady_clock::time_point last_;
    bool told_ = false;
};

} // namespace

void SetToolWaitObserver(ToolWaitObserver* observer) {
    gWaitObserver = observer;
}
ToolWaitObserver* CurrentToolWaitObserver() {
    return gWaitObserver;
}

OSErr RunTool(const ToolArguments& argv, ToolRun& run) {
    run = ToolRun{};
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/')
        return paramErr;

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    Pipe output;
    Pipe errors;
    if (int error = output.Open())
        return StatusFromErrno(error);
    if (int error = errors.Open())
        return StatusFromErrno(error);

    SpawnActions actions;
    if (!actions.ok())
        return memFullErr;
    if (posix_spawn_file_actions_adddup2(actions.get(), output.WriteEnd(), STDOUT_FILENO) != 0 ||
        posix_spawn_file_actions_adddup2(actions.get(), errors.WriteEnd(), STDERR_FILENO) != 0)
        return memFullErr;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Files the program has open (a PPD, a catalogue) must not reach a privileged tool.
    if (posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1) != 0)
        return memFullErr;
#endif

    pid_t pid = -1;
    if (int error = posix_spawn(&pid, args[0], actions.get(), nullptr, args.data(), environ))
        return StatusFromErrno(error);
    output.CloseWrite();
    errors.CloseWrite();

    // Read both pipes to the end, so that a tool that fills one of them never blocks.
    WaitTicker ticker;
    bool outputOpen = true;
    bool errorsOpen = true;
    while (outputOpen || errorsOpen) {
        pollfd fds[2] = {{outputOpen ? output.ReadEnd() : -1, POLLIN, 0},
                         {errorsOpen ? errors.ReadEnd() : -1, POLLIN, 0}};
        int ready = poll(fds, 2, ticker.PollTimeout());
        ticker.Tick();
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (outputOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            outputOpen = ReadPiece(output.ReadEnd(), run.outputText);
        if (errorsOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            errorsOpen = ReadPiece(errors.ReadEnd(), run.errorText);
    }
    output.CloseRead();
    errors.CloseRead();

    int status = 0;
    pid_t waited;
    // A tool may close its outputs before it ends; the window goes on painting meanwhile.
    const int options = ticker.PollTimeout() < 0 ? 0 : WNOHANG;
    for (;;) {
        waited = waitpid(pid, &status, options);
        if (waited < 0 && errno == EINTR)
            continue;
        if (waited != 0)
            break;
        poll(nullptr, 0, 10);
        ticker.Tick();
    }
    if (waited == pid) {
        if (WIFEXITED(status)) {
            run.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            run.signal = WTERMSIG(status);
        }
    }
    return noErr;
}

} // namespace orvane
