// The month's costs over the worked example of docs/COSTS.md, built in a fresh database
// on both engines: every figure of the document, then the rules one by one.
#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/modules/modules.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");
const QString Jantar = QStringLiteral("00002");
const QString Arroz = QStringLiteral("0000000001"); // arroz com tomate
const QString Frango = QStringLiteral("0000000002");
constexpr qlonglong Planejado = 6;
constexpr qlonglong Real = 48;

QDateTime day(int d, int m = 3) {
    return DataHora(QDate(2026, m, d));
}

QString moduleOf(const TMethodSpec& metodo) {
    for (const auto& [module, method] : metodos::Todos()) {
        if (method == &metodo) {
            return module;
        }
    }
    return {};
}

// The permissions of every operation but one.
QString allBut(std::initializer_list<TAutorizacao> refused) {
    QString p(QtAutorizacoes, QLatin1Char('1'));
    for (const TAutorizacao a : refused) {
        p[Posicao(a)] = QLatin1Char('0');
    }
    return p;
}

// A day's planned cost as the work area's packet gives it.
struct TDia {
    QDate Dia;
    double Materia;
    double Consumo;
    QVariant Rateio;
    double Comensais;
    double Clientes;
};

class Costs : public ::testing::TestWithParam<TEngine> {
protected:
    Costs()
        : server_(GetParam()) {
        seed();
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }
    double number(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toDouble();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }

    void price(const QString& filial, qlonglong type, const QString& product, const QDateTime& from,
               double value) {
        exec("INSERT INTO CUSTOPROD (CDFILIAL, NRTIPOCUSTO, CDPRODUTO, DTVIGENCIA, VRCUSTUNIT) "
             "VALUES (?, ?, ?, ?, ?)",
             {filial, type, product, from, value});
    }
    // A day of a service with its estimated diners and clients, and its effective diners.
    QString addDay(const QString& servico, const QDateTime& when, double diners, double clients,
                   const QVariant& effective = QVariant()) {
        const QString nr = QStringLiteral("%1").arg(++days_, 10, 10, QLatin1Char('0'));
        exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, QTCOMESTICAR, "
             "QTCLIESTICAR, QTCOMEFETCAR, DTMESCARD) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
             {Filial, nr, servico, when, diners, clients, effective,
              DataHora(PriDiaMes(when.date()))});
        return nr;
    }
    void addDish(const QString& nr, int position, const QString& dish, double share,
                 int order = 1) {
        exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
             "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES (?, ?, ?, ?, ?, ?, ?)",
             {Filial, nr, position, order, Filial, dish, share});
    }
    void withdraw(const QDateTime& when, const QString& product, double quantity, double unit,
                  const QString& servico = Almoco) {
        exec("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, CDPRODUTO, QTRETIRADA, "
             "VRCUSTUNIT) VALUES (?, ?, ?, ?, ?, ?)",
             {Filial, servico, when, product, quantity, unit});
    }

    // The worked example of docs/COSTS.md.
    void seed() {
        for (const auto& [code, name] :
             {std::pair{"0001", "Restaurante Exemplo"}, std::pair{"0002", "Cozinha Exemplo"}}) {
            exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES (?, ?, ?)",
                 {code, name, day(1)});
        }
        exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (6, 'CUSTO MEDIO'), "
             "(48, 'TABELA DE PRECOS')");
        exec("INSERT INTO PARAMPLANEJA (CDFILIAL, CDTIPOCUSTOPLA, CDTIPOCUSTOREA, IDCOMCUSPERC, "
             "IDBLQFECHCARD, VRPEMAXDIFPLAPA, VRPEMINDIFPLAPA) VALUES ('0001', '6', '48', 'C', "
             "'S', 3, 2)");
        exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', '00001', "
             "'Almoço'), ('0001', '00002', 'Jantar')");
        exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('01', 'ARROZ'), "
             "('03', 'PRATO PRINCIPAL')");
        exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES "
             "('0001', '0000000001', 'ARROZ COM TOMATE', '01'), "
             "('0001', '0000000002', 'FRANGO GRELHADO', '03')");
        exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE) VALUES "
             "('101001', 'ARROZ', 'KG'), ('101002', 'TOMATE', 'KG'), "
             "('102001', 'FRANGO', 'KG'), ('901001', 'GAS GLP', 'KG')");
        exec("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, QTPERCAPITA, QTFATORCORR) "
             "VALUES ('0001', '0000000001', '101001', 0.08, 1), "
             "('0001', '0000000001', '101002', 0.02, 1.25), "
             "('0001', '0000000002', '102001', 0.15, 1.2)");
        // Planned prices: rice and gas go up on the 10th.
        price(Filial, Planejado, "101001", day(1, 2), 5.00);
        price(Filial, Planejado, "101001", day(10), 6.00);
        price(Filial, Planejado, "101002", day(1, 2), 4.00);
        price(Filial, Planejado, "102001", day(1, 2), 20.00);
        price(Filial, Planejado, "901001", day(1, 2), 6.00);
        price(Filial, Planejado, "901001", day(10), 6.40);
        // Real prices: gas has none until the 15th.
        price(Filial, Real, "101001", day(1, 2), 4.90);
        price(Filial, Real, "101001", day(10), 5.80);
        price(Filial, Real, "101002", day(1, 2), 3.80);
        price(Filial, Real, "102001", day(1, 2), 21.00);
        price(Filial, Real, "901001", day(15), 7.00);
        exec("INSERT INTO CONSSERV (CDFILIAL, CDSERVFILI, CDPRODUTO, QTCONSPERC) VALUES "
             "('0001', '00001', '901001', 0.05)");
        exec("INSERT INTO CUSTORATMES (CDFILIAL, DTMESCUST, VRCUSTORAT) VALUES ('0001', ?, 1500)",
             {day(1)});
        exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR) VALUES "
             "('0001', '00001', ?, 5)",
             {day(1)});
        const QString d9 = addDay(Almoco, day(9), 100, 80, 95.0);
        addDish(d9, 1, Arroz, 100);
        addDish(d9, 2, Frango, 100);
        const QString d11 = addDay(Almoco, day(11), 50, 40, 52.0);
        addDish(d11, 1, Arroz, 100);
        addDish(d11, 2, Frango, 60);
        addDay(Jantar, day(20), 150, 140);
        withdraw(day(9), "101001", 8.5, 5.10);
        withdraw(day(9), "102001", 18, 19.50);
        withdraw(day(9), "901001", 5, 6.20);
        withdraw(day(11), "101001", 4, 5.60);
        withdraw(day(11), "101002", 1.5, 3.90);
        withdraw(day(11), "102001", 6, 19.80);
        withdraw(day(11), "901001", 2.5, 6.30);

        operador("ANA", Filial, QString(QtAutorizacoes, QLatin1Char('1')));
        operador("BETO", Filial, QString(QtAutorizacoes, QLatin1Char('1')));
        operador("CARLA", QStringLiteral("0002"), QString(QtAutorizacoes, QLatin1Char('1')));
        operador("DORA", Filial, allBut({TAutorizacao::AtualizarDataRefRec}));
        operador("EDU", Filial,
                 allBut({TAutorizacao::AtualizarDataRef, TAutorizacao::AtualizarDataRefRec}));
    }
    void operador(const QString& code, const QString& filial, const QString& permissions) {
        server_.AddOperator(code, code.toLower() + "-senha", permissions);
        exec("UPDATE OPERADOR SET CDFILIAL = ? WHERE CDOPERADOR = ?", {filial, code});
    }

    QVariant call(const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op = QStringLiteral("ANA")) {
        auto c = server_.Connect(moduleOf(metodo), server_.SignIn(op, op.toLower() + "-senha"));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }

    // GetTrabCusto: [key, days].
    QVariantList trabCusto(const QDateTime& inicio, const QDateTime& fim, bool fixa,
                           const QVariant& referencia, const QString& filialCusto = QString(),
                           bool porPrato = false, const QString& op = QStringLiteral("ANA"),
                           const QString& servico = Almoco, qlonglong tipo = Planejado) {
        return call(metodos::GetTrabCusto(),
                    {Filial, servico, inicio, fim, tipo, op, fixa, referencia, filialCusto,
                     porPrato},
                    op)
            .toList();
    }
    static QList<TDia> dias(const QVariantList& answer) {
        const TDataPacket p = ToDataPacket(answer.value(int(TElemTrabCusto::Dias)));
        QList<TDia> out;
        for (const TPacketRow& r : p.Rows) {
            out.append({r.Values[0].toDateTime().date(), r.Values[1].toDouble(),
                        r.Values[2].toDouble(), r.Values[3], r.Values[4].toDouble(),
                        r.Values[5].toDouble()});
        }
        return out;
    }
    static void expectDay(const TDia& d, const QDate& when, double materia, double consumo,
                          const QVariant& rateio, double comensais, double clientes) {
        SCOPED_TRACE(when.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(d.Dia, when);
        EXPECT_DOUBLE_EQ(d.Materia, materia);
        EXPECT_DOUBLE_EQ(d.Consumo, consumo);
        if (rateio.isNull()) {
            EXPECT_TRUE(d.Rateio.isNull()) << d.Rateio.toDouble();
        } else {
            ASSERT_FALSE(d.Rateio.isNull());
            EXPECT_DOUBLE_EQ(d.Rateio.toDouble(), rateio.toDouble());
        }
        EXPECT_DOUBLE_EQ(d.Comensais, comensais);
        EXPECT_DOUBLE_EQ(d.Clientes, clientes);
    }

    // getVdFechaCardapioCus for March: no row, or CUSTO, the tolerances and DIFECUSTO.
    QList<double> fechamento(const QString& kind, const QVariant& referencia,
                             const QString& servico = Almoco, int month = 3) {
        const QDate first(2026, month, 1);
        const TDataPacket p =
            ToDataPacket(call(metodos::getVdFechaCardapioCus(),
                              {Filial, servico, DataHora(first), DataHora(UltimoDiaMes(first)),
                               QStringLiteral("ANA"), Planejado, kind, referencia}));
        if (p.Rows.isEmpty()) {
            return {};
        }
        EXPECT_EQ(p.RowCount(), 1);
        QList<double> out;
        for (const char* f : {"CUSTO", "VRPEMAXDIFPLAPA", "VRPEMINDIFPLAPA", "DIFECUSTO"}) {
            out << p.Rows[0].Values[p.FieldIndex(f)].toDouble();
        }
        return out;
    }
    // What the monthly screen does with the answer: a difference equal to its limit is
    // still within it.
    static bool closeRefused(const QList<double>& f) {
        const double diff = f[3];
        return (diff > 0 && f[1] < diff) || (diff < 0 && -diff > f[2]);
    }

    // GetRealizado: date, real diners, quantity, cost of each served day.
    QList<QVariantList> realizado(bool fixa, const QVariant& referencia,
                                  const QString& filialCusto = QString(),
                                  const QString& op = QStringLiteral("ANA")) {
        const TDataPacket p =
            ToDataPacket(call(metodos::GetRealizado(),
                              {Filial, Almoco, day(1), Real, fixa, referencia, filialCusto}, op));
        QList<QVariantList> out;
        for (const TPacketRow& r : p.Rows) {
            out.append({r.Values[0].toDateTime().date(), r.Values[1].toDouble(),
                        r.Values[2].toDouble(), r.Values[3].toDouble()});
        }
        return out;
    }

    TEmbeddedServer server_;
    int days_ = 0;
};

// --- the worked example, figure by figure -------------------------------------------

TEST_P(Costs, TheWorkedExampleDayByDayAtEachDaysPrices) {
    const QVariantList answer = trabCusto(day(9), day(11), false, QVariant());
    ASSERT_EQ(answer.size(), int(TElemTrabCusto::Quantidade));
    const QString key = answer[0].toString();
    EXPECT_EQ(key.size(), TamanhoNrCardapio);
    EXPECT_FALSE(TextoDeErro(key)) << key.toStdString();
    const TDataPacket p = ToDataPacket(answer[1]);
    QStringList fields;
    for (const TFieldDef& f : p.Fields) {
        fields << f.Name;
    }
    EXPECT_EQ(fields, (QStringList{"DTDATA", "VRCUSTPRODMAT", "VRCUSTOCONS", "VRCUSTORAT",
                                   "QTCOMESTICAR", "QTCLIESTICAR", "VRCUSTOACU", "VRCUSTOCONSACU",
                                   "VRCUSTMATACU", "VRCUSTOMEDIO", "QTCOMESACU"}));
    EXPECT_EQ(p.Fields[0].Type, TFieldType::DateTime);
    for (int i = 1; i < p.Fields.size(); ++i) {
        EXPECT_EQ(p.Fields[i].Type, TFieldType::Float) << p.Fields[i].Name.toStdString();
    }
    const QList<TDia> d = dias(answer);
    ASSERT_EQ(d.size(), 3) << "every calendar day";
    // 9/3: rice 0.08 × 1 × 5.00 + tomato 0.02 × 1.25 × 4.00 = 0.50 a serving, chicken
    // 0.15 × 1.2 × 20.00 = 3.60; 100 and 100 portions; gas 0.05 × 6.00 = 0.30 a diner;
    // 1,500.00 × 100 / 300 of the indirect cost.
    expectDay(d[0], QDate(2026, 3, 9), 410, 30, 500.0, 100, 80);
    // 10/3: no menu.
    expectDay(d[1], QDate(2026, 3, 10), 0, 0, 0.0, 0, 0);
    // 11/3: rice at 6.00 from the 10th: 0.58 × 50; chicken 3.60 × 30 (60 %); gas at 6.40.
    expectDay(d[2], QDate(2026, 3, 11), 137, 16, 250.0, 50, 40);
    for (const TPacketRow& r : p.Rows) {
        for (int i = 6; i < 11; ++i) {
            EXPECT_EQ(r.Values[i].toDouble(), 0.0) << "filled by the screen";
        }
    }
}

TEST_P(Costs, TheWorkedExampleAtAFixedReferenceDate) {
    const QList<TDia> d = dias(trabCusto(day(9), day(11), true, day(1)));
    ASSERT_EQ(d.size(), 3);
    expectDay(d[0], QDate(2026, 3, 9), 410, 30, 500.0, 100, 80);
    expectDay(d[1], QDate(2026, 3, 10), 0, 0, 0.0, 0, 0);
    // The prices of 1/3 for every day: rice 0.50 a serving, gas 0.30 a diner.
    expectDay(d[2], QDate(2026, 3, 11), 133, 15, 250.0, 50, 40);
}

TEST_P(Costs, TheWorkAreaKeepsTheDaysAndByDishEachDish) {
    const QVariantList plain = trabCusto(day(9), day(11), false, QVariant());
    const QVariantList byDish = trabCusto(day(9), day(11), false, QVariant(), {}, true);
    EXPECT_EQ(ToDataPacket(plain[1]), ToDataPacket(byDish[1])) << "the answer is the same";
    const QString a = plain[0].toString();
    const QString b = byDish[0].toString();
    EXPECT_NE(a, b);
    EXPECT_EQ(b.toLongLong(), a.toLongLong() + 1) << "from one counter";

    for (const QString& key : {a, b}) {
        QSqlQuery h = server_.Db().Exec("SELECT CDFILIAL, CDSERVFILI, CDOPERADOR, DTCRIACAO, "
                                        "NRTIPOCUSTO, DTREFERENCIA, CDFILCUSTO, IDPORPRATO FROM "
                                        "TRABCUSTO WHERE NRTRABCUSTO = ?",
                                        {key});
        ASSERT_TRUE(h.next());
        EXPECT_EQ(h.value(0).toString(), Filial);
        EXPECT_EQ(h.value(1).toString(), Almoco);
        EXPECT_EQ(h.value(2).toString(), "ANA");
        EXPECT_EQ(db::TDatabase::FromSql(TFieldType::DateTime, h.value(3)).toDateTime().date(),
                  Hoje());
        EXPECT_EQ(h.value(4).toInt(), 6);
        EXPECT_TRUE(h.value(5).isNull()) << "each day its own date";
        EXPECT_EQ(h.value(6).toString(), Filial);
        EXPECT_EQ(h.value(7).toString(), key == a ? "N" : "S");
        EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTODIA WHERE NRTRABCUSTO = ?", {key}), 3);
        EXPECT_DOUBLE_EQ(number("SELECT VRCUSTPRODMAT FROM TRABCUSTODIA WHERE NRTRABCUSTO = ? "
                                "AND DTDATA = ?",
                                {key, day(11)}),
                         137);
        EXPECT_FALSE(server_.Db()
                         .Scalar("SELECT VRCUSTORAT FROM TRABCUSTODIA WHERE NRTRABCUSTO = ? AND "
                                 "DTDATA = ?",
                                 {key, day(10)})
                         .isNull())
            << "a month with an indirect cost spreads 0 over a day without diners";
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTOPRAT WHERE NRTRABCUSTO = ?", {a}), 0);
    QSqlQuery q = server_.Db().Exec(
        "SELECT DTDATA, NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, QTPORCAO, "
        "VRCUSTOPORCAO, VRCUSTOPRATO FROM TRABCUSTOPRAT WHERE NRTRABCUSTO = ? ORDER BY DTDATA, "
        "NRSEQPRATCAR",
        {b});
    const QList<QVariantList> expected{{9, 1, Arroz, 100.0, 0.50, 50.0},
                                       {9, 2, Frango, 100.0, 3.60, 360.0},
                                       {11, 1, Arroz, 50.0, 0.58, 29.0},
                                       {11, 2, Frango, 30.0, 3.60, 108.0}};
    for (const QVariantList& e : expected) {
        ASSERT_TRUE(q.next());
        EXPECT_EQ(db::TDatabase::FromSql(TFieldType::DateTime, q.value(0)).toDateTime(),
                  day(e[0].toInt()));
        EXPECT_EQ(q.value(1).toInt(), e[1].toInt());
        EXPECT_EQ(q.value(2).toInt(), 1);
        EXPECT_EQ(q.value(3).toString(), Filial);
        EXPECT_EQ(q.value(4).toString(), e[2].toString());
        EXPECT_DOUBLE_EQ(q.value(5).toDouble(), e[3].toDouble());
        EXPECT_DOUBLE_EQ(q.value(6).toDouble(), e[4].toDouble());
        EXPECT_DOUBLE_EQ(q.value(7).toDouble(), e[5].toDouble());
    }
    EXPECT_FALSE(q.next());
}

TEST_P(Costs, TheWorkedExampleClosingCheck) {
    // Each day's prices: (410 + 137 + 30 + 16) / (80 + 40) client diners = 4.94167;
    // against 5.00: -1.1666 %.
    const QList<double> c = fechamento("C", QVariant());
    ASSERT_EQ(c.size(), 4);
    EXPECT_DOUBLE_EQ(c[0], 4.94167);
    EXPECT_DOUBLE_EQ(c[1], 3);
    EXPECT_DOUBLE_EQ(c[2], 2);
    EXPECT_DOUBLE_EQ(c[3], -1.1666);
    EXPECT_FALSE(closeRefused(c));
    // The prices of 1/3: (410 + 133 + 30 + 15) / 120 = 4.90, -2 %: on the limit below.
    const QList<double> x = fechamento("X", day(1));
    ASSERT_EQ(x.size(), 4);
    EXPECT_DOUBLE_EQ(x[0], 4.9);
    EXPECT_DOUBLE_EQ(x[3], -2);
    EXPECT_FALSE(closeRefused(x));
    // Every diner instead of the clients: 593 / 150 = 3.95333, -20.9334 %.
    exec("UPDATE PARAMPLANEJA SET IDCOMCUSPERC = 'T' WHERE CDFILIAL = '0001'");
    const QList<double> t = fechamento("C", QVariant());
    ASSERT_EQ(t.size(), 4);
    EXPECT_DOUBLE_EQ(t[0], 3.95333);
    EXPECT_DOUBLE_EQ(t[3], -20.9334);
    EXPECT_TRUE(closeRefused(t));
}

TEST_P(Costs, TheWorkedExampleRealCost) {
    // 9/3: rice 8.5 × 4.90 + chicken 18 × 21.00 + gas 5 × 6.20 (no real price yet: the
    // withdrawal's own); 11/3: rice 4 × 5.80 + tomato 1.5 × 3.80 + chicken 6 × 21.00 +
    // gas 2.5 × 6.30.
    const QList<QVariantList> perDay = realizado(false, QVariant());
    ASSERT_EQ(perDay.size(), 2);
    EXPECT_EQ(perDay[0][0].toDate(), QDate(2026, 3, 9));
    EXPECT_DOUBLE_EQ(perDay[0][1].toDouble(), 95);
    EXPECT_DOUBLE_EQ(perDay[0][2].toDouble(), 31.5);
    EXPECT_DOUBLE_EQ(perDay[0][3].toDouble(), 450.65);
    EXPECT_EQ(perDay[1][0].toDate(), QDate(2026, 3, 11));
    EXPECT_DOUBLE_EQ(perDay[1][1].toDouble(), 52);
    EXPECT_DOUBLE_EQ(perDay[1][2].toDouble(), 14);
    EXPECT_DOUBLE_EQ(perDay[1][3].toDouble(), 170.65);
    // At 1/3 the rice of 11/3 is 4.90 again.
    const QList<QVariantList> fixed = realizado(true, day(1));
    ASSERT_EQ(fixed.size(), 2);
    EXPECT_DOUBLE_EQ(fixed[0][3].toDouble(), 450.65);
    EXPECT_DOUBLE_EQ(fixed[1][3].toDouble(), 167.05);
    // At 20/3 gas has its real price, 7.00: 5 × 7.00 and 2.5 × 7.00, rice at 5.80.
    const QList<QVariantList> late = realizado(true, day(20));
    ASSERT_EQ(late.size(), 2);
    EXPECT_DOUBLE_EQ(late[0][3].toDouble(), 8.5 * 5.80 + 18 * 21.00 + 5 * 7.00);
    EXPECT_DOUBLE_EQ(late[1][3].toDouble(), 4 * 5.80 + 1.5 * 3.80 + 6 * 21.00 + 2.5 * 7.00);
    const TDataPacket p = ToDataPacket(
        call(metodos::GetRealizado(), {Filial, Almoco, day(1), Real, false, QVariant(), ""}));
    QStringList fields;
    for (const TFieldDef& f : p.Fields) {
        fields << f.Name;
    }
    EXPECT_EQ(fields, (QStringList{"DTCARDAPIO", "QTCOMEFETCAR", "QTRETIRADA", "CUSTO", "CUSTOACUM",
                                   "QTCOMENSACU", "VRCUSTOMEDIO"}));
}

TEST_P(Costs, TheWorkedExampleStandardAndPlannedDiners) {
    const TDataPacket standard =
        ToDataPacket(call(metodos::GetCustoPadrao(), {Filial, Almoco, day(17)}));
    ASSERT_EQ(standard.RowCount(), 1);
    EXPECT_EQ(standard.Fields[0].Name, "VRCUSTPADR");
    EXPECT_DOUBLE_EQ(standard.Rows[0].Values[0].toDouble(), 5);
    EXPECT_EQ(ToDataPacket(call(metodos::GetCustoPadrao(), {Filial, Almoco, day(1, 4)})).RowCount(),
              0);
    EXPECT_DOUBLE_EQ(call(metodos::GetComensPlan(), {Filial, Almoco, day(1)}).toDouble(), 150);
    EXPECT_DOUBLE_EQ(call(metodos::GetComensPlan(), {Filial, Jantar, day(1)}).toDouble(), 150);
    EXPECT_DOUBLE_EQ(call(metodos::GetComensPlan(), {Filial, Almoco, day(1, 4)}).toDouble(), 0);
}

// --- the rules one by one -----------------------------------------------------------

TEST_P(Costs, ADishsCostPerServingCountsTheGrossQuantity) {
    const auto serving = [&](const QString& dish, const QDateTime& at) {
        const TDataPacket p = ToDataPacket(call(
            metodos::GetPratoCusto(), {Filial, Almoco, "2", "", Planejado, at, "", dish, false}));
        for (const TPacketRow& r : p.Rows) {
            if (r.Values[p.FieldIndex("CDPRATO")].toString() == dish) {
                return r.Values[p.FieldIndex("VRCUSTOPORCAO")].toDouble();
            }
        }
        return -1.0;
    };
    // Without the correction factors they would be 0.48 and 3.00.
    EXPECT_DOUBLE_EQ(serving(Arroz, day(9)), 0.50);
    EXPECT_DOUBLE_EQ(serving(Frango, day(9)), 3.60);
    EXPECT_DOUBLE_EQ(serving(Arroz, day(10)), 0.58) << "valid from its day on";
    EXPECT_DOUBLE_EQ(serving(Arroz, day(31, 1)), 0) << "no price yet counts nothing";
    exec("UPDATE RECEITA SET QTFATORCORR = 1.5 WHERE CDPRODUTO = '101001'");
    EXPECT_DOUBLE_EQ(serving(Arroz, day(9)), 0.70);
    EXPECT_DOUBLE_EQ(dias(trabCusto(day(9), day(9), false, QVariant()))[0].Materia, 430)
        << "the month's costs follow the same rule";
}

TEST_P(Costs, PricesOfTheCostBranch) {
    for (const auto& [product, value] : {std::pair{"101001", 7.0}, std::pair{"101002", 4.0},
                                         std::pair{"102001", 25.0}, std::pair{"901001", 8.0}}) {
        price(QStringLiteral("0002"), Planejado, product, day(1, 1), value);
    }
    const QList<TDia> d = dias(trabCusto(day(9), day(9), false, QVariant(), "0002"));
    ASSERT_EQ(d.size(), 1);
    // Rice 0.08 × 7 + 0.10 = 0.66, chicken 0.15 × 1.2 × 25 = 4.50; gas 0.05 × 8.00. The
    // indirect cost stays the menu's branch's.
    expectDay(d[0], QDate(2026, 3, 9), 516, 40, 500.0, 100, 80);
    const QVariantList none = trabCusto(day(9), day(9), false, QVariant(), "0009");
    EXPECT_TRUE(TextoDeErro(none[0].toString())) << none[0].toString().toStdString();
    EXPECT_TRUE(none[1].isNull());
    // The real cost too; without prices of the real type the withdrawals' own count.
    const QList<QVariantList> real = realizado(false, QVariant(), "0002");
    ASSERT_EQ(real.size(), 2);
    EXPECT_DOUBLE_EQ(real[0][3].toDouble(), 8.5 * 5.10 + 18 * 19.50 + 5 * 6.20);
}

TEST_P(Costs, ADayWithoutDinersCostsNothing) {
    const QString nr = addDay(Almoco, day(12), 0, 0);
    addDish(nr, 1, Arroz, 100);
    const QList<TDia> d = dias(trabCusto(day(12), day(12), false, QVariant(), {}, true));
    ASSERT_EQ(d.size(), 1);
    expectDay(d[0], QDate(2026, 3, 12), 0, 0, 0.0, 0, 0);
    EXPECT_DOUBLE_EQ(number("SELECT VRCUSTOPORCAO FROM TRABCUSTOPRAT WHERE DTDATA = ?", {day(12)}),
                     0.58)
        << "the dish keeps its cost per serving";
}

TEST_P(Costs, TheIndirectCostOfAMonthWithoutOneIsNull) {
    // A period across two months: March has an indirect cost, April none.
    const QString nr = addDay(Almoco, day(1, 4), 10, 10);
    addDish(nr, 1, Arroz, 100);
    const QList<TDia> d = dias(trabCusto(day(31), day(1, 4), false, QVariant()));
    ASSERT_EQ(d.size(), 2);
    expectDay(d[0], QDate(2026, 3, 31), 0, 0, 0.0, 0, 0);
    expectDay(d[1], QDate(2026, 4, 1), 5.8, 3.2, QVariant(), 10, 10);
    // A month with an indirect cost and no diners at all spreads nothing.
    exec("INSERT INTO CUSTORATMES (CDFILIAL, DTMESCUST, VRCUSTORAT) VALUES ('0001', ?, 900)",
         {day(1, 5)});
    const QList<TDia> may = dias(trabCusto(day(4, 5), day(4, 5), false, QVariant()));
    expectDay(may[0], QDate(2026, 5, 4), 0, 0, 0.0, 0, 0);
    // The indirect cost is spread over every service's diners of the month.
    exec("UPDATE CARDADIA SET QTCOMESTICAR = 50 WHERE CDSERVFILI = '00002'");
    expectDay(dias(trabCusto(day(9), day(9), false, QVariant()))[0], QDate(2026, 3, 9), 410, 30,
              750.0, 100, 80);
}

TEST_P(Costs, TodayIsTheFixedReferenceWhenNoneIsGiven) {
    {
        THojeScope today(QDate(2026, 3, 5));
        EXPECT_DOUBLE_EQ(dias(trabCusto(day(9), day(9), true, QVariant()))[0].Materia, 410);
    }
    THojeScope today(QDate(2026, 3, 15));
    // Rice at 6.00 for 9/3 too: 0.58 × 100 + 360.
    EXPECT_DOUBLE_EQ(dias(trabCusto(day(9), day(9), true, QVariant()))[0].Materia, 418);
    const QList<QVariantList> real = realizado(true, QVariant());
    // Gas has its real price from the 15th.
    EXPECT_DOUBLE_EQ(real[0][3].toDouble(), 8.5 * 5.80 + 18 * 21.00 + 5 * 7.00);
}

TEST_P(Costs, RefusalsKeepTheAnswersShapeAndWriteNothing) {
    const auto refused = [&](const QVariantList& answer, const char* why) {
        ASSERT_EQ(answer.size(), 2) << why;
        EXPECT_GT(answer[0].toString().size(), TamanhoNrCardapio) << why;
        EXPECT_TRUE(TextoDeErro(answer[0].toString())) << why;
        EXPECT_TRUE(answer[1].isNull()) << why;
    };
    refused(trabCusto(day(11), day(9), false, QVariant()), "the end before the start");
    refused(trabCusto(day(1), day(1, 4), false, QVariant()), "32 days");
    refused(trabCusto(day(9), day(9), false, QVariant(), {}, false, "ANA", "00009"), "service");
    refused(trabCusto(day(9), day(9), false, QVariant(), {}, false, "ANA", Almoco, 99),
            "cost type");
    refused(trabCusto(day(9), day(9), false, QVariant(), {}, false, "CARLA"),
            "another branch's operator");
    EXPECT_EQ(trabCusto(day(9), day(9), false, QVariant(), {}, false, "CARLA")[0].toString(),
              "Operador sem acesso aos custos da filial 0001.");
    const QVariantList unknown =
        call(metodos::GetTrabCusto(),
             {"0077", Almoco, day(9), day(9), Planejado, "ANA", false, QVariant(), "", false})
            .toList();
    refused(unknown, "branch");
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTO"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTODIA"), 0);
    // 31 days are a month.
    EXPECT_EQ(dias(trabCusto(day(1), day(31), false, QVariant())).size(), 31);

    // The other cost methods refuse the branch too.
    EXPECT_EQ(call(metodos::GetRealizado(), {Filial, Almoco, day(1), Real, false, QVariant(), ""},
                   "CARLA")
                  .toString(),
              "Operador sem acesso aos custos da filial 0001.");
    EXPECT_EQ(call(metodos::GetCustoPadrao(), {Filial, Almoco, day(1)}, "CARLA").toString(),
              "Operador sem acesso aos custos da filial 0001.");
    EXPECT_EQ(call(metodos::getVdFechaCardapioCus(),
                   {Filial, Almoco, day(1), day(31), "CARLA", Planejado, "C", QVariant()}, "CARLA")
                  .toString(),
              "Operador sem acesso aos custos da filial 0001.");
}

TEST_P(Costs, AWorkAreaIsReleasedOnlyByItsOperatorAndBranch) {
    const QString mine = trabCusto(day(9), day(11), false, QVariant(), {}, true)[0].toString();
    const QString betos =
        trabCusto(day(9), day(11), false, QVariant(), {}, true, "BETO")[0].toString();
    EXPECT_EQ(call(metodos::DelConsplan(), {betos, Filial}).toString(),
              QStringLiteral("A área de trabalho de custos %1 é de outro operador.").arg(betos));
    EXPECT_EQ(call(metodos::DelConsplan(), {mine, "0002"}).toString(),
              QStringLiteral("A área de trabalho de custos %1 não é da filial 0002.").arg(mine));
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTOPRAT WHERE NRTRABCUSTO = ?", {mine}), 4);
    EXPECT_EQ(call(metodos::DelConsplan(), {mine, Filial}).toString(), "");
    for (const char* table : {"TRABCUSTO", "TRABCUSTODIA", "TRABCUSTOPRAT"}) {
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NRTRABCUSTO = ?").arg(table),
                        {mine}),
                  0)
            << table;
        EXPECT_GT(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NRTRABCUSTO = ?").arg(table),
                        {betos}),
                  0)
            << table;
    }
    EXPECT_EQ(call(metodos::DelConsplan(), {mine, Filial}).toString(), "") << "gone already";
}

TEST_P(Costs, WorkAreasOlderThanADayAreSwept) {
    QString old;
    QString recent;
    {
        THojeScope then(Hoje().addDays(-2));
        old = trabCusto(day(9), day(11), false, QVariant(), {}, true)[0].toString();
        recent = trabCusto(day(9), day(11), false, QVariant(), {}, false, "BETO")[0].toString();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {old}), 1);
    // The other one a minute younger than a day by now.
    exec("UPDATE TRABCUSTO SET DTCRIACAO = ? WHERE NRTRABCUSTO = ?",
         {Agora().addDays(-1).addSecs(60), recent});
    const QString now = trabCusto(day(9), day(9), false, QVariant())[0].toString();
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {old}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTODIA WHERE NRTRABCUSTO = ?", {old}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTOPRAT WHERE NRTRABCUSTO = ?", {old}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {recent}), 1)
        << "younger than a day, whoever's";
    EXPECT_EQ(count("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {now}), 1);
    EXPECT_EQ(call(metodos::DelConsplan(), {old, Filial}).toString(), "")
        << "the screen releasing a swept key";
}

// The closing check at and around its limits, on figures every step of which is exact:
// a standard of 4.00 and one dish for 100 client diners.
TEST_P(Costs, TheClosingCheckAtItsLimits) {
    exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE) VALUES ('103001', 'PEIXE', "
         "'KG')");
    exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES ('0001', "
         "'0000000003', 'PEIXE ASSADO', '03')");
    exec("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, QTPERCAPITA) VALUES ('0001', "
         "'0000000003', '103001', 1)");
    exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR) VALUES ('0001', "
         "'00002', ?, 4)",
         {day(1, 6)});
    exec("UPDATE PARAMPLANEJA SET VRPEMAXDIFPLAPA = 12.5, VRPEMINDIFPLAPA = 12.5 WHERE CDFILIAL "
         "= '0001'");
    addDish(addDay(Jantar, day(10, 6), 100, 100), 1, "0000000003", 100);
    const auto at = [&](double unit) {
        exec("DELETE FROM CUSTOPROD WHERE CDPRODUTO = '103001'");
        price(Filial, Planejado, "103001", day(1, 6), unit);
        return fechamento("C", QVariant(), Jantar, 6);
    };
    const QList<double> above = at(4.5);
    ASSERT_EQ(above.size(), 4);
    EXPECT_EQ(above[0], 4.5);
    EXPECT_EQ(above[3], 12.5) << "exactly the limit above";
    EXPECT_FALSE(closeRefused(above));
    const QList<double> over = at(4.5001);
    EXPECT_EQ(over[3], 12.5025);
    EXPECT_TRUE(closeRefused(over));
    const QList<double> below = at(3.5);
    EXPECT_EQ(below[3], -12.5) << "exactly the limit below";
    EXPECT_FALSE(closeRefused(below));
    const QList<double> under = at(3.4999);
    EXPECT_EQ(under[3], -12.5025);
    EXPECT_TRUE(closeRefused(under));
    EXPECT_EQ(at(4)[3], 0);

    // Nothing to hold the month to: no row.
    exec("UPDATE CUSTOSERVMES SET VRCUSTPADR = 0 WHERE CDSERVFILI = '00002'");
    EXPECT_TRUE(at(4.5).isEmpty()) << "a standard of 0";
    exec("DELETE FROM CUSTOSERVMES WHERE CDSERVFILI = '00002'");
    EXPECT_TRUE(at(4.5).isEmpty()) << "no standard";
    exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR) VALUES ('0001', "
         "'00002', ?, 4)",
         {day(1, 6)});
    ASSERT_EQ(at(4.5).size(), 4);
    exec("UPDATE CARDADIA SET QTCLIESTICAR = 0 WHERE DTMESCARD = ?", {day(1, 6)});
    EXPECT_TRUE(at(4.5).isEmpty()) << "no client diners";
    exec("UPDATE PARAMPLANEJA SET IDCOMCUSPERC = 'T' WHERE CDFILIAL = '0001'");
    ASSERT_EQ(at(4.5).size(), 4) << "every diner counts";
    exec("UPDATE PARAMPLANEJA SET VRPEMAXDIFPLAPA = NULL, VRPEMINDIFPLAPA = NULL WHERE CDFILIAL "
         "= '0001'");
    EXPECT_TRUE(at(4.5).isEmpty()) << "no tolerance";
    // Tolerances come both or neither, never negative.
    EXPECT_THROW(exec("UPDATE PARAMPLANEJA SET VRPEMAXDIFPLAPA = 5 WHERE CDFILIAL = '0001'"),
                 db::EDatabaseError);
    EXPECT_THROW(exec("UPDATE PARAMPLANEJA SET VRPEMAXDIFPLAPA = -1, VRPEMINDIFPLAPA = 1 WHERE "
                      "CDFILIAL = '0001'"),
                 db::EDatabaseError);
    EXPECT_EQ(call(metodos::getVdFechaCardapioCus(),
                   {Filial, Jantar, day(1, 6), day(10, 7), "ANA", Planejado, "C", QVariant()})
                  .toString(),
              "O último dia (10/07/2026) não é do mês de 06/2026.");
    EXPECT_EQ(call(metodos::getVdFechaCardapioCus(),
                   {Filial, Jantar, day(1, 6), day(30, 6), "ANA", Planejado, "Z", QVariant()})
                  .toString(),
              "Tipo de referência de custo Z inválido: C (data de cada dia) ou X (data fixa).");
}

TEST_P(Costs, TheRealCostHasOnlyTheServedDays) {
    addDay(Almoco, day(12), 40, 40, 38.0);     // served, nothing withdrawn
    addDay(Almoco, day(16), 40, 40);           // not served yet
    withdraw(day(13), "101002", 2, 4.10);      // withdrawn without a menu
    withdraw(day(1, 4), "101002", 2, 4.10);    // another month
    withdraw(day(13), "101001", 1, 5, Jantar); // another service
    const QList<QVariantList> r = realizado(false, QVariant());
    QList<QDate> dates;
    for (const QVariantList& row : r) {
        dates << row[0].toDate();
    }
    EXPECT_EQ(dates, (QList<QDate>{QDate(2026, 3, 9), QDate(2026, 3, 11), QDate(2026, 3, 12),
                                   QDate(2026, 3, 13)}));
    ASSERT_EQ(r.size(), 4);
    EXPECT_DOUBLE_EQ(r[2][1].toDouble(), 38);
    EXPECT_DOUBLE_EQ(r[2][2].toDouble(), 0);
    EXPECT_DOUBLE_EQ(r[2][3].toDouble(), 0);
    EXPECT_DOUBLE_EQ(r[3][1].toDouble(), 0) << "no diners recorded";
    EXPECT_DOUBLE_EQ(r[3][2].toDouble(), 2);
    EXPECT_DOUBLE_EQ(r[3][3].toDouble(), 7.6) << "tomato at its real price, 3.80";
}

TEST_P(Costs, TheMonthsReferenceDatesAreStoredWithWhoAndWhen) {
    THojeScope today(QDate(2026, 3, 20));
    const auto base = [&] {
        return ToDataPacket(call(metodos::GetBaseCusto(), {Filial, day(17)}));
    };
    const auto set = [&](const QString& kind, const QDateTime& date,
                         const QString& op = QStringLiteral("ANA")) {
        return call(metodos::SetBaseCusto(), {Filial, day(17), kind, date, op}, op).toString();
    };
    EXPECT_EQ(base().RowCount(), 0);
    QStringList fields;
    for (const TFieldDef& f : base().Fields) {
        fields << f.Name;
    }
    EXPECT_EQ(fields, (QStringList{"DTBASCONCUSPLAN", "CDOPERBASE", "DTALTBASE", "DTBASRECCUS",
                                   "CDOPERREC", "DTALTREC"}));
    EXPECT_EQ(call(metodos::GetDtRefCust(), {Filial, Almoco, day(1)}).toList(),
              QVariantList{qlonglong(0)});

    // From twelve months before the month to its last day.
    const QString bounds =
        QStringLiteral("A data de referência deve estar entre 01/03/2025 e 31/03/2026.");
    EXPECT_EQ(set("P", DataHora(QDate(2025, 2, 28))), bounds);
    EXPECT_EQ(set("P", day(1, 4)), bounds);
    EXPECT_EQ(set("R", DataHora(QDate(2025, 2, 28))), bounds);
    EXPECT_EQ(base().RowCount(), 0);
    EXPECT_EQ(set("R", DataHora(QDate(2025, 3, 1))), "");
    TDataPacket p = base();
    ASSERT_EQ(p.RowCount(), 1);
    EXPECT_TRUE(p.Rows[0].Values[0].isNull()) << "the costs' date is not stored yet";
    EXPECT_EQ(p.Rows[0].Values[3].toDateTime(), DataHora(QDate(2025, 3, 1)));
    EXPECT_EQ(p.Rows[0].Values[4].toString(), "ANA");
    EXPECT_EQ(p.Rows[0].Values[5].toDateTime().date(), QDate(2026, 3, 20));
    EXPECT_EQ(call(metodos::GetDtRefCust(), {Filial, Almoco, day(1)}).toList(),
              QVariantList{qlonglong(0)});

    EXPECT_EQ(set("P", DataHora(QDate(2026, 3, 31), QTime(15, 30)), "DORA"), "");
    p = base();
    ASSERT_EQ(p.RowCount(), 1);
    EXPECT_EQ(p.Rows[0].Values[0].toDateTime(), day(31)) << "a date without its time";
    EXPECT_EQ(p.Rows[0].Values[1].toString(), "DORA");
    EXPECT_EQ(p.Rows[0].Values[2].toDateTime().date(), QDate(2026, 3, 20));
    EXPECT_EQ(p.Rows[0].Values[4].toString(), "ANA") << "the other date keeps its author";
    EXPECT_EQ(call(metodos::GetDtRefCust(), {Filial, Almoco, day(1)}).toList(),
              QVariantList{day(31)});
    EXPECT_EQ(call(metodos::GetDtReferencia(), {Filial, day(5)}).isValid(), true);
    EXPECT_EQ(ToDataPacket(call(metodos::GetDtReferencia(), {Filial, day(5)})).Rows[0].Values[0],
              QVariant(day(31)))
        << "the planning screen's reference date is the same";

    // Each kind its permission; a branch the operator may not use; an unknown kind.
    EXPECT_EQ(set("R", day(2), "DORA"),
              "Operador sem permissão para alterar a data de referência do recálculo de custos.");
    EXPECT_EQ(set("P", day(2), "EDU"),
              "Operador sem permissão para alterar as datas de referência dos custos.");
    EXPECT_EQ(set("P", day(2), "CARLA"), "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_EQ(set("Q", day(2)),
              "Tipo de data de referência Q inválido: P (custos do mês) ou R (recálculo de "
              "custos).");
    EXPECT_EQ(base().Rows[0].Values[0].toDateTime(), day(31)) << "nothing changed";

    // A date not given is refused by the declaration; the method says so too.
    const server::TMethodDef* def = server_.Dispatcher()
                                        .FindModule("Pla00120.rdmBaseCusto")
                                        ->FindMethod(metodos::SetBaseCusto().Name);
    server::TCallContext ctx("ANA", "Pla00120.rdmBaseCusto", def->Name, &server_.Db());
    QList<QVariant> values{Filial, day(1), "P", QVariant(), "ANA"};
    server::TMethodArgs args(def->Params, values);
    try {
        def->Handler(ctx, args);
        ADD_FAILURE() << "an empty date was stored";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "Informe a data de referência.");
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, Costs, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
