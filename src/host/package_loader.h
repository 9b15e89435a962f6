#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>

namespace pla::host {

// The contract between the host and a screen package: the version of it a package
// was built for, and the entry points every package exports with C names.
constexpr int PackageApiVersion = 1;
extern "C" {
using TPackageApiFn = int (*)();
using TPackageInitFn = void (*)();
}

// A screen package (a shared library such as Pkg_pla00100), loaded at run time and
// found by name. Loading runs its start-up (PlaInitialize); unloading its shut-down
// (PlaFinalize). Its creation functions are resolved by name.
class TPackage {
public:
    // Looks for lib<name>.so in the folders, in order. A missing, unloadable or
    // mismatched package raises EPlaError saying which and why.
    static std::unique_ptr<TPackage> Load(const QString& name, const QStringList& folders);
    ~TPackage();
    TPackage(const TPackage&) = delete;
    TPackage& operator=(const TPackage&) = delete;

    const QString& Name() const { return name_; }
    QString FileName() const { return library_.fileName(); }

    // A creation function by name, as the caller knows its signature; EPlaError when
    // the package does not export it.
    template <typename F> F Resolve(const QString& function) const {
        return reinterpret_cast<F>(resolve(function));
    }
    bool Exports(const QString& function) const;

private:
    TPackage(const QString& name, const QString& file);
    QFunctionPointer resolve(const QString& function) const;

    QString name_;
    mutable QLibrary library_;
    bool initialised_ = false;
};

} // namespace pla::host
