#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QStringView>
#include <QTime>
#include <optional>

namespace pla::db {

namespace detail {
inline char16_t StoredChar(QStringView s, qsizetype i) {
    return s[i].unicode();
}
inline char16_t StoredChar(QByteArrayView s, qsizetype i) {
    return static_cast<uchar>(s[i]);
}
} // namespace detail

// The text ToSql writes for a date-time ("yyyy-MM-dd HH:mm:ss" with optional ".zzz", or a
// "T" between), read by its digits as UTC: its milliseconds since 1970-01-01. None for
// any other text, which is left to the general parse. Reads UTF-16 and UTF-8 alike.
template <typename TText> std::optional<qint64> StoredMsecs(TText s) {
    const auto size = s.size();
    if (size != 19 && size != 23) {
        return std::nullopt;
    }
    const auto at = [s](qsizetype i) { return detail::StoredChar(s, i); };
    bool ok = true;
    const auto number = [&](qsizetype from, qsizetype digits) {
        int n = 0;
        for (qsizetype i = from; i < from + digits; ++i) {
            const char16_t c = at(i);
            ok = ok && c >= u'0' && c <= u'9';
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    const bool separators = at(4) == u'-' && at(7) == u'-' && (at(10) == u' ' || at(10) == u'T') &&
                            at(13) == u':' && at(16) == u':' && (size == 19 || at(19) == u'.');
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2), size == 23 ? number(20, 3) : 0);
    if (!ok || !separators || !date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    constexpr qint64 UnixEpochJulianDay = 2440588;
    return (date.toJulianDay() - UnixEpochJulianDay) * 86'400'000 + time.msecsSinceStartOfDay();
}

} // namespace pla::db
