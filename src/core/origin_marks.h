#pragma once

#include <QChar>
#include <QString>

namespace pla {

// A dish as the menu names it: its code and the branch of its recipe.
struct TDishRef {
    QString Code;
    QString Branch;

    bool Empty() const { return Code.trimmed().isEmpty() && Branch.trimmed().isEmpty(); }
    friend bool operator==(const TDishRef& a, const TDishRef& b) {
        return a.Code.trimmed() == b.Code.trimmed() && a.Branch.trimmed() == b.Branch.trimmed();
    }
};

// What decides the origin mark of a dish placed in a cell: the menu's type and how it
// follows a central kitchen, who the operator is, and the general parameters.
struct TMarkContext {
    QChar MenuType;                // N, S or D
    bool CentralBranchSet = false; // the planning parameter CDFILCENTPME is filled
    bool GroupParameterised = false;
    bool OperatorOfGroup = false;
    bool DependsOnRelease = false; // type D with a decentralised service
    bool CentralFlag = false;      // the central flag of the load is "S"
    bool Keep = false;             // the general parameter IDMANCORCARDALT is "N"
    bool ModuFili = false;
};

// The dishes a placement compares with: the central kitchen's dish of the position,
// the dish excluded from that day and position, and (replacements only) the central
// dish that the cell's row records and the dish the cell held.
struct TMarkDishes {
    TDishRef Central;
    TDishRef Excluded; // empty when the position has no excluded dish
    TDishRef Recorded;
    TDishRef Former;
};

// The mark of a pasted dish; a null character keeps the cell's former marked name
// (the same dish pasted over itself in menus of type N or S).
QChar MarcaColagem(const TMarkContext& ctx, const TDishRef& copied, const TMarkDishes& dishes);
// The mark of a dish chosen in the selection for an empty cell.
QChar MarcaInclusao(const TMarkContext& ctx, const TDishRef& chosen, const TMarkDishes& dishes);
// The mark of a dish chosen in the selection for a cell that holds one; a null
// character keeps the former marked name.
QChar MarcaSubstituicao(const TMarkContext& ctx, const TDishRef& chosen, const TMarkDishes& dishes);
// The mark of a dish handed back for the current cell by the history of the menu or the
// dish ranking: `dishes.Former` is the cell's dish (empty for an empty cell) and
// `dishes.Central` the position's central dish. A null character keeps the former
// marked name (a release-dependent menu without a central dish given its own dish).
QChar MarcaRetorno(const TMarkContext& ctx, const TDishRef& returned, const TMarkDishes& dishes);
// "M" an operator of the central kitchen or of the group, "F" one of the branch.
QChar TipoOperador(const TMarkContext& ctx);

} // namespace pla
