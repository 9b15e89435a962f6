// The package's entry points as the host's loader finds them: C names, the contract
// version, start-up and shut-down, and the creation functions.
#include "core/dates.h"
#include "creation.h"
#include "host/host_messages.h"
#include "host/package_loader.h"
#include "module_state.h"

extern "C" {

Q_DECL_EXPORT int PlaPackageApi() {
    return pla::host::PackageApiVersion;
}

Q_DECL_EXPORT void PlaInitialize() {
    pla::module::InitializeUnits();
}

Q_DECL_EXPORT void PlaFinalize() {
    pla::module::FinalizeUnits();
}

Q_DECL_EXPORT void IniProc() {
    pla::host::RunHandler([] { pla::module::IniProc(); });
}

Q_DECL_EXPORT void CriaElabCard() {
    pla::host::RunHandler([] { pla::module::CriaElabCard(); });
}

Q_DECL_EXPORT void CriaCardMens() {
    pla::host::RunHandler([] { pla::module::CriaCardMens(); });
}

// Strings cross the boundary as UTF-8 C strings.
Q_DECL_EXPORT void CriaLogCardCiclo(const char* cdFilial, const char* nrLogCardCiclo) {
    pla::host::RunHandler([&] {
        pla::module::CriaLogCardCiclo(QString::fromUtf8(cdFilial),
                                      QString::fromUtf8(nrLogCardCiclo));
    });
}

// The month as "yyyy-MM-dd".
Q_DECL_EXPORT void CriaExportarCardapio(const char* cdFilial, const char* nmFilial,
                                        const char* cdServico, const char* nmServico,
                                        const char* mes) {
    pla::host::RunHandler([&] {
        pla::module::CriaExportarCardapio(
            QString::fromUtf8(cdFilial), QString::fromUtf8(nmFilial), QString::fromUtf8(cdServico),
            QString::fromUtf8(nmServico),
            pla::DataHora(QDate::fromString(QString::fromUtf8(mes), Qt::ISODate)));
    });
}

// The date as "yyyy-MM-dd"; the monthly menu screen created last is the month.
Q_DECL_EXPORT void criaAtuComensDieta(const char* cdServFili, const char* nmServico,
                                      const char* data) {
    pla::host::RunHandler([&] {
        pla::module::criaAtuComensDieta(
            QString::fromUtf8(cdServFili), QString::fromUtf8(nmServico),
            pla::DataHora(QDate::fromString(QString::fromUtf8(data), Qt::ISODate)));
    });
}

} // extern "C"
