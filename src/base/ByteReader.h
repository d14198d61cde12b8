#pragma once
// Bounds-checked little-endian reading and writing over byte spans. Every parser of untrusted
// bytes (frames, plc.data, OEMPrefs.dat, bitmaps) goes through these: a short input makes a read
// fail instead of running past the end.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace zentrel {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

    // Copies n bytes; on short input copies nothing and returns false.
    bool Read(void* out, std::size_t n) {
        if (n > Remaining()) return false;
        if (n) std::memcpy(out, data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Skip(std::size_t n) {
        if (n > Remaining()) return false;
        pos_ += n;
        return true;
    }
    bool U8(std::uint8_t& v) { return Read(&v, 1); }
    bool U16(std::uint16_t& v) {
        std::uint8_t b[2];
        if (!Read(b, 2)) return false;
        v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(std::uint32_t& v) {
        std::uint8_t b[4];
        if (!Read(b, 4)) return false;
        v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    bool U64(std::uint64_t& v) {
        std::uint32_t lo, hi;
        if (!U32(lo) || !U32(hi)) return false;
        v = (static_cast<std::uint64_t>(hi) << 32) | lo;
        return true;
    }
    bool I16(std::int16_t& v) {
        std::uint16_t u;
        if (!U16(u)) return false;
        v = static_cast<std::int16_t>(u);
        return true;
    }
    bool I32(std::int32_t& v) {
        std::uint32_t u;
        if (!U32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool I64(std::int64_t& v) {
        std::uint64_t u;
        if (!U64(u)) return false;
        v = static_cast<std::int64_t>(u);
        return true;
    }
    bool F64(double& v) {
        std::uint64_t u;
        if (!U64(u)) return false;
        std::memcpy(&v, &u, sizeof v);
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Write(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void I64(std::int64_t v) { U64(static_cast<std::uint64_t>(v)); }
    void F64(double v) {
        std::uint64_t u;
        std::memcpy(&u, &v, sizeof u);
        U64(u);
    }

private:
    std::vector<std::uint8_t>& out_;
};

}  // namespace zentrel
