// rastelle-convert: the conversion from the command line, with the same
// engine and the same messages as the window.
#pragma once

#include "convert/Dither.h"
#include "convert/Imaging.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class QTextStream;

struct CommandLineOptions
{
    QString input;
    QString output;
    QStringList inputs; // with --output-dir
    QString outputDir;
    int pixelFormat = PixelFormat24bppRGB;
    std::optional<int> width;
    std::optional<int> height;
    int rotate = 0;
    int flip = 0;
    QString text;
    int textX = 0;
    int textY = 0;
    QString fontFamily;
    int fontSize = 0; // pixels; 0 for the default
    bool bold = false;
    bool italic = false;
    std::uint32_t color = 0; // 0x00BBGGRR
    std::optional<QUuid> dimension;
    std::optional<int> frame;
    DitherMethod dither = DitherMethod::None;
    bool overwrite = false;
    bool help = false;
    QString infoFile; // --info: describe this BMP instead of converting
};

struct CommandLineParse
{
    bool ok = false;
    QString error; // for a usage error
    CommandLineOptions options;
};

CommandLineParse ParseCommandLine(const QStringList& arguments);
QString CommandLineHelp();

enum CommandLineExit
{
    kExitSuccess = 0,
    kExitFailed = 1,
    kExitUsage = 2
};

// Runs a conversion for the arguments (without the program name); messages
// go to err, help to out. With progress (err is a terminal) a batch shows
// which picture it is at, on one line rewritten in place.
int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err,
                   bool progress = false);
