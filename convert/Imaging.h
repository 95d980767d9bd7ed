// The imaging operations the program relies on, behind one interface. Every
// call returns a status, 0 for success, in the manner of the imaging library
// the design grew up with; objects are made and freed through the interface.
#pragma once

#include "language/LogFont.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <cstdint>

class QPaintDevice;
class QIODevice;
enum class DitherMethod;

// Status values.
enum GpStatus : int
{
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
};

// Pixel-format codes.
enum PixelFormat : int
{
    PixelFormat1bppIndexed = 0x30101,
    PixelFormat4bppIndexed = 0x30402,
    PixelFormat8bppIndexed = 0x30803,
    PixelFormat16bppRGB565 = 0x21006,
    PixelFormat24bppRGB = 0x21808,
    PixelFormat32bppRGB = 0x22009,
    PixelFormat32bppARGB = 0x26200A,
    PixelFormat32bppPARGB = 0xE200B,
    PixelFormat64bppARGB = 0x34400D,
    PixelFormat64bppPARGB = 0x1C400E,
};

// Rotate-flip codes: rotate clockwise, then mirror (X: left to right,
// Y: top to bottom).
enum RotateFlipType : int
{
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
    RotateNoneFlipY = Rotate180FlipX,
    Rotate90FlipY = Rotate270FlipX,
    Rotate180FlipY = RotateNoneFlipX,
    Rotate270FlipY = Rotate90FlipX,
};

constexpr int InterpolationModeHighQualityBicubic = 7;
constexpr int UnitPixel = 2;

// Frame dimensions.
extern const QUuid FrameDimensionTime;
extern const QUuid FrameDimensionResolution;
extern const QUuid FrameDimensionPage;

// The BMP encoder's class identifier.
extern const QUuid BmpEncoderClsid;

struct ImageCodecInfo
{
    QUuid clsid;
    QString codecName;
    QString mimeType;
};

// Opaque objects, defined by the implementation.
class GpImage;
class GpGraphics;
class GpFont;
class GpBrush;
using GpBitmap = GpImage;

class IImaging
{
public:
    virtual ~IImaging() = default;

    virtual GpStatus Startup() = 0;
    virtual void Shutdown() = 0;

    // Pictures.
    virtual GpStatus LoadImageFromFile(const QString& path, GpImage** image) = 0;
    virtual GpStatus DisposeImage(GpImage* image) = 0;
    virtual GpStatus GetImageWidth(GpImage* image, std::uint32_t* width) = 0;
    virtual GpStatus GetImageHeight(GpImage* image, std::uint32_t* height) = 0;
    virtual GpStatus GetImageHorizontalResolution(GpImage* image, float* dpi) = 0;
    virtual GpStatus GetImageVerticalResolution(GpImage* image, float* dpi) = 0;

    // Frames.
    virtual GpStatus ImageGetFrameDimensionsCount(GpImage* image, std::uint32_t* count) = 0;
    virtual GpStatus ImageGetFrameDimensionsList(GpImage* image, QUuid* dimensions,
                                                 std::uint32_t count) = 0;
    virtual GpStatus ImageGetFrameCount(GpImage* image, const QUuid& dimension,
                                        std::uint32_t* count) = 0;
    virtual GpStatus ImageSelectActiveFrame(GpImage* image, const QUuid& dimension,
                                            std::uint32_t index) = 0;

    // Bitmaps to draw into.
    virtual GpStatus CreateBitmapFromScan0(int width, int height, int stride, int format,
                                           std::uint8_t* scan0, GpBitmap** bitmap) = 0;
    virtual GpStatus BitmapSetResolution(GpBitmap* bitmap, float xdpi, float ydpi) = 0;

    // Drawing.
    virtual GpStatus GetImageGraphicsContext(GpImage* image, GpGraphics** graphics) = 0;
    // A drawing surface on a window or widget (the preview).
    virtual GpStatus CreateFromPaintDevice(QPaintDevice* device, GpGraphics** graphics) = 0;
    virtual GpStatus DeleteGraphics(GpGraphics* graphics) = 0;
    virtual GpStatus SetInterpolationMode(GpGraphics* graphics, int mode) = 0;
    virtual GpStatus DrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                                    int height) = 0;
    virtual GpStatus DrawImageRectRectI(GpGraphics* graphics, GpImage* image, int dstx, int dsty,
                                        int dstwidth, int dstheight, int srcx, int srcy,
                                        int srcwidth, int srcheight, int srcUnit) = 0;

    // Text.
    virtual GpStatus CreateFontFromLogfont(const LogFont& logFont, GpFont** font) = 0;
    virtual GpStatus DeleteFont(GpFont* font) = 0;
    virtual GpStatus CreateSolidFill(std::uint32_t argb, GpBrush** brush) = 0;
    virtual GpStatus DeleteBrush(GpBrush* brush) = 0;
    // Draws a single line with its layout box's top-left corner at (x, y);
    // a box of zero size means no wrapping and no clipping but the image's.
    virtual GpStatus DrawString(GpGraphics* graphics, const QString& text, GpFont* font, float x,
                                float y, GpBrush* brush) = 0;

    // Reduces a bitmap's colours, in place, to those an output pixel format
    // of few colours holds (1, 4 or 8 bits indexed, 16 bits 5-6-5), with the
    // given dithering; the bitmap keeps its own format. See convert/Dither.h.
    virtual GpStatus BitmapDither(GpBitmap*, DitherMethod, int /*pixelFormat*/)
    {
        return NotImplemented;
    }

    // Rotation, encoding.
    virtual GpStatus ImageRotateFlip(GpImage* image, int rotateFlipType) = 0;
    virtual GpStatus GetImageEncoders(QList<ImageCodecInfo>* encoders) = 0;
    virtual GpStatus SaveImageToFile(GpImage* image, const QString& path,
                                     const QUuid& encoderClsid) = 0;
    // The same, to an open device (for writing through a temporary file).
    virtual GpStatus SaveImageToDevice(GpImage* image, QIODevice* device,
                                       const QUuid& encoderClsid) = 0;
};
