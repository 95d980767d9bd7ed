// WMF records that create, select and delete objects. Each new object goes
// into the lowest free slot; one that cannot be read still takes its slot,
// so the indices of the objects after it stay right.
#include "metafile/Bitmap16.h"
#include "metafile/DibImage.h"
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

#include <algorithm>
#include <memory>

namespace metafile {

namespace {

// Holds a slot for an object the player cannot use; selecting it changes nothing.
GdiObject Placeholder()
{
    return LogPalette{};
}

RecordResult Add(WmfPlayContext& play, GdiObject object, bool read)
{
    const bool stored = play.AddObject(read ? std::move(object) : Placeholder());
    return read && stored ? RecordResult::Played : RecordResult::Skipped;
}

RecordResult CreatePen(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t style = 0;
    std::int16_t width = 0;
    LogPen pen;
    const bool read =
        WmfU16(record, 0, style) && WmfI16(record, 1, width) && WmfColor(record, 3, pen.color);
    pen.style = style & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK);
    pen.width = width < 0 ? -double(width) : double(width);
    return Add(play, pen, read);
}

RecordResult CreateBrush(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t style = 0, hatch = 0;
    LogBrush brush;
    const bool read =
        WmfU16(record, 0, style) && WmfColor(record, 1, brush.color) && WmfU16(record, 3, hatch);
    brush.style = style;
    brush.hatch = hatch;
    // Pattern styles need a bitmap this record cannot carry.
    if (brush.style != BS_SOLID && brush.style != BS_NULL && brush.style != BS_HATCHED)
        brush.style = BS_SOLID;
    return Add(play, brush, read);
}

RecordResult CreateFont(WmfPlayContext& play, const WmfRecord& record)
{
    LogFont font;
    std::int16_t v[5];
    bool read = true;
    for (std::size_t i = 0; i < 5; ++i)
        read = read && WmfI16(record, i, v[i]);
    const ByteReader flags = WmfTail(record, 5);
    std::uint8_t b[8] = {};
    for (std::size_t i = 0; i < 8; ++i)
        read = read && flags.U8At(i, b[i]);
    if (read) {
        font.height = v[0];
        font.width = v[1];
        font.escapement = v[2];
        font.orientation = v[3];
        font.weight = v[4] > 0 ? v[4] : 400;
        font.italic = b[0] != 0;
        font.underline = b[1] != 0;
        font.strikeOut = b[2] != 0;
        font.charSet = b[3];
        font.outPrecision = b[4];
        font.clipPrecision = b[5];
        font.quality = b[6];
        font.pitchAndFamily = b[7];
        font.faceName = WmfDecodeText(WmfTail(record, 9), 32, true);
    }
    return Add(play, font, read);
}

RecordResult CreatePalette(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t start = 0, count = 0;
    LogPalette palette;
    bool read = WmfU16(record, 0, start) && WmfU16(record, 1, count);
    for (std::uint16_t i = 0; read && i < count; ++i) {
        Color c;
        read = WmfColor(record, 2 + 2 * std::size_t(i), c);
        palette.entries.push_back(c);
    }
    return Add(play, palette, read);
}

// A region's scans: Count, Top, Bottom, Count x-coordinates (left, right
// pairs), Count again. Coordinates are logical units, placed on the
// reference device when the region is made.
RecordResult CreateRegion(WmfPlayContext& play, const WmfRecord& record)
{
    std::int16_t scanCount = 0;
    RectD box;
    std::int16_t bb[4];
    bool read = WmfI16(record, 5, scanCount);
    for (std::size_t i = 0; i < 4; ++i)
        read = read && WmfI16(record, 7 + i, bb[i]);
    Region region;
    Path logical;
    if (read) {
        box = {double(bb[0]), double(bb[1]), double(bb[2]), double(bb[3])};
        const ByteReader scans = WmfTail(record, 11);
        std::size_t at = 0;
        for (std::int16_t s = 0; read && s < scanCount; ++s) {
            std::uint16_t count = 0;
            std::int16_t top = 0, bottom = 0;
            read = scans.U16At(at, count) && scans.I16At(at + 2, top) &&
                   scans.I16At(at + 4, bottom) && count % 2 == 0 &&
                   play.Budget().SpendPoints(std::uint64_t(count) * 2);
            for (std::uint16_t k = 0; read && k < count; k += 2) {
                std::int16_t left = 0, right = 0;
                read = scans.I16At(at + 6 + 2 * std::size_t(k), left) &&
                       scans.I16At(at + 8 + 2 * std::size_t(k), right);
                if (read && right > left && bottom > top)
                    logical.AddRect({double(left), double(top), double(right), double(bottom)});
            }
            at += 8 + 2 * std::size_t(count);
        }
        // A region without scans stands for its bounding box.
        if (read && scanCount == 0 && box.right > box.left && box.bottom > box.top)
            logical.AddRect(box);
    }
    logical.fillRule = FillRule::Winding;
    region.path = logical.Mapped(play.core.LogicalToReference());
    region.path.fillRule = FillRule::Winding;
    return Add(play, region, read);
}

// A brush tiling the bitmap from the device origin; a 1-bit device-dependent
// pattern takes the text and background colours when it is selected.
RecordResult AddPattern(WmfPlayContext& play, Image image, bool monochrome, bool read)
{
    LogBrush brush;
    brush.style = monochrome ? BS_PATTERN : BS_DIBPATTERNPT;
    brush.monochromePattern = monochrome;
    if (read)
        brush.pattern = std::make_shared<const Image>(std::move(image));
    return Add(play, brush, read);
}

bool ReadBitmap16Pattern(WmfPlayContext& play, std::span<const std::uint8_t> header,
                         std::span<const std::uint8_t> bits, Image& out, bool& monochrome)
{
    Bitmap16Fields fields;
    if (!ReadBitmap16Header(header, fields) || !DecodeBitmap16(fields, bits, play.Budget(), out))
        return false;
    monochrome = fields.bitsPixel == 1;
    return true;
}

// A 14-byte bitmap header (its bits pointer unused), 18 reserved bytes, the rows.
RecordResult CreatePatternBrush(WmfPlayContext& play, const WmfRecord& record)
{
    const std::span<const std::uint8_t> bytes = WmfTail(record, 0).Bytes();
    Image image;
    bool monochrome = false;
    const bool read = bytes.size() >= 32 &&
                      ReadBitmap16Pattern(play, bytes, bytes.subspan(32), image, monochrome);
    return AddPattern(play, std::move(image), monochrome, read);
}

// style, usage, then a packed DIB; files also give BS_PATTERN with the
// ten-byte header of a device-dependent bitmap and its rows instead.
RecordResult CreateDibPatternBrush(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t style = 0, usage = 0;
    const std::span<const std::uint8_t> target = WmfTail(record, 2).Bytes();
    std::uint32_t headerSize = 0;
    bool read = WmfU16(record, 0, style) && WmfU16(record, 1, usage) &&
                WmfTail(record, 2).U32At(0, headerSize);
    Image image;
    bool monochrome = false;
    const bool dib = headerSize == 12 || (headerSize >= 40 && headerSize <= 124);
    if (read && !dib && style == BS_PATTERN && target.size() >= 10) {
        read = ReadBitmap16Pattern(play, target, target.subspan(10), image, monochrome);
    } else if (read) {
        DibOptions options;
        // A BS_PATTERN brush's colours are always the DIB's own.
        options.usage = style == BS_PATTERN ? DIB_RGB_COLORS : usage;
        DecodedDib decoded;
        read = DecodePackedDib(target, options, play.Budget(), decoded);
        image = std::move(decoded.image);
    }
    return AddPattern(play, std::move(image), monochrome, read);
}

} // namespace

RecordResult PlayWmfObjectRecord(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t index = 0;
    switch (record.RecordFunction) {
    case META_CREATEPENINDIRECT:
        return CreatePen(play, record);
    case META_CREATEBRUSHINDIRECT:
        return CreateBrush(play, record);
    case META_CREATEFONTINDIRECT:
        return CreateFont(play, record);
    case META_CREATEPALETTE:
        return CreatePalette(play, record);
    case META_CREATEREGION:
        return CreateRegion(play, record);
    case META_CREATEPATTERNBRUSH:
        return CreatePatternBrush(play, record);
    case META_DIBCREATEPATTERNBRUSH:
        return CreateDibPatternBrush(play, record);
    case META_SELECTOBJECT: {
        if (!WmfU16(record, 0, index))
            return RecordResult::Skipped;
        const GdiObject* object = play.objects.Get(index);
        if (!object)
            return RecordResult::Skipped;
        play.core.SelectObject(*object);
        return RecordResult::Played;
    }
    case META_DELETEOBJECT:
        if (!WmfU16(record, 0, index))
            return RecordResult::Skipped;
        // The selected copy stays in force, as a deleted GDI object stays selected.
        play.objects.Erase(index);
        return RecordResult::Played;
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
