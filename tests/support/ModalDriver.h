// Drives the real Qt dialogs a command opens: the action runs once a modal
// dialog is up, from inside its event loop.
#pragma once

#include <QWidget>

#include <functional>

// Runs action with the active modal widget as soon as there is one. The
// action must end the dialog (by key or, failing that, by itself).
void WhenModalShows(std::function<void(QWidget*)> action);

// Presses a key on a widget and tells whether its window closed at once; a
// window that stayed open is rejected so the test goes on.
bool KeyCloses(QWidget* dialog, QWidget* target, int key,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Closes every message box that comes up while it lives, counting them: a
// step that should not ask anything cannot then hang the test.
class MessageBoxCloser
{
public:
    MessageBoxCloser();
    ~MessageBoxCloser();
    int Closed() const { return m_closed; }

private:
    class QTimer* m_timer;
    int m_closed = 0;
};
