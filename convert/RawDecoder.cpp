#include "convert/RawDecoder.h"

#include "dib/MemoryBudget.h"

#include <QFile>

#include <libraw/libraw.h>

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<LibRaw> OpenRaw(const QString& path)
{
    auto raw = std::make_unique<LibRaw>(0);
    const QByteArray name = QFile::encodeName(path);
    if (raw->open_file(name.constData()) != LIBRAW_SUCCESS)
        return nullptr;
    return raw;
}

} // namespace

bool IsCameraRawFile(const QString& path)
{
    return OpenRaw(path) != nullptr;
}

RawDecodeResult DecodeCameraRaw(const QString& path)
{
    RawDecodeResult result;
    std::unique_ptr<LibRaw> raw = OpenRaw(path);
    if (!raw)
        return result;
    const auto& sizes = raw->imgdata.sizes;
    // The raw data, the developed 16-bit image and our copy live together.
    if (!FitsImageBudget(sizes.raw_width, sizes.raw_height, 8) ||
        !FitsImageBudget(sizes.width, sizes.height, 8)) {
        result.tooLarge = true;
        return result;
    }
    raw->imgdata.params.use_camera_wb = 1;
    raw->imgdata.params.output_bps = 8;
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS)
        return result;
    int error = 0;
    libraw_processed_image_t* developed = raw->dcraw_make_mem_image(&error);
    if (!developed)
        return result;
    if (developed->type == LIBRAW_IMAGE_BITMAP && developed->bits == 8 &&
        (developed->colors == 3 || developed->colors == 1) &&
        FitsImageBudget(developed->width, developed->height, 4)) {
        const int width = developed->width;
        const int height = developed->height;
        const int colors = developed->colors;
        QImage image(width, height,
                     colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
        if (!image.isNull()) {
            const int rowBytes = width * colors;
            for (int y = 0; y < height; ++y)
                std::memcpy(image.scanLine(y), developed->data + std::size_t(y) * rowBytes,
                            rowBytes);
            result.image = image.convertToFormat(QImage::Format_RGB32);
        }
    }
    LibRaw::dcraw_clear_mem(developed);
    return result;
}
