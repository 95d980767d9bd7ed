// The font chooser: Qt's font dialog (screen fonts, style, size, underline,
// strike-out) with a text colour beside it, which Qt's dialog lacks. The
// colour starts at black.
#pragma once

#include "platform/UiServices.h"

#include <QColor>
#include <QDialog>

class QFontDialog;
class QPushButton;

class FontChooserDialog : public QDialog
{
public:
    explicit FontChooserDialog(const LogFont& initial, QWidget* parent = nullptr);

    FontChoice Choice() const;
    QFontDialog* FontPart() const { return m_fonts; }
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFontDialog* m_fonts = nullptr;
    QPushButton* m_colorButton = nullptr;
    QColor m_color = Qt::black;
};
