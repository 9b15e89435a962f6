#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "core/numbers.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/modules/change_record.h"

#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Almoco = QStringLiteral("00001");
const QString Jantar = QStringLiteral("00002");

// One line of the change record, as stored.
struct TRecord {
    QString Servico;
    QDate Dia;
    QString Numero;
    int Seq = 0;
    int Ord = 0;
    QString Tipo;
    QString Antes;
    QVariant PercAntes;
    QString Depois;
    QVariant PercDepois;
    QVariant ComensAntes;
    QVariant ComensDepois;
    QString Operacao;
    QString Operador;
    QDateTime Instante;
};

// The change record over the demonstration data: what every write of a day's dishes
// leaves in it, and what the history and the ranking read.
class MenuHistory : public ::testing::TestWithParam<TEngine> {
protected:
    MenuHistory()
        : server_(GetParam(), Hoje()) {
        // The demonstration's own adjustments of the month before are not this change's.
        server_.Db().Exec(QStringLiteral("DELETE FROM HISTCARD"));
    }

    QVariant call(const QString& method, const QVariantList& values,
                  const QString& op = QStringLiteral("NUTRI1"), const QString& module = Module) {
        auto c = server_.Connect(module, server_.SignIn(op));
        for (const metodos::TMetodoDeModulo& m : metodos::Todos()) {
            if (m.Metodo->Name == method && m.Modulo == module) {
                QList<TRpcArg> args = Argumentos(*m.Metodo, values);
                return c->Call(method, args);
            }
        }
        return c->Call(method, values);
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
    static QVariant number(const QVariant& v) { return v.isNull() ? QVariant() : v.toDouble(); }
    QList<TRecord> records(const QString& where = QStringLiteral("1 = 1"),
                           const QVariantList& params = {}) {
        QSqlQuery q = server_.Db().Exec(
            QStringLiteral("SELECT CDSERVFILI, DTCARDAPIO, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
                           "CDTIPOPRAT, CDPRATOANT, VRPECONSANT, CDPRATONOV, VRPECONSNOV, "
                           "QTCOMESTIANT, QTCOMESTINOV, IDOPERACAO, CDOPERADOR, DTALTERACAO FROM "
                           "HISTCARD WHERE %1 ORDER BY NRHISTCARD")
                .arg(where),
            params);
        QList<TRecord> out;
        while (q.next()) {
            TRecord r;
            r.Servico = q.value(0).toString().trimmed();
            r.Dia = db::TDatabase::FromSql(TFieldType::DateTime, q.value(1)).toDateTime().date();
            r.Numero = q.value(2).toString().trimmed();
            r.Seq = q.value(3).toInt();
            r.Ord = q.value(4).toInt();
            r.Tipo = q.value(5).toString().trimmed();
            r.Antes = q.value(6).toString().trimmed();
            r.PercAntes = number(q.value(7));
            r.Depois = q.value(8).toString().trimmed();
            r.PercDepois = number(q.value(9));
            r.ComensAntes = number(q.value(10));
            r.ComensDepois = number(q.value(11));
            r.Operacao = q.value(12).toString();
            r.Operador = q.value(13).toString().trimmed();
            r.Instante = db::TDatabase::FromSql(TFieldType::DateTime, q.value(14)).toDateTime();
            out.append(r);
        }
        return out;
    }
    QList<TRecord> recordsOf(const QString& nr) {
        return records(QStringLiteral("CDFILIAL = '0001' AND NRCARDAPIO = ?"), {nr});
    }
    // The dishes of a day by position and order.
    QMap<std::pair<int, int>, std::pair<QString, double>> dishes(const QString& branch,
                                                                 const QString& nr) {
        QSqlQuery q = server_.Db().Exec("SELECT NRSEQPRATCAR, NRORDPRATCAR, CDPRATO, VRPECONSCARD "
                                        "FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                                        {branch, nr});
        QMap<std::pair<int, int>, std::pair<QString, double>> out;
        while (q.next()) {
            out.insert({q.value(0).toInt(), q.value(1).toInt()},
                       {q.value(2).toString().trimmed(), q.value(3).toDouble()});
        }
        return out;
    }
    // The dishes of a day of the restaurant, by position in their order, with their shares.
    QMap<int, QList<std::pair<QString, double>>> byPosition(const QString& nr) {
        QSqlQuery q = server_.Db().Exec("SELECT NRSEQPRATCAR, CDPRATO, VRPECONSCARD FROM COMPCARD "
                                        "WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? ORDER BY "
                                        "NRSEQPRATCAR, NRORDPRATCAR",
                                        {nr});
        QMap<int, QList<std::pair<QString, double>>> out;
        while (q.next()) {
            out[q.value(0).toInt()].append(
                {q.value(1).toString().trimmed(), q.value(2).toDouble()});
        }
        return out;
    }
    static bool holds(const QList<std::pair<QString, double>>& dishes, const QString& dish) {
        return std::any_of(dishes.cbegin(), dishes.cend(),
                           [&dish](const auto& d) { return d.first == dish; });
    }
    double diners(const QString& branch, const QString& nr) {
        return server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                    {branch, nr})
            .toDouble();
    }
    // Another active dish of the type of a dish.
    QString otherOfType(const QString& dish) {
        return scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDATIVO = 'S' AND IDRECEREVI = 'S' AND "
                      "CDPRATO <> ? AND CDTIPOPRAT = (SELECT MIN(CDTIPOPRAT) FROM PRATO WHERE "
                      "CDPRATO = ?)",
                      {dish, dish});
    }

    // The month as the monthly screen holds it, changed and saved.
    void load(const QDate& month) {
        auto c = server_.Connect(Module, server_.SignIn(QStringLiteral("NUTRI1")));
        QList<TRpcArg> args{
            {QStringLiteral("0001"), true},    {"PLA00101", false},     {Almoco, true},
            {QStringLiteral("NUTRI1"), false}, {DataHora(month), true}, {false, false}};
        const QVariantList r = c->Call("GetCardapio", args).toList();
        days_.SetData(ToDataPacket(r[5]));
        dishes_.SetData(ToDataPacket(r[6]));
    }
    QString save() {
        auto c = server_.Connect(Module, server_.SignIn(QStringLiteral("NUTRI1")));
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        QList<TRpcArg> args{{QStringLiteral("NUTRI1"), false},
                            {false, false},
                            {delta(days_), true},
                            {delta(dishes_), true},
                            {QStringLiteral("N"), true}};
        return c->Call("UpdateCache", args).toString();
    }
    QString dayOn(int from) {
        for (days_.First(); !days_.Eof(); days_.Next()) {
            if (days_.FieldByName("DTCARDAPIO").AsDateTime().date().day() >= from) {
                return days_.FieldByName("NRCARDAPIO").AsString();
            }
        }
        return {};
    }
    QDate served(const QString& branch, const QString& service, int from) {
        return server_.Served(branch, service, next_, from);
    }

    TEmbeddedServer server_;
    TMemTable days_{"cdsCardaDia"};
    TMemTable dishes_{"cdsCompCardCache"};
    const QDate month_ = PriDiaMes(Hoje());
    const QDate next_ = month_.addMonths(1);
};

TEST_P(MenuHistory, ASaveRecordsEachChangedPositionWithWhoWhenAndWhat) {
    load(next_);
    const QString nr = dayOn(10);
    ASSERT_FALSE(nr.isEmpty());
    const auto before = dishes("0001", nr);
    const double dayDiners = diners("0001", nr);
    ASSERT_GT(before.size(), 3);
    const QString first = before.value({1, 1}).first;
    const QString replacement = otherOfType(first);
    ASSERT_FALSE(replacement.isEmpty());
    // Position 1 takes another dish, position 2 another share, position 3 a second dish
    // and the last position loses its dish; the others stay.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 1}));
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString(replacement);
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 2}));
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(62.5);
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 3}));
    const QVariant date = dishes_.FieldByName("DTCARDAPIO").Value();
    const QString third = dishes_.FieldByName("CDPRATO").AsString();
    const QString extra = otherOfType(third);
    dishes_.Append();
    dishes_.FieldByName("CDFILIAL").SetAsString("0001");
    dishes_.FieldByName("DTCARDAPIO").SetValue(date);
    dishes_.FieldByName("NRCARDAPIO").SetAsString(nr);
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(3);
    dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
    dishes_.FieldByName("CDPRATO").SetAsString(extra);
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(25);
    dishes_.FieldByName("IDPRATOESPE").SetAsString("N");
    dishes_.Post();
    const int last = before.lastKey().first;
    const QString lastDish = before.last().first;
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, last}));
    dishes_.Delete();

    const QDateTime start = Agora().addSecs(-1);
    ASSERT_EQ(save(), nr);
    const QDateTime end = Agora().addSecs(1);
    const QList<TRecord> r = recordsOf(nr);
    ASSERT_EQ(r.size(), 4) << "only the positions that changed";
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Operacao, "G");
        EXPECT_EQ(x.Operador, "NUTRI1");
        EXPECT_EQ(x.Instante, r[0].Instante) << "one instant for the whole save";
        EXPECT_GE(x.Instante, start);
        EXPECT_LE(x.Instante, end);
        EXPECT_EQ(x.Servico, Almoco);
        EXPECT_EQ(x.Dia, date.toDateTime().date());
        EXPECT_EQ(x.ComensAntes.toDouble(), dayDiners);
        EXPECT_EQ(x.ComensDepois.toDouble(), dayDiners);
    }
    EXPECT_EQ(r[0].Seq, 1);
    EXPECT_EQ(r[0].Antes, first);
    EXPECT_EQ(r[0].Depois, replacement);
    EXPECT_EQ(r[0].Tipo, "01");
    EXPECT_EQ(r[1].Seq, 2);
    EXPECT_EQ(r[1].Antes, r[1].Depois) << "the same dish with another share";
    EXPECT_EQ(r[1].PercAntes.toDouble(), before.value({2, 1}).second);
    EXPECT_EQ(r[1].PercDepois.toDouble(), 62.5);
    EXPECT_EQ(r[2].Seq, 3);
    EXPECT_EQ(r[2].Ord, 2);
    EXPECT_TRUE(r[2].Antes.isEmpty()) << "a dish added beside the position's own";
    EXPECT_TRUE(r[2].PercAntes.isNull());
    EXPECT_EQ(r[2].Depois, extra);
    EXPECT_EQ(r[2].PercDepois.toDouble(), 25);
    EXPECT_EQ(r[3].Seq, last);
    EXPECT_EQ(r[3].Antes, lastDish);
    EXPECT_TRUE(r[3].Depois.isEmpty());
    EXPECT_TRUE(r[3].PercDepois.isNull());
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD"), 4) << "no other day was touched";
}

TEST_P(MenuHistory, ANewDayADeletedDayAndTheDayDinersAreRecordedAndARefusalRecordsNothing) {
    load(next_);
    // Diners alone are no change of a position.
    const QString nr = dayOn(12);
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", nr));
    const double was = days_.FieldByName("QTCOMESTICAR").AsFloat();
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(was + 10);
    days_.Post();
    ASSERT_EQ(save(), nr);
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD"), 0);
    days_.MergeChangeLog();
    // With a dish changed too, the diners before and after come along.
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", nr));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(was + 20);
    days_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 1}));
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(50);
    dishes_.Post();
    ASSERT_EQ(save(), nr);
    days_.MergeChangeLog();
    dishes_.MergeChangeLog();
    QList<TRecord> r = recordsOf(nr);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].ComensAntes.toDouble(), was + 10);
    EXPECT_EQ(r[0].ComensDepois.toDouble(), was + 20);

    // A new Sunday: every dish came, nothing stood before.
    QDate sunday = next_;
    while (sunday.dayOfWeek() != 7) {
        sunday = sunday.addDays(1);
    }
    days_.Append();
    days_.FieldByName("CDFILIAL").SetAsString("0001");
    days_.FieldByName("CDSERVFILI").SetAsString(Almoco);
    days_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sunday));
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(120);
    days_.Post();
    const QString dish = scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01' AND "
                                "IDATIVO = 'S'");
    dishes_.Append();
    dishes_.FieldByName("CDFILIAL").SetAsString("0001");
    dishes_.FieldByName("CDSERVFILI").SetAsString(Almoco);
    dishes_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sunday));
    dishes_.FieldByName("NRCARDAPIO").SetAsString("XXXXXXXXXX");
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(1);
    dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
    dishes_.FieldByName("CDPRATO").SetAsString(dish);
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(100);
    dishes_.Post();
    const QString created = save();
    ASSERT_EQ(created.size(), 10);
    r = recordsOf(created);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].Dia, sunday);
    EXPECT_TRUE(r[0].ComensAntes.isNull()) << "no day before";
    EXPECT_EQ(r[0].ComensDepois.toDouble(), 120);
    EXPECT_EQ(r[0].Depois, dish);
    days_.MergeChangeLog();
    dishes_.MergeChangeLog();

    // A day deleted: each of its dishes went, with the day.
    load(next_);
    const QString gone = dayOn(20);
    const auto held = dishes("0001", gone);
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", gone));
    days_.Delete();
    ASSERT_EQ(save(), gone);
    r = recordsOf(gone);
    ASSERT_EQ(r.size(), held.size());
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Antes, held.value({x.Seq, x.Ord}).first);
        EXPECT_TRUE(x.Depois.isEmpty());
        EXPECT_TRUE(x.ComensDepois.isNull()) << "no day after";
        EXPECT_FALSE(x.ComensAntes.isNull());
    }

    // A save refused on its last row writes no record of its first.
    load(next_);
    const int recorded = count("SELECT COUNT(*) FROM HISTCARD");
    const QString other = dayOn(14);
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {other, 1}));
    dishes_.Edit();
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(40);
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {other, 2}));
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString("NAOEXISTE");
    dishes_.Post();
    EXPECT_EQ(save(), "Prato NAOEXISTE não cadastrado.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD"), recorded);
}

TEST_P(MenuHistory, ADayImportRecordsThePositionsItChanged) {
    const QDate source = served("0001", Jantar, 5);
    QDate target = served("0001", Almoco, source.day() + 1);
    ASSERT_TRUE(source.isValid() && target.isValid());
    const QString nr = server_.DayNumber("0001", Almoco, target);
    const auto before = dishes("0001", nr);
    const auto from = dishes("0001", server_.DayNumber("0001", Jantar, source));
    const QVariant answer =
        call("ImportaCardDia",
             {"0001", Jantar, DataHora(source), Almoco, DataHora(target), "01;02", "F"},
             QStringLiteral("NUTRI1"), QStringLiteral("Pla00109.rdmImpCardDia"));
    ASSERT_EQ(refusal(answer), "");
    const QList<TRecord> r = recordsOf(nr);
    int changed = 0;
    for (const int seq : {1, 2}) {
        if (before.value({seq, 1}).first != from.value({seq, 1}).first) {
            ++changed;
        }
    }
    ASSERT_GT(changed, 0) << "the days must differ for the import to change something";
    ASSERT_EQ(r.size(), changed) << "a position given the dish it had is no change";
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Operacao, "I");
        EXPECT_EQ(x.Operador, "NUTRI1");
        EXPECT_EQ(x.Antes, before.value({x.Seq, 1}).first);
        EXPECT_EQ(x.Depois, from.value({x.Seq, 1}).first);
        EXPECT_EQ(x.Dia, target);
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD WHERE NRCARDAPIO <> ?", {nr}), 0)
        << "the source day is only read";
}

TEST_P(MenuHistory, ASubstitutionRecordsTheDishAndItsEquivalent) {
    const QString costType = scalar("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = "
                                    "'0001'");
    server_.Db().Exec("DELETE FROM BASECUSTMES WHERE CDFILIAL = '0001'");
    TDataPacket p = ToDataPacket(call("getSubsPratoEqui", {"0001", Almoco, DataHora(next_),
                                                           costType, "S", DataHora(next_), "P"}));
    int line = -1;
    const int equi = p.FieldIndex("CDPRATOEQUI");
    for (int i = 0; i < p.RowCount() && line < 0; ++i) {
        if (!p.Rows[i].Values[equi].toString().trimmed().isEmpty()) {
            line = i;
        }
    }
    ASSERT_GE(line, 0);
    const auto v = [&p, line](const char* f) {
        return p.Rows[line].Values[p.FieldIndex(QString::fromLatin1(f))];
    };
    p.Rows[line].Values[p.FieldIndex("IDMARCADO")] = "S";
    ASSERT_EQ(refusal(call("setSubsPratoEqui",
                           {"0001", Almoco, DataHora(next_), FromDataPacket(p), "NUTRI1", false})),
              "");
    const QList<TRecord> r = records();
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].Operacao, "S");
    EXPECT_EQ(r[0].Operador, "NUTRI1");
    EXPECT_EQ(r[0].Numero, v("NRCARDAPIO").toString().trimmed());
    EXPECT_EQ(r[0].Seq, int(v("NRSEQPRATCAR").toDouble()));
    EXPECT_EQ(r[0].Antes, v("CDPRATO").toString().trimmed());
    EXPECT_EQ(r[0].Depois, v("CDPRATOEQUI").toString().trimmed());
    EXPECT_EQ(r[0].PercAntes.toDouble(), v("VRPECONSCARD").toDouble());
    EXPECT_EQ(r[0].PercDepois.toDouble(), v("VRPECONSCARDEQUI").toDouble());
}

TEST_P(MenuHistory, APeriodDeletionAndAnInversionAreRecordedUnderTheirOperations) {
    const QDate a = served("0001", Almoco, 10);
    const QDate b = served("0001", Almoco, a.day() + 1);
    const QString na = server_.DayNumber("0001", Almoco, a);
    const QString nb = server_.DayNumber("0001", Almoco, b);
    const auto da = dishes("0001", na);
    const auto db = dishes("0001", nb);
    ASSERT_TRUE(call("InvertePratos", {"0001", Almoco, DataHora(a), DataHora(b)}).toBool());
    int differ = 0;
    for (auto it = da.cbegin(); it != da.cend(); ++it) {
        if (db.value(it.key()).first != it.value().first) {
            ++differ;
        }
    }
    ASSERT_GT(differ, 0) << "the days must differ for the inversion to change something";
    QList<TRecord> r = records("IDOPERACAO = 'V'");
    ASSERT_EQ(r.size(), 2 * differ);
    for (const TRecord& x : r) {
        const auto& mine = x.Numero == na ? da : db;
        const auto& theirs = x.Numero == na ? db : da;
        EXPECT_EQ(x.Antes, mine.value({x.Seq, x.Ord}).first);
        EXPECT_EQ(x.Depois, theirs.value({x.Seq, x.Ord}).first);
    }

    const QDate c = served("0001", Almoco, 20);
    const QString nc = server_.DayNumber("0001", Almoco, c);
    const int held = int(dishes("0001", nc).size());
    EXPECT_EQ(call("DelCardPeriodo", {"0001", Almoco, DataHora(c), DataHora(c)}).toInt(), 1);
    r = records("IDOPERACAO = 'D'");
    ASSERT_EQ(r.size(), held);
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Numero, nc);
        EXPECT_FALSE(x.Antes.isEmpty());
        EXPECT_TRUE(x.Depois.isEmpty());
    }
}

TEST_P(MenuHistory, APositionRemovedFromTheMonthRecordsTheDishesItTook) {
    QSqlQuery q = server_.Db().Exec(
        "SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDCONCNFMES, IDIMPCNFMES FROM "
        "CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
        "NRORDCNFMES",
        {Almoco, DataHora(next_)});
    TDataPacket p;
    p.Fields = {{"NRORDCNFMES", TFieldType::Integer, 0, false},
                {"NMTIPOPRAT", TFieldType::String, 35, false},
                {"IDOPCCNFMES", TFieldType::String, 1, false},
                {"IDCONCNFMES", TFieldType::String, 1, false},
                {"IDIMPCNFMES", TFieldType::String, 1, false},
                {"NRSEQCNFMES", TFieldType::Integer, 0, false},
                {"CDTIPOPRAT", TFieldType::String, 2, false}};
    int removed = 0;
    while (q.next()) {
        if (q.value(0).toInt() == 10) {
            removed = 10;
            continue;
        }
        p.Rows.append(
            {TRowKind::Unchanged,
             {q.value(1).toLongLong(), QString(), q.value(3).toString(), q.value(4).toString(),
              q.value(5).toString(), q.value(0).toLongLong(), q.value(2).toString()},
             {}});
    }
    ASSERT_EQ(removed, 10);
    const int held = count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
                           "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = '0001' "
                           "AND D.CDSERVFILI = ? AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = 10",
                           {Almoco, DataHora(next_)});
    ASSERT_GT(held, 0);
    const QVariant answer = call(
        "SetConfigCardMes", {"0001", Almoco, DataHora(next_), FromDataPacket(p), "10", "NUTRI1"});
    ASSERT_EQ(refusal(answer), "");
    const QList<TRecord> r = records();
    ASSERT_EQ(r.size(), held);
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Operacao, "P");
        EXPECT_EQ(x.Seq, 10);
        EXPECT_FALSE(x.Antes.isEmpty());
        EXPECT_TRUE(x.Depois.isEmpty());
        EXPECT_EQ(x.Tipo, "10") << "the position's type as it was";
    }
}

TEST_P(MenuHistory, AnExportRecordsTheDaysItOverwroteAndAnExportUndoneRecordsNothing) {
    // Two days the dinner serves, and the lunch too.
    const QDate a = served("0001", Jantar, 10);
    const QDate b = served("0001", Jantar, a.day() + 1);
    ASSERT_TRUE(a.isValid() && b.isValid());
    const QString na = server_.DayNumber("0001", Almoco, a);
    const QString nb = server_.DayNumber("0001", Almoco, b);
    ASSERT_FALSE(na.isEmpty() || nb.isEmpty());
    const auto held = byPosition(na);
    const auto exportar = [&](const QDate& until, const QString& copia, const QString& op) {
        return call("ExportarCardapio",
                    {"0001", Jantar + "_", Almoco + "_", DataHora(PriDiaMes(a)), DataHora(a),
                     DataHora(until), "S", copia, op, false, qlonglong(1)},
                    op);
    };

    // The second day's diners cannot be copied: the lunch is undone, the first day's
    // record with it.
    const QString dinnerB = server_.DayNumber("0001", Jantar, b);
    const double employees =
        server_.Db()
            .Scalar("SELECT QTFUNESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {dinnerB})
            .toDouble();
    server_.Db().Exec("UPDATE CARDADIA SET QTFUNESTICAR = -3 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {dinnerB});
    const TDataPacket undone = ToDataPacket(exportar(b, "S", "NUTRI1"));
    ASSERT_EQ(undone.RowCount(), 1);
    EXPECT_TRUE(undone.Rows[0].Values.last().toString().startsWith("A exportação parou no dia"))
        << undone.Rows[0].Values.last().toString().toStdString();
    EXPECT_EQ(byPosition(na), held) << "the first day written and undone";
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD"), 0);
    server_.Db().Exec("UPDATE CARDADIA SET QTFUNESTICAR = ? WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {employees, dinnerB});
    // Refused as a whole: an operator of another branch.
    EXPECT_EQ(refusal(exportar(a, "N", "ESCOLA1")),
              "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTCARD"), 0);

    // Exported over the lunch's day: each position whose dishes changed, and only those.
    const QDateTime start = Agora().addSecs(-1);
    const TDataPacket done = ToDataPacket(exportar(a, "N", "NUTRI1"));
    const auto after = byPosition(na);
    ASSERT_NE(after, held);
    QSet<int> changed;
    for (const int p : held.keys() + after.keys()) {
        if (held.value(p) != after.value(p)) {
            changed.insert(p);
        }
    }
    const QList<TRecord> r = records();
    ASSERT_GT(r.size(), 0);
    QSet<int> recorded;
    for (const TRecord& x : r) {
        recorded.insert(x.Seq);
        EXPECT_EQ(x.Operacao, "E");
        EXPECT_EQ(x.Operador, "NUTRI1");
        EXPECT_GE(x.Instante, start);
        EXPECT_EQ(x.Servico, Almoco);
        EXPECT_EQ(x.Numero, na) << "the dinner, the origin, only read";
        EXPECT_EQ(x.Dia, a);
        EXPECT_TRUE(x.Antes.isEmpty() || holds(held.value(x.Seq), x.Antes)) << x.Seq;
        EXPECT_TRUE(x.Depois.isEmpty() || holds(after.value(x.Seq), x.Depois)) << x.Seq;
        EXPECT_FALSE(x.Antes.isEmpty() && x.Depois.isEmpty());
    }
    EXPECT_EQ(recorded, changed);
}

TEST_P(MenuHistory, ADishTypeImportRecordsTheDishesOfThePositionsItChanged) {
    // Every day of the month with its dishes in the rice's position.
    QMap<QString, std::pair<QDate, QStringList>> held;
    {
        QSqlQuery q = server_.Db().Exec(
            "SELECT D.NRCARDAPIO, D.DTCARDAPIO, C.CDPRATO FROM CARDADIA D JOIN COMPCARD C ON "
            "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO WHERE D.CDFILIAL = '0001' "
            "AND D.CDSERVFILI = ? AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = 1",
            {Almoco, DataHora(next_)});
        while (q.next()) {
            auto& day = held[q.value(0).toString().trimmed()];
            day.first =
                db::TDatabase::FromSql(TFieldType::DateTime, q.value(1)).toDateTime().date();
            day.second << q.value(2).toString().trimmed();
        }
    }
    ASSERT_FALSE(held.isEmpty());
    qsizetype dishesHeld = 0;
    for (const auto& day : std::as_const(held)) {
        dishesHeld += day.second.size();
    }
    // The breakfast's bread takes the rice's position, its dishes going.
    const QVariant answer =
        call("ImportaTipoPrat",
             {"0001", Almoco, DataHora(next_), "00003", DataHora(next_), "10", "", "1", "NUTRI1"},
             QStringLiteral("NUTRI1"), QStringLiteral("Pla00121.rdmImpTipoPrat"));
    ASSERT_EQ(refusal(answer), "");
    const QList<TRecord> r = records();
    ASSERT_EQ(r.size(), dishesHeld);
    for (const TRecord& x : r) {
        EXPECT_EQ(x.Operacao, "T");
        EXPECT_EQ(x.Operador, "NUTRI1");
        EXPECT_EQ(x.Servico, Almoco);
        EXPECT_EQ(x.Seq, 1);
        EXPECT_EQ(x.Tipo, "01") << "the position's type as it was";
        ASSERT_TRUE(held.contains(x.Numero)) << x.Numero.toStdString();
        EXPECT_EQ(x.Dia, held.value(x.Numero).first);
        EXPECT_TRUE(held.value(x.Numero).second.contains(x.Antes)) << x.Antes.toStdString();
        EXPECT_TRUE(x.Depois.isEmpty());
        EXPECT_TRUE(x.PercDepois.isNull());
    }
}

TEST_P(MenuHistory, TwoWritersOfOneDayAtOnceEachRecordTheirOwnChange) {
    load(next_);
    const QString nr = dayOn(16);
    ASSERT_FALSE(nr.isEmpty());
    const auto before = dishes("0001", nr);
    const QString first = before.value({1, 1}).first;
    const QString second = before.value({2, 1}).first;
    const QString other1 = otherOfType(first);
    const QString other2 = otherOfType(second);
    ASSERT_FALSE(other1.isEmpty() || other2.isEmpty());
    // Another writer of the day, caught after it changed the first position and before
    // it commits.
    db::TDatabase other(server_.Url());
    other.Begin(true);
    server::TRegistroAlteracoes theirs(other, "0001", "CENTRAL", TOperacaoCardapio::Gravacao);
    theirs.Antes(nr);
    other.Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
               "NRSEQPRATCAR = 1",
               {other1, nr});
    other.Exec("UPDATE CARDADIA SET CDOPERADOR = 'CENTRAL' WHERE CDFILIAL = '0001' AND "
               "NRCARDAPIO = ?",
               {nr});
    // This save changes the second position of the same day meanwhile.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 2}));
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString(other2);
    dishes_.Post();
    QString answer;
    std::thread saving([&] { answer = save(); });
    QThread::msleep(300); // the save reaches the day meanwhile
    EXPECT_EQ(theirs.Registra(), 1);
    other.Commit();
    saving.join();
    ASSERT_EQ(answer, nr);
    const QList<TRecord> r = recordsOf(nr);
    ASSERT_EQ(r.size(), 2) << "each change once, under its own operator";
    EXPECT_EQ(r[0].Operador, "CENTRAL");
    EXPECT_EQ(r[0].Seq, 1);
    EXPECT_EQ(r[0].Antes, first);
    EXPECT_EQ(r[0].Depois, other1);
    EXPECT_EQ(r[1].Operador, "NUTRI1");
    EXPECT_EQ(r[1].Seq, 2);
    EXPECT_EQ(r[1].Antes, second);
    EXPECT_EQ(r[1].Depois, other2);
}

// --- the history ------------------------------------------------------------------------

class HistoryQuery : public MenuHistory {
protected:
    void record(const QDateTime& when, const QString& op, const QString& before,
                const QString& after, const QDate& day = {}) {
        server_.Db().Exec(
            "INSERT INTO HISTCARD (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO, NRSEQPRATCAR, "
            "NRORDPRATCAR, CDTIPOPRAT, CDFILAUXPRATANT, CDPRATOANT, VRPECONSANT, "
            "CDFILAUXPRATNOV, CDPRATONOV, VRPECONSNOV, QTCOMESTIANT, QTCOMESTINOV, IDOPERACAO, "
            "CDOPERADOR, DTALTERACAO) VALUES ('0001', ?, ?, '0000000001', 1, 1, '01', ?, ?, ?, ?, "
            "?, ?, 800, 800, 'G', ?, ?)",
            {Almoco, DataHora(day.isValid() ? day : when.date()),
             before.isEmpty() ? QVariant() : QVariant("0002"),
             before.isEmpty() ? QVariant() : QVariant(before),
             before.isEmpty() ? QVariant() : QVariant(100.0),
             after.isEmpty() ? QVariant() : QVariant("0002"),
             after.isEmpty() ? QVariant() : QVariant(after),
             after.isEmpty() ? QVariant() : QVariant(100.0), op, when});
    }
    TDataPacket history(const QDate& from, const QDate& to, const QString& dish = {},
                        const QString& op = {}, QVariantList* whole = nullptr) {
        const QVariant answer =
            call("GetHistCard", {"0001", Almoco, dish, dish.isEmpty() ? QString() : "0002",
                                 DataHora(from), DataHora(to), op});
        EXPECT_EQ(refusal(answer), "");
        const QVariantList list = answer.toList();
        if (whole) {
            *whole = list;
        }
        return ToDataPacket(list.value(int(TElemHistCard::Alteracoes)));
    }
    static QStringList column(const TDataPacket& p, const char* field) {
        QStringList out;
        const int i = p.FieldIndex(QString::fromLatin1(field));
        for (const TPacketRow& r : p.Rows) {
            out << r.Values[i].toString();
        }
        return out;
    }
    QString dish(int n) {
        QSqlQuery q = server_.Db().Exec("SELECT CDPRATO FROM PRATO WHERE CDTIPOPRAT = '01' ORDER "
                                        "BY CDPRATO");
        for (int i = 0; q.next(); ++i) {
            if (i == n) {
                return q.value(0).toString().trimmed();
            }
        }
        return {};
    }
    const QDate d0 = Hoje().addDays(-40);
};

TEST_P(HistoryQuery, FilteredByDishBeforeOrAfterPeriodOfTheChangeAndOperator) {
    const QString x = dish(0), y = dish(1), z = dish(2);
    record(DataHora(d0).addSecs(9 * 3600), "NUTRI1", x, y);
    record(DataHora(d0.addDays(10)).addSecs(10 * 3600), "CENTRAL", y, z);
    record(DataHora(d0.addDays(20)).addSecs(23 * 3600 + 59 * 60), "NUTRI1", z, QString());
    record(DataHora(d0.addDays(30)), "NUTRI1", QString(), x);
    // Newest first, with names.
    QVariantList whole;
    TDataPacket all = history(d0, d0.addDays(30), {}, {}, &whole);
    ASSERT_EQ(all.RowCount(), 4);
    EXPECT_EQ(column(all, "CDPRATONOV"), (QStringList{x, "", z, y}));
    EXPECT_EQ(column(all, "NMOPERADOR")[2], "Marina Duarte");
    EXPECT_EQ(column(all, "NMPRATOANT")[3],
              scalar("SELECT NMPRATO FROM PRATO WHERE CDPRATO = ?", {x}));
    EXPECT_EQ(column(all, "IDOPERACAO")[0], "G");
    EXPECT_FALSE(whole.value(int(TElemHistCard::Limitado)).toBool());
    const TDataPacket ops = ToDataPacket(whole.value(int(TElemHistCard::Operadores)));
    EXPECT_EQ(column(ops, "CDOPERADOR"), (QStringList{"CENTRAL", "NUTRI1"}));
    // A dish before or after the change.
    EXPECT_EQ(column(history(d0, d0.addDays(30), y), "CDPRATOANT"), (QStringList{y, x}));
    EXPECT_EQ(history(d0, d0.addDays(30), x).RowCount(), 2);
    // The period's days whole, by the change's date.
    EXPECT_EQ(column(history(d0.addDays(10), d0.addDays(20)), "CDPRATOANT"), (QStringList{z, y}));
    EXPECT_EQ(history(d0.addDays(1), d0.addDays(9)).RowCount(), 0);
    // One operator, with a code typed in small letters.
    EXPECT_EQ(column(history(d0, d0.addDays(30), {}, "central"), "CDPRATONOV"), (QStringList{z}));
    EXPECT_EQ(history(d0, d0.addDays(30), y, "NUTRI1").RowCount(), 1);
    // The dish's branch as typed, without its zeros.
    const QVariant shortBranch =
        call("GetHistCard", {"0001", Almoco, y, "2", DataHora(d0), DataHora(d0.addDays(30)), ""});
    ASSERT_EQ(refusal(shortBranch), "");
    EXPECT_EQ(column(ToDataPacket(shortBranch.toList().value(int(TElemHistCard::Alteracoes))),
                     "CDPRATOANT"),
              (QStringList{y, x}));
}

TEST_P(HistoryQuery, OnlyAnOperatorWithAccessToTheBranchReadsItsChanges) {
    record(DataHora(d0).addSecs(9 * 3600), "NUTRI1", dish(0), dish(1));
    const QVariantList args{"0001", Almoco, "", "", DataHora(d0), DataHora(d0), ""};
    EXPECT_EQ(refusal(call("GetHistCard", args, QStringLiteral("ESCOLA1"))),
              "Operador sem acesso aos cardápios da filial 0001.");
    // Reading needs no right to change a menu.
    const QVariant answer = call("GetHistCard", args, QStringLiteral("CONSULTA"));
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(ToDataPacket(answer.toList().value(int(TElemHistCard::Alteracoes))).RowCount(), 1);
}

TEST_P(HistoryQuery, RefusesABadPeriodOrAnUnknownServiceAndStopsAtTheLimit) {
    EXPECT_EQ(refusal(call("GetHistCard",
                           {"0001", Almoco, "", "", DataHora(d0), DataHora(d0.addDays(-1)), ""})),
              "A data inicial do período é posterior à final.");
    EXPECT_FALSE(
        refusal(call("GetHistCard", {"0001", "00099", "", "", DataHora(d0), DataHora(d0), ""}))
            .isEmpty());
    {
        db::TTransaction tx(server_.Db(), true);
        for (int i = 0; i <= LimiteHistCard; ++i) {
            record(DataHora(d0).addSecs(i), "NUTRI1", dish(0), dish(1));
        }
        tx.Commit();
    }
    QVariantList whole;
    const TDataPacket p = history(d0, d0, {}, {}, &whole);
    EXPECT_EQ(p.RowCount(), LimiteHistCard);
    EXPECT_TRUE(whole.value(int(TElemHistCard::Limitado)).toBool());
    EXPECT_EQ(p.Rows[0].Values[p.FieldIndex("DTALTERACAO")].toDateTime(),
              DataHora(d0).addSecs(LimiteHistCard))
        << "the newest kept";
}

// --- the ranking --------------------------------------------------------------------------

// A service of its own whose days were built for the ranking: dish A on three days,
// accepted 85 %; B on three, 90 %; C on one, unrecorded; D outside the period.
class Ranking : public MenuHistory {
protected:
    Ranking() {
        server_.Db().Exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', "
                          "'00009', 'Ceia')");
        QSqlQuery q = server_.Db().Exec("SELECT CDPRATO FROM PRATO WHERE CDFILAUXPRAT = '0002' AND "
                                        "CDTIPOPRAT = '01' AND IDATIVO = 'S' ORDER BY CDPRATO");
        while (q.next() && pool_.size() < 5) {
            pool_ << q.value(0).toString().trimmed();
        }
        a_ = pool_.value(0);
        b_ = pool_.value(1);
        c_ = pool_.value(2);
        d_ = pool_.value(3);
        e_ = pool_.value(4);
        day(0, {{a_, 100, 90}, {b_, 50, 45}});
        day(1, {{a_, 100, 80}, {b_, 50, {}}, {c_, 50, {}}});
        day(2, {{a_, 100, {}}, {b_, 50, {}}, {b_, 25, {}}});
        day(-10, {{d_, 100, 100}});
    }
    struct TServed {
        QString Dish;
        double Share;
        QVariant Withdrawn;
    };
    // A day of the service, `n` days after the period's first, with 100 diners.
    void day(int n, const QList<TServed>& served) {
        const QString nr = QStringLiteral("99%1").arg(n + 50, 8, 10, QLatin1Char('0'));
        server_.Db().Exec(
            "INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, "
            "DTMESCARD, QTCOMESTICAR) VALUES ('0001', ?, '00009', ?, ?, 100)",
            {nr, DataHora(first_.addDays(n)), DataHora(PriDiaMes(first_.addDays(n)))});
        int seq = 0;
        for (const TServed& s : served) {
            ++seq;
            server_.Db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                              "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, QTPORCRETI) "
                              "VALUES ('0001', ?, ?, 1, '0002', ?, ?, ?)",
                              {nr, seq, s.Dish, s.Share, s.Withdrawn});
        }
    }
    TDataPacket ranking(bool cost = false, const QString& reference = {},
                        const QDate& to = QDate()) {
        const QVariant answer =
            call("GetRankingPratos",
                 {"0001", "00009", DataHora(first_), DataHora(to.isValid() ? to : last_),
                  qlonglong(costType()), DataHora(Hoje()), "0001", cost, reference});
        EXPECT_EQ(refusal(answer), "");
        return ToDataPacket(answer);
    }
    int costType() {
        return scalar("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = '0001'").toInt();
    }
    static QVariant value(const TDataPacket& p, int row, const char* field) {
        return p.Rows[row].Values[p.FieldIndex(QString::fromLatin1(field))];
    }
    // A dish's cost per serving from its recipe and the latest prices on the day.
    double servingCost(const QString& dish, const QDate& on) {
        QSqlQuery r = server_.Db().Exec("SELECT CDPRODUTO, QTPERCAPITA, QTFATORCORR FROM RECEITA "
                                        "WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?",
                                        {dish});
        QList<QVariantList> recipe;
        while (r.next()) {
            recipe.append({r.value(0), r.value(1), r.value(2)});
        }
        double sum = 0;
        for (const QVariantList& line : recipe) {
            const QVariant price = server_.Db().Scalar(
                "SELECT VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = '0001' AND NRTIPOCUSTO = ? "
                "AND CDPRODUTO = ? AND DTVIGENCIA <= ? ORDER BY DTVIGENCIA DESC LIMIT 1",
                {costType(), line[0], DataHora(on)});
            sum += line[1].toDouble() * line[2].toDouble() * price.toDouble();
        }
        return RoundDec(sum, 5);
    }

    QStringList pool_;
    QString a_, b_, c_, d_, e_;
    const QDate first_ = Hoje().addDays(-30);
    const QDate last_ = Hoje().addDays(-20);
};

TEST_P(Ranking, MostServedFirstThenBestAcceptedWithTheLastDayAndTiesSharingTheirPlace) {
    const TDataPacket p = ranking();
    ASSERT_EQ(p.RowCount(), 3) << "the dish served before the period is not ranked";
    EXPECT_EQ(value(p, 0, "CDPRATO").toString(), b_) << "as often as A, better accepted";
    EXPECT_EQ(value(p, 1, "CDPRATO").toString(), a_);
    EXPECT_EQ(value(p, 2, "CDPRATO").toString(), c_);
    EXPECT_EQ(value(p, 0, "NRPOSICAO").toInt(), 1);
    EXPECT_EQ(value(p, 1, "NRPOSICAO").toInt(), 1);
    EXPECT_EQ(value(p, 2, "NRPOSICAO").toInt(), 3);
    EXPECT_EQ(value(p, 0, "QTVEZES").toInt(), 3) << "twice on one day counts once";
    EXPECT_EQ(value(p, 1, "QTVEZES").toInt(), 3);
    EXPECT_EQ(value(p, 2, "QTVEZES").toInt(), 1);
    // A: 90 + 80 withdrawn of 100 + 100 planned on the days recorded.
    EXPECT_DOUBLE_EQ(value(p, 1, "QTPORCRETI").toDouble(), 170);
    EXPECT_DOUBLE_EQ(value(p, 1, "QTPORCPLAN").toDouble(), 200);
    EXPECT_DOUBLE_EQ(value(p, 1, "VRACEITACAO").toDouble(), 85);
    EXPECT_DOUBLE_EQ(value(p, 0, "VRACEITACAO").toDouble(), 90);
    EXPECT_TRUE(value(p, 2, "VRACEITACAO").isNull()) << "never recorded";
    EXPECT_TRUE(value(p, 2, "QTPORCRETI").isNull());
    EXPECT_EQ(value(p, 0, "DTULTIMO").toDateTime().date(), first_.addDays(2));
    EXPECT_EQ(value(p, 2, "DTULTIMO").toDateTime().date(), first_.addDays(1));
    EXPECT_EQ(value(p, 0, "NMPRATO").toString(),
              scalar("SELECT NMPRATO FROM PRATO WHERE CDPRATO = ?", {b_}));
    EXPECT_EQ(value(p, 0, "CDTIPOPRAT").toString(), "01");
    EXPECT_TRUE(value(p, 0, "VRCUSTOPORCAO").isNull()) << "costs not asked for";
    // The period's last day whole: on the first day alone A and B were served once.
    EXPECT_EQ(ranking(false, {}, first_.addDays(1)).RowCount(), 3);
    const TDataPacket one = ranking(false, {}, first_);
    ASSERT_EQ(one.RowCount(), 2);
    EXPECT_EQ(value(one, 1, "NRPOSICAO").toInt(), 1);
    EXPECT_DOUBLE_EQ(value(one, 0, "VRACEITACAO").toDouble(), 90);
}

TEST_P(Ranking, CostPerServingAtTheReferenceDateAndEquivalentsOfAReferenceDish) {
    const TDataPacket p = ranking(true);
    ASSERT_EQ(p.RowCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(value(p, i, "VRCUSTOPORCAO").toDouble(),
                         servingCost(value(p, i, "CDPRATO").toString(), Hoje()));
    }
    // A's equivalents: C (served) and E (never in the period); B is no equivalent.
    for (const QString& e : {c_, e_}) {
        server_.Db().Exec("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                          "CDPRATORELAC, IDTIPORELAC) VALUES ('0002', ?, '0002', ?, 'E')",
                          {a_, e});
    }
    const TDataPacket q = ranking(false, a_);
    ASSERT_EQ(q.RowCount(), 3);
    EXPECT_EQ(value(q, 0, "CDPRATO").toString(), a_);
    EXPECT_EQ(value(q, 1, "CDPRATO").toString(), c_);
    EXPECT_EQ(value(q, 2, "CDPRATO").toString(), e_);
    EXPECT_EQ(value(q, 2, "QTVEZES").toInt(), 0);
    EXPECT_TRUE(value(q, 2, "DTULTIMO").isNull());
    EXPECT_EQ(value(q, 2, "NRPOSICAO").toInt(), 3);
    EXPECT_EQ(refusal(call("GetRankingPratos", {"0001", "00009", DataHora(last_), DataHora(first_),
                                                qlonglong(costType()), QVariant(), "", false, ""})),
              "A data inicial do período é posterior à final.");
}

TEST_P(Ranking, CostsOnlyForAnOperatorOfTheBranchWithPricesThatExist) {
    const auto ask = [&](bool cost, const QString& op, const QString& costBranch, qlonglong type) {
        return refusal(call("GetRankingPratos",
                            {"0001", "00009", DataHora(first_), DataHora(last_), type,
                             DataHora(Hoje()), costBranch, cost, ""},
                            op));
    };
    const qlonglong type = costType();
    EXPECT_EQ(ask(false, "ESCOLA1", "", type), "Operador sem acesso aos cardápios da filial 0001.")
        << "another branch's served dishes are not read without costs either";
    EXPECT_EQ(ask(true, "ESCOLA1", "0004", type),
              "Operador sem acesso aos cardápios da filial 0001.")
        << "nor with its own branch's prices";
    EXPECT_EQ(ask(true, "NUTRI1", "0099", type), "Filial de custo 0099 não cadastrada.");
    EXPECT_EQ(ask(true, "NUTRI1", "0001", 999), "Tipo de custo 999 não cadastrado.");
    EXPECT_EQ(ask(true, "NUTRI1", "0002", type), "") << "another branch's prices";
    EXPECT_EQ(ask(true, "CONSULTA", "", type), "") << "reading needs no right to change";
    // Without costs their arguments are not looked at.
    EXPECT_EQ(ask(false, "NUTRI1", "0099", 999), "");
}

TEST_P(Ranking, DishesTiedInAllButTheirBranchFollowIt) {
    // A's code and name recorded in the restaurant too, served as A was.
    server_.Db().Exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) SELECT "
                      "'0001', CDPRATO, NMPRATO, CDTIPOPRAT FROM PRATO WHERE CDFILAUXPRAT = "
                      "'0002' AND CDPRATO = ?",
                      {a_});
    const QList<QVariant> withdrawn{90, 80, QVariant()};
    for (int n = 0; n < 3; ++n) {
        server_.Db().Exec(
            "INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
            "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, QTPORCRETI) "
            "VALUES ('0001', ?, 9, 1, '0001', ?, 100, ?)",
            {QStringLiteral("99%1").arg(n + 50, 8, 10, QLatin1Char('0')), a_, withdrawn[n]});
    }
    const TDataPacket p = ranking();
    ASSERT_EQ(p.RowCount(), 4);
    QStringList order;
    for (int i = 0; i < p.RowCount(); ++i) {
        order << value(p, i, "CDFILAUXPRAT").toString() + '/' + value(p, i, "CDPRATO").toString();
    }
    EXPECT_EQ(order, (QStringList{"0002/" + b_, "0001/" + a_, "0002/" + a_, "0002/" + c_}));
    EXPECT_DOUBLE_EQ(value(p, 1, "VRACEITACAO").toDouble(), 85);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuHistory,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });
INSTANTIATE_TEST_SUITE_P(Engines, HistoryQuery,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });
INSTANTIATE_TEST_SUITE_P(Engines, Ranking, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
