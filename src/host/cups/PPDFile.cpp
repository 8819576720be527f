#include "host/cups/PPDFile.h"

// libcups marks its PPD interface deprecated; it is still the only PPD parser the
// printing system ships, and this file is its one user.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>
#include <dlfcn.h>
#include <type_traits>

namespace orvane {

namespace {

ppd_file_t* File(void* p) {
    return static_cast<ppd_file_t*>(p);
}

// libcups is opened when the first PPD is parsed, not when the program starts: it brings
// some twenty libraries (TLS, Kerberos, service discovery) whose loading would triple the
// time the window takes to appear, and most starts parse no PPD at all. A libcups that
// cannot be opened leaves every PPD unparsed, as an unreadable one is.
struct CupsLibrary {
    decltype(&ppdOpenFile) openFile = nullptr;
    decltype(&ppdClose) close = nullptr;
    decltype(&ppdFindAttr) findAttr = nullptr;
    decltype(&ppdFindOption) findOption = nullptr;
    decltype(&ppdFindChoice) findChoice = nullptr;
};

const CupsLibrary& Cups() {
    static const CupsLibrary library = [] {
        CupsLibrary cups;
        void* handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return cups;
        const auto find = [handle](auto& function, const char* name) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            return function != nullptr;
        };
        if (!(find(cups.openFile, "ppdOpenFile") && find(cups.close, "ppdClose") &&
              find(cups.findAttr, "ppdFindAttr") && find(cups.findOption, "ppdFindOption") &&
              find(cups.findChoice, "ppdFindChoice")))
            cups.openFile = nullptr; // all or nothing
        return cups;
    }();
    return library;
}

} // namespace

CupsPPD::CupsPPD(const std::string& path)
    : ppd_(Cups().openFile ? Cups().openFile(path.c_str()) : nullptr) {}

CupsPPD::~CupsPPD() {
    if (ppd_)
        Cups().close(File(ppd_));
}

std::optional<std::string> CupsPPD::Attribute(const char* name) const {
    if (!ppd_ || !name)
        return std::nullopt;
    ppd_attr_t* attr = Cups().findAttr(File(ppd_), name, nullptr);
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
    ppd_option_t* option = Cups().findOption(File(ppd_), keyword);
    if (!option)
        return choices;
    for (int i = 0; i < option->num_choices; ++i)
        choices.emplace_back(option->choices[i].choice);
    return choices;
}

std::string CupsPPD::ChoiceText(const char* keyword, const char* choice) const {
    if (!ppd_)
        return "";
    ppd_option_t* option = Cups().findOption(File(ppd_), keyword);
    ppd_choice_t* c = option ? Cups().findChoice(option, choice) : nullptr;
    return c ? c->text : "";
}

std::string CupsPPD::ChoiceCode(const char* keyword, const char* choice) const {
    if (!ppd_)
        return "";
    ppd_option_t* option = Cups().findOption(File(ppd_), keyword);
    ppd_choice_t* c = option ? Cups().findChoice(option, choice) : nullptr;
    return c && c->code ? c->code : "";
}

std::optional<std::string> CupsPPD::AttributeText(const char* name, const char* spec) const {
    if (!ppd_ || !name || !spec)
        return std::nullopt;
    ppd_attr_t* attr = Cups().findAttr(File(ppd_), name, spec);
    if (!attr)
        return std::nullopt;
    return std::string(attr->text);
}

} // namespace orvane

#pragma GCC diagnostic pop
