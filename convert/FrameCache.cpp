#include "convert/FrameCache.h"

#include <QColorSpace>

#include <cstring>

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

QImage FrameCache::Keep(int index, const QImage& frame)
{
    const auto found = m_byIndex.find(index);
    if (found != m_byIndex.end())
        Remove(found->second);
    const std::uint64_t bytes = BytesOf(frame);
    if (frame.isNull() || bytes > m_limit)
        return QImage();
    QImage copy;
    while (m_bytes > m_limit - bytes && !m_entries.empty()) {
        const auto last = std::prev(m_entries.end());
        QImage dropped = last->frame;
        Remove(last);
        // Only memory no one else still shows can be written over.
        if (copy.isNull() && dropped.isDetached() && dropped.size() == frame.size() &&
            dropped.format() == frame.format() && dropped.bytesPerLine() == frame.bytesPerLine())
            copy = std::move(dropped);
    }
    if (copy.isNull())
        copy = QImage(frame.size(), frame.format());
    if (copy.isNull() || copy.bytesPerLine() != frame.bytesPerLine())
        return QImage();
    std::memcpy(copy.bits(), frame.constBits(), std::size_t(frame.sizeInBytes()));
    copy.setColorTable(frame.colorTable());
    copy.setDotsPerMeterX(frame.dotsPerMeterX());
    copy.setDotsPerMeterY(frame.dotsPerMeterY());
    copy.setOffset(frame.offset());
    copy.setDevicePixelRatio(frame.devicePixelRatio());
    copy.setColorSpace(frame.colorSpace());
    for (const QString& key : frame.textKeys())
        copy.setText(key, frame.text(key));

    m_entries.push_front({index, copy});
    m_byIndex[index] = m_entries.begin();
    m_bytes += bytes;
    return copy;
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
