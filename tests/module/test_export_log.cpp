#include "core/data_packet.h"
#include "core/dates.h"
#include "core/errors.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/modal_runner.h"
#include "host/report_document.h"
#include "packages/export_log.h"
#include "packages/screens.h"
#include "qt_print.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using packages::TfrmLogExpCard;

namespace {

// The export's answer as the server builds it: one row per observation.
class ExportLog : public ::testing::Test {
protected:
    ExportLog()
        : presenterScope_(presenter_) {
        host::Host().ReportFolders = {QStringLiteral(PLA_REPORT_DIR)};
        host::Host().HelpFolders = {QStringLiteral(PLA_HELP_DIR)};
        packages::RegisterScreens();
    }
    ~ExportLog() override {
        if (host::THelpWindow* w = host::THelpWindow::Current()) {
            w->close();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        packages::UnregisterScreens();
        host::Host().ReportFolders.clear();
        host::Host().HelpFolders.clear();
    }

    static TDataPacket packet() {
        const QStringList names{"IDNUMERRO", "CDFILORIGLOG", "NMFILORIG",  "CDFILDESTLOG",
                                "NMFILDEST", "CDSERDESTLOG", "NMSERVICO",  "DTCARDESTLOG",
                                "CDPRATLOG", "NMPRATORIG",   "NMPRATDEST", "DSMENSLOG"};
        const QList<int> sizes{1, 4, 30, 4, 30, 5, 40, 0, 10, 40, 40, 200};
        TDataPacket p;
        for (int i = 0; i < names.size(); ++i) {
            p.Fields.append(
                {names[i], sizes[i] ? TFieldType::String : TFieldType::DateTime, sizes[i], false});
        }
        return p;
    }
    static void line(TDataPacket& p, char kind, const QString& dest, int day,
                     const QString& dish = {}, const QString& other = {}) {
        const auto orNull = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
        TPacketRow r;
        r.Values = {QString(QChar::fromLatin1(kind)),
                    "0004",
                    "FILIAL CENTRO",
                    "0004",
                    "FILIAL CENTRO",
                    dest,
                    dest == "00002" ? "ALMOCO DIRETORIA" : "JANTAR",
                    day ? QVariant(DataHora(QDate(2027, 3, day))) : QVariant(),
                    orNull(dish),
                    orNull(dish.isEmpty() ? QString() : "PRATO " + dish.right(2)),
                    orNull(other),
                    QString("Observação %1 do dia %2").arg(QChar::fromLatin1(kind)).arg(day)};
        p.Rows.append(r);
    }
    // Two destinations, the lines out of order: 00002 was not exported at all.
    static TDataPacket log() {
        TDataPacket p = packet();
        line(p, 'P', "00003", 5, "0000000012", "GUARNICAO");
        line(p, 'D', "00002", 0);
        line(p, 'M', "00003", 4);
        line(p, 'R', "00003", 5, "0000000007");
        line(p, 'F', "00003", 7);
        line(p, 'D', "00002", 0);
        line(p, 'C', "00003", 2);
        line(p, 'I', "00003", 6, "0000000020");
        return p;
    }
    static QVariantList params(const TDataPacket& p, bool preview = false) {
        return {FromDataPacket(p), QString("0004"), QString("00002_00003_00004_"), preview};
    }
    // Each row of the grid as "service|day|kind|dish".
    static QStringList grid(const TfrmLogExpCard& f) {
        const QAbstractItemModel* m = f.dbgPadrao->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c : {0, 2, 3, 4}) {
                cells << m->index(r, c).data().toString();
            }
            out << cells.join('|');
        }
        return out;
    }
    static void choose(QComboBox* box, const QString& data) {
        const int i = box->findData(data);
        ASSERT_GE(i, 0) << data.toStdString();
        box->setCurrentIndex(i);
    }
    static QStringList items(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i) {
            out << box->itemText(i);
        }
        return out;
    }
    // Saved through the button and its save dialog; the pages of the PDF.
    static int savedPages(TfrmLogExpCard& f, const QString& file) {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* save = qobject_cast<QFileDialog*>(&d);
            EXPECT_NE(save, nullptr);
            save->selectFile(file);
            return int(QDialog::Accepted);
        });
        f.sbtSalvar->click();
        QFile pdf(file);
        EXPECT_TRUE(pdf.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(pdf.readAll());
        EXPECT_TRUE(text.startsWith("%PDF-"));
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
        int pages = 0;
        for (auto it = page.globalMatch(text); it.hasNext(); it.next()) {
            ++pages;
        }
        return pages;
    }
    // The report as it would be printed now.
    static host::TReportDocument document(TfrmLogExpCard& f) {
        QString searched;
        const auto def =
            host::TReportDefinition::Find("PLA06100", host::Host().ReportFolders, searched);
        return host::TReportDocument(def.value(), *f.dtsPadrao, QDateTime());
    }
    static QList<QStringList> printed(TfrmLogExpCard& f) { return document(f).Rows(); }

    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
};

TEST_F(ExportLog, OpensFromTheHostWithTheLinesByDestinationDayAndDish) {
    QStringList runs;
    QStringList rows, headings, head;
    QString summary;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            runs << d.objectName();
            if (auto* f = d.findChild<TfrmLogExpCard*>()) {
                EXPECT_EQ(f->objectName(), "frmLogExpCard");
                EXPECT_EQ(f->windowTitle(), "Log da Exportação de Cardápio");
                EXPECT_EQ(f->lblCodTela->text(), "PLA06100");
                EXPECT_EQ(f->HelpContext(), 12306101);
                EXPECT_EQ(f->CdFilial(), "0004");
                EXPECT_EQ(f->Destinos(), (QStringList{"00002", "00003", "00004"}));
                rows = grid(*f);
                for (int c = 0; c < f->dbgPadrao->model()->columnCount(); ++c) {
                    headings << f->dbgPadrao->model()->headerData(c, Qt::Horizontal).toString();
                }
                head = document(*f).HeadLines();
                summary = f->lblDestinos->text();
            }
            return int(QDialog::Rejected);
        });
        ASSERT_TRUE(host::RunHandler([&] { host::Host().LoadBPL("PLA06100", params(log())); }));
    }
    EXPECT_EQ(runs, QStringList{""}) << "no preview unless asked";
    EXPECT_EQ(rows,
              (QStringList{"00002||Serviço não exportado|", "00002||Serviço não exportado|",
                           "00003|02/03/2027|Dia sem comensais|", "00003|04/03/2027|Dia mantido|",
                           "00003|05/03/2027|Receita não revisada|0000000007",
                           "00003|05/03/2027|Prato sem posição|0000000012",
                           "00003|06/03/2027|Produto inativo|0000000020",
                           "00003|07/03/2027|Dia não útil|"}));
    EXPECT_EQ(headings, (QStringList{"Serviço", "Nome do serviço", "Dia", "Situação", "Prato",
                                     "Prato na origem", "Outro nome", "Ocorrência"}));
    EXPECT_EQ(head, QStringList{"Filial: FILIAL CENTRO"});
    EXPECT_EQ(summary, "Filial 0004 · destinos: 00002, 00003, 00004 · sem observações: 00004");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();

    host::MostraAjuda(12306101);
    ASSERT_NE(host::THelpWindow::Current(), nullptr);
    EXPECT_EQ(host::THelpWindow::Current()->CurrentTitle(),
              "Log da exportação de cardápio (PLA06100)");
}

TEST_F(ExportLog, EachFilterNarrowsTheGridAndThePrintedReport) {
    TfrmLogExpCard f(params(log()));
    f.PrepareData();
    EXPECT_EQ(items(f.cbxDestino),
              (QStringList{"Todos", "00002 - ALMOCO DIRETORIA", "00003 - JANTAR"}));
    EXPECT_EQ(items(f.cbxSituacao),
              (QStringList{"Todas", "Dia mantido", "Dia não útil", "Dia sem comensais",
                           "Prato sem posição", "Produto inativo", "Receita não revisada",
                           "Serviço não exportado"}));

    choose(f.cbxDestino, "00002");
    EXPECT_EQ(grid(f).size(), 2);
    EXPECT_EQ(printed(f).size(), 2);
    choose(f.cbxSituacao, "D");
    EXPECT_EQ(grid(f).size(), 2);
    choose(f.cbxDestino, "00003");
    EXPECT_EQ(grid(f).size(), 0) << "both filters hold";
    EXPECT_TRUE(printed(f).isEmpty());
    choose(f.cbxSituacao, "P");
    EXPECT_EQ(grid(f), QStringList{"00003|05/03/2027|Prato sem posição|0000000012"});
    ASSERT_EQ(printed(f).size(), 1);
    EXPECT_EQ(printed(f)[0],
              (QStringList{"00003", "JANTAR", "05/03/2027", "Prato sem posição", "0000000012",
                           "PRATO 12", "GUARNICAO", "Observação P do dia 5"}));
    choose(f.cbxDestino, "");
    EXPECT_EQ(grid(f).size(), 1);
    choose(f.cbxSituacao, "");
    EXPECT_EQ(grid(f).size(), 8) << "Todos and Todas show every line again";
    EXPECT_EQ(printed(f).size(), 8);
}

TEST_F(ExportLog, TheSavedPdfHoldsOnlyTheFilteredLines) {
    TDataPacket p = log();
    for (int i = 0; i < 150; ++i) {
        line(p, 'P', "00002", 1 + i % 28, QString("%1").arg(i, 10, 10, QChar('0')), "SOBREMESA");
    }
    TfrmLogExpCard f(params(p));
    QTemporaryDir dir;
    const int all = savedPages(f, dir.filePath("todos.pdf"));
    EXPECT_GE(all, 3);
    EXPECT_EQ(all, f.PageCount());
    choose(f.cbxDestino, "00003");
    EXPECT_EQ(savedPages(f, dir.filePath("jantar.pdf")), 1);
    choose(f.cbxDestino, "");
    choose(f.cbxSituacao, "P");
    const int dishes = savedPages(f, dir.filePath("pratos.pdf"));
    EXPECT_GE(dishes, 3);
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 151);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

TEST_F(ExportLog, AnEmptyLogIsAnEmptyReportAndItsPreviewMayOpenAtOnce) {
    for (const TDataPacket& empty : {packet(), TDataPacket()}) {
        QStringList runs;
        int rows = -1;
        int pages = 0;
        {
            host::TModalRunner::TScope script([&](QDialog& d) {
                runs << d.objectName();
                if (auto* f = d.findChild<TfrmLogExpCard*>()) {
                    rows = f->dbgPadrao->model()->rowCount();
                    EXPECT_EQ(items(f->cbxDestino), QStringList{"Todos"});
                    EXPECT_EQ(items(f->cbxSituacao), QStringList{"Todas"});
                    pages = f->PageCount();
                }
                return int(QDialog::Rejected);
            });
            host::Host().LoadBPL("PLA06100", params(empty, true));
        }
        EXPECT_EQ(runs, (QStringList{"dlgPreview", ""})) << "asked for: the preview at once";
        EXPECT_EQ(rows, 0);
        EXPECT_EQ(pages, 1);
    }
    TfrmLogExpCard f(params(packet()));
    QTemporaryDir dir;
    EXPECT_EQ(savedPages(f, dir.filePath("vazio.pdf")), 1);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

TEST_F(ExportLog, AMalformedArrayIsRefusedWithAClearMessage) {
    TDataPacket noText = log();
    noText.Fields.removeLast();
    for (TPacketRow& r : noText.Rows) {
        r.Values.removeLast();
    }
    const QList<std::pair<QVariantList, QString>> cases{
        {{},
         "O log da exportação espera 4 parâmetros (log, filial, destinos e visualização) "
         "e recebeu 0."},
        {{QString("log"), QString("0004"), QString("00002_"), false},
         "O primeiro parâmetro do log da exportação deve ser o pacote de observações do "
         "servidor."},
        {{FromDataPacket(log()), 4, QString("00002_"), false},
         "O log da exportação espera a filial e os destinos como texto e a visualização como "
         "sim ou não."},
        {params(noText), "O log da exportação recebido não tem o campo DSMENSLOG."}};
    int runs = 0;
    host::TModalRunner::TScope script([&](QDialog&) {
        ++runs;
        return int(QDialog::Rejected);
    });
    for (const auto& [array, message] : cases) {
        EXPECT_FALSE(host::RunHandler([&] { host::Host().LoadBPL("PLA06100", array); }));
        EXPECT_EQ(presenter_.LastText(), message);
    }
    EXPECT_EQ(runs, 0) << "no screen opens";
}

TEST_F(ExportLog, ADefinitionWithoutAQueryNeedsItsFields) {
    QString searched;
    const auto def = host::TReportDefinition::Find("PLA06100", {PLA_REPORT_DIR}, searched);
    ASSERT_TRUE(def.has_value());
    EXPECT_FALSE(def->HasQuery());
    EXPECT_TRUE(def->ParamNames().isEmpty());
    const QByteArray columns = R"("columns": [{"field": "A", "title": "A"}])";
    EXPECT_THROW(host::TReportDefinition::Parse(R"({"code": "X", )" + columns + "}", "x.json"),
                 EPlaError);
    EXPECT_THROW(
        host::TReportDefinition::Parse(
            R"({"code": "X", "sql_postgresql": "SELECT 1 AS A", )" + columns + "}", "x.json"),
        EPlaError);
    EXPECT_TRUE(host::TReportDefinition::Parse(
                    R"({"code": "X", "sql": "SELECT 1 AS A", )" + columns + "}", "x.json")
                    .HasQuery());
}

} // namespace
