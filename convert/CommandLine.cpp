#include "convert/CommandLine.h"

#include "convert/AspectRatio.h"
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/OutputNames.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "dib/BmpInspect.h"
#include "language/CLanguage.h"
#include "platform/FileHelpers.h"
#include "resources/resource.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <memory>

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

class ConsoleHost : public IConversionHost
{
public:
    // With collect, messages are kept there instead of printed.
    ConsoleHost(QTextStream& err, bool overwrite, QStringList* collect = nullptr)
        : m_err(err), m_overwrite(overwrite), m_collect(collect)
    {
    }

    int ShowMessage(const QString& text, const QString& caption,
                    MessageButtons buttons = MessageButtons::Ok,
                    MessageIcon = MessageIcon::None) override
    {
        // The only question a conversion asks is whether to replace the
        // output file, answered by --overwrite.
        if (buttons == MessageButtons::YesNo)
            return m_overwrite ? IDYES : IDNO;
        Print(text, caption);
        return IDOK;
    }
    void ShowOwnerlessMessage(const QString& text, const QString& caption) override
    {
        Print(text, caption);
    }
    void SetTextXField(const QString&) override {}
    void SetTextYField(const QString&) override {}

private:
    void Print(const QString& text, const QString& caption)
    {
        if (m_collect) {
            m_collect->append(QString(text).replace(u'\n', u' '));
            return;
        }
        m_err << "rastelle-convert: ";
        if (!caption.isEmpty())
            m_err << caption << ": ";
        m_err << QString(text).replace(u'\n', u' ') << Qt::endl;
    }

    QTextStream& m_err;
    bool m_overwrite;
    QStringList* m_collect;
};

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

// --info: the file's layout, one field a line, then its inconsistencies.
int PrintBmpLayout(const QString& path, QTextStream& out, QTextStream& err)
{
    const std::unique_ptr<DibFile> file = OpenDibFileForReading(path.toStdU16String());
    if (!file) {
        err << "rastelle-convert: " << path << ": the file cannot be opened." << Qt::endl;
        return kExitFailed;
    }
    const BmpInspection inspection = InspectBmp(*file);
    int widest = 0;
    for (const auto& field : inspection.fields)
        widest = std::max(widest, int(field.first.size()));
    out << path << Qt::endl;
    for (const auto& [name, value] : inspection.fields)
        out << "  " << QString::fromStdString(name + ':').leftJustified(widest + 2)
            << QString::fromStdString(value) << Qt::endl;
    if (inspection.problems.empty()) {
        out << "No inconsistencies found." << Qt::endl;
    } else {
        out << "Inconsistencies:" << Qt::endl;
        for (const std::string& problem : inspection.problems)
            out << "  - " << QString::fromStdString(problem) << Qt::endl;
    }
    out << (inspection.valid ? "A valid bitmap file." : "Not a valid bitmap file.") << Qt::endl;
    return inspection.valid ? kExitSuccess : kExitFailed;
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

namespace {

// Converts one picture with the options; every message goes to the host.
int ConvertOne(QtImaging& imaging, const CommandLineOptions& o, const QString& input,
               const QString& output, IConversionHost& host)
{
    if (FileExists(output) && !o.overwrite) {
        host.ShowMessage(output + QStringLiteral(" exists; add --overwrite to replace it."),
                         QString());
        return kExitFailed;
    }

    GpImage* photo = nullptr;
    imaging.LoadImageFromFile(input, &photo);
    std::uint32_t photoWidth = 0;
    std::uint32_t photoHeight = 0;
    imaging.GetImageWidth(photo, &photoWidth);
    imaging.GetImageHeight(photo, &photoHeight);
    // The picture is released before the next one is opened.
    const auto finish = [&](int code) {
        if (photo)
            imaging.DisposeImage(photo);
        return code;
    };
    if (photoWidth == 0) {
        host.ShowMessage(theLanguage.GetString(IDS_STRING126), input);
        return finish(kExitFailed);
    }
    if (photoHeight == 0) {
        host.ShowMessage(theLanguage.GetString(IDS_STRING127), input);
        return finish(kExitFailed);
    }

    if (o.dimension || o.frame) {
        std::uint32_t count = 0;
        imaging.ImageGetFrameDimensionsCount(photo, &count);
        QList<QUuid> dimensions(count);
        if (count > 0)
            imaging.ImageGetFrameDimensionsList(photo, dimensions.data(), count);
        const QUuid dimension = o.dimension.value_or(dimensions.value(0));
        std::uint32_t frames = 0;
        if (!dimensions.contains(dimension) ||
            imaging.ImageGetFrameCount(photo, dimension, &frames) != Ok) {
            host.ShowMessage(input + QStringLiteral(" has no such frame dimension."), QString());
            return finish(kExitFailed);
        }
        const int frame = o.frame.value_or(0);
        if (std::uint32_t(frame) >= frames ||
            imaging.ImageSelectActiveFrame(photo, dimension, std::uint32_t(frame)) != Ok) {
            host.ShowMessage(theLanguage.GetString(IDS_STRING121),
                             theLanguage.GetString(IDS_MESSAGE_ERROR));
            host.ShowMessage(QStringLiteral("frames go from 0 to %1.").arg(int(frames) - 1),
                             QString());
            return finish(kExitFailed);
        }
        imaging.GetImageWidth(photo, &photoWidth);
        imaging.GetImageHeight(photo, &photoHeight);
    }

    int width = int(photoWidth);
    int height = int(photoHeight);
    if (o.width && o.height) {
        width = *o.width;
        height = *o.height;
    } else if (o.width) {
        width = *o.width;
        height = HeightForWidth(int(photoWidth), int(photoHeight), width);
    } else if (o.height) {
        height = *o.height;
        width = WidthForHeight(int(photoWidth), int(photoHeight), height);
    }

    ConversionRequest request;
    request.outputWidthText = QString::number(width);
    request.outputHeightText = QString::number(height);
    request.text = o.text;
    request.textXText = QString::number(o.textX);
    request.textYText = QString::number(o.textY);
    request.font.lfHeight = o.fontSize > 0 ? -o.fontSize : -13;
    request.font.lfWeight = o.bold ? 700 : 400;
    request.font.lfItalic = o.italic ? 1 : 0;
    request.font.SetFaceName(o.fontFamily);
    request.textColor = o.color;
    request.rotateAngle = o.rotate;
    request.flipType = o.flip;
    request.pixelFormat = o.pixelFormat;
    request.indexedFormat = IndexedFormatFor(o.pixelFormat);
    request.dither = o.dither;
    request.outputPath = output;

    const ConversionOutcome outcome = RunConvertCommand(imaging, input, photo, request, host);
    return finish(outcome.succeeded ? kExitSuccess : kExitFailed);
}

// Every input into the output folder, named as the window names it; goes on
// after a failure.
int RunBatch(const CommandLineOptions& o, QTextStream& out, QTextStream& err, bool progress)
{
    const QString folder = QFileInfo(o.outputDir).absoluteFilePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir()) {
        err << "rastelle-convert: " << folder << " is not a folder." << Qt::endl;
        return kExitFailed;
    }
    if (!folderInfo.exists() && !QDir().mkpath(folder)) {
        err << "rastelle-convert: the folder " << folder << " cannot be made." << Qt::endl;
        return kExitFailed;
    }
    const QString prefix = QDir(folder).absolutePath() + u'/';

    QtImaging imaging;
    imaging.Startup();
    // Output names already given to an earlier input of this run: a later
    // input never replaces what an earlier one wrote.
    QSet<QString> taken;
    int converted = 0;
    int failed = 0;
    const qsizetype total = o.inputs.size();
    for (qsizetype i = 0; i < total; ++i) {
        const QString& given = o.inputs[i];
        const QString input = QFileInfo(given).absoluteFilePath();
        // From the file name alone: the folders above it play no part.
        const QString output = DefaultOutputPath(prefix, QFileInfo(input).fileName());
        if (progress) {
            err << "\r\x1b[K[" << (i + 1) << '/' << total << "] " << QFileInfo(input).fileName();
            err.flush();
        }
        QStringList messages;
        int code = kExitFailed;
        if (taken.contains(output)) {
            messages.append(QStringLiteral("an earlier picture has the same output name, ") +
                            output);
        } else {
            taken.insert(output);
            ConsoleHost host(err, o.overwrite, &messages);
            code = ConvertOne(imaging, o, input, output, host);
        }
        if (progress) {
            err << "\r\x1b[K";
            err.flush();
        }
        if (code == kExitSuccess) {
            ++converted;
            out << given << " -> " << output << Qt::endl;
            for (const QString& message : messages)
                err << given << ": " << message << Qt::endl;
        } else {
            ++failed;
            if (messages.isEmpty())
                messages.append(QStringLiteral("the conversion failed."));
            err << given << ": " << messages.join(u' ') << Qt::endl;
        }
    }
    imaging.Shutdown();
    out << converted << " converted, " << failed << " failed" << Qt::endl;
    return failed > 0 ? kExitFailed : kExitSuccess;
}

} // namespace

int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err, bool progress)
{
    const CommandLineParse parse = ParseCommandLine(arguments);
    if (!parse.ok) {
        err << "rastelle-convert: " << parse.error << Qt::endl
            << "Try 'rastelle-convert --help'." << Qt::endl;
        return kExitUsage;
    }
    const CommandLineOptions& o = parse.options;
    if (o.help) {
        out << CommandLineHelp();
        out.flush();
        return kExitSuccess;
    }

    if (!o.infoFile.isEmpty())
        return PrintBmpLayout(o.infoFile, out, err);

    if (!o.outputDir.isEmpty())
        return RunBatch(o, out, err, progress);

    ConsoleHost host(err, o.overwrite);
    QtImaging imaging;
    imaging.Startup();
    const int code = ConvertOne(imaging, o, QFileInfo(o.input).absoluteFilePath(),
                                QFileInfo(o.output).absoluteFilePath(), host);
    imaging.Shutdown();
    return code;
}
