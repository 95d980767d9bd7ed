#include "metafile/EmfPlusObjects.h"

#include <algorithm>
#include <cmath>

namespace metafile {

double PlusUnitToPixels(std::uint32_t unit, double dpi) noexcept
{
    switch (PlusUnit(unit)) {
    case PlusUnit::Point:
        return dpi / 72;
    case PlusUnit::Inch:
        return dpi;
    case PlusUnit::Document:
        return dpi / 300;
    case PlusUnit::Millimeter:
        return dpi / 25.4;
    case PlusUnit::World:
    case PlusUnit::Display:
    case PlusUnit::Pixel:
        break;
    }
    return 1;
}

namespace {

constexpr std::uint32_t kBrushSolid = 0, kBrushHatch = 1, kBrushTexture = 2, kBrushPathGradient = 3,
                        kBrushLinearGradient = 4;
constexpr std::uint32_t kBrushDataPath = 0x01, kBrushDataTransform = 0x02,
                        kBrushDataPresetColors = 0x04, kBrushDataBlendFactorsH = 0x08,
                        kBrushDataBlendFactorsV = 0x10, kBrushDataFocusScales = 0x40;
constexpr std::uint32_t kWrapClamp = 4;
constexpr std::size_t kMaxRegionNodes = 4096;
constexpr int kMaxRegionDepth = 64;

Color Mix(Color a, Color b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto m = [t](std::uint8_t x, std::uint8_t y) {
        return std::uint8_t(std::lround(x + (double(y) - x) * t));
    };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

// Preset colours (positions, colours) or blend factors (positions, factors
// between the two end colours) as gradient stops.
bool ReadBlend(EmfPlusReader& r, std::uint32_t flags, Color from, Color to,
               std::vector<GradientStop>& stops)
{
    if (flags & kBrushDataPresetColors) {
        const std::uint32_t count = r.U32();
        std::vector<double> positions;
        if (!r.Floats(count, positions) || count > r.Remaining() / 4)
            return false;
        stops.clear();
        for (std::uint32_t i = 0; i < count; ++i)
            stops.push_back({positions[i], r.Argb()});
        return r.Ok();
    }
    for (std::uint32_t bit : {kBrushDataBlendFactorsH, kBrushDataBlendFactorsV}) {
        if (!(flags & bit))
            continue;
        const std::uint32_t count = r.U32();
        std::vector<double> positions, factors;
        if (!r.Floats(count, positions) || !r.Floats(count, factors))
            return false;
        // A vertical blend of a horizontal gradient is not shown; the first one read wins.
        if (stops.size() <= 2 && count > 0) {
            stops.clear();
            for (std::uint32_t i = 0; i < count; ++i)
                stops.push_back({positions[i], Mix(from, to, factors[i])});
        }
    }
    return r.Ok();
}

bool ReadLinearGradient(EmfPlusReader& r, Brush& b)
{
    const std::uint32_t flags = r.U32();
    const std::uint32_t wrap = r.U32();
    const RectD rect = r.Rect(false);
    const Color start = r.Argb(), end = r.Argb();
    r.Skip(8);
    if (flags & kBrushDataTransform)
        b.patternTransform = r.Xform();
    b.kind = BrushKind::LinearGradient;
    // Along x across the rectangle; the brush transform turns it.
    const double midY = (rect.top + rect.bottom) / 2;
    b.start = {rect.left, midY};
    b.end = {rect.right, midY};
    b.stops = {{0, start}, {1, end}};
    b.color = start;
    b.wrapTile = wrap != kWrapClamp;
    return ReadBlend(r, flags, start, end, b.stops) && r.Ok() && b.patternTransform.IsInvertible();
}

bool ReadPathGradient(EmfPlusReader& r, PlusObjectContext& ctx, Brush& b)
{
    const std::uint32_t flags = r.U32();
    const std::uint32_t wrap = r.U32();
    const Color centreColor = r.Argb();
    b.centre.x = r.F32();
    b.centre.y = r.F32();
    const std::uint32_t surroundCount = r.U32();
    if (!r.Ok() || surroundCount > r.Remaining() / 4)
        return false;
    std::vector<Color> surround;
    for (std::uint32_t i = 0; i < surroundCount; ++i)
        surround.push_back(r.Argb());
    if (flags & kBrushDataPath) {
        const std::uint32_t size = r.U32();
        EmfPlusReader pathReader(r.Take(size));
        PlusPath path;
        if (!r.Ok() || !ReadPlusPath(pathReader, ctx, path))
            return false;
        b.boundary = path.path;
    } else {
        const std::uint32_t count = r.U32();
        std::vector<PointD> points;
        if (!r.Points(count, false, false, ctx.budget, points))
            return false;
        b.boundary.AddPolygon(points);
    }
    if (flags & kBrushDataTransform)
        b.patternTransform = r.Xform();
    // Several surround colours are shown as their mean.
    Color edge = centreColor;
    if (!surround.empty()) {
        double sum[4] = {0, 0, 0, 0};
        for (const Color& c : surround) {
            sum[0] += c.r;
            sum[1] += c.g;
            sum[2] += c.b;
            sum[3] += c.a;
        }
        const double n = double(surround.size());
        edge = {std::uint8_t(std::lround(sum[0] / n)), std::uint8_t(std::lround(sum[1] / n)),
                std::uint8_t(std::lround(sum[2] / n)), std::uint8_t(std::lround(sum[3] / n))};
    }
    // Positions run from the boundary (0) to the centre (1).
    std::vector<GradientStop> blend = {{0, edge}, {1, centreColor}};
    if (!ReadBlend(r, flags, edge, centreColor, blend))
        return false;
    if (flags & kBrushDataFocusScales)
        r.Skip(12);
    b.kind = BrushKind::PathGradient;
    b.color = centreColor;
    // Stops as the canvas takes them: the centre colour first, then outwards.
    b.stops.clear();
    for (auto it = blend.rbegin(); it != blend.rend(); ++it)
        b.stops.push_back({1 - it->position, it->color});
    b.wrapTile = wrap != kWrapClamp;
    return r.Ok() && b.patternTransform.IsInvertible();
}

// Builds a path from GDI+ points and point types.
Path PathFromTypes(const std::vector<PointD>& points, const std::vector<std::uint8_t>& types)
{
    Path path;
    bool open = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int kind = types[i] & 0x07;
        std::uint8_t last = types[i];
        if (kind == 3 && open && i + 2 < points.size()) {
            path.CubicTo(points[i], points[i + 1], points[i + 2]);
            last = types[i + 2];
            i += 2;
        } else if (kind == 0 || !open) {
            path.MoveTo(points[i]);
            open = true;
        } else {
            path.LineTo(points[i]);
        }
        if (last & 0x80) {
            path.Close();
            open = false;
        }
    }
    return path;
}

bool ReadRegionNode(EmfPlusReader& r, PlusObjectContext& ctx, PlusRegion& out, int depth,
                    int& index)
{
    if (depth > kMaxRegionDepth || out.nodes.size() >= kMaxRegionNodes)
        return false;
    index = int(out.nodes.size());
    out.nodes.push_back({});
    const std::uint32_t type = r.U32();
    out.nodes[index].type = type;
    if (!r.Ok())
        return false;
    if (type >= 1 && type <= 5) {
        int left = -1, right = -1;
        if (!ReadRegionNode(r, ctx, out, depth + 1, left) ||
            !ReadRegionNode(r, ctx, out, depth + 1, right))
            return false;
        out.nodes[index].left = left;
        out.nodes[index].right = right;
        return true;
    }
    switch (type) {
    case 0x10000000:
        out.nodes[index].rect = r.Rect(false);
        return r.Ok();
    case 0x10000001: {
        const std::uint32_t size = r.U32();
        EmfPlusReader pathReader(r.Take(size));
        PlusPath path;
        if (!r.Ok() || !ReadPlusPath(pathReader, ctx, path))
            return false;
        out.nodes[index].path = std::move(path.path);
        return true;
    }
    case 0x10000002: // empty
    case 0x10000003: // infinite
        return true;
    default:
        return false;
    }
}

} // namespace

bool ReadPlusBrush(EmfPlusReader& r, PlusObjectContext& ctx, PlusBrush& out)
{
    r.U32(); // version
    const std::uint32_t type = r.U32();
    Brush& b = out.brush;
    switch (type) {
    case kBrushSolid:
        b.kind = BrushKind::Solid;
        b.color = r.Argb();
        return r.Ok();
    case kBrushHatch:
        b.kind = BrushKind::Hatch;
        b.hatch = int(std::min<std::uint32_t>(r.U32(), 52));
        b.color = r.Argb();
        b.background = r.Argb();
        b.opaqueBackground = true;
        return r.Ok();
    case kBrushTexture: {
        const std::uint32_t flags = r.U32();
        r.U32(); // wrap mode: tiles always
        if (flags & kBrushDataTransform)
            b.patternTransform = r.Xform();
        PlusImage image;
        if (!r.Ok() || !ReadPlusImage(r, ctx, image) || !image.bitmap ||
            !b.patternTransform.IsInvertible())
            return false;
        b.kind = BrushKind::Pattern;
        b.pattern = image.bitmap;
        return true;
    }
    case kBrushPathGradient:
        return ReadPathGradient(r, ctx, b);
    case kBrushLinearGradient:
        return ReadLinearGradient(r, b);
    default:
        return false;
    }
}

bool ReadPlusPen(EmfPlusReader& r, PlusObjectContext& ctx, PlusPen& out)
{
    r.U32(); // version
    r.U32(); // type
    const std::uint32_t flags = r.U32();
    out.unit = r.U32();
    out.width = r.F32();
    Pen& pen = out.pen;
    pen.cap = LineCap::Flat;
    pen.join = LineJoin::Miter;
    if (flags & 0x01)
        r.Xform(); // a pen transform is not shown
    auto cap = [](std::uint32_t c) {
        switch (c) {
        case 1:
            return LineCap::Square;
        case 2:
        case 0x12:
            return LineCap::Round;
        case 0x11:
        case 0x13:
            return LineCap::Square;
        default:
            return LineCap::Flat;
        }
    };
    if (flags & 0x02)
        pen.cap = cap(r.U32());
    if (flags & 0x04) {
        const LineCap end = cap(r.U32());
        if (!(flags & 0x02))
            pen.cap = end;
    }
    if (flags & 0x08) {
        switch (r.U32()) {
        case 1:
            pen.join = LineJoin::Bevel;
            break;
        case 2:
            pen.join = LineJoin::Round;
            break;
        default:
            pen.join = LineJoin::Miter;
            break;
        }
    }
    if (flags & 0x10)
        pen.miterLimit = std::clamp(r.F32(), 1.0, 100.0);
    std::uint32_t lineStyle = 0;
    if (flags & 0x20)
        lineStyle = r.U32();
    if (flags & 0x40)
        r.U32(); // dash cap
    if (flags & 0x80)
        r.F32(); // dash offset
    std::vector<double> dashes;
    if (flags & 0x100) {
        const std::uint32_t count = r.U32();
        if (!r.Floats(count, dashes))
            return false;
    }
    if (flags & 0x200)
        r.U32(); // alignment
    if (flags & 0x400) {
        std::vector<double> compound;
        if (!r.Floats(r.U32(), compound))
            return false;
    }
    if (flags & 0x800)
        r.Skip(r.U32());
    if (flags & 0x1000)
        r.Skip(r.U32());
    // GDI+ dash patterns, in pen widths.
    switch (lineStyle) {
    case 1:
        pen.dashes = {3, 1};
        break;
    case 2:
        pen.dashes = {1, 1};
        break;
    case 3:
        pen.dashes = {3, 1, 1, 1};
        break;
    case 4:
        pen.dashes = {3, 1, 1, 1, 1, 1};
        break;
    case 5:
        pen.dashes = dashes;
        if (pen.dashes.size() % 2)
            pen.dashes.push_back(pen.dashes.back());
        break;
    default:
        break;
    }
    pen.style = pen.dashes.empty() ? PenStyle::Solid : PenStyle::User;
    PlusBrush brush;
    if (!r.Ok() || !ReadPlusBrush(r, ctx, brush))
        return false;
    // The canvas strokes with one colour: a gradient's first.
    const Brush& b = brush.brush;
    pen.color = (b.kind == BrushKind::LinearGradient || b.kind == BrushKind::PathGradient) &&
                        !b.stops.empty()
                    ? b.stops.front().color
                    : b.color;
    return out.width >= 0;
}

bool ReadPlusPath(EmfPlusReader& r, PlusObjectContext& ctx, PlusPath& out)
{
    r.U32(); // version
    const std::uint32_t count = r.U32();
    const std::uint32_t flags = r.U32();
    const bool relative = flags & 0x0800, rle = flags & 0x1000, compressed = flags & 0x4000;
    std::vector<PointD> points;
    if (!r.Points(count, compressed, relative, ctx.budget, points))
        return false;
    std::vector<std::uint8_t> types;
    types.reserve(points.size());
    while (types.size() < points.size() && r.Ok()) {
        const std::uint8_t b0 = r.U8();
        if (rle && (b0 & 0x40)) {
            const std::size_t run = b0 & 0x3F;
            const std::uint8_t type = r.U8();
            for (std::size_t i = 0; i < run && types.size() < points.size(); ++i)
                types.push_back(type);
        } else {
            types.push_back(b0);
        }
    }
    if (!r.Ok())
        return false;
    out.path = PathFromTypes(points, types);
    return true;
}

bool ReadPlusRegion(EmfPlusReader& r, PlusObjectContext& ctx, PlusRegion& out)
{
    r.U32(); // version
    r.U32(); // node count: the tree says it
    int root = -1;
    return r.Ok() && ReadRegionNode(r, ctx, out, 0, root);
}

bool ReadPlusFont(EmfPlusReader& r, PlusFont& out)
{
    r.U32(); // version
    out.emSize = r.F32();
    out.unit = r.U32();
    out.style = r.U32();
    r.U32();
    const std::uint32_t length = r.U32();
    if (!r.Ok() || length > r.Remaining() / 2 || !(out.emSize > 0))
        return false;
    for (std::uint32_t i = 0; i < length; ++i)
        out.family.push_back(char16_t(r.U16()));
    return r.Ok();
}

bool ReadPlusStringFormat(EmfPlusReader& r, PlusStringFormat& out)
{
    r.U32(); // version
    out.flags = r.U32();
    r.U32(); // language
    out.alignment = r.U32();
    out.lineAlignment = r.U32();
    return r.Ok();
}

PlusObject ReadPlusObject(std::uint32_t type, const ByteReader& data, PlusObjectContext& ctx)
{
    EmfPlusReader r(data);
    switch (type) {
    case kPlusObjectBrush: {
        PlusBrush o;
        if (ReadPlusBrush(r, ctx, o))
            return o;
        break;
    }
    case kPlusObjectPen: {
        PlusPen o;
        if (ReadPlusPen(r, ctx, o))
            return o;
        break;
    }
    case kPlusObjectPath: {
        PlusPath o;
        if (ReadPlusPath(r, ctx, o))
            return o;
        break;
    }
    case kPlusObjectRegion: {
        PlusRegion o;
        if (ReadPlusRegion(r, ctx, o))
            return o;
        break;
    }
    case kPlusObjectImage: {
        PlusImage o;
        if (ReadPlusImage(r, ctx, o))
            return o;
        break;
    }
    case kPlusObjectFont: {
        PlusFont o;
        if (ReadPlusFont(r, o))
            return o;
        break;
    }
    case kPlusObjectStringFormat: {
        PlusStringFormat o;
        if (ReadPlusStringFormat(r, o))
            return o;
        break;
    }
    default:
        break;
    }
    return {};
}

bool PlusObjectTable::Record(std::uint16_t flags, const ByteReader& data, PlusObjectContext& ctx)
{
    const std::uint32_t id = flags & 0xFF, type = (flags >> 8) & 0x7F;
    const bool continued = flags & 0x8000;
    if (id >= kMaxObjects)
        return false;
    if (type == kPlusObjectImageAttributes) {
        // Recolouring and wrap modes of images are not shown: nothing to keep.
        m_objects[id] = {};
        return true;
    }
    ByteReader piece = data;
    if (continued) {
        // The first four bytes give the whole object's size.
        std::uint32_t total = 0;
        if (!data.U32At(0, total) || !data.Sub(4, data.Size() - 4, piece) ||
            total > kMaxObjectBytes)
            return false;
        if (id != m_pendingId || type != m_pendingType || total != m_pendingTotal) {
            m_pending.clear();
            m_pendingId = id;
            m_pendingType = type;
            m_pendingTotal = total;
        }
    } else if (id != m_pendingId || type != m_pendingType) {
        m_pending.clear();
        m_pendingId = 0xFFFFFFFF;
        m_objects[id] = ReadPlusObject(type, data, ctx);
        return !std::holds_alternative<std::monostate>(m_objects[id]);
    }
    if (piece.Size() > m_pendingTotal - std::min(m_pendingTotal, m_pending.size())) {
        // More than the object's size claimed: the object is damaged.
        m_pending.clear();
        m_pendingId = 0xFFFFFFFF;
        m_objects[id] = {};
        return false;
    }
    m_pending.insert(m_pending.end(), piece.Bytes().begin(), piece.Bytes().end());
    // The last piece may come with the continued bit clear, or complete the size.
    if (!continued || m_pending.size() == m_pendingTotal) {
        const std::vector<std::uint8_t> whole = std::move(m_pending);
        m_pending.clear();
        m_pendingId = 0xFFFFFFFF;
        m_objects[id] = ReadPlusObject(type, ByteReader(whole), ctx);
        return !std::holds_alternative<std::monostate>(m_objects[id]);
    }
    return true;
}

const PlusObject* PlusObjectTable::Get(std::uint32_t id) const noexcept
{
    return id < kMaxObjects ? &m_objects[id] : nullptr;
}

} // namespace metafile
