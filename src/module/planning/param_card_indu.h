#pragma once

#include "core/mem_row.h"
#include "core/mem_table.h"
#include "host/base_forms.h"
#include "host/cost_types.h"
#include "planejamento.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QVariantList>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pla::host {
class TBtnPesquisa;
class TDateEdit;
class THostQuery;
class TMaskEdit;
class TRadioGroup;
} // namespace pla::host

namespace pla::module {

// The planning parameters screen (PLA00100): branch, service, month, montage mode,
// cost types and cost options of the menu to elaborate; it owns the connection to
// the planning server module that the other screens borrow, with its reference
// count, and updates months from menu cycles.
class TfrmParamCardIndu : public host::TfrmRotiGeral, public IPlanejamento {
    Q_OBJECT

public:
    explicit TfrmParamCardIndu(QWidget* parent = nullptr);
    ~TfrmParamCardIndu() override;

    // Controls.
    QLabel* lblFilial = nullptr;
    host::TMaskEdit* medCdFilial = nullptr;
    host::TBtnPesquisa* btpFilial = nullptr;
    QLineEdit* edtNmFilial = nullptr;
    host::TMaskEdit* medCdServico = nullptr;
    host::TBtnPesquisa* btpServico = nullptr;
    QLineEdit* edtNmServico = nullptr;
    QGroupBox* grbData = nullptr;
    host::TDateEdit* depMesCard = nullptr;
    host::TBtnPesquisa* btpMes = nullptr;
    host::TRadioGroup* rdgMontagem = nullptr;
    QGroupBox* grbArredond = nullptr;
    QCheckBox* chbArredond = nullptr;
    QComboBox* cbbTipoCust = nullptr;
    QComboBox* cbbTipoCustReal = nullptr;
    QCheckBox* chbShowCust = nullptr;
    QRadioButton* rbtReferCard = nullptr;
    QRadioButton* rbtRefer = nullptr;
    host::TDateEdit* depRefer = nullptr;
    QGroupBox* grbCalcComBase = nullptr;
    QLabel* lblFiliCust = nullptr;
    host::TMaskEdit* medCdFiliCust = nullptr;
    QLineEdit* edtNmFiliCust = nullptr;
    host::TBtnPesquisa* btnPesqFiliCust = nullptr;
    QPushButton* btnCriaCardCiclo = nullptr;

    // Tables and queries.
    TMemTable* cdsParamPlaneja = nullptr;
    TMemTable* cdsMesCard = nullptr;
    TMemTable* cdsDtReferencia = nullptr;
    TMemTable* cdsVerifCiclo = nullptr;
    host::THostQuery* qryFilial = nullptr;
    host::THostQuery* qryServico = nullptr;
    host::THostQuery* qryFiliCust = nullptr;

    // The connections this screen owns, and the count every screen connects through.
    rpc::TNetConnection* netParamCardIndu = nullptr;
    rpc::TNetConnection* netCustProd = nullptr;
    void ConnectServer(rpc::TNetConnection& connection, bool connect);
    int ConnectionCount(const rpc::TNetConnection& connection) const;
    // A call of the planning server module through this screen's connection and count,
    // for every screen that borrows it.
    QVariant Chamar(const QString& method, QList<rpc::TRpcArg>& args) override;
    QVariant Chamar(const QString& method, const QVariantList& args) override;
    // The planner's choices as one value, for the monthly menus.
    TEscolhaPlanejamento Escolha() const override;
    void Mostra() override;

    // The last month generation's answer: [message key or text, general parameters].
    const QVariantList& ResultadoGeracao() const override { return resultadoGeracao_; }
    const QString& TipoCustoPlanejado() const { return tipoCustPla_; }
    const QString& TipoCustoRealizado() const { return tipoCustRea_; }
    const host::TCostTypeList& TiposCusto() const { return costTypes_; }
    static const QDate DtMesMin;
    static const QDate DtMesMax;

    // Handlers, as the planner's actions raise them.
    void medCdFilialChange();
    void medCdFilialExit();
    void btpFilialBeforePesq(bool& cancel);
    void btpFilialAfterPesq();
    void medCdServicoChange();
    void medCdServicoExit();
    void btpServicoBeforePesq(bool& cancel);
    void btpServicoAfterPesq();
    void btpMesBeforePesq(bool& cancel);
    void btpMesAfterPesq();
    void cdsMesCardCalcFields(TCalcRow& row);
    void depMesCardExit();
    void depMesCardDateChange();
    void grbDataExit();
    void chbShowCustClick();
    void rbtReferClick();
    void depReferExit();
    void rdgMontagemClick();
    void medCdFiliCustChange();
    void medCdFiliCustExit();
    void btnPesqFiliCustBeforePesq(bool& cancel);
    void btnPesqFiliCustAfterPesq();
    void btnCriaCardCicloClick();
    void sbtConfirmaClick() override;

    void GetParamPlaneja(const QString& cdFilial);
    void Vd_CdServFili(bool required);
    void ValidaElaboracaoCardapio(const QString& cdFilial, const QString& cdServico,
                                  const QDate& dtMes, int montagem) override;

protected:
    void FormActivate(bool first) override;
    void FormClose(host::TCloseAction& action) override;

private:
    void exigeOperador();
    void buildControls();
    void buildQueries();
    void connectHandlers();
    void referenceDate(bool onExit);
    void checkMonth();
    // A catalogue text with its "%s" filled in order.
    QString fmt(const QString& key, const QStringList& args) const;
    // The cycle update's answer: empty done, ten characters a log number, else an error.
    void cycleAnswer(const QString& cdFilial, const QString& answer);
    void focusAndFail(QWidget* control, const QString& key);
    // Vd_CdServFili; the month goes back to the present only for a service just
    // chosen, never under a confirmation of the month the planner set.
    void validateService(bool required, bool resetMonth);
    // The branch as typed, padded to its width.
    QString cdFilial() const;
    // Pads the branch in its edit and shows its name; a refusal puts the focus back.
    void validateBranch(bool checkContract);

    rpc::TConnectionCounter counter_;
    std::unique_ptr<rpc::TNetConnection> ownParamCardIndu_;
    std::unique_ptr<rpc::TNetConnection> ownCustProd_;
    host::TCostTypeList costTypes_;
    QString ultServico_ = QStringLiteral("   ");
    QString tipoCustPla_;
    QString tipoCustRea_;
    QVariantList resultadoGeracao_{QVariant(), QVariant()};
    bool keptConnected_ = false;
};

} // namespace pla::module
