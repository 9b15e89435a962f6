#pragma once

#include "db/lookup_tables.h"
#include "password_policy.h"
#include "server/db_layer.h"

#include <QStringList>

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

} // namespace pla::server
