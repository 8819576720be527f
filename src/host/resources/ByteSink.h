// Where the format writers put their bytes: a narrow sink interface with big-endian
// helpers, and two sinks (one appending to memory, one only counting). Writers lay out
// first and then emit, so a sink never has to seek back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Put(std::span<const uint8_t> bytes) = 0;
    virtual void PutZeros(size_t count) = 0;
    // Bytes accepted so far.
    virtual size_t Count() const = 0;

    void PutU8(uint8_t value) { PutBigEndian(value, 1); }
    void PutU16(uint16_t value) { PutBigEndian(value, 2); }
    void PutU24(uint32_t value) { PutBigEndian(value, 3); }
    void PutU32(uint32_t value) { PutBigEndian(value, 4); }

private:
    void PutBigEndian(uint32_t value, size_t width) {
        uint8_t bytes[4];
        for (size_t i = 0; i < width; ++i)
            bytes[i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
        Put(std::span<const uint8_t>(bytes, width));
    }
};

// Appends to a vector owned by the caller.
class MemorySink final : public ByteSink {
public:
    explicit MemorySink(std::vector<uint8_t>& out) : out_(out) {}
    void Put(std::span<const uint8_t> bytes) override {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    void PutZeros(size_t count) override { out_.insert(out_.end(), count, 0); }
    size_t Count() const override { return out_.size(); }

private:
    std::vector<uint8_t>& out_;
};

// Only counts, for measuring what a writer would produce.
class CountingSink final : public ByteSink {
public:
    void Put(std::span<const uint8_t> bytes) override { count_ += bytes.size(); }
    void PutZeros(size_t count) override { count_ += count; }
    size_t Count() const override { return count_; }

private:
    size_t count_ = 0;
};

} // namespace orvane
