// The printed menus of the day, the week and the month (PLA00400, PLA02600, PLA02700):
// the periods and their calendars, the server's answer read into days, the screens over
// menus built for them (February 2026 starts on a Sunday and has 28 days; February 2027
// starts on a Monday) with each saved PDF read back page by page, and the monthly
// screen's print command enabled per the operator's access.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/errors.h"
#include "core/format_settings.h"
#include "editing_fixture.h"
#include "host/date_edit.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/modal_runner.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "packages/menu_printout.h"
#include "packages/printed_menu.h"
#include "packages/screens.h"
#include "pdf_text.h"
#include "qt_print.h"
#include "screen_access.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

using namespace pla;
using namespace pla::packages;
using namespace pla::module;
using pla::test::TTextoPdf;
using pla::test::TTrechoPdf;

namespace {

QDate d26(int day, int month) {
    return QDate(2026, month, day);
}

QString datas(const TSemanaCalendario& s) {
    QStringList out;
    for (const QDate& d : s) {
        out << (d.isValid() ? QString::number(d.day()) : QStringLiteral("-"));
    }
    return out.join(' ');
}

QStringList calendario(const TPeriodoEmissao& p) {
    QStringList out;
    for (const TSemanaCalendario& s : SemanasCalendario(p)) {
        out << datas(s);
    }
    return out;
}

// --- the periods and their calendars -------------------------------------------------------

TEST(PrintedMenuPeriods, TheDayTheWeekFromSundayAndTheWholeMonth) {
    using T = TTipoEmissao;
    EXPECT_EQ(PeriodoEmissao(T::Dia, d26(17, 2)), (TPeriodoEmissao{d26(17, 2), d26(17, 2)}));
    // A Sunday begins its week; a Saturday ends it.
    EXPECT_EQ(PeriodoEmissao(T::Semana, d26(15, 2)), (TPeriodoEmissao{d26(15, 2), d26(21, 2)}));
    EXPECT_EQ(PeriodoEmissao(T::Semana, d26(21, 2)), (TPeriodoEmissao{d26(15, 2), d26(21, 2)}));
    EXPECT_EQ(PeriodoEmissao(T::Semana, d26(18, 2)), (TPeriodoEmissao{d26(15, 2), d26(21, 2)}));
    // Across the year: the 1st of January 2026 is a Thursday.
    EXPECT_EQ(PeriodoEmissao(T::Semana, d26(1, 1)),
              (TPeriodoEmissao{QDate(2025, 12, 28), d26(3, 1)}));
    EXPECT_EQ(PeriodoEmissao(T::Mes, d26(17, 2)), (TPeriodoEmissao{d26(1, 2), d26(28, 2)}));
    EXPECT_EQ(PeriodoEmissao(T::Mes, QDate(2028, 2, 29)),
              (TPeriodoEmissao{QDate(2028, 2, 1), QDate(2028, 2, 29)}));
    EXPECT_EQ(PeriodoEmissao(T::Mes, QDate(2026, 12, 31)).Dias(), 31);
    EXPECT_EQ(PeriodoEmissao(T::Mes, QDate()), TPeriodoEmissao{});
}

TEST(PrintedMenuPeriods, TheCalendarHasAWeekARowSundayFirstAndBlanksOutsideTheMonth) {
    using T = TTipoEmissao;
    // February 2026: from a Sunday, 28 days, four full weeks and no blank.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, d26(10, 2))),
              (QStringList{"1 2 3 4 5 6 7", "8 9 10 11 12 13 14", "15 16 17 18 19 20 21",
                           "22 23 24 25 26 27 28"}));
    // February 2027: from a Monday, 28 days, ending on a Sunday.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, QDate(2027, 2, 1))),
              (QStringList{"- 1 2 3 4 5 6", "7 8 9 10 11 12 13", "14 15 16 17 18 19 20",
                           "21 22 23 24 25 26 27", "28 - - - - - -"}));
    // March 2026: from a Sunday, 31 days.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, d26(31, 3))),
              (QStringList{"1 2 3 4 5 6 7", "8 9 10 11 12 13 14", "15 16 17 18 19 20 21",
                           "22 23 24 25 26 27 28", "29 30 31 - - - -"}));
    // August 2026 starts on a Saturday: six rows.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, d26(1, 8))).size(), 6);
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, d26(1, 8))).first(), "- - - - - - 1");
    // February 2024, a leap year's, from a Thursday.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Mes, QDate(2024, 2, 29))).last(), "25 26 27 28 29 - -");
    // A week across two months is one full row.
    EXPECT_EQ(calendario(PeriodoEmissao(T::Semana, d26(1, 4))), QStringList{"29 30 31 1 2 3 4"});
    EXPECT_TRUE(SemanasCalendario(TPeriodoEmissao{}).isEmpty());
}

// --- the server's answer read into days ---------------------------------------------------

TDataPacket packet(const QList<TFieldDef>& fields, const QList<QVariantList>& rows) {
    TDataPacket p;
    p.Fields = fields;
    for (const QVariantList& r : rows) {
        TPacketRow row;
        row.Values = r;
        p.Rows.append(row);
    }
    return p;
}

QVariantList resposta() {
    const auto dt = [](int d, int m) { return QVariant(DataHora(d26(d, m))); };
    QVariantList r(int(rpc::TElemCardapioImpresso::Quantidade));
    using E = rpc::TElemCardapioImpresso;
    r[int(E::NomeFilial)] = QStringLiteral("Restaurante Exemplo");
    r[int(E::NomeServico)] = QStringLiteral("Almoço");
    r[int(E::Posicoes)] = FromDataPacket(packet({{"DTREFECNFMES", TFieldType::DateTime, 0, false},
                                                 {"NRSEQCNFMES", TFieldType::Integer, 0, false},
                                                 {"NRORDCNFMES", TFieldType::Integer, 0, false},
                                                 {"CDTIPOPRAT", TFieldType::String, 2, false},
                                                 {"NMTIPOPRAT", TFieldType::String, 35, false},
                                                 {"IDOPCCNFMES", TFieldType::String, 1, false}},
                                                {{dt(1, 2), 2LL, 1LL, "03", "CARNE", "N"},
                                                 {dt(1, 2), 1LL, 2LL, "01", "ARROZ", "N"},
                                                 {dt(1, 2), 4LL, 3LL, "08", "DOCE", "S"},
                                                 {dt(1, 3), 1LL, 1LL, "01", "ARROZ", "N"}}));
    r[int(E::Pratos)] = FromDataPacket(packet({{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                               {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                                               {"NRORDPRATCAR", TFieldType::Integer, 0, false},
                                               {"CDPRATO", TFieldType::String, 10, false},
                                               {"NMPRATO", TFieldType::String, 40, false}},
                                              {{dt(27, 2), 1LL, 1LL, "A1", "Branco"},
                                               {dt(27, 2), 2LL, 1LL, "C1", "Frango"},
                                               {dt(27, 2), 2LL, 2LL, "C2", "Peixe"},
                                               {dt(27, 2), 4LL, 1LL, "D1", "Pudim"},
                                               {dt(1, 3), 1LL, 1LL, "A2", "Integral"},
                                               {dt(1, 3), 2LL, 1LL, "C1", "Frango"}}));
    r[int(E::Dias)] = FromDataPacket(packet({{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                             {"DSCARDAPIO", TFieldType::String, 30, false}},
                                            {{dt(27, 2), QVariant()}, {dt(28, 2), "Festa"}}));
    r[int(E::Feriados)] = FromDataPacket(packet({{"DTFERIADO", TFieldType::DateTime, 0, false},
                                                 {"DSFERIADO", TFieldType::String, 60, false}},
                                                {{dt(28, 2), "Carnaval"}}));
    return r;
}

TEST(PrintedMenuAnswer, EachDayTakesItsMonthsPrintedPositionsInOrderWithTheirDishes) {
    const TPeriodoEmissao p{d26(27, 2), d26(1, 3)};
    const TCardapioImpresso c =
        TCardapioImpresso::DaResposta(resposta(), " 0001 ", "00001", TTipoEmissao::Semana, p);
    EXPECT_EQ(c.LinhaFilial(), "Filial 0001 - Restaurante Exemplo");
    EXPECT_EQ(c.LinhaServico(), "Serviço 00001 - Almoço");
    ASSERT_EQ(c.Dias.size(), 3);
    EXPECT_EQ(c.Dias[0].Linhas, (QList<TLinhaCardapio>{{"CARNE", false, {"Frango", "Peixe"}},
                                                       {"ARROZ", false, {"Branco"}},
                                                       {"DOCE", true, {"Pudim"}}}));
    EXPECT_TRUE(c.Dias[1].SemCardapio()) << "the 28th has a record and no dish";
    EXPECT_EQ(c.Dias[1].Feriado, "Carnaval");
    EXPECT_EQ(c.Dias[1].Descricao, "Festa");
    // March has only its rice printed: the meat of the 1st stays out.
    EXPECT_EQ(c.Dias[2].Linhas, (QList<TLinhaCardapio>{{"ARROZ", false, {"Integral"}}}));
    EXPECT_EQ(c.Dia(d26(28, 2)), &c.Dias[1]);
    EXPECT_EQ(c.Dia(d26(2, 3)), nullptr);
    EXPECT_TRUE(c.TemOpcional());
    EXPECT_EQ(c.DiasComCardapio(), 2);
    EXPECT_EQ(TCardapioImpresso::TextoDia(c.Dias[0]),
              (QStringList{"CARNE: Frango, Peixe", "ARROZ: Branco", "DOCE*: Pudim"}));
    EXPECT_EQ(TCardapioImpresso::TextoDia(c.Dias[1]),
              (QStringList{"Feriado", "Carnaval", "Festa", "Sem cardápio"}));
}

TEST(PrintedMenuAnswer, TitlesAndPeriodsAsPrinted) {
    TFormatSettingsScope ptBr(TFormatSettings::PtBr());
    TCardapioImpresso c;
    c.Tipo = TTipoEmissao::Dia;
    c.Periodo = {d26(17, 2), d26(17, 2)};
    EXPECT_EQ(c.Titulo(), "Cardápio do Dia");
    EXPECT_EQ(c.LinhaPeriodo(), "Terça-feira, 17/02/2026");
    c.Tipo = TTipoEmissao::Semana;
    c.Periodo = PeriodoEmissao(c.Tipo, d26(17, 2));
    EXPECT_EQ(c.Titulo(), "Cardápio da Semana");
    EXPECT_EQ(c.LinhaPeriodo(), "Semana de 15/02/2026 a 21/02/2026");
    c.Tipo = TTipoEmissao::Mes;
    c.Periodo = PeriodoEmissao(c.Tipo, d26(17, 3));
    EXPECT_EQ(c.Titulo(), "Cardápio do Mês");
    EXPECT_EQ(c.LinhaPeriodo(), "Março de 2026");
}

TEST(PrintedMenuAnswer, AnErrorTextOrAMissingFieldIsRaised) {
    const TPeriodoEmissao p{d26(1, 2), d26(28, 2)};
    try {
        TCardapioImpresso::DaResposta(QStringLiteral("Filial não cadastrada."), "0001", "00001",
                                      TTipoEmissao::Mes, p);
        ADD_FAILURE() << "no error";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "Filial não cadastrada.");
    }
    QVariantList r = resposta();
    r[int(rpc::TElemCardapioImpresso::Feriados)] = FromDataPacket(
        packet({{"DTFERIADO", TFieldType::DateTime, 0, false}}, {{DataHora(d26(2, 2))}}));
    try {
        TCardapioImpresso::DaResposta(r, "0001", "00001", TTipoEmissao::Mes, p);
        ADD_FAILURE() << "no error";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "O cardápio impresso recebido do servidor não tem o campo "
                               "DSFERIADO.");
    }
    r.removeLast();
    EXPECT_THROW(TCardapioImpresso::DaResposta(r, "0001", "00001", TTipoEmissao::Mes, p),
                 EPlaError);
}

// --- the screens over a server ------------------------------------------------------------

// A calendar page read back: the lines above the weekdays, the weekdays, each day's
// cell (its label and its runs, one after the other) and the page's last line.
struct TPaginaCalendario {
    QStringList Topo;
    QString Semana;
    QMap<QString, QString> Celulas;
    QStringList Dias; // the labels, in the order of the page
    QString Rodape;
};

TPaginaCalendario leCalendario(const TTextoPdf& pdf, int page) {
    TPaginaCalendario out;
    const QStringList lines = pdf.Linhas(page);
    const QList<TTrechoPdf>& runs = pdf.Trechos(page);
    const int heading = int(lines.indexOf(QRegularExpression(QStringLiteral("^Domingo \\|.*"))));
    EXPECT_GE(heading, 0) << lines.join('\n').toStdString();
    if (heading < 0) {
        return out;
    }
    out.Topo = lines.mid(0, heading);
    out.Semana = lines[heading];
    out.Rodape = lines.last();
    // The columns start where the weekdays do; the rows where their days' labels are.
    QList<double> columns;
    double headY = 0;
    for (const TTrechoPdf& r : runs) {
        if (r.Texto == QLatin1String("Domingo")) {
            headY = r.Y;
        }
    }
    for (const TTrechoPdf& r : runs) {
        if (qFuzzyCompare(r.Y, headY)) {
            columns << r.X;
        }
    }
    EXPECT_EQ(columns.size(), 7);
    const double footY = runs.last().Y;
    static const QRegularExpression label(QStringLiteral("^(\\d{1,2}|\\d\\d/\\d\\d)$"));
    QMap<std::pair<int, int>, QString> at; // (row, column) → label
    QList<double> rows;
    for (const TTrechoPdf& r : runs) {
        const int column = int(std::find_if(columns.cbegin(), columns.cend(),
                                            [&r](double x) { return std::abs(x - r.X) < 1; }) -
                               columns.cbegin());
        if (r.Y > headY && r.Y < footY && column < 7 && label.match(r.Texto).hasMatch()) {
            if (rows.isEmpty() || !qFuzzyCompare(rows.last(), r.Y)) {
                rows << r.Y;
            }
            at.insert({int(rows.size()) - 1, column}, r.Texto);
            out.Dias << r.Texto;
            out.Celulas.insert(r.Texto, QString());
        }
    }
    for (const TTrechoPdf& r : runs) {
        if (r.Y <= headY || r.Y >= footY || label.match(r.Texto).hasMatch()) {
            continue;
        }
        int column = -1;
        for (int c = 0; c < columns.size(); ++c) {
            if (r.X >= columns[c] - 1) {
                column = c;
            }
        }
        int row = -1;
        for (int i = 0; i < rows.size(); ++i) {
            if (r.Y > rows[i]) {
                row = i;
            }
        }
        const QString day = at.value({row, column});
        EXPECT_FALSE(day.isEmpty()) << "a text outside the days: " << r.Texto.toStdString();
        QString& cell = out.Celulas[day];
        cell += (cell.isEmpty() ? QString() : QStringLiteral(" ")) + r.Texto;
    }
    return out;
}

// The footer's time is the clock's: it is checked, then left out.
QString semHora(const QString& line) {
    static const QRegularExpression time(QStringLiteral("Emitido em (\\d\\d/\\d\\d/\\d{4}) "
                                                        "\\d\\d:\\d\\d$"));
    const auto m = time.match(line);
    EXPECT_TRUE(m.hasMatch()) << line.toStdString();
    EXPECT_EQ(m.captured(1), FormatDateTime("dd/mm/yyyy", Hoje()));
    QString out = line;
    return out.replace(time, QStringLiteral("Emitido em"));
}

class PrintedMenus : public ::testing::Test {
protected:
    PrintedMenus()
        : server_(test::TEngine::SQLite, Hoje())
        , host_(server_, QStringLiteral("NUTRI1"))
        , presenterScope_(presenter_)
        , ptBr_(TFormatSettings::PtBr()) {
        packages::RegisterScreens();
        seed();
    }
    ~PrintedMenus() override {
        if (host::THelpWindow* w = host::THelpWindow::Current()) {
            w->close();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        packages::UnregisterScreens();
    }

    void exec(const QString& sql, const QVariantList& params = {}) {
        server_.Db().Exec(sql, params);
    }
    void position(const QString& service, const QVariant& month, int seq, const QString& type,
                  int ord, const QString& optional = "N", const QString& printed = "S") {
        if (month.isNull()) {
            exec("INSERT INTO CNFCARDSERV (CDFILIAL, CDSERVFILI, NRSEQCNFMES, CDTIPOPRAT, "
                 "IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES) VALUES ('0001', ?, ?, ?, ?, ?, ?)",
                 {service, seq, type, optional, printed, ord});
            return;
        }
        exec("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES, "
             "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES) VALUES ('0001', ?, ?, ?, ?, ?, "
             "?, ?)",
             {service, month, seq, type, optional, printed, ord});
    }
    QString addDay(const QString& service, const QDate& when,
                   const QVariant& description = QVariant()) {
        const QString nr = QStringLiteral("T%1").arg(++days_, 9, 10, QLatin1Char('0'));
        exec("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, QTCOMESTICAR, "
             "DTMESCARD, DSCARDAPIO) VALUES ('0001', ?, ?, ?, 100, ?, ?)",
             {nr, service, DataHora(when), DataHora(PriDiaMes(when)), description});
        return nr;
    }
    void place(const QString& nr, int seq, const QString& dish, int ord = 1) {
        exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
             "CDFILAUXPRAT, CDPRATO, VRPECONSCARD) VALUES ('0001', ?, ?, ?, '0001', ?, 100)",
             {nr, seq, ord, dish});
    }

    // Service 00009 of the restaurant: February 2026 prints the meat, the rice and the
    // optional dessert, in that order, and not the juice; March only rice and meat; the
    // service's standing positions rice and juice. Service 00008: March 2026 with ten
    // positions of long names every day, more than a page holds.
    void seed() {
        exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO) VALUES ('0001', '00009', "
             "'Almoço Teste'), ('0001', '00008', 'Jantar Teste')");
        exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('X1', 'ARROZ'), ('X3', "
             "'CARNE'), ('X4', 'DOCE'), ('X5', 'SUCO')");
        const std::tuple<const char*, const char*, const char*> dishes[] = {
            {"PX01", "Branco", "X1"}, {"PX02", "Integral", "X1"}, {"PX03", "Frango", "X3"},
            {"PX04", "Peixe", "X3"},  {"PX05", "Pudim", "X4"},    {"PX06", "Laranja", "X5"}};
        for (const auto& [code, name, type] : dishes) {
            exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES ('0001', "
                 "?, ?, ?)",
                 {code, name, type});
        }
        const QString s = QStringLiteral("00009");
        const QDateTime feb = DataHora(d26(1, 2));
        position(s, feb, 1, "X1", 2);
        position(s, feb, 2, "X3", 1);
        position(s, feb, 3, "X4", 3, "S");
        position(s, feb, 4, "X5", 4, "N", "N");
        const QDateTime mar = DataHora(d26(1, 3));
        position(s, mar, 1, "X1", 1);
        position(s, mar, 2, "X3", 2);
        position(s, QVariant(), 1, "X1", 1);
        position(s, QVariant(), 2, "X5", 2);

        const QString d2 = addDay(s, d26(2, 2));
        place(d2, 1, "PX01");
        place(d2, 2, "PX03");
        place(d2, 3, "PX05");
        place(d2, 4, "PX06");
        const QString d3 = addDay(s, d26(3, 2));
        place(d3, 1, "PX02");
        place(d3, 2, "PX04");
        const QString d16 = addDay(s, d26(16, 2), "Dia de festa");
        place(d16, 1, "PX01");
        place(d16, 2, "PX03");
        const QString d27 = addDay(s, d26(27, 2));
        place(d27, 2, "PX04", 2);
        place(d27, 2, "PX03", 1);
        addDay(s, d26(28, 2)); // a day's record without dishes
        const QString m31 = addDay(s, d26(31, 3));
        place(m31, 1, "PX02");
        place(m31, 2, "PX03");
        const QString a1 = addDay(s, QDate(2026, 4, 1));
        place(a1, 1, "PX01");
        place(a1, 2, "PX06");

        // The restaurant's own holidays of those months give way to these.
        exec("DELETE FROM FERIFILI WHERE CDFILIAL = '0001' AND DTFERIFILI >= ? AND DTFERIFILI "
             "<= ?",
             {DataHora(d26(1, 1)), DataHora(d26(30, 4))});
        exec("DELETE FROM FERICARD WHERE CDFILIAL = '0001' AND DTFERICARD >= ? AND DTFERICARD "
             "<= ?",
             {DataHora(d26(1, 1)), DataHora(d26(30, 4))});
        exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', ?, "
             "'Carnaval')",
             {DataHora(d26(17, 2))});
        exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES ('0001', "
             "?, 'Folia', ?)",
             {DataHora(d26(16, 2)), DataHora(d26(1, 2))});

        // Ten positions a day all March long, each dish's name long enough to wrap.
        const QString j = QStringLiteral("00008");
        for (int p = 1; p <= 10; ++p) {
            position(j, mar, p, p % 2 ? "X1" : "X3", p);
            exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES ('0001', "
                 "?, ?, ?)",
                 {QStringLiteral("PL%1").arg(p, 2, 10, QLatin1Char('0')),
                  QStringLiteral("Preparação de nome comprido %1").arg(QChar(u'A' + p - 1)),
                  p % 2 ? "X1" : "X3"});
        }
        for (int d = 1; d <= 31; ++d) {
            const QString nr = addDay(j, d26(d, 3));
            for (int p = 1; p <= 10; ++p) {
                place(nr, p, QStringLiteral("PL%1").arg(p, 2, 10, QLatin1Char('0')));
            }
        }
    }

    static void choose(TfrmEmissaoCardapio& f, const QString& service, const QDate& date) {
        const int i = f.cbbServico->findData(service);
        ASSERT_GE(i, 0) << service.toStdString();
        f.cbbServico->setCurrentIndex(i);
        f.depData->SetDate(date);
    }
    TTextoPdf saved(TfrmEmissaoCardapio& f, const QString& name) {
        const QString file = dir_.filePath(name);
        f.SavePdf(file);
        return TTextoPdf::Le(file);
    }
    // Each row of the grid as "day|weekday|type|dish|note".
    static QStringList grid(const TfrmEmissaoCardapio& f) {
        const QAbstractItemModel* m = f.dbgPadrao->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) {
                cells << m->index(r, c).data().toString();
            }
            out << cells.join('|');
        }
        return out;
    }

    // A day whose rice position holds `count` dishes, "Prato001" on; their names.
    QStringList manyDishes(const QDate& day, int count) {
        const QString nr = addDay("00009", day);
        QStringList names;
        for (int i = 1; i <= count; ++i) {
            const QString code = QStringLiteral("PY%1").arg(i, 3, 10, QLatin1Char('0'));
            names << QStringLiteral("Prato%1").arg(i, 3, 10, QLatin1Char('0'));
            exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES ('0001', "
                 "?, ?, 'X1')",
                 {code, names.last()});
            place(nr, 1, code, i);
        }
        return names;
    }
    // The dishes printed, page after page, each as often as it is printed.
    static QStringList printedOnce(const TTextoPdf& pdf, const QStringList& among) {
        static const QRegularExpression name(QStringLiteral("Prato\\d{3}"));
        QStringList out;
        for (const QString& line : pdf.TodasAsLinhas()) {
            for (auto it = name.globalMatch(line); it.hasNext();) {
                const QString n = it.next().captured(0);
                if (among.contains(n)) {
                    out << n;
                }
            }
        }
        return out;
    }
    // Everything of a page between its head and its foot: nothing painted past the
    // page's last line (the foot) nor past the page itself.
    static void expectInsideThePage(const TTextoPdf& pdf, int page) {
        const QList<TTrechoPdf>& runs = pdf.Trechos(page);
        ASSERT_FALSE(runs.isEmpty());
        std::optional<double> foot;
        for (const TTrechoPdf& r : runs) {
            if (r.Texto.startsWith("PLA0")) {
                foot = r.Y;
            }
        }
        ASSERT_TRUE(foot.has_value());
        for (const TTrechoPdf& r : runs) {
            EXPECT_LE(r.Y, *foot) << r.Texto.toStdString();
        }
    }

    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    TFormatSettingsScope ptBr_;
    QTemporaryDir dir_;
    int days_ = 0;
};

TEST_F(PrintedMenus, EachOpensFromTheHostWithTheBranchAloneAndTodaysPeriod) {
    const THojeScope today(d26(18, 2));
    struct TSeen {
        QString Name, Title, Code, Service, Period, Branch;
        int Help = 0;
        QStringList Services;
        int Rows = 0;
    };
    QList<TSeen> seen;
    host::TModalRunner::TScope script([&](QDialog& d) {
        if (auto* f = d.findChild<TfrmEmissaoCardapio*>()) {
            TSeen s{f->objectName(),
                    f->windowTitle(),
                    f->lblCodTela->text(),
                    f->CdServico(),
                    f->lblPeriodo->text(),
                    f->lblFilial->text(),
                    f->HelpContext(),
                    {},
                    f->dtsPadrao->RecordCount()};
            for (int i = 0; i < f->cbbServico->count(); ++i) {
                s.Services << f->cbbServico->itemText(i);
            }
            seen << s;
        }
        return int(QDialog::Rejected);
    });
    for (const char* code : {"PLA00400", "PLA02600", "PLA02700"}) {
        ASSERT_TRUE(
            host::RunHandler([code] { host::Host().LoadBPL(code, {QStringLiteral("0001")}); }));
    }
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_EQ(seen.size(), 3);
    const QStringList names{"frmEmisCardDia", "frmEmisCardSem", "frmEmisCardMes"};
    const QStringList titles{"Emissão do Cardápio do Dia", "Emissão do Cardápio da Semana",
                             "Emissão do Cardápio do Mês"};
    const QStringList codes{"PLA00400", "PLA02600", "PLA02700"};
    const QList<int> help{12300400, 12302600, 12302700};
    const QStringList periods{"Quarta-feira, 18/02/2026", "Semana de 15/02/2026 a 21/02/2026",
                              "Fevereiro de 2026"};
    const QList<int> days{1, 7, 28};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(codes[i].toStdString());
        EXPECT_EQ(seen[i].Name, names[i]);
        EXPECT_EQ(seen[i].Title, titles[i]);
        EXPECT_EQ(seen[i].Code, codes[i]);
        EXPECT_EQ(seen[i].Help, help[i]);
        EXPECT_EQ(seen[i].Branch, "Filial 0001 - Metalúrgica Paulista - Restaurante");
        EXPECT_EQ(seen[i].Service, "00001") << "the first service";
        EXPECT_EQ(seen[i].Services,
                  (QStringList{"00001 - Almoço", "00002 - Jantar", "00003 - Café da manhã",
                               "00008 - Jantar Teste", "00009 - Almoço Teste"}));
        EXPECT_EQ(seen[i].Period, periods[i]);
        EXPECT_GE(seen[i].Rows, days[i]) << "a day without a menu is a row too";
    }
    const QStringList pages{"Cardápio do dia (PLA00400)", "Cardápio da semana (PLA02600)",
                            "Cardápio do mês (PLA02700)"};
    for (int i = 0; i < 3; ++i) {
        host::MostraAjuda(help[i]);
        ASSERT_NE(host::THelpWindow::Current(), nullptr);
        EXPECT_EQ(host::THelpWindow::Current()->CurrentTitle(), pages[i]);
    }
}

TEST_F(PrintedMenus, BadParametersAndABranchWithoutServicesSayWhy) {
    const auto opens = [this](const QVariantList& params) {
        presenter_.Clear();
        EXPECT_FALSE(host::RunHandler([&] { host::Host().LoadBPL("PLA02700", params); }));
        return presenter_.LastText();
    };
    EXPECT_EQ(opens({}), "A emissão do cardápio espera 1 parâmetro (a filial) e recebeu 0.");
    EXPECT_EQ(opens({QStringLiteral("0001"), QStringLiteral("00001")}),
              "A emissão do cardápio espera 1 parâmetro (a filial) e recebeu 2.");
    EXPECT_EQ(opens({1}), "O parâmetro da emissão do cardápio deve ser o código da filial.");
    EXPECT_EQ(opens({QStringLiteral(" ")}),
              "O parâmetro da emissão do cardápio deve ser o código da filial.");
    EXPECT_EQ(opens({QStringLiteral("77")}), "Filial 0077 não cadastrada.")
        << "a code typed short is padded";
    exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES ('0078', 'Nova', ?)",
         {DataHora(Hoje())});
    EXPECT_EQ(opens({QStringLiteral("0078")}), "A filial 0078 não tem serviço com cardápio.");
}

TEST_F(PrintedMenus, TheDayListsItsPrintedPositionsInTheMonthsOrder) {
    TfrmEmissaoCardapio f(TTipoEmissao::Dia, {QStringLiteral("0001")});
    choose(f, "00009", d26(2, 2));
    f.PrepareData();
    EXPECT_EQ(grid(f), (QStringList{"02/02/2026|Segunda-feira|CARNE|Frango|",
                                    "02/02/2026|Segunda-feira|ARROZ|Branco|",
                                    "02/02/2026|Segunda-feira|DOCE*|Pudim|"}))
        << "the juice is not printed";
    EXPECT_EQ(f.PageCount(), 1);
    const TTextoPdf pdf = saved(f, "dia.pdf");
    ASSERT_EQ(pdf.Paginas(), 1);
    QStringList lines = pdf.Linhas(0);
    ASSERT_FALSE(lines.isEmpty());
    lines.last() = semHora(lines.last());
    EXPECT_EQ(lines, (QStringList{"Cardápio do Dia | Página 1 de 1",
                                  "Filial 0001 - Metalúrgica Paulista - Restaurante",
                                  "Serviço 00009 - Almoço Teste", "Segunda-feira, 02/02/2026",
                                  "CARNE | Frango", "ARROZ | Branco", "DOCE* | Pudim",
                                  "* Opcional | PLA00400 - Emitido em"}));

    // A position with two dishes, and a holiday with the menu's own name.
    choose(f, "00009", d26(27, 2));
    EXPECT_EQ(f.Cardapio().Periodo.Inicio, d26(27, 2)) << "a new date reads the day again";
    lines = saved(f, "dia27.pdf").Linhas(0);
    EXPECT_EQ(lines.mid(3, 3), (QStringList{"Sexta-feira, 27/02/2026", "CARNE | Frango", "Peixe"}));
    EXPECT_FALSE(lines.last().startsWith("* Opcional")) << "no optional dish that day";
    choose(f, "00009", d26(16, 2));
    lines = saved(f, "dia16.pdf").Linhas(0);
    EXPECT_EQ(lines.mid(3, 5), (QStringList{"Segunda-feira, 16/02/2026", "Feriado: Folia",
                                            "Dia de festa", "CARNE | Frango", "ARROZ | Branco"}));
    // The branch's holiday without a menu, and a day whose record has no dish.
    for (const QDate& d : {d26(17, 2), d26(28, 2)}) {
        choose(f, "00009", d);
        lines = saved(f, "vazio.pdf").Linhas(0);
        ASSERT_GE(lines.size(), 6);
        EXPECT_EQ(lines[4], d.day() == 17 ? "Feriado: Carnaval" : "Sem cardápio");
        EXPECT_EQ(lines[lines.size() - 2], "Sem cardápio");
        EXPECT_EQ(grid(f).size(), 1);
        EXPECT_TRUE(grid(f)[0].endsWith(d.day() == 17 ? "||Feriado: Carnaval; Sem cardápio"
                                                      : "||Sem cardápio"))
            << grid(f)[0].toStdString();
    }
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

TEST_F(PrintedMenus, TheMonthOfFebruary2026IsFourFullWeeksFromSunday) {
    TfrmEmissaoCardapio f(TTipoEmissao::Mes, {QStringLiteral("0001")});
    choose(f, "00009", d26(1, 2));
    f.PrepareData();
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 33) << "28 days, four of them with 2 or 3 dishes";
    const TTextoPdf pdf = saved(f, "mes.pdf");
    ASSERT_EQ(pdf.Paginas(), 1);
    const TPaginaCalendario p = leCalendario(pdf, 0);
    EXPECT_EQ(p.Topo, (QStringList{"Cardápio do Mês | Página 1 de 1",
                                   "Filial 0001 - Metalúrgica Paulista - Restaurante",
                                   "Serviço 00009 - Almoço Teste", "Fevereiro de 2026"}));
    EXPECT_EQ(p.Semana, "Domingo | Segunda-feira | Terça-feira | Quarta-feira | Quinta-feira | "
                        "Sexta-feira | Sábado");
    QStringList days;
    for (int d = 1; d <= 28; ++d) {
        days << QString::number(d);
    }
    EXPECT_EQ(p.Dias, days) << "four rows, Sunday the 1st first, no blank cell";
    const QStringList lines = pdf.Linhas(0);
    EXPECT_EQ(lines.mid(5, 1), QStringList{"1 | 2 | 3 | 4 | 5 | 6 | 7"});
    EXPECT_TRUE(lines.contains("22 | 23 | 24 | 25 | 26 | 27 | 28"));
    QMap<QString, QString> cells;
    for (const QString& d : days) {
        cells.insert(d, "Sem cardápio");
    }
    cells["2"] = "CARNE: Frango ARROZ: Branco DOCE*: Pudim";
    cells["3"] = "CARNE: Peixe ARROZ: Integral";
    cells["16"] = "Feriado Folia Dia de festa CARNE: Frango ARROZ: Branco";
    cells["17"] = "Feriado Carnaval Sem cardápio";
    cells["27"] = "CARNE: Frango, Peixe";
    EXPECT_EQ(p.Celulas, cells);
    EXPECT_EQ(semHora(p.Rodape), "* Opcional | PLA02700 - Emitido em");
}

TEST_F(PrintedMenus, AMonthFromAMondayLeavesTheCellsOutsideItBlank) {
    // February 2027: the same positions; one dish on the 1st (a Monday) and the 28th (a
    // Sunday, alone on the last row).
    position("00009", DataHora(QDate(2027, 2, 1)), 1, "X1", 1);
    place(addDay("00009", QDate(2027, 2, 1)), 1, "PX01");
    place(addDay("00009", QDate(2027, 2, 28)), 1, "PX02");
    TfrmEmissaoCardapio f(TTipoEmissao::Mes, {QStringLiteral("0001")});
    choose(f, "00009", QDate(2027, 2, 14));
    f.PrepareData();
    const TTextoPdf pdf = saved(f, "fev2027.pdf");
    ASSERT_EQ(pdf.Paginas(), 1);
    const TPaginaCalendario p = leCalendario(pdf, 0);
    EXPECT_EQ(p.Topo.value(3), "Fevereiro de 2027");
    const QStringList lines = pdf.Linhas(0);
    EXPECT_TRUE(lines.contains("1 | 2 | 3 | 4 | 5 | 6")) << "no number under Sunday";
    EXPECT_TRUE(lines.contains("28")) << "the last row holds the 28th alone";
    // The 1st sits under Monday and the 28th under Sunday.
    double monday = 0;
    double sunday = 0;
    for (const TTrechoPdf& r : pdf.Trechos(0)) {
        if (r.Texto == "Segunda-feira") {
            monday = r.X;
        }
        if (r.Texto == "Domingo") {
            sunday = r.X;
        }
    }
    for (const TTrechoPdf& r : pdf.Trechos(0)) {
        if (r.Texto == "1") {
            EXPECT_DOUBLE_EQ(r.X, monday);
        }
        if (r.Texto == "28") {
            EXPECT_DOUBLE_EQ(r.X, sunday);
        }
    }
    EXPECT_EQ(p.Celulas.value("1"), "ARROZ: Branco");
    EXPECT_EQ(p.Celulas.value("28"), "ARROZ: Integral");
    EXPECT_EQ(p.Celulas.size(), 28);
    EXPECT_EQ(semHora(p.Rodape), "PLA02700 - Emitido em") << "no optional position";
}

TEST_F(PrintedMenus, TheWeekIsOneRowFromSundayAcrossTwoMonthsToo) {
    TfrmEmissaoCardapio f(TTipoEmissao::Semana, {QStringLiteral("0001")});
    choose(f, "00009", d26(18, 2));
    f.PrepareData();
    TTextoPdf pdf = saved(f, "semana.pdf");
    ASSERT_EQ(pdf.Paginas(), 1);
    TPaginaCalendario p = leCalendario(pdf, 0);
    EXPECT_EQ(p.Topo,
              (QStringList{"Cardápio da Semana | Página 1 de 1",
                           "Filial 0001 - Metalúrgica Paulista - Restaurante",
                           "Serviço 00009 - Almoço Teste", "Semana de 15/02/2026 a 21/02/2026"}));
    EXPECT_EQ(p.Dias, (QStringList{"15/02", "16/02", "17/02", "18/02", "19/02", "20/02", "21/02"}));
    EXPECT_EQ(p.Celulas.value("16/02"), "Feriado Folia Dia de festa CARNE: Frango ARROZ: Branco");
    EXPECT_EQ(p.Celulas.value("17/02"), "Feriado Carnaval Sem cardápio");
    EXPECT_EQ(p.Celulas.value("21/02"), "Sem cardápio");
    EXPECT_EQ(semHora(p.Rodape), "PLA02600 - Emitido em");

    // The week of the 1st of April: March's positions, then April's from the service's
    // standing ones (the juice printed there).
    choose(f, "00009", QDate(2026, 4, 1));
    pdf = saved(f, "semana-abril.pdf");
    p = leCalendario(pdf, 0);
    EXPECT_EQ(p.Topo.value(3), "Semana de 29/03/2026 a 04/04/2026");
    EXPECT_EQ(p.Dias, (QStringList{"29/03", "30/03", "31/03", "01/04", "02/04", "03/04", "04/04"}));
    EXPECT_EQ(p.Celulas.value("31/03"), "ARROZ: Integral CARNE: Frango");
    EXPECT_EQ(p.Celulas.value("01/04"), "ARROZ: Branco SUCO: Laranja");
}

TEST_F(PrintedMenus, AMonthTooLongForAPageBreaksBetweenWeeksWithTheHeadOnEachPage) {
    TfrmEmissaoCardapio f(TTipoEmissao::Mes, {QStringLiteral("0001")});
    choose(f, "00008", d26(1, 3));
    f.PrepareData();
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 310);
    const TTextoPdf pdf = saved(f, "longo.pdf");
    ASSERT_GE(pdf.Paginas(), 2);
    EXPECT_EQ(pdf.Paginas(), f.PageCount());
    QStringList days;
    for (int page = 0; page < pdf.Paginas(); ++page) {
        SCOPED_TRACE(page);
        const TPaginaCalendario p = leCalendario(pdf, page);
        EXPECT_EQ(p.Topo.value(0),
                  QString("Cardápio do Mês | Página %1 de %2").arg(page + 1).arg(pdf.Paginas()));
        EXPECT_EQ(p.Topo.value(3), "Março de 2026");
        EXPECT_TRUE(p.Semana.startsWith("Domingo | Segunda-feira"));
        // Whole weeks only: a page starts on a Sunday's row.
        ASSERT_FALSE(p.Dias.isEmpty());
        EXPECT_EQ((p.Dias.first().toInt() - 1) % 7, 0) << p.Dias.first().toStdString();
        days << p.Dias;
        for (auto it = p.Celulas.cbegin(); it != p.Celulas.cend(); ++it) {
            for (int n = 0; n < 10; ++n) {
                EXPECT_TRUE(it.value().contains(
                    QString("Preparação de nome comprido %1").arg(QChar(u'A' + n))))
                    << it.key().toStdString() << ": " << it.value().toStdString();
            }
        }
    }
    QStringList all;
    for (int d = 1; d <= 31; ++d) {
        all << QString::number(d);
    }
    EXPECT_EQ(days, all) << "every day once, in order";
}

TEST_F(PrintedMenus, ADayLongerThanAPageGoesOnOverTheNextWithNothingLeftOut) {
    const QStringList dishes = manyDishes(d26(10, 2), 90);
    TfrmEmissaoCardapio f(TTipoEmissao::Dia, {QStringLiteral("0001")});
    choose(f, "00009", d26(10, 2));
    const TTextoPdf pdf = saved(f, "dia-longo.pdf");
    ASSERT_GE(pdf.Paginas(), 2);
    EXPECT_EQ(pdf.Paginas(), f.PageCount());
    EXPECT_EQ(printedOnce(pdf, dishes), dishes) << "every dish once, in order";
    for (int page = 0; page < pdf.Paginas(); ++page) {
        SCOPED_TRACE(page);
        const QStringList lines = pdf.Linhas(page);
        EXPECT_EQ(lines.value(0),
                  QString("Cardápio do Dia | Página %1 de %2").arg(page + 1).arg(pdf.Paginas()));
        EXPECT_EQ(lines.value(3), "Terça-feira, 10/02/2026");
        EXPECT_TRUE(semHora(lines.last()).endsWith("PLA00400 - Emitido em"));
        // The dish type beside its dishes on every page, said to go on after the first.
        EXPECT_TRUE(lines.value(4).startsWith(page == 0 ? "ARROZ | Prato" : "ARROZ (continuação)"))
            << lines.value(4).toStdString();
        expectInsideThePage(pdf, page);
    }
}

TEST_F(PrintedMenus, AWeekTallerThanAPageGoesOnOverTheNextWithNothingLeftOut) {
    const QStringList dishes = manyDishes(d26(10, 2), 400);
    TfrmEmissaoCardapio f(TTipoEmissao::Semana, {QStringLiteral("0001")});
    choose(f, "00009", d26(10, 2));
    const TTextoPdf pdf = saved(f, "semana-longa.pdf");
    ASSERT_GE(pdf.Paginas(), 2);
    EXPECT_EQ(pdf.Paginas(), f.PageCount());
    EXPECT_EQ(printedOnce(pdf, dishes), dishes) << "every dish once, in order";
    for (int page = 0; page < pdf.Paginas(); ++page) {
        SCOPED_TRACE(page);
        const TPaginaCalendario p = leCalendario(pdf, page);
        EXPECT_EQ(p.Topo.value(3), "Semana de 08/02/2026 a 14/02/2026");
        // The week's days on every page, the weekdays above them.
        EXPECT_EQ(p.Dias,
                  (QStringList{"08/02", "09/02", "10/02", "11/02", "12/02", "13/02", "14/02"}));
        EXPECT_TRUE(p.Celulas.value("10/02").contains("Prato"));
        expectInsideThePage(pdf, page);
    }
    EXPECT_EQ(leCalendario(pdf, 0).Celulas.value("09/02"), "Sem cardápio");
    EXPECT_EQ(leCalendario(pdf, 1).Celulas.value("09/02"), "") << "said once";
}

TEST_F(PrintedMenus, PreviewPrintAndSaveGoThroughTheirDialogs) {
    TfrmEmissaoCardapio f(TTipoEmissao::Semana, {QStringLiteral("0001")});
    choose(f, "00009", d26(2, 2));
    f.show();
    QStringList runs;
    const QString file = dir_.filePath("botao.pdf");
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            runs << d.metaObject()->className();
            if (auto* save = qobject_cast<QFileDialog*>(&d)) {
                save->selectFile(file);
                return int(QDialog::Accepted);
            }
            return int(QDialog::Rejected);
        });
        f.sbtVisualizar->click();
        f.sbtImprimir->click();
        f.sbtSalvar->click();
    }
    EXPECT_EQ(runs, (QStringList{"QPrintPreviewDialog", "QPrintDialog", "QFileDialog"}));
    const TTextoPdf pdf = TTextoPdf::Le(file);
    EXPECT_EQ(pdf.Paginas(), 1);
    EXPECT_EQ(leCalendario(pdf, 0).Celulas.value("02/02"),
              "CARNE: Frango ARROZ: Branco DOCE*: Pudim");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    f.close();
}

TEST_F(PrintedMenus, ANewChoiceReadsThePeriodAgainAndAFailureLeavesNothingToPrint) {
    TfrmEmissaoCardapio f(TTipoEmissao::Mes, {QStringLiteral("0001")});
    choose(f, "00009", d26(1, 2));
    f.show();
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 33);
    host_.ClearCalls();
    f.depData->SetDate(d26(1, 3));
    EXPECT_EQ(host_.Calls(), QStringList{"Pla00400.rdmEmissaoCard.GetCardapioImpresso"})
        << "one call for the whole month";
    EXPECT_EQ(f.lblPeriodo->text(), "Março de 2026");
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 32) << "30 days without a menu, two dishes on the 31st";
    EXPECT_EQ(f.Cardapio().DiasComCardapio(), 1);

    // The server refuses: the planner is told, and nothing of the last month is printed.
    host_.AnswerNext("GetCardapioImpresso", QStringLiteral("Operador sem acesso aos cardápios "
                                                           "da filial 0001."));
    f.cbbServico->setCurrentIndex(f.cbbServico->findData("00008"));
    EXPECT_EQ(presenter_.LastText(), "Operador sem acesso aos cardápios da filial 0001.");
    EXPECT_FALSE(f.Prepared());
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 0);
    // The next print reads it again.
    EXPECT_GE(f.PageCount(), 2);
    EXPECT_TRUE(f.Prepared());
    EXPECT_EQ(f.dtsPadrao->RecordCount(), 310);

    // Without a month there is nothing to read.
    presenter_.Clear();
    host_.ClearCalls();
    f.depData->Clear();
    EXPECT_EQ(presenter_.LastText(), "Informe o mês.");
    EXPECT_TRUE(host_.Calls().isEmpty());
    EXPECT_FALSE(f.Prepared());
    EXPECT_EQ(f.lblPeriodo->text(), "");
    f.close();
}

// --- the monthly screen's print command -----------------------------------------------------

class PrintCommand : public test::TEditingTest {
protected:
    PrintCommand() {
        // Every printout but the week's.
        server_.Db().Exec("DELETE FROM ACESSOTELA WHERE CDOPERADOR = 'NUTRI1' AND DSACESSO IN "
                          "('PLA;PLA00400', 'PLA;PLA02600', 'PLA;PLA02700')");
        server_.Db().Exec("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES ('NUTRI1', "
                          "'PLA;PLA00400'), ('NUTRI1', 'PLA;PLA02700')");
    }
    static QStringList states(TfrmCardMens* s) {
        QStringList out;
        for (const char* name :
             {"EmissodoCardpiodoDia1", "EmissodoCardpiodaSemana1", "EmissodoCardpiodoMs1",
              "mnuEmisDia", "mnuEmisSem", "mnuEmisMes"}) {
            out << QString("%1=%2").arg(name).arg(Action(s, name)->isEnabled() ? "on" : "off");
        }
        return out;
    }
};

TEST_F(PrintCommand, TheWeeksPrintoutIsOffInThePopupAndTheMenuForAnOperatorWithoutIt) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    auto* popup = Child<QMenu>(s, "pmnEmissaoRelCard");
    QStringList items;
    for (QAction* a : popup->actions()) {
        items << a->objectName() + "=" + a->text();
    }
    EXPECT_EQ(items, (QStringList{"EmissodoCardpiodoDia1=Emissão do Cardápio do Dia",
                                  "EmissodoCardpiodaSemana1=Emissão do Cardápio da Semana",
                                  "EmissodoCardpiodoMs1=Emissão do Cardápio do Mês"}));
    QAction* listagem = Action(s, "mnuListagem");
    ASSERT_NE(listagem->menu(), nullptr);
    items.clear();
    for (QAction* a : listagem->menu()->actions()) {
        items << a->objectName() + "=" + a->text();
    }
    EXPECT_EQ(items, (QStringList{"mnuEmisDia=Emissão do Cardápio do Dia",
                                  "mnuEmisSem=Emissão do Cardápio da Semana",
                                  "mnuEmisMes=Emissão do Cardápio do Mês"}));
    EXPECT_FALSE(Action(s, "mnuConfigImpressora")->isEnabled());
    EXPECT_TRUE(Button(s, "sbtImprimir")->isEnabled());
    EXPECT_TRUE(listagem->isEnabled());

    host_.ClearCalls();
    QToolButton* print = Button(s, "sbtImprimir");
    // The window placed so that the button is near the screen's left edge, with room for
    // the menu at its right.
    QWidget* window = print->window();
    window->move(window->pos() - print->mapToGlobal(QPoint(0, 0)) + QPoint(20, 20));
    const QPoint under = print->mapToGlobal(QPoint(0, print->height()));
    ASSERT_EQ(under.x(), 20);
    print->click();
    EXPECT_EQ(host_.Calls().count("Est.rdmAutoriza.ExisteAcesso"), 3) << "one for each item";
    EXPECT_EQ(states(s), (QStringList{"EmissodoCardpiodoDia1=on", "EmissodoCardpiodaSemana1=off",
                                      "EmissodoCardpiodoMs1=on", "mnuEmisDia=on", "mnuEmisSem=off",
                                      "mnuEmisMes=on"}));
    EXPECT_TRUE(popup->isVisible());
    // Just under the button, at its left edge.
    ASSERT_LT(under.x() + popup->width(), popup->screen()->availableGeometry().right());
    EXPECT_EQ(popup->pos(), under);
    popup->close();
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();

    // The access granted: the next click, or opening the main menu's list, says so.
    server_.Db().Exec("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES ('NUTRI1', "
                      "'PLA;PLA02600')");
    server_.Db().Exec("DELETE FROM ACESSOTELA WHERE CDOPERADOR = 'NUTRI1' AND DSACESSO = "
                      "'PLA;PLA00400'");
    listagem->menu()->popup(QPoint(0, 0));
    EXPECT_EQ(states(s), (QStringList{"EmissodoCardpiodoDia1=off", "EmissodoCardpiodaSemana1=on",
                                      "EmissodoCardpiodoMs1=on", "mnuEmisDia=off", "mnuEmisSem=on",
                                      "mnuEmisMes=on"}));
    listagem->menu()->close();
}

TEST_F(PrintCommand, AnItemOpensItsPrintoutWithTheBranchAloneAndEndsTheColourAnalysis) {
    QList<std::pair<QString, QVariantList>> opened;
    for (const char* code : {"PLA00400", "PLA02600", "PLA02700"}) {
        host::Host().RegisterScreen(code, [&opened, code](const QVariantList& p) {
            opened.append({QString::fromLatin1(code), p});
        });
    }
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    Button(s, "sbtAnaliCor")->click();
    ASSERT_TRUE(s->Cardapio().AnaliseCores().Ativa());
    Button(s, "sbtImprimir")->click();
    EXPECT_FALSE(s->Cardapio().AnaliseCores().Ativa()) << "the print command ends it first";
    Child<QMenu>(s, "pmnEmissaoRelCard")->close();

    Action(s, "EmissodoCardpiodoDia1")->trigger();
    Action(s, "EmissodoCardpiodaSemana1")->trigger(); // off: nothing opens
    Action(s, "EmissodoCardpiodoMs1")->trigger();
    Action(s, "mnuEmisDia")->trigger();
    Action(s, "mnuEmisMes")->trigger();
    const QVariantList branch{QStringLiteral("0001")};
    EXPECT_EQ(opened, (QList<std::pair<QString, QVariantList>>{{"PLA00400", branch},
                                                               {"PLA02700", branch},
                                                               {"PLA00400", branch},
                                                               {"PLA02700", branch}}));
    for (const char* code : {"PLA00400", "PLA02600", "PLA02700"}) {
        host::Host().UnregisterScreen(code);
    }
}

} // namespace
