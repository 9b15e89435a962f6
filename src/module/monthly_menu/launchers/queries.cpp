// Handing the open month to the screens that look at it from elsewhere: the nutrients
// of the current cell's day, the dish types brought from another month or service (which
// writes on the server, so the month is read again), and the branch's history.
#include "core/dates.h"
#include "core/reference.h"
#include "host/host_context.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

namespace pla::module {

using namespace pla::host;

void TCardapioMensal::ConsultaNutrientes() {
    DesabilitaAnaliCor();
    if (!Comandos().Nutrientes || !GravaAntesDeLancar()) {
        return;
    }
    // The dish's name without its origin mark; an empty cell passes empty texts.
    const std::optional<TDishLine> entry = EntradaCelula();
    const QString cdPrato = entry ? entry->Code.trimmed() : QString();
    const QString nmPrato = entry ? entry->Name.mid(1).trimmed() : QString();
    Host().LoadBPL(QStringLiteral("PLA00105"),
                   QVariantList{CdFilial, CdServico, QString::fromLatin1(rpc::TodosNutrientes),
                                DataHora(DataCard()), cdPrato, nmPrato});
    emit gradeAlterada();
}

bool TCardapioMensal::ImportaTiposPrato(const std::function<void()>& recarrega) {
    DesabilitaAnaliCor();
    if (CdServico.isEmpty() || !Comandos().ImpTP) {
        return false;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    UpdCacheOnSrv();
    emit comandosAlterados(); // nothing pending: confirm and cancel go off
    const TReference importou(false);
    Host().LoadBPL(QStringLiteral("PLA00121"),
                   QVariantList{CdFilial, CdServico, DtMesCard, importou.AsVariant()});
    if (!importou.Get().toBool()) {
        return false;
    }
    recarregaPosicoes(recarrega);
    return true;
}

void TCardapioMensal::recarregaPosicoes(const std::function<void()>& recarrega) {
    // The month changed on the server: whatever fails while it is read again, the costs
    // shown are no longer its costs.
    try {
        if (recarrega) {
            recarrega();
        }
        RecalculaOuAvisa();
    } catch (...) {
        ExibeAvisoRecalc();
        throw;
    }
}

void TCardapioMensal::HistoricoFilial() {
    DesabilitaAnaliCor();
    const IPlanejamento* planejamento = Planejamento();
    const QString filial = planejamento ? planejamento->Escolha().CdFilial.trimmed() : CdFilial;
    Host().LoadBPL(QStringLiteral("PLA08800"), QVariantList{filial.isEmpty() ? CdFilial : filial});
}

} // namespace pla::module
