#pragma once

#include "menu_pivot.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHash>
#include <functional>

namespace pla::module {

// What the screen answers for a cell: its text, background and font (an invalid
// colour keeps the grid's default).
struct TDrawCell {
    QString Text;
    QString Hint; // the tooltip; empty: the text
    QColor Background;
    QColor FontColor;
    bool Bold = false;
};

// The grid's own colours where the screen gives none: data cells in the info
// background, labels (the dimensions' members) in the button face, and the captions of
// the dimensions in the active caption's colours.
struct TGridPalette {
    QColor Data;
    QColor DataText;
    QColor Label;
    QColor LabelText;
    QColor Caption;
    QColor CaptionText;
    static TGridPalette FromApplication();
};

// The monthly grid's model: the pivot's cells and headers, each drawn by the screen's
// handler (the grid never paints a cell by itself). Day headers read "dd ddd".
class TMenuGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using TDrawHandler = std::function<void(const TPivotCell& cell, TDrawCell& draw)>;

    explicit TMenuGridModel(QObject* parent = nullptr);

    void SetPivot(const TMenuPivot& pivot);
    const TMenuPivot& Pivot() const { return pivot_; }
    void SetDrawHandler(TDrawHandler handler) { draw_ = std::move(handler); }
    void Refresh(); // every cell and header asks the handler again
    const TGridPalette& Palette() const { return palette_; }

    // The default caption of a cell, before the handler changes it.
    static QString DayCaption(const QDate& day);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant roleOf(const TDrawCell& draw, int role, bool label) const;
    const TDrawCell& drawn(const TPivotCell& cell, quint64 key) const;

    TMenuPivot pivot_;
    TDrawHandler draw_;
    TGridPalette palette_ = TGridPalette::FromApplication();
    // Each cell is asked once per refresh, whatever the roles the view reads.
    mutable QHash<quint64, TDrawCell> drawn_;
};

} // namespace pla::module
