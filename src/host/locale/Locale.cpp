#include "host/locale/Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
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
std::string LanguageRegion() {
    const char* value = FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (!value)
        return "en";
    std::string code(value);
    code = code.substr(0, code.find_first_of(".@"));
    if (code.empty() || code == "C" || code == "POSIX")
        return "en";
    return code;
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
    std::string code = LanguageRegion();
    code = code.substr(0, code.find('_'));
    for (char& c : code)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return code.empty() ? "en" : code;
}

std::string HostLanguageRegionCode() {
    return LanguageRegion();
}

int16_t HostScriptCode() {
    return HostLanguageCode() == "ja" ? 1 : 0;
}

} // namespace orvane
