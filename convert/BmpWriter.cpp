#include "BmpWriter.h"

#include "convert/PixelConversion.h"
#include "convert/RotateFlip.h"
#include "dib/DibFormat.h"

#include <QFileDevice>
#include <QIODevice>
#include <QPixelFormat>
#include <QRgba64>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <semaphore>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr quint32 kFileHeaderSize = kFileHeaderBytes;
constexpr quint32 kInfoHeaderSize = kInfoHeaderBytes;
constexpr quint32 kV4HeaderSize = 108;
constexpr quint32 kCompressionRgb = BI_RGB;
constexpr quint32 kCompressionBitfields = BI_BITFIELDS;
constexpr quint32 kColourSpaceSrgb = 0x73524742; // 'sRGB'

// Rows go out in chunks of about this many bytes: big enough that the write
// calls cost nothing, small enough to stay in cache next to the source rows.
constexpr qint64 kChunkBytes = qint64(1) << 20;

// s2.13 fixed point: 8192 is 1.0.
constexpr quint32 kFixedOne = 8192;
// Linear light is kept to 16 fractional bits below the s2.13 unit, so that
// multiplying by alpha can round once, at the end.
constexpr int kLinearExtraBits = 16;

// ---- Row encoders: one source row in, one file row (without padding) out.

using RowEncoder = void (*)(const uchar* src, uchar* dst, int width);

void Rgb565FromRgb16(const uchar* src, uchar* dst, int width)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(dst, src, size_t(width) * 2);
    } else {
        const auto* in = reinterpret_cast<const quint16*>(src);
        for (int x = 0; x < width; ++x)
            WriteU16(dst + 2 * x, in[x]);
    }
}

// Nearest 5- and 6-bit levels of an 8-bit channel.
constexpr std::array<quint16, 256> MakeLevels(int maxLevel)
{
    std::array<quint16, 256> levels{};
    for (int c = 0; c < 256; ++c)
        levels[size_t(c)] = quint16((c * maxLevel + 127) / 255);
    return levels;
}
constexpr std::array<quint16, 256> kLevels5 = MakeLevels(31);
constexpr std::array<quint16, 256> kLevels6 = MakeLevels(63);

void Rgb565FromRgb32(const uchar* src, uchar* dst, int width)
{
    const auto* in = reinterpret_cast<const quint32*>(src);
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        const quint16 v = quint16((kLevels5[(p >> 16) & 0xFF] << 11) |
                                  (kLevels6[(p >> 8) & 0xFF] << 5) | kLevels5[p & 0xFF]);
        WriteU16(dst + 2 * x, v);
    }
}

// From 16-bit channels the nearest level of the 16-bit value itself, not of
// an 8-bit rounding of it.
inline quint16 Level16(quint32 v, quint32 maxLevel)
{
    return quint16((v * maxLevel + 32767) / 65535);
}

void Rgb565FromRgbx64(const uchar* src, uchar* dst, int width)
{
    const auto* in = reinterpret_cast<const QRgba64*>(src);
    for (int x = 0; x < width; ++x) {
        const QRgba64 p = in[x];
        WriteU16(dst + 2 * x, quint16((Level16(p.red(), 31) << 11) | (Level16(p.green(), 63) << 5) |
                                      Level16(p.blue(), 31)));
    }
}

void Rgb24FromBgr888(const uchar* src, uchar* dst, int width)
{
    std::memcpy(dst, src, size_t(width) * 3);
}

// Opaque 32-bit pixels straight to the file's B, G, R: the unused byte is
// dropped, as Qt's own conversion to BGR888 drops it.
void Rgb24FromRgb32(const uchar* src, uchar* dst, int width)
{
    const auto* in = reinterpret_cast<const quint32*>(src);
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        dst[3 * x] = uchar(p);
        dst[3 * x + 1] = uchar(p >> 8);
        dst[3 * x + 2] = uchar(p >> 16);
    }
}

// Format_RGB32 keeps 0xFF in the unused byte; the file wants 0 there.
void Rgb32FromRgb32(const uchar* src, uchar* dst, int width)
{
    const auto* in = reinterpret_cast<const quint32*>(src);
    for (int x = 0; x < width; ++x)
        WriteU32(dst + 4 * x, in[x] & 0x00FFFFFFu);
}

// ARGB32 (straight or premultiplied) is the file's B,G,R,A on little-endian.
void Bgra32FromArgb32(const uchar* src, uchar* dst, int width)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(dst, src, size_t(width) * 4);
    } else {
        const auto* in = reinterpret_cast<const quint32*>(src);
        for (int x = 0; x < width; ++x)
            WriteU32(dst + 4 * x, in[x]);
    }
}

// ---- 64 bits per pixel: linear light in s2.13.

// sRGB-encoded 16-bit values to linear light, computed once: rounded to
// s2.13 for opaque and straight pixels, and with 16 more fractional bits for
// multiplying by alpha, so that the product is rounded only once.
struct LinearTables
{
    std::vector<quint16> fixed;  // round(linear * 8192)
    std::vector<quint32> scaled; // round(linear * 8192 * 65536)
};

const LinearTables& Linear()
{
    static const LinearTables tables = [] {
        LinearTables t{std::vector<quint16>(65536), std::vector<quint32>(65536)};
        for (size_t i = 0; i < 65536; ++i) {
            const double c = double(i) / 65535.0;
            const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            t.fixed[i] = quint16(std::lround(linear * kFixedOne));
            t.scaled[i] = quint32(std::lround(linear * kFixedOne * (1 << kLinearExtraBits)));
        }
        return t;
    }();
    return tables;
}

// Alpha as a multiplier with 32 fractional bits: round(alpha / 65535 * 2^32).
inline quint64 AlphaFactor(quint32 alpha)
{
    return ((quint64(alpha) << 32) + 32767) / 65535;
}

// Linear colour (from the scaled table) times alpha, rounded to s2.13.
inline quint16 TimesAlpha(quint32 scaledLinear, quint64 alphaFactor)
{
    constexpr int shift = 32 + kLinearExtraBits;
    return quint16((scaledLinear * alphaFactor + (quint64(1) << (shift - 1))) >> shift);
}

inline quint16 AlphaFixed(quint32 alpha)
{
    return quint16((alpha * kFixedOne + 32767) / 65535);
}

// The straight 16-bit value of a premultiplied one, for 0 < alpha < 65535.
inline quint32 Unpremultiply(quint32 c, double alphaReciprocal)
{
    return std::min<quint32>(quint32(c * alphaReciprocal + 0.5), 65535);
}

// Format_RGBA64 holds R, G, B, A as native 16-bit words in that memory
// order, so within one native 64-bit load red is at the low end on
// little-endian machines and at the high end on big-endian ones.
constexpr bool kLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
constexpr int kRedShift = kLittleEndian ? 0 : 48;
constexpr int kGreenShift = kLittleEndian ? 16 : 32;
constexpr int kBlueShift = kLittleEndian ? 32 : 16;
constexpr int kAlphaShift = kLittleEndian ? 48 : 0;

inline quint64 LoadPixel64(const uchar* p)
{
    quint64 v;
    std::memcpy(&v, p, 8);
    return v;
}

inline quint32 Red(quint64 p)
{
    return quint32((p >> kRedShift) & 0xFFFF);
}
inline quint32 Green(quint64 p)
{
    return quint32((p >> kGreenShift) & 0xFFFF);
}
inline quint32 Blue(quint64 p)
{
    return quint32((p >> kBlueShift) & 0xFFFF);
}
inline quint32 Alpha(quint64 p)
{
    return quint32((p >> kAlphaShift) & 0xFFFF);
}

// The file's pixel: B, G, R, A little-endian words.
inline void StorePixel64(uchar* dst, quint16 b, quint16 g, quint16 r, quint16 a)
{
    qToLittleEndian(quint64(b) | (quint64(g) << 16) | (quint64(r) << 32) | (quint64(a) << 48), dst);
}

void Argb64FromRgba64(const uchar* src, uchar* dst, int width)
{
    const quint16* fixed = Linear().fixed.data();
    for (int x = 0; x < width; ++x, src += 8, dst += 8) {
        const quint64 p = LoadPixel64(src);
        // Opaque pixels, the usual case, skip the division.
        const quint32 a = Alpha(p);
        StorePixel64(dst, fixed[Blue(p)], fixed[Green(p)], fixed[Red(p)],
                     a == 65535 ? quint16(kFixedOne) : AlphaFixed(a));
    }
}

void Argb64FromRgba64Premultiplied(const uchar* src, uchar* dst, int width)
{
    const quint16* fixed = Linear().fixed.data();
    for (int x = 0; x < width; ++x, src += 8, dst += 8) {
        const quint64 p = LoadPixel64(src);
        const quint32 a = Alpha(p);
        quint32 r = Red(p), g = Green(p), b = Blue(p);
        if (a == 0) {
            r = g = b = 0;
        } else if (a != 65535) {
            const double reciprocal = 65535.0 / a;
            r = Unpremultiply(r, reciprocal);
            g = Unpremultiply(g, reciprocal);
            b = Unpremultiply(b, reciprocal);
        }
        StorePixel64(dst, fixed[b], fixed[g], fixed[r], AlphaFixed(a));
    }
}

void Pargb64FromRgba64(const uchar* src, uchar* dst, int width)
{
    const quint16* fixed = Linear().fixed.data();
    const quint32* scaled = Linear().scaled.data();
    for (int x = 0; x < width; ++x, src += 8, dst += 8) {
        const quint64 p = LoadPixel64(src);
        const quint32 a = Alpha(p);
        if (a == 65535) {
            StorePixel64(dst, fixed[Blue(p)], fixed[Green(p)], fixed[Red(p)], quint16(kFixedOne));
        } else {
            const quint64 f = AlphaFactor(a);
            StorePixel64(dst, TimesAlpha(scaled[Blue(p)], f), TimesAlpha(scaled[Green(p)], f),
                         TimesAlpha(scaled[Red(p)], f), AlphaFixed(a));
        }
    }
}

// Qt premultiplies the sRGB-encoded values; the file wants linear colour times
// alpha, so undo Qt's premultiplication before linearising.
void Pargb64FromRgba64Premultiplied(const uchar* src, uchar* dst, int width)
{
    const quint16* fixed = Linear().fixed.data();
    const quint32* scaled = Linear().scaled.data();
    for (int x = 0; x < width; ++x, src += 8, dst += 8) {
        const quint64 p = LoadPixel64(src);
        const quint32 a = Alpha(p);
        if (a == 65535) {
            StorePixel64(dst, fixed[Blue(p)], fixed[Green(p)], fixed[Red(p)], quint16(kFixedOne));
        } else if (a == 0) {
            StorePixel64(dst, 0, 0, 0, 0);
        } else {
            const double reciprocal = 65535.0 / a;
            const quint64 f = AlphaFactor(a);
            StorePixel64(dst, TimesAlpha(scaled[Unpremultiply(Blue(p), reciprocal)], f),
                         TimesAlpha(scaled[Unpremultiply(Green(p), reciprocal)], f),
                         TimesAlpha(scaled[Unpremultiply(Red(p), reciprocal)], f), AlphaFixed(a));
        }
    }
}

// ---- Layouts.

struct Layout
{
    int bitCount;
    quint32 headerSize;  // the information header alone
    quint32 compression; // BI_RGB or BI_BITFIELDS
    bool trailingMasks;  // three DWORD masks after a 40-byte header
};

Layout LayoutFor(BmpFormat format)
{
    switch (format) {
    case BmpFormat::Rgb565:
        return {16, kInfoHeaderSize, kCompressionBitfields, true};
    case BmpFormat::Rgb24:
        return {24, kInfoHeaderSize, kCompressionRgb, false};
    case BmpFormat::Rgb32:
        return {32, kInfoHeaderSize, kCompressionRgb, false};
    case BmpFormat::Argb32:
    case BmpFormat::Pargb32:
        return {32, kV4HeaderSize, kCompressionBitfields, false};
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64:
        return {64, kInfoHeaderSize, kCompressionRgb, false};
    }
    return {24, kInfoHeaderSize, kCompressionRgb, false};
}

bool IsPremultiplied(QImage::Format format)
{
    return QImage::toPixelFormat(format).premultiplied() == QPixelFormat::Premultiplied;
}

// The format rows are read in and the encoder for it. An image already in a
// format listed here is read in place.
struct RowSource
{
    QImage::Format format;
    RowEncoder encode;
};

RowSource RowSourceFor(BmpFormat format, QImage::Format imageFormat)
{
    switch (format) {
    case BmpFormat::Rgb565:
        if (imageFormat == QImage::Format_RGB16)
            return {QImage::Format_RGB16, Rgb565FromRgb16};
        // Qt's own conversion to RGB16 truncates; round from the source's
        // precision instead.
        if (HasWideChannels(imageFormat))
            return {QImage::Format_RGBX64, Rgb565FromRgbx64};
        return {QImage::Format_RGB32, Rgb565FromRgb32};
    case BmpFormat::Rgb24:
        if (imageFormat == QImage::Format_RGB32)
            return {QImage::Format_RGB32, Rgb24FromRgb32};
        return {QImage::Format_BGR888, Rgb24FromBgr888};
    case BmpFormat::Rgb32:
        return {QImage::Format_RGB32, Rgb32FromRgb32};
    case BmpFormat::Argb32:
        return {QImage::Format_ARGB32, Bgra32FromArgb32};
    case BmpFormat::Pargb32:
        return {QImage::Format_ARGB32_Premultiplied, Bgra32FromArgb32};
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64: {
        // Both 16-bit layouts are read in place. Otherwise keep whichever
        // alpha form the source has, so no extra premultiply round trip
        // loses precision at low alpha.
        const bool premultiplied =
            imageFormat == QImage::Format_RGBA64_Premultiplied ||
            (imageFormat != QImage::Format_RGBA64 && IsPremultiplied(imageFormat));
        if (format == BmpFormat::Argb64)
            return premultiplied ? RowSource{QImage::Format_RGBA64_Premultiplied,
                                             Argb64FromRgba64Premultiplied}
                                 : RowSource{QImage::Format_RGBA64, Argb64FromRgba64};
        return premultiplied
                   ? RowSource{QImage::Format_RGBA64_Premultiplied, Pargb64FromRgba64Premultiplied}
                   : RowSource{QImage::Format_RGBA64, Pargb64FromRgba64};
    }
    }
    return {QImage::Format_BGR888, Rgb24FromBgr888};
}

// Rows [top, top + rows) of the image converted to another format, reading
// the image's memory in place so that only the band is ever copied.
QImage ConvertBand(const QImage& image, int top, int rows, QImage::Format to)
{
    QImage band(image.constScanLine(top), image.width(), rows, image.bytesPerLine(),
                image.format());
    if (image.colorCount() > 0)
        band.setColorTable(image.colorTable());
    return ConvertPixels(band, to);
}

void StoreHeaders(uchar* h, const Layout& layout, qint32 width, qint32 height, quint32 offBits,
                  quint32 imageSize, qint32 ppmX, qint32 ppmY)
{
    // BITMAPFILEHEADER
    h[0] = 'B';
    h[1] = 'M';
    WriteU32(h + 2, offBits + imageSize);
    WriteU32(h + 6, 0); // two reserved words
    WriteU32(h + 10, offBits);

    // BITMAPINFOHEADER, the first 40 bytes of every header version
    uchar* info = h + kFileHeaderSize;
    WriteU32(info + 0, layout.headerSize);
    WriteU32(info + 4, quint32(width));
    WriteU32(info + 8, quint32(height)); // positive: bottom-up rows
    WriteU16(info + 12, 1);              // planes
    WriteU16(info + 14, quint16(layout.bitCount));
    WriteU32(info + 16, layout.compression);
    WriteU32(info + 20, imageSize);
    WriteU32(info + 24, quint32(ppmX));
    WriteU32(info + 28, quint32(ppmY));
    WriteU32(info + 32, 0); // colours used
    WriteU32(info + 36, 0); // colours important

    if (layout.trailingMasks) {
        WriteU32(info + 40, 0xF800);
        WriteU32(info + 44, 0x07E0);
        WriteU32(info + 48, 0x001F);
    } else if (layout.headerSize == kV4HeaderSize) {
        WriteU32(info + 40, 0x00FF0000);
        WriteU32(info + 44, 0x0000FF00);
        WriteU32(info + 48, 0x000000FF);
        WriteU32(info + 52, 0xFF000000);
        WriteU32(info + 56, kColourSpaceSrgb);
        // Endpoints and gammas (48 bytes) mean nothing with sRGB: zero.
        std::memset(info + 60, 0, kV4HeaderSize - 60);
    }
}

} // namespace

qint32 BmpPixelsPerMetre(double dpi)
{
    if (!(dpi > 0)) // also NaN
        return 0;
    const double ppm = std::round(dpi / 0.0254);
    if (ppm >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(ppm);
}

QImage::Format WorkingFormatFor(BmpFormat format)
{
    switch (format) {
    case BmpFormat::Rgb565:
        return QImage::Format_RGB16;
    case BmpFormat::Rgb24:
        return QImage::Format_BGR888;
    case BmpFormat::Rgb32:
        return QImage::Format_RGB32;
    case BmpFormat::Argb32:
        return QImage::Format_ARGB32;
    case BmpFormat::Pargb32:
        return QImage::Format_ARGB32_Premultiplied;
    case BmpFormat::Argb64:
        return QImage::Format_RGBA64;
    case BmpFormat::Pargb64:
        return QImage::Format_RGBA64_Premultiplied;
    }
    return QImage::Format_BGR888;
}

namespace {

// Makes the file's bands of rows, bottom band first: each turned (when a
// rotate-flip is pending), converted when the image is in another format,
// and encoded into a buffer of whole file rows.
class BandMaker
{
public:
    BandMaker(const QImage& image, int rotateFlip, int width, int height, qint64 stride,
              int bandRows, RowSource source)
        : m_image(image), m_rotateFlip(rotateFlip), m_width(width), m_height(height),
          m_stride(stride), m_bandRows(bandRows), m_source(source)
    {
    }

    int Bands() const { return (m_height + m_bandRows - 1) / m_bandRows; }
    int RowsOf(int band) const
    {
        const int bottom = m_height - band * m_bandRows;
        return bottom - std::max(0, bottom - m_bandRows);
    }

    // Band `band` into chunk; false when memory runs out.
    bool Make(int band, uchar* chunk)
    {
        const int bottom = m_height - band * m_bandRows;
        const int top = std::max(0, bottom - m_bandRows);
        const int rows = bottom - top;
        const QImage* rowsOf = &m_image;
        int first = top;
        if (m_rotateFlip != 0) {
            if (m_turned.isNull())
                m_turned = QImage(m_width, m_bandRows, m_image.format());
            if (m_turned.isNull() || !RotateFlipRows(m_image, m_rotateFlip, top, rows, m_turned))
                return false;
            rowsOf = &m_turned;
            first = 0;
        }
        const uchar* bandBits;
        qsizetype bandStride;
        if (rowsOf->format() == m_source.format) {
            bandBits = rowsOf->constScanLine(first);
            bandStride = rowsOf->bytesPerLine();
        } else {
            m_converted = ConvertBand(*rowsOf, first, rows, m_source.format);
            if (m_converted.isNull())
                return false;
            bandBits = m_converted.constBits();
            bandStride = m_converted.bytesPerLine();
        }
        for (int i = 0; i < rows; ++i)
            m_source.encode(bandBits + qsizetype(rows - 1 - i) * bandStride,
                            chunk + qsizetype(i) * m_stride, m_width);
        return true;
    }

private:
    const QImage& m_image;
    int m_rotateFlip;
    int m_width;
    int m_height;
    qint64 m_stride;
    int m_bandRows;
    RowSource m_source;
    QImage m_turned;
    QImage m_converted;
};

// Writes every band: on one thread, or with the next band made on a second
// thread while this one writes the last, through two chunks in turn.
bool WriteBands(BandMaker& maker, qint64 stride, int bandRows, QIODevice& out)
{
    const int bands = maker.Bands();
    const std::size_t chunkBytes = std::size_t(stride) * std::size_t(bandRows);
    // Zero-filled once: encoders never touch the padding at the end of a row.
    std::vector<uchar> chunks[2];
    chunks[0].resize(chunkBytes);
    const auto write = [&](int band, const uchar* chunk) {
        const qint64 bytes = qint64(maker.RowsOf(band)) * stride;
        return out.write(reinterpret_cast<const char*>(chunk), bytes) == bytes;
    };
    if (bands < 2 || std::thread::hardware_concurrency() < 2) {
        for (int band = 0; band < bands; ++band)
            if (!maker.Make(band, chunks[0].data()) || !write(band, chunks[0].data()))
                return false;
        return true;
    }
    chunks[1].resize(chunkBytes);
    using Semaphore = std::counting_semaphore<4>;
    Semaphore free[2] = {Semaphore(1), Semaphore(1)};
    Semaphore ready[2] = {Semaphore(0), Semaphore(0)};
    bool made[2] = {false, false};
    std::atomic<bool> stop{false};
    std::thread makerThread;
    try {
        makerThread = std::thread([&] {
            for (int band = 0; band < bands; ++band) {
                const int slot = band % 2;
                free[slot].acquire();
                if (stop.load())
                    return;
                made[slot] = maker.Make(band, chunks[slot].data());
                ready[slot].release();
                if (!made[slot])
                    return;
            }
        });
    } catch (const std::system_error&) {
        for (int band = 0; band < bands; ++band)
            if (!maker.Make(band, chunks[0].data()) || !write(band, chunks[0].data()))
                return false;
        return true;
    }
    bool ok = true;
    for (int band = 0; band < bands && ok; ++band) {
        const int slot = band % 2;
        ready[slot].acquire();
        ok = made[slot] && write(band, chunks[slot].data());
        free[slot].release();
    }
    if (!ok) {
        // Wake the maker wherever it waits, so that it ends.
        stop.store(true);
        free[0].release();
        free[1].release();
    }
    makerThread.join();
    return ok;
}

} // namespace

bool WriteBmp(const QImage& image, BmpFormat format, double dpiX, double dpiY, QIODevice& out,
              int rotateFlip)
{
    if (image.isNull() || !out.isWritable())
        return false;
    if (format < BmpFormat::Rgb565 || format > BmpFormat::Pargb64)
        return false;
    if (rotateFlip < 0 || rotateFlip > 7)
        return false;

    const Layout layout = LayoutFor(format);
    const bool sideways = (rotateFlip & 3) % 2 != 0;
    const int width = sideways ? image.height() : image.width();
    const int height = sideways ? image.width() : image.height();
    const qint64 stride = (qint64(width) * layout.bitCount + 31) / 32 * 4;
    const quint32 headersSize =
        kFileHeaderSize + layout.headerSize + (layout.trailingMasks ? 12 : 0);
    const qint64 imageSize = stride * height;
    // bfSize and biSizeImage are 32-bit.
    if (headersSize + imageSize > qint64(std::numeric_limits<quint32>::max()))
        return false;

    std::array<uchar, kFileHeaderSize + kV4HeaderSize> headers{};
    StoreHeaders(headers.data(), layout, width, height, headersSize, quint32(imageSize),
                 BmpPixelsPerMetre(dpiX), BmpPixelsPerMetre(dpiY));
    if (out.write(reinterpret_cast<const char*>(headers.data()), headersSize) != headersSize)
        return false;

    const int bandRows = int(std::clamp<qint64>(kChunkBytes / stride, 1, height));
    BandMaker maker(image, rotateFlip, width, height, stride, bandRows,
                    RowSourceFor(format, image.format()));
    if (!WriteBands(maker, stride, bandRows, out))
        return false;

    // A file device may still hold the last bytes in its buffer; a full disk
    // shows only when they go out.
    if (auto* file = qobject_cast<QFileDevice*>(&out))
        return file->flush();
    return true;
}
