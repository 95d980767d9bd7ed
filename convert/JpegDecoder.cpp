#include "convert/JpegDecoder.h"

#include "convert/PagePrefault.h"
#include "convert/RotateFlip.h"

#include <QFile>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A hostile progressive file can hold thousands of tiny scans, each costing
// a pass over the whole picture; real encoders write a few dozen at most.
constexpr int kMaxScans = 500;
// Rows handed to libjpeg per call; it returns at most one row group anyway.
constexpr int kRowsPerRead = 16;
// A JPEG file is far smaller than its decoded picture; this much is read
// whole even under a tiny budget, so small pictures with big headers pass.
constexpr qint64 kMinFileAllowance = qint64(64) << 20;

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the setjmp of the step that called into libjpeg.
struct ErrorManager
{
    jpeg_error_mgr pub; // first, so libjpeg's pointer is ours too
    std::jmp_buf jump;
    bool tooManyScans;
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt data, premature end) are not failures: the picture is
// shown as far as it goes, and printing them to stderr helps nobody.
void OnMessage(j_common_ptr, int) {}

void OnProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        reinterpret_cast<ErrorManager*>(cinfo->err)->tooManyScans = true;
        (*cinfo->err->error_exit)(cinfo);
    }
}

// Each step below that calls libjpeg has its own setjmp and holds nothing but
// plain data in its frame, so a longjmp out of libjpeg skips no destructor and
// leaves no C++ object half-updated. After a failure only
// jpeg_destroy_decompress is called.

bool CreateStep(j_decompress_ptr cinfo, ErrorManager* err)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(cinfo);
    return true;
}

bool HeaderStep(j_decompress_ptr cinfo, ErrorManager* err, const unsigned char* data,
                unsigned long size)
{
    if (setjmp(err->jump))
        return false;
    jpeg_mem_src(cinfo, data, size);
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    return jpeg_read_header(cinfo, TRUE) == JPEG_HEADER_OK;
}

bool OutputSizeStep(j_decompress_ptr cinfo, ErrorManager* err)
{
    if (setjmp(err->jump))
        return false;
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

// Turns rows of CMYK bytes into RGB32 pixels in place. Adobe's files store
// the inks inverted (255 = no ink); others store them plainly.
void CmykRowsToRgb(JSAMPROW* rows, int count, JDIMENSION width, bool inverted)
{
    for (int r = 0; r < count; ++r) {
        unsigned char* p = rows[r];
        QRgb* out = reinterpret_cast<QRgb*>(p);
        for (JDIMENSION x = 0; x < width; ++x, p += 4) {
            unsigned c = p[0], m = p[1], y = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            out[x] =
                qRgb(int((c * k + 127) / 255), int((m * k + 127) / 255), int((y * k + 127) / 255));
        }
    }
}

// The prefault belongs to the caller: a jump out of here must not skip the
// end of its thread.
bool DecodeStep(j_decompress_ptr cinfo, ErrorManager* err, unsigned char* bits, qsizetype stride,
                JDIMENSION width, JDIMENSION height, int components, bool cmyk, bool invertedCmyk,
                PagePrefault& prefault)
{
    if (setjmp(err->jump))
        return false;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height ||
        cinfo->output_components != components)
        return false;
    JSAMPROW rows[kRowsPerRead];
    while (cinfo->output_scanline < height) {
        prefault.Reached(std::size_t(stride) * cinfo->output_scanline);
        const JDIMENSION first = cinfo->output_scanline;
        const int want = int(std::min<JDIMENSION>(kRowsPerRead, height - first));
        for (int i = 0; i < want; ++i)
            rows[i] = bits + qsizetype(first + JDIMENSION(i)) * stride;
        const int got = int(jpeg_read_scanlines(cinfo, rows, JDIMENSION(want)));
        // The memory source never suspends; no progress means something broke.
        if (got <= 0)
            return false;
        if (cmyk)
            CmykRowsToRgb(rows, got, width, invertedCmyk);
    }
    return true;
}

// Releases libjpeg's memory however the decode ends.
struct DecompressGuard
{
    jpeg_decompress_struct* cinfo = nullptr;
    ~DecompressGuard()
    {
        if (cinfo)
            jpeg_destroy_decompress(cinfo);
    }
};

// Reads the EXIF data of an APP1 segment: TIFF header, then IFD0 only.
// Every offset comes from the file, so each read is bounds-checked.
struct ExifInfo
{
    int orientation = 1;
    double dpiX = 0, dpiY = 0;
};

class TiffView
{
public:
    TiffView(const unsigned char* data, std::uint64_t size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }
    bool U16(std::uint64_t offset, std::uint32_t& out) const
    {
        if (offset > m_size || m_size - offset < 2)
            return false;
        const unsigned char* p = m_data + offset;
        out = m_bigEndian ? (std::uint32_t(p[0]) << 8 | p[1]) : (std::uint32_t(p[1]) << 8 | p[0]);
        return true;
    }
    bool U32(std::uint64_t offset, std::uint32_t& out) const
    {
        if (offset > m_size || m_size - offset < 4)
            return false;
        const unsigned char* p = m_data + offset;
        out = m_bigEndian ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                             std::uint32_t(p[2]) << 8 | p[3])
                          : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                             std::uint32_t(p[1]) << 8 | p[0]);
        return true;
    }
    // A RATIONAL stored at the offset in the entry's value field.
    bool Rational(std::uint64_t entry, double& out) const
    {
        std::uint32_t offset = 0, num = 0, den = 0;
        if (!U32(entry + 8, offset) || !U32(offset, num) || !U32(std::uint64_t(offset) + 4, den) ||
            den == 0)
            return false;
        out = double(num) / double(den);
        return true;
    }

private:
    const unsigned char* m_data;
    std::uint64_t m_size;
    bool m_bigEndian;
};

ExifInfo ParseExif(const unsigned char* data, std::uint64_t size)
{
    ExifInfo info;
    static const char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < 6 + 8 || std::memcmp(data, kExif, 6) != 0)
        return info;
    data += 6;
    size -= 6;
    bool bigEndian;
    if (data[0] == 'I' && data[1] == 'I')
        bigEndian = false;
    else if (data[0] == 'M' && data[1] == 'M')
        bigEndian = true;
    else
        return info;
    const TiffView tiff(data, size, bigEndian);
    std::uint32_t magic = 0, ifd = 0, count = 0;
    if (!tiff.U16(2, magic) || magic != 42 || !tiff.U32(4, ifd) || !tiff.U16(ifd, count))
        return info;
    double resX = 0, resY = 0;
    std::uint32_t unit = 2; // inches when the tag is absent
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t(ifd) + 2 + std::uint64_t(i) * 12;
        std::uint32_t tag = 0, type = 0, n = 0;
        if (!tiff.U16(entry, tag) || !tiff.U16(entry + 2, type) || !tiff.U32(entry + 4, n) ||
            entry + 12 > size)
            break;
        if (n < 1)
            continue;
        constexpr std::uint32_t kShort = 3, kRational = 5;
        std::uint32_t value = 0;
        if (tag == 0x0112 && type == kShort && tiff.U16(entry + 8, value) && value >= 1 &&
            value <= 8)
            info.orientation = int(value);
        else if (tag == 0x011A && type == kRational)
            tiff.Rational(entry, resX);
        else if (tag == 0x011B && type == kRational)
            tiff.Rational(entry, resY);
        else if (tag == 0x0128 && type == kShort && tiff.U16(entry + 8, value))
            unit = value;
    }
    const double factor = unit == 2 ? 1.0 : unit == 3 ? 2.54 : 0.0;
    // Absurd values are as good as none.
    if (factor > 0 && resX > 0 && resY > 0 && resX * factor < 1e6 && resY * factor < 1e6) {
        info.dpiX = resX * factor;
        info.dpiY = resY * factor;
    }
    return info;
}

// EXIF orientations as rotate-flip codes (rotate clockwise, then mirror left
// to right): 2 mirror, 3 half turn, 4 top-bottom mirror, 5 transpose,
// 6 quarter turn clockwise, 7 transverse, 8 quarter turn anticlockwise.
int RotateFlipForOrientation(int orientation)
{
    static constexpr int kCodes[9] = {0, 0, 4, 2, 6, 5, 1, 7, 3};
    return orientation >= 1 && orientation <= 8 ? kCodes[orientation] : 0;
}

bool ReadWhole(const QString& path, std::uint64_t maxBytes, QByteArray& bytes, bool& tooLarge)
{
    tooLarge = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    const qint64 limit =
        std::max<qint64>(kMinFileAllowance, qint64(std::min<std::uint64_t>(maxBytes, 1ull << 62)));
    if (size > limit) {
        tooLarge = true;
        return false;
    }
    if (size <= 0)
        return false;
    // Read in place rather than readAll, which would grow a buffer step by step.
    bytes.resize(size);
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(bytes.data() + done, size - done);
        if (n <= 0)
            break;
        done += n;
    }
    bytes.resize(done); // the file may have shrunk meanwhile
    return true;
}

bool StartsLikeJpeg(const QByteArray& bytes)
{
    return bytes.size() >= 3 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8 &&
           uchar(bytes[2]) == 0xFF;
}

} // namespace

bool LooksLikeJpeg(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return StartsLikeJpeg(file.read(3));
}

JpegDecodeResult DecodeJpegFile(const QString& path, std::uint64_t maxBytes, int scaleDenominator)
{
    using Status = JpegDecodeResult::Status;
    JpegDecodeResult result;

    QByteArray bytes;
    bool fileTooLarge = false;
    if (!ReadWhole(path, maxBytes, bytes, fileTooLarge)) {
        result.status = fileTooLarge ? Status::TooLarge : Status::NotJpeg;
        return result;
    }
    if (!StartsLikeJpeg(bytes))
        return result;

    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    result.status = Status::Broken;

    DecompressGuard guard;
    if (!CreateStep(&cinfo, &err))
        return result;
    guard.cinfo = &cinfo;

    // libjpeg's own buffers (whole-image coefficients for progressive files)
    // are held to the budget too; past it libjpeg fails instead of allocating.
    cinfo.mem->max_memory_to_use = long(std::min<std::uint64_t>(maxBytes, 0x7FFFFFFFFFFFFFFFull));
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;

    if (!HeaderStep(&cinfo, &err, reinterpret_cast<const unsigned char*>(bytes.constData()),
                    static_cast<unsigned long>(bytes.size())))
        return result;

    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (grey)
        cinfo.out_color_space = JCS_GRAYSCALE;
    else if (cmyk)
        cinfo.out_color_space = JCS_CMYK; // converted to RGB32 in place below
    else
        // RGB32 is 0xffRRGGBB in native order; the alpha variants promise 0xFF
        // in the fourth byte, which QImage needs.
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    // ISLOW is the accurate DCT; IFAST measured no faster here and less exact.
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    if (scaleDenominator == 2 || scaleDenominator == 4 || scaleDenominator == 8) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = unsigned(scaleDenominator);
    }
    if (!OutputSizeStep(&cinfo, &err))
        return result;

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    const int components = grey ? 1 : 4;
    if (width == 0 || height == 0 || cinfo.output_components != components)
        return result;
    // The budget is in RGB32 terms, so grey counts four bytes a pixel too.
    if (std::uint64_t(width) * std::uint64_t(height) * 4 > maxBytes) {
        result.status = Status::TooLarge;
        return result;
    }

    QImage image =
        QImage(int(width), int(height), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (image.isNull()) {
        result.status = Status::TooLarge;
        return result;
    }
    bool decoded = false;
    {
        PagePrefault prefault(image.bits(), std::size_t(image.sizeInBytes()));
        decoded = DecodeStep(&cinfo, &err, image.bits(), image.bytesPerLine(), width, height,
                             components, cmyk, cinfo.saw_Adobe_marker != 0, prefault);
    }
    if (!decoded) {
        const int code = err.pub.msg_code;
        if (!err.tooManyScans && (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE))
            result.status = Status::TooLarge;
        return result;
    }

    ExifInfo exif;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            exif = ParseExif(m->data, m->data_length);
            break;
        }
    }
    if (cinfo.saw_JFIF_marker && (cinfo.density_unit == 1 || cinfo.density_unit == 2) &&
        cinfo.X_density > 0 && cinfo.Y_density > 0) {
        const double factor = cinfo.density_unit == 2 ? 2.54 : 1.0;
        result.dpiX = cinfo.X_density * factor;
        result.dpiY = cinfo.Y_density * factor;
    } else {
        result.dpiX = exif.dpiX;
        result.dpiY = exif.dpiY;
    }
    result.exifOrientation = exif.orientation;
    if (!RotateFlipImage(image, RotateFlipForOrientation(exif.orientation))) {
        // the turned copy did not fit in memory
        result.status = Status::TooLarge;
        return result;
    }
    result.image = std::move(image);
    result.status = Status::Ok;
    return result;
}
