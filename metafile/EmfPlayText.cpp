// EMF records of fonts and text.
#include "metafile/CharSetText.h"
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

#include <algorithm>

namespace metafile {

namespace {

constexpr std::uint32_t ETO_NO_RECT = 0x100, ETO_SMALL_CHARS = 0x200;
constexpr std::size_t kLogFontFixedSize = 28; // the LOGFONTW fields before the face name
constexpr std::size_t kFaceNameUnits = 32;
constexpr std::size_t kEmrTextSize = 40; // with its rectangle

RecordResult CreateFont(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    std::uint32_t index = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0, underline = 0, strikeOut = 0;
    LogFont font;
    if (!r.U32At(8, index) || !r.I32At(12, font.height) || !r.I32At(16, font.width) ||
        !r.I32At(20, font.escapement) || !r.I32At(24, font.orientation) || !r.I32At(28, weight) ||
        !r.U8At(32, italic) || !r.U8At(33, underline) || !r.U8At(34, strikeOut) ||
        !r.U8At(35, font.charSet) || !r.U8At(36, font.outPrecision) ||
        !r.U8At(37, font.clipPrecision) || !r.U8At(38, font.quality) ||
        !r.U8At(39, font.pitchAndFamily))
        return RecordResult::Skipped;
    font.weight = weight <= 0 ? 400 : std::min(weight, 1000); // 0 is FW_DONTCARE
    font.italic = italic != 0;
    font.underline = underline != 0;
    font.strikeOut = strikeOut != 0;
    // The face name ends at its NUL, or after 32 units, or where a short record ends.
    // The longer ENUMLOGFONTEXDV forms add only what is not drawn.
    for (std::size_t i = 0; i < kFaceNameUnits; ++i) {
        std::uint16_t unit = 0;
        if (!r.U16At(12 + kLogFontFixedSize + 2 * i, unit) || unit == 0)
            break;
        font.faceName.push_back(char16_t(unit));
    }
    return player.Objects().Put(index, font) ? RecordResult::Played : RecordResult::Skipped;
}

// The record's graphics mode decides how its text meets the transform; the
// device context's own mode is back in force afterwards.
class GraphicsModeForRecord
{
public:
    GraphicsModeForRecord(GdiCore& core, std::uint32_t mode)
        : m_state(core.State()), m_saved(m_state.graphicsMode)
    {
        if (mode == GM_COMPATIBLE || mode == GM_ADVANCED)
            m_state.graphicsMode = int(mode);
    }
    ~GraphicsModeForRecord() { m_state.graphicsMode = m_saved; }
    GraphicsModeForRecord(const GraphicsModeForRecord&) = delete;
    GraphicsModeForRecord& operator=(const GraphicsModeForRecord&) = delete;

private:
    DcState& m_state;
    int m_saved;
};

// One EMRTEXT starting at base: reads and draws it.
bool PlayEmrText(EmfPlayer& player, const ByteReader& r, std::size_t base, bool wide)
{
    PointD reference;
    std::uint32_t chars = 0, offString = 0, options = 0, offDx = 0;
    if (!ReadPointL(r, base, reference) || !r.U32At(base + 8, chars) ||
        !r.U32At(base + 12, offString) || !r.U32At(base + 16, options))
        return false;
    if (chars > player.Budget().Limits().maxTextLength)
        return false;
    // The rectangle is left out with ETO_NO_RECT; some writers keep it all
    // the same, which the string's offset shows.
    const bool hasRect = !(options & ETO_NO_RECT) || offString >= base + kEmrTextSize;
    std::optional<RectD> rect;
    if (hasRect) {
        RectD box;
        if (!ReadRectL(r, base + 20, box))
            return false;
        rect = box;
    }
    if (!r.U32At(base + (hasRect ? 36 : 20), offDx))
        return false;

    ByteReader string;
    if (!r.Sub(offString, std::size_t(chars) * (wide ? 2 : 1), string))
        return false;
    // A spacing array that does not fit is left out; the text is still drawn.
    const bool pairs = (options & ETO_PDY) != 0;
    std::vector<std::int32_t> dx;
    const std::size_t dxCount = std::size_t(chars) * (pairs ? 2 : 1);
    if (offDx != 0 && chars > 0 && r.Holds(offDx, dxCount * 4)) {
        dx.resize(dxCount);
        for (std::size_t i = 0; i < dxCount; ++i)
            r.I32At(offDx + 4 * i, dx[i]);
    }

    GdiCore& core = player.Core();
    std::u16string text;
    if (wide) {
        text.resize(chars);
        for (std::size_t i = 0; i < chars; ++i) {
            std::uint16_t unit = 0;
            string.U16At(2 * i, unit);
            text[i] = char16_t(unit);
        }
    } else {
        std::vector<std::int32_t> byteDx;
        byteDx.swap(dx);
        DecodeCharSetSpacing(string.Bytes(), core.State().font.charSet, byteDx, pairs, text, dx);
    }
    core.ExtTextOut(reference, options, rect, text, dx);
    return true;
}

RecordResult ExtTextOut(EmfPlayer& player, const EmfRecord& record, bool wide)
{
    std::uint32_t mode = 0;
    if (!record.bytes.U32At(24, mode))
        return RecordResult::Skipped;
    GraphicsModeForRecord scope(player.Core(), mode);
    return PlayEmrText(player, record.bytes, 36, wide) ? RecordResult::Played
                                                       : RecordResult::Skipped;
}

RecordResult PolyTextOut(EmfPlayer& player, const EmfRecord& record, bool wide)
{
    const ByteReader& r = record.bytes;
    std::uint32_t mode = 0, count = 0;
    if (!r.U32At(24, mode) || !r.U32At(36, count))
        return RecordResult::Skipped;
    const auto bytes = CheckedMul(count, kEmrTextSize);
    if (!bytes || !r.Holds(40, *bytes))
        return RecordResult::Skipped;
    GraphicsModeForRecord scope(player.Core(), mode);
    bool all = true;
    for (std::uint32_t i = 0; i < count; ++i)
        all = PlayEmrText(player, r, 40 + std::size_t(i) * kEmrTextSize, wide) && all;
    return all ? RecordResult::Played : RecordResult::Skipped;
}

RecordResult SmallTextOut(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    PointD reference;
    std::uint32_t chars = 0, options = 0, mode = 0;
    if (!ReadPointL(r, 8, reference) || !r.U32At(16, chars) || !r.U32At(20, options) ||
        !r.U32At(24, mode))
        return RecordResult::Skipped;
    if (chars > player.Budget().Limits().maxTextLength)
        return RecordResult::Skipped;
    std::size_t offset = 36;
    std::optional<RectD> rect;
    if (!(options & ETO_NO_RECT)) {
        RectD box;
        if (!ReadRectL(r, offset, box))
            return RecordResult::Skipped;
        rect = box;
        offset += 16;
    }
    // ETO_SMALL_CHARS keeps only the low byte of each character.
    const bool small = (options & ETO_SMALL_CHARS) != 0;
    if (!r.Holds(offset, std::size_t(chars) * (small ? 1 : 2)))
        return RecordResult::Skipped;
    std::u16string text(chars, u'\0');
    for (std::size_t i = 0; i < chars; ++i) {
        if (small) {
            std::uint8_t b = 0;
            r.U8At(offset + i, b);
            text[i] = char16_t(b);
        } else {
            std::uint16_t unit = 0;
            r.U16At(offset + 2 * i, unit);
            text[i] = char16_t(unit);
        }
    }
    GraphicsModeForRecord scope(player.Core(), mode);
    player.Core().ExtTextOut(reference, options & ~ETO_PDY, rect, text, {});
    return RecordResult::Played;
}

} // namespace

RecordResult PlayEmfTextRecord(EmfPlayer& player, const EmfRecord& record)
{
    switch (record.iType) {
    case EMR_EXTCREATEFONTINDIRECTW:
        return CreateFont(player, record);
    case EMR_EXTTEXTOUTW:
        return ExtTextOut(player, record, true);
    case EMR_EXTTEXTOUTA:
        return ExtTextOut(player, record, false);
    case EMR_POLYTEXTOUTW:
        return PolyTextOut(player, record, true);
    case EMR_POLYTEXTOUTA:
        return PolyTextOut(player, record, false);
    case EMR_SMALLTEXTOUT:
        return SmallTextOut(player, record);
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
