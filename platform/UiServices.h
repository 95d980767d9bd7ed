// The seam between the program's logic and the desktop: every message box
// (and, as the window grows, every common dialog) goes through one interface.
// The window installs the Qt implementation; tests install a scripted double
// that records what would have been shown and answers from a script.
#pragma once

#include "language/LogFont.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QMenu;
class QPoint;
class QUrl;
class QWidget;

// Button sets and answers use the values the Windows message-box API uses,
// so that code written against those values reads the same here.
enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel
};
enum class MessageIcon
{
    None,
    Error,
    Warning,
    Information,
    Question
};

enum MessageAnswer : int
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

struct MessageBoxRequest
{
    QWidget* owner = nullptr; // null: the box has no owner window
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

struct FileFilter
{
    QString label;        // as shown, e.g. "BITMAP file"
    QStringList patterns; // e.g. {"*.bmp"}
};

struct FileDialogRequest
{
    QWidget* owner = nullptr;
    QString title;
    QList<FileFilter> filters;
    int selectedFilter = 0;
    QString initialFolder; // empty: the platform chooses
    QString initialName;   // the file-name field's first text
};

struct FontChoice
{
    LogFont font;
    std::uint32_t color = 0; // 0x00BBGGRR
};

class IUiServices
{
public:
    virtual ~IUiServices() = default;
    // Shows a modal message box and returns the button chosen.
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // The open- and save-file dialogs: the chosen path, or nothing when the
    // user cancels. The save dialog never asks about replacing a file.
    virtual std::optional<QString> GetOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> GetSaveFileName(const FileDialogRequest& request) = 0;
    // The font chooser over the screen fonts with underline, strike-out and a
    // text colour that starts at black; nothing when cancelled.
    virtual std::optional<FontChoice> ChooseFont(QWidget* owner, const LogFont& initial) = 0;
    // The wait cursor, nested.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // Shows a popup menu at a screen point and waits until it closes; the
    // command identifier of the chosen item, or nothing.
    virtual std::optional<int> TrackPopupMenu(QMenu& menu, const QPoint& screenPoint) = 0;
    // Opens a web address or a local document with the desktop's default
    // handler. done (if any) learns whether it was opened: at once, or when
    // the desktop's opener has ended, meanwhile the window goes on. An opener
    // that starts and then finds no handler has not opened anything.
    virtual void OpenUrl(const QUrl& url, std::function<void(bool opened)> done) = 0;
    // Starts a program with its arguments (never through a shell) and does
    // not wait for it; false when it could not be started.
    virtual bool StartDetached(const QString& program, const QStringList& arguments) = 0;
};

// The services in use. Until something is installed, message boxes are
// written to standard error and answered with the default button.
IUiServices& UiServices();
// Installs services (not owned); null goes back to the standard-error ones.
void SetUiServices(IUiServices* services);

// Shorthand for the common case.
int ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);

// The answer a box gives when closed without a choice: Cancel where there is
// one, otherwise No, otherwise OK.
int DefaultAnswer(MessageButtons buttons);

// Message boxes written to standard error: for tools without a window.
class ConsoleUiServices : public IUiServices
{
public:
    int MessageBox(const MessageBoxRequest& request) override;
    // There is no one to choose: every dialog is cancelled.
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<QString> GetSaveFileName(const FileDialogRequest&) override { return {}; }
    std::optional<FontChoice> ChooseFont(QWidget*, const LogFont&) override { return {}; }
    std::optional<int> TrackPopupMenu(QMenu&, const QPoint&) override { return {}; }
    void OpenUrl(const QUrl&, std::function<void(bool)> done) override
    {
        if (done)
            done(false);
    }
    bool StartDetached(const QString&, const QStringList&) override { return false; }
};
