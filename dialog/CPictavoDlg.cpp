// The main dialog: construction, initialisation, event routing, the close
// routine and preview painting. The handlers live in PictavoDlg*.cpp.
#include "dialog/CPictavoDlg.h"

#include "convert/ResultPreview.h"
#include "dialog/PhotoDrop.h"
#include "dialog/ProgramIcon.h"
#include "language/CLanguage.h"
#include "language/LogFontSettings.h"
#include "platform/FileHelpers.h"
#include "platform/SettingsStore.h"
#include "platform/TypedNumber.h"
#include "platform/UiServices.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QToolTip>

namespace {

const QString kOption = QStringLiteral("Option");
const QString kCurrentFont = QStringLiteral("CurrentFont");

// The overlay font a first run starts from (an empty face name is replaced by
// the dialog's own font at initialisation).
LogFont DefaultTextFont()
{
    LogFont font;
    font.lfHeight = -13;
    font.lfWeight = 400;
    return font;
}

bool IsStaticKind(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::GroupBox ||
           kind == ControlKind::FilledRectangle || kind == ControlKind::Icon;
}

} // namespace

CPictavoDlg::CPictavoDlg(SettingsStore& settings, IImaging& imaging, QWidget* parent)
    : TemplateDialog(MainDialogTemplate(), parent), m_settings(settings), m_imaging(imaging)
{
    m_hIcon = ProgramIcon();
    m_comboFrameDimension = qobject_cast<QComboBox*>(GetDlgItem(IDC_COMBO_FRAME_DIMENSION));
    m_comboPixelFormat = qobject_cast<QComboBox*>(GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    LoadTextFont(m_lfText);
    m_crTextColor =
        std::uint32_t(m_settings.GetProfileInt(kCurrentFont, QStringLiteral("nCurrentColor"), 0));
    RouteControlEvents();
    SetUpResultPreview();
    new PhotoDropTarget(this, [this](const QString& path) { OpenPhotoFile(path); });
}

CPictavoDlg::~CPictavoDlg()
{
    // A dialog ended without its close routine (Escape, Enter) still frees
    // what it holds before it goes.
    ReleasePhoto();
    m_resultMaker.reset();
    if (m_gdiplusToken)
        m_imaging.Shutdown();
}

int CPictavoDlg::FrameCount(int dimension) const
{
    return dimension >= 0 && dimension < kMaxFrameDimensions ? m_nFrameCount[dimension] : 0;
}

int CPictavoDlg::DoModal()
{
    if (!m_bInitialised)
        OnInitDialog();
    return exec() == QDialog::Accepted ? 1 : 2;
}

void CPictavoDlg::DoDataExchange(bool saveAndValidate)
{
    auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(IDC_EDIT_OUTPUT_FILE));
    if (saveAndValidate)
        m_strOutputFile = edit->text();
    else
        edit->setText(m_strOutputFile);
}

// ---------------------------------------------------------------------------
// Initialisation

bool CPictavoDlg::OnInitDialog()
{
    m_bInitialised = true;
    // 1. The controls and the pixel-format list exist from the template.
    DoDataExchange(false);
    // 2. The window manager owns the system menu here; the About box is in
    // the popup menu.
    // 3. Window icons.
    setWindowIcon(m_hIcon);
    // 4. Operating-system version.
    const QStringList kernel = QSysInfo::kernelVersion().split(u'.');
    m_osvi.dwMajorVersion = kernel.value(0).toInt();
    m_osvi.dwMinorVersion = kernel.value(1).toInt();
    m_osvi.szCSDVersion = QSysInfo::prettyProductName();
    // 5. Texts of the current language.
    theLanguage.TranslateDialog(*this, IDD_MAIN_DIALOG);
    // 6, 7. The output folder.
    m_strOutputFolder = ChooseInitialOutputFolder();
    m_strOutputFile = m_strOutputFolder;
    // 8. Edits that need a photo.
    EnableDlgItem(IDC_EDIT_OUTPUT_FILE, false);
    EnableDlgItem(IDC_EDIT_OUTPUT_WIDTH, false);
    EnableDlgItem(IDC_EDIT_OUTPUT_HEIGHT, false);
    // 9.
    DoDataExchange(false);
    // 10, 11. Rotation and flip.
    ApplyStoredRotation();
    ApplyStoredFlip();
    // 12. Imaging.
    m_imaging.Startup();
    m_gdiplusToken = 1;
    // 13. Frame controls appear with a picture that has frames.
    ShowDlgItem(IDC_COMBO_FRAME_DIMENSION, false);
    ShowDlgItem(IDC_EDIT_FRAME_NUMBER, false);
    ShowDlgItem(IDC_STATIC_FRAME_RANGE, false);
    // 14. Text position.
    SetDlgItemText(IDC_EDIT_TEXT_X, QStringLiteral("0"));
    SetDlgItemText(IDC_EDIT_TEXT_Y, QStringLiteral("0"));
    // 15, 16. Overlay font: the dialog's own until one is chosen.
    if (m_lfText.lfFaceName.isEmpty()) {
        QFont own = font();
        own.setFamily(QFontInfo(own).family());
        m_lfText = FromQFont(own);
    }
    ShowTextFaceName();
    // 17.
    GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->setFocus();
    // 18. Pixel format.
    const int index = m_settings.GetProfileInt(kOption, QStringLiteral("iComboPixelFormat"), 4);
    m_comboPixelFormat->setCurrentIndex(index >= 0 && index < m_comboPixelFormat->count() ? index
                                                                                          : -1);
    OnCbnSelchangeComboPixelFormat();
    return true;
}

QString CPictavoDlg::ChooseInitialOutputFolder()
{
    // Every platform Qt runs on has a Pictures folder service, so the branch
    // for old systems without one does not arise. A home without a Pictures
    // folder is ordinary on Linux: the home folder then serves quietly, and
    // only a user with no folder at all hears about it.
    const QString candidates[] = {
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
        QDir::home().filePath(QStringLiteral("Pictures")),
        QDir::homePath(),
    };
    QString fallback;
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir()) {
            fallback = QDir::toNativeSeparators(QDir::cleanPath(candidate));
            break;
        }
    }
    if (fallback.isEmpty()) {
        Message(QStringLiteral("Can not get My Picture directory!"), QStringLiteral("Error"));
        fallback = QDir::toNativeSeparators(QDir::rootPath());
    }
    if (!fallback.endsWith(QDir::separator()))
        fallback += QDir::separator();
    const QString stored =
        m_settings.GetProfileString(kOption, QStringLiteral("last_output_folder"), fallback);
    // A stored folder no path could be made in is not used.
    return stored.size() < kMaxPathChars ? stored : fallback;
}

void CPictavoDlg::ApplyStoredRotation()
{
    m_nRotateAngle = m_settings.GetProfileInt(kOption, QStringLiteral("nRotateAngel"), 0);
    switch (m_nRotateAngle) {
    case 0:
        CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_0);
        break;
    case 90:
        CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_90);
        break;
    case 180:
        CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_180);
        break;
    case 270:
        CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_270);
        break;
    default:
        Message(QStringLiteral("Unknown rotate angle!"), QStringLiteral("Error"));
        break;
    }
}

void CPictavoDlg::ApplyStoredFlip()
{
    m_nFlipType = m_settings.GetProfileInt(kOption, QStringLiteral("nFlipType"), 0);
    if (m_nFlipType >= 0 && m_nFlipType <= 2)
        CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL,
                         IDC_RADIO_FLIP_NO + m_nFlipType);
    else
        Message(QStringLiteral("Unknown flip type!"), QStringLiteral("Error"));
}

void CPictavoDlg::ShowTextFaceName()
{
    SetDlgItemText(IDC_STATIC_FONT_NAME, m_lfText.lfFaceName);
}

// ---------------------------------------------------------------------------
// Options

bool CPictavoDlg::LoadTextFont(LogFont& font)
{
    font = ReadLogFont(&m_settings, kCurrentFont, DefaultTextFont());
    return true;
}

bool CPictavoDlg::SaveTextFont(const LogFont& font)
{
    WriteLogFont(m_settings, kCurrentFont, font);
    return true;
}

void CPictavoDlg::SaveOptionsAndShutdown()
{
    DoDataExchange(true);
    m_settings.WriteProfileInt(kOption, QStringLiteral("nRotateAngel"), m_nRotateAngle);
    m_settings.WriteProfileInt(kOption, QStringLiteral("nFlipType"), m_nFlipType);
    m_settings.WriteProfileString(kOption, QStringLiteral("CurrentLanguage"),
                                  theLanguage.GetCurrentLanguage());
    m_settings.WriteProfileString(kOption, QStringLiteral("last_output_folder"), m_strOutputFolder);
    SaveTextFont(m_lfText);
    m_settings.WriteProfileInt(kCurrentFont, QStringLiteral("nCurrentColor"), int(m_crTextColor));
    m_settings.WriteProfileInt(kOption, QStringLiteral("iComboPixelFormat"),
                               m_comboPixelFormat->currentIndex());
    ReleasePhoto();
    // The close request ends the modal run; Exit cancels after this returns.
    if (m_bClosing)
        reject();
    if (m_gdiplusToken) {
        m_imaging.Shutdown();
        m_gdiplusToken = 0;
    }
}

void CPictavoDlg::OnClose()
{
    m_bClosing = true;
    SaveOptionsAndShutdown();
    m_bClosing = false;
}

void CPictavoDlg::OnBnClickedButtonExit()
{
    SaveOptionsAndShutdown();
    reject();
}

void CPictavoDlg::ReleasePhoto()
{
    m_pFrameDimensions.reset();
    if (m_resultMaker)
        m_resultMaker->Forget();
    if (m_pPhoto) {
        m_imaging.DisposeImage(m_pPhoto);
        m_pPhoto = nullptr;
    }
}

int CPictavoDlg::Message(const QString& text, const QString& caption, MessageButtons buttons,
                         MessageIcon icon)
{
    return ShowMessage(this, text, caption, buttons, icon);
}

int CPictavoDlg::ReadNumberField(int id, int maxChars) const
{
    return ParseTypedField(GetDlgItemText(id), maxChars);
}

// ---------------------------------------------------------------------------
// Routing

void CPictavoDlg::RouteControlEvents()
{
    for (const ControlTemplate& control : Template().controls) {
        QWidget* widget = GetDlgItem(control.id);
        if (!widget)
            continue;
        const UINT id = UINT(control.id);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, id] { WindowProc(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); });
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            connect(combo, &QComboBox::activated, this,
                    [this, id] { WindowProc(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), 0); });
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textChanged, this,
                    [this, id] { WindowProc(WM_COMMAND, MAKEWPARAM(id, EN_UPDATE), 0); });
        }
    }
    GetDlgItem(IDC_STATIC_PREVIEW)->installEventFilter(this);
}

LRESULT CPictavoDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnLanguageCommand(LOWORD(wParam));
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        NoteCommandForResult(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_RBUTTONUP:
        ShowPopupMenu(
            QPoint(int(LOWORD(std::uintptr_t(lParam))), int(HIWORD(std::uintptr_t(lParam)))));
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(UINT(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        return 0;
    }
}

void CPictavoDlg::OnCommand(UINT id, UINT notifyCode)
{
    if (notifyCode == BN_CLICKED) {
        switch (id) {
        case IDC_BUTTON_OPEN_PHOTO:
            return OnBnClickedButtonOpenPhoto();
        case IDC_BUTTON_CONVERT:
            return OnBnClickedButtonConvert();
        case IDC_BUTTON_OUTPUT_FILE_BROWSE:
            return OnBnClickedButtonOutputFileBrowse();
        case IDC_BUTTON_BASE_WIDTH:
            return OnBnClickedButtonBaseWidth();
        case IDC_BUTTON_BASE_HEIGHT:
            return OnBnClickedButtonBaseHeight();
        case IDC_RADIO_ROTATE_0:
        case IDC_RADIO_ROTATE_90:
        case IDC_RADIO_ROTATE_180:
        case IDC_RADIO_ROTATE_270:
            m_nRotateAngle = 90 * int(id - IDC_RADIO_ROTATE_0);
            return;
        case IDC_RADIO_FLIP_NO:
        case IDC_RADIO_FLIP_HORIZONTAL:
        case IDC_RADIO_FLIP_VERTICAL:
            m_nFlipType = int(id - IDC_RADIO_FLIP_NO);
            return;
        case IDC_BUTTON_HOMEPAGE:
            return OnBnClickedButtonHomepage();
        case IDC_BUTTON_HELP:
            return OnBnClickedButtonHelp();
        case IDC_BUTTON_EXIT:
            return OnBnClickedButtonExit();
        case IDC_BUTTON_FONT:
            return OnBnClickedButtonFont();
        case IDM_ABOUT:
            return OnPopupAbout();
        case IDM_POPUPMENU_FONT:
            return OnPopupMenuFont();
        default:
            return;
        }
    }
    if (notifyCode == EN_KILLFOCUS) {
        if (id == IDC_EDIT_FRAME_NUMBER)
            OnEnKillfocusEditFrameNumber();
        else if (id == IDC_EDIT_TEXT_X)
            OnEnKillfocusEditTextX();
        else if (id == IDC_EDIT_TEXT_Y)
            OnEnKillfocusEditTextY();
    } else if (notifyCode == EN_UPDATE && id == IDC_EDIT_FRAME_NUMBER) {
        OnEnUpdateEditFrameNumber();
    } else if (notifyCode == CBN_SELCHANGE) {
        if (id == IDC_COMBO_FRAME_DIMENSION)
            OnCbnSelchangeComboFrameDimension();
        else if (id == IDC_COMBO_PIXEL_FORMAT)
            OnCbnSelchangeComboPixelFormat();
    }
}

bool CPictavoDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GetDlgItem(IDC_STATIC_PREVIEW)) {
        switch (event->type()) {
        case QEvent::Paint:
            OnPaint();
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                ToggleResultPreview();
            break;
        case QEvent::ToolTip:
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), PreviewToolTip(),
                               qobject_cast<QWidget*>(watched));
            return true;
        default:
            break;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        // Leaving a field, not the window: a menu, another program or a box
        // taking over does not count as leaving it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const int id = GetDlgCtrlID(qobject_cast<QWidget*>(watched));
            if (id > 0) {
                const Qt::MouseButtons held = QGuiApplication::mouseButtons();
                WindowProc(WM_COMMAND, MAKEWPARAM(UINT(id), EN_KILLFOCUS), 0);
                // A click moved the focus, and a box shown on the way took
                // the button's release: the click is over, so its press must
                // not leave the control it was meant for pressed.
                if (reason == Qt::MouseFocusReason && (held & ~QGuiApplication::mouseButtons()))
                    DropPressInDelivery();
            }
        }
    }
    return TemplateDialog::eventFilter(watched, event);
}

void CPictavoDlg::closeEvent(QCloseEvent* event)
{
    WindowProc(WM_CLOSE, 0, 0);
    event->accept();
}

void CPictavoDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the push button that has the focus; anywhere else it
        // confirms the dialog, which stores nothing.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
        DoDataExchange(true);
        accept();
        return;
    }
    TemplateDialog::keyPressEvent(event); // Escape cancels
}

bool CPictavoDlg::IsStaticControlAt(const QPoint& clientPoint) const
{
    QWidget* child = childAt(clientPoint);
    while (child && child->parentWidget() != this)
        child = child->parentWidget();
    // The dialog's own background, and a disabled control, which takes no
    // mouse input and leaves the click to the dialog.
    if (!child || !child->isEnabled())
        return true;
    for (const ControlTemplate& control : Template().controls) {
        if (GetDlgItem(control.id) == child)
            return IsStaticKind(control.kind);
    }
    return false;
}

void CPictavoDlg::mouseReleaseEvent(QMouseEvent* event)
{
    // A right-button release that a control did not take for itself reaches
    // the dialog (labels, group boxes and the preview let it through).
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton && IsStaticControlAt(point) && point.x() >= 0 &&
        point.y() >= 0) {
        WindowProc(WM_RBUTTONUP, 0, MAKELPARAM(UINT(point.x()), UINT(point.y())));
        event->accept();
        return;
    }
    TemplateDialog::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------
// Preview

void CPictavoDlg::OnPaint()
{
    QWidget* preview = GetDlgItem(IDC_STATIC_PREVIEW);
    if (!m_pPhoto || !preview)
        return;
    if (m_bShowResult)
        return PaintResultPreview(preview);
    const QRect rect = preview->rect();
    GpGraphics* graphics = nullptr;
    if (m_imaging.CreateFromPaintDevice(preview, &graphics) != Ok)
        return;
    if (!rect.isEmpty())
        m_imaging.DrawImageRectI(graphics, m_pPhoto, rect.left(), rect.top(), rect.width(),
                                 rect.height());
    m_imaging.DeleteGraphics(graphics);
}

void CPictavoDlg::DrawPreview()
{
    // A new photo or frame: the result is made again from it.
    if (m_resultMaker)
        m_resultMaker->Forget();
    if (m_bShowResult)
        UpdateResultPreview();
    if (QWidget* preview = GetDlgItem(IDC_STATIC_PREVIEW))
        preview->repaint();
}
