#include "dib/MemoryBlock.h"
#include "dib/ZeroedMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

void MemoryBlock::FreeDeleter::operator()(std::uint8_t* p) const noexcept
{
    std::free(p);
}

std::unique_ptr<MemoryBlock> MemoryBlock::Allocate(std::size_t bytes) noexcept
{
    if (bytes > kMaxBytes)
        return nullptr;
    // An empty block still owns a pointer (AllocateZeroed gives one), so
    // Data() is never null.
    auto* data = static_cast<std::uint8_t*>(AllocateZeroed(bytes));
    if (data == nullptr)
        return nullptr;
    std::unique_ptr<MemoryBlock> block(new (std::nothrow) MemoryBlock);
    if (!block) {
        std::free(data);
        return nullptr;
    }
    block->m_data.reset(data);
    block->m_bytes = data;
    block->m_size = bytes;
    return block;
}

std::unique_ptr<MemoryBlock> MemoryBlock::Over(std::unique_ptr<FileMapping> mapping) noexcept
{
    if (!mapping || mapping->Size() > kMaxBytes)
        return nullptr;
    std::unique_ptr<MemoryBlock> block(new (std::nothrow) MemoryBlock);
    if (!block)
        return nullptr;
    block->m_bytes = mapping->Data();
    block->m_size = mapping->Size();
    block->m_mapping = std::move(mapping);
    return block;
}

bool MemoryBlock::Resize(std::size_t bytes) noexcept
{
    if (bytes > kMaxBytes)
        return false;
    if (bytes == m_size)
        return true;
    if (m_mapping) {
        // A mapping cannot grow: the bytes move to memory of their own.
        auto* data = static_cast<std::uint8_t*>(AllocateZeroed(bytes));
        if (data == nullptr)
            return false;
        std::memcpy(data, m_bytes, std::min(bytes, m_size));
        m_mapping.reset();
        m_data.reset(data);
        m_bytes = data;
        m_size = bytes;
        return true;
    }
    if (bytes < m_size) {
        auto* data = static_cast<std::uint8_t*>(std::realloc(m_data.get(), bytes != 0 ? bytes : 1));
        if (data == nullptr)
            return false;
        (void)m_data.release(); // realloc has taken it over
        m_data.reset(data);
        m_bytes = data;
        m_size = bytes;
        return true;
    }
    // Growing: a fresh zeroed block and a copy of the old bytes, rather than
    // realloc and clearing the added bytes, since large zeroed blocks come from
    // the system already cleared and are never touched twice.
    auto* data = static_cast<std::uint8_t*>(AllocateZeroed(bytes));
    if (data == nullptr)
        return false;
    std::memcpy(data, m_data.get(), m_size);
    m_data.reset(data);
    m_bytes = data;
    m_size = bytes;
    return true;
}
