#include "language/LanguageMessage.h"

#include "language/CLanguage.h"
#include "resources/StringTable.h"

QString FormatLanguageString(const CLanguage& language, int id,
                             std::initializer_list<MessageArg> args)
{
    return FormatMessageText(language.GetString(id), LoadBuiltinString(id), args);
}

QString FormatBuiltinString(int id, std::initializer_list<MessageArg> args)
{
    const QString builtin = LoadBuiltinString(id);
    return FormatMessageText(builtin, builtin, args);
}
