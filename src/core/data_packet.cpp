#include "data_packet.h"

#include "errors.h"

#include <QSet>

namespace pla {

int TDataPacket::FieldIndex(const QString& name) const {
    for (int i = 0; i < Fields.size(); ++i) {
        if (Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int TDataPacket::ChangeCount() const {
    int n = 0;
    for (const auto& r : Rows) {
        n += r.Kind != TRowKind::Unchanged ? 1 : 0;
    }
    return n;
}

namespace {

void validateValues(const TDataPacket& p, const QList<QVariant>& values, int row,
                    const char* what) {
    if (values.size() != p.Fields.size()) {
        throw EDecodeError(QStringLiteral("Pacote inválido: linha %1 tem %2 %3 para %4 campos")
                               .arg(row + 1)
                               .arg(values.size())
                               .arg(QString::fromUtf8(what))
                               .arg(p.Fields.size()));
    }
    for (int c = 0; c < values.size(); ++c) {
        if (!IsCanonicalValue(p.Fields[c], values[c])) {
            throw EDecodeError(
                QStringLiteral("Pacote inválido: linha %1, campo %2: valor não é do tipo %3%4")
                    .arg(row + 1)
                    .arg(p.Fields[c].Name, FieldTypeName(p.Fields[c].Type),
                         p.Fields[c].Size > 0 ? QStringLiteral(" (%1)").arg(p.Fields[c].Size)
                                              : QString()));
        }
    }
}

} // namespace

void TDataPacket::Validate() const {
    QSet<QString> names;
    for (const auto& f : Fields) {
        if (f.Name.trimmed().isEmpty()) {
            throw EDecodeError(QStringLiteral("Pacote inválido: campo sem nome"));
        }
        if (names.contains(f.Name.toUpper())) {
            throw EDecodeError(QStringLiteral("Pacote inválido: campo %1 repetido").arg(f.Name));
        }
        names.insert(f.Name.toUpper());
        if (f.Size < 0 || (f.Type == TFieldType::FixedString && f.Size == 0)) {
            throw EDecodeError(
                QStringLiteral("Pacote inválido: tamanho %1 do campo %2").arg(f.Size).arg(f.Name));
        }
    }
    for (int r = 0; r < Rows.size(); ++r) {
        const auto& row = Rows[r];
        validateValues(*this, row.Values, r, "valores");
        if (row.Kind == TRowKind::Modified) {
            validateValues(*this, row.Originals, r, "valores originais");
        } else if (!row.Originals.isEmpty()) {
            throw EDecodeError(
                QStringLiteral("Pacote inválido: linha %1 não alterada traz valores originais")
                    .arg(r + 1));
        }
    }
}

bool operator==(const TDataPacket& a, const TDataPacket& b) {
    if (a.Fields != b.Fields || a.Rows.size() != b.Rows.size()) {
        return false;
    }
    auto sameList = [](const QList<QVariant>& x, const QList<QVariant>& y) {
        if (x.size() != y.size()) {
            return false;
        }
        for (int i = 0; i < x.size(); ++i) {
            if (IsNullValue(x[i]) != IsNullValue(y[i]) || x[i].typeId() != y[i].typeId() ||
                CompareValues(x[i], y[i]) != 0) {
                return false;
            }
        }
        return true;
    };
    for (int i = 0; i < a.Rows.size(); ++i) {
        const auto& ra = a.Rows[i];
        const auto& rb = b.Rows[i];
        if (ra.Kind != rb.Kind || !sameList(ra.Values, rb.Values) ||
            !sameList(ra.Originals, rb.Originals)) {
            return false;
        }
    }
    return true;
}

bool IsDataPacket(const QVariant& value) {
    return value.typeId() == qMetaTypeId<TDataPacket>();
}

TDataPacket ToDataPacket(const QVariant& value) {
    if (!IsDataPacket(value)) {
        throw EPlaError(QStringLiteral("O valor não é um pacote de dados"));
    }
    return value.value<TDataPacket>();
}

QVariant FromDataPacket(const TDataPacket& packet) {
    return QVariant::fromValue(packet);
}

} // namespace pla
