#include "page_setup.h"

#include "busy_scopes.h"
#include "help.h"
#include "modal_runner.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSettings>

namespace pla::host {

namespace {

const QString Group = QStringLiteral("impressao");

const std::pair<QPageSize::PageSizeId, const char*> Papers[] = {
    {QPageSize::A4, "A4 (210 × 297 mm)"},        {QPageSize::A5, "A5 (148 × 210 mm)"},
    {QPageSize::A3, "A3 (297 × 420 mm)"},        {QPageSize::Letter, "Carta (216 × 279 mm)"},
    {QPageSize::Legal, "Ofício (216 × 356 mm)"},
};

QDoubleSpinBox* margin(QWidget* parent, const char* name, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 50);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}

} // namespace

QPageLayout PaginaImpressao() {
    QSettings st;
    st.beginGroup(Group);
    const QPageSize size(static_cast<QPageSize::PageSizeId>(
        st.value(QStringLiteral("tamanho"), int(QPageSize::A4)).toInt()));
    const auto orientation = static_cast<QPageLayout::Orientation>(
        st.value(QStringLiteral("orientacao"), int(QPageLayout::Portrait)).toInt());
    const QMarginsF margins(st.value(QStringLiteral("esquerda"), 15.0).toDouble(),
                            st.value(QStringLiteral("topo"), 15.0).toDouble(),
                            st.value(QStringLiteral("direita"), 15.0).toDouble(),
                            st.value(QStringLiteral("base"), 15.0).toDouble());
    return QPageLayout(size.isValid() ? size : QPageSize(QPageSize::A4), orientation, margins,
                       QPageLayout::Millimeter);
}

void DefinePaginaImpressao(const QPageLayout& layout) {
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    QSettings st;
    st.beginGroup(Group);
    st.setValue(QStringLiteral("tamanho"), int(layout.pageSize().id()));
    st.setValue(QStringLiteral("orientacao"), int(layout.orientation()));
    st.setValue(QStringLiteral("esquerda"), m.left());
    st.setValue(QStringLiteral("topo"), m.top());
    st.setValue(QStringLiteral("direita"), m.right());
    st.setValue(QStringLiteral("base"), m.bottom());
}

TfrmConfigImpressora::TfrmConfigImpressora(const QPageLayout& layout, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgConfigImpressora"));
    setWindowTitle(QStringLiteral("Configurar Impressora"));
    InstalaAjuda(this, AjudaGeral);
    auto* form = new QFormLayout(this);
    cbbPapel = new QComboBox(this);
    cbbPapel->setObjectName(QStringLiteral("cbbPapel"));
    for (const auto& [id, name] : Papers) {
        cbbPapel->addItem(QString::fromUtf8(name), int(id));
    }
    const int current = cbbPapel->findData(int(layout.pageSize().id()));
    cbbPapel->setCurrentIndex(current >= 0 ? current : 0);
    form->addRow(QStringLiteral("Papel"), cbbPapel);
    auto* orientation = new QGroupBox(QStringLiteral("Orientação"), this);
    auto* o = new QHBoxLayout(orientation);
    rbtRetrato = new QRadioButton(QStringLiteral("Retrato"), orientation);
    rbtRetrato->setObjectName(QStringLiteral("rbtRetrato"));
    rbtPaisagem = new QRadioButton(QStringLiteral("Paisagem"), orientation);
    rbtPaisagem->setObjectName(QStringLiteral("rbtPaisagem"));
    o->addWidget(rbtRetrato);
    o->addWidget(rbtPaisagem);
    (layout.orientation() == QPageLayout::Landscape ? rbtPaisagem : rbtRetrato)->setChecked(true);
    form->addRow(orientation);
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    nedEsquerda = margin(this, "nedEsquerda", m.left());
    nedTopo = margin(this, "nedTopo", m.top());
    nedDireita = margin(this, "nedDireita", m.right());
    nedBase = margin(this, "nedBase", m.bottom());
    form->addRow(QStringLiteral("Margem esquerda"), nedEsquerda);
    form->addRow(QStringLiteral("Margem superior"), nedTopo);
    form->addRow(QStringLiteral("Margem direita"), nedDireita);
    form->addRow(QStringLiteral("Margem inferior"), nedBase);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnBotoes"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    cbbPapel->setFocus();
}

QPageLayout TfrmConfigImpressora::Pagina() const {
    return QPageLayout(
        QPageSize(static_cast<QPageSize::PageSizeId>(cbbPapel->currentData().toInt())),
        rbtPaisagem->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(nedEsquerda->value(), nedTopo->value(), nedDireita->value(), nedBase->value()),
        QPageLayout::Millimeter);
}

bool ConfiguraImpressora(QWidget* parent) {
    TfrmConfigImpressora dialog(PaginaImpressao(), parent);
    if (TModalRunner::Run(dialog) != QDialog::Accepted) {
        return false;
    }
    DefinePaginaImpressao(dialog.Pagina());
    return true;
}

void VisualizaImpressao(QWidget* parent, const QString& documento,
                        const std::function<void(QPrinter&)>& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(PaginaImpressao());
    printer.setDocName(documento);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("dlgPreview"));
    preview.setWindowTitle(parent ? parent->windowTitle() : documento);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* p) { paint(*p); });
    preview.resize(900, 1000);
    TModalRunner::Run(preview);
}

void GravaPdf(const QString& fileName, const QString& documento,
              const std::function<void(QPagedPaintDevice&)>& paint) {
    THourglass busy;
    QPdfWriter writer(fileName);
    writer.setPageLayout(PaginaImpressao());
    writer.setTitle(documento);
    writer.setCreator(QStringLiteral("pla"));
    paint(writer);
}

} // namespace pla::host
