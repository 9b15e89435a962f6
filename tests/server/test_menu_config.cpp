// The dish positions of a service's month, read and written as the configuration screen
// does, over the demonstration: the restaurant's lunch (branch 0001, service 00001),
// ten positions of dish types 01 to 10 in orders 10 to 100.
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/admin.h"

#include <QSqlQuery>
#include <functional>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Filial = QStringLiteral("0001");
const QString Almoco = QStringLiteral("00001");

// A position as the screen sends it.
struct TPos {
    int Seq = 0;
    int Ordem = 0;
    QString Tipo;
    QString Opcional = QStringLiteral("N");
    QString Contada = QStringLiteral("S");
    QString Impressa = QStringLiteral("S");
    friend bool operator==(const TPos&, const TPos&) = default;
};

void PrintTo(const TPos& p, std::ostream* os) {
    *os << p.Seq << '@' << p.Ordem << ' ' << p.Tipo.toStdString() << ' ' << p.Opcional.toStdString()
        << p.Contada.toStdString() << p.Impressa.toStdString();
}

class MenuConfig : public ::testing::TestWithParam<TEngine> {
protected:
    MenuConfig()
        : server_(GetParam(), Hoje()) {
        server::TNewOperator op;
        op.Code = QStringLiteral("SEMCONFIG");
        op.Name = QStringLiteral("Sem configurar o cardápio");
        op.Password = QStringLiteral("senha-sem-config-1");
        op.Permissions = QStringLiteral("11111111110111111"); // all but 10
        op.Branch = Filial;
        server::AddOperator(server_.Db(), op, 1000);
    }

    QVariant call(const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op = QStringLiteral("NUTRI1")) {
        auto c =
            server_.Connect(Module, op == QLatin1String("SEMCONFIG")
                                        ? server_.SignIn(op, QStringLiteral("senha-sem-config-1"))
                                        : server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }
    QVariantList read(const QDate& month, const QString& service = Almoco) {
        return call(metodos::GetConfigCardMes(), {Filial, service, DataHora(month)}).toList();
    }
    // The positions written: the screen's table as a packet, one row per position.
    QVariant write(const QList<TPos>& positions, const QString& confirmed = QString(),
                   const QDate& month = QDate(), const QString& op = QStringLiteral("NUTRI1")) {
        TDataPacket p;
        p.Fields = {{"NRORDCNFMES", TFieldType::Integer, 0, false},
                    {"NMTIPOPRAT", TFieldType::String, 35, false},
                    {"IDOPCCNFMES", TFieldType::String, 1, false},
                    {"IDCONCNFMES", TFieldType::String, 1, false},
                    {"IDIMPCNFMES", TFieldType::String, 1, false},
                    {"NRSEQCNFMES", TFieldType::Integer, 0, false},
                    {"CDTIPOPRAT", TFieldType::String, 2, false}};
        for (const TPos& pos : positions) {
            TPacketRow r;
            r.Kind = pos.Seq > 0 ? TRowKind::Unchanged : TRowKind::Inserted;
            r.Values = {qlonglong(pos.Ordem),
                        QString(),
                        pos.Opcional,
                        pos.Contada,
                        pos.Impressa,
                        pos.Seq > 0 ? QVariant(qlonglong(pos.Seq)) : QVariant(),
                        pos.Tipo};
            p.Rows.append(r);
        }
        return call(metodos::SetConfigCardMes(),
                    {Filial, Almoco, DataHora(month.isValid() ? month : next_), FromDataPacket(p),
                     confirmed, op},
                    op);
    }
    QList<TPos> stored(const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDCONCNFMES, IDIMPCNFMES "
            "FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
            "NRORDCNFMES",
            {Filial, Almoco, DataHora(month)});
        QList<TPos> out;
        while (q.next()) {
            out.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString().trimmed(),
                        q.value(3).toString(), q.value(4).toString(), q.value(5).toString()});
        }
        return out;
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    // The days of next month's lunch holding a dish in a position, in order.
    QList<QDate> daysWith(int seq, const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT DISTINCT D.DTCARDAPIO FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
            "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
            "AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = ? ORDER BY D.DTCARDAPIO",
            {Filial, Almoco, DataHora(month), seq});
        QList<QDate> out;
        while (q.next()) {
            out.append(q.value(0).toDateTime().date());
        }
        return out;
    }
    // What a refused write must leave as it was.
    QStringList fingerprint() {
        QStringList out;
        for (const char* t : {"CNFCARDMES", "COMPCARD", "PRATEXCL", "CARDESP"}) {
            out << QString::number(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)));
        }
        for (const TPos& p : stored(next_)) {
            out << QStringLiteral("%1 %2 %3 %4%5%6")
                       .arg(p.Seq)
                       .arg(p.Ordem)
                       .arg(p.Tipo, p.Opcional, p.Contada, p.Impressa);
        }
        out << QString::number(count("SELECT COUNT(*) FROM CARDADIA WHERE CDOPERADOR = 'NUTRI1'"));
        return out;
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    static QString day(const QDate& d) { return FormatDateTime("dd/mm/yyyy", d); }
    // Blocks the first days of next month (up to the given day, excluded).
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

TEST_P(MenuConfig, ReadsTheMonthsPositionsOrTheServicesAndTheDaysTheirDishesHold) {
    using E = TElemConfigCard;
    const QVariantList answer = read(next_);
    ASSERT_EQ(answer.size(), int(E::Quantidade));
    EXPECT_EQ(answer[int(E::Origem)].toString(), "M");
    EXPECT_EQ(answer[int(E::NomeServico)].toString(), "Almoço");
    const TDataPacket p = ToDataPacket(answer[int(E::Posicoes)]);
    ASSERT_EQ(p.RowCount(), 10);
    const int seq = p.FieldIndex("NRSEQCNFMES"), ord = p.FieldIndex("NRORDCNFMES"),
              type = p.FieldIndex("CDTIPOPRAT"), name = p.FieldIndex("NMTIPOPRAT"),
              days = p.FieldIndex("QTDIASPRATO"), blocked = p.FieldIndex("QTDIASBLOQ");
    for (int i = 0; i < 10; ++i) {
        const QList<QVariant>& v = p.Rows[i].Values;
        EXPECT_EQ(v[ord].toInt(), (i + 1) * 10) << "in display order";
        EXPECT_EQ(v[type].toString(), QString("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        EXPECT_FALSE(v[name].toString().isEmpty());
        EXPECT_EQ(v[days].toInt(), daysWith(v[seq].toInt(), next_).size());
        EXPECT_EQ(v[blocked].toInt(), 0) << "next month may all still change";
    }
    EXPECT_GT(p.Rows[0].Values[days].toInt(), 10);
    EXPECT_EQ(ToDataPacket(answer[int(E::TiposPrato)]).RowCount(),
              count("SELECT COUNT(*) FROM TIPOPRAT"));
    EXPECT_EQ(answer[int(E::PrimeiroDiaAlteravel)].toDateTime().date(), Hoje().addDays(1))
        << "the processing date (yesterday) and the two blocked days";

    // This month's days up to today are blocked.
    const TDataPacket now = ToDataPacket(read(month_)[int(E::Posicoes)]);
    int blockedDays = 0;
    for (const QDate& d : daysWith(now.Rows[0].Values[seq].toInt(), month_)) {
        blockedDays += d <= Hoje() ? 1 : 0;
    }
    EXPECT_EQ(now.Rows[0].Values[blocked].toInt(), blockedDays);

    // A month not planned yet shows the service's standing positions; a service
    // without them, none.
    const QVariantList later = read(next_.addMonths(12));
    EXPECT_EQ(later[int(E::Origem)].toString(), "S");
    EXPECT_EQ(ToDataPacket(later[int(E::Posicoes)]).RowCount(), 10);
    server_.Db().Exec("DELETE FROM CNFCARDSERV WHERE CDFILIAL = ? AND CDSERVFILI = ?",
                      {Filial, Almoco});
    const QVariantList none = read(next_.addMonths(12));
    EXPECT_EQ(none[int(E::Origem)].toString(), "");
    EXPECT_EQ(ToDataPacket(none[int(E::Posicoes)]).RowCount(), 0);
    EXPECT_EQ(refusal(call(metodos::GetConfigCardMes(), {Filial, "00099", DataHora(next_)})),
              "Serviço 00099 não cadastrado na filial 0001.");
}

TEST_P(MenuConfig, ReordersEditsAndAddsInOneWriteKeepingTheDishes) {
    QList<TPos> positions = stored(next_);
    ASSERT_EQ(positions.size(), 10);
    const int dishes = count("SELECT COUNT(*) FROM COMPCARD");
    // The option goes before the rice, the dessert is not printed, the main course is
    // counted no more, and a second dessert comes last.
    std::swap(positions[0].Ordem, positions[3].Ordem);
    positions[7].Impressa = "N";
    positions[2].Contada = "N";
    positions.append({0, 110, "8"});
    const QVariant answer = write(positions);
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(answer.toInt(), 0) << "no dish removed";
    const QList<TPos> after = stored(next_);
    ASSERT_EQ(after.size(), 11);
    EXPECT_EQ(after[0], positions[3]);
    EXPECT_EQ(after[3], positions[0]);
    EXPECT_EQ(after[7].Impressa, "N");
    EXPECT_EQ(after[2].Contada, "N");
    const int maxDish = count("SELECT MAX(C.NRSEQPRATCAR) FROM COMPCARD C JOIN CARDADIA D ON "
                              "D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE "
                              "D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' AND D.DTMESCARD = ?",
                              {DataHora(next_)});
    EXPECT_EQ(after[10], (TPos{std::max(10, maxDish) + 1, 110, "08"})) << "a fresh number";
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD"), dishes);
    EXPECT_EQ(stored(month_).size(), 10) << "only the month written";

    // The new position, without dishes, goes without a question.
    QList<TPos> fewer = stored(next_);
    fewer.removeLast();
    ASSERT_EQ(refusal(write(fewer)), "");
    EXPECT_EQ(stored(next_), fewer);
}

TEST_P(MenuConfig, AMonthWithoutPositionsOfItsOwnTakesTheServicesWithTheChanges) {
    const QDate later = next_.addMonths(12);
    ASSERT_EQ(stored(later).size(), 0);
    QList<TPos> positions;
    QSqlQuery q = server_.Db().Exec("SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT, IDOPCCNFMES, "
                                    "IDCONCNFMES, IDIMPCNFMES FROM CNFCARDSERV WHERE CDFILIAL = "
                                    "'0001' AND CDSERVFILI = '00001' ORDER BY NRORDCNFMES");
    while (q.next()) {
        positions.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(),
                          q.value(3).toString(), q.value(4).toString(), q.value(5).toString()});
    }
    ASSERT_EQ(positions.size(), 10);
    positions.removeAt(9);
    positions[0].Tipo = "11";
    ASSERT_EQ(refusal(write(positions, {}, later)), "");
    EXPECT_EQ(stored(later), positions);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CNFCARDSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                    "'00001'"),
              10)
        << "the standing positions stay";
}

TEST_P(MenuConfig, APositionWhoseDishesWouldGoNeedsThePlannersConsent) {
    const QList<TPos> before = stored(next_);
    const TPos option = before[3];
    const QList<QDate> days = daysWith(option.Seq, next_);
    ASSERT_FALSE(days.isEmpty());
    const QStringList untouched = fingerprint();
    QList<TPos> without = before;
    without.removeAt(3);
    EXPECT_EQ(refusal(write(without)),
              QString("A posição %1 (%2) tem pratos a partir do dia %3: confirme a exclusão desses "
                      "pratos para excluí-la.")
                  .arg(option.Seq)
                  .arg(server_.Db()
                           .Scalar("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = '04'")
                           .toString()
                           .trimmed(),
                       day(days.first())));
    QList<TPos> retyped = before;
    retyped[3].Tipo = "11";
    EXPECT_TRUE(refusal(write(retyped))
                    .endsWith("confirme a exclusão desses pratos para mudar seu "
                              "tipo de prato."));
    // Another position's consent is no consent.
    EXPECT_NE(refusal(write(without, QString::number(before[4].Seq))), "");
    EXPECT_EQ(fingerprint(), untouched);

    // Consented: the dishes go from every day, the days are stamped.
    server_.Db().Exec("UPDATE CARDADIA SET CDOPERADOR = 'CENTRAL' WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00001'");
    const int dishes =
        count("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
              "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = '0001' "
              "AND D.CDSERVFILI = '00001' AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = ?",
              {DataHora(next_), option.Seq});
    const int others = count("SELECT COUNT(*) FROM COMPCARD") - dishes;
    const QVariant answer = write(without, QString(" ;%1;").arg(option.Seq));
    ASSERT_EQ(refusal(answer), "");
    EXPECT_EQ(answer.toInt(), dishes);
    EXPECT_EQ(stored(next_), without);
    EXPECT_TRUE(daysWith(option.Seq, next_).isEmpty());
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD"), others) << "no other dish";
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                    "'00001' AND CDOPERADOR = 'NUTRI1'"),
              days.size())
        << "the days that lost a dish, stamped";

    // A new dish type for a position with dishes: its dishes go, it stays.
    QList<TPos> next = stored(next_);
    const TPos rice = next[0];
    const int riceDays = daysWith(rice.Seq, next_).size();
    ASSERT_GT(riceDays, 0);
    next[0].Tipo = "12";
    const QVariant retypedAnswer = write(next, QString::number(rice.Seq));
    ASSERT_EQ(refusal(retypedAnswer), "");
    EXPECT_GE(retypedAnswer.toInt(), riceDays);
    EXPECT_EQ(stored(next_), next);
    EXPECT_TRUE(daysWith(rice.Seq, next_).isEmpty());
}

TEST_P(MenuConfig, APositionHoldingDishesOnBlockedDaysKeepsWhatTheyMean) {
    const QList<TPos> before = stored(next_);
    const TPos rice = before[0];
    const QList<QDate> days = daysWith(rice.Seq, next_);
    ASSERT_GT(days.size(), 2);
    blockUntil(days[1].addDays(1)); // the position's first two days are blocked
    const QVariantList answer = read(next_);
    EXPECT_EQ(ToDataPacket(answer[int(TElemConfigCard::Posicoes)]).Rows[0].Values[8].toInt(), 2);
    const QStringList untouched = fingerprint();
    const QString name = server_.Db()
                             .Scalar("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = '01'")
                             .toString()
                             .trimmed();
    QList<TPos> without = before;
    without.removeFirst();
    EXPECT_EQ(refusal(write(without, QString::number(rice.Seq))),
              QString("A posição %1 (%2) não pode ser excluída: tem pratos no dia %3, que não pode "
                      "mais ser alterado.")
                  .arg(rice.Seq)
                  .arg(name, day(days.first())));
    const QString meaning = QString("A posição %1 (%2) tem pratos no dia %3, que não pode mais ser "
                                    "alterado: seu tipo de prato e se é opcional ou contada ficam "
                                    "como estão.")
                                .arg(rice.Seq)
                                .arg(name, day(days.first()));
    for (const auto& change :
         {std::function<void(TPos&)>([](TPos& p) { p.Tipo = "11"; }),
          std::function<void(TPos&)>([](TPos& p) { p.Opcional = "S"; }),
          std::function<void(TPos&)>([](TPos& p) { p.Contada = p.Contada == "S" ? "N" : "S"; })}) {
        QList<TPos> changed = before;
        change(changed[0]);
        EXPECT_EQ(refusal(write(changed, QString::number(rice.Seq))), meaning);
    }
    EXPECT_EQ(fingerprint(), untouched);

    // Its order and its printing are the grid's and the printout's: they may change.
    QList<TPos> moved = before;
    moved[0].Ordem = 105;
    moved[0].Impressa = "N";
    ASSERT_EQ(refusal(write(moved)), "");
    EXPECT_EQ(stored(next_).last(), moved[0]);
}

TEST_P(MenuConfig, EveryOtherRefusalWritesNothing) {
    const QList<TPos> before = stored(next_);
    const QStringList untouched = fingerprint();
    const auto refused = [&](const QList<TPos>& positions, const QString& op = "NUTRI1") {
        return refusal(write(positions, {}, {}, op));
    };
    QList<TPos> twice = before;
    twice[1].Ordem = twice[0].Ordem;
    EXPECT_TRUE(refused(twice).startsWith(QString("A ordem %1 está em mais de uma posição: "
                                                  "posição %2 (")
                                              .arg(before[0].Ordem)
                                              .arg(before[0].Seq)))
        << refused(twice).toStdString();
    QList<TPos> unknown = before;
    unknown.append({0, 200, "99"});
    EXPECT_EQ(refused(unknown), "Tipo de prato 99 não cadastrado (nova posição).");
    QList<TPos> untyped = before;
    untyped.append({0, 200, ""});
    EXPECT_EQ(refused(untyped), "Informe o tipo de prato da nova posição.");
    QList<TPos> unordered = before;
    unordered[2].Ordem = 0;
    EXPECT_TRUE(refused(unordered).startsWith(
        QString("Informe a ordem da posição %1 (").arg(before[2].Seq)));
    QList<TPos> flagged = before;
    flagged[2].Opcional = "X";
    EXPECT_TRUE(refused(flagged).startsWith("Valor inválido (X) de \"opcional\" na posição"));
    QList<TPos> gone = before;
    gone[2].Seq = 77;
    EXPECT_EQ(refused(gone), "A posição 77 não existe na configuração do mês: carregue a "
                             "configuração novamente.");
    EXPECT_EQ(refused({}), "A configuração do mês precisa de ao menos uma posição.");
    EXPECT_EQ(refused(before, "SEMCONFIG"), "Operador sem permissão para configurar o cardápio.");
    EXPECT_EQ(refused(before, "HOSP1"), "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_EQ(fingerprint(), untouched);
}

INSTANTIATE_TEST_SUITE_P(Engines, MenuConfig,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
