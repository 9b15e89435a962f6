#include "report_definition.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace pla::host {

namespace {

TFieldType fieldType(const QString& name, const QString& file) {
    static const QHash<QString, TFieldType> types{
        {QStringLiteral("string"), TFieldType::String},
        {QStringLiteral("integer"), TFieldType::Integer},
        {QStringLiteral("float"), TFieldType::Float},
        {QStringLiteral("datetime"), TFieldType::DateTime},
    };
    const auto it = types.constFind(name);
    if (it == types.cend()) {
        throw EPlaError(
            QStringLiteral("Tipo de campo '%1' desconhecido na definição %2.").arg(name, file));
    }
    return it.value();
}

} // namespace

QStringList TReportDefinition::ParamNames() const {
    static const QRegularExpression re(QStringLiteral(":(P_[A-Za-z0-9_]+)"));
    QStringList out;
    for (const QString& sql : {Sql, SqlPostgres}) {
        for (const auto& m : re.globalMatch(sql)) {
            const QString name = m.captured(1).toUpper();
            if (!out.contains(name)) {
                out << name;
            }
        }
    }
    return out;
}

TReportDefinition TReportDefinition::Parse(const QByteArray& json, const QString& fileName) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (!doc.isObject()) {
        throw EPlaError(QStringLiteral("Definição de relatório inválida em %1: %2")
                            .arg(fileName, error.errorString()));
    }
    const QJsonObject o = doc.object();
    TReportDefinition d;
    d.FileName = fileName;
    d.Code = o.value(QStringLiteral("code")).toString();
    d.Title = o.value(QStringLiteral("title")).toString();
    const QJsonValue sql = o.value(QStringLiteral("sql"));
    // Long statements may be written as a list of lines.
    const auto text = [](const QJsonValue& v) {
        if (v.isArray()) {
            QStringList lines;
            for (const QJsonValue& l : v.toArray()) {
                lines << l.toString();
            }
            return lines.join(QLatin1Char(' '));
        }
        return v.toString();
    };
    d.Sql = text(sql);
    d.SqlPostgres = text(o.value(QStringLiteral("sql_postgresql")));
    if (d.Code.isEmpty()) {
        throw EPlaError(QStringLiteral("Definição de relatório sem código: %1").arg(fileName));
    }
    if (d.Sql.isEmpty() && !d.SqlPostgres.isEmpty()) {
        throw EPlaError(QStringLiteral("Definição de relatório com consulta só para PostgreSQL: %1")
                            .arg(fileName));
    }
    for (const QJsonValue& f : o.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject fo = f.toObject();
        d.Fields.append({fo.value(QStringLiteral("name")).toString(),
                         fieldType(fo.value(QStringLiteral("type")).toString(), fileName),
                         fo.value(QStringLiteral("size")).toInt(), false});
    }
    // Rows the screen supplies need the fields to hold them.
    if (!d.HasQuery() && d.Fields.isEmpty()) {
        throw EPlaError(
            QStringLiteral("Definição de relatório sem consulta e sem campos: %1").arg(fileName));
    }
    for (const QJsonValue& h : o.value(QStringLiteral("head")).toArray()) {
        const QJsonObject ho = h.toObject();
        d.Head.append({ho.value(QStringLiteral("label")).toString(),
                       ho.value(QStringLiteral("field")).toString(),
                       ho.value(QStringLiteral("format")).toString()});
    }
    for (const QJsonValue& c : o.value(QStringLiteral("columns")).toArray()) {
        const QJsonObject co = c.toObject();
        TReportColumn col;
        col.Field = co.value(QStringLiteral("field")).toString();
        col.Title = co.value(QStringLiteral("title")).toString();
        col.Width = std::max(1, co.value(QStringLiteral("width")).toInt(10));
        col.Format = co.value(QStringLiteral("format")).toString();
        const QString align = co.value(QStringLiteral("align")).toString();
        col.Align = align == QLatin1String("right")    ? Qt::AlignRight
                    : align == QLatin1String("center") ? Qt::AlignHCenter
                                                       : Qt::AlignLeft;
        d.Columns.append(col);
    }
    if (d.Columns.isEmpty()) {
        throw EPlaError(QStringLiteral("Definição de relatório sem colunas: %1").arg(fileName));
    }
    return d;
}

std::optional<TReportDefinition>
TReportDefinition::Find(const QString& code, const QStringList& folders, QString& searched) {
    QStringList shown;
    for (const QString& folder : folders) {
        shown << QDir::toNativeSeparators(folder);
        QFile f(QDir(folder).filePath(code.trimmed() + QStringLiteral(".json")));
        if (!f.exists()) {
            continue;
        }
        if (!f.open(QIODevice::ReadOnly)) {
            throw EPlaError(
                QStringLiteral("Não foi possível ler %1: %2").arg(f.fileName(), f.errorString()));
        }
        return Parse(f.readAll(), f.fileName());
    }
    searched = shown.join(QStringLiteral("; "));
    return std::nullopt;
}

} // namespace pla::host
