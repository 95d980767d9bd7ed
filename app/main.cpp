// Everything happens in the application object's start-up; a picture named
// on the command line is opened once the window is shown.
#include "app/CPictavoApp.h"
#include "app/StartupPhoto.h"
#include "platform/ProcessTuning.h"
#include "platform/QtUiServices.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

// Qt aborts with a long plugin message when there is no display; say it in
// one line instead, with what to do about it.
static bool HasDisplay()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

int main(int argc, char* argv[])
{
    RestartWithLargePages(argv);
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "Rastelle needs a graphical display and found none (DISPLAY is not set). "
                     "Start it from a desktop session, under a virtual display with xvfb-run, "
                     "or convert without a window with rastelle-convert.\n");
        return 1;
    }
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("rastelle"));
    theApp.SetStartupPhoto(StartupPhotoArgument(QCoreApplication::arguments()));
    QtUiServices uiServices;
    SetUiServices(&uiServices);
    theApp.InitInstance();
    SetUiServices(nullptr);
    return 0;
}
