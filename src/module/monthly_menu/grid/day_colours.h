#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>

namespace pla::module {

// A day is blocked (may no longer be changed) when it is earlier than the base date
// (the branch's processing date) plus the days the parameters keep blocked.
bool CardBlock(const QDate& day, const QDate& baseDate, int qtDiaBloqCar);

// The per-day colour lists of the grid: line d for day d of the month (line 0 is
// "0"); the colour (as text) on the days it applies to, else two blanks.
QStringList CoresBloqueio(const QDate& month, const QDate& baseDate, int qtDiaBloqCar,
                          const QString& colour); // StlCorBloq
QStringList CoresFeriado(const QDate& month, const QSet<QDate>& holidays,
                         const QString& colour); // StlCorFeriado

// Whether a position is optional: its three-character display order followed by "%S"
// is among the optional ones (StlOpcao).
bool CheckOpcao(const QStringList& stlOpcao, const QString& order);

} // namespace pla::module
