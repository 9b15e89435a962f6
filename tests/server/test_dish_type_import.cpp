// A month's dish types brought from another month or service of the branch
// (Pla00121.rdmImpTipoPrat), over the demonstration: the restaurant's lunch (branch 0001,
// service 00001: dish types 01 to 10 in orders 10 to 100) takes the breakfast's (service
// 00003: types 12, 13 and 09 in orders 10, 20 and 30).
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00121.rdmImpTipoPrat");
const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");
const QString Cafe = QStringLiteral("00003");

// A line of the preview.
struct TLine {
    int Order = 0;
    QString Action;
    QString Type;
    int Seq = 0;
    QString TargetType;
    int Days = 0;
    int Blocked = 0;
    QString Loses;
    QString Refusal;
};

class DishTypeImport : public ::testing::TestWithParam<TEngine> {
protected:
    DishTypeImport()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const TMethodSpec& m, const QVariantList& values,
                  const QString& op = QStringLiteral("NUTRI1")) {
        auto c = server_.Connect(Module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(m, values);
        return c->Call(m.Name, args);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    QVariantList preview(const QDate& month, const QString& from = Cafe,
                         const QDate& fromMonth = QDate()) {
        const QVariant answer =
            call(metodos::GetPrevTipoPrat(), {Filial, Almoco, DataHora(month), from,
                                              DataHora(fromMonth.isValid() ? fromMonth : next_)});
        EXPECT_EQ(refusal(answer), "");
        return answer.toList();
    }
    static QList<TLine> lines(const QVariantList& answer) {
        const TDataPacket p = ToDataPacket(answer.value(int(TElemPrevTipoPrat::Linhas)));
        QList<TLine> out;
        for (const TPacketRow& r : p.Rows) {
            const auto v = [&](const char* f) { return r.Values[p.FieldIndex(f)]; };
            out.append(
                {v("NRORDCNFMES").toInt(), v("IDACAO").toString(), v("CDTIPOPRAT").toString(),
                 v("NRSEQCNFMES").toInt(), v("CDTIPOPRATDEST").toString(), v("QTDIASPRATO").toInt(),
                 v("QTDIASBLOQ").toInt(), v("IDPERDEPRATOS").toString(), v("DSRECUSA").toString()});
        }
        return out;
    }
    QVariant import(const QString& bring, const QString& remove, const QString& confirmed,
                    const QDate& month = QDate(), const QString& op = QStringLiteral("NUTRI1"),
                    const QString& from = Cafe, const QDate& fromMonth = QDate()) {
        return call(metodos::ImportaTipoPrat(),
                    {Filial, Almoco, DataHora(month.isValid() ? month : next_), from,
                     DataHora(fromMonth.isValid() ? fromMonth : next_), bring, remove, confirmed,
                     op},
                    op);
    }
    // Order, dish type and flags of the lunch's positions of a month, by order.
    QStringList positions(const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDCONCNFMES, IDIMPCNFMES "
            "FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
            "NRORDCNFMES",
            {Filial, Almoco, DataHora(month)});
        QStringList out;
        while (q.next()) {
            out << QStringLiteral("%1@%2 %3 %4%5%6")
                       .arg(q.value(0).toInt())
                       .arg(q.value(1).toInt())
                       .arg(q.value(2).toString().trimmed(), q.value(3).toString(),
                            q.value(4).toString(), q.value(5).toString());
        }
        return out;
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    int dishesIn(int seq) {
        return count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                     "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                     "AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = ?",
                     {Filial, Almoco, DataHora(next_), seq});
    }
    // What a refused import must leave as it was.
    QStringList fingerprint() {
        QStringList out = positions(next_);
        for (const char* t : {"CNFCARDMES", "COMPCARD", "PRATEXCL", "CARDESP"}) {
            out << QString::number(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)));
        }
        return out;
    }
    // Blocks next month's days before the given one.
    void blockUntil(const QDate& firstChangeable) {
        const QDate processing =
            server_.Db()
                .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = ?", {Filial})
                .toDateTime()
                .date();
        server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = ?",
                          {qlonglong(processing.daysTo(firstChangeable)), Filial});
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

TEST_P(DishTypeImport, ThePreviewMatchesThePositionsByOrderAndSaysWhatEachWouldDo) {
    const QVariantList answer = preview(next_);
    ASSERT_EQ(answer.size(), int(TElemPrevTipoPrat::Quantidade));
    EXPECT_EQ(answer[int(TElemPrevTipoPrat::Origem)].toString(), "M");
    const QList<TLine> l = lines(answer);
    ASSERT_EQ(l.size(), 10);
    // The breakfast's three types meet the lunch's first three positions.
    EXPECT_EQ(l[0].Order, 10);
    EXPECT_EQ(l[0].Action, "A");
    EXPECT_EQ(l[0].Type, "12");
    EXPECT_EQ(l[0].TargetType, "01");
    EXPECT_EQ(l[0].Seq, 1);
    EXPECT_EQ(l[0].Days, count("SELECT COUNT(DISTINCT D.DTCARDAPIO) FROM COMPCARD C JOIN "
                               "CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                               "C.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' "
                               "AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = 1",
                               {DataHora(next_)}));
    EXPECT_GT(l[0].Days, 10);
    EXPECT_EQ(l[0].Blocked, 0);
    EXPECT_EQ(l[0].Loses, "S") << "another dish type takes the rice's dishes";
    EXPECT_EQ(l[0].Refusal, "");
    EXPECT_EQ(l[2].Type, "09");
    // The lunch's other positions the breakfast has not: removed only if asked.
    for (int i = 3; i < 10; ++i) {
        EXPECT_EQ(l[i].Action, "E") << i;
        EXPECT_EQ(l[i].Order, (i + 1) * 10);
        EXPECT_EQ(l[i].Type, QString("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
    }
    // The same month of the same service is no origin; neither is a month without its
    // own positions, nor a service of another branch's menus.
    EXPECT_EQ(refusal(call(metodos::GetPrevTipoPrat(),
                           {Filial, Almoco, DataHora(next_), Almoco, DataHora(next_)})),
              "Os tipos de prato vêm de outro mês ou de outro serviço: escolha uma origem "
              "diferente do próprio cardápio.");
    const QDate later = next_.addMonths(12);
    EXPECT_EQ(refusal(call(metodos::GetPrevTipoPrat(),
                           {Filial, Almoco, DataHora(next_), Cafe, DataHora(later)})),
              QString("O serviço 00003 não tem configuração de cardápio em %1.")
                  .arg(FormatDateTime("mm/yyyy", later)));
    EXPECT_EQ(refusal(call(metodos::GetPrevTipoPrat(),
                           {"0003", "00001", DataHora(next_), "00002", DataHora(next_)})),
              "Os cardápios da filial 0003 seguem os da matriz: seus tipos de prato não são "
              "importados.");

    // This month's lunch is next month's: nothing to change.
    for (const TLine& same : lines(preview(next_, Almoco, month_))) {
        EXPECT_EQ(same.Action, "I") << same.Order;
    }
}

TEST_P(DishTypeImport, TheOriginsAreTheBranchsMonthsWithPositionsButTheMonthItself) {
    const QVariant answer = call(metodos::GetOrigensTipoPrat(), {Filial, Almoco, DataHora(next_)});
    ASSERT_EQ(refusal(answer), "");
    const TDataPacket p = ToDataPacket(answer);
    EXPECT_EQ(p.RowCount(),
              count("SELECT COUNT(*) FROM (SELECT DISTINCT CDSERVFILI, DTREFECNFMES FROM "
                    "CNFCARDMES WHERE CDFILIAL = '0001') X") -
                  1);
    bool breakfast = false;
    for (const TPacketRow& r : p.Rows) {
        const QString service = r.Values[p.FieldIndex("CDSERVFILI")].toString();
        const QDate month = r.Values[p.FieldIndex("DTREFECNFMES")].toDateTime().date();
        EXPECT_FALSE(service == Almoco && month == next_) << "not the month itself";
        if (service == Cafe && month == next_) {
            breakfast = true;
            EXPECT_EQ(r.Values[p.FieldIndex("QTPOSICOES")].toInt(), 3);
            EXPECT_EQ(r.Values[p.FieldIndex("NMSERVICO")].toString(), "Café da manhã");
        }
    }
    EXPECT_TRUE(breakfast);
}

TEST_P(DishTypeImport, TypesChangedWithTheDishesTheyTakeOnlyWhenThePlannerAgreed) {
    const QStringList before = fingerprint();
    const int riceDishes = dishesIn(1);
    const int beanDishes = dishesIn(2);
    ASSERT_GT(riceDishes, 0);
    // Not agreed: nothing written.
    const QString notAgreed = refusal(import("10;20", QString(), "1"));
    EXPECT_TRUE(notAgreed.startsWith("A posição 2 (FEIJÃO) tem pratos a partir do dia"))
        << notAgreed.toStdString();
    EXPECT_EQ(fingerprint(), before);

    const QVariant answer = import("10;20", QString(), "1;2");
    ASSERT_EQ(refusal(answer), "");
    const QVariantList r = answer.toList();
    EXPECT_EQ(r.value(int(TElemImpTipoPrat::Posicoes)).toInt(), 2);
    EXPECT_EQ(r.value(int(TElemImpTipoPrat::PratosExcluidos)).toInt(), riceDishes + beanDishes)
        << "the dishes of both positions, every day of the month being changeable";
    EXPECT_EQ(dishesIn(1), 0);
    EXPECT_EQ(dishesIn(2), 0);
    const QStringList after = positions(next_);
    ASSERT_EQ(after.size(), 10);
    EXPECT_EQ(after[0], "1@10 12 NNS") << "the breakfast's bread in the rice's place";
    EXPECT_EQ(after[1], "2@20 13 NNS");
    EXPECT_EQ(after[2], "3@30 03 NSS") << "not chosen: as it was";
    EXPECT_EQ(positions(month_).size(), 10) << "only the month chosen";
}

TEST_P(DishTypeImport, NewPositionsAndRemovalsAndNothingToDo) {
    // The breakfast gets a soup in order 110, which the lunch has not.
    server_.Db().Exec("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES, "
                      "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) VALUES "
                      "('0001', '00003', ?, 4, '11', 'S', 'N', 110, 'N')",
                      {DataHora(next_)});
    const QList<TLine> l = lines(preview(next_));
    ASSERT_EQ(l.size(), 11);
    EXPECT_EQ(l.last().Order, 110);
    EXPECT_EQ(l.last().Action, "N");
    EXPECT_EQ(l.last().Loses, "N");
    const int juice = dishesIn(10);
    ASSERT_GT(juice, 0);
    const QVariant answer = import("110", "100", "10");
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(answer.toList().value(int(TElemImpTipoPrat::Posicoes)).toInt(), 2);
    EXPECT_EQ(answer.toList().value(int(TElemImpTipoPrat::PratosExcluidos)).toInt(), juice);
    const QStringList after = positions(next_);
    ASSERT_EQ(after.size(), 10);
    EXPECT_EQ(after[8], "9@90 09 NNS");
    EXPECT_TRUE(after[9].endsWith("@110 11 SNN")) << after[9].toStdString();
    EXPECT_FALSE(after[9].startsWith("10@")) << "a fresh number, not the juice's";

    // Types the month has already: nothing written, nothing said imported.
    const QStringList before = fingerprint();
    const QVariant same = import("10;20;30", QString(), QString(), next_, "NUTRI1", Almoco, month_);
    ASSERT_EQ(refusal(same), "");
    EXPECT_EQ(same.toList().value(int(TElemImpTipoPrat::Posicoes)).toInt(), 0);
    EXPECT_EQ(fingerprint(), before);
    // Nothing chosen, or orders that are not the import's.
    EXPECT_EQ(refusal(import(QString(), QString(), QString())),
              "Marque ao menos um tipo de prato para importar.");
    EXPECT_EQ(refusal(import("70", QString(), QString())),
              "A ordem 70 não tem tipo de prato na configuração de origem.");
    EXPECT_EQ(refusal(import(QString(), "10", QString())),
              "A ordem 10 não é de uma posição do mês que falta na configuração de origem.");
    EXPECT_EQ(refusal(import("1x", QString(), QString())), "Ordem inválida: 1x.");
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(DishTypeImport, APositionWithDishesOnBlockedDaysRefusesAnotherTypeAndNothingIsWritten) {
    // The rice and the option hold dishes on the first days of next month, now blocked.
    const auto firstDishOf = [this](int seq) {
        return server_.Db()
            .Scalar("SELECT MIN(D.DTCARDAPIO) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
                    "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND "
                    "D.CDSERVFILI = '00001' AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = ?",
                    {DataHora(next_), seq})
            .toDateTime()
            .date();
    };
    const QDate firstDish = firstDishOf(1);
    ASSERT_TRUE(firstDish.isValid() && firstDishOf(4).isValid());
    const QDate firstChangeable = std::max(firstDish, firstDishOf(4)).addDays(1);
    blockUntil(firstChangeable);
    const QString expected =
        QString("A posição 1 (ARROZ) tem pratos no dia %1, que não pode mais ser alterado: seu "
                "tipo de prato e se é opcional ou contada ficam como estão.")
            .arg(FormatDateTime("dd/mm/yyyy", firstDish));
    const QList<TLine> l = lines(preview(next_));
    EXPECT_EQ(l[0].Refusal, expected);
    EXPECT_GT(l[0].Blocked, 0);
    EXPECT_TRUE(l[3].Refusal.startsWith("A posição 4 (OPÇÃO) não pode ser excluída"))
        << "nor be removed";

    const QStringList before = fingerprint();
    EXPECT_EQ(refusal(import("10;20", QString(), "1;2")), expected);
    EXPECT_EQ(fingerprint(), before) << "the bean's change went with the refusal";
    EXPECT_TRUE(refusal(import(QString(), "40", "4"))
                    .startsWith("A posição 4 (OPÇÃO) não pode "
                                "ser excluída: tem pratos no dia"));
    EXPECT_EQ(fingerprint(), before);
}

TEST_P(DishTypeImport, AMonthWithoutPositionsOfItsOwnTakesTheServicesInTheSameTransaction) {
    // Next month's lunch loses its own positions (its dishes stay under the standing
    // numbers): the import starts from the service's.
    server_.Db().Exec("DELETE FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND "
                      "DTREFECNFMES = ?",
                      {DataHora(next_)});
    const QVariantList answer = preview(next_);
    EXPECT_EQ(answer[int(TElemPrevTipoPrat::Origem)].toString(), "S");
    // Refused for want of agreement: the copy of the standing positions goes too.
    EXPECT_FALSE(refusal(import("10", QString(), QString())).isEmpty());
    EXPECT_TRUE(positions(next_).isEmpty()) << "one transaction";
    ASSERT_EQ(refusal(import("30", QString(), "3")), "");
    const QStringList after = positions(next_);
    ASSERT_EQ(after.size(), 10);
    EXPECT_EQ(after[2], "3@30 09 NNS");
    EXPECT_EQ(after[0], "1@10 01 NNS");
}

TEST_P(DishTypeImport, OnlyAnOperatorAllowedToImportDishTypesWrites) {
    const QStringList before = fingerprint();
    EXPECT_EQ(refusal(import("30", QString(), "3", next_, "CONSULTA")),
              "Operador sem permissão para importar tipos de prato.");
    EXPECT_EQ(fingerprint(), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, DishTypeImport,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
