#include "export_log.h"

#include "core/errors.h"
#include "core/mem_table.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "rpc/contracts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMap>

namespace pla::packages {

using namespace pla::host;

namespace {

// What the server's answer brings for each line (server: menu_export_write.cpp).
const QStringList CamposLog{
    QStringLiteral("IDNUMERRO"),    QStringLiteral("CDFILORIGLOG"), QStringLiteral("NMFILORIG"),
    QStringLiteral("CDFILDESTLOG"), QStringLiteral("NMFILDEST"),    QStringLiteral("CDSERDESTLOG"),
    QStringLiteral("NMSERVICO"),    QStringLiteral("DTCARDESTLOG"), QStringLiteral("CDPRATLOG"),
    QStringLiteral("NMPRATORIG"),   QStringLiteral("NMPRATDEST"),   QStringLiteral("DSMENSLOG")};

const QString Kind = QStringLiteral("IDNUMERRO");
const QString Destination = QStringLiteral("CDSERDESTLOG");
const QString DestinationName = QStringLiteral("NMSERVICO");
const QString KindName = QStringLiteral("NMSITUACAO");

// A kind the log screen does not know yet is still shown, by its letter.
QString nomeSituacao(const QString& kind) {
    const QString name = rpc::NomeLinhaLogExportacao(kind.isEmpty() ? QChar() : kind.front());
    return name.isEmpty() ? kind : name;
}

QString texto(const TPacketRow& row, int field) {
    return field < 0 ? QString() : row.Values.value(field).toString().trimmed();
}

} // namespace

TfrmLogExpCard::TfrmLogExpCard(const QVariantList& params, QWidget* parent)
    : TfrmDadosGerRel(QStringLiteral("PLA06100"), QStringLiteral("Log da Exportação de Cardápio"),
                      QStringLiteral("PLA06100"), parent) {
    setObjectName(QStringLiteral("frmLogExpCard"));
    SetHelpContext(12306101);
    msgPadrao.AddLines(
        {QStringLiteral("PARAM_QTD|O log da exportação espera 4 parâmetros (log, filial, "
                        "destinos e visualização) e recebeu %s."),
         QStringLiteral("PARAM_LOG|O primeiro parâmetro do log da exportação deve ser o "
                        "pacote de observações do servidor."),
         QStringLiteral("PARAM_TIPOS|O log da exportação espera a filial e os destinos como "
                        "texto e a visualização como sim ou não."),
         QStringLiteral("CAMPO_LOG|O log da exportação recebido não tem o campo %s."),
         QStringLiteral("FILIAL|Filial %s"), QStringLiteral("DESTINOS|destinos: %s"),
         QStringLiteral("SEM_OBS|sem observações: %s")});
    leParametros(params);
    criaFiltros();
    // The predicate reads the chosen values, so a new choice only refilters.
    dtsPadrao->SetFilter([this](const TMemRow& row) { return mostra(row); });
    dtsPadrao->SetFiltered(true);
    resize(960, 540);
}

TfrmLogExpCard::~TfrmLogExpCard() = default;

void TfrmLogExpCard::leParametros(const QVariantList& p) {
    if (p.size() != 4) {
        throw EPlaError(msgPadrao.Fmt(QStringLiteral("PARAM_QTD"), {QString::number(p.size())}));
    }
    if (!IsDataPacket(p[0])) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAM_LOG")));
    }
    if (p[1].typeId() != QMetaType::QString || p[2].typeId() != QMetaType::QString ||
        p[3].typeId() != QMetaType::Bool) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAM_TIPOS")));
    }
    log_ = ToDataPacket(p[0]);
    // An answer without lines may come without fields: it is an empty log all the same.
    if (log_.RowCount() > 0) {
        for (const QString& field : CamposLog) {
            if (log_.FieldIndex(field) < 0) {
                throw EPlaError(msgPadrao.Fmt(QStringLiteral("CAMPO_LOG"), {field}));
            }
        }
    }
    filial_ = p[1].toString().trimmed();
    for (const QString& d : p[2].toString().split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        if (!d.trimmed().isEmpty()) {
            destinos_ << d.trimmed();
        }
    }
    visualiza_ = p[3].toBool();
}

void TfrmLogExpCard::criaFiltros() {
    // Destinations by code and kinds by name: the order the planner scans them in.
    QMap<QString, QString> destinos;
    QMap<QString, QString> situacoes;
    const int kind = log_.FieldIndex(Kind);
    const int code = log_.FieldIndex(Destination);
    const int name = log_.FieldIndex(DestinationName);
    for (const TPacketRow& r : log_.Rows) {
        destinos.insert(texto(r, code), texto(r, name));
        situacoes.insert(nomeSituacao(texto(r, kind)), texto(r, kind));
    }

    panFiltros = new QWidget(this);
    panFiltros->setObjectName(QStringLiteral("panFiltros"));
    auto* bar = new QHBoxLayout(panFiltros);
    bar->setContentsMargins(0, 0, 0, 0);
    cbxDestino = new QComboBox(panFiltros);
    cbxDestino->setObjectName(QStringLiteral("cbxDestino"));
    cbxDestino->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbxDestino->addItem(QStringLiteral("Todos"), QString());
    for (auto it = destinos.cbegin(); it != destinos.cend(); ++it) {
        cbxDestino->addItem(it.value().isEmpty() ? it.key()
                                                 : it.key() + QStringLiteral(" - ") + it.value(),
                            it.key());
    }
    cbxSituacao = new QComboBox(panFiltros);
    cbxSituacao->setObjectName(QStringLiteral("cbxSituacao"));
    cbxSituacao->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbxSituacao->addItem(QStringLiteral("Todas"), QString());
    for (auto it = situacoes.cbegin(); it != situacoes.cend(); ++it) {
        cbxSituacao->addItem(it.key(), it.value());
    }
    for (const auto& [text, box] : {std::pair{QStringLiteral("Serviço de destino"), cbxDestino},
                                    std::pair{QStringLiteral("Situação"), cbxSituacao}}) {
        auto* label = new QLabel(text, panFiltros);
        label->setBuddy(box);
        bar->addWidget(label);
        bar->addWidget(box);
    }
    bar->addStretch(1);

    // The destinations without observations got the whole period as asked.
    QStringList semObservacao;
    for (const QString& d : destinos_) {
        if (!destinos.contains(d)) {
            semObservacao << d;
        }
    }
    QStringList resumo{msgPadrao.Fmt(QStringLiteral("FILIAL"), {filial_})};
    if (!destinos_.isEmpty()) {
        resumo << msgPadrao.Fmt(QStringLiteral("DESTINOS"), {destinos_.join(QStringLiteral(", "))});
    }
    if (!semObservacao.isEmpty()) {
        resumo << msgPadrao.Fmt(QStringLiteral("SEM_OBS"),
                                {semObservacao.join(QStringLiteral(", "))});
    }
    lblDestinos = new QLabel(resumo.join(QStringLiteral(" · ")), panFiltros);
    lblDestinos->setObjectName(QStringLiteral("lblDestinos"));
    bar->addWidget(lblDestinos);
    AddAboveGrid(panFiltros);

    for (QComboBox* box : {cbxDestino, cbxSituacao}) {
        connect(box, &QComboBox::currentIndexChanged, this,
                [this] { RunHandler([this] { filtroAlterado(); }); });
    }
}

void TfrmLogExpCard::filtroAlterado() {
    destino_ = cbxDestino->currentData().toString();
    situacao_ = cbxSituacao->currentData().toString();
    if (dtsPadrao->Active()) {
        dtsPadrao->Refilter();
    }
}

bool TfrmLogExpCard::mostra(const TMemRow& row) const {
    return (destino_.isEmpty() || row.AsString(Destination).trimmed() == destino_) &&
           (situacao_.isEmpty() || row.AsString(Kind).trimmed() == situacao_);
}

void TfrmLogExpCard::FillRows(TMemTable& rows) {
    // Each declared field takes the answer's column of its name; the kind's name is
    // the one the screen adds.
    QList<std::pair<TMemField*, int>> copia;
    for (int i = 0; i < rows.FieldCount(); ++i) {
        TMemField& f = rows.Fields(i);
        const int source = log_.FieldIndex(f.FieldName());
        if (source >= 0) {
            copia.append({&f, source});
        }
    }
    TMemField* nome = rows.FindField(KindName);
    const int kind = log_.FieldIndex(Kind);
    for (const TPacketRow& r : log_.Rows) {
        if (r.Kind == TRowKind::Deleted) {
            continue;
        }
        rows.Append();
        for (const auto& [field, source] : copia) {
            field->SetValue(r.Values.value(source));
        }
        if (nome) {
            nome->SetAsString(nomeSituacao(texto(r, kind)));
        }
        rows.Post();
    }
    // Null days (the whole destination) sort first.
    rows.SetIndexFieldNames(QStringLiteral("CDSERDESTLOG;DTCARDESTLOG;CDPRATLOG"));
}

void TfrmLogExpCard::FormActivate(bool first) {
    TfrmDadosGerRel::FormActivate(first);
    if (first && visualiza_ && Prepared()) {
        Preview();
    }
}

} // namespace pla::packages
