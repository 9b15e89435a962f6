#include "core/dates.h"
#include "editing_fixture.h"
#include "host/modal_runner.h"
#include "module/equivalents/linhas_equivalentes.h"
#include "module/equivalents/subs_prato_equi.h"

#include <QAction>
#include <QColor>
#include <QDialog>
#include <QHeaderView>
#include <QSqlQuery>
#include <QTableView>
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
                          "VRPECONSCARD", "QTCOMESTICAR", "VRCUSTO"}) {
        lines.AddField(f, TFieldType::Float);
    }
    lines.AddField("DTCARDAPIO", TFieldType::DateTime);
    lines.CreateDataSet();
    lines.Append();
    lines.FieldByName("IDMARCADO").SetAsString("N");
    lines.FieldByName("QTCOMESTICAR").SetAsFloat(200);
    lines.FieldByName("VRCUSTO").SetAsFloat(5);
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
    // A negative cost flags a product without a price: the line may not be marked.
    EXPECT_EQ(lines.FieldByName("IDCUSZEROCUSDESATU").AsString(), "S");
    EXPECT_TRUE(rules.EquivalenteInvalido());
    lines.Edit();
    lines.FieldByName("VRCONSUMOEQUI").SetAsFloat(50);
    lines.Post();
    rules.ConsumoAlterado();
    EXPECT_DOUBLE_EQ(lines.FieldByName("VRPECONSCARDEQUI").AsFloat(), 25);
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

} // namespace
