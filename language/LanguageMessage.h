// Message texts with placeholders, filled safely: a translation whose
// placeholders differ from the built-in text's is not used.
#pragma once

#include "platform/MessageFormat.h"

class CLanguage;

// The text of a string identifier in the language, filled with arguments.
QString FormatLanguageString(const CLanguage& language, int id,
                             std::initializer_list<MessageArg> args);
// The same for the built-in table only (texts that no language replaces).
QString FormatBuiltinString(int id, std::initializer_list<MessageArg> args);
