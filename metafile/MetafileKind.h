// Telling a metafile by its content, whatever the file is called.
#pragma once

#include <cstdint>
#include <span>

namespace metafile {

enum class MetafileKind
{
    None,
    Wmf, // with or without the placeable header in front
    Emf, // EMF, and EMF+ inside EMF comment records
};

inline constexpr std::uint32_t kWmfPlaceableKey = 0x9AC6CDD7;
inline constexpr std::size_t kWmfPlaceableSize = 22;
inline constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
inline constexpr std::size_t kEmfSignatureOffset = 40;

MetafileKind DetectMetafileKind(std::span<const std::uint8_t> bytes) noexcept;

// True when the data starts with the placeable header's key.
bool HasWmfPlaceableHeader(std::span<const std::uint8_t> bytes) noexcept;

} // namespace metafile
