// WMF and EMF files made record by record for the metafile tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

namespace metafilebytes {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t(v >> 8));
}

inline void Put32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t((v >> (8 * i)) & 0xFF));
}

inline void Set32(Bytes& out, std::size_t offset, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = std::uint8_t((v >> (8 * i)) & 0xFF);
}

// Little-endian 32-bit values, as EMF records hold their fields.
inline Bytes Ints(std::initializer_list<std::int32_t> values)
{
    Bytes out;
    for (std::int32_t v : values)
        Put32(out, std::uint32_t(v));
    return out;
}

struct EmfHeaderFields
{
    std::int32_t bounds[4] = {0, 0, 99, 49};
    std::int32_t frame[4] = {0, 0, 2540, 1270}; // 0.01 mm
    std::int32_t device[2] = {1000, 500};       // pixels
    std::int32_t millimeters[2] = {254, 127};
    bool micrometers = false;
    std::int32_t micrometersSize[2] = {254000, 127000};
    std::uint32_t nSize = 0; // 0: 88, or 108 with micrometres
};

class EmfBuilder
{
public:
    explicit EmfBuilder(const EmfHeaderFields& f = {})
    {
        const std::uint32_t size = f.nSize ? f.nSize : (f.micrometers ? 108 : 88);
        Put32(m_bytes, 1);
        Put32(m_bytes, size);
        for (std::int32_t v : f.bounds)
            Put32(m_bytes, std::uint32_t(v));
        for (std::int32_t v : f.frame)
            Put32(m_bytes, std::uint32_t(v));
        Put32(m_bytes, 0x464D4520);
        Put32(m_bytes, 0x10000);
        Put32(m_bytes, 0); // nBytes, set by Finish
        Put32(m_bytes, 0); // nRecords, set by Finish
        Put16(m_bytes, 1);
        Put16(m_bytes, 0);
        Put32(m_bytes, 0);
        Put32(m_bytes, 0);
        Put32(m_bytes, 0);
        Put32(m_bytes, std::uint32_t(f.device[0]));
        Put32(m_bytes, std::uint32_t(f.device[1]));
        Put32(m_bytes, std::uint32_t(f.millimeters[0]));
        Put32(m_bytes, std::uint32_t(f.millimeters[1]));
        if (size >= 108) {
            Put32(m_bytes, 0);
            Put32(m_bytes, 0);
            Put32(m_bytes, 0);
            Put32(m_bytes, std::uint32_t(f.micrometersSize[0]));
            Put32(m_bytes, std::uint32_t(f.micrometersSize[1]));
        }
        while (m_bytes.size() < size)
            m_bytes.push_back(0);
        m_records = 1;
    }

    // A record of the type with the payload; nSize is 8 + payload unless given.
    EmfBuilder& Record(std::uint32_t type, const Bytes& payload = {},
                       std::optional<std::uint32_t> nSize = {})
    {
        Put32(m_bytes, type);
        Put32(m_bytes, nSize.value_or(std::uint32_t(8 + payload.size())));
        m_bytes.insert(m_bytes.end(), payload.begin(), payload.end());
        ++m_records;
        return *this;
    }

    // An EMR_COMMENT with the identifier and some data after it.
    EmfBuilder& Comment(std::uint32_t identifier, std::uint32_t extraBytes = 4)
    {
        Bytes payload;
        Put32(payload, 4 + extraBytes);
        Put32(payload, identifier);
        for (std::uint32_t i = 0; i < extraBytes; ++i)
            payload.push_back(0);
        while (payload.size() % 4)
            payload.push_back(0);
        return Record(70, payload);
    }

    EmfBuilder& Eof() { return Record(14, Bytes(12, 0)); }

    Bytes Finish()
    {
        Set32(m_bytes, 48, std::uint32_t(m_bytes.size()));
        Set32(m_bytes, 52, m_records);
        return m_bytes;
    }

private:
    Bytes m_bytes;
    std::uint32_t m_records = 0;
};

struct WmfPlaceableFields
{
    std::int16_t box[4] = {0, 0, 1440, 720}; // Left, Top, Right, Bottom
    std::uint16_t inch = 1440;
    bool badChecksum = false;
};

class WmfBuilder
{
public:
    // Without a placeable header.
    WmfBuilder() { Header(); }

    explicit WmfBuilder(const WmfPlaceableFields& f)
    {
        Put32(m_bytes, 0x9AC6CDD7);
        Put16(m_bytes, 0);
        for (std::int16_t v : f.box)
            Put16(m_bytes, std::uint16_t(v));
        Put16(m_bytes, f.inch);
        Put32(m_bytes, 0);
        std::uint16_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= std::uint16_t(m_bytes[i] | (m_bytes[i + 1] << 8));
        Put16(m_bytes, f.badChecksum ? std::uint16_t(sum ^ 0x5A5A) : sum);
        Header();
    }

    // A record of the function with 16-bit parameters; RecordSize is 3 +
    // parameters unless given.
    WmfBuilder& Record(std::uint16_t function, const std::vector<std::uint16_t>& params = {},
                       std::optional<std::uint32_t> words = {})
    {
        Put32(m_bytes, words.value_or(std::uint32_t(3 + params.size())));
        Put16(m_bytes, function);
        for (std::uint16_t p : params)
            Put16(m_bytes, p);
        return *this;
    }

    WmfBuilder& Eof() { return Record(0x0000); }

    Bytes Finish() const { return m_bytes; }

private:
    void Header()
    {
        Put16(m_bytes, 1);
        Put16(m_bytes, 9);
        Put16(m_bytes, 0x0300);
        Put32(m_bytes, 0);
        Put16(m_bytes, 0);
        Put32(m_bytes, 0);
        Put16(m_bytes, 0);
    }

    Bytes m_bytes;
};

} // namespace metafilebytes
