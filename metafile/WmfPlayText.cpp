// WMF text records: TEXTOUT and EXTTEXTOUT with its rectangle and spacing.
#include "metafile/CharSetText.h"
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

std::size_t StringWords(std::int16_t length)
{
    return (std::size_t(length) + 1) / 2;
}

// The record's bytes in the selected font's charset, their per-byte
// spacing summed per character.
void DecodeText(WmfPlayContext& play, const ByteReader& bytes, std::size_t length,
                const std::vector<std::int32_t>& byteDx, std::u16string& text,
                std::vector<std::int32_t>& dx)
{
    ByteReader string;
    if (!bytes.Sub(0, length, string))
        return;
    DecodeCharSetSpacing(string.Bytes(), play.core.State().font.charSet, byteDx, false, text, dx);
}

RecordResult TextOut(WmfPlayContext& play, const WmfRecord& record)
{
    std::int16_t length = 0;
    PointD p;
    if (!WmfI16(record, 0, length) || length < 0 || !WmfPointYX(record, 1 + StringWords(length), p))
        return RecordResult::Skipped;
    const ByteReader text = WmfTail(record, 1);
    if (!text.Holds(0, std::size_t(length)))
        return RecordResult::Skipped;
    std::u16string decoded;
    std::vector<std::int32_t> dx;
    DecodeText(play, text, std::size_t(length), {}, decoded, dx);
    play.core.ExtTextOut(p, 0, std::nullopt, decoded, {});
    return RecordResult::Played;
}

RecordResult ExtTextOut(WmfPlayContext& play, const WmfRecord& record)
{
    PointD p;
    std::int16_t length = 0;
    std::uint16_t options = 0;
    if (!WmfPointYX(record, 0, p) || !WmfI16(record, 2, length) || !WmfU16(record, 3, options) ||
        length < 0 || std::size_t(length) > play.Budget().Limits().maxTextLength)
        return RecordResult::Skipped;
    std::size_t word = 4;
    std::optional<RectD> rect;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
        std::int16_t v[4];
        for (std::size_t i = 0; i < 4; ++i)
            if (!WmfI16(record, word + i, v[i]))
                return RecordResult::Skipped;
        rect = RectD{double(v[0]), double(v[1]), double(v[2]), double(v[3])};
        word += 4;
    }
    const ByteReader text = WmfTail(record, word);
    if (!text.Holds(0, std::size_t(length)))
        return RecordResult::Skipped;
    word += StringWords(length);
    // The spacing array is optional; a short one is not used at all.
    std::vector<std::int32_t> byteDx;
    if (WmfTail(record, word).Holds(0, 2 * std::size_t(length))) {
        byteDx.resize(std::size_t(length));
        for (std::size_t i = 0; i < byteDx.size(); ++i) {
            std::int16_t d = 0;
            WmfI16(record, word + i, d);
            byteDx[i] = d;
        }
    }
    std::u16string decoded;
    std::vector<std::int32_t> dx;
    DecodeText(play, text, std::size_t(length), byteDx, decoded, dx);
    play.core.ExtTextOut(p, options & (ETO_OPAQUE | ETO_CLIPPED), rect, decoded, dx);
    return RecordResult::Played;
}

} // namespace

RecordResult PlayWmfTextRecord(WmfPlayContext& play, const WmfRecord& record)
{
    switch (record.RecordFunction) {
    case META_TEXTOUT:
        return TextOut(play, record);
    case META_EXTTEXTOUT:
        return ExtTextOut(play, record);
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
