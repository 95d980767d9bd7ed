#include "convert/Dither.h"

#include "convert/Imaging.h"
#include "dib/DeviceObjects.h"
#include "dib/NearestColor.h"

#include <QRgba64>

#include <algorithm>
#include <new>
#include <type_traits>
#include <vector>

namespace {

// Channel values are carried in 1/256 steps of the 0-255 scale, so the
// fractions of an error spread over sixteenths are kept.
constexpr int kUnit = 256;
constexpr int kTop = 255 * kUnit;

constexpr int kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

// ---- Reading the pixels of the two working formats.

struct Rgb32Access
{
    using Pixel = QRgb;
    static void Read(Pixel p, int* v)
    {
        v[0] = int(qRed(p)) * kUnit;
        v[1] = int(qGreen(p)) * kUnit;
        v[2] = int(qBlue(p)) * kUnit;
    }
};

struct Rgbx64Access
{
    using Pixel = QRgba64;
    static int Scale(unsigned v) { return int((std::uint64_t(v) * kTop + 32767) / 65535); }
    static void Read(Pixel p, int* v)
    {
        v[0] = Scale(p.red());
        v[1] = Scale(p.green());
        v[2] = Scale(p.blue());
    }
};

// ---- What each output can hold. Choose() takes the wanted values (within
// 0..kTop), stores the colour the output will hold in the pixel and returns
// its values in chosen.

// Black or white by Rec. 601 brightness, as the 1-bit capture decides: one
// channel, the brightness, carries the error.
template <typename Access> struct BlackWhite
{
    static constexpr int kChannels = 1;
    using Pixel = typename Access::Pixel;

    int spacing[1] = {kTop};

    void Input(Pixel p, int* v) const
    {
        int rgb[3];
        Access::Read(p, rgb);
        // Rounded down, so that a colour right at the capture's threshold
        // (luma 128) is white here as there.
        v[0] = (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2]) / 1000;
    }
    void Choose(const int* wanted, int* chosen, Pixel& out) const
    {
        const bool white = wanted[0] >= 128 * kUnit;
        chosen[0] = white ? kTop : 0;
        out = white ? 0xFFFFFFFFu : 0xFF000000u;
    }
};

// The nearest of a palette's colours, by the capture's own distance.
struct PaletteColors
{
    static constexpr int kChannels = 3;
    using Pixel = QRgb;

    PaletteColors(const std::vector<PALETTEENTRY>& palette, std::size_t pixels)
        : entries(palette), nearest(palette.data(), palette.size(), pixels)
    {
        // The widest step between neighbouring levels of each channel: the
        // range an ordered threshold has to cover.
        for (int c = 0; c < 3; ++c) {
            std::vector<int> levels;
            for (const PALETTEENTRY& e : entries)
                levels.push_back(c == 0 ? e.peRed : c == 1 ? e.peGreen : e.peBlue);
            std::sort(levels.begin(), levels.end());
            int widest = 1;
            for (std::size_t i = 1; i < levels.size(); ++i)
                widest = std::max(widest, levels[i] - levels[i - 1]);
            spacing[c] = widest * kUnit;
        }
    }

    void Input(Pixel p, int* v) const { Rgb32Access::Read(p, v); }
    void Choose(const int* wanted, int* chosen, Pixel& out)
    {
        const auto byte = [](int v) {
            return std::uint32_t(std::min(255, (v + kUnit / 2) / kUnit));
        };
        const std::uint8_t index =
            nearest.Map(byte(wanted[0]) << 16 | byte(wanted[1]) << 8 | byte(wanted[2]));
        const PALETTEENTRY& e = entries[index];
        chosen[0] = e.peRed * kUnit;
        chosen[1] = e.peGreen * kUnit;
        chosen[2] = e.peBlue * kUnit;
        out = qRgb(e.peRed, e.peGreen, e.peBlue);
    }

    std::vector<PALETTEENTRY> entries;
    NearestColor nearest;
    int spacing[3] = {};
};

// 5-6-5 levels. The pixel gets a value that the writer's rounding turns
// back into the chosen level.
template <typename Access> struct Rgb565Levels
{
    static constexpr int kChannels = 3;
    using Pixel = typename Access::Pixel;
    static constexpr int kMax[3] = {31, 63, 31};

    int spacing[3] = {kTop / 31, kTop / 63, kTop / 31};

    void Input(Pixel p, int* v) const { Access::Read(p, v); }
    void Choose(const int* wanted, int* chosen, Pixel& out) const
    {
        int level[3];
        for (int c = 0; c < 3; ++c) {
            const int max = kMax[c];
            level[c] = (wanted[c] * max + kTop / 2) / kTop;
            chosen[c] = (level[c] * kTop + max / 2) / max;
        }
        if constexpr (std::is_same_v<Pixel, QRgb>) {
            const auto expand = [](int l, int max) { return (l * 255 + max / 2) / max; };
            out = qRgb(expand(level[0], 31), expand(level[1], 63), expand(level[2], 31));
        } else {
            const auto expand = [](int l, int max) {
                return std::uint16_t((l * 65535 + max / 2) / max);
            };
            out = QRgba64::fromRgba64(expand(level[0], 31), expand(level[1], 63),
                                      expand(level[2], 31), 65535);
        }
    }
};

// ---- The two methods, for any output.

template <typename Target> bool FloydSteinberg(QImage& image, Target& target)
{
    using Pixel = typename Target::Pixel;
    constexpr int C = Target::kChannels;
    const int width = image.width();
    const int height = image.height();
    // Two rows of errors, with a column either side for what falls off the
    // edges.
    const std::size_t rowValues = (std::size_t(width) + 2) * C;
    std::vector<int> errors;
    try {
        errors.assign(2 * rowValues, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    int* current = errors.data();
    int* next = current + rowValues;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<Pixel*>(image.scanLine(y));
        // Serpentine: every other row runs right to left, so the error does
        // not drift one way and leave diagonal streaks.
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        std::fill(next, next + rowValues, 0);
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            int value[C];
            int wanted[C];
            int chosen[C];
            target.Input(row[x], value);
            int* here = current + std::size_t(x + 1) * C;
            for (int c = 0; c < C; ++c)
                wanted[c] = std::clamp(value[c] + here[c], 0, kTop);
            target.Choose(wanted, chosen, row[x]);
            int* ahead = here + step * C;
            int* below = next + std::size_t(x + 1) * C;
            for (int c = 0; c < C; ++c) {
                const int error = wanted[c] - chosen[c];
                const int seven = error * 7 / 16;
                const int three = error * 3 / 16;
                const int five = error * 5 / 16;
                ahead[c] += seven;
                below[c - step * C] += three;
                below[c] += five;
                below[c + step * C] += error - seven - three - five;
            }
        }
        std::swap(current, next);
    }
    return true;
}

template <typename Target> bool Ordered(QImage& image, Target& target)
{
    using Pixel = typename Target::Pixel;
    constexpr int C = Target::kChannels;
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<Pixel*>(image.scanLine(y));
        const int* thresholds = kBayer8[y & 7];
        for (int x = 0; x < width; ++x) {
            int value[C];
            int wanted[C];
            int chosen[C];
            target.Input(row[x], value);
            // A threshold centred on zero, from -63/128 to +63/128 of a step
            // between neighbouring levels.
            const int t = 2 * thresholds[x & 7] - 63;
            for (int c = 0; c < C; ++c)
                wanted[c] = std::clamp(value[c] + target.spacing[c] * t / 128, 0, kTop);
            target.Choose(wanted, chosen, row[x]);
        }
    }
    return true;
}

template <typename Target> bool Run(QImage& image, DitherMethod method, Target& target)
{
    switch (method) {
    case DitherMethod::None:
        return true;
    case DitherMethod::FloydSteinberg:
        return FloydSteinberg(image, target);
    case DitherMethod::Ordered:
        return Ordered(image, target);
    }
    return false;
}

} // namespace

std::optional<DitherTarget> DitherTargetFor(int pixelFormat)
{
    switch (pixelFormat) {
    case PixelFormat1bppIndexed:
        return DitherTarget::BlackWhite;
    case PixelFormat4bppIndexed:
        return DitherTarget::Vga16;
    case PixelFormat8bppIndexed:
        return DitherTarget::Fixed256;
    case PixelFormat16bppRGB565:
        return DitherTarget::Rgb565;
    default:
        return std::nullopt;
    }
}

std::optional<DitherMethod> DitherMethodFromName(const QString& name)
{
    if (name == u"none")
        return DitherMethod::None;
    if (name == u"floyd-steinberg")
        return DitherMethod::FloydSteinberg;
    if (name == u"ordered")
        return DitherMethod::Ordered;
    return std::nullopt;
}

bool DitherImage(QImage& image, DitherMethod method, DitherTarget target)
{
    const bool rgb32 = image.format() == QImage::Format_RGB32;
    const bool rgbx64 = image.format() == QImage::Format_RGBX64 && target == DitherTarget::Rgb565;
    if (!rgb32 && !rgbx64)
        return false;
    if (method == DitherMethod::None || image.isNull())
        return true;
    // Detach first, so that a shared picture is copied (or found too large)
    // before anything is changed.
    if (!image.bits())
        return false;
    try {
        switch (target) {
        case DitherTarget::BlackWhite: {
            BlackWhite<Rgb32Access> bw;
            return Run(image, method, bw);
        }
        case DitherTarget::Vga16:
        case DitherTarget::Fixed256: {
            const DevicePalette& palette =
                target == DitherTarget::Vga16 ? VgaPalette() : FixedPalette();
            PaletteColors colors(palette.Entries(),
                                 std::size_t(image.width()) * std::size_t(image.height()));
            return Run(image, method, colors);
        }
        case DitherTarget::Rgb565:
            if (rgbx64) {
                Rgb565Levels<Rgbx64Access> levels;
                return Run(image, method, levels);
            }
            Rgb565Levels<Rgb32Access> levels;
            return Run(image, method, levels);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;
}
