#include "metafile/WmfEmbeddedEmf.h"

#include "metafile/WmfRecordTypes.h"
#include "metafile/WmfRecords.h"

namespace metafile {

namespace {

// Offsets in a META_ESCAPE record: function, byte count, then the comment.
constexpr std::size_t kEscapeData = 10;
constexpr std::size_t kChunkHeader = 34; // identifier ... EnhancedMetafileDataSize

struct Chunk
{
    std::uint32_t recordCount = 0, currentSize = 0, remaining = 0, total = 0;
    ByteReader data;
};

bool ReadChunk(const WmfRecord& record, Chunk& out) noexcept
{
    const ByteReader& r = record.bytes;
    std::uint16_t function = 0, byteCount = 0;
    std::uint32_t identifier = 0, type = 0;
    if (!r.U16At(6, function) || !r.U16At(8, byteCount) || function != MFCOMMENT ||
        !r.U32At(kEscapeData, identifier) || identifier != kWmfcIdentifier ||
        !r.U32At(kEscapeData + 4, type) || type != 1)
        return false;
    if (!r.U32At(kEscapeData + 18, out.recordCount) ||
        !r.U32At(kEscapeData + 22, out.currentSize) || !r.U32At(kEscapeData + 26, out.remaining) ||
        !r.U32At(kEscapeData + 30, out.total))
        return false;
    // The chunk lies inside both the escape's byte count and the record.
    if (std::size_t(out.currentSize) + kChunkHeader > byteCount)
        return false;
    return r.Sub(kEscapeData + kChunkHeader, out.currentSize, out.data);
}

} // namespace

std::vector<std::uint8_t> CollectEmbeddedEmf(std::span<const std::uint8_t> bytes,
                                             std::size_t recordsOffset)
{
    std::vector<std::uint8_t> emf;
    std::uint32_t total = 0, chunks = 0, expectedChunks = 0;
    WmfRecordReader records(bytes, recordsOffset);
    WmfRecord record;
    while (records.Next(record)) {
        if (record.RecordFunction != META_ESCAPE)
            continue;
        Chunk chunk;
        if (!ReadChunk(record, chunk))
            continue; // another kind of comment
        if (chunks == 0) {
            // The data cannot be larger than the file that carries it.
            if (chunk.total == 0 || chunk.total > bytes.size() || chunk.recordCount == 0)
                return {};
            total = chunk.total;
            expectedChunks = chunk.recordCount;
            emf.reserve(total);
        }
        // Each chunk continues where the last one ended.
        if (chunk.total != total || chunk.recordCount != expectedChunks ||
            chunks >= expectedChunks ||
            std::size_t(emf.size()) + chunk.currentSize + chunk.remaining != total)
            return {};
        const auto data = chunk.data.Bytes();
        emf.insert(emf.end(), data.begin(), data.end());
        ++chunks;
        if (chunk.remaining == 0)
            return chunks == expectedChunks ? emf : std::vector<std::uint8_t>{};
    }
    return {};
}

} // namespace metafile
