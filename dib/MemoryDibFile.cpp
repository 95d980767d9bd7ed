#include "dib/MemoryDibFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::size_t MemoryDibFile::Read(void* destination, std::size_t count)
{
    const auto size = std::int64_t(m_bytes.size());
    if (m_position >= size || count == 0)
        return 0;
    const std::size_t available = std::size_t(size - m_position);
    const std::size_t n = std::min(count, available);
    std::memcpy(destination, m_bytes.data() + m_position, n);
    m_position += std::int64_t(n);
    return n;
}

std::size_t MemoryDibFile::Write(const void* source, std::size_t count)
{
    if (count == 0)
        return 0;
    const std::size_t end = std::size_t(m_position) + count;
    if (end < count)
        return 0;
    try {
        if (end > m_bytes.size())
            m_bytes.resize(end);
    } catch (...) {
        return 0;
    }
    std::memcpy(m_bytes.data() + m_position, source, count);
    m_position = std::int64_t(end);
    return count;
}

std::int64_t MemoryDibFile::Seek(std::int64_t offset, Origin origin)
{
    const std::int64_t base = origin == Origin::Begin     ? 0
                              : origin == Origin::Current ? m_position
                                                          : std::int64_t(m_bytes.size());
    // base is never negative, so base + offset cannot overflow downwards.
    if (offset < 0 ? base + offset < 0 : base > std::numeric_limits<std::int64_t>::max() - offset)
        return -1;
    m_position = base + offset;
    return m_position;
}
