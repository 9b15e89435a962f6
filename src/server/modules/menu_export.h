#pragma once

#include "day_import.h"
#include "server/remote_data_module.h"

#include <QDate>
#include <QMap>
#include <QSet>
#include <QStringList>

namespace pla::server {

// The export of a period's menu to other services of the branch: what both its methods
// ("GetServicosExport", "ExportarCardapio") read of the origin and how they judge a
// destination. The rules are in docs/DOMAIN.md, "Exporting a menu to other services".

struct TExportPeriod {
    QString Filial;
    QDate Inicio;
    QDate Fim;
    bool PorFilial = false;
};

// The origin's days of the period that hold dishes, read once for every destination.
struct TExportOrigin {
    QString Servico;
    QString Tipo; // IDTIPOSERV
    QMap<QDate, TSourceDay> Days;
    QSet<QString> Types;        // the dish types of its dishes
    QSet<QString> Unrevised;    // dishes ("branch/code") without a revised recipe
    QSet<QString> Inactive;     // dishes with an inactive product in the recipe
    QSet<QDate> NonWorkingDays; // its days that fall on holidays where only working days plan

    static TExportOrigin Read(TDatabase& db, const TExportPeriod& period, const QString& servico);
    static QString Key(const TSourceDish& dish) {
        return dish.Branch + QLatin1Char('/') + dish.Code;
    }
};

// A destination's situation (rpc::situacao_exportacao) and the keys of its messages,
// the deciding ones first.
struct TExportSituation {
    char Situation = 'O';
    QStringList Keys;
    int Deciding = 0;        // the first keys, those that decide the situation
    QString KeyList() const; // each key followed by ";"
};

class TExportJudge {
public:
    TExportJudge(TCallContext& ctx, const TExportPeriod& period, const TExportOrigin& origin);
    TExportSituation Of(const QString& servico, const QString& tipoServ) const;

private:
    TDatabase& db_;
    const TExportPeriod& period_;
    const TExportOrigin& origin_;
    QString operador_;
    bool readOnly_ = false;
    bool beforeLimit_ = false;
};

// ExportarCardapio (menu_export_write.cpp).
QVariant ExportarCardapioMethod(TCallContext& ctx, TMethodArgs& args);

} // namespace pla::server
