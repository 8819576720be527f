// The two questions the program asks with a small window of its own: which file (the open
// panel or get-file dialog of the PPD choice) and which name (the Duplicate command's name
// dialog). Each returns an answer or a cancel. The GUI asks in windows; the command line
// and the tests install scripted answers, in the application state (HostServices).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

struct FileChooserRequest {
    std::string startFolder; // UTF-8 path; empty: the chooser's default place
    bool canChooseDirectories = false;
    bool canChooseFiles = true;
};

struct FileChooserAnswer {
    bool confirmed = false; // false: the user cancelled
    std::string folderPath; // UTF-8; the folder shown at the end, may be empty
    std::string filePath;   // UTF-8; the item chosen, empty when cancelled
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual FileChooserAnswer ChooseFile(const FileChooserRequest& request) = 0;
};

// A name for a setting, UTF-8 both ways. nullopt: cancelled. The answer is not limited in
// length; the caller refuses a name that cannot be stored.
class NameAsker {
public:
    virtual ~NameAsker() = default;
    virtual std::optional<std::string> AskName(const std::string& currentName) = 0;
};

// What the program uses when no front end installed a chooser: every question is cancelled.
class CancellingFileChooser final : public FileChooser {
public:
    FileChooserAnswer ChooseFile(const FileChooserRequest&) override { return {}; }
};
class CancellingNameAsker final : public NameAsker {
public:
    std::optional<std::string> AskName(const std::string&) override { return std::nullopt; }
};

// Answers from a queue, then cancels; records every request.
class ScriptedFileChooser final : public FileChooser {
public:
    void SetNextFile(std::string path) { answers_.push_back({true, {}, std::move(path)}); }
    void SetNextCancel() { answers_.push_back({false, {}, {}}); }
    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override;
    const std::vector<FileChooserRequest>& requests() const { return requests_; }

private:
    std::deque<FileChooserAnswer> answers_;
    std::vector<FileChooserRequest> requests_;
};

class ScriptedNameAsker final : public NameAsker {
public:
    void SetNextName(std::string name) { answers_.emplace_back(std::move(name)); }
    void SetNextCancel() { answers_.emplace_back(std::nullopt); }
    std::optional<std::string> AskName(const std::string& currentName) override;
    // The names the asker was started with, in order.
    const std::vector<std::string>& asked() const { return asked_; }

private:
    std::deque<std::optional<std::string>> answers_;
    std::vector<std::string> asked_;
};

} // namespace orvane
