#include "origin_marks.h"

namespace pla {

namespace {

constexpr QChar N{u'N'};
constexpr QChar R{u'R'};
constexpr QChar S{u'S'};

bool same(const TDishRef& a, const TDishRef& b) {
    return !b.Empty() && a == b;
}

// Type S: the central kitchen's own operators revise (R), everyone else departs (S).
QChar typeS(const TMarkContext& ctx) {
    return ctx.GroupParameterised && ctx.OperatorOfGroup ? R : S;
}

} // namespace

QChar MarcaColagem(const TMarkContext& ctx, const TDishRef& copied, const TMarkDishes& d) {
    if (ctx.MenuType == N || ctx.MenuType == S) {
        if (same(copied, d.Former)) {
            return {};
        }
        return ctx.MenuType == N ? N : typeS(ctx);
    }
    if (ctx.MenuType != QChar(u'D') || !ctx.DependsOnRelease || !ctx.CentralFlag) {
        return N;
    }
    if ((same(copied, d.Central) || same(copied, d.Excluded)) && ctx.Keep) {
        return N;
    }
    return ctx.OperatorOfGroup ? R : S;
}

QChar MarcaInclusao(const TMarkContext& ctx, const TDishRef& chosen, const TMarkDishes& d) {
    if (ctx.MenuType == S) {
        return ctx.CentralBranchSet ? typeS(ctx) : N;
    }
    if (ctx.MenuType != QChar(u'D') || !ctx.DependsOnRelease) {
        return N;
    }
    const bool keepExcluded = same(chosen, d.Excluded) && ctx.Keep;
    if (ctx.GroupParameterised) {
        if (!ctx.CentralFlag || (same(chosen, d.Central) && ctx.Keep) || keepExcluded) {
            return N;
        }
        return ctx.OperatorOfGroup ? R : S;
    }
    if (same(chosen, d.Central) || keepExcluded) {
        return N;
    }
    return ctx.ModuFili ? S : R;
}

QChar MarcaSubstituicao(const TMarkContext& ctx, const TDishRef& chosen, const TMarkDishes& d) {
    if (ctx.MenuType == N || ctx.MenuType == S) {
        if (same(chosen, d.Former)) {
            return {};
        }
        return ctx.MenuType == N ? N : typeS(ctx);
    }
    if (ctx.MenuType != QChar(u'D') || !ctx.DependsOnRelease) {
        return N;
    }
    const bool keepRecorded = same(chosen, d.Recorded) && ctx.Keep;
    if ((same(chosen, d.Central) && ctx.Keep) || (same(chosen, d.Former) && keepRecorded)) {
        return N;
    }
    if (ctx.GroupParameterised) {
        if (!ctx.CentralFlag || keepRecorded) {
            return N;
        }
        return ctx.OperatorOfGroup ? R : S;
    }
    if (keepRecorded) {
        return N;
    }
    return ctx.ModuFili ? S : R;
}

QChar TipoOperador(const TMarkContext& ctx) {
    constexpr QChar M{u'M'};
    constexpr QChar F{u'F'};
    if (ctx.GroupParameterised) {
        return ctx.OperatorOfGroup ? M : F;
    }
    return ctx.ModuFili ? F : M;
}

QChar MarcaRetorno(const TMarkContext& ctx, const TDishRef& returned, const TMarkDishes& d) {
    const bool mesmo = same(returned, d.Former);
    if (ctx.MenuType == S) {
        // A branch following a head office keeps the menu's own mark.
        if (mesmo || ctx.CentralBranchSet) {
            return N;
        }
        return typeS(ctx);
    }
    if (ctx.MenuType != QChar(u'D') || !ctx.DependsOnRelease) {
        return N;
    }
    const bool central = TipoOperador(ctx) == QChar(u'M');
    if (central && !ctx.CentralFlag) {
        return N;
    }
    if (same(returned, d.Central)) {
        return N;
    }
    if (mesmo) {
        return d.Central.Empty() ? QChar() : N;
    }
    return central ? R : S;
}

} // namespace pla
