// Decoded frames kept for choosing them again: a bounded store, the least
// recently used frame going first when a new one would not fit. A frame is
// kept as a copy of its own, made in the memory of a frame dropped for it
// where one fits: decoders reuse their canvas for the next frame, and fresh
// memory for every frame costs more than the copy.
#pragma once

#include <QImage>

#include <cstdint>
#include <list>
#include <unordered_map>

class FrameCache
{
public:
    explicit FrameCache(std::uint64_t limitBytes = 0) : m_limit(limitBytes) {}

    // Lowers or raises the bound, dropping frames beyond it.
    void SetLimit(std::uint64_t bytes);
    std::uint64_t Limit() const { return m_limit; }
    void Clear();

    // The frame kept for an index, made the most recently used; null when
    // it is not kept.
    QImage Find(int index);
    // Keeps a copy of a frame (replacing one of the same index) and returns
    // it; null when it is not kept (larger than the whole bound, or no
    // memory for it).
    QImage Keep(int index, const QImage& frame);

    std::uint64_t Bytes() const { return m_bytes; }
    int Count() const { return int(m_entries.size()); }

private:
    struct Entry
    {
        int index;
        QImage frame;
    };
    void Remove(std::list<Entry>::iterator entry);
    void EvictDownTo(std::uint64_t bytes);

    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<int, std::list<Entry>::iterator> m_byIndex;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_limit;
};
