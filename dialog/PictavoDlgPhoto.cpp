// Opening a photo and choosing its frame.
#include "dialog/CPictavoDlg.h"

#include "convert/OutputNames.h"
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "platform/FileHelpers.h"
#include "platform/SettingsStore.h"
#include "platform/TypedNumber.h"
#include "platform/UiServices.h"
#include "resources/resource.h"

#include <QComboBox>

namespace {

FileDialogRequest OpenPhotoRequest(QWidget* owner, const QString& initialFolder)
{
    FileDialogRequest request;
    request.owner = owner;
    request.title = QStringLiteral("Select a Picture file...");
    // Every kind the decoder reads is offered, camera RAW names included.
    request.filters = {
        {QStringLiteral("Picture Files "
                        "(*.jpg;*.jpeg;*.gif;*.png;*.tif;*.ico;*.exif;*.wmf;*.emf;*.dib;*.bmp)"),
         {QStringLiteral("*.bmp"),  QStringLiteral("*.gif"),  QStringLiteral("*.png"),
          QStringLiteral("*.tif"),  QStringLiteral("*.jpg"),  QStringLiteral("*.jpeg"),
          QStringLiteral("*.ico"),  QStringLiteral("*.exif"), QStringLiteral("*.wmf"),
          QStringLiteral("*.emf"),  QStringLiteral("*.dib"),  QStringLiteral("*.raw"),
          QStringLiteral("*.tiff"), QStringLiteral("*.webp"), QStringLiteral("*.dng"),
          QStringLiteral("*.cr2"),  QStringLiteral("*.cr3"),  QStringLiteral("*.nef"),
          QStringLiteral("*.arw"),  QStringLiteral("*.orf"),  QStringLiteral("*.rw2"),
          QStringLiteral("*.raf"),  QStringLiteral("*.pef")}},
        // "*" rather than "*.*": names without a dot are files too here.
        {QStringLiteral("Any Files (*.*)"), {QStringLiteral("*")}},
    };
    request.selectedFilter = 0;
    request.initialFolder = initialFolder;
    return request;
}

QString FrameDimensionLabel(const QUuid& dimension, int position)
{
    if (dimension == FrameDimensionTime)
        return QStringLiteral("FrameDimensionTime");
    if (dimension == FrameDimensionResolution)
        return QStringLiteral("FrameDimensionResolution");
    if (dimension == FrameDimensionPage)
        return QStringLiteral("FrameDimensionPage");
    return QStringLiteral("Dimension%1").arg(position);
}

} // namespace

bool CPictavoDlg::SetOutputFilePath(const QString& path)
{
    if (path.size() <= kMaxPathChars) {
        m_strOutputFile = path;
        SetDlgItemText(IDC_EDIT_OUTPUT_FILE, path);
        return true;
    }
    // Neither cut it nor keep the previous photo's output path: the user
    // chooses a shorter one.
    m_strOutputFile.clear();
    SetDlgItemText(IDC_EDIT_OUTPUT_FILE, QString());
    Message(QStringLiteral("The output path would be longer than %1 characters, which the system "
                           "does not accept. Please choose a shorter one with Browse:\n%2")
                .arg(QString::number(kMaxPathChars), path),
            theLanguage.GetString(IDS_MESSAGE_ERROR));
    return false;
}

void CPictavoDlg::OnBnClickedButtonOpenPhoto()
{
    const QString lastFolder = m_settings.GetProfileString(
        QStringLiteral("Option"), QStringLiteral("LastPhotoFolder"), QString());
    const std::optional<QString> chosen =
        UiServices().GetOpenFileName(OpenPhotoRequest(this, lastFolder));
    if (!chosen)
        return;
    OpenPhotoFile(*chosen);
}

void CPictavoDlg::OpenPhotoFile(const QString& path)
{
    m_szPhotoPath = path;
    m_settings.WriteProfileString(QStringLiteral("Option"), QStringLiteral("LastPhotoFolder"),
                                  GetPathFolder(m_szPhotoPath));

    // The previous photo goes; the new one stays even when it cannot be
    // decoded (the width check below reports that).
    if (m_pPhoto) {
        m_imaging.DisposeImage(m_pPhoto);
        m_pPhoto = nullptr;
    }
    UiServices().BeginWaitCursor();
    m_imaging.LoadImageFromFile(m_szPhotoPath, &m_pPhoto);
    UiServices().EndWaitCursor();
    DrawPreview();

    const QString displayName = GetDisplayName(m_szPhotoPath).value_or(QString());
    SetOutputFilePath(DefaultOutputPath(m_strOutputFolder, m_szPhotoPath));
    EnableDlgItem(IDC_EDIT_OUTPUT_FILE, true);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_imaging.GetImageWidth(m_pPhoto, &width);
    m_imaging.GetImageHeight(m_pPhoto, &height);
    m_nPhotoWidth = int(std::min<std::uint32_t>(width, INT32_MAX));
    m_nPhotoHeight = int(std::min<std::uint32_t>(height, INT32_MAX));
    if (m_nPhotoWidth <= 0) {
        Message(theLanguage.GetString(IDS_STRING126), m_szPhotoPath);
        return;
    }
    if (m_nPhotoHeight <= 0) {
        Message(theLanguage.GetString(IDS_STRING127), m_szPhotoPath);
        return;
    }
    SetDlgItemText(IDC_EDIT_OUTPUT_WIDTH, QString::number(m_nPhotoWidth));
    SetDlgItemText(IDC_EDIT_OUTPUT_HEIGHT, QString::number(m_nPhotoHeight));
    EnableDlgItem(IDC_EDIT_OUTPUT_WIDTH, true);
    EnableDlgItem(IDC_EDIT_OUTPUT_HEIGHT, true);
    // Filled in one pass: a name may hold "%1" and the like itself.
    SetDlgItemText(IDC_STATIC_PHOTO_INFO, QStringLiteral("%1 %2 * %3")
                                              .arg(displayName, QString::number(m_nPhotoWidth),
                                                   QString::number(m_nPhotoHeight)));

    FillFrameDimensions();

    // A text position from the previous photo may lie outside this one.
    const QString warning = theLanguage.GetString(IDS_MESSAGE_WARNING);
    if (ReadNumberField(IDC_EDIT_TEXT_X, kPositionFieldChars) >= m_nPhotoWidth) {
        Message(theLanguage.GetString(IDS_STRING128), warning);
        SetDlgItemText(IDC_EDIT_TEXT_X, QStringLiteral("0"));
    }
    if (ReadNumberField(IDC_EDIT_TEXT_Y, kPositionFieldChars) >= m_nPhotoHeight) {
        Message(theLanguage.GetString(IDS_STRING129), warning);
        SetDlgItemText(IDC_EDIT_TEXT_Y, QStringLiteral("0"));
    }
}

void CPictavoDlg::FillFrameDimensions()
{
    m_pFrameDimensions.reset();
    m_nFrameDimensionCount = 0;
    m_nFrameCount.fill(0);

    std::uint32_t reported = 0;
    m_imaging.ImageGetFrameDimensionsCount(m_pPhoto, &reported);
    std::unique_ptr<QUuid[]> dimensions;
    if (reported > 0) {
        dimensions = std::make_unique<QUuid[]>(reported);
        if (m_imaging.ImageGetFrameDimensionsList(m_pPhoto, dimensions.get(), reported) != Ok)
            reported = 0;
    }
    // Counts are kept for the first dimensions only; more are not offered.
    const int count = int(std::min<std::uint32_t>(reported, kMaxFrameDimensions));
    m_comboFrameDimension->clear();
    for (int i = 0; i < count; ++i) {
        m_comboFrameDimension->insertItem(i, FrameDimensionLabel(dimensions[i], i));
        std::uint32_t frames = 0;
        m_imaging.ImageGetFrameCount(m_pPhoto, dimensions[i], &frames);
        m_nFrameCount[i] = int(std::min<std::uint32_t>(frames, INT32_MAX));
        SetDlgItemText(IDC_STATIC_FRAME_RANGE,
                       QStringLiteral("Set frame from 0 to %1").arg(m_nFrameCount[i] - 1));
    }
    m_pFrameDimensions = std::move(dimensions);
    m_nFrameDimensionCount = count;

    m_comboFrameDimension->setCurrentIndex(count > 0 ? 0 : -1);
    ShowDlgItem(IDC_COMBO_FRAME_DIMENSION, count >= 2);
    SetDlgItemText(IDC_EDIT_FRAME_NUMBER, QStringLiteral("0"));
    const bool severalFrames = m_nFrameCount[0] >= 2;
    ShowDlgItem(IDC_EDIT_FRAME_NUMBER, severalFrames);
    ShowDlgItem(IDC_STATIC_FRAME_RANGE, severalFrames);
}

int CPictavoDlg::SelectedFrameDimension() const
{
    if (!m_pPhoto || !m_pFrameDimensions)
        return -1;
    const int i = m_comboFrameDimension->currentIndex();
    return i >= 0 && i < m_nFrameDimensionCount ? i : -1;
}

void CPictavoDlg::SelectFrame(int dimension, int frame)
{
    // A frame far into an animation may take a while to decode.
    UiServices().BeginWaitCursor();
    m_imaging.ImageSelectActiveFrame(m_pPhoto, m_pFrameDimensions[dimension], std::uint32_t(frame));
    UiServices().EndWaitCursor();
    // The whole window is marked for repainting; the preview is painted at
    // once (a repaint of the window alone does not reach it on every
    // platform).
    update();
    DrawPreview();
}

void CPictavoDlg::OnCbnSelchangeComboFrameDimension()
{
    const int i = m_comboFrameDimension->currentIndex();
    if (i < 0 || i >= kMaxFrameDimensions)
        return;
    SetDlgItemText(IDC_STATIC_FRAME_RANGE,
                   FormatLanguageString(theLanguage, IDS_STRING122, {m_nFrameCount[i] - 1}));
}

void CPictavoDlg::OnEnKillfocusEditFrameNumber()
{
    const int i = SelectedFrameDimension();
    if (i < 0)
        return;
    const QString text = GetDlgItemText(IDC_EDIT_FRAME_NUMBER).left(kFrameFieldChars);
    if (text.isEmpty())
        return;
    const int n = ReadNumberField(IDC_EDIT_FRAME_NUMBER, kFrameFieldChars);
    if (n >= 0 && n < m_nFrameCount[i]) {
        SelectFrame(i, n);
        return;
    }
    Message(theLanguage.GetString(IDS_STRING121), theLanguage.GetString(IDS_MESSAGE_ERROR));
}

void CPictavoDlg::OnEnUpdateEditFrameNumber()
{
    const int i = SelectedFrameDimension();
    if (i < 0 || m_nFrameCount[i] <= 0)
        return;
    if (GetDlgItemText(IDC_EDIT_FRAME_NUMBER).isEmpty())
        return;
    int n = ReadNumberField(IDC_EDIT_FRAME_NUMBER, kFrameFieldChars);
    if (n < 0) {
        n = 0;
        SetDlgItemText(IDC_EDIT_FRAME_NUMBER, QStringLiteral("0"));
    }
    if (n >= m_nFrameCount[i]) {
        n = m_nFrameCount[i] - 1;
        SetDlgItemText(IDC_EDIT_FRAME_NUMBER, QString::number(n));
    }
    SelectFrame(i, n);
}
