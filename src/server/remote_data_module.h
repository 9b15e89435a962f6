#pragma once

#include "rpc/contracts.h"
#include "server/db_layer.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace pla::server {

class TOperatorAccess;

// Arguments are declared as the client declares them.
using TArgType = rpc::TArgType;
using TParam = rpc::TParam;

// A call's arguments in declared order, checked against the declaration.
class TMethodArgs {
public:
    TMethodArgs(const QList<TParam>& params, QList<QVariant>& values)
        : params_(params)
        , values_(values) {}

    int Count() const { return static_cast<int>(values_.size()); }
    const QVariant& Value(int index) const;
    QString String(int index) const;
    qint64 Integer(int index) const;
    double Float(int index) const;
    bool Boolean(int index) const;
    QDateTime DateTime(int index) const;
    // Sets the new value of a by-reference argument; a by-value one is a
    // programming error.
    void SetRef(int index, const QVariant& value);

private:
    const QList<TParam>& params_;
    QList<QVariant>& values_;
};

// Who is calling, and the database to answer from.
struct TCallContext {
    TCallContext(const QString& operador, const QString& module, const QString& method,
                 TDatabase* db, const QString& origin = QString())
        : Operador(operador)
        , Module(module)
        , Method(method)
        , Origem(origin)
        , Db(db) {}

    QString Operador; // the operator of the session, never taken from the arguments
    QString Module;
    QString Method;
    QString Origem; // the caller's address
    TDatabase* Db =
        nullptr; // this worker's connection; inside a transaction when the method writes

    TDatabase& Database() const; // EPlaError when the server has none
    // The operator's permissions and branches, read once per call.
    const TOperatorAccess& Access();

private:
    std::shared_ptr<TOperatorAccess> access_;
};

// Who may run a method that writes. The dispatcher checks it before the method runs,
// inside the method's transaction, whatever the client sent; every writing method
// declares one, so that a method added later cannot forget it.
struct TGuard {
    QList<rpc::TAutorizacao> Permissions{}; // of DSPERMISSAO: the operator needs one of them
    QString What{};                         // completes "Operador sem permissão para ..."
    int BranchParam = -1;    // the argument naming the branch whose data the method writes
    int PerBranchParam = -1; // the module-per-branch flag: it may narrow the branches
    // The branch comes inside the data (a change set): the method asks
    // Access().ExigeFilial itself for each.
    bool BranchInData = false;
    // The method decides itself what the operator may write: only the operator's own
    // things (a saved view, a log of its own requests), or, for an operator who may not
    // change the branch, nothing at all.
    bool SelfChecked = false;
};

using TMethodHandler = std::function<QVariant(TCallContext&, TMethodArgs&)>;

struct TMethodDef {
    QString Name;
    QList<TParam> Params;
    // The argument that names the operator, if any: a call whose value differs from
    // the session's operator is refused.
    int OperatorParam = -1;
    TMethodHandler Handler;
    // A method that writes runs in one transaction: all of it or nothing.
    bool Writes = false;
    TGuard Guard{};

    // Declared as only reading: the client may send it twice (never with Writes).
    bool SoLeitura = false;

    // A method declared with the client, and its code. EProgramError for a method
    // declared as only reading and registered as writing.
    static TMethodDef Declarado(const rpc::TMethodSpec& spec, TMethodHandler handler,
                                bool writes = false, TGuard guard = {});
};

// A remote data module: a named table of methods, called by name (without regard to
// case). Adding a method is its declaration in rpc/contracts.h, which the desktop
// calls it by, and one Register call with that declaration and its code.
// Modules are filled before the server starts and only read afterwards, so calls
// from many threads need no locking.
class TRemoteDataModule {
public:
    explicit TRemoteDataModule(const QString& name);
    virtual ~TRemoteDataModule();
    TRemoteDataModule(const TRemoteDataModule&) = delete;
    TRemoteDataModule& operator=(const TRemoteDataModule&) = delete;

    const QString& Name() const { return name_; }
    const TMethodDef* FindMethod(const QString& name) const;
    QStringList MethodNames() const;

    void Register(TMethodDef method); // EProgramError for a name given twice

private:
    QString name_;
    std::vector<TMethodDef> methods_;
};

// Checks values against the declaration: the problem as a text, empty when they fit.
QString CheckArguments(const TMethodDef& method, const QList<QVariant>& values);

} // namespace pla::server
