#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace pla::server {

// A dish of the source day, in the source month's position order.
struct TSourceDish {
    int Order = 0; // NRORDCNFMES of its position; 0 when the month lacks the position
    int Seq = 0;   // NRSEQPRATCAR
    QString Type;  // the position's dish type, else the dish's own
    QString TypeName;
    QString Branch; // CDFILAUXPRAT
    QString Code;
    QString Name;
    double Share = 0; // VRPECONSCARD
};

// A dish position of the target month, in its order.
struct TTargetPosition {
    int Seq = 0;   // NRSEQCNFMES
    int Order = 0; // NRORDCNFMES
    QString Type;
};

// Where each source dish of the chosen types goes: the i-th dish of a type takes the
// i-th position of that type; dishes beyond the positions stay out, positions are
// never invented.
struct TDayImportMatch {
    struct TPlacement {
        int Source = 0; // index into the source dishes
        int Target = 0; // index into the target positions
    };
    struct TLeftOut {
        int Source = 0;
        bool TypeMissing = false; // the target month has no position of the type at all
    };
    QList<TPlacement> Placed;
    QList<TLeftOut> LeftOut;
};

TDayImportMatch MatchByDishType(const QList<TSourceDish>& source,
                                const QList<TTargetPosition>& target, const QSet<QString>& types);

// The line of a dish left out, as the planner reads it:
// "Sobremesa: Pudim de leite (o cardápio de destino não tem a posição)".
QString LeftOutLine(const TSourceDish& dish, bool typeMissing);

} // namespace pla::server
