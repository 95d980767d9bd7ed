#include "ScriptedUiServices.h"

#include <QMenu>

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

static void DescribeMenu(const QMenu& menu, const QString& indent, QStringList& lines)
{
    for (QAction* item : menu.actions()) {
        if (item->isSeparator()) {
            lines.append(indent + QStringLiteral("---"));
            continue;
        }
        QString line =
            indent + (item->isChecked() ? QStringLiteral("[x] ") : QString()) + item->text();
        if (!item->menu())
            line += QStringLiteral(" #%1").arg(item->data().toInt());
        lines.append(line);
        if (item->menu())
            DescribeMenu(*item->menu(), indent + QStringLiteral("  "), lines);
    }
}

std::optional<int> ScriptedUiServices::TrackPopupMenu(QMenu& menu, const QPoint& screenPoint)
{
    QStringList lines;
    DescribeMenu(menu, QString(), lines);
    m_shownMenus.append(lines);
    m_menuPoints.append(screenPoint);
    if (m_menuChoices.isEmpty())
        return std::nullopt;
    return m_menuChoices.takeFirst();
}
