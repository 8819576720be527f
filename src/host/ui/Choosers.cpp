#include "host/ui/Choosers.h"

namespace orvane {

namespace {

// Without a front end nobody can answer: every question is cancelled.
class CancellingFileChooser final : public FileChooser {
public:
    FileChooserAnswer ChooseFile(const FileChooserRequest&) override { return {}; }
};

class CancellingNameAsker final : public NameAsker {
public:
    std::optional<std::string> AskName(const std::string&) override { return std::nullopt; }
};

CancellingFileChooser gCancellingChooser;
CancellingNameAsker gCancellingAsker;
FileChooser* gChooser = &gCancellingChooser;
NameAsker* gAsker = &gCancellingAsker;

} // namespace

FileChooser& CurrentFileChooser() {
    return *gChooser;
}
NameAsker& CurrentNameAsker() {
    return *gAsker;
}

ScopedFileChooser::ScopedFileChooser(FileChooser& chooser) : previous_(gChooser) {
    gChooser = &chooser;
}
ScopedFileChooser::~ScopedFileChooser() {
    gChooser = previous_;
}

ScopedNameAsker::ScopedNameAsker(NameAsker& asker) : previous_(gAsker) {
    gAsker = &asker;
}
ScopedNameAsker::~ScopedNameAsker() {
    gAsker = previous_;
}

FileChooserAnswer ScriptedFileChooser::ChooseFile(const FileChooserRequest& request) {
    requests_.push_back(request);
    if (answers_.empty())
        return {};
    FileChooserAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.folderPath.empty())
        answer.folderPath = request.startFolder;
    return answer;
}

std::optional<std::string> ScriptedNameAsker::AskName(const std::string& currentName) {
    asked_.push_back(currentName);
    if (answers_.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

} // namespace orvane
