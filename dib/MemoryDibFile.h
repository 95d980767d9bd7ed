// A DibFile over bytes in memory: for reading bitmaps that are already
// loaded, and for tests and fuzzing, which want no disk.
#pragma once

#include "dib/DibFile.h"

#include <vector>

class MemoryDibFile : public DibFile
{
public:
    MemoryDibFile() = default;
    explicit MemoryDibFile(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    MemoryDibFile(const std::uint8_t* bytes, std::size_t count) : m_bytes(bytes, bytes + count) {}

    std::size_t Read(void* destination, std::size_t count) override;
    // Writes at the position, overwriting or extending the bytes.
    std::size_t Write(const void* source, std::size_t count) override;
    // Positions beyond the end are allowed (reads there give nothing, a
    // write fills the gap with zeros); before the start they fail.
    std::int64_t Seek(std::int64_t offset, Origin origin) override;
    std::int64_t Tell() override { return m_position; }
    std::int64_t Length() override { return std::int64_t(m_bytes.size()); }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::int64_t m_position = 0;
};
