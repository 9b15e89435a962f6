#include "core/contract_rules.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "core/numbers.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <gtest/gtest.h>
#include <map>

using namespace pla;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");
const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
// The lunch's positions hold one dish each, of the position's dish type.
constexpr int PosicaoPrincipal = 3; // PRATO PRINCIPAL
constexpr int PosicaoFruta = 9;     // FRUTA

// A restriction's verdict as the screen receives it.
struct TJulgada {
    QString Descricao;
    bool Cumprida = false;
    QString Dias;
    QString Detalhe;
};

// The restaurant's lunch judged against its contract, over the demonstration: each
// month is made to break a restriction, then to keep it, on the server itself.
class ContractRules : public ::testing::TestWithParam<TEngine> {
protected:
    ContractRules()
        : server_(GetParam(), Hoje()) {}

    db::TDatabase& db() { return server_.Db(); }
    QVariant call(const QString& method, const QVariantList& args,
                  const QString& op = QStringLiteral("NUTRI1"), const QString& module = Module) {
        auto c = server_.Connect(module, server_.SignIn(op));
        return c->Call(method, args);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return db().Scalar(sql, params).toInt();
    }
    QString scalar(const QString& sql, const QVariantList& params = {}) {
        return db().Scalar(sql, params).toString().trimmed();
    }

    // Only the restrictions a test gives, none of the demonstration's, no fried dish.
    void ownRules() {
        db().Exec("DELETE FROM RESTCONTSERV WHERE CDFILIAL = ? AND CDSERVFILI = ?",
                  {Filial, Almoco});
        db().Exec("UPDATE PRATO SET IDFRITURA = 'N'");
    }
    int addRule(char kind, const QString& type, bool fried, double limit) {
        const int nr = count("SELECT COALESCE(MAX(NRRESTCONT), 0) + 1 FROM RESTCONTSERV WHERE "
                             "CDFILIAL = ? AND CDSERVFILI = ?",
                             {Filial, Almoco});
        db().Exec("INSERT INTO RESTCONTSERV (CDFILIAL, CDSERVFILI, NRRESTCONT, IDTIPORESTR, "
                  "CDTIPOPRAT, IDSOFRITO, VRLIMITE) VALUES (?, ?, ?, ?, ?, ?, ?)",
                  {Filial, Almoco, nr, QString(QLatin1Char(kind)),
                   type.isEmpty() ? QVariant() : QVariant(type), fried ? "S" : "N", limit});
        return nr;
    }
    void setLimit(int rule, double limit) {
        db().Exec("UPDATE RESTCONTSERV SET VRLIMITE = ? WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                  "NRRESTCONT = ?",
                  {limit, Filial, Almoco, rule});
    }
    std::map<int, TJulgada> judge(const QDate& month) {
        const QVariant answer = call("GetAnaliRestCont", {Filial, Almoco, DataHora(month)});
        EXPECT_EQ(refusal(answer), "");
        const TDataPacket p = ToDataPacket(answer);
        std::map<int, TJulgada> out;
        const auto f = [&p](const char* name) { return p.FieldIndex(QString::fromLatin1(name)); };
        for (const TPacketRow& r : p.Rows) {
            out[r.Values[f("NRRESTCONT")].toInt()] = {
                r.Values[f("DSRESTRICAO")].toString(),
                r.Values[f("IDCUMPRIDA")].toString() == QLatin1String("S"),
                r.Values[f("DSDIAS")].toString(), r.Values[f("DSDETALHE")].toString()};
        }
        return out;
    }
    // The lunch's days with diners, in order.
    QList<QDate> served(const QDate& month) {
        QSqlQuery q = db().Exec("SELECT DTCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                                "CDSERVFILI = ? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ? AND "
                                "QTCOMESTICAR > 0 ORDER BY DTCARDAPIO",
                                {Filial, Almoco, DataHora(month), DataHora(UltimoDiaMes(month))});
        QList<QDate> out;
        while (q.next()) {
            out << db::TDatabase::FromSql(TFieldType::DateTime, q.value(0)).toDateTime().date();
        }
        return out;
    }
    QString dayNumber(const QDate& day) { return server_.DayNumber(Filial, Almoco, day); }
    void setDish(const QDate& day, int position, const QString& dish) {
        ASSERT_EQ(db().ExecCount("UPDATE COMPCARD SET CDFILAUXPRAT = '0002', CDPRATO = ? WHERE "
                                 "CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                                 {dish, Filial, dayNumber(day), position}),
                  1)
            << day.toString(Qt::ISODate).toStdString();
    }
    QString dishOf(const QDate& day, int position) {
        return scalar("SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                      "NRSEQPRATCAR = ?",
                      {Filial, dayNumber(day), position});
    }
    QString dishName(const QString& dish) {
        return scalar("SELECT NMPRATO FROM PRATO WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?",
                      {dish});
    }
    QStringList dishesOfType(const QString& type) {
        QSqlQuery q = db().Exec("SELECT CDPRATO FROM PRATO WHERE CDTIPOPRAT = ? AND IDATIVO = 'S' "
                                "AND IDRECEREVI = 'S' ORDER BY CDPRATO",
                                {type});
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString();
        }
        return out;
    }
    static QString dm(const QDate& d) { return FormatDateTime("dd/mm", d); }
    static QString dms(const QList<QDate>& days) {
        QStringList out;
        for (const QDate& d : days) {
            out << dm(d);
        }
        return out.join(", ");
    }
    // The lunch's restrictions as stored: number, kind, type, fried, limit, clause.
    QStringList stored() {
        QSqlQuery q = db().Exec("SELECT NRRESTCONT, IDTIPORESTR, CDTIPOPRAT, IDSOFRITO, VRLIMITE, "
                                "DSRESTCONT, CDOPERADOR FROM RESTCONTSERV WHERE CDFILIAL = ? AND "
                                "CDSERVFILI = ? ORDER BY NRRESTCONT",
                                {Filial, Almoco});
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 7; ++i) {
                row << (q.value(i).isNull() ? QStringLiteral("-")
                                            : q.value(i).toString().trimmed());
            }
            out << row.join(QLatin1Char(' '));
        }
        return out;
    }
    // What a refused change must leave as it was.
    QStringList fingerprint() {
        QStringList out = stored();
        out << QString::number(count("SELECT COUNT(*) FROM LOGRESTCONT"));
        out << scalar("SELECT NRULTREST || '/' || NRULTALT FROM RESTCONTCAB WHERE CDFILIAL = ? "
                      "AND CDSERVFILI = ?",
                      {Filial, Almoco});
        return out;
    }
    // The restrictions' table as the screen loads it.
    void load(TMemTable& t, const QString& op = QStringLiteral("NUTRI1")) {
        t.SetData(ToDataPacket(call("GetRestContServ", {Filial, Almoco}, op)));
    }
    QVariant save(const TMemTable& t, const QString& op = QStringLiteral("NUTRI1"),
                  const QString& branch = Filial) {
        return call("SetRestContServ", {branch, Almoco, FromDataPacket(t.Delta()), op}, op);
    }
    static void append(TMemTable& t, const QString& kind, const QString& type, bool fried,
                       double limit, const QString& clause = QString()) {
        t.Append();
        t.FieldByName("IDTIPORESTR").SetAsString(kind);
        if (!type.isEmpty()) {
            t.FieldByName("CDTIPOPRAT").SetAsString(type);
        }
        t.FieldByName("IDSOFRITO").SetAsString(fried ? "S" : "N");
        t.FieldByName("VRLIMITE").SetAsFloat(limit);
        if (!clause.isEmpty()) {
            t.FieldByName("DSRESTCONT").SetAsString(clause);
        }
        t.Post();
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

TEST_P(ContractRules, FriedDishesAreCountedPerWeekOnServedDays) {
    ownRules();
    // The first Monday of the month begins a week wholly inside it.
    QDate monday = next_;
    while (monday.dayOfWeek() != 1) {
        monday = monday.addDays(1);
    }
    QList<QDate> week;
    for (const QDate& d : served(next_)) {
        if (d >= monday && d <= monday.addDays(6)) {
            week << d;
        }
    }
    ASSERT_GE(week.size(), 3);
    const QStringList mains = dishesOfType("03");
    const QString fried = mains[0];
    const QString other = mains[1];
    db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDPRATO = ? AND CDFILAUXPRAT = '0002'",
              {other, fried});
    db().Exec("UPDATE PRATO SET IDFRITURA = 'S' WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?",
              {fried});
    for (int i = 0; i < 3; ++i) {
        setDish(week[i], PosicaoPrincipal, fried);
    }
    const int anyFried = addRule('S', "", true, 2);
    const int friedMain = addRule('S', "03", true, 1);
    const int friedSide = addRule('S', "05", true, 0);
    const QString weekText = QString("Semana de %1 a %2: ").arg(dm(monday), dm(monday.addDays(6)));

    auto v = judge(next_);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[anyFried].Descricao, "No máximo 2 pratos fritos por semana");
    EXPECT_FALSE(v[anyFried].Cumprida);
    EXPECT_EQ(v[anyFried].Dias, dms(week.mid(0, 3)));
    EXPECT_EQ(v[anyFried].Detalhe, weekText + "3 pratos fritos (máximo 2).");
    EXPECT_EQ(v[friedMain].Descricao, "No máximo 1 prato frito do tipo PRATO PRINCIPAL por semana");
    EXPECT_FALSE(v[friedMain].Cumprida);
    EXPECT_EQ(v[friedMain].Detalhe,
              weekText + "3 pratos fritos do tipo PRATO PRINCIPAL (máximo 1).");
    EXPECT_EQ(v[friedSide].Descricao, "Nenhum prato frito do tipo GUARNIÇÃO no cardápio");
    EXPECT_TRUE(v[friedSide].Cumprida) << "a fried main course is no fried side dish";
    EXPECT_EQ(v[friedSide].Dias, "");
    EXPECT_EQ(v[friedSide].Detalhe, "Nenhum prato frito do tipo GUARNIÇÃO no mês.");

    // A day without diners serves nothing: two fried dishes are within the limit.
    db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
              {Filial, dayNumber(week[2])});
    v = judge(next_);
    EXPECT_TRUE(v[anyFried].Cumprida);
    EXPECT_EQ(v[anyFried].Dias, "");
    EXPECT_EQ(v[anyFried].Detalhe, "A semana com mais teve 2 pratos fritos.");
    EXPECT_FALSE(v[friedMain].Cumprida);
    EXPECT_EQ(v[friedMain].Dias, dms(week.mid(0, 2)));
    EXPECT_EQ(v[friedMain].Detalhe,
              weekText + "2 pratos fritos do tipo PRATO PRINCIPAL (máximo 1).");
}

TEST_P(ContractRules, TheMinimumOfDaysCountsTheServedDaysWithoutTheDish) {
    ownRules();
    const QList<QDate> days = served(next_);
    const int n = int(days.size());
    ASSERT_GE(n, 10);
    ASSERT_EQ(count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = "
                    "C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO WHERE D.CDFILIAL = ? AND "
                    "D.CDSERVFILI = ? AND D.DTMESCARD = ? AND D.QTCOMESTICAR > 0 AND "
                    "P.CDTIPOPRAT = '09'",
                    {Filial, Almoco, DataHora(next_)}),
              n)
        << "the demonstration serves fruit every day";
    const int every = addRule('D', "09", false, n);
    const int fewer = addRule('D', "09", false, n - 2);
    const int beyond = addRule('D', "09", false, 31);
    auto v = judge(next_);
    EXPECT_EQ(v[every].Descricao,
              QString("Pratos do tipo FRUTA em no mínimo %1 dias do mês").arg(n));
    for (const int rule : {every, fewer, beyond}) {
        EXPECT_TRUE(v[rule].Cumprida) << rule;
        EXPECT_EQ(v[rule].Detalhe,
                  QString("Pratos do tipo FRUTA em %1 dos %1 dias servidos.").arg(n));
    }

    for (const QDate& d : {days[1], days[3]}) {
        db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                  {Filial, dayNumber(d), PosicaoFruta});
    }
    v = judge(next_);
    EXPECT_FALSE(v[every].Cumprida);
    EXPECT_EQ(v[every].Dias, dms({days[1], days[3]}));
    EXPECT_EQ(
        v[every].Detalhe,
        QString("Pratos do tipo FRUTA em %1 dos %2 dias servidos (mínimo %2).").arg(n - 2).arg(n));
    EXPECT_TRUE(v[fewer].Cumprida);
    EXPECT_EQ(v[fewer].Dias, "");
    // A month that serves fewer days than asked must have it every day it serves.
    EXPECT_FALSE(v[beyond].Cumprida);
    EXPECT_EQ(v[beyond].Dias, dms({days[1], days[3]}));
    EXPECT_EQ(v[beyond].Detalhe,
              QString("Pratos do tipo FRUTA em %1 dos %2 dias servidos (mínimo 31; o mês serve "
                      "menos dias: todos devem ter).")
                  .arg(n - 2)
                  .arg(n));

    // A day no longer served asks for nothing: every day the month still serves has it.
    for (const QDate& d : {days[1], days[3]}) {
        db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                  {Filial, dayNumber(d)});
    }
    v = judge(next_);
    for (const int rule : {every, fewer, beyond}) {
        EXPECT_TRUE(v[rule].Cumprida) << rule;
        EXPECT_EQ(v[rule].Dias, "");
    }
    EXPECT_EQ(v[every].Detalhe,
              QString("Pratos do tipo FRUTA em %1 dos %1 dias servidos.").arg(n - 2));
}

TEST_P(ContractRules, ThePerCapitaIsTheMonthsPlannedOneAsTheCloseChecksIt) {
    ownRules();
    // The closing check answers where the branch has tolerances.
    db().Exec("UPDATE PARAMPLANEJA SET VRPEMAXDIFPLAPA = 1000, VRPEMINDIFPLAPA = 1000 WHERE "
              "CDFILIAL = ?",
              {Filial});
    const auto planned = [&]() {
        const QVariant reference = db().Scalar("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE "
                                               "CDFILIAL = ? AND DTMESCUST = ?",
                                               {Filial, DataHora(next_)});
        const QVariant ref = reference.isNull()
                                 ? QVariant()
                                 : db::TDatabase::FromSql(TFieldType::DateTime, reference);
        const TDataPacket p = ToDataPacket(
            call("getVdFechaCardapioCus",
                 {Filial, Almoco, DataHora(next_), DataHora(UltimoDiaMes(next_)), "NUTRI1",
                  qlonglong(6), ref.isNull() ? QString("C") : QString("X"), ref}));
        EXPECT_EQ(p.RowCount(), 1);
        return p.Rows.value(0).Values.value(p.FieldIndex("CUSTO")).toDouble();
    };
    const double custo = planned();
    ASSERT_GT(custo, 0);
    const int rule = addRule('C', "", false, custo);
    auto v = judge(next_);
    EXPECT_EQ(v[rule].Descricao,
              "Per capita planejado do mês de no máximo R$ " + ValorMonetario(custo));
    EXPECT_TRUE(v[rule].Cumprida) << "at the limit is within it";
    EXPECT_EQ(v[rule].Detalhe, "Per capita planejado do mês: R$ " + ValorMonetario(custo) + ".");

    const double limit = RoundDec(custo - 0.05, 2);
    setLimit(rule, limit);
    v = judge(next_);
    EXPECT_FALSE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Detalhe, QString("Per capita planejado do mês: R$ %1 (máximo R$ %2).")
                                   .arg(ValorMonetario(custo), ValorMonetario(limit)));
    // The days above it, by the cost panel's own figures of each day.
    const QVariant reference =
        db().Scalar("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE CDFILIAL = ? AND DTMESCUST = ?",
                    {Filial, DataHora(next_)});
    const QVariantList work =
        call("GetTrabCusto",
             {Filial, Almoco, DataHora(next_), DataHora(UltimoDiaMes(next_)), qlonglong(6),
              "NUTRI1", !reference.isNull(),
              reference.isNull() ? QVariant()
                                 : db::TDatabase::FromSql(TFieldType::DateTime, reference),
              Filial, false},
             "NUTRI1", "Pla00106.rdmCustoServ")
            .toList();
    ASSERT_EQ(work.size(), 2);
    const TDataPacket days = ToDataPacket(work[1]);
    const bool clients =
        scalar("SELECT IDCOMCUSPERC FROM PARAMPLANEJA WHERE CDFILIAL = ?", {Filial}) == "C";
    QList<QDate> above;
    for (const TPacketRow& r : days.Rows) {
        const auto f = [&](const char* name) {
            return r.Values[days.FieldIndex(QString::fromLatin1(name))].toDouble();
        };
        const double diners = clients ? f("QTCLIESTICAR") : f("QTCOMESTICAR");
        if (diners > 0 && RoundDec((f("VRCUSTPRODMAT") + f("VRCUSTOCONS")) / diners, 5) > limit) {
            above << r.Values[days.FieldIndex("DTDATA")].toDateTime().date();
        }
    }
    ASSERT_FALSE(above.isEmpty());
    EXPECT_EQ(v[rule].Dias, dms(above));

    // Without a stored reference date each day takes its own prices, as the close does.
    db().Exec("DELETE FROM BASECUSTMES WHERE CDFILIAL = ? AND DTMESCUST = ?",
              {Filial, DataHora(next_)});
    const double ownDates = planned();
    setLimit(rule, ownDates);
    v = judge(next_);
    EXPECT_TRUE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Detalhe, "Per capita planejado do mês: R$ " + ValorMonetario(ownDates) + ".");

    // Without a planned cost type every cost would read 0: not verifiable, so not kept.
    db().Exec("UPDATE PARAMPLANEJA SET CDTIPOCUSTOPLA = NULL WHERE CDFILIAL = ?", {Filial});
    v = judge(next_);
    EXPECT_FALSE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Detalhe, "Não verificável: a filial 0001 não tem o tipo de custo planejado "
                               "nos parâmetros do planejamento.");
}

TEST_P(ContractRules, AWeekAcrossTwoMonthsIsJudgedWhole) {
    ownRules();
    const QStringList mains = dishesOfType("03");
    const QString fried = mains[0];
    db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDPRATO = ? AND CDFILAUXPRAT = '0002'",
              {mains[1], fried});
    db().Exec("UPDATE PRATO SET IDFRITURA = 'S' WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?",
              {fried});
    const int rule = addRule('S', "", true, 1);
    // A month whose first week begins in the month before, served on both sides.
    for (const QDate& month : {month_.addMonths(-1), month_, next_}) {
        const QDate monday = month.addDays(1 - month.dayOfWeek());
        QList<QDate> before;
        QList<QDate> after;
        for (const QDate& d : served(month.addMonths(-1))) {
            if (d >= monday) {
                before << d;
            }
        }
        for (const QDate& d : served(month)) {
            if (d <= monday.addDays(6)) {
                after << d;
            }
        }
        if (monday == month || before.size() < 2 || after.isEmpty()) {
            continue;
        }
        // Both over the limit in the month before: that month's fault, not this one's.
        setDish(before[before.size() - 2], PosicaoPrincipal, fried);
        setDish(before.last(), PosicaoPrincipal, fried);
        auto v = judge(month);
        EXPECT_TRUE(v[rule].Cumprida) << "none of the week's fried dishes is this month's";
        EXPECT_FALSE(judge(month.addMonths(-1))[rule].Cumprida);
        // One of them moved over the edge: the week, judged whole, breaks this month.
        setDish(before[before.size() - 2], PosicaoPrincipal, mains[1]);
        setDish(after.first(), PosicaoPrincipal, fried);
        v = judge(month);
        EXPECT_FALSE(v[rule].Cumprida) << "one fried dish on each side of the month's edge";
        EXPECT_EQ(v[rule].Dias, dms({after.first()})) << "only this month's day is named";
        EXPECT_EQ(v[rule].Detalhe, QString("Semana de %1 a %2: 2 pratos fritos (máximo 1).")
                                       .arg(dm(monday), dm(monday.addDays(6))));
        EXPECT_TRUE(judge(month.addMonths(-1))[rule].Cumprida)
            << "the earlier month's part of the week holds one";
        return;
    }
    // February and March 2027 both begin on a Monday: no week crosses their edges.
    GTEST_SKIP() << "no week of the demonstration's months crosses a month's edge on served days";
}

TEST_P(ContractRules, TheSameDishComesBackNoSoonerThanTheInterval) {
    ownRules();
    // A different main course on every day from ten days before the month to its end.
    const QStringList mains = dishesOfType("03");
    QSqlQuery q =
        db().Exec("SELECT DTCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = "
                  "? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ? ORDER BY DTCARDAPIO",
                  {Filial, Almoco, DataHora(next_.addDays(-10)), DataHora(UltimoDiaMes(next_))});
    QList<QDate> all;
    while (q.next()) {
        all << db::TDatabase::FromSql(TFieldType::DateTime, q.value(0)).toDateTime().date();
    }
    ASSERT_LE(all.size(), mains.size());
    for (int i = 0; i < all.size(); ++i) {
        setDish(all[i], PosicaoPrincipal, mains[i]);
    }
    const int rule = addRule('R', "03", false, 7);
    auto v = judge(next_);
    EXPECT_EQ(v[rule].Descricao,
              "O mesmo prato do tipo PRATO PRINCIPAL só se repete com intervalo de no mínimo 7 "
              "dias");
    EXPECT_TRUE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Detalhe, "Nenhuma repetição a menos de 7 dias.");

    const QList<QDate> days = served(next_);
    const QDate first = days[2];
    const QDate again = days[4];
    const qint64 gap = first.daysTo(again);
    ASSERT_LT(gap, 7);
    const QString dish = dishOf(first, PosicaoPrincipal);
    const QString own = dishOf(again, PosicaoPrincipal);
    setDish(again, PosicaoPrincipal, dish);
    v = judge(next_);
    EXPECT_FALSE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Dias, dm(again)) << "the day it came back";
    EXPECT_EQ(v[rule].Detalhe, QString("Repetido antes de 7 dias: %1 em %2 e %3 (%4 dias).")
                                   .arg(dishName(dish), dm(first), dm(again))
                                   .arg(gap));

    // Seven days later is no closer than seven days.
    setDish(again, PosicaoPrincipal, own);
    QDate week;
    for (const QDate& d : days) {
        if (days.contains(d.addDays(7))) {
            week = d;
            break;
        }
    }
    ASSERT_TRUE(week.isValid());
    const QString weekly = dishOf(week, PosicaoPrincipal);
    setDish(week.addDays(7), PosicaoPrincipal, weekly);
    EXPECT_TRUE(judge(next_)[rule].Cumprida);

    // The month before counts as far back as the interval reaches.
    QDate before;
    for (const QDate& d : served(month_)) {
        if (d.daysTo(days[0]) < 7) {
            before = d;
        }
    }
    ASSERT_TRUE(before.isValid());
    const QString former = dishOf(before, PosicaoPrincipal);
    setDish(days[0], PosicaoPrincipal, former);
    v = judge(next_);
    EXPECT_FALSE(v[rule].Cumprida);
    EXPECT_EQ(v[rule].Dias, dm(days[0])) << "only the month's own day";
    const qint64 back = before.daysTo(days[0]);
    EXPECT_EQ(v[rule].Detalhe,
              QString("Repetido antes de 7 dias: %1 em %2 e %3 (%4).")
                  .arg(dishName(former), dm(before), dm(days[0]),
                       back == 1 ? QString("1 dia") : QString("%1 dias").arg(back)));
}

TEST_P(ContractRules, TheRestrictionsAreWrittenWithWhoAndWhenAndEveryChangeLogged) {
    TMemTable t;
    load(t);
    ASSERT_EQ(t.RecordCount(), 4) << "the demonstration's restrictions of the lunch";
    EXPECT_EQ(stored().value(0), "1 S - S 2 Cláusula 7.1 - frituras -");
    // Fruit on at least twelve days instead of fifteen, no fried limit, a new one.
    ASSERT_TRUE(t.Locate("NRRESTCONT", qlonglong(2)));
    t.Edit();
    t.FieldByName("VRLIMITE").SetAsFloat(12);
    t.Post();
    ASSERT_TRUE(t.Locate("NRRESTCONT", qlonglong(1)));
    t.Delete();
    append(t, "S", "05", true, 1, "Cláusula 8");
    const QDateTime before = Agora().addSecs(-1);
    EXPECT_EQ(refusal(save(t)), "");
    const QStringList rules = stored();
    ASSERT_EQ(rules.size(), 4);
    EXPECT_EQ(rules[0], "2 D 09 N 12 Cláusula 7.2 - frutas NUTRI1");
    EXPECT_EQ(rules[1], "3 R 03 N 7 Cláusula 7.3 - variedade -");
    EXPECT_TRUE(rules[2].startsWith("4 C - N ") &&
                rules[2].endsWith(" Cláusula 9.1 - per capita contratado -"))
        << rules[2].toStdString() << ": untouched";
    EXPECT_EQ(rules[3], "5 S 05 S 1 Cláusula 8 NUTRI1");
    const QDateTime when =
        db::TDatabase::FromSql(
            TFieldType::DateTime,
            db().Scalar("SELECT DTULTALT FROM RESTCONTSERV WHERE CDFILIAL = ? AND "
                        "CDSERVFILI = ? AND NRRESTCONT = 5",
                        {Filial, Almoco}))
            .toDateTime();
    EXPECT_GE(when, before);
    EXPECT_LE(when, Agora().addSecs(1));
    EXPECT_EQ(scalar("SELECT NRULTREST || '/' || NRULTALT || '/' || CDOPERADOR FROM RESTCONTCAB "
                     "WHERE CDFILIAL = ? AND CDSERVFILI = ?",
                     {Filial, Almoco}),
              "5/1/NUTRI1");
    QSqlQuery log = db().Exec("SELECT NRALTERACAO, NRRESTCONT, IDOPERACAO, DSRESTRICAO, "
                              "CDOPERADOR FROM LOGRESTCONT WHERE CDFILIAL = ? AND CDSERVFILI = ? "
                              "ORDER BY NRRESTCONT",
                              {Filial, Almoco});
    QStringList lines;
    while (log.next()) {
        lines << QStringList{log.value(0).toString(), log.value(1).toString(),
                             log.value(2).toString(), log.value(3).toString(),
                             log.value(4).toString()}
                     .join(" | ");
    }
    EXPECT_EQ(lines,
              (QStringList{"1 | 1 | E | No máximo 2 pratos fritos por semana (Cláusula 7.1 - "
                           "frituras) | NUTRI1",
                           "1 | 2 | A | Pratos do tipo FRUTA em no mínimo 12 dias do mês "
                           "(Cláusula 7.2 - frutas) | NUTRI1",
                           "1 | 5 | I | No máximo 1 prato frito do tipo GUARNIÇÃO por semana "
                           "(Cláusula 8) | NUTRI1"}));

    // The same changes again, from the table as it was read: another operator got there.
    const QStringList now = fingerprint();
    EXPECT_EQ(refusal(save(t)),
              "A restrição 2 foi alterada por outro operador depois da leitura. Cancele as "
              "alterações e leia as restrições novamente.");
    EXPECT_EQ(fingerprint(), now) << "nothing written, not even the change's number";
    // A restriction removed meanwhile is no refusal of its removal.
    TMemTable fresh;
    load(fresh);
    ASSERT_TRUE(fresh.Locate("NRRESTCONT", qlonglong(5)));
    fresh.Delete();
    db().Exec("DELETE FROM RESTCONTSERV WHERE CDFILIAL = ? AND CDSERVFILI = ? AND NRRESTCONT = 5",
              {Filial, Almoco});
    EXPECT_EQ(refusal(save(fresh)), "");
    // Numbers are never given again.
    load(fresh);
    append(fresh, "S", "", true, 3);
    EXPECT_EQ(refusal(save(fresh)), "");
    EXPECT_EQ(stored().last(), "6 S - S 3 - NUTRI1");

    // A service's first restriction starts its numbers and its changes.
    TMemTable dinner;
    dinner.SetData(ToDataPacket(call("GetRestContServ", {Filial, "00002"})));
    EXPECT_TRUE(dinner.IsEmpty());
    append(dinner, "R", "03", false, 5);
    EXPECT_EQ(refusal(call("SetRestContServ",
                           {Filial, "00002", FromDataPacket(dinner.Delta()), "NUTRI1"})),
              "");
    EXPECT_EQ(scalar("SELECT NRULTREST || '/' || NRULTALT FROM RESTCONTCAB WHERE CDFILIAL = ? AND "
                     "CDSERVFILI = '00002'",
                     {Filial}),
              "1/1");
    EXPECT_EQ(scalar("SELECT NRRESTCONT FROM RESTCONTSERV WHERE CDFILIAL = ? AND CDSERVFILI = "
                     "'00002'",
                     {Filial}),
              "1");
}

TEST_P(ContractRules, ChangesAreRefusedWithoutThePermissionOrTheBranchAndWhenTheyCannotStand) {
    const QStringList before = fingerprint();
    TMemTable t;
    load(t, demo::ReadOnlyOperator);
    ASSERT_EQ(t.RecordCount(), 4) << "anyone reads them";
    append(t, "S", "05", true, 1);
    EXPECT_EQ(refusal(save(t, demo::ReadOnlyOperator)),
              "Operador sem permissão para alterar as restrições contratuais.");
    EXPECT_EQ(refusal(save(t, demo::RestrictedPlanner)),
              "Operador sem acesso aos cardápios da filial 0001.")
        << "the hospital's planner";
    EXPECT_EQ(fingerprint(), before);

    const auto refused = [&](const QString& kind, const QString& type, bool fried, double limit) {
        TMemTable one;
        load(one);
        append(one, kind, type, fried, limit);
        const QString answer = refusal(save(one));
        EXPECT_EQ(fingerprint(), before) << answer.toStdString();
        return answer;
    };
    EXPECT_EQ(refused("S", "", false, 2),
              "Nova restrição: Escolha o tipo de prato ou marque \"Somente pratos fritos\".");
    EXPECT_EQ(refused("C", "03", false, 9),
              "Nova restrição: O per capita máximo vale para o cardápio inteiro: não escolha "
              "tipo de prato nem \"Somente pratos fritos\".");
    EXPECT_EQ(refused("D", "09", false, 0),
              "Nova restrição: O mínimo de dias no mês deve ser um número inteiro de 1 a 31.");
    EXPECT_EQ(refused("S", "03", false, 1.5),
              "Nova restrição: O máximo de pratos por semana deve ser um número inteiro de 0 a "
              "99.");
    EXPECT_EQ(refused("R", "03", false, 1),
              "Nova restrição: O intervalo entre repetições deve ser um número inteiro de 2 a 90 "
              "dias.");
    EXPECT_EQ(refused("X", "03", false, 1), "Nova restrição: Tipo de restrição inválido: X.");
    EXPECT_EQ(refused("S", "99", false, 1), "Tipo de prato 99 não cadastrado.");
    EXPECT_EQ(refused("S", "", true, 3),
              "As restrições 1 e 5 são ambas de \"Máximo de pratos por semana\" para pratos "
              "fritos: deixe só uma.");
    // A changed one is checked as a new one is.
    TMemTable t2;
    load(t2);
    ASSERT_TRUE(t2.Locate("NRRESTCONT", qlonglong(4)));
    t2.Edit();
    t2.FieldByName("VRLIMITE").SetAsFloat(0);
    t2.Post();
    EXPECT_EQ(refusal(save(t2)), "Restrição 4: O per capita máximo deve ser maior que zero.");
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(ContractRules, TheMonthIsJudgedOnlyForWhoMayWorkOnTheBranch) {
    EXPECT_EQ(refusal(call("GetAnaliRestCont", {Filial, Almoco, DataHora(next_)},
                           demo::RestrictedPlanner)),
              "Operador sem acesso aos custos da filial 0001.");
    EXPECT_EQ(refusal(call("GetAnaliRestCont", {Filial, "00009", DataHora(next_)})),
              "Serviço 00009 não cadastrado na filial 0001.");
    EXPECT_EQ(refusal(call("GetRestContServ", {"9999", Almoco})), "Filial não cadastrada.");
    // A service without restrictions has nothing to break.
    EXPECT_EQ(ToDataPacket(call("GetAnaliRestCont", {Filial, "00002", DataHora(next_)})).RowCount(),
              0);
    // The demonstration's: each judged, in number order.
    const auto v = judge(next_);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v.at(2).Descricao, "Pratos do tipo FRUTA em no mínimo 15 dias do mês");
    EXPECT_TRUE(v.at(2).Cumprida) << "fruit every day";
}

INSTANTIATE_TEST_SUITE_P(Engines, ContractRules,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
