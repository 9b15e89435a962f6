#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace pla {

// A screen's message catalogue: lines "key|text". Keys are matched without regard
// to case. Asking for a key the catalogue lacks is a programming error and raises
// EProgramError naming catalogue and key, never an empty text on the screen.
class TMessages {
public:
    TMessages() = default;
    explicit TMessages(const QString& name, const QStringList& lines = {});

    // Adds lines; a line without "|" or a key given twice raises EProgramError.
    void AddLines(const QStringList& lines);
    void Add(const QString& key, const QString& text);

    QString Msg(const QString& key) const;
    // The text with each "%s" replaced by the next value, in order; a "%s" without a
    // value stays.
    QString Fmt(const QString& key, const QStringList& values) const;
    bool Contains(const QString& key) const;
    int Count() const { return static_cast<int>(texts_.size()); }
    const QString& Name() const { return name_; }

private:
    QString name_;
    QHash<QString, QString> texts_;
};

} // namespace pla
