// Opening a picture without the open dialog: dropped on the window, or named
// on the command line at start.
#include "app/CPictavoApp.h"
#include "app/StartupPhoto.h"
#include "dialog/CPictavoDlg.h"
#include "dialog/PhotoDrop.h"
#include "language/CLanguage.h"
#include "platform/SettingsStore.h"
#include "resources/resource.h"
#include "support/MainDialogFixture.h"
#include "support/ModalDriver.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

const QString kOption = QStringLiteral("Option");

struct DropOutcome
{
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// Drags data over a widget of the window and lets go, as the platform's drag
// does: the widget that takes the drop is the first one up from the one under
// the pointer that takes drops at all.
DropOutcome Drop(QWidget* target, const QMimeData& data)
{
    QWidget* receiver = target;
    while (receiver && !receiver->acceptDrops() && !receiver->isWindow())
        receiver = receiver->parentWidget();
    DropOutcome outcome;
    if (!receiver || !receiver->acceptDrops())
        return outcome;
    const QPoint at = target->mapTo(receiver, target->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    outcome.enterAccepted = enter.isAccepted();
    if (!outcome.enterAccepted)
        return outcome;
    QDropEvent drop(QPointF(at), enter.dropAction(), &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
    outcome.dropAccepted = drop.isAccepted();
    // The open itself follows the drop from the event loop.
    QCoreApplication::sendPostedEvents();
    return outcome;
}

QMimeData* Urls(const QList<QUrl>& urls)
{
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QColor PreviewCentre(CPictavoDlg& dialog)
{
    const QImage shown = dialog.GetDlgItem(IDC_STATIC_PREVIEW)->grab().toImage();
    return shown.pixelColor(shown.width() / 2, shown.height() / 2);
}

} // namespace

class TestPhotoDrop : public QObject
{
    Q_OBJECT

private slots:
    void droppedFileOpensAsOpenPhotoDoes();
    void dropOnAnEditOpensTheFileToo();
    void severalFilesOpenTheFirstLocalOne();
    void whatIsNotAFileIsRefused();
    void droppedFileThatCannotBeRead();
    void startupArgument();
    void fileNamedAtStartOpensOnceTheWindowIsShown();
    void missingFileNamedAtStart();
};

void TestPhotoDrop::droppedFileOpensAsOpenPhotoDoes()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileString(kOption, "last_output_folder", fixture.Path("out/"));
    CPictavoDlg& dialog = fixture.Open();
    QCOMPARE(PreviewCentre(dialog), QColor(Qt::black));
    const QString photo = fixture.WritePicture("pics/holiday.photo.png", 300, 200, Qt::red);
    fixture.SetText(IDC_EDIT_TEXT_X, "400");

    const std::unique_ptr<QMimeData> data(Urls({QUrl::fromLocalFile(photo)}));
    const DropOutcome outcome = Drop(&dialog, *data);
    QVERIFY(outcome.enterAccepted);
    QVERIFY(outcome.dropAccepted);

    // No open dialog: the file is the choice.
    QVERIFY(fixture.Ui().fileDialogs().isEmpty());
    QCOMPARE(dialog.PhotoPath(), photo);
    QCOMPARE(fixture.Store().GetProfileString(kOption, "LastPhotoFolder", {}),
             fixture.Path("pics/"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE),
             fixture.Path("out/holiday.photo_out.bmp"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_WIDTH), QStringLiteral("300"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("200"));
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_OUTPUT_FILE)->isEnabled());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO),
             QStringLiteral("holiday.photo.png 300 * 200"));
    QCOMPARE(PreviewCentre(dialog), QColor(Qt::red));
    // The position check of the open runs as well.
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING128)});
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("0"));

    // Frames of a dropped animation are offered as after Open Photo.
    const std::unique_ptr<QMimeData> anim(
        Urls({QUrl::fromLocalFile(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim10.gif"))}));
    QVERIFY(Drop(&dialog, *anim).dropAccepted);
    QCOMPARE(dialog.FrameCount(0), 10);
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER)->isHidden());
    QCOMPARE(PreviewCentre(dialog), QColor(0, 255, 0));
}

void TestPhotoDrop::dropOnAnEditOpensTheFileToo()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString photo = fixture.WritePicture("p.png", 40, 30, Qt::blue);
    auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_ADD_TEXT));
    QVERIFY(edit && edit->acceptDrops());
    const std::unique_ptr<QMimeData> data(Urls({QUrl::fromLocalFile(photo)}));
    data->setText(photo); // file managers offer the path as text as well
    QVERIFY(Drop(edit, *data).dropAccepted);
    QCOMPARE(dialog.PhotoPath(), photo);
    QCOMPARE(edit->text(), QString()); // not pasted into the edit

    // Plain text still goes into the edit.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    const DropOutcome outcome = Drop(edit, text);
    QVERIFY(outcome.dropAccepted);
    QCOMPARE(edit->text(), QStringLiteral("hello"));
    QCOMPARE(dialog.PhotoPath(), photo);

    // A label takes no drops of its own: the window under it does.
    const QString second = fixture.WritePicture("q.png", 20, 20, Qt::green);
    const std::unique_ptr<QMimeData> onLabel(Urls({QUrl::fromLocalFile(second)}));
    QVERIFY(Drop(dialog.GetDlgItem(IDC_STATIC_OUTPUT_WIDTH), *onLabel).dropAccepted);
    QCOMPARE(dialog.PhotoPath(), second);
}

void TestPhotoDrop::severalFilesOpenTheFirstLocalOne()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString first = fixture.WritePicture("first.png", 12, 10, Qt::red);
    const QString second = fixture.WritePicture("second.png", 14, 10, Qt::blue);
    QVERIFY(QDir().mkpath(fixture.Path("folder")));
    const std::unique_ptr<QMimeData> data(
        Urls({QUrl(QStringLiteral("https://example.com/a.png")),
              QUrl::fromLocalFile(fixture.Path("folder")), QUrl::fromLocalFile(first),
              QUrl::fromLocalFile(second)}));
    QCOMPARE(DroppedPhotoPath(data.get()), std::optional<QString>(first));
    QVERIFY(Drop(&dialog, *data).dropAccepted);
    QCOMPARE(dialog.PhotoPath(), first);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO), QStringLiteral("first.png 12 * 10"));
    QVERIFY(fixture.TakeMessages().isEmpty());
}

void TestPhotoDrop::whatIsNotAFileIsRefused()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    QVERIFY(QDir().mkpath(fixture.Path("folder")));
    const QString output = dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE);

    QMimeData text;
    text.setText(QStringLiteral("/etc/passwd"));
    const std::unique_ptr<QMimeData> remote(
        Urls({QUrl(QStringLiteral("https://example.com/picture.png"))}));
    const std::unique_ptr<QMimeData> folder(Urls({QUrl::fromLocalFile(fixture.Path("folder"))}));
    QMimeData nothing;
    for (const QMimeData* data : {&text, remote.get(), folder.get(), &nothing}) {
        QVERIFY(!DroppedPhotoPath(data));
        const DropOutcome outcome = Drop(&dialog, *data);
        QVERIFY(!outcome.enterAccepted);
        QVERIFY(!outcome.dropAccepted);
    }
    // A drop that arrives without its drag (or after a refused one) is no more
    // taken.
    QDropEvent stray(QPointF(5, 5), Qt::CopyAction, remote.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &stray);
    QCoreApplication::sendPostedEvents();
    QVERIFY(!stray.isAccepted());

    QCOMPARE(dialog.PhotoPath(), QString());
    QVERIFY(!dialog.Photo());
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), output);
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_OUTPUT_FILE)->isEnabled());
    QVERIFY(fixture.TakeMessages().isEmpty());
}

void TestPhotoDrop::droppedFileThatCannotBeRead()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString broken = fixture.Path("broken.jpg");
    QVERIFY(WriteTestFile(broken, QByteArray("\xFF\xD8\xFF\xE0 not really a JPEG")));
    const std::unique_ptr<QMimeData> data(Urls({QUrl::fromLocalFile(broken)}));
    QVERIFY(Drop(&dialog, *data).dropAccepted);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].text, theLanguage.GetString(IDS_STRING126));
    QCOMPARE(fixture.Ui().boxes()[0].caption, broken);
    QCOMPARE(dialog.PhotoPath(), broken);
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_OUTPUT_WIDTH)->isEnabled());
}

void TestPhotoDrop::startupArgument()
{
    const QString cwd = QDir::currentPath();
    QCOMPARE(StartupPhotoArgument({"Rastelle"}), QString());
    QCOMPARE(StartupPhotoArgument({}), QString());
    QCOMPARE(StartupPhotoArgument({"Rastelle", "/pics/a.png"}), QStringLiteral("/pics/a.png"));
    // Relative names are taken from where the program was started.
    QCOMPARE(StartupPhotoArgument({"Rastelle", "a.png"}), cwd + "/a.png");
    // Options are skipped as before; the first file wins.
    QCOMPARE(StartupPhotoArgument({"Rastelle", "--verbose", "", "b c.jpg", "d.jpg"}),
             cwd + "/b c.jpg");
    QCOMPARE(StartupPhotoArgument({"Rastelle", "-x"}), QString());
    // After "--" a name starting with a dash is a file.
    QCOMPARE(StartupPhotoArgument({"Rastelle", "--", "-odd.png"}), cwd + "/-odd.png");
}

namespace {

// Runs the real start-up with a picture named on the command line and reports
// what the window showed once it was up.
struct StartupRun
{
    QString photoPath;
    QString photoInfo;
    QColor preview;
    QStringList messages;
};

StartupRun RunWithPhoto(const QString& photo)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("app/language"));
    QDir(root.path()).mkpath(QStringLiteral("home/Pictures"));
    QFile::copy(QStringLiteral(RASTELLE_LANGUAGE_DIR "/English.ini"),
                root.filePath(QStringLiteral("app/language/English.ini")));
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", root.filePath(QStringLiteral("home")).toLocal8Bit());
    ScriptedUiServices ui;
    CPictavoApp app;
    app.SetProgramPath(root.filePath(QStringLiteral("app/Rastelle")));
    app.SetSettingsFile(root.filePath(QStringLiteral("Rastelle.conf")));
    app.SetStartupPhoto(photo);
    StartupRun run;
    WhenModalShows([&run, &ui](QWidget* modal) {
        auto* dialog = dynamic_cast<CPictavoDlg*>(modal);
        QCoreApplication::sendPostedEvents();
        if (dialog) {
            run.photoPath = dialog->PhotoPath();
            run.photoInfo = dialog->GetDlgItemText(IDC_STATIC_PHOTO_INFO);
            run.preview = PreviewCentre(*dialog);
        }
        for (const RecordedMessageBox& box : ui.boxes())
            run.messages.append(box.caption + ": " + box.text);
        modal->close();
    });
    app.InitInstance();
    qputenv("HOME", oldHome);
    return run;
}

} // namespace

void TestPhotoDrop::fileNamedAtStartOpensOnceTheWindowIsShown()
{
    QTemporaryDir dir;
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 250));
    const QString photo = dir.filePath(QStringLiteral("start.png"));
    QVERIFY(image.save(photo));
    const StartupRun run = RunWithPhoto(photo);
    QCOMPARE(run.messages.join('\n'), QString());
    QCOMPARE(run.photoPath, photo);
    QCOMPARE(run.photoInfo, QStringLiteral("start.png 64 * 48"));
    QCOMPARE(run.preview, QColor(0, 0, 250));
}

void TestPhotoDrop::missingFileNamedAtStart()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone.png"));
    const StartupRun run = RunWithPhoto(missing);
    QCOMPARE(run.messages, QStringList{missing + ": " + theLanguage.GetString(IDS_STRING126)});
    QCOMPARE(run.photoPath, missing);
    QCOMPARE(run.photoInfo, QString());
}

QTEST_MAIN(TestPhotoDrop)
#include "test_photo_drop.moc"
