#include "host_query.h"

#include <QSqlField>
#include <QSqlRecord>

namespace pla::host {

namespace {

QString paramKey(const QString& name) {
    QString n = name.trimmed().toUpper();
    if (n.startsWith(QLatin1Char(':'))) {
        n.remove(0, 1);
    }
    return n.startsWith(QLatin1String("P_")) ? n : QStringLiteral("P_") + n;
}

TFieldType typeOf(const QSqlField& f) {
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return TFieldType::Integer;
    case QMetaType::Double:
        return TFieldType::Float;
    case QMetaType::Bool:
        return TFieldType::Boolean;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return TFieldType::DateTime;
    case QMetaType::QByteArray:
        return TFieldType::Bytes;
    default:
        return TFieldType::String;
    }
}

} // namespace

THostQuery::THostQuery(const QString& name, QObject* parent)
    : TMemTable(name, parent) {}

void THostQuery::SetSql(const QString& sqlite, const QString& postgresql) {
    sqlite_ = sqlite;
    postgres_ = postgresql;
}

void THostQuery::SetParam(const QString& name, const QVariant& value) {
    params_.insert(paramKey(name), value);
}

QVariant THostQuery::Param(const QString& name) const {
    return params_.value(paramKey(name));
}

QString THostQuery::Positional(const QString& sql, QStringList& names) {
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out.append(c);
            if (c == quote) {
                quote = QChar();
            }
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out.append(c);
            continue;
        }
        if (c == QLatin1Char(':') && i + 2 < sql.size() &&
            sql[i + 1].toUpper() == QLatin1Char('P') && sql[i + 2] == QLatin1Char('_')) {
            qsizetype j = i + 1;
            while (j < sql.size() && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_'))) {
                ++j;
            }
            names.append(sql.mid(i + 1, j - i - 1).toUpper());
            out.append(QLatin1Char('?'));
            i = j - 1;
            continue;
        }
        out.append(c);
    }
    return out;
}

void THostQuery::Open() {
    if (!db_) {
        throw EDataSetError(QStringLiteral("A consulta %1 não tem conexão").arg(Name()));
    }
    const QString text =
        db_->Dialect() == db::TDialect::PostgreSQL && !postgres_.isEmpty() ? postgres_ : sqlite_;
    QStringList names;
    const QString sql = Positional(text, names);
    QVariantList values;
    for (const QString& n : names) {
        values.append(params_.value(n));
    }
    QSqlQuery q = db_->Exec(sql, values);
    const QSqlRecord rec = q.record();
    TDataPacket p;
    for (int c = 0; c < rec.count(); ++c) {
        const QString name = rec.fieldName(c).toUpper();
        const TMemField* declared = FindField(name);
        TFieldDef def{name, declared ? declared->DataType() : typeOf(rec.field(c)),
                      declared ? declared->Size() : 0, false};
        if (def.Type == TFieldType::FixedString && !declared) {
            def.Type = TFieldType::String;
        }
        p.Fields.append(def);
    }
    while (q.next()) {
        TPacketRow row;
        for (int c = 0; c < p.Fields.size(); ++c) {
            row.Values.append(db::TDatabase::FromSql(p.Fields[c].Type, q.value(c)));
        }
        p.Rows.append(std::move(row));
    }
    SetData(p);
}

} // namespace pla::host
