#pragma once

#include <functional>

class QAbstractItemView;

namespace pla::host {

// Enter (either key) on a list of choices chooses, as its confirm button does: `escolhe`
// runs as a handler. The key goes no further, so the list's own Enter does nothing.
void EnterEscolhe(QAbstractItemView& lista, std::function<void()> escolhe);

} // namespace pla::host
