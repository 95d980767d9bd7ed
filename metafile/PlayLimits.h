// The bounds on what one metafile may make the player do, so that no file
// can hang the program or take unbounded memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace metafile {

struct PlayLimits
{
    std::size_t maxRecords = 4'000'000;
    std::size_t maxPointsPerRecord = 1'000'000;
    std::uint64_t maxTotalPoints = 40'000'000;   // every point of every drawing
    std::uint64_t maxImagePixels = 64ull << 20;  // one bitmap inside the file
    std::uint64_t maxTotalImagePixels = 512ull << 20;
    std::size_t maxSaveDepth = 4096;             // SaveDC, GDI+ containers
    int maxNesting = 4;                          // a metafile inside a metafile ...
    std::size_t maxTextLength = 1 << 16;
};

// What has been spent of the limits; once Exhausted() the player stops.
class PlayBudget
{
public:
    explicit PlayBudget(const PlayLimits& limits = {}) : m_limits(limits) {}

    const PlayLimits& Limits() const noexcept { return m_limits; }
    // Counts a record; false once over the bound.
    bool SpendRecord() noexcept { return !Over(++m_records > m_limits.maxRecords); }
    // Counts the points of one drawing; false when the record is too large or the total spent.
    bool SpendPoints(std::uint64_t n) noexcept
    {
        if (n > m_limits.maxPointsPerRecord)
            return false; // this record alone is skipped
        m_points += n;
        return !Over(m_points > m_limits.maxTotalPoints);
    }
    bool SpendImagePixels(std::uint64_t n) noexcept
    {
        if (n > m_limits.maxImagePixels)
            return false;
        m_imagePixels += n;
        return !Over(m_imagePixels > m_limits.maxTotalImagePixels);
    }
    bool Exhausted() const noexcept { return m_exhausted; }
    // Records that could not be drawn and were passed over.
    void CountSkipped() noexcept { ++m_skipped; }
    std::size_t Skipped() const noexcept { return m_skipped; }

private:
    bool Over(bool over) noexcept
    {
        if (over)
            m_exhausted = true;
        return over;
    }

    PlayLimits m_limits;
    std::size_t m_records = 0;
    std::uint64_t m_points = 0;
    std::uint64_t m_imagePixels = 0;
    std::size_t m_skipped = 0;
    bool m_exhausted = false;
};

} // namespace metafile
