#pragma once

#include "change_record.h"
#include "day_import_match.h"
#include "menu_days.h"

#include "core/origin_marks.h"
#include "server/db_layer.h"

#include <QDate>
#include <QHash>
#include <optional>

namespace pla::server {

// Writes the days of one service the way the server places another day's dishes (the
// import of a day, the export of a period): the day found or created with its diners,
// the dishes of the brought dish types removed, the brought dishes placed position by
// position with their origin marks, the day stamped and recorded as departing from the
// central menu, and each day's changed positions recorded under the writer's operation
// as soon as the day is placed. Runs inside the caller's transaction.
class TDayWriter {
public:
    TDayWriter(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
               const QString& cdOperador, bool moduFili, rpc::TOperacaoCardapio operacao);

    struct TDay {
        QString Number;
        double Diners = 0;
        int Dishes = 0;
    };
    std::optional<TDay> Find(const QDate& day);
    // A new day with these diners (each refused when negative); its number.
    QString Create(const QDate& day, const TDayEstimate& diners);
    void SetDiners(const QString& nrCardapio, const QDate& day, const TDayEstimate& diners);

    // Places the dishes of `types` (each source dish of a type in the next position of
    // that type), after removing the day's dishes of those types; the match says what
    // found a position. The day is stamped with the operator and the time.
    // Where the dishes of `types` would go in the day's month, nothing written.
    TDayImportMatch Match(const QDate& day, const QList<TSourceDish>& source,
                          const QSet<QString>& types);
    struct TPlacement {
        TDayImportMatch Match;
        int Removed = 0; // dishes of the day that gave way
    };
    TPlacement Place(const QString& nrCardapio, const QDate& day, const QList<TSourceDish>& source,
                     const QSet<QString>& types);

private:
    QHash<int, TDishRef> removeDishes(const QString& nr, const QSet<QString>& types, int& count);
    QHash<int, TDishRef> removedCentralDishes(const QDate& day);
    const QList<TTargetPosition>& positions(const QDate& month);

    TDatabase& db_;
    QString filial_;
    QString servico_;
    QString operador_;
    TMarkContext marks_;
    bool recordsSpecialDays_ = false;
    bool transported_ = false;
    QDate positionsMonth_;
    QList<TTargetPosition> positions_;
    TRegistroAlteracoes registro_;
};

} // namespace pla::server
