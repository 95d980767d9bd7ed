// Dialog templates as data: the controls of a dialog with their identifiers,
// kinds, texts, positions in dialog units, styles and tab order (the order of
// the list). A template is turned into widgets by TemplateDialog.
#pragma once

#include <span>

enum class ControlKind
{
    PushButton,
    DefaultPushButton,
    RadioButton,
    GroupBox,
    Label,
    Edit,
    DropDownList,
    FilledRectangle, // a static rectangle in the window-frame colour
    Icon,
};

// Style flags of a control.
enum ControlStyle : unsigned
{
    kStyleNone = 0,
    kStyleDisabled = 1u << 0,
    kStyleHidden = 1u << 1,
    kStyleGroupStart = 1u << 2, // a radio button that starts a group
    kStyleNoPrefix = 1u << 3,   // '&' is shown, not taken as a mnemonic
    kStyleTabStop = 1u << 4,
};

// Buttons with these identifiers confirm or cancel their dialog.
constexpr int kConfirmId = 1;
constexpr int kCancelId = 2;

struct ControlTemplate
{
    int id; // -1 for controls without an identifier
    ControlKind kind;
    const char16_t* text; // null for none
    int x, y, cx, cy;     // dialog units
    unsigned style;
    std::span<const char16_t* const> items = {}; // a list's initial items
    int maxLength = 0;                           // an edit's limit; 0 for none
};

struct DialogTemplate
{
    int id;
    const char16_t* caption;
    int cx, cy; // dialog units
    const char16_t* fontName;
    int pointSize;
    bool minimizeBox;
    std::span<const ControlTemplate> controls;
    // The program's own window, listed by task bars: a top-level window of
    // its own rather than a dialog belonging to another.
    bool appWindow = false;
};
