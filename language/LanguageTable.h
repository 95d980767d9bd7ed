// The table of languages that language file names are matched against.
#pragma once

#include <span>

struct LanguageTableRow
{
    const char16_t* name;         // e.g. "German_Austria"
    const char16_t* abbreviation; // three letters, e.g. "DEA"
    int languageId;               // primary language in the low 10 bits
    int codePage;                 // ANSI code page; 0: the system's
};

std::span<const LanguageTableRow> LanguageTable();
