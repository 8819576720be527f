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
    BlockWriter(GlueRec* glue, MyUnknownSizePtrClass& block) : glue_(glue), block_(block) {}

    OSErr Bytes(const void* bytes, size_t n) {
        return block_.Append(bytes, static_cast<uint32_t>(n));
    }
    OSErr Text(std::string_view text) { return Bytes(text.data(), text.size()); }
    OSErr PString(ConstStringPtr p) { return Bytes(p + 1, p[0]); }

    // Item `index` of 'STR#' `list`; a missing or empty one ends the composition.
    OSErr ListText(int16_t list, int16_t index) {
        Str255 text;
        const OSErr err = GetAppIndString(glue_, list, index, text);
        if (err != noErr)
            return err;
        return PString(text);
    }

    OSErr Number(int32_t n) {
        Str255 digits;
        MyNumToString(n, digits);
        return PString(digits);
    }

private:
    GlueRec* glue_;
    MyUnknownSizePtrClass& block_;
};

#define RETURN_IF_ERROR(expr)                                                                      \
    do {                                                                                           \
        const OSErr err_ = (expr);                                                                 \
        if (err_ != noErr)                                                                         \
            return err_;                                                                           \
    } while (0)

OSErr AppendPlistValue(BlockWriter& out, const char* key) {
    char buffer[MaxUTF8StrLen];
    buffer[0] = '\0';
    getStringFromPPDPlist(buffer, sizeof buffer, key, kTextEncodingUTF8);
    return out.Text(std::string_view(buffer, strnlen(buffer, sizeof buffer)));
}

OSErr AppendHeader(GlueRec* glue, BlockWriter& out, TextEncoding ppdEncoding) {
    if (ppd_type == 1) {
        Str255 marker;
        RETURN_IF_ERROR(GetAppString(glue, kPPDCupsStringID, marker));
        RETURN_IF_ERROR(AppendPlistValue(out, "OpenUI"));
        return AppendPlistValue(out, "OrderDependency");
    }
    Str255 header, converted;
    RETURN_IF_ERROR(GetAppIndString(glue, kPPDTextListID, kBlockHeaderIndex, header));
    if (ConvAppLang_PPDLang(header, converted, ppdEncoding))
        return out.PString(converted);
    return out.PString(header);
}

OSErr AppendNumericName(BlockWriter& out, int32_t entry) {
    RETURN_IF_ERROR(out.ListText(kPPDCupsListID, kNumericNameIndex));
    return out.Number(entry);
}

OSErr AppendEntryOpening(BlockWriter& out, const CMYKTone& tone, int32_t entry,
                         TextEncoding ppdEncoding) {
    RETURN_IF_ERROR(out.ListText(kPPDTextListID, kEntryStartIndex));
    RETURN_IF_ERROR(out.Number(entry));
    Str255 converted;
    if (ppd_type == 0) {
        if (ConvAppLang_PPDLang(tone.name, converted, ppdEncoding)) {
            RETURN_IF_ERROR(out.ListText(kPPDTextListID, kEntryNameSeparatorIndex));
            RETURN_IF_ERROR(out.Text(PPDTranslationText(PStrView(converted), ppdEncoding)));
        } else {
            RETURN_IF_ERROR(AppendNumericName(out, entry));
        }
    } else if (ppdEncoding == kTextEncodingUTF8 && ConvSys_UTF8(tone.name, converted)) {
        RETURN_IF_ERROR(out.Text("/"));
        RETURN_IF_ERROR(out.Text(PPDTranslationText(PStrView(converted), kTextEncodingUTF8)));
    } else {
        RETURN_IF_ERROR(AppendNumericName(out, entry));
    }
    return out.ListText(kPPDTextListID, kEntryOpeningEndIndex);
}

OSErr AppendChannelTable(BlockWriter& out, const CToneInfo& curve) {
    int32_t table[kTransferTableSize];
    RETURN_IF_ERROR(MakeTransferTable(curve, table));
    char text[kTransferTableTextMaxLength];
    const char* end = FormatTransferTableText(text, table);
    RETURN_IF_ERROR(out.ListText(kPPDTextListID, kTableStartIndex));
    RETURN_IF_ERROR(out.Bytes(text, static_cast<size_t>(end - text)));
    return out.ListText(kPPDTextListID, kTableEndIndex);
}

OSErr AppendTranslationLine(BlockWriter& out, const CMYKTone& tone, int32_t entry,
                            ConstStringPtr localizedFolderName) {
    // The language prefix is the folder name without its ".lproj" (six characters).
    if (!localizedFolderName || localizedFolderName[0] < 7)
        return resNotFound;
    RETURN_IF_ERROR(out.ListText(kPPDCupsListID, kTranslationStartIndex));
    RETURN_IF_ERROR(out.Bytes(localizedFolderName + 1, localizedFolderName[0] - 6u));
    RETURN_IF_ERROR(out.ListText(kPPDCupsListID, kTranslationNumberIndex));
    RETURN_IF_ERROR(out.Number(entry));
    Str255 utf8;
    if (ConvSys_UTF8(tone.name, utf8)) {
        RETURN_IF_ERROR(out.Text("/"));
        RETURN_IF_ERROR(out.Text(PPDTranslationText(PStrView(utf8), kTextEncodingUTF8)));
    } else {
        RETURN_IF_ERROR(AppendNumericName(out, entry));
    }
    return out.ListText(kPPDCupsListID, kTranslationEndIndex);
}

} // namespace

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

OSErr ComposeToneBlock(GlueRec* glue, const PPDTone4Rec& settings, TextEncoding ppdEncoding,
                       ConstStringPtr localizedFolderName, bool withTail,
                       MyUnknownSizePtrClass& block) {
    BlockWriter out(glue, block);
    RETURN_IF_ERROR(AppendHeader(glue, out, ppdEncoding));

    const int count = settings.count < 0              ? 0
                      : settings.count > kMaxPPDTones ? kMaxPPDTones
                                                      : settings.count;
    for (int i = 0; i < count; ++i) {
        const CMYKTone& tone = settings.tones[i];
        const int32_t entry = i + 1;
        RETURN_IF_ERROR(AppendEntryOpening(out, tone, entry, ppdEncoding));
        const int curves = tone.sameCurve ? 1 : kInkCount;
        for (int c = 0; c < curves; ++c)
            RETURN_IF_ERROR(AppendChannelTable(out, tone.tone[c]));
        const int16_t first = tone.sameCurve ? kOneCurveTrailerFirst : kFourCurveTrailerFirst;
        const int16_t last = tone.sameCurve ? kOneCurveTrailerLast : kFourCurveTrailerLast;
        for (int16_t k = first; k <= last; ++k)
            RETURN_IF_ERROR(out.ListText(kPPDTextListID, k));
        if (ppd_type == 1 && ppdEncoding != kTextEncodingUTF8)
            RETURN_IF_ERROR(AppendTranslationLine(out, tone, entry, localizedFolderName));
    }

    RETURN_IF_ERROR(out.ListText(kPPDTextListID, kBlockEndIndex));
    if (withTail)
        RETURN_IF_ERROR(out.Text("\n\n\n"));
    return noErr;
}

} // namespace orvane
