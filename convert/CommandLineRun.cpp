// Running what the command line asks: one conversion, a batch into a
// folder, or the layout of a bitmap file.
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
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {

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
