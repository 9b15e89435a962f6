#pragma once

#include "db/database.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace pla::test {

// What a save of the monthly menu answered: the day's number or the refusal, and the
// central flag it hands back.
struct TReferenceSave {
    QString Answer;
    std::optional<bool> Follows;
};

// The monthly menu's save (UpdateCache) as it was written before it was batched: each
// row of the change sets read, checked and written by statements of its own, and each
// line of the change record inserted alone. Kept only as the reference the batched save
// is compared with: run on its own copy of the same database, in one transaction as the
// dispatcher runs a writing call, with the dispatcher's words for a refusal.
TReferenceSave ReferenceUpdateCache(db::TDatabase& db, const QString& operador, bool porFilial,
                                    const QVariant& days, const QVariant& dishes);

} // namespace pla::test
