// How numbers typed into the window's fields are read.
#pragma once

#include <QStringView>

// The leading decimal integer of a text: leading white space skipped, one
// optional sign, then ASCII digits up to the first other character. No digits
// gives 0; values beyond the signed 32-bit range give the nearest limit.
// The rule does not depend on the language or locale.
int ParseTypedNumber(QStringView text);

// How much of a field is read: the window reads sizes with room for 255
// characters, text positions with 63, the frame number with 127.
constexpr int kSizeFieldChars = 255;
constexpr int kPositionFieldChars = 63;
constexpr int kFrameFieldChars = 127;

// The number typed into a field, read as far as the field is read.
inline int ParseTypedField(QStringView text, int maxChars)
{
    return ParseTypedNumber(text.left(maxChars));
}
