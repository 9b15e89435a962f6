#include "copi_rece.h"

#include "copia_prato.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_messages.h"
#include "host/number_edit.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

// Captions and object names of the exceptions, Monday first.
constexpr const char* Rotulos[QtExcecoes] = {
    "Exceção (segundas-feiras)", "Exceção (terças-feiras)", "Exceção (quartas-feiras)",
    "Exceção (quintas-feiras)",  "Exceção (sextas-feiras)", "Exceção (sábados)",
    "Exceção (domingos)",        "Exceção (feriados)"};
constexpr const char* Nomes[QtExcecoes] = {"Seg", "Ter", "Qua", "Qui", "Sex", "Sab", "Dom", "Fer"};
constexpr const char* ChavesPercentual[QtExcecoes] = {"EXC_SEG", "EXC_TER", "EXC_QUA", "EXC_QUI",
                                                      "EXC_SEX", "EXC_SAB", "EXC_DOM", "EXC_FER"};

TNumberEdit* numero(QWidget* parent, const QString& name) {
    auto* e = new TNumberEdit(parent);
    e->setObjectName(name);
    e->SetIntegerDigits(8);
    e->SetThousandSeparator(false);
    e->SetAllowNegative(false);
    return e;
}

std::optional<double> lido(const TNumberEdit* e) {
    return e->IsEmpty() ? std::nullopt : std::optional<double>(e->Value());
}

// The page not in use stays out of reach while the copy runs.
class TPaginaBloqueada {
public:
    TPaginaBloqueada(QTabWidget& tabs, int index)
        : tabs_(tabs)
        , index_(index) {
        tabs_.setTabEnabled(index_, false);
    }
    ~TPaginaBloqueada() { tabs_.setTabEnabled(index_, true); }
    TPaginaBloqueada(const TPaginaBloqueada&) = delete;
    TPaginaBloqueada& operator=(const TPaginaBloqueada&) = delete;

private:
    QTabWidget& tabs_;
    int index_;
};

} // namespace

TfrmCopiRece::TfrmCopiRece(TCardapioMensal& cardapio, const TParametrosCopia& parametros,
                           QWidget* parent)
    : TfrmPadrImportExport(QStringLiteral("PLA00111"),
                           QStringLiteral("Cópia de Pratos e Comensais"), parent)
    , cardapio_(&cardapio) {
    setObjectName(QStringLiteral("frmCopiRece"));
    SetHelpContext(12300111);
    msgPadrao.AddLines(CatalogoCopia());
    sbtImportExport->setText(QStringLiteral("Copiar"));
    sbtImportExport->setToolTip(QStringLiteral("Copiar"));
    sbtImportExport->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    copia_ = new TCopiaPrato(cardapio, parametros, this);

    auto* layout = new QVBoxLayout(grbDadosRel);
    edtNmPrato = new QLineEdit(grbDadosRel);
    edtNmPrato->setObjectName(QStringLiteral("edtNmPrato"));
    edtNmPrato->setReadOnly(true);
    edtNmPrato->setStyleSheet(QStringLiteral("background: palette(window);"));
    layout->addWidget(edtNmPrato);
    pgcPadrao = new QTabWidget(grbDadosRel);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    tshPrato = criaPagina(true);
    tshComensais = criaPagina(false);
    pgcPadrao->addTab(tshPrato, QStringLiteral("Prato"));
    pgcPadrao->addTab(tshComensais, QStringLiteral("Comensais"));
    layout->addWidget(pgcPadrao);
    resize(420, 470);
}

TfrmCopiRece::~TfrmCopiRece() = default;

QWidget* TfrmCopiRece::criaPagina(bool prato) {
    auto* page = new QWidget(pgcPadrao);
    page->setObjectName(prato ? QStringLiteral("tshPrato") : QStringLiteral("tshComensais"));
    auto* grid = new QGridLayout(page);
    int row = 0;
    if (prato) {
        rdbDia = new QRadioButton(QStringLiteral("Comensais do Dia"), page);
        rdbDia->setObjectName(QStringLiteral("rdbDia"));
        rdbDia->setChecked(true);
        rdbPrato = new QRadioButton(QStringLiteral("Comensais do Prato"), page);
        rdbPrato->setObjectName(QStringLiteral("rdbPrato"));
        edtPrato = numero(page, QStringLiteral("edtPrato"));
        grid->addWidget(rdbDia, row++, 0, 1, 2);
        grid->addWidget(rdbPrato, row, 0);
        grid->addWidget(edtPrato, row++, 1);
        connect(rdbDia, &QRadioButton::clicked, this, [this] { rdbDiaClick(); });
        connect(rdbPrato, &QRadioButton::clicked, this, [this] { rdbPratoClick(); });
    } else {
        lblComensais = new QLabel(QStringLiteral("Comensais do Prato"), page);
        lblComensais->setObjectName(QStringLiteral("lblComensais"));
        edtComensais = numero(page, QStringLiteral("edtComensais"));
        edtComensais->setStyleSheet(QStringLiteral("background: #FFFFE1;"));
        lblComensais->setBuddy(edtComensais);
        grid->addWidget(lblComensais, row, 0);
        grid->addWidget(edtComensais, row++, 1);
    }
    auto& boxes = prato ? chbExcPrat : chbExcCom;
    auto& edits = prato ? edtExcPrat : edtExcCom;
    const QString sufixo = prato ? QStringLiteral("Prat") : QStringLiteral("Com");
    for (int i = 0; i < QtExcecoes; ++i) {
        QString caption = QString::fromUtf8(Rotulos[i]);
        if (!prato && i == ExcFer) {
            caption = QStringLiteral("Exceção (Feriados)");
        }
        auto* box = new QCheckBox(caption, page);
        box->setObjectName(QStringLiteral("chbExc%1%2").arg(QLatin1String(Nomes[i]), sufixo));
        auto* edit =
            numero(page, QStringLiteral("edtExc%1%2").arg(QLatin1String(Nomes[i]), sufixo));
        edit->setEnabled(false);
        connect(box, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        grid->addWidget(box, row, 0);
        grid->addWidget(edit, row++, 1);
        boxes[i] = box;
        edits[i] = edit;
    }
    if (prato) {
        chbSobrepor = new QCheckBox(QStringLiteral("Sobrepor Pratos já Informados"), page);
        chbSobrepor->setObjectName(QStringLiteral("chbSobrepor"));
        chbSobrepor->setChecked(true);
        grid->addWidget(chbSobrepor, row++, 0, 1, 2);
    }
    grid->setRowStretch(row, 1);
    return page;
}

void TfrmCopiRece::rdbDiaClick() {
    edtPrato->setEnabled(false);
}

void TfrmCopiRece::rdbPratoClick() {
    edtPrato->setEnabled(true);
}

bool TfrmCopiRece::paginaPrato() const {
    return pgcPadrao->currentWidget() == tshPrato;
}

void TfrmCopiRece::FormActivate(bool first) {
    if (first) {
        const TPratoOrigem& prato = copia_->Prato();
        edtNmPrato->setText(prato.NmPrato);
        edtPrato->setEnabled(rdbPrato->isChecked());
        const TModoQuantidade modo = copia_->Modo();
        if (modo == 1) {
            rdbPrato->setText(msgPadrao.Msg(QStringLiteral("Percentual")));
            lblComensais->setText(msgPadrao.Msg(QStringLiteral("Percentual")));
            pgcPadrao->setTabText(1, msgPadrao.Msg(QStringLiteral("Cons")));
            for (int i = 0; i < QtExcecoes; ++i) {
                const QString text = msgPadrao.Msg(QString::fromLatin1(ChavesPercentual[i]));
                chbExcPrat[i]->setText(text);
                chbExcCom[i]->setText(text);
            }
        } else {
            rdbPrato->setText(msgPadrao.Msg(QStringLiteral("Comensais")));
            lblComensais->setText(msgPadrao.Msg(QStringLiteral("Comensais")));
            pgcPadrao->setTabText(1, msgPadrao.Msg(QStringLiteral("Come")));
        }
        const int decimals = modo == 0 ? 3 : modo == 2 ? 0 : 2;
        edtPrato->SetDecimals(decimals);
        edtPrato->SetValue(copia_->ValorInicial());
        for (TNumberEdit* e : edtExcPrat) {
            e->SetDecimals(decimals);
            e->setText(edtPrato->text());
        }
        for (TNumberEdit* e : edtExcCom) {
            e->SetDecimals(decimals);
            e->setText(edtPrato->text());
        }
        edtComensais->SetDecimals(decimals);
        edtComensais->setText(edtPrato->text());
        copia_->CarregaParametros();
    }
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("RECEBENDO_DADOS")));
        copia_->CarregaPratosExcluidos();
    }
    update();
}

TValoresCopia TfrmCopiRece::Valores() const {
    TValoresCopia v;
    const bool prato = paginaPrato();
    v.Pagina = prato ? TPaginaCopia::Prato : TPaginaCopia::Comensais;
    v.ComensaisDoPrato = rdbPrato->isChecked();
    v.Valor = lido(prato ? edtPrato : edtComensais);
    v.Sobrepor = chbSobrepor->isChecked();
    for (int i = 0; i < QtExcecoes; ++i) {
        v.Excecoes[i].Marcada = (prato ? chbExcPrat : chbExcCom)[i]->isChecked();
        v.Excecoes[i].Valor = lido((prato ? edtExcPrat : edtExcCom)[i]);
    }
    return v;
}

void TfrmCopiRece::sbtImportExportClick() {
    const bool prato = paginaPrato();
    TPaginaBloqueada fora(*pgcPadrao, prato ? 1 : 0);
    const TValoresCopia v = Valores();
    if (const std::optional<TFalhaCopia> falha = VerificaValoresCopia(v, copia_->Modo())) {
        TNumberEdit* edit = falha->Excecao ? (prato ? edtExcPrat : edtExcCom)[*falha->Excecao]
                            : prato        ? edtPrato
                                           : edtComensais;
        edit->setFocus();
        MensErro(msgPadrao.Msg(falha->Chave), true);
    }
    if (prato) {
        copia_->VerificaPrato();
    }
    TResultadoCopia r;
    {
        const QDate mes = PriDiaMes(copia_->Prato().Dia);
        TProgressScope progresso(*this, mes.daysInMonth());
        r = copia_->Executa(v, [this, &progresso](const QDate& dia) {
            pgbProgresso->setFormat(FormatDateTime(QStringLiteral("ddddd"), dia));
            progresso.Step();
        });
        pgbProgresso->setFormat(msgPadrao.Msg(QStringLiteral("BASE")));
    }
    cardapio_->ExibeAvisoRecalc();
    if (r.Advertencias()) {
        ShowDetailError(msgPadrao.Msg(QStringLiteral("copiaokobs")), r.Detalhes(msgPadrao));
    } else {
        ShowMsg(msgPadrao, QStringLiteral("copiaok"), TMsgDlgType::Information, mbOK);
    }
    SetModalResult(mrOk);
}

} // namespace pla::module
