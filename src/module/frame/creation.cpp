#include "creation.h"

#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/number_edit.h"
#include "module/dialogs/log_int_card.h"
#include "module/diet_diners/atu_comens_dieta.h"
#include "module/equivalents/subs_prato_equi.h"
#include "module/menu_copy/copi_rece.h"
#include "module/menu_export/exportar_cardapio.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "module/shift_diners/card_turn.h"
#include "module_state.h"

namespace pla::module {

void IniProc() {
    CriaElabCard();
}

void CriaElabCard() {
    host::THourglass busy;
    if (!frmParamCardIndu && !PlanejamentoCriado()) {
        frmParamCardIndu = new TfrmParamCardIndu();
        frmParamCardIndu->setAttribute(Qt::WA_DeleteOnClose, false);
        SetPlanejamentoCriado(true);
    }
    if (frmParamCardIndu) {
        host::Host().ShowChild(frmParamCardIndu);
        host::THostContext::SetWindowState(frmParamCardIndu, Qt::WindowNoState);
        frmParamCardIndu->raise();
    }
}

namespace {

TfrmParamCardIndu& planejamentoAberto() {
    TfrmParamCardIndu* planning = frmParamCardIndu;
    if (!planning) {
        throw EPlaError(QStringLiteral("A tela de elaboração do cardápio não está aberta."));
    }
    return *planning;
}

// The planning connection stays open for the life of the scope, also on a failure.
class TPlanejamentoConectado {
public:
    explicit TPlanejamentoConectado(TfrmParamCardIndu& p)
        : planning_(p) {
        planning_.ConnectServer(*planning_.netParamCardIndu, true);
    }
    ~TPlanejamentoConectado() {
        try {
            planning_.ConnectServer(*planning_.netParamCardIndu, false);
        } catch (...) {
            // Disconnecting closes a transport; nothing to report from here.
        }
    }
    TPlanejamentoConectado(const TPlanejamentoConectado&) = delete;
    TPlanejamentoConectado& operator=(const TPlanejamentoConectado&) = delete;

private:
    TfrmParamCardIndu& planning_;
};

} // namespace

void CriaCardMens() {
    host::THourglass busy;
    TfrmParamCardIndu& planning = planejamentoAberto();
    TPlanejamentoConectado connected(planning);
    auto screen = std::make_unique<TfrmCardMens>();
    screen->Iniciar(planning.Escolha());
    formExtCardMens = screen.get();
    host::Host().ShowChild(screen.release());
}

void CriaLogCardCiclo(const QString& cdFilial, const QString& nrLogCardCiclo) {
    host::THourglass busy;
    auto form = std::make_unique<TfrmLogIntCard>();
    frmLogIntCard = form.get();
    form->CdFilial = cdFilial;
    form->NrLogCardCiclo = nrLogCardCiclo;
    form->ShowModal();
}

TResultadoCardTurn CriaCardTurn(TCardapioMensal& cardapio, const QDate& dia, double total) {
    auto form = std::make_unique<TfrmCardTurn>(cardapio, dia);
    frmCardTurn = form.get();
    form->nedTotal->SetValue(total);
    TResultadoCardTurn r;
    r.Confirmado = form->ShowModal() == host::mrOk;
    r.CardaDiaExiste = form->CardaDiaExiste;
    r.Total = form->nedTotal->Value();
    return r;
}

void CriaExportRece(TCardapioMensal& cardapio, const TParametrosCopia& parametros) {
    auto form = std::make_unique<TfrmCopiRece>(cardapio, parametros);
    frmCopiRece = form.get();
    form->ShowModal();
}

void CriaExportarCardapio(const QString& cdFilial, const QString& nmFilial,
                          const QString& cdServico, const QString& nmServico,
                          const QDateTime& mes) {
    TfrmParamCardIndu& planning = planejamentoAberto();
    TPlanejamentoConectado connected(planning);
    std::unique_ptr<TfrmExportarCardapio> form;
    {
        host::THourglass busy;
        form = std::make_unique<TfrmExportarCardapio>(planning, cdFilial, nmFilial, cdServico,
                                                      nmServico, mes.date());
        frmExportarCardapio = form.get();
    }
    form->ShowModal();
}

bool CriaSubsPratoEqui(const QString& cdFilial, const QString& cdServico, const QDateTime& mes,
                       const QString& tipoCusto, const QString& refeCardapio,
                       const QDateTime& dtRefeCusto, const QString& tipoQuantidade,
                       const QString& arredondar, const QDateTime& dataLimite) {
    std::unique_ptr<TfrmSubsPratoEqui> form;
    {
        host::THourglass busy;
        form = std::make_unique<TfrmSubsPratoEqui>();
        form->CdFilial = cdFilial;
        form->CdServico = cdServico;
        form->Mes = mes;
        form->TipoCusto = tipoCusto;
        form->RefeCardapio = refeCardapio;
        form->DtRefeCusto = dtRefeCusto;
        form->TipoQuantidade = tipoQuantidade;
        form->Arredondar = arredondar;
        form->DataLimite = dataLimite;
        form->Carrega();
    }
    form->ShowModal();
    return form->ModalResult() == host::mrOk;
}

void criaAtuComensDieta(const QString& cdServFili, const QString& nmServico, const QDateTime& data,
                        TCardapioMensal* cardapio) {
    host::THourglass busy;
    if (!cardapio) {
        if (auto* last = qobject_cast<TfrmCardMens*>(formExtCardMens.data())) {
            cardapio = &last->Cardapio();
        }
    }
    if (!cardapio) {
        throw EPlaError(QStringLiteral("Nenhum cardápio mensal está aberto."));
    }
    stCdServico = cdServFili;
    stNmServico = nmServico;
    dtDataCardapio = data;
    std::unique_ptr<TfrmAtuComensDieta> created;
    if (!boIdCriado || !frmAtuComensDieta) {
        created = std::make_unique<TfrmAtuComensDieta>();
        frmAtuComensDieta = created.get();
        boIdCriado = true;
    }
    frmAtuComensDieta->SetCardapio(*cardapio);
    frmAtuComensDieta->ShowModal();
    boIdCriado = false; // released with its run, however it closed
}

} // namespace pla::module
