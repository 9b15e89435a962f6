#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include "clock.h"

namespace pla {

// Date-times in this system are wall-clock values of the branch (a menu day, a
// processing date), never instants. They are kept as QDateTime in Qt::UTC so that
// no time-zone or daylight-saving rule can move them: a menu day at midnight stays
// that day on every machine, including days whose local midnight does not exist.
QDateTime DataHora(const QDate& date, const QTime& time = QTime(0, 0));
// The same wall-clock fields, whatever the value's own time spec.
QDateTime NormalizaDataHora(const QDateTime& value);

QDate PriDiaMes(const QDate& date);
QDate UltimoDiaMes(const QDate& date);
QDate UltDiaMes(int year, int month);
QDateTime PriDiaMes(const QDateTime& date);
QDateTime UltimoDiaMes(const QDateTime& date);

// The weekday's name, capitalised ("Segunda-feira").
QString NomeSemana(const QDate& date);
// The suffix of the columns that hold what a weekday expects ("DOM" to "SAB"), or
// "FER" on a holiday.
QString SufixoDia(const QDate& date, bool feriado);

// Formats in the usual picture language, case-insensitive: d dd ddd dddd, ddddd
// (short date), m mm mmm mmmm (minutes right after an hour), yy yyyy, h hh, n nn,
// s ss, z zzz, "/" the date separator, ":" and text in quotes copied.
QString FormatDateTime(const QString& pattern, const QDateTime& value);
QString FormatDateTime(const QString& pattern, const QDate& value);

// Reads a date (and optional time "hh:nn[:ss]") in the short date order of the
// current settings; raises EConvertError "'text' não é uma data válida".
QDateTime StrToDateTime(const QString& text);
bool TryStrToDateTime(const QString& text, QDateTime& value);

} // namespace pla
