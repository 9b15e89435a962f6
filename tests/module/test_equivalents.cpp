#include "core/data_source_model.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "editing_fixture.h"
#include "host/lookup_dialog.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "module/equivalents/linhas_equivalentes.h"
#include "module/equivalents/subs_prato_equi.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QtTest/QTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

using namespace pla;
using namespace pla::module;

namespace {

// The substitution by cheaper equivalents over the demonstration's restaurant, whose
// next month has dishes with cheaper equivalents.
class Equivalents : public test::TEditingTest {
protected:
    Equivalents() {
        costType_ = server_.Db()
                        .Scalar("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = '0001'")
                        .toString()
                        .trimmed();
    }

    // The screen loaded as the monthly screen opens it, days before `limit` blocked.
    std::unique_ptr<TfrmSubsPratoEqui> screen(const QDate& limit, const QString& kind = "P") {
        auto f = std::make_unique<TfrmSubsPratoEqui>();
        f->CdFilial = "0001";
        f->CdServico = "00001";
        f->Mes = DataHora(next_);
        f->TipoCusto = costType_;
        f->RefeCardapio = "S";
        f->DtRefeCusto = DataHora(next_);
        f->TipoQuantidade = kind;
        f->Arredondar = "N";
        f->DataLimite = DataHora(limit);
        f->Carrega();
        return f;
    }
    static QString text(TfrmSubsPratoEqui& f, int row, const char* field) {
        TMemTable& t = *f.cdsPrincipal;
        return t.ViewValue(row, t.FieldByName(field).Index()).toString().trimmed();
    }
    // The first line whose proposal may be marked; -1 when none.
    static int valid(TfrmSubsPratoEqui& f) {
        for (int r = 0; r < f.cdsPrincipal->ViewRowCount(); ++r) {
            if (!f.Linhas().EquivalenteInvalido(r)) {
                return r;
            }
        }
        return -1;
    }
    // Every dish of the service's next month, by day and position.
    QStringList dishes() {
        QStringList out;
        QSqlQuery q = server_.Db().Exec(
            "SELECT D.DTCARDAPIO, C.NRSEQPRATCAR, C.CDPRATO FROM CARDADIA D JOIN COMPCARD C ON "
            "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO WHERE D.CDFILIAL = '0001' "
            "AND D.CDSERVFILI = '00001' AND D.DTMESCARD = ? ORDER BY 1, 2, 3",
            {DataHora(next_)});
        while (q.next()) {
            out << q.value(0).toString() + " " + q.value(1).toString() + " " +
                       q.value(2).toString().trimmed();
        }
        return out;
    }

    // The first day the server lets change: the branch's processing date and its blocked
    // days, never before next month.
    QDate changeable() {
        QSqlQuery q = server_.Db().Exec(
            "SELECT F.DTPROCESSA, P.QTDIABLOQCAR FROM FILIAL F JOIN PARAMPLANEJA P ON "
            "P.CDFILIAL = F.CDFILIAL WHERE F.CDFILIAL = '0001'");
        EXPECT_TRUE(q.next());
        return std::max(next_, q.value(0).toDateTime().date().addDays(q.value(1).toInt()));
    }
    static double number(TfrmSubsPratoEqui& f, int row, const char* field) {
        TMemTable& t = *f.cdsPrincipal;
        return t.ViewValue(row, t.FieldByName(field).Index()).toDouble();
    }
    static QVariant value(TfrmSubsPratoEqui& f, int row, const char* field) {
        TMemTable& t = *f.cdsPrincipal;
        return t.ViewValue(row, t.FieldByName(field).Index());
    }
    static QDate day(TfrmSubsPratoEqui& f, int row) {
        return value(f, row, "DTCARDAPIO").toDateTime().date();
    }
    // Every value of a line, to see it untouched.
    static QVariantList line(TfrmSubsPratoEqui& f, int row) {
        QVariantList out;
        TMemTable& t = *f.cdsPrincipal;
        for (int i = 0; i < t.FieldCount(); ++i) {
            out << t.ViewValue(row, i);
        }
        return out;
    }
    // The grid's cell of a field of the lines.
    static QModelIndex cellOf(TfrmSubsPratoEqui& f, int row, const char* field) {
        auto* proxy = qobject_cast<QAbstractProxyModel*>(f.dbgPrincipal->model());
        auto* source = proxy ? dynamic_cast<TDataSourceModel*>(proxy->sourceModel()) : nullptr;
        if (!source) {
            return {};
        }
        for (int c = 0; c < proxy->columnCount(); ++c) {
            const int fi = source->FieldIndexAt(c);
            if (fi >= 0 && f.cdsPrincipal->Fields(fi).FieldName() == QLatin1String(field)) {
                return proxy->index(row, c);
            }
        }
        return {};
    }
    // Types into a cell as the planner does: the first key on the cell opens its editor
    // with what was typed, the rest goes into the editor, Enter commits. Nothing typed:
    // the editor opened, its text selected and erased.
    static void typeInto(TfrmSubsPratoEqui& f, int row, const char* field, const QString& text) {
        QTableView* grid = f.dbgPrincipal;
        const QModelIndex at = cellOf(f, row, field);
        ASSERT_TRUE(at.isValid()) << field;
        grid->setCurrentIndex(at);
        if (text.isEmpty()) {
            grid->edit(at);
        } else {
            QTest::keyClick(grid, text.at(0).toLatin1());
        }
        QWidget* editor = grid->indexWidget(at);
        ASSERT_NE(editor, nullptr) << "the cell is edited";
        if (text.isEmpty()) {
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(editor, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(editor, text.mid(1));
        }
        if (auto* box = qobject_cast<QLineEdit*>(editor)) {
            EXPECT_EQ(box->text(), text);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits once the key is handled.
        QApplication::processEvents();
        EXPECT_EQ(grid->indexWidget(at), nullptr) << "closed by Enter";
    }
    // Space on the line, as the planner ticks it.
    static void tick(TfrmSubsPratoEqui& f, int row) {
        f.dbgPrincipal->setCurrentIndex(cellOf(f, row, "NMPRATO"));
        QTest::keyClick(f.dbgPrincipal, Qt::Key_Space);
    }

    // A dish's cost per serving worked out from its recipe and the prices of the
    // planned cost type in force on `date` in the menu's branch (none counts 0).
    struct TCost {
        double PerServing = 0;
        int Products = 0;
        int Unpriced = 0;
        int Inactive = 0;
    };
    TCost cost(const QString& branch, const QString& dish, const QDate& date) {
        struct TItem {
            QString Product;
            double Quantity;
            double Factor;
            bool Active;
        };
        QList<TItem> recipe;
        QSqlQuery q = server_.Db().Exec(
            "SELECT R.CDPRODUTO, R.QTPERCAPITA, R.QTFATORCORR, P.IDATIVO FROM RECEITA R JOIN "
            "PRODUTO P ON P.CDPRODUTO = R.CDPRODUTO WHERE R.CDFILAUXPRAT = ? AND R.CDPRATO = ?",
            {branch, dish});
        while (q.next()) {
            recipe.append({q.value(0).toString(), q.value(1).toDouble(), q.value(2).toDouble(),
                           q.value(3).toString() == "S"});
        }
        TCost c;
        double sum = 0;
        for (const TItem& i : recipe) {
            const QVariant price = server_.Db().Scalar(
                "SELECT VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = '0001' AND NRTIPOCUSTO = ? AND "
                "CDPRODUTO = ? AND DTVIGENCIA <= ? ORDER BY DTVIGENCIA DESC LIMIT 1",
                {costType_.toLongLong(), i.Product, DataHora(date)});
            const double unit = price.isNull() ? 0.0 : price.toDouble();
            sum += i.Quantity * i.Factor * unit;
            ++c.Products;
            c.Unpriced += unit == 0 ? 1 : 0;
            c.Inactive += i.Active ? 0 : 1;
        }
        c.PerServing = RoundDec(sum, 5);
        return c;
    }
    QString dishName(const QString& branch, const QString& dish) {
        return server_.Db()
            .Scalar("SELECT NMPRATO FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                    {branch, dish})
            .toString()
            .trimmed();
    }
    // Makes another dish an equivalent of `dish`: one in use with a revised recipe, every
    // product priced on `date` and cheaper than the dish then (or than `below`), of its
    // type when there is one. Returns its code; empty when there is none.
    QString addEquivalent(const QString& branch, const QString& dish, const QDate& date,
                          double below = -1) {
        const double limit = below >= 0 ? below : cost(branch, dish, date).PerServing;
        QStringList candidates;
        QSqlQuery q = server_.Db().Exec(
            "SELECT P.CDPRATO FROM PRATO P JOIN PRATO D ON D.CDFILAUXPRAT = P.CDFILAUXPRAT AND "
            "D.CDPRATO = ? WHERE P.CDFILAUXPRAT = ? AND P.CDPRATO <> D.CDPRATO AND P.IDATIVO = "
            "'S' AND P.IDRECEREVI = 'S' AND NOT EXISTS (SELECT 1 FROM PRATORELAC R WHERE "
            "R.CDFILAUXPRAT = D.CDFILAUXPRAT AND R.CDPRATO = D.CDPRATO AND R.CDFILPRATRELAC = "
            "P.CDFILAUXPRAT AND R.CDPRATORELAC = P.CDPRATO AND R.IDTIPORELAC = 'E') ORDER BY "
            "CASE WHEN P.CDTIPOPRAT = D.CDTIPOPRAT THEN 0 ELSE 1 END, P.CDPRATO",
            {dish, branch});
        while (q.next()) {
            candidates << q.value(0).toString().trimmed();
        }
        for (const QString& code : std::as_const(candidates)) {
            const TCost c = cost(branch, code, date);
            if (c.Products > 0 && c.Unpriced == 0 && c.Inactive == 0 && c.PerServing > 0 &&
                c.PerServing < limit) {
                server_.Db().Exec("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                                  "CDPRATORELAC, IDTIPORELAC) VALUES (?, ?, ?, ?, 'E')",
                                  {branch, dish, branch, code});
                return code;
            }
        }
        return {};
    }
    // Every stored row of the service's next month, days and dishes, to see nothing
    // written.
    QStringList storedMonth() {
        QStringList out;
        for (const char* sql :
             {"SELECT D.* FROM CARDADIA D WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' "
              "AND D.DTMESCARD = ? ORDER BY D.NRCARDAPIO",
              "SELECT C.* FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND "
              "C.NRCARDAPIO = D.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' "
              "AND D.DTMESCARD = ? ORDER BY C.NRCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"}) {
            QSqlQuery q = server_.Db().Exec(sql, {DataHora(next_)});
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i) {
                    row << q.value(i).toString();
                }
                out << row.join('|');
            }
        }
        return out;
    }

    QString costType_;
};

TEST_F(Equivalents, TheScreenListsTheServersLinesInItsColumns) {
    auto f = screen(next_);
    EXPECT_EQ(f->objectName(), "frmSubsPratoEqui");
    EXPECT_EQ(f->HelpContext(), 12300134);
    EXPECT_FALSE(f->sbtAjuda->isVisibleTo(f.get()));
    ASSERT_GT(f->cdsPrincipal->RecordCount(), 0);
    QAbstractItemModel* m = f->dbgPrincipal->model();
    QStringList titles;
    for (int c = 0; c < m->columnCount(); ++c) {
        titles << m->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(titles, QStringList({" ", "Data", "Comensais", "Código", "Nome", "Árvore", "Receita",
                                   "Custo", "Consumo", "Código", "Prato Equivalente", "Árvore",
                                   "Receita", "Custo", "Consumo", "Economia"}));
    const int r = valid(*f);
    ASSERT_GE(r, 0);
    EXPECT_EQ(m->index(r, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_EQ(m->index(r, 5).data().toString(), "Padrão");
    EXPECT_NE(m->index(r, 9).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_TRUE(m->flags(m->index(r, 9)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->flags(m->index(r, 14)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m->flags(m->index(r, 4)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->index(r, 14).data().toString().endsWith(" %"));
}

TEST_F(Equivalents, ConfirmingWithoutAMarkIsRefused) {
    auto f = screen(next_);
    f->sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Não foram marcadas substituições para realização.");
    EXPECT_EQ(f->ModalResult(), 0);
}

TEST_F(Equivalents, ABlockedLineCannotBeMarkedAndSaysWhy) {
    auto f = screen(next_.addMonths(1));
    int row = -1;
    for (int i = 0; i < f->cdsPrincipal->ViewRowCount(); ++i) {
        if (!text(*f, i, "CDPRATOEQUI").isEmpty()) {
            row = i;
            break;
        }
    }
    ASSERT_GE(row, 0);
    EXPECT_TRUE(f->Linhas().DiaBloqueado(row));
    host::RunHandler([&] { f->AlternaLinha(row); });
    EXPECT_TRUE(presenter_.LastText().startsWith("Operação bloqueada:"));
    EXPECT_TRUE(presenter_.LastText().contains("\r\nDia do cardápio está bloqueado"));
    EXPECT_EQ(text(*f, row, "IDMARCADO"), "N");
    EXPECT_EQ(f->dbgPrincipal->model()->index(row, 3).data(Qt::ForegroundRole).value<QColor>(),
              QColor(Qt::red));
}

TEST_F(Equivalents, AnEquivalentsShareGivesTheDinersOfTheDay) {
    TMemTable lines("lines");
    for (const char* f :
         {"CDPRATOEQUI", "NMPRATOEQUI", "IDARVOREEQUI", "IDRECEITAEQUI", "IDPRARECATIV",
          "IDCUSZEROCUSDESATU", "CDFILAUXPRATEQUI", "IDMARCADO", "CDPRATO"}) {
        lines.AddField(f, TFieldType::String, 40);
    }
    for (const char* f : {"VRCUSTOEQUI", "VRCONSUMOEQUI", "VRPECONSCARDEQUI", "VRCONSUMO",
                          "VRPECONSCARD", "QTCOMESTICAR", "VRCUSTO", "VRECONOMIA"}) {
        lines.AddField(f, TFieldType::Float);
    }
    lines.AddField("DTCARDAPIO", TFieldType::DateTime);
    lines.CreateDataSet();
    lines.Append();
    lines.FieldByName("IDMARCADO").SetAsString("N");
    lines.FieldByName("QTCOMESTICAR").SetAsFloat(200);
    lines.FieldByName("VRCUSTO").SetAsFloat(5);
    lines.FieldByName("VRPECONSCARD").SetAsFloat(40);
    lines.FieldByName("CDPRATO").SetAsString("A");
    lines.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(next_.addDays(10)));
    lines.Post();
    TMemTable list("list");
    for (const char* f :
         {"CDFILAUXPRAT", "CDPRATO", "NMPRATO", "IDARVORE", "IDRECEITA", "IDPRARECATIV"}) {
        list.AddField(f, TFieldType::String, 40);
    }
    list.AddField("VRCUSTO", TFieldType::Float);
    list.AddField("VRPECONSCARD", TFieldType::Float);
    list.CreateDataSet();
    list.Append();
    list.FieldByName("CDFILAUXPRAT").SetAsString("0001");
    list.FieldByName("CDPRATO").SetAsString("B");
    list.FieldByName("IDRECEITA").SetAsString("F");
    list.FieldByName("IDPRARECATIV").SetAsString("S");
    list.FieldByName("VRCUSTO").SetAsFloat(-3);
    list.FieldByName("VRPECONSCARD").SetAsFloat(40);
    list.Post();
    TLinhasEquivalentes rules(lines, "C", next_);
    rules.AplicaEquivalente(list);
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRCONSUMOEQUI").AsFloat(), 80);
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRPECONSCARDEQUI").AsFloat(), 40);
    EXPECT_EQ(lines.FieldByName("CDFILAUXPRATEQUI").AsString(), "0001");
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRCUSTOEQUI").AsFloat(), 3) << "shown without the sign";
    // 80 portions at 5 less 80 at 3.
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRECONOMIA").AsFloat(), 160);
    // A negative cost flags a product without a price: the line may not be marked.
    EXPECT_EQ(lines.FieldByName("IDCUSZEROCUSDESATU").AsString(), "S");
    EXPECT_TRUE(rules.EquivalenteInvalido());
    lines.Edit();
    lines.FieldByName("VRCONSUMOEQUI").SetAsFloat(50);
    lines.Post();
    rules.ConsumoAlterado();
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRPECONSCARDEQUI").AsFloat(), 25);
    // 80 portions at 5 less 50 at 3.
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRECONOMIA").AsFloat(), 250);
}

TEST_F(Equivalents, ATitleClickWithAMarkedLineUnmarksAll) {
    auto f = screen(next_);
    const int r = valid(*f);
    ASSERT_GE(r, 0);
    host::RunHandler([&] { f->AlternaLinha(r); });
    EXPECT_EQ(f->Linhas().Marcadas(), 1);
    EXPECT_EQ(f->dbgPrincipal->model()->index(r, 0).data(Qt::CheckStateRole).toInt(),
              int(Qt::Checked));
    emit f->dbgPrincipal->horizontalHeader()->sectionClicked(4);
    EXPECT_EQ(f->Linhas().Marcadas(), 0);
    // With none marked, every valid line is marked.
    emit f->dbgPrincipal->horizontalHeader()->sectionClicked(4);
    int expected = 0;
    for (int i = 0; i < f->cdsPrincipal->ViewRowCount(); ++i) {
        expected += f->Linhas().EquivalenteInvalido(i) ? 0 : 1;
    }
    EXPECT_EQ(f->Linhas().Marcadas(), expected);
}

TEST_F(Equivalents, ASubstitutionFromThePopupReplacesTheDishInTheGrid) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* action = s->findChild<QAction*>("pmnSubsPorEqui");
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    QDate day;
    int seq = -1;
    QString equi;
    bool accepted = false;
    {
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmSubsPratoEqui*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            const int r = valid(*f);
            if (r < 0) {
                return int(QDialog::Rejected);
            }
            f->AlternaLinha(r);
            TMemTable& t = *f->cdsPrincipal;
            day = t.ViewValue(r, t.FieldByName("DTCARDAPIO").Index()).toDateTime().date();
            seq = int(t.ViewValue(r, t.FieldByName("NRSEQPRATCAR").Index()).toDouble());
            equi = text(*f, r, "CDPRATOEQUI");
            presenter_.Answer(host::mrYes);
            presenter_.Answer(host::mrOk);
            f->sbtConfirma->click();
            accepted = f->ModalResult() == host::mrOk;
            return accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        action->trigger();
    }
    ASSERT_TRUE(accepted) << presenter_.Texts().join("\n").toStdString();
    EXPECT_TRUE(presenter_.Texts().contains("Operação concluída. A planilha do cardápio será "
                                            "atualizada para refletir as alterações."));
    ASSERT_GE(seq, 0);
    const auto row = cacheRow(s, day, seq);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["CDPRATO"].toString().trimmed(), equi);
}

TEST_F(Equivalents, CancellingLeavesTheGridAsItWasWithoutAReload) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const TDataPacket before = s->Cardapio().cdsCompCardCache->Data();
    const QStringList stored = dishes();
    int reloads = 0;
    QObject::connect(&s->Cardapio(), &TCardapioMensal::carregado, [&] { ++reloads; });
    bool shown = false;
    {
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmSubsPratoEqui*>();
            shown = f != nullptr;
            if (f && valid(*f) >= 0) {
                f->AlternaLinha(valid(*f));
            }
            return int(QDialog::Rejected);
        });
        s->findChild<QAction*>("pmnSubsPorEqui")->trigger();
        EXPECT_FALSE(CriaSubsPratoEqui("0001", "00001", DataHora(next_), costType_, "S",
                                       DataHora(next_), "P", "N", DataHora(next_)));
    }
    EXPECT_TRUE(shown);
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(dishes(), stored);
    const TDataPacket after = s->Cardapio().cdsCompCardCache->Data();
    ASSERT_EQ(after.RowCount(), before.RowCount());
    for (int i = 0; i < after.RowCount(); ++i) {
        EXPECT_EQ(after.Rows[i].Values, before.Rows[i].Values);
    }
}

TEST_F(Equivalents, TypingACodeTakesThatEquivalentAnUnknownOneIsRefusedAndNoneUnmarks) {
    auto f = screen(changeable(), "C");
    f->show();
    const int r = valid(*f);
    ASSERT_GE(r, 0);
    const QDate d = day(*f, r);
    const QString branch = text(*f, r, "CDFILAUXPRAT");
    const QString dish = text(*f, r, "CDPRATO");
    const QString other = addEquivalent(branch, dish, d);
    ASSERT_FALSE(other.isEmpty()) << "a cheaper dish to make its equivalent";
    ASSERT_NE(other, text(*f, r, "CDPRATOEQUI"));
    const double diners =
        server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {text(*f, r, "NRCARDAPIO")})
            .toDouble();
    ASSERT_DOUBLE_EQ(number(*f, r, "QTCOMESTICAR"), diners);
    const double share = number(*f, r, "VRPECONSCARD");
    const double planned = cost(branch, dish, d).PerServing;
    const double equi = cost(branch, other, d).PerServing;
    ASSERT_DOUBLE_EQ(number(*f, r, "VRCUSTO"), planned);

    ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "CDPRATOEQUI", other));
    EXPECT_TRUE(presenter_.Texts().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(text(*f, r, "CDPRATOEQUI"), other);
    EXPECT_EQ(text(*f, r, "CDFILAUXPRATEQUI"), branch);
    EXPECT_EQ(text(*f, r, "NMPRATOEQUI"), dishName(branch, other));
    EXPECT_DOUBLE_EQ(number(*f, r, "VRCUSTOEQUI"), equi);
    // With no share of its own it is served to as many as the planned dish was.
    EXPECT_DOUBLE_EQ(number(*f, r, "VRPECONSCARDEQUI"), share);
    EXPECT_NEAR(number(*f, r, "VRCONSUMOEQUI"), share * diners / 100, 1e-5);
    EXPECT_NEAR(number(*f, r, "VRECONOMIA"), share * diners / 100 * (planned - equi), 0.00501);
    EXPECT_TRUE(f->Linhas().Motivos(r).isEmpty())
        << f->Linhas().Motivos(r).join(", ").toStdString();
    tick(*f, r);
    EXPECT_EQ(text(*f, r, "IDMARCADO"), "S");

    // A code that is no dish at all.
    QString unknown = "9";
    while (server_.Db().Scalar("SELECT COUNT(*) FROM PRATO WHERE CDPRATO = ?", {unknown}).toInt() >
           0) {
        unknown += "9";
    }
    ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "CDPRATOEQUI", unknown));
    EXPECT_EQ(presenter_.LastText(), "Prato equivalente informado não cadastrado.");
    EXPECT_EQ(text(*f, r, "CDPRATOEQUI"), unknown) << "what was typed stays, in red";
    for (const char* field : {"CDFILAUXPRATEQUI", "NMPRATOEQUI", "IDARVOREEQUI", "IDRECEITAEQUI",
                              "IDPRARECATIV", "IDCUSZEROCUSDESATU"}) {
        EXPECT_EQ(text(*f, r, field), "") << field;
    }
    for (const char* field : {"VRCUSTOEQUI", "VRCONSUMOEQUI", "VRPECONSCARDEQUI"}) {
        EXPECT_TRUE(value(*f, r, field).isNull()) << field;
    }
    EXPECT_DOUBLE_EQ(number(*f, r, "VRECONOMIA"), 0) << "no equivalent, no saving";
    EXPECT_EQ(text(*f, r, "IDMARCADO"), "N");
    EXPECT_EQ(cellOf(*f, r, "CDPRATOEQUI").data(Qt::ForegroundRole).value<QColor>(),
              QColor(Qt::red));
    presenter_.Clear();
    tick(*f, r);
    EXPECT_TRUE(presenter_.LastText().startsWith("Operação bloqueada:"));
    EXPECT_EQ(text(*f, r, "IDMARCADO"), "N");

    // The known code again, ticked; then the code erased.
    ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "CDPRATOEQUI", other));
    EXPECT_EQ(text(*f, r, "NMPRATOEQUI"), dishName(branch, other));
    tick(*f, r);
    ASSERT_EQ(f->Linhas().Marcadas(), 1);
    presenter_.Clear();
    ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "CDPRATOEQUI", ""));
    EXPECT_TRUE(presenter_.Texts().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(text(*f, r, "CDPRATOEQUI"), "");
    EXPECT_EQ(text(*f, r, "IDMARCADO"), "N");
    EXPECT_EQ(f->Linhas().Marcadas(), 0);
    EXPECT_EQ(cellOf(*f, r, "IDMARCADO").data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

TEST_F(Equivalents, EditingTheConsumptionMovesTheShareAndTheSaving) {
    for (const QString kind : {"C", "P"}) {
        SCOPED_TRACE(kind.toStdString());
        auto f = screen(changeable(), kind);
        f->show();
        const int r = valid(*f);
        ASSERT_GE(r, 0);
        const double diners = number(*f, r, "QTCOMESTICAR");
        const double share = number(*f, r, "VRPECONSCARD");
        const double planned = number(*f, r, "VRCUSTO");
        const double equi = number(*f, r, "VRCUSTOEQUI");
        ASSERT_GT(diners, 0);
        EXPECT_NEAR(number(*f, r, "VRECONOMIA"), share * diners / 100 * (planned - equi), 0.00501);
        // Fewer of the equivalent than of the planned dish, in whole numbers.
        const double current = number(*f, r, "VRCONSUMOEQUI");
        const double typed = std::max(1.0, std::floor(current / 2));
        ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "VRCONSUMOEQUI", QString::number(typed)));
        EXPECT_DOUBLE_EQ(number(*f, r, "VRCONSUMOEQUI"), typed);
        const double now = kind == "C" ? typed * 100 / diners : typed;
        EXPECT_NEAR(number(*f, r, "VRPECONSCARDEQUI"), now, 1e-9);
        EXPECT_DOUBLE_EQ(number(*f, r, "VRPECONSCARD"), share) << "the planned dish's stays";
        // What the day's dish costs falls by: the planned portions at their cost less the
        // equivalent's portions at theirs.
        const double saving = diners / 100 * (share * planned - now * equi);
        EXPECT_NEAR(number(*f, r, "VRECONOMIA"), saving, 0.00501);
        EXPECT_EQ(cellOf(*f, r, "VRECONOMIA").data().toString(),
                  TMemField::FormatValue(number(*f, r, "VRECONOMIA"), TFieldType::Float, "##0.000"))
            << "the grid shows it";
        // Diners keep three places, a share two.
        ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "VRCONSUMOEQUI", "7,125"));
        EXPECT_DOUBLE_EQ(number(*f, r, "VRCONSUMOEQUI"), kind == "C" ? 7.125 : 7.12)
            << "a share takes no third place";
        tick(*f, r);
        EXPECT_EQ(text(*f, r, "IDMARCADO"), "S");
        // None of it served: the line is unmarked and cannot be marked again.
        ASSERT_NO_FATAL_FAILURE(typeInto(*f, r, "VRCONSUMOEQUI", "0"));
        EXPECT_DOUBLE_EQ(number(*f, r, "VRPECONSCARDEQUI"), 0);
        EXPECT_EQ(text(*f, r, "IDMARCADO"), "N");
        presenter_.Clear();
        tick(*f, r);
        EXPECT_TRUE(presenter_.LastText().contains(
            "Prato equivalente possui consumo menor ou igual a zero."));
        EXPECT_EQ(text(*f, r, "IDMARCADO"), "N");
    }
}

TEST_F(Equivalents, TheSearchOffersTheLinesEquivalentsCheapestFirstAndCancellingKeepsTheLine) {
    auto f = screen(changeable());
    f->show();
    const int r = valid(*f);
    ASSERT_GE(r, 0);
    const QDate d = day(*f, r);
    const QString branch = text(*f, r, "CDFILAUXPRAT");
    const QString dish = text(*f, r, "CDPRATO");
    // Three equivalents to choose among, the line's proposal the dearest: the second
    // offered is another.
    const QString proposal = text(*f, r, "CDPRATOEQUI");
    const double proposalCost = number(*f, r, "VRCUSTOEQUI");
    ASSERT_FALSE(addEquivalent(branch, dish, d, proposalCost).isEmpty());
    ASSERT_FALSE(addEquivalent(branch, dish, d, proposalCost).isEmpty());
    QStringList related;
    QSqlQuery q = server_.Db().Exec("SELECT CDPRATORELAC FROM PRATORELAC WHERE CDFILAUXPRAT = ? "
                                    "AND CDPRATO = ? AND IDTIPORELAC = 'E' ORDER BY 1",
                                    {branch, dish});
    while (q.next()) {
        related << q.value(0).toString().trimmed();
    }
    ASSERT_GE(related.size(), 3);

    int shown = 0;
    QString title;
    QStringList codes;
    QList<double> costs;
    int startRow = -1;
    QString chosen;
    const auto column = [](QTableView* v, const QString& title) {
        for (int c = 0; c < v->model()->columnCount(); ++c) {
            if (v->model()->headerData(c, Qt::Horizontal).toString() == title) {
                return c;
            }
        }
        return -1;
    };
    const auto choose = [&](bool second) {
        return host::TModalRunner::TScope([&, second](QDialog& dialog) {
            ++shown;
            auto* lookup = dynamic_cast<host::TLookupDialog*>(&dialog);
            if (!lookup) {
                ADD_FAILURE() << "not the lookup";
                return int(QDialog::Rejected);
            }
            title = lookup->windowTitle();
            QTableView* v = lookup->View();
            codes.clear();
            costs.clear();
            const int code = column(v, "Código");
            const int price = column(v, "Custo");
            for (int i = 0; i < v->model()->rowCount(); ++i) {
                codes << v->model()->index(i, code).data().toString().trimmed();
                costs << v->model()->index(i, price).data(Qt::EditRole).toDouble();
            }
            startRow = v->currentIndex().row();
            if (!second) {
                return int(QDialog::Rejected);
            }
            QTest::keyClick(v, Qt::Key_Down);
            chosen = v->model()->index(v->currentIndex().row(), code).data().toString().trimmed();
            return int(QDialog::Accepted);
        });
    };

    // F2 elsewhere than on the equivalent's code does not search.
    {
        auto script = choose(true);
        f->dbgPrincipal->setCurrentIndex(cellOf(*f, r, "NMPRATOEQUI"));
        QTest::keyClick(f->dbgPrincipal, Qt::Key_F2);
    }
    EXPECT_EQ(shown, 0);

    {
        auto script = choose(true);
        f->dbgPrincipal->setCurrentIndex(cellOf(*f, r, "CDPRATOEQUI"));
        QTest::keyClick(f->dbgPrincipal, Qt::Key_F2);
    }
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(title, "Prato Equivalente");
    QStringList sorted = codes;
    sorted.sort();
    EXPECT_EQ(sorted, related) << "every equivalent of the line's dish";
    ASSERT_EQ(costs.size(), codes.size());
    for (int i = 0; i < codes.size(); ++i) {
        EXPECT_DOUBLE_EQ(costs[i], cost(branch, codes[i], d).PerServing) << codes[i].toStdString();
        if (i > 0) {
            EXPECT_LE(costs[i - 1], costs[i]) << "cheapest first";
        }
    }
    EXPECT_EQ(startRow, 0);
    ASSERT_EQ(chosen, codes.value(1));
    EXPECT_EQ(codes.last(), proposal);
    ASSERT_NE(chosen, proposal);
    EXPECT_EQ(text(*f, r, "CDPRATOEQUI"), chosen);
    EXPECT_EQ(text(*f, r, "CDFILAUXPRATEQUI"), branch);
    EXPECT_EQ(text(*f, r, "NMPRATOEQUI"), dishName(branch, chosen));
    EXPECT_DOUBLE_EQ(number(*f, r, "VRCUSTOEQUI"), costs[1]);
    EXPECT_DOUBLE_EQ(number(*f, r, "VRPECONSCARDEQUI"), number(*f, r, "VRPECONSCARD"));
    EXPECT_DOUBLE_EQ(number(*f, r, "VRCONSUMOEQUI"), number(*f, r, "VRCONSUMO"));
    EXPECT_NEAR(number(*f, r, "VRECONOMIA"),
                number(*f, r, "VRPECONSCARD") * number(*f, r, "QTCOMESTICAR") / 100 *
                    (number(*f, r, "VRCUSTO") - costs[1]),
                0.00501);

    // The button searches the current line too; cancelled, the line is as it was.
    tick(*f, r);
    ASSERT_EQ(text(*f, r, "IDMARCADO"), "S");
    const QVariantList before = line(*f, r);
    {
        auto script = choose(false);
        f->btnPesqEqui->click();
    }
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(codes.size(), related.size());
    EXPECT_EQ(line(*f, r), before);
    EXPECT_EQ(text(*f, r, "IDMARCADO"), "S");
}

TEST_F(Equivalents, TheMonthsPlannedCostFallsByTheSubstitutedLinesSaving) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    TCardapioMensal& c = s->Cardapio();
    // The month weighs its costs at its stored reference date, as the substitution does on
    // the server; the screen is given the same.
    const QDate stored = server_.Db()
                             .Scalar("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE CDFILIAL = "
                                     "'0001' AND DTMESCUST = ?",
                                     {DataHora(next_)})
                             .toDateTime()
                             .date();
    ASSERT_TRUE(stored.isValid());
    ASSERT_TRUE(c.Custo().ReferenciaFixa());
    ASSERT_EQ(c.DtRefeCusto.date(), stored);
    ASSERT_TRUE(c.CdFiliCust.trimmed().isEmpty() || c.CdFiliCust.trimmed() == "0001");
    ASSERT_EQ(QString::number(c.TipoCustoPlanejado), costType_);

    goTo(s, workingDay("0001", 1), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_TRUE(c.Custo().CustoCalculado);
    auto* box = Child<QCheckBox>(s, "chbSimultaneo");
    QTest::mouseClick(box, Qt::LeftButton, {},
                      box->rect().center() - QPoint(box->width() / 2 - 6, 0));
    ASSERT_TRUE(box->isChecked());
    auto* total = Child<host::TNumberEdit>(s, "nedTotalMes");
    const double before = total->Value();
    ASSERT_GT(before, 0);
    const QString work = c.Custo().ChaveTrabCusto;

    struct TChosen {
        QString Refe;
        QDateTime Reference;
        QString CostType;
        QDate Day;
        int Seq = -1;
        QString Number;
        QString Branch;
        QString Dish;
        QString EquiBranch;
        QString Equi;
        double Share = 0;
        double EquiShare = -1;
        double Saving = 0;
        bool Marked = false;
        bool Accepted = false;
    } chosen;
    {
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmSubsPratoEqui*>();
            if (!f) {
                ADD_FAILURE() << "not the substitution";
                return int(QDialog::Rejected);
            }
            chosen.Refe = f->RefeCardapio;
            chosen.Reference = f->DtRefeCusto;
            chosen.CostType = f->TipoCusto;
            const int r = valid(*f);
            if (r < 0) {
                ADD_FAILURE() << "no line to substitute";
                return int(QDialog::Rejected);
            }
            chosen.Day = day(*f, r);
            chosen.Seq = int(number(*f, r, "NRSEQPRATCAR"));
            chosen.Number = text(*f, r, "NRCARDAPIO");
            chosen.Branch = text(*f, r, "CDFILAUXPRAT");
            chosen.Dish = text(*f, r, "CDPRATO");
            chosen.EquiBranch = text(*f, r, "CDFILAUXPRATEQUI");
            chosen.Equi = text(*f, r, "CDPRATOEQUI");
            chosen.Share = number(*f, r, "VRPECONSCARD");
            chosen.EquiShare = number(*f, r, "VRPECONSCARDEQUI");
            chosen.Saving = number(*f, r, "VRECONOMIA");
            // The planner clicks the line's check.
            QTableView* grid = f->dbgPrincipal;
            const QModelIndex check = cellOf(*f, r, "IDMARCADO");
            grid->scrollTo(check);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(check).center());
            chosen.Marked = f->Linhas().Marcadas() == 1 && text(*f, r, "IDMARCADO") == "S";
            if (!chosen.Marked) {
                return int(QDialog::Rejected);
            }
            presenter_.Answer(host::mrYes);
            presenter_.Answer(host::mrOk);
            f->sbtConfirma->click();
            chosen.Accepted = f->ModalResult() == host::mrOk;
            return chosen.Accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        Action(s, "pmnSubsPorEqui")->trigger();
    }
    ASSERT_TRUE(chosen.Marked);
    ASSERT_TRUE(chosen.Accepted) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(chosen.Refe, "N");
    EXPECT_EQ(chosen.Reference.date(), stored);
    EXPECT_EQ(chosen.CostType, costType_);
    ASSERT_DOUBLE_EQ(chosen.EquiShare, chosen.Share) << "the equivalent keeps the share";
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = "
                          "? AND NRSEQPRATCAR = ? ORDER BY NRORDPRATCAR",
                          {chosen.Number, chosen.Seq})
                  .toString()
                  .trimmed(),
              chosen.Equi);
    EXPECT_TRUE(Child<QFrame>(s, "panAvisoRecalc")->isHidden()) << "recalculated at once";
    EXPECT_NE(c.Custo().ChaveTrabCusto, work) << "a new calculation";

    // By hand: the day's portions of the dish, each costing the difference of the two
    // dishes' costs per serving at the month's reference date.
    const double diners =
        server_.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {chosen.Number})
            .toDouble();
    const double portions = RoundDec(chosen.Share * diners / 100, 5);
    const double saving = portions * (cost(chosen.Branch, chosen.Dish, stored).PerServing -
                                      cost(chosen.EquiBranch, chosen.Equi, stored).PerServing);
    EXPECT_GT(saving, 0);
    EXPECT_NEAR(chosen.Saving, saving, 0.00501) << "the line said so";
    EXPECT_NEAR(before - total->Value(), saving, 0.005);
}

TEST_F(Equivalents, ADayChangedMeanwhileRefusesTheWholeSubstitution) {
    auto f = screen(changeable(), "C");
    f->show();
    // Two lines of different days ticked: the earlier one would be written first.
    const int first = valid(*f);
    ASSERT_GE(first, 0);
    int later = -1;
    for (int i = first + 1; i < f->cdsPrincipal->ViewRowCount() && later < 0; ++i) {
        if (!f->Linhas().EquivalenteInvalido(i) && day(*f, i) > day(*f, first)) {
            later = i;
        }
    }
    ASSERT_GE(later, 0);
    tick(*f, first);
    tick(*f, later);
    ASSERT_EQ(f->Linhas().Marcadas(), 2);
    // Another operator puts another dish in the later line's place.
    const QString dish = text(*f, later, "CDPRATO");
    server_.Db().Exec("UPDATE COMPCARD SET CDFILAUXPRAT = ?, CDPRATO = ? WHERE CDFILIAL = '0001' "
                      "AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND CDPRATO = ?",
                      {text(*f, later, "CDFILAUXPRATEQUI"), text(*f, later, "CDPRATOEQUI"),
                       text(*f, later, "NRCARDAPIO"), int(number(*f, later, "NRSEQPRATCAR")),
                       dish});
    const QStringList stored = storedMonth();
    ASSERT_FALSE(stored.isEmpty());

    presenter_.Clear();
    presenter_.Answer(host::mrYes);
    f->sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(),
              QString("O prato %1 do dia %2 foi alterado por outro operador depois da leitura. "
                      "Leia os pratos novamente.")
                  .arg(dish, day(*f, later).toString("dd/MM/yyyy")));
    EXPECT_FALSE(presenter_.Texts().contains("Operação concluída. A planilha do cardápio será "
                                             "atualizada para refletir as alterações."));
    EXPECT_EQ(storedMonth(), stored) << "nothing written, not even the earlier day";
    EXPECT_EQ(f->ModalResult(), 0);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->Linhas().Marcadas(), 2) << "the planner's marks stay";
}

} // namespace
