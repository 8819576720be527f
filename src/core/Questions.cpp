#include "core/Questions.h"

#include "core/Alerts.h"
#include "core/AppResources.h"
#include "core/UiText.h"

namespace orvane {

std::string QuestionText(GlueRec* glue, int16_t alertID, std::string_view subject) {
    Str255 text;
    if (GetAppString(glue, alertID, text) != noErr)
        return std::string();
    std::string question = ResourceTextUtf8(text);
    if (const size_t at = question.find("^1"); at != std::string::npos)
        question.replace(at, 2, subject);
    return question;
}

bool AskQuestion(GlueRec* glue, int16_t alertID, std::string_view subject) {
    return CautionAlert(glue, alertID, QuestionText(glue, alertID, subject), subject) == 1;
}

} // namespace orvane
