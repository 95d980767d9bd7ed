// EMF records that transfer bitmaps (BitBlt and its relatives, the DIB
// records), create pattern brushes from bitmaps, and fill gradients.
#include "metafile/DibImage.h"
#include "metafile/EmfPlayGradient.h"
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

#include <algorithm>
#include <memory>

namespace metafile {

namespace {

constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t DSTCOPY = 0x00AA0029;

bool UsesSource(std::uint32_t rop3)
{
    const std::uint8_t c = std::uint8_t(rop3 >> 16);
    return ((c >> 2) & 0x33) != (c & 0x33);
}

bool ReadLocation(const ByteReader& r, std::size_t at, DibLocation& out)
{
    return r.U32At(at, out.offBmi) && r.U32At(at + 4, out.cbBmi) && r.U32At(at + 8, out.offBits) &&
           r.U32At(at + 12, out.cbBits);
}

// The source rectangle in bitmap pixels: the source's logical rectangle
// through its world-to-page transform (an identity in most files).
RectD SourceRect(double x, double y, double cx, double cy, const Matrix& xformSrc)
{
    const Matrix m = xformSrc.IsFinite() && xformSrc.IsInvertible() ? xformSrc : Matrix{};
    const PointD a = m.Map({x, y}), b = m.Map({x + cx, y + cy});
    return {a.x, a.y, b.x, b.y};
}

// The fields BitBlt, StretchBlt, AlphaBlend, TransparentBlt and MaskBlt share.
struct BltFields
{
    RectD destination;
    std::uint32_t operation = 0; // ROP, blend function or transparent colour
    PointD sourceOrigin;
    Matrix xformSrc;
    std::uint32_t usage = 0;
    DibLocation where;
    bool hasSource = false;
};

bool ReadBlt(const ByteReader& r, BltFields& f)
{
    std::int32_t x = 0, y = 0, cx = 0, cy = 0, xs = 0, ys = 0;
    if (!r.I32At(24, x) || !r.I32At(28, y) || !r.I32At(32, cx) || !r.I32At(36, cy) ||
        !r.U32At(40, f.operation) || !r.I32At(44, xs) || !r.I32At(48, ys) ||
        !ReadXform(r, 52, f.xformSrc) || !r.U32At(80, f.usage) || !ReadLocation(r, 84, f.where))
        return false;
    f.destination = {double(x), double(y), double(x) + cx, double(y) + cy};
    f.sourceOrigin = {double(xs), double(ys)};
    f.hasSource = f.where.cbBmi != 0;
    return true;
}

RecordResult Done(bool ok)
{
    return ok ? RecordResult::Played : RecordResult::Skipped;
}

RecordResult PlayBitBlt(EmfPlayer& player, const EmfRecord& record, bool stretch)
{
    const ByteReader& r = record.bytes;
    BltFields f;
    if (!ReadBlt(r, f))
        return RecordResult::Skipped;
    // Without a bitmap the record is a pattern blit.
    if (!f.hasSource || !UsesSource(f.operation)) {
        player.Core().PatBlt(f.destination, f.operation);
        return RecordResult::Played;
    }
    double cxSrc = f.destination.Width(), cySrc = f.destination.Height();
    if (stretch) {
        std::int32_t cx = 0, cy = 0;
        if (!r.I32At(100, cx) || !r.I32At(104, cy))
            return RecordResult::Skipped;
        cxSrc = cx;
        cySrc = cy;
    }
    DecodedDib dib;
    DibOptions options;
    options.usage = f.usage;
    if (!DecodeRecordDib(r, f.where, options, player.Budget(), dib))
        return RecordResult::Skipped;
    player.Core().StretchBlt(
        f.destination, &dib.image,
        SourceRect(f.sourceOrigin.x, f.sourceOrigin.y, cxSrc, cySrc, f.xformSrc), f.operation,
        false);
    return RecordResult::Played;
}

RecordResult PlayAlphaOrTransparentBlt(EmfPlayer& player, const EmfRecord& record, bool alpha)
{
    const ByteReader& r = record.bytes;
    BltFields f;
    std::int32_t cxSrc = 0, cySrc = 0;
    if (!ReadBlt(r, f) || !f.hasSource || !r.I32At(100, cxSrc) || !r.I32At(104, cySrc))
        return RecordResult::Skipped;
    const std::uint8_t constantAlpha = std::uint8_t(f.operation >> 16);
    const bool perPixel = (f.operation >> 24) & 1; // AC_SRC_ALPHA
    DecodedDib dib;
    DibOptions options;
    options.usage = f.usage;
    options.keepAlpha = alpha && perPixel;
    if (!DecodeRecordDib(r, f.where, options, player.Budget(), dib))
        return RecordResult::Skipped;
    const RectD source = SourceRect(f.sourceOrigin.x, f.sourceOrigin.y, cxSrc, cySrc, f.xformSrc);
    if (alpha) {
        player.Core().AlphaBlend(f.destination, dib.image, source, constantAlpha / 255.0, perPixel);
        return RecordResult::Played;
    }
    // Pixels of the transparent colour are left out.
    Color key;
    if (!ReadColorRef(r, 40, key))
        return RecordResult::Skipped;
    const std::uint32_t keyPixel = PremultipliedPixel(key) & 0xFFFFFF;
    for (std::uint32_t& p : dib.image.pixels)
        if ((p & 0xFFFFFF) == keyPixel)
            p = 0;
    player.Core().StretchBlt(f.destination, &dib.image, source, SRCCOPY, false);
    return RecordResult::Played;
}

// The mask of MaskBlt and PlgBlt: fields from at on (x, y, usage, location).
bool ReadMask(EmfPlayer& player, const ByteReader& r, std::size_t at, DecodedDib& mask,
              PointD& origin, bool& hasMask)
{
    std::int32_t x = 0, y = 0;
    std::uint32_t usage = 0;
    DibLocation where;
    if (!r.I32At(at, x) || !r.I32At(at + 4, y) || !r.U32At(at + 8, usage) ||
        !ReadLocation(r, at + 12, where))
        return false;
    hasMask = where.cbBmi != 0;
    origin = {double(x), double(y)};
    if (!hasMask)
        return true;
    DibOptions options;
    options.usage = usage;
    options.bitsAsBlackWhite = true;
    return DecodeRecordDib(r, where, options, player.Budget(), mask);
}

RecordResult PlayMaskBlt(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    BltFields f;
    if (!ReadBlt(r, f))
        return RecordResult::Skipped;
    DecodedDib source, mask;
    PointD maskOrigin;
    bool hasMask = false;
    if (!ReadMask(player, r, 100, mask, maskOrigin, hasMask))
        return RecordResult::Skipped;
    if (f.hasSource) {
        DibOptions options;
        options.usage = f.usage;
        if (!DecodeRecordDib(r, f.where, options, player.Budget(), source))
            return RecordResult::Skipped;
    }
    const RectD src = SourceRect(f.sourceOrigin.x, f.sourceOrigin.y, f.destination.Width(),
                                 f.destination.Height(), f.xformSrc);
    player.Core().MaskBlt(f.destination, f.hasSource ? &source.image : nullptr, src,
                          hasMask ? &mask.image : nullptr, maskOrigin, f.operation);
    return RecordResult::Played;
}

RecordResult PlayPlgBlt(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    PointD corner[3];
    std::int32_t xs = 0, ys = 0, cx = 0, cy = 0;
    Matrix xformSrc;
    std::uint32_t usage = 0;
    DibLocation where;
    if (!ReadPointL(r, 24, corner[0]) || !ReadPointL(r, 32, corner[1]) ||
        !ReadPointL(r, 40, corner[2]) || !r.I32At(48, xs) || !r.I32At(52, ys) || !r.I32At(56, cx) ||
        !r.I32At(60, cy) || !ReadXform(r, 64, xformSrc) || !r.U32At(92, usage) ||
        !ReadLocation(r, 96, where) || where.cbBmi == 0)
        return RecordResult::Skipped;
    DecodedDib source, mask;
    PointD maskOrigin;
    bool hasMask = false;
    if (!ReadMask(player, r, 112, mask, maskOrigin, hasMask))
        return RecordResult::Skipped;
    DibOptions options;
    options.usage = usage;
    if (!DecodeRecordDib(r, where, options, player.Budget(), source))
        return RecordResult::Skipped;
    // The unit square onto the parallelogram of the upper-left, upper-right
    // and lower-left corners, drawn through the canvas transform.
    const Matrix square = Matrix::UnitSquareOnto(corner[0], corner[1], corner[2]);
    if (!square.IsInvertible())
        return RecordResult::Skipped;
    GdiCore& core = player.Core();
    core.ApplyLogicalTransform();
    ICanvas& canvas = core.Canvas();
    canvas.SetTransform(square * canvas.Transform());
    BlitOptions blit;
    blit.smooth = core.State().stretchBltMode == 4;
    const RectD src = SourceRect(xs, ys, cx, cy, xformSrc);
    const RectD unit{0, 0, 1, 1};
    if (hasMask)
        canvas.DrawImageMasked(source.image, src, unit, mask.image, maskOrigin, DSTCOPY, blit);
    else
        canvas.DrawImage(source.image, src, unit, blit);
    return RecordResult::Played;
}

RecordResult PlayStretchDiBits(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    std::int32_t x = 0, y = 0, xs = 0, ys = 0, cxs = 0, cys = 0, cx = 0, cy = 0;
    std::uint32_t usage = 0, rop = 0;
    DibLocation where;
    if (!r.I32At(24, x) || !r.I32At(28, y) || !r.I32At(32, xs) || !r.I32At(36, ys) ||
        !r.I32At(40, cxs) || !r.I32At(44, cys) || !ReadLocation(r, 48, where) ||
        !r.U32At(64, usage) || !r.U32At(68, rop) || !r.I32At(72, cx) || !r.I32At(76, cy))
        return RecordResult::Skipped;
    const RectD destination{double(x), double(y), double(x) + cx, double(y) + cy};
    if (where.cbBmi == 0 || !UsesSource(rop)) {
        if (UsesSource(rop))
            return RecordResult::Skipped;
        player.Core().PatBlt(destination, rop);
        return RecordResult::Played;
    }
    DecodedDib dib;
    DibOptions options;
    options.usage = usage;
    if (!DecodeRecordDib(r, where, options, player.Budget(), dib))
        return RecordResult::Skipped;
    // A bottom-up bitmap counts its rows, and the source's y, from the bottom.
    const double top = dib.bottomUp ? double(dib.fullHeight) - ys - cys : double(ys);
    player.Core().StretchBlt(destination, &dib.image,
                             {double(xs), top, double(xs) + cxs, top + cys}, rop, false);
    return RecordResult::Played;
}

RecordResult PlaySetDiBitsToDevice(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    std::int32_t x = 0, y = 0, xs = 0, ys = 0, cxs = 0, cys = 0;
    std::uint32_t usage = 0, startScan = 0, scans = 0;
    DibLocation where;
    if (!r.I32At(24, x) || !r.I32At(28, y) || !r.I32At(32, xs) || !r.I32At(36, ys) ||
        !r.I32At(40, cxs) || !r.I32At(44, cys) || !ReadLocation(r, 48, where) ||
        !r.U32At(64, usage) || !r.U32At(68, startScan) || !r.U32At(72, scans) || scans == 0 ||
        startScan > 0x7FFFFFFF || scans > 0x7FFFFFFF)
        return RecordResult::Skipped;
    DecodedDib dib;
    DibOptions options;
    options.usage = usage;
    options.rows = scans;
    if (!DecodeRecordDib(r, where, options, player.Budget(), dib))
        return RecordResult::Skipped;
    // The bits hold scans rows from startScan on; bottom-up bitmaps count rows
    // and the source's y from the bottom.
    const double top =
        dib.bottomUp ? double(startScan) + dib.image.height - ys - cys : double(ys) - startScan;
    // The destination is cxs by cys device pixels at a logical point.
    GdiCore& core = player.Core();
    const Matrix toReference = core.LogicalToReference();
    if (!toReference.IsInvertible())
        return RecordResult::Skipped;
    const PointD corner = toReference.Map({double(x), double(y)});
    const PointD far = toReference.Inverted().Map({corner.x + cxs, corner.y + cys});
    core.StretchBlt({double(x), double(y), far.x, far.y}, &dib.image,
                    {double(xs), top, double(xs) + cxs, top + cys}, SRCCOPY, false);
    return RecordResult::Played;
}

// CreateDIBPatternBrushPt and CreateMonoBrush: index, usage, location.
RecordResult CreatePatternBrush(EmfPlayer& player, const EmfRecord& record, bool monochrome)
{
    const ByteReader& r = record.bytes;
    std::uint32_t index = 0, usage = 0;
    DibLocation where;
    if (!r.U32At(8, index) || !r.U32At(12, usage) || !ReadLocation(r, 16, where))
        return RecordResult::Skipped;
    DecodedDib dib;
    DibOptions options;
    options.usage = usage;
    options.bitsAsBlackWhite = monochrome;
    if (!DecodeRecordDib(r, where, options, player.Budget(), dib))
        return RecordResult::Skipped;
    LogBrush brush;
    brush.style = monochrome ? BS_PATTERN : BS_DIBPATTERNPT;
    brush.monochromePattern = monochrome && dib.bitCount == 1;
    brush.pattern = std::make_shared<const Image>(std::move(dib.image));
    return Done(player.Objects().Put(index, brush));
}

} // namespace

RecordResult PlayEmfBitmapRecord(EmfPlayer& player, const EmfRecord& record)
{
    switch (record.iType) {
    case EMR_BITBLT:
        return PlayBitBlt(player, record, false);
    case EMR_STRETCHBLT:
        return PlayBitBlt(player, record, true);
    case EMR_ALPHABLEND:
        return PlayAlphaOrTransparentBlt(player, record, true);
    case EMR_TRANSPARENTBLT:
        return PlayAlphaOrTransparentBlt(player, record, false);
    case EMR_MASKBLT:
        return PlayMaskBlt(player, record);
    case EMR_PLGBLT:
        return PlayPlgBlt(player, record);
    case EMR_STRETCHDIBITS:
        return PlayStretchDiBits(player, record);
    case EMR_SETDIBITSTODEVICE:
        return PlaySetDiBitsToDevice(player, record);
    case EMR_CREATEDIBPATTERNBRUSHPT:
        return CreatePatternBrush(player, record, false);
    case EMR_CREATEMONOBRUSH:
        return CreatePatternBrush(player, record, true);
    case EMR_GRADIENTFILL:
        return PlayEmfGradientFill(player, record);
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
