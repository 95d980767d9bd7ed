// Files on disk through POSIX descriptors: unbuffered, so a failed write is
// seen at the write and not later at a close nobody checks.
#include "dib/DibFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PosixDibFile final : public DibFile
{
public:
    explicit PosixDibFile(int fd) : m_fd(fd) {}
    ~PosixDibFile() override { ::close(m_fd); }
    PosixDibFile(const PosixDibFile&) = delete;
    PosixDibFile& operator=(const PosixDibFile&) = delete;

    std::size_t Read(void* destination, std::size_t count) override
    {
        auto* out = static_cast<char*>(destination);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = ::read(m_fd, out + done, count - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += std::size_t(got);
        }
        return done;
    }

    std::size_t Write(const void* source, std::size_t count) override
    {
        const auto* in = static_cast<const char*>(source);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(m_fd, in + done, count - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            done += std::size_t(put);
        }
        return done;
    }

    std::int64_t Seek(std::int64_t offset, Origin origin) override
    {
        const int whence = origin == Origin::Begin     ? SEEK_SET
                           : origin == Origin::Current ? SEEK_CUR
                                                       : SEEK_END;
        const off_t position = ::lseek(m_fd, off_t(offset), whence);
        return position < 0 ? -1 : std::int64_t(position);
    }

    std::int64_t Tell() override { return Seek(0, Origin::Current); }

    std::int64_t Length() override
    {
        struct stat info
        {
        };
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
            return -1;
        return std::int64_t(info.st_size);
    }

    std::unique_ptr<FileMapping> Map(std::uint64_t offset, std::size_t length) override
    {
        return FileMapping::Map(m_fd, offset, length);
    }

private:
    int m_fd;
};

// The path in the system's own encoding; false for text that has none
// (a lone surrogate, say).
bool NativePath(const std::u16string& path, std::string& native)
{
    try {
        native = std::filesystem::path(path).native();
    } catch (...) {
        return false;
    }
    return !native.empty();
}

} // namespace

std::unique_ptr<DibFile> OpenDibFileForReading(const std::u16string& path)
{
    std::string native;
    if (!NativePath(path, native))
        return nullptr;
    int fd;
    do
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixDibFile>(fd);
}

std::unique_ptr<DibFile> CreateNewDibFile(const std::u16string& path)
{
    std::string native;
    if (!NativePath(path, native))
        return nullptr;
    int fd;
    do
        fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixDibFile>(fd);
}
