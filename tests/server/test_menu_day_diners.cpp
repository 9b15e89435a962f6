#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
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

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// The day's diners outside the month's save: the day read again, the delivery points
// written against what another operator did meanwhile, the patients of the prescribed
// diets, the day's diners written from them and the day deleted.
class MenuDayDiners : public ::testing::TestWithParam<TEngine> {
protected:
    MenuDayDiners()
        : server_(GetParam(), Hoje()) {}

    // Calls a declared method; the by-reference arguments come back in `sent`.
    QVariant call(const TMethodSpec& method, const QVariantList& values,
                  const QString& op = QStringLiteral("HOSP1"), QList<TRpcArg>* sent = nullptr) {
        auto c = server_.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"), server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(method, values);
        const QVariant answer = c->Call(method.Name, args);
        if (sent) {
            *sent = args;
        }
        return answer;
    }
    // A refusal's text, empty when the answer is not one.
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    double number(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toDouble();
    }
    QString dayNumber(const QString& branch, const QString& service, const QDate& day) {
        return server_.DayNumber(branch, service, day);
    }
    QDate served(const QString& branch, const QString& service, int from) {
        return server_.Served(branch, service, next_, from);
    }
    // Who last changed a day, and its diners as the save keeps them.
    QVariantList dayRow(const QString& branch, const QString& nr) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT QTCOMESTICAR, QTCLIESTICAR, QTFUNESTICAR, QTDOAESTICAR, QTESTITURNO1, "
            "QTESTITURNO2, CDOPERADOR, DTULTATUACAR FROM CARDADIA WHERE CDFILIAL = ? AND "
            "NRCARDAPIO = ?",
            {branch, nr});
        QVariantList out;
        if (q.next()) {
            for (int i = 0; i < 8; ++i) {
                out << q.value(i);
            }
        }
        return out;
    }
    QList<double> shares(const QString& branch, const QString& nr) {
        QSqlQuery q = server_.Db().Exec("SELECT VRPECONSCARD FROM COMPCARD WHERE CDFILIAL = ? AND "
                                        "NRCARDAPIO = ? ORDER BY NRSEQPRATCAR, NRORDPRATCAR",
                                        {branch, nr});
        QList<double> out;
        while (q.next()) {
            out << q.value(0).toDouble();
        }
        return out;
    }
    QMap<QString, double> points(const QString& nr) {
        QSqlQuery q = server_.Db().Exec("SELECT CDDESTFILI, QTCOMESTICLI FROM CARDACLI WHERE "
                                        "CDFILIAL = '0004' AND NRCARDAPIO = ?",
                                        {nr});
        QMap<QString, double> out;
        while (q.next()) {
            out.insert(q.value(0).toString(), q.value(1).toDouble());
        }
        return out;
    }
    // The day's delivery points as a screen reads them.
    void readPoints(TMemTable& t, const QDate& day) {
        t.SetData(ToDataPacket(call(metodos::GetCardaCli(), {"0004", "00001", DataHora(day), "N"},
                                    demo::GroupOperator)));
    }
    QString savePoints(const TMemTable& t) {
        return call(metodos::SetCardaCli(), {FromDataPacket(t.Data())}, demo::GroupOperator)
            .toString();
    }
    static void setPoint(TMemTable& t, const QString& point, double diners) {
        ASSERT_TRUE(t.Locate("CDDESTFILI", point));
        t.Edit();
        t.FieldByName("QTCOMESTICLI").SetAsFloat(diners);
        t.Post();
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

// --- the day read again ---------------------------------------------------------------

TEST_P(MenuDayDiners, TheDayOrThePeriodIsReadAsTheMonthHoldsIt) {
    const QDate d = served("0003", "00001", 10);
    const QString nr = dayNumber("0003", "00001", d);
    QList<TRpcArg> load{{"0003", true},   {"PLA00101", false},     {"00001", true},
                        {"HOSP1", false}, {DataHora(next_), true}, {false, false}};
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("HOSP1"));
    const TDataPacket month = ToDataPacket(c->Call("GetCardapio", load).toList()[5]);

    // One day: the month's record of it, field for field.
    const TDataPacket one = ToDataPacket(
        call(metodos::GetCardadia(),
             {"3", "1", DataHora(next_), DataHora(UltimoDiaMes(next_)), DataHora(d), "S"}));
    ASSERT_EQ(one.Rows.size(), 1);
    EXPECT_EQ(one.Fields, month.Fields);
    const int at = one.FieldIndex("NRCARDAPIO");
    const auto same = std::find_if(month.Rows.cbegin(), month.Rows.cend(),
                                   [&](const auto& r) { return r.Values[at].toString() == nr; });
    ASSERT_NE(same, month.Rows.cend());
    EXPECT_EQ(one.Rows[0].Values, same->Values);
    // The day alone, whatever the period says.
    EXPECT_EQ(ToDataPacket(call(metodos::GetCardadia(), {"0003", "00001", DataHora(next_),
                                                         DataHora(month_), DataHora(d), "S"}))
                  .Rows.size(),
              1);

    // The month: every day, in date order, as the month's load gives them.
    const TDataPacket all = ToDataPacket(
        call(metodos::GetCardadia(),
             {"0003", "00001", DataHora(next_), DataHora(UltimoDiaMes(next_)), DataHora(d), "N"}));
    ASSERT_EQ(all.Rows.size(), month.Rows.size());
    for (int i = 0; i < all.Rows.size(); ++i) {
        EXPECT_EQ(all.Rows[i].Values, month.Rows[i].Values) << i;
    }
    // "S" without a day is the period too.
    EXPECT_EQ(ToDataPacket(call(metodos::GetCardadia(), {"0003", "00001", DataHora(d),
                                                         DataHora(d.addDays(2)), QVariant(), "S"}))
                  .Rows.size(),
              3);

    // A day the service does not serve: the restaurant is closed on Sundays.
    QDate sunday = next_;
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    const TDataPacket none = ToDataPacket(
        call(metodos::GetCardadia(),
             {"0001", "00001", DataHora(next_), DataHora(next_), DataHora(sunday), "S"}, "NUTRI1"));
    EXPECT_TRUE(none.Rows.isEmpty());
    EXPECT_EQ(none.Fields, month.Fields);

    // Reading another branch's days is a consultation.
    EXPECT_EQ(
        ToDataPacket(call(metodos::GetCardadia(),
                          {"0003", "00002", DataHora(d), DataHora(d), DataHora(d), "S"}, "NUTRI1"))
            .Rows.size(),
        1);
}

TEST_P(MenuDayDiners, APeriodInvertedOrTooLongIsRefused) {
    const auto ask = [&](const QString& branch, const QDate& from, const QDate& to) {
        return refusal(call(metodos::GetCardadia(),
                            {branch, "00001", DataHora(from), DataHora(to), QVariant(), "N"}));
    };
    EXPECT_EQ(ask("0003", next_.addDays(5), next_),
              QString("Período inválido: o dia final (%1) é anterior ao inicial (%2).")
                  .arg(dateText(next_), dateText(next_.addDays(5))));
    EXPECT_EQ(ask("0003", month_, month_.addMonths(3)),
              QString("O período de %1 a %2 é longo demais: consulte no máximo 3 meses de cada "
                      "vez.")
                  .arg(dateText(month_), dateText(month_.addMonths(3))));
    EXPECT_EQ(ask("0003", month_.addMonths(-1), month_.addMonths(2).addDays(-1)), "")
        << "three whole months";
    EXPECT_EQ(ask("0099", next_, next_), "Filial não cadastrada.");
}

// --- the delivery points against another operator -------------------------------------

TEST_P(MenuDayDiners, DeliveryPointsChangedMeanwhileRefuseTheWholeSave) {
    const QDate d = served("0004", "00001", 10);
    const QString nr = dayNumber("0004", "00001", d);
    const QMap<QString, double> before = points(nr);
    ASSERT_EQ(before.size(), 6);
    const QString changed =
        QString("Os comensais do ponto de entrega %2 do dia %1 foram alterados por outro "
                "operador. Cancele as alterações e carregue os pontos de entrega novamente.")
            .arg(dateText(d));

    // Two screens read the day; the other one saves first.
    TMemTable mine;
    TMemTable theirs;
    readPoints(mine, d);
    readPoints(theirs, d);
    setPoint(theirs, "002", before["002"] + 7);
    EXPECT_EQ(savePoints(theirs), "");
    setPoint(mine, "001", before["001"] + 1);
    setPoint(mine, "002", before["002"] + 1);
    EXPECT_EQ(savePoints(mine), changed.arg("002"));
    EXPECT_EQ(points(nr)["001"], before["001"]) << "nothing written";
    EXPECT_EQ(points(nr)["002"], before["002"] + 7);

    // A point deleted by the other screen, then changed by this one.
    readPoints(mine, d);
    readPoints(theirs, d);
    ASSERT_TRUE(theirs.Locate("CDDESTFILI", "003"));
    theirs.Delete();
    EXPECT_EQ(savePoints(theirs), "");
    setPoint(mine, "003", 5);
    EXPECT_EQ(savePoints(mine), changed.arg("003"));
    EXPECT_FALSE(points(nr).contains("003"));

    // A point changed by the other screen, then deleted by this one.
    readPoints(mine, d);
    readPoints(theirs, d);
    setPoint(theirs, "004", 1);
    EXPECT_EQ(savePoints(theirs), "");
    ASSERT_TRUE(mine.Locate("CDDESTFILI", "004"));
    mine.Delete();
    EXPECT_EQ(savePoints(mine), changed.arg("004"));
    EXPECT_EQ(points(nr)["004"], 1);

    // A day without points: both screens are offered new rows; the second finds them
    // written by the first.
    server_.Db().Exec("DELETE FROM CARDACLI WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?", {nr});
    readPoints(mine, d);
    readPoints(theirs, d);
    ASSERT_EQ(theirs.ChangeCount(), 6);
    setPoint(theirs, "001", 30);
    EXPECT_EQ(savePoints(theirs), "");
    setPoint(mine, "001", 40);
    EXPECT_EQ(savePoints(mine), changed.arg("001"));
    EXPECT_EQ(points(nr)["001"], 30);

    // Read again, the save goes through; unchanged points stay as stored.
    readPoints(mine, d);
    EXPECT_EQ(mine.ChangeCount(), 0);
    server_.Db().Exec("UPDATE CARDACLI SET QTCOMESTICLI = 99 WHERE CDFILIAL = '0004' AND "
                      "NRCARDAPIO = ? AND CDDESTFILI = '006'",
                      {nr});
    setPoint(mine, "001", 41);
    EXPECT_EQ(savePoints(mine), "");
    EXPECT_EQ(points(nr)["001"], 41);
    EXPECT_EQ(points(nr)["006"], 99) << "an unchanged row is no write";
}

TEST_P(MenuDayDiners, DeliveryPointsSurviveASaveOfTheDaysDiners) {
    const QDate d = served("0004", "00001", 12);
    const QString nr = dayNumber("0004", "00001", d);
    const QMap<QString, double> before = points(nr);
    ASSERT_EQ(before.size(), 6);
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn(demo::GroupOperator));
    QList<TRpcArg> load{{"0004", true},          {"PLA00101", false},
                        {"00001", true},         {demo::GroupOperator, false},
                        {DataHora(next_), true}, {false, false}};
    TMemTable days;
    days.SetData(ToDataPacket(c->Call("GetCardapio", load).toList()[5]));
    ASSERT_TRUE(days.Locate("NRCARDAPIO", nr));
    const double total = days.FieldByName("QTCOMESTICAR").AsFloat() + 25;
    days.Edit();
    days.FieldByName("QTCOMESTICAR").SetAsFloat(total);
    days.Post();
    QList<TRpcArg> save{{demo::GroupOperator, false},
                        {false, false},
                        {FromDataPacket(days.Delta()), true},
                        {QVariant(), true},
                        {QStringLiteral("N"), true}};
    EXPECT_EQ(c->Call("UpdateCache", save).toString(), nr);
    EXPECT_EQ(number("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?",
                     {nr}),
              total);
    EXPECT_EQ(points(nr), before);
}

// --- the patients of the prescribed diets ----------------------------------------------

class PrescribedDiets : public MenuDayDiners {
protected:
    void patient(const QString& code) {
        server_.Db().Exec("INSERT INTO PACIENTE (CDFILIAL, CDPACIENTE, NMPACIENTE, DSLEITO) "
                          "VALUES ('0003', ?, ?, 'Quarto 901, leito A')",
                          {code, "Paciente " + code});
    }
    void prescribe(const QString& service, const QString& code, const QString& diet,
                   const QDate& from, const QDate& to) {
        server_.Db().Exec("INSERT INTO PRESCDIET (CDFILIAL, CDSERVFILI, CDPACIENTE, CDDIETPAD, "
                          "DTINIPRESC, DTFIMPRESC) VALUES ('0003', ?, ?, ?, ?, ?)",
                          {service, code, diet, DataHora(from),
                           to.isValid() ? QVariant(DataHora(to)) : QVariant()});
    }
    // The patients counted, or the refusal's text.
    QVariant patients(const QDate& day, const QString& diets,
                      const QString& service = QStringLiteral("00002"),
                      QList<TRpcArg>* sent = nullptr) {
        const QVariant answer =
            call(metodos::getDietaPrescrita(),
                 {"0003", service, day.isValid() ? QVariant(DataHora(day)) : QVariant(), diets},
                 "HOSP1", sent);
        if (answer.typeId() == QMetaType::QString) {
            return answer;
        }
        const TDataPacket p = ToDataPacket(answer);
        EXPECT_EQ(p.Fields.size(), 1);
        EXPECT_EQ(p.Fields.value(0).Name, "QTCOMENSDIETA");
        EXPECT_EQ(p.Fields.value(0).Type, TFieldType::Float);
        EXPECT_EQ(p.Rows.size(), 1);
        return p.Rows.value(0).Values.value(0).toDouble();
    }
};

TEST_P(PrescribedDiets, ThePatientsOfTheDayOfTheChosenDietsByMouthCountOnce) {
    const QDate d = next_.addDays(14);
    const QDate after = d.addDays(1);
    // What the demonstration prescribes already.
    const QStringList lists{"T", "0001;0002", "4; 0003", "0004", "0007;0008"};
    QMap<QString, double> on;
    QMap<QString, double> onAfter;
    for (const QString& l : lists) {
        on[l] = patients(d, l).toDouble();
        onAfter[l] = patients(after, l).toDouble();
    }
    EXPECT_EQ(on["0007;0008"], 0) << "enteral and parenteral feeding is no meal";
    const double lunch = patients(d, "0001", "00001").toDouble();

    for (const QString code : {"P900000001", "P900000002", "P900000003", "P900000004", "P900000005",
                               "P900000006", "P900000007", "P900000008"}) {
        patient(code);
    }
    prescribe("00002", "P900000001", "0001", d.addDays(-5), d);  // ends on the day
    prescribe("00002", "P900000002", "0002", d.addDays(-3), {}); // open
    prescribe("00002", "P900000003", "0004", d.addDays(-2), d);  // changes diet on the day
    prescribe("00002", "P900000003", "0003", d, {});
    prescribe("00002", "P900000004", "0007", d.addDays(-2), {});            // enteral
    prescribe("00002", "P900000005", "0008", d.addDays(-2), {});            // parenteral
    prescribe("00002", "P900000006", "0005", after, {});                    // begins the day after
    prescribe("00001", "P900000007", "0001", d.addDays(-2), {});            // another service's
    prescribe("00002", "P900000008", "0006", d.addDays(-9), d.addDays(-1)); // ended the eve

    EXPECT_EQ(patients(d, "T").toDouble(), on["T"] + 3);
    EXPECT_EQ(patients(after, "T").toDouble(), onAfter["T"] + 3);
    EXPECT_EQ(patients(d, "0001;0002").toDouble(), on["0001;0002"] + 2);
    EXPECT_EQ(patients(after, "0001;0002").toDouble(), onAfter["0001;0002"] + 1)
        << "the prescription that ended the day before no longer counts";
    EXPECT_EQ(patients(d, "4; 0003").toDouble(), on["4; 0003"] + 1) << "one patient, two diets";
    EXPECT_EQ(patients(d, "0004").toDouble(), on["0004"] + 1);
    EXPECT_EQ(patients(after, "0004").toDouble(), onAfter["0004"]);
    EXPECT_EQ(patients(d, "0007;0008").toDouble(), 0);
    EXPECT_EQ(patients(after, "0007;0008").toDouble(), 0);
    EXPECT_EQ(patients(d, "0001", "00001").toDouble(), lunch + 1)
        << "each service its own patients";

    // The references come back padded: the service, the list as counted.
    QList<TRpcArg> sent;
    patients(d, " 4;;0003 ; 4", "2", &sent);
    EXPECT_EQ(sent[1].Value.toString(), "00002");
    EXPECT_EQ(sent[3].Value.toString(), "0004;0003");
    patients(d, "t", "2", &sent);
    EXPECT_EQ(sent[3].Value.toString(), "T");
}

TEST_P(PrescribedDiets, NothingChosenOrNoDayIsRefused) {
    for (const QString empty : {"", " ", ";", " ; ;"}) {
        EXPECT_EQ(patients(next_, empty).toString(), "Nenhuma dieta foi escolhida na lista.")
            << empty.toStdString();
    }
    EXPECT_EQ(patients({}, "T").toString(), "Informe o dia das dietas prescritas.");
    EXPECT_EQ(patients(next_, "T", "00009").toString(), "Serviço não cadastrado.");
    // A list of diets the service does not serve counts nobody.
    EXPECT_EQ(patients(next_, "0099").toDouble(), 0);
    // Another branch's operator may read it.
    EXPECT_EQ(refusal(call(metodos::getDietaPrescrita(), {"0003", "00002", DataHora(next_), "T"},
                           "NUTRI1")),
              "");
}

// --- the day's diners written -----------------------------------------------------------

TEST_P(MenuDayDiners, TheDaysDinersAreWrittenAndNothingElse) {
    const QDate d = served("0003", "00001", 10);
    const QString nr = dayNumber("0003", "00001", d);
    const QVariantList before = dayRow("0003", nr);
    const QList<double> sharesBefore = shares("0003", nr);
    ASSERT_FALSE(sharesBefore.isEmpty());
    const double employees = before[2].toDouble();
    const double donations = before[3].toDouble();
    ASSERT_GT(employees + donations, 1);
    ASSERT_LT(employees + donations, 150);

    QList<TRpcArg> sent;
    const QString shortNumber = QString::number(nr.toLongLong());
    EXPECT_EQ(call(metodos::setAtuComensDiet(),
                   {"3", shortNumber, qlonglong(150), "1", DataHora(d)}, "NUTRI2", &sent)
                  .toString(),
              "");
    EXPECT_EQ(sent[1].Value.toString(), nr) << "the number comes back padded";
    QVariantList after = dayRow("0003", nr);
    EXPECT_EQ(after[0].toDouble(), 150);
    EXPECT_EQ(after[1].toDouble(), 150 - employees - donations);
    EXPECT_EQ(after[2].toDouble(), employees);
    EXPECT_EQ(after[3].toDouble(), donations);
    EXPECT_EQ(after[4], before[4]) << "the shifts stay";
    EXPECT_EQ(after[5], before[5]);
    EXPECT_EQ(after[6].toString(), "NUTRI2");
    EXPECT_NE(after[7], before[7]);
    EXPECT_EQ(shares("0003", nr), sharesBefore) << "no dish share rescaled";

    // Fewer diners than employees and donations: no clients, never fewer.
    EXPECT_EQ(call(metodos::setAtuComensDiet(), {"0003", nr, qlonglong(1), QVariant(), QVariant()})
                  .toString(),
              "");
    after = dayRow("0003", nr);
    EXPECT_EQ(after[0].toDouble(), 1);
    EXPECT_EQ(after[1].toDouble(), 0);
    EXPECT_EQ(after[6].toString(), "HOSP1");
}

TEST_P(MenuDayDiners, TwoSavesOfTheSamePointAtOnceDoNotOverwriteEachOther) {
    const QDate d = served("0004", "00001", 10);
    const QString nr = dayNumber("0004", "00001", d);
    const double before = points(nr)["002"];
    TMemTable mine;
    readPoints(mine, d);
    setPoint(mine, "002", before + 1);
    // The other save wrote the point and has not committed yet.
    db::TDatabase other(server_.Url());
    other.Begin(true);
    other.Exec("UPDATE CARDACLI SET QTCOMESTICLI = ? WHERE CDFILIAL = '0004' AND NRCARDAPIO = ? "
               "AND CDDESTFILI = '002'",
               {before + 7, nr});
    QString answer;
    std::thread saving([&] { answer = savePoints(mine); });
    QThread::msleep(300); // the save reaches the point meanwhile
    other.Commit();
    saving.join();
    EXPECT_TRUE(answer.contains("foram alterados por outro operador")) << answer.toStdString();
    EXPECT_EQ(points(nr)["002"], before + 7);
}

TEST_P(MenuDayDiners, TheDaysDinersAreRefusedForAWrongDayOrOperator) {
    const QDate d = served("0003", "00001", 10);
    const QString nr = dayNumber("0003", "00001", d);
    const QString dinner = dayNumber("0003", "00002", d);
    const QString nextDay = dayNumber("0003", "00001", d.addDays(1));
    const QVariantList before = dayRow("0003", nr);
    const QVariantList dinnerBefore = dayRow("0003", dinner);
    const auto write = [&](const QString& number, qlonglong diners, const QVariant& service,
                           const QVariant& day, const QString& op = QStringLiteral("HOSP1")) {
        return call(metodos::setAtuComensDiet(), {"0003", number, diners, service, day}, op)
            .toString();
    };
    EXPECT_EQ(write(nr, 0, "00001", DataHora(d)),
              "Número de comensais do dia deve ser maior que zero.");
    EXPECT_EQ(write(nr, -5, "00001", DataHora(d)),
              "Número de comensais do dia deve ser maior que zero.");
    const QString changed = QString("O cardápio do dia %1 foi alterado por outro operador. "
                                    "Carregue o cardápio novamente.")
                                .arg(dateText(d));
    EXPECT_EQ(write(dinner, 100, "00001", DataHora(d)), changed) << "another service's number";
    EXPECT_EQ(write(nextDay, 100, "00001", DataHora(d)), changed) << "another day's number";
    EXPECT_EQ(write("9999999999", 100, "00001", DataHora(d)),
              QString("O cardápio do dia %1 foi excluído por outro operador. Carregue o "
                      "cardápio novamente.")
                  .arg(dateText(d)));
    EXPECT_EQ(write("9999999999", 100, QVariant(), QVariant()),
              "O cardápio 9999999999 não está cadastrado.");
    EXPECT_EQ(write(nr, 100, "00001", DataHora(d), demo::ReadOnlyOperator),
              "Operador sem permissão para alterar os comensais do dia.");
    EXPECT_EQ(write(nr, 100, "00001", DataHora(d), "NUTRI1"),
              "Operador sem acesso aos cardápios da filial 0003.");
    EXPECT_EQ(dayRow("0003", nr), before) << "nothing written";
    EXPECT_EQ(dayRow("0003", dinner), dinnerBefore);

    // Today is blocked: the processing date is yesterday and the days after it are kept.
    const QString today = dayNumber("0003", "00001", Hoje());
    ASSERT_FALSE(today.isEmpty()) << "the hospital serves every day";
    const QVariantList todayBefore = dayRow("0003", today);
    EXPECT_EQ(write(today, 100, "00001", DataHora(Hoje())),
              QString("O cardápio do dia %1 não pode mais ser alterado.").arg(dateText(Hoje())));
    EXPECT_EQ(dayRow("0003", today), todayBefore);
}

// --- the day deleted --------------------------------------------------------------------

TEST_P(MenuDayDiners, ADayIsDeletedWithItsDishesPointsAndRecords) {
    // The transported school service: dishes and delivery points.
    const QDate d = served("0004", "00001", 10);
    const QString nr = dayNumber("0004", "00001", d);
    ASSERT_GT(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?", {nr}), 0);
    ASSERT_EQ(points(nr).size(), 6);
    const int days = count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004'");
    QList<TRpcArg> sent;
    EXPECT_EQ(call(metodos::setDeletaCardapio(),
                   {"0004", QString::number(nr.toLongLong()), "00001", DataHora(d)},
                   demo::GroupOperator, &sent)
                  .toString(),
              "");
    EXPECT_EQ(sent[1].Value.toString(), nr);
    for (const char* table : {"CARDADIA", "COMPCARD", "CARDACLI"}) {
        EXPECT_EQ(
            count(QString("SELECT COUNT(*) FROM %1 WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?")
                      .arg(table),
                  {nr}),
            0)
            << table;
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004'"), days - 1)
        << "that day only";
    // Deleted already: the screen is told so.
    EXPECT_EQ(
        call(metodos::setDeletaCardapio(), {"0004", nr, "00001", DataHora(d)}, demo::GroupOperator)
            .toString(),
        QString("O cardápio do dia %1 foi excluído por outro operador. Carregue o cardápio "
                "novamente.")
            .arg(dateText(d)));

    // A hospital day that departs from the central menu, with a central dish removed:
    // its records go with it, the next day's stay.
    const QDate h = served("0003", "00001", 10);
    const QString hnr = dayNumber("0003", "00001", h);
    const QString dinner = dayNumber("0003", "00002", h);
    for (const QDate& day : {h, h.addDays(1)}) {
        server_.Db().Exec("INSERT INTO CARDESP (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO) "
                          "VALUES ('0003', '00001', ?, ?)",
                          {DataHora(day), dayNumber("0003", "00001", day)});
        server_.Db().Exec(
            "INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, "
            "NRSEQPRATEXCL, IDLOCALEXCL, CDPRATO, CDFILAUXPRAT) VALUES ('0003', "
            "'00001', ?, ?, 1, 'F', '', '')",
            {DataHora(PriDiaMes(day)), QString("%1").arg(day.day(), 2, 10, QChar('0'))});
    }
    const int special = count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003'");
    const int removed = count("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = '0003'");
    EXPECT_EQ(call(metodos::setDeletaCardapio(), {"0003", hnr, "00001", DataHora(h)}).toString(),
              "");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003'"), special - 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = '0003'"), removed - 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003' AND DTCARDAPIO = ?",
                    {DataHora(h.addDays(1))}),
              1);
    EXPECT_EQ(dayNumber("0003", "00002", h), dinner) << "the other service's day stays";
    EXPECT_GT(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND NRCARDAPIO = ?", {dinner}),
        0);
}

TEST_P(MenuDayDiners, ADeletionIsRefusedForABlockedOrAnotherDayOrOperator) {
    const QDate d = served("0003", "00001", 10);
    const QString nr = dayNumber("0003", "00001", d);
    const QString dinner = dayNumber("0003", "00002", d);
    const auto remove = [&](const QString& number, const QVariant& service, const QVariant& day,
                            const QString& op = QStringLiteral("HOSP1")) {
        return call(metodos::setDeletaCardapio(), {"0003", number, service, day}, op).toString();
    };
    const auto dishes = [&](const QString& number) {
        return count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND NRCARDAPIO = ?",
                     {number});
    };
    const int dishesOfDay = dishes(nr);
    const int dishesOfDinner = dishes(dinner);
    ASSERT_GT(dishesOfDinner, 0);
    EXPECT_EQ(remove(dinner, "00001", DataHora(d)),
              QString("O cardápio do dia %1 foi alterado por outro operador. Carregue o cardápio "
                      "novamente.")
                  .arg(dateText(d)))
        << "another service's number";
    EXPECT_EQ(remove(nr, "00001", DataHora(d.addDays(1))),
              QString("O cardápio do dia %1 foi alterado por outro operador. Carregue o cardápio "
                      "novamente.")
                  .arg(dateText(d.addDays(1))))
        << "another day's number";
    EXPECT_EQ(remove("9999999999", QVariant(), QVariant()),
              "O cardápio 9999999999 não está cadastrado.");
    EXPECT_EQ(remove(nr, "00001", DataHora(d), "NUTRI2"),
              "Operador sem permissão para excluir o cardápio do dia.");
    EXPECT_EQ(remove(nr, "00001", DataHora(d), "NUTRI1"),
              "Operador sem acesso aos cardápios da filial 0003.");
    EXPECT_EQ(dayNumber("0003", "00001", d), nr);
    EXPECT_EQ(dayNumber("0003", "00002", d), dinner);
    EXPECT_EQ(dishes(nr), dishesOfDay);
    EXPECT_EQ(dishes(dinner), dishesOfDinner);

    // Today, blocked: nothing deleted, not its dishes either.
    const QString today = dayNumber("0003", "00001", Hoje());
    const int dishesToday = dishes(today);
    ASSERT_GT(dishesToday, 0);
    EXPECT_EQ(remove(today, "00001", DataHora(Hoje())),
              QString("O cardápio do dia %1 não pode mais ser alterado.").arg(dateText(Hoje())));
    EXPECT_EQ(dayNumber("0003", "00001", Hoje()), today);
    EXPECT_EQ(dishes(today), dishesToday);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuDayDiners,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });
INSTANTIATE_TEST_SUITE_P(Engines, PrescribedDiets,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
