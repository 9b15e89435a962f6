// The price lists of a branch's purchasing central and the costs they update, over the
// demonstration: every branch has last month's list, already applied, and this month's,
// still to apply; none has a purchasing central of its own until a test gives it one.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QMap>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("CMP02500.rdmProdCmpFilial");

class PriceLists : public ::testing::TestWithParam<TEngine> {
protected:
    PriceLists()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& module, const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op = QStringLiteral("NUTRI1")) {
        auto c = server_.Connect(module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }
    TDataPacket lists(const QString& branch, const QString& op = QStringLiteral("NUTRI1")) {
        return ToDataPacket(
            call(Module, metodos::GetPrevLista(), {branch, DataHora(processing(branch))}, op));
    }
    QVariant update(const QString& central, const QString& numbers, const QString& branch,
                    const QString& op = QStringLiteral("NUTRI1")) {
        return call(Module, metodos::Atu_Custo_ListPr(), {central, numbers, branch, op}, op);
    }
    QDate processing(const QString& branch) {
        return server_.Db()
            .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = ?", {branch})
            .toDateTime()
            .date();
    }
    static QString listNumber(const QDate& start) {
        return QStringLiteral("%1").arg(start.year() * 100 + start.month(), 10, 10,
                                        QLatin1Char('0'));
    }
    // Every product cost of every branch: "branch type product date" -> unit cost.
    QMap<QString, double> costs() {
        QSqlQuery q = server_.Db().Exec(
            "SELECT CDFILIAL, NRTIPOCUSTO, CDPRODUTO, DTVIGENCIA, VRCUSTUNIT FROM CUSTOPROD");
        QMap<QString, double> out;
        while (q.next()) {
            out.insert(QStringLiteral("%1 %2 %3 %4")
                           .arg(q.value(0).toString(), q.value(1).toString(),
                                q.value(2).toString().trimmed(),
                                q.value(3).toDateTime().date().toString(Qt::ISODate)),
                       q.value(4).toDouble());
        }
        return out;
    }
    // What a list's items make of the costs: each item's price for the three cost types
    // from the list's first day.
    QMap<QString, double> expected(const QString& branch, const QString& number,
                                   const QDate& start) {
        QSqlQuery q = server_.Db().Exec("SELECT CDPRODUTO, VRPRECO FROM ITEMLISTAPRECO WHERE "
                                        "CDFILIAL = ? AND NRSEQPRELIST = ?",
                                        {branch, number});
        QMap<QString, double> out;
        while (q.next()) {
            for (const int type : TiposCustoListaPreco) {
                out.insert(QStringLiteral("%1 %2 %3 %4")
                               .arg(branch)
                               .arg(type)
                               .arg(q.value(0).toString().trimmed(), start.toString(Qt::ISODate)),
                           q.value(1).toDouble());
            }
        }
        return out;
    }
    // The costs that differ between two readings, as the second has them.
    static QMap<QString, double> changed(const QMap<QString, double>& before,
                                         const QMap<QString, double>& after) {
        QMap<QString, double> out;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            if (!before.contains(it.key()) || before.value(it.key()) != it.value()) {
                out.insert(it.key(), it.value());
            }
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            EXPECT_TRUE(after.contains(it.key())) << "no cost goes";
        }
        return out;
    }
    // A list of the branch with the given items, still to apply.
    void addList(const QString& branch, const QString& number, const QDate& start, const QDate& end,
                 const QList<std::pair<QString, double>>& items) {
        server_.Db().Exec("INSERT INTO LISTAPRECO (CDFILIAL, NRSEQPRELIST, DSPREVLIST, "
                          "DTINIVALLIST, DTFINVALLIST, IDATUCUSLIST) VALUES (?, ?, 'Lista de "
                          "teste', ?, ?, 'S')",
                          {branch, number, DataHora(start), DataHora(end)});
        for (const auto& [product, price] : items) {
            server_.Db().Exec("INSERT INTO ITEMLISTAPRECO (CDFILIAL, NRSEQPRELIST, CDPRODUTO, "
                              "VRPRECO) VALUES (?, ?, ?, ?)",
                              {branch, number, product, price});
        }
    }
    QString flag(const QString& branch, const QString& number) {
        return server_.Db()
            .Scalar("SELECT IDATUCUSLIST FROM LISTAPRECO WHERE CDFILIAL = ? AND NRSEQPRELIST = ?",
                    {branch, number})
            .toString();
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QString current_ = listNumber(month_);
    const QString previous_ = listNumber(month_.addMonths(-1));
};

TEST_P(PriceLists, TheListsInForceAndToComeOfThePurchasingCentralNewestFirst) {
    const QDate processed = processing("0001");
    // A list of next month, and one that ended before the processing date.
    addList("0001", "0000000001", month_.addMonths(1), UltimoDiaMes(month_.addMonths(1)), {});
    addList("0001", "0000000002", month_.addMonths(-3), processed.addDays(-1), {});
    const TDataPacket p = lists("0001");
    const int nr = p.FieldIndex("NRSEQPRELIST");
    ASSERT_EQ(p.Fields.size(), 7);
    const QStringList fields{"IDMARCADO",    "CDFILIAL",     "NRSEQPRELIST", "DSPREVLIST",
                             "DTINIVALLIST", "DTFINVALLIST", "IDATUCUSLIST"};
    for (int i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(p.Fields[i].Name, fields[i]);
    }
    QStringList numbers;
    for (const TPacketRow& r : p.Rows) {
        numbers << r.Values[nr].toString();
        EXPECT_EQ(r.Values[0].toString(), "N") << "unmarked";
        EXPECT_EQ(r.Values[1].toString(), "0001") << "the branch buys for itself";
        EXPECT_GE(r.Values[5].toDateTime().date(), processed);
    }
    // Last month's list is still in force when today is the first of the month.
    QStringList expectedNumbers{current_, "0000000001"};
    if (UltimoDiaMes(month_.addMonths(-1)) >= processed) {
        expectedNumbers.insert(1, previous_);
    }
    EXPECT_EQ(numbers, expectedNumbers);
    EXPECT_EQ(p.Rows[0].Values[6].toString(), "S");
    EXPECT_EQ(p.Rows[0].Values[4].toDateTime().date(), month_);

    // With a purchasing central, its lists.
    server_.Db().Exec("UPDATE FILIAL SET CDFILCENTCMP = '0002' WHERE CDFILIAL = '0001'");
    const TDataPacket central = lists("0001");
    ASSERT_FALSE(central.Rows.isEmpty());
    for (const TPacketRow& r : central.Rows) {
        EXPECT_EQ(r.Values[1].toString(), "0002");
        EXPECT_NE(r.Values[nr].toString(), "0000000001");
    }
    EXPECT_EQ(
        refusal(call(Module, metodos::GetPrevLista(), {"0001", DataHora(processed)}, "HOSP1")),
        "Operador sem acesso aos custos da filial 0001.");
}

TEST_P(PriceLists, AnUpdateChangesExactlyTheCostsOfItsProductsAndOnlyOnce) {
    const QMap<QString, double> before = costs();
    const QMap<QString, double> wanted = expected("0001", current_, month_);
    ASSERT_GT(wanted.size(), 10);
    // The demonstration priced every product monthly: the list's first day has prices.
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        ASSERT_TRUE(before.contains(it.key())) << it.key().toStdString();
        ASSERT_NE(before.value(it.key()), it.value());
    }
    const QVariant answer = update("0001", current_, "0001");
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(answer.toList().value(int(TElemAtuCustoLista::Listas)).toInt(), 1);
    EXPECT_EQ(answer.toList().value(int(TElemAtuCustoLista::Custos)).toInt(), wanted.size());
    const QMap<QString, double> after = costs();
    EXPECT_EQ(changed(before, after), wanted);
    EXPECT_EQ(after.size(), before.size()) << "every price updated in place";
    EXPECT_EQ(flag("0001", current_), "N");
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT CDOPERATUCUS FROM LISTAPRECO WHERE CDFILIAL = '0001' AND "
                          "NRSEQPRELIST = ?",
                          {current_})
                  .toString(),
              "NUTRI1");
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT DTATUCUSLIST FROM LISTAPRECO WHERE CDFILIAL = '0001' AND "
                          "NRSEQPRELIST = ?",
                          {current_})
                  .toDateTime()
                  .date(),
              Hoje());

    // A second update changes nothing, not even a price changed since, and says so.
    const QString product = wanted.firstKey().section(' ', 2, 2);
    server_.Db().Exec("UPDATE CUSTOPROD SET VRCUSTUNIT = 1234.5 WHERE CDFILIAL = '0001' AND "
                      "NRTIPOCUSTO = 6 AND CDPRODUTO = ? AND DTVIGENCIA = ?",
                      {product, DataHora(month_)});
    const QMap<QString, double> edited = costs();
    EXPECT_EQ(
        refusal(update("0001", current_, "0001")),
        QString("A lista de preços %1 já atualizou o custo: nada foi alterado.").arg(current_));
    EXPECT_EQ(
        refusal(update("0001", QString(" %1 ; %2 ").arg(current_).arg(current_.toInt()), "0001")),
        QString("A lista de preços %1 já atualizou o custo: nada foi alterado.").arg(current_))
        << "the same list twice, padded or not";
    EXPECT_EQ(costs(), edited);

    // With a list still to apply beside it, only that one is applied.
    const QDate start = month_.addDays(9);
    addList("0001", "0000000003", start, UltimoDiaMes(month_), {{product, 9.87}});
    const QVariant mixed = update("0001", current_ + ";0000000003", "0001");
    ASSERT_EQ(refusal(mixed), "");
    EXPECT_EQ(mixed.toList().value(int(TElemAtuCustoLista::Listas)).toInt(), 1);
    EXPECT_EQ(changed(edited, costs()), expected("0001", "0000000003", start))
        << "a day without prices gets them: inserted";
    EXPECT_EQ(costs().size(), edited.size() + 3);
}

TEST_P(PriceLists, TheMonthsCostPerServingFollowsThroughTheCostRule) {
    // A dish of next month's lunch on a day from the 10th, and a product of its recipe.
    QSqlQuery q = server_.Db().Exec(
        "SELECT D.DTCARDAPIO, C.CDFILAUXPRAT, C.CDPRATO, R.CDPRODUTO, R.QTPERCAPITA, "
        "R.QTFATORCORR FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND "
        "C.NRCARDAPIO = D.NRCARDAPIO JOIN RECEITA R ON R.CDFILAUXPRAT = C.CDFILAUXPRAT AND "
        "R.CDPRATO = C.CDPRATO WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' AND "
        "D.DTCARDAPIO >= ? ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, R.CDPRODUTO",
        {DataHora(month_.addMonths(1).addDays(9))});
    ASSERT_TRUE(q.next());
    const QDate day = q.value(0).toDateTime().date();
    const QString dishBranch = q.value(1).toString().trimmed();
    const QString dish = q.value(2).toString().trimmed();
    const QString product = q.value(3).toString().trimmed();
    const double gross = q.value(4).toDouble() * q.value(5).toDouble();
    q.finish();
    const auto perServing = [&](const QDate& at) {
        const QVariantList work = call("Pla00106.rdmCustoServ", metodos::GetTrabCusto(),
                                       {"0001", "00001", DataHora(at), DataHora(at), qlonglong(6),
                                        "NUTRI1", false, QVariant(), "0001", true})
                                      .toList();
        EXPECT_EQ(work.size(), 2);
        return server_.Db()
            .Scalar("SELECT VRCUSTOPORCAO FROM TRABCUSTOPRAT WHERE NRTRABCUSTO = ? AND "
                    "CDFILAUXPRAT = ? AND CDPRATO = ?",
                    {work.value(0), dishBranch, dish})
            .toDouble();
    };
    const QVariant old = server_.Db().Scalar(
        "SELECT VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = '0001' AND NRTIPOCUSTO = 6 AND "
        "CDPRODUTO = ? AND DTVIGENCIA <= ? ORDER BY DTVIGENCIA DESC",
        {product, DataHora(day)});
    ASSERT_FALSE(old.isNull());
    const double price = RoundDec(old.toDouble() * 2 + 1, 2);
    const double before = perServing(day);
    const double dayBefore = perServing(day.addDays(-1));
    addList("0001", "0000000004", day, UltimoDiaMes(day), {{product, price}});
    ASSERT_EQ(refusal(update("0001", "4", "0001")), "") << "the number as typed";
    EXPECT_NEAR(perServing(day) - before, gross * (price - old.toDouble()), 0.0001);
    EXPECT_DOUBLE_EQ(perServing(day.addDays(-1)), dayBefore) << "from the list's first day on";
}

TEST_P(PriceLists, WithoutAPurchasingCentralTheBranchBuysForItself) {
    const QMap<QString, double> before = costs();
    EXPECT_EQ(refusal(update("0002", current_, "0001")),
              "A filial 0002 não é a central de compras da filial 0001 (a central é 0001).");
    EXPECT_EQ(costs(), before);
    ASSERT_EQ(refusal(update("0001", current_, "0001")), "");
    EXPECT_EQ(changed(before, costs()), expected("0001", current_, month_));

    // Given a central, the central's lists write the central's costs.
    server_.Db().Exec("UPDATE FILIAL SET CDFILCENTCMP = '0002' WHERE CDFILIAL = '0003'");
    const QMap<QString, double> middle = costs();
    EXPECT_EQ(refusal(update("0003", current_, "0003", "HOSP1")),
              "A filial 0003 não é a central de compras da filial 0003 (a central é 0002).");
    // Its prices serve every branch it buys for: the central's own access is needed.
    EXPECT_EQ(refusal(update("0002", current_, "0003", "HOSP1")),
              "Operador sem acesso aos custos da central de compras 0002.");
    EXPECT_EQ(costs(), middle);
    ASSERT_EQ(refusal(update("0002", current_, "0003", "SUPERV")), "");
    EXPECT_EQ(changed(middle, costs()), expected("0002", current_, month_));
    EXPECT_EQ(flag("0003", current_), "S") << "the branch's own list stays to apply";
}

TEST_P(PriceLists, RefusalsWriteNothing) {
    const QMap<QString, double> before = costs();
    addList("0001", "0000000005", month_.addMonths(-3), processing("0001").addDays(-1),
            {{before.firstKey().section(' ', 2, 2), 1.0}});
    EXPECT_EQ(refusal(update("0001", " ; ", "0001")), "Nenhuma lista de preços foi escolhida.");
    EXPECT_EQ(refusal(update("0001", "0000009999", "0001")),
              "Lista de preços 0000009999 não cadastrada na central de compras 0001.");
    EXPECT_EQ(refusal(update("0001", current_ + ";5", "0001")),
              QString("A lista de preços 0000000005 venceu em %1.")
                  .arg(FormatDateTime("dd/mm/yyyy", processing("0001").addDays(-1))))
        << "one list refused, none applied";
    EXPECT_EQ(refusal(update("0001", current_, "0001", "CONSULTA")),
              "Operador sem permissão para atualizar o custo pela lista de preços.");
    EXPECT_EQ(refusal(update("0001", current_, "0001", "HOSP1")),
              "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_EQ(costs(), before);
    EXPECT_EQ(flag("0001", current_), "S");
}

INSTANTIATE_TEST_SUITE_P(Engines, PriceLists,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
