#include "convert/Dither.h"

#include "convert/Imaging.h"
#include "dib/DeviceObjects.h"
#include "dib/NearestColor.h"

#include <QRgba64>

#include <algorithm>
#include <atomic>
#include <climits>
#include <new>
#include <system_error>
#include <thread>
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

// The nearest of a palette's colours by plain distance in RGB, the space the
// error is spread in: the capture's weighted distance, which favours green,
// leaves errors that the spreading then keeps pushing the same way (on a
// photograph at 16 colours the blurred error is 4.3 with it, 2.4 without).
// Looked up in a table of 64 levels a channel: a wanted colour is off by at
// most two steps, and what the choice misses is passed on like any other
// error.
struct PaletteColors
{
    static constexpr int kChannels = 3;
    using Pixel = QRgb;
    static constexpr int kLevels = 64;

    PaletteColors(const std::vector<PALETTEENTRY>& palette)
        : entries(palette), table(std::size_t(kLevels) * kLevels * kLevels)
    {
        // On the fixed palette's grid the weighted and the plain distance
        // agree channel by channel, and the capture's lookup is quicker than
        // a search of 256 entries for every box.
        const bool grid = palette.size() > 16;
        NearestColor nearest(palette.data(), palette.size(), table.size());
        std::uint32_t row[kLevels];
        for (int r = 0; r < kLevels; ++r)
            for (int g = 0; g < kLevels; ++g) {
                std::uint8_t* out = &table[(std::size_t(r) * kLevels + g) * kLevels];
                for (int b = 0; b < kLevels; ++b)
                    row[b] = std::uint32_t(r * 4 + 2) << 16 | std::uint32_t(g * 4 + 2) << 8 |
                             std::uint32_t(b * 4 + 2);
                if (grid) {
                    nearest.MapRow(row, kLevels, out);
                    continue;
                }
                for (int b = 0; b < kLevels; ++b)
                    out[b] = Nearest(palette, r * 4 + 2, g * 4 + 2, b * 4 + 2);
            }
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

    // The lowest index of the nearest entries.
    static std::uint8_t Nearest(const std::vector<PALETTEENTRY>& palette, int r, int g, int b)
    {
        std::size_t best = 0;
        int bestDistance = INT_MAX;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const int dr = r - palette[i].peRed;
            const int dg = g - palette[i].peGreen;
            const int db = b - palette[i].peBlue;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return std::uint8_t(best);
    }

    void Input(Pixel p, int* v) const { Rgb32Access::Read(p, v); }
    void Choose(const int* wanted, int* chosen, Pixel& out) const
    {
        // 0..kTop to 0..63: four 8-bit values a level.
        static_assert(kTop >> 10 == kLevels - 1);
        const auto level = [](int v) { return std::size_t(v) >> 10; };
        const PALETTEENTRY& e =
            entries[table[(level(wanted[0]) * kLevels + level(wanted[1])) * kLevels +
                          level(wanted[2])]];
        chosen[0] = e.peRed * kUnit;
        chosen[1] = e.peGreen * kUnit;
        chosen[2] = e.peBlue * kUnit;
        out = qRgb(e.peRed, e.peGreen, e.peBlue);
    }

    std::vector<PALETTEENTRY> entries;
    std::vector<std::uint8_t> table;
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

// The pixel rows, taken once: QImage's own row access is not for use from
// two threads.
struct Rows
{
    uchar* bits;
    qsizetype bytesPerLine;
    int width;
    int height;

    template <typename Pixel> Pixel* Row(int y) const
    {
        return reinterpret_cast<Pixel*>(bits + bytesPerLine * y);
    }
};

template <typename Target>
bool FloydSteinberg(const Rows& image, const Target& target, int top, int bottom)
{
    using Pixel = typename Target::Pixel;
    constexpr int C = Target::kChannels;
    const int width = image.width;
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
    for (int y = top; y < bottom; ++y) {
        auto* row = image.Row<Pixel>(y);
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
            // The carried errors are sums of sixteenths, divided here once.
            for (int c = 0; c < C; ++c)
                wanted[c] = std::clamp(value[c] + ((here[c] + 8) >> 4), 0, kTop);
            target.Choose(wanted, chosen, row[x]);
            int* ahead = here + step * C;
            int* below = next + std::size_t(x + 1) * C;
            for (int c = 0; c < C; ++c) {
                const int error = wanted[c] - chosen[c];
                ahead[c] += 7 * error;
                below[c - step * C] += 3 * error;
                below[c] += 5 * error;
                below[c + step * C] += error;
            }
        }
        std::swap(current, next);
    }
    return true;
}

template <typename Target>
bool Ordered(const Rows& image, const Target& target, int top, int bottom)
{
    using Pixel = typename Target::Pixel;
    constexpr int C = Target::kChannels;
    const int width = image.width;
    for (int y = top; y < bottom; ++y) {
        auto* row = image.Row<Pixel>(y);
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

// Rows [top, bottom) with the method.
template <typename Target>
bool RunBand(const Rows& image, DitherMethod method, const Target& target, int top, int bottom)
{
    switch (method) {
    case DitherMethod::None:
        return true;
    case DitherMethod::FloydSteinberg:
        return FloydSteinberg(image, target, top, bottom);
    case DitherMethod::Ordered:
        return Ordered(image, target, top, bottom);
    }
    return false;
}

// Large pictures are done as two bands, the lower one on a second thread
// when one can be had. The bands depend only on the size, so the result is
// the same either way; at the seam one row starts without carried error,
// which no eye finds.
template <typename Target> bool Run(QImage& picture, DitherMethod method, const Target& target)
{
    constexpr std::uint64_t kLarge = std::uint64_t(1) << 20; // pixels
    const Rows image{picture.bits(), picture.bytesPerLine(), picture.width(), picture.height()};
    const int height = image.height;
    if (std::uint64_t(image.width) * std::uint64_t(height) < kLarge || height < 2)
        return RunBand(image, method, target, 0, height);
    const int middle = height / 2;
    std::atomic<bool> lowerDone{false};
    const auto lower = [&] { lowerDone = RunBand(image, method, target, middle, height); };
    std::thread other;
    try {
        other = std::thread(lower);
    } catch (const std::system_error&) {
        lower();
    }
    const bool upperDone = RunBand(image, method, target, 0, middle);
    if (other.joinable())
        other.join();
    return upperDone && lowerDone;
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
            const BlackWhite<Rgb32Access> bw;
            return Run(image, method, bw);
        }
        case DitherTarget::Vga16:
        case DitherTarget::Fixed256: {
            const DevicePalette& palette =
                target == DitherTarget::Vga16 ? VgaPalette() : FixedPalette();
            const PaletteColors colors(palette.Entries());
            return Run(image, method, colors);
        }
        case DitherTarget::Rgb565:
            if (rgbx64) {
                const Rgb565Levels<Rgbx64Access> levels;
                return Run(image, method, levels);
            }
            const Rgb565Levels<Rgb32Access> levels;
            return Run(image, method, levels);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;
}
