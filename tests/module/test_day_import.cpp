#include "core/dates.h"
#include "core/reference.h"
#include "editing_fixture.h"
#include "host/date_edit.h"
#include "host/modal_runner.h"
#include "packages/day_import.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using module::TfrmCardMens;
using packages::TfrmImpCardDia;

namespace {

// The import of a day's menu (PLA00109) worked as a planner works it: the source
// service and month chosen, a day clicked, dish types ticked, the import confirmed.
class DayImportScreen : public test::TEditingTest {
protected:
    QVariantList params(const QString& service, const QDate& day, int montage = 0) {
        return {QStringLiteral("0001"),   service, DataHora(day),
                DataHora(PriDiaMes(day)), montage, done_.AsVariant(),
                QStringLiteral("F")};
    }
    static void click(QTableView* v, int row, int column) {
        const QModelIndex index = v->model()->index(row, column);
        v->scrollTo(index);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(index).center());
    }
    static int rowOf(TfrmImpCardDia& f, const QDate& day) {
        const QAbstractItemModel* m = f.dbgDias->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            if (m->index(r, 0).data(Qt::EditRole).toDateTime().date() == day) {
                return r;
            }
        }
        return -1;
    }
    static void chooseService(TfrmImpCardDia& f, const QString& service) {
        f.cbbServico->setCurrentIndex(f.cbbServico->findData(service));
    }
    static void chooseDay(TfrmImpCardDia& f, const QDate& day) {
        const int row = rowOf(f, day);
        ASSERT_GE(row, 0);
        click(f.dbgDias, row, 1);
    }
    // The rows that carry a dish type's check, with the type's name.
    static QList<std::pair<int, QString>> typeRows(TfrmImpCardDia& f) {
        QList<std::pair<int, QString>> out;
        const QAbstractItemModel* m = f.dbgPratos->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            if (m->index(r, 0).data(Qt::CheckStateRole).isValid()) {
                out.append({r, m->index(r, 1).data().toString()});
            }
        }
        return out;
    }
    static bool ticked(TfrmImpCardDia& f, int row) {
        return f.dbgPratos->model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }
    // Leaves ticked only the types whose rows are given.
    static void tickOnly(TfrmImpCardDia& f, const QList<int>& rows) {
        for (const auto& [row, name] : typeRows(f)) {
            if (ticked(f, row) != rows.contains(row)) {
                click(f.dbgPratos, row, 0);
            }
        }
    }
    QStringList dishes(const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec("SELECT C.NRSEQPRATCAR, C.CDPRATO FROM COMPCARD C JOIN "
                                        "CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                                        "C.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = "
                                        "? AND D.DTCARDAPIO = ? ORDER BY 1, 2",
                                        {service, DataHora(day)});
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
        }
        return out;
    }

    TReference done_{false};
};

TEST_F(DayImportScreen, ADayOfAnotherServiceReplacesOnlyTheTickedDishTypes) {
    const QDate target = workingDay("0001", 12);
    const QDate source = workingDay("0001", 5);
    const QStringList before = dishes("00001", target);
    const QStringList from = dishes("00002", source);
    TfrmImpCardDia f(params("00001", target));
    f.show();
    EXPECT_FALSE(done_.Get().toBool());
    EXPECT_EQ(f.edtDestino->text(),
              QString("00001 - Almoço: %1").arg(FormatDateTime("dd/mm/yyyy, dddd", target)));
    EXPECT_TRUE(f.edtDestino->isReadOnly());
    EXPECT_EQ(f.cbbServico->currentData().toString(), "00001") << "the target's service first";
    EXPECT_EQ(f.depMes->Date(), next_);
    chooseService(f, "00002");
    chooseDay(f, source);
    const auto types = typeRows(f);
    ASSERT_EQ(types.size(), 10) << "the dinner has the lunch's dish types";
    for (const auto& [row, name] : types) {
        EXPECT_TRUE(ticked(f, row)) << "every type finds its position";
    }
    // The diners of the dessert-like share of 75 % of the day.
    const QAbstractItemModel* m = f.dbgPratos->model();
    const double diners = server_.Db()
                              .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' "
                                      "AND CDSERVFILI = '00002' AND DTCARDAPIO = ?",
                                      {DataHora(source)})
                              .toDouble();
    EXPECT_EQ(m->index(types[2].first, 3).data().toString(),
              QString::number(qRound(0.75 * diners)));
    EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString(), "Comensais");

    tickOnly(f, {types[0].first});
    presenter_.Answer(host::mrYes);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.Texts().value(presenter_.Texts().size() - 2),
              QString("Os pratos dos tipos escolhidos do dia %1 serão substituídos pelos do dia "
                      "%2 (Jantar). Confirma?")
                  .arg(FormatDateTime("dd/mm/yyyy", target), FormatDateTime("dd/mm/yyyy", source)));
    EXPECT_EQ(presenter_.LastText(), "Importação concluída com êxito.");
    EXPECT_TRUE(done_.Get().toBool());
    EXPECT_EQ(f.ModalResult(), 1);
    const QStringList after = dishes("00001", target);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.first(), from.first()) << "the first dish type taken from the dinner";
    EXPECT_EQ(after.mid(1), before.mid(1)) << "the other types untouched";
}

TEST_F(DayImportScreen, NothingIsImportedWithoutADayATypeOrThePlannersYes) {
    const QDate target = workingDay("0001", 12);
    const QDate source = workingDay("0001", 5);
    const QStringList before = dishes("00001", target);
    TfrmImpCardDia f(params("00001", target));
    f.show();
    chooseService(f, "00002");
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Escolha o dia de origem.");
    chooseDay(f, source);
    tickOnly(f, {});
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Escolha ao menos um tipo de prato.");
    tickOnly(f, {typeRows(f).first().first});
    presenter_.Answer(host::mrNo);
    f.sbtConfirma->click();
    EXPECT_TRUE(presenter_.LastText().endsWith("Confirma?"));
    EXPECT_FALSE(done_.Get().toBool());
    EXPECT_EQ(f.ModalResult(), 0) << "the screen stays open";
    EXPECT_EQ(dishes("00001", target), before);
    // The space bar ticks too.
    f.dbgPratos->setCurrentIndex(f.dbgPratos->model()->index(typeRows(f).at(1).first, 0));
    QTest::keyClick(f.dbgPratos, Qt::Key_Space);
    EXPECT_TRUE(ticked(f, typeRows(f).at(1).first));
}

TEST_F(DayImportScreen, TheServerRefusesABlockedDayAndTheFlagStaysFalse) {
    blockFirstDays("0001");
    const QDate target = next_.addDays(1);
    const QDate source = workingDay("0001", 5);
    const QStringList before = dishes("00001", target);
    TfrmImpCardDia f(params("00001", target));
    f.show();
    chooseService(f, "00002");
    chooseDay(f, source);
    tickOnly(f, {typeRows(f).first().first});
    presenter_.Answer(host::mrYes);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), QString("O cardápio do dia %1 não pode mais ser alterado.")
                                         .arg(FormatDateTime("dd/mm/yyyy", target)));
    EXPECT_EQ(presenter_.Shown().last().Kind, "detail") << "shown by the handler's guard";
    EXPECT_FALSE(done_.Get().toBool());
    EXPECT_EQ(f.ModalResult(), 0);
    EXPECT_EQ(dishes("00001", target), before);
}

TEST_F(DayImportScreen, TheDaysListLeavesOutTheTargetDayAndFollowsServiceAndMonth) {
    const QDate target = workingDay("0001", 12);
    TfrmImpCardDia f(params("00001", target));
    f.show();
    const int withDishes =
        server_.Db()
            .Scalar("SELECT COUNT(*) FROM CARDADIA D WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = "
                    "'00001' AND D.DTMESCARD = ? AND EXISTS (SELECT 1 FROM COMPCARD C WHERE "
                    "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO)",
                    {DataHora(next_)})
            .toInt();
    ASSERT_GT(withDishes, 1);
    EXPECT_EQ(f.dbgDias->model()->rowCount(), withDishes - 1);
    EXPECT_EQ(rowOf(f, target), -1) << "the day itself is no source";
    EXPECT_EQ(f.dbgDias->model()->index(0, 1).data().toString(),
              NomeSemana(f.dbgDias->model()->index(0, 0).data(Qt::EditRole).toDateTime().date()));
    chooseService(f, "00002");
    EXPECT_GE(rowOf(f, target), 0) << "the same day of another service is";
    EXPECT_EQ(f.dbgDias->selectionModel()->selectedRows().size(), 0) << "no day chosen yet";
    f.depMes->SetDate(month_);
    ASSERT_GT(f.dbgDias->model()->rowCount(), 0);
    EXPECT_EQ(PriDiaMes(f.dbgDias->model()->index(0, 0).data(Qt::EditRole).toDateTime().date()),
              month_);
}

TEST_F(DayImportScreen, TypesWithoutAPositionAreSaidSoAndReportedAfterTheImport) {
    const QDate target = workingDay("0001", 12);
    const QDate breakfast = workingDay("0001", 5);
    // Opened as the monthly screen opens it, in a month planned by percentages.
    host::TModalRunner::TScope script([&](QDialog& d) {
        auto* f = d.findChild<TfrmImpCardDia*>();
        EXPECT_NE(f, nullptr);
        if (!f) {
            return int(QDialog::Rejected);
        }
        d.show();
        chooseService(*f, "00003");
        chooseDay(*f, breakfast);
        const auto types = typeRows(*f);
        EXPECT_EQ(types.size(), 3);
        const QAbstractItemModel* m = f->dbgPratos->model();
        QList<int> withPosition;
        for (const auto& [row, name] : types) {
            const bool has = m->index(row, 4).data().toString().isEmpty();
            EXPECT_EQ(ticked(*f, row), has) << "ticked when the type finds a position";
            if (!has) {
                EXPECT_EQ(m->index(row, 4).data().toString(), "sem posição no destino");
            } else {
                withPosition << row;
            }
            EXPECT_TRUE(m->index(row, 3).data().toString().endsWith(" %"));
        }
        EXPECT_EQ(withPosition.size(), 1);
        tickOnly(*f, {types[0].first, withPosition.value(0)});
        presenter_.Answer(host::mrYes);
        f->sbtConfirma->click();
        return f->ModalResult() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    host::Host().LoadBPL(QStringLiteral("PLA00109"), params("00001", target, 1));
    EXPECT_TRUE(done_.Get().toBool());
    ASSERT_FALSE(presenter_.Shown().isEmpty());
    EXPECT_EQ(presenter_.Shown().last().Kind, "detail");
    EXPECT_EQ(presenter_.LastText(), "Importação concluída, com advertências.");
    EXPECT_TRUE(
        presenter_.Shown().last().Detail.endsWith("(o cardápio de destino não tem a posição)"))
        << presenter_.Shown().last().Detail.toStdString();
}

// The monthly screen's import command: its refusals before the screen opens, and the
// month read again after an import.
class ImportLauncher : public DayImportScreen {
protected:
    // Runs the command on a cell; the script works the import screen (none: cancelled).
    bool run(TfrmCardMens* s, const std::function<void(TfrmImpCardDia&)>& work = {}) {
        bool opened = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmImpCardDia*>();
            opened = f != nullptr;
            if (!f || !work) {
                return int(QDialog::Rejected);
            }
            work(*f);
            return f->ModalResult() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        s->findChild<QToolButton*>("spbImportacao")->click();
        return opened;
    }
};

TEST_F(ImportLauncher, AHolidayOrADayWithoutDinersOpensNothing) {
    const QDate holiday = workingDay("0001", 8);
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', "
                      "?, 'Feriado municipal')",
                      {DataHora(holiday)});
    const QDate empty = workingDay("0001", holiday.day() + 1);
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00001' AND DTCARDAPIO = ?",
                      {DataHora(empty)});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, holiday, type(s, 0));
    EXPECT_FALSE(run(s));
    EXPECT_EQ(presenter_.LastText(), "Cardápio bloqueado para dia não útil.");
    goTo(s, empty, type(s, 0));
    EXPECT_FALSE(run(s));
    EXPECT_EQ(presenter_.LastText(), "Número de comensais do dia deve ser maior que zero.");
}

TEST_F(ImportLauncher, PendingChangesAreSavedAndTheImportedDayIsShown) {
    const QDate target = workingDay("0001", 12);
    const QDate source = workingDay("0001", 5);
    const QStringList from = dishes("00002", source);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // A dish removed elsewhere and not yet saved: the import saves it first.
    const QDate other = workingDay("0001", 20);
    goTo(s, other, type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);

    goTo(s, target, type(s, 0));
    const QString before = cell(s, target, type(s, 0));
    EXPECT_TRUE(run(s)) << "cancelled";
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "saved before the screen opened";
    EXPECT_EQ(cell(s, target, type(s, 0)), before);

    presenter_.Answer(host::mrYes);
    presenter_.Answer(host::mrOk);
    EXPECT_TRUE(run(s, [&](TfrmImpCardDia& f) {
        chooseService(f, "00002");
        chooseDay(f, source);
        tickOnly(f, {typeRows(f).first().first});
        f.sbtConfirma->click();
    }));
    EXPECT_EQ(presenter_.LastText(), "Importação concluída com êxito.");
    EXPECT_EQ(dishes("00001", target).first(), from.first());
    // The grid shows what the server now holds.
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Code, from.first().section(' ', 1));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

} // namespace
