#include "admin.h"

#include "password_hash.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace pla::server {

namespace {

QString checkedCode(const QString& code) {
    const QString c = code.trimmed().toUpper();
    static const QRegularExpression valid(QStringLiteral("^[A-Z0-9_.]{1,12}$"));
    if (!valid.match(c).hasMatch()) {
        throw EPlaError(QStringLiteral("Código de operador inválido: \"%1\" (até 12 letras e "
                                       "algarismos)")
                            .arg(code));
    }
    return c;
}

void checkPermissions(const QString& permissions) {
    static const QRegularExpression valid(QStringLiteral("^[01]{17}$"));
    if (!valid.match(permissions).hasMatch()) {
        throw EPlaError(
            QStringLiteral("Permissões devem ser 17 caracteres 0 ou 1: \"%1\"").arg(permissions));
    }
}

void requireOperator(TDatabase& db, const QString& code) {
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = ?"), {code})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Operador %1 não cadastrado.").arg(code));
    }
}

QString hash(const QString& password, int iterations) {
    return iterations > 0 ? HashPassword(password, iterations) : HashPassword(password);
}

// The source of a backup, opened read-only (a missing or foreign file is never
// created or changed) through Qt's driver, whose handle the backup API takes.
class TBackupSource {
public:
    explicit TBackupSource(const QString& path)
        : path_(path)
        , name_(QStringLiteral("pla-backup-%1").arg(++counter_)) {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000;QSQLITE_OPEN_READONLY"));
        if (!db_.isValid() || !db_.open()) {
            const QString why = db_.lastError().text();
            close();
            throw EPlaError(QStringLiteral("Não foi possível abrir %1: %2").arg(path, why));
        }
    }
    ~TBackupSource() { close(); }
    TBackupSource(const TBackupSource&) = delete;
    TBackupSource& operator=(const TBackupSource&) = delete;

    QVariant Scalar(const QString& sql) {
        QSqlQuery q(db_);
        if (!q.exec(sql)) {
            throw EPlaError(q.lastError().databaseText());
        }
        return q.next() ? q.value(0) : QVariant();
    }

    sqlite3* Handle() const { return db::SqliteHandle(db_); }

private:
    void close() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    static inline QAtomicInteger<quint64> counter_{0};
    QString path_;
    QString name_;
    QSqlDatabase db_;
};

struct TSqliteClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using TSqliteHandle = std::unique_ptr<sqlite3, TSqliteClose>;

TSqliteHandle openSqlite(const QString& path) {
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    TSqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        throw EPlaError(
            QStringLiteral("Não foi possível abrir %1: %2")
                .arg(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))));
    }
    return db;
}

// The first column of every row of a statement on the copy, as text.
QStringList sqliteRows(sqlite3* db, const char* sql) {
    auto failed = [db] {
        return EPlaError(
            QStringLiteral("A cópia falhou: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    };
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        throw failed();
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    QStringList rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        rows.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))));
    }
    if (rc != SQLITE_DONE) {
        throw failed();
    }
    return rows;
}

// The copy under construction and the files SQLite keeps beside it; gone when the
// scope ends, whether the copy was renamed into place or abandoned.
class TPartialCopy {
public:
    explicit TPartialCopy(const QString& target) {
        QTemporaryFile file(target + QStringLiteral(".parcial-XXXXXX"));
        file.setAutoRemove(false);
        if (!file.open()) {
            throw EPlaError(QStringLiteral("Não foi possível criar a cópia ao lado de %1: %2")
                                .arg(target, file.errorString()));
        }
        path_ = file.fileName();
    }
    ~TPartialCopy() {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
            QFile::remove(path_ + QLatin1String(suffix));
        }
    }
    TPartialCopy(const TPartialCopy&) = delete;
    TPartialCopy& operator=(const TPartialCopy&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
};

QString targetExists(const QString& target) {
    return QStringLiteral("O destino %1 já existe: a cópia nunca substitui um arquivo.")
        .arg(target);
}

// Gives the checked copy its name unless that name was taken meanwhile, and makes the
// new name survive a power loss.
void renameIntoPlace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    int error = 0;
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) != 0) {
        error = errno;
        // A file system without the exclusive rename: a hard link is as exclusive.
        if (error == EINVAL || error == ENOSYS) {
            error = ::link(f.constData(), t.constData()) == 0 ? 0 : errno;
            if (error == 0) {
                ::unlink(f.constData());
            }
        }
    }
    if (error == EEXIST) {
        throw EPlaError(targetExists(to));
    }
    if (error != 0) {
        throw EPlaError(QStringLiteral("Não foi possível dar à cópia o nome %1: %2")
                            .arg(to, QString::fromLocal8Bit(std::strerror(error))));
    }
    const int dir = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

void CheckOperatorFields(const TNewOperator& op) {
    checkedCode(op.Code);
    if (op.Name.trimmed().isEmpty() || op.Name.trimmed().size() > 40) {
        throw EPlaError(QStringLiteral("Nome do operador deve ter de 1 a 40 caracteres."));
    }
    checkPermissions(op.Permissions);
    if (op.Kind != QLatin1Char('M') && op.Kind != QLatin1Char('F')) {
        throw EPlaError(QStringLiteral("Tipo de operador deve ser M ou F."));
    }
}

void AddOperator(TDatabase& db, const TNewOperator& op, int iterations) {
    CheckOperatorFields(op);
    const QString code = checkedCode(op.Code);
    CheckPasswordStrength(op.Password, code);
    TTransaction tx(db, true);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = ?"), {code})
            .toInt() > 0) {
        throw EPlaError(QStringLiteral("Operador %1 já cadastrado.").arg(code));
    }
    if (!op.Branch.isEmpty() &&
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = ?"), {op.Branch})
                .toInt() == 0) {
        throw EPlaError(QStringLiteral("Filial %1 não cadastrada.").arg(op.Branch));
    }
    db.Exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO, "
                           "IDSUPERVISOR, IDTIPOOPER, DSPERMISSAO, CDFILIAL) "
                           "VALUES (?, ?, ?, 'S', ?, ?, ?, ?)"),
            {code, op.Name.trimmed(), hash(op.Password, iterations),
             op.Supervisor ? QStringLiteral("S") : QStringLiteral("N"), QString(op.Kind),
             op.Permissions, op.Branch.isEmpty() ? QVariant() : QVariant(op.Branch)});
    tx.Commit();
}

void SetPassword(TDatabase& db, const QString& code, const QString& password, int iterations) {
    const QString c = checkedCode(code);
    CheckPasswordStrength(password, c);
    TTransaction tx(db, true);
    requireOperator(db, c);
    db.Exec(QStringLiteral("UPDATE OPERADOR SET DSSENHA = ? WHERE CDOPERADOR = ?"),
            {hash(password, iterations), c});
    // A new password ends the sessions opened with the old one.
    db.Exec(QStringLiteral("DELETE FROM SESSAO WHERE CDOPERADOR = ?"), {c});
    tx.Commit();
}

void Grant(TDatabase& db, const QString& code, const QString& permissions,
           const QStringList& screens, const QList<int>& supervise) {
    const QString c = checkedCode(code);
    if (!permissions.isEmpty()) {
        checkPermissions(permissions);
    }
    static const QRegularExpression access(QStringLiteral("^[A-Z0-9]{2,10};[A-Z0-9-]{2,20}$"));
    for (const QString& s : screens) {
        if (!access.match(s).hasMatch()) {
            throw EPlaError(
                QStringLiteral("Acesso deve ser SIGLA;TELA, como PLA;PLA00115: \"%1\"").arg(s));
        }
    }
    for (int k : supervise) {
        if (k <= 0) {
            throw EPlaError(QStringLiteral("Tipo de autorização inválido: %1").arg(k));
        }
    }
    TTransaction tx(db, true);
    requireOperator(db, c);
    if (!permissions.isEmpty()) {
        db.Exec(QStringLiteral("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = ?"),
                {permissions, c});
    }
    for (const QString& s : screens) {
        db.Exec(QStringLiteral("DELETE FROM ACESSOTELA WHERE CDOPERADOR = ? AND DSACESSO = ?"),
                {c, s});
        db.Exec(QStringLiteral("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES (?, ?)"),
                {c, s});
    }
    if (!supervise.isEmpty()) {
        db.Exec(QStringLiteral("UPDATE OPERADOR SET IDSUPERVISOR = 'S' WHERE CDOPERADOR = ?"), {c});
    }
    for (int k : supervise) {
        db.Exec(QStringLiteral("DELETE FROM AUTORIZSUPERV WHERE CDOPERADOR = ? AND "
                               "NRTIPOAUTORIZ = ?"),
                {c, k});
        db.Exec(
            QStringLiteral("INSERT INTO AUTORIZSUPERV (CDOPERADOR, NRTIPOAUTORIZ) VALUES (?, ?)"),
            {c, k});
    }
    tx.Commit();
}

void CreateLookupRole(TDatabase& db, const QString& role, const QString& password) {
    if (db.Dialect() != TDialect::PostgreSQL) {
        throw EPlaError(QStringLiteral("Papel de consulta só existe no PostgreSQL; no SQLite o "
                                       "aplicativo abre o arquivo só para leitura."));
    }
    static const QRegularExpression valid(QStringLiteral("^[a-z_][a-z0-9_]{0,30}$"));
    if (!valid.match(role).hasMatch()) {
        throw EPlaError(
            QStringLiteral("Nome de papel inválido: \"%1\" (minúsculas, algarismos e _)")
                .arg(role));
    }
    CheckPasswordStrength(password, role);
    // Names cannot be bound as values: the role is checked above, the password is
    // quoted by doubling its quotes.
    QString quoted = password;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    TTransaction tx(db, true);
    const bool exists =
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM pg_roles WHERE rolname = ?"), {role})
            .toInt() > 0;
    db.Exec(QStringLiteral("%1 ROLE %2 LOGIN PASSWORD '%3'")
                .arg(exists ? QStringLiteral("ALTER") : QStringLiteral("CREATE"), role, quoted));
    db.Exec(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(role));
    db.Exec(QStringLiteral("GRANT SELECT ON %1 TO %2")
                .arg(LookupTables().join(QStringLiteral(", ")), role));
    tx.Commit();
}

TBackupResult BackupDatabase(const TDatabaseUrl& source, const QString& target,
                             const TBackupOptions& options) {
    if (source.Dialect == TDialect::PostgreSQL) {
        throw EPlaError(
            QStringLiteral("No PostgreSQL a cópia se faz com o pg_dump, que lê um retrato "
                           "consistente sem parar os servidores: pg_dump -Fc -h %1 -p %2 -U %3 "
                           "-f pla.dump %4 (restaure com pg_restore; veja docs/DEPLOYMENT.md).")
                .arg(source.Host.isEmpty() ? QStringLiteral("localhost") : source.Host)
                .arg(source.Port)
                .arg(source.User.isEmpty() ? QStringLiteral("pla") : source.User, source.Database));
    }
    if (target.trimmed().isEmpty()) {
        throw EPlaError(QStringLiteral("Informe o arquivo da cópia com --to."));
    }
    const QFileInfo to(target);
    if (to.exists() || to.isSymLink()) {
        throw EPlaError(targetExists(target));
    }
    if (!to.absoluteDir().exists()) {
        throw EPlaError(QStringLiteral("A pasta do destino não existe: %1").arg(to.absolutePath()));
    }
    const QFileInfo from(source.Path);
    if (!from.exists()) {
        throw EPlaError(QStringLiteral("Banco de origem não encontrado: %1").arg(source.Path));
    }
    if (!from.isFile()) {
        throw EPlaError(
            QStringLiteral("%1 não é um banco do pla: nada foi copiado.").arg(source.Path));
    }

    TBackupResult result;
    TPartialCopy partial(to.absoluteFilePath());
    {
        TBackupSource src(source.Path);
        const QString probe = QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = "
                                             "'table' AND name = 'SCHEMAVERSAO'");
        QString why;
        try {
            if (src.Scalar(probe).toInt() == 0) {
                why = QStringLiteral("sem o esquema");
            }
        } catch (const EPlaError& e) {
            why = e.message().isEmpty() ? QStringLiteral("ilegível") : e.message(); // not SQLite
        }
        if (!why.isEmpty()) {
            throw EPlaError(QStringLiteral("%1 não é um banco do pla (%2): nada foi copiado.")
                                .arg(source.Path, why));
        }
        result.Wal = src.Scalar(QStringLiteral("PRAGMA journal_mode"))
                         .toString()
                         .compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        if (result.Wal) {
            // One read transaction for the whole copy: every step reads the same
            // snapshot, so writers that commit meanwhile neither wait (WAL readers block
            // no one) nor make the copy begin anew. The WAL grows meanwhile; the
            // servers' next checkpoint folds it back.
            src.Scalar(QStringLiteral("BEGIN"));
            src.Scalar(probe);
        }

        TSqliteHandle dest = openSqlite(partial.Path());
        // The partial copy is thrown away on any failure: a journal would serve nothing.
        sqliteRows(dest.get(), "PRAGMA journal_mode=OFF");
        sqlite3_backup* backup = sqlite3_backup_init(dest.get(), "main", src.Handle(), "main");
        if (!backup) {
            throw EPlaError(QStringLiteral("Cópia não iniciada: %1")
                                .arg(QString::fromUtf8(sqlite3_errmsg(dest.get()))));
        }
        std::unique_ptr<sqlite3_backup, int (*)(sqlite3_backup*)> finish(backup,
                                                                         sqlite3_backup_finish);
        // Without WAL each step reads under a shared lock that holds writers back, and
        // a write between steps begins the copy anew: after a few such restarts the
        // rest is copied in one step, so that a busy database is still copied.
        constexpr int MaxRestarts = 3;
        constexpr int BusyPauseMs = 10;
        constexpr int MaxBusyPauses = 3000; // half a minute of a source locked throughout
        int busyPauses = 0;
        int lastRemaining = -1;
        for (;;) {
            const int pages =
                result.Restarts >= MaxRestarts ? -1 : std::max(1, options.PagesPerStep);
            const int rc = sqlite3_backup_step(backup, pages);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                if (++busyPauses > MaxBusyPauses) {
                    throw EPlaError(QStringLiteral("O banco %1 ficou bloqueado por tempo demais: "
                                                   "a cópia foi abandonada.")
                                        .arg(source.Path));
                }
                sqlite3_sleep(BusyPauseMs);
                continue;
            }
            if (rc != SQLITE_OK && rc != SQLITE_DONE) {
                throw EPlaError(QStringLiteral("A cópia falhou: %1")
                                    .arg(QString::fromUtf8(sqlite3_errstr(rc))));
            }
            busyPauses = 0;
            ++result.Steps;
            const int remaining = sqlite3_backup_remaining(backup);
            const int total = sqlite3_backup_pagecount(backup);
            // Every step that does not finish copies a page at least: no progress means
            // the copy began anew.
            if (rc == SQLITE_OK && lastRemaining >= 0 && remaining >= lastRemaining) {
                ++result.Restarts;
            }
            lastRemaining = remaining;
            if (options.Progress) {
                options.Progress(total - remaining, total);
            }
            if (rc == SQLITE_DONE) {
                result.Pages = total;
                break;
            }
            if (!result.Wal) {
                sqlite3_sleep(BusyPauseMs); // the writers' turn
            }
        }
        const int rc = sqlite3_backup_finish(finish.release());
        if (rc != SQLITE_OK) {
            throw EPlaError(
                QStringLiteral("A cópia falhou: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
        }
        if (result.Wal) {
            src.Scalar(QStringLiteral("ROLLBACK")); // the snapshot is no longer needed
        }
    }

    // The copy as it lies on disk, through a connection of its own.
    {
        TSqliteHandle copy = openSqlite(partial.Path());
        const QStringList check = sqliteRows(copy.get(), "PRAGMA integrity_check");
        if (check != QStringList{QStringLiteral("ok")}) {
            throw EPlaError(QStringLiteral("A cópia não passou na verificação de integridade "
                                           "(%1): nada foi gravado.")
                                .arg(check.mid(0, 3).join(QStringLiteral("; "))));
        }
        const QStringList version =
            sqliteRows(copy.get(), "SELECT COALESCE(MAX(NRVERSAO), 0) FROM SCHEMAVERSAO");
        result.SchemaVersion = version.value(0).toInt();
        if (result.SchemaVersion <= 0) {
            throw EPlaError(QStringLiteral("A cópia saiu sem esquema: nada foi gravado."));
        }
    }
    result.Bytes = QFileInfo(partial.Path()).size();
    renameIntoPlace(partial.Path(), to.absoluteFilePath());
    return result;
}

} // namespace pla::server
