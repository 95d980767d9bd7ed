// The main dialog's result preview: the file as the options would write it,
// made at the preview's size by the conversion itself.
#include "convert/PixelFormats.h"
#include "convert/ResultPreview.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "resources/resource.h"

#include <QComboBox>
#include <QLocale>
#include <QPainter>
#include <QShortcut>
#include <QTimer>

namespace {

// While the user types, the result waits for a pause; other changes show
// at once.
constexpr int kTypingPauseMs = 250;

bool IsTypedOption(UINT id)
{
    return id == IDC_EDIT_OUTPUT_WIDTH || id == IDC_EDIT_OUTPUT_HEIGHT || id == IDC_EDIT_ADD_TEXT ||
           id == IDC_EDIT_TEXT_X || id == IDC_EDIT_TEXT_Y;
}

void PaintCheckerboard(QPainter& painter, const QRect& area)
{
    constexpr int kSquare = 8;
    painter.fillRect(area, QColor(0xFF, 0xFF, 0xFF));
    for (int y = area.top(); y <= area.bottom(); y += kSquare) {
        for (int x = area.left(); x <= area.right(); x += kSquare) {
            if (((x - area.left()) / kSquare + (y - area.top()) / kSquare) % 2)
                painter.fillRect(QRect(x, y, kSquare, kSquare).intersected(area),
                                 QColor(0xCC, 0xCC, 0xCC));
        }
    }
}

} // namespace

void CPictavoDlg::SetUpResultPreview()
{
    m_resultMaker = std::make_unique<ResultPreviewMaker>(m_imaging);
    m_resultTimer = new QTimer(this);
    m_resultTimer->setSingleShot(true);
    connect(m_resultTimer, &QTimer::timeout, this, [this] { UpdateResultPreview(); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    connect(shortcut, &QShortcut::activated, this, [this] { ToggleResultPreview(); });
}

void CPictavoDlg::ToggleResultPreview()
{
    if (!m_pPhoto)
        return;
    m_bShowResult = !m_bShowResult;
    if (m_bShowResult)
        UpdateResultPreview();
    else
        m_resultTimer->stop();
    // The photo is the same: its reduced copy stays for the next result.
    if (QWidget* preview = GetDlgItem(IDC_STATIC_PREVIEW))
        preview->repaint();
}

bool CPictavoDlg::ResultPending() const
{
    return m_resultTimer->isActive();
}

void CPictavoDlg::ScheduleResultPreview(bool typing)
{
    if (!m_bShowResult)
        return;
    m_resultTimer->start(typing ? kTypingPauseMs : 0);
}

void CPictavoDlg::NoteCommandForResult(UINT id, UINT notifyCode)
{
    // Typing waits; the frame number's field shows its frame by itself.
    if (notifyCode == EN_UPDATE) {
        if (IsTypedOption(id))
            ScheduleResultPreview(true);
        return;
    }
    if (notifyCode == EN_KILLFOCUS)
        return;
    // Buttons, lists and menu commands (a rotation, a font, a language):
    // any of them may change what would be written.
    ScheduleResultPreview(false);
}

QSize CPictavoDlg::ResultPreviewBox() const
{
    const QWidget* preview = GetDlgItem(IDC_STATIC_PREVIEW);
    if (!preview)
        return QSize();
    return (QSizeF(preview->size()) * preview->devicePixelRatioF()).toSize();
}

void CPictavoDlg::UpdateResultPreview()
{
    m_resultTimer->stop();
    m_result = std::make_unique<ResultPreview>(
        m_resultMaker->Make(m_pPhoto, CurrentRequest(), ResultPreviewBox()));
    if (QWidget* preview = GetDlgItem(IDC_STATIC_PREVIEW))
        preview->update();
}

void CPictavoDlg::PaintResultPreview(QWidget* preview)
{
    if (!m_result || m_result->pixels.isNull())
        return; // the frame's own colour: nothing would be written
    const QImage& pixels = m_result->pixels;
    const QSize shown = pixels.size().scaled(preview->size(), Qt::KeepAspectRatio);
    const QRect target(
        QPoint((preview->width() - shown.width()) / 2, (preview->height() - shown.height()) / 2),
        shown);
    QPainter painter(preview);
    if (pixels.hasAlphaChannel())
        PaintCheckerboard(painter, target);
    // Pixels stay pixels: an output smaller than the frame is enlarged
    // without smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, pixels);
}

QString CPictavoDlg::PreviewToolTip() const
{
    const OutputShape shape = ShapeOfOutput(CurrentRequest());
    QStringList lines;
    if (shape.problemId) {
        lines << theLanguage.GetString(shape.problemId);
    } else {
        const int index = m_comboPixelFormat ? m_comboPixelFormat->currentIndex() : -1;
        const QString formatName = index >= 0 && index < m_comboPixelFormat->count()
                                       ? m_comboPixelFormat->itemText(index)
                                       : QString::fromUtf16(PixelFormatForIndex(index).entry);
        lines << FormatLanguageString(theLanguage, IDS_STRING160,
                                      {shape.width, shape.height, formatName,
                                       QLocale().toString(qulonglong(shape.fileBytes))});
        if (m_bShowResult && m_result && m_result->pixels.isNull() && !m_result->problem.isEmpty())
            lines << m_result->problem;
    }
    if (m_pPhoto)
        lines << theLanguage.GetString(m_bShowResult ? IDS_STRING162 : IDS_STRING161);
    return lines.join(QLatin1Char('\n'));
}
