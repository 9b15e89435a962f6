#pragma once

#include <QMetaType>
#include <QVariant>
#include <memory>

namespace pla {

// A value a called screen writes back to its caller: both hold the same cell, so the
// argument array can carry it across packages without any address.
class TReference {
public:
    TReference()
        : cell_(std::make_shared<QVariant>()) {}
    explicit TReference(const QVariant& initial)
        : cell_(std::make_shared<QVariant>(initial)) {}

    QVariant Get() const { return *cell_; }
    void Set(const QVariant& value) const { *cell_ = value; }

    // The reference an array element carries; an element that is none gives an
    // unconnected cell, so writing to it is harmless.
    static TReference Of(const QVariant& element);
    QVariant AsVariant() const;

private:
    std::shared_ptr<QVariant> cell_;
};

} // namespace pla

Q_DECLARE_METATYPE(pla::TReference)

namespace pla {

inline TReference TReference::Of(const QVariant& element) {
    return element.metaType() == QMetaType::fromType<TReference>() ? element.value<TReference>()
                                                                   : TReference();
}

inline QVariant TReference::AsVariant() const {
    return QVariant::fromValue(*this);
}

} // namespace pla
