// Bytes of a file mapped into memory instead of read into it: nothing is
// copied, and the pages come from the system's file cache when touched. The
// mapping is private: writing to it changes this memory only, never the
// file. Only for files nobody changes or shortens while they are mapped,
// such as the program's own temporary files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Bytes of an open file read on demand, from any thread: reading into a
// small buffer that stays in cache beats touching a file's mapped pages one
// by one.
class FileSpan
{
public:
    ~FileSpan();
    FileSpan(const FileSpan&) = delete;
    FileSpan& operator=(const FileSpan&) = delete;

    std::size_t Size() const noexcept { return m_size; }
    // Copies length bytes from the offset; false when the file no longer
    // holds them.
    bool Read(std::size_t offset, std::uint8_t* destination, std::size_t length) const noexcept;

private:
    friend class FileMapping;
    FileSpan() = default;
    int m_fd = -1;
    std::uint64_t m_offset = 0;
    std::size_t m_size = 0;
};

class FileMapping
{
public:
    // The length bytes of the open file from the offset, writable
    // (copy-on-write); null when they cannot be mapped or the file is
    // shorter. The mapping keeps a descriptor of its own.
    static std::unique_ptr<FileMapping> Map(int fd, std::uint64_t offset,
                                            std::size_t length) noexcept;
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    std::uint8_t* Data() noexcept { return m_data; }
    const std::uint8_t* Data() const noexcept { return m_data; }
    std::size_t Size() const noexcept { return m_size; }

    // Part of the same bytes (offset and length within this mapping) as the
    // file holds them, to be read rather than mapped; null when the
    // descriptor cannot be shared.
    std::unique_ptr<FileSpan> Span(std::size_t offset, std::size_t length) const noexcept;

private:
    FileMapping() = default;

    int m_fd = -1;
    void* m_base = nullptr; // the mapping as made, from a page boundary
    std::size_t m_mappedLength = 0;
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_offset = 0; // of Data() in the file
};
