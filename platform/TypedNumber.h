// How numbers typed into the window's fields are read.
#pragma once

#include <QStringView>

// The leading decimal integer of a text: leading white space skipped, one
// optional sign, then ASCII digits up to the first other character. No digits
// gives 0; values beyond the signed 32-bit range give the nearest limit.
// The rule does not depend on the language or locale.
int ParseTypedNumber(QStringView text);
