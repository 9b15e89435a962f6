// A month's dishes substituted by cheaper equivalents (PRATORELAC "E"): the lines of
// the dishes that cost more than one of their equivalents, a dish's equivalents by
// cost, and the substitution of the lines the planner marked, in one transaction.
#include "change_record.h"
#include "costs.h"
#include "mark_context.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

qint64 costTypeOf(const QString& text) {
    bool ok = false;
    const qint64 type = text.trimmed().toLongLong(&ok);
    if (!ok) {
        throw EPlaError(QStringLiteral("Tipo de custo inválido: %1.").arg(text.trimmed()));
    }
    return type;
}

// A dish as the substitution weighs it, at one reference date.
struct TDishCostInfo {
    bool Exists = false;
    QString Name;
    bool Active = false;
    bool Revised = false;
    double Cost = 0; // per serving, rounded to 5 decimals
    int Products = 0;
    int Inactive = 0; // products of the recipe no longer active
    int Unpriced = 0; // products without a price (none, or zero) at the date
};

// The cost rule of the month's costs (ServingCostSql), with what makes a dish unfit to
// stand in: a retired dish, an unrevised recipe, inactive or unpriced products. Read
// once per dish and date.
class TDishCosts {
public:
    TDishCosts(TDatabase& db, const QString& costBranch, qint64 costType)
        : db_(db)
        , branch_(costBranch)
        , type_(costType) {}

    const TDishCostInfo& Of(const TDishRef& dish, const QDate& reference) {
        const QString key = dish.Branch.trimmed() + QLatin1Char('|') + dish.Code.trimmed() +
                            QLatin1Char('|') + reference.toString(Qt::ISODate);
        const auto found = cache_.constFind(key);
        if (found != cache_.constEnd()) {
            return *found;
        }
        const QString sameRecipe =
            QStringLiteral("REC.CDFILAUXPRAT = P.CDFILAUXPRAT AND REC.CDPRATO = P.CDPRATO");
        const QString sql =
            QStringLiteral(
                "SELECT P.NMPRATO, P.IDATIVO, P.IDRECEREVI, %1, (SELECT COUNT(*) FROM RECEITA "
                "REC WHERE %3), (SELECT COUNT(*) FROM RECEITA REC JOIN PRODUTO PR ON "
                "PR.CDPRODUTO = REC.CDPRODUTO WHERE %3 AND PR.IDATIVO = 'N'), (SELECT COUNT(*) "
                "FROM RECEITA REC WHERE %3 AND COALESCE(%2, 0) = 0) FROM PRATO P WHERE "
                "P.CDFILAUXPRAT = ? AND P.CDPRATO = ?")
                .arg(ServingCostSql(QStringLiteral("P"), QStringLiteral("?")),
                     UnitCostSql(QStringLiteral("REC.CDPRODUTO"), QStringLiteral("?")), sameRecipe);
        const QDateTime ref = DataHora(reference);
        TRows q = db_.Select(sql, {branch_, type_, ref, branch_, type_, ref, dish.Branch.trimmed(),
                                   dish.Code.trimmed()});
        TDishCostInfo info;
        if (q.Next()) {
            info.Exists = true;
            info.Name = q.Value(0).toString().trimmed();
            info.Active = q.Value(1).toString() == QLatin1String("S");
            info.Revised = q.Value(2).toString() == QLatin1String("S");
            info.Cost = RoundDec(q.Value(3).toDouble(), 5);
            info.Products = q.Value(4).toInt();
            info.Inactive = q.Value(5).toInt();
            info.Unpriced = q.Value(6).toInt();
        }
        return *cache_.insert(key, info);
    }

    // The dish's related dishes of a kind ("E" equivalents), by branch and code.
    const QList<TDishRef>& Related(const TDishRef& dish,
                                   const QString& kind = QStringLiteral("E")) {
        const QString key = dish.Branch.trimmed() + QLatin1Char('|') + dish.Code.trimmed() +
                            QLatin1Char('|') + kind;
        const auto found = related_.constFind(key);
        if (found != related_.constEnd()) {
            return *found;
        }
        TRows q = db_.Select(QStringLiteral("SELECT CDPRATORELAC, CDFILPRATRELAC FROM PRATORELAC "
                                            "WHERE CDFILAUXPRAT = ? AND CDPRATO = ? AND "
                                            "IDTIPORELAC = ? ORDER BY CDPRATORELAC, "
                                            "CDFILPRATRELAC"),
                             {dish.Branch.trimmed(), dish.Code.trimmed(), kind});
        QList<TDishRef> out;
        while (q.Next()) {
            out.append({q.Value(0).toString().trimmed(), q.Value(1).toString().trimmed()});
        }
        return *related_.insert(key, out);
    }

private:
    TDatabase& db_;
    QString branch_;
    qint64 type_;
    QHash<QString, TDishCostInfo> cache_;
    QHash<QString, QList<TDishRef>> related_;
};

// The schema keeps one recipe tree per dish: every dish's is the standard one.
const QString StandardTree = QStringLiteral("P");

// "P" a recipe of another branch's catalogue (the standard one), "F" the menu branch's
// own; empty without a recipe. The schema has no recipe per service ("S").
QString recipeKind(const TDishRef& dish, const TDishCostInfo& info, const QString& filial) {
    if (info.Products == 0) {
        return {};
    }
    return dish.Branch.trimmed() == filial.trimmed() ? QStringLiteral("F") : QStringLiteral("P");
}

QString yesNo(bool yes) {
    return yes ? QStringLiteral("S") : QStringLiteral("N");
}

// An equivalent the substitution may write: a dish in use with a revised recipe.
bool mayStandIn(const TDishCostInfo& info) {
    return info.Exists && info.Active && info.Revised;
}

// The month of the arguments, normalised and given back.
struct TMonthArgs {
    QString Filial;
    QString Servico;
    QDate Mes;
    QDate UltimoDia;

    static TMonthArgs Of(TMethodArgs& args, int first) {
        TMonthArgs a;
        a.Filial = Ajusta(args.String(first).trimmed(), 4);
        a.Servico = Ajusta(args.String(first + 1).trimmed(), 5);
        const QDate when = args.DateTime(first + 2).date();
        if (!when.isValid()) {
            throw EPlaError(QStringLiteral("Informe o mês."));
        }
        a.Mes = PriDiaMes(when);
        a.UltimoDia = a.Mes.addMonths(1).addDays(-1);
        args.SetRef(first, a.Filial);
        args.SetRef(first + 1, a.Servico);
        args.SetRef(first + 2, DataHora(a.Mes));
        return a;
    }
};

QString quantityKind(const QString& text) {
    const QString kind = text.trimmed().toUpper();
    if (kind != QLatin1String("P") && kind != QLatin1String("C")) {
        throw EPlaError(QStringLiteral("Tipo de quantidade inválido: %1.").arg(text.trimmed()));
    }
    return kind;
}

const QList<TFieldDef>& lineFields() {
    static const QList<TFieldDef> f{{"CDFILIAL", TFieldType::String, 4, false},
                                    {"NRCARDAPIO", TFieldType::String, 10, false},
                                    {"NRSEQPRATCAR", TFieldType::Float, 0, false},
                                    {"NRORDCNFMES", TFieldType::Float, 0, false},
                                    {"IDMARCADO", TFieldType::String, 1, false},
                                    {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                    {"QTCOMESTICAR", TFieldType::Float, 0, false},
                                    {"CDFILAUXPRAT", TFieldType::String, 4, false},
                                    {"CDPRATO", TFieldType::String, 10, false},
                                    {"CDFILAUXPRATMAT", TFieldType::String, 4, false},
                                    {"CDPRATOMAT", TFieldType::String, 10, false},
                                    {"VRCUSTO", TFieldType::Float, 0, false},
                                    {"IDARVORE", TFieldType::String, 1, false},
                                    {"IDRECEITA", TFieldType::String, 1, false},
                                    {"NMPRATO", TFieldType::String, 40, false},
                                    {"CDFILAUXPRATEQUI", TFieldType::String, 4, false},
                                    {"CDPRATOEQUI", TFieldType::String, 10, false},
                                    {"VRCUSTOEQUI", TFieldType::Float, 0, false},
                                    {"IDARVOREEQUI", TFieldType::String, 1, false},
                                    {"IDRECEITAEQUI", TFieldType::String, 1, false},
                                    {"NMPRATOEQUI", TFieldType::String, 40, false},
                                    {"VRCONSUMO", TFieldType::Float, 0, false},
                                    {"VRCONSUMOEQUI", TFieldType::Float, 0, false},
                                    {"IDEQUIVALENCIA", TFieldType::String, 1, false},
                                    {"VRPECONSCARD", TFieldType::Float, 0, false},
                                    {"VRPECONSCARDEQUI", TFieldType::Float, 0, false},
                                    {"IDPRARECATIV", TFieldType::String, 1, false},
                                    {"IDCUSZEROCUSDESATU", TFieldType::String, 1, false},
                                    {"VRECONOMIA", TFieldType::Float, 0, false}};
    return f;
}

QVariant orNull(const QVariant& v, TFieldType type) {
    return v.isNull() ? QVariant() : TDatabase::FromSql(type, v);
}

// One line per dish of the month whose cost per serving is above one of its
// equivalents'; the proposal is the cheapest cheaper equivalent that may stand in.
QVariant getSubsPratoEqui(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TMonthArgs m = TMonthArgs::Of(args, 0);
    CheckBranch(db, m.Filial);
    const qint64 costType = costTypeOf(args.String(3));
    const bool eachDay = args.String(4).trimmed().toUpper() == QLatin1String("S");
    const QDate fixed = args.DateTime(5).date();
    if (!eachDay && !fixed.isValid()) {
        throw EPlaError(QStringLiteral("Informe a data de referência do custo."));
    }
    const QString kind = quantityKind(args.String(6));
    TDishCosts costs(db, m.Filial, costType);
    TRows q = db.Select(
        QStringLiteral("SELECT D.CDFILIAL, D.NRCARDAPIO, C.NRSEQPRATCAR, M.NRORDCNFMES, "
                       "D.DTCARDAPIO, D.QTCOMESTICAR, C.CDFILAUXPRAT, C.CDPRATO, "
                       "C.CDFILAUXPRATMAT, C.CDPRATOMAT, C.VRPECONSCARD FROM CARDADIA D JOIN "
                       "COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO "
                       "LEFT JOIN CNFCARDMES M ON M.CDFILIAL = D.CDFILIAL AND M.CDSERVFILI = "
                       "D.CDSERVFILI AND M.DTREFECNFMES = D.DTMESCARD AND M.NRSEQCNFMES = "
                       "C.NRSEQPRATCAR WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
                       "D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? ORDER BY D.DTCARDAPIO, "
                       "M.NRORDCNFMES, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {m.Filial, m.Servico, DataHora(m.Mes), DataHora(m.UltimoDia)});
    // Read whole before the costs are asked: one statement at a time on the connection.
    QList<QVariantList> dishes;
    while (q.Next()) {
        QVariantList row;
        for (int c = 0; c < 11; ++c) {
            row << q.Value(c);
        }
        dishes << row;
    }
    TDataPacket out;
    out.Fields = lineFields();
    for (const QVariantList& dish : std::as_const(dishes)) {
        const auto value = [&dish](int c) { return dish[c]; };
        const QDateTime day = TDatabase::FromSql(TFieldType::DateTime, value(4)).toDateTime();
        const QDate reference = eachDay ? day.date() : fixed;
        const TDishRef planned{value(7).toString().trimmed(), value(6).toString().trimmed()};
        const TDishCostInfo plannedCost = costs.Of(planned, reference);
        bool cheaper = false;
        std::optional<TDishRef> proposal;
        double best = 0;
        for (const TDishRef& e : costs.Related(planned)) {
            const TDishCostInfo& info = costs.Of(e, reference);
            if (!info.Exists || !(info.Cost < plannedCost.Cost)) {
                continue;
            }
            cheaper = true;
            if (mayStandIn(info) && (!proposal || info.Cost < best)) {
                proposal = e;
                best = info.Cost;
            }
        }
        if (!cheaper) {
            continue;
        }
        const double diners = value(5).toDouble();
        const double share = value(10).toDouble();
        const double consumption =
            kind == QLatin1String("P") ? share : RoundDec(share * diners / 100.0, 5);
        const TDishCostInfo equi = proposal ? costs.Of(*proposal, reference) : TDishCostInfo{};
        QVariantList v{
            value(0).toString(),
            value(1).toString(),
            value(2).toDouble(),
            orNull(value(3), TFieldType::Float),
            QStringLiteral("N"),
            day,
            diners,
            planned.Branch,
            planned.Code,
            orNull(value(8), TFieldType::String),
            orNull(value(9), TFieldType::String),
            plannedCost.Cost,
            StandardTree,
            recipeKind(planned, plannedCost, m.Filial),
            plannedCost.Name.left(40),
            proposal ? proposal->Branch : QString(),
            proposal ? proposal->Code : QString(),
            equi.Cost,
            proposal ? StandardTree : QString(),
            proposal ? recipeKind(*proposal, equi, m.Filial) : QString(),
            equi.Name.left(40),
            consumption,
            consumption,
            QStringLiteral("E"),
            share,
            share,
            yesNo(!proposal || (equi.Active && equi.Inactive == 0)),
            yesNo(proposal && equi.Unpriced > 0),
            proposal ? RoundDec(share * diners / 100.0 * (plannedCost.Cost - equi.Cost), 2) : 0.0};
        out.Rows.append({TRowKind::Unchanged, v, {}});
    }
    return FromDataPacket(out);
}

// A dish's equivalents, cheapest first; the cost is negative when the recipe has a
// product without a price at the date.
QVariant getListaEquiPrato(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TDishRef dish{args.String(1).trimmed(), args.String(0).trimmed()};
    const QString relation = args.String(2).trimmed().toUpper();
    if (relation != QLatin1String("E")) {
        throw EPlaError(QStringLiteral("Tipo de relação de pratos inválido: %1.").arg(relation));
    }
    const TMonthArgs m = TMonthArgs::Of(args, 3);
    CheckBranch(db, m.Filial);
    const qint64 costType = costTypeOf(args.String(6));
    const QDate reference = args.DateTime(7).date();
    if (!reference.isValid()) {
        throw EPlaError(QStringLiteral("Informe a data de referência do custo."));
    }
    quantityKind(args.String(8));
    const QString code = args.String(9).trimmed();
    const bool all = code.toUpper() == QLatin1String("T");
    TDishCosts costs(db, m.Filial, costType);
    struct TItem {
        TDishRef Dish;
        TDishCostInfo Info;
    };
    QList<TItem> items;
    for (const TDishRef& e : costs.Related(dish, relation)) {
        if (!all && e.Code != code) {
            continue;
        }
        const TDishCostInfo& info = costs.Of(e, reference);
        if (info.Exists) {
            items.append({e, info});
        }
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const TItem& a, const TItem& b) { return a.Info.Cost < b.Info.Cost; });
    TDataPacket out;
    out.Fields = {{"CDFILAUXPRAT", TFieldType::String, 4, false},
                  {"CDPRATO", TFieldType::String, 10, false},
                  {"NMPRATO", TFieldType::String, 40, false},
                  {"IDARVORE", TFieldType::String, 1, false},
                  {"IDRECEITA", TFieldType::String, 1, false},
                  {"VRCUSTO", TFieldType::Float, 0, false},
                  {"VRPECONSCARD", TFieldType::Float, 0, false},
                  {"IDPRARECATIV", TFieldType::String, 1, false}};
    for (const TItem& i : items) {
        out.Rows.append({TRowKind::Unchanged,
                         {i.Dish.Branch, i.Dish.Code, i.Info.Name.left(40), StandardTree,
                          recipeKind(i.Dish, i.Info, m.Filial),
                          i.Info.Unpriced > 0 ? -i.Info.Cost : i.Info.Cost, 0.0,
                          yesNo(i.Info.Active && i.Info.Inactive == 0)},
                         {}});
    }
    return FromDataPacket(out);
}

// The substitution of the marked lines, each checked against what is stored now.
class TSubstitution {
public:
    TSubstitution(TCallContext& ctx, const TMonthArgs& m, bool moduFili)
        : ctx_(ctx)
        , db_(ctx.Database())
        , m_(m)
        , costs_(db_, m.Filial, plannedCostType())
        , fixed_(storedReference())
        , firstChangeable_(FirstChangeableDay(db_, m.Filial))
        , marks_(MarkContextOf(db_, m.Filial, m.Servico, ctx.Operador, moduFili))
        , keepCentral_(
              db_.Scalar(QStringLiteral("SELECT IDMANCORCARDALT FROM PARAMGERAL")).toString() ==
              QLatin1String("S"))
        , recordsSpecialDays_(
              CentralMenuOf(db_, m.Filial, m.Servico, ctx.Operador).RecordsSpecialDays())
        , registro_(db_, m.Filial, ctx.Operador, rpc::TOperacaoCardapio::Substituicao) {}

    void Apply(const TDataPacket& lines) {
        const auto col = [&lines](const char* name) {
            const int i = lines.FieldIndex(QString::fromLatin1(name));
            if (i < 0) {
                throw EPlaError(QStringLiteral("As linhas da substituição não têm o campo %1.")
                                    .arg(QLatin1String(name)));
            }
            return i;
        };
        const int marked = col("IDMARCADO");
        const int branch = col("CDFILIAL");
        const int number = col("NRCARDAPIO");
        const int seq = col("NRSEQPRATCAR");
        const int dishBranch = col("CDFILAUXPRAT");
        const int dish = col("CDPRATO");
        const int share = col("VRPECONSCARD");
        const int equiBranch = col("CDFILAUXPRATEQUI");
        const int equi = col("CDPRATOEQUI");
        const int equiShare = col("VRPECONSCARDEQUI");
        for (const TPacketRow& r : lines.Rows) {
            if (r.Kind == TRowKind::Deleted ||
                r.Values.value(marked).toString().trimmed().toUpper() != QLatin1String("S")) {
                continue;
            }
            TLine l;
            l.Filial = r.Values.value(branch).toString().trimmed();
            l.Numero = r.Values.value(number).toString().trimmed();
            l.Posicao = int(r.Values.value(seq).toDouble());
            l.Prato = {r.Values.value(dish).toString().trimmed(),
                       r.Values.value(dishBranch).toString().trimmed()};
            l.Percentual = r.Values.value(share).toDouble();
            l.Equivalente = {r.Values.value(equi).toString().trimmed(),
                             r.Values.value(equiBranch).toString().trimmed()};
            l.PercentualEqui = r.Values.value(equiShare).toDouble();
            substitute(l);
        }
        for (const QString& nr : std::as_const(touched_)) {
            db_.Exec(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? WHERE "
                                    "CDFILIAL = ? AND NRCARDAPIO = ?"),
                     {ctx_.Operador, Agora(), m_.Filial, nr});
            recordSpecialDay(nr);
        }
        registro_.Registra();
    }

private:
    struct TLine {
        QString Filial;
        QString Numero;
        int Posicao = 0;
        TDishRef Prato;
        double Percentual = 0;
        TDishRef Equivalente;
        double PercentualEqui = 0;
    };

    qint64 plannedCostType() {
        bool ok = false;
        const qint64 type =
            db_.Scalar(QStringLiteral("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                       {m_.Filial})
                .toString()
                .trimmed()
                .toLongLong(&ok);
        if (!ok) {
            throw EPlaError(QStringLiteral("A filial não tem tipo de custo planejado nos "
                                           "parâmetros do planejamento."));
        }
        return type;
    }

    // The month's stored reference date for costs; invalid: each day's own date.
    QDate storedReference() {
        return TDatabase::FromSql(
                   TFieldType::DateTime,
                   db_.Scalar(QStringLiteral("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE "
                                             "CDFILIAL = ? AND DTMESCUST = ?"),
                              {m_.Filial, DataHora(m_.Mes)}))
            .toDateTime()
            .date();
    }

    [[noreturn]] void stale(const TLine& l, const QDate& day) const {
        throw EPlaError(QStringLiteral("O prato %1 do dia %2 foi alterado por outro operador "
                                       "depois da leitura. Leia os pratos novamente.")
                            .arg(l.Prato.Code, day.isValid() ? dateText(day) : l.Numero));
    }

    void substitute(TLine l) {
        if (l.Filial != m_.Filial.trimmed()) {
            throw EPlaError(QStringLiteral("A linha do cardápio %1 não é da filial %2.")
                                .arg(l.Numero, m_.Filial));
        }
        TRows d = db_.Select(QStringLiteral("SELECT CDSERVFILI, DTCARDAPIO, QTCOMESTICAR FROM "
                                            "CARDADIA WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
                             {m_.Filial, l.Numero});
        if (!d.Next()) {
            stale(l, {});
        }
        const QDate day = TDatabase::FromSql(TFieldType::DateTime, d.Value(1)).toDateTime().date();
        if (d.Value(0).toString().trimmed() != m_.Servico.trimmed() || day < m_.Mes ||
            day > m_.UltimoDia) {
            stale(l, day);
        }
        if (day < firstChangeable_) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(dateText(day)));
        }
        // The row as the planner read it: the same dish and share in the position.
        TRows c = db_.Select(QStringLiteral("SELECT NRORDPRATCAR, VRPECONSCARD, IDPRATOESPE, "
                                            "CDPRATOMAT, CDFILAUXPRATMAT FROM COMPCARD WHERE "
                                            "CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = "
                                            "? AND CDPRATO = ? AND CDFILAUXPRAT = ? ORDER BY "
                                            "NRORDPRATCAR"),
                             {m_.Filial, l.Numero, l.Posicao, l.Prato.Code, l.Prato.Branch});
        if (!c.Next() || std::abs(c.Value(1).toDouble() - l.Percentual) > 1e-9) {
            stale(l, day);
        }
        const int order = c.Value(0).toInt();
        const QString formerMark = c.Value(2).toString();
        const TDishRef recorded{c.Value(3).toString().trimmed(), c.Value(4).toString().trimmed()};
        registro_.Antes(l.Numero);
        const QList<TDishRef>& equivalents = costs_.Related(l.Prato);
        if (l.Equivalente.Code.isEmpty()) {
            throw EPlaError(QStringLiteral("Escolha o prato equivalente ao prato %1 no dia %2.")
                                .arg(l.Prato.Code, dateText(day)));
        }
        if (l.Equivalente.Branch.isEmpty()) {
            // Only the code came: the planned dish's equivalent of that code.
            for (const TDishRef& e : equivalents) {
                if (e.Code == l.Equivalente.Code) {
                    l.Equivalente.Branch = e.Branch;
                    break;
                }
            }
        }
        if (!equivalents.contains(l.Equivalente)) {
            throw EPlaError(QStringLiteral("O prato %1 não é equivalente ao prato %2 (dia %3).")
                                .arg(l.Equivalente.Code, l.Prato.Code, dateText(day)));
        }
        const QDate reference = fixed_.isValid() ? fixed_ : day;
        const TDishCostInfo equi = costs_.Of(l.Equivalente, reference);
        if (!equi.Revised) {
            throw EPlaError(QStringLiteral("O prato %1 não tem receita revisada (dia %2).")
                                .arg(l.Equivalente.Code, dateText(day)));
        }
        if (!equi.Active || equi.Inactive > 0) {
            throw EPlaError(
                QStringLiteral(
                    "O prato %1 está inativo ou tem produto inativo na receita (dia %2).")
                    .arg(l.Equivalente.Code, dateText(day)));
        }
        const TDishCostInfo planned = costs_.Of(l.Prato, reference);
        if (equi.Cost > planned.Cost) {
            throw EPlaError(QStringLiteral("O prato %1 custa mais que o prato %2 no dia %3.")
                                .arg(l.Equivalente.Code, l.Prato.Code, dateText(day)));
        }
        if (!(l.PercentualEqui > 0)) {
            throw EPlaError(
                QStringLiteral("O percentual do prato %1 no dia %2 deve ser maior que zero.")
                    .arg(l.Equivalente.Code, dateText(day)));
        }
        write(l, order, formerMark, recorded);
    }

    // As the monthly screen replaces a cell's dish: the same row, its mark, the central
    // dish it stands for recorded; the former dish's portions withdrawn are not its.
    void write(const TLine& l, int order, const QString& formerMark, const TDishRef& recorded) {
        TMarkDishes around;
        around.Former = l.Prato;
        around.Recorded = recorded;
        around.Central = centralOf(l.Numero, l.Posicao);
        const QChar mark = MarcaSubstituicao(marks_, l.Equivalente, around);
        TDishRef standsFor;
        if (around.Central.Empty()) {
            if (formerMark != QLatin1String("S")) {
                standsFor = l.Prato;
            }
        } else if (!(l.Equivalente == around.Central) || keepCentral_) {
            standsFor = around.Central;
        }
        const auto orNullText = [](const QString& s) {
            return s.trimmed().isEmpty() ? QVariant() : QVariant(s.trimmed());
        };
        db_.Exec(QStringLiteral("UPDATE COMPCARD SET CDFILAUXPRAT = ?, CDPRATO = ?, VRPECONSCARD "
                                "= ?, IDPRATOESPE = ?, CDPRATOMAT = ?, CDFILAUXPRATMAT = ?, %1 "
                                "WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND "
                                "NRORDPRATCAR = ?")
                     .arg(WithdrawnOfTheSameDishSql()),
                 {l.Equivalente.Branch, l.Equivalente.Code, l.PercentualEqui,
                  mark.isNull() ? formerMark : QString(mark), orNullText(standsFor.Code),
                  orNullText(standsFor.Branch), l.Equivalente.Branch, l.Equivalente.Code, m_.Filial,
                  l.Numero, l.Posicao, order});
        touched_.insert(l.Numero);
    }

    // The central dish a position of a day stands for, as getPratoMatriz reads it.
    TDishRef centralOf(const QString& nr, int position) {
        TRows q = db_.Select(QStringLiteral("SELECT CDPRATOMAT, CDFILAUXPRATMAT FROM COMPCARD "
                                            "WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                                            "NRSEQPRATCAR = ? AND CDPRATOMAT IS NOT NULL ORDER "
                                            "BY NRORDPRATCAR"),
                             {m_.Filial, nr, position});
        if (q.Next()) {
            return {q.Value(0).toString().trimmed(), q.Value(1).toString().trimmed()};
        }
        return {};
    }

    // A day whose dishes changed departs from the central menu it follows, as the save
    // records it.
    void recordSpecialDay(const QString& nr) {
        if (!recordsSpecialDays_) {
            return;
        }
        const QDate day =
            TDatabase::FromSql(TFieldType::DateTime,
                               db_.Scalar(QStringLiteral("SELECT DTCARDAPIO FROM CARDADIA WHERE "
                                                         "CDFILIAL = ? AND NRCARDAPIO = ?"),
                                          {m_.Filial, nr}))
                .toDateTime()
                .date();
        RecordSpecialDay(db_, m_.Filial, m_.Servico, day, nr);
    }

    TCallContext& ctx_;
    TDatabase& db_;
    TMonthArgs m_;
    TDishCosts costs_;
    QDate fixed_;
    QDate firstChangeable_;
    TMarkContext marks_;
    bool keepCentral_ = false;
    bool recordsSpecialDays_ = false; // the menu follows a central one
    QSet<QString> touched_;
    TRegistroAlteracoes registro_;
};

QVariant setSubsPratoEqui(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TMonthArgs m = TMonthArgs::Of(args, 0);
    CheckBranch(db, m.Filial);
    const TDataPacket lines = ToDataPacket(args.Value(3));
    TSubstitution(ctx, m, args.Boolean(5)).Apply(lines);
    return true;
}

} // namespace

void RegisterEquivalentMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::getSubsPratoEqui(), getSubsPratoEqui));
    m.Register(TMethodDef::Declarado(rpc::metodos::getListaEquiPrato(), getListaEquiPrato));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::setSubsPratoEqui(), setSubsPratoEqui, true,
        {{A::AlterarPrato}, QStringLiteral("substituir pratos por equivalentes"), 0, 5}));
}

} // namespace pla::server
