#include "menu_config.h"

#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/server_call.h"
#include "host/tool_button.h"

#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString Ordem = QStringLiteral("NRORDCNFMES");
const QString Posicao = QStringLiteral("NRSEQCNFMES");
const QString Tipo = QStringLiteral("CDTIPOPRAT");
const QString NomeTipo = QStringLiteral("NMTIPOPRAT");
const QString DiasComPratos = QStringLiteral("QTDIASPRATO");
const QString DiasBloqueados = QStringLiteral("QTDIASBLOQ");

bool ehMarca(const QString& field) {
    return field == QLatin1String("IDOPCCNFMES") || field == QLatin1String("IDCONCNFMES") ||
           field == QLatin1String("IDIMPCNFMES");
}

} // namespace

// The positions as the grid shows them: the flags as checks, the dish type by code and
// name, a new position said so; the editable cells handed to the screen's rules.
class TModeloPosicoes : public QIdentityProxyModel {
public:
    TModeloPosicoes(TfrmConfigCard& form, TDataSourceModel* source)
        : QIdentityProxyModel(&form)
        , form_(form)
        , source_(source) {
        setSourceModel(source);
    }

    QString Campo(int column) const { return source_->FieldNameAt(column); }
    int Coluna(const QString& field) const { return source_->ColumnOf(field); }
    // A field of the row, shown or not.
    QVariant Valor(int row, const QString& field) const {
        const TMemTable* t = source_->DataSet();
        return t->ViewValue(row, t->FieldByName(field).Index());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const QString field = Campo(index.column());
        if (ehMarca(field)) {
            if (role == Qt::CheckStateRole) {
                return QIdentityProxyModel::data(index, Qt::EditRole).toString() ==
                               QLatin1String("S")
                           ? Qt::Checked
                           : Qt::Unchecked;
            }
            if (role == Qt::DisplayRole || role == Qt::EditRole) {
                return {};
            }
        }
        if (role == Qt::DisplayRole && field == NomeTipo) {
            const QString code = Valor(index.row(), Tipo).toString().trimmed();
            const QString name =
                QIdentityProxyModel::data(index, Qt::EditRole).toString().trimmed();
            return code.isEmpty() ? QString() : code + QStringLiteral(" - ") + name;
        }
        if (role == Qt::EditRole && field == NomeTipo) {
            return Valor(index.row(), Tipo);
        }
        if (role == Qt::DisplayRole && field == Posicao &&
            QIdentityProxyModel::data(index, Qt::EditRole).toLongLong() <= 0) {
            return QStringLiteral("nova");
        }
        // Positions whose dishes lie partly in days that can no longer change.
        if (role == Qt::ForegroundRole && Valor(index.row(), DiasBloqueados).toLongLong() > 0) {
            return QColor(Qt::darkRed);
        }
        if (role == Qt::ToolTipRole && Valor(index.row(), DiasBloqueados).toLongLong() > 0) {
            return QStringLiteral("Posição com pratos em dias que não podem mais ser alterados: "
                                  "o tipo de prato, a opção e a contagem ficam como estão.");
        }
        return QIdentityProxyModel::data(index, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QIdentityProxyModel::flags(index) & ~Qt::ItemIsEditable;
        const QString field = Campo(index.column());
        if (ehMarca(field)) {
            f |= Qt::ItemIsUserCheckable;
        } else if (field == Ordem || field == NomeTipo) {
            f |= Qt::ItemIsEditable;
        }
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const QString field = Campo(index.column());
        const int row = index.row();
        if (ehMarca(field) && role == Qt::CheckStateRole) {
            RunHandler([&] { form_.AlternaMarca(row, field); });
            return true;
        }
        if (role != Qt::EditRole) {
            return false;
        }
        if (field == Ordem) {
            RunHandler([&] { form_.OrdemDigitada(row, value.toInt()); });
            return true;
        }
        if (field == NomeTipo) {
            RunHandler([&] { form_.TipoEscolhido(row, value.toString()); });
            return true;
        }
        return false;
    }

private:
    TfrmConfigCard& form_;
    TDataSourceModel* source_;
};

namespace {

// The dish type chosen from the list of dish types, by code and name.
class TTipoDelegate : public QStyledItemDelegate {
public:
    TTipoDelegate(TMemTable& tipos, QObject* parent)
        : QStyledItemDelegate(parent)
        , tipos_(tipos) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cbbTipoPrato"));
        combo->setFrame(false);
        for (int r = 0; r < tipos_.ViewRowCount(); ++r) {
            const QString code = ValueAsString(tipos_.ViewValue(r, 0)).trimmed();
            combo->addItem(code + QStringLiteral(" - ") +
                               ValueAsString(tipos_.ViewValue(r, 1)).trimmed(),
                           code);
        }
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(combo->findData(index.data(Qt::EditRole).toString().trimmed()));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() >= 0) {
            model->setData(index, combo->currentData(), Qt::EditRole);
        }
    }

private:
    TMemTable& tipos_;
};

class TOrdemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* spin = new QSpinBox(parent);
        spin->setObjectName(QStringLiteral("nedOrdem"));
        spin->setFrame(false);
        spin->setRange(1, 999);
        return spin;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QSpinBox*>(editor)->setValue(index.data(Qt::EditRole).toInt());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* spin = static_cast<QSpinBox*>(editor);
        spin->interpretText();
        model->setData(index, spin->value(), Qt::EditRole);
    }
};

} // namespace

TfrmConfigCard::TfrmConfigCard(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00119"), QStringLiteral("Configurar Cardápio"), parent) {
    setObjectName(QStringLiteral("frmConfigCard"));
    msgPadrao.AddLines(
        {QStringLiteral("ORIGEM_SERV|O mês ainda não tem configuração própria: estas são as "
                        "posições do serviço, que o mês recebe ao gravar."),
         QStringLiteral("ORIGEM_NENHUMA|Nem o mês nem o serviço têm posições: inclua as do mês."),
         QStringLiteral("PERDE_PRATOS_EXCL|A %s tem pratos em %s dia(s) do mês. Excluindo a "
                        "posição, esses pratos serão excluídos do cardápio ao gravar. Confirma?"),
         QStringLiteral("PERDE_PRATOS_TIPO|A %s tem pratos em %s dia(s) do mês. Mudando o tipo "
                        "de prato, esses pratos serão excluídos do cardápio ao gravar. Confirma?"),
         QStringLiteral("GRAVADA|Configuração do cardápio gravada."),
         QStringLiteral("GRAVADA_PRATOS|Configuração do cardápio gravada; %s prato(s) "
                        "excluído(s) do cardápio."),
         QStringLiteral("SEM_ALTERACAO|Não há alterações a gravar."),
         QStringLiteral("SAIR_SEM_GRAVAR|As alterações da configuração não foram gravadas. "
                        "Deseja sair sem gravá-las?")});
    if (p.size() < 3) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para a configuração do cardápio."));
    }
    filial_ = p[0].toString().trimmed();
    servico_ = p[1].toString().trimmed();
    mes_ = PriDiaMes(p[2].toDateTime().date());
    net_ = Host().NewConnection(QStringLiteral("netConfigCard"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));

    cdsPosicoes = new TMemTable(QStringLiteral("cdsPosicoes"), this);
    const auto field = [this](const QString& name, TFieldType type, int size, const char* label) {
        TMemField& f = cdsPosicoes->AddField(name, type, size);
        if (label) {
            f.SetDisplayLabel(QString::fromUtf8(label));
        } else {
            f.SetVisible(false);
        }
    };
    field(Ordem, TFieldType::Integer, 0, "Ordem");
    field(NomeTipo, TFieldType::String, 35, "Tipo de Prato");
    field(QStringLiteral("IDOPCCNFMES"), TFieldType::String, 1, "Opcional");
    field(QStringLiteral("IDCONCNFMES"), TFieldType::String, 1, "Contada");
    field(QStringLiteral("IDIMPCNFMES"), TFieldType::String, 1, "Impressa");
    field(Posicao, TFieldType::Integer, 0, "Posição");
    field(DiasComPratos, TFieldType::Integer, 0, "Dias com pratos");
    field(DiasBloqueados, TFieldType::Integer, 0, "Dias bloqueados");
    field(Tipo, TFieldType::String, 2, nullptr);
    cdsPosicoes->AddIndex(QStringLiteral("Ordem"), QStringLiteral("NRORDCNFMES;NRSEQCNFMES"));
    cdsPosicoes->CreateDataSet();
    cdsPosicoes->SetIndexName(QStringLiteral("Ordem"));
    cdsTiposPrato = new TMemTable(QStringLiteral("cdsTiposPrato"), this);

    auto* v = new QVBoxLayout(grbDadosRel);
    lblServico = new QLabel(grbDadosRel);
    lblServico->setObjectName(QStringLiteral("lblServico"));
    v->addWidget(lblServico);
    lblOrigem = new QLabel(grbDadosRel);
    lblOrigem->setObjectName(QStringLiteral("lblOrigem"));
    lblOrigem->setWordWrap(true);
    lblOrigem->setStyleSheet(QStringLiteral("color: #a00000"));
    v->addWidget(lblOrigem);
    dbgPosicoes = new QTableView(grbDadosRel);
    dbgPosicoes->setObjectName(QStringLiteral("dbgPosicoes"));
    dbgPosicoes->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgPosicoes->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPosicoes->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    dbgPosicoes->setWordWrap(false);
    dbgPosicoes->verticalHeader()->hide();
    dbgPosicoes->verticalHeader()->setDefaultSectionSize(22);
    dbgPosicoes->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgPosicoes->horizontalHeader()->setStretchLastSection(true);
    auto* source = new TDataSourceModel(cdsPosicoes, dbgPosicoes);
    modelo_ = new TModeloPosicoes(*this, source);
    dbgPosicoes->setModel(modelo_);
    dbgPosicoes->setItemDelegateForColumn(modelo_->Coluna(NomeTipo),
                                          new TTipoDelegate(*cdsTiposPrato, dbgPosicoes));
    dbgPosicoes->setItemDelegateForColumn(modelo_->Coluna(Ordem), new TOrdemDelegate(dbgPosicoes));
    dbgPosicoes->installEventFilter(this);
    v->addWidget(dbgPosicoes, 1);
    auto* hint = new QLabel(QStringLiteral("Insert inclui, Delete exclui, Ctrl+↑ e Ctrl+↓ mudam a "
                                           "ordem; F2 altera a célula, Espaço marca."),
                            grbDadosRel);
    hint->setObjectName(QStringLiteral("lblTeclas"));
    v->addWidget(hint);

    sbtIncluir = BotaoFerramenta(panBotoes, "sbtIncluir",
                                 QStringLiteral("Incluir Posição (Insert)"), "list-add");
    sbtExcluir = BotaoFerramenta(panBotoes, "sbtExcluir",
                                 QStringLiteral("Excluir Posição (Delete)"), "list-remove");
    sbtSubir = BotaoFerramenta(panBotoes, "sbtSubir", QStringLiteral("Subir (Ctrl+↑)"), "go-up");
    sbtDescer =
        BotaoFerramenta(panBotoes, "sbtDescer", QStringLiteral("Descer (Ctrl+↓)"), "go-down");
    int at = ButtonsLayout()->indexOf(sbtConfirma);
    for (QToolButton* b : {sbtIncluir, sbtExcluir, sbtSubir, sbtDescer}) {
        ButtonsLayout()->insertWidget(at++, b);
    }
    sbtConfirma->setToolTip(QStringLiteral("Gravar"));
    const auto current = [this] { return dbgPosicoes->currentIndex().row(); };
    connect(sbtIncluir, &QToolButton::clicked, this,
            [this] { RunHandler([this] { IncluiPosicao(); }); });
    connect(sbtExcluir, &QToolButton::clicked, this,
            [this, current] { RunHandler([this, current] { ExcluiPosicao(current()); }); });
    connect(sbtSubir, &QToolButton::clicked, this,
            [this, current] { RunHandler([this, current] { MovePosicao(current(), -1); }); });
    connect(sbtDescer, &QToolButton::clicked, this,
            [this, current] { RunHandler([this, current] { MovePosicao(current(), 1); }); });

    Carrega();
    resize(760, 480);
}

TfrmConfigCard::~TfrmConfigCard() = default;

QVariant TfrmConfigCard::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

void TfrmConfigCard::Carrega() {
    using E = rpc::TElemConfigCard;
    const QVariantList answer = rpc::CheckResultServ(chama(rpc::metodos::GetConfigCardMes(),
                                                           {filial_, servico_, DataHora(mes_)}))
                                    .toList();
    if (answer.size() < int(E::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao ler a configuração."));
    }
    cdsTiposPrato->SetData(rpc::PacoteServ(answer[int(E::TiposPrato)]));
    cdsPosicoes->SetData(rpc::PacoteServ(answer[int(E::Posicoes)]));
    confirmados_.clear();
    origem_ = answer[int(E::Origem)].toString();
    lblOrigem->setText(origem_ == QString(QLatin1Char(rpc::ConfigDoMes)) ? QString()
                       : origem_.isEmpty() ? msgPadrao.Msg(QStringLiteral("ORIGEM_NENHUMA"))
                                           : msgPadrao.Msg(QStringLiteral("ORIGEM_SERV")));
    lblOrigem->setVisible(!lblOrigem->text().isEmpty());
    lblServico->setText(
        QStringLiteral("Filial %1, serviço %2 - %3, %4. Dias alteráveis a partir de %5.")
            .arg(filial_, servico_, answer[int(E::NomeServico)].toString(),
                 FormatDateTime(QStringLiteral("mmmm 'de' yyyy"), mes_),
                 FormatDateTime(QStringLiteral("dd/mm/yyyy"),
                                answer[int(E::PrimeiroDiaAlteravel)].toDateTime())));
    cdsPosicoes->First();
}

bool TfrmConfigCard::Alterada() const {
    return cdsPosicoes->IsEditing() || cdsPosicoes->ChangeCount() > 0;
}

void TfrmConfigCard::vaiPara(int row) {
    if (row < 0 || row >= cdsPosicoes->ViewRowCount()) {
        Abort();
    }
    cdsPosicoes->CheckBrowseMode();
    cdsPosicoes->MoveToViewRow(row);
}

void TfrmConfigCard::selecionaLinha(int row, const QString& campo) {
    if (row >= 0 && row < modelo_->rowCount()) {
        dbgPosicoes->setCurrentIndex(modelo_->index(row, std::max(0, modelo_->Coluna(campo))));
    }
}

bool TfrmConfigCard::confirmaPerdaDosPratos(const QString& chave) {
    const int seq = int(cdsPosicoes->FieldByName(Posicao).AsInteger());
    const qint64 dias = cdsPosicoes->FieldByName(DiasComPratos).AsInteger();
    if (seq <= 0 || dias == 0 || confirmados_.contains(seq)) {
        return true;
    }
    const QString nome = QStringLiteral("posição %1 (%2)")
                             .arg(seq)
                             .arg(cdsPosicoes->FieldByName(NomeTipo).AsString().trimmed());
    if (TDialogPresenter::Current().Message(msgPadrao.Fmt(chave, {nome, QString::number(dias)}),
                                            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return false;
    }
    confirmados_.insert(seq);
    return true;
}

// A new position comes last, in the next ten of the orders, and waits for its dish type.
void TfrmConfigCard::IncluiPosicao() {
    cdsPosicoes->CheckBrowseMode();
    qint64 ultima = 0;
    for (int r = 0; r < cdsPosicoes->ViewRowCount(); ++r) {
        ultima = std::max(ultima, modelo_->Valor(r, Ordem).toLongLong());
    }
    // The next ten, or the next free order near the end of the grid's three digits.
    qint64 ordem = (ultima / 10 + 1) * 10;
    if (ordem > 999) {
        ordem = ultima < 999 ? ultima + 1 : 0;
    }
    if (ordem == 0) {
        MensErro(QStringLiteral("Não há ordem livre depois de %1: reordene as posições antes de "
                                "incluir outra.")
                     .arg(ultima),
                 true);
    }
    cdsPosicoes->Append();
    cdsPosicoes->FieldByName(Ordem).SetAsInteger(ordem);
    cdsPosicoes->FieldByName(Posicao).SetAsInteger(0);
    cdsPosicoes->FieldByName(Tipo).SetAsString(QString());
    cdsPosicoes->FieldByName(NomeTipo).SetAsString(QString());
    cdsPosicoes->FieldByName(QStringLiteral("IDOPCCNFMES")).SetAsString(QStringLiteral("N"));
    cdsPosicoes->FieldByName(QStringLiteral("IDCONCNFMES")).SetAsString(QStringLiteral("S"));
    cdsPosicoes->FieldByName(QStringLiteral("IDIMPCNFMES")).SetAsString(QStringLiteral("S"));
    cdsPosicoes->FieldByName(DiasComPratos).SetAsInteger(0);
    cdsPosicoes->FieldByName(DiasBloqueados).SetAsInteger(0);
    cdsPosicoes->Post();
    const int row = cdsPosicoes->ViewCurrentRow();
    selecionaLinha(row, NomeTipo);
    dbgPosicoes->setFocus();
    dbgPosicoes->edit(dbgPosicoes->currentIndex());
}

void TfrmConfigCard::ExcluiPosicao(int row) {
    vaiPara(row);
    if (!confirmaPerdaDosPratos(QStringLiteral("PERDE_PRATOS_EXCL"))) {
        return;
    }
    cdsPosicoes->Delete();
    selecionaLinha(std::min(row, cdsPosicoes->ViewRowCount() - 1), Ordem);
}

// The row changes places with its neighbour: they swap their orders.
void TfrmConfigCard::MovePosicao(int row, int passo) {
    const int outra = row + passo;
    if (row < 0 || outra < 0 || outra >= cdsPosicoes->ViewRowCount()) {
        return;
    }
    vaiPara(outra);
    const TBookmark vizinha = cdsPosicoes->Bookmark();
    const qint64 ordemVizinha = cdsPosicoes->FieldByName(Ordem).AsInteger();
    vaiPara(row);
    const TBookmark propria = cdsPosicoes->Bookmark();
    qint64 ordem = cdsPosicoes->FieldByName(Ordem).AsInteger();
    if (ordem == ordemVizinha) {
        ordem -= passo; // the same order twice: the move still shows
    }
    cdsPosicoes->Edit();
    cdsPosicoes->FieldByName(Ordem).SetAsInteger(ordemVizinha);
    cdsPosicoes->Post();
    cdsPosicoes->GotoBookmark(vizinha);
    cdsPosicoes->Edit();
    cdsPosicoes->FieldByName(Ordem).SetAsInteger(ordem);
    cdsPosicoes->Post();
    cdsPosicoes->GotoBookmark(propria);
    selecionaLinha(cdsPosicoes->ViewCurrentRow(),
                   modelo_->Campo(std::max(0, dbgPosicoes->currentIndex().column())));
}

void TfrmConfigCard::TipoEscolhido(int row, const QString& cdTipoPrat) {
    vaiPara(row);
    const QString code = cdTipoPrat.trimmed();
    if (code.isEmpty() || code == cdsPosicoes->FieldByName(Tipo).AsString().trimmed()) {
        return;
    }
    const QVariant nome =
        cdsTiposPrato->Lookup(QStringLiteral("CDTIPOPRAT"), {code}, QStringLiteral("NMTIPOPRAT"));
    if (nome.isNull()) {
        MensErro(QStringLiteral("Tipo de prato %1 não cadastrado.").arg(code), true);
    }
    if (!confirmaPerdaDosPratos(QStringLiteral("PERDE_PRATOS_TIPO"))) {
        return;
    }
    const TBookmark propria = cdsPosicoes->Bookmark();
    cdsPosicoes->Edit();
    cdsPosicoes->FieldByName(Tipo).SetAsString(code);
    cdsPosicoes->FieldByName(NomeTipo).SetAsString(nome.toString().trimmed());
    cdsPosicoes->Post();
    cdsPosicoes->GotoBookmark(propria);
}

void TfrmConfigCard::OrdemDigitada(int row, int ordem) {
    vaiPara(row);
    if (ordem == cdsPosicoes->FieldByName(Ordem).AsInteger()) {
        return;
    }
    const TBookmark propria = cdsPosicoes->Bookmark();
    cdsPosicoes->Edit();
    cdsPosicoes->FieldByName(Ordem).SetAsInteger(ordem);
    cdsPosicoes->Post();
    // The row follows its new order in the grid.
    cdsPosicoes->GotoBookmark(propria);
    selecionaLinha(cdsPosicoes->ViewCurrentRow(), Ordem);
}

void TfrmConfigCard::AlternaMarca(int row, const QString& campo) {
    vaiPara(row);
    TMemField& f = cdsPosicoes->FieldByName(campo);
    cdsPosicoes->Edit();
    f.SetAsString(f.AsString() == QLatin1String("S") ? QStringLiteral("N") : QStringLiteral("S"));
    cdsPosicoes->Post();
}

void TfrmConfigCard::sbtConfirmaClick() {
    cdsPosicoes->CheckBrowseMode();
    // A month shown with the service's positions takes them as its own by a save.
    if (!Alterada() && origem_ == QString(QLatin1Char(rpc::ConfigDoMes))) {
        MensErro(msgPadrao.Msg(QStringLiteral("SEM_ALTERACAO")), true);
    }
    QStringList confirmados;
    for (const int seq : confirmados_) {
        confirmados.append(QString::number(seq));
    }
    std::sort(confirmados.begin(), confirmados.end());
    qint64 excluidos = 0;
    {
        TWaitAnimation wait(this, 1, QStringLiteral("Gravando a configuração do cardápio..."));
        // A refusal raises here: the positions stay as the planner left them.
        excluidos =
            rpc::CheckResultServ(
                chama(rpc::metodos::SetConfigCardMes(),
                      {filial_, servico_, DataHora(mes_), FromDataPacket(cdsPosicoes->Data()),
                       confirmados.join(QLatin1Char(';')), Host().Operador}))
                .toLongLong();
    }
    cdsPosicoes->MergeChangeLog();
    confirmados_.clear();
    TDialogPresenter::Current().Message(
        excluidos > 0
            ? msgPadrao.Fmt(QStringLiteral("GRAVADA_PRATOS"), {QString::number(excluidos)})
            : msgPadrao.Msg(QStringLiteral("GRAVADA")),
        TMsgDlgType::Information, mbOK);
    SetModalResult(mrOk);
}

void TfrmConfigCard::FormActivate(bool first) {
    if (first) {
        dbgPosicoes->setFocus();
        selecionaLinha(0, Ordem);
    }
}

bool TfrmConfigCard::FormCloseQuery() {
    if (ModalResult() == mrOk || !Alterada()) {
        return true;
    }
    return TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("SAIR_SEM_GRAVAR")),
                                               TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes;
}

// Insert, Delete and Ctrl+arrows work the positions (an open editor keeps its keys).
bool TfrmConfigCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgPosicoes && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int row = dbgPosicoes->currentIndex().row();
        if (key->key() == Qt::Key_Insert) {
            RunHandler([this] { IncluiPosicao(); });
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            RunHandler([this, row] { ExcluiPosicao(row); });
            return true;
        }
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            (key->modifiers() & Qt::ControlModifier)) {
            RunHandler([this, row, key] { MovePosicao(row, key->key() == Qt::Key_Up ? -1 : 1); });
            return true;
        }
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}

} // namespace pla::packages
