#include "dib/BmpInspect.h"

#include "dib/BmpHeader.h"
#include "dib/DibFormat.h"

#include <array>
#include <bit>
#include <cinttypes>
#include <cstdio>

namespace {

std::string Format(const char* pattern, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::string Count(std::uint64_t value)
{
    return Format("%" PRIu64, value);
}

std::string Hex(std::uint32_t value)
{
    return Format("0x%08" PRIX32, value);
}

const char* HeaderName(std::uint32_t size)
{
    switch (size) {
    case 12:
        return "BITMAPCOREHEADER (OS/2 1.x)";
    case 16:
        return "OS/2 2.x header, short form";
    case 64:
        return "OS/2 2.x header (BITMAPCOREHEADER2)";
    case 40:
        return "BITMAPINFOHEADER";
    case 52:
        return "BITMAPV2INFOHEADER";
    case 56:
        return "BITMAPV3INFOHEADER";
    case 108:
        return "BITMAPV4HEADER";
    case 124:
        return "BITMAPV5HEADER";
    default:
        return nullptr;
    }
}

const char* CompressionName(std::uint32_t compression, bool os2)
{
    switch (compression) {
    case BI_RGB:
        return "BI_RGB (none)";
    case BI_RLE8:
        return "BI_RLE8";
    case BI_RLE4:
        return "BI_RLE4";
    case BI_BITFIELDS:
        return os2 ? "Huffman 1D (OS/2)" : "BI_BITFIELDS";
    case BI_JPEG:
        return os2 ? "RLE24 (OS/2)" : "BI_JPEG (embedded JPEG)";
    case BI_PNG:
        return os2 ? nullptr : "BI_PNG (embedded PNG)";
    case BI_ALPHABITFIELDS:
        return os2 ? nullptr : "BI_ALPHABITFIELDS";
    case BI_CMYK:
        return os2 ? nullptr : "BI_CMYK";
    case BI_CMYKRLE8:
        return os2 ? nullptr : "BI_CMYKRLE8";
    case BI_CMYKRLE4:
        return os2 ? nullptr : "BI_CMYKRLE4";
    default:
        return nullptr;
    }
}

std::string ColourSpaceName(std::uint32_t type)
{
    switch (type) {
    case 0:
        return "calibrated RGB (end points and gammas in the header)";
    case 0x73524742:
        return "sRGB";
    case 0x57696E20:
        return "Windows default (Win )";
    case 0x4C494E4B:
        return "linked profile (LINK)";
    case 0x4D424544:
        return "embedded profile (MBED)";
    default:
        return "unknown " + Hex(type);
    }
}

// Bits first..last of a mask, or what is wrong with it.
std::string MaskText(std::uint32_t mask)
{
    if (mask == 0)
        return Hex(mask) + " (none)";
    const int low = std::countr_zero(mask);
    const int high = 31 - std::countl_zero(mask);
    return Hex(mask) + Format(" (%d bits, %d to %d)", std::popcount(mask), low, high);
}

class Inspector
{
public:
    explicit Inspector(DibFile& file) : m_file(file) {}

    BmpInspection Run();

private:
    void Field(const std::string& name, const std::string& value)
    {
        m_result.fields.emplace_back(name, value);
    }
    void Problem(const std::string& text) { m_result.problems.push_back(text); }
    // Makes the file invalid too.
    BmpInspection& Fatal(const std::string& text)
    {
        Problem(text);
        m_result.valid = false;
        return m_result;
    }
    bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
    {
        return m_file.Seek(std::int64_t(offset), DibFile::Origin::Begin) == std::int64_t(offset) &&
               m_file.Read(bytes, count) == count;
    }
    void CheckMasks(const std::array<std::uint32_t, 4>& masks, bool withAlpha, int bits);

    DibFile& m_file;
    BmpInspection m_result;
};

void Inspector::CheckMasks(const std::array<std::uint32_t, 4>& masks, bool withAlpha, int bits)
{
    const char* names[4] = {"red", "green", "blue", "alpha"};
    std::uint32_t seen = 0;
    for (int i = 0; i < (withAlpha ? 4 : 3); ++i) {
        const std::uint32_t mask = masks[std::size_t(i)];
        if (mask == 0) {
            if (i < 3)
                Problem(Format("the %s mask is empty", names[i]));
            continue;
        }
        const std::uint32_t shifted = mask >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0)
            Problem(Format("the %s mask %s has gaps", names[i], Hex(mask).c_str()));
        if (bits < 32 && (mask >> bits) != 0)
            Problem(Format("the %s mask %s reaches beyond the %d bits of a pixel", names[i],
                           Hex(mask).c_str(), bits));
        if ((seen & mask) != 0)
            Problem(Format("the %s mask %s overlaps another mask", names[i], Hex(mask).c_str()));
        seen |= mask;
    }
}

BmpInspection Inspector::Run()
{
    m_result.valid = true;
    const std::int64_t length = m_file.Length();
    if (length < 0)
        return Fatal("the file's length cannot be known");
    const auto fileSize = std::uint64_t(length);
    Field("File size", Count(fileSize) + " bytes");

    std::uint8_t fileHeader[kFileHeaderBytes] = {};
    if (!ReadAt(0, fileHeader, sizeof fileHeader))
        return Fatal("the file is shorter than the 14-byte file header");
    const std::uint16_t type = ReadU16(fileHeader);
    if (type != kBitmapFileType) {
        const bool printable = fileHeader[0] >= 0x20 && fileHeader[0] < 0x7F &&
                               fileHeader[1] >= 0x20 && fileHeader[1] < 0x7F;
        Field("Signature", printable ? Format("\"%c%c\"", fileHeader[0], fileHeader[1])
                                     : Format("0x%02X 0x%02X", fileHeader[0], fileHeader[1]));
        const bool os2Other = type == 0x4142 || type == 0x4943 || type == 0x5043 ||
                              type == 0x4349 || type == 0x5450; // BA, CI, CP, IC, PT
        return Fatal(os2Other ? "an OS/2 bitmap array, icon or pointer, not a single bitmap"
                              : "no \"BM\" signature: not a bitmap file");
    }
    Field("Signature", "\"BM\"");
    const std::uint32_t sizeField = ReadU32(fileHeader + 2);
    Field("Size field", Count(sizeField) + " bytes");
    if (sizeField != fileSize)
        Problem(Format("the size field says %u bytes, the file has %s", sizeField,
                       Count(fileSize).c_str()));
    if (ReadU16(fileHeader + 6) != 0 || ReadU16(fileHeader + 8) != 0)
        Problem("the reserved fields of the file header are not zero");
    const std::uint32_t pixelOffset = ReadU32(fileHeader + 10);
    Field("Pixel data offset", Count(pixelOffset));

    std::uint8_t header[kLargestInfoHeader] = {};
    if (!ReadAt(kFileHeaderBytes, header, 4))
        return Fatal("the file ends before the information header");
    const std::uint32_t headerSize = ReadU32(header);
    const char* headerName = HeaderName(headerSize);
    Field("Header size", Count(headerSize) + (headerName ? std::string(" bytes, ") + headerName
                                                         : std::string(" bytes")));
    if (!headerName)
        return Fatal("a header of " + Count(headerSize) + " bytes is of no known version");
    if (!ReadAt(kFileHeaderBytes, header, headerSize))
        return Fatal("the file ends inside the information header");

    const BmpHeader parsed = ParseBmpHeader(header, headerSize);
    const bool core = parsed.core;
    const bool os2 = parsed.os2;
    const std::int64_t width = parsed.width;
    const std::int64_t height = parsed.height;
    const std::uint16_t planes = parsed.planes;
    const std::uint16_t bits = parsed.bits;
    const std::uint32_t compression = parsed.compression;
    const std::uint32_t imageSize = parsed.imageSize;
    const std::uint32_t colorsUsed = parsed.colorsUsed;
    const std::uint32_t colorsImportant = parsed.colorsImportant;
    const bool topDown = height < 0;
    const std::uint64_t rows = std::uint64_t(topDown ? -height : height);
    Field("Width", Count(std::uint64_t(width < 0 ? 0 : width)) +
                       (width < 0 ? " (negative: " + std::to_string(width) + ")" : ""));
    Field("Height", Count(rows) + (topDown ? ", rows top to bottom (negative height)"
                                           : ", rows bottom to top"));
    Field("Planes", Count(planes));
    Field("Bits per pixel", Count(bits));
    const char* compressionName = CompressionName(compression, os2);
    Field("Compression", Count(compression) + (compressionName ? std::string(", ") + compressionName
                                                               : std::string(", unknown")));

    if (width <= 0)
        Fatal("the width is not positive");
    if (height == 0)
        Fatal("the height is zero");
    if (planes != 1)
        Problem(Format("%u planes: a bitmap has exactly 1", planes));
    if (!compressionName)
        Fatal("the compression value is of no known kind");

    const bool embedded = !os2 && (compression == BI_JPEG || compression == BI_PNG);
    const bool runLength = compression == BI_RLE8 || compression == BI_RLE4 ||
                           compression == BI_CMYKRLE8 || compression == BI_CMYKRLE4 ||
                           (os2 && compression == BI_JPEG);
    const bool bitFields = HasBitFields(parsed);
    if (bits == 0) {
        if (!embedded)
            Fatal("0 bits per pixel is only for embedded JPEG or PNG data");
    } else if (!IsBmpDepth(bits)) {
        Fatal(Format("%u bits per pixel is no depth a bitmap has", bits));
    }
    if ((compression == BI_RLE8 || compression == BI_CMYKRLE8) && bits != 8)
        Fatal(Format("8-bit run-length data with %u bits per pixel", bits));
    if ((compression == BI_RLE4 || compression == BI_CMYKRLE4) && bits != 4)
        Fatal(Format("4-bit run-length data with %u bits per pixel", bits));
    if (bitFields && bits != 16 && bits != 32)
        Fatal(Format("bit fields with %u bits per pixel (only 16 or 32)", bits));
    if (os2 && compression == BI_BITFIELDS && bits != 1)
        Fatal("OS/2 Huffman data needs 1 bit per pixel");
    if (os2 && compression == BI_JPEG && bits != 24)
        Fatal("OS/2 RLE24 data needs 24 bits per pixel");
    if (topDown && (runLength || embedded))
        Fatal("compressed pixels cannot be stored top to bottom");
    if (compression >= BI_CMYK && compressionName)
        Problem("CMYK pixels are for printers: screens and most programs cannot show them");

    // Masks: in the header from version 2 on, else right after a 40-byte one.
    std::array<std::uint32_t, 4> masks = parsed.masks;
    std::uint64_t tableAt = kFileHeaderBytes + std::uint64_t(headerSize);
    const bool alphaMask = HasAlphaMask(parsed);
    if (const std::uint32_t count = TrailingMaskBytes(parsed); count != 0) {
        std::uint8_t bytes[16] = {};
        if (!ReadAt(tableAt, bytes, count))
            return Fatal("the file ends inside the colour masks after the header");
        for (std::size_t i = 0; i < count / 4; ++i)
            masks[i] = ReadU32(bytes + 4 * i);
        tableAt += count;
        Field("Masks after the header", Count(count) + " bytes");
    }
    // OS/2 headers of 52 bytes or more hold other fields there.
    if (bitFields || (headerSize >= 52 && !os2)) {
        Field("Red mask", MaskText(masks[0]));
        Field("Green mask", MaskText(masks[1]));
        Field("Blue mask", MaskText(masks[2]));
        if (alphaMask)
            Field("Alpha mask", MaskText(masks[3]));
    }
    if (bitFields)
        CheckMasks(masks, alphaMask, bits);
    else if (bits == 16 && compression == BI_RGB)
        Field("Channels", "5-5-5, implied by BI_RGB");
    else if (bits == 32 && compression == BI_RGB)
        Field("Channels", alphaMask && masks[3] != 0
                              ? "8-8-8 with the header's alpha mask"
                              : "8-8-8, the fourth byte unused (some programs read it as alpha)");

    if (headerSize >= 108) {
        const std::uint32_t space = ReadU32(header + 56);
        Field("Colour space", ColourSpaceName(space));
        if (headerSize >= 124) {
            Field("Rendering intent", Count(ReadU32(header + 108)));
            const std::uint32_t profileAt = ReadU32(header + 112);
            const std::uint32_t profileSize = ReadU32(header + 116);
            if (space == 0x4C494E4B || space == 0x4D424544) {
                Field("Profile", Format("%u bytes at %u from the header", profileSize, profileAt));
                const std::uint64_t end = kFileHeaderBytes + std::uint64_t(profileAt) + profileSize;
                if (profileSize == 0)
                    Problem("the colour profile is empty");
                else if (end > fileSize)
                    Problem("the colour profile reaches past the end of the file");
            } else if (profileAt != 0 || profileSize != 0) {
                Problem("profile offset or size given for a colour space without a profile");
            }
        }
    }

    if (!core) {
        Field("Resolution", Format("%d x %d pixels per metre (%.0f x %.0f dpi)", parsed.ppmX,
                                   parsed.ppmY, parsed.ppmX * 0.0254, parsed.ppmY * 0.0254));
        Field("Colours used", colorsUsed == 0 ? "0 (all the depth allows)" : Count(colorsUsed));
        Field("Colours important", colorsImportant == 0 ? "0 (all)" : Count(colorsImportant));
    }

    // The colour table: needed up to 8 bits, a hint above.
    const std::uint64_t depthColors = bits >= 1 && bits <= 8 ? std::uint64_t(1) << bits : 0;
    if (colorsUsed != 0 && depthColors != 0 && colorsUsed > depthColors)
        Problem(Format("%u colours used, more than %s bits per pixel can index", colorsUsed,
                       Count(bits).c_str()));
    const std::uint64_t entries = BmpColorTableEntries(parsed);
    if (colorsImportant > (entries != 0 ? entries : colorsImportant))
        Problem(Format("%u important colours, more than the %s in the table", colorsImportant,
                       Count(entries).c_str()));
    const std::uint64_t entryBytes = core ? 3 : 4;
    const std::uint64_t tableEnd = tableAt + entries * entryBytes;
    Field("Colour table", entries == 0
                              ? std::string("none")
                              : Format("%s entries of %s bytes at %s", Count(entries).c_str(),
                                       Count(entryBytes).c_str(), Count(tableAt).c_str()));

    // The pixel data.
    if (pixelOffset > fileSize)
        return Fatal("the pixel data would begin after the end of the file");
    if (pixelOffset < tableEnd)
        Problem(Format("the pixel data begins at %u, inside the %s before it", pixelOffset,
                       entries != 0 ? "colour table" : "headers"));
    else if (pixelOffset > tableEnd)
        Field("Gap before the pixels", Count(pixelOffset - tableEnd) + " bytes");
    const std::uint64_t available = fileSize - pixelOffset;
    Field("Pixel data", Count(available) + " bytes to the end of the file");
    if (width > 0 && rows > 0 && bits > 0 && !runLength && !embedded) {
        const std::uint64_t stride = (std::uint64_t(width) * bits + 31) / 32 * 4;
        const std::uint64_t needed = stride * rows;
        Field("Row size", Count(stride) + " bytes");
        Field("Pixel data needed", Count(needed) + " bytes");
        if (needed > 0xFFFFFFFFu)
            Fatal("the pixels need more than 4 GiB, more than the format can describe");
        else if (imageSize != 0 && imageSize != needed)
            Problem(Format("the image size field says %u bytes, the rows need %s", imageSize,
                           Count(needed).c_str()));
        if (available < needed)
            Fatal("the file ends " + Count(needed - available) + " bytes before the last row");
        else if (available > needed)
            Problem(Count(available - needed) + " bytes follow the pixel data");
    } else if (runLength || embedded) {
        Field("Image size field", Count(imageSize) + " bytes");
        if (imageSize == 0)
            Problem("compressed data without its size in the image size field");
        else if (imageSize > available)
            Fatal("the image size field says " + Count(imageSize) + " bytes, the file holds " +
                  Count(available));
        if (embedded && available >= 8) {
            std::uint8_t magic[8] = {};
            if (ReadAt(pixelOffset, magic, sizeof magic)) {
                const bool png =
                    magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G';
                const bool jpeg = magic[0] == 0xFF && magic[1] == 0xD8;
                if (compression == BI_PNG && !png)
                    Problem("the embedded data does not start like a PNG file");
                if (compression == BI_JPEG && !jpeg)
                    Problem("the embedded data does not start like a JPEG file");
            }
        }
    }
    return m_result;
}

} // namespace

BmpInspection InspectBmp(DibFile& file)
{
    return Inspector(file).Run();
}
