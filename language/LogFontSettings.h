// A logical font kept in a settings section as thirteen values (lfHeight ...
// lfPitchAndFamily, lfFaceName). The quality field is not kept.
#pragma once

#include "language/LogFont.h"

class SettingsStore;
class QString;

// Reads the values of a section; an absent value takes the default's field.
// Byte fields keep the low 8 bits of the stored number. Without a store the
// defaults come back unchanged.
LogFont ReadLogFont(const SettingsStore* store, const QString& section, const LogFont& defaults);
// Writes the thirteen values in the order they are read.
void WriteLogFont(SettingsStore& store, const QString& section, const LogFont& font);
