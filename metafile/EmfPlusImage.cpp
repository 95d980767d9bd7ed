// EMF+ image objects: bitmaps in the GDI+ pixel formats or compressed
// (PNG, JPEG, GIF ... decoded by the canvas), and metafiles kept as bytes
// to be played nested.
#include "metafile/EmfPlusObjects.h"
#include "metafile/Metafile.h"

#include <algorithm>

namespace metafile {

namespace {

constexpr std::uint32_t kImageBitmap = 1, kImageMetafile = 2;
constexpr std::uint32_t kBitmapPixels = 0, kBitmapCompressed = 1;

std::uint32_t Premultiply(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    r = (r * a + 127) / 255;
    g = (g * a + 127) / 255;
    b = (b * a + 127) / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Bits per pixel of the formats read; 0 for others.
int BitsPerPixel(std::uint32_t format)
{
    switch (format) {
    case 0x00030101:
        return 1;
    case 0x00030402:
        return 4;
    case 0x00030803:
        return 8;
    case 0x00101004: // 16 grey
    case 0x00021005: // 555
    case 0x00021006: // 565
    case 0x00061007:
        return 16; // 1555
    case 0x00021808:
        return 24;
    case 0x00022009: // RGB
    case 0x0026200A: // ARGB
    case 0x000E200B:
        return 32; // PARGB
    case 0x0010300C:
        return 48;
    case 0x0034400D: // ARGB
    case 0x001A400E:
        return 64; // PARGB
    default:
        return 0;
    }
}

std::uint32_t PixelAt(const ByteReader& row, int x, int bits, std::uint32_t format,
                      const std::vector<std::uint32_t>& palette)
{
    std::uint8_t b[8] = {};
    const std::size_t bytes = std::size_t(bits) / 8;
    if (bits < 8) {
        const std::size_t bit = std::size_t(x) * bits;
        row.U8At(bit / 8, b[0]);
        const unsigned index = (b[0] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        return index < palette.size() ? palette[index] : 0xFF000000;
    }
    for (std::size_t i = 0; i < bytes; ++i)
        row.U8At(std::size_t(x) * bytes + i, b[i]);
    switch (format) {
    case 0x00030803:
        return b[0] < palette.size() ? palette[b[0]] : 0xFF000000;
    case 0x00101004:
        return 0xFF000000u | (b[1] << 16) | (b[1] << 8) | b[1];
    case 0x00021005:
    case 0x00061007: {
        const unsigned v = b[0] | (b[1] << 8);
        const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, bl = v & 31;
        const std::uint32_t rgb = ((r * 255 / 31) << 16) | ((g * 255 / 31) << 8) | (bl * 255 / 31);
        if (format == 0x00061007 && !(v & 0x8000))
            return 0;
        return 0xFF000000u | rgb;
    }
    case 0x00021006: {
        const unsigned v = b[0] | (b[1] << 8);
        const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, bl = v & 31;
        return 0xFF000000u | ((r * 255 / 31) << 16) | ((g * 255 / 63) << 8) | (bl * 255 / 31);
    }
    case 0x00021808:
    case 0x00022009:
        return 0xFF000000u | (b[2] << 16) | (b[1] << 8) | b[0];
    case 0x0026200A:
        return Premultiply(b[3], b[2], b[1], b[0]);
    case 0x000E200B: {
        // Premultiplied already; colour channels kept within alpha.
        const std::uint32_t a = b[3];
        return (a << 24) | (std::min<std::uint32_t>(b[2], a) << 16) |
               (std::min<std::uint32_t>(b[1], a) << 8) | std::min<std::uint32_t>(b[0], a);
    }
    case 0x0010300C:
        return 0xFF000000u | (b[5] << 16) | (b[3] << 8) | b[1];
    case 0x0034400D:
        return Premultiply(b[7], b[5], b[3], b[1]);
    case 0x001A400E: {
        const std::uint32_t a = b[7];
        return (a << 24) | (std::min<std::uint32_t>(b[5], a) << 16) |
               (std::min<std::uint32_t>(b[3], a) << 8) | std::min<std::uint32_t>(b[1], a);
    }
    default:
        return 0xFF000000;
    }
}

bool ReadBitmap(EmfPlusReader& r, PlusObjectContext& ctx, PlusImage& out)
{
    const std::int32_t width = r.I32(), height = r.I32(), stride = r.I32();
    const std::uint32_t format = r.U32(), type = r.U32();
    if (!r.Ok())
        return false;
    auto image = std::make_shared<Image>();
    if (type == kBitmapCompressed) {
        const ByteReader data = r.Take(r.Remaining());
        if (!ctx.canvas.DecodeImage(data.Bytes().data(), data.Size(),
                                    ctx.budget.Limits().maxImagePixels, *image) ||
            image->IsEmpty() ||
            !ctx.budget.SpendImagePixels(std::uint64_t(image->width) * image->height))
            return false;
    } else {
        if (type != kBitmapPixels || width <= 0 || height <= 0)
            return false;
        const int bits = BitsPerPixel(format);
        if (bits == 0)
            return false;
        std::vector<std::uint32_t> palette;
        if (format & 0x00010000) {
            // Indexed formats: the palette first, its colours not premultiplied.
            r.U32(); // palette flags
            const std::uint32_t count = r.U32();
            if (!r.Ok() || count > 256 || count > r.Remaining() / 4)
                return false;
            for (std::uint32_t i = 0; i < count; ++i) {
                const Color c = r.Argb();
                palette.push_back(Premultiply(c.a, c.r, c.g, c.b));
            }
        }
        const auto rowBytes = CheckedMul(std::size_t(width), std::size_t(bits));
        if (!rowBytes)
            return false;
        const std::size_t minStride = (*rowBytes + 7) / 8;
        const std::size_t step = stride > 0 ? std::size_t(stride) : (minStride + 3) / 4 * 4;
        const auto total = CheckedMul(step, std::size_t(height));
        if (step < minStride || !total || *total > r.Remaining())
            return false;
        const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
        if (!ctx.budget.SpendImagePixels(pixels))
            return false;
        image->width = width;
        image->height = height;
        image->pixels.resize(std::size_t(pixels));
        const ByteReader data = r.Take(*total);
        for (int y = 0; y < height; ++y) {
            ByteReader row;
            data.Sub(std::size_t(y) * step, minStride, row);
            for (int x = 0; x < width; ++x)
                image->pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                    PixelAt(row, x, bits, format, palette);
        }
    }
    out.width = image->width;
    out.height = image->height;
    out.bitmap = std::move(image);
    return r.Ok();
}

bool ReadMetafileImage(EmfPlusReader& r, PlusImage& out)
{
    r.U32(); // WMF, placeable WMF, EMF, EMF+ only or dual: told apart by content
    const std::uint32_t size = r.U32();
    const ByteReader data = r.Take(size);
    if (!r.Ok())
        return false;
    MetafileInfo info;
    if (ReadMetafileInfo(data.Bytes(), info) != MetafileStatus::Ok)
        return false;
    out.metafile.assign(data.Bytes().begin(), data.Bytes().end());
    out.width = info.width;
    out.height = info.height;
    return true;
}

} // namespace

bool ReadPlusImage(EmfPlusReader& r, PlusObjectContext& ctx, PlusImage& out)
{
    r.U32(); // version
    switch (r.U32()) {
    case kImageBitmap:
        return ReadBitmap(r, ctx, out);
    case kImageMetafile:
        return ReadMetafileImage(r, out);
    default:
        return false;
    }
}

} // namespace metafile
