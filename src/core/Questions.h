// The confirmation questions: caution alerts whose item 1 confirms. 1009 asks whether to
// write the PPD's changed settings first, 1011 whether to replace a setting of the same
// name, 1012 whether to write the changed registered settings. The question's text is
// 'STR ' with the alert's ID; "^1" in it stands for the setting or PPD concerned.
#pragma once

#include "base/Types.h"
#include "core/State.h"

#include <string>
#include <string_view>

namespace orvane {

// The question's text (UTF-8) with `subject` (UTF-8) put in place of "^1"; empty when the
// resource is missing.
std::string QuestionText(GlueRec* glue, int16_t alertID, std::string_view subject);

// Shows the question (its text as parameter ^0, the subject as ^1) and returns true when
// the user confirmed with item 1.
bool AskQuestion(GlueRec* glue, int16_t alertID, std::string_view subject);

} // namespace orvane
