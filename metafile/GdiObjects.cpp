#include "metafile/GdiObjects.h"

#include <algorithm>

namespace metafile {

namespace {

LogBrush SolidBrush(std::uint8_t grey)
{
    LogBrush b;
    b.style = BS_SOLID;
    b.color = {grey, grey, grey, 255};
    return b;
}

LogPen SolidPen(std::uint8_t grey, std::uint32_t style = PS_SOLID)
{
    LogPen p;
    p.style = style;
    p.color = {grey, grey, grey, 255};
    return p;
}

LogFont StockFont(const char16_t* face, std::int32_t height, std::uint8_t pitchAndFamily)
{
    LogFont f;
    f.faceName = face;
    f.height = height;
    f.weight = 400;
    f.pitchAndFamily = pitchAndFamily;
    return f;
}

} // namespace

GdiObject MakeStockObject(std::uint32_t index)
{
    switch (index) {
    case WHITE_BRUSH: return SolidBrush(255);
    case LTGRAY_BRUSH: return SolidBrush(192);
    case GRAY_BRUSH: return SolidBrush(128);
    case DKGRAY_BRUSH: return SolidBrush(64);
    case BLACK_BRUSH: return SolidBrush(0);
    case NULL_BRUSH: {
        LogBrush b;
        b.style = BS_NULL;
        return b;
    }
    case WHITE_PEN: return SolidPen(255);
    case BLACK_PEN: return SolidPen(0);
    case NULL_PEN: return SolidPen(0, PS_NULL);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return StockFont(u"Courier New", 16, 0x31);
    case ANSI_VAR_FONT: return StockFont(u"MS Sans Serif", 16, 0x22);
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return StockFont(u"System", 16, 0x22);
    case DEFAULT_GUI_FONT: return StockFont(u"MS Shell Dlg", -11, 0x22);
    case DEFAULT_PALETTE: return LogPalette{};
    default: return std::monostate{};
    }
}

bool ObjectTable::Put(std::uint32_t index, GdiObject object)
{
    if (index >= kMaxObjects)
        return false;
    if (index >= m_slots.size())
        m_slots.resize(index + 1);
    m_slots[index] = std::move(object);
    return true;
}

std::int64_t ObjectTable::PutInFreeSlot(GdiObject object)
{
    // Every slot below m_firstFree is taken, so a file creating many objects
    // does not make each creation scan the whole table.
    for (std::size_t i = m_firstFree; i < m_slots.size(); ++i) {
        if (std::holds_alternative<std::monostate>(m_slots[i])) {
            m_slots[i] = std::move(object);
            m_firstFree = i + 1;
            return static_cast<std::int64_t>(i);
        }
    }
    if (m_slots.size() >= kMaxObjects)
        return -1;
    m_slots.push_back(std::move(object));
    m_firstFree = m_slots.size();
    return static_cast<std::int64_t>(m_slots.size() - 1);
}

const GdiObject* ObjectTable::Get(std::uint32_t index) const noexcept
{
    if (index >= m_slots.size() || std::holds_alternative<std::monostate>(m_slots[index]))
        return nullptr;
    return &m_slots[index];
}

void ObjectTable::Erase(std::uint32_t index) noexcept
{
    if (index < m_slots.size()) {
        m_slots[index] = std::monostate{};
        m_firstFree = std::min<std::size_t>(m_firstFree, index);
    }
}

} // namespace metafile
