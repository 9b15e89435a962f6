#pragma once

// What the parts of the table's implementation share; not for users of the table.

#include "mem_table.h"

#include <QStringList>

namespace pla {

namespace detail {
constexpr qint64 OrdGap = qint64(1) << 20;

inline QStringList splitFieldList(const QString& fields) {
    QStringList out;
    for (const QString& part : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) {
            out.append(name);
        }
    }
    return out;
}

inline bool sameValues(const QList<QVariant>& a, const QList<QVariant>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (CompareValues(a[i], b[i]) != 0) {
            return false;
        }
    }
    return true;
}

inline QVariant canonical(const TFieldDef& f, const QVariant& v) {
    return IsCanonicalValue(f, v) ? v : ToFieldValue(f, v);
}

inline bool compatibleTypes(TFieldType declared, TFieldType loaded) {
    if (declared == loaded) {
        return true;
    }
    if (IsTextType(declared) && IsTextType(loaded)) {
        return true;
    }
    return declared == TFieldType::Float && loaded == TFieldType::Integer;
}

} // namespace detail

struct TMemTable::TIndex {
    QString Name;
    QString FieldsText;
    QString DescText;
    QString CaseInsText;
    bool Hidden = false; // made by SetIndexFieldNames
    bool Resolved = false;
    bool Built = false;
    QList<int> Cols; // data store positions
    QList<bool> Desc;
    QList<bool> CaseIns;
    std::vector<TMemRecord*> Rows;
};

} // namespace pla
