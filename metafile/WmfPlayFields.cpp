// Reading the 16-bit parameters of a WMF record, each read checked.
#include "metafile/RecordFields.h"
#include "metafile/WmfPlayContext.h"

namespace metafile {

namespace {

constexpr std::size_t kParams = 6; // after RecordSize and RecordFunction

std::size_t At(std::size_t index) noexcept
{
    return kParams + 2 * index;
}

} // namespace

bool WmfI16(const WmfRecord& record, std::size_t index, std::int16_t& out) noexcept
{
    return index < record.bytes.Size() && record.bytes.I16At(At(index), out);
}

bool WmfU16(const WmfRecord& record, std::size_t index, std::uint16_t& out) noexcept
{
    return index < record.bytes.Size() && record.bytes.U16At(At(index), out);
}

bool WmfU32(const WmfRecord& record, std::size_t index, std::uint32_t& out) noexcept
{
    return index < record.bytes.Size() && record.bytes.U32At(At(index), out);
}

bool WmfColor(const WmfRecord& record, std::size_t index, Color& out) noexcept
{
    return index < record.bytes.Size() && ReadColorRef(record.bytes, At(index), out);
}

bool WmfRectBRTL(const WmfRecord& record, std::size_t index, RectD& out) noexcept
{
    std::int16_t v[4];
    for (std::size_t i = 0; i < 4; ++i)
        if (!WmfI16(record, index + i, v[i]))
            return false;
    out = {double(v[3]), double(v[2]), double(v[1]), double(v[0])};
    return true;
}

bool WmfPointYX(const WmfRecord& record, std::size_t index, PointD& out) noexcept
{
    std::int16_t y = 0, x = 0;
    if (!WmfI16(record, index, y) || !WmfI16(record, index + 1, x))
        return false;
    out = {double(x), double(y)};
    return true;
}

ByteReader WmfTail(const WmfRecord& record, std::size_t index) noexcept
{
    ByteReader out;
    if (index < record.bytes.Size() && At(index) <= record.bytes.Size())
        record.bytes.Sub(At(index), record.bytes.Size() - At(index), out);
    return out;
}

} // namespace metafile

namespace metafile {

std::u16string WmfDecodeText(const ByteReader& bytes, std::size_t length, bool stopAtNul)
{
    static constexpr char16_t k80[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::u16string out;
    for (std::size_t i = 0; i < length && i < bytes.Size(); ++i) {
        std::uint8_t c = 0;
        bytes.U8At(i, c);
        if (c == 0 && stopAtNul)
            break;
        out.push_back(c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : char16_t(c));
    }
    return out;
}

} // namespace metafile
