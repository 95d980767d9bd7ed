// A stand-in for the desktop in tests: records every message box and answers
// from a script. Installs itself for its lifetime.
#pragma once

#include "platform/UiServices.h"

#include <QList>
#include <QPoint>
#include <QStringList>
#include <QUrl>

struct RecordedMessageBox
{
    bool hasOwner = false;
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    int answer = 0;
    bool scripted = false;
};

class ScriptedUiServices : public IUiServices
{
public:
    ScriptedUiServices();
    ~ScriptedUiServices() override;

    // Answers for the next boxes, in order. Unscripted boxes are answered
    // with their default button and marked unscripted.
    void queueAnswer(int answer) { m_answers.append(answer); }

    int MessageBox(const MessageBoxRequest& request) override;

    // File dialogs and the font chooser answer from their own scripts; an
    // empty script (or a queued nothing) is a cancel.
    void queueFileName(std::optional<QString> path) { m_fileNames.append(path); }
    void queueFontChoice(std::optional<FontChoice> choice) { m_fontChoices.append(choice); }
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    std::optional<FontChoice> ChooseFont(QWidget* owner, const LogFont& initial) override;
    void BeginWaitCursor() override
    {
        ++m_waitDepth;
        ++m_waitCount;
    }
    void EndWaitCursor() override { --m_waitDepth; }

    // Popup menus: what was shown, one line per item ("[x] " marks a checked
    // item, submenus indented), and the scripted choice (nothing: dismissed).
    std::optional<int> TrackPopupMenu(QMenu& menu, const QPoint& screenPoint) override;
    void queueMenuChoice(std::optional<int> id) { m_menuChoices.append(id); }
    const QList<QStringList>& shownMenus() const { return m_shownMenus; }
    const QList<QPoint>& menuPoints() const { return m_menuPoints; }

    // Desktop hand-offs are recorded and answered from a flag.
    void OpenUrl(const QUrl& url, std::function<void(bool)> done) override
    {
        m_openedUrls.append(url);
        if (done)
            done(m_desktopWorks);
    }
    bool StartDetached(const QString& program, const QStringList& arguments) override
    {
        m_startedProcesses.append(QStringList{program} + arguments);
        return m_desktopWorks;
    }
    void setDesktopWorks(bool works) { m_desktopWorks = works; }
    const QList<QUrl>& openedUrls() const { return m_openedUrls; }
    const QList<QStringList>& startedProcesses() const { return m_startedProcesses; }

    struct FileDialogCall
    {
        bool save = false;
        FileDialogRequest request;
    };
    const QList<FileDialogCall>& fileDialogs() const { return m_fileDialogs; }
    const QList<LogFont>& fontChooserCalls() const { return m_fontCalls; }
    int waitDepth() const { return m_waitDepth; }
    int waitCount() const { return m_waitCount; }

    const QList<RecordedMessageBox>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }
    int pendingAnswers() const { return int(m_answers.size()); }

private:
    std::optional<QString> NextFileName();

    QList<int> m_answers;
    QList<std::optional<QString>> m_fileNames;
    QList<std::optional<FontChoice>> m_fontChoices;
    QList<FileDialogCall> m_fileDialogs;
    QList<LogFont> m_fontCalls;
    QList<std::optional<int>> m_menuChoices;
    QList<QStringList> m_shownMenus;
    QList<QPoint> m_menuPoints;
    QList<QUrl> m_openedUrls;
    QList<QStringList> m_startedProcesses;
    bool m_desktopWorks = true;
    int m_waitDepth = 0;
    int m_waitCount = 0;
    QList<RecordedMessageBox> m_boxes;
    IUiServices* m_previous = nullptr;
};
