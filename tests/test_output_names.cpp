// Output names: the default for a photo, and what the chooser makes of a pick.
#include "convert/OutputNames.h"

#include <QTest>

class TestOutputNames : public QObject
{
    Q_OBJECT

private slots:
    void displayName();
    void defaultOutputPath_data();
    void defaultOutputPath();
    void chooserFolder();
    void forcedBmp_data();
    void forcedBmp();
};

void TestOutputNames::displayName()
{
    QCOMPARE(GetDisplayName(QString()), std::nullopt);
    QCOMPARE(*GetDisplayName("/pics/holiday.photo.jpg"), QStringLiteral("holiday.photo.jpg"));
    QCOMPARE(*GetDisplayName("cat.png"), QStringLiteral("cat.png"));
    QCOMPARE(*GetDisplayName("http://host/a.jpg"), QStringLiteral("http://host/a.jpg"));
    QCOMPARE(*GetDisplayName("ftp://host/a.jpg"), QStringLiteral("ftp://host/a.jpg"));
}

void TestOutputNames::defaultOutputPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QString>("output");
    QTest::newRow("two dots") << "/out/"
                              << "/pics/holiday.photo.jpg"
                              << "/out/holiday.photo_out.bmp";
    QTest::newRow("no dot") << "/out/"
                            << "/pics/scan"
                            << "/out/scan_out.bmp";
    QTest::newRow("dotted folder") << "/out/"
                                   << "/my.pics/scan"
                                   << "/out/scan_out.bmp";
    QTest::newRow("hidden file") << "/out/"
                                 << "/pics/.cat"
                                 << "/out/_out.bmp";
    QTest::newRow("folder without separator") << ""
                                              << "/pics/a.tif"
                                              << "a_out.bmp";
}

void TestOutputNames::defaultOutputPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, photo);
    QFETCH(QString, output);
    QCOMPARE(DefaultOutputPath(folder, photo), output);
}

void TestOutputNames::chooserFolder()
{
    QCOMPARE(OutputChooserFolder("/out/picture.bmp"), QStringLiteral("/out"));
    QCOMPARE(OutputChooserFolder("picture.bmp"), QStringLiteral("."));
    QCOMPARE(OutputChooserFolder(QString()), QStringLiteral("."));
    QCOMPARE(OutputChooserFolder("/picture.bmp"), QString());
}

void TestOutputNames::forcedBmp_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("path");
    QTest::newRow("jpg") << "/out/picture.jpg"
                         << "/out/picture.bmp";
    QTest::newRow("none") << "/out/picture"
                          << "/out/picture.bmp";
    QTest::newRow("bmp kept") << "/out/picture.bmp"
                              << "/out/picture.bmp";
    QTest::newRow("dotted folder") << "/my.pics/result"
                                   << "/my.pics/result.bmp";
    QTest::newRow("two dots") << "/out/a.b.c"
                              << "/out/a.b.bmp";
}

void TestOutputNames::forcedBmp()
{
    QFETCH(QString, chosen);
    QFETCH(QString, path);
    QCOMPARE(ForceBmpExtension(chosen), path);
}

QTEST_GUILESS_MAIN(TestOutputNames)
#include "test_output_names.moc"
