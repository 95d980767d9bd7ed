// How the window copes with a large photo: the time to open it through the
// Open Photo command (decode, preview, fields), to repaint the preview, and
// to convert it at its own size through the Convert button, with how long
// the window then takes to answer again.
//   rastelle-window-bench PHOTO [REPAINTS]
// Runs on the offscreen platform unless a display is given, and takes its
// memory as the program does.
#include "bench/BenchUi.h"
#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "platform/ProcessTuning.h"
#include "platform/SettingsStore.h"
#include "platform/UiServices.h"
#include "resources/resource.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <optional>

namespace {

// Processor time of all threads, which a loaded machine disturbs less than
// the wall clock.
double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: rastelle-window-bench PHOTO [REPAINTS]\n");
        return 2;
    }
    RestartWithLargePages(argv);
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

    // The result preview: the first one reduces the photo once; later ones
    // convert that copy at the preview's size, in every format.
    timer.restart();
    const double cpuBefore = ProcessCpuMs();
    dialog.ToggleResultPreview();
    std::printf("first result preview (24-bit): %.1f ms (%.1f ms of processor time)\n",
                timer.nsecsElapsed() / 1e6, ProcessCpuMs() - cpuBefore);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    for (int index = 0; formats && index < formats->count(); ++index) {
        formats->setCurrentIndex(index);
        dialog.WindowProc(WM_COMMAND, MAKEWPARAM(IDC_COMBO_PIXEL_FORMAT, CBN_SELCHANGE), 0);
        timer.restart();
        dialog.UpdateResultPreview();
        preview->repaint();
        std::printf("result preview %-16s %.1f ms\n", qPrintable(formats->itemText(index) + ':'),
                    timer.nsecsElapsed() / 1e6);
    }
    if (formats) {
        formats->setCurrentIndex(4);
        dialog.WindowProc(WM_COMMAND, MAKEWPARAM(IDC_COMBO_PIXEL_FORMAT, CBN_SELCHANGE), 0);
    }
    dialog.ToggleResultPreview();

    // Convert at the photo's own size, as 24-bit, to a file that does not
    // exist yet; then see when the window handles its next event.
    auto* output = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_OUTPUT_FILE));
    if (output)
        output->setText(settingsFolder.filePath(QStringLiteral("converted.bmp")));
    timer.restart();
    dialog.WindowProc(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_CONVERT, BN_CLICKED), 0);
    const double converted = timer.nsecsElapsed() / 1e6;
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    while (!answered)
        QApplication::processEvents();
    std::printf("convert: %.1f ms (%lld bytes written), window answering %.1f ms after the click\n",
                converted, QFileInfo(output ? output->text() : QString()).size(),
                timer.nsecsElapsed() / 1e6);
    SetUiServices(nullptr);
    return 0;
}
