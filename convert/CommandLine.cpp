// Reading rastelle-convert's command line, and its help text.
#include "convert/CommandLine.h"

#include "convert/PixelFormats.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

struct FormatName
{
    const char* name;
    int code;
};

constexpr FormatName kFormatNames[] = {
    {"1", PixelFormat1bppIndexed},  {"4", PixelFormat4bppIndexed},  {"8", PixelFormat8bppIndexed},
    {"16", PixelFormat16bppRGB565}, {"24", PixelFormat24bppRGB},    {"32", PixelFormat32bppRGB},
    {"32a", PixelFormat32bppARGB},  {"32p", PixelFormat32bppPARGB}, {"64a", PixelFormat64bppARGB},
    {"64p", PixelFormat64bppPARGB},
};

// A whole decimal number, nothing else.
std::optional<int> WholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

// The value of an option, or a usage error when it is missing.
bool TakeValue(const QStringList& arguments, int& i, QString& value, QString& error)
{
    if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a value").arg(arguments[i]);
        return false;
    }
    value = arguments[++i];
    return true;
}

} // namespace

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: rastelle-convert INPUT OUTPUT [options]\n"
        "       rastelle-convert INPUT... --output-dir DIR [options]\n"
        "       rastelle-convert --info FILE.bmp\n"
        "Converts one picture (JPEG, PNG, GIF, TIFF, ICO, BMP, WebP, camera RAW, ...)\n"
        "into a Windows bitmap (.bmp) file, or many pictures into a folder, or\n"
        "describes a bitmap file's layout.\n"
        "\n"
        "Options:\n"
        "  --format F          pixel format: 1, 4, 8 (indexed), 16 (RGB565), 24 (RGB,\n"
        "                      the default), 32 (RGB), 32a (ARGB), 32p (premultiplied\n"
        "                      ARGB), 64a (64-bit ARGB), 64p (64-bit premultiplied)\n"
        "  --size WxH          output size in pixels (default: the picture's own)\n"
        "  --width W           output width; the height keeps the proportions\n"
        "  --height H          output height; the width keeps the proportions\n"
        "  --rotate A          clockwise rotation: 0, 90, 180 or 270\n"
        "  --flip F            none, h (horizontal) or v (vertical), after rotating\n"
        "  --text T            one line of text drawn onto the picture (before rotating)\n"
        "  --at X,Y            where the text's top-left corner goes (default 0,0)\n"
        "  --font FAMILY       the text's font family\n"
        "  --font-size PX      the text's character height in pixels\n"
        "  --bold, --italic    the text's style\n"
        "  --color #RRGGBB     the text's colour (default black)\n"
        "  --dimension D       time, page or resolution: which frames --frame counts\n"
        "  --frame N           the frame (animation), page or icon size to convert,\n"
        "                      from 0\n"
        "  --dither D          none (the default), floyd-steinberg (error diffusion)\n"
        "                      or ordered (8x8 Bayer pattern): keeps the tones of\n"
        "                      the picture in the 1-, 4-, 8- and 16-bit formats\n"
        "  --overwrite         replace OUTPUT if it exists (only once the new file is\n"
        "                      complete)\n"
        "  --output-dir DIR    convert every INPUT into the folder DIR (made if it is\n"
        "                      missing), each named as the window names it: photo.jpg\n"
        "                      gives DIR/photo_out.bmp. An existing file there is\n"
        "                      replaced only with --overwrite; a picture whose name is\n"
        "                      taken by an earlier one of the same run fails. Goes on\n"
        "                      after a failure, prints a line per picture and a\n"
        "                      summary\n"
        "  --help              show this text\n"
        "  --info FILE         print the layout of the bitmap FILE as it is stored\n"
        "                      (headers, masks, colour table, pixel data) and every\n"
        "                      inconsistency in it; converts nothing\n"
        "\n"
        "Exit status: 0 converted (or, with --info, a valid bitmap), 1 the conversion\n"
        "failed (for --output-dir: any of them; or not a valid bitmap), 2 the command\n"
        "was wrong.\n");
}

CommandLineParse ParseCommandLine(const QStringList& arguments)
{
    CommandLineParse result;
    CommandLineOptions& o = result.options;
    QStringList positional;
    bool sizeGiven = false;
    QString& error = result.error;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        QString value;
        if (arg == u"--help" || arg == u"-h") {
            o.help = true;
        } else if (arg == u"--overwrite") {
            o.overwrite = true;
        } else if (arg == u"--bold") {
            o.bold = true;
        } else if (arg == u"--italic") {
            o.italic = true;
        } else if (arg == u"--format") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            bool found = false;
            for (const FormatName& name : kFormatNames) {
                if (value.compare(QLatin1String(name.name), Qt::CaseInsensitive) == 0) {
                    o.pixelFormat = name.code;
                    found = true;
                }
            }
            if (!found) {
                error = QStringLiteral("unknown format '%1' (1, 4, 8, 16, 24, 32, 32a, 32p, "
                                       "64a or 64p)")
                            .arg(value);
                return result;
            }
        } else if (arg == u"--size" || arg == u"--width" || arg == u"--height") {
            if (sizeGiven) {
                error = QStringLiteral("give only one of --size, --width and --height");
                return result;
            }
            sizeGiven = true;
            if (!TakeValue(arguments, i, value, error))
                return result;
            if (arg == u"--size") {
                static const QRegularExpression size(QStringLiteral("^(\\d+)[xX](\\d+)$"));
                const QRegularExpressionMatch match = size.match(value);
                o.width = match.hasMatch() ? WholeNumber(match.captured(1)) : std::nullopt;
                o.height = match.hasMatch() ? WholeNumber(match.captured(2)) : std::nullopt;
                if (!o.width || !o.height || *o.width <= 0 || *o.height <= 0) {
                    error = QStringLiteral("--size wants WIDTHxHEIGHT in pixels, as 800x600");
                    return result;
                }
            } else {
                const std::optional<int> side = WholeNumber(value);
                if (!side || *side <= 0) {
                    error = QStringLiteral("%1 wants a positive number of pixels").arg(arg);
                    return result;
                }
                (arg == u"--width" ? o.width : o.height) = side;
            }
        } else if (arg == u"--rotate") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            const std::optional<int> angle = WholeNumber(value);
            if (!angle || RotateFlipCode(*angle, 0) < 0) {
                error = QStringLiteral("--rotate takes 0, 90, 180 or 270");
                return result;
            }
            o.rotate = *angle;
        } else if (arg == u"--flip") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            if (value == u"none")
                o.flip = 0;
            else if (value == u"h")
                o.flip = 1;
            else if (value == u"v")
                o.flip = 2;
            else {
                error = QStringLiteral("--flip takes none, h or v");
                return result;
            }
        } else if (arg == u"--text") {
            if (!TakeValue(arguments, i, o.text, error))
                return result;
        } else if (arg == u"--at") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            static const QRegularExpression at(QStringLiteral("^(-?\\d+),(-?\\d+)$"));
            const QRegularExpressionMatch match = at.match(value);
            const std::optional<int> x =
                match.hasMatch() ? WholeNumber(match.captured(1)) : std::nullopt;
            const std::optional<int> y =
                match.hasMatch() ? WholeNumber(match.captured(2)) : std::nullopt;
            if (!x || !y) {
                error = QStringLiteral("--at wants X,Y in pixels, as 10,20");
                return result;
            }
            o.textX = *x;
            o.textY = *y;
        } else if (arg == u"--font") {
            if (!TakeValue(arguments, i, o.fontFamily, error))
                return result;
        } else if (arg == u"--font-size") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            const std::optional<int> size = WholeNumber(value);
            if (!size || *size <= 0 || *size > kLogFontMaxPixelHeight) {
                error = QStringLiteral("--font-size wants pixels from 1 to %1")
                            .arg(kLogFontMaxPixelHeight);
                return result;
            }
            o.fontSize = *size;
        } else if (arg == u"--color") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            static const QRegularExpression color(QStringLiteral("^#?([0-9a-fA-F]{6})$"));
            const QRegularExpressionMatch match = color.match(value);
            if (!match.hasMatch()) {
                error = QStringLiteral("--color wants #RRGGBB, as #ff8000");
                return result;
            }
            const std::uint32_t rgb = match.captured(1).toUInt(nullptr, 16);
            o.color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        } else if (arg == u"--dimension") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            if (value == u"time")
                o.dimension = FrameDimensionTime;
            else if (value == u"page")
                o.dimension = FrameDimensionPage;
            else if (value == u"resolution")
                o.dimension = FrameDimensionResolution;
            else {
                error = QStringLiteral("--dimension takes time, page or resolution");
                return result;
            }
        } else if (arg == u"--frame") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            o.frame = WholeNumber(value);
            if (!o.frame || *o.frame < 0) {
                error = QStringLiteral("--frame wants a frame number from 0");
                return result;
            }
        } else if (arg == u"--dither") {
            if (!TakeValue(arguments, i, value, error))
                return result;
            const std::optional<DitherMethod> method = DitherMethodFromName(value);
            if (!method) {
                error = QStringLiteral("--dither takes none, floyd-steinberg or ordered");
                return result;
            }
            o.dither = *method;
        } else if (arg == u"--output-dir") {
            if (!TakeValue(arguments, i, o.outputDir, error))
                return result;
            if (o.outputDir.isEmpty()) {
                error = QStringLiteral("--output-dir needs a folder");
                return result;
            }
        } else if (arg == u"--info") {
            if (!TakeValue(arguments, i, o.infoFile, error))
                return result;
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            error = QStringLiteral("unknown option %1").arg(arg);
            return result;
        } else {
            positional.append(arg);
        }
    }
    if (o.help) {
        result.ok = true;
        return result;
    }
    if (!o.infoFile.isEmpty()) {
        if (!positional.isEmpty() || !o.outputDir.isEmpty()) {
            error = QStringLiteral("--info takes one file and converts nothing");
            return result;
        }
        result.ok = true;
        return result;
    }
    if (o.dither != DitherMethod::None && !DitherTargetFor(o.pixelFormat)) {
        error = QStringLiteral("--dither applies to the 1-, 4-, 8- and 16-bit formats");
        return result;
    }
    if (!o.outputDir.isEmpty()) {
        if (positional.isEmpty()) {
            error = QStringLiteral("give the pictures to convert into %1").arg(o.outputDir);
            return result;
        }
        o.inputs = positional;
        result.ok = true;
        return result;
    }
    if (positional.size() != 2) {
        error = positional.size() < 2
                    ? QStringLiteral("give an INPUT picture and an OUTPUT file")
                    : QStringLiteral("too many file names; to convert several pictures, give "
                                     "--output-dir DIR");
        return result;
    }
    o.input = positional[0];
    o.output = positional[1];
    result.ok = true;
    return result;
}
