#pragma once

#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QDateTime>
#include <memory>

class QGroupBox;
class QLineEdit;

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// The reference date of a branch's month, with what is stored now, who stored it and
// when: the date whose costs the month's planned cost is based on (PLA00120, kind
// rpc::BaseCustoPlanejado) or the date the recalculation of the month's costs uses
// (PLA00126, kind rpc::BaseCustoRecalculo). Modal. Argument array: [0] branch code,
// [1] branch name, [2] month (its first day), [3] the date to edit (a QDateTime, or a
// TReference holding one, through which the stored date comes back) and, for PLA00120,
// [4] the planned cost type ("01").
class TfrmDataRefCusto : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    TfrmDataRefCusto(char tipo, const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmDataRefCusto() override;

    QLineEdit* edtFilial = nullptr;
    QLineEdit* edtMes = nullptr;
    QLineEdit* edtTipoCusto = nullptr; // PLA00120 only
    QGroupBox* grbGravada = nullptr;
    QLineEdit* edtDataGravada = nullptr;
    QLineEdit* edtAlteradoPor = nullptr;
    QLineEdit* edtAlteradoEm = nullptr;
    host::TDateEdit* depDataRef = nullptr;
    QToolButton* sbtCancela = nullptr;

    char Tipo() const { return tipo_; }
    // The dates a planner may choose: from twelve months before the month to its end.
    QDate Inicio() const;
    QDate Fim() const;
    // What the server holds now (invalid when none), read when the screen opens.
    QDate DataGravada() const { return gravada_; }
    void CarregaGravada();

    void sbtConfirmaClick() override;
    void sbtCancelaClick();

protected:
    // Where the planner types first.
    void FormActivate(bool first) override;

private:
    QString nomeTipoCusto(const QString& numero) const;

    char tipo_;
    QString filial_;
    QDate mes_;
    QDate gravada_;
    TReference data_;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
