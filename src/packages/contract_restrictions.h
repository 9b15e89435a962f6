#pragma once

#include "core/contract_rules.h"
#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QHash>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

namespace pla::host {
class THostQuery;
class TNumberEdit;
} // namespace pla::host

namespace pla::packages {

// The contract restrictions (PLA00113), opened with the mode, the branch, the service,
// the menu month and the reference the verdict goes back through (true when the month
// keeps every restriction): "FORMULARIO" shows the screen below, "CALCULA" only asks
// the server and answers through the reference, without a window.
void AbreRestricoesContratuais(const QVariantList& params);

// The contract restrictions of a branch's service, each with its verdict on the month's
// menu as saved (kept or broken, the days that break it and what was found), and
// maintained here: included, changed, removed, and saved on the server at once.
class TfrmRestCont : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmRestCont(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmRestCont() override;

    QLineEdit* edtCardapio = nullptr;
    QLabel* lblSituacao = nullptr;
    QTableView* dbgRestricoes = nullptr;
    QComboBox* cbbTipo = nullptr;
    QComboBox* cbbTipoPrato = nullptr;
    QCheckBox* chbFritos = nullptr;
    host::TNumberEdit* nedLimite = nullptr;
    QLabel* lblUnidade = nullptr;
    QLineEdit* edtClausula = nullptr;
    QToolButton* sbtIncluir = nullptr;
    QToolButton* sbtAlterar = nullptr;
    QToolButton* sbtExcluir = nullptr;
    QToolButton* sbtCancelar = nullptr;
    QToolButton* sbtFechar = nullptr;
    TMemTable* cdsRestricoes = nullptr;

    // The restrictions read and the month judged again; the verdict goes back.
    void CarregaRestricoes();
    // The editor shows the restriction of the list's current row.
    void MostraRestricao();
    void sbtIncluirClick();
    void sbtAlterarClick();
    void sbtExcluirClick();
    void sbtCancelarClick();
    void sbtConfirmaClick() override; // saves the changes
    bool PodeAlterar() const { return podeAlterar_; }

protected:
    void FormActivate(bool first) override;
    bool FormCloseQuery() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TVeredito {
        TRestricaoContratual Regra; // as judged: a row changed since is not
        bool Cumprida = true;
        QString Dias;
        QString Detalhe;
    };
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    TRestricaoContratual doEditor() const;
    static TRestricaoContratual daLinha(const TMemRow& row);
    void escreveLinha(const TRestricaoContratual& r);
    void tipoAlterado();
    void atualizaSituacao();
    void habilita();
    int linhaAtual() const;
    void selecionaLinha(int linha);

    QString filial_;
    QString servico_;
    QDate mes_;
    TReference ok_;
    bool podeAlterar_ = false;
    bool janelaVigiada_ = false;
    QHash<qint64, TVeredito> vereditos_;
    host::THostQuery* qryTipoPrato = nullptr;
    host::THostQuery* qryNomes = nullptr;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
