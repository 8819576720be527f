#include "host/ui/Choosers.h"

namespace orvane {

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
