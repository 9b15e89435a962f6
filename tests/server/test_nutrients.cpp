// The nutrients of a day's menu (Pla00105.rdmNutriCard) over the demonstration: a day of
// the restaurant's lunch given dishes whose recipes and compositions the test writes, so
// that every figure can be worked out by hand; and the school network's reference.
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/modules/nutrients.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00105.rdmNutriCard");
const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");

TEST(NutrientRules, AUnitWeighsItselfOrByTheProductsRecord) {
    using server::GramasPorUnidade;
    EXPECT_EQ(GramasPorUnidade("KG", QVariant()), 1000.0);
    EXPECT_EQ(GramasPorUnidade("kg ", QVariant()), 1000.0);
    EXPECT_EQ(GramasPorUnidade("L", QVariant()), 1000.0);
    EXPECT_EQ(GramasPorUnidade("G", QVariant()), 1.0);
    EXPECT_EQ(GramasPorUnidade("ML", QVariant()), 1.0);
    EXPECT_EQ(GramasPorUnidade("UN", 50.0), 50.0) << "a bread roll of 50 g";
    EXPECT_EQ(GramasPorUnidade("KG", 900.0), 900.0) << "the record's weight wins";
    EXPECT_EQ(GramasPorUnidade("L", 0.0), 1000.0) << "no weight is none";
    EXPECT_FALSE(GramasPorUnidade("UN", QVariant()).has_value());
    EXPECT_FALSE(GramasPorUnidade("CX", QVariant()).has_value());
    EXPECT_DOUBLE_EQ(server::NutrientePorPorcao(0.08, 1000, 360), 288.0);
    EXPECT_DOUBLE_EQ(server::NutrientePorPorcao(2, 50, 300), 300.0);
}

TEST(NutrientRules, ATotalOnItsLimitIsWithinIt) {
    using server::SituacaoNutriente;
    using S = TSituacaoNutriente;
    EXPECT_EQ(SituacaoNutriente(600, 550.0, 650.0), S::Adequado);
    EXPECT_EQ(SituacaoNutriente(550, 550.0, 650.0), S::Adequado);
    EXPECT_EQ(SituacaoNutriente(650, 550.0, 650.0), S::Adequado);
    EXPECT_EQ(SituacaoNutriente(549.9, 550.0, 650.0), S::Abaixo);
    EXPECT_EQ(SituacaoNutriente(650.1, 550.0, 650.0), S::Acima);
    EXPECT_EQ(SituacaoNutriente(15, 20.0, QVariant()), S::Abaixo);
    EXPECT_EQ(SituacaoNutriente(1e6, 20.0, QVariant()), S::Adequado) << "only a minimum";
    EXPECT_EQ(SituacaoNutriente(0, QVariant(), 300.0), S::Adequado) << "only a maximum";
    EXPECT_EQ(SituacaoNutriente(397, QVariant(), 300.0), S::Acima);
    EXPECT_EQ(SituacaoNutriente(397, QVariant(), QVariant()), S::SemReferencia);
}

// A nutrient's row of the answer.
struct TNutri {
    QString Code;
    QVariant Dish;
    QVariant Day;
    QString Situation;
};

class Nutrients : public ::testing::TestWithParam<TEngine> {
protected:
    Nutrients()
        : server_(GetParam(), Hoje()) {
        day_ = server_.Served(Filial, Almoco, next_, 10);
        // Products: one weighed in kilograms, one counted by the roll (50 g), one in
        // litres, one whose unit nobody can weigh.
        const auto product = [this](const char* code, const char* name, const char* unit,
                                    const QVariant& grams,
                                    const QList<std::pair<const char*, double>>& per100) {
            db().Exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE, QTGRAMAUNID) VALUES "
                      "(?, ?, ?, ?)",
                      {code, name, unit, grams});
            for (const auto& [n, v] : per100) {
                db().Exec("INSERT INTO NUTRIPROD (CDPRODUTO, CDNUTRIENTE, QTNUTRI100) VALUES (?, "
                          "?, ?)",
                          {code, n, v});
            }
        };
        product(
            "T1", "TESTE ARROZ", "KG", QVariant(),
            {{"ENER", 360}, {"PROT", 7}, {"CARB", 79}, {"LIPI", 0.5}, {"FIBR", 1.5}, {"SODI", 2}});
        product(
            "T2", "TESTE PAO", "UN", 50.0,
            {{"ENER", 300}, {"PROT", 8}, {"CARB", 58}, {"LIPI", 3}, {"FIBR", 2.3}, {"SODI", 650}});
        product(
            "T3", "TESTE LEITE", "L", QVariant(),
            {{"ENER", 60}, {"PROT", 3.2}, {"CARB", 4.7}, {"LIPI", 3.3}, {"FIBR", 0}, {"SODI", 50}});
        product("T4", "TESTE TEMPERO", "CX", QVariant(), {{"ENER", 100}, {"SODI", 9000}});
        const auto dish = [this](const char* code, const char* name,
                                 const QList<std::pair<const char*, double>>& recipe) {
            db().Exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES "
                      "('0001', ?, ?, '03')",
                      {code, name});
            for (const auto& [p, q] : recipe) {
                db().Exec("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, QTPERCAPITA) "
                          "VALUES ('0001', ?, ?, ?)",
                          {code, p, q});
            }
        };
        dish("TX", "PRATO X", {{"T1", 0.08}, {"T3", 0.1}});
        dish("TY", "PRATO Y", {{"T2", 2}});
        dish("TZ", "PRATO Z", {{"T1", 0.05}, {"T4", 0.01}});
        dish("TW", "PRATO FORA DO DIA", {{"T3", 0.2}});
        // The day serves X to all, Y to 60 % and Z to 40 % of its diners, in the first
        // three positions of the month.
        nr_ = server_.DayNumber(Filial, Almoco, day_);
        db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ?", {Filial, nr_});
        {
            QSqlQuery q = db().Exec("SELECT NRSEQCNFMES FROM CNFCARDMES WHERE CDFILIAL = ? AND "
                                    "CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY NRORDCNFMES",
                                    {Filial, Almoco, DataHora(next_)});
            while (q.next()) {
                seqs_.append(q.value(0).toInt());
            }
        }
        const QList<std::pair<const char*, double>> placed{{"TX", 100}, {"TY", 60}, {"TZ", 40}};
        for (int i = 0; i < placed.size(); ++i) {
            const auto& [code, share] = placed[i];
            db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
                      "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES (?, ?, ?, 1, '0001', ?, ?)",
                      {Filial, nr_, seqs_.value(i), code, share});
        }
        // The service's reference: energy within, protein under, sodium over, none for
        // the others.
        db().Exec("INSERT INTO NUTRIREFSERV (CDFILIAL, CDSERVFILI, CDNUTRIENTE, QTMINNUTRI, "
                  "QTMAXNUTRI, DSREFNUTRI) VALUES ('0001', '00001', 'ENER', 550, 650, "
                  "'Trabalhador, almoço'), ('0001', '00001', 'PROT', 20, NULL, 'Trabalhador, "
                  "almoço'), ('0001', '00001', 'SODI', NULL, 300, 'Trabalhador, almoço')");
    }

    db::TDatabase& db() { return server_.Db(); }
    QVariant call(const QVariantList& values, const QString& op = QStringLiteral("NUTRI1")) {
        auto c = server_.Connect(Module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodos::GetNutriCard(), values);
        return c->Call(metodos::GetNutriCard().Name, args);
    }
    QVariantList ask(const QString& dish, const QString& which = QStringLiteral("XXXX"),
                     const QDate& day = QDate()) {
        const QVariant answer =
            call({Filial, Almoco, which, DataHora(day.isValid() ? day : day_), dish});
        EXPECT_EQ(refusal(answer), "");
        return answer.toList();
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    static QList<TNutri> nutrients(const QVariantList& answer) {
        const TDataPacket p = ToDataPacket(answer.value(int(TElemNutriCard::Nutrientes)));
        QList<TNutri> out;
        for (const TPacketRow& r : p.Rows) {
            out.append({r.Values[p.FieldIndex("CDNUTRIENTE")].toString(),
                        r.Values[p.FieldIndex("QTPRATO")], r.Values[p.FieldIndex("QTDIA")],
                        r.Values[p.FieldIndex("IDSITNUTRI")].toString()});
        }
        return out;
    }
    static TNutri of(const QList<TNutri>& all, const QString& code) {
        for (const TNutri& n : all) {
            if (n.Code == code) {
                return n;
            }
        }
        ADD_FAILURE() << "no " << code.toStdString();
        return {};
    }

    TEmbeddedServer server_;
    const QDate next_ = PriDiaMes(Hoje()).addMonths(1);
    QDate day_;
    QString nr_;
    QList<int> seqs_;
};

TEST_P(Nutrients, TheDaysTotalsPerDinerAreTheDishesWeighedByTheirShares) {
    ASSERT_TRUE(day_.isValid());
    const QVariantList answer = ask("TY");
    ASSERT_EQ(answer.size(), int(TElemNutriCard::Quantidade));
    const QList<TNutri> all = nutrients(answer);
    QStringList codes;
    for (const TNutri& n : all) {
        codes << n.Code;
    }
    EXPECT_EQ(codes, QStringList({"ENER", "PROT", "CARB", "LIPI", "FIBR", "SODI"}))
        << "every nutrient, in the catalogue's order";

    // X: 80 g of rice (288 kcal) and 100 ml of milk (60); Y: two 50 g rolls (300);
    // Z: 50 g of rice (180) and a seasoning nobody can weigh.
    // Energy: 348 + 0.6 × 300 + 0.4 × 180 = 600, within 550 to 650.
    EXPECT_EQ(of(all, "ENER").Day.toDouble(), 600.0);
    EXPECT_EQ(of(all, "ENER").Situation, "D");
    // Protein: 5.6 + 3.2 + 0.6 × 8 + 0.4 × 3.5 = 15, under its minimum of 20.
    EXPECT_EQ(of(all, "PROT").Day.toDouble(), 15.0);
    EXPECT_EQ(of(all, "PROT").Situation, "B");
    // Sodium: 1.6 + 50 + 0.6 × 650 + 0.4 × 1 = 442, over its maximum of 300.
    EXPECT_EQ(of(all, "SODI").Day.toDouble(), 442.0);
    EXPECT_EQ(of(all, "SODI").Situation, "A");
    // Carbohydrate: 63.2 + 4.7 + 0.6 × 58 + 0.4 × 39.5 = 118.5, without a reference.
    EXPECT_EQ(of(all, "CARB").Day.toDouble(), 118.5);
    EXPECT_EQ(of(all, "CARB").Situation, "N");
    // Fat: 0.4 + 3.3 + 0.6 × 3 + 0.4 × 0.25 = 5.6.
    EXPECT_EQ(of(all, "LIPI").Day.toDouble(), 5.6);
    // The cell's dish per serving.
    EXPECT_EQ(of(all, "ENER").Dish.toDouble(), 300.0);
    EXPECT_EQ(of(all, "SODI").Dish.toDouble(), 650.0);
    EXPECT_EQ(answer[int(TElemNutriCard::Referencia)].toString(), "Trabalhador, almoço");
    EXPECT_EQ(answer[int(TElemNutriCard::SemComposicao)].toString(), "");

    // The day's dishes in the grid's order, each per serving, Z saying what it lacks.
    const TDataPacket dishes = ToDataPacket(answer[int(TElemNutriCard::PratosDia)]);
    ASSERT_EQ(dishes.RowCount(), 3);
    const int code = dishes.FieldIndex("CDPRATO"), energy = dishes.FieldIndex("ENER"),
              share = dishes.FieldIndex("VRPECONSCARD"),
              lacks = dishes.FieldIndex("DSSEMCOMPOSICAO");
    ASSERT_GE(energy, 0) << "a column per nutrient, by its code";
    EXPECT_EQ(dishes.Rows[0].Values[code].toString(), "TX");
    EXPECT_EQ(dishes.Rows[0].Values[energy].toDouble(), 348.0);
    EXPECT_EQ(dishes.Rows[1].Values[share].toDouble(), 60.0);
    EXPECT_EQ(dishes.Rows[2].Values[code].toString(), "TZ");
    EXPECT_EQ(dishes.Rows[2].Values[energy].toDouble(), 180.0);
    EXPECT_EQ(dishes.Rows[2].Values[lacks].toString(), "TESTE TEMPERO");
    EXPECT_EQ(dishes.Rows[0].Values[lacks].toString(), "");
    EXPECT_EQ(ask("TZ")[int(TElemNutriCard::SemComposicao)].toString(), "TESTE TEMPERO");
}

TEST_P(Nutrients, OneNutrientByItsCodeOrAnEmptyCellOrAnEmptyDay) {
    // "SODI" alone, typed in any case.
    const QList<TNutri> sodium = nutrients(ask("TX", "sodi"));
    ASSERT_EQ(sodium.size(), 1);
    EXPECT_EQ(sodium[0].Code, "SODI");
    EXPECT_EQ(sodium[0].Day.toDouble(), 442.0);
    EXPECT_EQ(sodium[0].Dish.toDouble(), 51.6);
    const TDataPacket dishes = ToDataPacket(ask("TX", "SODI")[int(TElemNutriCard::PratosDia)]);
    EXPECT_LT(dishes.FieldIndex("ENER"), 0) << "only the nutrient chosen";
    EXPECT_EQ(dishes.Rows[2].Values[dishes.FieldIndex("SODI")].toDouble(), 1.0);
    EXPECT_EQ(refusal(call({Filial, Almoco, "ABCD", DataHora(day_), "TX"})),
              "Nutriente ABCD não cadastrado.");

    // An empty cell: no dish, the day still added up.
    const QList<TNutri> empty = nutrients(ask(QString()));
    EXPECT_TRUE(of(empty, "ENER").Dish.isNull());
    EXPECT_EQ(of(empty, "ENER").Day.toDouble(), 600.0);

    // A dish the day does not hold is weighed on its own; one nobody has is refused.
    const QList<TNutri> other = nutrients(ask("TW"));
    EXPECT_EQ(of(other, "ENER").Dish.toDouble(), 120.0);
    EXPECT_EQ(of(other, "ENER").Day.toDouble(), 600.0);
    EXPECT_EQ(refusal(call({Filial, Almoco, "XXXX", DataHora(day_), "NINGUEM"})),
              "Prato NINGUEM não cadastrado.");

    // A day without dishes has no totals to judge.
    db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ?", {Filial, nr_});
    const QList<TNutri> none = nutrients(ask(QString()));
    EXPECT_TRUE(of(none, "ENER").Day.isNull());
    EXPECT_EQ(of(none, "ENER").Situation, "N");
    EXPECT_EQ(refusal(call({Filial, "00099", "XXXX", DataHora(day_), QString()})),
              "Serviço 00099 não cadastrado na filial 0001.");
}

TEST_P(Nutrients, ADishWithoutRecipeOrAProductWithoutCompositionIsSaidSo) {
    db().Exec("DELETE FROM RECEITA WHERE CDFILAUXPRAT = '0001' AND CDPRATO = 'TY'");
    db().Exec("DELETE FROM NUTRIPROD WHERE CDPRODUTO = 'T3'");
    const QVariantList answer = ask("TX");
    EXPECT_EQ(answer[int(TElemNutriCard::SemComposicao)].toString(), "TESTE LEITE");
    // X keeps its rice (288), Y gives nothing: 288 + 0.4 × 180 = 360.
    EXPECT_EQ(of(nutrients(answer), "ENER").Day.toDouble(), 360.0);
    const TDataPacket dishes = ToDataPacket(answer[int(TElemNutriCard::PratosDia)]);
    EXPECT_EQ(dishes.Rows[1].Values[dishes.FieldIndex("DSSEMCOMPOSICAO")].toString(),
              "receita sem produtos");
}

TEST_P(Nutrients, TheSameDishTwiceInAPositionCountsEachOfItsShares) {
    // X again in its position, for half the diners: 348 × (1 + 0.5) + 0.6 × 300 + 0.4 × 180.
    db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
              "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES (?, ?, ?, 2, '0001', 'TX', 50)",
              {Filial, nr_, seqs_.value(0)});
    const QVariantList answer = ask("TX");
    EXPECT_EQ(of(nutrients(answer), "ENER").Day.toDouble(), 774.0);
    EXPECT_EQ(of(nutrients(answer), "ENER").Dish.toDouble(), 348.0) << "one serving of it";
    const TDataPacket dishes = ToDataPacket(answer[int(TElemNutriCard::PratosDia)]);
    ASSERT_EQ(dishes.RowCount(), 4);
    const int code = dishes.FieldIndex("CDPRATO"), energy = dishes.FieldIndex("ENER"),
              share = dishes.FieldIndex("VRPECONSCARD");
    for (const int row : {0, 1}) {
        EXPECT_EQ(dishes.Rows[row].Values[code].toString(), "TX");
        EXPECT_EQ(dishes.Rows[row].Values[energy].toDouble(), 348.0);
    }
    EXPECT_EQ(dishes.Rows[0].Values[share].toDouble(), 100.0);
    EXPECT_EQ(dishes.Rows[1].Values[share].toDouble(), 50.0);
}

TEST_P(Nutrients, OnlyAnOperatorWithAccessToTheBranchReadsItsNutrients) {
    EXPECT_EQ(refusal(call({Filial, Almoco, "XXXX", DataHora(day_), "TX"}, "ESCOLA1")),
              "Operador sem acesso aos cardápios da filial 0001.");
    // Reading needs no right to change a menu.
    const QVariant answer = call({Filial, Almoco, "XXXX", DataHora(day_), "TX"}, "CONSULTA");
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(of(nutrients(answer.toList()), "ENER").Day.toDouble(), 600.0);
}

TEST_P(Nutrients, TheSchoolNetworkKeepsAReferenceForItsMealAndTheProductsTheirOwnComposition) {
    const QDate day = server_.Served("0004", "00002", next_, 5);
    ASSERT_TRUE(day.isValid());
    auto c = server_.Connect(Module, server_.SignIn("ESCOLA1"));
    QList<TRpcArg> args =
        Argumentos(metodos::GetNutriCard(), {"0004", "00002", "XXXX", DataHora(day), QString()});
    const QVariantList answer = c->Call(metodos::GetNutriCard().Name, args).toList();
    ASSERT_EQ(answer.size(), int(TElemNutriCard::Quantidade));
    EXPECT_TRUE(answer[int(TElemNutriCard::Referencia)].toString().startsWith("Escolar"));
    const TDataPacket p = ToDataPacket(answer[int(TElemNutriCard::Nutrientes)]);
    ASSERT_EQ(p.RowCount(), 6);
    // The day's totals: each dish of the meal weighed by its share, judged by the limits.
    const TDataPacket dishes = ToDataPacket(answer[int(TElemNutriCard::PratosDia)]);
    ASSERT_GT(dishes.RowCount(), 0);
    for (const TPacketRow& r : p.Rows) {
        const QVariant min = r.Values[p.FieldIndex("QTMINNUTRI")];
        const QVariant max = r.Values[p.FieldIndex("QTMAXNUTRI")];
        EXPECT_FALSE(min.isNull() && max.isNull()) << "a limit for every nutrient";
        const QString code = r.Values[p.FieldIndex("CDNUTRIENTE")].toString();
        double sum = 0;
        for (const TPacketRow& d : dishes.Rows) {
            sum += d.Values[dishes.FieldIndex(code)].toDouble() *
                   d.Values[dishes.FieldIndex("VRPECONSCARD")].toDouble() / 100.0;
        }
        const QVariant total = r.Values[p.FieldIndex("QTDIA")];
        ASSERT_FALSE(total.isNull()) << code.toStdString();
        EXPECT_GT(total.toDouble(), 0) << code.toStdString();
        // Each dish's figure is shown rounded: the sum of them is within their roundings.
        EXPECT_NEAR(total.toDouble(), sum, 0.05 * dishes.RowCount() + 0.05) << code.toStdString();
        EXPECT_EQ(r.Values[p.FieldIndex("IDSITNUTRI")].toString(),
                  QString(QLatin1Char(char(server::SituacaoNutriente(total.toDouble(), min, max)))))
            << code.toStdString();
    }
    EXPECT_EQ(db().Scalar("SELECT COUNT(*) FROM NUTRIREFSERV WHERE CDFILIAL = '0004'").toInt(), 12)
        << "both services of the network";
    // Rice has its own composition, and a roll its weight.
    EXPECT_EQ(db().Scalar("SELECT N.QTNUTRI100 FROM NUTRIPROD N JOIN PRODUTO P ON P.CDPRODUTO = "
                          "N.CDPRODUTO WHERE P.NMPRODUTO = 'ARROZ AGULHINHA TIPO 1' AND "
                          "N.CDNUTRIENTE = 'ENER'")
                  .toDouble(),
              358.0);
    EXPECT_EQ(
        db().Scalar("SELECT QTGRAMAUNID FROM PRODUTO WHERE NMPRODUTO = 'PÃO FRANCÊS'").toDouble(),
        50.0);
    EXPECT_EQ(db().Scalar("SELECT COUNT(*) FROM PRODUTO P WHERE P.SGUNIDADE = 'UN' AND "
                          "P.QTGRAMAUNID IS NULL AND EXISTS (SELECT 1 FROM NUTRIPROD N WHERE "
                          "N.CDPRODUTO = P.CDPRODUTO)")
                  .toInt(),
              0)
        << "every product counted by the unit that has a composition can be weighed";
}

INSTANTIATE_TEST_SUITE_P(Engines, Nutrients,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
