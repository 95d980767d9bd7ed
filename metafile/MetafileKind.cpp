#include "metafile/MetafileKind.h"

#include "metafile/ByteReader.h"
#include "metafile/WmfRecords.h"

namespace metafile {

namespace {

constexpr std::uint32_t kEmrHeader = 1;

// The standard WMF header: Type (memory or disk), HeaderSize 9 words and a
// known Version.
bool LooksLikeWmfHeader(const ByteReader& reader, std::size_t offset) noexcept
{
    std::uint16_t type = 0, headerSize = 0, version = 0;
    if (!reader.U16At(offset, type) || !reader.U16At(offset + 2, headerSize) ||
        !reader.U16At(offset + 4, version))
        return false;
    return (type == 1 || type == 2) && headerSize == kWmfHeaderWords &&
           (version == 0x0100 || version == 0x0300);
}

} // namespace

bool HasWmfPlaceableHeader(std::span<const std::uint8_t> bytes) noexcept
{
    std::uint32_t key = 0;
    return ByteReader(bytes).U32At(0, key) && key == kWmfPlaceableKey;
}

MetafileKind DetectMetafileKind(std::span<const std::uint8_t> bytes) noexcept
{
    const ByteReader reader(bytes);
    std::uint32_t type = 0, signature = 0;
    if (reader.U32At(0, type) && type == kEmrHeader &&
        reader.U32At(kEmfSignatureOffset, signature) && signature == kEmfSignature)
        return MetafileKind::Emf;
    if (HasWmfPlaceableHeader(bytes))
        return MetafileKind::Wmf;
    if (LooksLikeWmfHeader(reader, 0))
        return MetafileKind::Wmf;
    return MetafileKind::None;
}

} // namespace metafile
