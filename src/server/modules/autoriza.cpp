#include "modules.h"

#include "core/dates.h"

namespace pla::server {

std::unique_ptr<TRemoteDataModule> MakeAutoriza(TSessionService& sessions) {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Est.rdmAutoriza"));
    // A supervisor authorises one operation of the signed-in operator by signing with
    // his own code and password; true when authorised, and the authorisation is logged.
    m->Register(TMethodDef::Declarado(
        rpc::metodos::Autoriza(),
        [&sessions](TCallContext& ctx, TMethodArgs& args) -> QVariant {
            TDatabase& db = ctx.Database();
            const qint64 tipo = args.Integer(0);
            const QString operacao = args.String(1).trimmed();
            const QString supervisor = args.String(2).trimmed().toUpper().left(12);
            if (operacao.isEmpty()) {
                throw EPlaError(QStringLiteral("Operação a autorizar não informada."));
            }
            // Guessed like a sign-in, throttled like one; a failure is answered,
            // not raised, so that its record stays.
            const TAttemptThrottle& throttle = sessions.Throttle();
            const QString kind = QStringLiteral("AUTORIZA");
            throttle.Check(db, kind, supervisor, ctx.Origem);
            if (!sessions.CheckPassword(supervisor, args.String(3))) {
                throttle.Failed(db, kind, supervisor, ctx.Origem, ctx.Operador);
                return QStringLiteral("Supervisor ou senha inválidos.");
            }
            throttle.Succeeded(db, kind, supervisor);
            const bool may =
                db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERADOR O JOIN "
                                         "AUTORIZSUPERV A ON A.CDOPERADOR = O.CDOPERADOR "
                                         "WHERE O.CDOPERADOR = ? AND O.IDSUPERVISOR = 'S' "
                                         "AND A.NRTIPOAUTORIZ = ?"),
                          {supervisor, tipo})
                    .toInt() > 0;
            if (!may) {
                throw EPlaError(QStringLiteral("O operador %1 não pode autorizar esta "
                                               "operação.")
                                    .arg(supervisor));
            }
            db.Exec(QStringLiteral("INSERT INTO LOGAUTORIZ (CDOPERADOR, CDSUPERVISOR, "
                                   "NRTIPOAUTORIZ, DSOPERACAO, DTAUTORIZ) "
                                   "VALUES (?, ?, ?, ?, ?)"),
                    {ctx.Operador, supervisor, tipo, operacao.left(60), Agora()});
            return true;
        },
        true, {.SelfChecked = true}));
    // Who signed in: name, branch of work (the first branch for operators of none) and
    // kind, for the host's signed-in context.
    m->Register(TMethodDef::Declarado(
        rpc::metodos::GetOperador(), [](TCallContext& ctx, TMethodArgs&) -> QVariant {
            TDatabase& db = ctx.Database();
            TRows q = db.Select(QStringLiteral("SELECT NMOPERADOR, CDFILIAL, IDTIPOOPER "
                                               "FROM OPERADOR WHERE CDOPERADOR = ?"),
                                {ctx.Operador});
            if (!q.Next()) {
                throw EPlaError(QStringLiteral("Operador não cadastrado."));
            }
            QString filial = q.Value(1).toString();
            if (filial.trimmed().isEmpty()) {
                filial = db.Scalar(QStringLiteral("SELECT MIN(CDFILIAL) FROM FILIAL")).toString();
            }
            return QVariantList{q.Value(0).toString(), filial, q.Value(2).toString()};
        }));
    // Whether the signed-in operator may open a screen: the access text is the
    // module's acronym, ";" and the screen code ("PLA;PLA00115").
    m->Register(TMethodDef::Declarado(
        rpc::metodos::ExisteAcesso(), [](TCallContext& ctx, TMethodArgs& args) -> QVariant {
            return ctx.Database()
                       .Scalar(QStringLiteral("SELECT COUNT(*) FROM ACESSOTELA WHERE "
                                              "CDOPERADOR = ? AND DSACESSO = ?"),
                               {ctx.Operador, args.String(0).trimmed().toUpper()})
                       .toInt() > 0;
        }));
    return m;
}

} // namespace pla::server
