#pragma once

#include "core/data_packet.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "monthly_fixture.h"
#include "packages/dish_selection.h"
#include "packages/screens.h"
#include "screen_access.h"

#include <QDialog>
#include <QLineEdit>
#include <QTableView>
#include <QtTest/QTest>
#include <optional>

namespace pla::test {

using namespace pla::module;

// The monthly screen edited as a planner does: keys and clicks on the grid, the dish
// selection worked through its controls, questions answered.
class TEditingTest : public TMonthlyScreenTest {
protected:
    explicit TEditingTest(const QString& op = QStringLiteral("NUTRI1"))
        : TMonthlyScreenTest(op) {
        packages::RegisterScreens();
    }
    ~TEditingTest() override { packages::UnregisterScreens(); }

    const QDate next_ = month_.addMonths(1);

    // A weekday of next month that is no holiday of the branch, from the given day on.
    QDate workingDay(const QString& branch, int from) {
        for (QDate d(next_.year(), next_.month(), from); d.month() == next_.month();
             d = d.addDays(1)) {
            const bool holiday = server_.Db()
                                     .Scalar("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? "
                                             "AND DTFERIFILI = ?",
                                             {branch, DataHora(d)})
                                     .toInt() > 0;
            if (d.dayOfWeek() <= 5 && !holiday) {
                return d;
            }
        }
        return {};
    }
    QDate sunday(int from) {
        QDate d(next_.year(), next_.month(), from);
        while (d.dayOfWeek() != 7) {
            d = d.addDays(1);
        }
        return d;
    }
    // The first three days of next month blocked for the branch.
    void blockFirstDays(const QString& branch) {
        const QDate processing =
            server_.Db()
                .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = ?", {branch})
                .toDateTime()
                .date();
        server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = ?",
                          {qlonglong(processing.daysTo(next_.addDays(3))), branch});
    }
    // Removes a day's menu as if it had never been planned.
    void dropDay(const QString& branch, const QString& service, const QDate& day) {
        const QString nr = dayNumber(branch, service, day);
        for (const char* t : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
            server_.Db().Exec(QString("DELETE FROM %1 WHERE CDFILIAL = ? AND NRCARDAPIO = ?")
                                  .arg(QLatin1String(t)),
                              {branch, nr});
        }
    }
    QString dayNumber(const QString& branch, const QString& service, const QDate& day) {
        return server_.DayNumber(branch, service, day);
    }
    static void goTo(TfrmCardMens* s, const QDate& day, const QString& type) {
        const auto [row, col] = GridModel(s)->Pivot().Position(day, type);
        ASSERT_GE(row, 0);
        GridView(s)->setCurrentIndex(GridModel(s)->index(row, col));
    }
    static QString type(TfrmCardMens* s, int i) { return GridModel(s)->Pivot().Types().at(i); }
    static QString total(TfrmCardMens* s) { return GridModel(s)->Pivot().Types().last(); }
    static void key(TfrmCardMens* s, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(GridView(s), k, m);
    }
    // The cache row of a day's position, or nullopt.
    static std::optional<QVariantMap> cacheRow(TfrmCardMens* s, const QDate& day, int seq) {
        TDataPacket p = s->Cardapio().cdsCompCardCache->Data();
        for (const TPacketRow& r : p.Rows) {
            if (r.Kind == TRowKind::Deleted) {
                continue;
            }
            QVariantMap m;
            for (int i = 0; i < p.Fields.size(); ++i) {
                m.insert(p.Fields[i].Name, r.Values[i]);
            }
            if (m["DTCARDAPIO"].toDateTime().date() == day && m["NRSEQPRATCAR"].toInt() == seq) {
                return m;
            }
        }
        return std::nullopt;
    }
    // The dish selection answered with the first dish offered (or the one whose name
    // holds `search`) and the value.
    struct TChoice {
        QString Search = QStringLiteral("00"); // every code begins so
        double Value = 0;
        bool Confirm = true;
        QString Chosen; // the code chosen, filled by the script
        int Offered = 0;
        double StartValue = -1;
    };
    host::TModalRunner::TScope selection(TChoice& choice) {
        return host::TModalRunner::TScope([&choice](QDialog& d) {
            auto* f = d.findChild<packages::TfrmSelPrato*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            choice.StartValue = f->nedValor->Value();
            if (!choice.Search.isEmpty()) {
                f->edtPesquisa->setText(choice.Search);
            }
            choice.Offered = f->cdsLista->RecordCount();
            if (!choice.Confirm || choice.Offered == 0) {
                return int(QDialog::Rejected);
            }
            f->dbgPrato->setCurrentIndex(f->dbgPrato->model()->index(0, 0));
            choice.Chosen = f->dbgPrato->model()->index(0, 0).data().toString();
            f->nedValor->SetValue(choice.Value);
            f->sbtConfirma->click();
            return f->ModalResult() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }
    // How many removed-dish rows a day's position has on the screen, and the mark of
    // the last.
    static std::pair<int, QString> excludedRows(TfrmCardMens* s, const QDate& day, int seq) {
        int n = 0;
        QString mark;
        TMemTable& t = *s->Cardapio().cdsPratosExcluidos;
        for (t.First(); !t.Eof(); t.Next()) {
            if (t.FieldByName("DTPRATEXCL").AsString() == DayKey(day) &&
                t.FieldByName("NRSEQPRATEXCL").AsInteger() == seq) {
                ++n;
                mark = t.FieldByName("IDLOCALEXCL").AsString();
            }
        }
        return {n, mark};
    }
    // Every cell's text of the grid.
    static QStringList texts(TfrmCardMens* s) {
        QStringList out;
        for (int r = 0; r < GridModel(s)->rowCount(); ++r) {
            for (int c = 0; c < GridModel(s)->columnCount(); ++c) {
                out << GridModel(s)->index(r, c).data().toString();
            }
        }
        return out;
    }
};

} // namespace pla::test
