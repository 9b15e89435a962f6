#pragma once

#include "host/base_forms.h"

#include <QPointer>

class QLineEdit;
class QRadioButton;
class QToolButton;

namespace pla {
class TMemTable;
}

namespace pla::host {
class TDateEdit;
class THostQuery;
class TMaskEdit;
} // namespace pla::host

namespace pla::module {

class TCardapioMensal;

// The diners of a day from the diets prescribed for the service (PLA00140): every diet
// of the service, or a list of them; a day on which none is prescribed may have its
// menu deleted. Works on one open month; stays open after an update.
class TfrmAtuComensDieta : public host::TfrmPadrImportExport {
    Q_OBJECT

public:
    explicit TfrmAtuComensDieta(QWidget* parent = nullptr);

    // The open month whose day is updated (its days, blocks and connection).
    void SetCardapio(TCardapioMensal& cardapio);

    QWidget* panFilial = nullptr;
    host::TMaskEdit* medCdFilial = nullptr;
    QToolButton* btnPesqFilial = nullptr;
    QLineEdit* edtNmFilial = nullptr;
    host::TDateEdit* depData = nullptr;
    QLineEdit* edtDiaSemana = nullptr;
    QRadioButton* rbtTDieta = nullptr;
    QRadioButton* rbtLDieta = nullptr;
    QToolButton* btnPesqDieta = nullptr;
    TMemTable* cdsDietaPrescrita = nullptr;
    host::THostQuery* qryDieta = nullptr;

    // "T" for every diet, else the codes chosen in the list.
    const QString& SelecaoDietas() const { return dietas_; }

    void sbtImportExportClick() override;
    void depDataExit();
    void rbtTDietaClick();
    void rbtLDietaClick();
    void btnPesqDietaClick();

protected:
    void FormCreate() override;
    void FormActivate(bool first) override;
    void FormClose(host::TCloseAction& action) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void vdExisteCardapio();
    void vdDtVazia();
    void vdDiaBloqueado();
    qint64 vdDietaPrescrita();
    static void verificaGravacao(const QVariant& answer);

    QPointer<TCardapioMensal> cardapio_;
    QString dietas_ = QStringLiteral("T");
};

} // namespace pla::module
