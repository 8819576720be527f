#include "cli/SettingsListing.h"

#include "cli/CliMessages.h"
#include "cli/JsonWriter.h"
#include "core/UiText.h"
#include "support/PString.h"
#include "tone/ToneTables.h"

namespace orvane {

namespace {

constexpr const char* kInkNames[kInkCount] = {"cyan", "magenta", "yellow", "black"};
constexpr const char* kAllInksName = "all";

// Names from a foreign or damaged record may hold control bytes: never print them raw.
std::string NameText(const CMYKTone& tone) {
    return WithControlsEscaped(ToneNameUtf8(tone));
}

std::string NumberText(int32_t hundredths) {
    std::string text;
    AppendTransferNumber(text, hundredths);
    return text;
}

void WriteCurveJson(JsonWriter& json, const CToneInfo& curve) {
    json.BeginObject();
    json.Key("levels");
    json.BeginArray(true);
    for (size_t slot = 0; slot < kToneSlotCount; ++slot) {
        const int32_t level = curve.levels[slot]; // copied: the record is packed
        if (level == kNoPoint)
            json.Null();
        else
            json.Int(level);
    }
    json.EndArray();
    json.Key("gamma");
    if (curve.gamma == kNoGamma)
        json.Null();
    else
        json.Int(curve.gamma);
    json.EndObject();
}

void WriteSettingJson(JsonWriter& json, const CMYKTone& tone) {
    json.BeginObject();
    json.Key("name");
    json.String(NameText(tone));
    json.Key("sameCurve");
    json.Bool(tone.sameCurve != 0);
    json.Key("curves");
    json.BeginObject();
    for (int ink = 0; ink < kInkCount; ++ink) {
        json.Key(kInkNames[ink]);
        WriteCurveJson(json, tone.tone[ink]);
    }
    json.EndObject();
    json.EndObject();
}

void WriteSettingsJson(JsonWriter& json, std::span<const CMYKTone> tones) {
    json.BeginArray();
    for (const CMYKTone& tone : tones)
        WriteSettingJson(json, tone);
    json.EndArray();
}

void AppendCurveLine(std::string& out, const char* label, const CToneInfo& curve) {
    std::string line = "    ";
    line += label;
    line.append(10 - std::string_view(label).size(), ' ');
    line += CurveLevelsText(curve);
    if (curve.gamma != kNoGamma)
        line += "  gamma:" + NumberText(curve.gamma);
    out += line + '\n';
}

void AppendSettingsText(std::string& out, const char* title, std::span<const CMYKTone> tones,
                        int capacity) {
    out += title;
    out += " (" + std::to_string(tones.size()) + " of " + std::to_string(capacity) + ")";
    out += tones.empty() ? ": none\n" : ":\n";
    for (const CMYKTone& tone : tones) {
        out += "  " + NameText(tone);
        out += tone.sameCurve ? "  (one curve for all inks)\n" : "\n";
        if (tone.sameCurve) {
            AppendCurveLine(out, kAllInksName, tone.tone[kCyan]);
            continue;
        }
        for (int ink = 0; ink < kInkCount; ++ink)
            AppendCurveLine(out, kInkNames[ink], tone.tone[ink]);
    }
}

// The curves that have a table of their own: cyan alone when it serves all inks.
int TableCount(const CMYKTone& tone) {
    return tone.sameCurve ? 1 : kInkCount;
}
const char* TableName(const CMYKTone& tone, int index) {
    return tone.sameCurve ? kAllInksName : kInkNames[index];
}

OSErr MakeTables(const CMYKTone& tone, int32_t (&tables)[kInkCount][kTransferTableSize]) {
    for (int index = 0; index < TableCount(tone); ++index)
        if (const OSErr err = MakeTransferTable(tone.tone[index], tables[index]); err != noErr)
            return err;
    return noErr;
}

} // namespace

std::string CurveLevelsText(const CToneInfo& curve) {
    std::string text = "levels:";
    for (int slot = 0; slot < kToneSlotCount; ++slot) {
        if (slot > 0)
            text += ',';
        if (curve.levels[slot] != kNoPoint)
            AppendTransferNumber(text, curve.levels[slot]);
    }
    return text;
}

void AppendSettingsListingJson(std::string& out, const SettingsListing& listing) {
    JsonWriter json(out);
    json.BeginObject();
    json.Key("osLevel");
    json.Int(listing.osLevel);
    json.Key("ppd");
    if (listing.ppd) {
        json.BeginObject();
        json.Key("path");
        json.String(listing.ppd->path);
        json.Key("name");
        json.String(listing.ppd->name);
        json.Key("inText");
        json.Bool(listing.ppd->inText);
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("registered");
    WriteSettingsJson(json, listing.registered);
    json.Key("ppdSettings");
    WriteSettingsJson(json, listing.ppdSettings);
    json.EndObject();
}

void AppendSettingsListingText(std::string& out, const SettingsListing& listing) {
    out += "System level: " + std::to_string(listing.osLevel) + "\n\n";
    AppendSettingsText(out, "Registered settings", listing.registered, kMaxRegisteredTones);
    out += '\n';
    if (!listing.ppd) {
        out += "Chosen PPD: none\n";
        return;
    }
    out += "Chosen PPD: " + listing.ppd->name + "\n  " + listing.ppd->path + "\n";
    AppendSettingsText(out, "PPD settings", listing.ppdSettings, kMaxPPDTones);
    if (!listing.ppd->inText)
        out += "  (not in the PPD's text: the printer does not offer them until they are "
               "written again with to-ppd)\n";
}

OSErr AppendTransferTablesJson(std::string& out, const CMYKTone& tone) {
    int32_t tables[kInkCount][kTransferTableSize];
    if (const OSErr err = MakeTables(tone, tables); err != noErr)
        return err;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("name");
    json.String(NameText(tone));
    json.Key("tables");
    json.BeginObject();
    for (int index = 0; index < TableCount(tone); ++index) {
        json.Key(TableName(tone, index));
        json.BeginArray(true);
        for (const int32_t entry : tables[index])
            json.NumberText(NumberText(entry));
        json.EndArray();
    }
    json.EndObject();
    json.EndObject();
    return noErr;
}

OSErr AppendTransferTablesText(std::string& out, const CMYKTone& tone) {
    int32_t tables[kInkCount][kTransferTableSize];
    if (const OSErr err = MakeTables(tone, tables); err != noErr)
        return err;
    for (int index = 0; index < TableCount(tone); ++index) {
        out += TableName(tone, index);
        out += ":\n";
        char text[kTransferTableTextMaxLength];
        const char* end = FormatTransferTableText(text, tables[index]);
        out.append(text, static_cast<size_t>(end - text));
        out += '\n';
    }
    return noErr;
}

} // namespace orvane
