#include "dates.h"

#include "errors.h"
#include "format_settings.h"

#include <QStringList>

namespace pla {

QDateTime DataHora(const QDate& date, const QTime& time) {
    if (!date.isValid()) {
        return {};
    }
    return QDateTime(date, time.isValid() ? time : QTime(0, 0), Qt::UTC);
}

QDateTime NormalizaDataHora(const QDateTime& value) {
    if (!value.isValid()) {
        return {};
    }
    if (value.timeSpec() == Qt::UTC) {
        return value;
    }
    return QDateTime(value.date(), value.time(), Qt::UTC);
}

QDate PriDiaMes(const QDate& date) {
    return QDate(date.year(), date.month(), 1);
}

QDate UltimoDiaMes(const QDate& date) {
    return UltDiaMes(date.year(), date.month());
}

QDate UltDiaMes(int year, int month) {
    const QDate first(year, month, 1);
    return first.isValid() ? QDate(year, month, first.daysInMonth()) : QDate();
}

QDateTime PriDiaMes(const QDateTime& date) {
    return DataHora(PriDiaMes(date.date()));
}

QDateTime UltimoDiaMes(const QDateTime& date) {
    return DataHora(UltimoDiaMes(date.date()));
}

QString NomeSemana(const QDate& date) {
    if (!date.isValid()) {
        return {};
    }
    QString name = TFormatSettings::Current().LongDayNames[date.dayOfWeek() % 7];
    if (!name.isEmpty()) {
        name[0] = name[0].toUpper();
    }
    return name;
}

QString SufixoDia(const QDate& date, bool feriado) {
    static const char* const Suffixes[] = {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB"};
    if (feriado) {
        return QStringLiteral("FER");
    }
    return QString::fromLatin1(Suffixes[date.dayOfWeek() % 7]);
}

namespace {

int runLength(const QString& p, int i, QChar c) {
    int n = 0;
    while (i + n < p.size() && p[i + n].toLower() == c) {
        ++n;
    }
    return n;
}

QString two(int v) {
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString FormatDateTime(const QString& pattern, const QDateTime& value) {
    if (!value.isValid()) {
        return {};
    }
    const auto& fs = TFormatSettings::Current();
    const QDate d = value.date();
    const QTime t = value.time();
    const int dow = d.dayOfWeek() % 7;
    QString out;
    bool lastWasHour = false;
    const int n = static_cast<int>(pattern.size());
    for (int i = 0; i < n;) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = static_cast<int>(pattern.indexOf(c, i + 1));
            const int stop = end < 0 ? n : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (lc == QLatin1Char('d')) {
            const int k = runLength(pattern, i, lc);
            switch (k) {
            case 1:
                out += QString::number(d.day());
                break;
            case 2:
                out += two(d.day());
                break;
            case 3:
                out += fs.ShortDayNames[dow];
                break;
            case 4:
                out += fs.LongDayNames[dow];
                break;
            default:
                out += FormatDateTime(fs.ShortDateFormat, value);
                break;
            }
            i += k;
            lastWasHour = false;
        } else if (lc == QLatin1Char('m')) {
            const int k = runLength(pattern, i, lc);
            if (lastWasHour && k <= 2) {
                out += k == 1 ? QString::number(t.minute()) : two(t.minute());
            } else {
                switch (k) {
                case 1:
                    out += QString::number(d.month());
                    break;
                case 2:
                    out += two(d.month());
                    break;
                case 3:
                    out += fs.ShortMonthNames[d.month() - 1];
                    break;
                default:
                    out += fs.LongMonthNames[d.month() - 1];
                    break;
                }
            }
            i += k;
            lastWasHour = false;
        } else if (lc == QLatin1Char('y')) {
            const int k = runLength(pattern, i, lc);
            out += k <= 2 ? two(d.year() % 100)
                          : QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
            i += k;
            lastWasHour = false;
        } else if (lc == QLatin1Char('h')) {
            const int k = runLength(pattern, i, lc);
            out += k == 1 ? QString::number(t.hour()) : two(t.hour());
            i += k;
            lastWasHour = true;
        } else if (lc == QLatin1Char('n')) {
            const int k = runLength(pattern, i, lc);
            out += k == 1 ? QString::number(t.minute()) : two(t.minute());
            i += k;
            lastWasHour = false;
        } else if (lc == QLatin1Char('s')) {
            const int k = runLength(pattern, i, lc);
            out += k == 1 ? QString::number(t.second()) : two(t.second());
            i += k;
            lastWasHour = false;
        } else if (lc == QLatin1Char('z')) {
            const int k = runLength(pattern, i, lc);
            out += k >= 3 ? QString::number(t.msec()).rightJustified(3, QLatin1Char('0'))
                          : QString::number(t.msec());
            i += k;
            lastWasHour = false;
        } else if (c == QLatin1Char('/')) {
            out += fs.DateSeparator;
            ++i;
        } else {
            // Separators keep an hour's claim on a following "mm" ("hh:mm").
            out += c;
            ++i;
        }
    }
    return out;
}

QString FormatDateTime(const QString& pattern, const QDate& value) {
    return FormatDateTime(pattern, DataHora(value));
}

bool TryStrToDateTime(const QString& text, QDateTime& value) {
    const auto& fs = TFormatSettings::Current();
    const QString t = text.trimmed();
    const int space = static_cast<int>(t.indexOf(QLatin1Char(' ')));
    const QString datePart = space < 0 ? t : t.left(space);
    const QString timePart = space < 0 ? QString() : t.mid(space + 1).trimmed();

    const QStringList parts = datePart.split(fs.DateSeparator);
    if (parts.size() != 3) {
        return false;
    }
    // The order of day, month and year follows the short date format.
    QString order;
    for (const QChar c : fs.ShortDateFormat.toLower()) {
        if ((c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('y')) &&
            !order.contains(c)) {
            order += c;
        }
    }
    if (order.size() != 3) {
        order = QStringLiteral("dmy");
    }
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const QString& p = parts[i];
        const int v = p.toInt(&ok);
        if (!ok || p.isEmpty() || p.size() > 4) {
            return false;
        }
        switch (order[i].toLatin1()) {
        case 'd':
            day = v;
            break;
        case 'm':
            month = v;
            break;
        default:
            year = p.size() <= 2 ? 2000 + v : v;
            break;
        }
    }
    const QDate d(year, month, day);
    if (!d.isValid()) {
        return false;
    }
    QTime tm(0, 0);
    if (!timePart.isEmpty()) {
        tm = QTime::fromString(timePart, timePart.count(QLatin1Char(':')) == 2
                                             ? QStringLiteral("H:m:s")
                                             : QStringLiteral("H:m"));
        if (!tm.isValid()) {
            return false;
        }
    }
    value = DataHora(d, tm);
    return true;
}

QDateTime StrToDateTime(const QString& text) {
    QDateTime v;
    if (!TryStrToDateTime(text, v)) {
        throw EConvertError(QStringLiteral("'%1' não é uma data válida").arg(text));
    }
    return v;
}

} // namespace pla
