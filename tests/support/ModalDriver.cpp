#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

void WhenModalShows(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            // Keys go where the user's would: into the dialog, once active.
            modal->activateWindow();
            QApplication::setActiveWindow(modal);
            if (!QTest::qWaitForWindowActive(modal))
                qWarning("the dialog did not become active");
            action(modal);
        } else
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

MessageBoxCloser::MessageBoxCloser() : m_timer(new QTimer)
{
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++m_closed;
            box->reject();
        }
    });
    m_timer->start(0);
}

MessageBoxCloser::~MessageBoxCloser()
{
    delete m_timer;
}
