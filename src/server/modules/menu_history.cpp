// What a service's menus have been: the history of the changes to their positions
// (HISTCARD, written by every change, change_record.h) and the ranking of its dishes by
// how often they were served in a period, with their acceptance and cost per serving.
// Both only read.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <algorithm>
#include <optional>

namespace pla::server {

namespace {

QDate dayOf(const QVariant& column) {
    return TDatabase::FromSql(TFieldType::DateTime, column).toDateTime().date();
}

QVariant orNull(const QVariant& v, TFieldType type) {
    return v.isNull() ? QVariant() : TDatabase::FromSql(type, v);
}

// A period given whole: both days, the first not after the last.
std::pair<QDate, QDate> periodOf(TMethodArgs& args, int first) {
    const QDate inicio = args.DateTime(first).date();
    const QDate fim = args.DateTime(first + 1).date();
    if (!inicio.isValid() || !fim.isValid()) {
        throw EPlaError(QStringLiteral("Informe o período."));
    }
    if (fim < inicio) {
        throw EPlaError(QStringLiteral("A data inicial do período é posterior à final."));
    }
    return {inicio, fim};
}

const QList<TFieldDef>& historyFields() {
    static const QList<TFieldDef> f{{"DTALTERACAO", TFieldType::DateTime, 0, false},
                                    {"CDOPERADOR", TFieldType::String, 12, false},
                                    {"NMOPERADOR", TFieldType::String, 40, false},
                                    {"IDOPERACAO", TFieldType::String, 1, false},
                                    {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                    {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                                    {"CDTIPOPRAT", TFieldType::String, 2, false},
                                    {"NMTIPOPRAT", TFieldType::String, 35, false},
                                    {"CDFILAUXPRATANT", TFieldType::String, 4, false},
                                    {"CDPRATOANT", TFieldType::String, 10, false},
                                    {"NMPRATOANT", TFieldType::String, 40, false},
                                    {"CDFILAUXPRATNOV", TFieldType::String, 4, false},
                                    {"CDPRATONOV", TFieldType::String, 10, false},
                                    {"NMPRATONOV", TFieldType::String, 40, false},
                                    {"VRPECONSANT", TFieldType::Float, 0, false},
                                    {"VRPECONSNOV", TFieldType::Float, 0, false},
                                    {"QTCOMESTIANT", TFieldType::Float, 0, false},
                                    {"QTCOMESTINOV", TFieldType::Float, 0, false}};
    return f;
}

// The changes of a service's positions made in a period, newest first, at most
// LimiteHistCard of them (and whether there were more); of one dish, before or after
// the change, and of one operator, when given. With them, the operators who changed the
// service's menus in the period, for the screen to choose from. Read by an operator who
// may work on the branch, as its menus are.
QVariant getHistCard(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    ctx.Access().ExigeFilial(filial);
    CheckService(db, filial, servico);
    const QString prato = args.String(2).trimmed();
    const QString filialPrato =
        args.String(3).trimmed().isEmpty() ? QString() : Ajusta(args.String(3).trimmed(), 4);
    const auto [inicio, fim] = periodOf(args, 4);
    const QString operador = args.String(6).trimmed();

    const QString period = QStringLiteral(
        "H.CDFILIAL = ? AND H.CDSERVFILI = ? AND H.DTALTERACAO >= ? AND H.DTALTERACAO < ?");
    QVariantList params{filial, servico, DataHora(inicio), DataHora(fim.addDays(1))};
    QString where = period;
    if (!prato.isEmpty()) {
        if (filialPrato.isEmpty()) {
            where += QStringLiteral(" AND (H.CDPRATOANT = ? OR H.CDPRATONOV = ?)");
        } else {
            where += QStringLiteral(" AND ((H.CDPRATOANT = ? AND H.CDFILAUXPRATANT = ?) OR "
                                    "(H.CDPRATONOV = ? AND H.CDFILAUXPRATNOV = ?))");
        }
        for (int i = 0; i < 2; ++i) {
            params << prato;
            if (!filialPrato.isEmpty()) {
                params << filialPrato;
            }
        }
    }
    if (!operador.isEmpty()) {
        where += QStringLiteral(" AND H.CDOPERADOR = ?");
        params << operador.toUpper();
    }
    TRows q = db.Select(
        QStringLiteral(
            "SELECT H.DTALTERACAO, H.CDOPERADOR, O.NMOPERADOR, H.IDOPERACAO, H.DTCARDAPIO, "
            "H.NRSEQPRATCAR, H.CDTIPOPRAT, T.NMTIPOPRAT, H.CDFILAUXPRATANT, H.CDPRATOANT, "
            "A.NMPRATO, H.CDFILAUXPRATNOV, H.CDPRATONOV, N.NMPRATO, H.VRPECONSANT, "
            "H.VRPECONSNOV, H.QTCOMESTIANT, H.QTCOMESTINOV FROM HISTCARD H LEFT JOIN OPERADOR O "
            "ON O.CDOPERADOR = H.CDOPERADOR LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT = H.CDTIPOPRAT "
            "LEFT JOIN PRATO A ON A.CDFILAUXPRAT = H.CDFILAUXPRATANT AND A.CDPRATO = "
            "H.CDPRATOANT LEFT JOIN PRATO N ON N.CDFILAUXPRAT = H.CDFILAUXPRATNOV AND N.CDPRATO "
            "= H.CDPRATONOV WHERE %1 ORDER BY H.DTALTERACAO DESC, H.NRHISTCARD DESC LIMIT %2")
            .arg(where)
            .arg(rpc::LimiteHistCard + 1),
        params);
    TDataPacket changes;
    changes.Fields = historyFields();
    bool limited = false;
    // Read to its end before the operators' statement runs: PostgreSQL streams one result
    // at a time on a connection.
    while (q.Next()) {
        if (changes.Rows.size() == rpc::LimiteHistCard) {
            limited = true;
            continue;
        }
        TPacketRow r;
        for (int c = 0; c < changes.Fields.size(); ++c) {
            const TFieldType type = changes.Fields[c].Type;
            QVariant v = orNull(q.Value(c), type);
            if (type == TFieldType::String && !v.isNull()) {
                v = v.toString().trimmed();
            } else if (type == TFieldType::Integer && !v.isNull()) {
                v = v.toLongLong();
            } else if (type == TFieldType::Float && !v.isNull()) {
                v = v.toDouble();
            }
            r.Values << v;
        }
        changes.Rows.append(r);
    }
    const TDataPacket operators = QueryPacket(
        db,
        {{"CDOPERADOR", TFieldType::String, 12, false},
         {"NMOPERADOR", TFieldType::String, 40, false}},
        QStringLiteral("SELECT DISTINCT H.CDOPERADOR, O.NMOPERADOR FROM HISTCARD H LEFT JOIN "
                       "OPERADOR O ON O.CDOPERADOR = H.CDOPERADOR WHERE %1 ORDER BY 1")
            .arg(period),
        {filial, servico, DataHora(inicio), DataHora(fim.addDays(1))});
    QVariantList out(int(rpc::TElemHistCard::Quantidade));
    out[int(rpc::TElemHistCard::Alteracoes)] = FromDataPacket(changes);
    out[int(rpc::TElemHistCard::Operadores)] = FromDataPacket(operators);
    out[int(rpc::TElemHistCard::Limitado)] = limited;
    return out;
}

// One dish of the ranking.
struct TRankedDish {
    QString Filial;
    QString Prato;
    QString Nome;
    QString Tipo;
    QString NomeTipo;
    qint64 Vezes = 0;
    QVariant Planejadas; // portions planned on the days their withdrawal was recorded
    QVariant Retiradas;
    QVariant Aceitacao; // percent
    QVariant Custo;
    QVariant Ultimo;
    QString Ativo;
    QString Revisada;
};

// The service's dishes by how many days of the period they were on its menu, most
// first; then by acceptance (none last), name, branch and code. Acceptance is what the
// kitchen withdrew of a dish on the days it recorded it (COMPCARD.QTPORCRETI) against
// the portions planned for those days (the day's diners times the dish's share). With a
// reference dish code, the dish of that code and its equivalents (PRATORELAC "E"), also
// those never served in the period; the rest are left out. Read by an operator who may
// work on the branch; the costs only with prices that exist.
QVariant getRankingPratos(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    ctx.Access().ExigeFilial(filial);
    CheckService(db, filial, servico);
    const auto [inicio, fim] = periodOf(args, 2);
    const qint64 costType = args.Integer(4);
    const QDateTime reference = args.DateTime(5).isValid() ? args.DateTime(5) : Agora();
    const QString costBranch =
        args.String(6).trimmed().isEmpty() ? filial : Ajusta(args.String(6).trimmed(), 4);
    const bool withCost = args.Boolean(7);
    const QString referenceDish = args.String(8).trimmed();
    if (withCost) {
        const QString refusal = CostRefusal(ctx, filial, servico, costType, costBranch);
        if (!refusal.isEmpty()) {
            throw EPlaError(refusal);
        }
    }

    const QString served = QStringLiteral(
        "SELECT C.CDFILAUXPRAT, C.CDPRATO, COUNT(DISTINCT D.NRCARDAPIO) AS QTVEZES, "
        "SUM(C.QTPORCRETI) AS QTPORCRETI, SUM(CASE WHEN C.QTPORCRETI IS NULL THEN 0 ELSE "
        "D.QTCOMESTICAR * C.VRPECONSCARD / 100 END) AS QTPORCPLAN, MAX(D.DTCARDAPIO) AS "
        "DTULTIMO FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO "
        "= D.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND "
        "D.DTCARDAPIO <= ? GROUP BY C.CDFILAUXPRAT, C.CDPRATO");
    const QString cost = withCost ? ServingCostSql(QStringLiteral("P"), QStringLiteral("?"))
                                  : QStringLiteral("NULL");
    QVariantList params;
    if (withCost) {
        params << costBranch << costType << reference;
    }
    params << filial << servico << DataHora(inicio) << DataHora(fim);
    QString sql = QStringLiteral("SELECT P.CDFILAUXPRAT, P.CDPRATO, P.NMPRATO, P.CDTIPOPRAT, "
                                 "T.NMTIPOPRAT, R.QTVEZES, R.QTPORCRETI, R.QTPORCPLAN, "
                                 "R.DTULTIMO, P.IDATIVO, P.IDRECEREVI, %1 AS VRCUSTOPORCAO ")
                      .arg(cost);
    if (referenceDish.isEmpty()) {
        sql += QStringLiteral("FROM (%1) R JOIN PRATO P ON P.CDFILAUXPRAT = R.CDFILAUXPRAT AND "
                              "P.CDPRATO = R.CDPRATO LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT = "
                              "P.CDTIPOPRAT")
                   .arg(served);
    } else {
        // As the dish list offers a position's central dish and its equivalents.
        sql += QStringLiteral("FROM PRATO P LEFT JOIN (%1) R ON R.CDFILAUXPRAT = P.CDFILAUXPRAT "
                              "AND R.CDPRATO = P.CDPRATO LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT = "
                              "P.CDTIPOPRAT WHERE (P.CDPRATO = ? OR EXISTS (SELECT 1 FROM "
                              "PRATORELAC X WHERE X.CDPRATO = ? AND X.IDTIPORELAC = 'E' AND "
                              "X.CDPRATORELAC = P.CDPRATO AND X.CDFILPRATRELAC = "
                              "P.CDFILAUXPRAT))")
                   .arg(served);
        params << referenceDish << referenceDish;
    }
    QList<TRankedDish> dishes;
    TRows q = db.Select(sql, params);
    while (q.Next()) {
        TRankedDish d;
        d.Filial = q.Value(0).toString().trimmed();
        d.Prato = q.Value(1).toString().trimmed();
        d.Nome = q.Value(2).toString().trimmed();
        d.Tipo = q.Value(3).toString().trimmed();
        d.NomeTipo = q.Value(4).toString().trimmed();
        d.Vezes = q.Value(5).toLongLong();
        if (!q.Value(6).isNull()) {
            const double withdrawn = q.Value(6).toDouble();
            const double planned = q.Value(7).toDouble();
            d.Retiradas = RoundDec(withdrawn, 2);
            d.Planejadas = RoundDec(planned, 2);
            if (planned > 0) {
                d.Aceitacao = RoundDec(withdrawn / planned * 100.0, 2);
            }
        }
        if (d.Vezes > 0) {
            d.Ultimo = DataHora(dayOf(q.Value(8)));
        }
        d.Ativo = q.Value(9).toString().trimmed();
        d.Revisada = q.Value(10).toString().trimmed();
        if (withCost) {
            d.Custo = RoundDec(q.Value(11).toDouble(), 5);
        }
        dishes.append(d);
    }
    std::stable_sort(dishes.begin(), dishes.end(), [](const TRankedDish& a, const TRankedDish& b) {
        if (a.Vezes != b.Vezes) {
            return a.Vezes > b.Vezes;
        }
        if (a.Aceitacao.isNull() != b.Aceitacao.isNull()) {
            return !a.Aceitacao.isNull();
        }
        if (!a.Aceitacao.isNull() && a.Aceitacao.toDouble() != b.Aceitacao.toDouble()) {
            return a.Aceitacao.toDouble() > b.Aceitacao.toDouble();
        }
        const int byName = QString::localeAwareCompare(a.Nome, b.Nome);
        if (byName != 0) {
            return byName < 0;
        }
        // Last the dish's key, so that no tie is left to the server's order.
        if (a.Filial != b.Filial) {
            return a.Filial < b.Filial;
        }
        return a.Prato < b.Prato;
    });
    TDataPacket out;
    out.Fields = {{"NRPOSICAO", TFieldType::Integer, 0, false},
                  {"CDFILAUXPRAT", TFieldType::String, 4, false},
                  {"CDPRATO", TFieldType::String, 10, false},
                  {"NMPRATO", TFieldType::String, 40, false},
                  {"CDTIPOPRAT", TFieldType::String, 2, false},
                  {"NMTIPOPRAT", TFieldType::String, 35, false},
                  {"QTVEZES", TFieldType::Integer, 0, false},
                  {"QTPORCPLAN", TFieldType::Float, 0, false},
                  {"QTPORCRETI", TFieldType::Float, 0, false},
                  {"VRACEITACAO", TFieldType::Float, 0, false},
                  {"VRCUSTOPORCAO", TFieldType::Float, 0, false},
                  {"DTULTIMO", TFieldType::DateTime, 0, false},
                  {"IDATIVO", TFieldType::String, 1, false},
                  {"IDRECEREVI", TFieldType::String, 1, false}};
    // Dishes served as often share their place; the next place counts them all.
    qint64 position = 0;
    for (qsizetype i = 0; i < dishes.size(); ++i) {
        const TRankedDish& d = dishes[i];
        if (i == 0 || d.Vezes != dishes[i - 1].Vezes) {
            position = i + 1;
        }
        out.Rows.append(
            {TRowKind::Unchanged,
             {position, d.Filial, d.Prato, d.Nome.left(40), d.Tipo, d.NomeTipo, d.Vezes,
              d.Planejadas, d.Retiradas, d.Aceitacao, d.Custo, d.Ultimo, d.Ativo, d.Revisada},
             {}});
    }
    return FromDataPacket(out);
}

} // namespace

void RegisterMenuHistoryMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetHistCard(), getHistCard));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetRankingPratos(), getRankingPratos));
}

} // namespace pla::server
