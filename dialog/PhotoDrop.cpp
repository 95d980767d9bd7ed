#include "dialog/PhotoDrop.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

std::optional<QString> DroppedPhotoPath(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.isEmpty() || QFileInfo(path).isDir())
            continue;
        return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    }
    return std::nullopt;
}

PhotoDropTarget::PhotoDropTarget(QWidget* window, std::function<void(const QString& path)> open)
    : QObject(window), m_window(window), m_open(std::move(open))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(this);
}

bool PhotoDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!DroppedPhotoPath(drag->mimeData()))
            break; // not ours: an edit may still take it as text
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::optional<QString> path = DroppedPhotoPath(drop->mimeData());
        if (!path)
            break;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Opened once the drop is over: the program that the file came from
        // waits until then, and opening may take a while or ask something.
        QMetaObject::invokeMethod(
            this,
            [this, file = *path] {
                if (m_window->isVisible())
                    m_open(file);
            },
            Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
