#include "platform/QtUiServices.h"

#include "platform/FontChooser.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

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

static std::optional<QString> RunFileDialog(const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(request.owner, request.title, request.initialFolder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Replacing is asked by Convert, not here.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
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
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

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

bool QtUiServices::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
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
