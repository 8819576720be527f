#include "host/locale/Locale.h"

#include "host/folders/SystemRoot.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <langinfo.h>
#include <locale.h>

namespace orvane {

namespace {

const char* FirstSet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return nullptr;
}

// "ja_JP.UTF-8@x" -> "ja_JP"; "C", "POSIX" and nothing -> "en".
std::string LanguageRegionOf(const char* value) {
    if (!value)
        return "en";
    std::string code(value);
    code = code.substr(0, code.find_first_of(".@"));
    if (code.empty() || code == "C" || code == "POSIX")
        return "en";
    return code;
}

std::string LanguageRegion() {
    return LanguageRegionOf(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"}));
}

// "ja_JP" -> "ja", lower case.
std::string LanguageOf(const std::string& languageRegion) {
    std::string code = languageRegion.substr(0, languageRegion.find('_'));
    for (char& c : code)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return code.empty() ? "en" : code;
}

// LANG=... of a shell-style settings file (quotes allowed); empty when it has none.
std::string LangSetting(const std::string& path) {
    std::ifstream in(path);
    std::string line, value;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 5, "LANG=") != 0)
            continue;
        value = line.substr(start + 5);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
            value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
    }
    return value;
}

} // namespace

char HostDecimalPointCharacter() {
    // A private locale object, so that the process's own formatting (and every number the
    // program writes into files) stays in the C locale.
    locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (numeric == static_cast<locale_t>(0))
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
    char result = '.';
    if (radix && radix[0] != '\0' && radix[1] == '\0' &&
        static_cast<unsigned char>(radix[0]) < 0x80)
        result = radix[0];
    freelocale(numeric);
    return result;
}

std::string HostLanguageCode() {
    return LanguageOf(LanguageRegion());
}

std::string InstallationLanguageCode() {
    for (const char* file : {"/etc/default/locale", "/etc/locale.conf"}) {
        const std::string lang = LangSetting(UnderSystemRoot(file));
        if (!lang.empty())
            return LanguageOf(LanguageRegionOf(lang.c_str()));
    }
    return "en";
}

std::string HostLanguageRegionCode() {
    return LanguageRegion();
}

int16_t HostScriptCode() {
    return InstallationLanguageCode() == "ja" ? 1 : 0;
}

} // namespace orvane
