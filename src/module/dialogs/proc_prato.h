#pragma once

#include "host/base_forms.h"

#include <QStringList>
#include <functional>

class QLineEdit;

namespace pla::host {
class TMaskEdit;
class TRadioGroup;
} // namespace pla::host

namespace pla::module {

// The dish search of the monthly grid (PLA00117): each confirmation moves the grid to
// the next cell whose dish name matches the text typed (identical, prefix or part),
// and starts again from the first cell after the last match.
class TfrmProcPrato : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    using TGotoCell = std::function<void(int column, int row)>;

    // The cells as "column#row%name", column by column, a single blank for no dish.
    TfrmProcPrato(const QStringList& cells, TGotoCell gotoCell, QWidget* parent = nullptr);

    QLineEdit* edtCampo = nullptr;
    host::TMaskEdit* medConteudo = nullptr;
    host::TRadioGroup* rdgTipo = nullptr;

    int Posicao() const { return posicao_; }
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;

private:
    void medConteudoChange();
    void rdgTipoClick();

    QStringList cells_;
    TGotoCell gotoCell_;
    int posicao_ = 0;
    bool encontrado_ = false;
    QString naoEncontrado_ = QStringLiteral("N_IDENTICO");
};

} // namespace pla::module
