#include "operator_access.h"

#include "core/errors.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <QList>

namespace pla::server {

TOperatorAccess::TOperatorAccess(TDatabase& db, const QString& operador)
    : db_(db)
    , operador_(operador.trimmed().toUpper()) {
    TRows q = db_.Select(QStringLiteral("SELECT CDFILIAL, IDTIPOOPER, DSPERMISSAO, IDATIVO FROM "
                                        "OPERADOR WHERE CDOPERADOR = ?"),
                         {operador_});
    if (!q.Next() || q.Value(3).toString() != QLatin1String("S")) {
        throw EPlaError(QStringLiteral("Operador não cadastrado ou inativo."));
    }
    filial_ = q.Value(0).toString().trimmed();
    const QString tipo = q.Value(1).toString().trimmed();
    tipo_ = tipo.isEmpty() ? QLatin1Char('F') : tipo.at(0);
    permissoes_ = q.Value(2).toString();
}

bool TOperatorAccess::Permite(rpc::TAutorizacao autorizacao) const {
    const int index = rpc::Posicao(autorizacao);
    return index >= 0 && index < permissoes_.size() && permissoes_.at(index) == QLatin1Char('1');
}

bool TOperatorAccess::PodeAlterarFilial(const QString& filialDada, bool moduloPorFilial) const {
    const QString filial = Ajusta(filialDada.trimmed(), 4);
    if (filial_.isEmpty()) {
        return !moduloPorFilial;
    }
    if (filial == filial_) {
        return true;
    }
    if (moduloPorFilial) {
        return false;
    }
    const bool central =
        db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM PARAMPLANEJA WHERE CDFILIAL = ? AND "
                                  "CDFILCENTPME = ?"),
                   {filial, filial_})
            .toInt() > 0;
    if (central) {
        return true;
    }
    return db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO S JOIN OPERGRUPSERV G ON "
                                     "G.CDGRUPSERV = S.CDGRUPSERV WHERE S.CDFILIAL = ? AND "
                                     "G.CDOPERADOR = ?"),
                      {filial, operador_})
               .toInt() > 0;
}

bool TOperatorAccess::PodeMudarCardapio() const {
    using A = rpc::TAutorizacao;
    return Permite(A::IncluirPrato) || Permite(A::AlterarPrato) || Permite(A::ExcluirPrato) ||
           Permite(A::AlterarComEstDia) || Permite(A::AlterarComEstPrat);
}

void TOperatorAccess::ExigePermissao(const QList<rpc::TAutorizacao>& anyOf,
                                     const QString& what) const {
    for (const rpc::TAutorizacao a : anyOf) {
        if (Permite(a)) {
            return;
        }
    }
    throw EPlaError(QStringLiteral("Operador sem permissão para %1.").arg(what));
}

void TOperatorAccess::ExigeFilial(const QString& filial, bool moduloPorFilial) const {
    if (!PodeAlterarFilial(filial, moduloPorFilial)) {
        throw EPlaError(QStringLiteral("Operador sem acesso aos cardápios da filial %1.")
                            .arg(Ajusta(filial.trimmed(), 4)));
    }
}

} // namespace pla::server
