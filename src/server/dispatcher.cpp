#include "dispatcher.h"

#include "core/errors.h"
#include "core/field_type.h"
#include "operator_access.h"
#include "rpc/rpc_protocol.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <algorithm>

Q_LOGGING_CATEGORY(lcCalls, "pla.server.calls")

namespace pla::server {

using rpc::TRpcStatus;

namespace {

const QString DatabaseUnreachable =
    QStringLiteral("O servidor está sem conexão com o banco de dados: tente novamente em "
                   "instantes.");

// What a database error means to the planner, whose changes stay on the screen.
QString PlannersWords(const EDatabaseError& e) {
    if (e.message().contains(QLatin1String("database is locked")) ||
        e.message().contains(QLatin1String("database is busy"))) {
        return QStringLiteral("O banco de dados está ocupado com outra gravação. Tente novamente "
                              "em instantes: suas alterações continuam na tela.");
    }
    return QStringLiteral("Erro no banco de dados: %1").arg(e.message());
}

TDispatchReply failure(TRpcStatus status, const QString& message) {
    return {static_cast<int>(status), rpc::EncodeErrorBody(message)};
}

// The guard of a writing method: the operator's permission and branch, from the
// operator's record, whatever the arguments claim.
void applyGuard(const TMethodDef& def, TCallContext& ctx, const QList<QVariant>& values) {
    const TGuard& g = def.Guard;
    if (!def.Writes || g.SelfChecked) {
        return;
    }
    const TOperatorAccess& access = ctx.Access();
    access.ExigePermissao(g.Permissions, g.What);
    if (g.BranchParam >= 0) {
        const bool perBranch = g.PerBranchParam >= 0 && ValueAsBoolean(values[g.PerBranchParam]);
        access.ExigeFilial(ValueAsString(values[g.BranchParam]), perBranch);
    }
}

// A method declared as only reading may be sent twice by a client that lost its
// connection, so in a debug build one that wrote is a programming error (SQLite
// counts a connection's changed rows).
class TReadOnlyWatch {
public:
    TReadOnlyWatch(const TMethodDef& def, TDatabase* db) {
#ifndef NDEBUG
        if (def.SoLeitura && db && db->Dialect() == db::TDialect::SQLite) {
            db_ = db;
            name_ = def.Name;
            before_ = changes();
        }
#else
        Q_UNUSED(def);
        Q_UNUSED(db);
#endif
    }
    void Check() const {
        if (db_ && changes() != before_) {
            throw EProgramError(QStringLiteral("%1 é só de leitura e escreveu").arg(name_));
        }
    }

private:
    qlonglong changes() const {
        return db_->Scalar(QStringLiteral("SELECT total_changes()")).toLongLong();
    }

    TDatabase* db_ = nullptr;
    QString name_;
    qlonglong before_ = 0;
};

} // namespace

TDispatcher::TDispatcher(ISessions& sessions)
    : sessions_(sessions) {
    SetMaxBodyBytes(DefaultMaxBodyBytes);
}

void TDispatcher::SetMaxBodyBytes(qsizetype bytes) {
    maxBody_ = bytes;
    limits_.MaxItems = std::max<qsizetype>(1000, bytes / 8);
}

TDispatcher::~TDispatcher() = default;

void TDispatcher::AddModule(std::unique_ptr<TRemoteDataModule> module) {
    if (FindModule(module->Name())) {
        throw EProgramError(QStringLiteral("Módulo %1 registrado duas vezes").arg(module->Name()));
    }
    modules_.push_back(std::move(module));
}

const TRemoteDataModule* TDispatcher::FindModule(const QString& name) const {
    for (const auto& m : modules_) {
        if (m->Name().compare(name, Qt::CaseInsensitive) == 0) {
            return m.get();
        }
    }
    return nullptr;
}

QStringList TDispatcher::ModuleNames() const {
    QStringList names;
    for (const auto& m : modules_) {
        names << m->Name();
    }
    return names;
}

TDispatchReply TDispatcher::Dispatch(const QString& module, const QString& method,
                                     const QString& token, const QByteArray& body,
                                     const QString& origin) const {
    QElapsedTimer timer;
    timer.start();
    QString operador = QStringLiteral("-");
    auto finish = [&](TDispatchReply reply, const QString& outcome) {
        // One line per call; never arguments, results or secrets.
        qCInfo(lcCalls).noquote() << operador << module << method << timer.elapsed() << "ms"
                                  << reply.Status << outcome;
        return reply;
    };

    if (body.size() > maxBody_) {
        return finish(
            failure(TRpcStatus::PayloadTooLarge,
                    QStringLiteral("Requisição maior que o limite de %1 bytes").arg(maxBody_)),
            QStringLiteral("too large"));
    }
    const TRemoteDataModule* mod = FindModule(module);
    if (!mod) {
        return finish(failure(TRpcStatus::NotFound,
                              QStringLiteral("Módulo %1 não existe no servidor").arg(module)),
                      QStringLiteral("unknown module"));
    }
    const TMethodDef* def = mod->FindMethod(method);
    if (!def) {
        return finish(failure(TRpcStatus::NotFound,
                              QStringLiteral("Método %1 não existe em %2").arg(method, module)),
                      QStringLiteral("unknown method"));
    }
    std::optional<QString> who;
    try {
        who = token.isEmpty() ? std::nullopt : sessions_.Authenticate(token);
    } catch (const std::exception& e) {
        qCWarning(lcCalls).noquote() << "session check failed:" << e.what();
        return finish(failure(TRpcStatus::Unavailable,
                              QStringLiteral("O servidor não consegue verificar a sessão agora")),
                      QStringLiteral("session store down"));
    }
    if (!who) {
        return finish(failure(TRpcStatus::Unauthorized,
                              QStringLiteral("Sessão inexistente ou expirada: entre novamente")),
                      QStringLiteral("no session"));
    }
    operador = *who;

    QList<rpc::TRpcArg> args;
    try {
        args = rpc::DecodeArgs(body, limits_);
    } catch (const EDecodeError& e) {
        return finish(failure(TRpcStatus::BadRequest, e.message()), QStringLiteral("bad body"));
    }
    QList<QVariant> values;
    values.reserve(args.size());
    for (const auto& a : args) {
        values.append(a.Value);
    }
    QString problem = CheckArguments(*def, values);
    for (int i = 0; problem.isEmpty() && i < args.size(); ++i) {
        if (args[i].ByRef != def->Params[i].ByRef) {
            problem = QStringLiteral("%1: o argumento %2 (%3) deve ser passado %4")
                          .arg(def->Name)
                          .arg(i + 1)
                          .arg(def->Params[i].Name, def->Params[i].ByRef
                                                        ? QStringLiteral("por referência")
                                                        : QStringLiteral("por valor"));
        }
    }
    if (!problem.isEmpty()) {
        return finish(failure(TRpcStatus::BadRequest, problem), QStringLiteral("bad arguments"));
    }
    if (def->OperatorParam >= 0) {
        const QString given = ValueAsString(values[def->OperatorParam]).trimmed();
        if (given.compare(operador.trimmed(), Qt::CaseInsensitive) != 0) {
            return finish(failure(TRpcStatus::Forbidden,
                                  QStringLiteral("O operador %1 não é o da sessão").arg(given)),
                          QStringLiteral("operator mismatch"));
        }
    }

    TCallContext ctx{operador, mod->Name(), def->Name, nullptr, origin};
    TMethodArgs margs(def->Params, values);
    const QList<QVariant> given = values; // what goes back if the method refuses
    rpc::TRpcResult result;
    QString outcome = QStringLiteral("ok");
    try {
        ctx.Db = database_ ? database_() : nullptr;
    } catch (const EDatabaseError& e) {
        qCWarning(lcCalls).noquote() << module << method << "database unreachable:" << e.message();
        return finish(failure(TRpcStatus::Unavailable, DatabaseUnreachable),
                      QStringLiteral("database down"));
    }
    try {
        if (def->Writes && ctx.Db) {
            TTransaction tx(*ctx.Db, true);
            applyGuard(*def, ctx, values);
            result.Result = def->Handler(ctx, margs);
            tx.Commit();
        } else {
            const TReadOnlyWatch watch(*def, ctx.Db);
            applyGuard(*def, ctx, values);
            result.Result = def->Handler(ctx, margs);
            watch.Check();
        }
    } catch (const EConnectionLost& e) {
        // Nothing of the call stays; the connection is opened anew for the next one.
        qCWarning(lcCalls).noquote() << module << method << "connection lost:" << e.message();
        return finish(failure(TRpcStatus::Unavailable, DatabaseUnreachable),
                      QStringLiteral("connection lost"));
    } catch (const EDatabaseError& e) {
        // Rolled back already; the planner sees why, the log keeps it.
        qCWarning(lcCalls).noquote() << module << method << "database:" << e.message();
        result.Result = PlannersWords(e);
        outcome = QStringLiteral("database error");
        values = given;
    } catch (const EPlaError& e) {
        // A method refuses by raising: whatever it wrote is rolled back, and its text
        // is the answer, as methods give error texts.
        result.Result = e.message();
        outcome = QStringLiteral("error text");
        values = given;
    } catch (const std::exception& e) {
        qCWarning(lcCalls).noquote() << module << method << "failed:" << e.what();
        return finish(
            failure(TRpcStatus::InternalError,
                    QStringLiteral("Erro interno do servidor em %1.%2").arg(module, method)),
            QStringLiteral("internal error"));
    }
    for (int i = 0; i < args.size(); ++i) {
        if (def->Params[i].ByRef) {
            result.RefValues.append(values[i]);
        }
    }
    try {
        return finish({static_cast<int>(TRpcStatus::Ok), rpc::EncodeResult(result)}, outcome);
    } catch (const EPlaError& e) {
        qCWarning(lcCalls).noquote() << module << method << "result not encodable:" << e.message();
        return finish(
            failure(TRpcStatus::InternalError,
                    QStringLiteral("Erro interno do servidor em %1.%2").arg(module, method)),
            QStringLiteral("internal error"));
    }
}

TDispatchReply TDispatcher::SignIn(const QByteArray& body, const QString& origin) const {
    QString operador = QStringLiteral("-");
    QElapsedTimer timer;
    timer.start();
    auto finish = [&](TDispatchReply reply, const char* outcome) {
        qCInfo(lcCalls).noquote() << operador << "session"
                                  << "SignIn" << timer.elapsed() << "ms" << reply.Status << outcome;
        return reply;
    };
    if (body.size() > 64 * 1024) {
        return finish(
            failure(TRpcStatus::PayloadTooLarge, QStringLiteral("Requisição grande demais")),
            "too large");
    }
    QVariantList pair;
    try {
        pair = DecodeValue(body, limits_).toList();
    } catch (const EDecodeError& e) {
        return finish(failure(TRpcStatus::BadRequest, e.message()), "bad body");
    }
    if (pair.size() != 2 || pair[0].typeId() != QMetaType::QString ||
        pair[1].typeId() != QMetaType::QString) {
        return finish(
            failure(TRpcStatus::BadRequest, QStringLiteral("Entrada espera o operador e a senha")),
            "bad body");
    }
    operador = pair[0].toString().trimmed().toUpper();
    try {
        const auto [token, expira] =
            sessions_.SignIn(pair[0].toString(), pair[1].toString(), origin);
        return finish({static_cast<int>(TRpcStatus::Ok), EncodeValue(QVariantList{token, expira})},
                      "ok");
    } catch (const EServerBusy& e) {
        return finish(failure(TRpcStatus::Unavailable, e.message()), "busy");
    } catch (const EDatabaseError& e) {
        // The right password may be behind it: never a refusal of the operator.
        qCWarning(lcCalls).noquote() << "sign-in failed:" << e.message();
        return finish(failure(TRpcStatus::Unavailable, DatabaseUnreachable), "database down");
    } catch (const EPlaError& e) {
        qCWarning(lcCalls).noquote() << "sign-in refused for" << operador << "from" << origin;
        return finish(failure(TRpcStatus::Unauthorized, e.message()), "refused");
    } catch (const std::exception& e) {
        qCWarning(lcCalls).noquote() << "sign-in failed:" << e.what();
        return finish(failure(TRpcStatus::Unavailable,
                              QStringLiteral("O servidor não consegue abrir sessões agora")),
                      "session store down");
    }
}

TDispatchReply TDispatcher::SignOut(const QString& token) const {
    try {
        sessions_.SignOut(token);
    } catch (const std::exception& e) {
        qCWarning(lcCalls).noquote() << "sign-out failed:" << e.what();
        return failure(TRpcStatus::Unavailable,
                       QStringLiteral("O servidor não consegue encerrar a sessão agora"));
    }
    return {static_cast<int>(TRpcStatus::Ok), EncodeValue(QVariant())};
}

} // namespace pla::server
