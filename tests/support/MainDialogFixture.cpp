#include "support/MainDialogFixture.h"

#include "language/CLanguage.h"
#include "resources/resource.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

MainDialogFixture::MainDialogFixture(const QStringList& languageFiles, bool withPictures)
{
    m_oldHome = qgetenv("HOME");
    m_oldTemp = qgetenv("TMPDIR");
    QDir(m_dir.path()).mkpath(QStringLiteral("tmp"));
    qputenv("TMPDIR", m_dir.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QDir(m_dir.path()).mkpath(QStringLiteral("home"));
    if (withPictures)
        QDir(Home()).mkpath(QStringLiteral("Pictures"));
    qputenv("HOME", Home().toLocal8Bit());
    // The user's folder names come from the home folder, not a desktop file.
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());

    const QDir shipped(QStringLiteral(RASTELLE_LANGUAGE_DIR));
    const QStringList files =
        languageFiles.isEmpty() ? shipped.entryList({QStringLiteral("*.ini")}) : languageFiles;
    QDir(m_dir.path()).mkpath(QStringLiteral("base/language"));
    for (const QString& file : files)
        QFile::copy(shipped.filePath(file), LanguageBase() + QStringLiteral("/language/") + file);
    Restart();
    LoadStoredLanguage();
}

MainDialogFixture::~MainDialogFixture()
{
    m_dialog.reset();
    theLanguage.SetSettingsStore(nullptr);
    qputenv("HOME", m_oldHome);
    qputenv("TMPDIR", m_oldTemp);
}

void MainDialogFixture::Restart()
{
    m_dialog.reset();
    m_store = std::make_unique<SettingsStore>(Path(QStringLiteral("settings.ini")));
    theLanguage.SetSettingsStore(m_store.get());
}

void MainDialogFixture::LoadStoredLanguage()
{
    theLanguage.Initialize(LanguageBase(),
                           m_store->GetProfileString(QStringLiteral("Option"),
                                                     QStringLiteral("CurrentLanguage"),
                                                     QStringLiteral("english")));
}

CPictavoDlg& MainDialogFixture::Open()
{
    m_dialog = std::make_unique<CPictavoDlg>(*m_store, m_imaging);
    m_dialog->OnInitDialog();
    m_dialog->show();
    m_dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(m_dialog.get()))
        qWarning("the dialog did not become active");
    return *m_dialog;
}

QString MainDialogFixture::WritePicture(const QString& relative, int width, int height,
                                        QColor color) const
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    const QString path = Path(relative);
    QDir().mkpath(QFileInfo(path).path());
    image.save(path, "PNG");
    return path;
}

void MainDialogFixture::OpenPhoto(const QString& path)
{
    m_ui.queueFileName(path);
    Command(IDC_BUTTON_OPEN_PHOTO);
}

void MainDialogFixture::SetText(int id, const QString& text)
{
    m_dialog->SetDlgItemText(id, text);
}

void MainDialogFixture::Command(int id, UINT notifyCode)
{
    m_dialog->WindowProc(WM_COMMAND, MAKEWPARAM(UINT(id), notifyCode), 0);
}

QStringList MainDialogFixture::TakeMessages()
{
    QStringList texts;
    for (const RecordedMessageBox& box : m_ui.boxes())
        texts.append(box.text);
    m_ui.clear();
    return texts;
}
