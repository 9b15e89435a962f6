#pragma once

#include "db/lookup_tables.h"
#include "password_policy.h"
#include "server/db_layer.h"

#include <QStringList>
#include <functional>

namespace pla::server {

// What pla-admin does to operators; each call is one transaction and checks
// everything before writing, so a refused call changes nothing.
struct TNewOperator {
    QString Code;
    QString Name;
    QString Password;
    QChar Kind = QLatin1Char('F'); // "M" head office or group, "F" branch
    bool Supervisor = false;
    QString Branch;                                      // default branch, may be empty
    QString Permissions = QString(17, QLatin1Char('0')); // "1" per allowed operation
};

// Checks all but the password, so that a tool can refuse before asking for it.
void CheckOperatorFields(const TNewOperator& op);
void AddOperator(TDatabase& db, const TNewOperator& op, int iterations = 0);
void SetPassword(TDatabase& db, const QString& code, const QString& password, int iterations = 0);
// Replaces the permissions when given (17 characters of 0 and 1); adds screen
// accesses ("PLA;PLA00115") and kinds of supervisor authorisation.
void Grant(TDatabase& db, const QString& code, const QString& permissions,
           const QStringList& screens, const QList<int>& supervise);

// PostgreSQL: a login role that may only read the lookup tables (the host's shared
// connection); created or, when it exists, given the new password and the grants.
// SQLite needs none: the host opens the file read-only.
void CreateLookupRole(TDatabase& db, const QString& role, const QString& password);

struct TBackupOptions {
    int PagesPerStep = 256;
    // After each step: the pages copied so far and the pages of the database. An
    // exception thrown here abandons the copy like any other failure.
    std::function<void(int copied, int total)> Progress;
};

struct TBackupResult {
    qint64 Bytes = 0;
    int Pages = 0;
    int Steps = 0;
    int Restarts = 0;      // copies begun anew because a writer changed the source between steps
    int SchemaVersion = 0; // of the copy
    bool Wal = false;      // the source was in WAL mode (writers never waited)
};

// SQLite: a consistent copy of a live pla database, taken with SQLite's online backup in
// steps while servers go on writing, checked (integrity, schema) and only then given
// the target's name: a refused or failed backup leaves no file behind. The target must
// not exist. PostgreSQL is refused with the way to do it (pg_dump -Fc).
TBackupResult BackupDatabase(const TDatabaseUrl& source, const QString& target,
                             const TBackupOptions& options = {});

} // namespace pla::server
