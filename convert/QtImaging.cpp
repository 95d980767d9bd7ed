#include "convert/QtImaging.h"

#include "convert/BmpWriter.h"
#include "convert/Dither.h"
#include "convert/MetafilePicture.h"
#include "convert/PhotoDecoder.h"
#include "convert/PixelConversion.h"
#include "convert/Resampler.h"
#include "convert/RotateFlip.h"
#include "dib/MemoryBudget.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>

#include <atomic>
#include <cmath>
#include <optional>

const QUuid FrameDimensionTime("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
const QUuid FrameDimensionResolution("{84236F7B-3BD3-428F-8DAB-4EA1439CA315}");
const QUuid FrameDimensionPage("{7462DC86-6180-4C7E-8E3F-EE7333A7A483}");
const QUuid BmpEncoderClsid("{557CF400-1A04-11D3-9A73-0000F81EF32E}");

namespace {

std::atomic<int> g_liveObjects{0};

struct LiveCount
{
    LiveCount() { ++g_liveObjects; }
    ~LiveCount() { --g_liveObjects; }
    LiveCount(const LiveCount&) = delete;
    LiveCount& operator=(const LiveCount&) = delete;
};

std::optional<BmpFormat> BmpFormatFor(int pixelFormat)
{
    switch (pixelFormat) {
    case PixelFormat16bppRGB565:
        return BmpFormat::Rgb565;
    case PixelFormat24bppRGB:
        return BmpFormat::Rgb24;
    case PixelFormat32bppRGB:
        return BmpFormat::Rgb32;
    case PixelFormat32bppARGB:
        return BmpFormat::Argb32;
    case PixelFormat32bppPARGB:
        return BmpFormat::Pargb32;
    case PixelFormat64bppARGB:
        return BmpFormat::Argb64;
    case PixelFormat64bppPARGB:
        return BmpFormat::Pargb64;
    default:
        return std::nullopt;
    }
}

constexpr float kDefaultDpi = 96.0f;

// The format a working bitmap is drawn in when nothing is known of the
// picture. The 8-bit opaque layouts are drawn in 32-bit RGB: painting is
// fastest there, a same-size photo needs no copy at all, and the writer packs
// the rows (rounding to 5-6-5 from the drawn value) as it goes.
QImage::Format DrawingFormatFor(BmpFormat format)
{
    return format == BmpFormat::Rgb24 || format == BmpFormat::Rgb565 ? QImage::Format_RGB32
                                                                     : WorkingFormatFor(format);
}

// The scaled picture as a working bitmap's pixels, each value rounded once
// from the picture's own. Layouts without alpha get the colours over black,
// as drawing onto a zero-filled bitmap gives; 5-6-5 keeps 16-bit channels
// for the writer to round. Straight alpha stays straight, and the 64-bit
// layouts take either form, so an unscaled picture comes through exactly.
QImage BitmapPixelsFor(BmpFormat format, const QImage& scaled)
{
    switch (format) {
    case BmpFormat::Rgb565:
        return OverBlack(scaled, HasWideChannels(scaled.format()) ? QImage::Format_RGBX64
                                                                  : QImage::Format_RGB32);
    case BmpFormat::Rgb24:
    case BmpFormat::Rgb32:
        return OverBlack(scaled, QImage::Format_RGB32);
    case BmpFormat::Argb32:
    case BmpFormat::Pargb32:
        return ConvertPixels(scaled, WorkingFormatFor(format));
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64:
        return ConvertPixels(scaled,
                             scaled.pixelFormat().premultiplied() == QPixelFormat::Premultiplied
                                 ? QImage::Format_RGBA64_Premultiplied
                                 : QImage::Format_RGBA64);
    }
    return OverBlack(scaled, QImage::Format_RGB32);
}

// The formats whose pixels the writer converts a band at a time exactly as
// BitmapPixelsFor would convert them whole: a picture for one of them is
// kept as it is, and converted only when something draws on it.
bool WriterConverts(BmpFormat format)
{
    switch (format) {
    case BmpFormat::Argb32:
    case BmpFormat::Pargb32:
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64:
        return true;
    default:
        return false;
    }
}

// What a metafile is drawn over where it draws nothing: transparent in the
// layouts with alpha, as the platform's library leaves it, and white in the
// opaque ones, where "nothing" would otherwise come out black.
QColor MetafileBackgroundFor(BmpFormat format)
{
    switch (format) {
    case BmpFormat::Argb32:
    case BmpFormat::Pargb32:
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64:
        return Qt::transparent;
    default:
        return Qt::white;
    }
}

float DpiOf(int dotsPerMeter)
{
    return dotsPerMeter > 0 ? float(dotsPerMeter * 0.0254) : kDefaultDpi;
}

} // namespace

class GpImage
{
public:
    enum class Kind
    {
        Photo,
        Metafile,
        Bitmap
    };
    explicit GpImage(Kind kind) : m_kind(kind) {}

    Kind kind() const { return m_kind; }

    // Photo.
    PhotoDecoder decoder;

    // Metafile, drawn at its own size only when its pixels are asked for.
    MetafilePicture metafile;
    mutable QImage metafilePixels;

    // Bitmap: allocated on first use, zero-filled (transparent black).
    int pixelFormat = 0;
    BmpFormat bmpFormat = BmpFormat::Rgb24;
    int width = 0;
    int height = 0;
    QImage pixels;
    // A rotate-flip not yet applied to the pixels: it is done when they are
    // next drawn on or read, or by the writer as it goes.
    int pendingRotateFlip = RotateNoneFlipNone;
    // Whether the pixels are still the drawn picture's own, not yet made
    // what BitmapPixelsFor gives: the writer converts them band by band,
    // and anything else that needs them converts them first.
    bool pendingConversion = false;
    float dpiX = kDefaultDpi;
    float dpiY = kDefaultDpi;

    // The scaled or played picture as the bitmap's whole content.
    bool TakePixels(const QImage& picture)
    {
        pendingConversion = WriterConverts(bmpFormat) &&
                            picture.format() != QImage::Format_Indexed8 &&
                            picture.depth() % 16 == 0;
        pixels = pendingConversion ? picture : BitmapPixelsFor(bmpFormat, picture);
        return !pixels.isNull();
    }

    bool ApplyPending()
    {
        if (pendingConversion) {
            QImage converted = BitmapPixelsFor(bmpFormat, pixels);
            if (converted.isNull())
                return false;
            pixels = std::move(converted);
            pendingConversion = false;
        }
        if (pendingRotateFlip == RotateNoneFlipNone)
            return true;
        if (!RotateFlipImage(pixels, pendingRotateFlip))
            return false;
        pendingRotateFlip = RotateNoneFlipNone;
        return true;
    }

    bool EnsureAllocated()
    {
        if (m_kind != Kind::Bitmap)
            return true;
        if (!pixels.isNull())
            return ApplyPending();
        pixels = QImage(width, height, DrawingFormatFor(bmpFormat));
        if (pixels.isNull())
            return false;
        pixels.fill(0);
        return true;
    }

    // The pixels as they stand; a null image when a pending rotate-flip
    // finds no memory.
    const QImage& Image()
    {
        switch (m_kind) {
        case Kind::Photo:
            return decoder.Frame();
        case Kind::Metafile:
            if (metafilePixels.isNull())
                metafilePixels = metafile.Render(metafile.Width(), metafile.Height(),
                                                 QRect(0, 0, metafile.Width(), metafile.Height()),
                                                 Qt::transparent);
            metafilePixels.setDotsPerMeterX(int(std::lround(metafile.DpiX() / 0.0254)));
            metafilePixels.setDotsPerMeterY(int(std::lround(metafile.DpiY() / 0.0254)));
            return metafilePixels;
        case Kind::Bitmap:
            break;
        }
        if (!ApplyPending()) {
            static const QImage none;
            return none;
        }
        return pixels;
    }
    int Width() const
    {
        switch (m_kind) {
        case Kind::Photo:
            return decoder.Frame().width();
        case Kind::Metafile:
            return metafile.Width();
        case Kind::Bitmap:
            break;
        }
        return width;
    }
    int Height() const
    {
        switch (m_kind) {
        case Kind::Photo:
            return decoder.Frame().height();
        case Kind::Metafile:
            return metafile.Height();
        case Kind::Bitmap:
            break;
        }
        return height;
    }

private:
    Kind m_kind;
    LiveCount m_count;
};

class GpGraphics
{
public:
    GpImage* target = nullptr;      // a bitmap, or
    QPaintDevice* device = nullptr; // a window's surface
    int interpolationMode = InterpolationModeHighQualityBicubic;

private:
    LiveCount m_count;
};

class GpFont
{
public:
    QFont font;

private:
    LiveCount m_count;
};

class GpBrush
{
public:
    QColor color;

private:
    LiveCount m_count;
};

int QtImagingLiveObjects()
{
    return g_liveObjects.load();
}

GpStatus QtImaging::Startup()
{
    return Ok;
}

void QtImaging::Shutdown() {}

GpStatus QtImaging::LoadImageFromFile(const QString& path, GpImage** image)
{
    if (!image)
        return InvalidParameter;
    *image = nullptr;
    // Metafiles are told by their content, whatever the file is called.
    auto drawing = std::make_unique<GpImage>(GpImage::Kind::Metafile);
    switch (drawing->metafile.Open(path)) {
    case MetafileOpen::Ok:
        *image = drawing.release();
        return Ok;
    case MetafileOpen::Unusable:
        return UnknownImageFormat;
    case MetafileOpen::NotMetafile:
        break;
    }
    drawing.reset();
    auto photo = std::make_unique<GpImage>(GpImage::Kind::Photo);
    switch (photo->decoder.Open(path)) {
    case DecodeResult::Ok:
        break;
    case DecodeResult::NotFound:
        return FileNotFound;
    case DecodeResult::TooLarge:
        return OutOfMemory;
    case DecodeResult::Unreadable:
        return UnknownImageFormat;
    }
    *image = photo.release();
    return Ok;
}

GpStatus QtImaging::DisposeImage(GpImage* image)
{
    if (!image)
        return InvalidParameter;
    delete image;
    return Ok;
}

GpStatus QtImaging::GetImageWidth(GpImage* image, std::uint32_t* width)
{
    if (!image || !width)
        return InvalidParameter;
    *width = std::uint32_t(image->Width());
    return Ok;
}

GpStatus QtImaging::GetImageHeight(GpImage* image, std::uint32_t* height)
{
    if (!image || !height)
        return InvalidParameter;
    *height = std::uint32_t(image->Height());
    return Ok;
}

GpStatus QtImaging::GetImageHorizontalResolution(GpImage* image, float* dpi)
{
    if (!image || !dpi)
        return InvalidParameter;
    if (image->kind() == GpImage::Kind::Metafile)
        *dpi = float(image->metafile.DpiX());
    else
        *dpi = image->kind() == GpImage::Kind::Bitmap ? image->dpiX
                                                      : DpiOf(image->Image().dotsPerMeterX());
    return Ok;
}

GpStatus QtImaging::GetImageVerticalResolution(GpImage* image, float* dpi)
{
    if (!image || !dpi)
        return InvalidParameter;
    if (image->kind() == GpImage::Kind::Metafile)
        *dpi = float(image->metafile.DpiY());
    else
        *dpi = image->kind() == GpImage::Kind::Bitmap ? image->dpiY
                                                      : DpiOf(image->Image().dotsPerMeterY());
    return Ok;
}

GpStatus QtImaging::ImageGetFrameDimensionsCount(GpImage* image, std::uint32_t* count)
{
    if (!image || !count)
        return InvalidParameter;
    *count = 1;
    return Ok;
}

GpStatus QtImaging::ImageGetFrameDimensionsList(GpImage* image, QUuid* dimensions,
                                                std::uint32_t count)
{
    if (!image || !dimensions || count != 1)
        return InvalidParameter;
    // A metafile, like a bitmap, is one page.
    dimensions[0] = image->kind() == GpImage::Kind::Photo ? image->decoder.Info().dimension
                                                          : FrameDimensionPage;
    return Ok;
}

GpStatus QtImaging::ImageGetFrameCount(GpImage* image, const QUuid& dimension, std::uint32_t* count)
{
    if (!image || !count)
        return InvalidParameter;
    if (image->kind() != GpImage::Kind::Photo) {
        *count = dimension == FrameDimensionPage ? 1 : 0;
        return dimension == FrameDimensionPage ? Ok : InvalidParameter;
    }
    if (dimension != image->decoder.Info().dimension)
        return InvalidParameter;
    *count = std::uint32_t(image->decoder.Info().frameCount);
    return Ok;
}

GpStatus QtImaging::ImageSelectActiveFrame(GpImage* image, const QUuid& dimension,
                                           std::uint32_t index)
{
    if (!image)
        return InvalidParameter;
    if (image->kind() != GpImage::Kind::Photo)
        return dimension == FrameDimensionPage && index == 0 ? Ok : InvalidParameter;
    if (dimension != image->decoder.Info().dimension ||
        index >= std::uint32_t(image->decoder.Info().frameCount))
        return InvalidParameter;
    switch (image->decoder.SelectFrame(int(index))) {
    case DecodeResult::Ok:
        return Ok;
    case DecodeResult::TooLarge:
        return OutOfMemory;
    default:
        return GenericError;
    }
}

GpStatus QtImaging::CreateBitmapFromScan0(int width, int height, int stride, int format,
                                          std::uint8_t* scan0, GpBitmap** bitmap)
{
    if (!bitmap)
        return InvalidParameter;
    *bitmap = nullptr;
    // Only bitmaps that own their pixels are made here.
    if (width <= 0 || height <= 0 || stride != 0 || scan0)
        return InvalidParameter;
    const std::optional<BmpFormat> bmpFormat = BmpFormatFor(format);
    if (!bmpFormat)
        return InvalidParameter;
    const int bytesPerPixel =
        QImage::toPixelFormat(DrawingFormatFor(*bmpFormat)).bitsPerPixel() / 8;
    if (!FitsImageBudget(width, height, bytesPerPixel))
        return OutOfMemory;
    auto result = std::make_unique<GpImage>(GpImage::Kind::Bitmap);
    result->pixelFormat = format;
    result->bmpFormat = *bmpFormat;
    result->width = width;
    result->height = height;
    *bitmap = result.release();
    return Ok;
}

GpStatus QtImaging::BitmapSetResolution(GpBitmap* bitmap, float xdpi, float ydpi)
{
    if (!bitmap || bitmap->kind() != GpImage::Kind::Bitmap || !(xdpi > 0) || !(ydpi > 0) ||
        !std::isfinite(xdpi) || !std::isfinite(ydpi))
        return InvalidParameter;
    bitmap->dpiX = xdpi;
    bitmap->dpiY = ydpi;
    return Ok;
}

GpStatus QtImaging::GetImageGraphicsContext(GpImage* image, GpGraphics** graphics)
{
    if (!graphics)
        return InvalidParameter;
    *graphics = nullptr;
    if (!image || image->kind() != GpImage::Kind::Bitmap)
        return InvalidParameter;
    auto result = std::make_unique<GpGraphics>();
    result->target = image;
    *graphics = result.release();
    return Ok;
}

GpStatus QtImaging::CreateFromPaintDevice(QPaintDevice* device, GpGraphics** graphics)
{
    if (!graphics)
        return InvalidParameter;
    *graphics = nullptr;
    if (!device)
        return InvalidParameter;
    auto result = std::make_unique<GpGraphics>();
    result->device = device;
    *graphics = result.release();
    return Ok;
}

GpStatus QtImaging::DeleteGraphics(GpGraphics* graphics)
{
    if (!graphics)
        return InvalidParameter;
    delete graphics;
    return Ok;
}

GpStatus QtImaging::SetInterpolationMode(GpGraphics* graphics, int mode)
{
    if (!graphics || mode < 0 || mode > 7)
        return InvalidParameter;
    graphics->interpolationMode = mode;
    return Ok;
}

GpStatus QtImaging::DrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                                   int height)
{
    if (!image)
        return InvalidParameter;
    return DrawImageRectRectI(graphics, image, x, y, width, height, 0, 0, image->Width(),
                              image->Height(), UnitPixel);
}

GpStatus QtImaging::DrawImageRectRectI(GpGraphics* graphics, GpImage* image, int dstx, int dsty,
                                       int dstwidth, int dstheight, int srcx, int srcy,
                                       int srcwidth, int srcheight, int srcUnit)
{
    if (!graphics || !image || srcUnit != UnitPixel || dstwidth <= 0 || dstheight <= 0 ||
        srcwidth <= 0 || srcheight <= 0)
        return InvalidParameter;
    if (image->kind() == GpImage::Kind::Metafile)
        return DrawMetafile(graphics, image, QRect(dstx, dsty, dstwidth, dstheight),
                            QRect(srcx, srcy, srcwidth, srcheight));
    const QImage& whole = image->Image();
    const QRect source = QRect(srcx, srcy, srcwidth, srcheight).intersected(whole.rect());
    if (whole.isNull() || source.isEmpty())
        return InvalidParameter;
    const QImage cropped = source == whole.rect() ? whole : whole.copy(source);

    if (graphics->device) {
        // A window: Qt's smooth scaling is good enough for a preview.
        QPainter painter(graphics->device);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, graphics->interpolationMode != 5);
        painter.drawImage(QRect(dstx, dsty, dstwidth, dstheight), cropped);
        return Ok;
    }

    GpImage* target = graphics->target;
    const bool fillsTarget = dstx == 0 && dsty == 0 && dstwidth == target->width &&
                             dstheight == target->height && target->pixels.isNull();
    const int bytesPerPixel = 8;
    if (!FitsImageBudget(dstwidth, dstheight, bytesPerPixel))
        return OutOfMemory;
    QImage scaled = ResampleBicubic(cropped, dstwidth, dstheight);
    if (scaled.isNull())
        return OutOfMemory;

    if (fillsTarget) {
        // Drawn over a fresh, all-zero bitmap: the result is the scaled
        // picture itself (over black where the bitmap has no alpha).
        return target->TakePixels(scaled) ? Ok : OutOfMemory;
    }
    if (!target->EnsureAllocated())
        return OutOfMemory;
    QPainter painter(&target->pixels);
    painter.drawImage(QPoint(dstx, dsty), scaled);
    return Ok;
}

// A metafile is played at the size it is drawn at, never scaled as pixels.
GpStatus QtImaging::DrawMetafile(GpGraphics* graphics, GpImage* image, const QRect& destination,
                                 const QRect& source)
{
    const QRect whole(0, 0, image->Width(), image->Height());
    if (source.intersected(whole).isEmpty())
        return InvalidParameter;
    if (graphics->device) {
        // A window: what the picture leaves undrawn shows the window.
        const QImage drawn = image->metafile.Render(destination.width(), destination.height(),
                                                    source, Qt::transparent);
        if (drawn.isNull())
            return OutOfMemory;
        QPainter painter(graphics->device);
        painter.drawImage(destination.topLeft(), drawn);
        return Ok;
    }
    GpImage* target = graphics->target;
    const QImage drawn = image->metafile.Render(destination.width(), destination.height(), source,
                                                MetafileBackgroundFor(target->bmpFormat));
    if (drawn.isNull())
        return OutOfMemory;
    if (destination == QRect(0, 0, target->width, target->height) && target->pixels.isNull()) {
        return target->TakePixels(drawn) ? Ok : OutOfMemory;
    }
    if (!target->EnsureAllocated())
        return OutOfMemory;
    QPainter painter(&target->pixels);
    painter.drawImage(destination.topLeft(), drawn);
    return Ok;
}

GpStatus QtImaging::CreateFontFromLogfont(const LogFont& logFont, GpFont** font)
{
    if (!font)
        return InvalidParameter;
    *font = nullptr;
    if (!IsUsableLogFont(logFont))
        return InvalidParameter;
    auto result = std::make_unique<GpFont>();
    result->font = ToQFont(logFont);
    *font = result.release();
    return Ok;
}

GpStatus QtImaging::DeleteFont(GpFont* font)
{
    if (!font)
        return InvalidParameter;
    delete font;
    return Ok;
}

GpStatus QtImaging::CreateSolidFill(std::uint32_t argb, GpBrush** brush)
{
    if (!brush)
        return InvalidParameter;
    auto result = std::make_unique<GpBrush>();
    result->color = QColor::fromRgba(argb);
    *brush = result.release();
    return Ok;
}

GpStatus QtImaging::DeleteBrush(GpBrush* brush)
{
    if (!brush)
        return InvalidParameter;
    delete brush;
    return Ok;
}

GpStatus QtImaging::DrawString(GpGraphics* graphics, const QString& text, GpFont* font, float x,
                               float y, GpBrush* brush)
{
    if (!graphics || !font || !brush)
        return InvalidParameter;
    if (text.isEmpty())
        return Ok;
    std::optional<QPainter> painter;
    if (graphics->device) {
        painter.emplace(graphics->device);
    } else {
        if (!graphics->target->EnsureAllocated())
            return OutOfMemory;
        painter.emplace(&graphics->target->pixels);
    }
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setFont(font->font);
    painter->setPen(brush->color);
    // One line, its box's top-left corner at (x, y); nothing wraps, and what
    // falls beyond the picture is cut off by the picture's own edges.
    const QFontMetricsF metrics(font->font);
    painter->drawText(QPointF(x, y + metrics.ascent()), text);
    return Ok;
}

GpStatus QtImaging::BitmapDither(GpBitmap* bitmap, DitherMethod method, int pixelFormat)
{
    const std::optional<DitherTarget> target = DitherTargetFor(pixelFormat);
    if (!bitmap || bitmap->kind() != GpImage::Kind::Bitmap || !target)
        return InvalidParameter;
    if (method == DitherMethod::None)
        return Ok;
    if (!bitmap->EnsureAllocated())
        return OutOfMemory;
    const QImage::Format format = bitmap->pixels.format();
    if (format != QImage::Format_RGB32 &&
        !(format == QImage::Format_RGBX64 && *target == DitherTarget::Rgb565))
        return InvalidParameter;
    return DitherImage(bitmap->pixels, method, *target) ? Ok : OutOfMemory;
}

GpStatus QtImaging::ImageRotateFlip(GpImage* image, int rotateFlipType)
{
    if (!image || image->kind() != GpImage::Kind::Bitmap || rotateFlipType < 0 ||
        rotateFlipType > 7)
        return InvalidParameter;
    if (rotateFlipType == RotateNoneFlipNone)
        return Ok;
    const bool sideways = (rotateFlipType & 3) % 2 != 0;
    if (image->pixels.isNull()) {
        // Nothing drawn yet: a blank bitmap turned is blank.
    } else if (image->pixels.depth() == 16 || image->pixels.depth() == 32 ||
               image->pixels.depth() == 64) {
        // Left for the writer to do band by band, unless more comes first.
        if (image->pendingRotateFlip != RotateNoneFlipNone && !image->ApplyPending())
            return OutOfMemory;
        image->pendingRotateFlip = rotateFlipType;
    } else if (!RotateFlipImage(image->pixels, rotateFlipType)) {
        return OutOfMemory;
    }
    if (sideways) {
        std::swap(image->width, image->height);
        std::swap(image->dpiX, image->dpiY);
    }
    return Ok;
}

GpStatus QtImaging::GetImageEncoders(QList<ImageCodecInfo>* encoders)
{
    if (!encoders)
        return InvalidParameter;
    encoders->clear();
    encoders->append(
        {BmpEncoderClsid, QStringLiteral("Built-in BMP Codec"), QStringLiteral("image/bmp")});
    return Ok;
}

GpStatus QtImaging::SaveImageToDevice(GpImage* image, QIODevice* device, const QUuid& encoderClsid)
{
    if (!image || !device || encoderClsid != BmpEncoderClsid)
        return InvalidParameter;
    // A bitmap's pending turn and conversion are left to the writer, which
    // does them a band at a time.
    int rotateFlip = RotateNoneFlipNone;
    const QImage* source = nullptr;
    if (image->kind() == GpImage::Kind::Bitmap) {
        if (image->pixels.isNull() && !image->EnsureAllocated())
            return OutOfMemory;
        rotateFlip = image->pendingRotateFlip;
        source = &image->pixels;
    } else {
        source = &image->Image();
    }
    const QImage& pixels = *source;
    if (pixels.isNull())
        return InvalidParameter;
    BmpFormat format = image->bmpFormat;
    float dpiX = image->dpiX;
    float dpiY = image->dpiY;
    if (image->kind() != GpImage::Kind::Bitmap) {
        format = pixels.hasAlphaChannel() ? BmpFormat::Argb32 : BmpFormat::Rgb24;
        dpiX = DpiOf(pixels.dotsPerMeterX());
        dpiY = DpiOf(pixels.dotsPerMeterY());
    }
    return WriteBmp(pixels, format, dpiX, dpiY, *device, rotateFlip) ? Ok : Win32Error;
}

GpStatus QtImaging::SaveImageToFile(GpImage* image, const QString& path, const QUuid& encoderClsid)
{
    if (!image || path.isEmpty())
        return InvalidParameter;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.error() == QFileDevice::PermissionsError ? AccessDenied : Win32Error;
    const GpStatus status = SaveImageToDevice(image, &file, encoderClsid);
    file.close();
    if (status != Ok)
        file.remove();
    return status;
}

QImage QtImaging::FrameOf(GpImage* image)
{
    return image ? image->Image() : QImage();
}
