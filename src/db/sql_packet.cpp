#include "sql_packet.h"

namespace pla::db {

TDataPacket QueryPacket(TDatabase& db, const QList<TFieldDef>& fields, const QString& sql,
                        const QVariantList& params) {
    TRows q = db.Select(sql, params);
    if (q.ColumnCount() != fields.size()) {
        throw EProgramError(QStringLiteral("A consulta traz %1 colunas para %2 campos: %3")
                                .arg(q.ColumnCount())
                                .arg(fields.size())
                                .arg(sql.left(120)));
    }
    TDataPacket p;
    p.Fields = fields;
    while (q.Next()) {
        TPacketRow row;
        row.Values.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c) {
            row.Values.append(ToFieldValue(fields[c], q.Field(fields[c].Type, c)));
        }
        p.Rows.append(std::move(row));
    }
    return p;
}

} // namespace pla::db
