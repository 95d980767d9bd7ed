// A conversion host for tests that look at written files, not at dialogs:
// it keeps every message and answers Yes to each question.
#pragma once

#include "convert/ConversionHost.h"
#include "platform/UiServices.h"

#include <QStringList>

class QuietHost : public IConversionHost
{
public:
    QStringList messages;
    int ShowMessage(const QString& text, const QString&, MessageButtons, MessageIcon) override
    {
        messages.append(text);
        return IDYES;
    }
    void ShowOwnerlessMessage(const QString& text, const QString&) override
    {
        messages.append(text);
    }
    void SetTextXField(const QString&) override {}
    void SetTextYField(const QString&) override {}
};
