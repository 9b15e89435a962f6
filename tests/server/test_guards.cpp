#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/admin.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

// The server guards itself: every write is checked on the server, whatever the client
// sends, as a read-only operator calling the methods directly would find out.
class Guards : public ::testing::TestWithParam<TEngine> {
protected:
    Guards()
        : server_(GetParam(), Hoje()) {
        TNewOperator none;
        none.Code = QStringLiteral("SEMDIREITO");
        none.Name = QStringLiteral("Sem direito algum");
        none.Password = QStringLiteral("senha-sem-direito-1");
        none.Permissions = QString(17, QLatin1Char('0'));
        none.Branch = QStringLiteral("0001");
        AddOperator(server_.Db(), none, 1000);
    }

    QVariant call(const QString& op, const QString& module, const QString& method,
                  QList<TRpcArg>& args) {
        const QString password =
            op == QLatin1String("SEMDIREITO") ? QStringLiteral("senha-sem-direito-1") : QString();
        auto c = server_.Connect(module, password.isEmpty() ? server_.SignIn(op)
                                                            : server_.SignIn(op, password));
        return c->Call(method, args);
    }
    QVariant call(const QString& op, const QString& method, QList<TRpcArg> args) {
        return call(op, QStringLiteral("Pla00100.rdmParamCardIndu"), method, args);
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    // A fingerprint of the planning data a write could touch.
    QList<int> planningRows() {
        QList<int> out;
        for (const char* t : {"CARDADIA", "COMPCARD", "CNFCARDMES", "PRATEXCL", "CARDACLI",
                              "CARDAMES", "CARDESP", "LOGCARDCICLO", "VISUALCARD"}) {
            out << count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(t)));
        }
        out << count("SELECT COUNT(*) FROM CARDADIA WHERE QTCOMESTICAR = 0");
        return out;
    }
    // Arguments of the declared types: a branch (where the guard looks for it, else
    // first), service, month and the operator where the method names one.
    QList<TRpcArg> argsFor(const TMethodDef& def, const QString& op, const QString& branch) {
        QList<TRpcArg> args;
        const int branchAt = std::max(0, def.Guard.BranchParam);
        for (int i = 0; i < def.Params.size(); ++i) {
            const TParam& p = def.Params[i];
            QVariant v;
            switch (p.Type) {
            case TArgType::String:
                v = i == def.OperatorParam ? op : i == branchAt ? branch : QStringLiteral("00001");
                break;
            case TArgType::Integer:
                v = qlonglong(1);
                break;
            case TArgType::Float:
                v = 1.0;
                break;
            case TArgType::Boolean:
                v = false;
                break;
            case TArgType::DateTime:
                v = DataHora(next_.addDays(10));
                break;
            case TArgType::Bytes:
                v = QByteArray();
                break;
            case TArgType::Variant:
                break;
            }
            args.append({v, p.ByRef});
        }
        return args;
    }
    // Every writing method whose guard the dispatcher checks.
    QList<std::pair<QString, const TMethodDef*>> guarded() {
        QList<std::pair<QString, const TMethodDef*>> out;
        for (const QString& module : server_.Dispatcher().ModuleNames()) {
            const TRemoteDataModule* m = server_.Dispatcher().FindModule(module);
            for (const QString& name : m->MethodNames()) {
                const TMethodDef* def = m->FindMethod(name);
                if (def->Writes && !def->Guard.SelfChecked) {
                    out.append({module, def});
                }
            }
        }
        return out;
    }

    TEmbeddedServer server_;
    const QDate next_ = PriDiaMes(Hoje()).addMonths(1);
};

TEST_P(Guards, EveryWritingMethodRefusesAnOperatorWithoutItsPermission) {
    const auto methods = guarded();
    QStringList names;
    for (const auto& [module, def] : methods) {
        names << def->Name;
    }
    for (const char* writer : {"UpdateCache", "SetCardSemPrat", "DelCardPeriodo", "InvertePratos",
                               "SetCardaCli", "SetCriaCardCiclo", "DelCnfCaMes"}) {
        EXPECT_TRUE(names.contains(QString::fromLatin1(writer))) << writer;
    }
    const QList<int> before = planningRows();
    for (const QString op : {demo::ReadOnlyOperator, "SEMDIREITO"}) {
        for (const auto& [module, def] : methods) {
            QList<TRpcArg> args = argsFor(*def, op, QStringLiteral("0001"));
            const QString answer = call(op, module, def->Name, args).toString();
            EXPECT_EQ(answer,
                      QStringLiteral("Operador sem permissão para %1.").arg(def->Guard.What))
                << op.toStdString() << " " << def->Name.toStdString();
        }
    }
    EXPECT_EQ(planningRows(), before) << "nothing written";
}

TEST_P(Guards, ABranchOperatorWritesOnlyTheBranchesItsRecordGivesIt) {
    const QList<int> before = planningRows();
    for (const auto& [module, def] : guarded()) {
        if (def->Guard.BranchParam < 0) {
            continue;
        }
        QList<TRpcArg> args = argsFor(*def, QStringLiteral("NUTRI1"), QStringLiteral("0003"));
        EXPECT_EQ(call("NUTRI1", module, def->Name, args).toString(),
                  "Operador sem acesso aos cardápios da filial 0003.")
            << def->Name.toStdString();
    }
    EXPECT_EQ(planningRows(), before);

    // The save carries its branch in the rows: another branch's day is refused, with
    // the module-per-branch flag off as on.
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("HOSP1"));
    QList<TRpcArg> load{{"0003", true},   {"PLA00101", false},     {"00001", true},
                        {"HOSP1", false}, {DataHora(next_), true}, {false, false}};
    const QVariantList r = c->Call("GetCardapio", load).toList();
    TMemTable days;
    days.SetData(ToDataPacket(r[5]));
    days.First();
    days.Edit();
    days.FieldByName("QTCOMESTICAR").SetAsFloat(days.FieldByName("QTCOMESTICAR").AsFloat() + 1);
    days.Post();
    const QVariant delta = FromDataPacket(days.Delta());
    const auto save = [&](const QString& op, bool perBranch) {
        return call(op, "UpdateCache",
                    {{op, false},
                     {perBranch, false},
                     {delta, true},
                     {QVariant(), true},
                     {QStringLiteral("N"), true}})
            .toString();
    };
    for (const bool perBranch : {false, true}) {
        EXPECT_EQ(save("NUTRI1", perBranch), "Operador sem acesso aos cardápios da filial 0003.");
    }
    EXPECT_EQ(save("CENTRAL", true), "Operador sem acesso aos cardápios da filial 0003.")
        << "the module-per-branch flag narrows to the operator's own branch";
    EXPECT_EQ(planningRows(), before);
    EXPECT_EQ(save("CENTRAL", false).size(), 10) << "the central kitchen plans the hospital";
    // The read of another branch is a consultation.
    QList<TRpcArg> look{{"0003", true},    {"PLA00101", false},     {"00001", true},
                        {"NUTRI1", false}, {DataHora(next_), true}, {false, false}};
    EXPECT_TRUE(call("NUTRI1", "GetCardapio", look).toList().value(12).toBool());
    // The delivery points of the school network are the group's.
    const QString nr = server_.Db()
                           .Scalar("SELECT MIN(NRCARDAPIO) FROM CARDADIA WHERE CDFILIAL = '0004' "
                                   "AND DTMESCARD = ?",
                                   {DataHora(next_)})
                           .toString();
    TMemTable clients;
    clients.SetData(ToDataPacket(
        call(demo::GroupOperator, "GetCardaCli",
             {{"0004", false},
              {"00001", false},
              {TDatabase::FromSql(TFieldType::DateTime,
                                  server_.Db().Scalar("SELECT DTCARDAPIO FROM CARDADIA "
                                                      "WHERE CDFILIAL = '0004' AND "
                                                      "NRCARDAPIO = ?",
                                                      {nr})),
               false},
              {"N", false}})));
    ASSERT_FALSE(clients.IsEmpty());
    EXPECT_EQ(call("NUTRI1", "SetCardaCli", {{FromDataPacket(clients.Data()), false}}).toString(),
              "Operador sem acesso aos cardápios da filial 0004.");
    EXPECT_EQ(call(demo::GroupOperator, "SetCardaCli", {{FromDataPacket(clients.Data()), false}})
                  .toString(),
              "");
}

// Day rows as the restaurant's screen holds them, changed and saved by NUTRI1.
class DayGuards : public Guards {
protected:
    void load(const QDate& month) {
        QList<TRpcArg> args{{"0001", true},    {"PLA00101", false},     {"00001", true},
                            {"NUTRI1", false}, {DataHora(month), true}, {false, false}};
        const QVariantList r = call("NUTRI1", "GetCardapio", args).toList();
        days_.SetData(ToDataPacket(r[5]));
        dishes_.SetData(ToDataPacket(r[6]));
    }
    QString save() {
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        return call("NUTRI1", "UpdateCache",
                    {{"NUTRI1", false},
                     {false, false},
                     {delta(days_), true},
                     {delta(dishes_), true},
                     {QStringLiteral("N"), true}})
            .toString();
    }
    void day(int d) {
        for (days_.First(); !days_.Eof(); days_.Next()) {
            if (days_.FieldByName("DTCARDAPIO").AsDateTime().date().day() >= d) {
                return;
            }
        }
    }
    TMemTable days_{"cdsCardaDia"};
    TMemTable dishes_{"cdsCompCardCache"};
};

TEST_P(DayGuards, ADayKeepsItsDateWholeAndItsFiguresNotNegative) {
    const QList<int> before = planningRows();
    load(next_);
    // Moved to a blocked date, or to another open one: a day keeps its date.
    day(10);
    const QDateTime saved = days_.FieldByName("DTCARDAPIO").AsDateTime();
    for (const QDateTime& to : {DataHora(Hoje().addDays(-20)), DataHora(saved.date().addDays(1))}) {
        day(10);
        days_.Edit();
        days_.FieldByName("DTCARDAPIO").SetValue(to);
        days_.Post();
        EXPECT_EQ(save(), QString("O cardápio do dia %1 não pode mudar de data, serviço ou número.")
                              .arg(FormatDateTime("dd/mm/yyyy", saved)));
        days_.CancelUpdates();
    }
    // A new day with a time of day passes no key: refused.
    const QDate free = next_.addDays(27);
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO IN (SELECT "
                      "NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                      "'00001' AND DTCARDAPIO = ?)",
                      {DataHora(free)});
    server_.Db().Exec("DELETE FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND "
                      "DTCARDAPIO = ?",
                      {DataHora(free)});
    const QList<int> emptied = planningRows();
    days_.Append();
    days_.FieldByName("CDFILIAL").SetAsString("0001");
    days_.FieldByName("NRCARDAPIO").SetAsString("XXXXXXXXXX");
    days_.FieldByName("CDSERVFILI").SetAsString("00001");
    days_.FieldByName("DTCARDAPIO").SetValue(DataHora(free, QTime(12, 30)));
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(300);
    days_.Post();
    EXPECT_EQ(save(), QString("A data do cardápio %1 12:30 tem hora: um cardápio é de um dia "
                              "inteiro.")
                          .arg(FormatDateTime("dd/mm/yyyy", free)));
    // Negative figures, named with their day.
    days_.Edit();
    days_.FieldByName("DTCARDAPIO").SetValue(DataHora(free));
    days_.FieldByName("QTFUNESTICAR").SetAsFloat(-15);
    days_.Post();
    EXPECT_EQ(save(), QString("Valor negativo (-15) de funcionários estimados no cardápio do dia "
                              "%1.")
                          .arg(FormatDateTime("dd/mm/yyyy", free)));
    days_.Edit();
    days_.FieldByName("QTFUNESTICAR").SetAsFloat(0);
    days_.FieldByName("QTESTITURNO2").SetAsFloat(-1);
    days_.Post();
    EXPECT_TRUE(save().startsWith("Valor negativo (-1) de comensais estimados do turno 2"));
    EXPECT_EQ(planningRows(), emptied) << "nothing written";
    // The database holds whole days too, whoever writes.
    EXPECT_THROW(server_.Db().Exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, "
                                   "DTCARDAPIO, DTMESCARD) VALUES ('0001', '9999999999', '00001', "
                                   "?, ?)",
                                   {DataHora(free, QTime(8, 0)), DataHora(next_)}),
                 EDatabaseError);
    Q_UNUSED(before);
}

TEST_P(DayGuards, ADayWithoutDinersTakesNoNewDishAndKeepsItsDishesAtAHundred) {
    load(next_);
    day(12);
    const QString nr = days_.FieldByName("NRCARDAPIO").AsString();
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO", nr));
    // Diners down to 0 while the dishes keep their shares: refused.
    days_.Edit();
    days_.FieldByName("QTCOMESTICAR").SetAsFloat(0);
    days_.Post();
    const QString date = FormatDateTime("dd/mm/yyyy", days_.FieldByName("DTCARDAPIO").AsDateTime());
    EXPECT_EQ(save(), QString("O cardápio do dia %1 ficou sem comensais: seus pratos devem ficar "
                              "com 100%.")
                          .arg(date));
    // With every dish at 100 % it goes.
    for (dishes_.First(); !dishes_.Eof(); dishes_.Next()) {
        if (dishes_.FieldByName("NRCARDAPIO").AsString() == nr) {
            dishes_.Edit();
            dishes_.FieldByName("VRPECONSCARD").SetAsFloat(100);
            dishes_.Post();
        }
    }
    EXPECT_EQ(save(), nr);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                    "VRPECONSCARD <> 100",
                    {nr}),
              0);
    // A new dish on that day is refused.
    load(next_);
    ASSERT_TRUE(dishes_.Locate("NRCARDAPIO", nr));
    const QVariantList copy = [&] {
        QVariantList v;
        for (int i = 0; i < dishes_.FieldCount(); ++i) {
            v << dishes_.Fields(i).Value();
        }
        return v;
    }();
    dishes_.Append();
    for (int i = 0; i < dishes_.FieldCount(); ++i) {
        dishes_.Fields(i).SetValue(copy[i]);
    }
    dishes_.FieldByName("NRSEQPRATCAR").SetAsInteger(77);
    dishes_.FieldByName("NRORDPRATCAR").SetAsInteger(770);
    dishes_.Post();
    EXPECT_EQ(save(), QString("Número de comensais do dia %1 deve ser maior que zero.").arg(date));
}

TEST_P(Guards, TheCycleRefusesNegativeEstimatesAndTheDemonstrationHasNone) {
    for (const char* column : {"QTCOMESTI", "QTCLIESTI", "QTFUNESTI", "QTDOAESTI"}) {
        for (const char* d : {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB", "FER"}) {
            EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE %1%2 < 0")
                                .arg(QLatin1String(column), QLatin1String(d))),
                      0)
                << column << d;
        }
    }
    server_.Db().Exec("UPDATE SERVICO SET QTFUNESTISEG = -15, QTFUNESTITER = -15, QTFUNESTIQUA = "
                      "-15, QTFUNESTIQUI = -15, QTFUNESTISEX = -15 WHERE CDFILIAL = '0004' AND "
                      "CDSERVFILI = '00001'");
    const QList<int> before = planningRows();
    const QString answer = call(demo::GroupOperator, "SetCriaCardCiclo",
                                {{"0004", true},
                                 {"00001", true},
                                 {DataHora(next_), true},
                                 {demo::GroupOperator, false},
                                 {"", false}})
                               .toString();
    EXPECT_TRUE(answer.startsWith("Valor negativo (-15) de funcionários estimados no cardápio do "
                                  "dia "))
        << answer.toStdString();
    EXPECT_EQ(planningRows(), before);
}

TEST_P(Guards, ANullWhereADateIsRequiredIsAClearErrorNotALoop) {
    auto c = server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI1"));
    QList<TRpcArg> args{{"0001", true},    {"PLA00101", false}, {"00001", true},
                        {"NUTRI1", false}, {QVariant(), true},  {false, false}};
    try {
        c->Call("GetCardapio", args);
        FAIL() << "a null month answered";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Status(), 400);
        EXPECT_TRUE(
            e.message().endsWith("GetCardapio: o argumento 5 (mes) deve ser data, não nulo"))
            << e.message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, Guards, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });
INSTANTIATE_TEST_SUITE_P(Engines, DayGuards,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
