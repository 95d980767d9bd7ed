#include "dib/FileMapping.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint64_t PageSize()
{
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? std::uint64_t(page) : 4096;
}

} // namespace

std::unique_ptr<FileMapping> FileMapping::Map(int fd, std::uint64_t offset,
                                              std::size_t length) noexcept
{
    return MapRange(fd, offset, length, true);
}

std::unique_ptr<FileMapping> FileMapping::MapRange(int fd, std::uint64_t offset, std::size_t length,
                                                   bool writable) noexcept
{
    if (fd < 0 || length == 0)
        return nullptr;
    // Touching a page past the end of a file kills the process, so the
    // file must hold every byte now.
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        offset > std::uint64_t(info.st_size) || length > std::uint64_t(info.st_size) - offset)
        return nullptr;
    const std::uint64_t start = offset / PageSize() * PageSize();
    const std::uint64_t lead = offset - start;
    if (length > std::numeric_limits<std::size_t>::max() - lead ||
        start > std::uint64_t(std::numeric_limits<off_t>::max()))
        return nullptr;
    std::unique_ptr<FileMapping> mapping(new (std::nothrow) FileMapping);
    if (!mapping)
        return nullptr;
    mapping->m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (mapping->m_fd < 0)
        return nullptr;
    const std::size_t mapped = std::size_t(lead) + length;
    void* base = ::mmap(nullptr, mapped, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_PRIVATE,
                        mapping->m_fd, off_t(start));
    if (base == MAP_FAILED)
        return nullptr;
    // Read front to back: let the system read ahead.
    (void)::madvise(base, mapped, MADV_SEQUENTIAL);
    mapping->m_base = base;
    mapping->m_mappedLength = mapped;
    mapping->m_data = static_cast<std::uint8_t*>(base) + lead;
    mapping->m_size = length;
    mapping->m_offset = offset;
    mapping->m_writable = writable;
    return mapping;
}

FileMapping::~FileMapping()
{
    if (m_base)
        ::munmap(m_base, m_mappedLength);
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<FileMapping> FileMapping::MapAgain(std::size_t offset,
                                                   std::size_t length) const noexcept
{
    if (offset > m_size || length > m_size - offset)
        return nullptr;
    return MapRange(m_fd, m_offset + offset, length, false);
}

void FileMapping::Forget(std::size_t offset, std::size_t length) const noexcept
{
    if (m_writable || offset > m_size || length > m_size - offset)
        return;
    const std::uint64_t page = PageSize();
    const auto first = std::uintptr_t(m_data + offset);
    const auto last = first + length;
    const std::uintptr_t from = (first + page - 1) / page * page;
    const std::uintptr_t to = last / page * page;
    if (to > from)
        (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}
