#include "metafile/EmfHeader.h"

#include "metafile/ByteReader.h"
#include "metafile/EmfRecords.h"
#include "metafile/MetafileKind.h"
#include "metafile/WalkOutcome.h"

#include <cmath>
#include <cstdlib>

namespace metafile {

namespace {

bool ReadRect(const ByteReader& r, std::size_t offset, RectL& out) noexcept
{
    return r.I32At(offset, out.left) && r.I32At(offset + 4, out.top) &&
           r.I32At(offset + 8, out.right) && r.I32At(offset + 12, out.bottom);
}

bool ReadSize(const ByteReader& r, std::size_t offset, SizeL& out) noexcept
{
    return r.I32At(offset, out.cx) && r.I32At(offset + 4, out.cy);
}

// Pixels per inch of the reference device along one axis; 0 when the
// header gives nothing usable.
double DeviceDpi(std::int32_t pixels, std::int32_t millimetres, bool hasMicrometers,
                 std::int32_t micrometres) noexcept
{
    if (pixels <= 0)
        return 0;
    if (hasMicrometers && micrometres > 0)
        return pixels * 25400.0 / micrometres;
    if (millimetres > 0)
        return pixels * 25.4 / millimetres;
    return 0;
}

// One side of the picture in pixels: from the frame when it and the device
// resolution are usable, else from the bounds. 0 when neither is.
std::int64_t Side(std::int32_t frameLow, std::int32_t frameHigh, double dpi, std::int32_t boundsLow,
                  std::int32_t boundsHigh) noexcept
{
    const std::int64_t frame = std::int64_t(frameHigh) - frameLow;
    if (frame > 0 && dpi > 0) {
        const double pixels = std::round(double(frame) * dpi / 2540.0);
        if (pixels >= 1 && pixels <= double(kMaxPictureSide))
            return std::int64_t(pixels);
        if (pixels > double(kMaxPictureSide))
            return kMaxPictureSide + 1;
    }
    const std::int64_t bounds = std::int64_t(boundsHigh) - boundsLow + 1;
    return bounds > 0 ? bounds : 0;
}

} // namespace

MetafileStatus ReadEmfHeader(std::span<const std::uint8_t> bytes, EmfHeader& out) noexcept
{
    if (DetectMetafileKind(bytes) != MetafileKind::Emf)
        return MetafileStatus::NotMetafile;
    const ByteReader file(bytes);
    EmfHeader h;
    if (!file.U32At(4, h.nSize))
        return MetafileStatus::TruncatedHeader;
    if (h.nSize < kEmfHeaderMinSize || h.nSize % 4 != 0)
        return MetafileStatus::BadHeader;
    ByteReader r;
    if (!file.Sub(0, h.nSize, r))
        return MetafileStatus::TruncatedHeader;
    // nSize >= 88 holds every field read here.
    ReadRect(r, 8, h.rclBounds);
    ReadRect(r, 24, h.rclFrame);
    r.U32At(40, h.dSignature);
    r.U32At(44, h.nVersion);
    r.U32At(48, h.nBytes);
    r.U32At(52, h.nRecords);
    r.U16At(56, h.nHandles);
    r.U32At(60, h.nDescription);
    r.U32At(64, h.offDescription);
    r.U32At(68, h.nPalEntries);
    ReadSize(r, 72, h.szlDevice);
    ReadSize(r, 80, h.szlMillimeters);
    if (h.nSize >= kEmfHeaderMicrometersEnd)
        h.hasMicrometers = ReadSize(r, 100, h.szlMicrometers);
    out = h;
    return MetafileStatus::Ok;
}

MetafileStatus ReadEmfPicture(std::span<const std::uint8_t> bytes, EmfPicture& out) noexcept
{
    EmfPicture p;
    const MetafileStatus status = ReadEmfHeader(bytes, p.header);
    if (status != MetafileStatus::Ok)
        return status;
    const EmfHeader& h = p.header;
    p.dpiX = DeviceDpi(h.szlDevice.cx, h.szlMillimeters.cx, h.hasMicrometers, h.szlMicrometers.cx);
    p.dpiY = DeviceDpi(h.szlDevice.cy, h.szlMillimeters.cy, h.hasMicrometers, h.szlMicrometers.cy);
    const std::int64_t width =
        Side(h.rclFrame.left, h.rclFrame.right, p.dpiX, h.rclBounds.left, h.rclBounds.right);
    const std::int64_t height =
        Side(h.rclFrame.top, h.rclFrame.bottom, p.dpiY, h.rclBounds.top, h.rclBounds.bottom);
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        return MetafileStatus::BadHeader;
    p.width = std::int32_t(width);
    p.height = std::int32_t(height);
    // Without a usable device, the picture is at screen resolution.
    if (p.dpiX <= 0)
        p.dpiX = 96;
    if (p.dpiY <= 0)
        p.dpiY = 96;

    EmfRecordReader records(bytes);
    EmfRecord record;
    while (records.Next(record)) {
        if (IsEmfPlusComment(record))
            p.hasEmfPlus = true;
    }
    KeepWalkOutcome(p, records);
    out = p;
    return MetafileStatus::Ok;
}

} // namespace metafile
