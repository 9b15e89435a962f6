#include "linhas_equivalentes.h"

#include "core/numbers.h"
#include "host/host_messages.h"

#include <cmath>

namespace pla::module {

namespace {

const QString Sim = QStringLiteral("S");
const QString Nao = QStringLiteral("N");

// Edits the current row and posts it at the end, also when the edit began before.
class TEdicao {
public:
    explicit TEdicao(TMemTable& t)
        : t_(t) {
        if (!t_.IsEditing()) {
            t_.Edit();
        }
    }
    ~TEdicao() {
        if (t_.IsEditing()) {
            t_.Post();
        }
    }
    TEdicao(const TEdicao&) = delete;
    TEdicao& operator=(const TEdicao&) = delete;

private:
    TMemTable& t_;
};

} // namespace

QString TextoDiaBloqueado() {
    return QStringLiteral("Dia do cardápio está bloqueado");
}

TLinhasEquivalentes::TLinhasEquivalentes(TMemTable& linhas, const QString& tipoQuantidade,
                                         const QDate& dataLimite)
    : t_(linhas)
    , tipo_(tipoQuantidade.trimmed().toUpper())
    , limite_(dataLimite) {}

QVariant TLinhasEquivalentes::valor(const char* field, int row) const {
    const TMemField& f = t_.FieldByName(QString::fromLatin1(field));
    return row < 0 ? f.Value() : t_.ViewValue(row, f.Index());
}

QString TLinhasEquivalentes::texto(const char* field, int row) const {
    return valor(field, row).toString().trimmed();
}

double TLinhasEquivalentes::numero(const char* field, int row) const {
    return valor(field, row).toDouble();
}

void TLinhasEquivalentes::grava(const char* field, const QVariant& value) {
    t_.FieldByName(QString::fromLatin1(field)).SetValue(value);
}

bool TLinhasEquivalentes::DiaBloqueado(int row) const {
    return valor("DTCARDAPIO", row).toDateTime().date() < limite_;
}

bool TLinhasEquivalentes::SemEquivalente(int row) const {
    return texto("CDPRATOEQUI", row).isEmpty();
}

bool TLinhasEquivalentes::EquivalenteInvalido(int row) const {
    return SemEquivalente(row) || !Motivos(row).isEmpty();
}

QStringList TLinhasEquivalentes::Motivos(int row) const {
    QStringList out;
    if (texto("IDRECEITAEQUI", row).isEmpty()) {
        out << QStringLiteral("Prato equivalente não possui receita cadastrada");
    }
    if (texto("IDPRARECATIV", row) == Nao) {
        out << QStringLiteral("Prato equivalente ou sua receita estão inativos");
    }
    if (numero("VRCUSTOEQUI", row) > numero("VRCUSTO", row)) {
        out << QStringLiteral("Prato equivalente possui custo maior que o prato planejado");
    }
    if (texto("IDCUSZEROCUSDESATU", row) == Sim) {
        out << QStringLiteral(
            "Prato equivalente possui produto com custo zero ou desatualizado em sua receita");
    }
    if (!(numero("VRCONSUMOEQUI", row) > 0)) {
        out << QStringLiteral("Prato equivalente possui consumo menor ou igual a zero.");
    }
    if (DiaBloqueado(row)) {
        out << TextoDiaBloqueado();
    }
    if (texto("CDPRATO", row) == texto("CDPRATOEQUI", row)) {
        out << QStringLiteral("Prato equivalente é igual ao prato planejado");
    }
    return out;
}

bool TLinhasEquivalentes::Marcada() const {
    return texto("IDMARCADO") == Sim;
}

int TLinhasEquivalentes::Marcadas() const {
    int n = 0;
    const int col = t_.FieldByName(QStringLiteral("IDMARCADO")).Index();
    for (int r = 0; r < t_.ViewRowCount(); ++r) {
        if (t_.ViewValue(r, col).toString().trimmed() == Sim) {
            ++n;
        }
    }
    return n;
}

bool TLinhasEquivalentes::Marca(bool explica) {
    if (explica) {
        if (texto("CDPRATOEQUI").isEmpty()) {
            host::MensErro(QStringLiteral("Prato equivalente deve ser informado."));
        }
        const QStringList motivos = Motivos();
        if (!motivos.isEmpty()) {
            host::MensErro(QStringLiteral("Operação bloqueada:%1")
                               .arg(QStringLiteral("\r\n") + motivos.join(QStringLiteral("\r\n"))));
        }
    } else if (EquivalenteInvalido()) {
        return false;
    }
    TEdicao e(t_);
    grava("IDMARCADO", Sim);
    return true;
}

void TLinhasEquivalentes::Desmarca() {
    if (texto("IDMARCADO") == Nao) {
        return;
    }
    TEdicao e(t_);
    grava("IDMARCADO", Nao);
}

void TLinhasEquivalentes::Alterna() {
    if (t_.IsEmpty()) {
        return;
    }
    if (Marcada()) {
        Desmarca();
    } else {
        Marca(true);
    }
}

void TLinhasEquivalentes::AlternaTodas() {
    if (t_.IsEmpty()) {
        return;
    }
    const bool desmarcar = Marcadas() > 0;
    const int atual = t_.RecNo();
    t_.DisableControls();
    try {
        for (t_.First(); !t_.Eof(); t_.Next()) {
            if (desmarcar) {
                Desmarca();
            } else {
                Marca(false);
            }
        }
    } catch (...) {
        t_.EnableControls();
        throw;
    }
    t_.EnableControls();
    if (atual > 0) {
        t_.SetRecNo(atual);
    }
}

void TLinhasEquivalentes::AplicaEquivalente(const TMemTable& lista) {
    const auto de = [&lista](const char* field) {
        return lista.FieldByName(QString::fromLatin1(field));
    };
    const double custo = de("VRCUSTO").AsFloat();
    const double percentual = de("VRPECONSCARD").AsFloat();
    TEdicao e(t_);
    grava("CDPRATOEQUI", de("CDPRATO").AsString().trimmed());
    // The sign only flags an unpriced product; the line shows the cost as the server's do.
    grava("VRCUSTOEQUI", std::abs(custo));
    grava("IDARVOREEQUI", de("IDARVORE").AsString());
    grava("IDRECEITAEQUI", de("IDRECEITA").AsString());
    grava("NMPRATOEQUI", de("NMPRATO").AsString());
    if (percentual == 0) {
        // No share of its own: the planned dish's consumption stands.
        grava("VRCONSUMOEQUI", numero("VRCONSUMO"));
        grava("VRPECONSCARDEQUI", numero("VRPECONSCARD"));
    } else {
        grava("VRPECONSCARDEQUI", percentual);
        grava("VRCONSUMOEQUI", tipo_ == QLatin1String("C")
                                   ? percentual * numero("QTCOMESTICAR") / 100.0
                                   : percentual);
    }
    grava("IDPRARECATIV", de("IDPRARECATIV").AsString());
    grava("IDCUSZEROCUSDESATU", custo < 0 ? Sim : Nao);
    grava("CDFILAUXPRATEQUI", de("CDFILAUXPRAT").AsString().trimmed());
    calculaEconomia();
}

void TLinhasEquivalentes::LimpaEquivalente() {
    TEdicao e(t_);
    for (const char* f :
         {"CDFILAUXPRATEQUI", "VRCUSTOEQUI", "IDARVOREEQUI", "IDRECEITAEQUI", "NMPRATOEQUI",
          "VRCONSUMOEQUI", "VRPECONSCARDEQUI", "IDPRARECATIV", "IDCUSZEROCUSDESATU"}) {
        grava(f, QVariant());
    }
    grava("IDMARCADO", Nao);
    calculaEconomia();
}

void TLinhasEquivalentes::ConsumoAlterado() {
    const double consumo = numero("VRCONSUMOEQUI");
    double percentual = consumo;
    if (tipo_ == QLatin1String("C")) {
        const double comensais = numero("QTCOMESTICAR");
        percentual = comensais != 0 ? consumo / comensais * 100.0 : 0.0;
    }
    TEdicao e(t_);
    grava("VRPECONSCARDEQUI", percentual);
    if (!(consumo > 0)) {
        grava("IDMARCADO", Nao);
    }
    calculaEconomia();
}

// What the day's dish costs less with the equivalent: the planned portions at the
// planned cost less the equivalent's portions at its own, to the cent. With the same
// share it is the server's saving, portions × the difference of the costs.
void TLinhasEquivalentes::calculaEconomia() {
    if (texto("CDFILAUXPRATEQUI").isEmpty()) {
        grava("VRECONOMIA", 0.0);
        return;
    }
    const double comensais = numero("QTCOMESTICAR");
    const double porcoes = numero("VRPECONSCARD") * comensais / 100.0;
    const double porcoesEqui = numero("VRPECONSCARDEQUI") * comensais / 100.0;
    grava("VRECONOMIA",
          RoundDec(porcoes * numero("VRCUSTO") - porcoesEqui * numero("VRCUSTOEQUI"), 2));
}

} // namespace pla::module
