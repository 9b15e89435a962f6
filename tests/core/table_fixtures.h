#pragma once

#include "core/dates.h"
#include "core/mem_table.h"

#include <memory>

namespace pla::test {

// A day table shaped like the month's days of a menu.
inline std::unique_ptr<TMemTable> makeDayTable(const QString& name = "cdsCardaDia") {
    auto t = std::make_unique<TMemTable>(name);
    t->AddField("CDFILIAL", TFieldType::FixedString, 4, true);
    t->AddField("CDSERVFILI", TFieldType::FixedString, 5, true);
    t->AddField("DTCARDAPIO", TFieldType::DateTime, 0, true).SetDisplayFormat("dd");
    t->AddField("NRCARDAPIO", TFieldType::FixedString, 10);
    t->AddField("QTCOMESTICAR", TFieldType::Float).SetDisplayFormat("#,##0");
    t->AddField("DSCARDAPIO", TFieldType::String, 30);
    return t;
}

inline void addDay(TMemTable& t, const QString& filial, const QString& serv, int day,
                   const QString& nr, double diners, const QString& desc = QString()) {
    t.Append();
    t.FieldByName("CDFILIAL").SetAsString(filial);
    t.FieldByName("CDSERVFILI").SetAsString(serv);
    t.FieldByName("DTCARDAPIO").SetAsDateTime(DataHora(QDate(2026, 12, day)));
    t.FieldByName("NRCARDAPIO").SetAsString(nr);
    t.FieldByName("QTCOMESTICAR").SetAsFloat(diners);
    if (!desc.isNull()) {
        t.FieldByName("DSCARDAPIO").SetAsString(desc);
    }
    t.Post();
}

// Five saved days of branch 0001, service 00001 (1, 2, 3, 4, 5 December), with
// diners 100, 200, 100, 300, 200.
inline std::unique_ptr<TMemTable> savedDays() {
    auto t = makeDayTable();
    t->CreateDataSet();
    const double diners[] = {100, 200, 100, 300, 200};
    for (int d = 1; d <= 5; ++d) {
        addDay(*t, "0001", "00001", d, QString::number(1000 + d), diners[d - 1],
               QStringLiteral("dia %1").arg(d));
    }
    t->MergeChangeLog();
    t->First();
    return t;
}

inline QStringList column(TMemTable& t, const QString& field) {
    QStringList out;
    const TBookmark mark = t.Bookmark();
    for (t.First(); !t.Eof(); t.Next()) {
        out.append(t.FieldByName(field).AsString().trimmed());
    }
    if (t.BookmarkValid(mark)) {
        t.GotoBookmark(mark);
    }
    return out;
}

} // namespace pla::test
