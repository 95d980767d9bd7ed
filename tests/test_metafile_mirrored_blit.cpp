// Image parts drawn under mirroring transforms, as bitmap records with
// negative extents draw them: every pixel lands mirrored, and tiny or
// fractional mirrored blits stay inside the image.
#include "metafile/qt/QtMirroredBlit.h"

#include <QTest>
#include <cmath>
#include <random>

using metafile::DrawImagePart;

namespace {

// A width x height picture whose every pixel has its own colour.
QImage Numbered(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 * x + 10, 40 * y + 10, 200));
    return image;
}

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

class TestMetafileMirroredBlit : public QObject
{
    Q_OBJECT

private slots:
    // Each output pixel shows the source pixel its centre maps back to, for
    // flips on x, on y and on both, for the whole image and for a part of it.
    void MirroredScalesPlaceEveryPixel_data()
    {
        QTest::addColumn<double>("sx");
        QTest::addColumn<double>("sy");
        QTest::addColumn<QRectF>("part");
        QTest::newRow("x flipped") << -10.0 << 10.0 << QRectF(0, 0, 3, 2);
        QTest::newRow("y flipped") << 10.0 << -10.0 << QRectF(0, 0, 3, 2);
        QTest::newRow("both flipped") << -10.0 << -10.0 << QRectF(0, 0, 3, 2);
        QTest::newRow("part, both flipped") << -10.0 << -10.0 << QRectF(1, 1, 2, 1);
        QTest::newRow("part, y flipped") << 10.0 << -10.0 << QRectF(0, 1, 2, 1);
    }
    void MirroredScalesPlaceEveryPixel()
    {
        QFETCH(double, sx);
        QFETCH(double, sy);
        QFETCH(QRectF, part);
        const QImage source = Numbered(3, 2);
        QImage out = Blank(30, 20);
        const double dx = sx < 0 ? 30 : 0, dy = sy < 0 ? 20 : 0;
        {
            QPainter painter(&out);
            painter.setTransform(QTransform(sx, 0, 0, sy, dx, dy));
            DrawImagePart(painter, part, source);
        }
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const double u = (x + 0.5 - dx) / sx, v = (y + 0.5 - dy) / sy;
                const QRgb got = out.pixel(x, y);
                if (part.contains(u, v)) {
                    const QRgb want = source.pixel(int(std::floor(u)), int(std::floor(v)));
                    QVERIFY2(got == want, qPrintable(QString("at %1,%2").arg(x).arg(y)));
                } else {
                    QVERIFY2(qAlpha(got) == 0,
                             qPrintable(QString("outside at %1,%2").arg(x).arg(y)));
                }
            }
    }

    // Mirrored blits a fraction of a pixel in size and off the pixel grid (a
    // damaged file's StretchBlt): nothing but the source's colour appears and
    // nothing is read outside the image (the sanitizer build checks that).
    void TinyFractionalMirroredBlitsStayInside()
    {
        QImage source(10, 7, QImage::Format_ARGB32_Premultiplied);
        source.fill(Qt::red);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> unit(0, 1);
        int drawn = 0;
        for (int i = 0; i < 3000; ++i) {
            QImage out = Blank(1 + int(random() % 4), 1 + int(random() % 4));
            double sx = std::pow(10, -2 + 3 * unit(random)),
                   sy = std::pow(10, -2 + 3 * unit(random));
            if (i % 3 != 1)
                sy = -sy;
            if (i % 3 != 2)
                sx = -sx;
            {
                QPainter painter(&out);
                painter.setTransform(QTransform(sx, 0, 0, sy, unit(random) * out.width(),
                                                unit(random) * out.height()));
                DrawImagePart(painter, QRectF(0, 0, 8, 7), source);
            }
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x) {
                    const QRgb p = out.pixel(x, y);
                    QVERIFY(qAlpha(p) == 0 || p == qRgb(255, 0, 0));
                    drawn += qAlpha(p) != 0;
                }
        }
        QVERIFY(drawn > 0);
    }
};

QTEST_GUILESS_MAIN(TestMetafileMirroredBlit)
#include "test_metafile_mirrored_blit.moc"
