#include "metafile/EmfPlusPlayer.h"

#include "metafile/EmfPlayer.h"

namespace metafile {

namespace {
constexpr std::uint16_t kHeader = 0x4001, kGetDC = 0x4004, kObject = 0x4008;
constexpr std::uint16_t kEndOfFile = 0x4002, kComment = 0x4003, kMultiFormatStart = 0x4005,
                        kMultiFormatSection = 0x4006, kMultiFormatEnd = 0x4007;
} // namespace

EmfPlusPlayer::EmfPlusPlayer(EmfPlayer& emf, ICanvas& canvas, PlayBudget& budget)
    : m_emf(emf), m_canvas(canvas), m_budget(budget)
{
}

EmfPlusPlayer::~EmfPlusPlayer()
{
    // Clips saved by unbalanced Save records are given back.
    for (std::size_t i = 0; i < m_saved.size(); ++i)
        m_canvas.RestoreClip();
}

void EmfPlusPlayer::PlayComment(const EmfRecord& comment)
{
    // iType, nSize, DataSize, "EMF+", then the EMF+ records.
    std::uint32_t dataSize = 0;
    if (!comment.bytes.U32At(8, dataSize) || dataSize < 4)
        return;
    ByteReader records;
    if (!comment.bytes.Sub(16, dataSize - 4, records))
        return;
    std::size_t offset = 0;
    while (offset + 12 <= records.Size()) {
        std::uint16_t type = 0, flags = 0;
        std::uint32_t size = 0, length = 0;
        records.U16At(offset, type);
        records.U16At(offset + 2, flags);
        records.U32At(offset + 4, size);
        records.U32At(offset + 8, length);
        PlusRecord record{type, flags, {}};
        if (size < 12 || size > records.Size() - offset || length > size - 12 ||
            !records.Sub(offset + 12, length, record.data)) {
            // A damaged size: the rest of this comment cannot be walked.
            m_budget.CountSkipped();
            return;
        }
        if (!m_budget.SpendRecord())
            return;
        if (type == kHeader) {
            m_headerSeen = true;
            m_emfEnabled = false;
        } else if (type == kGetDC) {
            m_emfEnabled = true;
        } else if (m_headerSeen) {
            m_emfEnabled = false;
        }
        if (!PlayRecord(record))
            m_budget.CountSkipped();
        offset += size;
    }
}

bool EmfPlusPlayer::PlayRecord(const PlusRecord& record)
{
    switch (record.type) {
    case kHeader: {
        EmfPlusReader r(record.data);
        r.U32(); // version
        r.U32(); // flags: the reference device is a display or a printer
        const std::uint32_t dpiX = r.U32(), dpiY = r.U32();
        if (r.Ok() && dpiX >= 1 && dpiX <= 100000 && dpiY >= 1 && dpiY <= 100000) {
            m_dpiX = dpiX;
            m_dpiY = dpiY;
        }
        return r.Ok();
    }
    case kGetDC:
    case kEndOfFile:
    case kComment:
    case kMultiFormatStart:
    case kMultiFormatSection:
    case kMultiFormatEnd:
        return true;
    case kObject: {
        PlusObjectContext ctx{m_budget, m_canvas};
        return m_objects.Record(record.flags, record.data, ctx);
    }
    default:
        break;
    }
    bool mine = false;
    const bool played = PlayStateRecord(record, mine);
    if (mine)
        return played;
    for (auto play : {&EmfPlusPlayer::PlayDrawRecord, &EmfPlusPlayer::PlayShapeRecord,
                      &EmfPlusPlayer::PlayImageRecord, &EmfPlusPlayer::PlayTextRecord}) {
        const bool drawn = (this->*play)(record, mine);
        if (mine)
            return drawn;
    }
    return false;
}

Matrix EmfPlusPlayer::WorldToDevice() const
{
    const double sx = PlusUnitToPixels(m_pageUnit, m_dpiX) * m_pageScale;
    const double sy = PlusUnitToPixels(m_pageUnit, m_dpiY) * m_pageScale;
    return m_world * m_base * Matrix::Scaling(sx, sy) * m_emf.Core().ReferenceToDevice();
}

void EmfPlusPlayer::ApplyWorld()
{
    m_canvas.SetTransform(WorldToDevice());
}

bool EmfPlusPlayer::BrushFor(std::uint16_t flags, std::uint32_t value, Brush& out) const
{
    if (flags & 0x8000) {
        // The colour itself, ARGB.
        out = Brush{};
        out.kind = BrushKind::Solid;
        out.color = {std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value),
                     std::uint8_t(value >> 24)};
        return true;
    }
    const PlusObject* o = m_objects.Get(value);
    if (!o || !std::holds_alternative<PlusBrush>(*o))
        return false;
    out = std::get<PlusBrush>(*o).brush;
    return true;
}

bool EmfPlusPlayer::PenFor(std::uint32_t id, Pen& out) const
{
    const PlusObject* o = m_objects.Get(id);
    if (!o || !std::holds_alternative<PlusPen>(*o))
        return false;
    const PlusPen& p = std::get<PlusPen>(*o);
    out = p.pen;
    if (p.width <= 0) {
        out.cosmetic = true;
        out.width = 1;
    } else if (p.unit == std::uint32_t(PlusUnit::World)) {
        out.width = p.width;
    } else {
        // A width in its own unit, in page units.
        const double page = PlusUnitToPixels(m_pageUnit, m_dpiX) * m_pageScale;
        out.width = p.width * PlusUnitToPixels(p.unit, m_dpiX) / (page > 0 ? page : 1);
    }
    return true;
}

void EmfPlusPlayer::SetClip(const Path& world, std::uint32_t mode)
{
    ApplyWorld();
    switch (mode) {
    case 0:
        m_canvas.SetClip(world, ClipCombine::Copy);
        break;
    case 1:
        m_canvas.SetClip(world, ClipCombine::And);
        break;
    case 2:
        m_canvas.SetClip(world, ClipCombine::Or);
        break;
    case 3:
        m_canvas.SetClip(world, ClipCombine::Xor);
        break;
    case 4:
        m_canvas.SetClip(world, ClipCombine::Diff);
        break;
    case 5:
        // The new area less the old: (old xor new) and new.
        m_canvas.SetClip(world, ClipCombine::Xor);
        m_canvas.SetClip(world, ClipCombine::And);
        break;
    default:
        break;
    }
}

} // namespace metafile
