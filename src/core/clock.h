#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace pla {

// The one clock of the system: what "today" and "now" are for screens, the server and
// the demonstration data. It is the machine's calendar unless a day is fixed: by
// PLA_HOJE (yyyy-mm-dd) in the environment, read once at the first call, or by a
// THojeScope. A fixed day keeps the machine's time of day.
QDateTime Agora(); // the local wall clock now
QDate Hoje();
// The instant now, in UTC, for what expires (sessions, sign-in attempts): real time,
// never moved by a fixed day, so that nothing expires early or lives too long.
QDateTime Instante();

// Reads a fixed day as PLA_HOJE and the --today options write it (yyyy-mm-dd);
// an invalid date when the text is not one.
QDate LeHoje(const QString& text);

// Names the machine's time zone file in TZ when TZ is unset, so that glibc reads it once
// instead of looking at it again on every local time conversion (each date a database
// driver reads). A process calls it first thing, before any other thread starts; a
// change of the machine's zone is then seen on the next start.
void FixaFusoHorario();

// Fixes today for the life of the scope (a test's or a tour's chosen day).
class THojeScope {
public:
    explicit THojeScope(const QDate& today);
    ~THojeScope();
    THojeScope(const THojeScope&) = delete;
    THojeScope& operator=(const THojeScope&) = delete;

private:
    QDate previous_;
};

} // namespace pla
