#pragma once

#include "field_type.h"

#include <QList>
#include <QMetaType>
#include <QVariant>

namespace pla {

// How a row of a packet stands against the saved state. A plain result of the
// server has only Unchanged rows; a change set ("delta") has only the others.
enum class TRowKind : quint8 { Unchanged = 0, Inserted = 1, Modified = 2, Deleted = 3 };

struct TPacketRow {
    TRowKind Kind = TRowKind::Unchanged;
    QList<QVariant> Values;    // one per field; for a deleted row, its saved values
    QList<QVariant> Originals; // modified rows only: the saved values before the change
};

// A self-describing table: field definitions and rows of canonical values
// (field_type.h). Cheap to copy (implicitly shared lists).
class TDataPacket {
public:
    QList<TFieldDef> Fields;
    QList<TPacketRow> Rows;

    int FieldIndex(const QString& name) const; // case-insensitive; -1 when absent
    int RowCount() const { return static_cast<int>(Rows.size()); }
    // The rows that are changes against the saved state.
    int ChangeCount() const;
    bool IsDelta() const { return !Rows.isEmpty() && ChangeCount() == RowCount(); }

    // Checks the shape: unique non-empty field names, sizes, one value per field,
    // originals exactly on modified rows, canonical values that fit their fields.
    // Raises EDecodeError naming the first fault.
    void Validate() const;

    friend bool operator==(const TDataPacket& a, const TDataPacket& b);
};

bool IsDataPacket(const QVariant& value);
TDataPacket ToDataPacket(const QVariant& value); // EPlaError when it holds none
QVariant FromDataPacket(const TDataPacket& packet);

} // namespace pla

Q_DECLARE_METATYPE(pla::TDataPacket)
