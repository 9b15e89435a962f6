#pragma once

#include "rpc/net_connection.h"

#include <QList>
#include <QString>

class QComboBox;

namespace pla::host {

// The cost types as the cost-type lists show them ("06 - CUSTO MÉDIO"), read once
// from the cost module; the lists' item indexes map back to the type numbers.
class TCostTypeList {
public:
    struct TItem {
        int Number;
        QString Text;
    };

    // ListaTipoCusto: reads the list through a connection to "Cus00000.rdmCustProd".
    void Load(rpc::TNetConnection& connection);
    const QList<TItem>& Items() const { return items_; }

    void Fill(QComboBox& combo) const;
    // PreencheCombo: selects the item whose text is the given one; the first item
    // when the text is empty or not in the list.
    static void PreencheCombo(QComboBox& combo, const QString& text);
    // NumeroTipoCusto: the type number of a list index; 0 for an index outside it.
    int NumeroTipoCusto(int index) const;

private:
    QList<TItem> items_;
};

} // namespace pla::host
