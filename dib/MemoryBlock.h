// A growable, zero-filled memory block: what a DIB lives in. Allocation never
// throws: a block that cannot be had is simply not made. A block can also lie
// over a file's mapped bytes, which are then neither read nor copied.
#pragma once

#include "dib/FileMapping.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class MemoryBlock
{
public:
    // Blocks above this size are refused outright, whatever memory is free.
    static constexpr std::size_t kMaxBytes = std::size_t(4) << 30; // 4 GiB

    // A block of the size, zero-filled; null when it cannot be allocated.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t bytes) noexcept;

    // A block of the mapping's bytes; null for no mapping.
    static std::unique_ptr<MemoryBlock> Over(std::unique_ptr<FileMapping> mapping) noexcept;

    // Grows (or shrinks) the block keeping its contents; the new part is
    // zero-filled. False, with the block unchanged, when it cannot.
    bool Resize(std::size_t bytes) noexcept;

    std::size_t Size() const noexcept { return m_size; }
    std::uint8_t* Data() noexcept
    {
        m_maybeChanged = true;
        return m_bytes;
    }
    const std::uint8_t* Data() const noexcept { return m_bytes; }

    // The mapping under a block that nobody has been given write access to
    // since it was made, so its bytes are still the file's; else null.
    const FileMapping* UnchangedMapping() const noexcept
    {
        return m_maybeChanged ? nullptr : m_mapping.get();
    }

private:
    MemoryBlock() = default;
    struct FreeDeleter
    {
        void operator()(std::uint8_t* p) const noexcept;
    };
    std::unique_ptr<std::uint8_t, FreeDeleter> m_data; // or
    std::unique_ptr<FileMapping> m_mapping;
    std::uint8_t* m_bytes = nullptr;
    std::size_t m_size = 0;
    bool m_maybeChanged = false;
};

// Handles: each owns its object and frees it when it goes.
using HDIB = std::unique_ptr<MemoryBlock>;
