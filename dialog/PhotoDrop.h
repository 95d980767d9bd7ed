// Dropping a picture file on a window opens it as Open Photo does.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;

// The picture a drop carries: the first of its addresses that names a local
// file. Folders, remote addresses and plain text are not pictures to open.
std::optional<QString> DroppedPhotoPath(const QMimeData* data);

// Takes file drops on a window and on those of its controls that take drops
// of their own (the edits), so a file may land anywhere on it; text drags
// still reach the edits as before. Owned by the window.
class PhotoDropTarget : public QObject
{
public:
    PhotoDropTarget(QWidget* window, std::function<void(const QString& path)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<void(const QString& path)> m_open;
};
