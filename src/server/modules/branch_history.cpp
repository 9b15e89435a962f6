// The branch's history (PLA08800): every month of every service of the branch with its
// planned cost and diners, its real cost and diners and its standard per capita. The
// figures follow the month's cost rules (costs.h): the planned cost at the branch's
// planned cost type and the month's stored reference date (each day's own without one),
// the real cost at the real cost type on each day, every step rounded as the monthly
// screen rounds it. A few statements over the branch's keys, however many months.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QMap>

namespace pla::server {

namespace {

QDate dayOf(const QVariant& column) {
    return TDatabase::FromSql(TFieldType::DateTime, column).toDateTime().date();
}

// A day of a service as the month's cost sees it.
struct TDia {
    double Comensais = 0;      // estimated
    double Clientes = 0;       // estimated client diners
    double ComensaisReais = 0; // effective, where recorded
    double MateriaPrima = 0;
    double Consumo = 0;
    double CustoReal = 0; // what the stock gave out
};

// A service's month: its days in date order, added up as the monthly screen adds them.
struct TMes {
    int Dias = 0; // with a menu
    QMap<QDate, TDia> PorDia;
    QVariant Padrao; // standard per capita; null without one
};

using TChave = std::pair<QString, QDate>; // service, month

QVariant percapita(double cost, double diners) {
    return diners > 0 ? QVariant(RoundDec(cost / diners, 5)) : QVariant();
}

QVariant diferenca(const QVariant& perCapita, const QVariant& padrao) {
    if (perCapita.isNull() || padrao.isNull() || !(padrao.toDouble() > 0)) {
        return {};
    }
    return RoundDec((perCapita.toDouble() - padrao.toDouble()) / padrao.toDouble() * 100.0, 5);
}

QVariant getHistFilial(TCallContext& ctx, TMethodArgs& args) {
    using E = rpc::TElemHistFilial;
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    CheckBranch(db, filial);
    if (!ctx.Access().PodeAlterarFilial(filial)) {
        throw EPlaError(QStringLiteral("Operador sem acesso aos custos da filial %1.").arg(filial));
    }
    qint64 tipoPlanejado = -1;
    qint64 tipoReal = -1;
    bool porCliente = false;
    {
        TRows q = db.Select(QStringLiteral("SELECT CDTIPOCUSTOPLA, CDTIPOCUSTOREA, IDCOMCUSPERC "
                                           "FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                            {filial});
        if (q.Next()) {
            bool ok = false;
            tipoPlanejado = q.Value(0).toString().trimmed().toLongLong(&ok);
            tipoPlanejado = ok ? tipoPlanejado : -1;
            tipoReal = q.Value(1).toString().trimmed().toLongLong(&ok);
            tipoReal = ok ? tipoReal : -1;
            porCliente = q.Value(2).toString() == QLatin1String("C");
        }
    }
    if (tipoPlanejado < 0) {
        throw EPlaError(QStringLiteral("A filial não tem tipo de custo planejado nos "
                                       "parâmetros do planejamento."));
    }
    if (tipoReal < 0) {
        tipoReal = tipoPlanejado;
    }

    QMap<TChave, TMes> meses;
    // Each day's prices: the month's stored reference date, or the day's own.
    const QString reference = QStringLiteral("COALESCE(B.DTBASCONCUSPLAN, D.DTCARDAPIO)");
    const QString monthReference = QStringLiteral(
        " LEFT JOIN BASECUSTMES B ON B.CDFILIAL = D.CDFILIAL AND B.DTMESCUST = D.DTMESCARD");
    const QVariantList planned{filial, tipoPlanejado};

    // The days: diners and the consumables per diner.
    {
        TRows q = db.Select(
            QStringLiteral(
                "SELECT D.CDSERVFILI, D.DTMESCARD, D.DTCARDAPIO, D.QTCOMESTICAR, D.QTCLIESTICAR, "
                "D.QTCOMEFETCAR, (SELECT COALESCE(SUM(K.QTCONSPERC * COALESCE(%1, 0)), "
                "0) FROM CONSSERV K WHERE K.CDFILIAL = D.CDFILIAL AND K.CDSERVFILI = "
                "D.CDSERVFILI) FROM CARDADIA D%2 WHERE D.CDFILIAL = ?")
                .arg(UnitCostSql(QStringLiteral("K.CDPRODUTO"), reference), monthReference),
            planned + QVariantList{filial});
        while (q.Next()) {
            TMes& m = meses[{q.Value(0).toString(), PriDiaMes(dayOf(q.Value(1)))}];
            TDia& d = m.PorDia[dayOf(q.Value(2))];
            ++m.Dias;
            d.Comensais = q.Value(3).toDouble();
            d.Clientes = q.Value(4).toDouble();
            d.ComensaisReais = q.Value(5).toDouble();
            d.Consumo = RoundDec(d.Comensais * RoundDec(q.Value(6).toDouble(), 5), 5);
        }
    }
    // The dishes: portions times the cost per serving, each rounded, summed per day.
    {
        TRows q = db.Select(
            QStringLiteral("SELECT D.CDSERVFILI, D.DTMESCARD, D.DTCARDAPIO, C.VRPECONSCARD, "
                           "D.QTCOMESTICAR, %1 FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = "
                           "D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO%2 WHERE D.CDFILIAL = ? "
                           "ORDER BY D.CDSERVFILI, D.DTCARDAPIO, C.NRSEQPRATCAR, "
                           "C.NRORDPRATCAR")
                .arg(ServingCostSql(QStringLiteral("C"), reference), monthReference),
            planned + QVariantList{filial});
        TChave current;
        QDate day;
        double sum = 0;
        const auto closeDay = [&] {
            if (day.isValid()) {
                meses[current].PorDia[day].MateriaPrima = RoundDec(sum, 5);
            }
            sum = 0;
        };
        while (q.Next()) {
            const TChave key{q.Value(0).toString(), PriDiaMes(dayOf(q.Value(1)))};
            const QDate d = dayOf(q.Value(2));
            if (d != day || key != current) {
                closeDay();
                current = key;
                day = d;
            }
            const double portions =
                RoundDec(q.Value(3).toDouble() * q.Value(4).toDouble() / 100.0, 5);
            sum += RoundDec(portions * RoundDec(q.Value(5).toDouble(), 5), 5);
        }
        closeDay();
    }
    // What the stock gave out, valued on its day at the real cost type (or at its own
    // unit cost without such a price), rounded per day.
    {
        TRows q = db.Select(
            QStringLiteral("SELECT R.CDSERVFILI, R.DTRETIRADA, R.QTRETIRADA, COALESCE(%1, "
                           "R.VRCUSTUNIT) FROM RETIRADA R WHERE R.CDFILIAL = ? ORDER BY "
                           "R.CDSERVFILI, R.DTRETIRADA, R.CDPRODUTO")
                .arg(UnitCostSql(QStringLiteral("R.CDPRODUTO"), QStringLiteral("R.DTRETIRADA"))),
            {filial, tipoReal, filial});
        TChave current;
        QDate day;
        double sum = 0;
        const auto closeDay = [&] {
            if (day.isValid()) {
                meses[current].PorDia[day].CustoReal = RoundDec(sum, 5);
            }
            sum = 0;
        };
        while (q.Next()) {
            const QDate d = dayOf(q.Value(1));
            const TChave key{q.Value(0).toString(), PriDiaMes(d)};
            if (d != day || key != current) {
                closeDay();
                current = key;
                day = d;
            }
            sum += q.Value(2).toDouble() * q.Value(3).toDouble();
        }
        closeDay();
    }
    {
        TRows q = db.Select(QStringLiteral("SELECT CDSERVFILI, DTMESCUST, VRCUSTPADR FROM "
                                           "CUSTOSERVMES WHERE CDFILIAL = ?"),
                            {filial});
        while (q.Next()) {
            const TChave key{q.Value(0).toString(), PriDiaMes(dayOf(q.Value(1)))};
            if (meses.contains(key) && q.Value(2).toDouble() > 0) {
                meses[key].Padrao = q.Value(2).toDouble();
            }
        }
    }
    QHash<QString, QString> nomes;
    {
        TRows q = db.Select(
            QStringLiteral("SELECT CDSERVFILI, NMSERVICO FROM SERVICO WHERE CDFILIAL = ?"),
            {filial});
        while (q.Next()) {
            nomes.insert(q.Value(0).toString(), q.Value(1).toString().trimmed());
        }
    }

    TDataPacket p;
    p.Fields = {{"CDSERVFILI", TFieldType::String, 5, true},
                {"NMSERVICO", TFieldType::String, 40, false},
                {"DTMESCARD", TFieldType::DateTime, 0, true},
                {"QTDIAS", TFieldType::Integer, 0, false},
                {"QTCOMESTI", TFieldType::Float, 0, false},
                {"QTCOMEFET", TFieldType::Float, 0, false},
                {"VRCUSTOPLAN", TFieldType::Float, 0, false},
                {"VRPERCAPPLAN", TFieldType::Float, 0, false},
                {"VRCUSTOREAL", TFieldType::Float, 0, false},
                {"VRPERCAPREAL", TFieldType::Float, 0, false},
                {"VRCUSTPADR", TFieldType::Float, 0, false},
                {"VRDIFPLANPADR", TFieldType::Float, 0, false},
                {"VRDIFREALPADR", TFieldType::Float, 0, false}};
    for (auto it = meses.cbegin(); it != meses.cend(); ++it) {
        const TMes& m = it.value();
        double planejado = 0, real = 0, comensais = 0, clientes = 0, reais = 0;
        for (const TDia& d : m.PorDia) {
            planejado += d.MateriaPrima + d.Consumo;
            real += d.CustoReal;
            comensais += d.Comensais;
            clientes += d.Clientes;
            reais += d.ComensaisReais;
        }
        // The planned per capita as the closing weighs it; the real one per real diner.
        const QVariant perCapPlan = percapita(planejado, porCliente ? clientes : comensais);
        const QVariant perCapReal = percapita(real, reais);
        TPacketRow r;
        r.Values = {it.key().first,
                    nomes.value(it.key().first),
                    DataHora(it.key().second),
                    qlonglong(m.Dias),
                    comensais,
                    reais,
                    RoundDec(planejado, 5),
                    perCapPlan,
                    RoundDec(real, 5),
                    perCapReal,
                    m.Padrao,
                    diferenca(perCapPlan, m.Padrao),
                    diferenca(perCapReal, m.Padrao)};
        p.Rows.append(r);
    }
    QVariantList out(int(E::Quantidade));
    out[int(E::Meses)] = FromDataPacket(p);
    out[int(E::NomeFilial)] =
        db.Scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {filial})
            .toString()
            .trimmed();
    return out;
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeHistFilial() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla08800.rdmHistFilial"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetHistFilial(), getHistFilial));
    return m;
}

} // namespace pla::server
