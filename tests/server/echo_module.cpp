#include "echo_module.h"

#include "core/dates.h"

#include <thread>

namespace pla::server {

using rpc::TArgType;

std::unique_ptr<TRemoteDataModule> EchoModule() {
    auto m = std::make_unique<TRemoteDataModule>("Teste.rdmEco");
    m->Register({"Eco", {{"valor", TArgType::Variant}}, -1, [](TCallContext&, TMethodArgs& a) {
                     return a.Value(0);
                 }});
    m->Register({"Troca",
                 {{"a", TArgType::String, true}, {"b", TArgType::String, true}},
                 -1,
                 [](TCallContext&, TMethodArgs& a) {
                     const QString x = a.String(0);
                     a.SetRef(0, a.String(1));
                     a.SetRef(1, x);
                     return QVariant(QStringLiteral("S"));
                 }});
    m->Register({"Tipos",
                 {{"texto", TArgType::String},
                  {"inteiro", TArgType::Integer},
                  {"numero", TArgType::Float},
                  {"logico", TArgType::Boolean},
                  {"data", TArgType::DateTime, true},
                  {"binario", TArgType::Bytes}},
                 -1,
                 [](TCallContext&, TMethodArgs& a) {
                     a.SetRef(4, DataHora(a.DateTime(4).date().addDays(1)));
                     return QVariant(QVariantList{a.String(0), a.Integer(1), a.Float(2),
                                                  a.Boolean(3), a.Value(5)});
                 }});
    m->Register({"QuemSou", {{"operador", TArgType::String}}, 0, [](TCallContext& c, TMethodArgs&) {
                     return QVariant(c.Operador);
                 }});
    m->Register({"Recusa", {}, -1, [](TCallContext&, TMethodArgs&) -> QVariant {
                     throw EPlaError("Filial não cadastrada.");
                 }});
    m->Register({"Quebra", {}, -1, [](TCallContext&, TMethodArgs&) -> QVariant {
                     throw std::runtime_error("segredo interno");
                 }});
    m->Register({"Demora", {{"ms", TArgType::Integer}}, -1, [](TCallContext&, TMethodArgs& a) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(a.Integer(0)));
                     return QVariant(a.Integer(0));
                 }});
    return m;
}

std::optional<QString> TFixedSessions::Authenticate(const QString& token) {
    if (token == "tok-ana") {
        return QStringLiteral("ANA");
    }
    if (token == "tok-bia") {
        return QStringLiteral("BIA");
    }
    return std::nullopt;
}

std::pair<QString, QDateTime> TFixedSessions::SignIn(const QString& operador, const QString& pw,
                                                     const QString&) {
    if (operador.toUpper() == "ANA" && pw == "segredo") {
        return {QStringLiteral("tok-ana"), DataHora(QDate(2030, 1, 1))};
    }
    throw EPlaError("Operador ou senha inválidos.");
}

} // namespace pla::server
