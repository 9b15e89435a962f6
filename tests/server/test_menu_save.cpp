#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

// The month's days and dishes as the monthly screen holds them, changed and saved.
class MenuSave : public ::testing::TestWithParam<TEngine> {
protected:
    MenuSave()
        : server_(GetParam(), Hoje()) {
        load();
    }

    void load(const QDate& month = PriDiaMes(Hoje()).addMonths(1),
              const QString& branch = QStringLiteral("0001")) {
        auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn(operador_));
        QList<TRpcArg> args{{branch, true},     {"PLA00101", false},     {"00001", true},
                            {operador_, false}, {DataHora(month), true}, {false, false}};
        const QVariantList r = c->Call("GetCardapio", args).toList();
        days_.SetData(ToDataPacket(r[5]));
        dishes_.SetData(ToDataPacket(r[6]));
    }
    QString save() {
        auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn(operador_));
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        QList<TRpcArg> args{{operador_, false},
                            {false, false},
                            {delta(days_), true},
                            {delta(dishes_), true},
                            {QStringLiteral("N"), true}};
        return c->Call("UpdateCache", args).toString();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    // Moves the days' cursor to a day of the next month, the tenth or after.
    QString dayOn(int from) {
        for (days_.First(); !days_.Eof(); days_.Next()) {
            if (days_.FieldByName("DTCARDAPIO").AsDateTime().date().day() >= from) {
                return days_.FieldByName("NRCARDAPIO").AsString();
            }
        }
        return {};
    }

    QString operador_ = QStringLiteral("NUTRI1");
    TEmbeddedServer server_;
    TMemTable days_{"cdsCardaDia"};
    TMemTable dishes_{"cdsCompCardCache"};
};

TEST_P(MenuSave, NothingToSendIsNoChange) {
    EXPECT_EQ(save(), "");
}

TEST_P(MenuSave, DishesChangedAddedAndRemoved) {
    const QString nr = dayOn(10);
    ASSERT_FALSE(nr.isEmpty());
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO", nr));
    const int seq = int(dishes_.FieldByName("NRSEQPRATCAR").AsInteger());
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(62.5);
    dishes_.Post();
    // A second dish in the same position, taken by a quarter of the diners.
    const QVariant date = dishes_.FieldByName("DTCARDAPIO").Value();
    const QString dish =
        server_.Db()
            .Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDATIVO = 'S' AND "
                    "CDTIPOPRAT = (SELECT CDTIPOPRAT FROM PRATO WHERE CDPRATO = ?)",
                    {dishes_.FieldByName("CDPRATO").AsString()})
            .toString();
    dishes_.Append();
    dishes_.FieldByName("CDFILIAL").SetAsString("0001");
    dishes_.FieldByName("DTCARDAPIO").SetValue(date);
    dishes_.FieldByName("NRCARDAPIO").SetAsString(nr);
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(seq);
    dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
    dishes_.FieldByName("CDPRATO").SetAsString(dish);
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(25);
    dishes_.FieldByName("IDPRATOESPE").SetAsString("N");
    dishes_.Post();
    // And the last dish of the day gone.
    const int before = count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                             "NRCARDAPIO = ?",
                             {nr});
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 10}));
    dishes_.Delete();

    EXPECT_EQ(save(), nr);
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}),
        before);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                    "NRSEQPRATCAR = ? AND VRPECONSCARD = 62.5",
                    {nr, seq}),
              1);
    EXPECT_EQ(count("SELECT MAX(NRORDPRATCAR) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                    "NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                    {nr, seq}),
              2)
        << "the next order in the position";
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT CDOPERADOR FROM CARDADIA WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ?",
                          {nr})
                  .toString(),
              "NUTRI1");
}

TEST_P(MenuSave, ThePortionsWithdrawnStayWithTheDishTheyWereOf) {
    const QString nr = dayOn(10);
    ASSERT_FALSE(nr.isEmpty());
    server_.Db().Exec("UPDATE COMPCARD SET QTPORCRETI = 77 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR IN (1, 2)",
                      {nr});
    const auto withdrawn = [&](int seq, int ord) {
        return server_.Db().Scalar("SELECT QTPORCRETI FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                                   "NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?",
                                   {nr, seq, ord});
    };
    // The first position takes another dish where it was, the second another share.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 1}));
    const int firstOrd = int(dishes_.FieldByName("NRORDPRATCAR").AsInteger());
    const QString former = dishes_.FieldByName("CDPRATO").AsString();
    const QString other =
        server_.Db()
            .Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDATIVO = 'S' AND CDPRATO <> ? AND "
                    "CDTIPOPRAT = (SELECT MIN(CDTIPOPRAT) FROM PRATO WHERE CDPRATO = ?)",
                    {former, former})
            .toString()
            .trimmed();
    ASSERT_FALSE(other.isEmpty());
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString(other);
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 2}));
    const int secondOrd = int(dishes_.FieldByName("NRORDPRATCAR").AsInteger());
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(40);
    dishes_.Post();
    EXPECT_EQ(save(), nr);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = "
                          "? AND NRSEQPRATCAR = 1 AND NRORDPRATCAR = ?",
                          {nr, firstOrd})
                  .toString()
                  .trimmed(),
              other)
        << "changed where it was";
    EXPECT_TRUE(withdrawn(1, firstOrd).isNull()) << "the former dish's withdrawals are not its";
    EXPECT_EQ(withdrawn(2, secondOrd).toDouble(), 77) << "the same dish keeps them";
}

TEST_P(MenuSave, ANewDayTakesTheNextNumberAndItsDishes) {
    // The restaurant does not serve on Sundays: a Sunday of next month has no menu.
    QDate sunday = PriDiaMes(Hoje()).addMonths(1);
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    const int last = count("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'");
    days_.Append();
    days_.FieldByName("CDFILIAL").SetAsString("0001");
    days_.FieldByName("CDSERVFILI").SetAsString("00001");
    days_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sunday));
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(120);
    days_.Post();
    dishes_.Append();
    dishes_.FieldByName("CDFILIAL").SetAsString("0001");
    dishes_.FieldByName("CDSERVFILI").SetAsString("00001");
    dishes_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sunday));
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(1);
    dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
    dishes_.FieldByName("CDPRATO").SetAsString(
        server_.Db().Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01'").toString());
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(100);
    dishes_.Post();
    const QString nr = save();
    EXPECT_EQ(nr, QString("%1").arg(last + 1, 10, 10, QLatin1Char('0')));
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                    "QTCOMESTICAR = 120 AND DTMESCARD = ?",
                    {nr, DataHora(PriDiaMes(sunday))}),
              1);
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}), 1);
}

TEST_P(MenuSave, RefusalsLeaveEverythingAsItWas) {
    const QString nr = dayOn(10);
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO", nr));
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(40);
    dishes_.Post();
    // A dish that does not exist, in the same save.
    dishes_.Append();
    dishes_.FieldByName("CDFILIAL").SetAsString("0001");
    dishes_.FieldByName("NRCARDAPIO").SetAsString(nr);
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(2);
    dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
    dishes_.FieldByName("CDPRATO").SetAsString("9999999999");
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(10);
    dishes_.Post();
    const QString answer = save();
    EXPECT_EQ(answer, "Prato 9999999999 não cadastrado.");
    EXPECT_GT(answer.size(), 10);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                    "VRPECONSCARD = 40",
                    {nr}),
              0)
        << "nothing half-done";
}

TEST_P(MenuSave, ChangesOfAnotherOperatorAreNotOverwritten) {
    const QString nr = dayOn(12);
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(999);
    days_.Post();
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 500 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {nr});
    EXPECT_TRUE(save().contains("foi alterado por outro operador"));
    EXPECT_EQ(
        count("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}),
        500);
}

TEST_P(MenuSave, TwoSavesOfTheSameDayAtOnceDoNotOverwriteEachOther) {
    const QString nr = dayOn(12);
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(999);
    days_.Post();
    // Another save of the same day, caught after it wrote and before it commits.
    db::TDatabase other(server_.Url());
    other.Begin(true);
    other.Exec("UPDATE CARDADIA SET QTCOMESTICAR = 500 WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
               {nr});
    QString answer;
    std::thread saving([&] { answer = save(); });
    QThread::msleep(300); // the save reaches the day's row meanwhile
    other.Commit();
    saving.join();
    EXPECT_TRUE(answer.contains("foi alterado por outro operador")) << answer.toStdString();
    EXPECT_EQ(
        count("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}),
        500);
}

TEST_P(MenuSave, BlockedDaysAndDeletedDays) {
    load(PriDiaMes(Hoje()).addMonths(-1));
    days_.First(); // last month's first day is before the first changeable day
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(1);
    days_.Post();
    EXPECT_TRUE(save().endsWith("não pode mais ser alterado.")) << save().toStdString();
    days_.CancelUpdates();

    load();
    const QString nr = dayOn(20);
    days_.Delete();
    EXPECT_EQ(save(), nr);
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}), 0);
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr}), 0);
}

TEST_P(MenuSave, SpecialDaysAndRemovedDishesReload) {
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI2"));
    const QDate month = PriDiaMes(Hoje());
    const TDataPacket special =
        ToDataPacket(c->Call("GetDiaCardEspecif", QVariantList{"0003", "00001", DataHora(month)}));
    EXPECT_EQ(special.Rows.size(),
              count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003' AND DTCARDAPIO >= ? AND "
                    "DTCARDAPIO <= ?",
                    {DataHora(month), DataHora(UltimoDiaMes(month))}));
    const TDataPacket removed =
        ToDataPacket(c->Call("getPratosExcluidos", QVariantList{"0003", "00001", DataHora(month),
                                                                DataHora(UltimoDiaMes(month))}));
    EXPECT_EQ(removed.Rows.size(),
              count("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = '0003' AND DTMESCARD = ?",
                    {DataHora(month)}));
    EXPECT_EQ(removed.Fields.size(), 7);
}

TEST_P(MenuSave, ABranchsOwnDishRemovedWhereTheCentralMenuHasNoneIsRecordedWithoutADish) {
    // The hospital follows the central kitchen; one position holds its own dish ("S")
    // with no central dish behind it.
    operador_ = QStringLiteral("NUTRI2");
    const QDate month = PriDiaMes(Hoje()).addMonths(1);
    const QString nr = server_.Db()
                           .Scalar("SELECT MIN(NRCARDAPIO) FROM CARDADIA WHERE CDFILIAL = '0003' "
                                   "AND CDSERVFILI = '00001' AND DTMESCARD = ?",
                                   {DataHora(month)})
                           .toString();
    const int seq = server_.Db()
                        .Scalar("SELECT MIN(NRSEQPRATCAR) FROM COMPCARD WHERE CDFILIAL = '0003' "
                                "AND NRCARDAPIO = ?",
                                {nr})
                        .toInt();
    server_.Db().Exec("UPDATE COMPCARD SET IDPRATOESPE = 'S', CDPRATOMAT = NULL, CDFILAUXPRATMAT "
                      "= NULL WHERE CDFILIAL = '0003' AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                      {nr, seq});
    load(month, QStringLiteral("0003"));
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, seq}));
    const QDate day = dishes_.FieldByName("DTCARDAPIO").AsDateTime().date();
    dishes_.Delete();
    const QString answer = save();
    ASSERT_LE(answer.size(), 10) << answer.toStdString();
    QSqlQuery q = server_.Db().Exec("SELECT IDLOCALEXCL, CDPRATO, CDFILAUXPRAT FROM PRATEXCL "
                                    "WHERE CDFILIAL = '0003' AND DTPRATEXCL = ? AND "
                                    "NRSEQPRATEXCL = ?",
                                    {QString("%1").arg(day.day(), 2, 10, QChar('0')), seq});
    ASSERT_TRUE(q.next()) << "the position is marked removed";
    EXPECT_EQ(q.value(0).toString(), "F");
    EXPECT_EQ(q.value(1).toString().trimmed(), "");
    EXPECT_EQ(q.value(2).toString().trimmed(), "");
    EXPECT_FALSE(q.next());
}

TEST_P(MenuSave, DaysWithoutDishes) {
    const QString nr = dayOn(15);
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {nr});
    const QDate month = PriDiaMes(Hoje()).addMonths(1);
    const QVariantList period{"0001", "00001", DataHora(month), DataHora(UltimoDiaMes(month))};
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI1"));
    const TDataPacket days = ToDataPacket(c->Call("GetCardSemPrat", period));
    ASSERT_EQ(days.Rows.size(), 1);
    EXPECT_GT(days.Rows[0].Values[1].toDouble(), 0);
    EXPECT_TRUE(c->Call("SetCardSemPrat", period).toBool());
    EXPECT_EQ(count("SELECT QTCOMESTICAR + QTESTITURNO1 + QTCLIESTICAR FROM CARDADIA WHERE "
                    "CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {nr}),
              0);
    EXPECT_TRUE(ToDataPacket(c->Call("GetCardSemPrat", period)).Rows.isEmpty());
    // Days that can no longer change are left alone. The month has some even when today
    // is its first: the processing date is yesterday, and two blocked days go past today.
    static_assert(demo::BlockedDays >= 2);
    const QDate now = PriDiaMes(Hoje());
    EXPECT_EQ(c->Call("SetCardSemPrat",
                      QVariantList{"0001", "00001", DataHora(now), DataHora(UltimoDiaMes(now))})
                  .toString(),
              "O período inclui dias que não podem mais ser alterados.");
}

TEST_P(MenuSave, TheMonthAgainAfterADeletionOrAnImport) {
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI2"));
    const QDate month = PriDiaMes(Hoje());
    const QVariantList args{"3",          "1", DataHora(month), DataHora(UltimoDiaMes(month)),
                            qlonglong(0), "N"};
    const QVariantList deleted = c->Call("getDelCard", args).toList();
    ASSERT_EQ(deleted.size(), 3);
    const QVariantList key{"0003", "00001", DataHora(month)};
    EXPECT_EQ(ToDataPacket(deleted[0]).Rows.size(),
              count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ?",
                    key));
    EXPECT_EQ(ToDataPacket(deleted[1]).Rows.size(),
              count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                    "AND D.DTMESCARD = ?",
                    key));
    const QVariantList imported = c->Call("getImpCardDia", args).toList();
    ASSERT_EQ(imported.size(), 4) << "the special days first";
    EXPECT_EQ(ToDataPacket(imported[0]).Fields.size(), 2);
    EXPECT_EQ(ToDataPacket(imported[3]).Rows.size(), ToDataPacket(deleted[2]).Rows.size());
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuSave, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
