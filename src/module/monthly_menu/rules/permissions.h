#pragma once

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

    bool Indice(int index) const;
    bool Permite(int index) const { return Indice(index) && !SomenteLeitura; }

    bool incluirPrato() const { return Permite(0); }
    bool alterarPrato() const { return Permite(1); }
    bool excluirPrato() const { return (Indice(2) || ExclusaoPelaGrade) && !SomenteLeitura; }
    bool alterarComEstDia() const;
    bool alterarComEstPrat() const { return Permite(4); }
    bool analisarCustoRevRece() const { return Permite(6); }
    bool excluirCardPeriodo() const { return Permite(7); }
    bool importarCardDia() const { return Permite(8); }
    bool copiarPratCom() const { return Permite(9); }
    bool configurarCard() const { return Permite(10); }
    bool importarTipoPrat() const { return Permite(11); }
    bool atualizarDataRef() const { return Permite(12); }
    bool rankingPrat() const { return Permite(13); }
    bool atualizarDataRefRec() const { return Permite(14); }
    bool InverterPrato() const { return Permite(15); }
};

} // namespace pla::module
