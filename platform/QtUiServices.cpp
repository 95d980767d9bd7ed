#include "platform/QtUiServices.h"

#include "platform/FontChooser.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

static QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

int QtUiServices::MessageBox(const MessageBoxRequest& request)
{
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton,
                    request.owner);
    // Plain text always: message texts may come from language files.
    box.setTextFormat(Qt::PlainText);
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (request.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        escape = QMessageBox::Ok;
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        escape = QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        escape = QMessageBox::No;
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        escape = QMessageBox::Cancel;
        break;
    }
    box.setEscapeButton(escape);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return DefaultAnswer(request.buttons);
    }
}

QString QtFilterText(const FileFilter& filter)
{
    return filter.label + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
}

namespace {

bool HasWildcard(const QString& name)
{
    return name.contains(u'*') || name.contains(u'?');
}

// Labels that already show their patterns ("Any Files (*.*)"): Qt would show
// the patterns a second time after them.
bool LabelsShowPatterns(const QList<FileFilter>& filters)
{
    if (filters.isEmpty())
        return false;
    for (const FileFilter& filter : filters) {
        if (!filter.label.trimmed().endsWith(u')'))
            return false;
    }
    return true;
}

// Qt's file dialog takes a name with a wildcard for a file name. Here, as in
// the Windows dialogs, a wildcard typed into the name field filters the list
// and the dialog stays open; the open dialog still takes an existing file
// whose name happens to hold one.
class PickerDialog : public QFileDialog
{
public:
    PickerDialog(QWidget* owner, const QString& title, const QString& folder, bool save)
        : QFileDialog(owner, title, folder), m_save(save)
    {
        setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }

    void accept() override
    {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (field && ApplyWildcard(field->text().trimmed()))
            return;
        QFileDialog::accept();
    }

private:
    // Filters the list by a typed pattern; false when the text is a name.
    bool ApplyWildcard(const QString& typed)
    {
        const QString name = typed.mid(typed.lastIndexOf(u'/') + 1);
        if (!HasWildcard(name))
            return false;
        const QString folder = typed.left(typed.size() - name.size());
        const QDir base = folder.isEmpty() ? directory() : QDir(directory().filePath(folder));
        if (!m_save && QFileInfo(base.filePath(name)).isFile())
            return false;
        auto* model = findChild<QFileSystemModel*>();
        if (!model)
            return false; // not Qt's own widgets: the result is checked instead
        if (!folder.isEmpty() && base.exists())
            setDirectory(base.absolutePath());
        model->setNameFilters(
            name.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts));
        if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            field->setText(name);
        // The dialog selects what it takes the pattern to name (the folder);
        // a name typed next must not lose to that selection.
        for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
            if (view->selectionModel())
                view->selectionModel()->clearSelection();
        }
        return true;
    }

    bool m_save;
};

std::optional<QString> RunFileDialog(const FileDialogRequest& request, bool save)
{
    PickerDialog dialog(request.owner, request.title, request.initialFolder, save);
    // Replacing is asked by Convert, not here.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, LabelsShowPatterns(request.filters));
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters.append(QtFilterText(filter));
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
        dialog.selectNameFilter(filters[request.selectedFilter]);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    // A pattern is never a choice, whichever dialog returned it.
    const QFileInfo info(chosen);
    if (HasWildcard(info.fileName()) && (save || !info.isFile()))
        return std::nullopt;
    return QDir::toNativeSeparators(chosen);
}

} // namespace

std::optional<QString> QtUiServices::GetOpenFileName(const FileDialogRequest& request)
{
    return RunFileDialog(request, false);
}

std::optional<QString> QtUiServices::GetSaveFileName(const FileDialogRequest& request)
{
    return RunFileDialog(request, true);
}

std::optional<FontChoice> QtUiServices::ChooseFont(QWidget* owner, const LogFont& initial)
{
    FontChooserDialog chooser(initial, owner);
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.Choice();
}

void QtUiServices::BeginWaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiServices::EndWaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void QtUiServices::OpenUrl(const QUrl& url, std::function<void(bool opened)> done)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt counts xdg-open as success once it has started, though it may then
    // find no handler and exit with a failure. Its status decides here; it is
    // watched, not waited for, since it may run as long as the browser.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        // Not parented: the program ending must not end the opener (nor the
        // browser it runs).
        auto* process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        auto answered = std::make_shared<bool>(false);
        const auto answer = [process, answered, done](bool opened) {
            if (*answered)
                return;
            *answered = true;
            process->deleteLater();
            if (done)
                done(opened);
        };
        QObject::connect(process, &QProcess::finished, process,
                         [answer](int code, QProcess::ExitStatus status) {
                             answer(status == QProcess::NormalExit && code == 0);
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [answer](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart)
                                 answer(false);
                         });
        process->start(opener,
                       {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
        return;
    }
#endif
    const bool opened = QDesktopServices::openUrl(url);
    if (done)
        done(opened);
}

bool QtUiServices::StartDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

std::optional<int> QtUiServices::TrackPopupMenu(QMenu& menu, const QPoint& screenPoint)
{
    QAction* chosen = menu.exec(screenPoint);
    if (!chosen || chosen->data().toInt() == 0)
        return std::nullopt;
    return chosen->data().toInt();
}
