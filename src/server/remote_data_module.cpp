#include "remote_data_module.h"

#include "core/errors.h"
#include "core/field_type.h"
#include "operator_access.h"

#include <QStringList>

namespace pla::server {

namespace {

QString typeName(TArgType t) {
    switch (t) {
    case TArgType::String:
        return QStringLiteral("texto");
    case TArgType::Integer:
        return QStringLiteral("inteiro");
    case TArgType::Float:
        return QStringLiteral("número");
    case TArgType::Boolean:
        return QStringLiteral("lógico");
    case TArgType::DateTime:
        return QStringLiteral("data");
    case TArgType::Bytes:
        return QStringLiteral("binário");
    case TArgType::Variant:
        return QStringLiteral("variante");
    }
    return {};
}

bool fits(const TParam& p, const QVariant& v) {
    const TArgType t = p.Type;
    const bool null =
        IsNullValue(v) || (v.typeId() == QMetaType::QDateTime && !v.toDateTime().isValid());
    if (null) {
        return p.Optional || t == TArgType::Variant;
    }
    const int id = v.typeId();
    switch (t) {
    case TArgType::String:
        return id == QMetaType::QString;
    case TArgType::Integer:
        return id == QMetaType::LongLong;
    case TArgType::Float:
        return id == QMetaType::Double || id == QMetaType::LongLong;
    case TArgType::Boolean:
        return id == QMetaType::Bool;
    case TArgType::DateTime:
        return id == QMetaType::QDateTime;
    case TArgType::Bytes:
        return id == QMetaType::QByteArray;
    case TArgType::Variant:
        return true;
    }
    return false;
}

} // namespace

TDatabase& TCallContext::Database() const {
    if (!Db) {
        throw EPlaError(QStringLiteral("Servidor sem banco de dados"));
    }
    return *Db;
}

const TOperatorAccess& TCallContext::Access() {
    if (!access_) {
        access_ = std::make_shared<TOperatorAccess>(Database(), Operador);
    }
    return *access_;
}

const QVariant& TMethodArgs::Value(int index) const {
    if (index < 0 || index >= Count()) {
        throw EProgramError(QStringLiteral("Argumento %1 não existe").arg(index));
    }
    return values_[index];
}

QString TMethodArgs::String(int index) const {
    return ValueAsString(Value(index));
}
qint64 TMethodArgs::Integer(int index) const {
    return ValueAsInteger(Value(index));
}
double TMethodArgs::Float(int index) const {
    return ValueAsFloat(Value(index));
}
bool TMethodArgs::Boolean(int index) const {
    return ValueAsBoolean(Value(index));
}
QDateTime TMethodArgs::DateTime(int index) const {
    return ValueAsDateTime(Value(index));
}

void TMethodArgs::SetRef(int index, const QVariant& value) {
    Value(index); // range check
    if (!params_[index].ByRef) {
        throw EProgramError(
            QStringLiteral("O argumento %1 não é passado por referência").arg(params_[index].Name));
    }
    values_[index] = value;
}

TMethodDef TMethodDef::Declarado(const rpc::TMethodSpec& spec, TMethodHandler handler, bool writes,
                                 TGuard guard) {
    if (writes && spec.SoLeitura) {
        throw EProgramError(QStringLiteral("%1 é declarado só de leitura e registrado como escrita")
                                .arg(spec.Name));
    }
    TMethodDef def{spec.Name,          spec.Params, spec.OperatorParam,
                   std::move(handler), writes,      std::move(guard)};
    def.SoLeitura = spec.SoLeitura;
    return def;
}

TRemoteDataModule::TRemoteDataModule(const QString& name)
    : name_(name) {}

TRemoteDataModule::~TRemoteDataModule() = default;

const TMethodDef* TRemoteDataModule::FindMethod(const QString& name) const {
    for (const auto& m : methods_) {
        if (m.Name.compare(name, Qt::CaseInsensitive) == 0) {
            return &m;
        }
    }
    return nullptr;
}

QStringList TRemoteDataModule::MethodNames() const {
    QStringList names;
    for (const auto& m : methods_) {
        names.append(m.Name);
    }
    return names;
}

void TRemoteDataModule::Register(TMethodDef method) {
    if (FindMethod(method.Name)) {
        throw EProgramError(
            QStringLiteral("Método %1 registrado duas vezes em %2").arg(method.Name, name_));
    }
    if (!method.Handler) {
        throw EProgramError(QStringLiteral("Método %1 de %2 sem código").arg(method.Name, name_));
    }
    if (method.OperatorParam >= method.Params.size()) {
        throw EProgramError(QStringLiteral("Método %1 de %2: argumento do operador inexistente")
                                .arg(method.Name, name_));
    }
    const TGuard& g = method.Guard;
    if (g.BranchParam >= method.Params.size() || g.PerBranchParam >= method.Params.size()) {
        throw EProgramError(QStringLiteral("Método %1 de %2: argumento da guarda inexistente")
                                .arg(method.Name, name_));
    }
    // A method that writes says who may run it and which branch it writes.
    if (method.Writes && !g.SelfChecked &&
        (g.Permissions.isEmpty() || (g.BranchParam < 0 && !g.BranchInData))) {
        throw EProgramError(
            QStringLiteral("Método %1 de %2 grava sem guarda").arg(method.Name, name_));
    }
    methods_.push_back(std::move(method));
}

QString CheckArguments(const TMethodDef& method, const QList<QVariant>& values) {
    if (values.size() != method.Params.size()) {
        return QStringLiteral("%1 espera %2 argumentos, recebeu %3")
            .arg(method.Name)
            .arg(method.Params.size())
            .arg(values.size());
    }
    for (int i = 0; i < values.size(); ++i) {
        const TParam& p = method.Params[i];
        if (!fits(p, values[i])) {
            return QStringLiteral("%1: o argumento %2 (%3) deve ser %4%5")
                .arg(method.Name)
                .arg(i + 1)
                .arg(p.Name, typeName(p.Type),
                     p.Type != TArgType::Variant && fits({p.Name, p.Type, false, true}, values[i])
                         ? QStringLiteral(", não nulo")
                         : QString());
        }
    }
    return {};
}

} // namespace pla::server
