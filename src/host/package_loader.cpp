#include "package_loader.h"

#include "core/errors.h"

#include <QDir>
#include <QFileInfo>

namespace pla::host {

TPackage::TPackage(const QString& name, const QString& file)
    : name_(name)
    , library_(file) {}

std::unique_ptr<TPackage> TPackage::Load(const QString& name, const QStringList& folders) {
    QString file;
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(QStringLiteral("lib%1.so").arg(name));
        if (QFileInfo::exists(candidate)) {
            file = candidate;
            break;
        }
    }
    if (file.isEmpty()) {
        throw EPlaError(QStringLiteral("O pacote %1 não foi encontrado (procurado em: %2).")
                            .arg(name, folders.join(QStringLiteral(", "))));
    }
    std::unique_ptr<TPackage> p(new TPackage(name, file));
    if (!p->library_.load()) {
        throw EPlaError(QStringLiteral("O pacote %1 não pôde ser carregado: %2")
                            .arg(name, p->library_.errorString()));
    }
    const auto api = reinterpret_cast<TPackageApiFn>(p->library_.resolve("PlaPackageApi"));
    if (!api) {
        throw EPlaError(
            QStringLiteral("%1 não é um pacote de telas (falta PlaPackageApi).").arg(file));
    }
    if (api() != PackageApiVersion) {
        throw EPlaError(QStringLiteral("O pacote %1 foi feito para a versão %2 do aplicativo; esta "
                                       "é a versão %3. Instale o pacote desta versão.")
                            .arg(name)
                            .arg(api())
                            .arg(PackageApiVersion));
    }
    if (const auto init = reinterpret_cast<TPackageInitFn>(p->library_.resolve("PlaInitialize"))) {
        init();
    }
    p->initialised_ = true;
    return p;
}

TPackage::~TPackage() {
    if (initialised_) {
        if (const auto fin = reinterpret_cast<TPackageInitFn>(library_.resolve("PlaFinalize"))) {
            fin();
        }
    }
    // The library stays mapped until the process ends: widgets and static data of
    // the package may outlive this object during shut-down.
}

bool TPackage::Exports(const QString& function) const {
    return library_.resolve(function.toLatin1().constData()) != nullptr;
}

QFunctionPointer TPackage::resolve(const QString& function) const {
    const QFunctionPointer f = library_.resolve(function.toLatin1().constData());
    if (!f) {
        throw EPlaError(
            QStringLiteral("O pacote %1 não oferece a função %2.").arg(name_, function));
    }
    return f;
}

} // namespace pla::host
