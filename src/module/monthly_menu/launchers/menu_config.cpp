// Handing the open month to the configuration of its dish positions (PLA00119), which
// writes on the server at once: whatever is pending is saved first.
#include "host/host_context.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

namespace pla::module {

using namespace pla::host;

bool TCardapioMensal::ConfiguraCardapio(const std::function<void()>& recarrega) {
    DesabilitaAnaliCor();
    if (CdServico.isEmpty() || !Comandos().Config) {
        return false;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    UpdCacheOnSrv();
    emit comandosAlterados();
    Host().LoadBPL(QStringLiteral("PLA00119"), QVariantList{CdFilial, CdServico, DtMesCard});
    recarregaPosicoes(recarrega);
    return true;
}

} // namespace pla::module
