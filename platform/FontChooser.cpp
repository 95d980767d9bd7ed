#include "platform/FontChooser.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FontChooserDialog::FontChooserDialog(const LogFont& initial, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));
    m_fonts = new QFontDialog(ToQFont(initial), this);
    // Embedded as a page of this dialog: our buttons close it.
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);

    m_colorButton = new QPushButton(this);
    m_colorButton->setMinimumWidth(80);
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_color, this, QStringLiteral("Color"));
        if (chosen.isValid())
            SetColor(chosen);
    });
    SetColor(Qt::black);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("Color:"), this));
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

void FontChooserDialog::SetColor(const QColor& color)
{
    m_color = color;
    m_colorButton->setText(color.name());
    m_colorButton->setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                                     .arg(color.name(), qGray(color.rgb()) < 128
                                                            ? QStringLiteral("white")
                                                            : QStringLiteral("black")));
}

FontChoice FontChooserDialog::Choice() const
{
    FontChoice choice;
    choice.font = FromQFont(m_fonts->currentFont());
    const QColor c = m_color;
    choice.color =
        std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) | (std::uint32_t(c.blue()) << 16);
    return choice;
}
