#include "convert/AspectRatio.h"

#include <cmath>
#include <limits>

static int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::trunc(value));
}

int HeightForWidth(int photoWidth, int photoHeight, int width)
{
    // The ratio first, then the product, in double precision.
    const double ratio = double(photoHeight) / double(photoWidth);
    return TruncateToInt(ratio * width);
}

int WidthForHeight(int photoWidth, int photoHeight, int height)
{
    const double ratio = double(photoWidth) / double(photoHeight);
    return TruncateToInt(ratio * height);
}
