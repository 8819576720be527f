#include "ppd/ToneBlock.h"

#include "core/AppResources.h"
#include "host/bundle/BundleConfig.h"
#include "ppd/TextConversion.h"
#include "support/NumberText.h"
#include "support/PString.h"
#include "tone/ToneTables.h"

#include <cstring>
#include <string>

namespace orvane {

namespace {

class BlockWriter {
public:
    explicit BlockWriter(MyUnknownSizePtrClass& block) : block_(block) {}

    [[nodiscard]] OSErr Bytes(const void* bytes, size_t n) {
        return block_.Append(bytes, static_cast<uint32_t>(n));
    }
    [[nodiscard]] OSErr Text(std::string_view text) { return Bytes(text.data(), text.size()); }
    [[nodiscard]] OSErr PString(ConstStringPtr p) { return Bytes(p + 1, p[0]); }

    [[nodiscard]] OSErr Number(int32_t n) {
        Str255 digits;
        MyNumToString(n, digits);
        return PString(digits);
    }

private:
    MyUnknownSizePtrClass& block_;
};

#define RETURN_IF_ERROR(expr)                                                                      \
    do {                                                                                           \
        const OSErr err_ = (expr);                                                                 \
        if (err_ != noErr)                                                                         \
            return err_;                                                                           \
    } while (0)

// One required text: a missing or empty one is resNotFound.
OSErr LoadListText(const GlueRec* glue, int16_t list, int16_t index, std::string& out) {
    Str255 text;
    RETURN_IF_ERROR(GetAppIndString(glue, list, index, text));
    out = PStrToString(text);
    return noErr;
}

OSErr LoadPlistValue(const char* key, std::string& out) {
    char buffer[MaxUTF8StrLen];
    buffer[0] = '\0';
    if (!getStringFromPPDPlist(buffer, sizeof buffer, key, kTextEncodingUTF8) || buffer[0] == '\0')
        return resNotFound;
    out.assign(buffer, strnlen(buffer, sizeof buffer));
    return noErr;
}

// A name as it stands in the block: a translation text in which no marker of the block
// occurs, so that the next save finds the whole block again. An occurrence loses its first
// byte to the hexadecimal notation, which the printing system reads back as that byte.
std::string BlockNameText(std::string_view name, TextEncoding encoding, const PPDTexts& texts) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = PPDTranslationText(name, encoding);
    for (const std::string* marker :
         {&texts.list[kBlockBeginMarkerIndex], &texts.list[kBlockEndMarkerIndex]}) {
        if (marker->empty())
            continue;
        for (size_t at = text.find(*marker); at != std::string::npos;
             at = text.find(*marker, at + 1)) {
            const auto c = static_cast<unsigned char>(text[at]);
            text.replace(at, 1, std::string{'<', kHex[c >> 4], kHex[c & 0xF], '>'});
        }
    }
    return text;
}

OSErr AppendHeader(const PPDTexts& texts, uint16_t ppdType, BlockWriter& out,
                   TextEncoding ppdEncoding) {
    if (ppdType == 1) {
        RETURN_IF_ERROR(out.Text(texts.openUI));
        return out.Text(texts.orderDependency);
    }
    Str255 header, converted;
    if (!PStrFromView(header, texts.list[kBlockHeaderIndex]))
        return resNotFound;
    if (ConvAppLang_PPDLang(header, converted, ppdEncoding))
        return out.PString(converted);
    return out.PString(header);
}

OSErr AppendNumericName(const PPDTexts& texts, BlockWriter& out, int32_t entry) {
    RETURN_IF_ERROR(out.Text(texts.cupsList[kNumericNameIndex]));
    return out.Number(entry);
}

OSErr AppendEntryOpening(const PPDTexts& texts, uint16_t ppdType, BlockWriter& out,
                         const CMYKTone& tone, int32_t entry, TextEncoding ppdEncoding) {
    RETURN_IF_ERROR(out.Text(texts.list[kEntryStartIndex]));
    RETURN_IF_ERROR(out.Number(entry));
    Str255 converted;
    if (ppdType == 0) {
        if (ConvAppLang_PPDLang(tone.name, converted, ppdEncoding)) {
            RETURN_IF_ERROR(out.Text(texts.list[kEntryNameSeparatorIndex]));
            RETURN_IF_ERROR(out.Text(BlockNameText(PStrView(converted), ppdEncoding, texts)));
        } else {
            RETURN_IF_ERROR(AppendNumericName(texts, out, entry));
        }
    } else if (ppdEncoding == kTextEncodingUTF8 && ConvSys_UTF8(tone.name, converted)) {
        RETURN_IF_ERROR(out.Text("/"));
        RETURN_IF_ERROR(out.Text(BlockNameText(PStrView(converted), kTextEncodingUTF8, texts)));
    } else {
        RETURN_IF_ERROR(AppendNumericName(texts, out, entry));
    }
    return out.Text(texts.list[kEntryOpeningEndIndex]);
}

OSErr AppendChannelTable(const PPDTexts& texts, BlockWriter& out, const CToneInfo& curve) {
    int32_t table[kTransferTableSize];
    RETURN_IF_ERROR(MakeTransferTable(curve, table));
    char text[kTransferTableTextMaxLength];
    const char* end = FormatTransferTableText(text, table);
    RETURN_IF_ERROR(out.Text(texts.list[kTableStartIndex]));
    RETURN_IF_ERROR(out.Bytes(text, static_cast<size_t>(end - text)));
    return out.Text(texts.list[kTableEndIndex]);
}

OSErr AppendTranslationLine(const PPDTexts& texts, BlockWriter& out, const CMYKTone& tone,
                            int32_t entry) {
    // The language prefix is the folder name without its ".lproj" (six characters).
    const std::string& folder = texts.localizedFolder;
    if (folder.size() < 7)
        return resNotFound;
    RETURN_IF_ERROR(out.Text(texts.cupsList[kTranslationStartIndex]));
    RETURN_IF_ERROR(out.Bytes(folder.data(), folder.size() - 6));
    RETURN_IF_ERROR(out.Text(texts.cupsList[kTranslationNumberIndex]));
    RETURN_IF_ERROR(out.Number(entry));
    Str255 utf8;
    if (ConvSys_UTF8(tone.name, utf8)) {
        RETURN_IF_ERROR(out.Text("/"));
        RETURN_IF_ERROR(out.Text(BlockNameText(PStrView(utf8), kTextEncodingUTF8, texts)));
    } else {
        RETURN_IF_ERROR(AppendNumericName(texts, out, entry));
    }
    return out.Text(texts.cupsList[kTranslationEndIndex]);
}

} // namespace

OSErr LoadPPDTexts(const GlueRec* glue, PPDTexts& texts) {
    for (int16_t i = kPPDHeaderTextIndex; i < PPDTexts::kListSize; ++i) {
        if (i == kOneCurveTrailerFirst - 1 || i == kBlockEndIndex - 1)
            continue; // the two items nobody uses
        RETURN_IF_ERROR(LoadListText(glue, kPPDTextListID, i, texts.list[i]));
    }
    for (int16_t i = kCupsPPDMarkerIndex; i < PPDTexts::kCupsListSize; ++i)
        RETURN_IF_ERROR(LoadListText(glue, kPPDCupsListID, i, texts.cupsList[i]));
    Str255 text;
    RETURN_IF_ERROR(GetAppString(glue, kPPDCupsStringID, text));
    texts.cupsString = PStrToString(text);
    RETURN_IF_ERROR(GetAppString(glue, kLocalizedFolderStringID, text));
    texts.localizedFolder = PStrToString(text);
    RETURN_IF_ERROR(LoadPlistValue("OpenUI", texts.openUI));
    return LoadPlistValue("OrderDependency", texts.orderDependency);
}

uint16_t PPDLocalisationKind(std::span<const uint8_t> text, const PPDTexts& texts) {
    const std::string& marker = texts.cupsList[kCupsPPDMarkerIndex];
    if (marker.empty())
        return 0;
    const std::string_view view(reinterpret_cast<const char*>(text.data()), text.size());
    return view.find(marker) != std::string_view::npos ? 1 : 0;
}

std::string PPDTranslationText(std::string_view name, TextEncoding encoding) {
    static const char kHex[] = "0123456789ABCDEF";
    name = name.substr(0, CompleteCharacterPrefix(name, kMaxPPDTranslationBytes, encoding));
    std::string text;
    text.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ':' || c == '<' || c == '"' || c < 0x20 || c == 0x7F) {
            text += '<';
            text += kHex[c >> 4];
            text += kHex[c & 0xF];
            text += '>';
        } else {
            text += ch;
        }
    }
    return text;
}

OSErr ComposeToneBlock(const PPDTexts& texts, uint16_t ppdType, TextEncoding ppdEncoding,
                       const PPDTone4Rec& settings, bool withTail, MyUnknownSizePtrClass& block) {
    BlockWriter out(block);
    RETURN_IF_ERROR(AppendHeader(texts, ppdType, out, ppdEncoding));

    const int count = settings.count < 0              ? 0
                      : settings.count > kMaxPPDTones ? kMaxPPDTones
                                                      : settings.count;
    for (int i = 0; i < count; ++i) {
        const CMYKTone& tone = settings.tones[i];
        const int32_t entry = i + 1;
        RETURN_IF_ERROR(AppendEntryOpening(texts, ppdType, out, tone, entry, ppdEncoding));
        const int curves = tone.sameCurve ? 1 : kInkCount;
        for (int c = 0; c < curves; ++c)
            RETURN_IF_ERROR(AppendChannelTable(texts, out, tone.tone[c]));
        const int16_t first = tone.sameCurve ? kOneCurveTrailerFirst : kFourCurveTrailerFirst;
        const int16_t last = tone.sameCurve ? kOneCurveTrailerLast : kFourCurveTrailerLast;
        for (int16_t k = first; k <= last; ++k)
            RETURN_IF_ERROR(out.Text(texts.list[k]));
        if (ppdType == 1 && ppdEncoding != kTextEncodingUTF8)
            RETURN_IF_ERROR(AppendTranslationLine(texts, out, tone, entry));
    }

    RETURN_IF_ERROR(out.Text(texts.list[kBlockEndIndex]));
    if (withTail)
        RETURN_IF_ERROR(out.Text("\n\n\n"));
    return noErr;
}

} // namespace orvane
