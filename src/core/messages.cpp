#include "messages.h"

#include "errors.h"

namespace pla {

TMessages::TMessages(const QString& name, const QStringList& lines)
    : name_(name) {
    AddLines(lines);
}

void TMessages::AddLines(const QStringList& lines) {
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            continue;
        }
        const auto bar = line.indexOf(QLatin1Char('|'));
        if (bar <= 0) {
            throw EProgramError(
                QStringLiteral("Catálogo %1: linha sem chave: \"%2\"").arg(name_, line));
        }
        Add(line.left(bar).trimmed(), line.mid(bar + 1));
    }
}

void TMessages::Add(const QString& key, const QString& text) {
    const QString k = key.toLower();
    if (k.isEmpty()) {
        throw EProgramError(QStringLiteral("Catálogo %1: chave vazia").arg(name_));
    }
    if (texts_.contains(k)) {
        throw EProgramError(QStringLiteral("Catálogo %1: chave repetida \"%2\"").arg(name_, key));
    }
    texts_.insert(k, text);
}

QString TMessages::Msg(const QString& key) const {
    const auto it = texts_.constFind(key.toLower());
    if (it == texts_.cend()) {
        throw EProgramError(
            QStringLiteral("Catálogo %1: mensagem \"%2\" não existe").arg(name_, key));
    }
    return it.value();
}

QString TMessages::Fmt(const QString& key, const QStringList& values) const {
    QString text = Msg(key);
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
        if (at < 0) {
            break;
        }
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

bool TMessages::Contains(const QString& key) const {
    return texts_.contains(key.toLower());
}

} // namespace pla
