// Points, rectangles and affine transforms in double precision, the units
// every layer of the player computes in.
#pragma once

#include <cmath>

namespace metafile {

struct PointD
{
    double x = 0, y = 0;
};

struct RectD
{
    double left = 0, top = 0, right = 0, bottom = 0;
    double Width() const noexcept { return right - left; }
    double Height() const noexcept { return bottom - top; }
};

// The GDI XFORM convention: x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
// A * B applies A first, then B (GDI's CombineTransform order).
struct Matrix
{
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    static Matrix Translation(double x, double y) noexcept { return {1, 0, 0, 1, x, y}; }
    static Matrix Scaling(double sx, double sy) noexcept { return {sx, 0, 0, sy, 0, 0}; }
    // The unit square onto the parallelogram of its upper-left, upper-right
    // and lower-left corners.
    static Matrix UnitSquareOnto(PointD upperLeft, PointD upperRight, PointD lowerLeft) noexcept
    {
        return {upperRight.x - upperLeft.x,
                upperRight.y - upperLeft.y,
                lowerLeft.x - upperLeft.x,
                lowerLeft.y - upperLeft.y,
                upperLeft.x,
                upperLeft.y};
    }

    PointD Map(PointD p) const noexcept
    {
        return {m11 * p.x + m21 * p.y + dx, m12 * p.x + m22 * p.y + dy};
    }
    // A vector: the translation left out.
    PointD MapVector(PointD v) const noexcept
    {
        return {m11 * v.x + m21 * v.y, m12 * v.x + m22 * v.y};
    }
    double Determinant() const noexcept { return m11 * m22 - m12 * m21; }
    bool IsInvertible() const noexcept
    {
        const double d = Determinant();
        return std::isfinite(d) && std::fabs(d) > 1e-300;
    }
    bool IsFinite() const noexcept
    {
        return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) &&
               std::isfinite(m22) && std::isfinite(dx) && std::isfinite(dy);
    }
    // The identity when the matrix cannot be inverted.
    Matrix Inverted() const noexcept
    {
        if (!IsInvertible())
            return {};
        const double d = Determinant();
        Matrix r{m22 / d, -m12 / d, -m21 / d, m11 / d, 0, 0};
        r.dx = -(dx * r.m11 + dy * r.m21);
        r.dy = -(dx * r.m12 + dy * r.m22);
        return r;
    }
    // The mean scale of a length under this transform.
    double LengthScale() const noexcept { return std::sqrt(std::fabs(Determinant())); }
};

inline Matrix operator*(const Matrix& a, const Matrix& b) noexcept
{
    return {a.m11 * b.m11 + a.m12 * b.m21,      a.m11 * b.m12 + a.m12 * b.m22,
            a.m21 * b.m11 + a.m22 * b.m21,      a.m21 * b.m12 + a.m22 * b.m22,
            a.dx * b.m11 + a.dy * b.m21 + b.dx, a.dx * b.m12 + a.dy * b.m22 + b.dy};
}

} // namespace metafile
