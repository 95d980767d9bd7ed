#include "support/GifWriter.h"

#include <unordered_map>

namespace {

void PutWord(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

class BitPacker
{
public:
    explicit BitPacker(QByteArray& out) : m_out(out) {}
    void Put(unsigned code, int width)
    {
        m_bits |= std::uint64_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_out.append(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void Flush()
    {
        if (m_count > 0)
            m_out.append(char(m_bits & 0xFF));
        m_bits = 0;
        m_count = 0;
    }

private:
    QByteArray& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

} // namespace

QByteArray GifLzw(const uchar* indices, qsizetype count)
{
    constexpr unsigned kClear = 256;
    constexpr unsigned kEnd = 257;
    constexpr unsigned kMaxCodes = 4096;
    QByteArray out;
    BitPacker bits(out);
    std::unordered_map<unsigned, unsigned> table;
    unsigned next = kEnd + 1;
    int width = 9;
    // The reader adds a table entry for every code after the first one
    // following a clear, and widens its codes once the table reaches the
    // next power of two; the writer keeps the same count.
    const auto added = [&] {
        ++next;
        if (next > (1u << width) && width < 12)
            ++width;
    };
    bits.Put(kClear, width);
    if (count > 0) {
        unsigned prefix = indices[0];
        for (qsizetype i = 1; i < count; ++i) {
            const unsigned key = (prefix << 8) | indices[i];
            const auto found = table.find(key);
            if (found != table.end()) {
                prefix = found->second;
                continue;
            }
            bits.Put(prefix, width);
            table.emplace(key, next);
            added();
            if (next == kMaxCodes) {
                bits.Put(kClear, width);
                table.clear();
                next = kEnd + 1;
                width = 9;
            }
            prefix = indices[i];
        }
        bits.Put(prefix, width);
        if (next < kMaxCodes)
            added();
    }
    bits.Put(kEnd, width);
    bits.Flush();
    return out;
}

QByteArray EncodeGif(QSize canvas, const QList<GifFrame>& frames)
{
    QByteArray out("GIF89a");
    PutWord(out, canvas.width());
    PutWord(out, canvas.height());
    out.append(char(0)); // no global colour table
    out.append(char(0)); // background index
    out.append(char(0)); // square pixels
    for (const GifFrame& frame : frames) {
        const QImage& pixels = frame.pixels;
        // Graphic control extension.
        out.append("\x21\xF9\x04", 3);
        out.append(char(((frame.disposal & 7) << 2) | (frame.transparentIndex >= 0 ? 1 : 0)));
        PutWord(out, frame.delayHundredths);
        out.append(char(frame.transparentIndex >= 0 ? frame.transparentIndex : 0));
        out.append(char(0));
        // Image descriptor with a local table of 256 colours.
        out.append(char(0x2C));
        PutWord(out, frame.at.x());
        PutWord(out, frame.at.y());
        PutWord(out, pixels.width());
        PutWord(out, pixels.height());
        out.append(char(0x87));
        const QList<QRgb> colors = pixels.colorTable();
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < colors.size() ? colors[i] : 0;
            out.append(char(qRed(c)));
            out.append(char(qGreen(c)));
            out.append(char(qBlue(c)));
        }
        out.append(char(8));
        QByteArray rows;
        rows.reserve(qsizetype(pixels.width()) * pixels.height());
        for (int y = 0; y < pixels.height(); ++y)
            rows.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width());
        const QByteArray data =
            GifLzw(reinterpret_cast<const uchar*>(rows.constData()), rows.size());
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const qsizetype n = std::min<qsizetype>(255, data.size() - at);
            out.append(char(n));
            out.append(data.constData() + at, n);
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}
