// GDI+ strings laid out in a rectangle (filled in below).
#include "metafile/qt/QtCanvas.h"
#include "metafile/qt/QtTextFont.h"

namespace metafile {

void QtCanvas::DrawLayoutText(const LayoutText& text)
{
    (void)text;
}

} // namespace metafile
