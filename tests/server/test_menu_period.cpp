#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
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

// The month's operations beyond the save: period deletion, inversion, the dish types
// over their day, the delivery points; and what a save records of the central menu.
class MenuPeriod : public ::testing::TestWithParam<TEngine> {
protected:
    MenuPeriod()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& method, const QVariantList& args,
                  const QString& op = QStringLiteral("NUTRI1"),
                  const QString& module = QStringLiteral("Pla00100.rdmParamCardIndu")) {
        auto c = server_.Connect(module, server_.SignIn(op));
        return c->Call(method, args);
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    QString dayNumber(const QString& branch, const QString& service, const QDate& day) {
        return server_.DayNumber(branch, service, day);
    }
    QDate served(const QString& branch, const QString& service, int from) {
        return server_.Served(branch, service, next_, from);
    }
    QStringList dishesOf(const QString& branch, const QString& nr) {
        QSqlQuery q = server_.Db().Exec("SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = ? AND "
                                        "NRCARDAPIO = ? ORDER BY NRSEQPRATCAR, NRORDPRATCAR",
                                        {branch, nr});
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString();
        }
        return out;
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

TEST_P(MenuPeriod, DeletingAPeriodTakesItsDaysDishesClientsAndRecords) {
    // The transported school service has clients on every day.
    const QDate from = served("0004", "00001", 10);
    const QDate to = from.addDays(3);
    const int days = count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004' AND CDSERVFILI "
                           "= '00001' AND DTCARDAPIO >= ? AND DTCARDAPIO <= ?",
                           {DataHora(from), DataHora(to)});
    ASSERT_GT(days, 0);
    const int others = count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004'");
    EXPECT_EQ(
        call("DelCardPeriodo", {"0004", "00001", DataHora(from), DataHora(to)}, demo::GroupOperator)
            .toInt(),
        days);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004' AND CDSERVFILI = "
                    "'00001' AND DTCARDAPIO >= ? AND DTCARDAPIO <= ?",
                    {DataHora(from), DataHora(to)}),
              0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004'"), others - days)
        << "only that service's period";
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD C WHERE NOT EXISTS (SELECT 1 FROM CARDADIA D "
                    "WHERE D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO)"),
              0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDACLI C WHERE NOT EXISTS (SELECT 1 FROM CARDADIA D "
                    "WHERE D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO)"),
              0);

    // Refused: a past period, two months, an operator without the permission.
    // A refusal is the answer's error text.
    const auto refused = [&](const QVariantList& args, const QString& op) {
        const QVariant answer = call("DelCardPeriodo", args, op);
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    };
    EXPECT_TRUE(refused({"0004", "00001", DataHora(month_.addMonths(-1)),
                         DataHora(month_.addMonths(-1).addDays(2))},
                        demo::GroupOperator)
                    .contains("não pode mais ser alterado"));
    EXPECT_EQ(refused({"0004", "00001", DataHora(next_), DataHora(next_.addMonths(1))},
                      demo::GroupOperator),
              "O período deve estar dentro de um mesmo mês.");
    EXPECT_EQ(refused({"0001", "00001", DataHora(next_), DataHora(next_)}, demo::ReadOnlyOperator),
              "Operador sem permissão para excluir o cardápio de um período.");
}

TEST_P(MenuPeriod, InvertingTwoDaysSwapsTheirDishesAtOnce) {
    const QDate a = served("0001", "00001", 10);
    const QDate b = served("0001", "00001", a.day() + 1);
    const QString na = dayNumber("0001", "00001", a);
    const QString nb = dayNumber("0001", "00001", b);
    const QStringList dishesA = dishesOf("0001", na);
    const QStringList dishesB = dishesOf("0001", nb);
    ASSERT_NE(dishesA, dishesB);
    EXPECT_TRUE(call("InvertePratos", {"0001", "00001", DataHora(a), DataHora(b)}).toBool());
    EXPECT_EQ(dishesOf("0001", na), dishesB);
    EXPECT_EQ(dishesOf("0001", nb), dishesA);

    // A holiday of a branch that keeps to working days, a day without a menu, the past.
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', ?, "
                      "'Feriado')",
                      {DataHora(b)});
    const auto refused = [&](const QDate& x, const QDate& y) {
        const QVariant answer = call("InvertePratos", {"0001", "00001", DataHora(x), DataHora(y)});
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    };
    EXPECT_TRUE(refused(a, b).startsWith("Cardápio bloqueado para dia não útil"));
    EXPECT_EQ(dishesOf("0001", na), dishesB) << "nothing changed";
    QDate sunday = a;
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    EXPECT_TRUE(refused(a, sunday).startsWith("Não há cardápio do dia"));
    EXPECT_TRUE(refused(month_.addMonths(-1).addDays(3), a).contains("não pode mais ser alterado"));
}

TEST_P(MenuPeriod, DishTypesOverTheirDayAreReportedFromTheProcessingDate) {
    const QDate d = served("0003", "00001", 10);
    const QString nr = dayNumber("0003", "00001", d);
    const auto ask = [&] {
        return call("getComensEst",
                    {"0003", "00001", DataHora(next_), DataHora(month_), QStringLiteral("N")},
                    "NUTRI1", "PLA00124.rdmComensEst")
            .toList();
    };
    EXPECT_EQ(ask().value(0).toString(), "N") << "the demonstration keeps every type within";
    // The counted type (03) at 60 % and a second counted position of it at 50 %.
    server_.Db().Exec("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES, "
                      "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) VALUES "
                      "('0003', '00001', ?, 99, '03', 'N', 'S', 990, 'S')",
                      {DataHora(next_)});
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 200 WHERE CDFILIAL = '0003' AND "
                      "NRCARDAPIO = ?",
                      {nr});
    const QString seq03 =
        server_.Db()
            .Scalar("SELECT NRSEQCNFMES FROM CNFCARDMES WHERE CDFILIAL = '0003' AND CDSERVFILI = "
                    "'00001' AND DTREFECNFMES = ? AND CDTIPOPRAT = '03' AND NRSEQCNFMES <> 99",
                    {DataHora(next_)})
            .toString();
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 60 WHERE CDFILIAL = '0003' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                      {nr, seq03});
    const QString dish = server_.Db()
                             .Scalar("SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = '0003' AND "
                                     "NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                                     {nr, seq03})
                             .toString();
    server_.Db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
                      "CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE) VALUES ('0003', ?, 99, "
                      "990, '0002', ?, 50, 'N')",
                      {nr, dish});
    const QVariantList r = ask();
    ASSERT_EQ(r.value(0).toString(), "S");
    TMemTable pairs;
    pairs.SetData(ToDataPacket(r.value(1)));
    ASSERT_EQ(pairs.RecordCount(), 1);
    EXPECT_EQ(pairs.FieldByName("DTCARDAPIO").AsDateTime().date(), d);
    EXPECT_EQ(pairs.FieldByName("CDTIPOPRAT").AsString(), "03");
    EXPECT_DOUBLE_EQ(pairs.FieldByName("COMENSEST").AsFloat(), 220);
    EXPECT_DOUBLE_EQ(pairs.FieldByName("COMENSDIA").AsFloat(), 200);
    EXPECT_DOUBLE_EQ(pairs.FieldByName("DIFERENCA").AsFloat(), 20);
    // Days before the processing date are not asked about.
    EXPECT_EQ(call("getComensEst",
                   {"0003", "00001", DataHora(next_), DataHora(d.addDays(1)), QStringLiteral("N")},
                   "NUTRI1", "PLA00124.rdmComensEst")
                  .toList()
                  .value(0)
                  .toString(),
              "N");
}

TEST_P(MenuPeriod, DeliveryPointsOfANewDayAreOfferedAndWritten) {
    // A day of the transported service without clients yet.
    const QDate d = served("0004", "00001", 12);
    const QString nr = dayNumber("0004", "00001", d);
    server_.Db().Exec("DELETE FROM CARDACLI WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?", {nr});
    TMemTable clients;
    clients.SetData(ToDataPacket(
        call("GetCardaCli", {"0004", "00001", DataHora(d), "N"}, demo::GroupOperator)));
    EXPECT_EQ(clients.RecordCount(), 6) << "the service's delivery points";
    EXPECT_EQ(clients.ChangeCount(), 6) << "offered as new rows";
    for (clients.First(); !clients.Eof(); clients.Next()) {
        clients.Edit();
        clients.FieldByName("QTCOMESTICLI").SetAsFloat(10);
        clients.Post();
    }
    EXPECT_EQ(call("SetCardaCli", {FromDataPacket(clients.Data())}, demo::GroupOperator).toString(),
              "");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDACLI WHERE CDFILIAL = '0004' AND NRCARDAPIO = ? AND "
                    "QTCOMESTICLI = 10",
                    {nr}),
              6);
    clients.SetData(ToDataPacket(
        call("GetCardaCli", {"0004", "00001", DataHora(d), "N"}, demo::GroupOperator)));
    EXPECT_EQ(clients.ChangeCount(), 0) << "now the saved rows";
    // A negative figure is refused and nothing is written.
    clients.Edit();
    clients.FieldByName("QTCOMESTICLI").SetAsFloat(-1);
    clients.Post();
    EXPECT_EQ(
        call("SetCardaCli", {FromDataPacket(clients.Data())}, demo::GroupOperator).toString(),
        QString("Comensais estimados do ponto de entrega 001 negativos no cardápio %1.").arg(nr));
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDACLI WHERE CDFILIAL = '0004' AND NRCARDAPIO = ? AND "
                    "QTCOMESTICLI = 10",
                    {nr}),
              6);
}

// A save of a hospital day (type S following the central kitchen): the removed central
// dish and the day that departs are recorded as the screen records them.
TEST_P(MenuPeriod, ASaveRecordsTheExcludedCentralDishAndTheSpecialDay) {
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("HOSP1"));
    QList<TRpcArg> load{{"0003", true},   {"PLA00101", false},     {"00001", true},
                        {"HOSP1", false}, {DataHora(next_), true}, {false, false}};
    const QVariantList r = c->Call("GetCardapio", load).toList();
    TMemTable dishes;
    dishes.SetData(ToDataPacket(r[6]));
    const QDate d = served("0003", "00001", 14);
    const QString nr = dayNumber("0003", "00001", d);
    server_.Db().Exec("DELETE FROM CARDESP WHERE CDFILIAL = '0003' AND DTCARDAPIO = ?",
                      {DataHora(d)});
    ASSERT_TRUE(dishes.Locate("NRCARDAPIO", nr));
    const int seq = int(dishes.FieldByName("NRSEQPRATCAR").AsInteger());
    const QString central = dishes.FieldByName("CDPRATOMAT").AsString();
    const QString removed = dishes.FieldByName("CDPRATO").AsString();
    dishes.Delete();
    QList<TRpcArg> args{{"HOSP1", false},
                        {false, false},
                        {QVariant(), true},
                        {FromDataPacket(dishes.Delta()), true},
                        {QStringLiteral("N"), true}};
    EXPECT_EQ(c->Call("UpdateCache", args).toString(), nr);
    EXPECT_EQ(args[4].Value.toString(), "S") << "the hospital follows the central kitchen";
    QSqlQuery q = server_.Db().Exec("SELECT IDLOCALEXCL, CDPRATO FROM PRATEXCL WHERE CDFILIAL = "
                                    "'0003' AND CDSERVFILI = '00001' AND DTPRATEXCL = ? AND "
                                    "NRSEQPRATEXCL = ?",
                                    {QString("%1").arg(d.day(), 2, 10, QChar('0')), seq});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "F") << "the hospital's planner is no operator of the group";
    EXPECT_EQ(q.value(1).toString(), central.isEmpty() ? removed : central);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003' AND CDSERVFILI = "
                    "'00001' AND DTCARDAPIO = ? AND NRCARDAPIO = ?",
                    {DataHora(d), nr}),
              1);

    // A day saved with the placeholder number of a new day gets a real one.
    TMemTable days;
    days.SetData(ToDataPacket(r[5]));
    days.Append();
    days.FieldByName("CDFILIAL").SetAsString("0001");
    days.FieldByName("NRCARDAPIO").SetAsString("XXXXXXXXXX");
    days.FieldByName("CDSERVFILI").SetAsString("00003");
    days.FieldByName("DTCARDAPIO").SetValue(DataHora(next_.addDays(20)));
    days.FieldByName("QTCOMESTICAR").SetAsFloat(30);
    days.Post();
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                      {dayNumber("0001", "00003", next_.addDays(20))});
    server_.Db().Exec("DELETE FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003' AND "
                      "DTCARDAPIO = ?",
                      {DataHora(next_.addDays(20))});
    // The restaurant's planner, on the restaurant's menus.
    auto restaurant = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI1"));
    QList<TRpcArg> add{{"NUTRI1", false},
                       {false, false},
                       {FromDataPacket(days.Delta()), true},
                       {QVariant(), true},
                       {QStringLiteral("N"), true}};
    const QString number = restaurant->Call("UpdateCache", add).toString();
    EXPECT_EQ(number.size(), 10);
    EXPECT_NE(number, "XXXXXXXXXX");
    EXPECT_EQ(dayNumber("0001", "00003", next_.addDays(20)), number);
}

TEST_P(MenuPeriod, AnOperatorWhoMayChangeNothingCannotSave) {
    QList<TRpcArg> args{{demo::ReadOnlyOperator, false},
                        {false, false},
                        {QVariant(), true},
                        {QVariant(), true},
                        {QStringLiteral("N"), true}};
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn(demo::ReadOnlyOperator));
    EXPECT_EQ(c->Call("UpdateCache", args).toString(),
              "Operador sem permissão para alterar cardápios.");
}

TEST_P(MenuPeriod, AMonthKeepsItsDishPositionsWhileItHasDays) {
    const auto positions = [&] {
        return count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                     "'00001' AND DTREFECNFMES = ?",
                     {DataHora(next_)});
    };
    const auto drop = [&] {
        auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI1"));
        QList<TRpcArg> args{{"0001", false},
                            {"00001", false},
                            {DataHora(next_), true},
                            {DataHora(UltimoDiaMes(next_)), false}};
        return c->Call("DelCnfCaMes", args).toString();
    };
    EXPECT_EQ(drop(), "");
    EXPECT_EQ(positions(), 10) << "the month has days";
    EXPECT_GT(
        call("DelCardPeriodo", {"0001", "00001", DataHora(next_), DataHora(UltimoDiaMes(next_))})
            .toInt(),
        0);
    EXPECT_EQ(drop(), "");
    EXPECT_EQ(positions(), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuPeriod,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
