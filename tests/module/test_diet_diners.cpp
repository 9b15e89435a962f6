#include "editing_fixture.h"
#include "host/date_edit.h"
#include "host/lookup_dialog.h"
#include "host/modal_runner.h"
#include "module/diet_diners/atu_comens_dieta.h"
#include "screen_access.h"

#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlQuery>
#include <QToolButton>
#include <functional>

using namespace pla;
using namespace pla::module;

namespace {

// The diners of a hospital day from its prescribed diets, through the monthly screen's
// button and the diet screen, against the in-process server.
class DietDiners : public test::TEditingTest {
protected:
    DietDiners()
        : TEditingTest("HOSP1") {}

    using TScript = std::function<void(TfrmAtuComensDieta&)>;
    // The diet screen for the current cell's day; the script works it, then it closes
    // and the month is loaded again.
    void diets(TfrmCardMens* s, const TScript& script) {
        bool shown = false;
        host::TModalRunner::TScope run([&](QDialog& d) {
            if (auto* f = d.findChild<TfrmAtuComensDieta*>()) {
                shown = true;
                script(*f);
            }
            return int(QDialog::Rejected);
        });
        Button(s, "sbtAtuComenDieta")->click();
        EXPECT_TRUE(shown) << presenter_.Texts().join(" | ").toStdString();
    }
    // The patients of the service with a diet of the kitchen valid on a day.
    int patients(const QDate& day, const QStringList& diets = {}) {
        QString sql = "SELECT COUNT(DISTINCT P.CDPACIENTE) FROM PRESCDIET P JOIN DIETPADR D ON "
                      "D.CDDIETPAD = P.CDDIETPAD WHERE P.CDFILIAL = '0003' AND P.CDSERVFILI = "
                      "'00001' AND D.IDFORMDIET NOT IN ('1', '2') AND P.DTINIPRESC <= ? AND "
                      "(P.DTFIMPRESC IS NULL OR P.DTFIMPRESC >= ?)";
        QVariantList params{DataHora(day), DataHora(day)};
        if (!diets.isEmpty()) {
            sql +=
                QString(" AND P.CDDIETPAD IN (%1)").arg(QStringList(diets.size(), "?").join(", "));
            for (const QString& d : diets) {
                params << d;
            }
        }
        return server_.Db().Scalar(sql, params).toInt();
    }
    double stored(const QDate& day) {
        return server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0003' AND CDSERVFILI = "
                    "'00001' AND DTCARDAPIO = ?",
                    {DataHora(day)})
            .toDouble();
    }
    static double shown(TfrmCardMens* s, const QDate& day) {
        return QuantityValue(cell(s, day, total(s)));
    }
    const QString lunch_ = QStringLiteral("00001");
};

TEST_F(DietDiners, ADayWithoutAMenuIsRefusedBeforeAnyOtherCheck) {
    const QDate d = workingDay("0003", 9);
    dropDay("0003", lunch_, d);
    TfrmCardMens* s = open("0003", lunch_, next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    goTo(s, d, type(s, 0));
    const QString refused = "O dia selecionado não possui cardápio. Operação bloqueada.";
    diets(s, [&](TfrmAtuComensDieta& f) {
        EXPECT_EQ(f.medCdFilial->text(), "0003");
        EXPECT_FALSE(f.medCdFilial->isEnabled());
        EXPECT_EQ(f.depData->Date(), d);
        EXPECT_EQ(f.edtDiaSemana->text(), NomeSemana(d));
        EXPECT_TRUE(f.rbtTDieta->isChecked());
        EXPECT_FALSE(f.btnPesqDieta->isEnabled());
        EXPECT_EQ(f.SelecaoDietas(), "T");
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.Texts(), QStringList{refused});
        f.depData->Clear();
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.Texts(), QStringList{refused}) << "before the empty date";
    });
}

TEST_F(DietDiners, ABlockedDayIsRefused) {
    blockFirstDays("0003");
    TfrmCardMens* s = open("0003", lunch_, next_);
    ASSERT_NE(s, nullptr);
    QDate blocked = next_;
    while (dayNumber("0003", lunch_, blocked).isEmpty() && blocked.day() < 3) {
        blocked = blocked.addDays(1);
    }
    ASSERT_FALSE(dayNumber("0003", lunch_, blocked).isEmpty());
    const double before = stored(blocked);
    diets(s, [&](TfrmAtuComensDieta& f) {
        f.depData->SetDate(blocked);
        f.depDataExit();
        EXPECT_EQ(f.edtDiaSemana->text(), NomeSemana(blocked));
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(),
                  "Não foi possível atualizar o número de comensais estimados, pois o dia está "
                  "bloqueado para alterações.");
    });
    EXPECT_EQ(stored(blocked), before);
}

TEST_F(DietDiners, TheDinersAreThePatientsOfTheChosenDietsThatDay) {
    const QDate d = workingDay("0003", 12);
    TfrmCardMens* s = open("0003", lunch_, next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, type(s, 0));
    const int all = patients(d);
    ASSERT_GT(all, 0);
    QStringList two;
    diets(s, [&](TfrmAtuComensDieta& f) {
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(), "Atualização realizada com sucesso.")
            << presenter_.Texts().join(" | ").toStdString() << presenter_.Shown().size();
        EXPECT_EQ(stored(d), all);
        // A list of two diets, chosen in the lookup.
        f.rbtLDieta->click();
        EXPECT_TRUE(f.btnPesqDieta->isEnabled());
        EXPECT_TRUE(f.SelecaoDietas().isEmpty());
        {
            host::TModalRunner::TScope pick([&](QDialog& d) {
                auto& lookup = dynamic_cast<host::TLookupDialog&>(d);
                lookup.SetMarked(0, true);
                lookup.SetMarked(1, true);
                return int(QDialog::Accepted);
            });
            f.btnPesqDieta->click();
        }
        two = f.SelecaoDietas().split(';');
        ASSERT_EQ(two.size(), 2) << f.SelecaoDietas().toStdString();
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(), "Atualização realizada com sucesso.");
    });
    EXPECT_EQ(stored(d), patients(d, two));
    EXPECT_LE(patients(d, two), all);
    // The month shows what was written as soon as the screen closes.
    EXPECT_EQ(shown(s, d), stored(d));
}

TEST_F(DietDiners, ListWithoutDietsIsRefusedAndNoPrescriptionOffersTheDeletion) {
    const QDate d = workingDay("0003", 14);
    // Nobody has a diet of the kitchen prescribed in this month.
    server_.Db().Exec("DELETE FROM PRESCDIET WHERE CDFILIAL = '0003' AND CDSERVFILI = '00001' "
                      "AND (DTFIMPRESC IS NULL OR DTFIMPRESC >= ?)",
                      {DataHora(next_)});
    ASSERT_EQ(patients(d), 0);
    TfrmCardMens* s = open("0003", lunch_, next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, type(s, 0));
    const double before = stored(d);
    const QString nr = dayNumber("0003", lunch_, d);
    diets(s, [&](TfrmAtuComensDieta& f) {
        f.rbtLDieta->click();
        presenter_.Clear();
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(), "Nenhuma dieta foi escolhida na lista.");
        f.rbtTDieta->click();
        presenter_.Clear();
        presenter_.Answer(host::mrNo);
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(),
                  QString("Não há dieta prescrita para o serviço %1. Deseja excluir o cardápio?")
                      .arg(s->Cardapio().NmServico));
        EXPECT_EQ(stored(d), before) << "answered no: nothing changes";
        EXPECT_FALSE(dayNumber("0003", lunch_, d).isEmpty());
        presenter_.Answer(host::mrYes);
        f.sbtImportExport->click();
        EXPECT_EQ(presenter_.LastText(), "Cardápio do dia excluído com sucesso.");
    });
    EXPECT_TRUE(dayNumber("0003", lunch_, d).isEmpty());
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND NRCARDAPIO = "
                          "?",
                          {nr})
                  .toInt(),
              0);
    EXPECT_EQ(s->Cardapio().getNrCardapio("0003", lunch_, d), QString()) << "reloaded";
}

TEST_F(DietDiners, PendingChangesAreSettledBeforeTheScreenOpens) {
    const QDate d = workingDay("0003", 16);
    TfrmCardMens* s = open("0003", lunch_, next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, type(s, 0));
    presenter_.Answer(host::mrYes); // remove the dish
    key(s, Qt::Key_Delete);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    presenter_.Answer(host::mrYes); // save the pending changes
    diets(s, [&](TfrmAtuComensDieta&) {
        EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "saved before it opened";
    });
    EXPECT_TRUE(presenter_.Texts().contains(
        "Há alterações não gravadas no cardápio. Deseja gravá-las antes de continuar?"));
}

} // namespace
