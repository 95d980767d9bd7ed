#include "app/CPictavoApp.h"

#include "app/LanguageBaseFolder.h"
#include "app/StartupPhoto.h"
#include "convert/QtImaging.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "platform/QtTranslations.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

CPictavoApp theApp;

CPictavoApp::CPictavoApp() = default;
CPictavoApp::~CPictavoApp() = default;

QString CPictavoApp::GetProgramPath() const
{
    if (!m_strProgramPath.isEmpty())
        return m_strProgramPath;
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString CPictavoApp::GetAppName() const
{
    return QFileInfo(GetProgramPath()).completeBaseName();
}

void CPictavoApp::SetRegistryKey(const QString& maker)
{
    if (!m_strSettingsFile.isEmpty())
        m_pSettings = std::make_unique<SettingsStore>(m_strSettingsFile);
    else
        m_pSettings = std::make_unique<SettingsStore>(maker, GetAppName());
}

bool CPictavoApp::InitInstance()
{
    // Common controls and the framework's own start-up (steps 1 and 2) are
    // QApplication's, made before this runs.
    SetRegistryKey(QStringLiteral("TOLMERA"));
    const QString languageName = m_pSettings->GetProfileString(
        QStringLiteral("Option"), QStringLiteral("CurrentLanguage"), QStringLiteral("english"));
    const QString baseFolder = GetLanguageBaseFolderFor(GetProgramPath());
    theLanguage.SetSettingsStore(m_pSettings.get());
    // Qt's own dialogs follow every language load, in the language's locale.
    theLanguage.SetLoadObserver([] { LoadQtTranslations(QLocale()); });
    theLanguage.Initialize(baseFolder, languageName);
    RunMainDialog();
    return false;
}

void CPictavoApp::RunMainDialog()
{
    QtImaging imaging;
    CPictavoDlg dialog(*m_pSettings, imaging);
    dialog.SetProgramPath(GetProgramPath());
    if (!m_strStartupPhoto.isEmpty())
        OpenPhotoWhenShown(dialog, m_strStartupPhoto);
    dialog.DoModal();
}
