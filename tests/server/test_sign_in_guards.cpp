#include "core/errors.h"
#include "db_fixture.h"
#include "qt_print.h"
#include "rpc/http_transport.h"
#include "rpc/rpc_protocol.h"
#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/http_server.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/session_service.h"

#include <QMutex>
#include <gtest/gtest.h>
#include <thread>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;
using pla::test::TEngine;

namespace {

// Sign-in and the supervisor's authorisation resist guessing: failures are counted per
// operator and per address, the door closes for a while, and the checks of passwords
// never hold every worker.
class SignInGuards : public ::testing::TestWithParam<TEngine> {
protected:
    SignInGuards()
        : pool_(test::FreshDatabase(GetParam())) {
        Migrate(pool_.ForThisThread());
        pool_.ForThisThread().Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES "
                                   "('0001', 'Restaurante', '2026-12-07 00:00:00')");
        for (const auto& [code, password, permissions] :
             {std::tuple{"ANA", "senha-da-ana", "11111111111111111"},
              std::tuple{"BIA", "senha-da-bia", "11111111111111111"},
              std::tuple{"SUP", "senha-da-sup", "11111111111111111"}}) {
            TNewOperator op;
            op.Code = QString::fromLatin1(code);
            op.Name = op.Code;
            op.Password = QString::fromLatin1(password);
            op.Permissions = QString::fromLatin1(permissions);
            AddOperator(pool_.ForThisThread(), op, 1000);
        }
        Grant(pool_.ForThisThread(), "SUP", QString(), {}, {7});
        pool_.ForThisThread().Exec("UPDATE OPERADOR SET IDSUPERVISOR = 'S' WHERE CDOPERADOR = "
                                   "'SUP'");
    }
    TSessionService sessions(TAttemptThrottle::TClock clock) {
        return TSessionService(pool_, 60, TAttemptThrottle({}, std::move(clock)));
    }
    static QString refusal(const std::function<void()>& fn) {
        try {
            fn();
        } catch (const EPlaError& e) {
            return e.message();
        }
        return {};
    }
    // The wall clock the server shows a time in.
    static QString hhmm(const QDateTime& utc) {
        return QDateTime(utc.date(), utc.time(), Qt::UTC).toLocalTime().toString("HH:mm");
    }

    TDatabasePool pool_;
    QDateTime now_ = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
};

TEST_P(SignInGuards, FiveFailuresCloseTheOperatorsDoorForAWhile) {
    TSessionService s = sessions([this] { return now_; });
    for (int i = 0; i < 5; ++i) {
        now_ = now_.addSecs(60);
        EXPECT_EQ(refusal([&] { s.Open("ANA", "errada", "10.0.0.1"); }),
                  "Operador ou senha inválidos.");
    }
    // Even the right password waits, from any address; the time is said.
    const QString wait = QString("Muitas tentativas sem sucesso. Tente novamente às %1.")
                             .arg(hhmm(QDateTime(QDate(2026, 12, 7), QTime(10, 16), Qt::UTC)));
    EXPECT_EQ(refusal([&] { s.Open("ana", "senha-da-ana", "10.0.0.2"); }), wait);
    EXPECT_EQ(refusal([&] { s.Open("BIA", "senha-da-bia", "10.0.0.1"); }), "")
        << "another operator from the same address goes on";
    // When the first failure leaves the window, the door opens, and a success forgets.
    now_ = QDateTime(QDate(2026, 12, 7), QTime(10, 16, 1), Qt::UTC);
    EXPECT_EQ(refusal([&] { s.Open("ANA", "senha-da-ana", "10.0.0.2"); }), "");
    EXPECT_EQ(pool_.ForThisThread()
                  .Scalar("SELECT COUNT(*) FROM TENTATIVAFALHA WHERE CDOPERADOR = 'ANA'")
                  .toInt(),
              0);
}

TEST_P(SignInGuards, TwentyFailuresFromOneAddressCloseItForEveryone) {
    for (int i = 0; i < 5; ++i) {
        TNewOperator op;
        op.Code = QString("X%1").arg(i);
        op.Name = op.Code;
        op.Password = "senha-do-x-1";
        AddOperator(pool_.ForThisThread(), op, 1000);
    }
    TSessionService s = sessions([this] { return now_; });
    for (int i = 0; i < 20; ++i) {
        // Four guesses each for five operators: none of them locked by itself.
        EXPECT_EQ(refusal([&] { s.Open(QString("X%1").arg(i / 4), "errada", "10.0.0.9"); }),
                  "Operador ou senha inválidos.");
    }
    EXPECT_TRUE(refusal([&] {
                    s.Open("ANA", "senha-da-ana", "10.0.0.9");
                }).startsWith("Muitas tentativas sem sucesso."));
    EXPECT_EQ(refusal([&] { s.Open("ANA", "senha-da-ana", "10.0.0.10"); }), "");
}

TEST_P(SignInGuards, ASupervisorsPasswordIsThrottledAndItsFailuresRecordWhoAsked) {
    TSessionService s = sessions([this] { return now_; });
    TDispatcher d(s);
    d.SetDatabase([this] { return &pool_.ForThisThread(); });
    AddAllModules(d, s);
    const QString token = s.Open("ANA", "senha-da-ana").Token;
    const auto ask = [&](const QString& pw) {
        const TDispatchReply r = d.Dispatch(
            "Est.rdmAutoriza", "Autoriza", token,
            EncodeArgs(
                {{qlonglong(7), false}, {"DATA_REFERENCIA", false}, {"SUP", false}, {pw, false}}),
            "10.0.0.5");
        return DecodeResult(r.Body).Result;
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ask("errada").toString(), "Supervisor ou senha inválidos.");
    }
    EXPECT_TRUE(ask("senha-da-sup").toString().startsWith("Muitas tentativas sem sucesso."))
        << "the right password waits too";
    QSqlQuery q = pool_.ForThisThread().Exec(
        "SELECT CDOPERADOR, CDSOLICITANTE, DSORIGEM FROM TENTATIVAFALHA WHERE DSTIPO = "
        "'AUTORIZA'");
    int failures = 0;
    while (q.next()) {
        ++failures;
        EXPECT_EQ(q.value(0).toString(), "SUP");
        EXPECT_EQ(q.value(1).toString(), "ANA") << "who asked";
        EXPECT_EQ(q.value(2).toString(), "10.0.0.5");
    }
    EXPECT_EQ(failures, 5);
    now_ = now_.addSecs(16 * 60);
    EXPECT_EQ(ask("senha-da-sup"), QVariant(true));
}

TEST_P(SignInGuards, RefusedSignInsAreLoggedWithTheirAddressOverHttp) {
    TSessionService s(pool_);
    TDispatcher d(s);
    d.SetDatabase([this] { return &pool_.ForThisThread(); });
    THttpServerOptions o;
    o.Port = 0;
    THttpServer http(d, o);
    const int port = http.Start();
    static QMutex mutex;
    static QStringList lines;
    lines.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            QMutexLocker lock(&mutex);
            lines << text;
        });
    {
        THttpClientOptions c;
        c.Port = port;
        THttpTransport t(c);
        EXPECT_THROW(SignIn(t, "ANA", "errada"), ERpcError);
    }
    qInstallMessageHandler(previous);
    http.Stop();
    QMutexLocker lock(&mutex);
    EXPECT_TRUE(lines.join("\n").contains("sign-in refused for ANA from 127.0.0.1"))
        << lines.join("\n").toStdString();
}

TEST(PasswordGate, AFloodOfChecksHoldsOnlyAFewWorkers) {
    TPasswordGate gate(1, 1);
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    bool started = false;
    std::thread first([&] {
        gate.Run([&] {
            std::unique_lock lock(m);
            started = true;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
            return true;
        });
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return started; });
    }
    std::thread second([&] { gate.Run([] { return true; }); }); // waits its turn
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_THROW(gate.Run([] { return true; }), EServerBusy) << "no room to wait: busy at once";
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    first.join();
    second.join();
    EXPECT_TRUE(gate.Run([] { return true; })) << "free again";
}

TEST(PasswordPolicy, GuessablePasswordsAreRefusedWithTheReason) {
    EXPECT_EQ(WhyWeakPassword("curta", "ANA"), "A senha deve ter ao menos 8 caracteres.");
    EXPECT_EQ(WhyWeakPassword("anapaula", "ANAPAULA"),
              "A senha não pode ser o código do operador.");
    EXPECT_EQ(WhyWeakPassword("zzzzzzzzzz", "ANA"),
              "A senha não pode ser um só caractere repetido.");
    for (const char* common : {"12345678", "Senha123", "PASSWORD", "cardapio", "qwerty123"}) {
        EXPECT_EQ(WhyWeakPassword(QString::fromLatin1(common), "ANA"),
                  "A senha é uma das mais usadas e fáceis de adivinhar.")
            << common;
    }
    EXPECT_EQ(WhyWeakPassword("feijao-com-arroz-7", "ANA"), "");
}

TEST_P(SignInGuards, TheAdministratorsToolRefusesGuessablePasswords) {
    TNewOperator op;
    op.Code = "CARLOS";
    op.Name = "Carlos";
    for (const char* weak : {"carlos", "CARLOS", "senha123", "77777777"}) {
        op.Password = QString::fromLatin1(weak);
        EXPECT_THROW(AddOperator(pool_.ForThisThread(), op, 1000), EPlaError) << weak;
    }
    EXPECT_EQ(refusal([&] { SetPassword(pool_.ForThisThread(), "ANA", "ana", 1000); }),
              "A senha deve ter ao menos 8 caracteres.");
    EXPECT_EQ(refusal([&] { SetPassword(pool_.ForThisThread(), "ANA", "Password1", 1000); }),
              "A senha é uma das mais usadas e fáceis de adivinhar.");
    EXPECT_EQ(pool_.ForThisThread()
                  .Scalar("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = 'CARLOS'")
                  .toInt(),
              0);
}

INSTANTIATE_TEST_SUITE_P(Engines, SignInGuards,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
