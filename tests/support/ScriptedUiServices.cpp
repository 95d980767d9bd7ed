#include "ScriptedUiServices.h"

ScriptedUiServices::ScriptedUiServices() : m_previous(&UiServices())
{
    SetUiServices(this);
}

ScriptedUiServices::~ScriptedUiServices()
{
    SetUiServices(nullptr);
}

int ScriptedUiServices::MessageBox(const MessageBoxRequest& request)
{
    RecordedMessageBox box;
    box.hasOwner = request.owner != nullptr;
    box.owner = request.owner;
    box.text = request.text;
    box.caption = request.caption;
    box.buttons = request.buttons;
    box.icon = request.icon;
    if (!m_answers.isEmpty()) {
        box.answer = m_answers.takeFirst();
        box.scripted = true;
    } else {
        box.answer = DefaultAnswer(request.buttons);
    }
    m_boxes.append(box);
    return box.answer;
}

std::optional<QString> ScriptedUiServices::NextFileName()
{
    return m_fileNames.isEmpty() ? std::nullopt : m_fileNames.takeFirst();
}

std::optional<QString> ScriptedUiServices::GetOpenFileName(const FileDialogRequest& request)
{
    m_fileDialogs.append({false, request});
    return NextFileName();
}

std::optional<QString> ScriptedUiServices::GetSaveFileName(const FileDialogRequest& request)
{
    m_fileDialogs.append({true, request});
    return NextFileName();
}

std::optional<FontChoice> ScriptedUiServices::ChooseFont(QWidget*, const LogFont& initial)
{
    m_fontCalls.append(initial);
    return m_fontChoices.isEmpty() ? std::nullopt : m_fontChoices.takeFirst();
}
