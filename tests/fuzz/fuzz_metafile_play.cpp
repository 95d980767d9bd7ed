// Fuzz target: a metafile's bytes read and played as the program plays
// them, onto the QPainter canvas, into a small picture whatever the header
// asks for. The sanitizers, the player's limits and the fuzzer's time and
// memory limits are the checks; beyond them it stops (abort) when a result
// breaks what must hold of any input.
#include "metafile/Metafile.h"
#include "metafile/qt/QtCanvas.h"

#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs the font database, which needs an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    metafile::MetafileInfo info;
    const metafile::MetafileStatus status = metafile::ReadMetafileInfo(bytes, info);
    if (status != metafile::MetafileStatus::Ok)
        return 0;
    Require(info.width > 0 && info.height > 0 && info.dpiX > 0 && info.dpiY > 0);

    // Small, and with the picture's proportions when they are sane.
    int width = 96, height = 96;
    if (info.width > info.height)
        height = std::max(1, int(96.0 * info.height / info.width));
    else
        width = std::max(1, int(96.0 * info.width / info.height));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    metafile::PlayLimits limits;
    limits.maxTotalPoints = 2'000'000;
    limits.maxTotalImagePixels = 16u << 20;
    limits.maxImagePixels = 4u << 20;
    {
        metafile::QtCanvas canvas(image);
        metafile::PlayMetafile(bytes, canvas, {0, 0, double(width), double(height)}, limits);
    }
    Require(image.width() == width && image.height() == height);
    return 0;
}
