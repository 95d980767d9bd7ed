// The keys a language file can hold, in the order the engine reads them.
#pragma once

#include <span>

enum class LanguageSection
{
    String,
    Menu,
    Dialog
};

struct LanguageKey
{
    int id;
    const char16_t* name;
};

std::span<const LanguageKey> LanguageKeys();

// The section a key is read from: "IDS" keys from STRING, "IDM" and "IDR"
// from MENU, "IDD" and "IDC" from DIALOG.
LanguageSection SectionOfKey(const char16_t* keyName);
const char16_t* SectionName(LanguageSection section);
