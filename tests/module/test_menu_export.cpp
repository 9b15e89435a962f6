#include "core/dates.h"
#include "editing_fixture.h"
#include "host/btn_pesquisa.h"
#include "host/db_grid.h"
#include "host/modal_runner.h"
#include "module/menu_export/exportar_cardapio.h"
#include "module/menu_export/servicos_delegate.h"
#include "module/menu_export/servicos_exportacao.h"
#include "packages/export_log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlQuery>
#include <QtTest/QTest>
#include <memory>

using namespace pla;
using namespace pla::module;

namespace {

// The rules of the destinations, on a table filled by hand.
class ExportRules : public ::testing::Test {
protected:
    ExportRules() {
        t_.AddField("IDMARCADO", TFieldType::String, 1);
        t_.AddField("CDSERVFILI", TFieldType::String, 5);
        t_.AddField("IDSITSERV", TFieldType::String, 1);
        t_.CreateDataSet();
    }
    void add(const char* code, const char* sit, const char* mark = "N") {
        t_.Append();
        t_.FieldByName("IDMARCADO").SetAsString(mark);
        t_.FieldByName("CDSERVFILI").SetAsString(code);
        t_.FieldByName("IDSITSERV").SetAsString(sit);
        t_.Post();
    }
    QString marks() {
        QString out;
        for (t_.First(); !t_.Eof(); t_.Next()) {
            out += t_.FieldByName("IDMARCADO").AsString();
        }
        return out;
    }
    TMemTable t_;
};

TEST_F(ExportRules, MarkingOneFlipsButNeverAnErrorAndAllSparesErrorsAndBlocked) {
    add("00002", "O");
    add("00003", "A");
    add("00004", "E");
    add("00005", "B");
    t_.SetRecNo(3);
    MarcaServico(t_, false);
    EXPECT_EQ(marks(), "NNNN") << "an error line stays unmarked";
    t_.SetRecNo(4);
    MarcaServico(t_, false);
    EXPECT_EQ(marks(), "NNNS") << "a blocked one flips, though drawn grey";
    t_.SetRecNo(2);
    MarcaServico(t_, true);
    EXPECT_EQ(t_.RecNo(), 2) << "the current row stays";
    EXPECT_EQ(marks(), "NNNS") << "one marked already: all but errors and blocked unmarked";
    t_.SetRecNo(4);
    MarcaServico(t_, false);
    MarcaServico(t_, true);
    EXPECT_EQ(marks(), "SSNN") << "nothing marked: all but errors and blocked";
    MarcaServico(t_, true);
    EXPECT_EQ(marks(), "NNNN");
}

TEST_F(ExportRules, TheListsRepeatTheOriginOncePerMarkedDestination) {
    add("00002", "O", "S");
    add("00003", "A", "N");
    add("00004", "A", "S");
    add("00005", "B", "S");
    t_.SetRecNo(2);
    const TListasExportacao l = ListasExportacao(t_, "00001");
    EXPECT_EQ(l.Origens, "00001_00001_00001_");
    EXPECT_EQ(l.Destinos, "00002_00004_00005_");
    EXPECT_EQ(l.Quantidade, 3);
    EXPECT_EQ(t_.RecNo(), 2);
}

TEST_F(ExportRules, ASituationsKeysBecomeLinesApartByAnEmptyLine) {
    TMessages m;
    m.Add("HA_CICLO", "Existe ciclo definido para o serviço.");
    m.Add("N_HA_CARD", "Não há cardápio para o mês de referência informado.");
    EXPECT_EQ(TextoSituacao(m, "HA_CICLO;N_HA_CARD;"),
              "- Existe ciclo definido para o serviço.\n\n- Não há cardápio para o mês de "
              "referência informado.");
    EXPECT_EQ(TextoSituacao(m, "HA_CICLO;N_HA_CARD"), TextoSituacao(m, "HA_CICLO;N_HA_CARD;"))
        << "a last key without its \";\" counts";
    EXPECT_EQ(TextoSituacao(m, "OUTRA;"), "- OUTRA");
    EXPECT_EQ(TextoSituacao(m, ""), "");
}

TEST_F(ExportRules, TheCellsPictures) {
    using I = TImagemServico;
    EXPECT_EQ(ImagemServico("IDMARCADO", "E", "S"), I::MarcadoCinza);
    EXPECT_EQ(ImagemServico("IDMARCADO", "B", "N"), I::MarcadoCinza);
    EXPECT_EQ(ImagemServico("IDMARCADO", "A", "S"), I::Marcado);
    EXPECT_EQ(ImagemServico("IDMARCADO", "O", "N"), I::Desmarcado);
    EXPECT_EQ(ImagemServico("IDSITSERV", "O", "N"), I::Ok);
    EXPECT_EQ(ImagemServico("IDSITSERV", "A", "N"), I::Alerta);
    EXPECT_EQ(ImagemServico("IDSITSERV", "E", "N"), I::Erro);
    EXPECT_EQ(ImagemServico("IDSITSERV", "X", "N"), I::Bloqueado);
    EXPECT_EQ(ImagemServico("NMSERVICO", "O", "N"), I::Nenhuma);
}

TEST_F(ExportRules, ThePeriodsChecksInOrder) {
    const QDate limit(2026, 3, 12);
    EXPECT_EQ(VerificaPeriodo({}, {}, limit), "DATAINI_N_INF");
    EXPECT_EQ(VerificaPeriodo({2026, 3, 11}, {}, limit), "DATAINI_<_DATAPROC");
    EXPECT_EQ(VerificaPeriodo({2026, 3, 12}, {}, limit), "DATAFIN_N_INF");
    EXPECT_EQ(VerificaPeriodo({2026, 3, 20}, {2026, 3, 19}, limit), "DATAINI>DATAFIN");
    EXPECT_EQ(VerificaPeriodo({2026, 4, 30}, {2026, 5, 2}, limit), "MES_DATAINI<>MES_DATAFIN");
    EXPECT_EQ(VerificaPeriodo({2026, 3, 12}, {2026, 3, 12}, limit), "");
    EXPECT_EQ(VerificaPeriodo({2026, 3, 12}, {2027, 3, 1}, limit), "")
        << "the months are compared by number only";
}

// The export screen worked as a planner works it, over the demonstration's restaurant:
// its lunch exported to the dinner and the breakfast of next month.
class ExportScreen : public test::TEditingTest {
protected:
    std::unique_ptr<TfrmExportarCardapio> screen(const QDate& month) {
        auto f = std::make_unique<TfrmExportarCardapio>(*planning_, "0001", "Metalúrgica", "00001",
                                                        "Almoço", month);
        f->show();
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.get()));
        return f;
    }
    void setLimit(const QDate& processing, int blocked) {
        server_.Db().Exec("UPDATE FILIAL SET DTPROCESSA = ? WHERE CDFILIAL = '0001'",
                          {DataHora(processing)});
        server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = '0001'",
                          {blocked});
    }
    static int rowOf(TfrmExportarCardapio& f, const QString& code) {
        TMemTable& t = *f.cdsServicos;
        const int field = t.FieldByName("CDSERVFILI").Index();
        for (int r = 0; r < t.ViewRowCount(); ++r) {
            if (t.ViewValue(r, field).toString() == code) {
                return r;
            }
        }
        return -1;
    }
    static int column(TfrmExportarCardapio& f, const QString& field) {
        for (int c = 0; c < f.dbgServicos->model()->columnCount(); ++c) {
            const int i = f.dbgServicos->DataSource()->FieldIndexAt(c);
            if (i >= 0 && f.cdsServicos->Fields(i).FieldName() == field) {
                return c;
            }
        }
        return -1;
    }
    static void click(TfrmExportarCardapio& f, const QString& code, const QString& field) {
        QTableView* v = f.dbgServicos;
        const QModelIndex i = v->model()->index(rowOf(f, code), column(f, field));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(i).center());
    }
    static QString value(TfrmExportarCardapio& f, const QString& code, const char* field) {
        TMemTable& t = *f.cdsServicos;
        return t.ViewValue(rowOf(f, code), t.FieldByName(field).Index()).toString();
    }
    // The destinations as the planner gets them: by entering the grid.
    static void enterGrid(TfrmExportarCardapio& f) {
        f.dbgServicos->setFocus();
        QApplication::processEvents();
    }
    QStringList dishes(const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec("SELECT C.NRSEQPRATCAR, C.CDPRATO, C.VRPECONSCARD FROM "
                                        "COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL "
                                        "AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = "
                                        "'0001' AND D.CDSERVFILI = ? AND D.DTCARDAPIO = ? ORDER "
                                        "BY 1, 2",
                                        {service, DataHora(day)});
        QStringList out;
        while (q.next()) {
            out << QString("%1 %2 %3")
                       .arg(q.value(0).toString(), q.value(1).toString().trimmed(),
                            q.value(2).toString());
        }
        return out;
    }
    double diners(const QString& service, const QDate& day) {
        return server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = ? "
                    "AND DTCARDAPIO = ?",
                    {service, DataHora(day)})
            .toDouble();
    }
    // Leaves the dinner's days of the period without dishes.
    void clearDinner(const QDate& first, const QDate& last) {
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            if (!dayNumber("0001", "00002", d).isEmpty()) {
                dropDay("0001", "00002", d);
            }
        }
    }
    void confirm(TfrmExportarCardapio& f) {
        presenter_.Clear();
        f.sbtConfirma->click();
    }
};

TEST_F(ExportScreen, ThePeriodStartsAtTheLimitDateOrTheMonthAndEndsWithItsMonth) {
    setLimit(next_.addDays(9), 2);
    auto f = screen(next_);
    EXPECT_EQ(f->windowTitle(), "Exportar Cardápio");
    EXPECT_EQ(f->lblCodTela->text(), "PLA00133");
    EXPECT_EQ(f->DataLimite(), next_.addDays(11));
    EXPECT_EQ(f->depDataIni->Date(), next_.addDays(11));
    EXPECT_EQ(f->depDataFin->Date(), UltimoDiaMes(next_));
    EXPECT_EQ(f->edtNmDataIni->text(), NomeSemana(next_.addDays(11)));
    EXPECT_EQ(f->edtNmDataFin->text(), NomeSemana(UltimoDiaMes(next_)));
    EXPECT_EQ(f->medCdFilial->text(), "0001");
    EXPECT_FALSE(f->medCdFilial->isEnabled());
    EXPECT_FALSE(f->btnFilial->isEnabled());
    EXPECT_EQ(f->medCdServico->text(), "00001");
    EXPECT_TRUE(f->rbtAcrescentar->isChecked());
    EXPECT_FALSE(f->chbCopComens->isChecked());
    EXPECT_EQ(f->cmbGrupo->currentIndex(), 0);
    EXPECT_EQ(f->CodigosGrupo().value(0), "T");
    EXPECT_EQ(f->CodigosGrupo().size(), f->cmbGrupo->count());

    const QDate later = next_.addMonths(1);
    auto g = screen(later);
    EXPECT_EQ(g->depDataIni->Date(), later);
    EXPECT_EQ(g->depDataFin->Date(), UltimoDiaMes(later));
}

TEST_F(ExportScreen, TheOriginAndPeriodAreCheckedInOrderEachFocusingItsControl) {
    setLimit(next_.addDays(9), 2);
    auto f = screen(next_);
    f->medCdServico->clear();
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Serviço deve ser informado");
    EXPECT_TRUE(f->medCdServico->hasFocus());
    f->medCdServico->setText("99");
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Serviço informado não cadastrado");
    EXPECT_EQ(f->edtNmServico->text(), "");
    f->medCdServico->setText("2");
    host::RunHandler([&] { f->medCdServicoExit(); });
    EXPECT_EQ(f->medCdServico->text(), "00002") << "padded to its width";
    EXPECT_EQ(f->edtNmServico->text(), "Jantar");

    f->depDataIni->Clear();
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Data inicial deve ser informada.");
    EXPECT_TRUE(f->depDataIni->hasFocus());
    f->depDataIni->SetDate(next_.addDays(10));
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), QString("Data inicial deve ser maior ou igual à %1.")
                                         .arg(FormatDateTime("dd/mm/yyyy", next_.addDays(11))));
    f->depDataIni->SetDate(next_.addDays(20));
    f->depDataFin->SetDate(next_.addDays(19));
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Data inicial deve ser menor ou igual à data final");
    EXPECT_TRUE(f->depDataFin->hasFocus());
    f->depDataFin->SetDate(next_.addMonths(1));
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Data inicial e final devem compreender o mesmo mês.");
    f->depDataFin->SetDate(UltimoDiaMes(next_));
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(), "Ao menos um serviço de destino deve ser selecionado.")
        << "the checks pass; no destination is marked";
}

TEST_F(ExportScreen, TheDestinationsShowTheirSituationsAndAreMarkedByClickSpaceAndTitle) {
    clearDinner(next_, UltimoDiaMes(next_));
    auto f = screen(next_);
    f->depDataIni->SetDate(std::max(f->DataLimite(), next_));
    EXPECT_FALSE(f->cdsServicos->Active());
    enterGrid(*f);
    ASSERT_TRUE(f->cdsServicos->Active());
    ASSERT_EQ(f->cdsServicos->RecordCount(), 2) << "the origin is left out";
    EXPECT_EQ(rowOf(*f, "00001"), -1);
    EXPECT_EQ(value(*f, "00002", "IDSITSERV"), "O") << "an emptied dinner takes the lunch as it is";
    const QString breakfast = value(*f, "00003", "IDSITSERV");
    EXPECT_NE(breakfast, "O") << "the breakfast lacks the lunch's dish types";
    QStringList titles;
    for (int c = 0; c < f->dbgServicos->model()->columnCount(); ++c) {
        titles << f->dbgServicos->model()->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(titles, (QStringList{QString::fromUtf8("\u2713"), "Código", "Nome", "Sit."}))
        << "the other fields stay hidden";
    const QModelIndex sitCell =
        f->dbgServicos->model()->index(rowOf(*f, "00003"), column(*f, "IDSITSERV"));
    EXPECT_NE(TServicosDelegate::ImagemDaCelula(sitCell), TImagemServico::Ok);

    // The situation's messages, from its keys.
    presenter_.Clear();
    click(*f, "00003", "IDSITSERV");
    ASSERT_EQ(presenter_.Shown().size(), 1);
    EXPECT_TRUE(presenter_.LastText().startsWith("- O cardápio do serviço não tem posição"))
        << presenter_.LastText().toStdString();
    presenter_.Clear();
    click(*f, "00002", "IDSITSERV");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << "an ok service has nothing to say";

    click(*f, "00002", "IDMARCADO");
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "S");
    EXPECT_EQ(TServicosDelegate::ImagemDaCelula(
                  f->dbgServicos->model()->index(rowOf(*f, "00002"), column(*f, "IDMARCADO"))),
              TImagemServico::Marcado);
    QTest::keyClick(f->dbgServicos, Qt::Key_Space);
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "N") << "Space flips the current service";
    f->dbgServicos->horizontalHeader()->sectionClicked(column(*f, "IDMARCADO"));
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "S");
    EXPECT_EQ(value(*f, "00003", "IDMARCADO"), breakfast == "A" ? "S" : "N");
    QTest::keyClick(f->dbgServicos, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f->cdsServicos->RecordCount(), 2) << "Ctrl+Delete deletes nothing";

    // Another period, another group: the destinations are fetched again.
    f->depDataFin->setFocus();
    f->depDataFin->SetDate(UltimoDiaMes(next_).addDays(-1));
    EXPECT_TRUE(f->cdsServicos->IsEmpty());
    enterGrid(*f);
    EXPECT_EQ(f->cdsServicos->RecordCount(), 2);
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "N");
}

TEST_F(ExportScreen, AnExportWritesTheMarkedDestinationAndTheSituationsAreReadAgain) {
    const QDate first = workingDay("0001", 8);
    const QDate last = workingDay("0001", first.day() + 1);
    ASSERT_TRUE(first.isValid() && last.isValid());
    clearDinner(first, last);
    auto f = screen(next_);
    f->depDataIni->SetDate(first);
    f->depDataFin->SetDate(last);
    f->chbCopComens->setChecked(true);
    enterGrid(*f);
    ASSERT_EQ(value(*f, "00002", "IDSITSERV"), "O");
    click(*f, "00002", "IDMARCADO");
    const QStringList lunch = dishes("00001", first);
    ASSERT_FALSE(lunch.isEmpty());
    presenter_.Answer(host::mrNo); // the log, if there are observations
    confirm(*f);
    const QStringList texts = presenter_.Texts();
    ASSERT_EQ(texts.size(), 1) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts[0] == "Procedimento realizado com sucesso." ||
                texts[0].startsWith("Exportação realizada, com observações"));
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        EXPECT_EQ(dishes("00002", d), dishes("00001", d)) << d.toString().toStdString();
        EXPECT_EQ(diners("00002", d), diners("00001", d)) << "the lunch's diners copied";
    }
    EXPECT_EQ(value(*f, "00002", "IDSITSERV"), "A") << "read again: the days have dishes now";
    EXPECT_TRUE(value(*f, "00002", "DSMENSERRROS").contains("DIAS_COM_PRATOS;"));
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "N") << "nothing stays marked for a second click";
}

TEST_F(ExportScreen, AKeptDayIsAnObservationAndThePlannerMayOpenTheLog) {
    const QDate first = workingDay("0001", 8);
    const QDate last = workingDay("0001", first.day() + 1);
    clearDinner(first.addDays(1), last);
    ASSERT_FALSE(dishes("00002", first).isEmpty()) << "the dinner keeps its first day";
    const QStringList kept = dishes("00002", first);
    auto f = screen(next_);
    f->depDataIni->SetDate(first);
    f->depDataFin->SetDate(last);
    enterGrid(*f);
    ASSERT_EQ(value(*f, "00002", "IDSITSERV"), "A");
    EXPECT_TRUE(value(*f, "00002", "DSMENSERRROS").contains("DIAS_COM_PRATOS;"));
    click(*f, "00002", "IDMARCADO");
    QStringList logLines;
    QString logCode;
    host::TModalRunner::TScope script([&](QDialog& d) {
        auto* log = d.findChild<packages::TfrmLogExpCard*>();
        if (!log) {
            return int(QDialog::Rejected);
        }
        logCode = log->lblCodTela->text();
        TMemTable& rows = *log->dtsPadrao;
        for (rows.First(); !rows.Eof(); rows.Next()) {
            logLines << rows.FieldByName("CDSERDESTLOG").AsString() + " " +
                            rows.FieldByName("DSMENSLOG").AsString();
        }
        return int(QDialog::Rejected);
    });
    presenter_.Answer(host::mrYes);
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(),
              "Exportação realizada, com observações. Deseja visualizar o log da integração?");
    EXPECT_EQ(dishes("00002", first), kept) << "\"Acrescentar\" keeps a day with dishes";
    EXPECT_EQ(dishes("00002", last), dishes("00001", last));
    EXPECT_EQ(diners("00002", last),
              server_.Db()
                  .Scalar(QString("SELECT QTCOMESTI%1 FROM SERVICO WHERE CDFILIAL = '0001' AND "
                                  "CDSERVFILI = '00002'")
                              .arg(SufixoDia(last, false)))
                  .toDouble())
        << "a new day takes the dinner's weekday estimate";
    EXPECT_EQ(logCode, "PLA06100");
    ASSERT_EQ(logLines.size(), 1) << logLines.join(" | ").toStdString();
    EXPECT_EQ(logLines[0], "00002 O dia já tinha pratos e foi mantido (opção \"Acrescentar\").");
}

TEST_F(ExportScreen, TheServersRefusalIsShownInItsWordsAndNothingIsWritten) {
    const QDate first = workingDay("0001", 8);
    clearDinner(first, first);
    auto f = screen(next_);
    f->depDataIni->SetDate(first);
    f->depDataFin->SetDate(first);
    enterGrid(*f);
    click(*f, "00002", "IDMARCADO");
    // Meanwhile the branch blocked more days: the server refuses what the screen let by.
    const QDate processing = server_.Db()
                                 .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = '0001'")
                                 .toDateTime()
                                 .date();
    const int blocked = int(processing.daysTo(first)) + 1;
    server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = '0001'",
                      {blocked});
    confirm(*f);
    EXPECT_EQ(presenter_.LastText(),
              QString("Data inicial deve ser maior ou igual à %1.")
                  .arg(FormatDateTime("dd/mm/yyyy", processing.addDays(blocked))));
    EXPECT_TRUE(dishes("00002", first).isEmpty());
    EXPECT_EQ(value(*f, "00002", "IDMARCADO"), "S") << "the marks stay for another try";
}

TEST_F(ExportScreen, TheMonthlyScreensButtonSavesPendingChangesFirstAndExportsTheMonth) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate day = workingDay("0001", std::max(5, s->Cardapio().PrimeiroDiaEditavel().day()));
    goTo(s, day, type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    const int before = dishes("00001", day).size();
    QString origin;
    QDate start;
    int runs = 0;
    int seen = -1;
    host::TModalRunner::TScope script([&](QDialog& d) {
        auto* f = d.findChild<TfrmExportarCardapio*>();
        if (!f) {
            return int(QDialog::Rejected);
        }
        ++runs;
        origin =
            f->medCdFilial->text() + "/" + f->medCdServico->text() + " " + f->edtNmServico->text();
        start = f->depDataIni->Date();
        seen = dishes("00001", day).size();
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    presenter_.Answer(host::mrYes); // save the pending change
    Button(s, "sbtCopiarCard")->click();
    EXPECT_EQ(presenter_.Texts().value(0).left(37), "Há alterações não gravadas no cardápi");
    EXPECT_EQ(runs, 1) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(seen, before - 1) << "the server exports what the planner sees";
    EXPECT_EQ(origin, "0001/00001 Almoço");
    EXPECT_EQ(start, std::max(next_, s->Cardapio().PrimeiroDiaEditavel()));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

} // namespace
