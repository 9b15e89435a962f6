// The cost analyses' server side over the demonstration's restaurant, on both engines:
// the dishes a work area keeps (adding up to each day), who may read them, the recipe
// revision list (unrevised recipes, costs changed since the comparison date) and the
// recipes marked revised with who and when, refused without the permission or outside
// the month; and the month read again after the analysis with recipe revision.
#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QMap>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

const QString CustoServ = QStringLiteral("Pla00106.rdmCustoServ");
const QString ParamCardIndu = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");

class CostAnalyses : public ::testing::TestWithParam<TEngine> {
protected:
    CostAnalyses()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& module, const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op = QStringLiteral("NUTRI1")) {
        auto c = server_.Connect(module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    // A work area of next month's lunch, at a fixed reference date when one is given.
    QVariantList area(bool porPrato, const QDate& reference = {},
                      const QString& op = QStringLiteral("NUTRI1")) {
        return call(CustoServ, metodos::GetTrabCusto(),
                    {Filial, Almoco, DataHora(next_), DataHora(UltimoDiaMes(next_)), qlonglong(6),
                     op, reference.isValid(),
                     reference.isValid() ? QVariant(DataHora(reference)) : QVariant(), Filial,
                     porPrato},
                    op)
            .toList();
    }
    TDataPacket dishes(const QString& key) {
        const QVariant v = call(CustoServ, metodos::GetPratosTrabCusto(), {key, Filial});
        EXPECT_EQ(refusal(v), "");
        return ToDataPacket(v);
    }
    TDataPacket revision(const QString& key, const QDate& comparison) {
        const QVariant v =
            call(CustoServ, metodos::GetRevisaoReceita(), {key, Filial, DataHora(comparison)});
        EXPECT_EQ(refusal(v), "");
        return ToDataPacket(v);
    }
    QVariant mark(const QList<std::pair<QString, QString>>& list,
                  const QString& op = QStringLiteral("NUTRI1"), const QString& filial = Filial) {
        TDataPacket p;
        p.Fields = {{"CDFILAUXPRAT", TFieldType::String, 4, false},
                    {"CDPRATO", TFieldType::String, 10, false}};
        for (const auto& [branch, dish] : list) {
            TPacketRow r;
            r.Values = {branch, dish};
            p.Rows.append(r);
        }
        return call(CustoServ, metodos::SetReceitaRevisada(),
                    {filial, Almoco, DataHora(next_), FromDataPacket(p), op}, op);
    }
    // The row of a dish in a packet, by branch of record and code.
    static int rowOf(const TDataPacket& p, const QString& branch, const QString& dish) {
        const int b = p.FieldIndex("CDFILAUXPRAT");
        const int d = p.FieldIndex("CDPRATO");
        for (int i = 0; i < p.Rows.size(); ++i) {
            if (p.Rows[i].Values[b].toString() == branch &&
                p.Rows[i].Values[d].toString() == dish) {
                return i;
            }
        }
        return -1;
    }
    static QVariant value(const TDataPacket& p, int row, const char* field) {
        return p.Rows.value(row).Values.value(p.FieldIndex(QString::fromLatin1(field)));
    }
    // Some dish of next month's lunch, its recipe marked not revised.
    std::pair<QString, QString> unrevisedDish() {
        QSqlQuery q = server_.Db().Exec(
            "SELECT C.CDFILAUXPRAT, C.CDPRATO FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
            "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
            "AND D.DTMESCARD = ? ORDER BY C.CDPRATO",
            {Filial, Almoco, DataHora(next_)});
        EXPECT_TRUE(q.next());
        const std::pair<QString, QString> dish{q.value(0).toString(), q.value(1).toString()};
        server_.Db().Exec(
            "UPDATE PRATO SET IDRECEREVI = 'N' WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
            {dish.first, dish.second});
        return dish;
    }

    TEmbeddedServer server_;
    const QDate next_ = PriDiaMes(Hoje()).addMonths(1);
};

TEST_P(CostAnalyses, TheWorkAreaKeepsEachDishAndTheyAddUpToTheDay) {
    const QVariantList a = area(true);
    const QString key = a.value(0).toString();
    ASSERT_EQ(key.size(), TamanhoNrCardapio) << key.toStdString();
    const TDataPacket days = ToDataPacket(a.value(1));
    const TDataPacket p = dishes(key);
    ASSERT_GT(p.RowCount(), 0);
    QMap<QDate, double> sum;
    for (int i = 0; i < p.RowCount(); ++i) {
        const QDate d = value(p, i, "DTDATA").toDateTime().date();
        sum[d] += value(p, i, "VRCUSTOPRATO").toDouble();
        EXPECT_FALSE(value(p, i, "NMPRATO").toString().isEmpty());
        EXPECT_FALSE(value(p, i, "NMTIPOPRAT").toString().isEmpty()) << "the position's type";
        EXPECT_DOUBLE_EQ(
            value(p, i, "VRCUSTOPRATO").toDouble(),
            RoundDec(value(p, i, "QTPORCAO").toDouble() * value(p, i, "VRCUSTOPORCAO").toDouble(),
                     5));
    }
    int withMenu = 0;
    for (int i = 0; i < days.RowCount(); ++i) {
        const QDate d = value(days, i, "DTDATA").toDateTime().date();
        EXPECT_DOUBLE_EQ(RoundDec(sum.value(d), 5), value(days, i, "VRCUSTPRODMAT").toDouble())
            << d.toString().toStdString();
        withMenu += sum.contains(d) ? 1 : 0;
    }
    EXPECT_EQ(withMenu, sum.size()) << "every dish's day is a day of the area";
    // The same dishes as the menu holds.
    EXPECT_EQ(p.RowCount(),
              count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                    "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
                    "D.DTMESCARD = ?",
                    {Filial, Almoco, DataHora(next_)}));
}

TEST_P(CostAnalyses, OnlyTheOperatorsOwnAreaWithDishesIsRead) {
    const QString plain = area(false).value(0).toString();
    EXPECT_EQ(
        refusal(call(CustoServ, metodos::GetPratosTrabCusto(), {plain, Filial})),
        QString("A área de trabalho de custos %1 não guarda os pratos de cada dia.").arg(plain));
    const QString key = area(true).value(0).toString();
    EXPECT_EQ(refusal(call(CustoServ, metodos::GetPratosTrabCusto(), {key, "0003"})),
              QString("A área de trabalho de custos %1 não é da filial 0003.").arg(key));
    EXPECT_EQ(refusal(call(CustoServ, metodos::GetPratosTrabCusto(), {key, Filial}, "CONSULTA")),
              QString("A área de trabalho de custos %1 é de outro operador.").arg(key));
    EXPECT_EQ(refusal(call(CustoServ, metodos::GetRevisaoReceita(), {key, Filial, DataHora(next_)},
                           "CONSULTA")),
              QString("A área de trabalho de custos %1 é de outro operador.").arg(key));
    EXPECT_EQ(refusal(call(CustoServ, metodos::DelConsplan(), {key, Filial})), "");
    EXPECT_EQ(refusal(call(CustoServ, metodos::GetPratosTrabCusto(), {key, Filial})),
              QString("A área de trabalho de custos %1 não existe mais: calcule os custos de novo.")
                  .arg(key));
}

TEST_P(CostAnalyses, TheRevisionListsUnrevisedRecipesAndCostsChangedSinceTheComparison) {
    const auto [branch, dish] = unrevisedDish();
    // Valued at a fixed date and compared with that date: no cost changed.
    const QString key = area(true, next_).value(0).toString();
    const TDataPacket same = revision(key, next_);
    ASSERT_GT(same.RowCount(), 1);
    for (int i = 0; i < same.RowCount(); ++i) {
        const bool unrevised = value(same, i, "CDPRATO").toString() == dish &&
                               value(same, i, "CDFILAUXPRAT").toString() == branch;
        EXPECT_DOUBLE_EQ(value(same, i, "VRCUSTOREF").toDouble(),
                         value(same, i, "VRCUSTOMES").toDouble());
        EXPECT_EQ(value(same, i, "IDPENDENTE").toString(), unrevised ? "S" : "N")
            << value(same, i, "NMPRATO").toString().toStdString();
        EXPECT_EQ(value(same, i, "IDRECEREVI").toString(), unrevised ? "N" : "S");
        EXPECT_GT(value(same, i, "QTVEZES").toInt(), 0);
    }
    ASSERT_GE(rowOf(same, branch, dish), 0);
    EXPECT_EQ(
        same.RowCount(),
        count("SELECT COUNT(*) FROM (SELECT DISTINCT CDFILAUXPRAT, CDPRATO FROM TRABCUSTOPRAT "
              "WHERE NRTRABCUSTO = ?) X",
              {key}));

    // Compared with three months before, the prices drifted: every revised recipe whose
    // cost changed is to revise, with its variation.
    const QDate before = next_.addMonths(-3);
    const TDataPacket drifted = revision(key, before);
    int changed = 0;
    for (int i = 0; i < drifted.RowCount(); ++i) {
        const double then = value(drifted, i, "VRCUSTOREF").toDouble();
        const double now = value(drifted, i, "VRCUSTOMES").toDouble();
        const bool unrevised = value(drifted, i, "IDRECEREVI").toString() == "N";
        EXPECT_EQ(value(drifted, i, "IDPENDENTE").toString(), unrevised || then != now ? "S" : "N");
        if (then != now && then > 0) {
            ++changed;
            EXPECT_DOUBLE_EQ(value(drifted, i, "VRVARIACAO").toDouble(),
                             RoundDec((now - then) / then * 100, 2));
        }
    }
    EXPECT_GT(changed, 0);
}

TEST_P(CostAnalyses, MarkingARecipeRevisedRecordsWhoAndWhen) {
    const auto [branch, dish] = unrevisedDish();
    const QDateTime from = Agora().addSecs(-1);
    const QVariant answer = mark({{branch, dish}});
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(answer.toInt(), 1);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                          {branch, dish})
                  .toString(),
              "S");
    QSqlQuery r = server_.Db().Exec(
        "SELECT NRREVISAO, CDOPERADOR, DTREVISAO, CDFILIAL, CDSERVFILI, DTMESCARD, "
        "IDRECEREVIANT FROM REVRECEITA WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
        {branch, dish});
    ASSERT_TRUE(r.next());
    EXPECT_EQ(r.value(0).toInt(), 1);
    EXPECT_EQ(r.value(1).toString(), "NUTRI1");
    const QDateTime when = server_.Db().FromSql(TFieldType::DateTime, r.value(2)).toDateTime();
    EXPECT_GE(when, from);
    EXPECT_LE(when, Agora().addSecs(1));
    EXPECT_EQ(r.value(3).toString(), Filial);
    EXPECT_EQ(r.value(4).toString(), Almoco);
    EXPECT_EQ(server_.Db().FromSql(TFieldType::DateTime, r.value(5)).toDateTime().date(), next_);
    EXPECT_EQ(r.value(6).toString(), "N") << "the recipe was not revised before";
    EXPECT_FALSE(r.next());

    // The revision list says who revised it, and it is no longer to revise.
    const QString key = area(true, next_).value(0).toString();
    const TDataPacket after = revision(key, Hoje());
    const int row = rowOf(after, branch, dish);
    ASSERT_GE(row, 0);
    EXPECT_EQ(value(after, row, "IDPENDENTE").toString(), "N");
    EXPECT_EQ(value(after, row, "CDOPERREVI").toString(), "NUTRI1");
    EXPECT_EQ(value(after, row, "NMOPERREVI").toString(), "Fernanda Lima");
    EXPECT_LE(std::abs(value(after, row, "DTREVISAO").toDateTime().secsTo(when)), 1);

    // Marked again: a second record, the recipe revised before.
    EXPECT_EQ(mark({{branch, dish}}).toInt(), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM REVRECEITA WHERE CDFILAUXPRAT = ? AND CDPRATO = ? AND "
                    "NRREVISAO = 2 AND IDRECEREVIANT = 'S'",
                    {branch, dish}),
              1);
}

TEST_P(CostAnalyses, MarkingIsRefusedWithoutThePermissionOrOutsideTheMonth) {
    const auto [branch, dish] = unrevisedDish();
    const auto untouched = [&] {
        EXPECT_EQ(count("SELECT COUNT(*) FROM REVRECEITA"), 0);
        EXPECT_EQ(server_.Db()
                      .Scalar("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                              {branch, dish})
                      .toString(),
                  "N");
    };
    // NUTRI2 may not analyse costs with recipe revision.
    ASSERT_EQ(server_.Db()
                  .Scalar("SELECT DSPERMISSAO FROM OPERADOR WHERE CDOPERADOR = ?",
                          {QString::fromLatin1(demo::RestrictedPlanner)})
                  .toString()
                  .at(Posicao(TAutorizacao::AnalisarCustoRevRece)),
              QChar('0'));
    EXPECT_EQ(refusal(mark({{branch, dish}}, QString::fromLatin1(demo::RestrictedPlanner))),
              "Operador sem permissão para marcar receitas como revisadas.");
    untouched();
    // Nor may one mark from a branch one may not change.
    EXPECT_TRUE(refusal(mark({{branch, dish}}, "NUTRI1", "0003")).contains("0003"));
    untouched();
    // A dish not in the month refuses the whole call.
    EXPECT_EQ(refusal(mark({{branch, dish}, {branch, "9999999999"}})),
              QString("O prato 9999999999 não está no cardápio de %1 do serviço 00001.")
                  .arg(FormatDateTime("mm/yyyy", next_)));
    untouched();
    EXPECT_EQ(refusal(mark({})), "Nenhum prato foi marcado.");
    untouched();
}

TEST_P(CostAnalyses, TheMonthAfterTheRevisionIsItsDaysAndDishes) {
    const QVariantList args{Filial,       Almoco, DataHora(next_), DataHora(UltimoDiaMes(next_)),
                            qlonglong(0), "N"};
    const QVariantList again = call(ParamCardIndu, metodos::GetAtualizaCustos(), args).toList();
    ASSERT_EQ(again.size(), 2);
    const TMesRecarregado month =
        TMesRecarregado::FromWire(call(ParamCardIndu, metodos::getDelCard(), args), false);
    EXPECT_EQ(ToDataPacket(again[0]), ToDataPacket(month.CardaDia));
    EXPECT_EQ(ToDataPacket(again[1]), ToDataPacket(month.CompCard));
    EXPECT_GT(ToDataPacket(again[1]).RowCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, CostAnalyses,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
