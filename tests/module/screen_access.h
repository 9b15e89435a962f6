#pragma once

// The monthly screen's controls as a planner finds them: by their object names.

#include "host/db_grid.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace pla::module {

template <class T> T* Child(const QObject* parent, const QString& name) {
    T* found = parent->findChild<T*>(name);
    if (!found) {
        throw std::logic_error("no control named " + name.toStdString());
    }
    return found;
}

inline QTableView* GridView(const TfrmCardMens* s) {
    return Child<QTableView>(s, QStringLiteral("degCardapio"));
}
inline TMenuGridModel* GridModel(const TfrmCardMens* s) {
    return Child<TMenuGridModel>(s, QStringLiteral("desCardapio"));
}
inline QToolButton* Button(const TfrmCardMens* s, const QString& name) {
    return Child<QToolButton>(s, name);
}
inline QAction* Action(const TfrmCardMens* s, const QString& name) {
    return Child<QAction>(s, name);
}

} // namespace pla::module
