#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

void WhenModalShows(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible())
            action(modal);
        else
            WhenModalShows(action);
    });
}

bool KeyCloses(QWidget* dialog, QWidget* target, int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(target, Qt::Key(key), modifiers);
    if (!dialog->isVisible())
        return true;
    if (auto* modal = qobject_cast<QDialog*>(dialog))
        modal->reject();
    else
        dialog->close();
    return false;
}
