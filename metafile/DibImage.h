// Device-independent bitmaps inside metafile records turned into canvas
// images: every header form (core, info, V4, V5), 1 to 32 bits a pixel,
// bit fields, run-length data, and JPEG or PNG through a decoder the
// program installs (decoding those needs an imaging library).
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/Canvas.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <span>

namespace metafile {

// How a DIB's colour table is read (DIB_* usage values).
inline constexpr std::uint32_t DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1, DIB_PAL_INDICES = 2;

// Where a record keeps its bitmap: header and colour table, then the bits,
// both as offsets from the start of the record.
struct DibLocation
{
    std::uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
};

struct DibOptions
{
    std::uint32_t usage = DIB_RGB_COLORS;
    // 32-bit pixels keep their fourth byte as premultiplied alpha (AlphaBlend);
    // otherwise every decoded pixel is opaque.
    bool keepAlpha = false;
    // A 1-bit bitmap decoded as black for 0 bits and white for 1 bits,
    // whatever its colour table says (monochrome brushes, masks).
    bool bitsAsBlackWhite = false;
    // Rows the bits hold when fewer than the header's height (SetDIBitsToDevice); 0: all.
    std::uint32_t rows = 0;
};

struct DecodedDib
{
    Image image;
    int bitCount = 0;
    bool bottomUp = true;
    int fullHeight = 0; // the header's height, whatever rows were decoded
};

// Decodes the DIB; false for a damaged or unsupported one, or one the budget
// refuses. Nothing is allocated before the budget is spent.
bool DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
               const DibOptions& options, PlayBudget& budget, DecodedDib& out);
// The DIB a record locates, every offset and size checked against the record.
bool DecodeRecordDib(const ByteReader& record, const DibLocation& where, const DibOptions& options,
                     PlayBudget& budget, DecodedDib& out);

// A packed DIB (header, colour table and bits one after another), as WMF
// records carry it. Uncompressed bits must hold every row the header (or
// options.rows) claims, all but the last row's padding: a short bitmap is
// refused rather than drawn from a mostly empty image.
bool DecodePackedDib(std::span<const std::uint8_t> packed, const DibOptions& options,
                     PlayBudget& budget, DecodedDib& out);

// Turns JPEG or PNG bytes into an image; must spend the budget before it
// allocates and give false for anything it cannot decode.
using EmbeddedImageDecoder = bool (*)(std::span<const std::uint8_t> bytes, PlayBudget& budget,
                                      Image& out);
void SetEmbeddedImageDecoder(EmbeddedImageDecoder decoder) noexcept;
EmbeddedImageDecoder GetEmbeddedImageDecoder() noexcept;

// A black-and-white image with its black pixels in zero and its white ones in one.
Image RecolourMonochrome(const Image& blackWhite, Color zero, Color one);

// A colour as a premultiplied image pixel.
inline std::uint32_t PremultipliedPixel(Color c) noexcept
{
    const auto mul = [&](std::uint8_t v) { return std::uint32_t((v * c.a + 127) / 255); };
    return (std::uint32_t(c.a) << 24) | (mul(c.r) << 16) | (mul(c.g) << 8) | mul(c.b);
}

} // namespace metafile
