// A cursor over the data of one EMF+ record or object. Every read is
// checked; once one fails the reader stays failed and gives zeros, so a
// record is read in full and judged once by Ok().
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/Canvas.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <vector>

namespace metafile {

class EmfPlusReader
{
public:
    EmfPlusReader() = default;
    explicit EmfPlusReader(const ByteReader& data) noexcept : m_data(data) {}

    bool Ok() const noexcept { return m_ok; }
    void Fail() noexcept { m_ok = false; }
    std::size_t Offset() const noexcept { return m_offset; }
    std::size_t Remaining() const noexcept
    {
        return m_ok && m_offset <= m_data.Size() ? m_data.Size() - m_offset : 0;
    }

    std::uint8_t U8();
    std::uint16_t U16();
    std::int16_t I16();
    std::uint32_t U32();
    std::int32_t I32();
    // A finite float; anything else fails the reader.
    double F32();
    Color Argb();
    Matrix Xform();
    // RectF (four floats) or, compressed, Rect (four int16): x, y, width, height.
    RectD Rect(bool compressed);
    // count bytes as a sub-reader, the cursor moved past them.
    ByteReader Take(std::size_t count);
    void Skip(std::size_t count);
    // count points: PointF, Point (int16, compressed) or PointR (relative);
    // the budget is spent first.
    bool Points(std::uint32_t count, bool compressed, bool relative, PlayBudget& budget,
                std::vector<PointD>& out);
    // count floats.
    bool Floats(std::uint32_t count, std::vector<double>& out);

private:
    ByteReader m_data;
    std::size_t m_offset = 0;
    bool m_ok = true;
};

} // namespace metafile
