// Random-access, bounds-checked reading of big-endian fields from a byte span. Every
// accessor reports whether the whole field lies inside the span; nothing is read otherwise,
// so a parser built on it cannot run past the end of its input whatever the offsets say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

class ByteSpanReader {
public:
    explicit ByteSpanReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t size() const { return bytes_.size(); }

    // True when [offset, offset + length) lies inside the span (no overflow possible).
    bool Contains(size_t offset, size_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    bool U8(size_t offset, uint8_t& out) const { return Unsigned(offset, 1, out); }
    bool U16(size_t offset, uint16_t& out) const { return Unsigned(offset, 2, out); }
    bool U24(size_t offset, uint32_t& out) const { return Unsigned(offset, 3, out); }
    bool U32(size_t offset, uint32_t& out) const { return Unsigned(offset, 4, out); }
    bool I16(size_t offset, int16_t& out) const {
        uint16_t raw = 0;
        if (!U16(offset, raw))
            return false;
        out = static_cast<int16_t>(raw);
        return true;
    }

    // The sub-span [offset, offset + length); false (and `out` untouched) when outside.
    bool Bytes(size_t offset, size_t length, std::span<const uint8_t>& out) const {
        if (!Contains(offset, length))
            return false;
        out = bytes_.subspan(offset, length);
        return true;
    }

private:
    template <typename T> bool Unsigned(size_t offset, size_t width, T& out) const {
        if (!Contains(offset, width))
            return false;
        T value = 0;
        for (size_t i = 0; i < width; ++i)
            value = static_cast<T>((value << 8) | bytes_[offset + i]);
        out = value;
        return true;
    }

    std::span<const uint8_t> bytes_;
};

} // namespace orvane
