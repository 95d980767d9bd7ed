// The application object: start-up up to the main dialog.
#pragma once

#include <QString>

#include <memory>

class SettingsStore;

class CPictavoApp
{
public:
    CPictavoApp();
    virtual ~CPictavoApp();
    CPictavoApp(const CPictavoApp&) = delete;
    CPictavoApp& operator=(const CPictavoApp&) = delete;

    // Runs the program: sets up the settings store and the language, then
    // runs the main dialog. Returns false always: the dialog is the program's
    // only loop, and when it ends the process ends.
    virtual bool InitInstance();

    // The application name: the program file's base name.
    QString GetAppName() const;
    // The per-user settings store; set up by InitInstance.
    SettingsStore* GetSettings() const { return m_pSettings.get(); }

    // Where the program file is; defaults to the running program's path.
    void SetProgramPath(const QString& path) { m_strProgramPath = path; }
    QString GetProgramPath() const;
    // Keeps the settings in this INI file instead of the user's store.
    void SetSettingsFile(const QString& path) { m_strSettingsFile = path; }
    // A picture to open as soon as the main dialog is shown.
    void SetStartupPhoto(const QString& path) { m_strStartupPhoto = path; }

protected:
    // Sets the settings key: maker word, then the application name.
    void SetRegistryKey(const QString& maker);
    // Shows the main dialog modally.
    virtual void RunMainDialog();

private:
    std::unique_ptr<SettingsStore> m_pSettings;
    QString m_strProgramPath;
    QString m_strSettingsFile;
    QString m_strStartupPhoto;
};

extern CPictavoApp theApp;
