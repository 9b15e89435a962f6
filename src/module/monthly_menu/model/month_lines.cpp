// The dish lines of the open month: read with the month, rebuilt from the editing
// tables after every change, and what they say about a cell and a day.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/host_messages.h"
#include "module/monthly_menu/grid/day_colours.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

void TCardapioMensal::RetornaCompcard(const QVariant& packet, bool cache) {
    TDataPacket p = rpc::PacoteServ(packet);
    const int day = p.FieldIndex(QStringLiteral("DTCARDAPIO"));
    const int seq = p.FieldIndex(QStringLiteral("NRSEQPRATCAR"));
    const int ord = p.FieldIndex(QStringLiteral("NRORDPRATCAR"));
    std::stable_sort(p.Rows.begin(), p.Rows.end(), [&](const TPacketRow& a, const TPacketRow& b) {
        const auto ka =
            std::tuple(a.Values[day].toDateTime(), a.Values[seq].toInt(), a.Values[ord].toInt());
        const auto kb =
            std::tuple(b.Values[day].toDateTime(), b.Values[seq].toInt(), b.Values[ord].toInt());
        return ka < kb;
    });
    if (cache) {
        // Loaded rows are the saved state, not changes to send.
        cdsCompCardCache->SetData(p);
        cdsCompCardCache->MergeChangeLog();
        return;
    }
    TDataPacket target;
    target.Fields = {{"DTCARDAPIO", TFieldType::DateTime, 0, false},
                     {"NMTIPOPRAT", TFieldType::String, 38, false},
                     {"NRCARDAPIO", TFieldType::String, 10, false},
                     {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                     {"NRORDPRATCAR", TFieldType::Integer, 0, false},
                     {"CDTIPOPRAT", TFieldType::String, 2, false},
                     {"CDFILAUXPRAT", TFieldType::String, 4, false},
                     {"CDPRATO", TFieldType::String, 10, false},
                     {"NMPRATO", TFieldType::String, 41, false},
                     {"PERCENTUAL", TFieldType::Float, 0, false},
                     {"COMENS", TFieldType::Float, 0, false},
                     {"IDPRATOESPE", TFieldType::String, 1, false}};
    for (const TPacketRow& r : p.Rows) {
        TPacketRow t;
        for (const TFieldDef& f : target.Fields) {
            const QString from =
                f.Name == QLatin1String("PERCENTUAL") ? QStringLiteral("VRPECONSCARD") : f.Name;
            const int i = p.FieldIndex(from);
            t.Values.append(i >= 0 ? r.Values[i] : QVariant());
        }
        target.Rows.append(t);
    }
    cdsCompCardStlPratos->SetData(target);
}

QStringList TCardapioMensal::GetStlPratosCli() {
    QStringList lines;
    for (cdsCompCardStlPratos->First(); !cdsCompCardStlPratos->Eof();
         cdsCompCardStlPratos->Next()) {
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCompCardStlPratos->FieldByName(QString::fromLatin1(name));
        };
        TDishLine l;
        l.Day = DayKey(f("DTCARDAPIO").AsDateTime().date());
        l.Type = f("NMTIPOPRAT").AsString();
        l.Code = f("CDPRATO").AsString();
        l.Name = f("NMPRATO").AsString();
        l.Quantity = TipoMontagem == 0 ? QuantityText(f("COMENS").AsFloat(), 0)
                                       : QuantityText(f("PERCENTUAL").AsFloat(), 1);
        l.Branch = f("CDFILAUXPRAT").AsString();
        lines << l.Text();
    }
    const QString total = msgPadrao.Msg(QStringLiteral("TotComens"));
    for (cdsCardadiaStlPratos->First(); !cdsCardadiaStlPratos->Eof();
         cdsCardadiaStlPratos->Next()) {
        TDishLine l;
        l.Day = DayKey(
            cdsCardadiaStlPratos->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date());
        l.Type = total;
        l.Quantity = QuantityText(
            cdsCardadiaStlPratos->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat(), 0);
        lines << l.Text();
    }
    return lines;
}

void TCardapioMensal::MontaStlPratos(bool local) {
    THourglass busy;
    StlPratos.Clear();
    QString lines;
    QString desc;
    IPlanejamento* planning = Planejamento();
    if (!local) {
        const QVariantList r =
            rpc::CheckResultServ(
                Chama(*planning, rpc::metodos::GetStlPratos(),
                      {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
                       qlonglong(TipoMontagem), msgPadrao.Msg(QStringLiteral("TotComens"))}))
                .toList();
        lines = r.value(0).toString();
        desc = r.value(1).toString();
    } else {
        try {
            lines = GetStlPratosCli().join(QLatin1Char('\n'));
            // The answer is the text itself (empty when no day has one).
            desc = Chama(*planning, rpc::metodos::GetStlDesc(),
                         {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date()))})
                       .toString();
        } catch (const EPlaError& e) {
            lines = QStringLiteral("&") + e.message();
        }
    }
    QString error;
    StlPratos.SetText(lines, &error);
    StlDesc = desc.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!StlDesc.isEmpty() && StlDesc.last().startsWith(QLatin1Char('&'))) {
        error = StlDesc.takeLast().mid(1);
    }
    if (!error.isEmpty()) {
        MensErro(error, true);
    }
}

// The dish lines again from the editing tables: every dish of the cache with its
// quantity by the montage and rounding, and every day's total. Rebuilt whole, so that
// dishes sharing a cell keep each its line.
void TCardapioMensal::AtualizaStlPratos(bool refazer) {
    Q_UNUSED(refazer);
    TFilterSuspended diasTodos(*cdsCardaDia);
    TFilterSuspended pratosTodos(*cdsCompCardCache);
    TBookmarkRestore dia(*cdsCardaDia);
    TBookmarkRestore prato(*cdsCompCardCache);
    StlPratos.Clear();
    QHash<QString, double> diners; // NRCARDAPIO -> the day's estimated diners
    const QString total = msgPadrao.Msg(QStringLiteral("TotComens"));
    for (cdsCardaDia->First(); !cdsCardaDia->Eof(); cdsCardaDia->Next()) {
        const double d = cdsCardaDia->FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat();
        diners.insert(cdsCardaDia->FieldByName(QStringLiteral("NRCARDAPIO")).AsString(), d);
        StlPratos.Add(TDishLine{
            DayKey(cdsCardaDia->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date()),
            total, QString(), QString(), QuantityText(d, 0), QString()});
    }
    for (cdsCompCardCache->First(); !cdsCompCardCache->Eof(); cdsCompCardCache->Next()) {
        const auto f = [this](const char* name) -> TMemField& {
            return cdsCompCardCache->FieldByName(QString::fromLatin1(name));
        };
        const double share = f("VRPECONSCARD").AsFloat();
        const double people = share / 100.0 * diners.value(f("NRCARDAPIO").AsString());
        double qty = share;
        if (TipoMontagem == 0) {
            qty = RoundDec(people, Arredondar ? 0 : 3);
        }
        StlPratos.Add(
            TDishLine{DayKey(f("DTCARDAPIO").AsDateTime().date()), f("NMTIPOPRAT").AsString(),
                      f("CDPRATO").AsString(), f("NMPRATO").AsString(),
                      QuantityText(qty, TipoMontagem == 0 ? 0 : 1), f("CDFILAUXPRAT").AsString()});
    }
    emit gradeAlterada();
}

// Blocked is a date rule: the colour of a blocked day only paints it.
bool TCardapioMensal::CardBlock(const QString& dia) const {
    bool ok = false;
    const int d = dia.left(2).toInt(&ok);
    const QDate month = DtMesCard.date();
    if (!ok || !month.isValid() || d < 1 || d > month.daysInMonth()) {
        return false;
    }
    return pla::module::CardBlock(QDate(month.year(), month.month(), d), DtBaseBloqueio,
                                  QtDiaBloqCar);
}

bool TCardapioMensal::CheckOpcao(const QString& ordem) const {
    return pla::module::CheckOpcao(StlOpcao, ordem);
}

QString TCardapioMensal::CellKey(const TPivotCell& cell) const {
    return DayKey(cell.Day) + cell.Type;
}

} // namespace pla::module
