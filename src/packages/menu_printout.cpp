#include "menu_printout.h"

#include "printed_menu_document.h"

#include "core/dates.h"
#include "core/errors.h"
#include "core/mem_table.h"
#include "core/text_utils.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/server_call.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace pla::packages {

using namespace pla::host;

namespace {

int contextoAjuda(TTipoEmissao tipo) {
    switch (tipo) {
    case TTipoEmissao::Dia:
        return 12300400;
    case TTipoEmissao::Semana:
        return 12302600;
    case TTipoEmissao::Mes:
        return 12302700;
    }
    return AjudaGeral;
}

QString nomeObjeto(TTipoEmissao tipo) {
    switch (tipo) {
    case TTipoEmissao::Dia:
        return QStringLiteral("frmEmisCardDia");
    case TTipoEmissao::Semana:
        return QStringLiteral("frmEmisCardSem");
    case TTipoEmissao::Mes:
        return QStringLiteral("frmEmisCardMes");
    }
    return {};
}

} // namespace

QString TfrmEmissaoCardapio::CodigoTela(TTipoEmissao tipo) {
    switch (tipo) {
    case TTipoEmissao::Dia:
        return QStringLiteral("PLA00400");
    case TTipoEmissao::Semana:
        return QStringLiteral("PLA02600");
    case TTipoEmissao::Mes:
        return QStringLiteral("PLA02700");
    }
    return {};
}

QString TfrmEmissaoCardapio::Titulo(TTipoEmissao tipo) {
    switch (tipo) {
    case TTipoEmissao::Dia:
        return QStringLiteral("Emissão do Cardápio do Dia");
    case TTipoEmissao::Semana:
        return QStringLiteral("Emissão do Cardápio da Semana");
    case TTipoEmissao::Mes:
        return QStringLiteral("Emissão do Cardápio do Mês");
    }
    return {};
}

TfrmEmissaoCardapio::TfrmEmissaoCardapio(TTipoEmissao tipo, const QVariantList& params,
                                         QWidget* parent)
    : TfrmDadosGerRel(CodigoTela(tipo), Titulo(tipo), CodigoTela(tipo), parent)
    , tipo_(tipo) {
    setObjectName(nomeObjeto(tipo));
    SetHelpContext(contextoAjuda(tipo));
    msgPadrao.AddLines(
        {QStringLiteral("PARAM_QTD|A emissão do cardápio espera 1 parâmetro (a filial) e "
                        "recebeu %s."),
         QStringLiteral("PARAM_FILIAL|O parâmetro da emissão do cardápio deve ser o código "
                        "da filial."),
         QStringLiteral("FILIAL_INEX|Filial %s não cadastrada."),
         QStringLiteral("SEM_SERVICO|A filial %s não tem serviço com cardápio."),
         QStringLiteral("SERVICO_OBRIG|Escolha o serviço."),
         QStringLiteral("DIA_OBRIG|Informe o dia."),
         QStringLiteral("SEMANA_OBRIG|Informe um dia da semana."),
         QStringLiteral("MES_OBRIG|Informe o mês.")});
    leParametros(params);
    cardapio_.Tipo = tipo_;
    net_ = Host().NewConnection(QStringLiteral("netEmissaoCard"),
                                QStringLiteral("Pla00400.rdmEmissaoCard"));

    panEscolha = new QWidget(this);
    panEscolha->setObjectName(QStringLiteral("panEscolha"));
    auto* bar = new QHBoxLayout(panEscolha);
    bar->setContentsMargins(0, 0, 0, 0);
    lblFilial = new QLabel(QStringLiteral("Filial %1 - %2").arg(filial_, nmFilial_), panEscolha);
    lblFilial->setObjectName(QStringLiteral("lblFilial"));
    bar->addWidget(lblFilial);
    cbbServico = new QComboBox(panEscolha);
    cbbServico->setObjectName(QStringLiteral("cbbServico"));
    cbbServico->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* servico = new QLabel(QStringLiteral("&Serviço"), panEscolha);
    servico->setBuddy(cbbServico);
    bar->addWidget(servico);
    bar->addWidget(cbbServico);
    depData = new TDateEdit(panEscolha);
    depData->setObjectName(QStringLiteral("depData"));
    depData->SetMonthOnly(tipo_ == TTipoEmissao::Mes);
    auto* data = new QLabel(tipo_ == TTipoEmissao::Dia      ? QStringLiteral("&Dia")
                            : tipo_ == TTipoEmissao::Semana ? QStringLiteral("&Dia da semana")
                                                            : QStringLiteral("&Mês"),
                            panEscolha);
    data->setBuddy(depData);
    bar->addWidget(data);
    bar->addWidget(depData);
    lblPeriodo = new QLabel(panEscolha);
    lblPeriodo->setObjectName(QStringLiteral("lblPeriodo"));
    bar->addWidget(lblPeriodo);
    bar->addStretch(1);
    AddAboveGrid(panEscolha);

    carregaServicos();
    depData->SetDate(tipo_ == TTipoEmissao::Mes ? PriDiaMes(Hoje()) : Hoje());
    mostraPeriodo();
    connect(cbbServico, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { escolhaAlterada(); }); });
    connect(depData, &QDateEdit::dateChanged, this,
            [this] { RunHandler([this] { escolhaAlterada(); }); });
    cbbServico->setFocus();
    resize(900, 560);
}

TfrmEmissaoCardapio::~TfrmEmissaoCardapio() = default;

void TfrmEmissaoCardapio::leParametros(const QVariantList& p) {
    if (p.size() != 1) {
        throw EPlaError(msgPadrao.Fmt(QStringLiteral("PARAM_QTD"), {QString::number(p.size())}));
    }
    if (p[0].typeId() != QMetaType::QString || p[0].toString().trimmed().isEmpty()) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAM_FILIAL")));
    }
    filial_ = Ajusta(p[0].toString(), 4);
    THostQuery q;
    q.SetConnection(Host().SharedConnection());
    q.SetSql(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    q.SetParam(QStringLiteral("P_CDFILIAL"), filial_);
    q.Open();
    if (q.IsEmpty()) {
        throw EPlaError(msgPadrao.Fmt(QStringLiteral("FILIAL_INEX"), {filial_}));
    }
    nmFilial_ = q.Fields(0).AsString().trimmed();
}

// The branch's services that have menus; the first chosen.
void TfrmEmissaoCardapio::carregaServicos() {
    THostQuery q;
    q.SetConnection(Host().SharedConnection());
    q.SetSql(QStringLiteral("SELECT CDSERVFILI, NMSERVICO FROM SERVICO WHERE CDFILIAL = "
                            ":P_CDFILIAL AND IDTIPOSERV = 'N' ORDER BY CDSERVFILI"));
    q.SetParam(QStringLiteral("P_CDFILIAL"), filial_);
    q.Open();
    if (q.IsEmpty()) {
        throw EPlaError(msgPadrao.Fmt(QStringLiteral("SEM_SERVICO"), {filial_}));
    }
    for (q.First(); !q.Eof(); q.Next()) {
        const QString code = q.Fields(0).AsString().trimmed();
        cbbServico->addItem(code + QStringLiteral(" - ") + q.Fields(1).AsString().trimmed(), code);
    }
    cbbServico->setCurrentIndex(0);
}

QString TfrmEmissaoCardapio::CdServico() const {
    return cbbServico->currentData().toString();
}

TPeriodoEmissao TfrmEmissaoCardapio::Periodo() const {
    return PeriodoEmissao(tipo_, depData->Date());
}

void TfrmEmissaoCardapio::mostraPeriodo() {
    TCardapioImpresso c;
    c.Tipo = tipo_;
    c.Periodo = Periodo();
    lblPeriodo->setText(c.LinhaPeriodo());
}

// A new service or date: the period shown, and the grid read again once the screen has
// shown one.
void TfrmEmissaoCardapio::escolhaAlterada() {
    mostraPeriodo();
    if (Prepared()) {
        PrepareData();
    }
}

QVariant TfrmEmissaoCardapio::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

// The period's menu from the server, then a row per dish of each day (a day without a
// menu in one row), the holiday and the description on the day's first row.
void TfrmEmissaoCardapio::FillRows(TMemTable& rows) {
    cardapio_ = TCardapioImpresso();
    cardapio_.Tipo = tipo_;
    if (CdServico().isEmpty()) {
        cbbServico->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("SERVICO_OBRIG")), true);
    }
    const TPeriodoEmissao periodo = Periodo();
    if (!periodo.Inicio.isValid()) {
        depData->setFocus();
        MensErro(msgPadrao.Msg(tipo_ == TTipoEmissao::Dia      ? QStringLiteral("DIA_OBRIG")
                               : tipo_ == TTipoEmissao::Semana ? QStringLiteral("SEMANA_OBRIG")
                                                               : QStringLiteral("MES_OBRIG")),
                 true);
    }
    const QVariant answer =
        chama(rpc::metodos::GetCardapioImpresso(),
              {filial_, CdServico(), DataHora(periodo.Inicio), DataHora(periodo.Fim)});
    cardapio_ = TCardapioImpresso::DaResposta(answer, filial_, CdServico(), tipo_, periodo);

    TMemField* dia = rows.FindField(QStringLiteral("DTCARDAPIO"));
    TMemField* semana = rows.FindField(QStringLiteral("DSSEMANA"));
    TMemField* tipo = rows.FindField(QStringLiteral("NMTIPOPRAT"));
    TMemField* prato = rows.FindField(QStringLiteral("NMPRATO"));
    TMemField* obs = rows.FindField(QStringLiteral("DSOBSERVACAO"));
    const auto set = [](TMemField* f, const QVariant& v) {
        if (f) {
            f->SetValue(v);
        }
    };
    for (const TDiaCardapio& d : cardapio_.Dias) {
        QStringList notas;
        if (!d.Feriado.isEmpty()) {
            notas << QStringLiteral("Feriado: ") + d.Feriado;
        }
        if (!d.Descricao.isEmpty() && d.Descricao != d.Feriado) {
            notas << d.Descricao;
        }
        if (d.SemCardapio()) {
            notas << TCardapioImpresso::SemCardapioTexto();
        }
        const QString observacao = notas.join(QStringLiteral("; "));
        const auto linha = [&](const QString& tipoPrato, const QString& nome, bool primeira) {
            rows.Append();
            set(dia, DataHora(d.Dia));
            set(semana, NomeSemana(d.Dia));
            set(tipo, tipoPrato);
            set(prato, nome);
            set(obs, primeira ? observacao : QString());
            rows.Post();
        };
        bool primeira = true;
        for (const TLinhaCardapio& l : d.Linhas) {
            for (const QString& nome : l.Pratos) {
                linha(l.TipoPrato + (l.Opcional ? TCardapioImpresso::MarcaOpcional() : QString()),
                      nome, primeira);
                primeira = false;
            }
        }
        if (d.SemCardapio()) {
            linha(QString(), QString(), true);
        }
    }
}

int TfrmEmissaoCardapio::PaintReport(QPagedPaintDevice& device) {
    const TDocumentoCardapio documento(cardapio_, ReportCode(), Agora());
    return documento.Paint(device);
}

} // namespace pla::packages
