#include "convert/FrameCache.h"

namespace {

std::uint64_t BytesOf(const QImage& frame)
{
    return frame.sizeInBytes() > 0 ? std::uint64_t(frame.sizeInBytes()) : 0;
}

} // namespace

void FrameCache::SetLimit(std::uint64_t bytes)
{
    m_limit = bytes;
    EvictDownTo(m_limit);
}

void FrameCache::Clear()
{
    m_entries.clear();
    m_byIndex.clear();
    m_bytes = 0;
}

QImage FrameCache::Find(int index)
{
    const auto found = m_byIndex.find(index);
    if (found == m_byIndex.end())
        return QImage();
    m_entries.splice(m_entries.begin(), m_entries, found->second);
    return found->second->frame;
}

void FrameCache::Insert(int index, const QImage& frame)
{
    const auto found = m_byIndex.find(index);
    if (found != m_byIndex.end())
        Remove(found->second);
    const std::uint64_t bytes = BytesOf(frame);
    if (frame.isNull() || bytes > m_limit)
        return;
    EvictDownTo(m_limit - bytes);
    m_entries.push_front({index, frame});
    m_byIndex[index] = m_entries.begin();
    m_bytes += bytes;
}

void FrameCache::Remove(std::list<Entry>::iterator entry)
{
    m_bytes -= BytesOf(entry->frame);
    m_byIndex.erase(entry->index);
    m_entries.erase(entry);
}

void FrameCache::EvictDownTo(std::uint64_t bytes)
{
    while (m_bytes > bytes && !m_entries.empty())
        Remove(std::prev(m_entries.end()));
}
