// Finding the nearest palette entry for true colours, fast enough to map
// whole photographs.
//
// "Nearest" is the smallest weighted squared distance
//     3 (R - r)^2 + 4 (G - g)^2 + 2 (B - b)^2,
// green weighing most and blue least, roughly as the eye does; of equally
// near entries the lowest index wins.
#pragma once

#include "dib/DeviceObjects.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class NearestColor
{
public:
    static constexpr int kWeightRed = 3;
    static constexpr int kWeightGreen = 4;
    static constexpr int kWeightBlue = 2;

    // Uses at most the first 256 entries; with none every colour maps to 0.
    // pixels is about how many colours will be mapped: for a few, setting up
    // the fast lookup costs more than it saves. May throw std::bad_alloc.
    NearestColor(const PALETTEENTRY* entries, std::size_t count, std::size_t pixels = SIZE_MAX);

    // Index for each of count 0x00RRGGBB pixels.
    void MapRow(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indices);
    std::uint8_t Map(std::uint32_t rgb)
    {
        std::uint8_t index;
        MapRow(&rgb, 1, &index);
        return index;
    }

    static int Distance(int r1, int g1, int b1, int r2, int g2, int b2)
    {
        return kWeightRed * (r1 - r2) * (r1 - r2) + kWeightGreen * (g1 - g2) * (g1 - g2) +
               kWeightBlue * (b1 - b2) * (b1 - b2);
    }

private:
    // The distance is a sum over channels, so where the palette is a grid
    // (or has only two colours) each channel can be looked up on its own.
    enum class Mode
    {
        Single,
        TwoColors,
        Grid884,
        Search,
        Cells
    };

    struct Cell
    {
        std::uint32_t offset = 0;
        std::uint32_t count = 0; // 0: candidates not worked out yet
    };

    void BuildCell(std::uint32_t cell);
    std::uint8_t SearchCell(std::uint32_t rgb);
    std::uint8_t Search(std::uint32_t rgb, const std::uint8_t* candidates, std::size_t count) const;

    Mode m_mode = Mode::Single;
    std::uint8_t m_red[256] = {};
    std::uint8_t m_green[256] = {};
    std::uint8_t m_blue[256] = {};

    // TwoColors: distance to entry 0 minus distance to entry 1, per channel.
    int m_difference[3][256] = {};
    // Grid884: index contribution of each channel value.
    std::uint8_t m_gridRed[256] = {};
    std::uint8_t m_gridGreen[256] = {};
    std::uint8_t m_gridBlue[256] = {};

    // Search and Cells: the entries with distinct colours, lowest index kept.
    std::vector<std::uint8_t> m_pool;
    // Cells: the colour cube cut into 32^3 boxes of 8^3 colours; each box
    // lists, lazily, the entries that can be nearest to some colour in it.
    std::vector<Cell> m_cells;
    std::vector<std::uint8_t> m_candidates;
};
