#pragma once

#include <functional>

class QAbstractItemView;
class QTableView;

namespace pla::host {

// Enter (either key) on a list of choices chooses, as its confirm button does: `escolhe`
// runs as a handler. The key goes no further, so the list's own Enter does nothing.
void EnterEscolhe(QAbstractItemView& lista, std::function<void()> escolhe);

// A grid of rows to choose one from: whole rows selected, one at a time, never edited,
// one line each, columns fitted to their contents; Enter chooses through `escolhe`.
void GradeDeEscolha(QTableView& grade, std::function<void()> escolhe);

} // namespace pla::host
