#include "metafile/FontMapping.h"

#include "metafile/CharSetText.h"

namespace metafile {

namespace {

// Codes 0x20 to 0xFF; 0 where Unicode has no counterpart in its first plane.
constexpr char16_t kSymbolToUnicode[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x2245, 0x0391, 0x0392, 0x03A7,
    0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F, 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3,
    0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x20AC, 0x03D2, 0x2032, 0x2264,
    0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, 0x2220, 0x2207, 0x00AE, 0x00A9,
    0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA, 0x0000, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000,
};

// Codes 0x20 to 0xFF; 0 where Unicode has no counterpart in its first plane.
constexpr char16_t kWingdingsToUnicode[224] = {
    0x0020, 0x270F, 0x2702, 0x2701, 0x0000, 0x0000, 0x0000, 0x0000, 0x260E, 0x2706, 0x2709, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x231B, 0x2328,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x2707, 0x270D, 0x0000, 0x270C, 0x0000, 0x0000,
    0x0000, 0x261C, 0x261E, 0x261D, 0x261F, 0x270B, 0x263A, 0x0000, 0x2639, 0x0000, 0x2620, 0x2690,
    0x2691, 0x2708, 0x263C, 0x0000, 0x2744, 0x0000, 0x271E, 0x0000, 0x2720, 0x2721, 0x262A, 0x262F,
    0x0950, 0x2638, 0x2648, 0x2649, 0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651,
    0x2652, 0x2653, 0x0026, 0x0026, 0x25CF, 0x274D, 0x25A0, 0x25A1, 0x25A1, 0x2751, 0x2752, 0x2B27,
    0x29EB, 0x25C6, 0x2756, 0x2B25, 0x2327, 0x2BB9, 0x2318, 0x2740, 0x273F, 0x275D, 0x275E, 0x0000,
    0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466, 0x2467, 0x2468, 0x2469, 0x24FF,
    0x2776, 0x2777, 0x2778, 0x2779, 0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x00B7, 0x2022, 0x25AA, 0x25CB, 0x2B55, 0x25C9,
    0x25C9, 0x25CE, 0x0000, 0x25AA, 0x25FB, 0x0000, 0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    0x2BD0, 0x2316, 0x27E1, 0x2311, 0x2BD1, 0x272A, 0x2730, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x2BB0, 0x2BB1, 0x2BB2, 0x2BB3, 0x2BB4,
    0x2BB5, 0x2BB6, 0x2BB7, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x232B, 0x2326, 0x2B98, 0x2B9A, 0x2B99, 0x2B9B, 0x2B88, 0x2B8A, 0x2B89, 0x2B8B, 0x2190,
    0x2192, 0x2191, 0x2193, 0x2196, 0x2197, 0x2199, 0x2198, 0x2B05, 0x27A1, 0x2B06, 0x2B07, 0x2B09,
    0x2B08, 0x2B0B, 0x2B0A, 0x21E6, 0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B00, 0x2B01, 0x2B03,
    0x2B02, 0x25AD, 0x25AB, 0x2717, 0x2713, 0x2612, 0x2611, 0x0000,
};

constexpr char16_t kSans[] = u"Liberation Sans";
constexpr char16_t kSerif[] = u"Liberation Serif";
constexpr char16_t kMono[] = u"Liberation Mono";
constexpr char16_t kCjkJapanese[] = u"Noto Sans CJK JP";
constexpr char16_t kCjkJapaneseSerif[] = u"Noto Serif CJK JP";
constexpr char16_t kCjkSimplified[] = u"Noto Sans CJK SC";
constexpr char16_t kCjkSimplifiedSerif[] = u"Noto Serif CJK SC";
constexpr char16_t kCjkTraditional[] = u"Noto Sans CJK TC";
constexpr char16_t kCjkTraditionalSerif[] = u"Noto Serif CJK TC";
constexpr char16_t kCjkKorean[] = u"Noto Sans CJK KR";
constexpr char16_t kCjkKoreanSerif[] = u"Noto Serif CJK KR";

struct FaceRule
{
    const char16_t* face; // lower case
    const char16_t* family;
    SymbolEncoding encoding = SymbolEncoding::None;
};

// Metric-compatible families first; faces with no such family go to the
// installed family closest in design.
constexpr FaceRule kFaces[] = {
    {u"arial", kSans},
    {u"helvetica", kSans},
    {u"arial unicode ms", kSans},
    {u"arial narrow", u"Liberation Sans Narrow"},
    {u"helvetica narrow", u"Liberation Sans Narrow"},
    {u"ms sans serif", kSans},
    {u"microsoft sans serif", kSans},
    {u"ms shell dlg", kSans},
    {u"ms shell dlg 2", kSans},
    {u"system", kSans},
    {u"tahoma", kSans},
    {u"verdana", kSans},
    {u"segoe ui", kSans},
    {u"lucida sans unicode", kSans},
    {u"liberation sans", kSans},
    {u"times new roman", kSerif},
    {u"times", kSerif},
    {u"ms serif", kSerif},
    {u"georgia", kSerif},
    {u"book antiqua", kSerif},
    {u"palatino linotype", kSerif},
    {u"garamond", kSerif},
    {u"liberation serif", kSerif},
    {u"courier new", kMono},
    {u"courier", kMono},
    {u"lucida console", kMono},
    {u"consolas", kMono},
    {u"fixedsys", kMono},
    {u"terminal", kMono},
    {u"liberation mono", kMono},
    {u"calibri", u"Carlito"},
    {u"calibri light", u"Carlito"},
    {u"carlito", u"Carlito"},
    {u"cambria", u"Caladea"},
    {u"cambria math", u"Caladea"},
    {u"caladea", u"Caladea"},
    {u"symbol", u"DejaVu Serif", SymbolEncoding::Symbol},
    {u"wingdings", u"DejaVu Sans", SymbolEncoding::Wingdings},
    {u"dejavu sans", u"DejaVu Sans"},
    {u"dejavu serif", u"DejaVu Serif"},
    {u"dejavu sans mono", u"DejaVu Sans Mono"},
    // Japanese
    {u"ms gothic", kCjkJapanese},
    {u"ms pgothic", kCjkJapanese},
    {u"ms ui gothic", kCjkJapanese},
    {u"meiryo", kCjkJapanese},
    {u"meiryo ui", kCjkJapanese},
    {u"yu gothic", kCjkJapanese},
    {u"ms mincho", kCjkJapaneseSerif},
    {u"ms pmincho", kCjkJapaneseSerif},
    {u"yu mincho", kCjkJapaneseSerif},
    {u"\uff4d\uff53 \u30b4\u30b7\u30c3\u30af", kCjkJapanese},       // ＭＳ ゴシック
    {u"\uff4d\uff53 \uff50\u30b4\u30b7\u30c3\u30af", kCjkJapanese}, // ＭＳ Ｐゴシック
    {u"\uff4d\uff53 \u660e\u671d", kCjkJapaneseSerif},              // ＭＳ 明朝
    {u"\uff4d\uff53 \uff50\u660e\u671d", kCjkJapaneseSerif},        // ＭＳ Ｐ明朝
    {u"\u30e1\u30a4\u30ea\u30aa", kCjkJapanese},                    // メイリオ
    // Simplified Chinese
    {u"simsun", kCjkSimplifiedSerif},
    {u"nsimsun", kCjkSimplifiedSerif},
    {u"simhei", kCjkSimplified},
    {u"microsoft yahei", kCjkSimplified},
    {u"dengxian", kCjkSimplified},
    {u"\u5b8b\u4f53", kCjkSimplifiedSerif},        // 宋体
    {u"\u65b0\u5b8b\u4f53", kCjkSimplifiedSerif},  // 新宋体
    {u"\u9ed1\u4f53", kCjkSimplified},             // 黑体
    {u"\u5fae\u8f6f\u96c5\u9ed1", kCjkSimplified}, // 微软雅黑
    // Traditional Chinese
    {u"mingliu", kCjkTraditionalSerif},
    {u"pmingliu", kCjkTraditionalSerif},
    {u"microsoft jhenghei", kCjkTraditional},
    {u"\u7d30\u660e\u9ad4", kCjkTraditionalSerif},       // 細明體
    {u"\u65b0\u7d30\u660e\u9ad4", kCjkTraditionalSerif}, // 新細明體
    // Korean
    {u"malgun gothic", kCjkKorean},
    {u"gulim", kCjkKorean},
    {u"gulimche", kCjkKorean},
    {u"dotum", kCjkKorean},
    {u"dotumche", kCjkKorean},
    {u"batang", kCjkKoreanSerif},
    {u"batangche", kCjkKoreanSerif},
    {u"gungsuh", kCjkKoreanSerif},
    {u"\ub9d1\uc740 \uace0\ub515", kCjkKorean}, // 맑은 고딕
    {u"\uad74\ub9bc", kCjkKorean},              // 굴림
    {u"\ub3cb\uc6c0", kCjkKorean},              // 돋움
    {u"\ubc14\ud0d5", kCjkKoreanSerif},         // 바탕
};

// The charset names old Windows versions appended to a face.
constexpr const char16_t* kCharSetSuffixes[] = {
    u" ce", u" cyr", u" greek", u" tur", u" baltic", u" (hebrew)", u" (arabic)", u" (vietnamese)"};

char16_t Lower(char16_t c) noexcept
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// Lower case (ASCII and full-width Latin), trimmed, without the vertical
// writing mark '@' and without a charset suffix.
std::u16string Normalise(std::u16string_view face)
{
    std::u16string s;
    for (char16_t c : face) {
        if (c == 0)
            break;
        if (c >= 0xFF21 && c <= 0xFF3A)
            c = char16_t(c + 0x20); // full-width capitals, as in "ＭＳ"
        s.push_back(Lower(c));
    }
    while (!s.empty() && s.back() == u' ')
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && (s[start] == u' ' || s[start] == u'@'))
        ++start;
    s.erase(0, start);
    for (const char16_t* suffix : kCharSetSuffixes) {
        const std::u16string_view sv(suffix);
        if (s.size() > sv.size() && std::u16string_view(s).substr(s.size() - sv.size()) == sv) {
            s.erase(s.size() - sv.size());
            break;
        }
    }
    return s;
}

const char16_t* CjkFamilyForCharSet(std::uint8_t charSet, bool serif) noexcept
{
    switch (charSet) {
    case SHIFTJIS_CHARSET:
        return serif ? kCjkJapaneseSerif : kCjkJapanese;
    case HANGUL_CHARSET:
    case JOHAB_CHARSET:
        return serif ? kCjkKoreanSerif : kCjkKorean;
    case GB2312_CHARSET:
        return serif ? kCjkSimplifiedSerif : kCjkSimplified;
    case CHINESEBIG5_CHARSET:
        return serif ? kCjkTraditionalSerif : kCjkTraditional;
    default:
        return nullptr;
    }
}

// FF_* family bits and the fixed pitch bit of LOGFONT's lfPitchAndFamily.
constexpr std::uint8_t FF_ROMAN = 0x10, FF_MODERN = 0x30, FF_SCRIPT = 0x40, FIXED_PITCH = 0x01;

} // namespace

MappedFont MapFontFace(std::u16string_view face, std::uint8_t pitchAndFamily, std::uint8_t charSet)
{
    const std::u16string key = Normalise(face);
    for (const FaceRule& rule : kFaces)
        if (key == rule.face)
            return {rule.family, rule.encoding};

    const std::uint8_t family = pitchAndFamily & 0xF0;
    const bool serif = family == FF_ROMAN || family == FF_SCRIPT;
    if (const char16_t* cjk = CjkFamilyForCharSet(charSet, serif))
        return {cjk, SymbolEncoding::None};
    if (family == FF_MODERN || (pitchAndFamily & 0x03) == FIXED_PITCH)
        return {kMono, SymbolEncoding::None};
    if (serif)
        return {kSerif, SymbolEncoding::None};
    // Swiss, decorative and "don't care" faces read best as sans.
    return {kSans, SymbolEncoding::None};
}

char16_t MapSymbolCharacter(SymbolEncoding encoding, char16_t c) noexcept
{
    if (encoding == SymbolEncoding::None)
        return c;
    char16_t code = c;
    if (code >= 0xF020 && code <= 0xF0FF)
        code = char16_t(code - 0xF000);
    if (code < 0x20 || code > 0xFF)
        return c;
    const char16_t mapped =
        (encoding == SymbolEncoding::Symbol ? kSymbolToUnicode : kWingdingsToUnicode)[code - 0x20];
    return mapped ? mapped : c;
}

std::u16string MapSymbolText(SymbolEncoding encoding, const std::u16string& text)
{
    std::u16string out = text;
    for (char16_t& c : out)
        c = MapSymbolCharacter(encoding, c);
    return out;
}

} // namespace metafile
