#pragma once

#include "core/mem_table.h"
#include "db/database.h"

#include <QHash>

namespace pla::host {

// A read-only query of the screens over the host's shared connection: one SQL text
// per dialect, parameters named ":P_NAME" (set by name, used as often as the text
// likes; an unset one is null), and the result loaded as the rows of the table. Fields
// declared before opening keep their types, labels and formats (dates read back from
// either engine); others take the type the engine gives.
class THostQuery : public TMemTable {
    Q_OBJECT

public:
    explicit THostQuery(const QString& name = QString(), QObject* parent = nullptr);

    void SetConnection(db::TDatabase* db) { db_ = db; }
    // The same text serves both engines unless a PostgreSQL one is given.
    void SetSql(const QString& sqlite, const QString& postgresql = QString());
    void SetParam(const QString& name, const QVariant& value); // "P_CDFILIAL" or "CDFILIAL"
    QVariant Param(const QString& name) const;
    void ClearParams() { params_.clear(); }

    void Open(); // runs the query; EDatabaseError with the engine's reason

    // The text after the named parameters became positional, and their order.
    static QString Positional(const QString& sql, QStringList& names);

private:
    db::TDatabase* db_ = nullptr;
    QString sqlite_;
    QString postgres_;
    QHash<QString, QVariant> params_;
};

} // namespace pla::host
