#include "platform/TypedNumber.h"

#include <cstdint>
#include <limits>

static bool IsBlank(QChar c)
{
    // The C library's white space: space, tab, line feed, vertical tab, form
    // feed, carriage return.
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

int ParseTypedNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate the magnitude and stop growing it once it is past any limit;
    // the remaining digits are still part of the number but cannot change it.
    constexpr std::int64_t kCap = std::int64_t(std::numeric_limits<int>::max()) + 1;
    std::int64_t magnitude = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        if (magnitude <= kCap)
            magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (negative) {
        if (magnitude >= kCap)
            return std::numeric_limits<int>::min();
        return int(-magnitude);
    }
    if (magnitude >= kCap)
        return std::numeric_limits<int>::max();
    return int(magnitude);
}
