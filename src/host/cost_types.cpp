#include "cost_types.h"

#include "rpc/contracts.h"

#include <QComboBox>

namespace pla::host {

void TCostTypeList::Load(rpc::TNetConnection& connection) {
    const rpc::TMethodSpec& spec = rpc::metodos::ListaTipoCusto();
    QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {});
    const TDataPacket p = rpc::PacoteServ(connection.Call(spec.Name, args));
    const int nr = p.FieldIndex(QStringLiteral("NRTIPOCUSTO"));
    const int text = p.FieldIndex(QStringLiteral("DSTIPOCUSTO"));
    if (nr < 0 || text < 0) {
        throw EPlaError(QStringLiteral("Lista de tipos de custo sem número ou descrição"));
    }
    QList<TItem> items;
    for (const TPacketRow& row : p.Rows) {
        items.append({static_cast<int>(row.Values[nr].toLongLong()), row.Values[text].toString()});
    }
    items_ = items;
}

void TCostTypeList::Fill(QComboBox& combo) const {
    combo.clear();
    for (const TItem& item : items_) {
        combo.addItem(item.Text, item.Number);
    }
}

void TCostTypeList::PreencheCombo(QComboBox& combo, const QString& text) {
    const int at = text.isEmpty() ? -1 : combo.findText(text);
    combo.setCurrentIndex(at >= 0 ? at : (combo.count() > 0 ? 0 : -1));
}

int TCostTypeList::NumeroTipoCusto(int index) const {
    return index >= 0 && index < items_.size() ? items_[index].Number : 0;
}

} // namespace pla::host
