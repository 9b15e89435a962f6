// The checks the monthly screen makes before it places a dish: revised recipe,
// inactive products, the central dish of a position and its equivalents.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <QRegularExpression>

namespace pla::server {

namespace {

// A text searched for, its wildcards taken literally (escaped with "!").
QString LikeLiteral(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_')) {
            out += QLatin1Char('!');
        }
        out += c;
    }
    return out;
}

// The levels of a code picture, as the screens send them: a number from 1 to 9.
void checkLevels(const QString& text) {
    bool ok = false;
    const int levels = text.trimmed().toInt(&ok);
    if (!ok || levels < 1 || levels > 9) {
        throw EPlaError(
            QStringLiteral("Número de níveis da máscara de código inválido: %1.").arg(text));
    }
}

// True when the dish lacks a revised recipe: it cannot be placed.
QVariant getRecPrato(TCallContext& ctx, TMethodArgs& args) {
    checkLevels(args.String(2));
    const QVariant revised =
        ctx.Database().Scalar(QStringLiteral("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? "
                                             "AND CDPRATO = ?"),
                              {args.String(4).trimmed(), args.String(3).trimmed()});
    if (revised.isNull()) {
        throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(args.String(3).trimmed()));
    }
    return revised.toString() != QLatin1String("S");
}

// The first inactive product of the dish's recipe, or empty.
QVariant getVerifProdInativo(TCallContext& ctx, TMethodArgs& args) {
    checkLevels(args.String(4));
    return ctx.Database()
        .Scalar(QStringLiteral("SELECT MIN(R.CDPRODUTO) FROM RECEITA R JOIN PRODUTO P ON "
                               "P.CDPRODUTO = R.CDPRODUTO WHERE R.CDFILAUXPRAT = ? AND R.CDPRATO "
                               "= ? AND P.IDATIVO = 'N'"),
                {args.String(2).trimmed(), args.String(1).trimmed()})
        .toString();
}

QVariant getServUtPratRelat(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(), {{"IDUTPRATRELAC", TFieldType::String, 1, false}},
        QStringLiteral("SELECT IDUTPRATRELAC FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
        {Ajusta(args.String(0).trimmed(), 4), Ajusta(args.String(1).trimmed(), 5)}));
}

// The central dish a position of a day stands for.
QVariant getPratoMatriz(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDPRATOMAT", TFieldType::String, 10, false},
         {"CDFILAUXPRATMAT", TFieldType::String, 4, false}},
        QStringLiteral("SELECT CDPRATOMAT, CDFILAUXPRATMAT FROM COMPCARD WHERE CDFILIAL = ? AND "
                       "NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND CDPRATOMAT IS NOT NULL ORDER BY "
                       "NRORDPRATCAR"),
        {Ajusta(args.String(0).trimmed(), 4), args.String(1).trimmed(), args.Integer(2)}));
}

QVariant getPratoEquiv(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"CDFILPRATRELAC", TFieldType::String, 4, false},
         {"CDPRATORELAC", TFieldType::String, 10, false}},
        QStringLiteral("SELECT CDFILPRATRELAC, CDPRATORELAC FROM PRATORELAC WHERE CDPRATO = ? AND "
                       "CDFILAUXPRAT = ? AND IDTIPORELAC = 'E' ORDER BY CDPRATORELAC"),
        {args.String(0).trimmed(), args.String(1).trimmed()}));
}

// The dishes a dish may stand for: itself and its equivalents, by branch and code.
QVariant getPratoRelac(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString branch = args.String(0).trimmed();
    const QString dish = args.String(1).trimmed();
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = "
                                 "?"),
                  {branch, dish})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(dish));
    }
    return FromDataPacket(QueryPacket(
        db,
        {{"CDPRATO", TFieldType::String, 10, false},
         {"CDFILAUXPRAT", TFieldType::String, 4, false}},
        QStringLiteral("SELECT CDPRATO, CDFILAUXPRAT FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO "
                       "= ? UNION SELECT CDPRATORELAC, CDFILPRATRELAC FROM PRATORELAC WHERE "
                       "CDFILAUXPRAT = ? AND CDPRATO = ? AND IDTIPORELAC = 'E' ORDER BY 1, 2"),
        {branch, dish, branch, dish}));
}

QVariant getCnfCaMes(TCallContext& ctx, TMethodArgs& args) {
    return FromDataPacket(PositionsOfMonth(ctx.Database(), Ajusta(args.String(0).trimmed(), 4),
                                           Ajusta(args.String(1).trimmed(), 5),
                                           DataHora(PriDiaMes(args.DateTime(2).date()))));
}

// The dishes offered for a position: every dish, or, with a central dish code, that
// dish and its equivalents; inactive ones left out when asked.
QString dishListSql(bool central, bool hideInactive, const QString& costColumn,
                    bool searched = false) {
    QString sql = QStringLiteral("SELECT P.CDFILAUXPRAT, P.CDPRATO, P.NMPRATO, P.CDTIPOPRAT, "
                                 "P.IDRECEREVI, P.IDATIVO%1 FROM PRATO P WHERE 1 = 1")
                      .arg(costColumn);
    if (central) {
        sql += QStringLiteral(" AND (P.CDPRATO = :CENTRAL OR EXISTS (SELECT 1 FROM PRATORELAC R "
                              "WHERE R.CDPRATO = :CENTRAL AND R.IDTIPORELAC = 'E' AND "
                              "R.CDPRATORELAC = P.CDPRATO AND R.CDFILPRATRELAC = "
                              "P.CDFILAUXPRAT))");
    }
    if (hideInactive) {
        sql += QStringLiteral(" AND P.IDATIVO = 'S'");
    }
    if (searched) {
        // A name searched for: part of the name, or the beginning of the code.
        sql += QStringLiteral(" AND (UPPER(P.NMPRATO) LIKE :BUSCA ESCAPE '!' OR P.CDPRATO LIKE "
                              ":INICIO ESCAPE '!')");
    }
    return sql + QStringLiteral(" ORDER BY P.NMPRATO, P.CDPRATO");
}

QList<TFieldDef> dishListFields(bool withCost) {
    QList<TFieldDef> f{{"CDFILAUXPRAT", TFieldType::String, 4, false},
                       {"CDPRATO", TFieldType::String, 10, false},
                       {"NMPRATO", TFieldType::String, 40, false},
                       {"CDTIPOPRAT", TFieldType::String, 2, false},
                       {"IDRECEREVI", TFieldType::String, 1, false},
                       {"IDATIVO", TFieldType::String, 1, false}};
    if (withCost) {
        f.append({"VRCUSTOPORCAO", TFieldType::Float, 0, false});
    }
    return f;
}

// Named parameters of dishListSql as positional ones, in order: the central dish and
// the text searched for (the fourth argument of both lists; empty lists every dish).
TDataPacket dishList(TDatabase& db, const QString& sql, const QList<TFieldDef>& fields,
                     const QString& central, const QString& search, const QVariantList& before) {
    const QString literal = LikeLiteral(search);
    const QHash<QString, QVariant> named{
        {QStringLiteral(":CENTRAL"), central},
        {QStringLiteral(":BUSCA"), QLatin1Char('%') + literal.toUpper() + QLatin1Char('%')},
        {QStringLiteral(":INICIO"), literal + QLatin1Char('%')}};
    QString positional = sql;
    QVariantList params = before;
    static const QRegularExpression name(QStringLiteral(":[A-Z]+"));
    for (QRegularExpressionMatch m = name.match(positional); m.hasMatch();
         m = name.match(positional)) {
        params << named.value(m.captured());
        positional.replace(m.capturedStart(), m.capturedLength(), QStringLiteral("?"));
    }
    return QueryPacket(db, fields, positional, params);
}

QVariant getPratoPesq(TCallContext& ctx, TMethodArgs& args) {
    checkLevels(args.String(2));
    const QString search = args.String(3).trimmed();
    const QString central = args.String(4).trimmed();
    return FromDataPacket(
        dishList(ctx.Database(),
                 dishListSql(!central.isEmpty(), args.Boolean(5), QString(), !search.isEmpty()),
                 dishListFields(false), central, search, {}));
}

// The dishes with their cost per serving at the reference date, by the rule of the
// month's costs (costs.h), in the cost branch when one is given, else in the menu's
// branch.
QVariant getPratoCusto(TCallContext& ctx, TMethodArgs& args) {
    checkLevels(args.String(2));
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const qint64 costType = args.Integer(4);
    const QDateTime reference = args.DateTime(5).isValid() ? args.DateTime(5) : Agora();
    const QString costBranch =
        args.String(6).trimmed().isEmpty() ? filial : Ajusta(args.String(6).trimmed(), 4);
    const QString central = args.String(7).trimmed();
    const QString cost = QStringLiteral(", %1 AS VRCUSTOPORCAO")
                             .arg(ServingCostSql(QStringLiteral("P"), QStringLiteral("?")));
    const QString search = args.String(3).trimmed();
    TDataPacket p = dishList(
        ctx.Database(), dishListSql(!central.isEmpty(), args.Boolean(8), cost, !search.isEmpty()),
        dishListFields(true), central, search, {costBranch, costType, reference});
    const int i = p.FieldIndex(QStringLiteral("VRCUSTOPORCAO"));
    for (TPacketRow& r : p.Rows) {
        r.Values[i] = RoundDec(r.Values[i].toDouble(), 5);
    }
    return FromDataPacket(p);
}

} // namespace

void RegisterMenuDishMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetRecPrato(), getRecPrato));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetVerifProdInativo(), getVerifProdInativo));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetServUtPratRelat(), getServUtPratRelat));
    m.Register(TMethodDef::Declarado(rpc::metodos::getPratoMatriz(), getPratoMatriz));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetPratoEquiv(), getPratoEquiv));
    m.Register(TMethodDef::Declarado(rpc::metodos::getPratoRelac(), getPratoRelac));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetPratoPesq(), getPratoPesq));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetPratoCusto(), getPratoCusto));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCnfCaMes(), getCnfCaMes));
}

} // namespace pla::server
