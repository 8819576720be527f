#include "ppd/PPDRecognition.h"

#include "core/AppResources.h"
#include "host/bundle/BundleConfig.h"
#include "host/cups/PPDFile.h"
#include "host/files/HostPaths.h"
#include "host/memory/Memory.h"
#include "host/text/AppText.h"
#include "ppd/ToneBlock.h"
#include "support/DataFile.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <cstring>
#include <strings.h>
#include <vector>

namespace orvane {

namespace {

constexpr uint32_t kAttributePathSize = 1024;
constexpr uint32_t kNicknamePathSize = 4096;

OSErr PathOf(const FSSpec* spec, uint32_t size, std::string& path) {
    std::vector<char> buffer(size);
    const OSErr err = fSSpecToPath(spec, buffer.data(), size);
    if (err == noErr)
        path.assign(buffer.data());
    return err;
}

// Searches the whole file for a recognition text; -1 when absent.
OSErr FindText(MyOpenDataFileClass& file, ConstStringPtr text, bool* found) {
    const int32_t at = file.SearchData(text + 1, text[0]);
    if (at < 0 && file.lastError != noErr)
        return file.lastError;
    *found = at >= 0;
    return noErr;
}

OSErr Examine(GlueRec* glue, const FSSpec* spec, uint8_t* isPPD, uint16_t* ppdType) {
    OSType type = 0, creator = 0;
    OSErr err = MyGetFileTypeAndCreator(*spec, &type, &creator);
    if (err != noErr)
        return err;

    Str255 header;
    err = GetAppIndString(glue, kPPDTextListID, kPPDHeaderTextIndex, header);
    if (err != noErr)
        return err;

    MyOpenDataFileClass file;
    err = file.SetDataFile(*spec, 1);
    if (err != noErr)
        return err;
    uint8_t start[255];
    int32_t count = header[0];
    err = file.ReadTheData(start, 0, header[0], &count);
    if (err == eofErr || count < header[0])
        return noErr; // shorter than the header text: not a PPD
    if (err != noErr)
        return err;
    if (std::memcmp(start, header + 1, header[0]) != 0)
        return noErr;

    *isPPD = 1;
    Str255 cupsMarker;
    err = GetAppIndString(glue, kPPDCupsListID, kCupsPPDMarkerIndex, cupsMarker);
    if (err != noErr)
        return err;
    bool found = false;
    err = FindText(file, cupsMarker, &found);
    if (err != noErr)
        return err;
    *ppdType = found ? 1 : 0;
    ppd_type = *ppdType;

    Str255 supportedMarker;
    err = GetAppIndString(glue, kPPDTextListID, kSupportedPPDMarkerIndex, supportedMarker);
    if (err != noErr)
        return err;
    err = FindText(file, supportedMarker, &found);
    if (err != noErr)
        return err;
    *isPPD = found ? 1 : 0;
    if (found)
        return noErr;
    // The marker is the common spelling; PPD syntax also allows more spaces or a tab after
    // the colon ("*ColorDevice:<tab>True"), which libcups reads as the same value.
    char* colour = nullptr;
    if ((err = GetPPDAttribute(spec, "ColorDevice", &colour)) != noErr)
        return err;
    if (colour) {
        const bool isColour = strcasecmp(colour, "True") == 0;
        MyDisposePtr(colour);
        if (isColour) {
            *isPPD = 1;
            return noErr;
        }
    }

    std::vector<std::string> attributes;
    getCFArrayFromPlist(attributes, "Support PPD");
    for (const std::string& name : attributes) {
        std::string appName;
        if (Utf8ToAppText(name, kAttributePathSize - 1, appName) != TextConversionStatus::ok)
            continue;
        char* value = nullptr;
        // A file that cannot be read for its attributes is not judged by a guess.
        if ((err = GetPPDAttribute(spec, appName.c_str(), &value)) != noErr)
            return err;
        if (value) {
            MyDisposePtr(value);
            *isPPD = 1;
            break;
        }
    }
    return noErr;
}

} // namespace

OSErr PPDRefusalCode(GlueRec* glue, const FSSpec* spec) {
    Str255 header;
    MyOpenDataFileClass file;
    if (!spec || GetAppIndString(glue, kPPDTextListID, kPPDHeaderTextIndex, header) != noErr ||
        file.SetDataFile(*spec, 1) != noErr)
        return kNotAPPDFileCode;
    uint8_t start[255];
    int32_t count = header[0];
    if (file.ReadTheData(start, 0, header[0], &count) != noErr || count < header[0] ||
        std::memcmp(start, header + 1, header[0]) != 0)
        return kNotAPPDFileCode;
    char* colour = nullptr;
    if (GetPPDAttribute(spec, "ColorDevice", &colour) != noErr || !colour)
        return kNotSupportedPPDCode;
    const bool monochrome = strcasecmp(colour, "False") == 0;
    MyDisposePtr(colour);
    return monochrome ? OSErr{kMonochromePPDCode} : OSErr{kNotSupportedPPDCode};
}

OSErr CheckTargetFileIsPPDFile(GlueRec* glue, const FSSpec* spec, uint8_t* isPPD,
                               uint16_t* ppdType) {
    if (!spec || !isPPD)
        return paramErr;
    *isPPD = 0;
    uint16_t kind = 0;
    const OSErr err = Examine(glue, spec, isPPD, &kind);
    if (ppdType)
        *ppdType = kind;
    return err;
}

OSErr GetPPDAttribute(const FSSpec* spec, const char* name, char** value) {
    if (!spec || !name || !value)
        return paramErr;
    std::string path;
    const OSErr err = PathOf(spec, kAttributePathSize, path);
    if (err != noErr)
        return err;
    const CupsPPD ppd(path);
    const std::optional<std::string> found = ppd.Attribute(name);
    if (!found)
        return noErr;
    auto* copy = static_cast<char*>(MyNewPtrClear(found->size() + 1));
    if (!copy)
        return memFullErr;
    std::memcpy(copy, found->c_str(), found->size() + 1);
    *value = copy;
    return noErr;
}

OSErr GetPPDEncoding(const FSSpec* spec, TextEncoding* encoding) {
    if (!encoding)
        return paramErr;
    char* value = nullptr;
    if (const OSErr err = GetPPDAttribute(spec, "LanguageEncoding", &value); err != noErr)
        return err;
    if (!value) {
        *encoding = kTextEncodingISOLatin1;
        return noErr;
    }
    if (std::strcmp(value, "ISOLatin1") == 0)
        *encoding = kTextEncodingISOLatin1;
    else if (std::strcmp(value, "JIS83-RKSJ") == 0)
        *encoding = kTextEncodingMacJapanese;
    else if (std::strcmp(value, "UTF-8") == 0)
        *encoding = kTextEncodingUTF8;
    else
        *encoding = kTextEncodingMacRoman;
    MyDisposePtr(value);
    return noErr;
}

namespace {

TextEncoding EncodingNamed(std::string_view value) {
    if (value == "ISOLatin1")
        return kTextEncodingISOLatin1;
    if (value == "JIS83-RKSJ")
        return kTextEncodingMacJapanese;
    if (value == "UTF-8")
        return kTextEncodingUTF8;
    return kTextEncodingMacRoman;
}

} // namespace

TextEncoding PPDEncodingOfText(std::span<const uint8_t> text) {
    const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
    constexpr std::string_view kKeyword = "*LanguageEncoding:";
    for (size_t at = all.find(kKeyword); at != std::string_view::npos;
         at = all.find(kKeyword, at + 1)) {
        if (at != 0 && all[at - 1] != '\n' && all[at - 1] != '\r')
            continue;
        const size_t start = all.find_first_not_of(" \t", at + kKeyword.size());
        const size_t end = all.find_first_of(" \t\r\n", start);
        if (start == std::string_view::npos)
            break;
        return EncodingNamed(all.substr(start, end == std::string_view::npos ? end : end - start));
    }
    return kTextEncodingISOLatin1; // the PPD format's default, as GetPPDEncoding says
}

void GetPPDOptions(GlueRec* glue, const FSSpec* spec) {
    if (!glue || !spec)
        return;
    // Whatever this PPD names, the previous PPD's nickname (the folder of another printer's
    // gamma file) must not stay.
    glue->ppdNickname[0] = 0;
    std::string path;
    if (PathOf(spec, kNicknamePathSize, path) != noErr)
        return;
    const CupsPPD ppd(path);
    if (!ppd.IsOpen())
        return;
    std::string name = ppd.Nickname();
    if (name.empty())
        name = ppd.ShortNickname();
    if (name.empty())
        return;
    // Cut whole characters only: the nickname names a folder.
    TextEncoding encoding = kTextEncodingISOLatin1;
    if (GetPPDEncoding(spec, &encoding) != noErr)
        encoding = kTextEncodingISOLatin1;
    name.resize(CompleteCharacterPrefix(name, 255, encoding));
    PStrFromView(glue->ppdNickname, name);
}

} // namespace orvane
