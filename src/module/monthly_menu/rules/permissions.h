#pragma once

#include "rpc/contracts.h"

#include <QChar>
#include <QVariantList>

namespace pla::module {

// What the operator may do on the open menu: the permission array (one "1" per
// allowed operation) read against the menu's own state. Every rule that names only an
// index means that element is "1" and the menu is not read-only.
struct TPermissoes {
    QVariantList Autorizacoes;
    bool SomenteLeitura = false;
    bool ExclusaoPelaGrade = false;  // the grid's own removal (a paste replacing a dish)
    bool AlteraComCardAprov = false; // IDALTCOMCARD: diners may change in an approved menu
    QChar TipoCardapio;              // "D", "N" or "S"

    using A = rpc::TAutorizacao;
    bool Indice(A autorizacao) const;
    bool Permite(A autorizacao) const { return Indice(autorizacao) && !SomenteLeitura; }

    bool incluirPrato() const { return Permite(A::IncluirPrato); }
    bool alterarPrato() const { return Permite(A::AlterarPrato); }
    bool excluirPrato() const {
        return (Indice(A::ExcluirPrato) || ExclusaoPelaGrade) && !SomenteLeitura;
    }
    bool alterarComEstDia() const;
    bool alterarComEstPrat() const { return Permite(A::AlterarComEstPrat); }
    bool analisarCustoRevRece() const { return Permite(A::AnalisarCustoRevRece); }
    bool excluirCardPeriodo() const { return Permite(A::ExcluirCardPeriodo); }
    bool importarCardDia() const { return Permite(A::ImportarCardDia); }
    bool copiarPratCom() const { return Permite(A::CopiarPratCom); }
    bool configurarCard() const { return Permite(A::ConfigurarCard); }
    bool importarTipoPrat() const { return Permite(A::ImportarTipoPrat); }
    bool atualizarDataRef() const { return Permite(A::AtualizarDataRef); }
    bool rankingPrat() const { return Permite(A::RankingPrat); }
    bool atualizarDataRefRec() const { return Permite(A::AtualizarDataRefRec); }
    bool InverterPrato() const { return Permite(A::InverterPrato); }
};

} // namespace pla::module
