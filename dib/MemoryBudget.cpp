#include "dib/MemoryBudget.h"

#include <algorithm>
#include <unistd.h>

std::uint64_t PictureMemoryBudget()
{
    static const std::uint64_t budget = [] {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGE_SIZE);
        const std::uint64_t physical = (pages > 0 && pageSize > 0)
                                           ? std::uint64_t(pages) * std::uint64_t(pageSize)
                                           : (std::uint64_t(4) << 30);
        return std::max<std::uint64_t>(physical / 4, std::uint64_t(256) << 20);
    }();
    return budget;
}

std::uint64_t FrameCacheBudget()
{
    return std::min<std::uint64_t>(PictureMemoryBudget() / 8, std::uint64_t(256) << 20);
}

bool FitsImageBudget(std::int64_t width, std::int64_t height, int bytesPerPixel)
{
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
        return false;
    // Images keep their dimensions and strides in int.
    if (width > 0x7FFFFFFF / 8 || height > 0x7FFFFFFF)
        return false;
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * bytesPerPixel;
    return bytes / std::uint64_t(height) / bytesPerPixel == std::uint64_t(width) &&
           bytes <= PictureMemoryBudget();
}
