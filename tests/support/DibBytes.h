// Bitmap files and blocks made byte by byte for the DIB tests, and a file
// double that records the sizes of its reads and writes.
#pragma once

#include "dib/CMyBitMap.h"
#include "dib/MemoryDibFile.h"

#include <QByteArray>
#include <QList>

#include <cstring>
#include <functional>

namespace dibbytes {

inline void Put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

inline void Put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

struct Info
{
    qint32 width = 1;
    qint32 height = 1;
    quint16 bits = 24;
    quint32 compression = 0;
    quint32 imageSize = 0;
    quint32 colorsUsed = 0;
    quint32 colorsImportant = 0;
    quint32 headerSize = 40;
    quint16 planes = 1;
};

// A 40-byte header, or a longer one padded with zeros when headerSize says so.
inline QByteArray InfoHeader(const Info& info)
{
    QByteArray out;
    Put32(out, info.headerSize);
    Put32(out, quint32(info.width));
    Put32(out, quint32(info.height));
    Put16(out, info.planes);
    Put16(out, info.bits);
    Put32(out, info.compression);
    Put32(out, info.imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, info.colorsUsed);
    Put32(out, info.colorsImportant);
    if (info.headerSize > 40)
        out.append(QByteArray(int(info.headerSize - 40), '\0'));
    return out;
}

inline QByteArray CoreHeader(quint16 width, quint16 height, quint16 bits)
{
    QByteArray out;
    Put32(out, 12);
    Put16(out, width);
    Put16(out, height);
    Put16(out, 1);
    Put16(out, bits);
    return out;
}

inline QByteArray FileHeader(quint32 fileSize, quint32 pixelOffset)
{
    QByteArray out("BM");
    Put32(out, fileSize);
    Put32(out, 0);
    Put32(out, pixelOffset);
    return out;
}

// Colour table entries as 0x00RRGGBB, stored blue, green, red, 0.
inline QByteArray Quads(const QList<quint32>& colors)
{
    QByteArray out;
    for (quint32 c : colors) {
        out.append(char(c & 0xFF));
        out.append(char((c >> 8) & 0xFF));
        out.append(char((c >> 16) & 0xFF));
        out.append('\0');
    }
    return out;
}

// A file: file header, then header and table, then pixels right after.
inline QByteArray BitmapFile(const QByteArray& headerAndTable, const QByteArray& pixels)
{
    const quint32 offset = 14 + quint32(headerAndTable.size());
    return FileHeader(offset + quint32(pixels.size()), offset) + headerAndTable + pixels;
}

inline HDIB BlockFrom(const QByteArray& bytes)
{
    HDIB block = MemoryBlock::Allocate(std::size_t(bytes.size()));
    if (block && !bytes.isEmpty())
        std::memcpy(block->Data(), bytes.constData(), std::size_t(bytes.size()));
    return block;
}

inline QByteArray BytesOf(const MemoryBlock& block)
{
    return QByteArray(reinterpret_cast<const char*>(block.Data()), qsizetype(block.Size()));
}

// Every pixel of a device bitmap, row by row from the top.
inline QList<quint32> PixelsOf(const DeviceBitmap& bitmap)
{
    QList<quint32> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            pixels.append(bitmap.Row(y)[x]);
    return pixels;
}

inline HBITMAP MakeBitmap(int width, int height, const std::function<quint32(int x, int y)>& color)
{
    HBITMAP bitmap = DeviceBitmap::Create(width, height);
    if (bitmap) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap->MutableRow(y)[x] = color(x, y);
    }
    return bitmap;
}

inline std::u16string U16(const QString& text)
{
    return text.toStdU16String();
}

// Index of the pixel at (x, y), y from the top, in an uncompressed
// bottom-up block of 1, 4 or 8 bits.
inline int IndexAt(const MemoryBlock& block, int x, int y)
{
    const BITMAPINFOHEADER h = ParseInfoHeader(block.Data());
    const std::size_t stride = std::size_t(RowStride(h.biWidth, h.biBitCount));
    const std::size_t table = HeaderColorTableBytes(block.Data());
    const std::uint8_t* row = block.Data() + 40 + table + stride * std::size_t(h.biHeight - 1 - y);
    switch (h.biBitCount) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
    default:
        return row[x];
    }
}

// Colour table entry of a block as 0x00RRGGBB.
inline quint32 TableColor(const MemoryBlock& block, int index)
{
    const std::uint8_t* q = block.Data() + 40 + 4 * index;
    return quint32(q[2]) << 16 | quint32(q[1]) << 8 | q[0];
}

// Records the byte counts of every read and write.
class RecordingFile : public MemoryDibFile
{
public:
    using MemoryDibFile::MemoryDibFile;
    explicit RecordingFile(const QByteArray& bytes)
        : MemoryDibFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        std::size_t(bytes.size()))
    {
    }

    std::size_t Read(void* destination, std::size_t count) override
    {
        reads.append(qsizetype(count));
        return MemoryDibFile::Read(destination, count);
    }
    std::size_t Write(const void* source, std::size_t count) override
    {
        writes.append(qsizetype(count));
        if (writeLimit >= 0 && totalWritten + qsizetype(count) > writeLimit) {
            // A full disk: only some of the bytes go.
            const std::size_t room = std::size_t(writeLimit - totalWritten);
            totalWritten = writeLimit;
            return room == 0 ? 0 : MemoryDibFile::Write(source, room);
        }
        totalWritten += qsizetype(count);
        return MemoryDibFile::Write(source, count);
    }

    QList<qsizetype> reads;
    QList<qsizetype> writes;
    qsizetype writeLimit = -1; // bytes the "disk" takes; -1 for no limit
    qsizetype totalWritten = 0;
};

} // namespace dibbytes
