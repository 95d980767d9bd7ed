// The program's window: a fixed-size dialog built from template 102 that owns
// every piece of conversion state (the opened photo and its frames, output
// size, rotation, flip, text overlay, pixel format, output path).
#pragma once

#include "convert/Imaging.h"
#include "language/LogFont.h"
#include "platform/TemplateDialog.h"
#include "platform/UiServices.h"
#include "platform/WindowMessages.h"

#include <QIcon>
#include <QString>
#include <QUuid>

#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QMenu;
class QTimer;
class ResultPreviewMaker;
class SettingsStore;
struct ConversionRequest;
struct ResultPreview;

// The operating-system version as the window asks for it.
struct OsVersionInfo
{
    int dwMajorVersion = 0;
    int dwMinorVersion = 0;
    int dwBuildNumber = 0;
    QString szCSDVersion;
};

// The most frame dimensions the window keeps counts for.
constexpr int kMaxFrameDimensions = 100;

class CPictavoDlg : public TemplateDialog
{
public:
    // The dialog keeps its options in the store and does its imaging through
    // the interface; neither is owned.
    CPictavoDlg(SettingsStore& settings, IImaging& imaging, QWidget* parent = nullptr);
    ~CPictavoDlg() override;

    // Initialises the dialog (once) and runs it modally; returns 1 for
    // confirm, 2 for cancel.
    int DoModal();

    // Exchanges the output-file edit with m_strOutputFile: into the member
    // when saveAndValidate, into the edit otherwise.
    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog();
    // The window procedure: commands (language commands first), the right
    // button's release over the dialog itself, the close request.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The close routine: stores the options, releases the photo, ends the
    // modal run and shuts the imaging down.
    void SaveOptionsAndShutdown();
    void OnClose();
    void OnBnClickedButtonExit();

    // Opening a photo and choosing its frame.
    void OnBnClickedButtonOpenPhoto();
    // What Open Photo does with the chosen file; a dropped file and one named
    // at start come here too.
    void OpenPhotoFile(const QString& path);
    void OnCbnSelchangeComboFrameDimension();
    void OnEnKillfocusEditFrameNumber();
    void OnEnUpdateEditFrameNumber();

    // Small commands.
    void OnBnClickedButtonBaseWidth();
    void OnBnClickedButtonBaseHeight();
    void OnBnClickedButtonFont();
    void OnEnKillfocusEditTextX();
    void OnEnKillfocusEditTextY();
    void CheckTextPosition(int fieldId);
    bool HasPhotoForCalculator();
    void OnCbnSelchangeComboPixelFormat();

    // Output and conversion.
    void OnBnClickedButtonOutputFileBrowse();
    void OnBnClickedButtonConvert();

    // Help, home page, About, language and interface font.
    void OnBnClickedButtonHomepage();
    void OnBnClickedButtonHelp();
    void OnPopupAbout();
    void OnSysCommand(UINT id);
    void OnLanguageCommand(UINT id);
    void OnPopupMenuFont();
    void OnSelectLanguage(UINT id);
    void ShowPopupMenu(const QPoint& clientPoint);
    void FillLanguageMenu(QMenu& menu, QMenu& popup);

    // Preview painting.
    void OnPaint();
    QIcon OnQueryDragIcon() const { return m_hIcon; }

    // The result preview: a left click on the preview (or Ctrl+R) switches
    // it between the picture and the file as it will be written, which
    // follows every change of the options.
    void ToggleResultPreview();
    bool ShowsResult() const { return m_bShowResult; }
    // Makes the result now instead of when the options settle.
    void UpdateResultPreview();
    bool ResultPending() const;
    // The last result made (none before the first).
    const ResultPreview* Result() const { return m_result.get(); }
    // The preview's tooltip: the output's size, format and file size.
    QString PreviewToolTip() const;
    // The options as a conversion would take them now.
    ConversionRequest CurrentRequest() const;

    // The overlay font in the store's section "CurrentFont".
    bool LoadTextFont(LogFont& font);
    bool SaveTextFont(const LogFont& font);

    // State, for the window's own parts and for tests.
    QString PhotoPath() const { return m_szPhotoPath; }
    QString OutputFile() const { return m_strOutputFile; }
    QString OutputFolder() const { return m_strOutputFolder; }
    int PhotoWidth() const { return m_nPhotoWidth; }
    int PhotoHeight() const { return m_nPhotoHeight; }
    int OutputWidth() const { return m_nOutputWidth; }
    int OutputHeight() const { return m_nOutputHeight; }
    int RotateAngle() const { return m_nRotateAngle; }
    int FlipType() const { return m_nFlipType; }
    const LogFont& TextFont() const { return m_lfText; }
    std::uint32_t TextColor() const { return m_crTextColor; }
    int PixelFormat() const { return m_nPixelFormat; }
    int IndexedFormat() const { return m_nIndexedFormat; }
    GpImage* Photo() const { return m_pPhoto; }
    int FrameDimensionCount() const { return m_nFrameDimensionCount; }
    int FrameCount(int dimension) const;
    bool ImagingStarted() const { return m_gdiplusToken != 0; }
    // The program file, beside which the help pages are; defaults to the
    // running program.
    void SetProgramPath(const QString& path) { m_strProgramPath = path; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RouteControlEvents();
    // Routes one command to its handler.
    void OnCommand(UINT id, UINT notifyCode);
    bool IsStaticControlAt(const QPoint& clientPoint) const;
    QString ChooseInitialOutputFolder();
    void ApplyStoredRotation();
    void ApplyStoredFlip();
    void ShowTextFaceName();
    // Puts a path into the output-file edit and m_strOutputFile; a path
    // longer than the edit holds is refused with a message rather than cut.
    bool SetOutputFilePath(const QString& path);
    void ReleasePhoto();
    void FillFrameDimensions();
    void SelectFrame(int dimension, int frame);
    int SelectedFrameDimension() const;
    void DrawPreview();
    void SetUpResultPreview();
    void ScheduleResultPreview(bool typing);
    void NoteCommandForResult(UINT id, UINT notifyCode);
    void PaintResultPreview(QWidget* preview);
    QSize ResultPreviewBox() const;
    int Message(const QString& text, const QString& caption,
                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);
    // Reads a typed number from a field, as far as the field is read.
    int ReadNumberField(int id, int maxChars) const;

    SettingsStore& m_settings;
    IImaging& m_imaging;

    QIcon m_hIcon;
    QString m_szPhotoPath;
    QString m_szOutputPath;
    QString m_strOutputFolder;
    QString m_strOutputFile;
    OsVersionInfo m_osvi;
    std::uintptr_t m_gdiplusToken = 0;
    int m_nPhotoWidth = 0;
    int m_nPhotoHeight = 0;
    int m_nOutputWidth = 0;
    int m_nOutputHeight = 0;
    int m_nRotateAngle = 0;
    int m_nFlipType = 0;
    GpImage* m_pPhoto = nullptr;
    std::unique_ptr<QUuid[]> m_pFrameDimensions;
    int m_nFrameDimensionCount = 0;
    std::array<int, kMaxFrameDimensions> m_nFrameCount{};
    QComboBox* m_comboFrameDimension = nullptr;
    LogFont m_lfText;
    std::uint32_t m_crTextColor = 0;
    int m_nPixelFormat = PixelFormat24bppRGB;
    QComboBox* m_comboPixelFormat = nullptr;
    int m_nIndexedFormat = 0;

    bool m_bShowResult = false;
    std::unique_ptr<ResultPreviewMaker> m_resultMaker;
    std::unique_ptr<ResultPreview> m_result;
    QTimer* m_resultTimer = nullptr;

    bool m_bInitialised = false;
    bool m_bClosing = false;
    QString m_strProgramPath;
};
