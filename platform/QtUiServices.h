// The desktop side of the UI-services seam, on Qt widgets.
#pragma once

#include "platform/UiServices.h"

class QtUiServices : public IUiServices
{
public:
    int MessageBox(const MessageBoxRequest& request) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    std::optional<FontChoice> ChooseFont(QWidget* owner, const LogFont& initial) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::optional<int> TrackPopupMenu(QMenu& menu, const QPoint& screenPoint) override;
    void OpenUrl(const QUrl& url, std::function<void(bool opened)> done) override;
    bool StartDetached(const QString& program, const QStringList& arguments) override;
};

// The filter text a Qt file dialog takes: "label (pattern pattern)".
QString QtFilterText(const FileFilter& filter);
