// How the window copes with a large photo: the time to open it through the
// Open Photo command (decode, preview, fields) and to repaint the preview.
//   rastelle-window-bench PHOTO [REPAINTS]
// Runs on the offscreen platform unless a display is given.
#include "bench/BenchUi.h"
#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "platform/SettingsStore.h"
#include "platform/UiServices.h"
#include "resources/resource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: rastelle-window-bench PHOTO [REPAINTS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString photo = QString::fromLocal8Bit(argv[1]);
    const int repaints = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    QTemporaryDir settingsFolder;
    SettingsStore settings(settingsFolder.filePath(QStringLiteral("settings.ini")));
    settings.WriteProfileString(QStringLiteral("Option"), QStringLiteral("last_output_folder"),
                                settingsFolder.path() + u'/');
    BenchUi ui(photo);
    SetUiServices(&ui);
    QtImaging imaging;

    QElapsedTimer timer;
    timer.start();
    CPictavoDlg dialog(settings, imaging);
    dialog.OnInitDialog();
    dialog.show();
    QApplication::processEvents();
    std::printf("window built and shown: %.1f ms\n", timer.nsecsElapsed() / 1e6);

    timer.restart();
    dialog.WindowProc(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_OPEN_PHOTO, BN_CLICKED), 0);
    std::printf("open photo %dx%d: %.1f ms\n", dialog.PhotoWidth(), dialog.PhotoHeight(),
                timer.nsecsElapsed() / 1e6);

    QWidget* preview = dialog.GetDlgItem(IDC_STATIC_PREVIEW);
    timer.restart();
    for (int i = 0; i < repaints; ++i)
        preview->repaint();
    std::printf("preview repaint: %.2f ms each\n", timer.nsecsElapsed() / 1e6 / repaints);
    timer.restart();
    for (int i = 0; i < repaints; ++i)
        dialog.repaint();
    std::printf("whole window repaint: %.2f ms each\n", timer.nsecsElapsed() / 1e6 / repaints);
    SetUiServices(nullptr);
    return 0;
}
