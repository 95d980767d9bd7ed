#include "metafile/CharSetText.h"

#include "metafile/CodePageTables.h"

#include <iconv.h>
#include <optional>

namespace metafile {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsLeadByte(int codePage, std::uint8_t b) noexcept
{
    switch (codePage) {
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    case 1361:
        return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default:
        return false;
    }
}

const char* IconvName(int codePage) noexcept
{
    switch (codePage) {
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1361:
        return "JOHAB";
    default:
        return nullptr;
    }
}

// The double-byte code pages are too large to keep as tables here; the C
// library's converter decodes them one character at a time, so that a bad
// sequence costs one character and the byte positions stay known.
class DoubleByteDecoder
{
public:
    explicit DoubleByteDecoder(int codePage)
    {
        if (const char* name = IconvName(codePage))
            m_cd = iconv_open("UTF-16LE", name);
    }
    ~DoubleByteDecoder()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    DoubleByteDecoder(const DoubleByteDecoder&) = delete;
    DoubleByteDecoder& operator=(const DoubleByteDecoder&) = delete;

    // One character of one or two bytes appended to out; false when it does not decode.
    bool Decode(const std::uint8_t* bytes, std::size_t length, std::u16string& out)
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char in[2] = {char(bytes[0]), length > 1 ? char(bytes[1]) : '\0'};
        char result[8];
        char* inPtr = in;
        char* outPtr = result;
        std::size_t inLeft = length, outLeft = sizeof result;
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0)
            return false;
        const std::size_t produced = sizeof result - outLeft;
        if (produced < 2)
            return false;
        for (std::size_t i = 0; i + 1 < produced; i += 2)
            out.push_back(char16_t(std::uint8_t(result[i]) | (std::uint8_t(result[i + 1]) << 8)));
        return true;
    }

private:
    iconv_t m_cd = reinterpret_cast<iconv_t>(-1);
};

} // namespace

int CodePageOfCharSet(std::uint8_t charSet) noexcept
{
    switch (charSet) {
    case ANSI_CHARSET:
    case DEFAULT_CHARSET:
        return 1252;
    case SYMBOL_CHARSET:
        return 0;
    case MAC_CHARSET:
        return 10000;
    case SHIFTJIS_CHARSET:
        return 932;
    case HANGUL_CHARSET:
        return 949;
    case JOHAB_CHARSET:
        return 1361;
    case GB2312_CHARSET:
        return 936;
    case CHINESEBIG5_CHARSET:
        return 950;
    case GREEK_CHARSET:
        return 1253;
    case TURKISH_CHARSET:
        return 1254;
    case VIETNAMESE_CHARSET:
        return 1258;
    case HEBREW_CHARSET:
        return 1255;
    case ARABIC_CHARSET:
        return 1256;
    case BALTIC_CHARSET:
        return 1257;
    case RUSSIAN_CHARSET:
        return 1251;
    case THAI_CHARSET:
        return 874;
    case EASTEUROPE_CHARSET:
        return 1250;
    case OEM_CHARSET:
        return 437;
    default:
        return 1252;
    }
}

std::u16string DecodeCharSetText(std::span<const std::uint8_t> bytes, std::uint8_t charSet,
                                 std::vector<std::size_t>* charStarts)
{
    std::u16string out;
    out.reserve(bytes.size());
    if (charStarts)
        charStarts->clear();
    const int codePage = CodePageOfCharSet(charSet);
    const char16_t* upper = SingleByteUpperHalf(codePage);
    const bool doubleByte = IconvName(codePage) != nullptr;
    std::optional<DoubleByteDecoder> decoder;
    if (doubleByte)
        decoder.emplace(codePage);

    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        const std::size_t before = out.size();
        const std::uint8_t b = bytes[i];
        if (b < 0x80 || codePage == 0) {
            out.push_back(char16_t(b)); // ASCII, or a symbol font's own code point
            ++i;
        } else if (upper) {
            out.push_back(upper[b - 0x80]);
            ++i;
        } else if (doubleByte && IsLeadByte(codePage, b) && i + 1 < bytes.size()) {
            if (!decoder->Decode(&bytes[i], 2, out))
                out.push_back(kReplacement);
            i += 2;
        } else {
            if (!doubleByte || !decoder->Decode(&bytes[i], 1, out))
                out.push_back(kReplacement);
            ++i;
        }
        if (charStarts)
            charStarts->insert(charStarts->end(), out.size() - before, start);
    }
    return out;
}

void DecodeCharSetSpacing(std::span<const std::uint8_t> bytes, std::uint8_t charSet,
                          std::span<const std::int32_t> byteDx, bool pairs, std::u16string& text,
                          std::vector<std::int32_t>& dx)
{
    std::vector<std::size_t> starts;
    text = DecodeCharSetText(bytes, charSet, &starts);
    dx.clear();
    const std::size_t step = pairs ? 2 : 1;
    if (byteDx.size() / step < bytes.size() || byteDx.empty())
        return;
    dx.assign(text.size() * step, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && starts[i] == starts[i - 1])
            continue; // the second unit of a pair: its character's spacing is on the first
        std::size_t next = i + 1;
        while (next < text.size() && starts[next] == starts[i])
            ++next;
        const std::size_t end = next < text.size() ? starts[next] : bytes.size();
        for (std::size_t b = starts[i]; b < end && b < bytes.size(); ++b)
            for (std::size_t k = 0; k < step; ++k)
                dx[i * step + k] += byteDx[b * step + k];
    }
}

} // namespace metafile
