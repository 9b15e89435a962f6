#include "module_state.h"

#include "decision_cube_capacity.h"
#include "module/dialogs/log_int_card.h"
#include "module/diet_diners/atu_comens_dieta.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "module/shift_diners/card_turn.h"

namespace pla::module {

QPointer<TfrmParamCardIndu> frmParamCardIndu;
QPointer<TfrmLogIntCard> frmLogIntCard;
QPointer<QWidget> formExtCardMens;
QPointer<TfrmCardTurn> frmCardTurn;
QPointer<TfrmCopiRece> frmCopiRece;
QPointer<TfrmExportarCardapio> frmExportarCardapio;
QPointer<TfrmAtuComensDieta> frmAtuComensDieta;
QString stCdServico;
QString stNmServico;
QString stNrCardapio;
QDateTime dtDataCardapio;
bool boIdCriado = false;
bool boExcluiCardapio = false;

namespace {
bool planejamentoCriado = false;

QList<QPointer<TfrmCardMens>>& cardapios() {
    static QList<QPointer<TfrmCardMens>> open;
    return open;
}
} // namespace

IPlanejamento* PlanejamentoAtual() {
    return frmParamCardIndu.data();
}

void RegistraCardapioMensal(TfrmCardMens* screen) {
    cardapios().append(screen);
}

void RemoveCardapioMensal(TfrmCardMens* screen) {
    cardapios().removeIf([screen](const QPointer<TfrmCardMens>& p) { return !p || p == screen; });
}

QList<TfrmCardMens*> CardapiosMensais() {
    QList<TfrmCardMens*> out;
    for (const QPointer<TfrmCardMens>& p : cardapios()) {
        if (p) {
            out.append(p.data());
        }
    }
    return out;
}

bool PlanejamentoCriado() {
    return planejamentoCriado;
}

void SetPlanejamentoCriado(bool created) {
    planejamentoCriado = created;
}

void InitializeUnits() {
    // In the units' order: the planning screen, the diet diners screen, the pivot
    // engine's capacity.
    planejamentoCriado = false;
    boIdCriado = false;
    const TMemoryStatus m = GlobalMemoryStatus();
    SetMemoryCapacity(DecisionCubeCapacity(m.AvailablePhysical, m.AvailablePageFile));
}

void FinalizeUnits() {
    // In reverse order; only the diet diners unit has work.
    stNmServico.clear();
    stNrCardapio.clear();
    stCdServico.clear();
}

} // namespace pla::module
