#include "app/StartupPhoto.h"

#include "dialog/CPictavoDlg.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>

namespace {

class FirstShowOpener : public QObject
{
public:
    FirstShowOpener(CPictavoDlg& dialog, const QString& path)
        : QObject(&dialog), m_dialog(dialog), m_path(path)
    {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show) {
            m_dialog.removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_dialog.isVisible())
                        m_dialog.OpenPhotoFile(m_path);
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    CPictavoDlg& m_dialog;
    QString m_path;
};

} // namespace

QString StartupPhotoArgument(const QStringList& arguments)
{
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.isEmpty())
            continue;
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')))
            continue;
        // Made absolute now: the folder it is in becomes the last photo folder.
        return QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath());
    }
    return QString();
}

void OpenPhotoWhenShown(CPictavoDlg& dialog, const QString& path)
{
    new FirstShowOpener(dialog, path);
}
