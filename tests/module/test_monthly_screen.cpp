#include "core/dates.h"
#include "core/format_settings.h"
#include "host/date_edit.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "host/modal_runner.h"
#include "host/radio_group.h"
#include "module/dialogs/proc_prato.h"
#include "module/dialogs/visua.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "monthly_fixture.h"
#include "qt_print.h"
#include "screen_access.h"
#include "signed_in_host.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::module;

namespace {

using MonthlyScreen = test::TMonthlyScreenTest;

TEST_F(MonthlyScreen, OpensTheMonthOfTheService) {
    // Next month: planned ahead, whatever day today is.
    const QDate month = month_.addMonths(1);
    TfrmCardMens* s = open("0001", "00001", month);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(s->lblCodTela->text(), "PLA00101");
    EXPECT_EQ(s->windowTitle(), QString("Metalúrgica Paulista - Restaurante - Almoço - %1 - %2")
                                    .arg(FormatDateTime("mmmm", month))
                                    .arg(month.year()));
    EXPECT_EQ(s->Cardapio().CdServico, "00001");
    EXPECT_EQ(s->Cardapio().TipoCardapio, "N");
    EXPECT_EQ(s->Cardapio().ModoVisual, 1) << "NUTRI1's saved view of this service";
    EXPECT_FALSE(Child<QWidget>(s, QStringLiteral("panServico"))->isVisibleTo(s));
    EXPECT_EQ(GridModel(s)->Pivot().Days().size(), month.daysInMonth());
    EXPECT_EQ(GridModel(s)->Pivot().Types().size(), 11) << "ten positions and the total";
    EXPECT_EQ(s->Cardapio().StlPratos.Count(), s->Cardapio().cdsCompCardCache->RecordCount() +
                                                   s->Cardapio().cdsCardaDia->RecordCount());
    EXPECT_EQ(s->Cardapio().cdsCompCardCache->ChangeCount(), 0)
        << "loaded rows are no pending changes";
    // The server builds the same lines (its quantities written with a point).
    const QStringList local = s->Cardapio().StlPratos.Lines();
    s->Cardapio().MontaStlPratos(false);
    ASSERT_EQ(s->Cardapio().StlPratos.Count(), local.size());
    for (int i = 0; i < local.size(); i += 37) {
        const TDishLine a = TDishLine::Parse(local[i]);
        const TDishLine b = TDishLine::Parse(s->Cardapio().StlPratos.Lines()[i]);
        EXPECT_EQ(a.Key(), b.Key());
        EXPECT_EQ(a.Code + a.Name + a.Branch, b.Code + b.Name + b.Branch);
        EXPECT_DOUBLE_EQ(QuantityValue(a.Quantity), QuantityValue(b.Quantity));
    }
    EXPECT_TRUE(s->Cardapio().incluirPrato() && s->Cardapio().excluirPrato() &&
                s->Cardapio().alterarComEstDia());
    EXPECT_TRUE(Button(s, "sbtConfig")->isEnabled());
    EXPECT_FALSE(Button(s, "sbtAtuComenDieta")->isEnabled()) << "no diets";
    EXPECT_TRUE(Button(s, "sbtAtuCusto")->isVisibleTo(s)) << "cost type 6";
    EXPECT_EQ(s->Cardapio().tipoDeOperador(), QChar('M'));
    EXPECT_FALSE(s->Cardapio().dependeLiberacao());
}

TEST_F(MonthlyScreen, CellsTextsColoursAndHeaders) {
    // The 15th a holiday of the branch, and a day of 10.6 diners.
    const QDate holiday = month_.addDays(14);
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) SELECT '0001', ?, "
                      "'Feriado municipal' WHERE NOT EXISTS (SELECT 1 FROM FERIFILI WHERE "
                      "CDFILIAL = '0001' AND DTFERIFILI = ?)",
                      {DataHora(holiday), DataHora(holiday)});
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 10.6 WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00001' AND DTMESCARD = ?",
                      {DataHora(month_)});
    TfrmCardMens* s = open("0001", "00001", month_);
    ASSERT_NE(s, nullptr);
    s->MudaVisual(2);
    const QString type = firstDishType(s);
    // A weekday with its dishes.
    QDate day = month_;
    while (day.month() == month_.month() &&
           s->Cardapio().StlPratos.All(DayKey(day) + type).isEmpty()) {
        day = day.addDays(1);
    }
    ASSERT_EQ(day.month(), month_.month()) << "a day with a dish of " << type.toStdString();
    const TDishLine line = s->Cardapio().StlPratos.Lookup(DayKey(day) + type).value();
    EXPECT_EQ(cell(s, day, type), " 10,6  " + line.Dish()) << "diners of a 100 % dish";
    const QString total = cell(s, day, " Comensais");
    EXPECT_EQ(total, " 10,6  ");

    // Rounding shows whole diners; percentages carry "%" except on totals.
    s->Cardapio().Arredondar = true;
    s->Cardapio().AtualizaStlPratos(false);
    EXPECT_EQ(cell(s, day, type), " 11  " + line.Dish());
    s->Cardapio().Arredondar = false;
    s->Cardapio().TipoMontagem = 1;
    s->Cardapio().AtualizaStlPratos(false);
    EXPECT_EQ(cell(s, day, type), " 100%  " + line.Dish());
    EXPECT_EQ(cell(s, day, " Comensais"), " 10,6  ");

    // Headers: the total caption, dish types from the sixth character, optional ones.
    const auto header = [&](Qt::Orientation o, int section, int role = Qt::DisplayRole) {
        return GridModel(s)->headerData(section, o, role);
    };
    const QStringList types = GridModel(s)->Pivot().Types();
    EXPECT_EQ(header(Qt::Horizontal, int(types.size()) - 1).toString(), " Comensais");
    EXPECT_EQ(header(Qt::Horizontal, 0).toString(), types[0].mid(5));
    const int optional = int(types.indexOf(QRegularExpression("^040.*")));
    ASSERT_GE(optional, 0);
    EXPECT_TRUE(header(Qt::Horizontal, optional).toString().endsWith(" (Opção)"));
    // Day headers: blocked days in their colour, holidays in bold.
    const int blockedRow = int(GridModel(s)->Pivot().Days().indexOf(month_));
    const QDate processing = Hoje().addDays(-1);
    if (month_ < processing.addDays(2)) {
        EXPECT_EQ(header(Qt::Vertical, blockedRow, Qt::BackgroundRole).value<QColor>(),
                  QColor(192, 192, 192));
    }
    const int holidayRow = int(GridModel(s)->Pivot().Days().indexOf(holiday));
    EXPECT_TRUE(header(Qt::Vertical, holidayRow, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(header(Qt::Vertical, holidayRow, Qt::ForegroundRole).value<QColor>(),
              QColor(128, 0, 0))
        << "NRCORNUTIL 128, a colour stored blue-green-red";
    EXPECT_TRUE(
        header(Qt::Vertical, holidayRow).toString().startsWith(FormatDateTime("dd ddd", holiday)));
}

// The hospital's own nutritionist.
class HospitalScreen : public MonthlyScreen {
protected:
    HospitalScreen()
        : MonthlyScreen("HOSP1") {}
};

TEST_F(HospitalScreen, CentralMenuDishesInTheirColours) {
    const QDate month = month_.addMonths(1);
    TfrmCardMens* s = open("0003", "00001", month);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(s->Cardapio().TipoCardapio, "S");
    EXPECT_EQ(s->Cardapio().IdCardCentral, "S");
    s->MudaVisual(2);
    int rev = 0;
    int esp = 0;
    for (const QString& text : s->Cardapio().StlPratos.Lines()) {
        const TDishLine l = TDishLine::Parse(text);
        if (l.Code.isEmpty()) {
            continue;
        }
        QDate day(month.year(), month.month(), l.Day.toInt());
        const QColor bg = QColor(cell(s, day, l.Type, Qt::BackgroundRole));
        if (l.Mark() == QChar('R')) {
            EXPECT_EQ(bg, QColor(255, 255, 0)) << "NRCORCARDREV 65535";
            ++rev;
        } else if (l.Mark() == QChar('S')) {
            EXPECT_EQ(bg, QColor(0, 255, 255)) << "NRCORCARDESP 16776960";
            ++esp;
        }
    }
    EXPECT_GT(rev, 0);
    EXPECT_GT(esp, 0);
    EXPECT_TRUE(Button(s, "sbtAtuComenDieta")->isEnabled()) << "the hospital has diets";

    // An empty colour parameter leaves the grid's default.
    s->Cardapio().cdsParamPlaneja->Edit();
    s->Cardapio().cdsParamPlaneja->FieldByName("NRCORCARDREV").Clear();
    s->Cardapio().cdsParamPlaneja->Post();
    GridModel(s)->Refresh();
    for (const QString& text : s->Cardapio().StlPratos.Lines()) {
        const TDishLine l = TDishLine::Parse(text);
        if (l.Mark() == QChar('R')) {
            const QDate day(month.year(), month.month(), l.Day.toInt());
            EXPECT_EQ(QColor(cell(s, day, l.Type, Qt::BackgroundRole)),
                      QApplication::palette().color(QPalette::ToolTipBase))
                << "the data cells' info background";
            break;
        }
    }
    // A twelve and a half percent share, in percentages.
    s->Cardapio().TipoMontagem = 1;
    s->Cardapio().cdsCompCardCache->First();
    const QDate day = s->Cardapio().cdsCompCardCache->FieldByName("DTCARDAPIO").AsDateTime().date();
    const QString type = s->Cardapio().cdsCompCardCache->FieldByName("NMTIPOPRAT").AsString();
    s->Cardapio().cdsCompCardCache->Edit();
    s->Cardapio().cdsCompCardCache->FieldByName("VRPECONSCARD").SetAsFloat(12.5);
    s->Cardapio().cdsCompCardCache->Post();
    s->Cardapio().AtualizaStlPratos(false);
    EXPECT_TRUE(cell(s, day, type).startsWith(" 12,5%  ")) << cell(s, day, type).toStdString();
}

TEST_F(MonthlyScreen, ToolbarByCostTypeAndPermissions) {
    // Planned cost type 1: no price-list update.
    server_.Db().Exec("UPDATE PARAMPLANEJA SET CDTIPOCUSTOPLA = '1' WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = open("0001", "00001", month_);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Cardapio().TipoCustoPlanejado, 1);
    EXPECT_FALSE(Button(s, "sbtAtuCusto")->isVisibleTo(s));
    EXPECT_FALSE(Action(s, "mnuAtuCusto")->isVisible());
    EXPECT_TRUE(Button(s, "sbtRankingPratos")->isVisibleTo(s));

    // Read-only menus allow no change whatever the permissions; the grid's own removal
    // flag allows removal without its permission.
    s->Cardapio().CardapioSomenteLeitura = true;
    EXPECT_FALSE(s->Cardapio().incluirPrato());
    EXPECT_FALSE(s->Cardapio().excluirPrato());
    s->Cardapio().CardapioSomenteLeitura = false;
    s->Cardapio().Autorizacoes[2] = "0";
    EXPECT_FALSE(s->Cardapio().excluirPrato());
    s->Cardapio().ExclusaoPelaGrade = true;
    EXPECT_TRUE(s->Cardapio().excluirPrato());
    s->Cardapio().TipoCardapio = "X";
    presenter_.Clear();
    host::RunHandler([s] { s->Cardapio().tipoDeCardapio(); });
    EXPECT_EQ(presenter_.LastText(), "X") << "a text that is no menu type is shown";
}

TEST_F(MonthlyScreen, ReadOnlyMenuShowsItsNotice) {
    TfrmCardMens* s = open("0001", "00001", month_.addMonths(-1));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->Cardapio().CardapioSomenteLeitura);
    EXPECT_TRUE(Child<QLabel>(s, QStringLiteral("panAviso"))->isVisibleTo(s));
    EXPECT_EQ(Child<QLabel>(s, QStringLiteral("panAviso"))->text(),
              "Cardápio habilitado apenas para consulta.");
    EXPECT_FALSE(s->Cardapio().incluirPrato());
}

TEST_F(MonthlyScreen, ServiceListGroupsAndHighlight) {
    TfrmCardMens* s = open("0001", "", month_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(Child<QWidget>(s, QStringLiteral("panServico"))->isVisibleTo(s));
    EXPECT_EQ(Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->itemText(0), "") << "all groups";
    EXPECT_EQ(s->Cardapio().cdsServicos->RecordCount(), 3);
    const int school =
        Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->findText("0001", Qt::MatchStartsWith);
    Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->setCurrentIndex(school);
    EXPECT_EQ(s->Cardapio().cdsServicos->RecordCount(), 0) << "no school services in this branch";
    Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->setCurrentIndex(0);
    EXPECT_EQ(s->Cardapio().cdsServicos->RecordCount(), 3);

    // Choosing a service loads it and highlights it, also under a filter.
    s->Cardapio().cdsServicos->Locate("CDSERVFILI", "00002");
    s->dbgServicoDblClick();
    EXPECT_EQ(s->Cardapio().CdServico, "00002");
    EXPECT_EQ(s->Cardapio().NmServico, "Jantar");
    const int refeitorio =
        Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->findText("0002", Qt::MatchStartsWith);
    Child<QComboBox>(s, QStringLiteral("cmbGrupo"))->setCurrentIndex(refeitorio);
    const QAbstractItemModel* m = Child<host::TDBGrid>(s, QStringLiteral("dbgServico"))->model();
    int row = 0;
    while (row < m->rowCount() && m->index(row, 0).data().toString() != "00002  Jantar") {
        ++row;
    }
    ASSERT_LT(row, m->rowCount()) << "each service as its code, two blanks and its name";
    QStyleOptionViewItem option;
    option.initFrom(Child<host::TDBGrid>(s, QStringLiteral("dbgServico")));
    auto* delegate = Child<host::TDBGrid>(s, QStringLiteral("dbgServico"))->itemDelegate();
    // The delegate paints the row olive with white text.
    QImage image(200, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    option.rect = QRect(0, 0, 200, 20);
    delegate->paint(&painter, option, m->index(row, 0));
    painter.end();
    EXPECT_EQ(QColor(image.pixel(190, 2)), QColor(128, 128, 0));
}

TEST_F(MonthlyScreen, FindingADishMovesTheGrid) {
    TfrmCardMens* s = open("0001", "00001", month_);
    ASSERT_NE(s, nullptr);
    s->MudaVisual(2);
    // The dish of some cell, looked for by part of its name.
    const TDishLine line = TDishLine::Parse(s->Cardapio().StlPratos.Lines()[1]);
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* find = d.findChild<TfrmProcPrato*>();
            EXPECT_NE(find, nullptr);
            find->medConteudo->setText(line.Dish().mid(1, 5));
            find->rdgTipo->Button(2)->click();
            find->sbtConfirma->click();
            return int(QDialog::Rejected);
        });
        Button(s, "sbtProcurar")->click();
    }
    const QModelIndex at = GridView(s)->currentIndex();
    ASSERT_TRUE(at.isValid());
    EXPECT_TRUE(at.data().toString().contains(line.Dish().mid(1, 5)));
}

TEST_F(MonthlyScreen, ViewsAreSavedOnlyWhenChanged) {
    TfrmCardMens* s = open("0001", "00001", month_);
    ASSERT_NE(s, nullptr);
    const auto choose = [&](int view, bool ok) {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* dialog = qobject_cast<TfrmVisua*>(&d);
            EXPECT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->View(), s->Cardapio().ModoVisual) << "the current view preselected";
            dialog->SetView(view);
            return int(ok ? QDialog::Accepted : QDialog::Rejected);
        });
        Action(s, "mnuChangeView")->trigger();
    };
    const auto saved = [&] {
        return server_.Db()
            .Scalar("SELECT NRVISUALCARD FROM VISUALCARD WHERE CDFILIAL = '0001' AND "
                    "CDSERVFILI = '00001' AND CDOPERADOR = 'NUTRI1'")
            .toInt();
    };
    choose(0, false);
    EXPECT_EQ(s->Cardapio().ModoVisual, 1) << "Escape leaves the view";
    choose(0, true);
    EXPECT_EQ(s->Cardapio().ModoVisual, 0);
    EXPECT_EQ(GridModel(s)->columnCount(), 1);
    EXPECT_EQ(saved(), 0);
    // The same view again calls nothing: the saved row is left as it is.
    server_.Db().Exec("UPDATE VISUALCARD SET NRVISUALCARD = 2 WHERE CDOPERADOR = 'NUTRI1'");
    choose(0, true);
    EXPECT_EQ(saved(), 2) << "no server call for the view already saved";
}

TEST_F(MonthlyScreen, SeveralScreensAndTheCloseCascade) {
    TfrmCardMens* lunch = open("0001", "00001", month_);
    TfrmCardMens* dinner = open("0001", "00002", month_);
    ASSERT_TRUE(lunch && dinner);
    EXPECT_EQ(formExtCardMens.data(), dinner);
    EXPECT_EQ(screens().size(), 2);

    // The same branch, service and month again: brought forward, rebuilt for rounding.
    planning_->chbArredond->setChecked(true);
    EXPECT_EQ(open("0001", "00001", month_), nullptr);
    EXPECT_EQ(screens().size(), 2);
    EXPECT_TRUE(lunch->Cardapio().Arredondar);

    // A running calculation holds a screen.
    dinner->Cardapio().Custo().CalculandoCusto = true;
    EXPECT_FALSE(dinner->close());
    dinner->Cardapio().Custo().CalculandoCusto = false;

    // Closing a screen alone brings the planning screen back.
    host::THostContext::SetWindowState(planning_, Qt::WindowMinimized);
    EXPECT_TRUE(dinner->close());
    settle();
    EXPECT_FALSE(host::THostContext::WindowState(planning_) & Qt::WindowMinimized);

    // Closing the planning screen closes the others first.
    EXPECT_TRUE(planning_->close());
    settle();
    EXPECT_TRUE(screens().isEmpty());
    EXPECT_FALSE(planning_);
}

// Changes a dish's share of a day of next month, as the editing does; its menu number.
QString changeShare(TfrmCardMens* s, double share) {
    s->Cardapio().cdsCompCardCache->First();
    while (!s->Cardapio().cdsCompCardCache->Eof() &&
           s->Cardapio().cdsCompCardCache->FieldByName("DTCARDAPIO").AsDateTime().date().day() <
               10) {
        s->Cardapio().cdsCompCardCache->Next();
    }
    const QString nr = s->Cardapio().cdsCompCardCache->FieldByName("NRCARDAPIO").AsString();
    s->Cardapio().cdsCompCardCache->Edit();
    s->Cardapio().cdsCompCardCache->FieldByName("VRPECONSCARD").SetAsFloat(share);
    s->Cardapio().cdsCompCardCache->Post();
    return nr;
}

TEST_F(MonthlyScreen, ConfirmSavesCancelDiscards) {
    TfrmCardMens* s = open("0001", "00001", month_.addMonths(1));
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->sbtConfirmar->isEnabled()) << "nothing pending";
    EXPECT_FALSE(s->sbtCancelar->isEnabled());
    const QString nr = changeShare(s, 55.5);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    EXPECT_TRUE(s->mnuCancelar->isEnabled());
    const auto saved = [&] {
        return server_.Db()
            .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                    "VRPECONSCARD = 55.5",
                    {nr})
            .toInt();
    };
    s->sbtConfirmar->click();
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_FALSE(s->sbtConfirmar->isEnabled());

    // Cancel asks, and on yes the saved state comes back.
    changeShare(s, 12);
    presenter_.Answer(host::mrNo);
    s->sbtCancelar->click();
    EXPECT_EQ(presenter_.LastText(), "Tem certeza que deseja desfazer todas as alterações?");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    presenter_.Answer(host::mrYes);
    s->sbtCancelar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_TRUE(s->Cardapio().cdsCompCardCache->Locate("VRPECONSCARD", 55.5)) << "the saved share";
    EXPECT_FALSE(s->Cardapio().cdsCompCardCache->Locate("VRPECONSCARD", 12.0));
}

TEST_F(MonthlyScreen, AFailedSaveKeepsThePendingChanges) {
    TfrmCardMens* s = open("0001", "00001", month_.addMonths(1));
    ASSERT_NE(s, nullptr);
    const QString nr = changeShare(s, 70);
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 33 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {nr}); // another operator
    s->sbtConfirmar->click();
    EXPECT_TRUE(presenter_.LastText().contains("foi alterado por outro operador"));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
}

TEST_F(MonthlyScreen, ClosingAsksToSavePendingChanges) {
    TfrmCardMens* first = open("0001", "00001", month_.addMonths(1));
    ASSERT_NE(first, nullptr);
    const QString nr = changeShare(first, 44);
    presenter_.Answer(host::mrYes);
    EXPECT_TRUE(first->close());
    EXPECT_EQ(presenter_.LastText(), "Deseja gravar as alterações antes de sair?");
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ? AND VRPECONSCARD = 44",
                          {nr})
                  .toInt(),
              1);
    settle();

    TfrmCardMens* second = open("0001", "00002", month_.addMonths(1));
    ASSERT_NE(second, nullptr);
    const QString other = changeShare(second, 11);
    presenter_.Answer(host::mrNo);
    EXPECT_TRUE(second->close());
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ? AND VRPECONSCARD = 11",
                          {other})
                  .toInt(),
              0)
        << "declined: discarded";
}

// Removes every dish of the first day of next month from the cache, as the editing
// does; the day's menu number.
QString emptyADay(TfrmCardMens* s) {
    s->Cardapio().cdsCompCardCache->First();
    const QString nr = s->Cardapio().cdsCompCardCache->FieldByName("NRCARDAPIO").AsString();
    while (s->Cardapio().cdsCompCardCache->Locate("NRCARDAPIO", nr)) {
        s->Cardapio().cdsCompCardCache->Delete();
    }
    return nr;
}

TEST_F(MonthlyScreen, DaysWithoutDishesLoseTheirDinersOrHoldTheClose) {
    TfrmCardMens* s = open("0001", "00001", month_.addMonths(1));
    ASSERT_NE(s, nullptr);
    const QString nr = emptyADay(s);
    s->sbtConfirmar->click();
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
    const auto diners = [&] {
        return server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {nr})
            .toDouble();
    };
    ASSERT_GT(diners(), 0);
    presenter_.Clear();
    presenter_.Answer(host::mrNo);
    EXPECT_FALSE(s->close()) << "declined: the screen stays";
    EXPECT_TRUE(presenter_.LastText().startsWith(
        "Existe(m) cardápio(s) sem prato. Deseja excluir os comensais estimados do(s) "
        "mesmo(s)?\n\nCardápio "))
        << presenter_.LastText().toStdString();
    EXPECT_TRUE(presenter_.LastText().contains(" - Comensais "));
    presenter_.Answer(host::mrYes);
    EXPECT_TRUE(s->close());
    EXPECT_EQ(presenter_.LastText(), "Os comensais estimados foram excluido com sucesso.");
    EXPECT_EQ(diners(), 0);
    settle();

    // Where the general parameters let such days keep their diners, nothing is asked.
    server_.Db().Exec("UPDATE PARAMGERAL SET IDPERCOMENSPRAT = 'S'");
    TfrmCardMens* again = open("0001", "00002", month_.addMonths(1));
    ASSERT_NE(again, nullptr);
    emptyADay(again);
    again->sbtConfirmar->click();
    presenter_.Clear();
    EXPECT_TRUE(again->close());
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

class SchoolScreen : public MonthlyScreen {
protected:
    SchoolScreen()
        : MonthlyScreen("GRUPO1") {}
};

TEST_F(SchoolScreen, CycleNumbersAndCentralMenu) {
    TfrmCardMens* s = open("0004", "00001", month_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(s->Cardapio().TipoCardapio, "D");
    EXPECT_TRUE(s->Cardapio().dependeLiberacao());
    EXPECT_TRUE(s->Cardapio().GrupoParametrizado && s->Cardapio().OperadorDoGrupo);
    EXPECT_EQ(s->Cardapio().tipoDeOperador(), QChar('M'));
    EXPECT_EQ(s->Cardapio().IdCardCentral, "S");
    s->MudaVisual(2);
    QDate day = month_;
    while (day.dayOfWeek() > 5) {
        day = day.addDays(1);
    }
    const int row = int(GridModel(s)->Pivot().Days().indexOf(day));
    const QString plain = GridModel(s)->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    Action(s, "mnuVisuNCiclo")->trigger();
    EXPECT_EQ(Action(s, "mnuVisuNCiclo")->text(), "&Visualizar apenas dia do cardápio");
    const QString numbered =
        GridModel(s)->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    EXPECT_TRUE(numbered.endsWith(" - " + plain)) << numbered.toStdString();
    EXPECT_TRUE(s->windowTitle().endsWith(" - Ciclo escolar de quatro semanas"));
    Action(s, "mnuVisuNCiclo")->trigger();
    EXPECT_EQ(GridModel(s)->headerData(row, Qt::Vertical, Qt::DisplayRole).toString(), plain);
}

} // namespace

namespace {

TEST_F(MonthlyScreen, EachScreenOpensItsOwnHelpPage) {
    TfrmCardMens* s = open("0001", "00001", month_.addMonths(1));
    ASSERT_NE(s, nullptr);
    s->sbtAjuda->click();
    host::THelpWindow* help = host::THelpWindow::Current();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->CurrentContext(), 12300101);
    EXPECT_EQ(help->CurrentTitle(), "Cardápio mensal (PLA00101)");
    EXPECT_EQ(planning_->HelpContext(), 12300100);
    help->close();
    settle();
}

} // namespace
