#include "dish_lines.h"

#include "core/format_float.h"
#include "core/numbers.h"

#include <algorithm>

namespace pla::module {

QString TDishLine::Text() const {
    return Day + Type + QStringLiteral("%%") + Code + QStringLiteral("%%") + Name +
           QStringLiteral("||") + Quantity + QStringLiteral("??") + Branch;
}

TDishLine TDishLine::Parse(const QString& line) {
    TDishLine l;
    l.Day = line.left(2);
    const qsizetype codeAt = line.indexOf(QStringLiteral("%%"), 2);
    const qsizetype nameAt = codeAt < 0 ? -1 : line.indexOf(QStringLiteral("%%"), codeAt + 2);
    const qsizetype qtyAt = line.lastIndexOf(QStringLiteral("||"));
    const qsizetype branchAt = line.lastIndexOf(QStringLiteral("??"));
    if (codeAt < 0 || nameAt < 0 || qtyAt < nameAt || branchAt < qtyAt) {
        l.Type = line.mid(2);
        return l;
    }
    l.Type = line.mid(2, codeAt - 2);
    l.Code = line.mid(codeAt + 2, nameAt - codeAt - 2);
    l.Name = line.mid(nameAt + 2, qtyAt - nameAt - 2);
    l.Quantity = line.mid(qtyAt + 2, branchAt - qtyAt - 2);
    l.Branch = line.mid(branchAt + 2);
    return l;
}

QString DayKey(const QDate& date) {
    return QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString QuantityText(double value, int montagem) {
    return montagem == 0 ? FormatFloat(QStringLiteral("##0.###"), value)
                         : FormatFloat(QStringLiteral("##0.##"), value);
}

double QuantityValue(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() ? 0.0 : FloatMaskOut(t);
}

void TDishLines::SetText(const QString& text, QString* error) {
    lines_ = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& l : lines_) {
        if (l.endsWith(QLatin1Char('\r'))) {
            l.chop(1);
        }
    }
    if (!lines_.isEmpty() && lines_.last().startsWith(QLatin1Char('&'))) {
        if (error) {
            *error = lines_.last().mid(1);
            if (error->trimmed().isEmpty()) {
                *error = QStringLiteral("Erro no servidor.");
            }
        }
        lines_.removeLast();
    }
    std::sort(lines_.begin(), lines_.end());
}

int TDishLines::Find(const QString& key) const {
    if (key.isEmpty()) {
        return -1;
    }
    const auto it = std::lower_bound(lines_.cbegin(), lines_.cend(), key);
    if (it == lines_.cend() || !it->startsWith(key)) {
        return -1;
    }
    // The lowest line not below the key is the first that begins with it.
    return static_cast<int>(it - lines_.cbegin());
}

std::optional<TDishLine> TDishLines::Lookup(const QString& key) const {
    const int i = Find(key);
    if (i < 0) {
        return std::nullopt;
    }
    return TDishLine::Parse(lines_[i]);
}

QList<TDishLine> TDishLines::All(const QString& key) const {
    QList<TDishLine> out;
    for (int i = Find(key); i >= 0 && i < lines_.size() && lines_[i].startsWith(key); ++i) {
        const TDishLine l = TDishLine::Parse(lines_[i]);
        if (l.Key() == key) {
            out.append(l);
        }
    }
    return out;
}

void TDishLines::Add(const TDishLine& line) {
    const QString text = line.Text();
    lines_.insert(std::upper_bound(lines_.begin(), lines_.end(), text), text);
}

void TDishLines::Put(const TDishLine& line) {
    const int i = Find(line.Key());
    if (i >= 0 && TDishLine::Parse(lines_[i]).Key() == line.Key()) {
        lines_.removeAt(i);
    }
    Add(line);
}

} // namespace pla::module
