#pragma once

#include "host/month_cost.h"

namespace pla::module {

class TCardapioMensal;

using host::TPainelCusto;

// The open month's costs: the month's figures (host::TCustoDoMes) with the open
// month's branch, service, cost types and reference as it holds them at each
// calculation. It belongs to the open month.
class TCustoMensal : public host::TCustoDoMes {
    Q_OBJECT

public:
    explicit TCustoMensal(TCardapioMensal& cardapio);
};

} // namespace pla::module
