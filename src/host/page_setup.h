#pragma once

#include <QDialog>
#include <QPageLayout>
#include <functional>

class QComboBox;
class QPagedPaintDevice;
class QPrinter;
class QDoubleSpinBox;
class QRadioButton;

namespace pla::host {

// The page of the printouts: size, orientation and margins, A4 portrait with 15 mm
// margins until the planner chooses another in the page set-up, then remembered.
QPageLayout PaginaImpressao();
void DefinePaginaImpressao(const QPageLayout& layout);

// The page set-up ("Configurar Impressora"): paper, orientation and margins in
// millimetres. Qt's own page set-up refuses machines that only print to PDF, which
// is where many planners save their printouts.
class TfrmConfigImpressora : public QDialog {
    Q_OBJECT

public:
    explicit TfrmConfigImpressora(const QPageLayout& layout, QWidget* parent = nullptr);
    QPageLayout Pagina() const;

    QComboBox* cbbPapel = nullptr;
    QRadioButton* rbtRetrato = nullptr;
    QRadioButton* rbtPaisagem = nullptr;
    QDoubleSpinBox* nedEsquerda = nullptr;
    QDoubleSpinBox* nedTopo = nullptr;
    QDoubleSpinBox* nedDireita = nullptr;
    QDoubleSpinBox* nedBase = nullptr;
};

// Opens the page set-up; true when the planner confirmed it (the page is remembered).
bool ConfiguraImpressora(QWidget* parent);

// A screen's printout on the printouts' page: the print preview (dlgPreview, titled as
// the screen), from which it prints, and the same pages saved as a PDF file. `paint`
// lays the document named `documento` on the device.
void VisualizaImpressao(QWidget* parent, const QString& documento,
                        const std::function<void(QPrinter&)>& paint);
void GravaPdf(const QString& fileName, const QString& documento,
              const std::function<void(QPagedPaintDevice&)>& paint);

} // namespace pla::host
