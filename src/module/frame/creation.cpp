#include "creation.h"

#include "dialogs/log_int_card.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "module_state.h"
#include "planning/param_card_indu.h"

#include <QApplication>

namespace pla::module {

namespace {

bool planningScreenOpen() {
    for (QWidget* w : QApplication::allWidgets()) {
        if (qobject_cast<TfrmParamCardIndu*>(w)) {
            return true;
        }
    }
    return false;
}

} // namespace

void IniProc() {
    CriaElabCard();
}

void CriaElabCard() {
    host::THourglass busy;
    if (!planningScreenOpen() && !PlanejamentoCriado()) {
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

void CriaLogCardCiclo(const QString& cdFilial, const QString& nrLogCardCiclo) {
    host::THourglass busy;
    auto form = std::make_unique<TfrmLogIntCard>();
    frmLogIntCard = form.get();
    form->CdFilial = cdFilial;
    form->NrLogCardCiclo = nrLogCardCiclo;
    form->ShowModal();
}

} // namespace pla::module
