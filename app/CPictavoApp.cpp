#include "app/CPictavoApp.h"

#include "app/LanguageBaseFolder.h"
#include "language/CLanguage.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

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
    theLanguage.Initialize(baseFolder, languageName);
    RunMainDialog();
    return false;
}

void CPictavoApp::RunMainDialog()
{
    // The main window is not part of this build yet. Say so plainly rather
    // than show a stand-in window.
    const QByteArray language = theLanguage.GetCurrentLanguage().toUtf8();
    const QByteArray folder = theLanguage.GetBaseFolder().toUtf8();
    std::printf(
        "Rastelle: start-up finished (language \"%s\", language files in \"%s/language\").\n"
        "The main window is not built yet, so there is no window to show.\n",
        language.constData(), folder.constData());
}
