// The settings store: defaults, round trips, case-insensitive names.
#include "platform/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyStoreYieldsDefaults();
    void integersRoundTripAsSigned32Bit();
    void stringsRoundTrip();
    void namesMatchRegardlessOfCase();
    void valuesSurviveANewStoreObject();
    void unreadableValuesYieldDefaults();
    void userStoreIsKeyedByMakerAndApplication();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString storePath() const { return m_dir->filePath("Rastelle.conf"); }
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsStore::emptyStoreYieldsDefaults()
{
    SettingsStore store(storePath());
    QCOMPARE(store.GetProfileInt("Option", "nRotateAngel", 0), 0);
    QCOMPARE(store.GetProfileInt("Option", "iComboPixelFormat", 4), 4);
    QCOMPARE(store.GetProfileInt("CurrentFont", "lfHeight", -13), -13);
    QCOMPARE(store.GetProfileString("Option", "CurrentLanguage", "english"),
             QStringLiteral("english"));
    QCOMPARE(store.GetProfileString("Option", "LastPhotoFolder", ""), QString());
}

void TestSettingsStore::integersRoundTripAsSigned32Bit()
{
    SettingsStore store(storePath());
    const int values[] = {0, 1, -1, 270, 257, INT_MAX, INT_MIN, -13};
    for (int value : values) {
        store.WriteProfileInt("Option", "value", value);
        QCOMPARE(store.GetProfileInt("Option", "value", 12345), value);
    }
    // A byte field stored as 257 is read back as 257; the font reader keeps
    // its low 8 bits.
    store.WriteProfileInt("CurrentFont", "lfItalic", 257);
    QCOMPARE(store.GetProfileInt("CurrentFont", "lfItalic", 0), 257);
}

void TestSettingsStore::stringsRoundTrip()
{
    SettingsStore store(storePath());
    const QString values[] = {QStringLiteral("/home/ann/Pictures/"), QString(),
                              QStringLiteral(u"Français, 中文; \"quoted\" = [x]"),
                              QString(5000, u'a')};
    for (const QString& value : values) {
        store.WriteProfileString("Option", "last_output_folder", value);
        QCOMPARE(store.GetProfileString("Option", "last_output_folder", "default"), value);
    }
}

void TestSettingsStore::namesMatchRegardlessOfCase()
{
    SettingsStore store(storePath());
    store.WriteProfileString("Option", "CurrentLanguage", "German");
    QCOMPARE(store.GetProfileString("OPTION", "currentlanguage", "x"), QStringLiteral("German"));
    // Writing under another spelling replaces the value instead of adding one.
    store.WriteProfileString("option", "CURRENTLANGUAGE", "chs");
    QCOMPARE(store.GetProfileString("Option", "CurrentLanguage", "x"), QStringLiteral("chs"));
    store.WriteProfileInt("german", "LFWEIGHT", 700);
    QCOMPARE(store.GetProfileInt("German", "lfWeight", 400), 700);
    QSettings raw(storePath(), QSettings::IniFormat);
    QCOMPARE(raw.childGroups().size(), 2);
    raw.beginGroup("Option");
    QCOMPARE(raw.childKeys(), QStringList{"CurrentLanguage"});
}

void TestSettingsStore::valuesSurviveANewStoreObject()
{
    {
        SettingsStore store(storePath());
        store.WriteProfileInt("Option", "nFlipType", 2);
        store.WriteProfileString("Option", "CurrentLanguage", "Russian");
    }
    SettingsStore again(storePath());
    QCOMPARE(again.GetProfileInt("Option", "nFlipType", 0), 2);
    QCOMPARE(again.GetProfileString("Option", "CurrentLanguage", "english"),
             QStringLiteral("Russian"));
}

void TestSettingsStore::unreadableValuesYieldDefaults()
{
    {
        QSettings raw(storePath(), QSettings::IniFormat);
        raw.setValue("Option/nRotateAngel", "ninety");
        raw.setValue("Option/iComboPixelFormat", "4294967295");
        raw.setValue("Option/huge", "99999999999999999999");
    }
    SettingsStore store(storePath());
    QCOMPARE(store.GetProfileInt("Option", "nRotateAngel", 0), 0);
    QCOMPARE(store.GetProfileInt("Option", "iComboPixelFormat", 4), -1);
    QCOMPARE(store.GetProfileInt("Option", "huge", 7), 7);

    // A store that cannot be written drops the write silently: nothing is
    // kept on disk and nothing fails.
    QFile blocker(m_dir->filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unwritable = m_dir->filePath("blocker/Rastelle.conf");
    {
        SettingsStore broken(unwritable);
        broken.WriteProfileInt("Option", "nFlipType", 1);
    }
    QVERIFY(!QFile::exists(unwritable));
    SettingsStore reopened(unwritable);
    QCOMPARE(reopened.GetProfileInt("Option", "nFlipType", 0), 0);
}

void TestSettingsStore::userStoreIsKeyedByMakerAndApplication()
{
    SettingsStore store("TOLMERA", "Rastelle");
    QVERIFY(store.location().contains("TOLMERA"));
    QVERIFY(store.location().contains("Rastelle"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
