#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "core/text_utils.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

const QString Module = QStringLiteral("Pla00109.rdmImpCardDia");
const QString Almoco = QStringLiteral("00001");
const QString Jantar = QStringLiteral("00002");
const QString Cafe = QStringLiteral("00003");

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

// A day's menu brought from another day of the branch, over the demonstration data:
// the restaurant (type N), the hospital following the central kitchen (type S) and
// the school network planned by its group (type D).
class DayImport : public ::testing::TestWithParam<TEngine> {
protected:
    DayImport()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& method, const QVariantList& args,
                  const QString& op = QStringLiteral("NUTRI1"), const QString& module = Module) {
        auto c = server_.Connect(module, server_.SignIn(op));
        return c->Call(method, args);
    }
    QVariant import(const QString& branch, const QString& from, const QDate& day, const QString& to,
                    const QDate& target, const QString& types,
                    const QString& op = QStringLiteral("NUTRI1"),
                    const QString& kind = QStringLiteral("F")) {
        return call("ImportaCardDia",
                    {branch, from, DataHora(day), to, DataHora(target), types, kind}, op);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    QString scalar(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toString().trimmed();
    }
    QString dayNumber(const QString& branch, const QString& service, const QDate& day) {
        return server_.DayNumber(branch, service, day);
    }
    // A served weekday of next month that is no branch holiday, from the given day on.
    QDate weekday(const QString& branch, const QString& service, int from) {
        for (QDate d = server_.Served(branch, service, next_, from); d.isValid();
             d = server_.Served(branch, service, next_, d.day() + 1)) {
            if (d.dayOfWeek() <= 5 &&
                count("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? AND DTFERIFILI = ?",
                      {branch, DataHora(d)}) == 0) {
                return d;
            }
        }
        return {};
    }
    QList<TStored> dishes(const QString& branch, const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT C.NRSEQPRATCAR, C.NRORDPRATCAR, M.CDTIPOPRAT, C.CDPRATO, C.VRPECONSCARD, "
            "C.IDPRATOESPE, C.CDPRATOMAT FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
            "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO LEFT JOIN CNFCARDMES M ON M.CDFILIAL = "
            "D.CDFILIAL AND M.CDSERVFILI = D.CDSERVFILI AND M.DTREFECNFMES = D.DTMESCARD AND "
            "M.NRSEQCNFMES = C.NRSEQPRATCAR WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
            "D.DTCARDAPIO = ? ORDER BY C.NRSEQPRATCAR, C.NRORDPRATCAR",
            {branch, service, DataHora(day)});
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
    // What a refused import must leave as it was.
    QStringList fingerprint(const QString& branch, const QString& service, const QDate& day) {
        QStringList out;
        for (const char* t : {"CARDADIA", "COMPCARD", "CARDACLI", "CARDESP", "CNFCARDMES",
                              "PRATEXCL", "SEQCARDAPIO"}) {
            out << QString::number(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)));
        }
        for (const TStored& d : dishes(branch, service, day)) {
            out << QStringLiteral("%1 %2 %3").arg(d.Seq).arg(d.Code).arg(d.Share);
        }
        out << scalar("SELECT CDOPERADOR FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                      "DTCARDAPIO = ?",
                      {branch, service, DataHora(day)});
        out << scalar("SELECT MAX(NRULTIMO) FROM SEQCARDAPIO");
        return out;
    }
    // A second dish of the type of a position, after the day's own.
    void addDish(const QString& branch, const QString& nr, int seq, const QString& dish,
                 double share) {
        server_.Db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                          "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE) "
                          "VALUES (?, ?, ?, 2, '0002', ?, ?, 'N')",
                          {branch, nr, seq, dish, share});
    }
    TDataPacket packet(const QVariant& v) { return ToDataPacket(v); }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

TEST_P(DayImport, TheChosenTypesOfAnotherServiceReplaceTheTargetsAndTheRestStays) {
    const QDate source = weekday("0001", Jantar, 10);
    const QDate target = weekday("0001", Almoco, source.day() + 1);
    ASSERT_TRUE(source.isValid() && target.isValid());
    const QList<TStored> before = dishes("0001", Almoco, target);
    const QList<TStored> from = dishes("0001", Jantar, source);
    ASSERT_NE(ofTypes(before, {"01", "03"}), ofTypes(from, {"01", "03"}));
    const QVariant raw = import("0001", Jantar, source, Almoco, target, " 01; 3 ;");
    ASSERT_EQ(refusal(raw), "");
    const QVariantList answer = raw.toList();
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[int(TElemImpCardDia::Importados)].toInt(), 2);
    EXPECT_EQ(answer[int(TElemImpCardDia::NaoImportados)].toString(), "");
    const QList<TStored> after = dishes("0001", Almoco, target);
    EXPECT_EQ(ofTypes(after, {"01", "03"}, false), ofTypes(before, {"01", "03"}, false))
        << "the other dish types stay as they were";
    const QList<TStored> placed = ofTypes(after, {"01", "03"});
    ASSERT_EQ(placed.size(), 2);
    const QList<TStored> taken = ofTypes(from, {"01", "03"});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(placed[i].Code, taken[i].Code);
        EXPECT_DOUBLE_EQ(placed[i].Share, taken[i].Share) << "the share as it was";
        EXPECT_EQ(placed[i].Mark, "N") << "an ordinary menu";
        EXPECT_EQ(placed[i].Central, "");
        EXPECT_EQ(placed[i].Seq, ofTypes(before, {placed[i].Type})[0].Seq);
        EXPECT_EQ(placed[i].Ord,
                  count("SELECT NRORDCNFMES FROM CNFCARDMES WHERE CDFILIAL = '0001' AND "
                        "CDSERVFILI = ? AND DTREFECNFMES = ? AND NRSEQCNFMES = ?",
                        {Almoco, DataHora(next_), placed[i].Seq}))
            << "the position's order";
    }
    EXPECT_DOUBLE_EQ(ofTypes(placed, {"03"})[0].Share, 75);
    EXPECT_EQ(scalar("SELECT CDOPERADOR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                     {dayNumber("0001", Almoco, target)}),
              "NUTRI1");
    EXPECT_EQ(dishes("0001", Jantar, source), from) << "the source day stays";
}

TEST_P(DayImport, DishesBeyondTheTargetsPositionsAreReportedNeverInvented) {
    const QDate source = weekday("0001", Jantar, 10);
    const QDate target = weekday("0001", Almoco, 12);
    const QString nr = dayNumber("0001", Jantar, source);
    // A second main course in the dinner's position of the type, at 40 % beside 60 %.
    const QString extra = scalar("SELECT MAX(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01' AND "
                                 "IDATIVO = 'S'");
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 60 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR = 1",
                      {nr});
    addDish("0001", nr, 1, extra, 40);
    const TDataPacket offered = packet(
        call("GetCardDiaOrigem", {"0001", Jantar, DataHora(source), Almoco, DataHora(target)}));
    ASSERT_EQ(offered.RowCount(), 11);
    const int dest = offered.FieldIndex("IDDESTINO");
    const int code = offered.FieldIndex("CDPRATO");
    EXPECT_EQ(offered.Rows[0].Values[dest].toString(), "S");
    EXPECT_EQ(offered.Rows[1].Values[code].toString().trimmed(), extra);
    EXPECT_EQ(offered.Rows[1].Values[dest].toString(), "N") << "one position of the type";
    EXPECT_DOUBLE_EQ(offered.Rows[1].Values[offered.FieldIndex("VRPECONSCARD")].toDouble(), 40);

    const QVariantList answer = import("0001", Jantar, source, Almoco, target, "01").toList();
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[0].toInt(), 1);
    const QString typeName = scalar("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = '01'");
    const QString dishName = scalar("SELECT NMPRATO FROM PRATO WHERE CDPRATO = ?", {extra});
    EXPECT_EQ(answer[1].toString(),
              QString("%1: %2 (o cardápio de destino não tem mais posições deste tipo)")
                  .arg(typeName, dishName));
    const QList<TStored> placed = ofTypes(dishes("0001", Almoco, target), {"01"});
    ASSERT_EQ(placed.size(), 1) << "no position invented";
    EXPECT_DOUBLE_EQ(placed[0].Share, 60) << "the share kept as the percentage it was";

    // The breakfast's dish types the lunch has no position for.
    const QDate breakfast = weekday("0001", Cafe, 10);
    const TDataPacket cafe = packet(
        call("GetCardDiaOrigem", {"0001", Cafe, DataHora(breakfast), Almoco, DataHora(target)}));
    QStringList without;
    for (const TPacketRow& r : cafe.Rows) {
        if (r.Values[cafe.FieldIndex("IDDESTINO")].toString() == "N") {
            without << r.Values[cafe.FieldIndex("CDTIPOPRAT")].toString();
        }
    }
    EXPECT_EQ(without, QStringList({"12", "13"}));
    const QVariantList fromCafe = import("0001", Cafe, breakfast, Almoco, target, "12;09").toList();
    ASSERT_EQ(fromCafe.size(), 2);
    EXPECT_EQ(fromCafe[0].toInt(), 1);
    EXPECT_TRUE(fromCafe[1].toString().endsWith("(o cardápio de destino não tem a posição)"))
        << fromCafe[1].toString().toStdString();
    EXPECT_EQ(fromCafe[1].toString().count('\n'), 0);
}

TEST_P(DayImport, ANewTargetDayTakesTheServicesEstimate) {
    const QDate source = weekday("0001", Jantar, 10);
    const QDate target = weekday("0001", Almoco, 15);
    const QString old = dayNumber("0001", Almoco, target);
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {old});
    server_.Db().Exec("DELETE FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {old});
    const int last = count("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = '0001'");
    const QVariantList answer = import("0001", Jantar, source, Almoco, target, "01;02").toList();
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[0].toInt(), 2);
    const QString nr = dayNumber("0001", Almoco, target);
    EXPECT_EQ(nr, Ajusta(QString::number(last + 1), 10));
    const char* const days[] = {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB"};
    const QString suffix = days[target.dayOfWeek() % 7];
    QSqlQuery q = server_.Db().Exec(
        QString("SELECT D.QTCOMESTICAR, S.QTCOMESTI%1, D.QTCLIESTICAR, S.QTCLIESTI%1, "
                "D.QTESTITURNO1, T.QTCOMESTT%1, D.DTMESCARD, D.CDOPERADOR FROM CARDADIA D JOIN "
                "SERVICO S ON S.CDFILIAL = D.CDFILIAL AND S.CDSERVFILI = D.CDSERVFILI JOIN "
                "TURNOSERV T ON T.CDFILIAL = D.CDFILIAL AND T.CDSERVFILI = D.CDSERVFILI AND "
                "T.CDTURNO = 1 WHERE D.CDFILIAL = '0001' AND D.NRCARDAPIO = ?")
            .arg(suffix),
        {nr});
    ASSERT_TRUE(q.next());
    EXPECT_GT(q.value(0).toDouble(), 0);
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), q.value(1).toDouble()) << "the weekday's estimate";
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), q.value(3).toDouble());
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), q.value(5).toDouble());
    EXPECT_EQ(db::TDatabase::FromSql(TFieldType::DateTime, q.value(6)).toDateTime(),
              DataHora(next_));
    EXPECT_EQ(q.value(7).toString(), "NUTRI1");
    EXPECT_EQ(ofTypes(dishes("0001", Almoco, target), {"01", "02"}).size(), 2);

    // A day the service does not serve (no estimate) is refused, nothing written.
    QDate sunday = target;
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    ASSERT_TRUE(dayNumber("0001", Almoco, sunday).isEmpty());
    const QStringList still = fingerprint("0001", Almoco, sunday);
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, sunday, "01")),
              QString("Número de comensais do dia %1 deve ser maior que zero.")
                  .arg(FormatDateTime("dd/mm/yyyy", sunday)));
    EXPECT_EQ(fingerprint("0001", Almoco, sunday), still);
    // A day whose record keeps no diners is refused alike.
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {nr});
    EXPECT_TRUE(refusal(import("0001", Jantar, source, Almoco, target, "01"))
                    .startsWith("Número de comensais do dia"));

    // A new day of the transported school service gets its delivery points, no diners.
    const QDate school = weekday("0004", "00001", 12);
    const QDate local = weekday("0004", "00002", 10);
    const QString schoolNr = dayNumber("0004", "00001", school);
    for (const char* t : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
        server_.Db().Exec(
            QString("DELETE FROM %1 WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?").arg(t),
            {schoolNr});
    }
    const QVariantList toSchool =
        import("0004", "00002", local, "00001", school, "01", demo::GroupOperator).toList();
    ASSERT_EQ(toSchool.size(), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDACLI WHERE CDFILIAL = '0004' AND NRCARDAPIO = ? AND "
                    "QTCOMESTICLI = 0",
                    {dayNumber("0004", "00001", school)}),
              6);
}

TEST_P(DayImport, BlockedAndNonWorkingDaysAreRefusedWithNothingWritten) {
    const QDate source = weekday("0001", Jantar, 10);
    const QDate target = weekday("0001", Almoco, 14);
    // Today lies before the first changeable day.
    const QStringList today = fingerprint("0001", Almoco, Hoje());
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, Hoje(), "01")),
              QString("O cardápio do dia %1 não pode mais ser alterado.")
                  .arg(FormatDateTime("dd/mm/yyyy", Hoje())));
    EXPECT_EQ(fingerprint("0001", Almoco, Hoje()), today);
    // The restaurant plans working days only.
    ASSERT_EQ(scalar("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = '0001'"), "S");
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', ?, "
                      "'Feriado municipal')",
                      {DataHora(target)});
    const QStringList before = fingerprint("0001", Almoco, target);
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, target, "01;02")),
              "Cardápio bloqueado para dia não útil.");
    EXPECT_EQ(fingerprint("0001", Almoco, target), before);
    // A branch that plans every day takes it.
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDCARDIAUTIL = 'N' WHERE CDFILIAL = '0001'");
    EXPECT_EQ(import("0001", Jantar, source, Almoco, target, "01").toList().value(0).toInt(), 1);
}

TEST_P(DayImport, AnOperatorWithoutThePermissionOrTheBranchIsRefused) {
    const QDate source = weekday("0001", Jantar, 10);
    const QDate target = weekday("0001", Almoco, 14);
    const QStringList before = fingerprint("0001", Almoco, target);
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, target, "01", demo::ReadOnlyOperator)),
              "Operador sem permissão para importar o cardápio do dia.");
    QString allBut(QtAutorizacoes, '1');
    allBut[Posicao(TAutorizacao::ImportarCardDia)] = '0';
    server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'", {allBut});
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, target, "01")),
              "Operador sem permissão para importar o cardápio do dia.");
    // The import alone, without changing any dish or diners.
    QString importOnly(QtAutorizacoes, '0');
    importOnly[Posicao(TAutorizacao::ImportarCardDia)] = '1';
    importOnly[Posicao(TAutorizacao::AcessoFilial)] = '1';
    server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'",
                      {importOnly});
    EXPECT_EQ(refusal(import("0001", Jantar, source, Almoco, target, "01")),
              "Operador sem permissão para alterar cardápios.");
    EXPECT_EQ(fingerprint("0001", Almoco, target), before);
    // Another branch's menus.
    const QDate hospital = weekday("0003", Almoco, 14);
    EXPECT_EQ(refusal(import("0003", Jantar, hospital.addDays(-1), Almoco, hospital, "01",
                             demo::GroupOperator)),
              "Operador sem acesso aos cardápios da filial 0003.");
    EXPECT_EQ(refusal(call("GetServicosImp", {"0003"}, demo::GroupOperator)),
              "Operador sem acesso aos cardápios da filial 0003.");
}

TEST_P(DayImport, TheSameDayNoTypesAndAnUnknownSourceAreRefused) {
    const QDate day = weekday("0001", Almoco, 10);
    const QDate other = weekday("0001", Almoco, day.day() + 1);
    const QStringList before = fingerprint("0001", Almoco, day);
    EXPECT_EQ(refusal(import("0001", Almoco, day, Almoco, day, "01")),
              "O dia de origem é o próprio dia de destino: escolha outro dia ou outro serviço.");
    for (const QString& none : {QString(), QStringLiteral(" ; ")}) {
        EXPECT_EQ(refusal(import("0001", Almoco, other, Almoco, day, none)),
                  "Escolha ao menos um tipo de prato.");
    }
    EXPECT_EQ(refusal(import("0001", "00009", other, Almoco, day, "01")),
              "Serviço de origem 00009 não cadastrado na filial 0001.");
    EXPECT_EQ(refusal(import("0001", Almoco, other, Almoco, day, "12")),
              QString("O cardápio do dia %1 não tem pratos do tipo 12.")
                  .arg(FormatDateTime("dd/mm/yyyy", other)));
    QDate sunday = other;
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    EXPECT_EQ(refusal(import("0001", Almoco, sunday, Almoco, day, "01")),
              QString("O cardápio do dia %1 do serviço 00001 não tem pratos para importar.")
                  .arg(FormatDateTime("dd/mm/yyyy", sunday)));
    EXPECT_EQ(fingerprint("0001", Almoco, day), before);
    // Within the same service another day is a source like any.
    EXPECT_EQ(import("0001", Almoco, other, Almoco, day, "01").toList().value(0).toInt(), 1);
}

// The hospital follows the central kitchen (type S): its planner departs ("S"), and a
// dish that stands in for the position's central dish records it; the day departs.
TEST_P(DayImport, AHospitalDayIsMarkedAsADepartureFromTheCentralMenu) {
    const QDate source = weekday("0003", Jantar, 10);
    const QDate target = weekday("0003", Almoco, source.day() + 2);
    server_.Db().Exec("DELETE FROM CARDESP WHERE CDFILIAL = '0003' AND DTCARDAPIO = ?",
                      {DataHora(target)});
    const QList<TStored> before = dishes("0003", Almoco, target);
    const QList<TStored> from = dishes("0003", Jantar, source);
    const QStringList types{"01", "02", "03"};
    const QVariant raw = import("0003", Jantar, source, Almoco, target, types.join(';'), "HOSP1");
    ASSERT_EQ(refusal(raw), "");
    const QVariantList answer = raw.toList();
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[0].toInt(), 3);
    const QList<TStored> placed = ofTypes(dishes("0003", Almoco, target), types);
    ASSERT_EQ(placed.size(), 3);
    int recorded = 0;
    for (const TStored& d : placed) {
        EXPECT_EQ(d.Mark, "S") << "the branch departs";
        const QString central = ofTypes(before, {d.Type})[0].Central;
        ASSERT_FALSE(central.isEmpty());
        EXPECT_EQ(d.Code, ofTypes(from, {d.Type})[0].Code);
        EXPECT_EQ(d.Central, d.Code == central ? QString() : central);
        recorded += d.Central.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(recorded, 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0003' AND CDSERVFILI = ? AND "
                    "DTCARDAPIO = ? AND NRCARDAPIO = ?",
                    {Almoco, DataHora(target), dayNumber("0003", Almoco, target)}),
              1);
}

// The school network's menu depends on the group's release (type D): the group's
// operator revises ("R"), a school's departs ("S") and records the day; the central
// dish put back while the general parameters keep the central marks is ordinary.
TEST_P(DayImport, ASchoolDayIsMarkedByWhoImportsIt) {
    const QDate source = weekday("0004", "00002", 10);
    const QDate target = weekday("0004", "00001", source.day() + 1);
    const auto cardesp = [&] {
        return count("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = '0004' AND DTCARDAPIO = ?",
                     {DataHora(target)});
    };
    server_.Db().Exec("DELETE FROM CARDESP WHERE CDFILIAL = '0004'");
    ASSERT_EQ(
        import("0004", "00002", source, "00001", target, "01", demo::GroupOperator).toList().size(),
        2);
    EXPECT_EQ(ofTypes(dishes("0004", "00001", target), {"01"})[0].Mark, "R");
    EXPECT_EQ(cardesp(), 0) << "the group's own menu";

    ASSERT_EQ(import("0004", "00002", source, "00001", target, "02", demo::OutOfGroupOperator)
                  .toList()
                  .size(),
              2);
    EXPECT_EQ(ofTypes(dishes("0004", "00001", target), {"02"})[0].Mark, "S");
    EXPECT_EQ(cardesp(), 1) << "a school departs from the group's menu";

    // The position's central dish, put back with the central marks kept.
    const QString nr = dayNumber("0004", "00001", target);
    const TStored dish = ofTypes(dishes("0004", "00002", source), {"03"})[0];
    server_.Db().Exec("UPDATE COMPCARD SET CDPRATOMAT = ?, CDFILAUXPRATMAT = '0002' WHERE "
                      "CDFILIAL = '0004' AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                      {dish.Code, nr, ofTypes(dishes("0004", "00001", target), {"03"})[0].Seq});
    server_.Db().Exec("UPDATE PARAMGERAL SET IDMANCORCARDALT = 'N'");
    ASSERT_EQ(import("0004", "00002", source, "00001", target, "03", demo::OutOfGroupOperator)
                  .toList()
                  .size(),
              2);
    const TStored back = ofTypes(dishes("0004", "00001", target), {"03"})[0];
    EXPECT_EQ(back.Code, dish.Code);
    EXPECT_EQ(back.Mark, "N");
    EXPECT_EQ(back.Central, "") << "the central dish itself records none";
}

// Without a parameterised group the kind of operator the desktop says decides: the
// head office revises, a branch departs, as when the planner places the dish.
TEST_P(DayImport, OutsideAParameterisedGroupTheOperatorsKindMarks) {
    const QDate source = weekday("0004", "00002", 10);
    const QDate target = weekday("0004", "00001", source.day() + 1);
    server_.Db().Exec("UPDATE GRUPSERV SET IDPARAMETRIZADO = 'N'");
    for (const auto& [kind, mark] : {std::pair{"M", "R"}, std::pair{"F", "S"}}) {
        ASSERT_EQ(import("0004", "00002", source, "00001", target, "01", demo::GroupOperator, kind)
                      .toList()
                      .size(),
                  2);
        EXPECT_EQ(ofTypes(dishes("0004", "00001", target), {"01"})[0].Mark, mark) << kind;
    }
}

TEST_P(DayImport, TheListsOfServicesAndDays) {
    const TDataPacket services = packet(call("GetServicosImp", {"0001"}));
    ASSERT_EQ(services.RowCount(), 3);
    EXPECT_EQ(services.Rows[1].Values[0].toString(), Jantar);
    EXPECT_EQ(services.Fields[1].Name, "NMSERVICO");
    const TDataPacket days = packet(call("GetDiasOrigem", {"0001", Jantar, DataHora(next_)}));
    const int expected = count("SELECT COUNT(*) FROM CARDADIA D WHERE D.CDFILIAL = '0001' AND "
                               "D.CDSERVFILI = ? AND D.DTMESCARD = ? AND EXISTS (SELECT 1 FROM "
                               "COMPCARD C WHERE C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                               "D.NRCARDAPIO)",
                               {Jantar, DataHora(next_)});
    ASSERT_GT(expected, 0);
    EXPECT_EQ(days.RowCount(), expected);
    QDateTime previous;
    for (const TPacketRow& r : days.Rows) {
        EXPECT_GT(r.Values[0].toDateTime(), previous);
        previous = r.Values[0].toDateTime();
        EXPECT_EQ(r.Values[2].toInt(),
                  count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                        {dayNumber("0001", Jantar, r.Values[0].toDateTime().date())}))
            << "the dishes of the day";
        EXPECT_GT(r.Values[1].toDouble(), 0);
    }
    // A day without dishes is not offered.
    const QDate bare = days.Rows[0].Values[0].toDateTime().date();
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                      {dayNumber("0001", Jantar, bare)});
    EXPECT_EQ(packet(call("GetDiasOrigem", {"0001", Jantar, DataHora(next_)})).RowCount(),
              expected - 1);
}

TEST_P(DayImport, ADishStandsForItselfAndItsEquivalents) {
    const QString dish = scalar("SELECT MIN(CDPRATO) FROM PRATORELAC WHERE IDTIPORELAC = 'E'");
    ASSERT_FALSE(dish.isEmpty());
    const QString branch =
        scalar("SELECT MIN(CDFILAUXPRAT) FROM PRATORELAC WHERE CDPRATO = ?", {dish});
    QStringList expected{dish};
    QSqlQuery q = server_.Db().Exec("SELECT CDPRATORELAC FROM PRATORELAC WHERE CDPRATO = ? AND "
                                    "CDFILAUXPRAT = ? AND IDTIPORELAC = 'E'",
                                    {dish, branch});
    while (q.next()) {
        expected << q.value(0).toString().trimmed();
    }
    expected.sort();
    const TDataPacket p =
        packet(call("getPratoRelac", {branch, dish}, "NUTRI1", "Pla00100.rdmParamCardIndu"));
    QStringList got;
    for (const TPacketRow& r : p.Rows) {
        got << r.Values[0].toString().trimmed();
        EXPECT_EQ(r.Values[1].toString(), branch);
    }
    EXPECT_EQ(got, expected);
    EXPECT_GT(got.size(), 1);
    EXPECT_EQ(p.Fields[0].Name, "CDPRATO");
    EXPECT_EQ(refusal(call("getPratoRelac", {branch, "0000000000"}, "NUTRI1",
                           "Pla00100.rdmParamCardIndu")),
              "Prato 0000000000 não cadastrado.");
}

INSTANTIATE_TEST_SUITE_P(Engines, DayImport,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
