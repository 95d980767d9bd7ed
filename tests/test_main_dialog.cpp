// The main window driven as a user drives it: start, options kept between
// runs, opening photos and frames, the small commands, Browse and Convert.
#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "platform/FileHelpers.h"
#include "platform/FontChooser.h"
#include "platform/QtUiServices.h"
#include "resources/resource.h"
#include "support/MainDialogFixture.h"
#include "support/ModalDriver.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kOption = QStringLiteral("Option");

int StoredInt(SettingsStore& store, const QString& section, const QString& name)
{
    return store.GetProfileInt(section, name, -12345);
}

QComboBox* Combo(CPictavoDlg& dialog, int id)
{
    return qobject_cast<QComboBox*>(dialog.GetDlgItem(id));
}

// Picks a list item as the user does (the selection-change command follows).
void ChooseItem(CPictavoDlg& dialog, int id, int index)
{
    QComboBox* combo = Combo(dialog, id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Clicks a button or radio button as the mouse does.
void Click(CPictavoDlg& dialog, int id)
{
    qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

QImage ReadBmp(const QString& path)
{
    return QImage(path, "BMP");
}

} // namespace

class TestMainDialog : public QObject
{
    Q_OBJECT

private slots:
    void firstRunShowsDefaultsAndCloseStoresEverything();
    void storedValuesOutsideTheirRange();
    void escapeAndEnterStoreNothing();
    void missingPicturesFolderFallsBackToHome();
    void openPhotoFillsTheWindow();
    void openPhotoCancelledChangesNothing();
    void photoNamesAreShownAsTheyAre();
    void picturesOpenByWhatTheyHold();
    void undecodablePhoto();
    void textPositionResetOnOpen();
    void framesOfAnAnimation();
    void framesOfMultiPageAndMultiSizeFiles();
    void choosingAFrameShowsTheWaitCursor();
    void calculator();
    void textPositionChecksOnLeavingTheField();
    void fontAndColour();
    void pixelFormatList();
    void browseForcesBmpAndStoresTheFolder();
    void convertWithoutPhoto();
    void convertAsksBeforeReplacing();
    void convertRejectsInvalidSizes();
    void convertWritesWhatWasChosen();
    void previewFillsTheFrame();
    void pathsAreNeverCut();
    void relabelling();
    void choicesSurviveARestart();
    void rotationAndFlipByKeyboard();
    void fontChooserKeysFromTheWindow();
    void browseWithTheRealSaveDialog();
    void outputFolderFromTheUsersPicturesFolder();
    void openWithTheRealOpenDialog();
};

void TestMainDialog::firstRunShowsDefaultsAndCloseStoresEverything()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    QVERIFY(fixture.TakeMessages().isEmpty());
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_0));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_NO));
    QCOMPARE(Combo(dialog, IDC_COMBO_PIXEL_FORMAT)->currentText(), QStringLiteral("24 bits RGB"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO),
             theLanguage.GetString(IDS_STRING142));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("0"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_Y), QStringLiteral("0"));
    const QString pictures = fixture.Home() + QStringLiteral("/Pictures/");
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), pictures);
    QCOMPARE(dialog.OutputFolder(), pictures);
    for (int id : {IDC_EDIT_OUTPUT_FILE, IDC_EDIT_OUTPUT_WIDTH, IDC_EDIT_OUTPUT_HEIGHT})
        QVERIFY(!dialog.GetDlgItem(id)->isEnabled());
    for (int id : {IDC_COMBO_FRAME_DIMENSION, IDC_EDIT_FRAME_NUMBER, IDC_STATIC_FRAME_RANGE})
        QVERIFY(dialog.GetDlgItem(id)->isHidden());
    // The overlay font starts as the window's own font, in black.
    QVERIFY(!dialog.TextFont().lfFaceName.isEmpty());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FONT_NAME), dialog.TextFont().lfFaceName);
    QCOMPARE(dialog.TextColor(), 0u);
    QCOMPARE(dialog.PixelFormat(), int(PixelFormat24bppRGB));
    QVERIFY(dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->hasFocus());
    QVERIFY(dialog.ImagingStarted());

    // The title-bar close stores every option, changed or not.
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.ImagingStarted());
    SettingsStore& store = fixture.Store();
    QCOMPARE(StoredInt(store, kOption, "nRotateAngel"), 0);
    QCOMPARE(StoredInt(store, kOption, "nFlipType"), 0);
    QCOMPARE(StoredInt(store, kOption, "iComboPixelFormat"), 4);
    QCOMPARE(store.GetProfileString(kOption, "CurrentLanguage", {}), QStringLiteral("english"));
    QCOMPARE(store.GetProfileString(kOption, "last_output_folder", {}), pictures);
    QCOMPARE(StoredInt(store, "CurrentFont", "nCurrentColor"), 0);
    QCOMPARE(store.GetProfileString("CurrentFont", "lfFaceName", {}), dialog.TextFont().lfFaceName);
    QCOMPARE(StoredInt(store, "CurrentFont", "lfWeight"), dialog.TextFont().lfWeight);
    QCOMPARE(StoredInt(store, "CurrentFont", "lfHeight"), dialog.TextFont().lfHeight);
}

void TestMainDialog::storedValuesOutsideTheirRange()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileInt(kOption, "nRotateAngel", 45);
    fixture.Store().WriteProfileInt(kOption, "nFlipType", 7);
    fixture.Store().WriteProfileInt(kOption, "iComboPixelFormat", 12);
    fixture.Store().WriteProfileInt("CurrentFont", "lfItalic", 257);
    fixture.Store().WriteProfileString("CurrentFont", "lfFaceName", "DejaVu Sans");
    CPictavoDlg& dialog = fixture.Open();
    QCOMPARE(fixture.Ui().boxes().size(), 2);
    QCOMPARE(fixture.Ui().boxes()[0].text, QStringLiteral("Unknown rotate angle!"));
    QCOMPARE(fixture.Ui().boxes()[0].caption, QStringLiteral("Error"));
    QCOMPARE(fixture.Ui().boxes()[0].owner, &dialog);
    QCOMPARE(fixture.Ui().boxes()[1].text, QStringLiteral("Unknown flip type!"));
    for (int id = IDC_RADIO_ROTATE_0; id <= IDC_RADIO_ROTATE_270; ++id)
        QVERIFY(!dialog.IsDlgButtonChecked(id));
    for (int id = IDC_RADIO_FLIP_NO; id <= IDC_RADIO_FLIP_VERTICAL; ++id)
        QVERIFY(!dialog.IsDlgButtonChecked(id));
    QCOMPARE(Combo(dialog, IDC_COMBO_PIXEL_FORMAT)->currentIndex(), -1);
    QCOMPARE(dialog.PixelFormat(), int(PixelFormat24bppRGB));
    QCOMPARE(dialog.IndexedFormat(), 0);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO),
             theLanguage.GetString(IDS_STRING142));
    QCOMPARE(dialog.TextFont().lfItalic, std::uint8_t(1));

    // Exit stores the kept values back; a clicked radio replaces its value.
    dialog.GetDlgItem(IDC_RADIO_FLIP_VERTICAL)->setFocus();
    Click(dialog, IDC_RADIO_FLIP_VERTICAL);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_VERTICAL));
    fixture.Command(IDC_BUTTON_EXIT);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(StoredInt(fixture.Store(), kOption, "nRotateAngel"), 45);
    QCOMPARE(StoredInt(fixture.Store(), kOption, "nFlipType"), 2);
    QCOMPARE(StoredInt(fixture.Store(), kOption, "iComboPixelFormat"), -1);
    QCOMPARE(StoredInt(fixture.Store(), "CurrentFont", "lfItalic"), 1);
}

void TestMainDialog::escapeAndEnterStoreNothing()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    {
        CPictavoDlg& dialog = fixture.Open();
        Click(dialog, IDC_RADIO_ROTATE_180);
        QCOMPARE(dialog.RotateAngle(), 180);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(StoredInt(fixture.Store(), kOption, "nRotateAngel"), -12345);
    }
    {
        // Enter in an edit confirms the dialog: nothing stored either.
        CPictavoDlg& dialog = fixture.Open();
        QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_180));
        QWidget* text = dialog.GetDlgItem(IDC_EDIT_ADD_TEXT);
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(StoredInt(fixture.Store(), kOption, "nRotateAngel"), -12345);
    }
    {
        // Enter on a push button presses that button.
        CPictavoDlg& dialog = fixture.Open();
        QWidget* convert = dialog.GetDlgItem(IDC_BUTTON_CONVERT);
        convert->setFocus();
        QTest::keyClick(convert, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING108)});
    }
}

void TestMainDialog::missingPicturesFolderFallsBackToHome()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")}, false);
    CPictavoDlg& dialog = fixture.Open();
    // A home without a Pictures folder is ordinary here: nothing is said.
    QCOMPARE(fixture.TakeMessages(), QStringList{});
    QCOMPARE(dialog.OutputFolder(), fixture.Home() + u'/');

    // A stored folder still wins.
    fixture.Store().WriteProfileString(kOption, "last_output_folder", "/srv/out/");
    CPictavoDlg& again = fixture.Open();
    QCOMPARE(fixture.TakeMessages().size(), 0);
    QCOMPARE(again.OutputFolder(), QStringLiteral("/srv/out/"));
}

void TestMainDialog::openPhotoFillsTheWindow()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileString(kOption, "last_output_folder", fixture.Path("out/"));
    CPictavoDlg& dialog = fixture.Open();
    const QString photo = fixture.WritePicture("pics/holiday.photo.png", 300, 200, Qt::red);
    fixture.OpenPhoto(photo);
    QVERIFY(fixture.TakeMessages().isEmpty());

    const auto& request = fixture.Ui().fileDialogs().last().request;
    QCOMPARE(request.title, QStringLiteral("Select a Picture file..."));
    QCOMPARE(request.owner, &dialog);
    QCOMPARE(request.initialFolder, QString());
    QVERIFY(request.filters[0].label.startsWith("Picture Files (*.jpg;*.jpeg;*.gif;"));
    QVERIFY(request.filters[0].patterns.contains("*.tiff"));
    QCOMPARE(request.filters[1].label, QStringLiteral("Any Files (*.*)"));

    QCOMPARE(dialog.PhotoPath(), photo);
    QCOMPARE(fixture.Store().GetProfileString(kOption, "LastPhotoFolder", {}),
             fixture.Path("pics/"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE),
             fixture.Path("out/holiday.photo_out.bmp"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_WIDTH), QStringLiteral("300"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("200"));
    for (int id : {IDC_EDIT_OUTPUT_FILE, IDC_EDIT_OUTPUT_WIDTH, IDC_EDIT_OUTPUT_HEIGHT})
        QVERIFY(dialog.GetDlgItem(id)->isEnabled());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO),
             QStringLiteral("holiday.photo.png 300 * 200"));
    QCOMPARE(dialog.FrameDimensionCount(), 1);
    for (int id : {IDC_COMBO_FRAME_DIMENSION, IDC_EDIT_FRAME_NUMBER, IDC_STATIC_FRAME_RANGE})
        QVERIFY(dialog.GetDlgItem(id)->isHidden());

    // The next open starts where the last photo was; a name without a dot
    // gets the suffix as it is.
    const QString plain = fixture.WritePicture("pics/scan", 10, 10, Qt::blue);
    fixture.OpenPhoto(plain);
    QCOMPARE(fixture.Ui().fileDialogs().last().request.initialFolder, fixture.Path("pics/"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), fixture.Path("out/scan_out.bmp"));
}

void TestMainDialog::openPhotoCancelledChangesNothing()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("a/first.png", 20, 10, Qt::green));
    const QString output = dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE);
    fixture.Store().WriteProfileString(kOption, "LastPhotoFolder", "/kept/");
    fixture.Ui().queueFileName(std::nullopt);
    fixture.Command(IDC_BUTTON_OPEN_PHOTO);
    QCOMPARE(dialog.PhotoPath(), fixture.Path("a/first.png"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), output);
    QCOMPARE(fixture.Store().GetProfileString(kOption, "LastPhotoFolder", {}),
             QStringLiteral("/kept/"));
    QVERIFY(dialog.Photo());
}

void TestMainDialog::photoNamesAreShownAsTheyAre()
{
    // Percent signs and digits in a name are the name's own, not places to
    // fill in.
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileString(kOption, "last_output_folder", fixture.Path("out/"));
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("a%2Bb%3A.png", 1000, 333, Qt::red));
    QVERIFY(fixture.TakeMessages().isEmpty());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO),
             QStringLiteral("a%2Bb%3A.png 1000 * 333"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), fixture.Path("out/a%2Bb%3A_out.bmp"));
    fixture.OpenPhoto(fixture.WritePicture("%1%9 %L1 %%.png", 7, 5, Qt::red));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO), QStringLiteral("%1%9 %L1 %%.png 7 * 5"));
}

void TestMainDialog::picturesOpenByWhatTheyHold()
{
    // The window and its decoder go by a file's content, whatever its name.
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    QImage image(31, 17, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    const QString dib = fixture.Path("bitmap.dib");
    QVERIFY(image.save(dib, "BMP"));
    fixture.OpenPhoto(dib);
    QCOMPARE(fixture.TakeMessages(), QStringList());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO), QStringLiteral("bitmap.dib 31 * 17"));
    QCOMPARE(QtImaging::FrameOf(dialog.Photo()).pixelColor(15, 8), QColor(10, 200, 30));

    const QString jpg = fixture.Path("really-png.jpg");
    QVERIFY(image.save(jpg, "PNG"));
    fixture.OpenPhoto(jpg);
    QCOMPARE(fixture.TakeMessages(), QStringList());
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO),
             QStringLiteral("really-png.jpg 31 * 17"));
}

void TestMainDialog::undecodablePhoto()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString broken = fixture.Path("broken.jpg");
    QVERIFY(WriteTestFile(broken, QByteArray("\xFF\xD8\xFF\xE0 not really a JPEG")));
    fixture.OpenPhoto(broken);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].text, theLanguage.GetString(IDS_STRING126));
    QCOMPARE(fixture.Ui().boxes()[0].caption, broken);
    fixture.TakeMessages();
    // The path is taken, the size edits stay as they were (disabled).
    QCOMPARE(dialog.PhotoPath(), broken);
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_OUTPUT_FILE)->isEnabled());
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_OUTPUT_WIDTH)->isEnabled());
    // Convert finds a photo path and stops at the empty width.
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING111)});
}

void TestMainDialog::textPositionResetOnOpen()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString photo = fixture.WritePicture("p.png", 300, 100, Qt::white);
    fixture.SetText(IDC_EDIT_TEXT_X, "299");
    fixture.SetText(IDC_EDIT_TEXT_Y, "-4");
    fixture.OpenPhoto(photo);
    QVERIFY(fixture.TakeMessages().isEmpty());
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("299"));

    fixture.SetText(IDC_EDIT_TEXT_X, "300");
    fixture.SetText(IDC_EDIT_TEXT_Y, "100abc");
    fixture.OpenPhoto(photo);
    QCOMPARE(fixture.Ui().boxes().size(), 2);
    QCOMPARE(fixture.Ui().boxes()[0].text, theLanguage.GetString(IDS_STRING128));
    QCOMPARE(fixture.Ui().boxes()[0].caption, theLanguage.GetString(IDS_MESSAGE_WARNING));
    QCOMPARE(fixture.Ui().boxes()[1].text, theLanguage.GetString(IDS_STRING129));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("0"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_Y), QStringLiteral("0"));
}

void TestMainDialog::framesOfAnAnimation()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim10.gif"));
    QVERIFY(fixture.TakeMessages().isEmpty());
    QComboBox* dimensions = Combo(dialog, IDC_COMBO_FRAME_DIMENSION);
    QCOMPARE(dimensions->count(), 1);
    QCOMPARE(dimensions->itemText(0), QStringLiteral("FrameDimensionTime"));
    QVERIFY(dimensions->isHidden());
    QCOMPARE(dialog.FrameCount(0), 10);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FRAME_RANGE),
             QStringLiteral("Set frame from 0 to 9"));
    QVERIFY(!dialog.GetDlgItem(IDC_STATIC_FRAME_RANGE)->isHidden());
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER)->isHidden());
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_FRAME_NUMBER), QStringLiteral("0"));
    QCOMPARE(QtImaging::FrameOf(dialog.Photo()).pixelColor(5, 5), QColor(0, 255, 0));

    // Typing beyond the last frame corrects the text at once.
    auto* frame = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER));
    frame->setText("25");
    QCOMPARE(frame->text(), QStringLiteral("9"));
    QCOMPARE(QtImaging::FrameOf(dialog.Photo()).pixelColor(5, 5), QColor(225, 30, 118));
    frame->setText("-3");
    QCOMPARE(frame->text(), QStringLiteral("0"));
    QCOMPARE(QtImaging::FrameOf(dialog.Photo()).pixelColor(5, 5), QColor(0, 255, 0));
    frame->setText("4");
    fixture.Command(IDC_EDIT_FRAME_NUMBER, EN_KILLFOCUS);
    QVERIFY(fixture.TakeMessages().isEmpty());
    // An empty field selects nothing and says nothing.
    frame->setText("");
    fixture.Command(IDC_EDIT_FRAME_NUMBER, EN_KILLFOCUS);
    QVERIFY(fixture.TakeMessages().isEmpty());

    // The dimension list gives the range in the current language.
    ChooseItem(dialog, IDC_COMBO_FRAME_DIMENSION, 0);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FRAME_RANGE),
             FormatLanguageString(theLanguage, IDS_STRING122, {9}));

    // A single-frame picture afterwards hides the frame controls again.
    fixture.OpenPhoto(fixture.WritePicture("one.png", 5, 5, Qt::black));
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER)->isHidden());
    QVERIFY(dialog.GetDlgItem(IDC_STATIC_FRAME_RANGE)->isHidden());
}

void TestMainDialog::framesOfMultiPageAndMultiSizeFiles()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/pages3.tif"));
    QCOMPARE(Combo(dialog, IDC_COMBO_FRAME_DIMENSION)->itemText(0),
             QStringLiteral("FrameDimensionPage"));
    QCOMPARE(dialog.FrameCount(0), 3);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FRAME_RANGE),
             QStringLiteral("Set frame from 0 to 2"));
    fixture.OpenPhoto(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/sizes3.ico"));
    QCOMPARE(Combo(dialog, IDC_COMBO_FRAME_DIMENSION)->itemText(0),
             QStringLiteral("FrameDimensionResolution"));
    QVERIFY(fixture.TakeMessages().isEmpty());
}

void TestMainDialog::choosingAFrameShowsTheWaitCursor()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim10.gif"));
    const int before = fixture.Ui().waitCount();
    fixture.SetText(IDC_EDIT_FRAME_NUMBER, "7");
    QCOMPARE(fixture.Ui().waitCount(), before + 1);
    QCOMPARE(fixture.Ui().waitDepth(), 0);
    fixture.SetText(IDC_EDIT_FRAME_NUMBER, "3");
    fixture.Command(IDC_EDIT_FRAME_NUMBER, EN_KILLFOCUS);
    QCOMPARE(fixture.Ui().waitCount(), before + 3);
    QCOMPARE(fixture.Ui().waitDepth(), 0);
    // And the frame chosen is the one shown.
    QImageReader reader(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim10.gif"));
    QImage third;
    for (int i = 0; i <= 3; ++i)
        third = reader.read();
    QCOMPARE(QtImaging::FrameOf(dialog.Photo()).pixelColor(5, 5), third.pixelColor(5, 5));
}

void TestMainDialog::calculator()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING108)});

    fixture.OpenPhoto(fixture.WritePicture("c.png", 640, 480, Qt::gray));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "1000");
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("750"));
    QCOMPARE(dialog.OutputWidth(), 1000);
    QCOMPARE(dialog.OutputHeight(), 750);
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "333");
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("249"));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "12abc");
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("9"));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "-100");
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("-75"));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "abc");
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT), QStringLiteral("0"));

    fixture.OpenPhoto(fixture.WritePicture("d.png", 1000, 333, Qt::gray));
    fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, "333");
    fixture.Command(IDC_BUTTON_BASE_HEIGHT);
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_WIDTH), QStringLiteral("999"));
    QCOMPARE(dialog.OutputWidth(), 999);
    QVERIFY(fixture.TakeMessages().isEmpty());
}

void TestMainDialog::textPositionChecksOnLeavingTheField()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    // Without a photo, leaving the field says nothing.
    fixture.SetText(IDC_EDIT_TEXT_X, "5000");
    fixture.Command(IDC_EDIT_TEXT_X, EN_KILLFOCUS);
    QVERIFY(fixture.TakeMessages().isEmpty());

    fixture.SetText(IDC_EDIT_TEXT_X, "0");
    fixture.OpenPhoto(fixture.WritePicture("t.png", 640, 480, Qt::gray));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "200");
    fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, "100");
    const QString x123 = theLanguage.GetString(IDS_STRING123);
    const QString y124 = theLanguage.GetString(IDS_STRING124);
    const struct
    {
        int field;
        const char* value;
        QString expected;
    } cases[] = {
        {IDC_EDIT_TEXT_X, "200", x123}, {IDC_EDIT_TEXT_X, "199", {}},   {IDC_EDIT_TEXT_X, "-5", {}},
        {IDC_EDIT_TEXT_Y, "-1", y124},  {IDC_EDIT_TEXT_Y, "100", y124}, {IDC_EDIT_TEXT_Y, "99", {}},
    };
    for (const auto& check : cases) {
        fixture.SetText(check.field, QString::fromLatin1(check.value));
        fixture.Command(check.field, EN_KILLFOCUS);
        const QStringList shown = fixture.TakeMessages();
        QCOMPARE(shown, check.expected.isEmpty() ? QStringList{} : QStringList{check.expected});
        // A warning only: the field keeps its text.
        QCOMPARE(dialog.GetDlgItemText(check.field), QString::fromLatin1(check.value));
    }
    // An invalid size is named instead, and the members take the sizes.
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "0");
    fixture.Command(IDC_EDIT_TEXT_Y, EN_KILLFOCUS);
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING111)});
    QCOMPARE(dialog.OutputWidth(), 0);
    QCOMPARE(dialog.OutputHeight(), 100);

    // The real focus change runs the same check.
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "200");
    fixture.SetText(IDC_EDIT_TEXT_X, "250");
    dialog.GetDlgItem(IDC_EDIT_TEXT_X)->setFocus(Qt::TabFocusReason);
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_TEXT_X)->hasFocus());
    dialog.GetDlgItem(IDC_EDIT_ADD_TEXT)->setFocus(Qt::TabFocusReason);
    QCOMPARE(fixture.TakeMessages(), QStringList{x123});
}

void TestMainDialog::fontAndColour()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const LogFont before = dialog.TextFont();
    FontChoice choice;
    choice.font.lfHeight = -40;
    choice.font.lfWeight = 700;
    choice.font.lfUnderline = 1;
    choice.font.lfQuality = 5;
    choice.font.SetFaceName("DejaVu Serif");
    choice.color = 0x0000FF; // red
    fixture.Ui().queueFontChoice(choice);
    fixture.Command(IDC_BUTTON_FONT);
    QCOMPARE(fixture.Ui().fontChooserCalls().last(), before);
    QCOMPARE(dialog.TextFont(), choice.font);
    QCOMPARE(dialog.TextColor(), 0x0000FFu);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FONT_NAME), QStringLiteral("DejaVu Serif"));

    // Cancelling changes nothing; a choice without a colour gives black.
    fixture.Ui().queueFontChoice(std::nullopt);
    fixture.Command(IDC_BUTTON_FONT);
    QCOMPARE(dialog.TextColor(), 0x0000FFu);
    choice.color = 0;
    fixture.Ui().queueFontChoice(choice);
    fixture.Command(IDC_BUTTON_FONT);
    QCOMPARE(dialog.TextColor(), 0u);

    // Only the close routine stores the font.
    QCOMPARE(StoredInt(fixture.Store(), "CurrentFont", "lfWeight"), -12345);
    dialog.close();
    QCOMPARE(StoredInt(fixture.Store(), "CurrentFont", "lfWeight"), 700);
    QCOMPARE(StoredInt(fixture.Store(), "CurrentFont", "lfHeight"), -40);
    QCOMPARE(StoredInt(fixture.Store(), "CurrentFont", "lfUnderline"), 1);
    QCOMPARE(fixture.Store().GetProfileString("CurrentFont", "lfFaceName", {}),
             QStringLiteral("DejaVu Serif"));
}

void TestMainDialog::pixelFormatList()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    ChooseItem(dialog, IDC_COMBO_PIXEL_FORMAT, 2);
    QCOMPARE(dialog.PixelFormat(), int(PixelFormat8bppIndexed));
    QCOMPARE(dialog.IndexedFormat(), int(PixelFormat8bppIndexed));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO),
             theLanguage.GetString(IDS_STRING140));
    ChooseItem(dialog, IDC_COMBO_PIXEL_FORMAT, 9);
    QCOMPARE(dialog.PixelFormat(), int(PixelFormat64bppPARGB));
    QCOMPARE(dialog.IndexedFormat(), 0);
    dialog.close();
    QCOMPARE(StoredInt(fixture.Store(), kOption, "iComboPixelFormat"), 9);
}

void TestMainDialog::browseForcesBmpAndStoresTheFolder()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString start = dialog.OutputFile();

    fixture.Ui().queueFileName(std::nullopt);
    fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
    QCOMPARE(dialog.OutputFile(), start);
    QCOMPARE(fixture.Store().GetProfileString(kOption, "last_output_folder", "unset"),
             QStringLiteral("unset"));
    const auto& request = fixture.Ui().fileDialogs().last().request;
    QVERIFY(fixture.Ui().fileDialogs().last().save);
    QCOMPARE(request.title, QStringLiteral("Select Output"));
    QCOMPARE(request.filters[0].label, QStringLiteral("BITMAP file"));
    QCOMPARE(request.filters[0].patterns, QStringList{"*.bmp"});
    QCOMPARE(request.initialName, QStringLiteral("*.*"));
    QCOMPARE(request.initialFolder, fixture.Home() + QStringLiteral("/Pictures"));

    const struct
    {
        const char* chosen;
        const char* expected;
    } cases[] = {
        {"out/picture.jpg", "out/picture.bmp"},
        {"out/picture", "out/picture.bmp"},
        {"out/picture.bmp", "out/picture.bmp"},
        {"my.pics/result", "my.pics/result.bmp"},
    };
    for (const auto& choice : cases) {
        fixture.Ui().queueFileName(fixture.Path(choice.chosen));
        fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
        QCOMPARE(dialog.OutputFile(), fixture.Path(choice.expected));
        QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), fixture.Path(choice.expected));
    }
    QCOMPARE(fixture.Store().GetProfileString(kOption, "last_output_folder", {}),
             fixture.Path("my.pics/"));
    QCOMPARE(dialog.OutputFolder(), fixture.Path("my.pics/"));

    // The chooser starts from the path last taken over, not from a path
    // typed since; a path without a folder starts in ".".
    fixture.SetText(IDC_EDIT_OUTPUT_FILE, "/typed/elsewhere.bmp");
    fixture.Ui().queueFileName(std::nullopt);
    fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
    QCOMPARE(fixture.Ui().fileDialogs().last().request.initialFolder, fixture.Path("my.pics"));
    fixture.SetText(IDC_EDIT_OUTPUT_FILE, "bare.bmp");
    dialog.DoDataExchange(true);
    fixture.Ui().queueFileName(std::nullopt);
    fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
    QCOMPARE(fixture.Ui().fileDialogs().last().request.initialFolder, QStringLiteral("."));

    // A next photo's default name goes into the chosen folder.
    fixture.OpenPhoto(fixture.WritePicture("in/cat.png", 4, 4, Qt::white));
    QCOMPARE(dialog.OutputFile(), fixture.Path("my.pics/cat_out.bmp"));
}

void TestMainDialog::convertWithoutPhoto()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Open();
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].text, theLanguage.GetString(IDS_STRING108));
    QCOMPARE(fixture.Ui().boxes()[0].caption, theLanguage.GetString(IDS_MESSAGE_ERROR));
    QCOMPARE(fixture.Ui().waitCount(), 0);
}

void TestMainDialog::convertAsksBeforeReplacing()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("r.png", 30, 20, Qt::red));
    const QString output = fixture.Path("existing.bmp");
    QVERIFY(WriteTestFile(output, "old contents"));
    fixture.SetText(IDC_EDIT_OUTPUT_FILE, output);

    fixture.Ui().queueAnswer(IDNO);
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].buttons, MessageButtons::YesNo);
    QCOMPARE(fixture.Ui().boxes()[0].caption, theLanguage.GetString(IDS_MESSAGE_WARNING));
    QVERIFY(fixture.Ui().boxes()[0].text.startsWith(output));
    QCOMPARE(ReadTestFile(output), QByteArray("old contents"));
    QCOMPARE(dialog.OutputFile(), output); // taken over from the edit
    fixture.TakeMessages();

    const int waitsBefore = fixture.Ui().waitCount();
    fixture.Ui().queueAnswer(IDYES);
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.TakeMessages().size(), 1);
    QCOMPARE(ReadBmp(output).size(), QSize(30, 20));
    QCOMPARE(fixture.Ui().waitDepth(), 0);
    QCOMPARE(fixture.Ui().waitCount(), waitsBefore + 1);
}

void TestMainDialog::convertRejectsInvalidSizes()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("s.png", 30, 20, Qt::red));
    const QString output = dialog.OutputFile();
    const QString invalidWidth = theLanguage.GetString(IDS_STRING111);
    for (const char* width : {"0", "-5", "abc", ""}) {
        fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, QString::fromLatin1(width));
        fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, "0");
        fixture.Command(IDC_BUTTON_CONVERT);
        QCOMPARE(fixture.TakeMessages(), QStringList{invalidWidth});
    }
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "640abc");
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING112)});
    QCOMPARE(dialog.OutputWidth(), 640);
    QVERIFY(!QFile::exists(output));

    // Yes to replacing, then an invalid size: the old file is still there.
    QVERIFY(WriteTestFile(output, "keep me"));
    fixture.Ui().queueAnswer(IDYES);
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(ReadTestFile(output), QByteArray("keep me"));
}

void TestMainDialog::convertWritesWhatWasChosen()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("w.png", 400, 300, Qt::white));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, "200");
    fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, "100");
    Click(dialog, IDC_RADIO_ROTATE_90);
    ChooseItem(dialog, IDC_COMBO_PIXEL_FORMAT, 2);
    // Text at x = 200 is outside a 200-wide output: drawn at 0, field reset.
    fixture.SetText(IDC_EDIT_ADD_TEXT, "Hi");
    fixture.SetText(IDC_EDIT_TEXT_X, "200");
    fixture.SetText(IDC_EDIT_TEXT_Y, "10");
    FontChoice choice;
    choice.font.lfHeight = -60;
    choice.font.lfWeight = 700;
    choice.font.SetFaceName("DejaVu Sans");
    choice.color = 0x000000FF;
    fixture.Ui().queueFontChoice(choice);
    fixture.Command(IDC_BUTTON_FONT);
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.TakeMessages(), QStringList{theLanguage.GetString(IDS_STRING130)});
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("0"));

    const QString output = dialog.OutputFile();
    QCOMPARE(output, fixture.Home() + QStringLiteral("/Pictures/w_out.bmp"));
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(54);
    QCOMPARE(header.left(2), QByteArray("BM"));
    QCOMPARE(quint8(header[28]), quint8(8)); // bits per pixel
    const QImage written = ReadBmp(output);
    QCOMPARE(written.size(), QSize(100, 200)); // turned by 90 degrees
    // The red text, drawn before turning, is near the top-right corner.
    bool redNearTopRight = false;
    for (int y = 0; y < 60 && !redNearTopRight; ++y)
        for (int x = 60; x < 100; ++x)
            if (written.pixelColor(x, y).red() > 200 && written.pixelColor(x, y).green() < 80)
                redNearTopRight = true;
    QVERIFY(redNearTopRight);
    // The intermediate file of the indexed stage is gone.
    QVERIFY(QDir(QDir::tempPath()).entryList(QDir::Files).isEmpty());
}

void TestMainDialog::previewFillsTheFrame()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    QWidget* preview = dialog.GetDlgItem(IDC_STATIC_PREVIEW);
    const QImage empty = preview->grab().toImage();
    QCOMPARE(empty.pixelColor(empty.width() / 2, empty.height() / 2), QColor(Qt::black));

    // A wide picture fills the whole frame, squeezed, without bars.
    QImage wide(4000, 1000, QImage::Format_RGB32);
    wide.fill(QColor(250, 0, 0));
    const QString path = fixture.Path("wide.png");
    QVERIFY(wide.save(path));
    fixture.OpenPhoto(path);
    const QImage shown = preview->grab().toImage();
    for (QPoint point : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() - 1),
                         QPoint(shown.width() / 2, 0), QPoint(0, shown.height() - 1)})
        QCOMPARE(shown.pixelColor(point), QColor(250, 0, 0));

    // Another frame shows at once.
    fixture.OpenPhoto(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim10.gif"));
    const QImage frame0 = preview->grab().toImage();
    QCOMPARE(frame0.pixelColor(frame0.width() / 2, frame0.height() / 2), QColor(0, 255, 0));
    // Choosing the frame paints the preview by itself, not only when asked.
    const PaintCounter paints(preview);
    fixture.SetText(IDC_EDIT_FRAME_NUMBER, "9");
    QVERIFY(paints.count > 0);
    const QImage frame9 = preview->grab().toImage();
    QCOMPARE(frame9.pixelColor(frame9.width() / 2, frame9.height() / 2), QColor(225, 30, 118));
}

void TestMainDialog::pathsAreNeverCut()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    // A stored folder too long for any path is not used.
    fixture.Store().WriteProfileString(kOption, "last_output_folder", QString(5000, u'x'));
    CPictavoDlg& dialog = fixture.Open();
    QCOMPARE(dialog.OutputFolder(), fixture.Home() + QStringLiteral("/Pictures/"));

    // A folder that leaves no room for the photo's name: the output path is
    // refused and emptied, not cut and not left at the previous photo's.
    fixture.OpenPhoto(fixture.WritePicture("first.png", 8, 8, Qt::red));
    QCOMPARE(dialog.OutputFile(), fixture.Home() + QStringLiteral("/Pictures/first_out.bmp"));
    const QString deep = QStringLiteral("/") + QString(kMaxPathChars - 12, u'd') + u'/';
    fixture.Ui().queueFileName(deep + QStringLiteral("chosen.bmp"));
    fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
    QCOMPARE(dialog.OutputFile(), deep + QStringLiteral("chosen.bmp"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE).size(), kMaxPathChars);
    fixture.OpenPhoto(fixture.WritePicture("second.png", 8, 8, Qt::red));
    const QStringList shown = fixture.TakeMessages();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].contains(QStringLiteral("longer than 4095 characters")));
    QCOMPARE(dialog.OutputFile(), QString());
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE), QString());
    // Convert then names the missing path instead of writing elsewhere.
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].text, theLanguage.GetString(IDS_STRING118));
    QCOMPARE(fixture.Ui().boxes()[0].caption, QString());
}

void TestMainDialog::relabelling()
{
    {
        MainDialogFixture fixture;
        fixture.Store().WriteProfileString(kOption, "CurrentLanguage", "German");
        fixture.LoadStoredLanguage();
        CPictavoDlg& dialog = fixture.Open();
        QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral(u"Foto öffnen"));
        QCOMPARE(dialog.GetDlgItemText(IDC_RADIO_FLIP_NO), QStringLiteral("Nicht spiegeln"));
        // Texts the window sets itself come in the language too.
        QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO),
                 theLanguage.GetString(IDS_STRING142));
        QVERIFY(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO) !=
                QStringLiteral("24 bits per pixel; 8 bits each are used for the red, green, and "
                               "blue components."));
    }
    {
        // A partial file changes what it names and keeps the rest.
        MainDialogFixture fixture({QStringLiteral("English.ini")});
        QVERIFY(WriteTestFile(fixture.LanguageBase() + "/language/Partial.ini",
                              "[Dialog]\r\nIDC_BUTTON_CONVERT=Wandeln\r\n"));
        QVERIFY(WriteTestFile(fixture.LanguageBase() + "/language/Empty.ini", ""));
        fixture.Store().WriteProfileString(kOption, "CurrentLanguage", "Partial");
        fixture.LoadStoredLanguage();
        CPictavoDlg& dialog = fixture.Open();
        QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_CONVERT), QStringLiteral("Wandeln"));
        QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_EXIT), QStringLiteral("Exit"));
        fixture.Store().WriteProfileString(kOption, "CurrentLanguage", "Empty");
        fixture.LoadStoredLanguage();
        CPictavoDlg& plain = fixture.Open();
        QCOMPARE(plain.GetDlgItemText(IDC_BUTTON_CONVERT), QStringLiteral("Convert"));
        QCOMPARE(plain.GetDlgItemText(IDC_STATIC_ADD_TEXT), QStringLiteral("Add text to photo:"));
    }
}

void TestMainDialog::choicesSurviveARestart()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    {
        CPictavoDlg& dialog = fixture.Open();
        Click(dialog, IDC_RADIO_ROTATE_270);
        Click(dialog, IDC_RADIO_FLIP_HORIZONTAL);
        ChooseItem(dialog, IDC_COMBO_PIXEL_FORMAT, 0);
        fixture.Ui().queueFileName(fixture.Path("chosen/out.bmp"));
        fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
        FontChoice choice;
        choice.font.lfHeight = -20;
        choice.font.lfWeight = 400;
        choice.font.lfItalic = 1;
        choice.font.SetFaceName("DejaVu Serif");
        choice.color = 0x00FF8000;
        fixture.Ui().queueFontChoice(choice);
        fixture.Command(IDC_BUTTON_FONT);
        fixture.Command(IDC_BUTTON_EXIT);
    }
    fixture.Restart();
    fixture.LoadStoredLanguage();
    CPictavoDlg& dialog = fixture.Open();
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_270));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_HORIZONTAL));
    QCOMPARE(dialog.RotateAngle(), 270);
    QCOMPARE(dialog.FlipType(), 1);
    QCOMPARE(Combo(dialog, IDC_COMBO_PIXEL_FORMAT)->currentIndex(), 0);
    QCOMPARE(dialog.IndexedFormat(), int(PixelFormat1bppIndexed));
    QCOMPARE(dialog.OutputFolder(), fixture.Path("chosen/"));
    QCOMPARE(dialog.TextFont().lfFaceName, QStringLiteral("DejaVu Serif"));
    QCOMPARE(dialog.TextFont().lfItalic, std::uint8_t(1));
    QCOMPARE(dialog.TextColor(), 0x00FF8000u);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FONT_NAME), QStringLiteral("DejaVu Serif"));
}

void TestMainDialog::rotationAndFlipByKeyboard()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileInt(kOption, "nRotateAngel", 45);
    CPictavoDlg& dialog = fixture.Open();
    fixture.TakeMessages();
    const auto press = [](Qt::Key key) {
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), key);
    };
    // Tab from the calculator reaches the rotation group, which has nothing
    // checked, at its first button, and checks nothing.
    dialog.GetDlgItem(IDC_BUTTON_BASE_HEIGHT)->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_0));
    for (int id = IDC_RADIO_ROTATE_0; id <= IDC_RADIO_ROTATE_270; ++id)
        QVERIFY(!dialog.IsDlgButtonChecked(id));
    QCOMPARE(dialog.RotateAngle(), 45);
    // The arrow keys choose, and the angle follows.
    press(Qt::Key_Down);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_90));
    QCOMPARE(dialog.RotateAngle(), 90);
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_270));
    QCOMPARE(dialog.RotateAngle(), 270);
    // On to the flip group, at its checked "No flip".
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_FLIP_NO));
    press(Qt::Key_Right);
    QCOMPARE(dialog.FlipType(), 1);
    press(Qt::Key_Down);
    QCOMPARE(dialog.FlipType(), 2);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_VERTICAL));
    QVERIFY(fixture.TakeMessages().isEmpty());
    fixture.Command(IDC_BUTTON_EXIT);
    QCOMPARE(StoredInt(fixture.Store(), kOption, "nRotateAngel"), 270);
    QCOMPARE(StoredInt(fixture.Store(), kOption, "nFlipType"), 2);
}

void TestMainDialog::fontChooserKeysFromTheWindow()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Store().WriteProfileString("CurrentFont", "lfFaceName", "DejaVu Sans");
    CPictavoDlg& dialog = fixture.Open();
    QtUiServices desktop;
    SetUiServices(&desktop);
    // Chooses a bold serif face in the real chooser, then presses a key in
    // its size field.
    const auto chooseThenPress = [](Qt::Key key, bool* closed) {
        WhenModalShows([key, closed](QWidget* modal) {
            auto* chooser = dynamic_cast<FontChooserDialog*>(modal);
            QVERIFY(chooser);
            QFont bold(QStringLiteral("DejaVu Serif"));
            bold.setBold(true);
            chooser->FontPart()->setCurrentFont(bold);
            QLineEdit* size = chooser->FontPart()->findChildren<QLineEdit*>().value(2);
            QVERIFY(size);
            size->setFocus();
            *closed = KeyCloses(chooser, size, key);
        });
    };
    bool closed = false;
    chooseThenPress(Qt::Key_Escape, &closed);
    fixture.Command(IDC_BUTTON_FONT);
    QVERIFY(closed);
    QCOMPARE(dialog.TextFont().lfFaceName, QStringLiteral("DejaVu Sans"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FONT_NAME), QStringLiteral("DejaVu Sans"));

    closed = false;
    chooseThenPress(Qt::Key_Return, &closed);
    fixture.Command(IDC_BUTTON_FONT);
    QVERIFY(closed);
    QCOMPARE(dialog.TextFont().lfFaceName, QStringLiteral("DejaVu Serif"));
    QCOMPARE(dialog.TextFont().lfWeight, 700);
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FONT_NAME), QStringLiteral("DejaVu Serif"));

    // The interface font command opens the same chooser.
    closed = false;
    chooseThenPress(Qt::Key_Escape, &closed);
    fixture.Command(IDM_POPUPMENU_FONT);
    QVERIFY(closed);
    QCOMPARE(fixture.Store().GetProfileString("english", "lfFaceName", "none"),
             QStringLiteral("none"));
    closed = false;
    chooseThenPress(Qt::Key_Return, &closed);
    fixture.Command(IDM_POPUPMENU_FONT);
    QVERIFY(closed);
    QCOMPARE(fixture.Store().GetProfileString("english", "lfFaceName", "none"),
             QStringLiteral("DejaVu Serif"));
    QCOMPARE(fixture.Store().GetProfileInt("english", "lfWeight", 0), 700);
    SetUiServices(&fixture.Ui());
}

namespace {

QLineEdit* FileNameField(QFileDialog* chooser)
{
    return chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// What the file list is filtered by at the moment.
QStringList ListFilter(QFileDialog* chooser)
{
    auto* model = chooser->findChild<QFileSystemModel*>();
    return model ? model->nameFilters() : QStringList{QStringLiteral("no model")};
}

// Types a name into the file-name field and presses Return there.
void EnterName(QFileDialog* chooser, const QString& name)
{
    QLineEdit* field = FileNameField(chooser);
    field->setFocus();
    field->selectAll();
    field->del();
    QTest::keyClicks(field, name);
    QTest::keyClick(field, Qt::Key_Return);
}

} // namespace

void TestMainDialog::browseWithTheRealSaveDialog()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString folder = fixture.Home() + QStringLiteral("/Pictures");
    QtUiServices desktop;
    SetUiServices(&desktop);
    struct
    {
        QString prefilled;
        QStringList typeFilters;
        bool openAfterPrefilled = false;
        QStringList filterAfterPattern;
        bool openAfterPattern = false;
        bool openWithoutName = false;
    } seen;
    WhenModalShows([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        QVERIFY(chooser);
        MessageBoxCloser boxes;
        QVERIFY(FileNameField(chooser));
        seen.prefilled = FileNameField(chooser)->text();
        seen.typeFilters = chooser->nameFilters();
        // Save with the prefilled wildcard: the list is filtered by it and
        // the dialog stays.
        QTest::keyClick(FileNameField(chooser), Qt::Key_Return);
        seen.openAfterPrefilled = chooser->isVisible();
        // A typed wildcard filters the list in the same way.
        if (chooser->isVisible()) {
            EnterName(chooser, QStringLiteral("*.png"));
            seen.filterAfterPattern = ListFilter(chooser);
            seen.openAfterPattern = chooser->isVisible();
        }
        // No name at all: nothing happens.
        if (chooser->isVisible()) {
            EnterName(chooser, QString());
            seen.openWithoutName = chooser->isVisible();
        }
        if (chooser->isVisible())
            EnterName(chooser, QStringLiteral("result"));
        if (chooser->isVisible())
            chooser->reject();
        QCOMPARE(boxes.Closed(), 0);
    });
    fixture.Command(IDC_BUTTON_OUTPUT_FILE_BROWSE);
    SetUiServices(&fixture.Ui());
    QCOMPARE(seen.prefilled, QStringLiteral("*.*"));
    QCOMPARE(seen.typeFilters, QStringList{"BITMAP file (*.bmp)"});
    QVERIFY(seen.openAfterPrefilled);
    QVERIFY(seen.openAfterPattern);
    QCOMPARE(seen.filterAfterPattern, QStringList{"*.png"});
    QVERIFY(seen.openWithoutName);
    QCOMPARE(dialog.OutputFile(), folder + QStringLiteral("/result.bmp"));
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/*.bmp")));
}

void TestMainDialog::openWithTheRealOpenDialog()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString photo = fixture.WritePicture("pics/photo.png", 30, 20, Qt::red);
    fixture.Store().WriteProfileString(kOption, "LastPhotoFolder", fixture.Path("pics/"));
    QtUiServices desktop;
    SetUiServices(&desktop);
    QStringList shownFilters;
    QStringList startFilter;
    QStringList filterAfterPattern;
    bool openAfterPattern = false;
    int boxesShown = -1;
    WhenModalShows([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        QVERIFY(chooser);
        auto* types = chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        for (int i = 0; i < types->count(); ++i)
            shownFilters << types->itemText(i);
        startFilter = ListFilter(chooser);
        MessageBoxCloser boxes;
        EnterName(chooser, QStringLiteral("*.jp*"));
        openAfterPattern = chooser->isVisible();
        filterAfterPattern = ListFilter(chooser);
        if (chooser->isVisible())
            EnterName(chooser, QStringLiteral("photo.png"));
        if (chooser->isVisible())
            chooser->reject();
        boxesShown = boxes.Closed();
    });
    fixture.Command(IDC_BUTTON_OPEN_PHOTO);
    SetUiServices(&fixture.Ui());
    // Each filter line shows its patterns once.
    QCOMPARE(shownFilters,
             QStringList({"Picture Files "
                          "(*.jpg;*.jpeg;*.gif;*.png;*.tif;*.ico;*.exif;*.wmf;*.emf;*.dib;*.bmp)",
                          "Any Files (*.*)"}));
    // The list still takes every pattern of the first filter.
    QVERIFY(startFilter.contains("*.tiff"));
    QVERIFY(startFilter.contains("*.raw"));
    QCOMPARE(startFilter.size(), 23);
    QVERIFY(openAfterPattern);
    QCOMPARE(filterAfterPattern, QStringList{"*.jp*"});
    QCOMPARE(boxesShown, 0);
    QCOMPARE(dialog.PhotoPath(), photo);
    QCOMPARE(dialog.PhotoWidth(), 30);
}

void TestMainDialog::outputFolderFromTheUsersPicturesFolder()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    // The desktop's own name for the folder comes first.
    QDir(fixture.Path("config")).mkpath(".");
    QFile dirs(fixture.Path("config/user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    dirs.close();
    QDir(fixture.Home()).mkpath("Bilder");
    QCOMPARE(fixture.Open().OutputFolder(), fixture.Home() + "/Bilder/");
    QCOMPARE(fixture.TakeMessages(), QStringList{});
    // Named but missing: ~/Pictures.
    QDir(fixture.Home()).rmdir("Bilder");
    QCOMPARE(fixture.Open().OutputFolder(), fixture.Home() + "/Pictures/");
    QCOMPARE(fixture.TakeMessages(), QStringList{});
    // Then the home folder.
    QDir(fixture.Home()).rmdir("Pictures");
    QCOMPARE(fixture.Open().OutputFolder(), fixture.Home() + u'/');
    QCOMPARE(fixture.TakeMessages(), QStringList{});
    // No folder at all: the message, and the root folder.
    QVERIFY(QDir(fixture.Home()).removeRecursively());
    QCOMPARE(fixture.Open().OutputFolder(), QStringLiteral("/"));
    QCOMPARE(fixture.TakeMessages(), QStringList{"Can not get My Picture directory!"});
}

QTEST_MAIN(TestMainDialog)
#include "test_main_dialog.moc"
