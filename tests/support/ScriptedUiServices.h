// A stand-in for the desktop in tests: records every message box and answers
// from a script. Installs itself for its lifetime.
#pragma once

#include "platform/UiServices.h"

#include <QList>

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

    const QList<RecordedMessageBox>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }
    int pendingAnswers() const { return int(m_answers.size()); }

private:
    QList<int> m_answers;
    QList<RecordedMessageBox> m_boxes;
    IUiServices* m_previous = nullptr;
};
