#pragma once

#include "data_packet.h"

#include <QList>
#include <QVariant>

namespace pla::detail {

// One row of an in-memory table. Ord places it in the table's natural order;
// Id names it for bookmarks and never changes.
struct TMemRecord {
    quint64 Id = 0;
    qint64 Ord = 0;
    TRowKind Status = TRowKind::Unchanged;
    QList<QVariant> Values;    // data fields
    QList<QVariant> Originals; // saved values, while Status is Modified
};

} // namespace pla::detail
