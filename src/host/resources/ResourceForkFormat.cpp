#include "host/resources/ResourceForkFormat.h"

#include "host/resources/ByteSink.h"
#include "host/resources/ByteSpanReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvane {

namespace {

constexpr size_t kHeaderSize = 16;
// Map header: header copy (16), next-map handle (4), file reference (2), file attributes
// (2), type-list offset (2), name-list offset (2).
constexpr size_t kMapHeaderSize = 28;
constexpr size_t kMapAttributesAt = 22;
constexpr size_t kMapTypeListAt = 24;
constexpr size_t kMapNameListAt = 26;
constexpr size_t kTypeEntrySize = 8;  // type (4), count - 1 (2), reference-list offset (2)
constexpr size_t kReferenceSize = 12; // ID (2), name offset (2), attributes (1), data
                                      // offset (3), handle (4)
constexpr uint16_t kNoName = 0xFFFF;
constexpr uint32_t kMaxDataOffset = 0xFFFFFF;
constexpr size_t kMaxReferencesPerType = 32768; // count - 1 is a non-negative i16

struct Span {
    size_t start;
    size_t length;
    bool operator<(const Span& other) const { return start < other.start; }
};

bool Overlap(const Span& a, const Span& b) {
    if (a.length == 0 || b.length == 0)
        return false;
    return a.start < b.start + b.length && b.start < a.start + a.length;
}

// True when no two of the (non-empty) spans share a byte.
bool Disjoint(std::vector<Span> spans) {
    std::erase_if(spans, [](const Span& s) { return s.length == 0; });
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].start < spans[i - 1].start + spans[i - 1].length)
            return false;
    return true;
}

bool HasDuplicateTypeAndID(const std::vector<ResourceEntry>& entries) {
    std::vector<std::pair<ResType, int16_t>> keys;
    keys.reserve(entries.size());
    for (const auto& entry : entries)
        keys.emplace_back(entry.type, entry.id);
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
}

// ---- Reading ---------------------------------------------------------------------------

// One reference: ID, name offset from the name list (0xFFFF for none), attributes, 24-bit
// offset of the resource's length word from the data area, and a handle slot ignored on
// disk. The data is a u32 length followed by that many bytes.
bool ReadReference(const ByteSpanReader& map, size_t at, size_t nameListAt,
                   const ByteSpanReader& data, ResType type, ResourceEntry& entry,
                   std::vector<Span>& dataSpans) {
    uint16_t nameOffset = 0;
    uint32_t dataOffset = 0;
    uint32_t length = 0;
    if (!map.I16(at, entry.id) || !map.U16(at + 2, nameOffset) ||
        !map.U8(at + 4, entry.attributes) || !map.U24(at + 5, dataOffset))
        return false;
    entry.type = type;

    if (nameOffset != kNoName) {
        uint8_t nameLength = 0;
        std::span<const uint8_t> name;
        const size_t nameAt = nameListAt + nameOffset;
        if (!map.U8(nameAt, nameLength) || !map.Bytes(nameAt + 1, nameLength, name))
            return false;
        entry.hasName = true;
        entry.name.assign(name.begin(), name.end());
    }

    std::span<const uint8_t> bytes;
    if (!data.U32(dataOffset, length) || !data.Bytes(size_t{dataOffset} + 4, length, bytes))
        return false;
    entry.data.assign(bytes.begin(), bytes.end());
    dataSpans.push_back({dataOffset, size_t{length} + 4});
    return true;
}

bool ReadFork(std::span<const uint8_t> bytes, ResourceForkImage& image) {
    const ByteSpanReader file(bytes);

    // Header: where the data area and the map lie. Both must fit in the file, and neither
    // may cover the header or the other.
    uint32_t dataAt = 0, mapAt = 0, dataLength = 0, mapLength = 0;
    if (!file.U32(0, dataAt) || !file.U32(4, mapAt) || !file.U32(8, dataLength) ||
        !file.U32(12, mapLength))
        return false;
    if (!file.Contains(dataAt, dataLength) || !file.Contains(mapAt, mapLength))
        return false;
    if (mapLength < kMapHeaderSize + 2)
        return false;
    const Span header{0, kHeaderSize}, dataArea{dataAt, dataLength}, mapArea{mapAt, mapLength};
    if (Overlap(header, dataArea) || Overlap(header, mapArea) || Overlap(dataArea, mapArea))
        return false;
    const ByteSpanReader map(bytes.subspan(mapAt, mapLength));
    const ByteSpanReader data(bytes.subspan(dataAt, dataLength));

    // Map header: the type list and the name list lie inside the map, past its header.
    uint16_t typeListAt = 0, nameListAt = 0;
    if (!map.U16(kMapAttributesAt, image.fileAttributes) || !map.U16(kMapTypeListAt, typeListAt) ||
        !map.U16(kMapNameListAt, nameListAt))
        return false;
    if (typeListAt < kMapHeaderSize || nameListAt < kMapHeaderSize || nameListAt > mapLength)
        return false;

    // Type list: count - 1 (so 0xFFFF is an empty map), then one entry per type. Each
    // reference list lies past the type list, inside the map, and apart from the others.
    int16_t typesMinusOne = 0;
    if (!map.I16(typeListAt, typesMinusOne) || typesMinusOne < -1)
        return false;
    const size_t typeCount = static_cast<size_t>(typesMinusOne + 1);
    const size_t referencesFrom = 2 + typeCount * kTypeEntrySize;
    if (!map.Contains(typeListAt, referencesFrom))
        return false;

    struct TypeEntry {
        ResType type;
        size_t count;
        size_t at;
    };
    std::vector<TypeEntry> types;
    std::vector<Span> referenceLists;
    types.reserve(typeCount);
    for (size_t t = 0; t < typeCount; ++t) {
        const size_t at = typeListAt + 2 + t * kTypeEntrySize;
        ResType type = 0;
        int16_t countMinusOne = 0;
        uint16_t listOffset = 0;
        if (!map.U32(at, type) || !map.I16(at + 4, countMinusOne) || !map.U16(at + 6, listOffset))
            return false;
        if (countMinusOne < 0 || listOffset < referencesFrom)
            return false;
        const size_t count = static_cast<size_t>(countMinusOne) + 1;
        const size_t listAt = size_t{typeListAt} + listOffset;
        if (!map.Contains(listAt, count * kReferenceSize))
            return false;
        for (const auto& seen : types)
            if (seen.type == type)
                return false;
        types.push_back({type, count, listAt});
        referenceLists.push_back({listAt, count * kReferenceSize});
    }
    if (!Disjoint(referenceLists))
        return false;

    // References, in type-list order. Every resource's data lies apart from the others',
    // which also bounds what a damaged map can make the reader copy.
    std::vector<Span> dataSpans;
    for (const auto& type : types) {
        for (size_t r = 0; r < type.count; ++r) {
            ResourceEntry entry;
            if (!ReadReference(map, type.at + r * kReferenceSize, nameListAt, data, type.type,
                               entry, dataSpans))
                return false;
            image.entries.push_back(std::move(entry));
        }
    }
    return Disjoint(std::move(dataSpans)) && !HasDuplicateTypeAndID(image.entries);
}

// ---- Writing ---------------------------------------------------------------------------

// Where everything goes, computed before a byte is written.
struct Layout {
    struct Type {
        ResType type;
        std::vector<size_t> entries; // indices into the image's entries, in entry order
        uint16_t listOffset = 0;     // from the type list
    };
    std::vector<Type> types;
    std::vector<uint32_t> dataOffsets; // per entry, from the data area
    std::vector<uint16_t> nameOffsets; // per entry, from the name list; kNoName for none
    uint32_t dataLength = 0;
    uint32_t mapLength = 0;
    uint16_t nameListAt = 0; // from the map
};

OSErr Plan(const ResourceForkImage& image, Layout& layout) {
    const auto& entries = image.entries;
    if (HasDuplicateTypeAndID(entries))
        return paramErr;

    // Data area: each resource's length word and bytes, in entry order.
    uint64_t dataLength = 0;
    for (const auto& entry : entries) {
        if (dataLength > kMaxDataOffset)
            return paramErr;
        layout.dataOffsets.push_back(static_cast<uint32_t>(dataLength));
        dataLength += 4 + uint64_t{entry.data.size()};
    }

    // Types in order of first appearance, each with its references in entry order.
    for (size_t i = 0; i < entries.size(); ++i) {
        auto it = std::find_if(layout.types.begin(), layout.types.end(),
                               [&](const Layout::Type& t) { return t.type == entries[i].type; });
        if (it == layout.types.end())
            it = layout.types.insert(layout.types.end(), Layout::Type{entries[i].type, {}});
        it->entries.push_back(i);
        if (it->entries.size() > kMaxReferencesPerType)
            return paramErr;
    }
    size_t listOffset = 2 + layout.types.size() * kTypeEntrySize;
    for (auto& type : layout.types) {
        if (listOffset > 0xFFFF)
            return paramErr;
        type.listOffset = static_cast<uint16_t>(listOffset);
        listOffset += type.entries.size() * kReferenceSize;
    }
    const size_t nameListAt = kMapHeaderSize + listOffset;
    if (nameListAt > 0xFFFF)
        return paramErr;

    // Names in entry order.
    size_t nameLength = 0;
    for (const auto& entry : entries) {
        if (!entry.hasName) {
            layout.nameOffsets.push_back(kNoName);
            continue;
        }
        if (entry.name.size() > 255 || nameLength >= kNoName)
            return paramErr;
        layout.nameOffsets.push_back(static_cast<uint16_t>(nameLength));
        nameLength += 1 + entry.name.size();
    }

    const uint64_t mapLength = nameListAt + nameLength;
    if (kResourceDataOffset + dataLength + mapLength > 0xFFFFFFFFu)
        return paramErr;
    layout.dataLength = static_cast<uint32_t>(dataLength);
    layout.mapLength = static_cast<uint32_t>(mapLength);
    layout.nameListAt = static_cast<uint16_t>(nameListAt);
    return noErr;
}

void PutHeader(ByteSink& sink, const Layout& layout) {
    sink.PutU32(kResourceDataOffset);
    sink.PutU32(kResourceDataOffset + layout.dataLength);
    sink.PutU32(layout.dataLength);
    sink.PutU32(layout.mapLength);
}

void Emit(const ResourceForkImage& image, const Layout& layout, ByteSink& sink) {
    const auto& entries = image.entries;

    PutHeader(sink, layout);
    sink.PutZeros(kResourceDataOffset - kHeaderSize);

    for (const auto& entry : entries) {
        sink.PutU32(static_cast<uint32_t>(entry.data.size()));
        sink.Put(entry.data);
    }

    PutHeader(sink, layout);
    sink.PutU32(0); // next-map handle
    sink.PutU16(0); // file reference
    sink.PutU16(image.fileAttributes);
    sink.PutU16(static_cast<uint16_t>(kMapHeaderSize));
    sink.PutU16(layout.nameListAt);

    sink.PutU16(static_cast<uint16_t>(layout.types.size() - 1)); // 0xFFFF when empty
    for (const auto& type : layout.types) {
        sink.PutU32(type.type);
        sink.PutU16(static_cast<uint16_t>(type.entries.size() - 1));
        sink.PutU16(type.listOffset);
    }
    for (const auto& type : layout.types) {
        for (size_t i : type.entries) {
            sink.PutU16(static_cast<uint16_t>(entries[i].id));
            sink.PutU16(layout.nameOffsets[i]);
            sink.PutU8(entries[i].attributes);
            sink.PutU24(layout.dataOffsets[i]);
            sink.PutU32(0); // handle
        }
    }

    for (const auto& entry : entries) {
        if (!entry.hasName)
            continue;
        sink.PutU8(static_cast<uint8_t>(entry.name.size()));
        sink.Put(std::span(reinterpret_cast<const uint8_t*>(entry.name.data()), entry.name.size()));
    }
}

} // namespace

OSErr ParseResourceFork(std::span<const uint8_t> bytes, ResourceForkImage& out) {
    out = {};
    if (bytes.empty())
        return noErr;
    ResourceForkImage image;
    if (!ReadFork(bytes, image))
        return mapReadErr;
    out = std::move(image);
    return noErr;
}

OSErr SerializeResourceFork(const ResourceForkImage& image, std::vector<uint8_t>& out) {
    out.clear();
    Layout layout;
    if (OSErr err = Plan(image, layout); err != noErr)
        return err;
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t{kResourceDataOffset} + layout.dataLength + layout.mapLength);
    MemorySink sink(bytes);
    Emit(image, layout, sink);
    out = std::move(bytes);
    return noErr;
}

} // namespace orvane
