#include "lookup_dialog.h"

#include "core/data_source_model.h"
#include "dialog_presenter.h"
#include "modal_runner.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace pla::host {

// The table's model, with a check box in the first column when marking.
class TLookupDialog::TMarkingModel : public TDataSourceModel {
public:
    TMarkingModel(TMemTable* table, bool marking, QObject* parent)
        : TDataSourceModel(table, parent)
        , marking_(marking) {
        SetReadOnly(true);
    }
    QSet<int> Marked;

    QVariant data(const QModelIndex& index, int role) const override {
        if (marking_ && role == Qt::CheckStateRole && index.column() == 0) {
            return Marked.contains(index.row()) ? Qt::Checked : Qt::Unchecked;
        }
        return TDataSourceModel::data(index, role);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = TDataSourceModel::flags(index);
        if (marking_ && index.column() == 0) {
            f |= Qt::ItemIsUserCheckable;
        }
        return f;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (marking_ && role == Qt::CheckStateRole && index.column() == 0) {
            if (value.toInt() == Qt::Checked) {
                Marked.insert(index.row());
            } else {
                Marked.remove(index.row());
            }
            emit dataChanged(index, index, {Qt::CheckStateRole});
            return true;
        }
        return false;
    }

private:
    bool marking_;
};

TLookupDialog::TLookupDialog(TMemTable& table, const QString& title, bool marking, QWidget* parent)
    : QDialog(parent)
    , table_(table) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("frmPesquisa"));
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("edtPesquisa"));
    search_->setPlaceholderText(QStringLiteral("Pesquisar..."));
    search_->setClearButtonEnabled(true);
    model_ = new TMarkingModel(&table, marking, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setFilterKeyColumn(-1); // every column
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("dbgPesquisa"));
    view_->setModel(proxy_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(-1, Qt::AscendingOrder); // the table's own order until a heading is clicked
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->verticalHeader()->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(search_);
    layout->addWidget(view_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(view_, &QTableView::doubleClicked, this, &QDialog::accept);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        if (proxy_->rowCount() > 0) {
            view_->setCurrentIndex(proxy_->index(0, 0));
        }
    });
    if (proxy_->rowCount() > 0) {
        const int current = std::max(0, table.ViewCurrentRow());
        view_->setCurrentIndex(proxy_->mapFromSource(model_->index(current, 0)));
    }
    search_->setFocus();
}

TLookupDialog::~TLookupDialog() = default;

int TLookupDialog::CurrentTableRow() const {
    const QModelIndex at = view_->currentIndex();
    return at.isValid() ? proxy_->mapToSource(at).row() : -1;
}

void TLookupDialog::SetMarked(int tableRow, bool marked) {
    model_->setData(model_->index(tableRow, 0), marked ? Qt::Checked : Qt::Unchecked,
                    Qt::CheckStateRole);
}

QList<int> TLookupDialog::MarkedTableRows() const {
    QList<int> rows(model_->Marked.begin(), model_->Marked.end());
    std::sort(rows.begin(), rows.end());
    return rows;
}

namespace {

// Runs the lookup over a table, or says the empty text when there is nothing to choose;
// true when the planner chose.
bool runLookup(TLookupDialog& dialog, TMemTable& table, const QString& emptyText) {
    if (!table.Active() || table.IsEmpty()) {
        TDialogPresenter::Current().Message(emptyText, TMsgDlgType::Information, mbOK);
        return false;
    }
    return TModalRunner::Run(dialog) == QDialog::Accepted;
}

} // namespace

bool Pesquisar(TMemTable& table, const QString& title, const QString& emptyText) {
    TLookupDialog dialog(table, title, false);
    if (!runLookup(dialog, table, emptyText)) {
        return false;
    }
    const int row = dialog.CurrentTableRow();
    if (row < 0) {
        return false;
    }
    table.MoveToViewRow(row);
    return true;
}

bool PesquisaLista(TMemTable& table, const QString& title, const QString& field,
                   const QString& emptyText, QString& result, bool* confirmed) {
    result.clear();
    if (confirmed) {
        *confirmed = false;
    }
    TLookupDialog dialog(table, title, true);
    if (!runLookup(dialog, table, emptyText)) {
        return false;
    }
    if (confirmed) {
        *confirmed = true;
    }
    const int col = table.FieldByName(field).Index();
    QStringList chosen;
    for (int row : dialog.MarkedTableRows()) {
        chosen.append(ValueAsString(table.ViewValue(row, col)).trimmed());
    }
    result = chosen.join(QLatin1Char(';'));
    return !chosen.isEmpty();
}

} // namespace pla::host
