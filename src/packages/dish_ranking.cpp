#include "dish_ranking.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/enter_chooses.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/server_call.h"
#include "rpc/contracts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QScopeGuard>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

// The fields whose first order is the largest first.
bool comecaDecrescente(const QString& field) {
    static const QStringList largest{QStringLiteral("QTVEZES"), QStringLiteral("QTPORCPLAN"),
                                     QStringLiteral("QTPORCRETI"), QStringLiteral("VRACEITACAO"),
                                     QStringLiteral("DTULTIMO")};
    return largest.contains(field);
}

} // namespace

TfrmRankPrato::TfrmRankPrato(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00102"), QStringLiteral("Ranking de Pratos"), parent) {
    setObjectName(QStringLiteral("frmRankPrato"));
    msgPadrao.AddLines(
        {QStringLiteral("SEL_PRATO|Selecione um prato do ranking."),
         QStringLiteral("DIA_BLOQ|O dia do cardápio está bloqueado: o ranking pode ser "
                        "consultado, mas nenhum prato pode ser escolhido."),
         QStringLiteral("INATIVO|O prato %s está inativo e não pode ser escolhido."),
         QStringLiteral("PERIODO|Informe um período válido: a data inicial não pode ser "
                        "posterior à final."),
         QStringLiteral("REFERENCIA|Somente o prato %s e seus equivalentes."),
         QStringLiteral("TODOS|Todos")});
    if (p.size() < 16) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para o ranking de pratos."));
    }
    filial_ = p[0].toString().trimmed();
    servico_ = p[1].toString().trimmed();
    tipoCusto_ = p[2].toInt();
    referencia_ = p[3].toDateTime();
    bloqueado_ = p[4].toBool();
    cdPrato_ = TReference::Of(p[5]);
    nmPrato_ = TReference::Of(p[6]);
    cdFilAux_ = TReference::Of(p[7]);
    const QString quarto = TReference::Of(p[8]).Get().toString();
    escolhido_ = TReference::Of(p[9]);
    filialCusto_ = p[12].toString().trimmed();
    pratoReferencia_ = p[13].toString().trimmed();
    exibeCusto_ = p[14].toBool();
    refeCardapio_ = p[15].toBool();
    escolhido_.Set(false);
    // The monthly screen's day, else the costs' date, else today.
    dia_ = QDate::fromString(quarto.section(QLatin1Char(';'), 0, 0), Qt::ISODate);
    tipoCelula_ = quarto.section(QLatin1Char(';'), 1, 1).trimmed();
    if (!dia_.isValid()) {
        dia_ = referencia_.isValid() ? referencia_.date() : Hoje();
    }
    // Costs without a reference date are those of the day being planned.
    if (!referencia_.isValid()) {
        referencia_ = DataHora(dia_);
    }
    net_ = Host().NewConnection(QStringLiteral("netRankPrato"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));

    cdsRanking = new TMemTable(QStringLiteral("cdsRanking"), this);
    const auto field = [this](const char* name, TFieldType type, int size, const char* label) {
        cdsRanking->AddField(QString::fromLatin1(name), type, size)
            .SetDisplayLabel(QString::fromUtf8(label));
    };
    field("NRPOSICAO", TFieldType::Integer, 0, "Posição");
    field("NRPOSTIPO", TFieldType::Integer, 0, "No tipo");
    field("CDPRATO", TFieldType::String, 10, "Código");
    field("NMPRATO", TFieldType::String, 40, "Prato");
    field("NMTIPOPRAT", TFieldType::String, 35, "Tipo de prato");
    field("QTVEZES", TFieldType::Integer, 0, "Vezes servido");
    field("DTULTIMO", TFieldType::DateTime, 0, "Última vez");
    field("QTPORCPLAN", TFieldType::Float, 0, "Porções planejadas");
    field("QTPORCRETI", TFieldType::Float, 0, "Porções retiradas");
    field("VRACEITACAO", TFieldType::Float, 0, "Aceitação (%)");
    field("VRCUSTOPORCAO", TFieldType::Float, 0, "Custo/Porção");
    field("DSATIVO", TFieldType::String, 8, "Situação");
    field("CDFILAUXPRAT", TFieldType::String, 4, "Filial do prato");
    field("CDTIPOPRAT", TFieldType::String, 2, "Tipo");
    field("IDATIVO", TFieldType::String, 1, "Ativo");
    for (const char* hidden : {"CDFILAUXPRAT", "CDTIPOPRAT", "IDATIVO"}) {
        cdsRanking->FieldByName(QString::fromLatin1(hidden)).SetVisible(false);
    }
    cdsRanking->FieldByName(QStringLiteral("VRCUSTOPORCAO")).SetVisible(exibeCusto_);
    cdsRanking->FieldByName(QStringLiteral("DTULTIMO"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    for (const char* portions : {"QTPORCPLAN", "QTPORCRETI"}) {
        cdsRanking->FieldByName(QString::fromLatin1(portions))
            .SetDisplayFormat(QStringLiteral("#,##0.##"));
    }
    cdsRanking->FieldByName(QStringLiteral("VRACEITACAO"))
        .SetDisplayFormat(QStringLiteral("##0.0"));
    cdsRanking->FieldByName(QStringLiteral("VRCUSTOPORCAO"))
        .SetDisplayFormat(QStringLiteral("#,##0.00###"));
    cdsRanking->CreateDataSet();
    cdsRanking->SetFilter([this](const TMemRow& row) {
        const QString tipo = cbbTipoPrato ? cbbTipoPrato->currentData().toString() : QString();
        return tipo.isEmpty() || row.AsString(QStringLiteral("CDTIPOPRAT")).trimmed() == tipo;
    });

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* form = new QFormLayout;
    edtServico = new QLineEdit(grbDadosRel);
    edtServico->setObjectName(QStringLiteral("edtServico"));
    edtServico->setReadOnly(true);
    form->addRow(QStringLiteral("Serviço"), edtServico);
    auto* period = new QHBoxLayout;
    depInicio = new TDateEdit(grbDadosRel);
    depInicio->setObjectName(QStringLiteral("depInicio"));
    depFim = new TDateEdit(grbDadosRel);
    depFim->setObjectName(QStringLiteral("depFim"));
    // The twelve months before the day being planned.
    depInicio->SetDate(dia_.addYears(-1));
    depFim->SetDate(dia_.addDays(-1));
    period->addWidget(depInicio);
    period->addWidget(new QLabel(QStringLiteral("a"), grbDadosRel));
    period->addWidget(depFim);
    period->addStretch(1);
    form->addRow(QStringLiteral("Servidos de"), period);
    cbbTipoPrato = new QComboBox(grbDadosRel);
    cbbTipoPrato->setObjectName(QStringLiteral("cbbTipoPrato"));
    cbbTipoPrato->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    form->addRow(QStringLiteral("Tipo de prato"), cbbTipoPrato);
    v->addLayout(form);
    lblReferencia = new QLabel(grbDadosRel);
    lblReferencia->setObjectName(QStringLiteral("lblReferencia"));
    lblReferencia->setText(msgPadrao.Fmt(QStringLiteral("REFERENCIA"), {pratoReferencia_}));
    lblReferencia->setVisible(!pratoReferencia_.isEmpty());
    v->addWidget(lblReferencia);
    dbgRanking = new QTableView(grbDadosRel);
    dbgRanking->setObjectName(QStringLiteral("dbgRanking"));
    auto* model = new TDataSourceModel(cdsRanking, dbgRanking);
    model->SetReadOnly(true);
    dbgRanking->setModel(model);
    dbgRanking->horizontalHeader()->setSectionsClickable(true);
    GradeDeEscolha(*dbgRanking, [this] { sbtConfirmaClick(); });
    v->addWidget(dbgRanking, 1);
    auto* footer = new QHBoxLayout;
    lblBloqueado = new QLabel(msgPadrao.Msg(QStringLiteral("DIA_BLOQ")), grbDadosRel);
    lblBloqueado->setObjectName(QStringLiteral("lblBloqueado"));
    lblBloqueado->setVisible(bloqueado_);
    footer->addWidget(lblBloqueado, 1);
    if (exibeCusto_) {
        const QString date = FormatDateTime(QStringLiteral("dd/mm/yyyy"), referencia_.date());
        auto* costs = new QLabel(
            refeCardapio_ ? QStringLiteral("Custo por porção na data do cardápio (%1).").arg(date)
                          : QStringLiteral("Custo por porção na data de referência %1.").arg(date),
            grbDadosRel);
        costs->setObjectName(QStringLiteral("lblCusto"));
        footer->addWidget(costs);
    }
    v->addLayout(footer);
    sbtConfirma->setToolTip(QStringLiteral("Usar no cardápio o prato escolhido"));
    sbtConfirma->setEnabled(!bloqueado_);

    {
        THostQuery q;
        q.SetConnection(Host().SharedConnection());
        q.SetSql(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                                "CDSERVFILI = :P_CDSERVFILI"));
        q.SetParam(QStringLiteral("P_CDFILIAL"), filial_);
        q.SetParam(QStringLiteral("P_CDSERVFILI"), servico_);
        q.Open();
        edtServico->setText(q.IsEmpty() ? servico_
                                        : servico_ + QStringLiteral(" - ") +
                                              q.Fields(0).AsString().trimmed());
    }
    Carrega();
    for (TDateEdit* d : {depInicio, depFim}) {
        connect(d, &QDateEdit::dateChanged, this, [this] { RunHandler([this] { Carrega(); }); });
    }
    connect(cbbTipoPrato, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { filtraTipo(); }); });
    connect(dbgRanking, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { sbtConfirmaClick(); }); });
    connect(dbgRanking->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this, model](int section) {
                RunHandler([this, model, section] { Ordena(model->FieldNameAt(section)); });
            });
    resize(sizeHint());
}

TfrmRankPrato::~TfrmRankPrato() = default;

QVariant TfrmRankPrato::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

void TfrmRankPrato::Carrega() {
    const QDate inicio = depInicio->Date();
    const QDate fim = depFim->Date();
    if (!inicio.isValid() || !fim.isValid() || fim < inicio) {
        cdsRanking->EmptyDataSet();
        (inicio.isValid() ? depFim : depInicio)->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("PERIODO")), true);
    }
    const TDataPacket answer = rpc::PacoteServ(
        chama(rpc::metodos::GetRankingPratos(),
              {filial_, servico_, DataHora(inicio), DataHora(fim), qlonglong(tipoCusto_),
               referencia_, filialCusto_, exibeCusto_, pratoReferencia_}));
    TDataPacket rows;
    rows.Fields = cdsRanking->DataFieldDefs();
    QMap<QString, QString> tipos; // code -> name; two types may share a name
    // The place among the dishes of the same type: those served as often share it.
    struct TLugar {
        qint64 Linhas = 0;
        qint64 Vezes = -1;
        qint64 Posicao = 0;
    };
    QHash<QString, TLugar> lugares;
    for (const TPacketRow& r : answer.Rows) {
        const auto at = [&answer, &r](const char* name) {
            return r.Values.value(answer.FieldIndex(QString::fromLatin1(name)));
        };
        const QString ativo = at("IDATIVO").toString().trimmed();
        TLugar& lugar = lugares[at("CDTIPOPRAT").toString().trimmed()];
        ++lugar.Linhas;
        if (at("QTVEZES").toLongLong() != lugar.Vezes) {
            lugar.Vezes = at("QTVEZES").toLongLong();
            lugar.Posicao = lugar.Linhas;
        }
        TPacketRow out;
        out.Values = {at("NRPOSICAO"),
                      lugar.Posicao,
                      at("CDPRATO"),
                      at("NMPRATO"),
                      at("NMTIPOPRAT"),
                      at("QTVEZES"),
                      at("DTULTIMO"),
                      at("QTPORCPLAN"),
                      at("QTPORCRETI"),
                      at("VRACEITACAO"),
                      at("VRCUSTOPORCAO"),
                      ativo == QLatin1String("N") ? QStringLiteral("Inativo")
                                                  : QStringLiteral("Ativo"),
                      at("CDFILAUXPRAT"),
                      at("CDTIPOPRAT"),
                      ativo};
        rows.Rows.append(out);
        tipos.insert(at("CDTIPOPRAT").toString().trimmed(), at("NMTIPOPRAT").toString().trimmed());
    }
    // The dish type chosen stays; the first time, the cell's own when ranked.
    const QString atual =
        cbbTipoPrato->count() > 0 ? cbbTipoPrato->currentData().toString() : tipoCelula_;
    {
        const QSignalBlocker quiet(cbbTipoPrato);
        cbbTipoPrato->clear();
        cbbTipoPrato->addItem(msgPadrao.Msg(QStringLiteral("TODOS")), QString());
        // In the order a planner scans them: by name, a type without one by its code.
        // Types of the same name tell themselves apart by their codes.
        QHash<QString, int> nomes;
        for (const QString& nome : tipos) {
            ++nomes[nome];
        }
        QList<std::pair<QString, QString>> itens; // shown, code
        for (auto it = tipos.cbegin(); it != tipos.cend(); ++it) {
            const QString& nome = it.value();
            itens.append({nome.isEmpty() ? it.key()
                          : nomes.value(nome) > 1
                              ? nome + QStringLiteral(" (") + it.key() + QLatin1Char(')')
                              : nome,
                          it.key()});
        }
        std::stable_sort(itens.begin(), itens.end(), [](const auto& a, const auto& b) {
            return a.first.localeAwareCompare(b.first) < 0;
        });
        for (const auto& [texto, codigo] : itens) {
            cbbTipoPrato->addItem(texto, codigo);
        }
        cbbTipoPrato->setCurrentIndex(std::max(0, cbbTipoPrato->findData(atual)));
    }
    cdsRanking->SetFiltered(false);
    cdsRanking->SetData(rows);
    cdsRanking->SetFiltered(true);
    if (!ordem_.isEmpty()) {
        aplicaOrdem();
    }
    if (!cdsRanking->IsEmpty()) {
        dbgRanking->setCurrentIndex(dbgRanking->model()->index(0, 0));
    }
}

void TfrmRankPrato::filtraTipo() {
    cdsRanking->Refilter();
    if (!cdsRanking->IsEmpty()) {
        dbgRanking->setCurrentIndex(dbgRanking->model()->index(0, 0));
    }
}

void TfrmRankPrato::Ordena(const QString& field) {
    if (field.isEmpty() || !cdsRanking->FindField(field)) {
        return;
    }
    decrescente_ = field == ordem_ ? !decrescente_ : comecaDecrescente(field);
    ordem_ = field;
    aplicaOrdem();
}

void TfrmRankPrato::aplicaOrdem() {
    const QString& field = ordem_;
    if (cdsRanking->HasIndex(QStringLiteral("ORDEM"))) {
        cdsRanking->SetIndexName(QString());
        cdsRanking->DeleteIndex(QStringLiteral("ORDEM"));
    }
    // Ties keep the ranking's order.
    const QString fields = field + QStringLiteral(";NRPOSICAO");
    cdsRanking->AddIndex(QStringLiteral("ORDEM"), fields, decrescente_ ? field : QString(),
                         field.startsWith(QLatin1String("NM")) ? field : QString());
    cdsRanking->SetIndexName(QStringLiteral("ORDEM"));
    dbgRanking->horizontalHeader()->setSortIndicatorShown(true);
    const int column = static_cast<const TDataSourceModel*>(dbgRanking->model())->ColumnOf(field);
    dbgRanking->horizontalHeader()->setSortIndicator(column, decrescente_ ? Qt::DescendingOrder
                                                                          : Qt::AscendingOrder);
}

void TfrmRankPrato::sbtConfirmaClick() {
    if (bloqueado_) {
        MensErro(msgPadrao.Msg(QStringLiteral("DIA_BLOQ")), true);
    }
    const QModelIndex current = dbgRanking->currentIndex();
    if (!current.isValid() || cdsRanking->IsEmpty() || current.row() >= cdsRanking->RecordCount()) {
        dbgRanking->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("SEL_PRATO")), true);
    }
    cdsRanking->SetRecNo(current.row() + 1);
    const auto field = [this](const char* name) {
        return cdsRanking->FieldByName(QString::fromLatin1(name)).AsString().trimmed();
    };
    if (field("IDATIVO") == QLatin1String("N")) {
        MensErro(msgPadrao.Fmt(QStringLiteral("INATIVO"),
                               {field("CDPRATO") + QStringLiteral(" - ") + field("NMPRATO")}),
                 true);
    }
    cdPrato_.Set(field("CDPRATO"));
    nmPrato_.Set(field("NMPRATO"));
    cdFilAux_.Set(field("CDFILAUXPRAT"));
    escolhido_.Set(true);
    SetModalResult(1);
}

void TfrmRankPrato::FormActivate(bool first) {
    if (first) {
        dbgRanking->setFocus();
    }
}

} // namespace pla::packages
