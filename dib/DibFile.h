// Files as the DIB code reads and writes them: plain byte I/O with explicit
// positions, behind an interface so that tests can watch the calls.
#pragma once

#include "dib/FileMapping.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class DibFile
{
public:
    enum class Origin
    {
        Begin,
        Current,
        End
    };

    virtual ~DibFile() = default;
    // Reads up to count bytes; returns how many arrived.
    virtual std::size_t Read(void* destination, std::size_t count) = 0;
    // Writes count bytes; returns how many were written.
    virtual std::size_t Write(const void* source, std::size_t count) = 0;
    // Moves the position; returns the new position, or -1 on failure.
    virtual std::int64_t Seek(std::int64_t offset, Origin origin) = 0;
    virtual std::int64_t Tell() = 0;
    // The file's length in bytes, or -1 when unknown.
    virtual std::int64_t Length() = 0;
    // The bytes from the offset mapped into memory (see FileMapping); null
    // when this file cannot be mapped.
    virtual std::unique_ptr<FileMapping> Map(std::uint64_t offset, std::size_t length)
    {
        (void)offset;
        (void)length;
        return nullptr;
    }
};

// Opens an existing file for reading; null when it cannot be opened (also
// for folders).
std::unique_ptr<DibFile> OpenDibFileForReading(const std::u16string& path);
// Creates a new file for writing; null when it exists or cannot be made.
std::unique_ptr<DibFile> CreateNewDibFile(const std::u16string& path);
