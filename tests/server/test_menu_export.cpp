#include "core/data_packet.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

const QString Almoco = QStringLiteral("00001");
const QString Jantar = QStringLiteral("00002"); // the origin of every export here
const QString Cafe = QStringLiteral("00003");
const QString Novo = QStringLiteral("00004"); // a copy of the lunch without days

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// A dish of a day as stored, with its position's dish type.
struct TStored {
    int Seq = 0;
    int Ord = 0;
    QString Type;
    QString Code;
    double Share = 0;
    QString Mark;
    QString Central;
    friend bool operator==(const TStored&, const TStored&) = default;
};

void PrintTo(const TStored& d, std::ostream* os) {
    *os << d.Seq << '/' << d.Ord << ' ' << d.Type.toStdString() << ' ' << d.Code.toStdString()
        << ' ' << d.Share << ' ' << d.Mark.toStdString() << ' ' << d.Central.toStdString();
}

// The restaurant's dinner of next month exported to other services of the branch, over
// the demonstration data: the lunch and the breakfast, and services made for a test by
// copying the lunch's register.
class MenuExport : public ::testing::TestWithParam<TEngine> {
protected:
    MenuExport()
        : server_(GetParam(), Hoje()) {
        // The demonstration's one recipe with an inactive product may fall in any period;
        // the tests plant their own.
        exec("DELETE FROM RECEITA WHERE CDPRODUTO IN (SELECT CDPRODUTO FROM PRODUTO WHERE "
             "IDATIVO = 'N')");
        for (QDate d = next_.addDays(7); d.addDays(3) < last_ && !d1_.isValid(); d = d.addDays(1)) {
            if (working(d) && working(d.addDays(1)) && working(d.addDays(2))) {
                d1_ = d;
            }
        }
        d2_ = d1_.addDays(1);
        d3_ = d1_.addDays(2);
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    QString scalar(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toString().trimmed();
    }
    // A weekday both the dinner and the lunch serve, no holiday of the branch.
    bool working(const QDate& d) {
        return d.dayOfWeek() <= 5 && !server_.DayNumber("0001", Jantar, d).isEmpty() &&
               !server_.DayNumber("0001", Almoco, d).isEmpty() &&
               count("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = '0001' AND DTFERIFILI = ?",
                     {DataHora(d)}) == 0;
    }

    QVariant call(const TMethodSpec& method, const QVariantList& values, const QString& op) {
        auto c = server_.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"), server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(method, values);
        return c->Call(method.Name, args);
    }
    // The dinner's period exported into the destinations, in their order.
    QVariant exportar(const QStringList& to, const QDate& from, const QDate& until,
                      const QString& sobrepor, const QString& copia,
                      const QString& op = QStringLiteral("NUTRI1")) {
        QString origens;
        QString destinos;
        for (const QString& d : to) {
            origens += Jantar + '_';
            destinos += d + '_';
        }
        return call(metodos::ExportarCardapio(),
                    {branch_, origens, destinos, DataHora(PriDiaMes(from)), DataHora(from),
                     DataHora(until), sobrepor, copia, op, false, qlonglong(to.size())},
                    op);
    }
    // Each listed service as "code situation keys".
    QStringList situations(const QDate& from, const QDate& until, const QString& group,
                           const QString& op = QStringLiteral("NUTRI1")) {
        const QVariant answer =
            call(metodos::GetServicosExport(),
                 {"0001", DataHora(from), DataHora(until), false, op, group, Jantar}, op);
        if (answer.typeId() == QMetaType::QString) {
            return {answer.toString()};
        }
        const TDataPacket p = ToDataPacket(answer);
        QStringList out;
        for (const TPacketRow& r : p.Rows) {
            out << QStringLiteral("%1 %2 %3")
                       .arg(r.Values[2].toString(), r.Values[5].toString(), r.Values[6].toString());
            EXPECT_EQ(r.Values[0].toString(), "N") << "none marked yet";
        }
        return out;
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }

    // A new service of the restaurant with another's estimates, shifts, positions, costs
    // and consumption, and no days.
    void copyService(const QString& from, const QString& to, const QString& name,
                     const QString& group) {
        for (const char* table :
             {"SERVICO", "TURNOSERV", "CNFCARDSERV", "CUSTOSERVMES", "CONSSERV"}) {
            const QSqlRecord r =
                server_.Db()
                    .Exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table))
                    .record();
            QStringList columns;
            QStringList values;
            for (int i = 0; i < r.count(); ++i) {
                columns << r.fieldName(i).toUpper();
                values << (columns.last() == "CDSERVFILI" ? QStringLiteral("'%1'").arg(to)
                                                          : columns.last());
            }
            exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE CDFILIAL = '0001' "
                                "AND CDSERVFILI = ?")
                     .arg(table, columns.join(','), values.join(',')),
                 {from});
        }
        exec("UPDATE SERVICO SET NMSERVICO = ?, CDGRUPSERV = ? WHERE CDFILIAL = '0001' AND "
             "CDSERVFILI = ?",
             {name, group, to});
    }

    QList<TStored> dishes(const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT C.NRSEQPRATCAR, C.NRORDPRATCAR, M.CDTIPOPRAT, C.CDPRATO, C.VRPECONSCARD, "
            "C.IDPRATOESPE, C.CDPRATOMAT FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
            "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO LEFT JOIN CNFCARDMES M ON M.CDFILIAL = "
            "D.CDFILIAL AND M.CDSERVFILI = D.CDSERVFILI AND M.DTREFECNFMES = D.DTMESCARD AND "
            "M.NRSEQCNFMES = C.NRSEQPRATCAR WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
            "D.DTCARDAPIO = ? ORDER BY C.NRSEQPRATCAR, C.NRORDPRATCAR",
            {branch_, service, DataHora(day)});
        QList<TStored> out;
        while (q.next()) {
            out.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString().trimmed(),
                        q.value(3).toString().trimmed(), q.value(4).toDouble(),
                        q.value(5).toString(), q.value(6).toString().trimmed()});
        }
        return out;
    }
    static QList<TStored> ofTypes(const QList<TStored>& all, const QStringList& types,
                                  bool keep = true) {
        QList<TStored> out;
        for (const TStored& d : all) {
            if (types.contains(d.Type) == keep) {
                out << d;
            }
        }
        return out;
    }
    // The dinner's dishes of a day as the restaurant's other lunch positions take them:
    // the same position, ordered by the position's order (ten by ten in the demonstration).
    QList<TStored> asPlaced(const QDate& day) {
        QList<TStored> out = dishes(Jantar, day);
        for (TStored& d : out) {
            d.Ord = d.Seq * 10;
        }
        return out;
    }
    // The day's diners: total, the four shifts, clients, employees, donations.
    QList<double> diners(const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, "
            "QTCLIESTICAR, QTFUNESTICAR, QTDOAESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND "
            "CDSERVFILI = ? AND DTCARDAPIO = ?",
            {service, DataHora(day)});
        QList<double> out;
        if (q.next()) {
            for (int i = 0; i < 8; ++i) {
                out << q.value(i).toDouble();
            }
        }
        return out;
    }
    // A service's days between two dates as stored, dish by dish, with their stamps.
    QStringList stored(const QString& service, const QDate& from, const QDate& until) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT D.DTCARDAPIO, D.NRCARDAPIO, D.QTCOMESTICAR, D.QTESTITURNO1, D.QTESTITURNO2, "
            "D.QTESTITURNO3, D.QTCLIESTICAR, D.QTFUNESTICAR, D.QTDOAESTICAR, D.CDOPERADOR, "
            "D.DTULTATUACAR, C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATO, C.VRPECONSCARD, "
            "C.IDPRATOESPE FROM CARDADIA D LEFT JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND "
            "C.NRCARDAPIO = D.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = ? AND "
            "D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, "
            "C.NRORDPRATCAR",
            {service, DataHora(from), DataHora(until)});
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 16; ++i) {
                row << q.value(i).toString();
            }
            out << row.join('|');
        }
        return out;
    }
    // What a refused export must leave as it was.
    QStringList fingerprint() {
        QStringList out;
        for (const char* t :
             {"CARDADIA", "COMPCARD", "CNFCARDMES", "CARDESP", "LOGEXPCARD", "LOGEXPCARDITEM"}) {
            out << QString::number(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)));
        }
        out << scalar("SELECT SUM(NRULTIMO) FROM SEQCARDAPIO");
        return out + stored(Almoco, next_, last_) + stored(Jantar, next_, last_);
    }

    // The kinds of the answer's lines of one destination, in order.
    static QString kinds(const TDataPacket& p, const QString& service) {
        QString out;
        for (const TPacketRow& r : p.Rows) {
            if (r.Values[p.FieldIndex("CDSERDESTLOG")].toString() == service) {
                out += r.Values[0].toString();
            }
        }
        return out;
    }
    // An answer's line with its dates as the planner reads them.
    static QStringList line(const TDataPacket& p, int row) {
        QStringList out;
        for (const QVariant& v : p.Rows.value(row).Values) {
            out << (v.typeId() == QMetaType::QDateTime ? dateText(v.toDateTime().date())
                                                       : v.toString().trimmed());
        }
        return out;
    }
    QString day(const QVariant& v) {
        return v.isNull()
                   ? QString()
                   : dateText(db::TDatabase::FromSql(TFieldType::DateTime, v).toDateTime().date());
    }
    // Each stored log, oldest first: "number origin>destination operator period result
    // [kinds of its lines]".
    QStringList storedLogs() {
        QHash<QString, QString> kinds;
        QSqlQuery i = server_.Db().Exec("SELECT NRLOGEXPCARD, IDNUMERRO FROM LOGEXPCARDITEM "
                                        "ORDER BY NRLOGEXPCARD, NRITEMLOG");
        while (i.next()) {
            kinds[i.value(0).toString()] += i.value(1).toString();
        }
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRLOGEXPCARD, CDSERVORIG, CDSERVDEST, CDOPERADOR, DTINIEXP, DTFIMEXP, "
            "DSRESULTADO FROM LOGEXPCARD WHERE CDFILIAL = '0001' ORDER BY NRLOGEXPCARD");
        QStringList out;
        while (q.next()) {
            out << QStringLiteral("%1 %2>%3 %4 %5-%6 %7 [%8]")
                       .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toString(), day(q.value(4)), day(q.value(5)),
                            q.value(6).toString(), kinds.value(q.value(0).toString()));
        }
        return out;
    }
    // A destination's first stored line of a kind: day, dish branch and code, the dish's
    // name, the other name, text.
    QStringList storedLine(const QString& service, QChar kind) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT I.DTCARDAPIO, I.CDFILAUXPRAT, I.CDPRATO, I.NMPRATORIG, I.NMPRATDEST, "
            "I.DSMENSLOG FROM LOGEXPCARDITEM I JOIN LOGEXPCARD L ON L.CDFILIAL = I.CDFILIAL AND "
            "L.NRLOGEXPCARD = I.NRLOGEXPCARD WHERE L.CDFILIAL = '0001' AND L.CDSERVDEST = ? AND "
            "I.IDNUMERRO = ? ORDER BY I.NRLOGEXPCARD, I.NRITEMLOG",
            {service, QString(kind)});
        QStringList out;
        if (q.next()) {
            out << day(q.value(0));
            for (int i = 1; i < 6; ++i) {
                out << q.value(i).toString().trimmed();
            }
        }
        return out;
    }
    QString dishName(const QString& code) {
        return scalar("SELECT NMPRATO FROM PRATO WHERE CDPRATO = ?", {code});
    }

    TEmbeddedServer server_;
    QString branch_ = QStringLiteral("0001"); // where the exports and the dishes read are
    const QDate next_ = PriDiaMes(Hoje()).addMonths(1);
    const QDate last_ = UltimoDiaMes(next_);
    QDate d1_; // three working days in a row of next month, a week into it
    QDate d2_;
    QDate d3_;
};

// The answer's columns of the branch, origin and destination alike.
const QStringList Restaurant{"0001", "Metalúrgica Paulista - Restaur", "0001",
                             "Metalúrgica Paulista - Restaur"};

// The restaurant's weekday estimate of the lunch (branches.json): 820 diners, shifts of
// 35, 40 and 25 %, 92 % clients, 1 % donations.
const QList<double> LunchWeekday{820, 287, 328, 205, 0, 754, 58, 8};

TEST_P(MenuExport, EachOtherServiceOfTheBranchIsJudgedForThePeriod) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, Novo, "Almoço 2", "0002");
    copyService(Almoco, "00005", "Lanche", "0003"); // a service of another kind
    exec("UPDATE SERVICO SET IDTIPOSERV = 'T' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00005'");
    copyService(Cafe, "00006", "Ceia", "0003"); // breads and hot drinks only
    exec("DELETE FROM CNFCARDSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00006' AND "
         "CDTIPOPRAT = '09'");
    copyService(Almoco, "00007", "Lanche noturno", "0003");
    exec("DELETE FROM CUSTOSERVMES WHERE CDFILIAL = '0001' AND CDSERVFILI = '00007'");
    // A school group's menu, which its branch has not released.
    copyService(Almoco, "00008", "Merenda", "0001");
    exec("UPDATE SERVICO SET IDCARDDESCENTR = 'S' WHERE CDFILIAL = '0001' AND CDSERVFILI = "
         "'00008'");
    exec("UPDATE PARAMPLANEJA SET IDTIPOCARD = 'D' WHERE CDFILIAL = '0001'");

    EXPECT_EQ(situations(next_, last_, "T"),
              QStringList({"00001 A DIAS_COM_PRATOS;", "00003 A TIPOPRAT_FALTA;DIAS_COM_PRATOS;",
                           "00004 O ", "00005 E SERV_OUTRO_TIPO;", "00006 E TIPOPRAT_N_CONF;",
                           "00007 E CUSTPADR;", "00008 B CARD_CENT_N_LIB;"}));
    EXPECT_EQ(situations(next_, last_, "0002"),
              QStringList({"00001 A DIAS_COM_PRATOS;", "00003 A TIPOPRAT_FALTA;DIAS_COM_PRATOS;",
                           "00004 O "}));
    EXPECT_EQ(situations(next_, last_, "0001"), QStringList({"00008 B CARD_CENT_N_LIB;"}));
    // Only the days of the period count: the lunch's days after it are no warning.
    exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO IN (SELECT NRCARDAPIO "
         "FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = ? AND DTCARDAPIO <= ?)",
         {Almoco, DataHora(d1_)});
    EXPECT_EQ(situations(next_, d1_, "0002").value(0), "00001 O ");
    // Who may not change the menus, and a period that starts on a day gone by, block
    // every service before anything else is said of it.
    EXPECT_EQ(situations(next_, last_, "0002", demo::ReadOnlyOperator),
              QStringList({"00001 B CARD_SOMENTE_LEITURA;DIAS_COM_PRATOS;",
                           "00003 B CARD_SOMENTE_LEITURA;TIPOPRAT_FALTA;DIAS_COM_PRATOS;",
                           "00004 B CARD_SOMENTE_LEITURA;"}));
    EXPECT_TRUE(
        situations(Hoje(), Hoje(), "0002").value(2).startsWith("00004 B DTATUAL>DTLIMITE;"));
    EXPECT_EQ(situations(d1_, next_.addMonths(1), "T"),
              QStringList{"Informe um período dentro de um mês."});
}

TEST_P(MenuExport, AddingKeepsTheDaysWithDishesAndNewDaysTakeTheServicesEstimate) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, Novo, "Almoço 2", "0002");
    // A menu holiday inside the period: the lunch's estimate for it is no diners.
    exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES ('0001', ?, "
         "'Aniversário da empresa', ?)",
         {DataHora(d2_), DataHora(Hoje())});
    const QStringList lunch = stored(Almoco, next_, last_);
    const QStringList dinner = stored(Jantar, next_, last_);
    ASSERT_EQ(
        count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = ?", {Novo}),
        0);

    const QVariant raw = exportar({Almoco, Novo}, d1_, d3_, "N", "N");
    ASSERT_EQ(refusal(raw), "");
    const TDataPacket p = ToDataPacket(raw);
    EXPECT_EQ(kinds(p, Almoco), "MMM");
    EXPECT_EQ(kinds(p, Novo), "C") << "the days exported are no observation";
    EXPECT_EQ(line(p, 0), QStringList{"M"} + Restaurant +
                              QStringList({"00001", "Almoço", dateText(d1_), "", "", "",
                                           "O dia já tinha pratos e foi mantido (opção "
                                           "\"Acrescentar\")."}));
    EXPECT_EQ(line(p, 3).mid(5), QStringList({Novo, "Almoço 2", dateText(d2_), "", "", "",
                                              "Dia sem comensais estimados: o cardápio não foi "
                                              "exportado."}));

    EXPECT_EQ(stored(Almoco, next_, last_), lunch) << "every lunch day kept as it was";
    EXPECT_EQ(stored(Jantar, next_, last_), dinner) << "the origin untouched";
    for (const QDate& d : {d1_, d3_}) {
        EXPECT_EQ(dishes(Novo, d), asPlaced(d)) << "ordinary marks, the shares as they were";
        EXPECT_EQ(diners(Novo, d), LunchWeekday) << "the weekday's estimate";
    }
    EXPECT_DOUBLE_EQ(ofTypes(dishes(Novo, d1_), {"03"}).value(0).Share, 75);
    EXPECT_DOUBLE_EQ(ofTypes(dishes(Novo, d1_), {"04"}).value(0).Share, 25);
    EXPECT_EQ(server_.DayNumber("0001", Novo, d2_), "") << "no day without diners";
    EXPECT_EQ(stored(Novo, next_, last_).size(), 20) << "two days of ten dishes, nothing else";
    EXPECT_EQ(count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = ? "
                    "AND DTREFECNFMES = ?",
                    {Novo, DataHora(next_)}),
              10)
        << "the month got its positions";

    const QString period = dateText(d1_) + '-' + dateText(d3_);
    EXPECT_EQ(
        storedLogs(),
        QStringList({"0000000001 00002>00001 NUTRI1 " + period + " Exportado: 0 dia(s). [MMM]",
                     "0000000002 00002>00004 NUTRI1 " + period + " Exportado: 2 dia(s). [OCO]"}));
    EXPECT_EQ(storedLine(Novo, 'O'),
              QStringList({dateText(d1_), "", "", "", "", "10 prato(s) exportado(s)."}));
}

TEST_P(MenuExport, OverwritingReplacesTheBroughtTypesAndTheDinersFollowTheOption) {
    ASSERT_TRUE(d1_.isValid());
    const QList<double> own = diners(Almoco, d1_);
    const QStringList third = stored(Almoco, d3_, d3_);
    const QStringList before = stored(Almoco, next_, d1_.addDays(-1));
    const QStringList after = stored(Almoco, d3_.addDays(1), last_);
    ASSERT_FALSE(before.isEmpty() || after.isEmpty());
    const QStringList dinner = stored(Jantar, next_, last_);
    const QList<TStored> breakfast = dishes(Cafe, d1_);
    ASSERT_NE(ofTypes(dishes(Almoco, d1_), {"01"}).value(0).Code,
              ofTypes(asPlaced(d1_), {"01"}).value(0).Code);

    // The days keep their own diners.
    const TDataPacket p = ToDataPacket(exportar({Almoco, Cafe}, d1_, d2_, "S", "N"));
    for (const QDate& d : {d1_, d2_}) {
        EXPECT_EQ(dishes(Almoco, d), asPlaced(d));
    }
    EXPECT_EQ(diners(Almoco, d1_), own);
    EXPECT_EQ(stored(Almoco, d3_, d3_), third);
    // The breakfast has a position for the fruit only: the fruit replaced, the breads and
    // hot drinks stay, every other dish reported.
    EXPECT_EQ(ofTypes(dishes(Cafe, d1_), {"12", "13"}), ofTypes(breakfast, {"12", "13"}));
    TStored fruit = ofTypes(asPlaced(d1_), {"09"}).value(0);
    fruit.Seq = 3;
    fruit.Ord = 30;
    EXPECT_EQ(ofTypes(dishes(Cafe, d1_), {"09"}), QList<TStored>{fruit});
    EXPECT_EQ(kinds(p, Almoco), "");
    EXPECT_EQ(kinds(p, Cafe), QString(18, 'P'));
    const TStored rice = ofTypes(asPlaced(d1_), {"01"}).value(0);
    const QString riceLine =
        "ARROZ: " + dishName(rice.Code) + " (o cardápio de destino não tem a posição)";
    EXPECT_EQ(line(p, 0), QStringList{"P"} + Restaurant +
                              QStringList({"00003", "Café da manhã", dateText(d1_), rice.Code,
                                           dishName(rice.Code), "ARROZ", riceLine}));
    EXPECT_EQ(storedLine(Almoco, 'S').value(5),
              "10 prato(s) exportado(s) no lugar de 10 prato(s) do dia.");
    EXPECT_EQ(storedLine(Cafe, 'S').value(5),
              "1 prato(s) exportado(s) no lugar de 1 prato(s) do dia.");
    const QStringList logs = storedLogs();
    ASSERT_EQ(logs.size(), 2);
    EXPECT_TRUE(logs[0].endsWith("Exportado: 2 dia(s). [SS]")) << logs[0].toStdString();
    EXPECT_TRUE(
        logs[1].endsWith("Exportado: 2 dia(s). [" + QString(9, 'P') + 'S' + QString(9, 'P') + "S]"))
        << logs[1].toStdString();

    // Copying the diners: the existing day and a new one take the origin day's figures.
    copyService(Almoco, Novo, "Almoço 2", "0002");
    const QList<double> origin = diners(Jantar, d3_);
    ASSERT_EQ(origin.size(), 8);
    EXPECT_EQ(origin[1], origin[0]) << "the dinner has one shift";
    EXPECT_GT(diners(Almoco, d3_).value(2), 0) << "the lunch has three";
    ASSERT_EQ(kinds(ToDataPacket(exportar({Almoco, Novo}, d3_, d3_, "S", "S")), Almoco), "");
    EXPECT_EQ(diners(Almoco, d3_), origin);
    EXPECT_EQ(diners(Novo, d3_), origin);
    EXPECT_EQ(dishes(Almoco, d3_), asPlaced(d3_));
    EXPECT_EQ(dishes(Novo, d3_), asPlaced(d3_));
    EXPECT_EQ(stored(Almoco, next_, d1_.addDays(-1)), before) << "nothing before the periods";
    EXPECT_EQ(stored(Almoco, d3_.addDays(1), last_), after) << "nothing after them";
    EXPECT_EQ(stored(Jantar, next_, last_), dinner) << "the origin untouched";
}

TEST_P(MenuExport, ADayNoneOfWhoseDishesFindsAPositionIsNotCreated) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, Novo, "Frutas", "0002");
    exec("DELETE FROM CNFCARDSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = ? AND CDTIPOPRAT <> "
         "'09'",
         {Novo});
    // The dinner's second day without its fruit: nothing of it has a place in the new one.
    exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND NRSEQPRATCAR IN "
         "(SELECT NRSEQCNFMES FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = ? AND "
         "DTREFECNFMES = ? AND CDTIPOPRAT = '09')",
         {server_.DayNumber("0001", Jantar, d2_), Jantar, DataHora(next_)});
    ASSERT_TRUE(ofTypes(dishes(Jantar, d2_), {"09"}).isEmpty());
    ASSERT_FALSE(ofTypes(dishes(Jantar, d1_), {"09"}).isEmpty());
    const TDataPacket p = ToDataPacket(exportar({Novo}, d1_, d2_, "N", "N"));
    EXPECT_EQ(dishes(Novo, d1_).size(), 1) << "the fruit found its place";
    EXPECT_EQ(server_.DayNumber("0001", Novo, d2_), "") << "no day made for nothing";
    EXPECT_EQ(kinds(p, Novo),
              QString(dishes(Jantar, d1_).size() - 1 + dishes(Jantar, d2_).size(), 'P'));
    EXPECT_TRUE(storedLogs().value(0).contains("Exportado: 1 dia(s)."))
        << storedLogs().value(0).toStdString();
}

TEST_P(MenuExport, DaysAndDishesLeftOutAreLoggedAndTheRestExported) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, Novo, "Almoço 2", "0002");
    const QList<TStored> dinner1 = dishes(Jantar, d1_);
    // The first day's main course lost its revised recipe and a second rice shares the
    // rice's position; the second day is a holiday of the branch, which plans working
    // days only; the third day's side dish has an inactive product in its recipe.
    const QString main = ofTypes(dinner1, {"03"}).value(0).Code;
    exec("UPDATE PRATO SET IDRECEREVI = 'N' WHERE CDPRATO = ?", {main});
    const QString rice = scalar("SELECT MAX(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01' AND "
                                "IDATIVO = 'S' AND IDRECEREVI = 'S' AND CDPRATO <> ?",
                                {ofTypes(dinner1, {"01"}).value(0).Code});
    exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, "
         "CDPRATO, VRPECONSCARD, IDPRATOESPE) VALUES ('0001', ?, 1, 2, '0002', ?, 50, 'N')",
         {server_.DayNumber("0001", Jantar, d1_), rice});
    ASSERT_EQ(scalar("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = '0001'"), "S");
    exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', ?, 'Feriado "
         "municipal')",
         {DataHora(d2_)});
    const QString side = ofTypes(dishes(Jantar, d3_), {"05"}).value(0).Code;
    exec("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, QTPERCAPITA, QTFATORCORR) "
         "SELECT '0002', ?, MIN(CDPRODUTO), 0.01, 1 FROM PRODUTO WHERE IDATIVO = 'N'",
         {side});
    // The lunch's third day has no diners.
    exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = '0001' AND CDSERVFILI = ? AND "
         "DTCARDAPIO = ?",
         {Almoco, DataHora(d3_)});
    const QList<TStored> lunch1 = dishes(Almoco, d1_);
    const QStringList lunch = stored(Almoco, d2_, d3_);
    EXPECT_EQ(situations(d1_, d3_, "0002").value(2),
              "00004 A FERIADO_PERIODO;PRATO_REC_N_REV;PRATO_PROD_INAT;");

    const TDataPacket p = ToDataPacket(exportar({Almoco, Novo}, d1_, d3_, "S", "N"));
    EXPECT_EQ(kinds(p, Almoco), "RPFIC");
    EXPECT_EQ(kinds(p, Novo), "RPFI");
    EXPECT_EQ(line(p, 0).mid(7), QStringList({dateText(d1_), main, dishName(main), "",
                                              "Prato sem receita revisada: não foi exportado."}));
    EXPECT_EQ(line(p, 1).mid(7),
              QStringList({dateText(d1_), rice, dishName(rice), "ARROZ",
                           "ARROZ: " + dishName(rice) +
                               " (o cardápio de destino não tem mais posições deste tipo)"}));
    EXPECT_EQ(line(p, 2).mid(7), QStringList({dateText(d2_), "", "", "",
                                              "Dia não útil: o cardápio não foi exportado."}));
    EXPECT_EQ(line(p, 3).mid(7),
              QStringList({dateText(d3_), side, dishName(side), "",
                           "Prato com produto inativo na receita: não foi exportado."}));
    EXPECT_EQ(line(p, 4).value(0), "C");

    // The main course's position keeps the lunch's own; the second rice found no place.
    QList<TStored> expected;
    for (const TStored& d : asPlaced(d1_)) {
        if (d.Type == "03") {
            expected << ofTypes(lunch1, {"03"});
        } else if (d.Code != rice) {
            expected << d;
        }
    }
    EXPECT_EQ(dishes(Almoco, d1_), expected);
    EXPECT_EQ(stored(Almoco, d2_, d3_), lunch) << "the holiday and the day without diners";
    EXPECT_EQ(ofTypes(dishes(Novo, d1_), {"03"}), QList<TStored>()) << "no main course brought";
    EXPECT_EQ(dishes(Novo, d1_), ofTypes(expected, {"03"}, false));
    EXPECT_EQ(server_.DayNumber("0001", Novo, d2_), "");
    EXPECT_EQ(ofTypes(dishes(Novo, d3_), {"05"}, false), ofTypes(asPlaced(d3_), {"05"}, false));
    EXPECT_EQ(ofTypes(dishes(Novo, d3_), {"05"}), QList<TStored>());
    const QStringList logs = storedLogs();
    ASSERT_EQ(logs.size(), 2);
    EXPECT_TRUE(logs[0].endsWith("Exportado: 1 dia(s). [RPSFIC]")) << logs[0].toStdString();
    EXPECT_TRUE(logs[1].endsWith("Exportado: 2 dia(s). [RPOFIO]")) << logs[1].toStdString();
    EXPECT_EQ(storedLine(Almoco, 'S').value(5),
              "9 prato(s) exportado(s) no lugar de 9 prato(s) do dia.");
    EXPECT_EQ(storedLine(Novo, 'R'), QStringList({dateText(d1_), "0002", main, dishName(main), "",
                                                  "Prato sem receita revisada: não foi "
                                                  "exportado."}));
}

TEST_P(MenuExport, ADestinationThatFailsIsUndoneAloneAndTheOthersAreExported) {
    ASSERT_TRUE(d1_.isValid());
    // The copy's register holds a negative number of employees for the second day's
    // weekday: its first day is written before the writer refuses the second.
    copyService(Almoco, Novo, "Almoço 2", "0002");
    const char* const weekdays[] = {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB"};
    const QString employees = QStringLiteral("UPDATE SERVICO SET QTFUNESTI%1 = ? WHERE CDFILIAL = "
                                             "'0001' AND CDSERVFILI = ?")
                                  .arg(QLatin1String(weekdays[d2_.dayOfWeek() % 7]));
    exec(employees, {-3, Novo});
    copyService(Almoco, "00005", "Almoço 3", "0002");
    const QString counter = scalar("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'");

    const TDataPacket p = ToDataPacket(exportar({Almoco, Novo, "00005"}, d1_, d3_, "S", "N"));
    const QString why =
        QStringLiteral("A exportação parou no dia %1 e foi desfeita; nada foi gravado neste "
                       "serviço. Motivo: Valor negativo (-3) de funcionários estimados no "
                       "cardápio do dia %1.")
            .arg(dateText(d2_));
    ASSERT_EQ(p.RowCount(), 1);
    EXPECT_EQ(line(p, 0), QStringList{"D"} + Restaurant +
                              QStringList({"00004", "Almoço 2", "", "", "", "", why}));
    EXPECT_EQ(stored(Novo, next_, last_), QStringList()) << "not even the first day";
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = ?", {Novo}),
        0)
        << "nor the month's positions";
    for (const QDate& d : {d1_, d2_, d3_}) {
        EXPECT_EQ(dishes(Almoco, d), asPlaced(d));
        EXPECT_EQ(dishes("00005", d), asPlaced(d));
        EXPECT_EQ(diners("00005", d), LunchWeekday);
    }
    EXPECT_EQ(scalar("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'").toInt(),
              counter.toInt() + 3)
        << "the failed service's numbers given back";
    const QString period = dateText(d1_) + '-' + dateText(d3_);
    EXPECT_EQ(
        storedLogs(),
        QStringList({"0000000001 00002>00001 NUTRI1 " + period + " Exportado: 3 dia(s). [SSS]",
                     "0000000002 00002>00004 NUTRI1 " + period + ' ' + why + " [D]",
                     "0000000003 00002>00005 NUTRI1 " + period + " Exportado: 3 dia(s). [OOO]"}));

    // A counter behind the numbers in use: the second new day collides with a stored
    // one, the database refuses it and the copy is undone alike.
    exec(employees, {58, Novo});
    exec("UPDATE SEQCARDAPIO SET NRULTIMO = NRULTIMO - 2 WHERE CDFILIAL = '0001'");
    const QString number = scalar("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'");
    exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
         {Ajusta(QString::number(number.toInt() + 1), 10)});
    exec("DELETE FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
         {Ajusta(QString::number(number.toInt() + 1), 10)});
    const TDataPacket q = ToDataPacket(exportar({Novo}, d1_, d3_, "S", "N"));
    ASSERT_EQ(q.RowCount(), 1);
    EXPECT_TRUE(line(q, 0).value(11).startsWith(
        QStringLiteral("A exportação parou no dia %1 e foi desfeita").arg(dateText(d2_))))
        << line(q, 0).value(11).toStdString();
    EXPECT_EQ(stored(Novo, next_, last_), QStringList());
    EXPECT_EQ(scalar("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'"), number);
    EXPECT_EQ(storedLogs().value(3).right(3), "[D]");
}

TEST_P(MenuExport, ServicesBlockedOrInErrorAreLoggedAndLeftAlone) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, "00005", "Lanche", "0003");
    exec("UPDATE SERVICO SET IDTIPOSERV = 'T' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00005'");
    const QStringList lunch = stored(Almoco, next_, last_);
    const QStringList dinner = stored(Jantar, next_, last_);
    const TDataPacket p =
        ToDataPacket(exportar({"00005", Jantar, "00099", Cafe}, d1_, d1_, "S", "S"));
    EXPECT_EQ(kinds(p, "00005") + kinds(p, Jantar) + kinds(p, "00099"), "DDD");
    EXPECT_EQ(line(p, 0).mid(5, 2), QStringList({"00005", "Lanche"}));
    EXPECT_EQ(line(p, 0).value(11), "Não exportado: Serviço de outro tipo: o cardápio só é "
                                    "exportado entre serviços do mesmo tipo.");
    EXPECT_EQ(line(p, 1).value(11), "O serviço de destino é o próprio serviço de origem.");
    EXPECT_EQ(line(p, 2).mid(5, 2), QStringList({"00099", ""}));
    EXPECT_EQ(line(p, 2).value(11), "Serviço 00099 não cadastrado na filial.");
    EXPECT_EQ(kinds(p, Cafe), QString(9, 'P')) << "the others go on";
    EXPECT_EQ(stored("00005", next_, last_), QStringList());
    EXPECT_EQ(stored(Jantar, next_, last_), dinner);
    const QStringList logs = storedLogs();
    ASSERT_EQ(logs.size(), 4);
    EXPECT_TRUE(logs[1].endsWith(" O serviço de destino é o próprio serviço de origem. [D]"))
        << logs[1].toStdString();
    EXPECT_TRUE(logs[2].contains("00002>00099")) << logs[2].toStdString();

    // An operator who may export but not change a menu: each service blocked.
    QString exportOnly(QtAutorizacoes, '0');
    exportOnly[Posicao(TAutorizacao::ImportarCardDia)] = '1';
    exportOnly[Posicao(TAutorizacao::AcessoFilial)] = '1';
    exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'", {exportOnly});
    const TDataPacket blocked = ToDataPacket(exportar({Almoco}, d1_, d3_, "S", "S"));
    EXPECT_EQ(kinds(blocked, Almoco), "D");
    EXPECT_EQ(line(blocked, 0).value(11),
              "Não exportado: Cardápio habilitado apenas para consulta.")
        << "the keys that decide, not the warnings";
    EXPECT_EQ(stored(Almoco, next_, last_), lunch);
    EXPECT_TRUE(storedLogs().value(4).startsWith("0000000005 00002>00001 NUTRI1"));
}

TEST_P(MenuExport, RefusalsOfTheWholeCallLeaveTheDatabaseAsItWas) {
    ASSERT_TRUE(d1_.isValid());
    copyService(Almoco, Novo, "Almoço 2", "0002");
    const QStringList before = fingerprint();
    const auto raw = [&](const QString& origens, const QString& destinos, const QDate& month,
                         const QDate& from, const QDate& until, const QString& sobrepor,
                         const QString& copia, qlonglong n, const QString& filial = "0001",
                         const QString& op = "NUTRI1") {
        return refusal(call(metodos::ExportarCardapio(),
                            {filial, origens, destinos, DataHora(month), DataHora(from),
                             DataHora(until), sobrepor, copia, op, false, n},
                            op));
    };
    EXPECT_EQ(raw("00002_", "00001_00004_", next_, d1_, d3_, "S", "N", 2),
              "A lista de serviços de origem não confere com a quantidade informada (2).");
    EXPECT_EQ(raw("00002_00002_", "00001_", next_, d1_, d3_, "S", "N", 2),
              "A lista de serviços de destino não confere com a quantidade informada (2).");
    EXPECT_EQ(raw("", "", next_, d1_, d3_, "S", "N", 0), "SERVDEST_N_INF");
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, d3_, "X", "N", 1),
              "Opção \"Sobrepor\" inválida: X.");
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, d3_, "S", "", 1),
              "Opção \"Copiar comensais\" inválida: .");
    EXPECT_EQ(raw("00002_", "00001_", next_, d3_, d1_, "S", "N", 1), "DATAINI>DATAFIN");
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, next_.addMonths(1), "S", "N", 1),
              "MES_DATAINI<>MES_DATAFIN");
    EXPECT_EQ(raw("00002_", "00001_", next_.addMonths(1), d1_, d3_, "S", "N", 1),
              "MES_DATAINI<>MES_DATAFIN")
        << "the month is the period's";
    // The first changeable day: the processing date (yesterday) and the blocked days.
    const QDate first = Hoje().addDays(demo::BlockedDays - 1);
    EXPECT_EQ(raw("00002_", "00001_", PriDiaMes(Hoje()), Hoje(), Hoje(), "S", "N", 1),
              "Data inicial deve ser maior ou igual à " + dateText(first) + ".");
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, d3_, "S", "N", 1, "0001", demo::ReadOnlyOperator),
              "Operador sem permissão para exportar o cardápio.");
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, d3_, "S", "N", 1, "0003"),
              "Operador sem acesso aos cardápios da filial 0003.");
    EXPECT_EQ(raw("00099_", "00001_", next_, d1_, d3_, "S", "N", 1),
              "Serviço de origem 00099 não cadastrado na filial 0001.");
    const QDate sunday = d1_.addDays(-d1_.dayOfWeek()); // the dinner serves none
    EXPECT_EQ(
        raw("00002_00002_", "00001_00004_", PriDiaMes(sunday), sunday, sunday, "S", "S", 2),
        QString("O serviço de origem 00002 não tem cardápio de %1 a %1.").arg(dateText(sunday)));
    QString allBut(QtAutorizacoes, '1');
    allBut[Posicao(TAutorizacao::ImportarCardDia)] = '0';
    exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'", {allBut});
    EXPECT_EQ(raw("00002_", "00001_", next_, d1_, d3_, "S", "N", 1),
              "Operador sem permissão para exportar o cardápio.");
    EXPECT_EQ(fingerprint(), before);
}

// The hospital follows the central kitchen (type S): its planner departs ("S"), a dish
// that stands in for the position's central dish records it, and the day departs.
TEST_P(MenuExport, AHospitalDayIsMarkedAsADepartureFromTheCentralMenu) {
    ASSERT_TRUE(d1_.isValid());
    branch_ = "0003";
    exec("DELETE FROM CARDESP WHERE CDFILIAL = '0003' AND DTCARDAPIO = ?", {DataHora(d1_)});
    const QList<TStored> before = dishes(Almoco, d1_);
    const QList<TStored> from = dishes(Jantar, d1_);
    ASSERT_EQ(from.size(), 10);
    const QVariant raw = exportar({Almoco}, d1_, d1_, "S", "N", "HOSP1");
    ASSERT_EQ(refusal(raw), "");
    EXPECT_EQ(ToDataPacket(raw).RowCount(), 0);
    const QList<TStored> placed = dishes(Almoco, d1_);
    ASSERT_EQ(placed.size(), 10);
    int recorded = 0;
    for (int i = 0; i < placed.size(); ++i) {
        const QString central = before[i].Central; // both services share the positions
        ASSERT_FALSE(central.isEmpty());
        EXPECT_EQ(placed[i].Code, from[i].Code);
        EXPECT_EQ(placed[i].Mark, "S") << "the branch departs";
        EXPECT_EQ(placed[i].Central, placed[i].Code == central ? QString() : central);
        recorded += placed[i].Central.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(recorded, 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003' AND CDSERVFILI = ? AND "
                    "DTCARDAPIO = ? AND NRCARDAPIO = ?",
                    {Almoco, DataHora(d1_), server_.DayNumber("0003", Almoco, d1_)}),
              1);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuExport,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
