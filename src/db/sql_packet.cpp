#include "sql_packet.h"

#include "rows.h"

namespace pla::db {

namespace {

TRows selectPacketRows(TDatabase& db, const TPacketQuery& query) {
    TRows q = db.Select(query.Sql, query.Params);
    if (q.ColumnCount() != query.Fields.size()) {
        throw EProgramError(QStringLiteral("A consulta traz %1 colunas para %2 campos: %3")
                                .arg(q.ColumnCount())
                                .arg(query.Fields.size())
                                .arg(query.Sql.left(120)));
    }
    return q;
}

} // namespace

TDataPacket QueryPacket(TDatabase& db, const TPacketQuery& query) {
    TRows q = selectPacketRows(db, query);
    TDataPacket p;
    p.Fields = query.Fields;
    while (q.Next()) {
        TPacketRow row;
        row.Values.reserve(query.Fields.size());
        for (int c = 0; c < query.Fields.size(); ++c) {
            row.Values.append(ToFieldValue(query.Fields[c], q.Field(query.Fields[c].Type, c)));
        }
        p.Rows.append(std::move(row));
    }
    return p;
}

TDataPacket QueryPacket(TDatabase& db, const QList<TFieldDef>& fields, const QString& sql,
                        const QVariantList& params) {
    return QueryPacket(db, TPacketQuery{fields, sql, params});
}

TEncodedPacket EncodedQueryPacket(TDatabase& db, const TPacketQuery& query) {
    TRows q = selectPacketRows(db, query);
    TPacketEncoder p(query.Fields);
    while (q.Next()) {
        TCborWriter& row = p.NextRow();
        for (int c = 0; c < query.Fields.size(); ++c) {
            q.Write(row, query.Fields[c], c);
        }
    }
    return p.Finish();
}

} // namespace pla::db
