#pragma once

#include "rpc/contracts.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariantList>

namespace pla::module {

// What the planner chose on the planning screen, handed to a monthly menu as one value.
struct TEscolhaPlanejamento {
    QString CdFilial;
    QString NmFilial;
    QString CdServico; // as typed; empty when the planner picks it on the monthly screen
    QDateTime DtMesCard;
    int TipoMontagem = 0;
    bool Arredondar = false;
    bool ExibeCusto = false;
    bool RefeCardapio = false;
    QDateTime DtRefeCusto;
    QString CdFiliCust;
    int TipoCustoPlanejado = 0; // cost type numbers
    int TipoCustoRealizado = 0;
    QString CdCardCiclo; // the cycle of the month verified last, if any
    QString NmCardCiclo;
};

// The planning screen as the monthly menu sees it: the choices, the connection it
// lends, and the month's validation.
class IPlanejamento {
public:
    virtual ~IPlanejamento() = default;

    virtual TEscolhaPlanejamento Escolha() const = 0;
    // A call of the planning server module through the lent connection.
    virtual QVariant Chamar(const QString& method, QList<rpc::TRpcArg>& args) = 0;
    virtual QVariant Chamar(const QString& method, const QVariantList& args) = 0;
    virtual void ValidaElaboracaoCardapio(const QString& cdFilial, const QString& cdServico,
                                          const QDate& dtMes, int montagem) = 0;
    // The last month generation's answer: [message key or text, general parameters].
    virtual const QVariantList& ResultadoGeracao() const = 0;
    // Back in front of the planner, when the last monthly menu it opened closes.
    virtual void Mostra() = 0;
};

// A declared method called through the lent connection, its arguments in order; for
// calls that read nothing back by reference.
inline QVariant Chama(IPlanejamento& planejamento, const rpc::TMethodSpec& metodo,
                      const QVariantList& valores) {
    QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, valores);
    return planejamento.Chamar(metodo.Name, args);
}

} // namespace pla::module
