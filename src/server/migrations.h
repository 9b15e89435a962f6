#pragma once

#include "server/db_layer.h"

#include <QStringList>
#include <vector>

namespace pla::server {

// One step of the schema: statements in a neutral dialect where {FLOAT},
// {DATETIME} and {BLOB} stand for each engine's type; a statement that begins with
// {SQLITE} or {POSTGRESQL} runs on that engine only.
struct TMigration {
    int Version;
    QString Description;
    QStringList Statements;
};

// Every step, in order (schema.cpp).
const std::vector<TMigration>& SchemaMigrations();

// Applies the steps the database lacks, each in one transaction, holding a lock so
// that several servers starting together apply each step once. Returns the version
// reached.
int Migrate(TDatabase& db);
int SchemaVersion(TDatabase& db); // 0 for an empty database
// The statement for the engine; empty when it is another engine's only.
QString ForDialect(const QString& statement, TDialect dialect);

} // namespace pla::server
