// Windows font faces to the metric-compatible families installed here, and
// the private code points of the symbol fonts to their Unicode meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace metafile {

// How a face's characters are to be read.
enum class SymbolEncoding
{
    None,      // Unicode as it is
    Symbol,    // the Symbol font: Greek letters and mathematical signs
    Wingdings, // pictures, shown as the Unicode dingbats
};

struct MappedFont
{
    std::u16string family; // an installed family to draw with
    SymbolEncoding encoding = SymbolEncoding::None;
};

// The family for a LOGFONT face name, its pitch-and-family byte and its
// charset. Names are matched without regard to case and to the charset
// suffixes of old Windows versions ("Arial CE", "Times New Roman Cyr");
// unknown faces go by their family bits (roman, swiss, modern, script), an
// East Asian charset or a fixed pitch.
MappedFont MapFontFace(std::u16string_view face, std::uint8_t pitchAndFamily, std::uint8_t charSet);

// A character of a symbol font as Unicode: codes 0x20 to 0xFF and their
// private-use forms 0xF020 to 0xF0FF are mapped; other characters, and codes
// with no counterpart in the Basic Multilingual Plane, are returned as they
// are. The result is one UTF-16 unit, so spacing arrays still line up.
char16_t MapSymbolCharacter(SymbolEncoding encoding, char16_t c) noexcept;

// The whole text mapped unit by unit; as long as the text.
std::u16string MapSymbolText(SymbolEncoding encoding, const std::u16string& text);

} // namespace metafile
