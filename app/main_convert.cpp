// rastelle-convert: converts a picture to a .bmp file from the command line.
#include "app/LanguageBaseFolder.h"
#include "convert/CommandLine.h"
#include "language/CLanguage.h"
#include "platform/ProcessTuning.h"
#include "platform/SettingsStore.h"
#include "platform/UiServices.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char* argv[])
{
    RestartWithLargePages(argv);
    // Text is drawn with Qt's fonts, which need a GUI application; no window
    // is ever shown, so no display is needed either.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);

    // Messages in the language the window uses.
    ConsoleUiServices console;
    SetUiServices(&console);
    SettingsStore settings(QStringLiteral("TOLMERA"), QStringLiteral("Rastelle"));
    theLanguage.SetSettingsStore(&settings);
    theLanguage.SetHasInterface(false);
    theLanguage.Initialize(GetLanguageBaseFolder(),
                           settings.GetProfileString(QStringLiteral("Option"),
                                                     QStringLiteral("CurrentLanguage"),
                                                     QStringLiteral("english")));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = application.arguments();
    arguments.removeFirst();
    const int code = RunCommandLine(arguments, out, err, ::isatty(STDERR_FILENO) == 1);
    theLanguage.SetSettingsStore(nullptr);
    SetUiServices(nullptr);
    return code;
}
