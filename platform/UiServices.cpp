#include "platform/UiServices.h"

#include <cstdio>

namespace {
ConsoleUiServices g_consoleServices;
IUiServices* g_services = nullptr;
} // namespace

IUiServices& UiServices()
{
    return g_services ? *g_services : g_consoleServices;
}

void SetUiServices(IUiServices* services)
{
    g_services = services;
}

int ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageButtons buttons,
                MessageIcon icon)
{
    MessageBoxRequest request;
    request.owner = owner;
    request.text = text;
    request.caption = caption;
    request.buttons = buttons;
    request.icon = icon;
    return UiServices().MessageBox(request);
}

int DefaultAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return IDOK;
    case MessageButtons::OkCancel:
        return IDCANCEL;
    case MessageButtons::YesNo:
        return IDNO;
    case MessageButtons::YesNoCancel:
        return IDCANCEL;
    }
    return IDOK;
}

int ConsoleUiServices::MessageBox(const MessageBoxRequest& request)
{
    const QByteArray line =
        (request.caption.isEmpty() ? request.text
                                   : request.caption + QStringLiteral(": ") + request.text)
            .toUtf8();
    std::fprintf(stderr, "%s\n", line.constData());
    return DefaultAnswer(request.buttons);
}
