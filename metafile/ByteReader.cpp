#include "metafile/ByteReader.h"

#include <limits>

namespace metafile {

std::optional<std::size_t> CheckedAdd(std::size_t a, std::size_t b) noexcept
{
    if (a > std::numeric_limits<std::size_t>::max() - b)
        return std::nullopt;
    return a + b;
}

std::optional<std::size_t> CheckedMul(std::size_t a, std::size_t b) noexcept
{
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a)
        return std::nullopt;
    return a * b;
}

bool ByteReader::Holds(std::size_t offset, std::size_t length) const noexcept
{
    // Written so that no sum can wrap.
    return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
}

bool ByteReader::U8At(std::size_t offset, std::uint8_t& out) const noexcept
{
    if (!Holds(offset, 1))
        return false;
    out = m_bytes[offset];
    return true;
}

bool ByteReader::U16At(std::size_t offset, std::uint16_t& out) const noexcept
{
    if (!Holds(offset, 2))
        return false;
    out = static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
    return true;
}

bool ByteReader::I16At(std::size_t offset, std::int16_t& out) const noexcept
{
    std::uint16_t u = 0;
    if (!U16At(offset, u))
        return false;
    out = static_cast<std::int16_t>(u);
    return true;
}

bool ByteReader::U32At(std::size_t offset, std::uint32_t& out) const noexcept
{
    if (!Holds(offset, 4))
        return false;
    out = static_cast<std::uint32_t>(m_bytes[offset]) |
          (static_cast<std::uint32_t>(m_bytes[offset + 1]) << 8) |
          (static_cast<std::uint32_t>(m_bytes[offset + 2]) << 16) |
          (static_cast<std::uint32_t>(m_bytes[offset + 3]) << 24);
    return true;
}

bool ByteReader::I32At(std::size_t offset, std::int32_t& out) const noexcept
{
    std::uint32_t u = 0;
    if (!U32At(offset, u))
        return false;
    out = static_cast<std::int32_t>(u);
    return true;
}

bool ByteReader::Sub(std::size_t offset, std::size_t length, ByteReader& out) const noexcept
{
    if (!Holds(offset, length))
        return false;
    out = ByteReader(m_bytes.subspan(offset, length));
    return true;
}

} // namespace metafile
