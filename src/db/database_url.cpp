#include "database_url.h"

#include "core/errors.h"

#include <QUrl>
#include <QUrlQuery>

namespace pla::db {

TDatabaseUrl TDatabaseUrl::Parse(const QString& text) {
    TDatabaseUrl u;
    if (text.startsWith(QLatin1String("sqlite:"))) {
        u.Dialect = TDialect::SQLite;
        u.Path = text.mid(7);
        if (u.Path.startsWith(QLatin1String("//"))) {
            u.Path = u.Path.mid(2);
        }
        if (u.Path.isEmpty()) {
            throw EPlaError(QStringLiteral("Endereço do banco sem arquivo: %1").arg(text));
        }
        return u;
    }
    if (!text.startsWith(QLatin1String("postgresql://")) &&
        !text.startsWith(QLatin1String("postgres://"))) {
        throw EPlaError(
            QStringLiteral("Endereço do banco deve começar por sqlite: ou postgresql://"));
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        throw EPlaError(QStringLiteral("Endereço do banco inválido: %1").arg(url.errorString()));
    }
    u.Dialect = TDialect::PostgreSQL;
    u.Host = url.host();
    u.Port = url.port(5432);
    u.User = url.userName();
    u.Password = url.password();
    u.Database = url.path().mid(1);
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host"))) {
        u.Host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    }
    if (query.hasQueryItem(QStringLiteral("port"))) {
        bool ok = false;
        u.Port = query.queryItemValue(QStringLiteral("port")).toInt(&ok);
        if (!ok || u.Port <= 0 || u.Port > 65535) {
            throw EPlaError(QStringLiteral("Porta inválida no endereço do banco"));
        }
    }
    if (u.Database.isEmpty()) {
        throw EPlaError(QStringLiteral("Endereço do banco sem o nome do banco: %1")
                            .arg(url.toDisplayString(QUrl::RemovePassword)));
    }
    return u;
}

QString TDatabaseUrl::Describe() const {
    if (Dialect == TDialect::SQLite) {
        return QStringLiteral("sqlite:%1").arg(Path);
    }
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(User, Host.isEmpty() ? QStringLiteral("localhost") : Host)
        .arg(Port)
        .arg(Database);
}

} // namespace pla::db
