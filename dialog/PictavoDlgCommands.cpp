// The small commands (calculator, font, text position checks, pixel format),
// the output-file chooser and Convert.
#include "dialog/CPictavoDlg.h"

#include "convert/AspectRatio.h"
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/OutputNames.h"
#include "convert/PixelFormats.h"
#include "language/CLanguage.h"
#include "platform/FileHelpers.h"
#include "platform/SettingsStore.h"
#include "platform/TypedNumber.h"
#include "platform/UiServices.h"
#include "resources/resource.h"

#include <QComboBox>

namespace {

// What a conversion run reports reaches the user through the window.
class DialogConversionHost : public IConversionHost
{
public:
    explicit DialogConversionHost(TemplateDialog& dialog) : m_dialog(dialog) {}

    int ShowMessage(const QString& text, const QString& caption, MessageButtons buttons,
                    MessageIcon icon) override
    {
        return ::ShowMessage(&m_dialog, text, caption, buttons, icon);
    }
    void ShowOwnerlessMessage(const QString& text, const QString& caption) override
    {
        ::ShowMessage(nullptr, text, caption);
    }
    void SetTextXField(const QString& text) override
    {
        m_dialog.SetDlgItemText(IDC_EDIT_TEXT_X, text);
    }
    void SetTextYField(const QString& text) override
    {
        m_dialog.SetDlgItemText(IDC_EDIT_TEXT_Y, text);
    }
    void BeginWaitCursor() override { UiServices().BeginWaitCursor(); }
    void EndWaitCursor() override { UiServices().EndWaitCursor(); }

private:
    TemplateDialog& m_dialog;
};

} // namespace

// ---------------------------------------------------------------------------
// Aspect-ratio calculator

// The calculator needs a photo's proportions; without one it says so.
bool CPictavoDlg::HasPhotoForCalculator()
{
    if (!m_szPhotoPath.isEmpty())
        return true;
    Message(theLanguage.GetString(IDS_STRING108), theLanguage.GetString(IDS_MESSAGE_ERROR));
    return false;
}

void CPictavoDlg::OnBnClickedButtonBaseWidth()
{
    if (!HasPhotoForCalculator())
        return;
    m_nOutputWidth = ReadNumberField(IDC_EDIT_OUTPUT_WIDTH, kSizeFieldChars);
    m_nOutputHeight = HeightForWidth(m_nPhotoWidth, m_nPhotoHeight, m_nOutputWidth);
    SetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT, QString::number(m_nOutputHeight));
}

void CPictavoDlg::OnBnClickedButtonBaseHeight()
{
    if (!HasPhotoForCalculator())
        return;
    m_nOutputHeight = ReadNumberField(IDC_EDIT_OUTPUT_HEIGHT, kSizeFieldChars);
    m_nOutputWidth = WidthForHeight(m_nPhotoWidth, m_nPhotoHeight, m_nOutputHeight);
    SetDlgItemText(IDC_EDIT_OUTPUT_WIDTH, QString::number(m_nOutputWidth));
}

// ---------------------------------------------------------------------------
// Overlay font and text position

void CPictavoDlg::OnBnClickedButtonFont()
{
    const std::optional<FontChoice> choice = UiServices().ChooseFont(this, m_lfText);
    if (!choice)
        return;
    m_lfText = choice->font;
    m_crTextColor = choice->color;
    ShowTextFaceName();
}

void CPictavoDlg::OnEnKillfocusEditTextX()
{
    CheckTextPosition(IDC_EDIT_TEXT_X);
}

void CPictavoDlg::OnEnKillfocusEditTextY()
{
    CheckTextPosition(IDC_EDIT_TEXT_Y);
}

// Warns about a position outside the output size; changes no field.
void CPictavoDlg::CheckTextPosition(int fieldId)
{
    if (m_szPhotoPath.isEmpty())
        return;
    m_nOutputWidth = ReadNumberField(IDC_EDIT_OUTPUT_WIDTH, kSizeFieldChars);
    m_nOutputHeight = ReadNumberField(IDC_EDIT_OUTPUT_HEIGHT, kSizeFieldChars);
    const QString error = theLanguage.GetString(IDS_MESSAGE_ERROR);
    if (m_nOutputWidth <= 0) {
        Message(theLanguage.GetString(IDS_STRING111), error);
        return;
    }
    if (m_nOutputHeight <= 0) {
        Message(theLanguage.GetString(IDS_STRING112), error);
        return;
    }
    const int value = ReadNumberField(fieldId, kPositionFieldChars);
    // A negative x passes here; the conversion resets it.
    if (fieldId == IDC_EDIT_TEXT_X && value >= m_nOutputWidth)
        Message(theLanguage.GetString(IDS_STRING123), error);
    else if (fieldId == IDC_EDIT_TEXT_Y && (value >= m_nOutputHeight || value < 0))
        Message(theLanguage.GetString(IDS_STRING124), error);
}

// ---------------------------------------------------------------------------
// Pixel format

void CPictavoDlg::OnCbnSelchangeComboPixelFormat()
{
    const PixelFormatEntry& entry = PixelFormatForIndex(m_comboPixelFormat->currentIndex());
    m_nPixelFormat = entry.code;
    SetDlgItemText(IDC_STATIC_PIXEL_FORMAT_INFO, theLanguage.GetString(entry.descriptionId));
    m_nIndexedFormat = IndexedFormatFor(m_nPixelFormat);
}

// ---------------------------------------------------------------------------
// Output file

void CPictavoDlg::OnBnClickedButtonOutputFileBrowse()
{
    FileDialogRequest request;
    request.owner = this;
    request.title = QStringLiteral("Select Output");
    request.filters = {{QStringLiteral("BITMAP file"), {QStringLiteral("*.bmp")}}};
    request.initialFolder = OutputChooserFolder(m_strOutputFile);
    request.initialName = QStringLiteral("*.*");
    const std::optional<QString> chosen = UiServices().GetSaveFileName(request);
    if (!chosen)
        return;
    const QString path = ForceBmpExtension(*chosen);
    if (!SetOutputFilePath(path))
        return;
    m_strOutputFolder = GetPathFolder(path);
    m_settings.WriteProfileString(QStringLiteral("Option"), QStringLiteral("last_output_folder"),
                                  m_strOutputFolder);
}

// ---------------------------------------------------------------------------
// Convert

ConversionRequest CPictavoDlg::CurrentRequest() const
{
    ConversionRequest request;
    request.outputWidthText = GetDlgItemText(IDC_EDIT_OUTPUT_WIDTH);
    request.outputHeightText = GetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT);
    request.text = GetDlgItemText(IDC_EDIT_ADD_TEXT);
    request.textXText = GetDlgItemText(IDC_EDIT_TEXT_X);
    request.textYText = GetDlgItemText(IDC_EDIT_TEXT_Y);
    request.font = m_lfText;
    request.textColor = m_crTextColor;
    request.rotateAngle = m_nRotateAngle;
    request.flipType = m_nFlipType;
    request.pixelFormat = m_nPixelFormat;
    request.indexedFormat = m_nIndexedFormat;
    request.outputPath = m_strOutputFile;
    return request;
}

void CPictavoDlg::OnBnClickedButtonConvert()
{
    if (!m_szPhotoPath.isEmpty())
        DoDataExchange(true);
    const ConversionRequest request = CurrentRequest();

    DialogConversionHost host(*this);
    const ConversionOutcome outcome =
        RunConvertCommand(m_imaging, m_szPhotoPath, m_pPhoto, request, host);
    if (outcome.ran) {
        m_nOutputWidth = outcome.outputWidth;
        m_nOutputHeight = outcome.outputHeight;
        m_szOutputPath = request.outputPath;
    }
}
