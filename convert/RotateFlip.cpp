#include "convert/RotateFlip.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kTile = 32;

// Output (x, y) comes from source (sx, sy); for one quarter turn clockwise
// sx = y, sy = H-1-x, for three sx = W-1-y, sy = x; the mirror reverses x
// first. Along an output row sx stays put and sy moves by one row, so each
// row is a walk down (or up) one source column. Output row rowBegin is
// written at outBits.
template <typename Pixel>
void RotateTiles(const QImage& in, uchar* outBits, qsizetype outStride, int outWidth,
                 bool clockwise, bool mirror, int rowBegin, int rowEnd)
{
    const int inWidth = in.width();
    const int inHeight = in.height();
    const qsizetype inStride = in.bytesPerLine();
    const uchar* inBits = in.constBits();
    const qsizetype step = ((clockwise != mirror) ? -1 : 1) * inStride;
    for (int ty = rowBegin; ty < rowEnd; ty += kTile) {
        const int yEnd = std::min(rowEnd, ty + kTile);
        for (int tx = 0; tx < outWidth; tx += kTile) {
            const int xEnd = std::min(outWidth, tx + kTile);
            const int rx = mirror ? outWidth - 1 - tx : tx;
            const int sy = clockwise ? inHeight - 1 - rx : rx;
            for (int y = ty; y < yEnd; ++y) {
                const int sx = clockwise ? y : inWidth - 1 - y;
                auto* dst = reinterpret_cast<Pixel*>(outBits + (y - rowBegin) * outStride);
                const uchar* src = inBits + sy * inStride + qsizetype(sx) * sizeof(Pixel);
                for (int x = tx; x < xEnd; ++x, src += step)
                    std::memcpy(dst + x, src, sizeof(Pixel));
            }
        }
    }
}

template <typename Pixel>
void RotateQuarter(const QImage& in, QImage& out, bool clockwise, bool mirror, int threads)
{
    const int rows = out.height();
    uchar* outBits = out.bits(); // detached once, before any thread writes
    const qsizetype outStride = out.bytesPerLine();
    const int outWidth = out.width();
    threads = std::clamp(threads, 1, std::max(1, rows / kTile));
    const int chunk = ((rows + threads - 1) / threads + kTile - 1) / kTile * kTile;
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i) {
        const int begin = i * chunk;
        const int end = std::min(rows, begin + chunk);
        if (begin < end)
            pool.emplace_back([&, begin, end] {
                RotateTiles<Pixel>(in, outBits + begin * outStride, outStride, outWidth, clockwise,
                                   mirror, begin, end);
            });
    }
    RotateTiles<Pixel>(in, outBits, outStride, outWidth, clockwise, mirror, 0,
                       std::min(rows, chunk));
    for (std::thread& thread : pool)
        thread.join();
}

// Rows of a half turn or a mirror: each comes whole from one source row,
// reversed or not.
template <typename Pixel>
void FlipRows(const QImage& in, uchar* outBits, qsizetype outStride, bool upsideDown, bool reverse,
              int rowBegin, int rowEnd)
{
    const int width = in.width();
    for (int y = rowBegin; y < rowEnd; ++y) {
        const auto* src =
            reinterpret_cast<const Pixel*>(in.constScanLine(upsideDown ? in.height() - 1 - y : y));
        auto* dst = reinterpret_cast<Pixel*>(outBits + (y - rowBegin) * outStride);
        if (reverse)
            std::reverse_copy(src, src + width, dst);
        else
            std::copy(src, src + width, dst);
    }
}

template <typename Pixel>
void TurnRows(const QImage& image, int code, int top, int rows, QImage& band)
{
    const int turns = code & 3;
    const bool mirror = code >= 4;
    if (turns % 2) {
        const int outWidth = image.height();
        RotateTiles<Pixel>(image, band.bits(), band.bytesPerLine(), outWidth, turns == 1, mirror,
                           top, top + rows);
        return;
    }
    // No turn: a mirror. A half turn then the mirror: only the vertical
    // flip remains, reversed unless mirrored back.
    const bool halfTurn = turns == 2;
    FlipRows<Pixel>(image, band.bits(), band.bytesPerLine(), halfTurn, halfTurn != mirror, top,
                    top + rows);
}

} // namespace

bool RotateFlipRows(const QImage& image, int code, int top, int rows, QImage& band)
{
    const bool sideways = (code & 3) % 2 != 0;
    const int width = sideways ? image.height() : image.width();
    const int height = sideways ? image.width() : image.height();
    if (image.isNull() || code < 0 || code > 7 || top < 0 || rows < 0 || top + rows > height ||
        band.format() != image.format() || band.width() != width || band.height() < rows)
        return false;
    switch (image.depth()) {
    case 16:
        TurnRows<std::uint16_t>(image, code, top, rows, band);
        return true;
    case 32:
        TurnRows<std::uint32_t>(image, code, top, rows, band);
        return true;
    case 64:
        TurnRows<std::uint64_t>(image, code, top, rows, band);
        return true;
    default:
        return false;
    }
}

bool RotateFlipImage(QImage& image, int code, int threads)
{
    if (image.isNull() || code < 0 || code > 7)
        return false;
    const int turns = code & 3;
    const bool mirror = code >= 4;
    // Mirrors happen in place.
    if (turns == 0) {
        if (mirror)
            image = std::move(image).mirrored(true, false);
        return true;
    }
    if (turns == 2) { // 180 degrees, then the mirror: only a vertical mirror remains
        image = std::move(image).mirrored(!mirror, true);
        return true;
    }

    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    QImage out(image.height(), image.width(), image.format());
    if (out.isNull())
        return false;
    out.setDotsPerMeterX(image.dotsPerMeterY());
    out.setDotsPerMeterY(image.dotsPerMeterX());
    const bool clockwise = turns == 1;
    switch (image.depth()) {
    case 16:
        RotateQuarter<std::uint16_t>(image, out, clockwise, mirror, threads);
        break;
    case 32:
        RotateQuarter<std::uint32_t>(image, out, clockwise, mirror, threads);
        break;
    case 64:
        RotateQuarter<std::uint64_t>(image, out, clockwise, mirror, threads);
        break;
    default: {
        // Other depths: Qt's own rotation, then the mirror.
        out = image.transformed(QTransform().rotate(turns * 90.0));
        if (out.isNull())
            return false;
        if (mirror)
            out = std::move(out).mirrored(true, false);
        break;
    }
    }
    image = std::move(out);
    return true;
}
