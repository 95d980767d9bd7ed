#include "metafile/EmfPlusRegion.h"

namespace metafile {

namespace {

constexpr std::uint32_t kLeafRect = 0x10000000, kLeafPath = 0x10000001, kLeafEmpty = 0x10000002,
                        kLeafInfinite = 0x10000003;

// The whole output and a margin around it, in current coordinates.
Path Everything(const ICanvas& canvas)
{
    Path path;
    const double w = canvas.DeviceWidth(), h = canvas.DeviceHeight();
    const Matrix toDevice = canvas.Transform();
    if (!toDevice.IsInvertible()) {
        path.AddRect({-1e9, -1e9, 1e9, 1e9});
        return path;
    }
    const Matrix back = toDevice.Inverted();
    path.AddPolygon({back.Map({-w, -h}), back.Map({2 * w, -h}), back.Map({2 * w, 2 * h}),
                     back.Map({-w, 2 * h})});
    return path;
}

bool NodePath(const PlusRegion& region, int index, int depth, ICanvas& canvas, PlayBudget& budget,
              Path& out)
{
    // The reader built a tree of bounded depth; the guard keeps a damaged one finite.
    if (index < 0 || std::size_t(index) >= region.nodes.size() || depth > 128)
        return false;
    const PlusRegion::Node& node = region.nodes[std::size_t(index)];
    out.Clear();
    switch (node.type) {
    case kLeafRect:
        out.AddRect(node.rect);
        return true;
    case kLeafPath:
        out = node.path;
        return true;
    case kLeafEmpty:
        return true;
    case kLeafInfinite:
        out = Everything(canvas);
        return true;
    default:
        break;
    }
    Path left, right;
    if (!NodePath(region, node.left, depth + 1, canvas, budget, left) ||
        !NodePath(region, node.right, depth + 1, canvas, budget, right))
        return false;
    switch (node.type) {
    case 1:
        out = canvas.CombinePaths(left, right, ClipCombine::And);
        break;
    case 2:
        out = canvas.CombinePaths(left, right, ClipCombine::Or);
        break;
    case 3:
        out = canvas.CombinePaths(left, right, ClipCombine::Xor);
        break;
    case 4: // exclude: the left less the right
        out = canvas.CombinePaths(left, right, ClipCombine::Diff);
        break;
    case 5: // complement: the right less the left
        out = canvas.CombinePaths(right, left, ClipCombine::Diff);
        break;
    default:
        return false;
    }
    return budget.SpendPoints(out.Size());
}

} // namespace

bool RegionToPath(const PlusRegion& region, ICanvas& canvas, PlayBudget& budget, Path& out)
{
    return NodePath(region, 0, 0, canvas, budget, out);
}

} // namespace metafile
