// Draws one metafile into a PNG, for looking at the player's work:
//   rastelle-metafile-render in.emf out.png [width height [reference.png]]
// Without a size the picture's own is used. With a reference rendering it
// also prints the share of pixels that differ from it: both at half size,
// by more than 64 levels in a channel.
#include "metafile/Metafile.h"
#include "metafile/qt/QtCanvas.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Percent of pixels that differ by more than 64 levels in a channel, both
// pictures composed over white and halved, so anti-aliasing counts little.
double DifferingShare(const QImage& ours, const QImage& reference)
{
    const QSize half((reference.width() + 1) / 2, (reference.height() + 1) / 2);
    const auto prepare = [&](const QImage& image) {
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
        painter.end();
        return opaque.scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage a = prepare(ours), b = prepare(reference);
    std::size_t differing = 0;
    for (int y = 0; y < half.height(); ++y) {
        for (int x = 0; x < half.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 64 || std::abs(qGreen(p) - qGreen(q)) > 64 ||
                std::abs(qBlue(p) - qBlue(q)) > 64)
                ++differing;
        }
    }
    return 100.0 * double(differing) / double(std::max(1, half.width() * half.height()));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s in.emf|in.wmf out.png [width height [reference.png]]\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray data = file.readAll();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                              std::size_t(data.size()));
    metafile::MetafileInfo info;
    const metafile::MetafileStatus status = metafile::ReadMetafileInfo(bytes, info);
    if (status != metafile::MetafileStatus::Ok) {
        std::fprintf(stderr, "%s: %s\n", argv[1], metafile::MetafileStatusText(status));
        return 1;
    }
    int width = info.width, height = info.height;
    if (argc >= 5) {
        width = std::atoi(argv[3]);
        height = std::atoi(argv[4]);
    }
    if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
        std::fprintf(stderr, "%s: size %d x %d is not drawable\n", argv[1], width, height);
        return 1;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    metafile::PlayReport report;
    {
        metafile::QtCanvas canvas(image);
        report = metafile::PlayMetafile(bytes, canvas, {0, 0, double(width), double(height)});
    }
    std::printf("%s: %d x %d at %.1f x %.1f dpi%s, %zu records played, %zu skipped%s%s\n", argv[1], info.width,
                info.height, info.dpiX, info.dpiY, info.hasEmfPlus ? ", EMF+" : "", report.recordsPlayed,
                report.recordsSkipped, report.budgetExhausted ? ", over a limit" : "",
                report.stoppedAtDamage ? ", stopped at damage" : "");
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 6) {
        const QImage reference(QString::fromLocal8Bit(argv[5]));
        if (reference.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", argv[5]);
            return 1;
        }
        std::printf("differ %.2f %%\n", DifferingShare(image, reference));
    }
    return 0;
}
