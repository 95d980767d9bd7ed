// The real main dialog on the offscreen platform, with its settings in a
// private INI file, a private home folder, the scripted desktop and the
// language files a test chooses.
#pragma once

#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedUiServices.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

class MainDialogFixture
{
public:
    // languageFiles: names of shipped language files to install (empty: the
    // program's full set); withPictures: whether ~/Pictures exists.
    explicit MainDialogFixture(const QStringList& languageFiles = {}, bool withPictures = true);
    ~MainDialogFixture();

    // A fresh settings store over the same file (as a restart sees it).
    SettingsStore& Store() { return *m_store; }
    void Restart();
    // Loads the stored language as start-up does.
    void LoadStoredLanguage();
    // Makes and initialises the dialog, shown and active.
    CPictavoDlg& Open();
    CPictavoDlg& Dialog() { return *m_dialog; }
    void CloseDialog() { m_dialog.reset(); }

    ScriptedUiServices& Ui() { return m_ui; }
    QString Path(const QString& relative) const { return m_dir.filePath(relative); }
    QString Home() const { return m_dir.filePath(QStringLiteral("home")); }
    QString LanguageBase() const { return m_dir.filePath(QStringLiteral("base")); }

    // Writes a picture of one colour and returns its path.
    QString WritePicture(const QString& relative, int width, int height, QColor color) const;
    // Opens a picture through the Open Photo button and the scripted chooser.
    void OpenPhoto(const QString& path);
    void SetText(int id, const QString& text);
    void Command(int id, UINT notifyCode = BN_CLICKED);
    // The message texts shown since the last call.
    QStringList TakeMessages();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldTemp;
    std::unique_ptr<SettingsStore> m_store;
    QtImaging m_imaging;
    ScriptedUiServices m_ui;
    std::unique_ptr<CPictavoDlg> m_dialog;
};
