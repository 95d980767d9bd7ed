// GDI+ strings laid out in a rectangle: broken into lines at line breaks and,
// unless told not to, at the rectangle's width; each line then drawn as a
// run of its own.
#include "metafile/qt/QtCanvas.h"
#include "metafile/qt/QtTextFont.h"

#include <cmath>

namespace metafile {

namespace {

struct Line
{
    std::size_t begin = 0, end = 0; // units of the text
    double width = 0;
};

bool IsSpace(char16_t c) noexcept
{
    return c == u' ' || c == u'\t' || c == 0x3000;
}

// Lines of one paragraph [begin, end), advances[i] the advance of unit i;
// width <= 0 or not finite: no wrapping.
void BreakParagraph(const std::u16string& text, const std::vector<double>& cumulative,
                    std::size_t begin, std::size_t end, double width, std::vector<Line>& lines)
{
    auto extent = [&](std::size_t a, std::size_t b) { return cumulative[b] - cumulative[a]; };
    auto addLine = [&](std::size_t a, std::size_t b) {
        std::size_t trimmed = b;
        while (trimmed > a && IsSpace(text[trimmed - 1]))
            --trimmed;
        lines.push_back({a, trimmed, extent(a, trimmed)});
    };
    const bool wrap = std::isfinite(width) && width > 0;
    std::size_t start = begin, lastBreak = begin;
    for (std::size_t i = begin; i < end; ++i) {
        if (wrap && i > start && !IsSpace(text[i]) && extent(start, i + 1) > width) {
            if (lastBreak > start) {
                addLine(start, lastBreak);
                start = lastBreak;
            } else {
                // A word wider than the box is broken where it reaches the edge.
                addLine(start, i);
                start = i;
            }
        }
        if (IsSpace(text[i]))
            lastBreak = i + 1;
    }
    addLine(start, end);
}

} // namespace

void QtCanvas::DrawLayoutText(const LayoutText& layout)
{
    if (layout.text.empty())
        return;
    QtTextFont& face = TextFont(layout.font);
    const TextFrame frame = MakeTextFrame(face, layout.font, m_transform);
    if (!frame.drawable)
        return;
    const std::u16string& text = layout.text;
    const std::vector<double> advances = TextAdvances(layout.font, text);
    if (advances.size() != text.size())
        return;
    std::vector<double> cumulative(text.size() + 1, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool breakUnit = text[i] == u'\n' || text[i] == u'\r';
        cumulative[i + 1] =
            cumulative[i] + (breakUnit || !std::isfinite(advances[i]) ? 0 : advances[i]);
    }

    const RectD& box = layout.layout;
    const double boxWidth = box.Width(), boxHeight = box.Height();
    std::vector<Line> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n')
            continue;
        std::size_t end = i;
        if (end > begin && text[end - 1] == u'\r')
            --end;
        BreakParagraph(text, cumulative, begin, end, layout.noWrap ? 0 : boxWidth, lines);
        begin = i + 1;
    }

    // Lines follow each other a cell apart; the block sits in the box by
    // the line alignment, each line across it by the alignment.
    const double ascent = face.Ascent() * frame.em,
                 cell = (face.Ascent() + face.Descent()) * frame.em;
    const double total = cell * double(lines.size());
    const double room = boxHeight > 0 ? boxHeight - total : -total;
    double top = box.top;
    if (layout.lineAlignment == 1)
        top += room / 2;
    else if (layout.lineAlignment == 2)
        top += room;

    // Right to left: near is the right edge.
    int alignment = layout.alignment;
    if (layout.rightToLeft && alignment != 1)
        alignment = alignment == 0 ? 2 : 0;

    TextRun run;
    run.font = layout.font;
    run.font.escapement = 0;
    run.font.orientation = 0;
    run.color = layout.color;
    run.align = TA_BASELINE;
    run.hasRect = layout.clip && boxWidth > 0 && boxHeight > 0;
    run.clipToRect = run.hasRect;
    run.rect = box;
    const double deviceBottom = DeviceHeight() + 2 * cell * frame.pixelsDown;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const Line& line = lines[k];
        if (line.end <= line.begin)
            continue;
        const double baseline = top + ascent + cell * double(k);
        // Lines well below the output are not drawn (current y grows down here).
        if (m_transform.Map({box.left, baseline}).y > deviceBottom && m_transform.m22 > 0 &&
            m_transform.m12 == 0)
            break;
        const double room = boxWidth > 0 ? boxWidth - line.width : -line.width;
        double x = box.left;
        if (alignment == 1)
            x += room / 2;
        else if (alignment == 2)
            x += room;
        run.text = text.substr(line.begin, line.end - line.begin);
        run.advances.assign(advances.begin() + std::ptrdiff_t(line.begin),
                            advances.begin() + std::ptrdiff_t(line.end));
        run.origin = {x, baseline};
        DrawText(run);
    }
}

} // namespace metafile
