#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QSqlQuery>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");

// A month's dishes substituted by cheaper equivalents, over the demonstration's
// restaurant, whose costs follow each day's own date.
class Equivalents : public ::testing::TestWithParam<TEngine> {
protected:
    Equivalents()
        : server_(GetParam(), Hoje()) {
        for (const QDate& m : {month_, next_}) {
            server_.Db().Exec("DELETE FROM BASECUSTMES WHERE CDFILIAL = ? AND DTMESCUST = ?",
                              {Filial, DataHora(m)});
        }
        costType_ =
            scalar("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = ?", {Filial}).toInt();
    }

    QVariant call(const QString& method, const QVariantList& values) {
        auto c = server_.Connect(Module, server_.SignIn(QStringLiteral("NUTRI1")));
        for (const metodos::TMetodoDeModulo& m : metodos::Todos()) {
            if (m.Metodo->Name == method) {
                QList<TRpcArg> args = Argumentos(*m.Metodo, values);
                return c->Call(method, args);
            }
        }
        return c->Call(method, values);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    QString scalar(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toString().trimmed();
    }
    TDataPacket lines(const QDate& month) {
        const QVariant v =
            call("getSubsPratoEqui", {Filial, Almoco, DataHora(month), QString::number(costType_),
                                      "S", DataHora(month), "P"});
        EXPECT_EQ(refusal(v), "");
        return ToDataPacket(v);
    }
    QVariant set(const TDataPacket& p) {
        return call("setSubsPratoEqui",
                    {Filial, Almoco, DataHora(next_), FromDataPacket(p), "NUTRI1", false});
    }

    // A dish's cost per serving at a date, from the recipe and the price history.
    double cost(const QString& branch, const QString& dish, const QDate& day) {
        QSqlQuery r = server_.Db().Exec(
            "SELECT CDPRODUTO, QTPERCAPITA, QTFATORCORR FROM RECEITA WHERE CDFILAUXPRAT = ? AND "
            "CDPRATO = ?",
            {branch, dish});
        QList<QVariantList> recipe;
        while (r.next()) {
            recipe.append({r.value(0), r.value(1), r.value(2)});
        }
        double sum = 0;
        for (const QVariantList& line : recipe) {
            QSqlQuery p = server_.Db().Exec(
                "SELECT DTVIGENCIA, VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = ? AND NRTIPOCUSTO "
                "= ? AND CDPRODUTO = ?",
                {Filial, costType_, line[0]});
            QDate latest;
            double price = 0;
            while (p.next()) {
                const QDate valid =
                    db::TDatabase::FromSql(TFieldType::DateTime, p.value(0)).toDateTime().date();
                if (valid <= day && (!latest.isValid() || valid > latest)) {
                    latest = valid;
                    price = p.value(1).toDouble();
                }
            }
            sum += line[1].toDouble() * line[2].toDouble() * price;
        }
        return RoundDec(sum, 5);
    }

    struct TRow {
        QString Nr;
        int Seq = 0;
        int Ord = 0;
        QString Branch;
        QString Dish;
        double Share = 0;
        double Diners = 0;
        QDate Day;
    };
    QList<TRow> rows(const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT D.NRCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDFILAUXPRAT, C.CDPRATO, "
            "C.VRPECONSCARD, D.QTCOMESTICAR, D.DTCARDAPIO FROM CARDADIA D JOIN COMPCARD C ON "
            "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO WHERE D.CDFILIAL = ? AND "
            "D.CDSERVFILI = ? AND D.DTMESCARD = ? ORDER BY D.NRCARDAPIO, C.NRSEQPRATCAR, "
            "C.NRORDPRATCAR",
            {Filial, Almoco, DataHora(month)});
        QList<TRow> out;
        while (q.next()) {
            out.append(
                {q.value(0).toString().trimmed(), q.value(1).toInt(), q.value(2).toInt(),
                 q.value(3).toString().trimmed(), q.value(4).toString().trimmed(),
                 q.value(5).toDouble(), q.value(6).toDouble(),
                 db::TDatabase::FromSql(TFieldType::DateTime, q.value(7)).toDateTime().date()});
        }
        return out;
    }
    QList<std::pair<QString, QString>> equivalents(const QString& branch, const QString& dish) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT CDFILPRATRELAC, CDPRATORELAC FROM PRATORELAC WHERE CDFILAUXPRAT = ? AND "
            "CDPRATO = ? AND IDTIPORELAC = 'E'",
            {branch, dish});
        QList<std::pair<QString, QString>> out;
        while (q.next()) {
            out.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed()});
        }
        return out;
    }
    double monthCost(const QDate& month) {
        double sum = 0;
        for (const TRow& r : rows(month)) {
            sum += r.Share * r.Diners / 100.0 * cost(r.Branch, r.Dish, r.Day);
        }
        return sum;
    }
    // What a refused substitution must leave as it was.
    QStringList fingerprint() {
        QStringList out;
        for (const TRow& r : rows(next_)) {
            out << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(r.Nr)
                       .arg(r.Seq)
                       .arg(r.Ord)
                       .arg(r.Dish)
                       .arg(r.Share);
        }
        out << scalar("SELECT COUNT(*) FROM CARDESP");
        out << scalar("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDOPERADOR = 'NUTRI1'",
                      {Filial});
        return out;
    }
    static QVariant& at(TDataPacket& p, int row, const char* field) {
        return p.Rows[row].Values[p.FieldIndex(QString::fromLatin1(field))];
    }
    static QString text(const TDataPacket& p, int row, const char* field) {
        return p.Rows[row].Values[p.FieldIndex(QString::fromLatin1(field))].toString().trimmed();
    }
    static double number(const TDataPacket& p, int row, const char* field) {
        return p.Rows[row].Values[p.FieldIndex(QString::fromLatin1(field))].toDouble();
    }
    // The first line with a proposal, on a day that may change.
    static int proposed(const TDataPacket& p, int from = 0) {
        for (int i = from; i < p.RowCount(); ++i) {
            if (!text(p, i, "CDPRATOEQUI").isEmpty()) {
                return i;
            }
        }
        return -1;
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
    int costType_ = 0;
};

TEST_P(Equivalents, TheLinesAreTheMonthsDishesWithACheaperEquivalent) {
    const TDataPacket p = lines(next_);
    ASSERT_EQ(p.Fields.size(), 29);
    EXPECT_EQ(p.Fields[0].Name, "CDFILIAL");
    EXPECT_EQ(p.Fields[27].Name, "IDCUSZEROCUSDESATU");
    std::set<QString> expected;
    for (const TRow& r : rows(next_)) {
        const double mine = cost(r.Branch, r.Dish, r.Day);
        for (const auto& [b, d] : equivalents(r.Branch, r.Dish)) {
            if (cost(b, d, r.Day) < mine) {
                expected.insert(QStringLiteral("%1/%2/%3").arg(r.Nr).arg(r.Seq).arg(r.Dish));
                break;
            }
        }
    }
    ASSERT_FALSE(expected.empty()) << "the demonstration has cheaper equivalents";
    std::set<QString> got;
    QDateTime previous;
    for (int i = 0; i < p.RowCount(); ++i) {
        got.insert(QStringLiteral("%1/%2/%3")
                       .arg(text(p, i, "NRCARDAPIO"))
                       .arg(int(number(p, i, "NRSEQPRATCAR")))
                       .arg(text(p, i, "CDPRATO")));
        const QDateTime day = at(const_cast<TDataPacket&>(p), i, "DTCARDAPIO").toDateTime();
        EXPECT_LE(previous, day) << "by day";
        previous = day;
        EXPECT_EQ(text(p, i, "IDMARCADO"), "N");
        EXPECT_EQ(text(p, i, "IDEQUIVALENCIA"), "E");
    }
    EXPECT_EQ(got, expected);

    // One saving by hand.
    const int i = proposed(p);
    ASSERT_GE(i, 0);
    const QDate day = at(const_cast<TDataPacket&>(p), i, "DTCARDAPIO").toDateTime().date();
    const double planned = cost(text(p, i, "CDFILAUXPRAT"), text(p, i, "CDPRATO"), day);
    const double equi = cost(text(p, i, "CDFILAUXPRATEQUI"), text(p, i, "CDPRATOEQUI"), day);
    EXPECT_NEAR(number(p, i, "VRCUSTO"), planned, 1e-9);
    EXPECT_NEAR(number(p, i, "VRCUSTOEQUI"), equi, 1e-9);
    const double portions = number(p, i, "VRPECONSCARD") * number(p, i, "QTCOMESTICAR") / 100.0;
    EXPECT_NEAR(number(p, i, "VRECONOMIA"), RoundDec(portions * (planned - equi), 2), 1e-9);
    EXPECT_GT(number(p, i, "VRECONOMIA"), 0);
    EXPECT_DOUBLE_EQ(number(p, i, "VRCONSUMO"), number(p, i, "VRPECONSCARD"));
    EXPECT_EQ(text(p, i, "IDARVORE"), "P");
}

TEST_P(Equivalents, TheEquivalentsComeCheapestFirstAndAnUnpricedRecipeNegative) {
    const TDataPacket p = lines(next_);
    const int i = proposed(p);
    ASSERT_GE(i, 0);
    const QString branch = text(p, i, "CDFILAUXPRAT");
    const QString dish = text(p, i, "CDPRATO");
    const QDate day = at(const_cast<TDataPacket&>(p), i, "DTCARDAPIO").toDateTime().date();
    // A second equivalent whose recipe has a product without a price.
    const QString other = scalar(
        "SELECT MIN(P.CDPRATO) FROM PRATO P WHERE P.CDTIPOPRAT = '03' AND P.CDFILAUXPRAT = ? AND "
        "P.CDPRATO <> ? AND NOT EXISTS (SELECT 1 FROM PRATORELAC R WHERE R.CDFILAUXPRAT = ? AND "
        "R.CDPRATO = ? AND R.CDPRATORELAC = P.CDPRATO) AND (SELECT COUNT(*) FROM RECEITA C WHERE "
        "C.CDFILAUXPRAT = P.CDFILAUXPRAT AND C.CDPRATO = P.CDPRATO) > 1",
        {branch, dish, branch, dish});
    ASSERT_FALSE(other.isEmpty());
    server_.Db().Exec("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                      "CDPRATORELAC, IDTIPORELAC) VALUES (?, ?, ?, ?, 'E')",
                      {branch, dish, branch, other});
    const QString product = scalar("SELECT MIN(CDPRODUTO) FROM RECEITA WHERE CDFILAUXPRAT = ? AND "
                                   "CDPRATO = ?",
                                   {branch, other});
    server_.Db().Exec("DELETE FROM CUSTOPROD WHERE CDFILIAL = ? AND CDPRODUTO = ?",
                      {Filial, product});
    const QVariant v =
        call("getListaEquiPrato", {branch, dish, "E", Filial, Almoco, DataHora(next_),
                                   QString::number(costType_), DataHora(day), "P", "T"});
    ASSERT_EQ(refusal(v), "");
    const TDataPacket list = ToDataPacket(v);
    ASSERT_EQ(list.RowCount(), int(equivalents(branch, dish).size()));
    ASSERT_GE(list.RowCount(), 2);
    double previous = -1;
    bool negative = false;
    for (int r = 0; r < list.RowCount(); ++r) {
        const QString code = text(list, r, "CDPRATO");
        const double expected = cost(text(list, r, "CDFILAUXPRAT"), code, day);
        const double shown = number(list, r, "VRCUSTO");
        EXPECT_NEAR(std::abs(shown), expected, 1e-9) << code.toStdString();
        EXPECT_GE(std::abs(shown), previous) << "cheapest first";
        previous = std::abs(shown);
        if (code == other) {
            EXPECT_LT(shown, 0) << "a product without a price";
            negative = true;
        } else {
            EXPECT_GT(shown, 0);
        }
        EXPECT_DOUBLE_EQ(number(list, r, "VRPECONSCARD"), 0);
    }
    EXPECT_TRUE(negative);
    const TDataPacket one = ToDataPacket(
        call("getListaEquiPrato", {branch, dish, "E", Filial, Almoco, DataHora(next_),
                                   QString::number(costType_), DataHora(day), "P", other}));
    ASSERT_EQ(one.RowCount(), 1);
    EXPECT_EQ(text(one, 0, "CDPRATO"), other);
}

TEST_P(Equivalents, TheMarkedLinesAreReplacedInPlaceAndTheMonthCostsTheSavingsLess) {
    TDataPacket p = lines(next_);
    const int a = proposed(p);
    const int b = proposed(p, a + 1);
    ASSERT_GE(b, 0);
    const QList<TRow> before = rows(next_);
    const double costBefore = monthCost(next_);
    at(p, a, "IDMARCADO") = "S";
    at(p, b, "IDMARCADO") = "S";
    const QVariant answer = set(p);
    ASSERT_EQ(refusal(answer), "");
    EXPECT_TRUE(answer.toBool());
    const QList<TRow> after = rows(next_);
    ASSERT_EQ(after.size(), before.size());
    int replaced = 0;
    for (int r = 0; r < before.size(); ++r) {
        EXPECT_EQ(after[r].Seq, before[r].Seq);
        EXPECT_EQ(after[r].Ord, before[r].Ord) << "the position kept";
        EXPECT_DOUBLE_EQ(after[r].Share, before[r].Share) << "the share kept";
        int line = -1;
        for (const int i : {a, b}) {
            if (text(p, i, "NRCARDAPIO") == before[r].Nr &&
                int(number(p, i, "NRSEQPRATCAR")) == before[r].Seq &&
                text(p, i, "CDPRATO") == before[r].Dish) {
                line = i;
            }
        }
        if (line >= 0) {
            EXPECT_EQ(after[r].Dish, text(p, line, "CDPRATOEQUI"));
            ++replaced;
        } else {
            EXPECT_EQ(after[r].Dish, before[r].Dish) << "a line not marked stays";
        }
    }
    EXPECT_EQ(replaced, 2);
    const double savings = number(p, a, "VRECONOMIA") + number(p, b, "VRECONOMIA");
    EXPECT_NEAR(costBefore - monthCost(next_), savings, 0.011);
    EXPECT_EQ(scalar("SELECT CDOPERADOR FROM CARDADIA WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                     {Filial, text(p, a, "NRCARDAPIO")}),
              "NUTRI1");
    EXPECT_EQ(scalar("SELECT IDPRATOESPE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                     "NRSEQPRATCAR = ? AND CDPRATO = ?",
                     {Filial, text(p, a, "NRCARDAPIO"), int(number(p, a, "NRSEQPRATCAR")),
                      text(p, a, "CDPRATOEQUI")}),
              "N")
        << "an ordinary menu";
}

TEST_P(Equivalents, ThePortionsWithdrawnOfADishReplacedAreNotTheEquivalents) {
    TDataPacket p = lines(next_);
    const int a = proposed(p);
    ASSERT_GE(a, 0);
    const QString nr = text(p, a, "NRCARDAPIO");
    const int seq = int(number(p, a, "NRSEQPRATCAR"));
    server_.Db().Exec("UPDATE COMPCARD SET QTPORCRETI = 55 WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                      {Filial, nr});
    at(p, a, "IDMARCADO") = "S";
    ASSERT_EQ(refusal(set(p)), "");
    QSqlQuery q = server_.Db().Exec("SELECT NRSEQPRATCAR, CDPRATO, QTPORCRETI FROM COMPCARD WHERE "
                                    "CDFILIAL = ? AND NRCARDAPIO = ?",
                                    {Filial, nr});
    int replaced = 0;
    int others = 0;
    while (q.next()) {
        if (q.value(0).toInt() == seq &&
            q.value(1).toString().trimmed() == text(p, a, "CDPRATOEQUI")) {
            EXPECT_TRUE(q.value(2).isNull()) << "the former dish's withdrawals are not its";
            ++replaced;
        } else {
            EXPECT_EQ(q.value(2).toDouble(), 55) << "the day's other dishes keep theirs";
            ++others;
        }
    }
    EXPECT_EQ(replaced, 1);
    EXPECT_GT(others, 0);
}

TEST_P(Equivalents, RefusedLinesWriteNothing) {
    const TDataPacket base = lines(next_);
    const int i = proposed(base);
    ASSERT_GE(i, 0);
    const QStringList untouched = fingerprint();
    const auto marked = [&] {
        TDataPacket p = base;
        at(p, i, "IDMARCADO") = "S";
        return p;
    };
    const QString day = FormatDateTime(
        "dd/mm/yyyy", at(const_cast<TDataPacket&>(base), i, "DTCARDAPIO").toDateTime().date());

    // Not an equivalent of the planned dish.
    TDataPacket p = marked();
    const QString stranger =
        scalar("SELECT MIN(P.CDPRATO) FROM PRATO P WHERE P.CDPRATO <> ? AND NOT EXISTS (SELECT 1 "
               "FROM PRATORELAC R WHERE R.CDPRATO = ? AND R.CDPRATORELAC = P.CDPRATO)",
               {text(p, i, "CDPRATO"), text(p, i, "CDPRATO")});
    at(p, i, "CDPRATOEQUI") = stranger;
    EXPECT_TRUE(refusal(set(p)).contains("não é equivalente")) << refusal(set(p)).toStdString();
    EXPECT_EQ(fingerprint(), untouched);

    // An equivalent that costs more: a dish more expensive made an equivalent.
    const QString branch = text(base, i, "CDFILAUXPRAT");
    const QString dish = text(base, i, "CDPRATO");
    const QDate d = at(const_cast<TDataPacket&>(base), i, "DTCARDAPIO").toDateTime().date();
    QString dearer;
    QSqlQuery q = server_.Db().Exec(
        "SELECT P.CDPRATO FROM PRATO P WHERE P.CDFILAUXPRAT = ? AND P.CDTIPOPRAT = '03' AND "
        "P.IDATIVO = 'S' AND P.IDRECEREVI = 'S' AND P.CDPRATO <> ? ORDER BY P.CDPRATO",
        {branch, dish});
    QStringList candidates;
    while (q.next()) {
        candidates << q.value(0).toString().trimmed();
    }
    for (const QString& c : std::as_const(candidates)) {
        if (!dearer.isEmpty()) {
            break;
        }
        if (cost(branch, c, d) > number(base, i, "VRCUSTO") &&
            !equivalents(branch, dish).contains(std::pair<QString, QString>{branch, c})) {
            dearer = c;
        }
    }
    ASSERT_FALSE(dearer.isEmpty());
    server_.Db().Exec("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                      "CDPRATORELAC, IDTIPORELAC) VALUES (?, ?, ?, ?, 'E')",
                      {branch, dish, branch, dearer});
    p = marked();
    at(p, i, "CDPRATOEQUI") = dearer;
    at(p, i, "CDFILAUXPRATEQUI") = branch;
    EXPECT_EQ(
        refusal(set(p)),
        QStringLiteral("O prato %1 custa mais que o prato %2 no dia %3.").arg(dearer, dish, day));
    EXPECT_EQ(fingerprint(), untouched);

    // A stale line: the row changed between reading and applying.
    server_.Db().Exec(
        "UPDATE COMPCARD SET VRPECONSCARD = VRPECONSCARD / 2 WHERE CDFILIAL = ? AND "
        "NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND CDPRATO = ?",
        {Filial, text(base, i, "NRCARDAPIO"), int(number(base, i, "NRSEQPRATCAR")), dish});
    const QStringList halved = fingerprint();
    EXPECT_TRUE(refusal(set(marked())).contains("foi alterado por outro operador"))
        << refusal(set(marked())).toStdString();
    EXPECT_EQ(fingerprint(), halved);
}

TEST_P(Equivalents, ADayBeforeTheFirstChangeableOneIsRefused) {
    // A line of a blocked day, as the desktop holds the month it read.
    QDate blocked;
    QSqlQuery q(server_.Db().Exec("SELECT 1"));
    const QString sql =
        "SELECT C.NRSEQPRATCAR, C.CDFILAUXPRAT, C.CDPRATO, C.VRPECONSCARD, R.CDFILPRATRELAC, "
        "R.CDPRATORELAC FROM COMPCARD C JOIN PRATORELAC R ON R.CDFILAUXPRAT = C.CDFILAUXPRAT AND "
        "R.CDPRATO = C.CDPRATO AND R.IDTIPORELAC = 'E' WHERE C.CDFILIAL = ? AND C.NRCARDAPIO = ?";
    QString nr;
    QVariantList found;
    for (QDate d = Hoje().addDays(-3); d > Hoje().addDays(-40) && !blocked.isValid();
         d = d.addDays(-1)) {
        nr = server_.DayNumber(Filial, Almoco, d);
        if (!nr.isEmpty()) {
            q = server_.Db().Exec(sql, {Filial, nr});
            if (q.next()) {
                blocked = d;
                for (int c = 0; c < 6; ++c) {
                    found << q.value(c);
                }
            }
        }
    }
    ASSERT_TRUE(blocked.isValid()) << "a dish with an equivalent on a blocked day";
    TDataPacket p = lines(next_);
    ASSERT_GE(p.RowCount(), 1);
    p.Rows = p.Rows.mid(0, 1);
    at(p, 0, "IDMARCADO") = "S";
    at(p, 0, "NRCARDAPIO") = nr;
    at(p, 0, "DTCARDAPIO") = DataHora(blocked);
    at(p, 0, "NRSEQPRATCAR") = found[0].toDouble();
    at(p, 0, "CDFILAUXPRAT") = found[1].toString();
    at(p, 0, "CDPRATO") = found[2].toString();
    at(p, 0, "VRPECONSCARD") = found[3].toDouble();
    at(p, 0, "CDFILAUXPRATEQUI") = found[4].toString();
    at(p, 0, "CDPRATOEQUI") = found[5].toString();
    const QStringList untouched = fingerprint();
    const QVariant answer = call("setSubsPratoEqui", {Filial, Almoco, DataHora(blocked),
                                                      FromDataPacket(p), "NUTRI1", false});
    EXPECT_EQ(refusal(answer), QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                   .arg(FormatDateTime("dd/mm/yyyy", blocked)));
    EXPECT_EQ(fingerprint(), untouched);
}

INSTANTIATE_TEST_SUITE_P(Engines, Equivalents,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
