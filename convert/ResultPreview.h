// The result of a conversion as it will be written, made small enough for
// the window's preview: the real conversion runs at the preview's size into
// a private file, and that file is read back, so what the preview shows is
// what the writer writes (palette mapping, 5-6-5 rounding, alpha and all).
#pragma once

#include "convert/ConversionPipeline.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>

class IImaging;

// What a request would write at full size: its stored width and height
// (after the turn) and the exact size of the file.
struct OutputShape
{
    int width = 0;
    int height = 0;
    std::uint64_t fileBytes = 0;
    int problemId = 0; // the message a conversion would stop with, or 0
};

// Reads the size fields as a conversion does.
OutputShape ShapeOfOutput(const ConversionRequest& request);

struct ResultPreview
{
    OutputShape shape;
    QImage pixels;   // the written file, decoded; null when there is none
    QString problem; // what a conversion would report first, when it would
};

class ResultPreviewMaker
{
public:
    explicit ResultPreviewMaker(IImaging& imaging);
    ~ResultPreviewMaker();
    ResultPreviewMaker(const ResultPreviewMaker&) = delete;
    ResultPreviewMaker& operator=(const ResultPreviewMaker&) = delete;

    // The picture (or its active frame) changed: the small copy made of it
    // is no longer valid.
    void Forget();

    // Converts the photo by the request into a file that fits the box
    // (device pixels) and reads it back. The request's output path is not
    // used; no message is shown, and the position fields are not touched.
    ResultPreview Make(GpImage* photo, const ConversionRequest& request, QSize box);

    // The picture the last result was made from: the photo itself, or a
    // reduced copy of a large one (for tests).
    GpImage* SourceFor(GpImage* photo, QSize box);

private:
    IImaging& m_imaging;
    GpBitmap* m_reduced = nullptr;
    QSize m_reducedFor; // the box the reduced copy was made for
    QTemporaryDir m_dir;
};

// The request scaled by s for a file of width × height pixels before the
// turn: positions as the conversion would correct them, then scaled, and the
// font scaled with them.
ConversionRequest ScaledRequest(const ConversionRequest& request, int outputWidth, int outputHeight,
                                int width, int height, double scale);
