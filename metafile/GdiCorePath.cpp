// The path bracket: figures gathered in reference-device pixels, then
// filled, stroked or made the clip.
#include "metafile/GdiCore.h"

namespace metafile {

void GdiCore::BeginPath()
{
    m_path.Clear();
    m_inPath = true;
}

void GdiCore::EndPath()
{
    m_inPath = false;
}

void GdiCore::AbortPath()
{
    m_path.Clear();
    m_inPath = false;
}

void GdiCore::CloseFigure()
{
    if (m_inPath && !m_path.IsEmpty())
        m_path.Close();
}

void GdiCore::FlattenPath()
{
    // Curves stay curves: the canvas draws them as finely as it draws lines.
}

void GdiCore::WidenPath()
{
    // Without an outline operation the path stays as it is; filling it then
    // fills the figure instead of its outline.
}

void GdiCore::DrawGatheredPath(bool fill, bool stroke)
{
    // A path still being gathered cannot be drawn, as in GDI.
    if (m_inPath || m_path.IsEmpty())
        return;
    const Path logical = m_path.Mapped(LogicalToReference().Inverted());
    m_path.Clear();
    Draw(logical, fill, stroke);
}

void GdiCore::FillPath()
{
    DrawGatheredPath(true, false);
}
void GdiCore::StrokePath()
{
    DrawGatheredPath(false, true);
}
void GdiCore::StrokeAndFillPath()
{
    DrawGatheredPath(true, true);
}

void GdiCore::SelectClipPath(ClipCombine combine)
{
    if (m_inPath || m_path.IsEmpty())
        return;
    Path clip = m_path;
    clip.fillRule = CurrentFillRule();
    m_path.Clear();
    ApplyReferenceTransform();
    m_canvas.SetClip(clip, combine);
}

} // namespace metafile
