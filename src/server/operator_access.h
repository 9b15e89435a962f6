#pragma once

#include "rpc/contracts.h"

#include "server/db_layer.h"

#include <QChar>
#include <QString>

namespace pla::server {

// What the signed-in operator may do, read once per call from the operator's record:
// the permissions (positions of DSPERMISSAO, "1" allowed) and the branches whose menus
// the operator may change. Refusals raise EPlaError with the planner's text.
class TOperatorAccess {
public:
    TOperatorAccess(TDatabase& db, const QString& operador);

    const QString& Operador() const { return operador_; }
    const QString& Filial() const { return filial_; } // empty: the head office's, of all
    QChar Tipo() const { return tipo_; }
    bool Permite(rpc::TAutorizacao autorizacao) const;
    // Some change to a menu's dishes or diners.
    bool PodeMudarCardapio() const;

    // An operator of a branch changes that branch's menus, those of the branches whose
    // central kitchen it is (CDFILCENTPME) and those of the service groups it belongs
    // to; one without a branch changes every branch. The module-per-branch flag of a
    // call narrows it to the operator's own branch; it never widens it.
    bool PodeAlterarFilial(const QString& filial, bool moduloPorFilial = false) const;

    // "Operador sem permissão para <what>." unless one of the positions is allowed.
    void ExigePermissao(const QList<rpc::TAutorizacao>& anyOf, const QString& what) const;
    // "Operador sem acesso aos cardápios da filial <filial>." unless it may change it.
    void ExigeFilial(const QString& filial, bool moduloPorFilial = false) const;

private:
    TDatabase& db_;
    QString operador_;
    QString filial_;
    QChar tipo_;
    QString permissoes_;
};

} // namespace pla::server
