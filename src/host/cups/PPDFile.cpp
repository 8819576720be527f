#include "host/cups/PPDFile.h"

// libcups marks its PPD interface deprecated; it is still the only PPD parser the
// printing system ships, and this file is its one user.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace orvane {

namespace {
ppd_file_t* File(void* p) {
    return static_cast<ppd_file_t*>(p);
}
} // namespace

CupsPPD::CupsPPD(const std::string& path) : ppd_(ppdOpenFile(path.c_str())) {}

CupsPPD::~CupsPPD() {
    if (ppd_)
        ppdClose(File(ppd_));
}

std::optional<std::string> CupsPPD::Attribute(const char* name) const {
    if (!ppd_ || !name)
        return std::nullopt;
    ppd_attr_t* attr = ppdFindAttr(File(ppd_), name, nullptr);
    if (!attr || !attr->value)
        return std::nullopt;
    return std::string(attr->value);
}

std::string CupsPPD::Nickname() const {
    return ppd_ && File(ppd_)->nickname ? File(ppd_)->nickname : "";
}

std::string CupsPPD::ShortNickname() const {
    return ppd_ && File(ppd_)->shortnickname ? File(ppd_)->shortnickname : "";
}

std::vector<std::string> CupsPPD::OptionChoices(const char* keyword) const {
    std::vector<std::string> choices;
    if (!ppd_)
        return choices;
    ppd_option_t* option = ppdFindOption(File(ppd_), keyword);
    if (!option)
        return choices;
    for (int i = 0; i < option->num_choices; ++i)
        choices.emplace_back(option->choices[i].choice);
    return choices;
}

std::string CupsPPD::ChoiceText(const char* keyword, const char* choice) const {
    if (!ppd_)
        return "";
    ppd_option_t* option = ppdFindOption(File(ppd_), keyword);
    ppd_choice_t* c = option ? ppdFindChoice(option, choice) : nullptr;
    return c ? c->text : "";
}

std::string CupsPPD::ChoiceCode(const char* keyword, const char* choice) const {
    if (!ppd_)
        return "";
    ppd_option_t* option = ppdFindOption(File(ppd_), keyword);
    ppd_choice_t* c = option ? ppdFindChoice(option, choice) : nullptr;
    return c && c->code ? c->code : "";
}

std::optional<std::string> CupsPPD::AttributeText(const char* name, const char* spec) const {
    if (!ppd_ || !name || !spec)
        return std::nullopt;
    ppd_attr_t* attr = ppdFindAttr(File(ppd_), name, spec);
    if (!attr)
        return std::nullopt;
    return std::string(attr->text);
}

} // namespace orvane

#pragma GCC diagnostic pop
