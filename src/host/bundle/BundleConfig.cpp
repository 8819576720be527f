#include "host/bundle/BundleConfig.h"

#include "host/bundle/BundleLocation.h"
#include "host/text/TextConverter.h"

#include <cstring>
#include <optional>

namespace orvane {

namespace {

constexpr size_t kPStringWorkingBufferSize = 1024;

// Converts a UTF-8 value and stores it with its terminator, or leaves the buffer alone.
bool CopyConverted(const std::string& utf8, char* buffer, size_t bufferSize,
                   TextEncoding encoding) {
    if (!buffer || bufferSize == 0)
        return false;
    std::string converted;
    if (ConvertText(utf8, kTextEncodingUTF8, encoding, converted, bufferSize - 1) !=
        TextConversionStatus::ok)
        return false;
    std::memcpy(buffer, converted.data(), converted.size());
    buffer[converted.size()] = '\0';
    return true;
}

std::optional<std::string> InfoString(const char* key) {
    if (!key)
        return std::nullopt;
    PropertyListDict info;
    if (!info.LoadFile(BundleInfoPlistPath()))
        return std::nullopt;
    return info.StringValue(key);
}

} // namespace

bool getStringFromPlist(char* buffer, size_t bufferSize, const char* key, TextEncoding encoding) {
    if (!buffer || bufferSize == 0)
        return false;
    const std::optional<std::string> value = InfoString(key);
    return value && CopyConverted(*value, buffer, bufferSize, encoding);
}

bool getPStringFromPlist(StringPtr out, const char* key) {
    if (!out)
        return false;
    const TextEncoding encoding = ApplicationTextEncoding();
    char buffer[kPStringWorkingBufferSize];
    if (!getStringFromPlist(buffer, sizeof buffer, key, encoding))
        return false;
    const std::string_view text(buffer, std::strlen(buffer));
    const size_t kept = CompleteCharacterPrefix(text, 255, encoding);
    out[0] = static_cast<unsigned char>(kept);
    std::memcpy(out + 1, text.data(), kept);
    return true;
}

bool getPreferencesFileName(StringPtr out) {
    return getPStringFromPlist(out, "Preferences File Name");
}

bool getOemName(char* buffer, size_t bufferSize) {
    return getStringFromPlist(buffer, bufferSize, "OEM Name", kTextEncodingUTF8);
}

bool getCFArrayFromPlist(std::vector<std::string>& out, const char* key) {
    if (!key)
        return false;
    PropertyListDict info;
    if (!info.LoadFile(BundleInfoPlistPath()))
        return false;
    std::optional<std::vector<std::string>> items = info.StringArrayValue(key);
    if (!items)
        return false;
    out = std::move(*items);
    return true;
}

OSErr getPlistDict(PropertyListDict& out, const char* fileName) {
    if (!fileName)
        return noErr;
    const std::string path = FindBundleResource(fileName, "plist");
    if (!path.empty())
        out.LoadFile(path);
    return noErr;
}

std::optional<std::string> SharedPPDText(const char* key) {
    PropertyListDict shared;
    const std::string path = BundleDirectory() + "/Resources/PPD.plist";
    if (!key || !shared.LoadFile(path))
        return std::nullopt;
    return shared.StringValue(key);
}

std::optional<std::string> PPDTextFor(const std::string& language, const char* key) {
    const bool plain =
        !language.empty() && language.size() <= 16 &&
        language.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                   "ABCDEFGHIJKLMNOPQRSTUVWXYZ_-") == std::string::npos;
    PropertyListDict localized;
    if (!key || !plain ||
        !localized.LoadFile(BundleDirectory() + "/Resources/" + language +
                            ".lproj/PPDLocalized.plist"))
        return std::nullopt;
    return localized.StringValue(key);
}

bool getStringFromPPDPlist(char* buffer, size_t bufferSize, const char* key,
                           TextEncoding encoding) {
    if (!buffer || bufferSize == 0 || !key)
        return false;
    PropertyListDict localized, shared;
    getPlistDict(localized, "PPDLocalized");
    getPlistDict(shared, "PPD");
    std::optional<std::string> value = localized.StringValue(key);
    if (!value)
        value = shared.StringValue(key);
    return value && CopyConverted(*value, buffer, bufferSize, encoding);
}

} // namespace orvane
