#include "cli/CliQuestions.h"

#include "cli/CliMessages.h"

namespace orvane {

namespace {

constexpr int16_t kConfirmItem = 1;
constexpr int16_t kDeclineItem = 2;

} // namespace

int16_t CliAlertHost::Show(const AlertRequest& request) {
    const std::string& text = request.params[0];
    switch (request.alertID) {
    case kReplaceAlertID:
        if (replace_)
            return kConfirmItem;
        declinedReplace_ = true;
        declinedQuestion_ = text;
        return kDeclineItem;
    case kErrorAlertID:
        ++errorsShown_;
        std::fprintf(messages_, "orvanectl: %s\n", text.c_str());
        return kConfirmItem;
    default:
        // 1009 and 1012 (write unsaved changes first?) cannot arise in a run of one command
        // that saves at once; declining writes nothing the command did not ask for.
        return kDeclineItem;
    }
}

} // namespace orvane
