#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"

#include <QDate>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace pla::host {
class TBtnPesquisa;
class TDateEdit;
class TDBGrid;
class THostQuery;
class TMaskEdit;
} // namespace pla::host

namespace pla::module {

class IPlanejamento;

// The export of a service's menu of a period to other services of the branch
// (PLA00133): the origin and the period, overwrite or add, the diners copied or not,
// and the destinations marked in a grid that shows each one's situation for this
// export. The server exports and answers with a log of its observations, which the
// planner may open (PLA06100). Calls go through the planning screen's connection.
class TfrmExportarCardapio : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    TfrmExportarCardapio(IPlanejamento& planejamento, const QString& cdFilial,
                         const QString& nmFilial, const QString& cdServico,
                         const QString& nmServico, const QDate& mes, QWidget* parent = nullptr);
    ~TfrmExportarCardapio() override;

    // Controls.
    QGroupBox* grbOrigem = nullptr;
    host::TMaskEdit* medCdFilial = nullptr;
    host::TBtnPesquisa* btnFilial = nullptr;
    QLineEdit* edtNmFilial = nullptr;
    host::TMaskEdit* medCdServico = nullptr;
    host::TBtnPesquisa* btnServico = nullptr;
    QLineEdit* edtNmServico = nullptr;
    QGroupBox* grbData = nullptr;
    host::TDateEdit* depDataIni = nullptr;
    QLineEdit* edtNmDataIni = nullptr;
    host::TDateEdit* depDataFin = nullptr;
    QLineEdit* edtNmDataFin = nullptr;
    QRadioButton* rbtAcrescentar = nullptr;
    QRadioButton* rbtSobrepor = nullptr;
    QGroupBox* grbComensais = nullptr;
    QCheckBox* chbCopComens = nullptr;
    QGroupBox* grbServicosDestino = nullptr;
    QComboBox* cmbGrupo = nullptr;
    host::TDBGrid* dbgServicos = nullptr;

    // Tables and queries.
    TMemTable* cdsServicos = nullptr;
    TMemTable* cdsLogIntCard = nullptr;
    TMemTable* cdsParamPlaneja = nullptr;
    host::THostQuery* qryFilialPesq = nullptr;
    host::THostQuery* qryServicoPesq = nullptr;
    host::THostQuery* qryGrupServ = nullptr;

    QDate DataLimite() const { return limite_; }
    const QStringList& CodigosGrupo() const { return grupos_; }

    // Handlers, as the planner's actions raise them.
    void medCdFilialExit();
    void medCdServicoExit();
    void grbOrigemExit();
    void btnFilialBeforePesq();
    void btnFilialAfterPesq();
    void btnServicoBeforePesq();
    void btnServicoAfterPesq();
    void depDataIniDateChange();
    void depDataFinDateChange();
    void DescartaServicos(); // the Change handlers: the destinations are fetched again
    void dbgServicosEnter();
    void dbgServicosCellClick(int column);
    void dbgServicosDblClick();
    void dbgServicosTitleClick(int column);
    void sbtConfirmaClick() override;

    void GetServicos();
    void MarcaServico(bool todos);
    void ExibeMensagem(const QString& situacao, const QString& chaves);
    void Vd_Campos();

protected:
    void FormActivate(bool first) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildQueries();
    void connectHandlers();
    void GetGrupoServicos();
    void GetParams();
    void Vd_Filial(bool obrigatorio);
    void Vd_Servico(bool obrigatorio);
    void Vd_Periodo();
    void exporta();
    void formataServicos();
    QString campoAtual(const char* field) const;
    QString campoDaColuna(int column) const;
    [[noreturn]] void falha(QWidget* control, const QString& text);

    IPlanejamento& planejamento_;
    QDate mes_;
    QDate limite_;
    QStringList grupos_; // parallel to cmbGrupo's items; "T" stands for all
};

} // namespace pla::module
