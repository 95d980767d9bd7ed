#include "dib/NearestColor.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Index of the value nearest to v among levels (ascending), lower on a tie.
std::uint8_t NearestLevel(int v, const int* levels, int count)
{
    int best = 0;
    for (int i = 1; i < count; ++i) {
        if (std::abs(levels[i] - v) < std::abs(levels[best] - v))
            best = i;
    }
    return std::uint8_t(best);
}

bool IsFixedPalette(const PALETTEENTRY* entries, std::size_t count)
{
    const auto& fixed = FixedPalette().Entries();
    if (count != fixed.size())
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i].peRed != fixed[i].peRed || entries[i].peGreen != fixed[i].peGreen ||
            entries[i].peBlue != fixed[i].peBlue)
            return false;
    }
    return true;
}

// Distance from v to the closest and to the farthest point of [low, low + 7].
int Gap(int v, int low)
{
    return v < low ? low - v : v > low + 7 ? v - (low + 7) : 0;
}
int Reach(int v, int low)
{
    return std::max(std::abs(v - low), std::abs(v - (low + 7)));
}

} // namespace

NearestColor::NearestColor(const PALETTEENTRY* entries, std::size_t count, std::size_t pixels)
{
    count = std::min<std::size_t>(count, 256);
    for (std::size_t i = 0; i < count; ++i) {
        m_red[i] = entries[i].peRed;
        m_green[i] = entries[i].peGreen;
        m_blue[i] = entries[i].peBlue;
    }
    if (count <= 1) {
        m_mode = Mode::Single;
    } else if (count == 2) {
        m_mode = Mode::TwoColors;
        const int weights[3] = {kWeightRed, kWeightGreen, kWeightBlue};
        const std::uint8_t* channels[3] = {m_red, m_green, m_blue};
        for (int c = 0; c < 3; ++c) {
            const int a = channels[c][0];
            const int b = channels[c][1];
            for (int v = 0; v < 256; ++v)
                m_difference[c][v] = weights[c] * ((v - a) * (v - a) - (v - b) * (v - b));
        }
    } else if (IsFixedPalette(entries, count)) {
        m_mode = Mode::Grid884;
        const int redGreenLevels[8] = {0, 32, 64, 96, 128, 160, 192, 224};
        const int blueLevels[4] = {0, 64, 128, 192};
        for (int v = 0; v < 256; ++v) {
            m_gridRed[v] = NearestLevel(v, redGreenLevels, 8);
            m_gridGreen[v] = std::uint8_t(8 * NearestLevel(v, redGreenLevels, 8));
            m_gridBlue[v] = std::uint8_t(64 * NearestLevel(v, blueLevels, 4));
        }
    } else {
        // Below this many pixels the boxes (a 256 KiB table) are not worth
        // setting up.
        constexpr std::size_t kFewPixels = 16384;
        m_mode = pixels < kFewPixels ? Mode::Search : Mode::Cells;
        // A later copy of a colour never wins: the first one ties it and is
        // lower.
        for (std::size_t i = 0; i < count; ++i) {
            bool seen = false;
            for (std::uint8_t j : m_pool) {
                if (m_red[j] == m_red[i] && m_green[j] == m_green[i] && m_blue[j] == m_blue[i]) {
                    seen = true;
                    break;
                }
            }
            if (!seen)
                m_pool.push_back(std::uint8_t(i));
        }
        if (m_mode == Mode::Cells)
            m_cells.resize(32 * 32 * 32);
    }
}

void NearestColor::BuildCell(std::uint32_t cell)
{
    const int red = int(cell >> 10) << 3;
    const int green = int((cell >> 5) & 31) << 3;
    const int blue = int(cell & 31) << 3;
    // An entry whose closest point in the box is farther than some entry's
    // farthest point can win nowhere in the box. Keeping the ties keeps every
    // entry that could be nearest, or equally near, anywhere in it.
    int bound = INT_MAX;
    for (std::uint8_t i : m_pool) {
        const int reach = kWeightRed * Reach(m_red[i], red) * Reach(m_red[i], red) +
                          kWeightGreen * Reach(m_green[i], green) * Reach(m_green[i], green) +
                          kWeightBlue * Reach(m_blue[i], blue) * Reach(m_blue[i], blue);
        bound = std::min(bound, reach);
    }
    Cell& entry = m_cells[cell];
    entry.offset = std::uint32_t(m_candidates.size());
    for (std::uint8_t i : m_pool) {
        const int gap = kWeightRed * Gap(m_red[i], red) * Gap(m_red[i], red) +
                        kWeightGreen * Gap(m_green[i], green) * Gap(m_green[i], green) +
                        kWeightBlue * Gap(m_blue[i], blue) * Gap(m_blue[i], blue);
        if (gap <= bound)
            m_candidates.push_back(i);
    }
    entry.count = std::uint32_t(m_candidates.size()) - entry.offset;
}

std::uint8_t NearestColor::SearchCell(std::uint32_t rgb)
{
    const std::uint32_t cell = ((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x3E0) | ((rgb >> 3) & 0x1F);
    if (m_cells[cell].count == 0)
        BuildCell(cell);
    const Cell& entry = m_cells[cell];
    const std::uint8_t* candidate = m_candidates.data() + entry.offset;
    if (entry.count == 1)
        return candidate[0];
    return Search(rgb, candidate, entry.count);
}

std::uint8_t NearestColor::Search(std::uint32_t rgb, const std::uint8_t* candidates,
                                  std::size_t count) const
{
    const int r = int(rgb >> 16) & 0xFF;
    const int g = int(rgb >> 8) & 0xFF;
    const int b = int(rgb) & 0xFF;
    // Candidates are in index order, so the strict comparison keeps the
    // lowest of equally near entries.
    std::uint8_t best = candidates[0];
    int bestDistance = Distance(r, g, b, m_red[best], m_green[best], m_blue[best]);
    for (std::size_t k = 1; k < count; ++k) {
        const std::uint8_t i = candidates[k];
        const int d = Distance(r, g, b, m_red[i], m_green[i], m_blue[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void NearestColor::MapRow(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indices)
{
    switch (m_mode) {
    case Mode::Single:
        std::fill(indices, indices + count, std::uint8_t(0));
        break;
    case Mode::TwoColors:
        for (std::size_t x = 0; x < count; ++x) {
            const std::uint32_t p = pixels[x];
            // Entry 1 only when strictly nearer: a tie keeps entry 0.
            const int difference = m_difference[0][(p >> 16) & 0xFF] +
                                   m_difference[1][(p >> 8) & 0xFF] + m_difference[2][p & 0xFF];
            indices[x] = difference > 0 ? 1 : 0;
        }
        break;
    case Mode::Grid884:
        for (std::size_t x = 0; x < count; ++x) {
            const std::uint32_t p = pixels[x];
            indices[x] = std::uint8_t(m_gridRed[(p >> 16) & 0xFF] + m_gridGreen[(p >> 8) & 0xFF] +
                                      m_gridBlue[p & 0xFF]);
        }
        break;
    case Mode::Search:
    case Mode::Cells: {
        // Neighbouring pixels often share a colour.
        std::uint32_t last = 0xFFFFFFFF;
        std::uint8_t lastIndex = 0;
        for (std::size_t x = 0; x < count; ++x) {
            const std::uint32_t p = pixels[x] & 0xFFFFFF;
            if (p != last) {
                last = p;
                lastIndex =
                    m_mode == Mode::Cells ? SearchCell(p) : Search(p, m_pool.data(), m_pool.size());
            }
            indices[x] = lastIndex;
        }
        break;
    }
    }
}
