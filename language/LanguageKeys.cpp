#include "language/LanguageKeys.h"

#include "resources/resource.h"

#include <string_view>

#define KEY(name)                                                                                  \
    {                                                                                              \
        name, u## #name                                                                            \
    }

namespace {
constexpr LanguageKey kKeys[] = {
    // DIALOG
    KEY(IDC_BUTTON_OPEN_PHOTO),
    KEY(IDC_STATIC_OUTPUT_WIDTH),
    KEY(IDD_PROGRAM_BMP_CAPTION),
    KEY(IDC_STATIC_OUTPUT_HEIGHT),
    KEY(IDC_STATIC_KEEP_RATIO_CALCULATOR),
    KEY(IDC_BUTTON_BASE_WIDTH),
    KEY(IDC_BUTTON_BASE_HEIGHT),
    KEY(IDC_STATIC_GROUP_ROTATE),
    KEY(IDC_STATIC_FLIP),
    KEY(IDC_RADIO_FLIP_NO),
    KEY(IDC_RADIO_FLIP_HORIZONTAL),
    KEY(IDC_RADIO_FLIP_VERTICAL),
    KEY(IDC_BUTTON_OUTPUT_FILE_BROWSE),
    KEY(IDC_BUTTON_CONVERT),
    KEY(IDC_BUTTON_HOMEPAGE),
    KEY(IDC_BUTTON_HELP),
    KEY(IDC_BUTTON_EXIT),
    KEY(IDC_STATIC_OUTPUT_FILENAME),
    KEY(IDC_STATIC_ADD_TEXT),
    KEY(IDC_STATIC_TEXT_POSITION),
    KEY(IDC_BUTTON_FONT),
    // MENU
    KEY(IDR_MENU_LANGUAGE_POPUP),
    KEY(IDM_ABOUT),
    KEY(IDM_SELECT_LANGUAGE),
    KEY(IDM_POPUPMENU_FONT),
    // STRING
    KEY(IDS_LANGUAGE),
    KEY(IDS_MESSAGE_ERROR),
    KEY(IDS_MESSAGE_WARNING),
    KEY(IDS_MESSAGE_UNKNOWN_ERROR),
    KEY(IDS_STRING108),
    KEY(IDS_STRING111),
    KEY(IDS_STRING112),
    KEY(IDS_STRING115),
    KEY(IDS_STRING118),
    KEY(IDS_STRING120),
    KEY(IDS_STRING121),
    KEY(IDS_STRING122),
    KEY(IDS_STRING123),
    KEY(IDS_STRING124),
    KEY(IDS_STRING126),
    KEY(IDS_STRING127),
    KEY(IDS_STRING128),
    KEY(IDS_STRING129),
    KEY(IDS_STRING130),
    KEY(IDS_STRING131),
    KEY(IDS_STRING132),
    KEY(IDS_STRING134),
    KEY(IDS_STRING135),
    KEY(IDS_STRING136),
    KEY(IDS_STRING138),
    KEY(IDS_STRING139),
    KEY(IDS_STRING140),
    KEY(IDS_STRING141),
    KEY(IDS_STRING142),
    KEY(IDS_STRING143),
    KEY(IDS_STRING144),
    KEY(IDS_STRING145),
    KEY(IDS_STRING146),
    KEY(IDS_STRING147),
    KEY(IDS_STRING148),
    KEY(IDS_STRING160),
    KEY(IDS_STRING161),
    KEY(IDS_STRING162),
};
} // namespace

std::span<const LanguageKey> LanguageKeys()
{
    return kKeys;
}

LanguageSection SectionOfKey(const char16_t* keyName)
{
    const std::u16string_view prefix = std::u16string_view(keyName).substr(0, 3);
    if (prefix == u"IDS")
        return LanguageSection::String;
    if (prefix == u"IDM" || prefix == u"IDR")
        return LanguageSection::Menu;
    return LanguageSection::Dialog;
}

const char16_t* SectionName(LanguageSection section)
{
    switch (section) {
    case LanguageSection::String:
        return u"STRING";
    case LanguageSection::Menu:
        return u"MENU";
    case LanguageSection::Dialog:
        return u"DIALOG";
    }
    return u"";
}
