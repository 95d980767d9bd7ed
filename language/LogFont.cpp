#include "language/LogFont.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// LOGFONT pitch and family bits.
constexpr int kFixedPitch = 0x01;
constexpr int kFamilyMask = 0xF0;
constexpr int kFamilyRoman = 0x10;
constexpr int kFamilySwiss = 0x20;
constexpr int kFamilyModern = 0x30;
constexpr int kFamilyScript = 0x40;
constexpr int kFamilyDecorative = 0x50;

double LogicalDpi()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = app->primaryScreen())
            return screen->logicalDotsPerInchY();
    }
    return 96.0;
}

} // namespace

bool IsWindowsInterfaceFace(const QString& face)
{
    static const char16_t* const kFaces[] = {
        u"Microsoft Sans Serif", u"MS Shell Dlg", u"MS Shell Dlg 2",
        u"MS Sans Serif",        u"Tahoma",       u"Segoe UI"};
    for (const char16_t* known : kFaces) {
        if (face.compare(QString::fromUtf16(known), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void LogFont::SetFaceName(const QString& faceName)
{
    lfFaceName = faceName.left(kLogFontFaceNameMaxChars);
    if (!lfFaceName.isEmpty() && lfFaceName.back().isHighSurrogate())
        lfFaceName.chop(1);
}

bool IsUsableLogFont(const LogFont& font)
{
    if (font.lfHeight < -kLogFontMaxPixelHeight || font.lfHeight > kLogFontMaxPixelHeight)
        return false;
    if (font.lfWidth < 0 || font.lfWidth > kLogFontMaxPixelHeight)
        return false;
    if (font.lfWeight < 0 || font.lfWeight > 1000)
        return false;
    return font.lfFaceName.size() <= kLogFontFaceNameMaxChars;
}

QFont ToQFont(const LogFont& font)
{
    QFont result;
    if (!font.lfFaceName.isEmpty())
        result.setFamilies({font.lfFaceName});

    switch (font.lfPitchAndFamily & kFamilyMask) {
    case kFamilyRoman:
        result.setStyleHint(QFont::Serif);
        break;
    case kFamilySwiss:
        result.setStyleHint(QFont::SansSerif);
        break;
    case kFamilyModern:
        result.setStyleHint(QFont::TypeWriter);
        break;
    case kFamilyScript:
        result.setStyleHint(QFont::Cursive);
        break;
    case kFamilyDecorative:
        result.setStyleHint(QFont::Decorative);
        break;
    default:
        if (IsWindowsInterfaceFace(font.lfFaceName))
            result.setStyleHint(QFont::SansSerif);
        break;
    }
    if (font.lfPitchAndFamily & kFixedPitch)
        result.setFixedPitch(true);

    const int height = std::clamp(font.lfHeight, -kLogFontMaxPixelHeight, kLogFontMaxPixelHeight);
    if (height < 0) {
        result.setPixelSize(-height);
    } else if (height > 0) {
        // A positive height is the whole cell, leading included: find the
        // character height whose cell comes closest to it.
        result.setPixelSize(height);
        const double cell = QFontMetricsF(result).height();
        if (cell > 0)
            result.setPixelSize(std::max(1, int(std::lround(height * height / cell))));
    }

    result.setWeight(QFont::Weight(font.lfWeight == 0 ? 400 : std::clamp(font.lfWeight, 1, 1000)));
    result.setItalic(font.lfItalic != 0);
    result.setUnderline(font.lfUnderline != 0);
    result.setStrikeOut(font.lfStrikeOut != 0);

    if (font.lfWidth > 0) {
        const double average = QFontMetricsF(result).averageCharWidth();
        if (average > 0)
            result.setStretch(
                std::clamp(int(std::lround(100.0 * font.lfWidth / average)), 1, 4000));
    }
    return result;
}

LogFont FromQFont(const QFont& font)
{
    LogFont record;
    int pixels = font.pixelSize();
    if (pixels <= 0) {
        const double points =
            font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
        pixels = std::max(1, int(std::lround(points * LogicalDpi() / 72.0)));
    }
    record.lfHeight = -pixels;
    record.lfWeight = font.weight();
    record.lfItalic = font.italic() ? 1 : 0;
    record.lfUnderline = font.underline() ? 1 : 0;
    record.lfStrikeOut = font.strikeOut() ? 1 : 0;
    if (font.fixedPitch())
        record.lfPitchAndFamily |= kFixedPitch;
    const QStringList families = font.families();
    record.SetFaceName(families.isEmpty() ? font.family() : families.first());
    return record;
}
