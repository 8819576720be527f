#include "host/resources/AppleDouble.h"

#include "host/resources/ByteSink.h"
#include "host/resources/ByteSpanReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvane {

namespace {

// Header: magic (4), version (4), filler (16), entry count (2); then the entry table of
// ID (4), offset from the start of the file (4), length (4).
constexpr uint32_t kMagic = 0x00051607;
constexpr uint32_t kVersion2 = 0x00020000;
constexpr size_t kHeaderSize = 26;
constexpr size_t kFillerAt = 8;
constexpr size_t kEntrySize = 12;

struct TableEntry {
    uint32_t id;
    uint32_t offset;
    uint32_t length;
};

bool ReadAppleDouble(std::span<const uint8_t> bytes, AppleDoubleImage& image) {
    const ByteSpanReader file(bytes);
    uint32_t magic = 0, version = 0;
    uint16_t count = 0;
    std::span<const uint8_t> filler;
    if (!file.U32(0, magic) || !file.U32(4, version) || !file.Bytes(kFillerAt, 16, filler) ||
        !file.U16(24, count))
        return false;
    if (magic != kMagic || version != kVersion2 || count > kAppleDoubleMaxEntries)
        return false;
    std::copy(filler.begin(), filler.end(), image.filler.begin());

    // The table, then every entry inside the file, past the table and apart from the
    // others; IDs are unique and never 0.
    const size_t tableEnd = kHeaderSize + size_t{count} * kEntrySize;
    if (!file.Contains(kHeaderSize, tableEnd - kHeaderSize))
        return false;
    std::vector<TableEntry> table;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kHeaderSize + i * kEntrySize;
        TableEntry entry{};
        if (!file.U32(at, entry.id) || !file.U32(at + 4, entry.offset) ||
            !file.U32(at + 8, entry.length))
            return false;
        if (entry.id == 0 || !file.Contains(entry.offset, entry.length))
            return false;
        if (entry.length > 0 && entry.offset < tableEnd)
            return false;
        for (const auto& seen : table)
            if (seen.id == entry.id)
                return false;
        table.push_back(entry);
    }
    std::vector<TableEntry> byOffset = table;
    std::erase_if(byOffset, [](const TableEntry& e) { return e.length == 0; });
    std::sort(byOffset.begin(), byOffset.end(),
              [](const TableEntry& a, const TableEntry& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < byOffset.size(); ++i)
        if (byOffset[i].offset < size_t{byOffset[i - 1].offset} + byOffset[i - 1].length)
            return false;

    for (const auto& entry : table) {
        std::span<const uint8_t> data = bytes.subspan(entry.offset, entry.length);
        if (entry.id == kAppleDoubleFinderInfoID) {
            const size_t info = std::min(data.size(), kAppleDoubleFinderInfoSize);
            image.hasFinderInfo = true;
            std::copy_n(data.begin(), info, image.finderInfo.begin());
            image.finderInfoExtra.assign(data.begin() + info, data.end());
        } else if (entry.id == kAppleDoubleResourceForkID) {
            image.hasResourceFork = true;
            image.resourceFork.assign(data.begin(), data.end());
        } else {
            image.others.push_back({entry.id, {data.begin(), data.end()}});
        }
    }
    return true;
}

uint32_t GetFourCC(const std::array<uint8_t, 32>& info, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | info[at + i];
    return value;
}

void SetFourCC(std::array<uint8_t, 32>& info, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        info[at + i] = static_cast<uint8_t>(value >> (8 * (3 - i)));
}

} // namespace

OSErr ParseAppleDouble(std::span<const uint8_t> bytes, AppleDoubleImage& out) {
    out = {};
    if (bytes.empty())
        return noErr;
    AppleDoubleImage image;
    if (!ReadAppleDouble(bytes, image))
        return mapReadErr;
    out = std::move(image);
    return noErr;
}

std::vector<uint8_t> SerializeAppleDouble(const AppleDoubleImage& image) {
    // Lay out: entries in writing order with their sizes, offsets following the table.
    struct Planned {
        uint32_t id;
        std::span<const uint8_t> first;
        std::span<const uint8_t> second; // Finder info's extra bytes, else empty
    };
    std::vector<Planned> planned;
    if (image.hasFinderInfo)
        planned.push_back({kAppleDoubleFinderInfoID, image.finderInfo, image.finderInfoExtra});
    for (const auto& other : image.others)
        planned.push_back({other.id, other.data, {}});
    if (image.hasResourceFork)
        planned.push_back({kAppleDoubleResourceForkID, image.resourceFork, {}});

    std::vector<uint8_t> bytes;
    MemorySink sink(bytes);
    sink.PutU32(kMagic);
    sink.PutU32(kVersion2);
    sink.Put(image.filler);
    sink.PutU16(static_cast<uint16_t>(planned.size()));
    size_t offset = kHeaderSize + planned.size() * kEntrySize;
    for (const auto& entry : planned) {
        const size_t length = entry.first.size() + entry.second.size();
        sink.PutU32(entry.id);
        sink.PutU32(static_cast<uint32_t>(offset));
        sink.PutU32(static_cast<uint32_t>(length));
        offset += length;
    }
    for (const auto& entry : planned) {
        sink.Put(entry.first);
        sink.Put(entry.second);
    }
    return bytes;
}

OSType AppleDoubleFileType(const AppleDoubleImage& image) {
    return image.hasFinderInfo ? GetFourCC(image.finderInfo, 0) : 0;
}

OSType AppleDoubleFileCreator(const AppleDoubleImage& image) {
    return image.hasFinderInfo ? GetFourCC(image.finderInfo, 4) : 0;
}

void AppleDoubleSetTypeAndCreator(AppleDoubleImage& image, OSType type, OSType creator) {
    image.hasFinderInfo = true;
    SetFourCC(image.finderInfo, 0, type);
    SetFourCC(image.finderInfo, 4, creator);
}

} // namespace orvane
