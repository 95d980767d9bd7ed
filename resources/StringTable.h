// The program's built-in string table: the English text of every message.
#pragma once

#include <QString>

// The built-in text with this identifier; empty when there is none.
QString LoadBuiltinString(int id);
