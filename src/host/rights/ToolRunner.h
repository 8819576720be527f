// Running a system tool as a separate process: the argument vector goes to the tool as it
// stands (no shell ever sees it), what the tool writes is kept for the caller (never
// copied to the program's own output, which belongs to the front end), and the call
// returns only after the tool has exited.
#pragma once

#include "base/Types.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// An argument vector: element 0 is the tool's absolute path, the rest its arguments.
using ToolArguments = std::vector<std::string>;

// How a tool that started ended.
struct ToolRun {
    int exitCode = -1;      // the exit status, or -1 when the tool was killed by a signal
    int signal = 0;         // the signal that ended it, else 0
    std::string outputText; // the start of what it wrote to standard output (at most 4 KiB)
    std::string errorText;  // the start of what it wrote to standard error (at most 4 KiB)

    bool Succeeded() const { return signal == 0 && exitCode == 0; }
};

// Runs the tool and waits for it. The tool inherits the environment, and standard input
// unless `input` is given: then its standard input is a pipe that receives those bytes and
// then ends; no other descriptor of the program leaks into it. Both its outputs are read to the end
// (so that it never blocks on a full pipe) and their first 4 KiB kept in `run`.
//
// Returns the start status: noErr once the tool has started (whatever its exit status,
// which is in `run`); paramErr for an empty vector or a tool path that is not absolute
// (there is no search through PATH); fnfErr or permErr when it cannot be executed;
// memFullErr or ioErr when the process or its pipes cannot be made.
OSErr RunTool(const ToolArguments& argv, ToolRun& run, std::span<const uint8_t> input = {});

// Told while a tool runs, so that a window can keep painting and show that it waits: the
// question of polkit's agent can take as long as the user likes. Called on the thread that
// runs the tool, from inside RunTool.
class ToolWaitObserver {
public:
    virtual ~ToolWaitObserver() = default;
    // About every kToolWaitInterval while the tool has not ended; `first` on the first call
    // for a tool.
    virtual void ToolWaiting(bool first) = 0;
    // Once the tool has ended, after a run for which ToolWaiting was called.
    virtual void ToolEnded() = 0;
};

inline constexpr int kToolWaitIntervalMs = 50;

// The observer of every later run; null (the default) waits without telling anyone.
void SetToolWaitObserver(ToolWaitObserver* observer);
ToolWaitObserver* CurrentToolWaitObserver();

} // namespace orvane
