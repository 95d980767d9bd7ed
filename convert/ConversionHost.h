// What a conversion needs of whoever runs it: the window shows boxes and
// resets its fields, the command line prints and ignores the fields.
#pragma once

#include "platform/UiServices.h"

#include <QString>

class IConversionHost
{
public:
    virtual ~IConversionHost() = default;
    // A message box owned by the main window; returns the button chosen.
    virtual int ShowMessage(const QString& text, const QString& caption,
                            MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::None) = 0;
    // A message box without owner window (the DIB code's own messages).
    virtual void ShowOwnerlessMessage(const QString& text, const QString& caption) = 0;
    // The text-position fields, reset to "0" after an out-of-range value.
    virtual void SetTextXField(const QString& text) = 0;
    virtual void SetTextYField(const QString& text) = 0;
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
};
