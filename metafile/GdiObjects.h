// The GDI objects a metafile creates, selects and deletes, as the player
// keeps them, and the table that holds them by index.
#pragma once

#include "metafile/Canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace metafile {

// PS_* pen styles and the geometric bits.
inline constexpr std::uint32_t PS_STYLE_MASK = 0x0F;
inline constexpr std::uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4,
                               PS_NULL = 5, PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8;
inline constexpr std::uint32_t PS_ENDCAP_MASK = 0x0F00, PS_ENDCAP_ROUND = 0, PS_ENDCAP_SQUARE = 0x100,
                               PS_ENDCAP_FLAT = 0x200;
inline constexpr std::uint32_t PS_JOIN_MASK = 0xF000, PS_JOIN_ROUND = 0, PS_JOIN_BEVEL = 0x1000,
                               PS_JOIN_MITER = 0x2000;
inline constexpr std::uint32_t PS_GEOMETRIC = 0x10000;

// BS_* brush styles.
inline constexpr std::uint32_t BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5,
                               BS_DIBPATTERNPT = 6;

struct LogPen
{
    std::uint32_t style = PS_SOLID; // the whole PS_* word
    double width = 0;               // logical units; 0 means one device pixel
    Color color;
    std::vector<double> userStyle;  // PS_USERSTYLE dashes, logical units
    std::shared_ptr<const Image> brushPattern; // a geometric pen with a pattern brush
};

struct LogBrush
{
    std::uint32_t style = BS_SOLID;
    Color color{255, 255, 255, 255};
    std::uint32_t hatch = 0;
    std::shared_ptr<const Image> pattern;
    bool monochromePattern = false; // a 1-bit pattern: 0 bits text colour, 1 bits background
};

struct LogFont
{
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 1;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::u16string faceName;
};

struct LogPalette
{
    std::vector<Color> entries;
};

// A region in reference-device units, as a filled path.
struct Region
{
    Path path;
};

using GdiObject = std::variant<std::monostate, LogPen, LogBrush, LogFont, LogPalette, Region>;

// Stock objects, by the low bits of an EMF stock handle (0x80000000 | n).
inline constexpr std::uint32_t kStockObjectFlag = 0x80000000;
enum StockObject : std::uint32_t
{
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11,
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15,
    SYSTEM_FIXED_FONT = 16,
    DEFAULT_GUI_FONT = 17,
    DC_BRUSH = 18,
    DC_PEN = 19,
};
// The object a stock index stands for; monostate for an unknown one.
GdiObject MakeStockObject(std::uint32_t index);

// Objects by index. A file controls the indices, so the table is bounded and
// every lookup checked.
class ObjectTable
{
public:
    static constexpr std::size_t kMaxObjects = 65536;

    // Stores at index (EMF); false for an index past the bound.
    bool Put(std::uint32_t index, GdiObject object);
    // Stores in the lowest free slot (WMF) and gives it; -1 when full.
    std::int64_t PutInFreeSlot(GdiObject object);
    // Null for an empty or unknown index.
    const GdiObject* Get(std::uint32_t index) const noexcept;
    void Erase(std::uint32_t index) noexcept;
    void Clear() noexcept
    {
        m_slots.clear();
        m_firstFree = 0;
    }

private:
    std::vector<GdiObject> m_slots;
    std::size_t m_firstFree = 0;
};

} // namespace metafile
