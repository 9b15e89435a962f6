#pragma once

#include "core/field_type.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pla::host {

// A column of a report: the field shown, its heading, its share of the line's width
// (in characters), and how its value is written (a date-time mask for dates, a
// number mask for numbers).
struct TReportColumn {
    QString Field;
    QString Title;
    int Width = 10;
    QString Format;
    Qt::Alignment Align = Qt::AlignLeft;
};

// A field of the first row printed in the report's head ("Filial: 0004").
struct TReportHeadField {
    QString Label;
    QString Field;
    QString Format;
};

// A report definition, found by report code as "<code>.json" in the report folders:
// its title, its query (one text per dialect, parameters ":P_NAME"), the fields the
// query gives with their types, the head fields and the columns. Without a query the
// screen supplies the rows of the declared fields (TfrmDadosGerRel::FillRows).
struct TReportDefinition {
    QString Code;
    QString Title;
    QString Sql;
    QString SqlPostgres;
    QList<TFieldDef> Fields;
    QList<TReportHeadField> Head;
    QList<TReportColumn> Columns;
    QString FileName;

    bool HasQuery() const { return !Sql.isEmpty(); }
    // The parameters its query names, without the colon, in order of appearance.
    QStringList ParamNames() const;

    // Reads the definition of a report; EPlaError naming the file when it is
    // malformed. Absent: an empty optional, and `searched` names the folders.
    static std::optional<TReportDefinition> Find(const QString& code, const QStringList& folders,
                                                 QString& searched);
    static TReportDefinition Parse(const QByteArray& json, const QString& fileName);
};

} // namespace pla::host
