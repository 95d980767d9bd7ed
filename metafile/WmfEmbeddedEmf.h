// The EMF a WMF may carry in its MFCOMMENT escapes ("WMFC" comments), put
// together from its chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace metafile {

inline constexpr std::uint32_t kWmfcIdentifier = 0x43464D57; // "WMFC"

// The EMF when the file holds one complete and consistent set of chunks
// (sizes adding up, chunks in order, each inside its record); empty otherwise.
std::vector<std::uint8_t> CollectEmbeddedEmf(std::span<const std::uint8_t> bytes,
                                             std::size_t recordsOffset);

} // namespace metafile
