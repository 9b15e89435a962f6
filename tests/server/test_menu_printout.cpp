// The printed menus' one call (GetCardapioImpresso) on both engines, over menus built for
// it: February 2026 (28 days, from a Sunday) and March 2026 (from a Sunday), each month
// with its own positions in an order other than their numbers, a position not printed,
// an optional one, holidays of the branch and of the menu, and April without positions
// of its own.
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

using E = TElemCardapioImpresso;

const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");
const QString Jantar = QStringLiteral("00002");

QDateTime day(int d, int m) {
    return DataHora(QDate(2026, m, d));
}

class MenuPrintout : public ::testing::TestWithParam<TEngine> {
protected:
    MenuPrintout()
        : server_(GetParam()) {
        seed();
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }
    void position(const char* table, const QVariant& month, int seq, const QString& type, int ord,
                  const QString& optional = "N", const QString& printed = "S") {
        if (month.isNull()) {
            exec(QStringLiteral("INSERT INTO %1 (CDFILIAL, CDSERVFILI, NRSEQCNFMES, CDTIPOPRAT, "
                                "IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES) VALUES (?, ?, ?, ?, ?, "
                                "?, ?)")
                     .arg(QLatin1String(table)),
                 {Filial, Almoco, seq, type, optional, printed, ord});
            return;
        }
        exec(QStringLiteral("INSERT INTO %1 (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES, "
                            "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES) VALUES (?, ?, ?, "
                            "?, ?, ?, ?, ?)")
                 .arg(QLatin1String(table)),
             {Filial, Almoco, month, seq, type, optional, printed, ord});
    }
    QString addDay(const QDateTime& when, const QString& service = Almoco,
                   const QVariant& description = QVariant()) {
        const QString nr = QStringLiteral("%1").arg(++days_, 10, 10, QLatin1Char('0'));
        exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, QTCOMESTICAR, "
             "DTMESCARD, DSCARDAPIO) VALUES (?, ?, ?, ?, 100, ?, ?)",
             {Filial, nr, service, when, DataHora(PriDiaMes(when.date())), description});
        return nr;
    }
    void place(const QString& nr, int seq, const QString& dish, int ord = 1) {
        exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
             "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES (?, ?, ?, ?, ?, ?, 100)",
             {Filial, nr, seq, ord, Filial, dish});
    }

    void seed() {
        for (const auto& [code, name] :
             {std::pair{"0001", "Restaurante Exemplo"}, std::pair{"0002", "Cozinha Exemplo"}}) {
            exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES (?, ?, ?)",
                 {code, name, day(1, 2)});
        }
        exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', '00001', "
             "'Almoço'), ('0001', '00002', 'Jantar'), ('0002', '00001', 'Almoço')");
        exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('01', 'ARROZ'), ('02', "
             "'FEIJÃO'), ('03', 'CARNE'), ('08', 'DOCE'), ('09', 'SUCO')");
        const std::tuple<const char*, const char*, const char*> dishes[] = {
            {"A1", "Branco", "01"}, {"A2", "Integral", "01"}, {"F1", "Preto", "02"},
            {"C1", "Frango", "03"}, {"C2", "Peixe", "03"},    {"D1", "Pudim", "08"},
            {"S1", "Laranja", "09"}};
        for (const auto& [code, name, type] : dishes) {
            exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES (?, ?, ?, "
                 "?)",
                 {Filial, code, name, type});
        }
        // February: the meat first though it is the second position; the juice not printed;
        // the dessert optional.
        const QDateTime feb = day(1, 2);
        position("CNFCARDMES", feb, 1, "01", 2);
        position("CNFCARDMES", feb, 2, "03", 1);
        position("CNFCARDMES", feb, 3, "02", 3);
        position("CNFCARDMES", feb, 4, "08", 4, "S");
        position("CNFCARDMES", feb, 5, "09", 5, "N", "N");
        // March: rice, meat, dessert, in their numbers' order.
        const QDateTime mar = day(1, 3);
        position("CNFCARDMES", mar, 1, "01", 1);
        position("CNFCARDMES", mar, 2, "03", 2);
        position("CNFCARDMES", mar, 3, "08", 3);
        // The service's standing positions: rice and juice.
        position("CNFCARDSERV", QVariant(), 1, "01", 1);
        position("CNFCARDSERV", QVariant(), 2, "09", 2);

        const QString d2 = addDay(day(2, 2));
        place(d2, 1, "A1");
        place(d2, 2, "C1");
        place(d2, 3, "F1");
        place(d2, 4, "D1");
        place(d2, 5, "S1");
        const QString d3 = addDay(day(3, 2));
        place(d3, 2, "C2", 2);
        place(d3, 2, "C1", 1);
        place(d3, 1, "A2");
        place(addDay(day(16, 2), Almoco, "Almoço de Carnaval"), 1, "A1");
        addDay(day(28, 2), Almoco, "Sem expediente");
        place(addDay(day(2, 2), Jantar), 1, "A2"); // another service's day
        const QString m1 = addDay(day(1, 3));
        place(m1, 1, "A2");
        place(m1, 2, "C2");
        const QString m30 = addDay(day(30, 3));
        place(m30, 3, "D1");
        place(m30, 1, "A1");
        const QString a1 = addDay(day(1, 4));
        place(a1, 2, "S1");
        place(a1, 1, "A2");

        exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES (?, ?, 'Carnaval'), "
             "('0002', ?, 'Feriado municipal')",
             {Filial, day(17, 2), day(2, 2)});
        exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES (?, ?, "
             "'Segunda de Carnaval', ?), (?, ?, 'Cardápio de Carnaval', ?)",
             {Filial, day(16, 2), day(1, 2), Filial, day(17, 2), day(1, 2)});

        server_.AddOperator("ANA", "ana-senha");
        server_.AddOperator("CARLA", "carla-senha");
        exec("UPDATE OPERADOR SET CDFILIAL = ? WHERE CDOPERADOR = 'ANA'", {Filial});
        exec("UPDATE OPERADOR SET CDFILIAL = '0002' WHERE CDOPERADOR = 'CARLA'");
    }

    QVariant impresso(const QDateTime& first, const QDateTime& last,
                      const QString& op = QStringLiteral("ANA"), const QString& filial = Filial,
                      const QString& servico = Almoco) {
        auto c = server_.Connect(QStringLiteral("Pla00400.rdmEmissaoCard"),
                                 server_.SignIn(op, op.toLower() + "-senha"));
        QList<TRpcArg> args =
            Argumentos(metodos::GetCardapioImpresso(), {filial, servico, first, last});
        return c->Call(metodos::GetCardapioImpresso().Name, args);
    }
    // A packet of the answer as lines of its named fields, "|" between them (dates as
    // dd/mm).
    static QStringList rows(const QVariant& answer, E element, const QStringList& fields) {
        const QVariantList r = CheckResultServ(answer).toList();
        EXPECT_EQ(r.size(), int(E::Quantidade));
        const TDataPacket p = ToDataPacket(r.value(int(element)));
        QStringList out;
        for (const TPacketRow& row : p.Rows) {
            QStringList cells;
            for (const QString& f : fields) {
                const int i = p.FieldIndex(f);
                EXPECT_GE(i, 0) << f.toStdString();
                const QVariant v = row.Values.value(i);
                cells << (v.typeId() == QMetaType::QDateTime
                              ? FormatDateTime("dd/mm", v.toDateTime())
                              : v.toString().trimmed());
            }
            out << cells.join('|');
        }
        return out;
    }

    TEmbeddedServer server_;
    int days_ = 0;
};

TEST_P(MenuPrintout, AMonthGivesItsPrintedPositionsInOrderTheirDishesDaysAndHolidays) {
    const QVariant answer = impresso(day(1, 2), day(28, 2));
    const QVariantList r = CheckResultServ(answer).toList();
    ASSERT_EQ(r.size(), int(E::Quantidade));
    EXPECT_EQ(r[int(E::NomeFilial)].toString(), "Restaurante Exemplo");
    EXPECT_EQ(r[int(E::NomeServico)].toString(), "Almoço");
    EXPECT_EQ(rows(answer, E::Posicoes,
                   {"DTREFECNFMES", "NRORDCNFMES", "NRSEQCNFMES", "CDTIPOPRAT", "NMTIPOPRAT",
                    "IDOPCCNFMES"}),
              (QStringList{"01/02|1|2|03|CARNE|N", "01/02|2|1|01|ARROZ|N", "01/02|3|3|02|FEIJÃO|N",
                           "01/02|4|4|08|DOCE|S"}))
        << "the juice is not printed";
    EXPECT_EQ(rows(answer, E::Pratos,
                   {"DTCARDAPIO", "NRSEQPRATCAR", "NRORDPRATCAR", "CDPRATO", "NMPRATO"}),
              (QStringList{"02/02|1|1|A1|Branco", "02/02|2|1|C1|Frango", "02/02|3|1|F1|Preto",
                           "02/02|4|1|D1|Pudim", "03/02|1|1|A2|Integral", "03/02|2|1|C1|Frango",
                           "03/02|2|2|C2|Peixe", "16/02|1|1|A1|Branco"}))
        << "neither the juice nor the dinner's dish";
    EXPECT_EQ(
        rows(answer, E::Dias, {"DTCARDAPIO", "DSCARDAPIO"}),
        (QStringList{"02/02|", "03/02|", "16/02|Almoço de Carnaval", "28/02|Sem expediente"}));
    // The branch's holiday names the day even where the menu names it too; the other
    // branch's holiday is not this one's.
    EXPECT_EQ(rows(answer, E::Feriados, {"DTFERIADO", "DSFERIADO"}),
              (QStringList{"16/02|Segunda de Carnaval", "17/02|Carnaval"}));
}

TEST_P(MenuPrintout, AWeekAcrossTwoMonthsTakesEachMonthsPositionsAndTheStandingOnesWithoutAny) {
    const QVariant answer = impresso(day(29, 3), day(4, 4));
    EXPECT_EQ(rows(answer, E::Posicoes, {"DTREFECNFMES", "NRSEQCNFMES", "NMTIPOPRAT"}),
              (QStringList{"01/03|1|ARROZ", "01/03|2|CARNE", "01/03|3|DOCE", "01/04|1|ARROZ",
                           "01/04|2|SUCO"}));
    EXPECT_EQ(
        rows(answer, E::Pratos, {"DTCARDAPIO", "NRSEQPRATCAR", "NMPRATO"}),
        (QStringList{"30/03|1|Branco", "30/03|3|Pudim", "01/04|1|Integral", "01/04|2|Laranja"}));
    EXPECT_EQ(rows(answer, E::Dias, {"DTCARDAPIO"}), (QStringList{"30/03", "01/04"}));
    EXPECT_TRUE(rows(answer, E::Feriados, {"DTFERIADO"}).isEmpty());
}

TEST_P(MenuPrintout, OneDayAndTheLongestPeriod) {
    const QVariant one = impresso(day(3, 2), day(3, 2));
    EXPECT_EQ(rows(one, E::Pratos, {"DTCARDAPIO", "NMPRATO"}),
              (QStringList{"03/02|Integral", "03/02|Frango", "03/02|Peixe"}));
    EXPECT_EQ(rows(one, E::Posicoes, {"NMTIPOPRAT"}).size(), 4) << "the month's positions";
    // Six weeks from the first of February reach the 14th of March.
    const QVariant six = impresso(day(1, 2), day(14, 3));
    EXPECT_EQ(rows(six, E::Dias, {"DTCARDAPIO"}),
              (QStringList{"02/02", "03/02", "16/02", "28/02", "01/03"}));
    EXPECT_EQ(rows(six, E::Posicoes, {"DTREFECNFMES"}).size(), 7);
}

TEST_P(MenuPrintout, RefusalsSayWhy) {
    EXPECT_EQ(impresso(day(2, 2), day(1, 2)).toString(),
              "Período inválido para o cardápio impresso: de 02/02/2026 a 01/02/2026 (até 42 "
              "dias).");
    EXPECT_EQ(impresso(day(1, 2), day(15, 3)).toString(),
              "Período inválido para o cardápio impresso: de 01/02/2026 a 15/03/2026 (até 42 "
              "dias).");
    EXPECT_EQ(impresso(day(1, 2), day(28, 2), "ANA", "0077").toString(), "Filial não cadastrada.");
    EXPECT_EQ(impresso(day(1, 2), day(28, 2), "CARLA").toString(),
              "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_EQ(impresso(day(1, 2), day(28, 2), "ANA", Filial, "00009").toString(),
              "Serviço 00009 não cadastrado na filial 0001.");
    // Codes typed short are padded as everywhere.
    EXPECT_EQ(rows(impresso(day(2, 2), day(2, 2), "ANA", "1", "1"), E::Pratos, {"CDPRATO"}),
              (QStringList{"A1", "C1", "F1", "D1"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuPrintout,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
