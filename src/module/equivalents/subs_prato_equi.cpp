#include "subs_prato_equi.h"

#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/lookup_dialog.h"
#include "host/server_call.h"
#include "linhas_equivalentes.h"

#include <QColor>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace pla::module {

using namespace pla::host;

namespace {

struct TColuna {
    const char* Field;
    TFieldType Type;
    int Size;
    const char* Label; // nullptr: not shown
};

// The grid's columns in their order, then what the server's lines carry besides.
constexpr TColuna Colunas[] = {
    {"IDMARCADO", TFieldType::String, 1, " "},
    {"DTCARDAPIO", TFieldType::DateTime, 0, "Data"},
    {"QTCOMESTICAR", TFieldType::Float, 0, "Comensais"},
    {"CDPRATO", TFieldType::String, 10, "Código"},
    {"NMPRATO", TFieldType::String, 40, "Nome"},
    {"IDARVORE", TFieldType::String, 1, "Árvore"},
    {"IDRECEITA", TFieldType::String, 1, "Receita"},
    {"VRCUSTO", TFieldType::Float, 0, "Custo"},
    {"VRCONSUMO", TFieldType::Float, 0, "Consumo"},
    {"CDPRATOEQUI", TFieldType::String, 10, "Código"},
    {"NMPRATOEQUI", TFieldType::String, 40, "Prato Equivalente"},
    {"IDARVOREEQUI", TFieldType::String, 1, "Árvore"},
    {"IDRECEITAEQUI", TFieldType::String, 1, "Receita"},
    {"VRCUSTOEQUI", TFieldType::Float, 0, "Custo"},
    {"VRCONSUMOEQUI", TFieldType::Float, 0, "Consumo"},
    {"VRECONOMIA", TFieldType::Float, 0, "Economia"},
    {"CDFILIAL", TFieldType::String, 4, nullptr},
    {"NRCARDAPIO", TFieldType::String, 10, nullptr},
    {"NRSEQPRATCAR", TFieldType::Float, 0, nullptr},
    {"NRORDCNFMES", TFieldType::Float, 0, nullptr},
    {"CDFILAUXPRAT", TFieldType::String, 4, nullptr},
    {"CDFILAUXPRATMAT", TFieldType::String, 4, nullptr},
    {"CDPRATOMAT", TFieldType::String, 10, nullptr},
    {"CDFILAUXPRATEQUI", TFieldType::String, 4, nullptr},
    {"IDEQUIVALENCIA", TFieldType::String, 1, nullptr},
    {"VRPECONSCARD", TFieldType::Float, 0, nullptr},
    {"VRPECONSCARDEQUI", TFieldType::Float, 0, nullptr},
    {"IDPRARECATIV", TFieldType::String, 1, nullptr},
    {"IDCUSZEROCUSDESATU", TFieldType::String, 1, nullptr},
};

const QSet<QString>& colunasEquivalente() {
    static const QSet<QString> s{QStringLiteral("CDPRATOEQUI"),  QStringLiteral("NMPRATOEQUI"),
                                 QStringLiteral("IDARVOREEQUI"), QStringLiteral("IDRECEITAEQUI"),
                                 QStringLiteral("VRCUSTOEQUI"),  QStringLiteral("VRCONSUMOEQUI")};
    return s;
}

const QSet<QString>& colunasPlanejado() {
    static const QSet<QString> s{QStringLiteral("CDPRATO"),  QStringLiteral("NMPRATO"),
                                 QStringLiteral("IDARVORE"), QStringLiteral("IDRECEITA"),
                                 QStringLiteral("VRCUSTO"),  QStringLiteral("VRCONSUMO")};
    return s;
}

double numeroDigitado(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = QLocale(QLocale::Portuguese, QLocale::Brazil).toDouble(v.toString(), &ok);
        return ok ? d : v.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    }
    return v.toDouble();
}

} // namespace

// The consumption typed keeps the decimals the quantity kind shows: a share to the
// hundredth, diners to three places, or whole when the month rounds them.
class TConsumoDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void SetDecimais(int decimais) { decimais_ = decimais; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QDoubleSpinBox(parent);
        editor->setObjectName(QStringLiteral("nedConsumoEqui"));
        editor->setFrame(false);
        editor->setDecimals(decimais_);
        editor->setRange(0, 99999999.0);
        editor->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        return editor;
    }

private:
    int decimais_ = 3;
};

// The lines as the grid shows them: the check, the kinds as words, the refused lines
// in red; the two editable columns handed to the screen's rules.
class TModeloEquivalentes : public QIdentityProxyModel {
public:
    TModeloEquivalentes(TfrmSubsPratoEqui& form, TDataSourceModel* source)
        : QIdentityProxyModel(&form)
        , form_(form)
        , source_(source) {
        setSourceModel(source);
    }

    QString Campo(int column) const { return source_->FieldNameAt(column); }
    int Coluna(const QString& field) const { return source_->ColumnOf(field); }

    QVariant data(const QModelIndex& index, int role) const override {
        const QString field = Campo(index.column());
        if (field == QLatin1String("IDMARCADO")) {
            if (role == Qt::CheckStateRole) {
                return QIdentityProxyModel::data(index, Qt::DisplayRole).toString().trimmed() ==
                               QLatin1String("S")
                           ? Qt::Checked
                           : Qt::Unchecked;
            }
            if (role == Qt::DisplayRole || role == Qt::EditRole) {
                return {};
            }
        }
        if (role == Qt::DisplayRole && field.startsWith(QLatin1String("IDARVORE"))) {
            return tipo(QStringLiteral("ARVORE_"), index);
        }
        if (role == Qt::DisplayRole && field.startsWith(QLatin1String("IDRECEITA"))) {
            return tipo(QStringLiteral("RECEITA_"), index);
        }
        if (role == Qt::ForegroundRole && form_.LinhasProntas()) {
            const TLinhasEquivalentes& l = form_.Linhas();
            const int row = index.row();
            if (colunasEquivalente().contains(field) &&
                (l.DiaBloqueado(row) || l.EquivalenteInvalido(row))) {
                return QColor(Qt::red);
            }
            if (colunasPlanejado().contains(field) &&
                (l.DiaBloqueado(row) || l.SemEquivalente(row))) {
                return QColor(Qt::red);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QIdentityProxyModel::flags(index) & ~Qt::ItemIsEditable;
        const QString field = Campo(index.column());
        if (field == QLatin1String("CDPRATOEQUI") || field == QLatin1String("VRCONSUMOEQUI")) {
            f |= Qt::ItemIsEditable;
        }
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole) {
            return false;
        }
        const QString field = Campo(index.column());
        const int row = index.row();
        if (field == QLatin1String("CDPRATOEQUI")) {
            RunHandler([&] { form_.EquivalenteDigitado(row, value.toString()); });
            return true;
        }
        if (field == QLatin1String("VRCONSUMOEQUI")) {
            RunHandler([&] { form_.ConsumoDigitado(row, numeroDigitado(value)); });
            return true;
        }
        return false;
    }

private:
    QString tipo(const QString& prefix, const QModelIndex& index) const {
        const QString kind =
            QIdentityProxyModel::data(index, Qt::DisplayRole).toString().trimmed().toUpper();
        return kind.isEmpty() ? QStringLiteral(" - ") : form_.msgPadrao.Msg(prefix + kind);
    }

    TfrmSubsPratoEqui& form_;
    TDataSourceModel* source_;
};

TfrmSubsPratoEqui::TfrmSubsPratoEqui(QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00134"),
                    QStringLiteral("Substituição do Prato por Equivalente"), parent) {
    setObjectName(QStringLiteral("frmSubsPratoEqui"));
    SetHelpContext(12300134);
    sbtAjuda->hide();
    msgPadrao.AddLines(
        {QStringLiteral("ARVORE_P|Padrão"), QStringLiteral("ARVORE_L|Local"),
         QStringLiteral("RECEITA_P|Padrão"), QStringLiteral("RECEITA_F|Local"),
         QStringLiteral("RECEITA_S|por Serviço"),
         QStringLiteral("EQUI_NAO_CAD|Prato equivalente informado não cadastrado."),
         QStringLiteral("EQUI_VAZIO|Não há prato equivalente cadastrado."),
         QStringLiteral("SEM_MARCA|Não foram marcadas substituições para realização."),
         QStringLiteral("CONF_SUBS|Os pratos selecionados serão substituídos pelo prato "
                        "equivalente indicado em sua linha. Confirma operação?"),
         QStringLiteral("SUBS_OK|Operação concluída. A planilha do cardápio será atualizada "
                        "para refletir as alterações.")});
    netPadrao = Host().NewConnection(QStringLiteral("netPadrao"),
                                     QStringLiteral("Pla00100.rdmParamCardIndu"));

    cdsPrincipal = new TMemTable(QStringLiteral("cdsPrincipal"), this);
    for (const TColuna& c : Colunas) {
        TMemField& f = cdsPrincipal->AddField(QString::fromLatin1(c.Field), c.Type, c.Size);
        f.SetVisible(c.Label != nullptr);
        if (c.Label) {
            f.SetDisplayLabel(QString::fromUtf8(c.Label));
        }
    }
    cdsPrincipal->FieldByName(QStringLiteral("DTCARDAPIO"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    cdsPrincipal->FieldByName(QStringLiteral("QTCOMESTICAR"))
        .SetDisplayFormat(QStringLiteral("##0"));
    for (const char* f : {"VRCUSTO", "VRCUSTOEQUI", "VRECONOMIA"}) {
        cdsPrincipal->FieldByName(QString::fromLatin1(f))
            .SetDisplayFormat(QStringLiteral("##0.000"));
    }
    cdsPrincipal->CreateDataSet();
    cdsEquivalentes = new TMemTable(QStringLiteral("cdsEquivalentes"), this);
    cdsEquivalentes->AddField(QStringLiteral("CDPRATO"), TFieldType::String, 10);
    cdsEquivalentes->AddField(QStringLiteral("NMPRATO"), TFieldType::String, 40);
    cdsEquivalentes->AddCalcField(QStringLiteral("DSARVORE"), TFieldType::String, 20);
    cdsEquivalentes->AddCalcField(QStringLiteral("DSRECEITA"), TFieldType::String, 20);
    cdsEquivalentes->AddCalcField(QStringLiteral("VRCUSTOABS"), TFieldType::Float)
        .SetDisplayFormat(QStringLiteral("##0.000"));
    cdsEquivalentes->OnCalcFields = [this](TCalcRow& row) {
        const auto tipo = [this, &row](const QString& prefix, const QString& field) {
            const QString kind = row.AsString(field).trimmed().toUpper();
            return kind.isEmpty() ? QStringLiteral(" - ") : msgPadrao.Msg(prefix + kind);
        };
        row.SetValue(QStringLiteral("DSARVORE"),
                     tipo(QStringLiteral("ARVORE_"), QStringLiteral("IDARVORE")));
        row.SetValue(QStringLiteral("DSRECEITA"),
                     tipo(QStringLiteral("RECEITA_"), QStringLiteral("IDRECEITA")));
        row.SetValue(QStringLiteral("VRCUSTOABS"),
                     std::abs(row.AsFloat(QStringLiteral("VRCUSTO"))));
    };

    auto* layout = new QVBoxLayout(grbDadosRel);
    dbgPrincipal = new QTableView(grbDadosRel);
    dbgPrincipal->setObjectName(QStringLiteral("dbgPrincipal"));
    dbgPrincipal->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgPrincipal->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPrincipal->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::AnyKeyPressed);
    dbgPrincipal->setWordWrap(false);
    dbgPrincipal->verticalHeader()->hide();
    dbgPrincipal->verticalHeader()->setDefaultSectionSize(20);
    dbgPrincipal->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgPrincipal->horizontalHeader()->setSectionsClickable(true);
    auto* source = new TDataSourceModel(cdsPrincipal, dbgPrincipal);
    modelo_ = new TModeloEquivalentes(*this, source);
    dbgPrincipal->setModel(modelo_);
    consumo_ = new TConsumoDelegate(dbgPrincipal);
    dbgPrincipal->setItemDelegateForColumn(modelo_->Coluna(QStringLiteral("VRCONSUMOEQUI")),
                                           consumo_);
    dbgPrincipal->installEventFilter(this);
    layout->addWidget(dbgPrincipal, 1);
    btnPesqEqui = new QToolButton(panBotoes);
    btnPesqEqui->setObjectName(QStringLiteral("btnPesqEqui"));
    btnPesqEqui->setText(QStringLiteral("Pesquisar Equivalente"));
    btnPesqEqui->setToolTip(QStringLiteral("Pesquisar prato equivalente (F2)"));
    btnPesqEqui->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    btnPesqEqui->setToolButtonStyle(btnPesqEqui->icon().isNull() ? Qt::ToolButtonTextOnly
                                                                 : Qt::ToolButtonIconOnly);
    ButtonsLayout()->insertWidget(ButtonsLayout()->indexOf(sbtConfirma) + 1, btnPesqEqui);
    sbtConfirma->setToolTip(QStringLiteral("Substituir"));

    connect(dbgPrincipal, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (modelo_->Campo(index.column()) == QLatin1String("IDMARCADO")) {
            RunHandler([this, index] { AlternaLinha(index.row()); });
        }
    });
    connect(dbgPrincipal->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this] { RunHandler([this] { AlternaTodas(); }); });
    connect(btnPesqEqui, &QToolButton::clicked, this, [this] {
        RunHandler([this] { PesquisaEquivalente(dbgPrincipal->currentIndex().row()); });
    });
    resize(1100, 520);
}

TfrmSubsPratoEqui::~TfrmSubsPratoEqui() = default;

QVariant TfrmSubsPratoEqui::chama(const rpc::TMethodSpec& metodo, const QVariantList& args) {
    return ChamaServidor(*netPadrao, counter_, metodo, args);
}

// The consumption reads as the quantity kind shows it: a share, or diners whole when
// the month rounds them.
void TfrmSubsPratoEqui::defineFormatos() {
    const bool share = TipoQuantidade.trimmed().toUpper() == QLatin1String("P");
    const bool whole = Arredondar.trimmed().toUpper() == QLatin1String("S");
    consumo_->SetDecimais(share ? 2 : whole ? 0 : 3);
    const QString format =
        TipoQuantidade.trimmed().toUpper() == QLatin1String("P") ? QStringLiteral("##0.00 %")
        : Arredondar.trimmed().toUpper() == QLatin1String("S")   ? QStringLiteral("##0")
                                                                 : QStringLiteral("##0.###");
    for (const char* f : {"VRCONSUMO", "VRCONSUMOEQUI"}) {
        cdsPrincipal->FieldByName(QString::fromLatin1(f)).SetDisplayFormat(format);
    }
}

void TfrmSubsPratoEqui::Carrega() {
    linhas_ =
        std::make_unique<TLinhasEquivalentes>(*cdsPrincipal, TipoQuantidade, DataLimite.date());
    defineFormatos();
    TWaitAnimation wait(this, 1);
    cdsPrincipal->SetData(rpc::PacoteServ(
        chama(rpc::metodos::getSubsPratoEqui(),
              {CdFilial, CdServico, Mes, TipoCusto, RefeCardapio, DtRefeCusto, TipoQuantidade})));
    cdsPrincipal->First();
}

void TfrmSubsPratoEqui::vaiPara(int row) {
    if (row < 0 || row >= cdsPrincipal->ViewRowCount()) {
        Abort();
    }
    cdsPrincipal->MoveToViewRow(row);
}

void TfrmSubsPratoEqui::AlternaLinha(int row) {
    vaiPara(row);
    linhas_->Alterna();
}

void TfrmSubsPratoEqui::AlternaTodas() {
    linhas_->AlternaTodas();
}

void TfrmSubsPratoEqui::listaEquivalentes(const QString& codigo) {
    const QDateTime referencia =
        RefeCardapio.trimmed().toUpper() == QLatin1String("S")
            ? cdsPrincipal->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime()
            : DtRefeCusto;
    cdsEquivalentes->SetData(rpc::PacoteServ(
        chama(rpc::metodos::getListaEquiPrato(),
              {cdsPrincipal->FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString(),
               cdsPrincipal->FieldByName(QStringLiteral("CDPRATO")).AsString(), QStringLiteral("E"),
               CdFilial, CdServico, Mes, TipoCusto, referencia, TipoQuantidade, codigo})));
}

void TfrmSubsPratoEqui::EquivalenteDigitado(int row, const QString& codigo) {
    vaiPara(row);
    const QString code = codigo.trimmed();
    const QString antes = cdsPrincipal->FieldByName(QStringLiteral("CDPRATOEQUI")).AsString();
    const bool escolhido = !cdsPrincipal->FieldByName(QStringLiteral("CDFILAUXPRATEQUI"))
                                .AsString()
                                .trimmed()
                                .isEmpty();
    if (escolhido && code == antes.trimmed()) {
        return;
    }
    if (escolhido) {
        linhas_->LimpaEquivalente();
    }
    cdsPrincipal->Edit();
    cdsPrincipal->FieldByName(QStringLiteral("CDPRATOEQUI")).SetAsString(code);
    cdsPrincipal->Post();
    if (code.isEmpty()) {
        linhas_->Desmarca();
        return;
    }
    listaEquivalentes(code);
    if (cdsEquivalentes->IsEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("EQUI_NAO_CAD")));
    }
    cdsEquivalentes->First();
    linhas_->AplicaEquivalente(*cdsEquivalentes);
}

void TfrmSubsPratoEqui::ConsumoDigitado(int row, double consumo) {
    vaiPara(row);
    cdsPrincipal->Edit();
    cdsPrincipal->FieldByName(QStringLiteral("VRCONSUMOEQUI")).SetAsFloat(consumo);
    cdsPrincipal->Post();
    linhas_->ConsumoAlterado();
}

void TfrmSubsPratoEqui::PesquisaEquivalente(int row) {
    vaiPara(row);
    listaEquivalentes(QStringLiteral("T"));
    // The list shows the kinds as words and the cost without the sign that flags an
    // unpriced product.
    TMemTable& t = *cdsEquivalentes;
    for (int i = 0; i < t.FieldCount(); ++i) {
        t.Fields(i).SetVisible(false);
    }
    const std::pair<const char*, const char*> shown[] = {{"CDPRATO", "Código"},
                                                         {"NMPRATO", "Nome"},
                                                         {"DSARVORE", "Árvore"},
                                                         {"DSRECEITA", "Receita"},
                                                         {"VRCUSTOABS", "Custo"}};
    for (const auto& [field, label] : shown) {
        TMemField& f = t.FieldByName(QString::fromLatin1(field));
        f.SetVisible(true);
        f.SetDisplayLabel(QString::fromUtf8(label));
    }
    if (!Pesquisar(t, QStringLiteral("Prato Equivalente"),
                   msgPadrao.Msg(QStringLiteral("EQUI_VAZIO")))) {
        return;
    }
    linhas_->LimpaEquivalente();
    linhas_->AplicaEquivalente(t);
}

void TfrmSubsPratoEqui::sbtConfirmaClick() {
    if (linhas_->Marcadas() == 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("SEM_MARCA")));
    }
    if (TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("CONF_SUBS")),
                                            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    {
        TWaitAnimation wait(this, 1);
        rpc::CheckResultServ(chama(rpc::metodos::setSubsPratoEqui(),
                                   {CdFilial, CdServico, Mes, FromDataPacket(cdsPrincipal->Data()),
                                    Host().Operador, Host().ModuFili}));
    }
    TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("SUBS_OK")),
                                        TMsgDlgType::Information, mbOK);
    SetModalResult(mrOk);
}

void TfrmSubsPratoEqui::FormActivate(bool first) {
    if (first) {
        dbgPrincipal->setFocus();
        if (cdsPrincipal->ViewRowCount() > 0) {
            dbgPrincipal->setCurrentIndex(modelo_->index(0, 0));
        }
    }
}

// Space ticks the current line as a click on its check does; F2 on the equivalent's
// code searches the equivalents. (An open editor takes the keys itself.)
bool TfrmSubsPratoEqui::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgPrincipal && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex at = dbgPrincipal->currentIndex();
        if (key == Qt::Key_Space && at.isValid()) {
            RunHandler([this, at] { AlternaLinha(at.row()); });
            return true;
        }
        if (key == Qt::Key_F2 && at.isValid() &&
            modelo_->Campo(at.column()) == QLatin1String("CDPRATOEQUI")) {
            RunHandler([this, at] { PesquisaEquivalente(at.row()); });
            return true;
        }
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}

} // namespace pla::module
