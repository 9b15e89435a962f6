#include "sql_packet.h"

#include <QSqlRecord>

namespace pla::db {

TDataPacket QueryPacket(TDatabase& db, const QList<TFieldDef>& fields, const QString& sql,
                        const QVariantList& params) {
    QSqlQuery q = db.Exec(sql, params);
    if (q.record().count() != fields.size()) {
        throw EProgramError(QStringLiteral("A consulta traz %1 colunas para %2 campos: %3")
                                .arg(q.record().count())
                                .arg(fields.size())
                                .arg(sql.left(120)));
    }
    TDataPacket p;
    p.Fields = fields;
    while (q.next()) {
        TPacketRow row;
        row.Values.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c) {
            QVariant v = TDatabase::FromSql(fields[c].Type, q.value(c));
            row.Values.append(ToFieldValue(fields[c], v));
        }
        p.Rows.append(std::move(row));
    }
    return p;
}

} // namespace pla::db
