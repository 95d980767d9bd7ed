#include "resources/DialogTemplates.h"

#include "platform/FileHelpers.h"
#include "resources/resource.h"

namespace {

constexpr unsigned kButton = kStyleTabStop;
constexpr unsigned kEdit = kStyleTabStop;

constexpr const char16_t* kPixelFormats[] = {
    u"1 bit Indexed", u"4 bits Indexed", u"8 bits Indexed", u"16 bits RGB565", u"24 bits RGB",
    u"32 bits ARGB",  u"32 bits PARGB",  u"32 bits RGB",    u"64 bits ARGB",   u"64 bits PARGB",
};

constexpr ControlTemplate kMainControls[] = {
    {IDC_BUTTON_OPEN_PHOTO, ControlKind::PushButton, u"Open Photo", 7, 7, 66, 14, kButton},
    {IDC_BUTTON_EXIT, ControlKind::PushButton, u"Exit", 305, 271, 66, 16, kButton},
    {IDC_BUTTON_CONVERT, ControlKind::PushButton, u"Convert", 7, 271, 68, 16, kButton},
    {IDC_STATIC_PREVIEW, ControlKind::FilledRectangle, nullptr, 259, 7, 112, 77, kStyleNone},
    {IDC_EDIT_OUTPUT_FILE,
     ControlKind::Edit,
     nullptr,
     7,
     248,
     291,
     14,
     kEdit | kStyleDisabled,
     {},
     kMaxPathChars}, // a whole path, never a cut one
    {IDC_BUTTON_OUTPUT_FILE_BROWSE, ControlKind::PushButton, u"Browse", 300, 248, 71, 14, kButton},
    {IDC_EDIT_OUTPUT_WIDTH, ControlKind::Edit, nullptr, 75, 36, 48, 16, kEdit | kStyleDisabled},
    {IDC_EDIT_OUTPUT_HEIGHT, ControlKind::Edit, nullptr, 75, 58, 48, 14, kEdit | kStyleDisabled},
    {IDC_STATIC_OUTPUT_WIDTH, ControlKind::Label, u"Output Width:", 7, 40, 65, 8, kStyleNone},
    {IDC_STATIC_OUTPUT_HEIGHT, ControlKind::Label, u"Output Height:", 7, 59, 65, 8, kStyleNone},
    {IDC_STATIC_PHOTO_INFO, ControlKind::Label, nullptr, 79, 8, 154, 14, kStyleNoPrefix},
    {IDC_STATIC_KEEP_RATIO_CALCULATOR, ControlKind::GroupBox, u"Keeping aspect ratio calculator",
     127, 25, 132, 56, kStyleNone},
    {IDC_BUTTON_BASE_WIDTH, ControlKind::PushButton, u"Enter width, get height", 131, 37, 126, 14,
     kButton},
    {IDC_BUTTON_BASE_HEIGHT, ControlKind::PushButton, u"Enter height, get width", 131, 58, 126, 14,
     kButton},
    {IDC_STATIC_GROUP_ROTATE, ControlKind::GroupBox, u"Rotate by angle", 7, 120, 86, 68,
     kStyleNone},
    {IDC_RADIO_ROTATE_0, ControlKind::RadioButton, u"0", 28, 131, 20, 10,
     kStyleGroupStart | kStyleTabStop},
    {IDC_RADIO_ROTATE_90, ControlKind::RadioButton, u"90", 28, 144, 24, 10, kStyleNone},
    {IDC_RADIO_ROTATE_180, ControlKind::RadioButton, u"180", 28, 157, 28, 10, kStyleNone},
    {IDC_RADIO_ROTATE_270, ControlKind::RadioButton, u"270", 28, 170, 28, 10, kStyleNone},
    {IDC_STATIC_FLIP, ControlKind::GroupBox, u"Flip", 111, 120, 120, 68, kStyleNone},
    {IDC_RADIO_FLIP_NO, ControlKind::RadioButton, u"No flip", 122, 135, 102, 10,
     kStyleGroupStart | kStyleTabStop},
    {IDC_RADIO_FLIP_HORIZONTAL, ControlKind::RadioButton, u"Flip horizontal", 122, 153, 103, 10,
     kStyleNone},
    {IDC_RADIO_FLIP_VERTICAL, ControlKind::RadioButton, u"Flip vertical", 122, 171, 103, 10,
     kStyleNone},
    {IDC_BUTTON_HOMEPAGE, ControlKind::PushButton, u"Homepage", 157, 270, 66, 16, kButton},
    {IDC_BUTTON_HELP, ControlKind::PushButton, u"Help", 83, 271, 66, 16, kButton},
    {IDC_STATIC_OUTPUT_FILENAME, ControlKind::Label, u"Output file:", 7, 233, 118, 8, kStyleNone},
    {IDC_COMBO_FRAME_DIMENSION, ControlKind::DropDownList, nullptr, 250, 124, 121, 64,
     kEdit | kStyleHidden},
    {IDC_STATIC_FRAME_RANGE, ControlKind::Label, nullptr, 249, 148, 122, 8,
     kStyleHidden | kStyleNoPrefix},
    {IDC_EDIT_FRAME_NUMBER, ControlKind::Edit, nullptr, 250, 168, 40, 14, kEdit | kStyleHidden},
    {IDC_BUTTON_FONT, ControlKind::PushButton, u"Font", 323, 210, 48, 14, kButton},
    {IDC_EDIT_TEXT_X, ControlKind::Edit, nullptr, 256, 210, 28, 14, kEdit},
    {IDC_EDIT_TEXT_Y, ControlKind::Edit, nullptr, 290, 210, 28, 14, kEdit},
    {IDC_EDIT_ADD_TEXT, ControlKind::Edit, nullptr, 8, 210, 241, 15, kEdit},
    {IDC_STATIC_ADD_TEXT, ControlKind::Label, u"Add text to photo:", 7, 195, 240, 10, kStyleNone},
    {IDC_STATIC_TEXT_POSITION, ControlKind::Label, u"Position x, y:", 257, 195, 61, 10, kStyleNone},
    {IDC_STATIC_FONT_NAME, ControlKind::Label, nullptr, 326, 195, 44, 10, kStyleNoPrefix},
    {IDC_STATIC_PIXEL_FORMAT, ControlKind::Label, u"Pixel format", 7, 94, 67, 8, kStyleNone},
    {IDC_COMBO_PIXEL_FORMAT, ControlKind::DropDownList, nullptr, 75, 92, 66, 200, kEdit,
     kPixelFormats},
    {IDC_STATIC_PIXEL_FORMAT_INFO, ControlKind::Label, nullptr, 145, 87, 226, 33, kStyleNoPrefix},
};

constexpr ControlTemplate kAboutControls[] = {
    {-1, ControlKind::Icon, nullptr, 11, 17, 20, 20, kStyleNone},
    {-1, ControlKind::Label, u"Rastelle Version 1.1", 40, 10, 227, 12, kStyleNoPrefix},
    {-1, ControlKind::Label, u"Made by Tolmera", 40, 30, 227, 12, kStyleNone},
    {1, ControlKind::DefaultPushButton, u"OK", 115, 87, 50, 16, kButton},
    // The support address is added when the box is shown.
    {-1, ControlKind::Label, u"Support: ", 40, 50, 227, 8, kStyleNoPrefix},
};

constexpr DialogTemplate kMainDialog{
    IDD_MAIN_DIALOG, u"Rastelle", 378, 294, u"MS Shell Dlg", 8, true, kMainControls, true};
constexpr DialogTemplate kAboutDialog{IDD_ABOUTBOX, u"About Rastelle", 274, 110, u"MS Shell Dlg", 8,
                                      false,        kAboutControls};

} // namespace

const DialogTemplate& MainDialogTemplate()
{
    return kMainDialog;
}

const DialogTemplate& AboutDialogTemplate()
{
    return kAboutDialog;
}

const DialogTemplate* FindDialogTemplate(int id)
{
    if (id == IDD_MAIN_DIALOG)
        return &kMainDialog;
    if (id == IDD_ABOUTBOX)
        return &kAboutDialog;
    return nullptr;
}
