#include "metafile/EmfPlusReader.h"

#include <bit>
#include <cmath>

namespace metafile {

std::uint8_t EmfPlusReader::U8()
{
    std::uint8_t v = 0;
    if (m_ok && m_data.U8At(m_offset, v))
        m_offset += 1;
    else
        m_ok = false;
    return m_ok ? v : 0;
}

std::uint16_t EmfPlusReader::U16()
{
    std::uint16_t v = 0;
    if (m_ok && m_data.U16At(m_offset, v))
        m_offset += 2;
    else
        m_ok = false;
    return m_ok ? v : 0;
}

std::int16_t EmfPlusReader::I16()
{
    return std::int16_t(U16());
}

std::uint32_t EmfPlusReader::U32()
{
    std::uint32_t v = 0;
    if (m_ok && m_data.U32At(m_offset, v))
        m_offset += 4;
    else
        m_ok = false;
    return m_ok ? v : 0;
}

std::int32_t EmfPlusReader::I32()
{
    return std::int32_t(U32());
}

double EmfPlusReader::F32()
{
    const float f = std::bit_cast<float>(U32());
    if (!std::isfinite(f)) {
        m_ok = false;
        return 0;
    }
    return m_ok ? f : 0;
}

Color EmfPlusReader::Argb()
{
    const std::uint32_t v = U32();
    return {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v), std::uint8_t(v >> 24)};
}

Matrix EmfPlusReader::Xform()
{
    Matrix m;
    m.m11 = F32();
    m.m12 = F32();
    m.m21 = F32();
    m.m22 = F32();
    m.dx = F32();
    m.dy = F32();
    return m_ok ? m : Matrix{};
}

RectD EmfPlusReader::Rect(bool compressed)
{
    double v[4];
    for (double& d : v)
        d = compressed ? double(I16()) : F32();
    return {v[0], v[1], v[0] + v[2], v[1] + v[3]};
}

ByteReader EmfPlusReader::Take(std::size_t count)
{
    ByteReader out;
    if (m_ok && m_data.Sub(m_offset, count, out))
        m_offset += count;
    else
        m_ok = false;
    return out;
}

void EmfPlusReader::Skip(std::size_t count)
{
    Take(count);
}

bool EmfPlusReader::Points(std::uint32_t count, bool compressed, bool relative, PlayBudget& budget,
                           std::vector<PointD>& out)
{
    out.clear();
    // Every point takes at least one byte (two for relative ones).
    const std::size_t least = relative ? 2 : (compressed ? 4 : 8);
    if (!m_ok || count > Remaining() / least || !budget.SpendPoints(count)) {
        m_ok = false;
        return false;
    }
    out.reserve(count);
    PointD last;
    for (std::uint32_t i = 0; i < count && m_ok; ++i) {
        PointD p;
        if (relative) {
            // Each coordinate: 7 bits signed in one byte, or 15 bits in two
            // when the first byte's top bit is set; relative to the last point.
            double d[2];
            for (double& v : d) {
                const std::uint8_t b0 = U8();
                if (b0 & 0x80) {
                    const std::uint8_t b1 = U8();
                    int value = ((b0 & 0x7F) << 8) | b1;
                    if (value & 0x4000)
                        value -= 0x8000;
                    v = value;
                } else {
                    v = (b0 & 0x40) ? int(b0) - 0x80 : int(b0);
                }
            }
            p = {last.x + d[0], last.y + d[1]};
        } else if (compressed) {
            p.x = I16();
            p.y = I16();
        } else {
            p.x = F32();
            p.y = F32();
        }
        last = p;
        out.push_back(p);
    }
    return m_ok;
}

bool EmfPlusReader::Floats(std::uint32_t count, std::vector<double>& out)
{
    out.clear();
    if (!m_ok || count > Remaining() / 4) {
        m_ok = false;
        return false;
    }
    out.reserve(count);
    for (std::uint32_t i = 0; i < count && m_ok; ++i)
        out.push_back(F32());
    return m_ok;
}

} // namespace metafile
