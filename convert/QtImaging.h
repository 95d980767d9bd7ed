// The imaging operations on Qt: QImageReader (and LibRaw) to decode, our own
// resampler to scale, QPainter for text, our BMP writer to encode.
#pragma once

#include "convert/Imaging.h"

class QRect;

class QtImaging : public IImaging
{
public:
    GpStatus Startup() override;
    void Shutdown() override;

    GpStatus LoadImageFromFile(const QString& path, GpImage** image) override;
    GpStatus DisposeImage(GpImage* image) override;
    GpStatus GetImageWidth(GpImage* image, std::uint32_t* width) override;
    GpStatus GetImageHeight(GpImage* image, std::uint32_t* height) override;
    GpStatus GetImageHorizontalResolution(GpImage* image, float* dpi) override;
    GpStatus GetImageVerticalResolution(GpImage* image, float* dpi) override;

    GpStatus ImageGetFrameDimensionsCount(GpImage* image, std::uint32_t* count) override;
    GpStatus ImageGetFrameDimensionsList(GpImage* image, QUuid* dimensions,
                                         std::uint32_t count) override;
    GpStatus ImageGetFrameCount(GpImage* image, const QUuid& dimension,
                                std::uint32_t* count) override;
    GpStatus ImageSelectActiveFrame(GpImage* image, const QUuid& dimension,
                                    std::uint32_t index) override;

    GpStatus CreateBitmapFromScan0(int width, int height, int stride, int format,
                                   std::uint8_t* scan0, GpBitmap** bitmap) override;
    GpStatus BitmapSetResolution(GpBitmap* bitmap, float xdpi, float ydpi) override;

    GpStatus GetImageGraphicsContext(GpImage* image, GpGraphics** graphics) override;
    GpStatus CreateFromPaintDevice(QPaintDevice* device, GpGraphics** graphics) override;
    GpStatus DeleteGraphics(GpGraphics* graphics) override;
    GpStatus SetInterpolationMode(GpGraphics* graphics, int mode) override;
    GpStatus DrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                            int height) override;
    GpStatus DrawImageRectRectI(GpGraphics* graphics, GpImage* image, int dstx, int dsty,
                                int dstwidth, int dstheight, int srcx, int srcy, int srcwidth,
                                int srcheight, int srcUnit) override;

    GpStatus CreateFontFromLogfont(const LogFont& logFont, GpFont** font) override;
    GpStatus DeleteFont(GpFont* font) override;
    GpStatus CreateSolidFill(std::uint32_t argb, GpBrush** brush) override;
    GpStatus DeleteBrush(GpBrush* brush) override;
    GpStatus DrawString(GpGraphics* graphics, const QString& text, GpFont* font, float x, float y,
                        GpBrush* brush) override;

    GpStatus BitmapDither(GpBitmap* bitmap, DitherMethod method, int pixelFormat) override;
    GpStatus ImageRotateFlip(GpImage* image, int rotateFlipType) override;
    GpStatus GetImageEncoders(QList<ImageCodecInfo>* encoders) override;
    GpStatus SaveImageToFile(GpImage* image, const QString& path,
                             const QUuid& encoderClsid) override;
    GpStatus SaveImageToDevice(GpImage* image, QIODevice* device,
                               const QUuid& encoderClsid) override;

    // The decoded active frame of a picture (for tests and tools); a
    // metafile drawn at its own size over transparency.
    static QImage FrameOf(GpImage* image);

private:
    GpStatus DrawMetafile(GpGraphics* graphics, GpImage* image, const QRect& destination,
                          const QRect& source);
};

// Imaging objects alive now (every one must be freed by its maker).
int QtImagingLiveObjects();
