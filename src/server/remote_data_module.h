#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace pla::server {

// The declared type of a method's argument. A value of another kind is refused
// before the method runs; null is accepted for every type.
enum class TArgType { String, Integer, Float, Boolean, DateTime, Bytes, Variant };

struct TParam {
    QString Name;
    TArgType Type = TArgType::Variant;
    bool ByRef = false;
};

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

class TDatabase;

// Who is calling, and the database to answer from.
struct TCallContext {
    QString Operador; // the operator of the session, never taken from the arguments
    QString Module;
    QString Method;
    TDatabase* Db =
        nullptr; // this worker's connection; inside a transaction when the method writes

    TDatabase& Database() const; // EPlaError when the server has none
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
};

// A remote data module: a named table of methods, called by name (without regard to
// case). Adding a method is one Register call with its declaration and code.
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
