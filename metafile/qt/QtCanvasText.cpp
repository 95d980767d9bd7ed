// Text on the QPainter canvas.
#include "metafile/qt/QtCanvas.h"

#include <cmath>

namespace metafile {

double QtCanvas::DrawText(const TextRun&) { return 0; }

void QtCanvas::FontExtents(const FontSpec& font, double& ascent, double& descent)
{
    ascent = std::fabs(font.height) * 0.8;
    descent = std::fabs(font.height) * 0.2;
}

} // namespace metafile
