// Fuzz target: a bitmap file's bytes read as the program reads them, then
// queried, decoded and captured again at every indexed depth and at 24 bits;
// and decoded as a photo is opened.
// Besides the sanitizers' own checks it stops (abort) when something that
// must hold of any result does not.
#include "dib/BmpDecode.h"
#include "dib/BmpInspect.h"
#include "dib/CMyBitMap.h"
#include "dib/MemoryDibFile.h"
#include "dib/NearestColor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A run-length header may rightly ask for a bitmap of up to 2^31 pixels
// from a few bytes; the fuzzer's memory limit would take that for a leak,
// so bigger ones are read but not decoded.
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 15;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool SamePixels(const DeviceBitmap& a, const DeviceBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.Width()) * 4) != 0)
            return false;
    }
    return true;
}

// Decodes the file as a photo into rows with a guard after each: the
// decoder must write the rows and nothing beyond them.
void DecodeAsPhoto(const std::uint8_t* data, std::size_t size)
{
    const BmpPlan plan = PlanBmpDecode(data, size);
    if (plan.status != BmpDecodeStatus::Ok || plan.embedded != BmpEmbedded::None)
        return;
    Require(plan.width > 0 && plan.height > 0);
    Require(plan.pixelOffset < size && plan.pixelBytes <= size - plan.pixelOffset);
    if (std::uint64_t(plan.width) * std::uint64_t(plan.height) > kMaxPixels)
        return;
    constexpr std::size_t kGuard = 8;
    const std::size_t rowBytes = BmpLayoutRowBytes(plan.layout, plan.width);
    const std::size_t bytesPerRow = rowBytes + kGuard;
    std::vector<std::uint64_t> rows((bytesPerRow * std::size_t(plan.height) + 7) / 8,
                                    0xA5A5A5A5A5A5A5A5u);
    auto* bytes = reinterpret_cast<std::uint8_t*>(rows.data());
    const BmpPixelLayout layout = DecodeBmpPixels(plan, data, size, bytes, bytesPerRow);
    Require(layout == plan.layout ||
            (plan.layout == BmpPixelLayout::Argb32 && layout == BmpPixelLayout::Rgb32) ||
            (plan.layout == BmpPixelLayout::Rgba64 && layout == BmpPixelLayout::Rgbx64));
    for (std::int32_t y = 0; y < plan.height; ++y) {
        const std::uint8_t* row = bytes + std::size_t(y) * bytesPerRow;
        for (std::size_t k = rowBytes; k < bytesPerRow; ++k)
            Require(row[k] == 0xA5);
        // Opaque layouts are opaque in every pixel.
        if (layout == BmpPixelLayout::Rgb32) {
            for (std::int32_t x = 0; x < plan.width; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, row + 4 * std::size_t(x), 4);
                Require(pixel >> 24 == 0xFF);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodeAsPhoto(data, size);

    CMyBitMap dib;
    {
        // The layout report reads every header any file has, and names
        // what it cannot read instead of reading it.
        MemoryDibFile file(data, size);
        const BmpInspection inspection = InspectBmp(file);
        Require(!inspection.fields.empty());
        Require(inspection.valid || !inspection.problems.empty());
    }
    {
        MemoryDibFile file(data, size);
        const HDIB info = dib.ReadInfoBlock(file);
        if (info) {
            Require(info->Size() >= kInfoHeaderBytes && ReadU32(info->Data()) == kInfoHeaderBytes);
            Require(info->Size() == kInfoHeaderBytes + HeaderColorTableBytes(info->Data()));
        }
    }

    MemoryDibFile file(data, size);
    const HDIB block = dib.ReadDib(file);
    if (!block)
        return 0;
    BITMAPINFOHEADER header;
    Require(dib.QueryHeader(block.get(), &header) == 1);
    Require(block->Size() == kInfoHeaderBytes + std::size_t(dib.ColorTableBytes(block->Data())) +
                                 header.biSizeImage);
    const HPALETTE palette = dib.PaletteFromBlock(block.get());

    const std::uint64_t width = header.biWidth < 0 ? 0 - std::uint64_t(std::int64_t(header.biWidth))
                                                   : std::uint64_t(header.biWidth);
    const std::uint64_t height = header.biHeight < 0
                                     ? 0 - std::uint64_t(std::int64_t(header.biHeight))
                                     : std::uint64_t(header.biHeight);
    if (width * height > kMaxPixels)
        return 0;
    const HBITMAP bitmap = dib.ToDeviceBitmap(block.get(), palette.get());
    if (!bitmap)
        return 0;
    Require(std::uint64_t(bitmap->Width()) == width && std::uint64_t(bitmap->Height()) == height);

    // Captures of pictures this small search the palette directly; the
    // lookup by colour boxes that big pictures use must agree with that
    // search for every pixel, with the file's own colours as the palette.
    if (palette) {
        const std::size_t count = std::min<std::size_t>(palette->Entries().size(), 256);
        NearestColor searched(palette->Entries().data(), count, 0);
        NearestColor boxed(palette->Entries().data(), count, SIZE_MAX);
        std::vector<std::uint8_t> bySearch(std::size_t(bitmap->Width()));
        std::vector<std::uint8_t> byBoxes(bySearch.size());
        for (std::int32_t y = 0; y < bitmap->Height(); ++y) {
            searched.MapRow(bitmap->Row(y), bySearch.size(), bySearch.data());
            boxed.MapRow(bitmap->Row(y), byBoxes.size(), byBoxes.data());
            Require(bySearch == byBoxes);
        }
    }

    for (std::uint16_t bits : {1, 4, 8, 24}) {
        const HDIB captured = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, bits, palette.get());
        Require(captured != nullptr);
        const HBITMAP decoded = dib.ToDeviceBitmap(captured.get(), nullptr);
        Require(decoded != nullptr);
        // 24 bits keeps every colour.
        if (bits == 24)
            Require(SamePixels(*decoded, *bitmap));
        // Run-length coding must decode to what the plain capture shows.
        if (bits == 4 || bits == 8) {
            const HDIB coded = dib.FromDeviceBitmap(bitmap.get(), bits == 8 ? BI_RLE8 : BI_RLE4,
                                                    bits, palette.get());
            Require(coded != nullptr);
            const HBITMAP fromCoded = dib.ToDeviceBitmap(coded.get(), nullptr);
            Require(fromCoded != nullptr && SamePixels(*fromCoded, *decoded));
        }
    }
    return 0;
}
