// The monthly menu's save (UpdateCache) held to what the save did before it was batched:
// over a copy of the demonstration data of a fixed day, on both engines, each save of
// each case gives the answer, the central flag handed back and the rows gone from and new
// in the menu's tables (the change record but for its instants) recorded in
// data/menu_save_batch.expected, taken from the save that wrote each row on its own when
// it was replaced; and a save costs as many statements for 200 dishes as for 10.
//
// After a deliberate change of what a save writes, record the file again from a run on
// both engines and review its diff:
//   PLA_RECORD_EXPECTED=1 test_server_demo --gtest_filter='*MenuSaveBatch*'
// A recording run rewrites the sections of the cases it runs, and fails; a section named
// with an engine holds where that engine's save differs from SQLite's.
#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <iostream>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");

// The day the demonstration data is seeded for and the saves run on: next month and last
// month have days enough for every case.
const QDate Today(2027, 3, 10);

const QString ExpectedFile = QStringLiteral(PLA_TEST_DATA_DIR "/menu_save_batch.expected");

// A table's rows as text in key order, without the columns that hold an instant.
QStringList dump(db::TDatabase& db, const QString& table, const QString& order,
                 const QStringList& without = {}) {
    QSqlQuery q = db.Exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order));
    const QSqlRecord record = q.record();
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < record.count(); ++i) {
            if (without.contains(record.fieldName(i), Qt::CaseInsensitive)) {
                continue;
            }
            const QVariant v = q.value(i);
            cells << (v.isNull() ? QStringLiteral("<null>") : db::TDatabase::ToSql(v).toString());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

struct TTable {
    QString Name;
    QString Order;
    QStringList Without;
};

const QList<TTable> Tables{
    {"CARDADIA", "CDFILIAL, NRCARDAPIO", {"DTULTATUACAR"}},
    {"COMPCARD", "CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR", {}},
    {"HISTCARD", "NRHISTCARD", {"NRHISTCARD", "DTALTERACAO"}},
    {"PRATEXCL",
     "CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, NRSEQPRATEXCL, CDFILAUXPRAT, CDPRATO",
     {}},
    {"CARDESP", "CDFILIAL, CDSERVFILI, DTCARDAPIO", {}},
    {"CARDACLI", "CDFILIAL, NRCARDAPIO, CDCLIENTE, CDDESTFILI", {}},
    {"SEQCARDAPIO", "CDFILIAL", {}},
};

// What a save did, one line each whatever its texts hold: its answer, the central flag
// handed back, and per table the rows gone ("-") then the rows new ("+").
QStringList outcome(const QString& answer, const QString& follows, const QList<QStringList>& before,
                    const QList<QStringList>& after) {
    // The rows of `from` that `to` lacks, in `from`'s order, each as often as it lacks it.
    const auto missing = [](const QStringList& from, const QStringList& to) {
        QHash<QString, int> left;
        for (const QString& row : to) {
            ++left[row];
        }
        QStringList out;
        for (const QString& row : from) {
            if (--left[row] < 0) {
                out << row;
            }
        }
        return out;
    };
    QStringList out{QStringLiteral("answer \"%1\"").arg(answer), "central " + follows};
    for (qsizetype t = 0; t < Tables.size(); ++t) {
        for (const QString& row : missing(before[t], after[t])) {
            out << Tables[t].Name + " - " + row;
        }
        for (const QString& row : missing(after[t], before[t])) {
            out << Tables[t].Name + " + " + row;
        }
    }
    for (QString& l : out) {
        l.replace(u'\\', QLatin1String("\\\\")).replace(u'\n', QLatin1String("\\n"));
    }
    return out;
}

// The expected file's sections, each the lines of one save's outcome under a line
// "== <case> <save>[ <engine>]"; read once per program.
QMap<QString, QStringList>& sections() {
    static QMap<QString, QStringList> all = [] {
        QMap<QString, QStringList> out;
        QFile file(ExpectedFile);
        QString name;
        for (const QString& l : file.open(QIODevice::ReadOnly)
                                    ? QString::fromUtf8(file.readAll()).split(u'\n')
                                    : QStringList()) {
            if (l.startsWith(QLatin1String("== "))) {
                name = l.mid(3);
            } else if (!name.isEmpty() && !l.isEmpty()) {
                out[name] << l;
            }
        }
        return out;
    }();
    return all;
}

// Sets a section, or drops it when `lines` is empty, and writes the file again.
void record(const QString& name, const QStringList& lines) {
    if (lines.isEmpty()) {
        sections().remove(name);
    } else {
        sections().insert(name, lines);
    }
    QString text = QStringLiteral("# What each save of test_menu_save_batch.cpp did; see its "
                                  "header.\n");
    for (const auto& [section, l] : sections().asKeyValueRange()) {
        text += QStringLiteral("\n== %1\n%2\n").arg(section, l.join(u'\n'));
    }
    QFile file(ExpectedFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        << ExpectedFile.toStdString();
    file.write(text.toUtf8());
}

// The first line where a save's outcome parts from the expected one, with its table.
QString difference(const QStringList& got, const QStringList& expected) {
    for (qsizetype i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const QString a = got.value(i, QStringLiteral("<none>"));
        const QString b = expected.value(i, QStringLiteral("<none>"));
        if (a != b) {
            return QStringLiteral("line %1, in %2:\n  got      %3\n  expected %4")
                .arg(QString::number(i + 1), (a == "<none>" ? b : a).section(u' ', 0, 0), a, b);
        }
    }
    return {};
}

class MenuSaveBatch : public ::testing::TestWithParam<TEngine> {
protected:
    MenuSaveBatch()
        : server_(GetParam(), Today) {}

    void SetUp() override { ASSERT_EQ(Hoje(), Today) << "the fixed day wins over PLA_HOJE"; }

    void load(const QString& branch = QStringLiteral("0001"),
              const QString& service = QStringLiteral("00001"),
              const QString& op = QStringLiteral("NUTRI1"),
              const QDate& month = PriDiaMes(Hoje()).addMonths(1)) {
        operador_ = op;
        auto c = server_.Connect(Module, server_.SignIn(op));
        QList<TRpcArg> args{{branch, true}, {"PLA00101", false},     {service, true},
                            {op, false},    {DataHora(month), true}, {false, false}};
        const QVariantList r = c->Call("GetCardapio", args).toList();
        days_.SetData(ToDataPacket(r[5]));
        dishes_.SetData(ToDataPacket(r[6]));
    }

    // A statement another operator ran meanwhile.
    void meanwhile(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }

    // Saves the pending changes, expecting the answer, the central flag handed back and
    // the tables' rows gone and new that the expected file holds for this save of the case.
    QString save() {
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        const QVariant days = delta(days_);
        const QVariant dishes = delta(dishes_);
        auto c = server_.Connect(Module, server_.SignIn(operador_));
        QList<TRpcArg> args{{operador_, false},
                            {false, false},
                            {days, true},
                            {dishes, true},
                            {QStringLiteral("N"), true}};
        before_ = tables(server_.Db());
        const quint64 first = server_.Db().Statements();
        const QString answer = c->Call("UpdateCache", args).toString();
        statements_ = server_.Db().Statements() - first;
        after_ = tables(server_.Db());
        const QStringList got = outcome(answer, args[4].Value.toString(), before_, after_);

        const QString name = QStringLiteral("%1 %2").arg(
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .section(u'/', 0, 0),
            QString::number(++saves_));
        const QString own = name + u' ' + test::EngineName(GetParam());
        if (qEnvironmentVariable("PLA_RECORD_EXPECTED") == QLatin1String("1")) {
            if (GetParam() == TEngine::SQLite) {
                record(name, got);
            }
            record(own, sections().value(name) == got ? QStringList() : got);
            // A recording run holds nothing to anything: it must not pass for a check.
            ADD_FAILURE() << "recorded \"" << name.toStdString()
                          << "\"; run again without PLA_RECORD_EXPECTED";
        }
        const QStringList want = sections().value(own, sections().value(name));
        if (want.isEmpty()) {
            ADD_FAILURE() << "no section \"" << name.toStdString() << "\" in "
                          << ExpectedFile.toStdString() << ": record it, see the header";
        } else {
            const QString d = difference(got, want);
            EXPECT_TRUE(d.isEmpty()) << name.toStdString() << ", " << d.toStdString();
        }
        return answer;
    }

    QList<QStringList> tables(db::TDatabase& db) {
        QList<QStringList> out;
        for (const TTable& t : Tables) {
            out << dump(db, t.Name, t.Order, t.Without);
        }
        return out;
    }
    // Whether the last save changed the table (by its position in Tables).
    bool changed(int table) { return after_[table] != before_[table]; }

    // The days of the loaded month (next month's: all may change), in date order.
    QStringList monthDays() {
        QStringList out;
        for (days_.First(); !days_.Eof(); days_.Next()) {
            out << days_.FieldByName("NRCARDAPIO").AsString();
        }
        return out;
    }
    // Another active dish of the same type, from the same dishes' branch.
    QString otherDish(const QString& dish) {
        return server_.Db()
            .Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDATIVO = 'S' AND CDPRATO <> ? AND "
                    "CDFILAUXPRAT = '0002' AND CDTIPOPRAT = (SELECT MIN(CDTIPOPRAT) FROM PRATO "
                    "WHERE CDPRATO = ?)",
                    {dish, dish})
            .toString()
            .trimmed();
    }
    void setShare(double share) {
        dishes_.Edit();
        dishes_.FieldByName("VRPECONSCARD").SetAsFloat(share);
        dishes_.Post();
    }
    // The share of a position's first dish on every day of the month.
    void shareEveryDay(int position, double share) {
        for (const QString& nr : monthDays()) {
            ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, position}));
            setShare(share);
        }
    }
    // A dish added to a position of a day (by number, or by date for a new day).
    void addDish(const QString& nr, const QDate& date, int seq, const QString& dish, double share,
                 int ord = 0) {
        dishes_.Append();
        dishes_.FieldByName("CDFILIAL").SetAsString(days_.FieldByName("CDFILIAL").AsString());
        dishes_.FieldByName("CDSERVFILI").SetAsString(days_.FieldByName("CDSERVFILI").AsString());
        if (!nr.isEmpty()) {
            dishes_.FieldByName("NRCARDAPIO").SetAsString(nr);
        }
        dishes_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(date));
        dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(seq);
        if (ord > 0) {
            dishes_.FieldByName("NRORDPRATCAR").SetAsInteger(ord);
        }
        dishes_.FieldByName("CDFILAUXPRAT").SetAsString("0002");
        dishes_.FieldByName("CDPRATO").SetAsString(dish);
        dishes_.FieldByName("VRPECONSCARD").SetAsFloat(share);
        dishes_.FieldByName("IDPRATOESPE").SetAsString("N");
        dishes_.Post();
    }
    QDate dateOf(const QString& nr) {
        days_.Locate("NRCARDAPIO", nr);
        return days_.FieldByName("DTCARDAPIO").AsDateTime().date();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }

    // First, so that the demonstration data is seeded and every call runs on that day.
    THojeScope today_{Today};
    TEmbeddedServer server_;
    QString operador_;
    TMemTable days_{"cdsCardaDia"};
    TMemTable dishes_{"cdsCompCardCache"};
    QList<QStringList> before_;
    QList<QStringList> after_;
    int saves_ = 0;
    quint64 statements_ = 0;
};

enum { Cardadia, Compcard, Histcard, Pratexcl, Cardesp, Cardacli, Seqcardapio };

TEST_P(MenuSaveBatch, NothingToSave) {
    load();
    EXPECT_EQ(save(), "");
    EXPECT_FALSE(changed(Histcard));
}

TEST_P(MenuSaveBatch, SharesDishesPositionsAndDinersOverSeveralDays) {
    load();
    const QStringList days = monthDays();
    ASSERT_GE(days.size(), 8);
    // The portions withdrawn of a dish changed where it is, and of one only re-shared.
    meanwhile("UPDATE COMPCARD SET QTPORCRETI = 31 WHERE CDFILIAL = '0001' AND NRCARDAPIO IN (?, "
              "?) AND NRSEQPRATCAR IN (1, 2)",
              {days[0], days[1]});
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[0], 1}));
    setShare(62.5);
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[1], 2}));
    const QString former = dishes_.FieldByName("CDPRATO").AsString();
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString(otherDish(former));
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[1], 1}));
    setShare(80);
    // A dish moved to another position, to its next order there.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[2], 3}));
    dishes_.Edit();
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(2);
    dishes_.FieldByName("NRORDPRATCAR").SetAsInteger(0);
    dishes_.Post();
    // Two dishes more in one position, one with its order given.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[3], 1}));
    const QString dish = dishes_.FieldByName("CDPRATO").AsString();
    addDish(days[3], dateOf(days[3]), 1, otherDish(dish), 20);
    addDish(days[3], dateOf(days[3]), 1, otherDish(otherDish(dish)), 10);
    addDish(days[3], dateOf(days[3]), 4, dish, 15, 7);
    // A dish removed, and the day's diners and name changed.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[4], 2}));
    dishes_.Delete();
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[4]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(days_.FieldByName("QTCOMESTICAR").AsFloat() + 7);
    days_.FieldByName("QTESTITURNO1").SetAsFloat(3);
    days_.FieldByName("DSCARDAPIO").SetAsString("Festa junina");
    days_.Post();
    // A day without diners and without its dishes.
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[5]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(0);
    days_.Post();
    while (dishes_.Locate("NRCARDAPIO", days[5])) {
        dishes_.Delete();
    }
    // Another day's diners alone.
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[6]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(days_.FieldByName("QTCOMESTICAR").AsFloat() - 5);
    days_.Post();

    const QString answer = save();
    EXPECT_EQ(answer, days[4]) << "the first day changed";
    EXPECT_TRUE(changed(Cardadia));
    EXPECT_TRUE(changed(Compcard));
    EXPECT_TRUE(changed(Histcard));
    EXPECT_EQ(count("SELECT MAX(NRORDPRATCAR) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                    "NRCARDAPIO = ? AND NRSEQPRATCAR = 1",
                    {days[3]}),
              3);

    // Saved again over what the first save left: the same dishes changed once more.
    load();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[1], 2}));
    dishes_.Edit();
    dishes_.FieldByName("CDPRATO").SetAsString(former);
    dishes_.FieldByName("VRPECONSCARD").SetAsFloat(55);
    dishes_.Post();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[3], 1}));
    dishes_.Delete();
    EXPECT_EQ(save(), days[3]);
    EXPECT_TRUE(changed(Histcard));
}

TEST_P(MenuSaveBatch, NewDaysWithTheirDishes) {
    load();
    QList<QDate> sundays;
    for (QDate d = PriDiaMes(Hoje()).addMonths(1).addDays(9); sundays.size() < 2;
         d = d.addDays(1)) {
        if (d.dayOfWeek() == 7) {
            sundays << d;
        }
    }
    const QString main =
        server_.Db().Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01'").toString();
    for (const QDate& sunday : sundays) {
        days_.Append();
        days_.FieldByName("CDFILIAL").SetAsString("0001");
        days_.FieldByName("CDSERVFILI").SetAsString("00001");
        days_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sunday));
        days_.FieldByName("QTCOMESTICAR").SetAsFloat(90 + sunday.day());
        days_.Post();
        addDish({}, sunday, 1, main, 60);
        addDish({}, sunday, 1, otherDish(main), 40);
        addDish({}, sunday, 2, otherDish(otherDish(main)), 100);
    }
    // And a dish added to a day that has a menu.
    const QString existing = monthDays().constFirst();
    addDish(existing, dateOf(existing), 3, main, 30);
    const QString answer = save();
    EXPECT_EQ(answer.size(), 10);
    EXPECT_TRUE(changed(Seqcardapio));
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?", {answer}),
        3);

    // A second menu of the same service on one of those days is refused.
    load();
    days_.Append();
    days_.FieldByName("CDFILIAL").SetAsString("0001");
    days_.FieldByName("CDSERVFILI").SetAsString("00001");
    days_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(sundays[1]));
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(10);
    days_.Post();
    EXPECT_TRUE(save().startsWith("Já existe cardápio do serviço para o dia"));
    EXPECT_FALSE(changed(Cardadia));

    // A new day that claims another day's number (a screen that missed a save) is refused.
    load();
    const QStringList taken = monthDays();
    QSet<QDate> used;
    for (const QString& nr : taken) {
        used << dateOf(nr);
    }
    QDate free = dateOf(taken.constFirst());
    while (used.contains(free)) {
        free = free.addDays(1);
    }
    days_.Append();
    days_.FieldByName("CDFILIAL").SetAsString("0001");
    days_.FieldByName("NRCARDAPIO").SetAsString(taken.constFirst());
    days_.FieldByName("CDSERVFILI").SetAsString("00001");
    days_.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(free));
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(10);
    days_.Post();
    EXPECT_EQ(save(),
              QStringLiteral("O número de cardápio %1 já pertence ao dia %2: recarregue o "
                             "mês e grave de novo.")
                  .arg(taken.constFirst(), dateOf(taken.constFirst()).toString("dd/MM/yyyy")));
    EXPECT_FALSE(changed(Cardadia));
}

TEST_P(MenuSaveBatch, AStaleRowRefusesTheWholeSave) {
    load();
    const QStringList days = monthDays();
    double share = 10;
    for (const QString& nr : days) {
        ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {nr, 1}));
        setShare(share += 1);
    }
    // Another operator changed one of those dishes meanwhile.
    meanwhile("UPDATE COMPCARD SET VRPECONSCARD = 33 WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? "
              "AND NRSEQPRATCAR = 1",
              {days[days.size() / 2]});
    const QString answer = save();
    EXPECT_TRUE(answer.startsWith("O prato")) << answer.toStdString();
    EXPECT_TRUE(answer.contains("foi alterado por outro operador"));
    EXPECT_FALSE(changed(Compcard)) << "nothing written";
    EXPECT_FALSE(changed(Histcard));

    // Or removed one of the dishes to be moved.
    load();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[0], 1}));
    setShare(41);
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[2], 3}));
    dishes_.Edit();
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(2);
    dishes_.Post();
    meanwhile(
        "DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND NRSEQPRATCAR = 3",
        {days[2]});
    EXPECT_TRUE(save().contains("foi excluído por outro operador"));
    EXPECT_FALSE(changed(Compcard));

    // Or changed a day's diners.
    load();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[0], 1}));
    setShare(43);
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[1]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(999);
    days_.Post();
    meanwhile("UPDATE CARDADIA SET QTCOMESTICAR = 500 WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
              {days[1]});
    EXPECT_TRUE(save().contains("foi alterado por outro operador"));
    EXPECT_FALSE(changed(Cardadia));
}

TEST_P(MenuSaveBatch, RefusalsComeInTheOrderOfTheRows) {
    load();
    const QStringList days = monthDays();
    ASSERT_NO_FATAL_FAILURE(shareEveryDay(2, 45));
    // A dish moved onto a place that is taken (its order kept), and after it a dish
    // that does not exist: the first is refused before the second is read, in words.
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[3], 3}));
    dishes_.Edit();
    const qlonglong order = dishes_.FieldByName("NRORDPRATCAR").AsInteger();
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(1);
    dishes_.Post();
    addDish(days[4], dateOf(days[4]), 2, "9999999999", 10);
    QString answer = save();
    EXPECT_EQ(answer, QStringLiteral("O cardápio do dia %1 já tem um prato na posição 1, ordem %2: "
                                     "recarregue o mês e grave de novo.")
                          .arg(dateOf(days[3]).toString("dd/MM/yyyy"))
                          .arg(order));
    EXPECT_FALSE(changed(Compcard));

    // The missing dish alone among many.
    load();
    ASSERT_NO_FATAL_FAILURE(shareEveryDay(2, 46));
    addDish(days[4], dateOf(days[4]), 2, "9999999999", 10);
    EXPECT_EQ(save(), "Prato 9999999999 não cadastrado.");

    // A dish added to a day without diners, after other days' changes.
    load();
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[6]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(0);
    days_.Post();
    meanwhile("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
              {days[5]});
    ASSERT_NO_FATAL_FAILURE(shareEveryDay(1, 47));
    addDish(days[5], dateOf(days[5]), 2, otherDish(dishes_.FieldByName("CDPRATO").AsString()), 5);
    answer = save();
    EXPECT_TRUE(answer.startsWith("Número de comensais do dia")) << answer.toStdString();

    // A day left without diners whose dishes are not at 100 %.
    load();
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[7]));
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(0);
    days_.Post();
    answer = save();
    EXPECT_TRUE(answer.endsWith("devem ficar com 100%.")) << answer.toStdString();

    // A day that may no longer change, in last month.
    load(QStringLiteral("0001"), QStringLiteral("00001"), QStringLiteral("NUTRI1"),
         PriDiaMes(Hoje()).addMonths(-1));
    dishes_.Last();
    setShare(12);
    dishes_.First();
    setShare(13);
    EXPECT_TRUE(save().endsWith("não pode mais ser alterado."));
}

// More rows than a statement carries: every batch crosses its statements' boundaries.
TEST_P(MenuSaveBatch, ManyDishesAcrossStatementBoundaries) {
    server_.Db().SetMaxRowsPerStatement(7);
    load();
    const QStringList days = monthDays();
    int changes = 0;
    QList<QVariantList> removed;
    int i = 0;
    for (dishes_.First(); !dishes_.Eof(); dishes_.Next(), ++i) {
        if (i % 9 == 4) {
            removed << QVariantList{dishes_.FieldByName("NRCARDAPIO").Value(),
                                    dishes_.FieldByName("NRSEQPRATCAR").Value(),
                                    dishes_.FieldByName("NRORDPRATCAR").Value()};
        } else {
            setShare(30 + i % 50);
        }
        ++changes;
    }
    for (const QVariantList& key : std::as_const(removed)) {
        ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR;NRORDPRATCAR", key));
        dishes_.Delete();
    }
    const QString main =
        server_.Db().Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE CDTIPOPRAT = '01'").toString();
    for (qsizetype d = 0; d < days.size(); d += 2) {
        addDish(days[d], dateOf(days[d]), 1, main, 12);
        ++changes;
    }
    for (const QString& nr : days) {
        ASSERT_TRUE(days_.Locate("NRCARDAPIO", nr));
        days_.Edit();
        days_.FieldByName("QTCOMESTICAR")
            .SetAsFloat(days_.FieldByName("QTCOMESTICAR").AsFloat() + 1);
        days_.Post();
    }
    ASSERT_GE(changes, 200);
    const QString answer = save();
    EXPECT_EQ(answer.size(), 10) << answer.toStdString();
    EXPECT_GE(after_[Histcard].size() - before_[Histcard].size(), 200);
    EXPECT_GT(statements_, 60u) << "split into statements of 7 rows";
}

// The hospital follows the central kitchen: the central dishes it removes and the days
// that depart from the central menu are recorded.
TEST_P(MenuSaveBatch, RemovedCentralDishesAndSpecialDays) {
    load(QStringLiteral("0003"), QStringLiteral("00001"), QStringLiteral("NUTRI2"));
    const QStringList days = monthDays();
    ASSERT_GE(days.size(), 6);
    // One removal recorded already, by another operator of the central kitchen.
    const QDate marked = dateOf(days[1]);
    meanwhile("INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, NRSEQPRATEXCL, "
              "IDLOCALEXCL, CDPRATO, CDFILAUXPRAT) VALUES ('0003', '00001', ?, ?, 2, 'M', 'X', "
              "'0002')",
              {DataHora(PriDiaMes(marked)), QString("%1").arg(marked.day(), 2, 10, QChar('0'))});
    for (int d = 0; d < 5; ++d) {
        ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[d], 2}));
        dishes_.Delete();
        ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[d], 1}));
        setShare(70 + d);
    }
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[5], 3}));
    dishes_.Delete();
    EXPECT_EQ(save().size(), 10);
    EXPECT_TRUE(changed(Pratexcl));
    EXPECT_TRUE(changed(Cardesp));
}

// The schools' transported service: a deleted day takes its delivery points with it.
TEST_P(MenuSaveBatch, ADeletedDayAndOtherDaysDishes) {
    load(QStringLiteral("0004"), QStringLiteral("00001"), QStringLiteral("GRUPO1"));
    const QStringList days = monthDays();
    ASSERT_GE(days.size(), 4);
    for (int d = 1; d < 4; ++d) {
        ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[d], 1}));
        setShare(90);
    }
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO;NRSEQPRATCAR", {days[0], 1}));
    dishes_.Delete();
    ASSERT_TRUE(days_.Locate("NRCARDAPIO", days[0]));
    days_.Delete();
    EXPECT_EQ(save().size(), 10);
    EXPECT_TRUE(changed(Cardacli));
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004' AND NRCARDAPIO = ?",
                    {days[0]}),
              0);
}

// A save is a fixed number of statements, however many dishes it changes.
TEST_P(MenuSaveBatch, TheStatementsOfASaveDoNotGrowWithItsDishes) {
    const auto shares = [this](int dishes, double share) {
        load();
        int changed = 0;
        for (dishes_.First(); !dishes_.Eof() && changed < dishes; dishes_.Next()) {
            setShare(share);
            ++changed;
        }
        EXPECT_EQ(changed, dishes);
        EXPECT_EQ(save().size(), 10);
        return statements_;
    };
    const quint64 ten = shares(10, 41);
    const quint64 twoHundred = shares(200, 42);
    EXPECT_EQ(ten, twoHundred);
    EXPECT_LE(twoHundred, 30u);
    std::cout << test::EngineName(GetParam()) << ": " << twoHundred
              << " statements for a save of 10 or 200 dishes, the call's own included\n";
}

// Rows handed to a statement as one value are written as each value bound alone is.
TEST_P(MenuSaveBatch, RowsHandedAsOneValueAreWrittenAsBoundOneByOne) {
    db::TDatabase& db = server_.Db();
    const QString table = GetParam() == TEngine::SQLite
                              ? QStringLiteral("CREATE TABLE T (N BIGINT, T VARCHAR(40), F %1, "
                                               "D %2, K INTEGER)")
                                    .arg("REAL", "TEXT")
                              : QStringLiteral("CREATE TABLE T (N BIGINT, T VARCHAR(40), F %1, "
                                               "D %2, K INTEGER)")
                                    .arg("DOUBLE PRECISION", "TIMESTAMP(3)");
    db.Exec(table);
    const QList<QVariantList> rows{
        {1, QStringLiteral("aspas \" e barra \\ e / e ç ã é"), 0.1 + 0.2,
         DataHora(QDate(2027, 1, 2)), 0},
        {2, QStringLiteral("linha\nnova\ttab\u0001 e 😀"), 1e-300,
         DataHora(QDate(2027, 1, 2), QTime(7, 8, 9, 123)), 0},
        {3, QStringLiteral(""), 100.0, QVariant(), 0},
        {4, QVariant(), -2.5, DataHora(QDate(1999, 12, 31)), 0},
        {5, QStringLiteral("123"), 62.5, DataHora(QDate(2027, 2, 28)), 0},
        {qlonglong(9007199254740993LL), QStringLiteral("{\"a\": [1]}"), 33.333333333333336,
         DataHora(QDate(2027, 3, 1)), 0},
    };
    const QList<TFieldType> types{TFieldType::Integer, TFieldType::String, TFieldType::Float,
                                  TFieldType::DateTime, TFieldType::Integer};
    const QStringList columns{"N", "T", "F", "D", "K"};
    for (const QVariantList& r : rows) {
        db.Exec("INSERT INTO T (N, T, F, D, K) VALUES (?, ?, ?, ?, 1)", r.mid(0, 4));
    }
    db.ExecCount(QStringLiteral("INSERT INTO T (N, T, F, D, K) SELECT N, T, F, D, K FROM %1 AS V "
                                "ORDER BY V.ROWNO")
                     .arg(db.RowsOf(columns, types)),
                 {db::TDatabase::RowsValue(rows)});
    const auto read = [&db](int k) {
        QStringList out;
        QSqlQuery q = db.Exec("SELECT N, T, F, D FROM T WHERE K = ? ORDER BY N", {k});
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < 4; ++i) {
                cells << (q.value(i).isNull() ? QStringLiteral("<null>")
                                              : QStringLiteral("%1:%2").arg(
                                                    q.value(i).typeName(),
                                                    db::TDatabase::ToSql(q.value(i)).toString()));
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    };
    const QStringList bound = read(1);
    EXPECT_EQ(bound.size(), rows.size());
    EXPECT_EQ(read(0), bound);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuSaveBatch,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
