// What choosing frames of a long animation costs in the window: a GIF of
// many full-size frames (made here unless one is given), frame numbers typed
// into the frame field key by key as a user types them.
//   rastelle-frame-bench [GIF] [--frames N] [--size WxH] [--steps N]
//   rastelle-frame-bench --make GIF [--frames N] [--size WxH]   (only writes it)
// Runs on the offscreen platform unless a display is given.
#include "bench/BenchUi.h"
#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "platform/SettingsStore.h"
#include "platform/UiServices.h"
#include "resources/resource.h"
#include "support/GifWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

// Full frames of moving colour bands: every frame replaces the whole
// canvas, as a screen recording or a converted video does.
QByteArray LongGif(QSize size, int frames)
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, (i * 3) & 0xFF, 255 - i));
    QList<GifFrame> list;
    for (int f = 0; f < frames; ++f) {
        GifFrame frame;
        frame.pixels = QImage(size, QImage::Format_Indexed8);
        frame.pixels.setColorTable(palette);
        for (int y = 0; y < size.height(); ++y) {
            uchar* row = frame.pixels.scanLine(y);
            for (int x = 0; x < size.width(); ++x)
                row[x] = uchar(((x + f * 8) / 16 + (y / 24) * 5 + ((x ^ y) & 3)) & 0xFF);
        }
        list.append(frame);
    }
    return EncodeGif(size, list);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QString gif;
    QString make;
    int frames = 150;
    int stepCount = -1; // steps back and forward: the whole animation
    QSize size(1200, 900);
    const QStringList arguments = QApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == u"--make" && i + 1 < arguments.size())
            make = arguments[++i];
        else if (arguments[i] == u"--steps" && i + 1 < arguments.size())
            stepCount = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == u"--frames" && i + 1 < arguments.size())
            frames = std::max(2, arguments[++i].toInt());
        else if (arguments[i] == u"--size" && i + 1 < arguments.size()) {
            const QStringList wh = arguments[++i].split(u'x');
            if (wh.size() == 2)
                size = QSize(std::max(1, wh[0].toInt()), std::max(1, wh[1].toInt()));
        } else
            gif = arguments[i];
    }

    QTemporaryDir folder;
    if (gif.isEmpty()) {
        gif = make.isEmpty() ? folder.filePath(QStringLiteral("long.gif")) : make;
        QFile file(gif);
        if (!file.open(QIODevice::WriteOnly) || file.write(LongGif(size, frames)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(gif));
            return 1;
        }
        std::printf("made %s: %d frames of %dx%d, %lld bytes\n", qPrintable(gif), frames,
                    size.width(), size.height(), file.size());
        if (!make.isEmpty())
            return 0;
    }

    SettingsStore settings(folder.filePath(QStringLiteral("settings.ini")));
    settings.WriteProfileString(QStringLiteral("Option"), QStringLiteral("last_output_folder"),
                                folder.path() + u'/');
    BenchUi ui(gif);
    SetUiServices(&ui);
    QtImaging imaging;
    CPictavoDlg dialog(settings, imaging);
    dialog.OnInitDialog();
    dialog.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    dialog.WindowProc(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_OPEN_PHOTO, BN_CLICKED), 0);
    std::printf("open: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    const int last = dialog.FrameCount(0) - 1;
    if (last < 1) {
        std::fprintf(stderr, "not an animation\n");
        return 1;
    }
    auto* field = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER));
    // Sets the field's text as a keystroke leaves it; the window reacts to
    // every change.
    const auto type = [&](const QString& text) {
        timer.restart();
        field->setText(text);
        return timer.nsecsElapsed() / 1e6;
    };

    // Typing the last frame's number key by key.
    const QString lastText = QString::number(last);
    double typed = 0;
    QString keys;
    for (QChar key : lastText) {
        keys += key;
        const double ms = type(keys);
        typed += ms;
        std::printf("  typed \"%s\": %.1f ms\n", qPrintable(keys), ms);
    }
    std::printf("type %d: %.1f ms in all\n", last, typed);
    std::printf("then %d: %.1f ms\n", last - 1, type(QString::number(last - 1)));
    std::printf("then %d (beyond, corrected to %d): %.1f ms\n", last + 1, last,
                type(QString::number(last + 1)));

    // Stepping back one frame at a time over the whole animation, then
    // forward again.
    const auto steps = [&](const char* what, int from, int to) {
        const int step = from <= to ? 1 : -1;
        double worst = 0;
        double total = 0;
        int slow = 0;
        int count = 0;
        for (int frame = from; frame != to + step; frame += step) {
            const double ms = type(QString::number(frame));
            worst = std::max(worst, ms);
            total += ms;
            slow += ms > 100 ? 1 : 0;
            ++count;
        }
        std::printf("%s %d..%d: %.1f ms a frame on average, %.1f ms at worst, %d of %d steps "
                    "over 100 ms\n",
                    what, from, to, total / count, worst, slow, count);
    };
    const int back = stepCount > 0 ? std::min(stepCount, last) : last;
    steps("step back", last - 1, last - back);
    steps("step forward", last - back + 1, last);
    SetUiServices(nullptr);
    return 0;
}
