#include "core/errors.h"
#include "host/package_loader.h"
#include "qt_print.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

const QStringList folders() {
    return {"/nao/existe", QStringLiteral(PLA_TEST_PACKAGE_DIR)};
}

TEST(Packages, LoadRunStartUpResolveAndShutDown) {
    qputenv("FAKE_PACKAGE_INIT", "0");
    qputenv("FAKE_PACKAGE_FINI", "0");
    {
        auto p = TPackage::Load("Pkg_teste", folders());
        EXPECT_EQ(qEnvironmentVariableIntValue("FAKE_PACKAGE_INIT"), 1) << "start-up on load";
        EXPECT_TRUE(p->Exports("CriaElabCard"));
        EXPECT_FALSE(p->Exports("CriaCardMens"));
        p->Resolve<void (*)()>("CriaElabCard")();
        EXPECT_EQ(qEnvironmentVariableIntValue("FAKE_PACKAGE_ELAB"), 1);
        p->Resolve<void (*)(const QString&, const QString&)>("CriaLogCardCiclo")("0001",
                                                                                 "0000000007");
        EXPECT_EQ(qgetenv("FAKE_PACKAGE_LOG"), "0001/0000000007");
        try {
            p->Resolve<void (*)()>("CriaCardMens");
            FAIL();
        } catch (const EPlaError& e) {
            EXPECT_EQ(e.message(), "O pacote Pkg_teste não oferece a função CriaCardMens.");
        }
    }
    EXPECT_EQ(qEnvironmentVariableIntValue("FAKE_PACKAGE_FINI"), 1) << "shut-down on unload";
}

TEST(Packages, MissingAndMismatchedPackagesAreNamed) {
    try {
        TPackage::Load("Pkg_nenhum", folders());
        FAIL();
    } catch (const EPlaError& e) {
        EXPECT_TRUE(e.message().startsWith("O pacote Pkg_nenhum não foi encontrado"));
    }
    try {
        TPackage::Load("Pkg_velho", folders());
        FAIL();
    } catch (const EPlaError& e) {
        EXPECT_TRUE(e.message().contains("foi feito para a versão 0"));
    }
}

} // namespace
