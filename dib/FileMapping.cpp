#include "dib/FileMapping.h"

#include <cerrno>
#include <cstdint>
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
    void* base =
        ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE, mapping->m_fd, off_t(start));
    if (base == MAP_FAILED)
        return nullptr;
    mapping->m_base = base;
    mapping->m_mappedLength = mapped;
    mapping->m_data = static_cast<std::uint8_t*>(base) + lead;
    mapping->m_size = length;
    mapping->m_offset = offset;
    return mapping;
}

FileMapping::~FileMapping()
{
    if (m_base)
        ::munmap(m_base, m_mappedLength);
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<FileSpan> FileMapping::Span(std::size_t offset, std::size_t length) const noexcept
{
    if (offset > m_size || length > m_size - offset)
        return nullptr;
    std::unique_ptr<FileSpan> span(new (std::nothrow) FileSpan);
    if (!span)
        return nullptr;
    span->m_fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (span->m_fd < 0)
        return nullptr;
    span->m_offset = m_offset + offset;
    span->m_size = length;
    return span;
}

FileSpan::~FileSpan()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSpan::Read(std::size_t offset, std::uint8_t* destination,
                    std::size_t length) const noexcept
{
    if (offset > m_size || length > m_size - offset)
        return false;
    std::uint64_t at = m_offset + offset;
    while (length > 0) {
        const ssize_t got = ::pread(m_fd, destination, length, off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        destination += got;
        at += std::uint64_t(got);
        length -= std::size_t(got);
    }
    return true;
}
