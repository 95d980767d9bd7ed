// The objects EMF+ records define (brushes, pens, paths, regions, images,
// fonts, string formats) as the player keeps them, read from their
// serialized form, and the bounded table that holds them by id.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/EmfPlusReader.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace metafile {

// GDI+ units (UnitType).
enum class PlusUnit : std::uint32_t
{
    World = 0,
    Display = 1,
    Pixel = 2,
    Point = 3,
    Inch = 4,
    Document = 5,
    Millimeter = 6,
};
// Device pixels (at dpi) per one of unit; World and Display count as pixels.
double PlusUnitToPixels(std::uint32_t unit, double dpi) noexcept;

struct PlusBrush
{
    Brush brush; // in world coordinates
};

struct PlusPen
{
    Pen pen;          // colour from the pen's brush
    double width = 1; // in unit
    std::uint32_t unit = 0;
};

struct PlusPath
{
    Path path;
};

// Region nodes evaluated with the canvas's path combining.
struct PlusRegion
{
    struct Node
    {
        std::uint32_t type = 0; // combine op (1-5) or a leaf kind (0x10000000 + n)
        RectD rect;
        Path path;
        int left = -1, right = -1; // children of a combine node
    };
    std::vector<Node> nodes; // nodes[0] is the root
};

struct PlusImage
{
    // A bitmap, or a metafile to be played.
    std::shared_ptr<const Image> bitmap;
    std::vector<std::uint8_t> metafile;
    double width = 0, height = 0; // the image's own size, in its units (pixels)
};

struct PlusFont
{
    double emSize = 12;
    std::uint32_t unit = 3;
    std::uint32_t style = 0; // 1 bold, 2 italic, 4 underline, 8 strike-out
    std::u16string family;
};

struct PlusStringFormat
{
    std::uint32_t flags = 0;
    std::uint32_t alignment = 0;
    std::uint32_t lineAlignment = 0;
};

using PlusObject = std::variant<std::monostate, PlusBrush, PlusPen, PlusPath, PlusRegion, PlusImage,
                                PlusFont, PlusStringFormat>;

// Object types in an EmfPlusObject record's flags.
inline constexpr std::uint32_t kPlusObjectBrush = 1, kPlusObjectPen = 2, kPlusObjectPath = 3,
                               kPlusObjectRegion = 4, kPlusObjectImage = 5, kPlusObjectFont = 6,
                               kPlusObjectStringFormat = 7, kPlusObjectImageAttributes = 8;

// What object parsing needs from the player.
struct PlusObjectContext
{
    PlayBudget& budget;
    ICanvas& canvas; // decodes compressed bitmaps
};

// Each reads an object's serialized form (after the object's record header);
// false when it is damaged.
bool ReadPlusBrush(EmfPlusReader& r, PlusObjectContext& ctx, PlusBrush& out);
bool ReadPlusPen(EmfPlusReader& r, PlusObjectContext& ctx, PlusPen& out);
bool ReadPlusPath(EmfPlusReader& r, PlusObjectContext& ctx, PlusPath& out);
bool ReadPlusRegion(EmfPlusReader& r, PlusObjectContext& ctx, PlusRegion& out);
bool ReadPlusImage(EmfPlusReader& r, PlusObjectContext& ctx, PlusImage& out); // EmfPlusImage.cpp
bool ReadPlusFont(EmfPlusReader& r, PlusFont& out);
bool ReadPlusStringFormat(EmfPlusReader& r, PlusStringFormat& out);
// The object of type from the data; monostate when damaged or unknown.
PlusObject ReadPlusObject(std::uint32_t type, const ByteReader& data, PlusObjectContext& ctx);

// Objects by id (0-63), with the pieces of an object continued over several
// records gathered up to a bounded size.
class PlusObjectTable
{
public:
    static constexpr std::uint32_t kMaxObjects = 64;
    static constexpr std::size_t kMaxObjectBytes = 64u << 20;

    // One EmfPlusObject record: flags and its data. False when it was damaged.
    bool Record(std::uint16_t flags, const ByteReader& data, PlusObjectContext& ctx);
    const PlusObject* Get(std::uint32_t id) const noexcept;

private:
    PlusObject m_objects[kMaxObjects];
    // The object being gathered.
    std::vector<std::uint8_t> m_pending;
    std::uint32_t m_pendingId = 0xFFFFFFFF, m_pendingType = 0;
    std::size_t m_pendingTotal = 0;
};

} // namespace metafile
