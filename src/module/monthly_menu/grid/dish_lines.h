#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace pla::module {

// One line of the grid's sorted dish list: the two-digit day and the dish-type label
// form the cell's key; then the dish code, the name with its origin mark in front, the
// quantity and the dish's branch:
//   "dd" + type + "%%" + code + "%%" + name + "||" + quantity + "??" + branch
// A day's total line has the total caption as type, empty code, name and branch, and
// the day's estimated diners as quantity.
struct TDishLine {
    QString Day; // "05"
    QString Type;
    QString Code;
    QString Name;
    QString Quantity;
    QString Branch;

    QString Key() const { return Day + Type; }
    QString Text() const;
    // The parts of a line; the key's day is its first two characters.
    static TDishLine Parse(const QString& line);
    // The name without its origin mark.
    QString Dish() const { return Name.mid(1); }
    QChar Mark() const { return Name.isEmpty() ? QChar() : Name.at(0); }
};

// The day of a date as the lines write it.
QString DayKey(const QDate& date);

// Quantities as the lines carry them: diners (montage 0) "##0.###", percentages
// (montage 1) "##0.##", in the current format; read back with either separator.
QString QuantityText(double value, int montagem);
double QuantityValue(const QString& text); // 0 for empty

// The sorted list of dish lines (StlPratos): lines compare by code point, as the
// server sorts them; several dishes of one type and day share a key.
class TDishLines {
public:
    // Loads a text of lines (one per line). A last line that begins with "&" is an
    // error text: it is taken out and given back in `error`.
    void SetText(const QString& text, QString* error = nullptr);
    QString Text() const { return lines_.join(QLatin1Char('\n')); }
    const QStringList& Lines() const { return lines_; }
    int Count() const { return static_cast<int>(lines_.size()); }
    void Clear() { lines_.clear(); }

    // The index of the first line that begins with the key (binary search); -1 when
    // none.
    int Find(const QString& key) const;
    std::optional<TDishLine> Lookup(const QString& key) const;
    QList<TDishLine> All(const QString& key) const;

    // Adds a line in its sorted place.
    void Add(const TDishLine& line);
    // Replaces the line found under the key (its first), or adds it.
    void Put(const TDishLine& line);

private:
    QStringList lines_;
};

} // namespace pla::module
