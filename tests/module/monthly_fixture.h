#pragma once

#include "core/dates.h"
#include "core/format_settings.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "screen_access.h"
#include "signed_in_host.h"

#include <QApplication>
#include <QPointer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace pla::test {

using namespace pla::module;

// Monthly menu screens opened from the planning screen, over the demonstration data.
class TMonthlyScreenTest : public ::testing::Test {
protected:
    explicit TMonthlyScreenTest(const QString& op = "NUTRI1")
        : server_(test::TEngine::SQLite, Hoje())
        , host_(server_, op)
        , presenterScope_(presenter_)
        , ptBr_(TFormatSettings::PtBr()) {
        CriaElabCard();
        planning_ = frmParamCardIndu;
    }
    ~TMonthlyScreenTest() override {
        // Nothing left to ask about, and nothing left over for the next test.
        for (TfrmCardMens* s : screens()) {
            s->Cardapio().cdsCompCardCache->CancelUpdates();
            s->Cardapio().cdsCardaDia->CancelUpdates();
        }
        if (planning_) {
            planning_->close();
        }
        settle();
        for (TfrmCardMens* s : screens()) {
            delete s;
        }
        delete planning_.data();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    TfrmCardMens* open(const QString& branch, const QString& service, const QDate& month) {
        planning_->medCdFilial->setText(branch);
        host::RunHandler([this] { planning_->medCdFilialExit(); });
        planning_->medCdServico->setText(service);
        host::RunHandler([this] { planning_->medCdServicoExit(); });
        planning_->depMesCard->SetDate(month);
        formExtCardMens = nullptr;
        presenter_.Clear();
        planning_->sbtConfirma->click();
        return qobject_cast<TfrmCardMens*>(formExtCardMens.data());
    }
    QList<TfrmCardMens*> screens() const {
        QList<TfrmCardMens*> out;
        for (TfrmCardMens* s : CardapiosMensais()) {
            if (!s->Cardapio().Fechando) {
                out << s;
            }
        }
        return out;
    }
    // The text of the grid cell of a day and dish-type label.
    static QString cell(TfrmCardMens* s, const QDate& day, const QString& type,
                        int role = Qt::DisplayRole) {
        const auto [row, col] = GridModel(s)->Pivot().Position(day, type);
        return GridModel(s)->index(row, col).data(role).toString();
    }
    QString firstDishType(TfrmCardMens* s) { return GridModel(s)->Pivot().Types().first(); }

    const QDate month_ = PriDiaMes(Hoje());
    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    TFormatSettingsScope ptBr_;
    QPointer<TfrmParamCardIndu> planning_;
};

} // namespace pla::test
