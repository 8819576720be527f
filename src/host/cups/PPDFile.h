// The one adapter over libcups' PPD reader. Everything the program learns about a PPD's
// attributes goes through here, so the deprecated libcups PPD interface is confined to
// this file's implementation.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A PPD opened by libcups for reading attributes; closed by the destructor.
class CupsPPD {
public:
    explicit CupsPPD(const std::string& path);
    ~CupsPPD();
    CupsPPD(const CupsPPD&) = delete;
    CupsPPD& operator=(const CupsPPD&) = delete;

    // False when libcups could not open or parse the file as a PPD.
    bool IsOpen() const { return ppd_ != nullptr; }
    // The value of the first attribute with this main keyword (no specifier); nothing when
    // absent or when the file is not open.
    std::optional<std::string> Attribute(const char* name) const;
    // libcups' nickname and short nickname fields ("" when unset).
    std::string Nickname() const;
    std::string ShortNickname() const;

    // For checking what the printing system makes of an option: its choices' keywords, in
    // file order (empty when the option does not exist).
    std::vector<std::string> OptionChoices(const char* keyword) const;
    // The translation text of a choice ("" when it has none or does not exist).
    std::string ChoiceText(const char* keyword, const char* choice) const;
    std::string ChoiceCode(const char* keyword, const char* choice) const;
    // The translation string of the first attribute with this keyword and specifier, such
    // as a localisation line ("en.Duplex", "None"); nothing when absent. libcups keeps only
    // the localisation lines of the language current when the file was opened.
    std::optional<std::string> AttributeText(const char* name, const char* spec) const;

private:
    void* ppd_ = nullptr; // ppd_file_t*
};

} // namespace orvane
