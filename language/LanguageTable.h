// The table of languages that language file names are matched against.
#pragma once

#include <span>

struct LanguageTableRow
{
    const char16_t* name;         // e.g. "German_Austria"
    const char16_t* abbreviation; // three letters, e.g. "DEA"
    int languageId;               // primary language in the low 10 bits
    int codePage;                 // ANSI code page; 0: the system's
    const char* localeTag;        // the row's own locale, e.g. "de-AT"
};

std::span<const LanguageTableRow> LanguageTable();

// The row with exactly this platform language identifier (primary language
// and sublanguage), or null.
const LanguageTableRow* FindLanguageRow(int languageId);
