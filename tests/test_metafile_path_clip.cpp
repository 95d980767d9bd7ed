// Shapes reaching far outside the output are cut to a box around it before
// they are painted: the painted pixels must be those of the whole shape, for
// fills under both fill rules and for plain and dashed strokes.
#include "metafile/qt/QtPathClip.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <random>

using namespace metafile;

namespace {

constexpr int kSide = 64;

QImage Blank()
{
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// A random figure of a few points, most of them far outside the output.
QPainterPath RandomFigures(std::mt19937& random, int figures, bool closed)
{
    std::uniform_real_distribution<double> far(-3000, 3000), near(-10, kSide + 10);
    QPainterPath path;
    for (int f = 0; f < figures; ++f) {
        const int points = 3 + int(random() % 6);
        for (int i = 0; i < points; ++i) {
            const QPointF p = random() % 3 == 0 ? QPointF(near(random), near(random))
                                                : QPointF(far(random), far(random));
            if (i == 0)
                path.moveTo(p);
            else
                path.lineTo(p);
        }
        if (closed)
            path.closeSubpath();
    }
    return path;
}

int DifferentPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

QRectF Box(double margin)
{
    return QRectF(-margin, -margin, kSide + 2 * margin, kSide + 2 * margin);
}

} // namespace

class TestMetafilePathClip : public QObject
{
    Q_OBJECT

private slots:
    void fillsPaintWhatTheWholeShapePaints_data()
    {
        QTest::addColumn<int>("rule");
        QTest::newRow("odd-even") << int(Qt::OddEvenFill);
        QTest::newRow("winding") << int(Qt::WindingFill);
    }
    void fillsPaintWhatTheWholeShapePaints()
    {
        QFETCH(int, rule);
        std::mt19937 random(11 + rule);
        int different = 0, painted = 0, worst = 0;
        for (int i = 0; i < 200; ++i) {
            QPainterPath path = RandomFigures(random, 1 + int(random() % 3), true);
            path.setFillRule(Qt::FillRule(rule));
            QImage whole = Blank(), cut = Blank();
            QPainter(&whole).fillPath(path, Qt::black);
            QVERIFY(ReachesOutside(path, Box(4)));
            QPainter(&cut).fillPath(ClippedForFill(path, Box(4)), Qt::black);
            const int d = DifferentPixels(whole, cut);
            worst = std::max(worst, d);
            different += d;
            painted += whole != Blank();
        }
        QVERIFY(painted > 50);
        // Cut points are rounded, so an edge may move across a pixel centre
        // now and then; never more than that.
        QVERIFY2(worst <= 12 && different <= 200,
                 qPrintable(QString("%1 in all, %2 at most").arg(different).arg(worst)));
    }

    void strokesPaintWhatTheWholeShapePaints_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("closed");
        QTest::newRow("solid, open") << int(Qt::SolidLine) << false;
        QTest::newRow("solid, closed") << int(Qt::SolidLine) << true;
    }
    void strokesPaintWhatTheWholeShapePaints()
    {
        QFETCH(int, style);
        QFETCH(bool, closed);
        std::mt19937 random(5 + style);
        const double width = 3;
        int different = 0, painted = 0, worst = 0;
        for (int i = 0; i < 200; ++i) {
            const QPainterPath path = RandomFigures(random, 1 + int(random() % 2), closed);
            QPen pen(Qt::black, width, Qt::PenStyle(style), Qt::FlatCap, Qt::MiterJoin);
            QImage whole = Blank(), cut = Blank();
            QPainter(&whole).strokePath(path, pen);
            {
                QPainter painter(&cut);
                for (const StrokeRun& run :
                     ClippedForStroke(path, Box(4 + width * pen.miterLimit()))) {
                    QPainterPath piece;
                    piece.addPolygon(run.points);
                    if (run.closed)
                        piece.closeSubpath();
                    painter.strokePath(piece, pen);
                }
            }
            const int d = DifferentPixels(whole, cut);
            worst = std::max(worst, d);
            different += d;
            painted += whole != Blank();
        }
        QVERIFY(painted > 50);
        QVERIFY2(worst <= 12 && different <= 200,
                 qPrintable(QString("%1 in all, %2 at most").arg(different).arg(worst)));
    }

    // A dashed line coming from far away keeps the phase its dashes would
    // have had, at every angle and distance: each cut-off stretch advances
    // the pattern by its length.
    void dashesKeepTheirPhase()
    {
        for (double angle = 0.1; angle < 3.2; angle += 0.4)
            for (double far : {100.0, 1000.0, 4000.0}) {
                const QPointF centre(32, 32), along(std::cos(angle), std::sin(angle));
                const QPointF corner = centre + along * 20;
                QPainterPath path;
                path.moveTo(centre - along * far);
                path.lineTo(corner);
                path.lineTo(corner + QPointF(-along.y(), along.x()) * far);
                const double width = 3;
                const QPen pen(Qt::black, width, Qt::DashDotLine, Qt::FlatCap, Qt::MiterJoin);
                QImage whole = Blank(), cut = Blank();
                QPainter(&whole).strokePath(path, pen);
                {
                    QPainter painter(&cut);
                    for (const StrokeRun& run : ClippedForStroke(path, Box(10))) {
                        QPainterPath piece;
                        piece.addPolygon(run.points);
                        QPen shifted = pen;
                        shifted.setDashOffset(run.startDistance / width);
                        painter.strokePath(piece, shifted);
                    }
                }
                QVERIFY(whole != Blank());
                QVERIFY2(DifferentPixels(whole, cut) <= 2,
                         qPrintable(QString("angle %1, %2 away: %3 pixels differ")
                                        .arg(angle)
                                        .arg(far)
                                        .arg(DifferentPixels(whole, cut))));
            }
    }

    // A figure wholly inside is handed back as it is, closed or not.
    void figuresInsideStayWhole()
    {
        QPainterPath path;
        path.addRect(10, 10, 20, 20);
        path.moveTo(5, 50);
        path.lineTo(60, 50);
        QVERIFY(!ReachesOutside(path, Box(4)));
        const std::vector<StrokeRun> runs = ClippedForStroke(path, Box(4));
        QCOMPARE(runs.size(), std::size_t(2));
        QVERIFY(runs[0].closed);
        QVERIFY(!runs[1].closed);
        QCOMPARE(runs[1].points.size(), qsizetype(2));
    }
};

QTEST_GUILESS_MAIN(TestMetafilePathClip)
#include "test_metafile_path_clip.moc"
