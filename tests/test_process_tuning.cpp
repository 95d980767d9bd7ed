// The restart with large pages: it happens once, and the programs that the
// restarted process starts get the environment the user gave it.
#include <QProcess>
#include <QTest>

class TestProcessTuning : public QObject
{
    Q_OBJECT

private slots:
    void restartLeavesTheEnvironmentAsGiven_data();
    void restartLeavesTheEnvironmentAsGiven();
};

static const QString kUnset = QStringLiteral("<unset>");

void TestProcessTuning::restartLeavesTheEnvironmentAsGiven_data()
{
    QTest::addColumn<QString>("tunables"); // as the user starts the program
    QTest::addColumn<QString>("marker");   // RASTELLE_LARGE_PAGES as given
    QTest::addColumn<bool>("restarted");   // with the setting, for glibc to read
    QTest::newRow("nothing set") << kUnset << kUnset << true;
    QTest::newRow("other tunables") << "glibc.malloc.tcache_count=5" << kUnset << true;
    QTest::newRow("the user's own choice, no restart")
        << "glibc.malloc.hugetlb=0" << kUnset << false;
    QTest::newRow("restart turned off") << kUnset << "1" << false;
}

void TestProcessTuning::restartLeavesTheEnvironmentAsGiven()
{
    QFETCH(QString, tunables);
    QFETCH(QString, marker);
    QFETCH(bool, restarted);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("GLIBC_TUNABLES");
    environment.remove("RASTELLE_LARGE_PAGES");
    if (tunables != kUnset)
        environment.insert("GLIBC_TUNABLES", tunables);
    if (marker != kUnset)
        environment.insert("RASTELLE_LARGE_PAGES", marker);
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(RASTELLE_LARGE_PAGES_PROBE), {});
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n');
    QCOMPARE(lines.value(0), "now GLIBC_TUNABLES=" + tunables);
    QCOMPARE(lines.value(1), "now RASTELLE_LARGE_PAGES=" + marker);
    QCOMPARE(lines.value(2),
             QStringLiteral("started with large pages=") + (restarted ? "yes" : "no"));
}

QTEST_GUILESS_MAIN(TestProcessTuning)
#include "test_process_tuning.moc"
