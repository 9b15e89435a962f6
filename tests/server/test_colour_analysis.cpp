// The colour analysis of the monthly grid (GetAnaliCor) on both engines, over a month
// built so that every class can be worked out by hand: each dish's cost per serving is
// the price of its one product, and the positions' targets come out round.
#include "core/data_packet.h"
#include "core/dates.h"
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

const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");
constexpr qlonglong Planejado = 6;

QDateTime day(int d, int m = 3) {
    return DataHora(QDate(2026, m, d));
}

// A dish row of the answer.
struct TLinha {
    QDate Dia;
    qlonglong Posicao = 0;
    qlonglong Ordem = 0;
    QString Prato;
    double Custo = 0;
    QVariant Alvo;
    QVariant Inferior;
    QVariant Superior;
    QVariant PerCapitaDia;
    QVariant Padrao;
    QString Faixa;
};

class ColourAnalysis : public ::testing::TestWithParam<TEngine> {
protected:
    ColourAnalysis()
        : server_(GetParam()) {
        seed();
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }

    // A dish whose recipe is one kilo of its own product: its cost per serving is the
    // product's price.
    void dish(const QString& code, const QString& type, double cost) {
        exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE) VALUES (?, ?, 'KG')",
             {code, "PRODUTO " + code});
        exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES (?, ?, ?, ?)",
             {Filial, code, "PRATO " + code, type});
        exec("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, QTPERCAPITA, QTFATORCORR) "
             "VALUES (?, ?, ?, 1, 1)",
             {Filial, code, code});
        price(code, Planejado, day(1, 2), cost);
    }
    void price(const QString& product, qlonglong type, const QDateTime& from, double value) {
        exec("INSERT INTO CUSTOPROD (CDFILIAL, NRTIPOCUSTO, CDPRODUTO, DTVIGENCIA, VRCUSTUNIT) "
             "VALUES (?, ?, ?, ?, ?)",
             {Filial, type, product, from, value});
    }
    QString addDay(const QDateTime& when, double diners, double clients) {
        const QString nr = QStringLiteral("%1").arg(++days_, 10, 10, QLatin1Char('0'));
        exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, QTCOMESTICAR, "
             "QTCLIESTICAR, DTMESCARD) VALUES (?, ?, ?, ?, ?, ?, ?)",
             {Filial, nr, Almoco, when, diners, clients, DataHora(PriDiaMes(when.date()))});
        return nr;
    }
    void place(const QString& nr, int position, const QString& code, double share, int order = 1) {
        exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
             "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES (?, ?, ?, ?, ?, ?, ?)",
             {Filial, nr, position, order, Filial, code, share});
    }
    void standard(double value) {
        exec("DELETE FROM CUSTOSERVMES");
        if (value > 0) {
            exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR) VALUES "
                 "(?, ?, ?, ?)",
                 {Filial, Almoco, day(1), value});
        }
    }

    // March 2026, every day 100 diners (80 clients), no consumables. Position 1 serves
    // one main dish a day: 4.00, 3.20, 4.80, 3.19 and 4.81, on average 4.00; position 2
    // the same dessert at 1.00. The month: (20.00 + 5.00) × 100 / 500 diners = 5.00 a
    // diner. On the 10th nobody eats: a main dish there and the only dish of position 3.
    void seed() {
        for (const auto& [code, name] :
             {std::pair{"0001", "Restaurante Exemplo"}, std::pair{"0002", "Cozinha Exemplo"}}) {
            exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES (?, ?, ?)",
                 {code, name, day(1)});
        }
        exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (6, 'CUSTO MEDIO'), "
             "(48, 'TABELA DE PRECOS')");
        exec("INSERT INTO PARAMPLANEJA (CDFILIAL, CDTIPOCUSTOPLA, CDTIPOCUSTOREA, IDCOMCUSPERC) "
             "VALUES ('0001', '6', '48', 'T'), ('0002', NULL, NULL, 'T')");
        exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', '00001', "
             "'Almoço'), ('0002', '00001', 'Almoço')");
        exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('03', 'PRATO PRINCIPAL'), "
             "('08', 'SOBREMESA'), ('09', 'SUCO')");
        const std::pair<const char*, double> mains[] = {
            {"M1", 4.00}, {"M2", 3.20}, {"M3", 4.80}, {"M4", 3.19}, {"M5", 4.81}};
        for (const auto& [code, cost] : mains) {
            dish(code, "03", cost);
        }
        dish("D1", "08", 1.00);
        dish("S1", "09", 2.00);
        standard(5.00);
        int d = 2;
        for (const auto& [code, cost] : mains) {
            const QString nr = addDay(day(d++), 100, 80);
            place(nr, 1, code, 100);
            place(nr, 2, "D1", 100);
        }
        const QString nobody = addDay(day(10), 0, 0);
        place(nobody, 1, "M1", 100);
        place(nobody, 3, "S1", 100);
        server_.AddOperator("ANA", "ana-senha", QString(QtAutorizacoes, QLatin1Char('1')));
        server_.AddOperator("CARLA", "carla-senha", QString(QtAutorizacoes, QLatin1Char('1')));
        exec("UPDATE OPERADOR SET CDFILIAL = ? WHERE CDOPERADOR = 'ANA'", {Filial});
        exec("UPDATE OPERADOR SET CDFILIAL = '0002' WHERE CDOPERADOR = 'CARLA'");
    }

    QVariant call(const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op = QStringLiteral("ANA")) {
        QString module;
        for (const auto& [m, method] : metodos::Todos()) {
            if (method == &metodo) {
                module = m;
            }
        }
        auto c = server_.Connect(module, server_.SignIn(op, op.toLower() + "-senha"));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }
    QVariant analiCor(const QDateTime& inicio = day(1), const QDateTime& fim = day(31),
                      const QString& op = QStringLiteral("ANA"), const QString& filial = Filial) {
        return call(metodos::GetAnaliCor(), {filial, Almoco, inicio, fim}, op);
    }
    // The answer by day, position and order.
    QList<TLinha> linhas(const QVariant& answer) {
        const TDataPacket p = ToDataPacket(CheckResultServ(answer));
        const auto at = [&](const TPacketRow& r, const char* f) {
            return r.Values.value(p.FieldIndex(QString::fromLatin1(f)));
        };
        QList<TLinha> out;
        for (const TPacketRow& r : p.Rows) {
            EXPECT_EQ(at(r, "CDFILAUXPRAT").toString(), Filial);
            out.append({at(r, "DTCARDAPIO").toDateTime().date(), at(r, "NRSEQPRATCAR").toLongLong(),
                        at(r, "NRORDPRATCAR").toLongLong(), at(r, "CDPRATO").toString().trimmed(),
                        at(r, "VRCUSTOPORCAO").toDouble(), at(r, "VRALVOPOSICAO"),
                        at(r, "VRLIMINFERIOR"), at(r, "VRLIMSUPERIOR"), at(r, "VRPERCAPDIA"),
                        at(r, "VRCUSTPADR"), at(r, "IDFAIXACUSTO").toString()});
        }
        return out;
    }
    // Each dish's class on the day it is served, "day/position dish" → class.
    QMap<QString, QString> classes(const QList<TLinha>& rows) {
        QMap<QString, QString> out;
        for (const TLinha& l : rows) {
            out.insert(QStringLiteral("%1/%2 %3").arg(l.Dia.day()).arg(l.Posicao).arg(l.Prato),
                       l.Faixa);
        }
        return out;
    }

    TEmbeddedServer server_;
    int days_ = 0;
};

// The month at its standard: the targets are the positions' averages, 4.00 and 1.00;
// the limits 20 % either side, 3.20 to 4.80 and 0.80 to 1.20, belong to the range.
TEST_P(ColourAnalysis, AtTheStandardTheEdgesOfTheRangeAreInItAndACentBeyondIsOut) {
    const QList<TLinha> rows = linhas(analiCor());
    const QMap<QString, QString> expected{{"2/1 M1", "F"}, {"3/1 M2", "F"}, {"4/1 M3", "F"},
                                          {"5/1 M4", "B"}, {"6/1 M5", "C"}, {"10/1 M1", "F"},
                                          {"2/2 D1", "F"}, {"3/2 D1", "F"}, {"4/2 D1", "F"},
                                          {"5/2 D1", "F"}, {"6/2 D1", "F"}};
    EXPECT_EQ(classes(rows), expected);
    for (const TLinha& l : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(l.Dia.day()).arg(l.Prato).toStdString());
        EXPECT_EQ(l.Ordem, 1);
        EXPECT_DOUBLE_EQ(l.Padrao.toDouble(), 5.00);
        if (l.Posicao == 1) {
            EXPECT_DOUBLE_EQ(l.Alvo.toDouble(), 4.00);
            EXPECT_DOUBLE_EQ(l.Inferior.toDouble(), 3.20);
            EXPECT_DOUBLE_EQ(l.Superior.toDouble(), 4.80);
        } else {
            EXPECT_DOUBLE_EQ(l.Alvo.toDouble(), 1.00);
            EXPECT_DOUBLE_EQ(l.Inferior.toDouble(), 0.80);
            EXPECT_DOUBLE_EQ(l.Superior.toDouble(), 1.20);
        }
    }
    // Cost per serving and the day's per capita: (3.19 + 1.00) × 100 / 100 diners.
    ASSERT_EQ(rows.size(), 11);
    EXPECT_EQ(rows[6].Dia, QDate(2026, 3, 5));
    EXPECT_EQ(rows[6].Prato, "M4");
    EXPECT_DOUBLE_EQ(rows[6].Custo, 3.19);
    EXPECT_DOUBLE_EQ(rows[6].PerCapitaDia.toDouble(), 4.19);
    // In day and position order; the 10th has no diners, hence no per capita, and its
    // third position, never served to anybody, no target: no row.
    EXPECT_EQ(rows[0].Dia, QDate(2026, 3, 2));
    EXPECT_EQ(rows[1].Posicao, 2);
    EXPECT_EQ(rows.last().Dia, QDate(2026, 3, 10));
    EXPECT_TRUE(rows.last().PerCapitaDia.isNull());
}

// A month above its standard lowers every target by as much: at 4.00 a diner against
// 5.00 planned, the main dishes' target is 3.20 (2.56 to 3.84), the dessert's 0.80.
TEST_P(ColourAnalysis, AStandardBelowTheMonthsPerCapitaLowersEveryTarget) {
    standard(4.00);
    const QMap<QString, QString> expected{{"2/1 M1", "C"}, {"3/1 M2", "F"}, {"4/1 M3", "C"},
                                          {"5/1 M4", "F"}, {"6/1 M5", "C"}, {"10/1 M1", "C"},
                                          {"2/2 D1", "C"}, {"3/2 D1", "C"}, {"4/2 D1", "C"},
                                          {"5/2 D1", "C"}, {"6/2 D1", "C"}};
    const QList<TLinha> rows = linhas(analiCor());
    EXPECT_EQ(classes(rows), expected);
    EXPECT_DOUBLE_EQ(rows[0].Alvo.toDouble(), 3.20);
    EXPECT_DOUBLE_EQ(rows[0].Inferior.toDouble(), 2.56);
    EXPECT_DOUBLE_EQ(rows[0].Superior.toDouble(), 3.84);
    EXPECT_DOUBLE_EQ(rows[1].Alvo.toDouble(), 0.80);

    // A standard above the plan raises them: at 6.25, 5.00 (4.00 to 6.00) and 1.25 (1.00
    // to 1.50). The two cheapest mains fall below; 4.00 and the dessert sit on the lower
    // edges and stay in range.
    standard(6.25);
    const QMap<QString, QString> generous{{"2/1 M1", "F"}, {"3/1 M2", "B"}, {"4/1 M3", "F"},
                                          {"5/1 M4", "B"}, {"6/1 M5", "F"}, {"10/1 M1", "F"},
                                          {"2/2 D1", "F"}, {"3/2 D1", "F"}, {"4/2 D1", "F"},
                                          {"5/2 D1", "F"}, {"6/2 D1", "F"}};
    EXPECT_EQ(classes(linhas(analiCor())), generous);
}

// Per client diner (IDCOMCUSPERC "C") the month costs 2,500.00 / 400 = 6.25 a client:
// against the standard of 5.00 the targets fall to 80 %, as above.
TEST_P(ColourAnalysis, ThePerCapitaFollowsTheBranchsBasis) {
    exec("UPDATE PARAMPLANEJA SET IDCOMCUSPERC = 'C' WHERE CDFILIAL = ?", {Filial});
    const QList<TLinha> rows = linhas(analiCor());
    EXPECT_EQ(classes(rows)["2/1 M1"], "C");
    EXPECT_EQ(classes(rows)["5/1 M4"], "F");
    EXPECT_DOUBLE_EQ(rows[0].Alvo.toDouble(), 3.20);
    EXPECT_DOUBLE_EQ(rows[0].PerCapitaDia.toDouble(), 6.25) << "(4.00 + 1.00) × 100 / 80";
}

// Without a standard the month's own average stands in for it. A position's average
// weighs each serving: a main at 8.20 served to a quarter of the 9th's diners makes
// (2,000.00 + 25 × 8.20) / 525 = 4.20, not the mean of the six dishes (4.70).
TEST_P(ColourAnalysis, WithoutAStandardTheTargetIsThePositionsAverageServing) {
    standard(0);
    dish("M7", "03", 8.20);
    place(addDay(day(9), 100, 80), 1, "M7", 25);
    const QList<TLinha> rows = linhas(analiCor());
    const QMap<QString, QString> c = classes(rows);
    // 4.20: 3.36 to 5.04.
    EXPECT_EQ(c["2/1 M1"], "F");
    EXPECT_EQ(c["3/1 M2"], "B");
    EXPECT_EQ(c["4/1 M3"], "F");
    EXPECT_EQ(c["5/1 M4"], "B");
    EXPECT_EQ(c["6/1 M5"], "F");
    EXPECT_EQ(c["9/1 M7"], "C");
    EXPECT_EQ(c["2/2 D1"], "F");
    for (const TLinha& l : rows) {
        EXPECT_TRUE(l.Padrao.isNull());
        EXPECT_DOUBLE_EQ(l.Alvo.toDouble(), l.Posicao == 1 ? 4.20 : 1.00);
    }
}

// The cost per serving is the month's cost rule: the planned cost type, the month's
// stored reference date or else each day's own, the branch's prices; the very figures
// the cost analysis keeps by dish.
TEST_P(ColourAnalysis, TheCostPerServingIsTheMonthsCostRule) {
    price("D1", Planejado, day(4), 1.50); // dearer from the 4th
    price("D1", 48, day(1, 2), 9.99);     // another cost type: never read
    const auto dessert = [&](const QList<TLinha>& rows) {
        QList<double> out;
        for (const TLinha& l : rows) {
            if (l.Prato == "D1") {
                out << l.Custo;
            }
        }
        return out;
    };
    EXPECT_EQ(dessert(linhas(analiCor())), (QList<double>{1.00, 1.00, 1.50, 1.50, 1.50}));
    // The work area of the month's costs, by dish, holds the same figures.
    const QString key = call(metodos::GetTrabCusto(), {Filial, Almoco, day(1), day(31), Planejado,
                                                       "ANA", false, QVariant(), "", true})
                            .toList()
                            .value(0)
                            .toString();
    QList<double> kept;
    {
        QSqlQuery q = server_.Db().Exec("SELECT VRCUSTOPORCAO FROM TRABCUSTOPRAT WHERE "
                                        "NRTRABCUSTO = ? AND CDPRATO = 'D1' ORDER BY DTDATA",
                                        {key});
        while (q.next()) {
            kept << q.value(0).toDouble();
        }
    }
    EXPECT_EQ(kept, (QList<double>{1.00, 1.00, 1.50, 1.50, 1.50}));

    // With the month's reference date stored, every day at the prices of the 1st.
    exec("INSERT INTO BASECUSTMES (CDFILIAL, DTMESCUST, DTBASCONCUSPLAN, CDOPERBASE, DTALTBASE) "
         "VALUES (?, ?, ?, 'ANA', ?)",
         {Filial, day(1), day(1), day(1)});
    EXPECT_EQ(dessert(linhas(analiCor())), (QList<double>{1.00, 1.00, 1.00, 1.00, 1.00}));
}

TEST_P(ColourAnalysis, RefusalsSayWhy) {
    EXPECT_EQ(analiCor(day(1), day(1, 4)).toString(), "O último dia (01/04/2026) não é do mês de "
                                                      "03/2026.");
    EXPECT_EQ(analiCor(day(10), day(9)).toString(), "O último dia (09/03/2026) não é do mês de "
                                                    "03/2026.");
    EXPECT_EQ(analiCor(day(1), day(31), "CARLA").toString(),
              "Operador sem acesso aos custos da filial 0001.");
    EXPECT_EQ(analiCor(day(1), day(31), "ANA", "0077").toString(), "Filial não cadastrada.");
    EXPECT_EQ(call(metodos::GetAnaliCor(), {Filial, "00009", day(1), day(31)}).toString(),
              "Serviço 00009 não cadastrado na filial 0001.");
    EXPECT_EQ(analiCor(day(1), day(31), "CARLA", "0002").toString(),
              "A filial não tem tipo de custo planejado nos parâmetros do planejamento.");
}

INSTANTIATE_TEST_SUITE_P(Engines, ColourAnalysis,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
