#include "day_import_dishes.h"

#include "core/data_source_model.h"
#include "core/format_float.h"
#include "core/numbers.h"

#include <QHash>

namespace pla::packages {

namespace {

const QString Importar = QStringLiteral("IMPORTAR");
const QString InicioTipo = QStringLiteral("IDINICIOTIPO");

} // namespace

void DefineCamposPratos(TMemTable& t, int montagem) {
    const auto field = [&t](const char* name, TFieldType type, int size, const char* label) {
        TMemField& f = t.AddField(QString::fromLatin1(name), type, size);
        f.SetDisplayLabel(QString::fromUtf8(label));
        f.SetVisible(label != nullptr && *label != '\0');
    };
    field("IMPORTAR", TFieldType::Boolean, 0, "Importar");
    field("NMTIPOPRAT", TFieldType::String, 35, "Tipo de prato");
    field("NMPRATO", TFieldType::String, 40, "Prato");
    field("QUANTIDADE", TFieldType::String, 20, montagem == 1 ? "Percentual" : "Comensais");
    field("DSDESTINO", TFieldType::String, 30, "Destino");
    field("CDTIPOPRAT", TFieldType::String, 2, "");
    field("CDPRATO", TFieldType::String, 10, "");
    field("IDDESTINO", TFieldType::String, 1, "");
    field("IDINICIOTIPO", TFieldType::Boolean, 0, "");
}

void PreenchePratos(TMemTable& table, const TDataPacket& origem, int montagem) {
    const auto at = [&origem](const char* name) {
        return origem.FieldIndex(QString::fromLatin1(name));
    };
    const int type = at("CDTIPOPRAT"), typeName = at("NMTIPOPRAT"), code = at("CDPRATO"),
              name = at("NMPRATO"), share = at("VRPECONSCARD"), diners = at("QTCOMESTICAR"),
              dest = at("IDDESTINO");
    QStringList order;
    QHash<QString, QList<const TPacketRow*>> byType;
    QHash<QString, bool> placed;
    for (const TPacketRow& r : origem.Rows) {
        const QString t = r.Values.value(type).toString().trimmed();
        if (!byType.contains(t)) {
            order << t;
        }
        byType[t].append(&r);
        placed[t] = placed.value(t) || r.Values.value(dest).toString() == QLatin1String("S");
    }
    TDataPacket out;
    out.Fields = table.DataFieldDefs();
    for (const QString& t : order) {
        bool first = true;
        for (const TPacketRow* r : byType.value(t)) {
            const double value = r->Values.value(share).toDouble();
            const QString quantity =
                montagem == 1 ? FormatFloat(QStringLiteral("0.00"), value) + QStringLiteral(" %")
                              : QString::number(qlonglong(RoundDec(
                                    value * r->Values.value(diners).toDouble() / 100.0, 0)));
            const bool hasPosition = r->Values.value(dest).toString() == QLatin1String("S");
            TPacketRow row;
            row.Values = {first ? QVariant(placed.value(t)) : QVariant(),
                          first ? r->Values.value(typeName).toString().trimmed() : QString(),
                          r->Values.value(name).toString().trimmed(),
                          quantity,
                          hasPosition ? QString() : QStringLiteral("sem posição no destino"),
                          t,
                          r->Values.value(code).toString().trimmed(),
                          hasPosition ? QStringLiteral("S") : QStringLiteral("N"),
                          first};
            out.Rows.append(row);
            first = false;
        }
    }
    table.SetData(out);
}

QString TiposEscolhidos(const TMemTable& table) {
    const TDataPacket p = table.Data();
    const int head = p.FieldIndex(InicioTipo), tick = p.FieldIndex(Importar),
              type = p.FieldIndex(QStringLiteral("CDTIPOPRAT"));
    QStringList types;
    for (const TPacketRow& r : p.Rows) {
        if (r.Kind != TRowKind::Deleted && r.Values.value(head).toBool() &&
            r.Values.value(tick).toBool()) {
            types << r.Values.value(type).toString();
        }
    }
    return types.join(QLatin1Char(';'));
}

TTiposImportModel::TTiposImportModel(TMemTable* table, QObject* parent)
    : QIdentityProxyModel(parent)
    , table_(table)
    , source_(new TDataSourceModel(table, this)) {
    source_->SetReadOnly(true);
    setSourceModel(source_);
}

int TTiposImportModel::ColunaImportar() const {
    const int field = table_->FieldByName(Importar).Index();
    for (int c = 0; c < source_->columnCount(); ++c) {
        if (source_->FieldIndexAt(c) == field) {
            return c;
        }
    }
    return -1;
}

bool TTiposImportModel::LinhaDeTipo(int row) const {
    return row >= 0 && row < table_->ViewRowCount() &&
           table_->ViewValue(row, table_->FieldByName(InicioTipo).Index()).toBool();
}

void TTiposImportModel::Alterna(const QModelIndex& index) {
    if (!index.isValid() || index.column() != ColunaImportar() || !LinhaDeTipo(index.row())) {
        return;
    }
    table_->MoveToViewRow(index.row());
    table_->Edit();
    TMemField& f = table_->FieldByName(Importar);
    f.SetAsBoolean(!f.AsBoolean());
    table_->Post();
}

QVariant TTiposImportModel::data(const QModelIndex& index, int role) const {
    // The quantity is text in the montage's form, aligned as the number it is.
    if (role == Qt::TextAlignmentRole && index.isValid() &&
        source_->FieldIndexAt(index.column()) ==
            table_->FieldByName(QStringLiteral("QUANTIDADE")).Index()) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (index.isValid() && index.column() == ColunaImportar()) {
        if (role == Qt::CheckStateRole && LinhaDeTipo(index.row())) {
            return table_->ViewValue(index.row(), table_->FieldByName(Importar).Index()).toBool()
                       ? Qt::Checked
                       : Qt::Unchecked;
        }
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::CheckStateRole) {
            return {};
        }
    }
    return QIdentityProxyModel::data(index, role);
}

} // namespace pla::packages
