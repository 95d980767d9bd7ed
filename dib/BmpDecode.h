// Bitmap files of every layout decoded to true-colour pixels, for opening
// them as pictures: indexed (1, 2, 4, 8 bits) with any colour table,
// run-length 4 and 8 bits, 16 and 32 bits with or without bit fields, 24
// bits, 64 bits (s2.13 fixed point in linear light), top-down rows, the
// OS/2 headers and the Windows ones up to version 5. Embedded PNG and JPEG
// data is located here and decoded by the caller.
//
// Two steps, so that the caller allocates the picture itself: PlanBmpDecode
// reads and checks the headers and colour table (and the memory budget),
// DecodeBmpPixels fills rows that the caller provides. Every access to the
// file's bytes is bounds-checked.
//
// Choices where files or readers differ:
// - Pixels that run-length data skips (a delta, an early end of row or of
//   the bitmap, data that stops short) show colour-table entry 0, as Pillow
//   and ImageMagick show them (Qt does for whole rows skipped) and as the
//   program's own DIB reader does.
// - A pixel array cut short opens with its missing bytes read as zero, as
//   the program's DIB reader loads such files: black for most layouts,
//   transparent where the layout has alpha, entry 0 for indexed ones.
// - Indices beyond a short colour table show opaque black.
// - Channels of n bits widen by repeating their top bits, so that the
//   largest value becomes the largest of the wider channel (5-6-5 exactly as
//   the DIB reader widens it).
// - 32 bits without bit fields: the fourth byte is alpha only when it is
//   not zero all over the picture; otherwise the picture is opaque.
// - Alpha is read as straight. A file does not say whether its colours are
//   premultiplied (this program's PARGB files carry the same headers as its
//   ARGB ones), and straight is how Windows and every other reader shows
//   them.
// - 64 bits: each channel is clamped to 0..1, the colours turned from
//   linear light to sRGB, to 16 bits a channel.
#pragma once

#include "dib/BmpHeader.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The pixel layouts a decoded bitmap comes in.
enum class BmpPixelLayout
{
    Rgb32,  // native 32-bit words 0xFFRRGGBB
    Argb32, // native 32-bit words 0xAARRGGBB, straight alpha
    Rgbx64, // native 16-bit words R, G, B, 0xFFFF
    Rgba64  // native 16-bit words R, G, B, A, straight alpha
};

enum class BmpEmbedded
{
    None,
    Png,
    Jpeg
};

enum class BmpDecodeStatus
{
    Ok,
    Broken,  // not a bitmap, or one whose headers no reader could follow
    TooLarge // beyond the picture memory budget or the sizes pictures have
};

struct BmpPlan
{
    BmpDecodeStatus status = BmpDecodeStatus::Broken;
    BmpHeader header;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // What the caller allocates: DecodeBmpPixels may end in a narrower
    // alpha form (see there).
    BmpPixelLayout layout = BmpPixelLayout::Rgb32;
    // With embedded data the pixels are a PNG or JPEG file of their own at
    // this offset; width, height and layout then do not apply.
    BmpEmbedded embedded = BmpEmbedded::None;
    std::size_t pixelOffset = 0;
    std::size_t pixelBytes = 0; // what the file holds from the offset on (compressed: at most)
    std::uint64_t stride = 0;   // uncompressed rows
    // Red, green, blue, alpha masks of bit-field and 16-bit layouts.
    std::array<std::uint32_t, 4> masks = {};
    // The colour table as 0xFFRRGGBB; entries the file lacks are black.
    std::array<std::uint32_t, 256> colors = {};
};

BmpPlan PlanBmpDecode(const std::uint8_t* data, std::size_t size);

// Bytes a row of the layout needs at least.
std::size_t BmpLayoutRowBytes(BmpPixelLayout layout, std::int32_t width);

// Decodes the pixels of a plan whose status is Ok and that embeds nothing
// into plan.height rows, top to bottom, bytesPerRow apart, of the plan's
// layout. Returns the layout the pixels are in: Argb32 becomes Rgb32 and
// Rgba64 becomes Rgbx64 when every pixel turns out opaque (for 32 bits
// without bit fields: when the fourth byte is zero throughout).
BmpPixelLayout DecodeBmpPixels(const BmpPlan& plan, const std::uint8_t* data, std::size_t size,
                               std::uint8_t* rows, std::size_t bytesPerRow);
