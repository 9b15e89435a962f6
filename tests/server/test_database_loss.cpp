#include "core/errors.h"
#include "db_fixture.h"
#include "qt_print.h"
#include "rpc/rpc_protocol.h"
#include "server/admin.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/session_service.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;
using pla::test::TEngine;

namespace {

// A server whose database goes away and comes back: calls that meet a broken
// connection fail with a clear 503, the next ones reconnect, a right password is never
// refused for it, and /health tells the truth.
class DatabaseLoss : public ::testing::Test {
protected:
    DatabaseLoss()
        : url_(test::FreshDatabase(TEngine::PostgreSQL))
        , pool_(url_)
        , sessions_(pool_)
        , dispatcher_(sessions_) {
        Migrate(pool_.ForThisThread());
        pool_.ForThisThread().Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES "
                                   "('0001', 'Restaurante', '2026-12-07 00:00:00')");
        TNewOperator ana;
        ana.Code = "ANA";
        ana.Name = "Ana";
        ana.Password = "senha-da-ana";
        ana.Permissions = QString(17, QLatin1Char('1'));
        AddOperator(pool_.ForThisThread(), ana, 1000);
        dispatcher_.SetDatabase([this] { return &pool_.ForThisThread(); });
        AddAllModules(dispatcher_, sessions_);
        token_ = sessions_.Open("ANA", "senha-da-ana").Token;
    }
    // Another connection, as the administrator's: it cuts the server's ones.
    void cut(bool keepOut) {
        TDatabaseUrl admin = url_;
        admin.Database = QStringLiteral("postgres");
        TDatabase db(admin);
        if (keepOut) {
            db.Exec(QStringLiteral("ALTER DATABASE \"%1\" WITH ALLOW_CONNECTIONS false")
                        .arg(url_.Database));
        }
        db.Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ? AND "
                "pid <> pg_backend_pid()",
                {url_.Database});
    }
    void letIn() {
        TDatabaseUrl admin = url_;
        admin.Database = QStringLiteral("postgres");
        TDatabase db(admin);
        db.Exec(
            QStringLiteral("ALTER DATABASE \"%1\" WITH ALLOW_CONNECTIONS true").arg(url_.Database));
    }
    TDispatchReply permissions() {
        return dispatcher_.Dispatch("Pla00100.rdmParamCardIndu", "CheckAutOper", token_,
                                    EncodeArgs({{QStringLiteral("ANA"), false}}));
    }
    TDispatchReply signIn(const QString& password) {
        return dispatcher_.SignIn(EncodeValue(QVariantList{QStringLiteral("ANA"), password}));
    }

    TDatabaseUrl url_;
    TDatabasePool pool_;
    TSessionService sessions_;
    TDispatcher dispatcher_;
    QString token_;
};

const QString Unreachable =
    "O servidor está sem conexão com o banco de dados: tente novamente em instantes.";

TEST_F(DatabaseLoss, ABrokenConnectionFailsOneCallClearlyAndTheNextReconnects) {
    ASSERT_EQ(permissions().Status, 200);
    cut(false);
    const TDispatchReply broken = permissions();
    EXPECT_EQ(broken.Status, 503);
    EXPECT_TRUE(DecodeErrorBody(broken.Body) == Unreachable ||
                DecodeErrorBody(broken.Body) == "O servidor não consegue verificar a sessão agora")
        << DecodeErrorBody(broken.Body).toStdString();
    EXPECT_EQ(permissions().Status, 200) << "opened anew, without restarting the server";
    EXPECT_TRUE(pool_.Healthy());
}

TEST_F(DatabaseLoss, WhileTheDatabaseIsDownTheServerSaysSoAndRecoversWhenItIsBack) {
    cut(true);
    EXPECT_FALSE(pool_.Healthy()) << "/health tells the truth";
    const TDispatchReply in = signIn("senha-da-ana");
    EXPECT_EQ(in.Status, 503) << "a right password is never refused for the database";
    EXPECT_EQ(DecodeErrorBody(in.Body), Unreachable);
    EXPECT_EQ(permissions().Status, 503);
    letIn();
    EXPECT_TRUE(pool_.Healthy());
    EXPECT_EQ(signIn("senha-da-ana").Status, 200);
    EXPECT_EQ(permissions().Status, 200);
}

} // namespace
