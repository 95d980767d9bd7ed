#include "metafile/EmfPlayGradient.h"

#include "metafile/DibImage.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace metafile {

namespace {

constexpr std::uint32_t GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1,
                        GRADIENT_FILL_TRIANGLE = 2;
constexpr std::size_t kVertexBytes = 16;

struct Vertex
{
    PointD p;
    double rgb[3] = {0, 0, 0}; // 0 to 255
};

bool ReadVertices(const ByteReader& r, std::uint32_t count, std::vector<Vertex>& out)
{
    out.clear();
    const auto bytes = CheckedMul(count, kVertexBytes);
    if (!bytes || !r.Holds(36, *bytes))
        return false;
    out.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 36 + std::size_t(i) * kVertexBytes;
        std::int32_t x = 0, y = 0;
        std::uint16_t c[3] = {0, 0, 0};
        if (!r.I32At(at, x) || !r.I32At(at + 4, y) || !r.U16At(at + 8, c[0]) ||
            !r.U16At(at + 10, c[1]) || !r.U16At(at + 12, c[2]))
            return false;
        out[i].p = {double(x), double(y)};
        for (int k = 0; k < 3; ++k)
            out[i].rgb[k] = double(c[k] >> 8); // 16-bit channels, the high byte counts
    }
    return true;
}

Color ToColor(const Vertex& v)
{
    return {std::uint8_t(v.rgb[0]), std::uint8_t(v.rgb[1]), std::uint8_t(v.rgb[2]), 255};
}

void FillRect(GdiCore& core, const Vertex& a, const Vertex& b, bool vertical)
{
    RectD rect{std::min(a.p.x, b.p.x), std::min(a.p.y, b.p.y), std::max(a.p.x, b.p.x),
               std::max(a.p.y, b.p.y)};
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    Brush brush;
    brush.kind = BrushKind::LinearGradient;
    brush.start = a.p;
    brush.end = vertical ? PointD{a.p.x, b.p.y} : PointD{b.p.x, a.p.y};
    if (vertical ? a.p.y == b.p.y : a.p.x == b.p.x)
        brush.end = brush.start;
    brush.stops = {{0, ToColor(a)}, {1, ToColor(b)}};
    brush.wrapTile = false;
    Path path;
    path.AddRect(rect);
    core.ApplyLogicalTransform();
    core.Canvas().FillPath(path, brush);
}

// Shades a triangle in device pixels, each pixel the blend of the corners
// by its barycentric weights, and draws it as an image.
bool FillTriangle(GdiCore& core, const Vertex (&v)[3])
{
    ICanvas& canvas = core.Canvas();
    const Matrix toDevice = core.LogicalToDevice();
    PointD p[3];
    for (int i = 0; i < 3; ++i)
        p[i] = toDevice.Map(v[i].p);
    const double area =
        (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
    if (!std::isfinite(area) || std::fabs(area) < 1e-9)
        return true; // nothing to fill
    const double left = std::max(0.0, std::floor(std::min({p[0].x, p[1].x, p[2].x})));
    const double top = std::max(0.0, std::floor(std::min({p[0].y, p[1].y, p[2].y})));
    const double right =
        std::min(double(canvas.DeviceWidth()), std::ceil(std::max({p[0].x, p[1].x, p[2].x})));
    const double bottom =
        std::min(double(canvas.DeviceHeight()), std::ceil(std::max({p[0].y, p[1].y, p[2].y})));
    if (!(right > left) || !(bottom > top))
        return true;
    Image image;
    image.width = int(right - left);
    image.height = int(bottom - top);
    if (!core.Budget().SpendImagePixels(std::uint64_t(image.width) * std::uint64_t(image.height)))
        return false;
    try {
        image.pixels.assign(std::size_t(image.width) * std::size_t(image.height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double px = left + x + 0.5, py = top + y + 0.5;
            const double w0 =
                ((p[1].x - px) * (p[2].y - py) - (p[2].x - px) * (p[1].y - py)) / area;
            const double w1 =
                ((p[2].x - px) * (p[0].y - py) - (p[0].x - px) * (p[2].y - py)) / area;
            const double w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0)
                continue;
            double c[3];
            for (int k = 0; k < 3; ++k)
                c[k] =
                    std::clamp(w0 * v[0].rgb[k] + w1 * v[1].rgb[k] + w2 * v[2].rgb[k], 0.0, 255.0);
            image.pixels[std::size_t(y) * image.width + x] =
                PremultipliedPixel({std::uint8_t(c[0] + 0.5), std::uint8_t(c[1] + 0.5),
                                    std::uint8_t(c[2] + 0.5), 255});
        }
    }
    canvas.SetTransform(Matrix{});
    BlitOptions options;
    options.smooth = false;
    canvas.DrawImage(image, {0, 0, double(image.width), double(image.height)},
                     {left, top, right, bottom}, options);
    return true;
}

} // namespace

RecordResult PlayEmfGradientFill(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    std::uint32_t vertexCount = 0, shapeCount = 0, mode = 0;
    if (!r.U32At(24, vertexCount) || !r.U32At(28, shapeCount) || !r.U32At(32, mode))
        return RecordResult::Skipped;
    if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V &&
        mode != GRADIENT_FILL_TRIANGLE)
        return RecordResult::Skipped;
    const std::size_t indices = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
    const auto shapeBytes = CheckedMul(shapeCount, indices * 4);
    const auto vertexBytes = CheckedMul(vertexCount, kVertexBytes);
    if (!shapeBytes || !vertexBytes ||
        !player.Budget().SpendPoints(std::uint64_t(vertexCount) + shapeCount))
        return RecordResult::Skipped;
    std::vector<Vertex> vertices;
    const std::size_t shapesAt = 36 + *vertexBytes;
    if (!ReadVertices(r, vertexCount, vertices) || !r.Holds(shapesAt, *shapeBytes))
        return RecordResult::Skipped;
    GdiCore& core = player.Core();
    for (std::uint32_t s = 0; s < shapeCount; ++s) {
        std::uint32_t index[3] = {0, 0, 0};
        for (std::size_t k = 0; k < indices; ++k)
            if (!r.U32At(shapesAt + (std::size_t(s) * indices + k) * 4, index[k]) ||
                index[k] >= vertexCount)
                return RecordResult::Skipped;
        if (mode == GRADIENT_FILL_TRIANGLE) {
            const Vertex corners[3] = {vertices[index[0]], vertices[index[1]], vertices[index[2]]};
            if (!FillTriangle(core, corners))
                return RecordResult::Skipped;
        } else {
            FillRect(core, vertices[index[0]], vertices[index[1]], mode == GRADIENT_FILL_RECT_V);
        }
    }
    return RecordResult::Played;
}

} // namespace metafile
