// Bytes of a file mapped into memory instead of read into it: nothing is
// copied, and the pages come from the system's file cache. The mapping is
// private: writing to it changes this memory only, never the file. Only for
// files nobody changes or shortens while they are mapped, such as the
// program's own temporary files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

    // A read-only mapping of part of the same bytes as the file holds them
    // (offset and length within this mapping); null when it cannot be made.
    std::unique_ptr<FileMapping> MapAgain(std::size_t offset, std::size_t length) const noexcept;

    // Lets the system take back the memory of the whole pages inside the
    // range; they are read from the file again when next touched. Only
    // read-only mappings forget: a writable one could lose what was written.
    void Forget(std::size_t offset, std::size_t length) const noexcept;

private:
    FileMapping() = default;
    static std::unique_ptr<FileMapping> MapRange(int fd, std::uint64_t offset, std::size_t length,
                                                 bool writable) noexcept;

    int m_fd = -1;
    void* m_base = nullptr; // the mapping as made, from a page boundary
    std::size_t m_mappedLength = 0;
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_offset = 0; // of Data() in the file
    bool m_writable = false;
};
