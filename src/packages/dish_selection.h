#pragma once

#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"

#include <QDateTime>
#include <QPointer>
#include <memory>

class QLineEdit;
class QTableView;

namespace pla {
class TDataSourceModel;
}

namespace pla::host {
class TNumberEdit;
}

#include "rpc/net_connection.h"

namespace pla::packages {

// The dish selection (PLA00115): the dishes that may go into a cell of the monthly
// menu, searched by name or code, with the value the dish takes (diners or a
// percentage). It reads the screen's argument array and writes the choice back
// through the array's references.
class TfrmSelPrato : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmSelPrato(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmSelPrato() override;

    QLineEdit* edtPesquisa = nullptr;
    QTableView* dbgPrato = nullptr;
    host::TNumberEdit* nedValor = nullptr;
    TMemTable* cdsLista = nullptr;

    // The value field's limit: the day's diners in a diners view, else 100.
    double Limite() const;
    void Pesquisa(const QString& text);
    void sbtConfirmaClick() override;

protected:
    // Where the planner types first.
    void FormActivate(bool first) override;
    // Room for every column of the list, the cost per serving included.
    QSize sizeHint() const override { return {760, 520}; }

private:
    void carregaLista(const TMemTable& source);
    void pesquisaServidor(const QString& text);

    // The array as the caller passed it.
    int indice_ = -1;
    double comensais_ = 0;
    bool exibeCusto_ = false;
    int modo_ = 0; // 0 diners, 1 percentage, 2 whole diners
    int tipoCusto_ = 0;
    QDateTime referencia_;
    QString filialCusto_;
    QString filial_;
    QString servico_;
    QStringList entrada_;
    TReference cdPrato_, nmPrato_, cdFilAux_, valor_, confirmado_;
    QPointer<QObject> tela_;
    QString central_;

    bool noServidor_ = false; // the list is searched on the server, by name
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter netCounter_;
    TDataSourceModel* model_ = nullptr;
};

} // namespace pla::packages
