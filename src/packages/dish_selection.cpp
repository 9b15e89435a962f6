#include "dish_selection.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "core/numbers.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/number_edit.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::packages {

using namespace pla::host;

TfrmSelPrato::TfrmSelPrato(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00115"), QStringLiteral("Seleção de Prato"), parent) {
    setObjectName(QStringLiteral("frmSelPrato"));
    msgPadrao.AddLines(
        {QStringLiteral("SEL_PRATO|Selecione um prato."),
         QStringLiteral("VALOR_ZERO|O valor deve ser maior que zero."),
         QStringLiteral("VALOR_COMENS|O número de comensais do prato não pode ser maior que o "
                        "número de comensais do dia (%s)."),
         QStringLiteral("VALOR_PERC|O percentual do prato não pode ser maior que 100.")});
    if (p.size() < 18) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para a seleção de prato."));
    }
    indice_ = p[0].toInt();
    comensais_ = p[1].toDouble();
    exibeCusto_ = p[2].toBool();
    modo_ = p[3].toInt();
    tipoCusto_ = p[4].toInt();
    referencia_ = p[5].toDateTime();
    filialCusto_ = p[6].toString();
    filial_ = p[7].toString();
    servico_ = p[8].toString();
    entrada_ = TReference::Of(p[9]).Get().toStringList();
    cdPrato_ = TReference::Of(p[10]);
    nmPrato_ = TReference::Of(p[11]);
    cdFilAux_ = TReference::Of(p[12]);
    valor_ = TReference::Of(p[13]);
    confirmado_ = TReference::Of(p[14]);
    tela_ = p[15].value<QObject*>();
    central_ = p[17].toString().trimmed();
    confirmado_.Set(false);

    cdsLista = new TMemTable(QStringLiteral("cdsLista"), this);
    const auto field = [this](const char* name, TFieldType type, int size, const char* label) {
        cdsLista->AddField(QString::fromLatin1(name), type, size)
            .SetDisplayLabel(QString::fromUtf8(label));
    };
    field("CDPRATO", TFieldType::String, 10, "Código");
    field("NMPRATO", TFieldType::String, 40, "Prato");
    field("DSRECEITA", TFieldType::String, 12, "Receita");
    field("DSATIVO", TFieldType::String, 8, "Situação");
    field("VRCUSTOPORCAO", TFieldType::Float, 0, "Custo/Porção");
    field("CDFILAUXPRAT", TFieldType::String, 4, "Filial");
    cdsLista->FieldByName(QStringLiteral("VRCUSTOPORCAO"))
        .SetDisplayFormat(QStringLiteral("#,##0.00###"));
    cdsLista->FieldByName(QStringLiteral("VRCUSTOPORCAO")).SetVisible(exibeCusto_);
    cdsLista->FieldByName(QStringLiteral("CDFILAUXPRAT")).SetVisible(false);
    cdsLista->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* form = new QFormLayout;
    edtPesquisa = new QLineEdit(grbDadosRel);
    edtPesquisa->setObjectName(QStringLiteral("edtPesquisa"));
    edtPesquisa->setPlaceholderText(QStringLiteral("Nome ou código do prato"));
    form->addRow(QStringLiteral("Pesquisar"), edtPesquisa);
    v->addLayout(form);
    dbgPrato = new QTableView(grbDadosRel);
    dbgPrato->setObjectName(QStringLiteral("dbgPrato"));
    model_ = new TDataSourceModel(cdsLista, dbgPrato);
    model_->SetReadOnly(true);
    dbgPrato->setModel(model_);
    dbgPrato->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgPrato->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPrato->setWordWrap(false);
    dbgPrato->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgPrato->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    dbgPrato->verticalHeader()->hide();
    v->addWidget(dbgPrato, 1);
    auto* valueForm = new QFormLayout;
    nedValor = new TNumberEdit(grbDadosRel);
    nedValor->setObjectName(QStringLiteral("nedValor"));
    nedValor->SetDecimals(modo_ == 1 ? 2 : (modo_ == 2 ? 0 : 3));
    valueForm->addRow(modo_ == 1 ? QStringLiteral("Percentual") : QStringLiteral("Comensais"),
                      nedValor);
    v->addLayout(valueForm);
    sbtConfirma->setToolTip(QStringLiteral("Confirmar a escolha do prato"));

    // The value starts with the cell's, else the whole day (or 100 %).
    if (entrada_.size() >= 3 && !entrada_[2].isEmpty()) {
        nedValor->SetValue(
            QString(entrada_[2]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
    } else {
        nedValor->SetValue(modo_ == 1 ? 100.0 : comensais_);
    }

    const TMemTable* source =
        tela_ ? tela_->findChild<TMemTable*>(QStringLiteral("cdsPrato"), Qt::FindDirectChildrenOnly)
              : nullptr;
    noServidor_ = !source || !source->Active() || source->IsEmpty();
    if (!noServidor_) {
        carregaLista(*source);
    } else {
        net_ = Host().NewConnection(QStringLiteral("netPesqPrato"),
                                    QStringLiteral("Pla00100.rdmParamCardIndu"));
        if (!central_.isEmpty()) {
            pesquisaServidor(QString()); // only the central dish and its equivalents
        }
    }
    cdsLista->SetFilter([this](const TMemRow& row) {
        const QString text = edtPesquisa->text().trimmed().toUpper();
        return text.isEmpty() || row.AsString(QStringLiteral("NMPRATO")).toUpper().contains(text) ||
               row.AsString(QStringLiteral("CDPRATO")).startsWith(text);
    });
    cdsLista->SetFiltered(true);
    connect(edtPesquisa, &QLineEdit::textChanged, this,
            [this](const QString& text) { RunHandler([this, text] { Pesquisa(text); }); });
    connect(dbgPrato, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { sbtConfirmaClick(); }); });
    // The cell's dish chosen again unless the planner picks another.
    if (entrada_.size() >= 4 && !entrada_[0].isEmpty() &&
        cdsLista->Locate(QStringLiteral("CDPRATO;CDFILAUXPRAT"), {entrada_[0], entrada_[3]})) {
        dbgPrato->selectRow(cdsLista->RecNo() - 1);
    }
    resize(640, 480);
}

TfrmSelPrato::~TfrmSelPrato() = default;

double TfrmSelPrato::Limite() const {
    return modo_ == 1 ? 100.0 : comensais_;
}

void TfrmSelPrato::carregaLista(const TMemTable& source) {
    TDataPacket p;
    p.Fields = cdsLista->DataFieldDefs();
    TDataPacket s = source.Data();
    const auto at = [&s](const char* name) { return s.FieldIndex(QString::fromLatin1(name)); };
    const int code = at("CDPRATO"), name = at("NMPRATO"), recipe = at("IDRECEREVI"),
              active = at("IDATIVO"), cost = at("VRCUSTOPORCAO"), branch = at("CDFILAUXPRAT");
    for (const TPacketRow& r : s.Rows) {
        TPacketRow t;
        const auto v = [&r](int i) { return i >= 0 ? r.Values.value(i) : QVariant(); };
        t.Values = {v(code),
                    v(name),
                    v(recipe).toString() == QLatin1String("N") ? QStringLiteral("Não revisada")
                                                               : QStringLiteral("Revisada"),
                    v(active).toString() == QLatin1String("N") ? QStringLiteral("Inativo")
                                                               : QStringLiteral("Ativo"),
                    v(cost),
                    v(branch)};
        p.Rows.append(t);
    }
    cdsLista->SetFiltered(false);
    cdsLista->SetData(p);
    cdsLista->SetFiltered(true);
}

// The branch's dishes whose name holds the text, or whose code begins with it.
void TfrmSelPrato::pesquisaServidor(const QString& text) {
    TMemTable found;
    const QString levels = QString::number(Host().NiveisPrato());
    rpc::TServerCallScope call(netCounter_, *net_);
    const rpc::TMethodSpec& spec =
        exibeCusto_ ? rpc::metodos::GetPratoCusto() : rpc::metodos::GetPratoPesq();
    QList<rpc::TRpcArg> args =
        exibeCusto_ ? rpc::Argumentos(spec, {filial_, servico_, levels, text, qlonglong(tipoCusto_),
                                             referencia_, filialCusto_, central_, false})
                    : rpc::Argumentos(spec, {filial_, servico_, levels, text, central_, false});
    found.SetData(rpc::PacoteServ(net_->Call(spec.Name, args)));
    carregaLista(found);
}

void TfrmSelPrato::Pesquisa(const QString& text) {
    if (noServidor_ && central_.isEmpty()) {
        // Searched on the server once the text narrows the dishes enough.
        if (text.trimmed().size() >= 2) {
            pesquisaServidor(text.trimmed().toUpper());
        } else {
            cdsLista->EmptyDataSet();
        }
        return;
    }
    cdsLista->Refilter();
}

void TfrmSelPrato::sbtConfirmaClick() {
    const QModelIndex row = dbgPrato->currentIndex();
    if (!row.isValid() || cdsLista->IsEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("SEL_PRATO")), true);
    }
    cdsLista->SetRecNo(row.row() + 1);
    const double valor = nedValor->Value();
    if (!(valor > 0)) {
        nedValor->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("VALOR_ZERO")), true);
    }
    if (valor > Limite() + 1e-9) {
        nedValor->setFocus();
        MensErro(modo_ == 1
                     ? msgPadrao.Msg(QStringLiteral("VALOR_PERC"))
                     : msgPadrao.Fmt(QStringLiteral("VALOR_COMENS"), {FloatToStr(comensais_)}),
                 true);
    }
    cdPrato_.Set(cdsLista->FieldByName(QStringLiteral("CDPRATO")).AsString());
    nmPrato_.Set(cdsLista->FieldByName(QStringLiteral("NMPRATO")).AsString());
    cdFilAux_.Set(cdsLista->FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString());
    valor_.Set(valor);
    confirmado_.Set(true);
    SetModalResult(1);
}

void TfrmSelPrato::FormActivate(bool first) {
    if (first) {
        edtPesquisa->setFocus();
    }
}

} // namespace pla::packages
