#include "core/clock.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/modal_runner.h"
#include "module/dialogs/log_int_card.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "qt_print.h"
#include "signed_in_host.h"
#include <QLabel>
#include <QToolButton>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::module;

namespace {

class CycleLog : public ::testing::Test {
protected:
    CycleLog()
        : server_(test::TEngine::SQLite, Hoje())
        , host_(server_, "GRUPO1")
        , presenterScope_(presenter_) {}

    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
};

TEST_F(CycleLog, OpensItsPreviewAtOnceWithTheLogOfTheBranch) {
    QStringList runs;
    QList<Qt::CursorShape> cursors;
    int rows = 0;
    QMap<QString, QVariant> params;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            runs << d.objectName();
            cursors << host::CursorShown();
            if (auto* r = d.findChild<TfrmLogIntCard*>()) {
                rows = r->dtsPadrao->RecordCount();
                params = r->QueryParams();
                EXPECT_EQ(r->lblCodTela->text(), "PLA00131");
                EXPECT_EQ(r->windowTitle(), "Log Atualização Ciclo de Cardápio");
                EXPECT_EQ(r->PageCount(), 1);
                // A second activation does not preview again.
                r->Activate();
            }
            return int(QDialog::Rejected);
        });
        CriaLogCardCiclo("0004", "0000000001");
    }
    EXPECT_EQ(runs, (QStringList{"dlgPreview", ""})) << "the preview runs inside the form's run";
    EXPECT_EQ(cursors, (QList<Qt::CursorShape>{Qt::ArrowCursor, Qt::ArrowCursor}))
        << "the planner's turn: no busy cursor over the screens";
    EXPECT_EQ(host::CursorShown(), Qt::ArrowCursor) << "nor after";
    EXPECT_EQ(rows, server_.Db()
                        .Scalar("SELECT COUNT(*) FROM LOGCARDCICLOITEM WHERE CDFILIAL = '0004' "
                                "AND NRLOGCARDCICLO = '0000000001'")
                        .toInt());
    EXPECT_GT(rows, 0);
    EXPECT_EQ(params.value("P_CDFILIAL").toString(), "0004");
    EXPECT_EQ(params.value("P_NRLOGCARDCICLO").toString(), "0000000001");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_FALSE(host::WaitAnimationVisible());
}

TEST_F(CycleLog, AnEmptyLogShowsNoPreview) {
    QStringList runs;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            runs << d.objectName();
            return int(QDialog::Rejected);
        });
        CriaLogCardCiclo("0001", "0000000001"); // the branch has no such log
    }
    EXPECT_EQ(runs, QStringList{""});
}

TEST_F(CycleLog, ADefinitionWithoutTheBranchStillGetsTheLogNumber) {
    QTemporaryDir dir;
    QFile def(dir.filePath("PLA00131.json"));
    ASSERT_TRUE(def.open(QIODevice::WriteOnly));
    def.write(R"({"code": "PLA00131", "title": "Itens do log",
      "sql": "SELECT NRITEMLOG, DSMENSLOG FROM LOGCARDCICLOITEM WHERE NRLOGCARDCICLO = :P_NRLOGCARDCICLO",
      "fields": [{"name": "NRITEMLOG", "type": "integer"}, {"name": "DSMENSLOG", "type": "string", "size": 200}],
      "columns": [{"field": "NRITEMLOG", "title": "Item", "width": 5},
                  {"field": "DSMENSLOG", "title": "Ocorrência", "width": 60}]})");
    def.close();
    host::Host().ReportFolders = {dir.path()};
    TfrmLogIntCard form;
    form.CdFilial = "0004";
    form.NrLogCardCiclo = "0000000001";
    form.PrepareData();
    EXPECT_EQ(form.QueryParams().keys(), QStringList{"P_NRLOGCARDCICLO"});
    EXPECT_EQ(form.QueryParams().value("P_NRLOGCARDCICLO").toString(), "0000000001");
    EXPECT_GT(form.dtsPadrao->RecordCount(), 0);

    // Saved as PDF through the save dialog.
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* save = qobject_cast<QFileDialog*>(&d);
            EXPECT_NE(save, nullptr);
            save->selectFile(dir.filePath("log.pdf"));
            return int(QDialog::Accepted);
        });
        form.sbtSalvar->click();
    }
    QFile pdf(dir.filePath("log.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
}

TEST_F(CycleLog, AMissingDefinitionSaysWhereItWasLookedFor) {
    QTemporaryDir dir;
    host::Host().ReportFolders = {dir.path()};
    TfrmLogIntCard form;
    host::RunHandler([&] { form.PrepareData(); });
    EXPECT_EQ(presenter_.LastText(),
              QString("O arquivo contendo a definição do relatório de código 'PLA00131' não foi "
                      "encontrado no diretório '%1'.")
                  .arg(dir.path()));
    EXPECT_FALSE(form.Prepared());
}

TEST_F(CycleLog, LongLogsGoOnSeveralPages) {
    for (int i = 100; i < 260; ++i) {
        server_.Db().Exec("INSERT INTO LOGCARDCICLOITEM (CDFILIAL, NRLOGCARDCICLO, NRITEMLOG, "
                          "DSMENSLOG) VALUES ('0004', '0000000001', ?, ?)",
                          {i, QString("Ocorrência longa número %1, ").arg(i).repeated(4)});
    }
    TfrmLogIntCard form;
    form.CdFilial = "0004";
    form.NrLogCardCiclo = "0000000001";
    EXPECT_GE(form.PageCount(), 5);
}

} // namespace
