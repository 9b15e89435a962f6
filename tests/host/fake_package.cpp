// A screen package for the loader's tests: it counts its start-ups and shut-downs in
// the environment (the only state both sides can see without linking each other).
#include <QByteArray>
#include <QString>
#include <cstdlib>

#ifndef FAKE_API_VERSION
#define FAKE_API_VERSION 1
#endif

namespace {

void bump(const char* name) {
    const int n = qEnvironmentVariableIntValue(name);
    qputenv(name, QByteArray::number(n + 1));
}

QString lastBranch;

} // namespace

extern "C" {

__attribute__((visibility("default"))) int PlaPackageApi() {
    return FAKE_API_VERSION;
}
__attribute__((visibility("default"))) void PlaInitialize() {
    bump("FAKE_PACKAGE_INIT");
}
__attribute__((visibility("default"))) void PlaFinalize() {
    bump("FAKE_PACKAGE_FINI");
}
__attribute__((visibility("default"))) void CriaElabCard() {
    bump("FAKE_PACKAGE_ELAB");
}
__attribute__((visibility("default"))) void CriaLogCardCiclo(const QString& filial,
                                                             const QString& log) {
    lastBranch = filial + "/" + log;
    qputenv("FAKE_PACKAGE_LOG", lastBranch.toUtf8());
}
}
