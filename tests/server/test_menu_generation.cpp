#include "core/cbor_codec.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

// The month generation and the menu cycles over the demonstration data.
class MenuGeneration : public ::testing::TestWithParam<TEngine> {
protected:
    MenuGeneration()
        : server_(GetParam(), Hoje()) {}

    std::unique_ptr<TNetConnection> connect(const QString& op) {
        return server_.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"), server_.SignIn(op));
    }

    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }

    struct TGeneration {
        QString Key;
        TDataPacket General;
        QList<QVariant> Refs;
    };
    TGeneration gera(const QString& op, const QString& filial, const QString& servico,
                     const QDate& month, qlonglong montagem = 0, bool porFilial = false) {
        auto c = connect(op);
        QList<TRpcArg> args{{filial, true},          {montagem, true}, {servico, true},
                            {DataHora(month), true}, {op, false},      {porFilial, false}};
        const QVariant r = c->Call(QStringLiteral("Gera_Cardapio"), args);
        if (r.typeId() == QMetaType::QString) {
            return {r.toString(), {}, {}};
        }
        const QVariantList l = r.toList();
        QList<QVariant> refs;
        for (const TRpcArg& a : args) {
            refs << a.Value;
        }
        return {l.value(0).toString(), ToDataPacket(CheckResultServ(l.value(1))), refs};
    }

    QString cycle(const QString& op, const QString& filial, const QString& servico,
                  const QDate& month) {
        auto c = connect(op);
        QList<TRpcArg> args{{filial, true},
                            {servico, true},
                            {DataHora(month), true},
                            {op, false},
                            {QStringLiteral("S"), false}};
        return c->Call(QStringLiteral("SetCriaCardCiclo"), args).toString();
    }

    const QDate today_ = Hoje();
    const QDate month_ = PriDiaMes(today_);
    TEmbeddedServer server_;
};

TEST_P(MenuGeneration, MonthsWithMenusAndTheReferenceDate) {
    auto c = connect("NUTRI1");
    const TDataPacket months =
        ToDataPacket(CheckResultServ(c->Call("GetMesCard", QVariantList{"0001", "00001"})));
    ASSERT_EQ(months.Rows.size(), 3);
    EXPECT_EQ(months.Rows[0].Values[1].toDateTime().date(), month_.addMonths(-1));
    EXPECT_EQ(months.Rows[2].Values[1].toDateTime().date(), month_.addMonths(1));
    EXPECT_EQ(
        ToDataPacket(CheckResultServ(c->Call("GetMesCard", QVariantList{"0001", ""}))).Rows.size(),
        3); // every service of the branch, months once
    EXPECT_TRUE(ToDataPacket(CheckResultServ(c->Call("GetMesCard", QVariantList{"0001", "00009"})))
                    .Rows.isEmpty());
    // A month with a day menu further on, after months without any, is found too; another
    // service's months are not.
    const QDate later = month_.addMonths(7).addDays(20);
    server_.Db().Exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, "
                      "DTMESCARD, QTCOMESTICAR) VALUES ('0001', '9999999999', '00001', ?, ?, 10)",
                      {DataHora(later), DataHora(PriDiaMes(later))});
    const TDataPacket withGap =
        ToDataPacket(CheckResultServ(c->Call("GetMesCard", QVariantList{"0001", "1"})));
    ASSERT_EQ(withGap.Rows.size(), 4) << "the service's code is padded";
    EXPECT_EQ(withGap.Rows[2].Values[1].toDateTime().date(), month_.addMonths(1));
    EXPECT_EQ(withGap.Rows[3].Values[1].toDateTime().date(), PriDiaMes(later));
    EXPECT_EQ(withGap.Rows[3].Values[0].toString(), "") << "the screen formats the text";
    for (const TPacketRow& other :
         ToDataPacket(CheckResultServ(c->Call("GetMesCard", QVariantList{"0001", "00002"}))).Rows) {
        EXPECT_NE(other.Values[1].toDateTime().date(), PriDiaMes(later)) << "another service";
    }

    const TDataPacket ref = ToDataPacket(CheckResultServ(
        c->Call("GetDtReferencia", QVariantList{"0001", DataHora(month_.addDays(14))})));
    ASSERT_EQ(ref.Rows.size(), 1);
    EXPECT_EQ(ref.Rows[0].Values[0].toDateTime().date(), month_.addDays(-1));
    EXPECT_TRUE(
        ToDataPacket(CheckResultServ(c->Call("GetDtReferencia",
                                             QVariantList{"0001", DataHora(month_.addMonths(7))})))
            .Rows.isEmpty());
}

TEST_P(MenuGeneration, APlannableMonthAnswersNoKeyAndTheGeneralParameters) {
    const TGeneration g = gera("NUTRI1", "1", "1", month_.addDays(9), -1);
    EXPECT_EQ(g.Key, "");
    ASSERT_EQ(g.General.Rows.size(), 1);
    EXPECT_EQ(g.General.Rows[0].Values[0].toString(), "S");
    EXPECT_EQ(g.General.Rows[0].Values[1].toString(), "N");
    // The arguments come back padded, the month on its first day, the montage from
    // the branch's parameter when none was chosen.
    EXPECT_EQ(g.Refs[0].toString(), "0001");
    EXPECT_EQ(g.Refs[1].toLongLong(), 0);
    EXPECT_EQ(g.Refs[2].toString(), "00001");
    EXPECT_EQ(g.Refs[3].toDateTime().date(), month_);
}

TEST_P(MenuGeneration, RefusalKeysInTheirOrder) {
    const QDate later = month_.addMonths(3); // no days, costs or configuration yet
    const QVariantList key{"0001", "00001", DataHora(later)};
    EXPECT_EQ(gera("NUTRI1", "9999", "00001", later).Key, "FILI_NAO_CAD");
    EXPECT_EQ(gera("NUTRI1", "0001", "00077", later).Key, "SERV_NAO_CAD");
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", later).Key, "CUSTPADR");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTREFECNFMES = ?",
                    key),
              0)
        << "a refused month gets nothing";
    server_.Db().Exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR) "
                      "VALUES (?, ?, ?, 9.5)",
                      key);
    // A service that consumes nothing besides its dishes is not costed yet.
    QSqlQuery consumables = server_.Db().Exec(
        "SELECT CDPRODUTO, QTCONSPERC FROM CONSSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = "
        "'00001'");
    QList<QVariantList> kept;
    while (consumables.next()) {
        kept.append({consumables.value(0), consumables.value(1)});
    }
    ASSERT_FALSE(kept.isEmpty()) << "the demonstration's service has consumables";
    server_.Db().Exec("DELETE FROM CONSSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", later).Key, "CONSSERV");
    server_.Db().Exec("INSERT INTO CONSSERV (CDFILIAL, CDSERVFILI, CDPRODUTO, QTCONSPERC) VALUES "
                      "('0001', '00001', ?, ?)",
                      kept.first());
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", later).Key, "");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTREFECNFMES = ?",
                    key),
              10)
        << "the month's configuration is copied from the standing one";
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDAMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ?",
                    key),
              1);

    const QDate other = month_.addMonths(4);
    server_.Db().Exec("DELETE FROM CNFCARDSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", other).Key, "NOT_CONFCARD");
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", later).Key, "")
        << "a month with its own configuration no longer needs the standing one";

    // A past month without days cannot be opened.
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", month_.addMonths(-2)).Key, "N_HA_CARD");
    server_.Db().Exec("UPDATE FILIAL SET IDCNTRRESC = 'S' WHERE CDFILIAL = '0001'");
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", month_).Key, "FILI_RESC");
}

TEST_P(MenuGeneration, CentralMenusWaitForTheirRelease) {
    // The hospital follows the central kitchen; its planner is a branch operator.
    EXPECT_EQ(gera("NUTRI2", "0003", "00001", month_).Key, "");
    server_.Db().Exec("DELETE FROM LIBCARDMES WHERE CDFILIAL = '0002'");
    EXPECT_EQ(gera("NUTRI2", "0003", "00001", month_).Key, "CARD_N_LIB_MATRIZ");
    EXPECT_EQ(gera("CENTRAL", "0003", "00001", month_).Key, "")
        << "the head office writes the central menu";
    // The school network plans centrally for its decentralised services.
    EXPECT_EQ(gera("NUTRI1", "0004", "00001", month_).Key, "");
    server_.Db().Exec("DELETE FROM LIBCARDMES WHERE CDFILIAL = '0004'");
    EXPECT_EQ(gera("NUTRI1", "0004", "00001", month_).Key, "CARD_CENT_N_LIB");
    EXPECT_EQ(gera(demo::GroupOperator, "0004", "00001", month_).Key, "");
}

TEST_P(MenuGeneration, PerBranchModuleKeepsOperatorsToTheirBranch) {
    const TGeneration g = gera("NUTRI1", "0003", "00001", month_, 0, true);
    EXPECT_EQ(g.Key, "Operador sem acesso aos cardápios da filial 0003.");
    EXPECT_EQ(g.General.Rows.size(), 1) << "a plain text in place of a key";
    EXPECT_EQ(gera("NUTRI1", "0001", "00001", month_, 0, true).Key, "");
}

TEST_P(MenuGeneration, ActiveCycleOfTheMonth) {
    auto c = connect(demo::GroupOperator);
    QList<TRpcArg> args{{"4", true}, {"1", true}, {DataHora(month_.addMonths(1).addDays(3)), true}};
    const TDataPacket p = ToDataPacket(CheckResultServ(c->Call("getVerificaCiclo", args)));
    ASSERT_EQ(p.Rows.size(), 1);
    EXPECT_EQ(p.Rows[0].Values[0].toString(), demo::SchoolCycle);
    EXPECT_EQ(p.Rows[0].Values[1].toString(), "Ciclo escolar de quatro semanas");
    EXPECT_EQ(args[0].Value.toString(), "0004");
    EXPECT_EQ(args[1].Value.toString(), "00001");
    EXPECT_EQ(args[2].Value.toDateTime().date(), month_.addMonths(1));

    QList<TRpcArg> none{{"0001", true}, {"00001", true}, {DataHora(month_), true}};
    EXPECT_TRUE(ToDataPacket(CheckResultServ(c->Call("getVerificaCiclo", none))).Rows.isEmpty());
    // A cycle that starts after the month is not its cycle.
    QList<TRpcArg> before{{"0004", true}, {"00001", true}, {DataHora(month_.addMonths(-3)), true}};
    EXPECT_TRUE(ToDataPacket(CheckResultServ(c->Call("getVerificaCiclo", before))).Rows.isEmpty());
}

TEST_P(MenuGeneration, CycleUpdateIsRefusedForTheCurrentMonthAndWithoutCycle) {
    EXPECT_EQ(cycle(demo::GroupOperator, "0004", "00001", month_),
              "Mês do cardápio para atualização deve ser maior que o mês atual.");
    EXPECT_EQ(cycle("NUTRI1", "0001", "00001", month_.addMonths(1)),
              "Não há ciclo de cardápio ativo para o serviço no mês informado.");
    EXPECT_EQ(cycle(demo::GroupOperator, "0004", "00088", month_.addMonths(1)),
              "Serviço não cadastrado.");
}

TEST_P(MenuGeneration, CycleLaysItsDaysOverTheMonth) {
    const QDate month = month_.addMonths(2); // no days yet
    const QString answer = cycle(demo::GroupOperator, "0004", "00001", month);
    // Weekdays are school days; a holiday on one is logged, so the answer is either
    // empty or a log number.
    QSet<QDate> holidays;
    for (const auto& h : server::NationalHolidays(month.year())) {
        holidays.insert(h.first);
    }
    int schoolDays = 0;
    int holidayDays = 0;
    for (QDate d = month; d.month() == month.month(); d = d.addDays(1)) {
        if (d.dayOfWeek() <= 5) {
            (holidays.contains(d) ? holidayDays : schoolDays)++;
        }
    }
    const auto logged = [&](const QString& like) {
        return count("SELECT COUNT(*) FROM LOGCARDCICLOITEM WHERE CDFILIAL = '0004' AND "
                     "NRLOGCARDCICLO = ? AND DSMENSLOG LIKE ?",
                     {answer, like});
    };
    EXPECT_EQ(logged("Feriado%"), holidayDays);
    const int refused = logged("Prato %");
    EXPECT_EQ(answer.size(), holidayDays + refused > 0 ? 10 : 0) << answer.toStdString();
    const QVariantList key{"0004", "00001", DataHora(month)};
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ?",
                    key),
              schoolDays);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ? AND QTCOMESTICAR = 1450 AND QTESTITURNO1 = 798",
                    key),
              schoolDays)
        << "the service's weekday estimate and its shifts";
    const int placed = schoolDays * 6 - refused;
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                    "AND D.DTMESCARD = ? AND C.IDPRATOESPE = 'R' AND C.CDPRATOMAT = C.CDPRATO",
                    key),
              placed)
        << "the group's operator writes the central menu";

    // The first school day of the month takes the cycle day that follows from the
    // school days since the cycle's start.
    int served = 0;
    for (QDate d = month_.addMonths(-1); d < month; d = d.addDays(1)) {
        served += d.dayOfWeek() <= 5 ? 1 : 0;
    }
    QDate first = month;
    while (first.dayOfWeek() > 5 || holidays.contains(first)) {
        served += first.dayOfWeek() <= 5 ? 1 : 0;
        first = first.addDays(1);
    }
    const int cycleDay = served % 20 + 1;
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO JOIN CARDCICLODIA Y ON Y.CDFILIAL = "
                    "D.CDFILIAL AND Y.CDCARDCICLO = ? AND Y.NRDIACICLO = ? AND "
                    "Y.NRSEQPRATCAR = C.NRSEQPRATCAR AND Y.CDPRATO = C.CDPRATO WHERE D.CDFILIAL = "
                    "'0004' AND D.CDSERVFILI = '00001' AND D.DTCARDAPIO = ?",
                    {demo::SchoolCycle, cycleDay, DataHora(first)}),
              count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = '0004' AND D.CDSERVFILI "
                    "= '00001' AND D.DTCARDAPIO = ?",
                    {DataHora(first)}));

    // Applying it again updates the same days instead of adding others.
    cycle(demo::GroupOperator, "0004", "00001", month);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ?",
                    key),
              schoolDays);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                    "AND D.DTMESCARD = ?",
                    key),
              placed);
}

TEST_P(MenuGeneration, RestrictionsGoToANumberedLog) {
    const QDate month = month_.addMonths(1);
    // An inactive dish, a dish without revised recipe, a missing position and days
    // still blocked.
    QSqlQuery q = server_.Db().Exec(
        "SELECT CDPRATO FROM CARDCICLODIA WHERE CDFILIAL = '0004' AND NRDIACICLO = 1 ORDER BY "
        "NRSEQPRATCAR");
    QStringList dishes;
    while (q.next()) {
        dishes << q.value(0).toString();
    }
    ASSERT_GE(dishes.size(), 3);
    server_.Db().Exec("UPDATE PRATO SET IDATIVO = 'N' WHERE CDPRATO = ?", {dishes[0]});
    server_.Db().Exec("UPDATE PRATO SET IDRECEREVI = 'N' WHERE CDPRATO = ?", {dishes[1]});
    server_.Db().Exec("DELETE FROM CNFCARDMES WHERE CDFILIAL = '0004' AND CDSERVFILI = '00001' AND "
                      "DTREFECNFMES = ? AND NRSEQCNFMES = 6",
                      {DataHora(month)});
    const QDate processing = month.addDays(5);
    server_.Db().Exec("UPDATE FILIAL SET DTPROCESSA = ? WHERE CDFILIAL = '0004'",
                      {DataHora(processing)});

    const QString first = cycle(demo::GroupOperator, "0004", "00001", month);
    ASSERT_EQ(first.size(), 10);
    EXPECT_EQ(first, "0000000002") << "the demonstration already has log 1";
    const auto items = [&](const QString& like) {
        return count("SELECT COUNT(*) FROM LOGCARDCICLOITEM WHERE CDFILIAL = '0004' AND "
                     "NRLOGCARDCICLO = ? AND DSMENSLOG LIKE ?",
                     {first, like});
    };
    EXPECT_GT(items("%inativo%"), 0);
    EXPECT_GT(items("%sem receita revisada%"), 0);
    EXPECT_GT(items("Posição 6 do ciclo%"), 0);
    EXPECT_GT(items("Dia bloqueado%"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM LOGCARDCICLO WHERE CDFILIAL = '0004' AND "
                    "NRLOGCARDCICLO = ? AND CDCARDCICLO = ? AND CDOPERADOR = ?",
                    {first, demo::SchoolCycle, demo::GroupOperator}),
              1);
    // A blocked day, before the first changeable one, keeps what it had.
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004' AND CDSERVFILI = "
                    "'00001' AND DTCARDAPIO < ? AND CDOPERADOR = ?",
                    {DataHora(processing.addDays(demo::BlockedDays)), demo::GroupOperator}),
              0);
    EXPECT_EQ(cycle(demo::GroupOperator, "0004", "00001", month), "0000000003");
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuGeneration,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
