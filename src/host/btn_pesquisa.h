#pragma once

#include "core/mem_table.h"

#include <QPointer>
#include <QToolButton>
#include <functional>

namespace pla::host {

// A lookup button: BeforePesq prepares the table (and may cancel), the lookup shows
// it, AfterPesq takes the chosen row. Errors in either end the click with a message.
class TBtnPesquisa : public QToolButton {
    Q_OBJECT

public:
    explicit TBtnPesquisa(QWidget* parent = nullptr);

    void SetDataSet(TMemTable* table) { table_ = table; }
    void SetTitle(const QString& title) { title_ = title; }
    void SetEmptyText(const QString& text) { emptyText_ = text; }

    std::function<void(TBtnPesquisa&, bool& cancel)> BeforePesq;
    std::function<void(TBtnPesquisa&)> AfterPesq;

    // What a click does; true when a row was chosen and taken.
    bool Pesquisar();

private:
    QPointer<TMemTable> table_;
    QString title_;
    QString emptyText_;
};

} // namespace pla::host
