#include "day_import_match.h"

#include <QHash>

namespace pla::server {

TDayImportMatch MatchByDishType(const QList<TSourceDish>& source,
                                const QList<TTargetPosition>& target, const QSet<QString>& types) {
    QHash<QString, QList<int>> free; // type -> its positions, in order
    for (int i = 0; i < target.size(); ++i) {
        free[target[i].Type.trimmed()].append(i);
    }
    QHash<QString, int> used;
    TDayImportMatch out;
    for (int i = 0; i < source.size(); ++i) {
        const QString type = source[i].Type.trimmed();
        if (!types.contains(type)) {
            continue;
        }
        const QList<int> positions = free.value(type);
        int& n = used[type];
        if (n < positions.size()) {
            out.Placed.append({i, positions[n++]});
        } else {
            out.LeftOut.append({i, positions.isEmpty()});
        }
    }
    return out;
}

QString LeftOutLine(const TSourceDish& dish, bool typeMissing) {
    return QStringLiteral("%1: %2 (%3)")
        .arg(dish.TypeName.trimmed(), dish.Name.trimmed(),
             typeMissing ? QStringLiteral("o cardápio de destino não tem a posição")
                         : QStringLiteral("o cardápio de destino não tem mais posições deste "
                                          "tipo"));
}

} // namespace pla::server
