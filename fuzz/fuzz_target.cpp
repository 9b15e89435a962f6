#include "fuzz_target.h"

#include "core/cbor_codec.h"
#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "rpc/rpc_protocol.h"
#include "server/demo_seed.h"
#include "server/dispatcher.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/session_service.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace pla::fuzz {

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");

// A server over the demonstration, made once per process.
struct TServer {
    TServer() {
        db::TDatabaseUrl url;
        url.Dialect = db::TDialect::SQLite;
        url.Path = dir.filePath(QStringLiteral("fuzz.db"));
        pool = std::make_unique<db::TDatabasePool>(url);
        server::Migrate(pool->ForThisThread());
        const server::TDemoResult demo =
            server::SeedDemo(pool->ForThisThread(), QDate(2026, 12, 15), 1, 1000);
        sessions = std::make_unique<server::TSessionService>(*pool);
        dispatcher = std::make_unique<server::TDispatcher>(*sessions);
        dispatcher->SetDatabase([this] { return &pool->ForThisThread(); });
        server::AddAllModules(*dispatcher, *sessions);
        for (const auto& op : demo.Operators) {
            if (op.Code == QLatin1String("NUTRI1")) {
                token = sessions->Open(op.Code, op.Password).Token;
            }
        }
    }
    QVariant Call(const QString& method, const QList<rpc::TRpcArg>& args) {
        const server::TDispatchReply r =
            dispatcher->Dispatch(Module, method, token, rpc::EncodeArgs(args));
        return r.Status == 200 ? rpc::DecodeResult(r.Body).Result : QVariant();
    }

    QTemporaryDir dir;
    std::unique_ptr<db::TDatabasePool> pool;
    std::unique_ptr<server::TSessionService> sessions;
    std::unique_ptr<server::TDispatcher> dispatcher;
    QString token;
};

TServer& server() {
    static TServer s;
    return s;
}

TDataPacket dayTable() {
    TDataPacket p;
    p.Fields = {{"CDFILIAL", TFieldType::String, 4, true},
                {"NRCARDAPIO", TFieldType::String, 10, true},
                {"QTCOMESTICAR", TFieldType::Float, 0, false}};
    p.Rows.append(
        {TRowKind::Unchanged, {QStringLiteral("0001"), QStringLiteral("0000000001"), 10.0}, {}});
    return p;
}

} // namespace

void RunInput(const QByteArray& bytes) {
    try {
        rpc::DecodeArgs(bytes);
    } catch (const EDecodeError&) {
    }
    try {
        const TDataPacket delta = DecodePacket(bytes);
        delta.Validate();
        TMemTable table;
        table.SetData(dayTable());
        table.SetKeyFields(QStringLiteral("CDFILIAL;NRCARDAPIO"));
        table.ApplyDelta(delta);
    } catch (const EPlaError&) {
    }
    server().dispatcher->Dispatch(Module, QStringLiteral("UpdateCache"), server().token, bytes);
}

void WriteSeeds(const QString& folder) {
    QDir().mkpath(folder);
    TServer& s = server();
    const QDateTime month = DataHora(QDate(2027, 1, 1));
    const QVariantList r =
        s.Call(QStringLiteral("GetCardapio"), {{QStringLiteral("0001"), true},
                                               {QStringLiteral("PLA00101"), false},
                                               {QStringLiteral("00001"), true},
                                               {QStringLiteral("NUTRI1"), false},
                                               {month, true},
                                               {false, false}})
            .toList();
    TMemTable days;
    days.SetData(ToDataPacket(r.value(5)));
    TMemTable dishes;
    dishes.SetData(ToDataPacket(r.value(6)));
    const auto save = [](const QVariant& d, const QVariant& p) {
        return rpc::EncodeArgs({{QStringLiteral("NUTRI1"), false},
                                {false, false},
                                {d, true},
                                {p, true},
                                {QStringLiteral("N"), true}});
    };
    QList<QPair<QString, QByteArray>> seeds;
    days.First();
    days.Next();
    days.Edit();
    days.FieldByName(QStringLiteral("QTCOMESTICAR")).SetAsFloat(321);
    days.Post();
    seeds.append({QStringLiteral("save-day"), save(FromDataPacket(days.Delta()), QVariant())});
    dishes.First();
    dishes.Delete();
    dishes.Next();
    dishes.Edit();
    dishes.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(50);
    dishes.Post();
    seeds.append({QStringLiteral("save-dishes"), save(QVariant(), FromDataPacket(dishes.Delta()))});
    seeds.append({QStringLiteral("packet"), EncodePacket(dishes.Delta())});
    seeds.append({QStringLiteral("load"), rpc::EncodeArgs({{QStringLiteral("0001"), true},
                                                           {QStringLiteral("PLA00101"), false},
                                                           {QStringLiteral("00001"), true},
                                                           {QStringLiteral("NUTRI1"), false},
                                                           {month, true},
                                                           {false, false}})});
    for (const auto& [name, bytes] : seeds) {
        QFile f(QDir(folder).filePath(name + QStringLiteral(".cbor")));
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
}

} // namespace pla::fuzz
