#include "migrations.h"

#include "core/dates.h"

#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcSchema, "pla.server.schema")

namespace pla::server {

QString ForDialect(const QString& statement, TDialect dialect) {
    QString s = statement;
    for (const auto& [prefix, only] :
         {std::pair{QLatin1String("{SQLITE}"), TDialect::SQLite},
          std::pair{QLatin1String("{POSTGRESQL}"), TDialect::PostgreSQL}}) {
        if (s.startsWith(prefix)) {
            if (dialect != only) {
                return {};
            }
            s.remove(0, prefix.size());
        }
    }
    if (dialect == TDialect::SQLite) {
        // SQLite does not hold texts to their declared length; a check does, so that
        // both engines refuse the same values.
        static const QRegularExpression text(
            QStringLiteral("\\b(\\w+) (VARCHAR|CHAR)\\((\\d+)\\)"));
        s.replace(text, QStringLiteral("\\1 \\2(\\3) CHECK (length(\\1) <= \\3)"));
    }
    const bool pg = dialect == TDialect::PostgreSQL;
    s.replace(QLatin1String("{FLOAT}"),
              pg ? QLatin1String("DOUBLE PRECISION") : QLatin1String("REAL"));
    s.replace(QLatin1String("{DATETIME}"),
              pg ? QLatin1String("TIMESTAMP(3)") : QLatin1String("TEXT"));
    s.replace(QLatin1String("{BLOB}"), pg ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
    return s;
}

namespace {

void ensureVersionTable(TDatabase& db) {
    db.Exec(ForDialect(QStringLiteral("CREATE TABLE IF NOT EXISTS SCHEMAVERSAO ("
                                      " NRVERSAO INTEGER NOT NULL PRIMARY KEY,"
                                      " DSVERSAO VARCHAR(200) NOT NULL,"
                                      " DTAPLICACAO {DATETIME} NOT NULL)"),
                       db.Dialect()));
}

} // namespace

int SchemaVersion(TDatabase& db) {
    const QString probe = db.Dialect() == TDialect::SQLite
                              ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE "
                                               "type = 'table' AND name = 'SCHEMAVERSAO'")
                              : QStringLiteral("SELECT COUNT(*) FROM information_schema.tables "
                                               "WHERE table_schema = current_schema() AND "
                                               "table_name = 'schemaversao'");
    if (db.Scalar(probe).toInt() == 0) {
        return 0;
    }
    return db.Scalar(QStringLiteral("SELECT COALESCE(MAX(NRVERSAO), 0) FROM SCHEMAVERSAO")).toInt();
}

int Migrate(TDatabase& db) {
    ensureVersionTable(db);
    int reached = 0;
    for (const TMigration& m : SchemaMigrations()) {
        TTransaction tx(db, true);
        if (db.Dialect() == TDialect::PostgreSQL) {
            // Serialises servers that start together; released at commit.
            db.Exec(QStringLiteral("LOCK TABLE SCHEMAVERSAO IN EXCLUSIVE MODE"));
        }
        const bool applied =
            db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SCHEMAVERSAO WHERE NRVERSAO = ?"),
                      {m.Version})
                .toInt() > 0;
        if (!applied) {
            for (const QString& st : m.Statements) {
                const QString sql = ForDialect(st, db.Dialect());
                if (sql.isEmpty()) {
                    continue;
                }
                try {
                    db.Exec(sql);
                } catch (const EDatabaseError& e) {
                    throw EDatabaseError(
                        QStringLiteral("Versão %1 do esquema: %2").arg(m.Version).arg(e.message()));
                }
            }
            db.Exec(QStringLiteral("INSERT INTO SCHEMAVERSAO (NRVERSAO, DSVERSAO, DTAPLICACAO) "
                                   "VALUES (?, ?, ?)"),
                    {m.Version, m.Description, Agora()});
            qCInfo(lcSchema).noquote() << "schema version" << m.Version << m.Description;
        }
        tx.Commit();
        reached = m.Version;
    }
    return reached;
}

} // namespace pla::server
