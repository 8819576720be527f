#include "core/Questions.h"

#include "core/AppResources.h"
#include "host/alerts/AlertHost.h"
#include "host/text/AppText.h"
#include "host/text/TextEncoding.h"
#include "support/PString.h"

namespace orvane {

std::string QuestionText(GlueRec* glue, int16_t alertID, std::string_view subject) {
    Str255 text;
    if (GetAppString(glue, alertID, text) != noErr)
        return std::string();
    std::string question(PStrView(text));
    if (const size_t at = question.find("^1"); at != std::string::npos)
        question.replace(at, 2, subject);
    return question;
}

std::string FileNameForDisplay(ConstStringPtr fileName) {
    const std::string_view name = PStrView(fileName);
    std::string shown;
    if (Utf8ToAppText(name, 255, shown) != TextConversionStatus::ok)
        shown = std::string(name);
    return shown;
}

bool AskQuestion(GlueRec* glue, int16_t alertID, std::string_view subject) {
    const std::string question = QuestionText(glue, alertID, subject);
    // A parameter text holds 255 bytes; a longer one is cut at a character boundary.
    const auto fit = [](std::string_view text) {
        return text.substr(0, CompleteCharacterPrefix(text, 255, ApplicationTextEncoding()));
    };
    Str255 p0, p1;
    PStrFromView(p0, fit(question));
    PStrFromView(p1, fit(subject));
    ParamText(p0, p1, nullptr, nullptr);
    const int16_t item = CautionAlert(alertID);
    ParamText(nullptr, nullptr, nullptr, nullptr);
    return item == 1;
}

} // namespace orvane
