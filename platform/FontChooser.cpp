#include "platform/FontChooser.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>
#include <cstdlib>

// The font with the name of the family's own style that matches its weight
// and slant. The font dialog looks styles up by name, and a generic name
// ("Normal") that the family does not use would select another style, an
// oblique one say.
static QFont WithFamilyStyleName(QFont font)
{
    const QString family = QFontInfo(font).family();
    QString best;
    int bestDistance = INT_MAX;
    for (const QString& style : QFontDatabase::styles(family)) {
        // The database reports only true italics as italic; obliques are
        // slanted too.
        const bool slanted = QFontDatabase::italic(family, style) ||
                             style.contains(QStringLiteral("Oblique"), Qt::CaseInsensitive) ||
                             style.contains(QStringLiteral("Italic"), Qt::CaseInsensitive);
        if (slanted != font.italic())
            continue;
        int distance = std::abs(QFontDatabase::weight(family, style) - font.weight());
        // Plain widths before condensed or expanded ones of the same weight.
        if (style.contains(QStringLiteral("Condensed")) ||
            style.contains(QStringLiteral("Expanded")))
            distance += 1;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = style;
        }
    }
    if (!best.isEmpty()) {
        font.setFamilies({family});
        font.setStyleName(best);
    }
    return font;
}

FontChooserDialog::FontChooserDialog(const LogFont& initial, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));
    m_fonts = new QFontDialog(WithFamilyStyleName(ToQFont(initial)), this);
    // Embedded as a page of this dialog: our buttons close it.
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    // The embedded part is a dialog of its own: Escape or Enter would end
    // only it (or nothing). They end the whole chooser instead.
    m_fonts->installEventFilter(this);
    connect(m_fonts, &QDialog::finished, this, [this](int result) {
        m_fonts->setVisible(true);
        done(result);
    });

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

bool FontChooserDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fonts && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Cancel)) {
            reject();
            return true;
        }
        const bool plain = key->modifiers() == Qt::NoModifier ||
                           (key->modifiers() == Qt::KeypadModifier && key->key() == Qt::Key_Enter);
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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
