#include "core/clock.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "server/dispatcher.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

#include <QSet>
#include <gtest/gtest.h>
#include <httplib.h>

// An argument's declaration as a failure shows it: name, type, by reference, optional.
namespace pla::rpc {
void PrintTo(const TParam& p, std::ostream* os) {
    *os << p.Name.toStdString() << ':' << static_cast<int>(p.Type) << (p.ByRef ? " ref" : "")
        << (p.Optional ? " opcional" : "");
}
} // namespace pla::rpc

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;

namespace {

TMethodHandler echo() {
    return [](TCallContext&, TMethodArgs& a) { return a.Value(0); };
}

TEST(RemoteDataModules, DeclarationsAreCheckedWhenRegistered) {
    TRemoteDataModule m("Teste.rdmRegras");
    m.Register({"Eco", {{"v", TArgType::Variant}}, -1, echo()});
    EXPECT_THROW(m.Register({"eco", {}, -1, echo()}), EProgramError) << "names ignore case";
    EXPECT_THROW(m.Register({"SemCodigo", {}, -1, nullptr}), EProgramError);
    EXPECT_THROW(m.Register({"Operador", {{"x", TArgType::String}}, 1, echo()}), EProgramError);
    EXPECT_EQ(m.MethodNames(), QStringList{"Eco"});
    EXPECT_NE(m.FindMethod("ECO"), nullptr);
    // A client may send a read twice: a writing method declared as a read is refused.
    EXPECT_THROW(TMethodDef::Declarado(rpc::metodos::GetCardapio(), echo(), true), EProgramError);

    class TNone : public ISessions {
        std::optional<QString> Authenticate(const QString&) override { return std::nullopt; }
        std::pair<QString, QDateTime> SignIn(const QString&, const QString&,
                                             const QString&) override {
            throw EPlaError("não");
        }
        void SignOut(const QString&) override {}
    } none;
    TDispatcher d(none);
    d.AddModule(std::make_unique<TRemoteDataModule>("Teste.rdmA"));
    EXPECT_THROW(d.AddModule(std::make_unique<TRemoteDataModule>("teste.RDMA")), EProgramError);
}

// The server registers every method from the declaration the desktop builds its calls
// from, in the module the declaration names, and registers no method left undeclared.
TEST(RemoteDataModules, SharedDeclarationsAreTheOnesRegistered) {
    // Making the modules keeps a reference to the sessions and opens no database.
    TDatabasePool pool{TDatabaseUrl{}};
    TSessionService sessions(pool);
    TDispatcher dispatcher(sessions);
    AddAllModules(dispatcher, sessions);

    const auto key = [](const QString& module, const QString& method) {
        return (module + QLatin1Char('.') + method).toLower(); // names ignore case
    };
    QSet<QString> declared;
    for (const auto& [moduleName, spec] : metodos::Todos()) {
        const std::string where = (moduleName + QLatin1Char('.') + spec->Name).toStdString();
        EXPECT_FALSE(declared.contains(key(moduleName, spec->Name))) << where << " twice";
        declared.insert(key(moduleName, spec->Name));
        const TRemoteDataModule* module = dispatcher.FindModule(moduleName);
        ASSERT_NE(module, nullptr) << where;
        const TMethodDef* def = module->FindMethod(spec->Name);
        ASSERT_NE(def, nullptr) << where;
        EXPECT_EQ(def->Name, spec->Name) << where;
        EXPECT_EQ(def->Params, spec->Params) << where;
        EXPECT_EQ(def->OperatorParam, spec->OperatorParam) << where;
        EXPECT_EQ(def->SoLeitura, spec->SoLeitura) << where;
    }
    for (const QString& moduleName : dispatcher.ModuleNames()) {
        for (const QString& method : dispatcher.FindModule(moduleName)->MethodNames()) {
            EXPECT_TRUE(declared.contains(key(moduleName, method)))
                << (moduleName + QLatin1Char('.') + method).toStdString() << " is not declared";
        }
    }
}

TEST(RemoteDataModules, ArgumentsAreCheckedAgainstTheDeclaration) {
    const TMethodDef def{"GetParams",
                         {{"filial", TArgType::String},
                          {"dias", TArgType::Integer},
                          {"valor", TArgType::Float},
                          {"data", TArgType::DateTime, false, true}},
                         -1,
                         echo()};
    EXPECT_EQ(CheckArguments(def, {"0001", qlonglong(1), 2.5, QDateTime()}), "")
        << "an optional date may be null";
    EXPECT_EQ(CheckArguments(def, {QVariant(), qlonglong(1), 2.5, QVariant()}),
              "GetParams: o argumento 1 (filial) deve ser texto, não nulo")
        << "null where a value is required";
    EXPECT_EQ(CheckArguments(def, {"0001", qlonglong(1), qlonglong(2), QVariant()}), "")
        << "an integer serves a number";
    const TMethodDef required{"GetCardapio", {{"mes", TArgType::DateTime}}, -1, echo()};
    EXPECT_EQ(CheckArguments(required, {QVariant()}),
              "GetCardapio: o argumento 1 (mes) deve ser data, não nulo");
    EXPECT_EQ(CheckArguments(required, {QDateTime()}),
              "GetCardapio: o argumento 1 (mes) deve ser data, não nulo")
        << "an invalid date is a null one";
    const TMethodDef packet{"UpdateCache", {{"dias", TArgType::Variant}}, -1, echo()};
    EXPECT_EQ(CheckArguments(packet, {QVariant()}), "") << "a change set may be absent";
    EXPECT_EQ(CheckArguments(def, {"0001"}), "GetParams espera 4 argumentos, recebeu 1");
    EXPECT_EQ(CheckArguments(def, {"0001", 1.5, 2.5, QVariant()}),
              "GetParams: o argumento 2 (dias) deve ser inteiro");
    EXPECT_EQ(CheckArguments(def, {qlonglong(1), qlonglong(1), 2.5, QVariant()}),
              "GetParams: o argumento 1 (filial) deve ser texto");
    EXPECT_EQ(CheckArguments(def, {"0001", qlonglong(1), 2.5, "2026-12-01"}),
              "GetParams: o argumento 4 (data) deve ser data");

    QList<QVariant> values{"a", qlonglong(2), 1.0, QVariant()};
    TMethodArgs args(def.Params, values);
    EXPECT_THROW(args.SetRef(0, "b"), EProgramError) << "by value cannot be written back";
    EXPECT_THROW(args.Value(4), EProgramError);
    EXPECT_EQ(args.Integer(1), 2);
    EXPECT_FALSE(args.DateTime(3).isValid());
}

TEST(NetConnectionRules, ConnectingRunsBeforeConnectAndNeedsATransport) {
    TNetConnection c("netParamCardIndu");
    c.SetServerName("Pla00100.rdmParamCardIndu");
    EXPECT_THROW(c.SetConnected(true), ERpcError) << "no way to connect configured";
    EXPECT_FALSE(c.Connected());
    QString seenHost;
    c.BeforeConnect = [](TNetConnection& n) {
        n.SetHost("planejamento.local");
        n.SetPort(8443);
    };
    c.SetTransportFactory([&](const TNetConnection& n) -> std::unique_ptr<TRpcTransport> {
        seenHost = QStringLiteral("%1:%2").arg(n.Host()).arg(n.Port());
        THttpClientOptions o;
        o.Host = n.Host();
        o.Port = n.Port();
        return std::make_unique<THttpTransport>(o);
    });
    c.SetConnected(true);
    EXPECT_EQ(seenHost, "planejamento.local:8443") << "the host sets the address first";
    EXPECT_TRUE(c.Connected());
    c.SetConnected(false);
    EXPECT_FALSE(c.Connected());
}

TEST(SchemaDialects, NeutralTypesBecomeEachEnginesOwn) {
    const QString st = "CREATE TABLE T (A VARCHAR(4) NOT NULL, B {FLOAT}, C {DATETIME}, D {BLOB}, "
                       "E CHAR(1) CHECK (E IN ('S','N')))";
    const QString pg = ForDialect(st, TDialect::PostgreSQL);
    EXPECT_TRUE(pg.contains("B DOUBLE PRECISION"));
    EXPECT_TRUE(pg.contains("C TIMESTAMP(3)"));
    EXPECT_TRUE(pg.contains("D BYTEA"));
    EXPECT_FALSE(pg.contains("length("));
    const QString lite = ForDialect(st, TDialect::SQLite);
    EXPECT_TRUE(lite.contains("A VARCHAR(4) CHECK (length(A) <= 4) NOT NULL"));
    EXPECT_TRUE(lite.contains("E CHAR(1) CHECK (length(E) <= 1) CHECK (E IN ('S','N'))"));
    EXPECT_TRUE(lite.contains("B REAL"));
    EXPECT_TRUE(lite.contains("C TEXT"));
}

TEST(SignInOverHttp, MalformedAndOversizeRequestsAreRefused) {
    class TOne : public ISessions {
        std::optional<QString> Authenticate(const QString&) override { return std::nullopt; }
        std::pair<QString, QDateTime> SignIn(const QString& op, const QString& pw,
                                             const QString&) override {
            if (op == "ANA" && pw == "certa") {
                return {QStringLiteral("tok"), Instante()};
            }
            throw EPlaError("Operador ou senha inválidos.");
        }
        void SignOut(const QString&) override {}
    } sessions;
    TDispatcher d(sessions);
    THttpServerOptions o;
    o.Port = 0;
    THttpServer server(d, o);
    httplib::Client cli("127.0.0.1", server.Start());
    auto post = [&](const QByteArray& body) {
        auto r = cli.Post("/session", body.toStdString(), "application/cbor");
        return r ? r->status : 0;
    };
    EXPECT_EQ(post(EncodeValue(QVariantList{"ANA", "certa"})), 200);
    EXPECT_EQ(post(EncodeValue(QVariantList{"ANA", "errada"})), 401);
    EXPECT_EQ(post(EncodeValue(QVariantList{"ANA"})), 400);
    EXPECT_EQ(post(EncodeValue(QVariantList{"ANA", qlonglong(1)})), 400);
    EXPECT_EQ(post(QByteArray("\xff\xff", 2)), 400);
    EXPECT_EQ(post(QByteArray(70 * 1024, 'x')), 413);
    auto out = cli.Delete("/session");
    ASSERT_TRUE(out);
    EXPECT_EQ(out->status, 200) << "signing out without a session does no harm";
}

} // namespace
