// Little-endian reads over a byte span. Every read is checked against the
// end of the span; a read that does not fit gives false and leaves the
// output untouched, so no caller can read past the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace metafile {

// a + b, or nothing when it overflows.
std::optional<std::size_t> CheckedAdd(std::size_t a, std::size_t b) noexcept;
// a * b, or nothing when it overflows.
std::optional<std::size_t> CheckedMul(std::size_t a, std::size_t b) noexcept;

class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) noexcept : m_bytes(bytes) {}

    std::size_t Size() const noexcept { return m_bytes.size(); }
    std::span<const std::uint8_t> Bytes() const noexcept { return m_bytes; }

    // True when [offset, offset + length) lies inside the span.
    bool Holds(std::size_t offset, std::size_t length) const noexcept;

    bool U8At(std::size_t offset, std::uint8_t& out) const noexcept;
    bool U16At(std::size_t offset, std::uint16_t& out) const noexcept;
    bool I16At(std::size_t offset, std::int16_t& out) const noexcept;
    bool U32At(std::size_t offset, std::uint32_t& out) const noexcept;
    bool I32At(std::size_t offset, std::int32_t& out) const noexcept;

    // The part [offset, offset + length); false when it does not fit.
    bool Sub(std::size_t offset, std::size_t length, ByteReader& out) const noexcept;

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace metafile
