#include "core/dates.h"
#include "host/btn_pesquisa.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/lookup_dialog.h"
#include "host/mask_edit.h"
#include "host/modal_runner.h"
#include "host/radio_group.h"
#include "host/report_form.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/month_format.h"
#include "module/planning/param_card_indu.h"
#include "qt_print.h"
#include "screen_access.h"
#include "signed_in_host.h"
#include <QLabel>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::module;
using pla::host::mrNo;
using pla::host::mrYes;

namespace {

// The planning screen opened by a planner, over a copy of the demonstration data.
class Planning : public ::testing::TestWithParam<test::TEngine> {
protected:
    explicit Planning(const QString& op = "NUTRI1")
        : server_(GetParam(), Hoje())
        , host_(server_, op)
        , presenterScope_(presenter_) {
        CriaElabCard();
        f = frmParamCardIndu;
    }
    ~Planning() override {
        if (f) {
            f->close();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void set(const QString& branch, const QString& service, const QDate& month) {
        f->medCdFilial->setText(branch);
        f->medCdFilialExit();
        f->medCdServico->setText(service);
        host::RunHandler([this] { f->medCdServicoExit(); });
        f->depMesCard->SetDate(month);
    }
    // Runs the confirmation; the monthly screen it created, if any.
    TfrmCardMens* confirmOpens() {
        presenter_.Clear();
        formExtCardMens = nullptr;
        f->sbtConfirma->click();
        return qobject_cast<TfrmCardMens*>(formExtCardMens.data());
    }
    // Runs the confirmation as the button does; the last text shown.
    QString confirm() {
        presenter_.Clear();
        f->sbtConfirma->click();
        return presenter_.LastText();
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }

    const QDate month_ = PriDiaMes(Hoje());
    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    QPointer<TfrmParamCardIndu> f;
};

TEST_P(Planning, FirstActivationFillsTheScreenFromTheBranch) {
    ASSERT_TRUE(f);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(f->lblCodTela->text(), "PLA00100");
    EXPECT_EQ(f->windowTitle(), "Elaboração do Cardápio");
    EXPECT_EQ(f->medCdFilial->text(), "0001");
    EXPECT_EQ(f->edtNmFilial->text(), "Metalúrgica Paulista - Restaurante");
    EXPECT_EQ(f->depMesCard->Date(), month_);
    EXPECT_EQ(f->rdgMontagem->ItemIndex(), 0) << "IDPERCCOME C: diners";
    EXPECT_EQ(f->cbbTipoCust->currentText(), "06 - CUSTO MÉDIO");
    EXPECT_EQ(f->cbbTipoCustReal->currentText(), "48 - TABELA DE PREÇOS");
    EXPECT_EQ(f->cbbTipoCustReal->count(), f->cbbTipoCust->count());
    EXPECT_TRUE(f->chbShowCust->isChecked());
    EXPECT_TRUE(f->rbtRefer->isChecked()) << "IDEXIBECUSTO R";
    EXPECT_TRUE(f->rbtRefer->isEnabled() && f->rbtReferCard->isEnabled());
    EXPECT_TRUE(f->btnCriaCardCiclo->isEnabled());
    EXPECT_TRUE(f->medCdFilial->isEnabled() && f->grbCalcComBase->isEnabled());
    ASSERT_NE(host::Host().LocalCache("FERIFILI"), nullptr);
    ASSERT_NE(host::Host().LocalCache("PRATO"), nullptr);
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 0);
}

TEST_P(Planning, BranchExitPadsReloadsParametersAndReference) {
    // The hospital types percentages and has no rounding then.
    f->chbArredond->setChecked(true);
    f->medCdFilial->setText("3");
    f->medCdFilialExit();
    EXPECT_EQ(f->medCdFilial->text(), "0003");
    EXPECT_EQ(f->edtNmFilial->text(), "Hospital Santa Clara - Campinas");
    EXPECT_EQ(f->rdgMontagem->ItemIndex(), 1);
    EXPECT_FALSE(f->chbArredond->isChecked());
    EXPECT_FALSE(f->chbArredond->isEnabled());
    EXPECT_EQ(f->depRefer->Date(), month_.addDays(-1)) << "the month's planned-cost base date";

    f->medCdFilial->setText("9999");
    host::RunHandler([this] { f->medCdFilialExit(); });
    EXPECT_EQ(presenter_.LastText(), "Filial não cadastrada.");
    f->medCdServico->setText("00001");
    f->medCdFilial->setText("0001");
    EXPECT_TRUE(f->medCdServico->text().isEmpty()) << "a new branch clears the service";
}

TEST_P(Planning, PerBranchModuleFixesTheBranch) {
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    host::Host().ModuFili = true;
    CriaElabCard();
    f = frmParamCardIndu;
    EXPECT_FALSE(f->medCdFilial->isEnabled());
    EXPECT_FALSE(f->btpFilial->isEnabled());
    EXPECT_FALSE(f->grbCalcComBase->isEnabled());
    EXPECT_FALSE(f->medCdFiliCust->isEnabled());
    EXPECT_FALSE(f->btnCriaCardCiclo->isEnabled());
    host::Host().ModuFili = false;
}

TEST_P(Planning, MontageAndCostOptions) {
    f->rdgMontagem->Button(1)->click();
    EXPECT_FALSE(f->chbArredond->isEnabled());
    f->rdgMontagem->Button(0)->click();
    EXPECT_TRUE(f->chbArredond->isEnabled());
    f->chbArredond->setChecked(true);
    f->rdgMontagem->Button(1)->click();
    EXPECT_FALSE(f->chbArredond->isChecked()) << "montage 1 clears rounding";

    f->chbShowCust->click(); // off
    EXPECT_FALSE(f->rbtRefer->isEnabled());
    EXPECT_FALSE(f->depRefer->isEnabled());
    EXPECT_FALSE(f->rbtReferCard->isEnabled());
    f->depRefer->Clear();
    f->chbShowCust->click(); // on again: an empty reference date becomes today
    EXPECT_TRUE(f->depRefer->isEnabled());
    EXPECT_EQ(f->depRefer->Date(), Hoje());
    f->rbtReferCard->click();
    EXPECT_FALSE(f->depRefer->isEnabled());
    f->rbtRefer->click();
    EXPECT_TRUE(f->depRefer->isEnabled());
}

TEST_P(Planning, ReferenceDateFollowsTheMonth) {
    f->depMesCard->SetDate(month_.addMonths(1));
    EXPECT_EQ(f->depRefer->Date(), month_.addMonths(1).addDays(-1));
    f->depMesCard->SetDate(month_.addMonths(6)); // no base date for it
    EXPECT_EQ(f->depRefer->Date(), Hoje());
    f->depMesCard->SetDate(month_.addMonths(-1));
    f->depMesCardExit();
    EXPECT_EQ(f->depRefer->Date(), month_.addMonths(-1).addDays(-1));
}

TEST_P(Planning, ConfirmationChecksInOrder) {
    f->medCdFilial->clear();
    EXPECT_EQ(confirm(), "Filial deve ser informada.");
    f->medCdFilial->setText("9999");
    EXPECT_EQ(confirm(), "Filial não cadastrada.");
    server_.Db().Exec("UPDATE FILIAL SET IDCNTRRESC = 'S' WHERE CDFILIAL = '0002'");
    f->medCdFilial->setText("2");
    EXPECT_EQ(confirm(), "Filial com contrato rescindido.");
    EXPECT_EQ(f->medCdFilial->text(), "0002");

    set("0001", "77", month_);
    EXPECT_EQ(confirm(), "Serviço não cadastrado.");
    EXPECT_EQ(f->medCdServico->text(), "00077");
    f->medCdServico->setText("1");
    f->medCdFiliCust->setText("1");
    EXPECT_EQ(confirm(), "Filial para cálculo de custo deve ser diferente da filial do cardápio.");
    f->medCdFiliCust->setText("0055");
    EXPECT_EQ(confirm(), "Filial não cadastrada.");
    f->medCdFiliCust->setText("0002");
    f->depMesCard->Clear();
    EXPECT_TRUE(f->depMesCard->IsEmpty()) << f->depMesCard->date().toString().toStdString();
    EXPECT_EQ(confirm(), "Mês de referência do cardápio deve ser informado.");
    EXPECT_EQ(f->edtNmFiliCust->text(), "Cozinha Central São Paulo") << "the typed branch's name";
    f->depMesCard->SetDate(QDate(2100, 1, 1));
    EXPECT_EQ(confirm(), "Mês de referência deve estar entre 01/1900 e 12/2099.");
    f->depMesCard->SetDate(QDate(1899, 12, 1));
    EXPECT_EQ(confirm(), "Mês de referência deve estar entre 01/1900 e 12/2099.");
    f->depMesCard->SetDate(month_);
    f->rdgMontagem->SetItemIndex(-1);
    EXPECT_EQ(confirm(), "Tipo de montagem do cardápio deve ser informado.");
    f->rdgMontagem->SetItemIndex(0);
    f->cbbTipoCust->setCurrentIndex(-1);
    EXPECT_EQ(confirm(), "Tipo de custo deve ser informado.");
    f->cbbTipoCust->setCurrentIndex(1);
    f->cbbTipoCustReal->setCurrentIndex(-1);
    EXPECT_EQ(confirm(), "Tipo de custo realizado deve ser informado.");
    f->cbbTipoCustReal->setCurrentIndex(2);
    f->rbtRefer->setChecked(true);
    f->depRefer->Clear();
    EXPECT_EQ(confirm(), "Data de referência deve ser informada.");
    f->rbtReferCard->setChecked(true);
    TfrmCardMens* screen = confirmOpens();
    ASSERT_NE(screen, nullptr) << presenter_.Texts().join(" | ").toStdString()
                               << " (a reference date is only needed for costs at it)";
    EXPECT_EQ(screen->Cardapio().CdServico, "00001");
    ASSERT_EQ(f->ResultadoGeracao().size(), 2);
    EXPECT_EQ(f->ResultadoGeracao()[0].toString(), "");
    EXPECT_EQ(ToDataPacket(f->ResultadoGeracao()[1]).Rows.size(), 1);
}

TEST_P(Planning, ConfirmingWithoutServiceNeedsNoGeneration) {
    set("0001", "", month_);
    TfrmCardMens* screen = confirmOpens();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(f->ResultadoGeracao()[0].isNull());
    EXPECT_TRUE(screen->Cardapio().CdServico.isEmpty());
    EXPECT_TRUE(Child<QWidget>(screen, QStringLiteral("panServico"))->isVisibleTo(screen))
        << "the planner picks the service";
}

TEST_P(Planning, GenerationKeysShowTheirTexts) {
    set("0001", "00001", month_.addMonths(3)); // no standard cost for it
    EXPECT_EQ(confirm(), "Serviço não possui custo padrão cadastrado.");
    EXPECT_EQ(f->ResultadoGeracao()[0].toString(), "CUSTPADR");
    set("0001", "00001", month_.addMonths(-3)); // long past, no days
    EXPECT_EQ(confirm(), "Não há cardápio para o mês de referência informado.");
    // A text that is no key of the catalogue is shown as it came.
    host::Host().ModuFili = true;
    set("0003", "00001", month_);
    EXPECT_EQ(confirm(), "Operador sem acesso aos cardápios da filial 0003.");
    host::Host().ModuFili = false;
}

TEST_P(Planning, ServiceLookupAndValidation) {
    f->medCdServico->setText("2");
    f->medCdServicoExit();
    EXPECT_EQ(f->medCdServico->text(), "00002");
    EXPECT_EQ(f->edtNmServico->text(), "Jantar");
    f->depMesCard->SetDate(month_.addMonths(2));
    f->medCdServicoExit(); // the same service again keeps the month
    EXPECT_EQ(f->depMesCard->Date(), month_.addMonths(2));
    f->medCdServico->setText("00003");
    f->medCdServicoExit(); // another service: back to this month
    EXPECT_EQ(f->depMesCard->Date(), month_);

    QStringList listed;
    {
        host::TModalRunner::TScope script([&listed](QDialog& d) {
            auto* view = d.findChild<QTableView*>();
            for (int r = 0; r < view->model()->rowCount(); ++r) {
                listed << view->model()->index(r, 0).data().toString();
            }
            view->setCurrentIndex(view->model()->index(1, 0));
            return int(QDialog::Accepted);
        });
        f->btpServico->click();
    }
    EXPECT_EQ(listed, (QStringList{"00001", "00002", "00003"}));
    EXPECT_EQ(f->medCdServico->text(), "00002");
    EXPECT_EQ(f->edtNmServico->text(), "Jantar");
}

TEST_P(Planning, MonthListInTheDerivedFormat) {
    f->medCdServico->setText("00001");
    QStringList months;
    QStringList names;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* view = d.findChild<QTableView*>();
            for (int r = 0; r < view->model()->rowCount(); ++r) {
                months << view->model()->index(r, 0).data().toString();
                names << view->model()->index(r, 1).data().toString();
            }
            view->setCurrentIndex(view->model()->index(2, 0));
            return int(QDialog::Accepted);
        });
        f->btpMes->click();
    }
    ASSERT_EQ(months.size(), 3);
    const QDate previous = month_.addMonths(-1);
    EXPECT_EQ(months[0],
              QString("%1/%2").arg(previous.month(), 2, 10, QChar('0')).arg(previous.year()))
        << "the application's dd/mm/yyyy, whatever the system's locale";
    EXPECT_EQ(names[1], FormatDateTime("mmmm", month_));
    EXPECT_EQ(f->depMesCard->Date(), month_.addMonths(1));

    // A service without menus has no list.
    server_.Db().Exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', "
                      "'00009', 'Ceia')");
    f->medCdServico->setText("00009");
    presenter_.Clear();
    f->btpMes->click();
    EXPECT_EQ(presenter_.LastText(), "Não há cardápio cadastrado.");
}

TEST_P(Planning, CostBranchLookupLeavesOutTheMenuBranch) {
    QStringList listed;
    {
        host::TModalRunner::TScope script([&listed](QDialog& d) {
            auto* view = d.findChild<QTableView*>();
            for (int r = 0; r < view->model()->rowCount(); ++r) {
                listed << view->model()->index(r, 0).data().toString();
            }
            view->setCurrentIndex(view->model()->index(0, 0));
            return int(QDialog::Accepted);
        });
        f->btnPesqFiliCust->click();
    }
    EXPECT_EQ(listed, (QStringList{"0002", "0003", "0004"}));
    EXPECT_EQ(f->medCdFiliCust->text(), "0002");
    EXPECT_EQ(f->edtNmFiliCust->text(), "Cozinha Central São Paulo");
    f->medCdFiliCust->setText("0003");
    EXPECT_TRUE(f->edtNmFiliCust->text().isEmpty()) << "a change clears the name";
}

TEST_P(Planning, TabLeavesTheBranchAsTheExitDoes) {
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->medCdFilial->setFocus();
    f->medCdFilial->clear();
    QTest::keyClicks(f->medCdFilial, "4");
    QTest::keyClick(f->medCdFilial, Qt::Key_Tab);
    EXPECT_EQ(f->medCdFilial->text(), "0004");
    EXPECT_EQ(f->edtNmFilial->text(), "Escolas Municipais Sorocaba");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();

    // A wrong service keeps the focus where it is.
    QTest::keyClicks(f->medCdServico, "88");
    QTest::keyClick(f->medCdServico, Qt::Key_Tab);
    EXPECT_EQ(presenter_.LastText(), "Serviço não cadastrado.");
    EXPECT_TRUE(f->medCdServico->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(Engines, Planning,
                         ::testing::Values(test::TEngine::SQLite, test::TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

// The school network's group operator, who updates months from the cycle.
class Cycles : public Planning {
protected:
    Cycles()
        : Planning("GRUPO1") {}

    int days(const QDate& month) {
        return count("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0004' AND CDSERVFILI = "
                     "'00001' AND DTMESCARD = ?",
                     {DataHora(month)});
    }
};

TEST_P(Cycles, TheCurrentMonthCannotBeUpdated) {
    set("0004", "00001", month_);
    f->btnCriaCardCiclo->click();
    EXPECT_EQ(presenter_.LastText(),
              "Mês do cardápio para atualização deve ser maior que o mês atual.");
    set("0004", "", month_.addMonths(1));
    presenter_.Clear();
    f->btnCriaCardCiclo->click();
    EXPECT_EQ(presenter_.LastText(), "Serviço deve ser informado.") << "required here";
}

TEST_P(Cycles, DecliningLeavesTheMonthAlone) {
    const QDate later = month_.addMonths(2);
    set("0004", "00001", later);
    presenter_.Answer(mrNo);
    f->btnCriaCardCiclo->click();
    EXPECT_EQ(presenter_.LastText(), "O cardápio será atualizado considerando o ciclo do "
                                     "cardápio ativo no período. Confirma operação?");
    EXPECT_EQ(days(later), 0);
}

TEST_P(Cycles, RestrictionsOfferTheLog) {
    const QDate next = month_.addMonths(1);
    server_.Db().Exec("UPDATE PRATO SET IDATIVO = 'N' WHERE CDPRATO IN (SELECT CDPRATO FROM "
                      "CARDCICLODIA WHERE NRDIACICLO = 2)");
    set("0004", "00001", next);
    presenter_.Answer(mrYes); // update
    presenter_.Answer(mrYes); // see the log
    QString reportParams;
    {
        host::TModalRunner::TScope script([&reportParams](QDialog& d) {
            if (auto* r = d.findChild<host::TfrmDadosGerRel*>()) {
                const auto p = r->QueryParams();
                reportParams =
                    p.value("P_CDFILIAL").toString() + "/" + p.value("P_NRLOGCARDCICLO").toString();
            }
            return int(QDialog::Rejected);
        });
        f->btnCriaCardCiclo->click();
    }
    EXPECT_EQ(presenter_.Texts().value(1),
              "Cardápio atualizado com restrições. Deseja visualizar?");
    EXPECT_EQ(reportParams, "0004/0000000002");
    EXPECT_GT(days(next), 15);
}

TEST_P(Cycles, ValidationOffersTheCycleAndAlwaysGenerates) {
    const QDate later = month_.addMonths(2);
    server_.Db().Exec("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, VRCUSTPADR, "
                      "VRCONSPERC) VALUES ('0004', '00001', ?, 4.2, 0.3)",
                      {DataHora(later)});
    set("0004", "00001", later);
    presenter_.Answer(mrNo); // not from the cycle
    EXPECT_NE(confirmOpens(), nullptr);
    EXPECT_EQ(presenter_.Texts().value(0),
              "Cardápio será criado utilizando o ciclo CIC01 - Ciclo escolar de quatro semanas. "
              "Confirma?");
    EXPECT_EQ(days(later), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0004' AND CDSERVFILI = "
                    "'00001' AND DTREFECNFMES = ?",
                    {DataHora(later)}),
              6)
        << "declining the cycle still generates the month";

    presenter_.Answer(mrYes); // from the cycle
    presenter_.Answer(mrNo);  // no log, if there are restrictions
    confirm();
    EXPECT_GT(days(later), 15);

    // The current month is not offered.
    set("0004", "00001", month_);
    EXPECT_NE(confirmOpens(), nullptr);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, Cycles, ::testing::Values(test::TEngine::SQLite),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
