#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"

#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"
#include "server/modules/modules.h"
#include <QRegularExpression>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

// What the monthly menu screen loads, over the demonstration data.
class MonthlyMenuLoad : public ::testing::TestWithParam<TEngine> {
protected:
    MonthlyMenuLoad()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& op, const QString& method, QList<TRpcArg>& args) {
        auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn(op));
        return c->Call(method, args);
    }
    QVariantList cardapio(const QString& op, const QString& filial, const QString& servico,
                          const QDate& month, bool porFilial = false) {
        QList<TRpcArg> args{{filial, true}, {"PLA00101", false},     {servico, true},
                            {op, false},    {DataHora(month), true}, {porFilial, false}};
        return call(op, "GetCardapio", args).toList();
    }
    static TDataPacket packet(const QVariant& v) { return ToDataPacket(CheckResultServ(v)); }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }

    const QDate month_ = PriDiaMes(Hoje());
    TEmbeddedServer server_;
};

TEST_P(MonthlyMenuLoad, ServicesDietsAndMenuType) {
    QList<TRpcArg> args{{"1", true}, {"T", false}};
    const TDataPacket all = packet(call("NUTRI1", "GetServicos", args));
    ASSERT_EQ(all.Rows.size(), 3);
    EXPECT_EQ(all.Rows[0].Values[0].toString(), "00001");
    EXPECT_EQ(all.Rows[2].Values[1].toString(), "Café da manhã");
    EXPECT_EQ(args[0].Value.toString(), "0001");
    QList<TRpcArg> mine{{"0004", true}, {"", false}};
    EXPECT_EQ(packet(call(demo::GroupOperator, "GetServicos", mine)).Rows.size(), 2)
        << "the services of the operator's groups";
    QList<TRpcArg> none{{"0001", true}, {"", false}};
    EXPECT_TRUE(packet(call(demo::GroupOperator, "GetServicos", none)).Rows.isEmpty());

    QList<TRpcArg> hospital{{"0003", true}, {"1", true}};
    EXPECT_EQ(call("NUTRI2", "getDietaServ", hospital).toDouble(), 6.0)
        << "enteral and parenteral diets are not the kitchen's";
    QList<TRpcArg> restaurant{{"0001", true}, {"00001", true}};
    EXPECT_EQ(call("NUTRI1", "getDietaServ", restaurant).toDouble(), 0.0);

    for (const auto& [branch, type] :
         {std::pair{"0001", "N"}, std::pair{"0003", "S"}, std::pair{"0004", "D"},
          std::pair{"9999", "Filial não cadastrada."}}) {
        QList<TRpcArg> t{{QString::fromLatin1(branch), true}};
        EXPECT_EQ(call("NUTRI1", "GetTipodeCardapio", t).toString(), QString::fromUtf8(type));
    }
}

TEST_P(MonthlyMenuLoad, TheMonthInOneCall) {
    const QDate month = month_.addMonths(1); // planned ahead: not read-only on any day
    const QVariantList r = cardapio("NUTRI1", "0001", "00001", month);
    ASSERT_EQ(r.size(), 17);
    EXPECT_EQ(packet(r[0]).Rows.size(), 1);
    EXPECT_EQ(packet(r[1]).Rows.size(), 1) << "NUTRI1 saved a view of this service";
    EXPECT_EQ(r[2].toString(), "");
    EXPECT_EQ(r[3].toString(), "040%S") << "the optional position's display order";
    EXPECT_EQ(packet(r[4]).Rows.size(), 10);
    const QVariantList key{"0001", "00001", DataHora(month)};
    const TDataPacket days = packet(r[5]);
    EXPECT_EQ(days.Rows.size(), count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND "
                                      "CDSERVFILI = ? AND DTMESCARD = ?",
                                      key));
    const TDataPacket dishes = packet(r[6]);
    const int placed = count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
                             "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND "
                             "D.CDSERVFILI = ? AND D.DTMESCARD = ?",
                             key);
    ASSERT_EQ(dishes.Rows.size(), placed);
    // Written straight into the answer's bytes, they are what the server reads as values,
    // names with accents (written the long way) among them.
    db::TDatabase& db = server_.Db();
    EXPECT_EQ(dishes, server::DishesOfMonth(db, "0001", "00001", DataHora(month)));
    EXPECT_EQ(days, server::DaysOfMonth(db, "0001", "00001", DataHora(month)));
    EXPECT_EQ(packet(r[4]), server::PositionsOfMonth(db, "0001", "00001", DataHora(month)));
    EXPECT_TRUE(std::any_of(dishes.Rows.cbegin(), dishes.Rows.cend(), [&](const TPacketRow& row) {
        const QString name = row.Values[dishes.FieldIndex("NMPRATO")].toString();
        return std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() >= 0x80; });
    }));
    const TPacketRow& d = dishes.Rows[0];
    EXPECT_TRUE(d.Values[dishes.FieldIndex("NMPRATO")].toString().startsWith("N"))
        << "the status letter in front of the name";
    EXPECT_TRUE(d.Values[dishes.FieldIndex("NMTIPOPRAT")].toString().startsWith("01001"))
        << "display order 010 and dish type 01";
    const double diners = days.Rows[0].Values[days.FieldIndex("QTCOMESTICAR")].toDouble();
    EXPECT_DOUBLE_EQ(
        d.Values[dishes.FieldIndex("COMENS")].toDouble(),
        RoundDec(d.Values[dishes.FieldIndex("VRPECONSCARD")].toDouble() / 100 * diners, 3));
    const TDataPacket decision = packet(r[7]);
    EXPECT_EQ(decision.Rows.size(), month.daysInMonth() * 10) << "every day, every position";
    double values = 0;
    for (const TPacketRow& row : decision.Rows) {
        values += row.Values[2].toDouble();
    }
    EXPECT_EQ(values, placed);
    EXPECT_EQ(r[8].toList().size(), 17);
    EXPECT_EQ(r[8].toList()[16].toString(), "1");
    EXPECT_EQ(r[10].toList(), (QVariantList{false, false}));
    EXPECT_FALSE(r[12].toBool());
    EXPECT_EQ(r[13].toString(), "N");
    EXPECT_EQ(packet(r[14]).Rows.size(), 1);
    EXPECT_TRUE(packet(r[15]).Rows.isEmpty()) << "no cycle";
    EXPECT_EQ(packet(r[16]).Rows.size(), 1);
}

TEST_P(MonthlyMenuLoad, CentralMenusGroupsAndCycles) {
    const QVariantList hospital = cardapio("NUTRI2", "0003", "00001", month_);
    EXPECT_EQ(hospital[13].toString(), "S") << "follows the central kitchen";
    const QVariantList school = cardapio(demo::GroupOperator, "0004", "00001", month_);
    EXPECT_EQ(school[10].toList(), (QVariantList{true, true}));
    EXPECT_EQ(school[13].toString(), "S");
    const TDataPacket numbers = packet(school[15]);
    ASSERT_FALSE(numbers.Rows.isEmpty());
    for (const TPacketRow& row : numbers.Rows) {
        EXPECT_EQ(row.Values[0].toString().size(), 2);
        EXPECT_GE(row.Values[1].toInt(), 1);
        EXPECT_LE(row.Values[1].toInt(), 20);
    }
    const QVariantList local = cardapio(demo::GroupOperator, "0004", "00002", month_);
    EXPECT_EQ(local[13].toString(), "S") << "both school services are decentralised";
}

TEST_P(MonthlyMenuLoad, ReadOnlyAndRefusals) {
    EXPECT_TRUE(cardapio(demo::ReadOnlyOperator, "0001", "00001", month_)[12].toBool())
        << "an operator who may change nothing";
    EXPECT_TRUE(cardapio("NUTRI1", "0001", "00001", month_.addMonths(-1))[12].toBool())
        << "a month past its changeable days";
    EXPECT_EQ(cardapio("NUTRI1", "0001", "00077", month_)[2].toString(), "Serviço não cadastrado.");
    EXPECT_EQ(cardapio("NUTRI1", "0003", "00001", month_, true)[8].toList()[16].toString(),
              "Operador sem acesso aos cardápios da filial 0003.");
}

TEST_P(MonthlyMenuLoad, DishLinesOfTheGrid) {
    const QString total = " Comensais";
    const auto lines = [&](qlonglong montage) {
        QList<TRpcArg> args{{"0001", false},          {"00001", false},
                            {DataHora(month_), true}, {DataHora(UltimoDiaMes(month_)), false},
                            {montage, true},          {total, false}};
        return call("NUTRI1", "GetStlPratos", args).toList();
    };
    const QStringList diners = lines(0)[0].toString().split('\n');
    const QVariantList key{"0001", "00001", DataHora(month_)};
    EXPECT_EQ(diners.size(),
              count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                    "AND D.DTMESCARD = ?",
                    key) +
                  count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                        "DTMESCARD = ?",
                        key));
    QStringList sorted = diners;
    sorted.sort();
    EXPECT_EQ(diners, sorted);
    // A day's total line, then its dishes.
    const QString firstDay = diners[0].left(2);
    EXPECT_TRUE(diners[0].startsWith(firstDay + total + "%%%%||")) << diners[0].toStdString();
    EXPECT_TRUE(diners[0].endsWith("??"));
    const QString dish = diners[1];
    EXPECT_TRUE(dish.contains(QRegularExpression("^\\d{2}\\d{3}\\d{2}.+%%.+%%N.+\\|\\|[0-9.]+\\?\\?"
                                                 "\\d{4}$")))
        << dish.toStdString();
    // Percentages: rice is taken by 75 % of the day's diners.
    const QStringList percent = lines(1)[0].toString().split('\n');
    EXPECT_TRUE(std::any_of(percent.begin(), percent.end(), [](const QString& l) {
        return l.mid(5, 2) == "03" && l.contains("||75??");
    }));

    server_.Db().Exec("UPDATE CARDADIA SET DSCARDAPIO = 'Festa junina' WHERE CDFILIAL = '0001' "
                      "AND CDSERVFILI = '00001' AND DTCARDAPIO = ?",
                      {DataHora(month_.addDays(4))});
    QList<TRpcArg> desc{{"0001", false},
                        {"00001", false},
                        {DataHora(month_), true},
                        {DataHora(UltimoDiaMes(month_)), true}};
    const QString text = call("NUTRI1", "GetStlDesc", desc).toString();
    EXPECT_TRUE(text.split('\n').contains("05=Festa junina")) << text.toStdString();
}

TEST_P(MonthlyMenuLoad, TheViewIsSavedPerOperator) {
    const auto save = [&](const QString& op, qlonglong mode) {
        QList<TRpcArg> args{{"0001", false}, {"1", true}, {op, false}, {mode, true}};
        return call(op, "GravaVisualCard", args).toString();
    };
    EXPECT_EQ(save("NUTRI1", 0), "");
    EXPECT_EQ(save(demo::ReadOnlyOperator, 1), "");
    EXPECT_EQ(count("SELECT NRVISUALCARD FROM VISUALCARD WHERE CDFILIAL = '0001' AND CDSERVFILI "
                    "= '00001' AND CDOPERADOR = 'NUTRI1'"),
              0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM VISUALCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                    "'00001'"),
              2);
    EXPECT_EQ(save("NUTRI1", 5), "Visualização 5 não existe.");

    // Removed central dishes go when the menu no longer follows a central one.
    const QVariantList key{"0003", "00001", DataHora(month_)};
    const int before = count("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = "
                             "? AND DTMESCARD = ?",
                             key);
    QList<TRpcArg> del{{"0003", false},
                       {"00001", false},
                       {DataHora(month_), true},
                       {DataHora(UltimoDiaMes(month_)), false}};
    call("NUTRI2", "DelCnfCaMes", del);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTMESCARD = ?",
                    key),
              0);
    EXPECT_GT(before, 0) << "the demonstration removed a central dish of that month";
}

// Opening a month reads that month: no statement walks all of a service's or a branch's
// menus (five years of them at a large branch) to find it. SQLite has no statistics
// here, so the plans are what the statements' shapes and the indexes give.
TEST(MonthOpenPlans, NoStatementWalksTheWholeHistory) {
    TEmbeddedServer server(TEngine::SQLite, Hoje());
    auto c = server.Connect("Pla00100.rdmParamCardIndu", server.SignIn("NUTRI1"));
    QList<TRpcArg> args{{"0001", true},
                        {"PLA00101", false},
                        {"00001", true},
                        {"NUTRI1", false},
                        {DataHora(PriDiaMes(Hoje()).addMonths(1)), true},
                        {false, false}};
    QList<QPair<QString, QVariantList>> sent;
    server.Db().SetTrace([&sent](const QString& sql, const QVariantList& params) {
        sent.append({sql, params});
    });
    const QVariant month = c->Call("GetCardapio", args);
    server.Db().SetTrace({});
    ASSERT_EQ(month.typeId(), QMetaType::QVariantList);
    ASSERT_GT(sent.size(), 10);
    // The days, the dishes and the change record may only be searched by a month, a day's
    // number or a date (plans name a table by its alias); a scan, or an index SQLite
    // builds for the statement, walks them all.
    static const QRegularExpression aliased(
        QStringLiteral("\\b(CARDADIA|COMPCARD|HISTCARD)(?:\\s+AS)?\\s+(?!(?:JOIN|CROSS|LEFT|"
                       "INNER|WHERE|ON|ORDER|GROUP|SET)\\b)(\\w+)"));
    static const QRegularExpression bounded(
        QStringLiteral("\\((?=[^)]*(DTMESCARD=|NRCARDAPIO=|DTCARDAPIO[=<>]|rowid=))"));
    int searched = 0;
    for (const auto& [sql, params] : std::as_const(sent)) {
        QStringList big{"CARDADIA", "COMPCARD", "HISTCARD"};
        for (auto m = aliased.globalMatch(sql); m.hasNext();) {
            big << m.next().captured(2);
        }
        const QRegularExpression step(
            QStringLiteral("^(SCAN|SEARCH) (%1)( |$)").arg(big.join(QLatin1Char('|'))));
        QSqlQuery plan = server.Db().Exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, params);
        while (plan.next()) {
            const QString line = plan.value(3).toString();
            const QRegularExpressionMatch m = step.match(line);
            const bool wide = line.contains(QLatin1String("AUTOMATIC")) ||
                              (m.hasMatch() && (m.captured(1) == QLatin1String("SCAN") ||
                                                !bounded.match(line).hasMatch()));
            EXPECT_FALSE(wide) << line.toStdString() << "\n  in " << sql.left(160).toStdString();
            searched += line.contains(QLatin1String("CARDADIA_MES")) ? 1 : 0;
        }
    }
    EXPECT_GE(searched, 2) << "the month's days and its dishes found by the month";
}

INSTANTIATE_TEST_SUITE_P(Engines, MonthlyMenuLoad,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
