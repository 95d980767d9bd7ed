// The seam between the program's logic and the desktop: every message box
// (and, as the window grows, every common dialog) goes through one interface.
// The window installs the Qt implementation; tests install a scripted double
// that records what would have been shown and answers from a script.
#pragma once

#include <QString>

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

class IUiServices
{
public:
    virtual ~IUiServices() = default;
    // Shows a modal message box and returns the button chosen.
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
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
};
