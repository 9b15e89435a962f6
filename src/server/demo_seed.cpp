#include "demo_seed.h"

#include "admin.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "demo_contract_rules.h"
#include "demo_oddities.h"
#include "modules/change_record.h"
#include "modules/costs.h"
#include "password_hash.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <tuple>

// pla_server is a static library: naming the catalogues' registration here makes
// every program that seeds link it. Outside any namespace, as the macro requires.
static void initDemoCatalogues() {
    Q_INIT_RESOURCE(demo_catalogues);
}

namespace pla::server {

namespace {

// Who and what the seeded rows name besides the catalogues.
const QString Planner = QStringLiteral("NUTRI1"); // the days' author
const QString GroupOperator = QString::fromLatin1(demo::GroupOperator);
const QString CentralOperator = QStringLiteral("CENTRAL"); // the central kitchen's
const QString SchoolGroup = QStringLiteral("0001");        // the parameterised group
const int CentralKitchen = 2;  // branch number: records the dishes, the hospital follows it
const int PlannedCostType = 6; // PARAMPLANEJA.CDTIPOCUSTOPLA of every branch
// A month's standard per capita against what its menu costs: a contract a little above
// the plan.
const double StandardOverPlan = 1.03;
const quint32 RandomSeed = 20261206;

const char* const Days[] = {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB", "FER"};

QDate easter(int year) {
    // Anonymous Gregorian algorithm.
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = ((h + l - 7 * m + 114) % 31) + 1;
    return QDate(year, month, day);
}

QString password() {
    // Readable and strong enough for a demonstration: 12 characters.
    static const char alphabet[] = "abcdefghjkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString out;
    for (int i = 0; i < 12; ++i) {
        out.append(
            QLatin1Char(alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet) - 1)]));
    }
    return out;
}

QString monthDay(const QDate& d) {
    return Ajusta(QString::number(d.day()), 2);
}

// A branch's code: the copy (of `scale`) in the tens, the branch's number within it.
QString branchCode(int copy, int number) {
    return Ajusta(QString::number(copy * 10 + number), 4);
}

// The client a school (delivery point) of the transported service stands for.
QString schoolClient(int i) {
    return QStringLiteral("SEDU-SOR-%1").arg(i + 1, 3, 10, QLatin1Char('0'));
}

// The catalogues (demo/*.json, compiled in as resources). Their order is kept:
// codes and ids are given in it.

struct TCostType {
    int Number;
    QString Name;
    double Factor; // of the product's base price
};

struct TServiceGroup {
    QString Code;
    QString Name;
    bool Parameterised;
};

struct TDiet {
    QString Code;
    QString Name;
    QString Form;
    int Weight;   // how often a patient is admitted on it
    QString Then; // the diet it usually moves on to, "" none
};

// Where the hospital's patients lie and what they are called.
struct TWards {
    QStringList Rooms;
    QStringList Beds; // of each room
    QStringList FirstNames;
    QStringList Surnames;
};

struct TDemoService {
    QString Code;
    QString Name;
    QString Group;
    bool Decentralised;
    bool Transported;
    double Weekday; // diners Monday to Friday
    double Saturday;
    double Sunday;
    double Holiday;
    double ClientShare; // share of diners who are the client's, the rest employees
    QList<QPair<QString, double>> Shifts;
    QStringList Positions;      // dish types of the standing configuration, in display order
    QStringList DeliveryPoints; // the schools a transported service feeds
};

struct TDemoBranch {
    int Number; // of the branch's template
    QString Code;
    QString Name;
    QChar MenuType;
    QString Central;
    double IndirectCost; // of a month, 0 none
    QList<TDemoService> Services;
};

struct TBranchTemplate {
    int Number;
    QString Name;
    QChar MenuType;
    int Central;         // number of the branch it follows, 0 none
    double IndirectCost; // of a month, 0 none
    QList<TDemoService> Services;
};

struct TOperatorEntry {
    QString Code;
    QString Name;
    QString Role;
    QChar Kind;
    QString Permissions;
    bool Supervisor;
    int Branch; // number of a branch of the first copy, 0 none
};

struct TDishType {
    QString Code;
    QString Name;
    QStringList Categories; // of the products its recipes draw from
    double PerCapita;
    QStringList Names;
};

struct TNutrient {
    QString Code;
    QString Name;
    QString Unit;
};

// A product of the catalogue that is no ingredient: what a diner consumes besides the
// dishes (disposables, cleaning, gas), with its own unit and price.
struct TConsumable {
    QString Unit;
    double Price = 0;
    double PerDiner = 0;          // in every service's list when above 0
    bool TransportedOnly = false; // packaging: only for the services that carry meals
    bool Active = true;
};

struct TProductCategory {
    QString Code;
    QString Unit;
    double Price;                  // average cost per unit, reais
    QList<double> NutrientsPer100; // in the order of the nutrients
    QStringList Names;
    QList<TConsumable> Consumables; // one per name in a category of consumables, else none
};

struct TCatalogues {
    QList<TCostType> CostTypes;
    QList<TServiceGroup> ServiceGroups;
    QList<TDiet> Diets;
    TWards Wards;
    QList<TBranchTemplate> Branches;
    QList<TOperatorEntry> Operators;
    QStringList Screens;
    QList<TDishType> DishTypes;
    QList<TNutrient> Nutrients;
    QList<TProductCategory> ProductCategories;
};

QJsonObject catalogue(const QString& name) {
    QFile file(QStringLiteral(":/demo/") + name);
    const QJsonDocument doc =
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()) : QJsonDocument();
    if (!doc.isObject()) {
        throw EPlaError(QStringLiteral("Catálogo da demonstração ilegível: %1.").arg(name));
    }
    return doc.object();
}

QStringList strings(const QJsonValue& value) {
    QStringList out;
    for (const QJsonValue& v : value.toArray()) {
        out.append(v.toString());
    }
    return out;
}

QList<TBranchTemplate> branchTemplates(const QJsonObject& json) {
    const QJsonObject positions = json["positions"].toObject();
    QList<TBranchTemplate> out;
    for (const QJsonValue& b : json["branches"].toArray()) {
        QList<TDemoService> services;
        for (const QJsonValue& s : b["services"].toArray()) {
            const QJsonValue diners = s["diners"];
            QList<QPair<QString, double>> shifts;
            for (const QJsonValue& t : s["shifts"].toArray()) {
                shifts.append({t["name"].toString(), t["share"].toDouble()});
            }
            services.append({s["code"].toString(), s["name"].toString(), s["group"].toString(),
                             s["decentralised"].toBool(), s["transported"].toBool(),
                             diners["weekday"].toDouble(), diners["saturday"].toDouble(),
                             diners["sunday"].toDouble(), diners["holiday"].toDouble(),
                             s["clientShare"].toDouble(), shifts,
                             strings(positions[s["positions"].toString()]),
                             strings(s["deliveryPoints"])});
        }
        out.append({b["number"].toInt(), b["name"].toString(), b["menuType"].toString().at(0),
                    b["central"].toInt(), b["indirectCost"].toDouble(), services});
    }
    return out;
}

TCatalogues loadCatalogues() {
    initDemoCatalogues();
    TCatalogues c;
    const QJsonObject reference = catalogue(QStringLiteral("reference.json"));
    for (const QJsonValue& t : reference["costTypes"].toArray()) {
        c.CostTypes.append({t["number"].toInt(), t["name"].toString(), t["factor"].toDouble()});
    }
    for (const QJsonValue& g : reference["serviceGroups"].toArray()) {
        c.ServiceGroups.append(
            {g["code"].toString(), g["name"].toString(), g["parameterised"].toBool()});
    }
    for (const QJsonValue& d : reference["diets"].toArray()) {
        c.Diets.append({d["code"].toString(), d["name"].toString(), d["form"].toString(),
                        d["weight"].toInt(), d["then"].toString()});
    }
    const QJsonValue patients = reference["patients"];
    c.Wards = {strings(patients["rooms"]), strings(patients["beds"]),
               strings(patients["firstNames"]), strings(patients["surnames"])};
    if (c.Wards.Rooms.isEmpty() || c.Wards.Beds.isEmpty() || c.Wards.FirstNames.isEmpty() ||
        c.Wards.Surnames.isEmpty()) {
        throw EPlaError(QStringLiteral("Catálogo da demonstração sem leitos ou nomes de "
                                       "pacientes."));
    }
    c.Branches = branchTemplates(catalogue(QStringLiteral("branches.json")));
    const QJsonObject operators = catalogue(QStringLiteral("operators.json"));
    for (const QJsonValue& o : operators["operators"].toArray()) {
        c.Operators.append({o["code"].toString(), o["name"].toString(), o["role"].toString(),
                            o["kind"].toString().at(0), o["permissions"].toString(),
                            o["supervisor"].toBool(), o["branch"].toInt()});
    }
    c.Screens = strings(operators["screens"]);
    const QJsonObject dishes = catalogue(QStringLiteral("dishes.json"));
    for (const QJsonValue& t : dishes["types"].toArray()) {
        const QJsonValue recipe = t["recipe"];
        c.DishTypes.append({t["code"].toString(), t["name"].toString(),
                            strings(recipe["categories"]), recipe["perCapita"].toDouble(),
                            strings(t["dishes"])});
        if (c.DishTypes.last().Categories.isEmpty()) {
            throw EPlaError(QStringLiteral("Tipo de prato %1 sem regra de receita no catálogo.")
                                .arg(c.DishTypes.last().Code));
        }
    }
    const QJsonObject products = catalogue(QStringLiteral("products.json"));
    for (const QJsonValue& n : products["nutrients"].toArray()) {
        c.Nutrients.append({n["code"].toString(), n["name"].toString(), n["unit"].toString()});
    }
    for (const QJsonValue& p : products["categories"].toArray()) {
        QList<double> per100;
        for (const QJsonValue& v : p["nutrientsPer100"].toArray()) {
            per100.append(v.toDouble());
        }
        QStringList names;
        QList<TConsumable> consumables;
        for (const QJsonValue& v : p["products"].toArray()) {
            if (p["consumable"].toBool()) {
                names.append(v["name"].toString());
                consumables.append({v["unit"].toString(), v["price"].toDouble(),
                                    v["perDiner"].toDouble(), v["transportedOnly"].toBool()});
            } else {
                names.append(v.toString());
            }
        }
        if (!consumables.isEmpty() == !per100.isEmpty() ||
            (per100.size() != c.Nutrients.size() && !per100.isEmpty())) {
            throw EPlaError(QStringLiteral("Categoria de produtos %1: nutrientes ou consumo "
                                           "inválidos no catálogo.")
                                .arg(p["code"].toString()));
        }
        c.ProductCategories.append({p["code"].toString(), p["unit"].toString(),
                                    p["price"].toDouble(), per100, names, consumables});
    }
    return c;
}

// The per-capita figures of an industrial restaurant divide by its client's diners; a
// kitchen that serves no client's, and the others, divide by every diner.
bool perClient(const TDemoBranch& b) {
    return b.MenuType == QLatin1Char('N') &&
           std::all_of(b.Services.cbegin(), b.Services.cend(),
                       [](const TDemoService& s) { return s.ClientShare > 0; });
}

// Diners a service estimates on a day of the week (0 Sunday) or, as 7, on a holiday.
double estimate(const TDemoService& s, int day) {
    return day == 0 ? s.Sunday : day == 6 ? s.Saturday : day == 7 ? s.Holiday : s.Weekday;
}

// Clients, employees and donations that make up a number of diners, none negative
// (a service of clients only leaves the donations out of the clients), as the
// service's own estimates are split.
QVariantList dinerSplit(double diners, double clientShare) {
    const double donations = std::round(diners * 0.01);
    const double clients = std::min(std::round(diners * clientShare), diners - donations);
    return {clients, diners - clients - donations, donations};
}

// An INSERT of the columns, a placeholder each.
QString insertInto(const QString& table, const QStringList& columns) {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QStringLiteral(", ")),
             QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
}

struct TDish {
    QString Code;
    QString Type;
    QString Name;
    bool Revised;
};

struct TRecipeLine {
    QString Product;
    double PerCapita;
    double Correction;
};

// Fills the database stage by stage. The stages run in a fixed order: later ones
// read what earlier ones wrote, and the random draws (one generator, one seed) must
// come in the same sequence for the demonstration to stay the same.
class TDemoSeeder {
public:
    TDemoSeeder(TDatabase& db, const QDate& today, int scale, int passwordIterations)
        : db_(db)
        , today_(today)
        , passwordIterations_(passwordIterations)
        , firstMonth_(PriDiaMes(today).addMonths(-1))
        , months_(3 * scale)
        , processing_(today.addDays(-1))
        , catalogues_(loadCatalogues())
        , rng_(RandomSeed) {
        for (int copy = 0; copy < scale; ++copy) {
            const QString suffix = copy == 0 ? QString() : QStringLiteral(" %1").arg(copy + 1);
            for (const TBranchTemplate& t : catalogues_.Branches) {
                branches_.append({t.Number, branchCode(copy, t.Number), t.Name + suffix, t.MenuType,
                                  t.Central > 0 ? branchCode(copy, t.Central) : QString(),
                                  t.IndirectCost, t.Services});
            }
        }
        dishBranch_ = branchCode(0, CentralKitchen);
    }

    TDemoResult Run() {
        TTransaction tx(db_, true);
        if (db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL")).toInt() > 0) {
            throw EPlaError(QStringLiteral("O banco já tem filiais: a demonstração só entra num "
                                           "banco vazio."));
        }
        seedReferenceData();
        seedBranches();
        seedOperators();
        seedDishes();
        seedServices();
        seedMenus();
        seedProducts();
        seedNutrition();
        seedRecipes();
        seedDishRelations();
        seedCosts();
        seedConsumables();
        seedServiceMonths();
        seedWithdrawals();
        seedServedPortions();
        seedAdjustments();
        seedDiets();
        seedCycles();
        seedMonthReleases();
        seedSpecialDays();
        SeedDemoContractRules(db_, today_);
        tx.Commit();
        return out_;
    }

private:
    void seedReferenceData();
    void seedBranches();
    void seedOperators();
    void seedDishes();
    void seedServices();
    void insertService(const TDemoBranch& b, const TDemoService& s);
    void seedDeliveryPoints(const TDemoBranch& b, const TDemoService& s);
    void seedMenus();
    void seedMenuDay(const TDemoBranch& b, const TDemoService& s, int seq, const QDate& month,
                     const QDate& day, bool holiday);
    QString nextMenuNumber(const QString& branch);
    void seedDeliveryDiners(const TDemoBranch& b, const TDemoService& s, const QString& nr,
                            double diners);
    void seedDayDishes(const TDemoBranch& b, const TDemoService& s, int seq, const QString& nr,
                       const QDate& day);
    void seedProducts();
    void seedNutrition();
    void seedRecipes();
    void seedDishRelations();
    void seedCosts();
    void seedConsumables();
    bool usesConsumable(const TDemoService& sv, const QString& product) const;
    void seedServiceMonths();
    void seedWithdrawals();
    void seedServedPortions();
    void seedAdjustments();
    void seedDiets();
    void seedPrescriptions(const TDemoBranch& b);
    void seedCycles();
    void seedCycleLog(const TDemoBranch& b, const TDemoService& sv);
    void seedMonthReleases();
    void seedSpecialDays();

    TDatabase& db_;
    const QDate today_;
    const int passwordIterations_;
    const QDate firstMonth_; // of the menus: the month before today's
    const int months_;
    const QDate processing_; // the branches' processing date
    const TCatalogues catalogues_;
    QRandomGenerator rng_;
    TDemoResult out_;
    QList<TDemoBranch> branches_; // every copy's
    QString dishBranch_;          // under which dishes and recipes are recorded

    // What later stages take from earlier ones. Walks go in catalogue or code order,
    // never in hash order: a walk decides which random draw goes to which row and in
    // what order sums add up, and Qt seeds its hashes anew in every process. The hashes
    // here are only looked up.
    QList<TDish> dishes_;                        // in code order
    QHash<QString, QStringList> dishesOfType_;   // type -> codes, active and revised
    QHash<QString, QStringList> productsOf_;     // category -> codes, active
    QMap<QString, double> basePrice_;            // product -> reais
    QString inactiveProduct_;                    // the first one
    QMap<QString, QList<TRecipeLine>> recipeOf_; // dish -> lines
    QHash<QString, double> averageCost_; // product -> cost type 6 of today's month, first branch
    QMap<QString, TConsumable> consumables_; // product -> its use per diner
};

// General parameters, cost types and service groups.
void TDemoSeeder::seedReferenceData() {
    db_.Exec(QStringLiteral("INSERT INTO PARAMGERAL (NRPARAMGERAL, IDMANCORCARDALT, "
                            "NRNIVEISPRATO) VALUES (1, 'S', 2)"));
    for (const TCostType& t : catalogues_.CostTypes) {
        db_.Exec(QStringLiteral("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)"),
                 {t.Number, t.Name});
    }
    for (const TServiceGroup& g : catalogues_.ServiceGroups) {
        db_.Exec(QStringLiteral("INSERT INTO GRUPSERV (CDGRUPSERV, NMGRUPSERV, IDPARAMETRIZADO) "
                                "VALUES (?, ?, ?)"),
                 {g.Code, g.Name, g.Parameterised ? "S" : "N"});
    }
}

// The branches, their planning parameters and holidays.
void TDemoSeeder::seedBranches() {
    for (const TDemoBranch& b : branches_) {
        db_.Exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, IDCNTRRESC, CDSEGMER, "
                                "DTPROCESSA) VALUES (?, ?, 'N', ?, ?)"),
                 {b.Code, b.Name,
                  b.MenuType == QLatin1Char('S')   ? QStringLiteral("SAU")
                  : b.MenuType == QLatin1Char('D') ? QStringLiteral("EDU")
                                                   : QStringLiteral("IND"),
                  DataHora(processing_)});
        ++out_.Branches;
    }
    for (const TDemoBranch& b : branches_) {
        db_.Exec(QStringLiteral("INSERT INTO PARAMPLANEJA (CDFILIAL, IDTIPOCARD, IDEXIBECUSTO, "
                                "IDPERCCOME, CDTIPOCUSTOPLA, CDTIPOCUSTOREA, QTDIABLOQCAR, "
                                "IDALTCOMCARD, CDFILCENTPME, IDCARDIAUTIL, IDACOMPCUSTO, "
                                "IDRESTRCARD, IDCOMCUSPERC, NRCORNUTIL) VALUES (?, ?, 'R', ?, "
                                "'6', '48', ?, ?, ?, ?, 'N', 'N', ?, 128)"),
                 {b.Code, QString(b.MenuType), b.MenuType == QLatin1Char('S') ? "P" : "C",
                  demo::BlockedDays, b.MenuType == QLatin1Char('D') ? "S" : "N",
                  b.Central.isEmpty() ? QVariant() : QVariant(b.Central),
                  b.MenuType == QLatin1Char('N') ? "S" : "N", perClient(b) ? "C" : "T"});
        for (const auto& [day, name] :
             NationalHolidays(today_.year()) + NationalHolidays(today_.year() + 1)) {
            db_.Exec(QStringLiteral("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) "
                                    "VALUES (?, ?, ?)"),
                     {b.Code, DataHora(day), name});
        }
        // The hospital serves on holidays with a holiday menu.
        if (b.MenuType == QLatin1Char('S')) {
            for (const auto& [day, name] : NationalHolidays(today_.year())) {
                db_.Exec(QStringLiteral("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, "
                                        "DTULTATU) VALUES (?, ?, ?, ?)"),
                         {b.Code, DataHora(day), name, DataHora(processing_)});
            }
        }
    }
}

// Operators: planners with different permissions, the head office, the school
// group's operator, a read-only consultant and a supervisor; each with a password
// shown once.
void TDemoSeeder::seedOperators() {
    for (const TOperatorEntry& o : catalogues_.Operators) {
        TNewOperator n;
        n.Code = o.Code;
        n.Name = o.Name;
        n.Kind = o.Kind;
        n.Supervisor = o.Supervisor;
        n.Permissions = o.Permissions;
        n.Branch = o.Branch > 0 ? branchCode(0, o.Branch) : QString();
        n.Password = password();
        CheckOperatorFields(n);
        const QString hashed = passwordIterations_ > 0
                                   ? HashPassword(n.Password, passwordIterations_)
                                   : HashPassword(n.Password);
        db_.Exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO, "
                                "IDSUPERVISOR, IDTIPOOPER, DSPERMISSAO, CDFILIAL) VALUES "
                                "(?, ?, ?, 'S', ?, ?, ?, ?)"),
                 {n.Code, n.Name, hashed, o.Supervisor ? "S" : "N", QString(n.Kind), n.Permissions,
                  n.Branch});
        for (const QString& screen : catalogues_.Screens) {
            db_.Exec(QStringLiteral("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES (?, ?)"),
                     {n.Code, screen});
        }
        out_.Operators.append({n.Code, n.Name, o.Role, n.Password});
    }
    for (int kind : demo::SupervisorAuthorisations) {
        db_.Exec(
            QStringLiteral("INSERT INTO AUTORIZSUPERV (CDOPERADOR, NRTIPOAUTORIZ) VALUES (?, ?)"),
            {QString::fromLatin1(demo::Supervisor), kind});
    }
    db_.Exec(QStringLiteral("INSERT INTO OPERGRUPSERV (CDGRUPSERV, CDOPERADOR) VALUES (?, ?)"),
             {SchoolGroup, GroupOperator});
}

// Dish types and dishes, all recorded under the central kitchen.
void TDemoSeeder::seedDishes() {
    int dishNo = 0;
    for (const TDishType& t : catalogues_.DishTypes) {
        db_.Exec(QStringLiteral("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES (?, ?)"),
                 {t.Code, t.Name});
        for (const QString& name : t.Names) {
            const QString code = Ajusta(QString::number(++dishNo), 10);
            const bool active = dishNo % demo::RetiredDishEvery != 0;
            const bool revised = dishNo % demo::UnrevisedRecipeEvery != 0;
            const QString recorded = name.toUpper().left(40);
            db_.Exec(
                QStringLiteral("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, "
                               "CDTIPOPRAT, IDATIVO, IDRECEREVI) VALUES (?, ?, ?, ?, ?, ?)"),
                {dishBranch_, code, recorded, t.Code, active ? "S" : "N", revised ? "S" : "N"});
            dishes_.append({code, t.Code, recorded, revised});
            if (active && revised) {
                dishesOfType_[t.Code].append(code);
            }
        }
    }
}

// Services with their weekday estimates, shifts and standing configuration, and
// the delivery points of the transported one.
void TDemoSeeder::seedServices() {
    for (const TDemoBranch& b : branches_) {
        for (const TDemoService& s : b.Services) {
            insertService(b, s);
            for (int t = 0; t < s.Shifts.size(); ++t) {
                QStringList columns{QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"),
                                    QStringLiteral("CDTURNO"), QStringLiteral("NMTURNO")};
                QVariantList values{b.Code, s.Code, t + 1, s.Shifts[t].first};
                for (int d = 0; d < 8; ++d) {
                    columns.append(QStringLiteral("QTCOMESTT%1").arg(QLatin1String(Days[d])));
                    values << std::round(estimate(s, d) * s.Shifts[t].second);
                }
                db_.Exec(insertInto(QStringLiteral("TURNOSERV"), columns), values);
            }
            for (int p = 0; p < s.Positions.size(); ++p) {
                const QString& type = s.Positions[p];
                db_.Exec(QStringLiteral(
                             "INSERT INTO CNFCARDSERV (CDFILIAL, CDSERVFILI, NRSEQCNFMES, "
                             "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) "
                             "VALUES (?, ?, ?, ?, ?, 'S', ?, ?)"),
                         {b.Code, s.Code, p + 1, type, type == "04" ? "S" : "N", (p + 1) * 10,
                          type == "03" || type == "04" ? "S" : "N"});
            }
            if (s.Transported) {
                seedDeliveryPoints(b, s);
            }
        }
    }
}

// A service with the diners it estimates on each day of the week and on holidays.
void TDemoSeeder::insertService(const TDemoBranch& b, const TDemoService& s) {
    QStringList columns{QStringLiteral("CDFILIAL"),   QStringLiteral("CDSERVFILI"),
                        QStringLiteral("NMSERVICO"),  QStringLiteral("CDGRUPSERV"),
                        QStringLiteral("IDTIPOSERV"), QStringLiteral("IDCARDDESCENTR"),
                        QStringLiteral("IDSERVTRAN")};
    QVariantList values{b.Code,
                        s.Code,
                        s.Name,
                        s.Group,
                        "N",
                        s.Decentralised ? "S" : "N",
                        s.Transported ? "S" : "N"};
    for (int d = 0; d < 8; ++d) {
        // Clients, employees and donations make up the day, none negative.
        const double total = estimate(s, d);
        const double donations = total > 0 ? std::round(total * 0.01) : 0;
        const double clients = std::min(std::round(total * s.ClientShare), total - donations);
        for (const char* kind : {"COM", "CLI", "FUN", "DOA"}) {
            columns.append(
                QStringLiteral("QT%1ESTI%2").arg(QLatin1String(kind), QLatin1String(Days[d])));
        }
        values << total << clients << total - clients - donations << donations;
    }
    db_.Exec(insertInto(QStringLiteral("SERVICO"), columns), values);
    ++out_.Services;
}

// Each school a client of its own, shared by the copies of the branch.
void TDemoSeeder::seedDeliveryPoints(const TDemoBranch& b, const TDemoService& s) {
    for (int i = 0; i < s.DeliveryPoints.size(); ++i) {
        const QString client = schoolClient(i);
        if (db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = ?"), {client})
                .toInt() == 0) {
            db_.Exec(QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES (?, ?)"),
                     {client, QStringLiteral("SEDUC Sorocaba - ") + s.DeliveryPoints[i]});
        }
        db_.Exec(QStringLiteral("INSERT INTO DESTFILI (CDFILIAL, CDDESTFILI, NMDESTFILI, "
                                "CDCLIENTE, CDSERVFILI) VALUES (?, ?, ?, ?, ?)"),
                 {b.Code, Ajusta(QString::number(i + 1), 3), s.DeliveryPoints[i].left(30), client,
                  s.Code});
    }
}

// The menus of each service's months: the month's configuration copied from the
// standing one, then the days.
void TDemoSeeder::seedMenus() {
    for (const TDemoBranch& b : branches_) {
        for (int seq = 0; seq < b.Services.size(); ++seq) {
            const TDemoService& s = b.Services[seq];
            for (int m = 0; m < months_; ++m) {
                const QDate month = firstMonth_.addMonths(m);
                for (int p = 0; p < s.Positions.size(); ++p) {
                    const QString& type = s.Positions[p];
                    db_.Exec(QStringLiteral(
                                 "INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, "
                                 "NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, "
                                 "NRORDCNFMES, IDCONCNFMES) VALUES (?, ?, ?, ?, ?, ?, 'S', ?, ?)"),
                             {b.Code, s.Code, DataHora(month), p + 1, type,
                              type == "04" ? "S" : "N", (p + 1) * 10,
                              type == "03" || type == "04" ? "S" : "N"});
                }
                QSet<QDate> holidays;
                for (const auto& h : NationalHolidays(month.year())) {
                    holidays.insert(h.first);
                }
                for (QDate day = month; day.month() == month.month(); day = day.addDays(1)) {
                    seedMenuDay(b, s, seq, month, day, holidays.contains(day));
                }
            }
        }
    }
}

// A day with diners: the estimate, a little different each day as real ones are;
// the effective diners on days already served; how the transported service's
// diners spread over the schools; the dishes.
void TDemoSeeder::seedMenuDay(const TDemoBranch& b, const TDemoService& s, int seq,
                              const QDate& month, const QDate& day, bool holiday) {
    const double total = estimate(s, holiday ? 7 : day.dayOfWeek() % 7);
    if (total <= 0) {
        return;
    }
    const double diners = std::round(total * (0.95 + rng_.bounded(100) / 1000.0));
    const QString nr = nextMenuNumber(b.Code);
    QVariantList values{b.Code, nr, s.Code, Planner, DataHora(day), diners};
    for (int t = 0; t < 4; ++t) {
        values << (t < s.Shifts.size() ? std::round(diners * s.Shifts[t].second) : 0.0);
    }
    values << dinerSplit(diners, s.ClientShare);
    if (day < today_) {
        const double effective = std::round(diners * (0.9 + rng_.bounded(150) / 1000.0));
        values << effective << dinerSplit(effective, s.ClientShare);
    } else {
        values << QVariant() << QVariant() << QVariant() << QVariant();
    }
    values << DataHora(month) << QVariant() << DataHora(processing_);
    db_.Exec(QStringLiteral("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, "
                            "CDOPERADOR, DTCARDAPIO, QTCOMESTICAR, QTESTITURNO1, "
                            "QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, "
                            "QTFUNESTICAR, QTDOAESTICAR, QTCOMEFETCAR, QTCLIEFETCAR, "
                            "QTFUNEFETCAR, QTDOAEFETCAR, DTMESCARD, DSCARDAPIO, "
                            "DTULTATUACAR) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                            "?, ?, ?, ?, ?, ?, ?, ?)"),
             values);
    ++out_.Days;
    if (s.Transported) {
        seedDeliveryDiners(b, s, nr, diners);
    }
    seedDayDishes(b, s, seq, nr, day);
}

// The branch's next menu number, from its counter.
QString TDemoSeeder::nextMenuNumber(const QString& branch) {
    int counter =
        db_.Scalar(QStringLiteral("SELECT NRULTIMO FROM SEQCARDAPIO WHERE CDFILIAL = ?"), {branch})
            .toInt();
    if (counter == 0) {
        db_.Exec(QStringLiteral("INSERT INTO SEQCARDAPIO (CDFILIAL, NRULTIMO) VALUES (?, 0)"),
                 {branch});
    }
    ++counter;
    db_.Exec(QStringLiteral("UPDATE SEQCARDAPIO SET NRULTIMO = ? WHERE CDFILIAL = ?"),
             {counter, branch});
    return Ajusta(QString::number(counter), 10);
}

// The day's diners over the delivery points, the last taking what rounding leaves.
void TDemoSeeder::seedDeliveryDiners(const TDemoBranch& b, const TDemoService& s, const QString& nr,
                                     double diners) {
    const qsizetype points = s.DeliveryPoints.size();
    double left = diners;
    for (int i = 0; i < points; ++i) {
        const double share = i + 1 == points ? left : std::round(diners * (0.12 + 0.01 * i));
        left -= share;
        db_.Exec(QStringLiteral("INSERT INTO CARDACLI (CDFILIAL, NRCARDAPIO, CDCLIENTE, "
                                "CDDESTFILI, QTCOMESTICLI) VALUES (?, ?, ?, ?, ?)"),
                 {b.Code, nr, schoolClient(i), Ajusta(QString::number(i + 1), 3), share});
    }
}

// One dish per position of the day. A branch that follows a central one takes the
// central dish of the day and type, and puts its own in some positions.
void TDemoSeeder::seedDayDishes(const TDemoBranch& b, const TDemoService& s, int seq,
                                const QString& nr, const QDate& day) {
    for (int p = 0; p < s.Positions.size(); ++p) {
        const QString& type = s.Positions[p];
        const QStringList pool = dishesOfType_.value(type);
        if (pool.isEmpty()) {
            continue;
        }
        // Rotate through the type's dishes so that a dish does not repeat within a
        // week, offset per service.
        const int pick = (day.dayOfYear() * 3 + seq * 7 + p * 11) % pool.size();
        const double share = type == "03" ? 75.0 : type == "04" ? 25.0 : 100.0;
        QString dish = pool[pick];
        QString mark = QStringLiteral("N");
        QVariant central;
        if (b.MenuType == QLatin1Char('S') && !b.Central.isEmpty()) {
            // The central's day found first, by its services and the date, in the key of
            // its days: left to itself SQLite walked all of the central's dishes for each
            // position, and seeding grew with the square of the months.
            central = db_.Scalar(
                QStringLiteral("SELECT MIN(C.CDPRATO) FROM CARDADIA D CROSS JOIN COMPCARD C JOIN "
                               "PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
                               "C.CDPRATO WHERE C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                               "D.NRCARDAPIO AND D.CDFILIAL = ? AND D.CDSERVFILI IN (SELECT "
                               "CDSERVFILI FROM SERVICO WHERE CDFILIAL = ?) AND D.DTCARDAPIO = ? "
                               "AND P.CDTIPOPRAT = ?"),
                {b.Central, b.Central, DataHora(day), type});
            if (central.isNull()) {
                central = dish;
            }
            if ((day.day() + p) % demo::OwnDishEvery != 0) {
                dish = central.toString();
                mark = QStringLiteral("R");
            } else {
                mark = QStringLiteral("S");
            }
        }
        db_.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, "
                                "IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, 1, "
                                "?, ?, ?, ?, ?, ?)"),
                 {b.Code, nr, p + 1, dishBranch_, dish, share, mark, central,
                  central.isNull() ? QVariant() : QVariant(dishBranch_)});
        ++out_.Dishes;
    }
}

// Products with their nutrients per 100 units, by category.
void TDemoSeeder::seedProducts() {
    int productNo = 0;
    // Codes follow the product picture "9.99.999": the category's group, one
    // subgroup and the item.
    const QList<TProductCategory>& categories = catalogues_.ProductCategories;
    for (qsizetype group = 0; group < categories.size(); ++group) {
        const TProductCategory& category = categories[group];
        for (int i = 0; i < category.Names.size(); ++i) {
            ++productNo;
            const QString code = QStringLiteral("%1%2%3")
                                     .arg(group + 1)
                                     .arg(1, 2, 10, QLatin1Char('0'))
                                     .arg(i + 1, 3, 10, QLatin1Char('0'));
            const bool active = productNo % demo::InactiveProductEvery != 0;
            const bool consumable = !category.Consumables.isEmpty();
            db_.Exec(QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE, "
                                    "IDATIVO) VALUES (?, ?, ?, ?)"),
                     {code, category.Names[i].toUpper(),
                      consumable ? category.Consumables[i].Unit : category.Unit,
                      active ? "S" : "N"});
            basePrice_[code] = consumable
                                   ? category.Consumables[i].Price
                                   : RoundDec(category.Price * (0.6 + (productNo % 9) * 0.1), 2);
            if (consumable) {
                consumables_.insert(code, category.Consumables[i]);
                consumables_[code].Active = active;
            }
            if (active) {
                productsOf_[category.Code].append(code);
            } else if (inactiveProduct_.isEmpty()) {
                inactiveProduct_ = code;
            }
        }
    }

    for (const TNutrient& n : catalogues_.Nutrients) {
        db_.Exec(QStringLiteral("INSERT INTO NUTRIENTE (CDNUTRIENTE, NMNUTRIENTE, SGUNIDADE) "
                                "VALUES (?, ?, ?)"),
                 {n.Code, n.Name, n.Unit});
    }
    for (const TProductCategory& category : categories) {
        const QList<double>& values = category.NutrientsPer100;
        if (values.isEmpty()) {
            continue; // consumables feed nobody
        }
        for (const QString& product : productsOf_.value(category.Code)) {
            for (int n = 0; n < catalogues_.Nutrients.size(); ++n) {
                db_.Exec(QStringLiteral("INSERT INTO NUTRIPROD (CDPRODUTO, CDNUTRIENTE, "
                                        "QTNUTRI100) VALUES (?, ?, ?)"),
                         {product, catalogues_.Nutrients[n].Code,
                          RoundDec(values[n] * (0.85 + rng_.bounded(30) / 100.0), 2)});
            }
        }
    }
}

// The products' own composition in place of their category's estimate (no draw, so that
// the draws after it stay what they were), the weight of a unit of those counted by the
// unit, the nutrients' order, and the school network's reference intake per meal.
void TDemoSeeder::seedNutrition() {
    const QJsonObject json = catalogue(QStringLiteral("nutrition.json"));
    for (int n = 0; n < catalogues_.Nutrients.size(); ++n) {
        db_.Exec(QStringLiteral("UPDATE NUTRIENTE SET NRORDNUTRI = ? WHERE CDNUTRIENTE = ?"),
                 {n + 1, catalogues_.Nutrients[n].Code});
    }
    const auto productCodes = [this](const QString& name) {
        QStringList codes;
        TRows q = db_.Select(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE NMPRODUTO = ? "
                                            "ORDER BY CDPRODUTO"),
                             {name.toUpper()});
        while (q.Next()) {
            codes.append(q.Value(0).toString());
        }
        if (codes.isEmpty()) {
            throw EPlaError(
                QStringLiteral("Produto %1 da composição nutricional fora do catálogo.").arg(name));
        }
        return codes;
    };
    const QJsonObject grams = json["gramsPerUnit"].toObject();
    for (const QString& name : grams.keys()) { // keys() is sorted
        for (const QString& code : productCodes(name)) {
            db_.Exec(QStringLiteral("UPDATE PRODUTO SET QTGRAMAUNID = ? WHERE CDPRODUTO = ?"),
                     {grams[name].toDouble(), code});
        }
    }
    const QJsonObject products = json["products"].toObject();
    for (const QString& name : products.keys()) {
        const QJsonArray values = products[name].toArray();
        if (values.size() != catalogues_.Nutrients.size()) {
            throw EPlaError(
                QStringLiteral("Composição nutricional de %1 incompleta no catálogo.").arg(name));
        }
        for (const QString& code : productCodes(name)) {
            db_.Exec(QStringLiteral("DELETE FROM NUTRIPROD WHERE CDPRODUTO = ?"), {code});
            for (int n = 0; n < catalogues_.Nutrients.size(); ++n) {
                db_.Exec(QStringLiteral("INSERT INTO NUTRIPROD (CDPRODUTO, CDNUTRIENTE, "
                                        "QTNUTRI100) VALUES (?, ?, ?)"),
                         {code, catalogues_.Nutrients[n].Code, values[n].toDouble()});
            }
        }
    }
    const auto limit = [](const QJsonValue& v) {
        return v.isDouble() ? QVariant(v.toDouble()) : QVariant();
    };
    for (const QJsonValue& ref : json["references"].toArray()) {
        const QJsonObject values = ref["values"].toObject();
        for (const TDemoBranch& b : branches_) {
            if (b.Number != ref["branch"].toInt()) {
                continue;
            }
            for (const QString& service : strings(ref["services"])) {
                for (const TNutrient& n : catalogues_.Nutrients) {
                    if (!values.contains(n.Code)) {
                        continue;
                    }
                    const QJsonArray range = values[n.Code].toArray();
                    db_.Exec(QStringLiteral("INSERT INTO NUTRIREFSERV (CDFILIAL, CDSERVFILI, "
                                            "CDNUTRIENTE, QTMINNUTRI, QTMAXNUTRI, DSREFNUTRI) "
                                            "VALUES (?, ?, ?, ?, ?, ?)"),
                             {b.Code, service, n.Code, limit(range.at(0)), limit(range.at(1)),
                              ref["description"].toString()});
                }
            }
        }
    }
}

// Recipes: two to four products per dish, by the dish type's rule; one dish keeps
// an inactive product. Revised recipes have their date of revision.
void TDemoSeeder::seedRecipes() {
    QHash<QString, const TDishType*> typeOf;
    for (const TDishType& t : catalogues_.DishTypes) {
        typeOf.insert(t.Code, &t);
    }
    for (const TDish& d : dishes_) {
        const TDishType& rule = *typeOf.value(d.Type);
        const int number = d.Code.toInt();
        const int lines = std::min<int>(2 + (number % 3), rule.Categories.size() + 1);
        QSet<QString> used;
        for (int l = 0; l < lines; ++l) {
            const QStringList& pool = productsOf_[rule.Categories[l % rule.Categories.size()]];
            const QString product = pool[(number * 7 + l * 13) % pool.size()];
            if (used.contains(product)) {
                continue;
            }
            used.insert(product);
            const double perCapita = RoundDec(rule.PerCapita * (l == 0 ? 1.0 : 0.25), 4);
            const double correction = l == 0 && (d.Type == "03" || d.Type == "06") ? 1.15 : 1.0;
            recipeOf_[d.Code].append({product, perCapita, correction});
        }
        if (number == demo::DishWithInactiveProduct && !inactiveProduct_.isEmpty()) {
            recipeOf_[d.Code].append({inactiveProduct_, 0.01, 1.0});
        }
        for (const TRecipeLine& r : recipeOf_[d.Code]) {
            db_.Exec(QStringLiteral("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, "
                                    "QTPERCAPITA, QTFATORCORR) VALUES (?, ?, ?, ?, ?)"),
                     {dishBranch_, d.Code, r.Product, r.PerCapita, r.Correction});
        }
        if (d.Revised) {
            db_.Exec(QStringLiteral("UPDATE PRATO SET DTULTATURECE = ? WHERE CDFILAUXPRAT = ? "
                                    "AND CDPRATO = ?"),
                     {DataHora(firstMonth_.addDays(-30 - number % 200)), dishBranch_, d.Code});
        }
    }
}

// Equivalent and related dishes: main courses and options five apart are
// equivalents; every tenth main course goes with a side.
void TDemoSeeder::seedDishRelations() {
    QStringList mains;
    QStringList options;
    QStringList sides;
    for (const TDish& d : dishes_) {
        if (d.Type == QLatin1String("03")) {
            mains.append(d.Code);
        } else if (d.Type == QLatin1String("04")) {
            options.append(d.Code);
        } else if (d.Type == QLatin1String("05")) {
            sides.append(d.Code);
        }
    }
    auto relate = [&](const QString& a, const QString& b, const char* kind) {
        db_.Exec(QStringLiteral("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                                "CDPRATORELAC, IDTIPORELAC) VALUES (?, ?, ?, ?, ?)"),
                 {dishBranch_, a, dishBranch_, b, QString::fromUtf8(kind)});
    };
    for (const QStringList* list : {&mains, &options}) {
        for (int i = 0; i + 5 < list->size(); i += 3) {
            relate((*list)[i], (*list)[i + 5], "E");
            relate((*list)[i + 5], (*list)[i], "E");
        }
    }
    for (int i = 0; i < mains.size() && !sides.isEmpty(); i += 10) {
        relate(mains[i], sides[i % sides.size()], "R");
    }
}

// Costs: each branch, product and cost type from two months before the first
// menu month, monthly, with a drift; a price list for each of the last months.
void TDemoSeeder::seedCosts() {
    for (const TDemoBranch& b : branches_) {
        const double regional = b.MenuType == QLatin1Char('S') ? 1.06 : 1.0;
        for (auto it = basePrice_.cbegin(); it != basePrice_.cend(); ++it) {
            // Consumables drift without a draw, so that the ingredients' draws stay
            // what they were before consumables came.
            const bool consumable = consumables_.contains(it.key());
            for (int m = -2; m < months_; ++m) {
                const QDate from = firstMonth_.addMonths(m);
                const double drift =
                    1.0 + 0.008 * (m + 2) + (consumable ? 0.0 : (rng_.bounded(20) - 10) / 1000.0);
                for (const TCostType& t : catalogues_.CostTypes) {
                    const double cost = RoundDec(it.value() * regional * drift * t.Factor, 5);
                    db_.Exec(QStringLiteral("INSERT INTO CUSTOPROD (CDFILIAL, CDPRODUTO, "
                                            "NRTIPOCUSTO, DTVIGENCIA, VRCUSTUNIT) VALUES (?, ?, "
                                            "?, ?, ?)"),
                             {b.Code, it.key(), t.Number, DataHora(from), cost});
                    if (b.Code == branches_.first().Code && t.Number == 6 &&
                        from == PriDiaMes(today_)) {
                        averageCost_[it.key()] = cost;
                    }
                }
            }
        }
        for (int l = 0; l < 2; ++l) {
            const QDate start = PriDiaMes(today_).addMonths(l - 1);
            const QString nr = Ajusta(QString::number(start.year() * 100 + start.month()), 10);
            db_.Exec(QStringLiteral(
                         "INSERT INTO LISTAPRECO (CDFILIAL, NRSEQPRELIST, DSPREVLIST, "
                         "DTINIVALLIST, DTFINVALLIST, IDATUCUSLIST) VALUES (?, ?, ?, ?, ?, ?)"),
                     {b.Code, nr,
                      QStringLiteral("Lista de preços %1").arg(FormatDateTime("mm/yyyy", start)),
                      DataHora(start), DataHora(UltimoDiaMes(start)), l == 1 ? "S" : "N"});
            int n = 0;
            for (auto it = basePrice_.cbegin(); it != basePrice_.cend(); ++it) {
                if (++n % 3 == 0) {
                    db_.Exec(QStringLiteral("INSERT INTO ITEMLISTAPRECO (CDFILIAL, NRSEQPRELIST, "
                                            "CDPRODUTO, VRPRECO) VALUES (?, ?, ?, ?)"),
                             {b.Code, nr, it.key(), RoundDec(it.value() * (0.95 + l * 0.02), 2)});
                }
            }
        }
    }
}

// What each diner of every service consumes besides the dishes: the catalogue's
// consumables, the packaging only where meals are carried to schools.
void TDemoSeeder::seedConsumables() {
    for (const TDemoBranch& b : branches_) {
        for (const TDemoService& sv : b.Services) {
            for (auto it = consumables_.cbegin(); it != consumables_.cend(); ++it) {
                if (!usesConsumable(sv, it.key())) {
                    continue;
                }
                db_.Exec(QStringLiteral("INSERT INTO CONSSERV (CDFILIAL, CDSERVFILI, CDPRODUTO, "
                                        "QTCONSPERC) VALUES (?, ?, ?, ?)"),
                         {b.Code, sv.Code, it.key(), it->PerDiner});
            }
        }
    }
}

bool TDemoSeeder::usesConsumable(const TDemoService& sv, const QString& product) const {
    const TConsumable c = consumables_.value(product);
    return c.Active && c.PerDiner > 0 && (sv.Transported || !c.TransportedOnly);
}

// Per service and month: the standard per capita, a little above what the month's menu
// costs (raw material and consumables per diner, each day at its own prices) — except
// the central kitchen's month after today's, planned well above its standard; the
// scenario of the month. Per branch: its indirect cost of each month (the school
// network has none) and the closing check's tolerances.
void TDemoSeeder::seedServiceMonths() {
    const QDate nextMonth = PriDiaMes(today_).addMonths(1);
    for (const TDemoBranch& b : branches_) {
        const bool outOfTolerance =
            branchCode(0, b.Number) == QLatin1String(demo::BranchOutOfTolerance);
        // The planned per capita divides by the client diners where the branch says so.
        const bool clients = perClient(b);
        for (const TDemoService& sv : b.Services) {
            for (int m = 0; m < months_; ++m) {
                const QDate month = firstMonth_.addMonths(m);
                TCostQuery q;
                q.Filial = b.Code;
                q.Servico = sv.Code;
                q.Inicio = month;
                q.Fim = UltimoDiaMes(month);
                q.TipoCusto = PlannedCostType;
                q.FilialCusto = b.Code;
                double cost = 0;
                double diners = 0;
                for (const TDayCost& d : PlannedCost(db_, q).Dias) {
                    cost += d.MateriaPrima + d.Consumo;
                    diners += clients ? d.Clientes : d.Comensais;
                }
                const double perCapita = diners > 0 ? cost / diners : 1.0;
                const double factor = outOfTolerance && month == nextMonth
                                          ? demo::OutOfToleranceStandard
                                          : StandardOverPlan;
                db_.Exec(QStringLiteral("INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, "
                                        "DTMESCUST, VRCUSTPADR) VALUES (?, ?, ?, ?)"),
                         {b.Code, sv.Code, DataHora(month), RoundDec(perCapita * factor, 2)});
                db_.Exec(QStringLiteral("INSERT INTO CARDAMES (CDFILIAL, CDSERVFILI, DTMESCARD, "
                                        "NRCENARIOCARD) VALUES (?, ?, ?, 1)"),
                         {b.Code, sv.Code, DataHora(month)});
            }
        }
        for (int m = 0; b.IndirectCost > 0 && m < months_; ++m) {
            db_.Exec(QStringLiteral("INSERT INTO CUSTORATMES (CDFILIAL, DTMESCUST, VRCUSTORAT) "
                                    "VALUES (?, ?, ?)"),
                     {b.Code, DataHora(firstMonth_.addMonths(m)),
                      RoundDec(b.IndirectCost * (1 + 0.01 * m), 2)});
        }
        const double tolerance =
            outOfTolerance ? demo::ToleranceOutOfTolerance
            : branchCode(0, b.Number) == QLatin1String(demo::BranchWithinTolerance)
                ? demo::ToleranceWithinTolerance
                : 0;
        if (tolerance > 0) {
            db_.Exec(QStringLiteral("UPDATE PARAMPLANEJA SET IDBLQFECHCARD = 'S', "
                                    "VRPEMAXDIFPLAPA = ?, VRPEMINDIFPLAPA = ? WHERE CDFILIAL = ?"),
                     {tolerance, tolerance, b.Code});
        }
    }
}

// Real withdrawals of the days already served: what the recipes ask for the
// effective diners, give or take what a kitchen really uses.
void TDemoSeeder::seedWithdrawals() {
    TRows served = db_.Select(QStringLiteral(
        "SELECT D.CDFILIAL, D.CDSERVFILI, D.DTCARDAPIO, D.QTCOMEFETCAR, C.CDPRATO, "
        "C.VRPECONSCARD FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND "
        "C.NRCARDAPIO = D.NRCARDAPIO WHERE D.QTCOMEFETCAR IS NOT NULL "
        "ORDER BY D.CDFILIAL, D.CDSERVFILI, D.DTCARDAPIO"));
    QMap<std::tuple<QString, QString, QString, QString>, double> withdrawn;
    while (served.Next()) {
        const double diners = served.Value(3).toDouble() * served.Value(5).toDouble() / 100.0;
        const QString when = served.Value(2).toString();
        for (const TRecipeLine& r : recipeOf_.value(served.Value(4).toString())) {
            withdrawn[{served.Value(0).toString(), served.Value(1).toString(), when, r.Product}] +=
                r.PerCapita * r.Correction * diners;
        }
    }
    for (auto it = withdrawn.cbegin(); it != withdrawn.cend(); ++it) {
        const auto& [filial, servico, when, product] = it.key();
        db_.Exec(QStringLiteral("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, "
                                "CDPRODUTO, QTRETIRADA, VRCUSTUNIT) VALUES (?, ?, ?, ?, ?, ?)"),
                 {filial, servico, TDatabase::FromSql(TFieldType::DateTime, when), product,
                  RoundDec(it.value() * (0.95 + rng_.bounded(150) / 1000.0), 3),
                  averageCost_.value(product, basePrice_.value(product))});
    }
    // The consumables the stock gave out, around what the effective diners use; no draw,
    // so that what comes after keeps its draws.
    QMap<std::pair<QString, QString>, const TDemoService*> services;
    for (const TDemoBranch& b : branches_) {
        for (const TDemoService& sv : b.Services) {
            services.insert({b.Code, sv.Code}, &sv);
        }
    }
    TRows days = db_.Select(QStringLiteral("SELECT CDFILIAL, CDSERVFILI, DTCARDAPIO, "
                                           "QTCOMEFETCAR FROM CARDADIA WHERE QTCOMEFETCAR IS "
                                           "NOT NULL ORDER BY CDFILIAL, CDSERVFILI, DTCARDAPIO"));
    QList<std::tuple<QString, QString, QDate, double>> servedDays; // read whole first
    while (days.Next()) {
        servedDays.append(
            {days.Value(0).toString(), days.Value(1).toString(),
             TDatabase::FromSql(TFieldType::DateTime, days.Value(2)).toDateTime().date(),
             days.Value(3).toDouble()});
    }
    for (const auto& [filial, servico, day, diners] : servedDays) {
        const TDemoService* sv = services.value({filial, servico});
        int n = 0;
        for (auto it = consumables_.cbegin(); sv && it != consumables_.cend(); ++it) {
            if (!usesConsumable(*sv, it.key())) {
                continue;
            }
            const double spread = 0.96 + ((day.day() + 3 * n++) % 9) * 0.01;
            db_.Exec(QStringLiteral("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, "
                                    "CDPRODUTO, QTRETIRADA, VRCUSTUNIT) VALUES (?, ?, ?, ?, ?, ?)"),
                     {filial, servico, DataHora(day), it.key(),
                      RoundDec(it->PerDiner * diners * spread, 3),
                      averageCost_.value(it.key(), basePrice_.value(it.key()))});
        }
    }
}

// The portions of each dish the kitchen gave out on the days already served: the
// effective diners' share, some dishes better liked than others (a dish's own liking
// from its code, a little different each day; no draw, so that the draws after it stay
// what they were).
void TDemoSeeder::seedServedPortions() {
    TRows q = db_.Select(QStringLiteral(
        "SELECT C.CDFILIAL, C.NRCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATO, "
        "C.VRPECONSCARD, D.QTCOMEFETCAR, D.DTCARDAPIO FROM COMPCARD C JOIN CARDADIA D ON "
        "D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.QTCOMEFETCAR IS NOT "
        "NULL ORDER BY C.CDFILIAL, C.NRCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"));
    QList<QVariantList> served; // read whole first
    while (q.Next()) {
        QVariantList row;
        for (int c = 0; c < 8; ++c) {
            row << q.Value(c);
        }
        served << row;
    }
    for (const QVariantList& r : std::as_const(served)) {
        int liking = 0;
        for (const QChar c : r[4].toString()) {
            liking += c.unicode();
        }
        const int day = TDatabase::FromSql(TFieldType::DateTime, r[7]).toDateTime().date().day();
        const double factor = 0.80 + (liking % 21) * 0.01 + ((day + r[2].toInt()) % 5) * 0.01;
        db_.Exec(QStringLiteral("UPDATE COMPCARD SET QTPORCRETI = ? WHERE CDFILIAL = ? AND "
                                "NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?"),
                 {std::round(r[6].toDouble() * r[5].toDouble() / 100.0 * factor), r[0], r[1], r[2],
                  r[3]});
    }
}

// What planners adjusted in the month before: on every fifth served day of each service,
// the main course now on the menu took the place of another of the same dish type the day
// before it was served, recorded as a save records it. The menus stay as seeded: the
// earlier dish is put back only for the record to read it.
void TDemoSeeder::seedAdjustments() {
    const QDate month = PriDiaMes(today_).addMonths(-1);
    TRows q = db_.Select(
        QStringLiteral(
            "SELECT D.CDFILIAL, D.CDSERVFILI, D.NRCARDAPIO, D.DTCARDAPIO, C.NRSEQPRATCAR, "
            "C.NRORDPRATCAR, C.CDPRATO FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = "
            "D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO JOIN CNFCARDMES N ON N.CDFILIAL = "
            "D.CDFILIAL AND N.CDSERVFILI = D.CDSERVFILI AND N.DTREFECNFMES = ? AND "
            "N.NRSEQCNFMES = C.NRSEQPRATCAR WHERE N.CDTIPOPRAT = '03' AND D.QTCOMEFETCAR IS NOT "
            "NULL AND D.DTCARDAPIO >= ? AND D.DTCARDAPIO < ? ORDER BY D.CDFILIAL, D.CDSERVFILI, "
            "D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {DataHora(month), DataHora(month), DataHora(month.addMonths(1))});
    QList<QVariantList> days; // the first main course of each served day, read whole first
    QSet<QString> seen;
    while (q.Next()) {
        const QString key = q.Value(0).toString() + q.Value(2).toString();
        if (!seen.contains(key)) {
            seen.insert(key);
            QVariantList row;
            for (int c = 0; c < 7; ++c) {
                row << q.Value(c);
            }
            days << row;
        }
    }
    QStringList mains; // the main courses, in code order
    for (const TDish& d : dishes_) {
        if (d.Type == QLatin1String("03")) {
            mains << d.Code;
        }
    }
    QString service;
    int served = 0;
    for (const QVariantList& r : std::as_const(days)) {
        const QString branch = r[0].toString();
        if (service != branch + r[1].toString()) {
            service = branch + r[1].toString();
            served = 0;
        }
        const qsizetype now = mains.indexOf(r[6].toString().trimmed());
        if (++served % 5 != 1 || now < 0 || mains.size() < 2) {
            continue;
        }
        const QString earlier = mains[(now + 7) % mains.size()];
        const QString who =
            db_.Scalar(QStringLiteral("SELECT MIN(CDOPERADOR) FROM OPERADOR WHERE CDFILIAL = ?"),
                       {branch})
                .toString();
        const QString nr = r[2].toString();
        const QString update = QStringLiteral(
            "UPDATE COMPCARD SET CDPRATO = ? WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
            "NRSEQPRATCAR = ? AND NRORDPRATCAR = ?");
        TRegistroAlteracoes record(db_, branch, who.isEmpty() ? CentralOperator : who,
                                   rpc::TOperacaoCardapio::Gravacao);
        db_.Exec(update, {earlier, branch, nr, r[4], r[5]});
        record.Antes(nr);
        db_.Exec(update, {r[6], branch, nr, r[4], r[5]});
        record.Registra();
        const QDate day = TDatabase::FromSql(TFieldType::DateTime, r[3]).toDateTime().date();
        db_.Exec(QStringLiteral("UPDATE HISTCARD SET DTALTERACAO = ? WHERE CDFILIAL = ? AND "
                                "NRCARDAPIO = ? AND DTALTERACAO = ?"),
                 {DataHora(day.addDays(-1), QTime(10, 30 + served % 20)), branch, nr,
                  record.Instante()});
    }
}

// Diets: the standard ones, served by the hospital with prescriptions.
void TDemoSeeder::seedDiets() {
    for (const TDiet& d : catalogues_.Diets) {
        db_.Exec(QStringLiteral("INSERT INTO DIETPADR (CDDIETPAD, DSDIETPAD, IDFORMDIET) VALUES "
                                "(?, ?, ?)"),
                 {d.Code, d.Name, d.Form});
    }
    for (const TDemoBranch& b : branches_) {
        if (b.MenuType != QLatin1Char('S')) {
            continue;
        }
        for (const TDemoService& sv : b.Services) {
            for (const TDiet& d : catalogues_.Diets) {
                db_.Exec(QStringLiteral("INSERT INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD) "
                                        "VALUES (?, ?, ?)"),
                         {b.Code, sv.Code, d.Code});
            }
        }
        seedPrescriptions(b);
    }
}

// The hospital's inpatients, bed by bed, from two weeks before the first month until
// today: each stays some days on the diet prescribed at admission, and may move on
// along its progression (liquid, then soft, then general), the day of the change
// ending one prescription and starting the next. Those still in today keep an open
// prescription. One patient in eight arrives fed by tube or by vein, which no meal of
// the kitchen's feeds. Each prescription holds for every service of the branch.
void TDemoSeeder::seedPrescriptions(const TDemoBranch& b) {
    const TWards& w = catalogues_.Wards;
    int byMouthWeight = 0;
    for (const TDiet& d : catalogues_.Diets) {
        byMouthWeight += d.Form == QLatin1String("0") ? d.Weight : 0;
    }
    const auto admittedOn = [&](int patient) -> QString {
        const QList<TDiet>& diets = catalogues_.Diets;
        if (patient % 8 == 0) {
            const QString form = patient % 16 == 0 ? QStringLiteral("2") : QStringLiteral("1");
            for (const TDiet& d : diets) {
                if (d.Form == form) {
                    return d.Code;
                }
            }
        }
        int pick = byMouthWeight > 0 ? int(rng_.bounded(byMouthWeight)) : 0;
        for (const TDiet& d : diets) {
            if (d.Form == QLatin1String("0") && (pick -= d.Weight) < 0) {
                return d.Code;
            }
        }
        return diets.first().Code;
    };
    const auto thenOf = [&](const QString& diet) {
        for (const TDiet& d : catalogues_.Diets) {
            if (d.Code == diet) {
                return d.Then;
            }
        }
        return QString();
    };
    const auto prescribe = [&](const QString& patient, const QString& diet, const QDate& from,
                               const QDate& to) {
        for (const TDemoService& sv : b.Services) {
            db_.Exec(QStringLiteral("INSERT INTO PRESCDIET (CDFILIAL, CDSERVFILI, CDPACIENTE, "
                                    "CDDIETPAD, DTINIPRESC, DTFIMPRESC) VALUES (?, ?, ?, ?, ?, ?)"),
                     {b.Code, sv.Code, patient, diet, DataHora(from),
                      to.isValid() ? QVariant(DataHora(to)) : QVariant()});
        }
    };
    const QDate first = firstMonth_.addDays(-14);
    int patients = 0;
    for (const QString& room : w.Rooms) {
        for (const QString& bed : w.Beds) {
            for (QDate admitted = first.addDays(rng_.bounded(14)); admitted <= today_;) {
                const QDate discharged = admitted.addDays(2 + rng_.bounded(19));
                const bool stillIn = discharged > today_;
                const QString patient = Ajusta(QString::number(++patients), 10);
                // One draw after the other: the order of a call's arguments is the
                // compiler's to choose.
                const QString name = w.FirstNames[rng_.bounded(int(w.FirstNames.size()))];
                const QString father = w.Surnames[rng_.bounded(int(w.Surnames.size()))];
                const QString mother = w.Surnames[rng_.bounded(int(w.Surnames.size()))];
                db_.Exec(QStringLiteral("INSERT INTO PACIENTE (CDFILIAL, CDPACIENTE, NMPACIENTE, "
                                        "DSLEITO) VALUES (?, ?, ?, ?)"),
                         {b.Code, patient, QStringLiteral("%1 %2 %3").arg(name, mother, father),
                          QStringLiteral("Quarto %1, leito %2").arg(room, bed)});
                // Changes known by today only: a patient still in has none planned.
                const QDate lastKnown = stillIn ? today_ : discharged;
                QString diet = admittedOn(patients);
                QDate from = admitted;
                for (;;) {
                    const QString then = thenOf(diet);
                    const qint64 days = from.daysTo(lastKnown);
                    if (then.isEmpty() || days < 2 || rng_.bounded(100) >= 45) {
                        break;
                    }
                    const QDate change = from.addDays(1 + rng_.bounded(int(days - 1)));
                    prescribe(patient, diet, from, change);
                    diet = then;
                    from = change;
                }
                prescribe(patient, diet, from, stillIn ? QDate() : discharged);
                admitted = discharged.addDays(rng_.bounded(3));
            }
        }
    }
}

// A four-week cycle for the school network, followed by its services, and the log
// of the update that built the current month from it. The network keeps to
// equivalent dishes of its central menu.
void TDemoSeeder::seedCycles() {
    const QString cycle = QString::fromLatin1(demo::SchoolCycle);
    for (const TDemoBranch& b : branches_) {
        if (b.MenuType != QLatin1Char('D')) {
            continue;
        }
        db_.Exec(QStringLiteral(
                     "INSERT INTO CARDCICLO (CDFILIAL, CDCARDCICLO, NMCARDCICLO, QTDIASCICLO) "
                     "VALUES (?, ?, 'Ciclo escolar de quatro semanas', 20)"),
                 {b.Code, cycle});
        const TDemoService& sv = b.Services.first();
        for (int day = 1; day <= 20; ++day) {
            for (int p = 0; p < sv.Positions.size(); ++p) {
                const QStringList pool = dishesOfType_.value(sv.Positions[p]);
                db_.Exec(
                    QStringLiteral(
                        "INSERT INTO CARDCICLODIA (CDFILIAL, CDCARDCICLO, NRDIACICLO, "
                        "NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD) "
                        "VALUES (?, ?, ?, ?, 1, ?, ?, 100)"),
                    {b.Code, cycle, day, p + 1, dishBranch_, pool[(day * 5 + p) % pool.size()]});
            }
        }
        for (const TDemoService& each : b.Services) {
            db_.Exec(QStringLiteral("INSERT INTO CARDCICLOSERV (CDFILIAL, CDSERVFILI, "
                                    "CDCARDCICLO, DTINICICLO) VALUES (?, ?, ?, ?)"),
                     {b.Code, each.Code, cycle, DataHora(firstMonth_)});
        }
        seedCycleLog(b, sv);
    }
    for (const TDemoBranch& b : branches_) {
        if (b.MenuType == QLatin1Char('D')) {
            db_.Exec(QStringLiteral("UPDATE SERVICO SET IDUTPRATRELAC = 'S' WHERE CDFILIAL = ?"),
                     {b.Code});
        }
    }
}

// What the update met, as the server words it: the weekday holidays (no school, no
// estimate) and a dish the cycle names whose recipe is under revision.
void TDemoSeeder::seedCycleLog(const TDemoBranch& b, const TDemoService& sv) {
    const QString log = Ajusta(QStringLiteral("1"), 10);
    db_.Exec(QStringLiteral("INSERT INTO LOGCARDCICLO (CDFILIAL, NRLOGCARDCICLO, DTLOGCICLO, "
                            "CDOPERADOR, CDCARDCICLO, CDSERVFILI, DTMESCARD) VALUES (?, ?, ?, ?, "
                            "?, ?, ?)"),
             {b.Code, log, DataHora(PriDiaMes(today_).addDays(-3), QTime(9, 12)), GroupOperator,
              QString::fromLatin1(demo::SchoolCycle), sv.Code, DataHora(PriDiaMes(today_))});
    int item = 0;
    const auto logItem = [&](const QDate& day, const QString& text) {
        db_.Exec(QStringLiteral("INSERT INTO LOGCARDCICLOITEM (CDFILIAL, NRLOGCARDCICLO, "
                                "NRITEMLOG, DTCARDAPIO, DSMENSLOG) VALUES (?, ?, ?, ?, ?)"),
                 {b.Code, log, ++item, DataHora(day), text});
    };
    QHash<QDate, QString> holidayNames;
    for (const auto& [day, name] : NationalHolidays(today_.year())) {
        holidayNames.insert(day, name);
    }
    const auto unrevised =
        std::find_if(dishes_.cbegin(), dishes_.cend(), [](const TDish& d) { return !d.Revised; });
    const QString dish = unrevised != dishes_.cend()
                             ? unrevised->Code.trimmed() + QStringLiteral(" - ") + unrevised->Name
                             : QString();
    int weekday = 0;
    for (QDate day = PriDiaMes(today_); day.month() == today_.month(); day = day.addDays(1)) {
        if (day.dayOfWeek() >= 6) {
            continue;
        }
        if (holidayNames.contains(day)) {
            logItem(day, QStringLiteral("Feriado (%1): serviço sem comensais estimados, "
                                        "cardápio não gerado.")
                             .arg(holidayNames.value(day)));
        } else if (!dish.isEmpty() && ++weekday % demo::UnrevisedLogEvery == 1) {
            logItem(day, QStringLiteral("Prato %1 sem receita revisada: não incluído.").arg(dish));
        }
    }
}

// The planned cost of each month is based on the costs of the month's eve (and the
// restaurant's recalculation of today's month on the month before); the central kitchen
// and the school group released their menus of every month.
void TDemoSeeder::seedMonthReleases() {
    QSet<QString> centrals;
    for (const TDemoBranch& b : branches_) {
        if (!b.Central.isEmpty()) {
            centrals.insert(b.Central);
        }
    }
    for (const TDemoBranch& b : branches_) {
        for (int m = 0; m < months_; ++m) {
            const QDate month = firstMonth_.addMonths(m);
            db_.Exec(QStringLiteral("INSERT INTO BASECUSTMES (CDFILIAL, DTMESCUST, "
                                    "DTBASCONCUSPLAN) VALUES (?, ?, ?)"),
                     {b.Code, DataHora(month), DataHora(month.addDays(-1))});
            // The restaurant's cost analysis of today's month compares costs since the
            // month before's first day.
            if (b.Code == branches_.first().Code && month == PriDiaMes(today_)) {
                db_.Exec(QStringLiteral("INSERT INTO BASECUSTREC (CDFILIAL, DTMESCUST, "
                                        "DTBASRECCUS, CDOPERREC, DTALTREC) VALUES (?, ?, ?, ?, ?)"),
                         {b.Code, DataHora(month), DataHora(month.addMonths(-1)), Planner,
                          DataHora(processing_, QTime(17, 5))});
            }
            if (b.MenuType == QLatin1Char('D') || centrals.contains(b.Code)) {
                db_.Exec(QStringLiteral("INSERT INTO LIBCARDMES (CDFILIAL, DTMESCARD, "
                                        "CDOPERADOR, DTLIBCARD) VALUES (?, ?, ?, ?)"),
                         {b.Code, DataHora(month),
                          b.MenuType == QLatin1Char('D') ? GroupOperator : CentralOperator,
                          DataHora(month.addDays(-10), QTime(17, 30))});
            }
        }
    }
}

// A saved grid arrangement, and a day of the hospital that departs from the central
// menu: special, with one dish excluded.
void TDemoSeeder::seedSpecialDays() {
    db_.Exec(QStringLiteral("INSERT INTO VISUALCARD (CDFILIAL, CDSERVFILI, CDOPERADOR, "
                            "NRVISUALCARD) VALUES (?, '00001', ?, 1)"),
             {branches_.first().Code, Planner});
    for (const TDemoBranch& b : branches_) {
        if (b.MenuType != QLatin1Char('S')) {
            continue;
        }
        TRows day =
            db_.Select(QStringLiteral("SELECT DTCARDAPIO, NRCARDAPIO FROM CARDADIA WHERE "
                                      "CDFILIAL = ? AND CDSERVFILI = '00001' AND DTCARDAPIO >= ? "
                                      "ORDER BY DTCARDAPIO"),
                       {b.Code, DataHora(today_)});
        if (!day.Next()) {
            continue;
        }
        const QVariant when = TDatabase::FromSql(TFieldType::DateTime, day.Value(0));
        const QString nr = day.Value(1).toString();
        db_.Exec(QStringLiteral("INSERT INTO CARDESP (CDFILIAL, CDSERVFILI, DTCARDAPIO, "
                                "NRCARDAPIO) VALUES (?, '00001', ?, ?)"),
                 {b.Code, when, nr});
        db_.Exec(QStringLiteral("INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, "
                                "DTPRATEXCL, NRSEQPRATEXCL, IDLOCALEXCL, CDPRATO, "
                                "CDFILAUXPRAT) SELECT ?, '00001', ?, ?, C.NRSEQPRATCAR, 'F', "
                                "C.CDPRATO, C.CDFILAUXPRAT FROM COMPCARD C WHERE C.CDFILIAL = ? "
                                "AND C.NRCARDAPIO = ? AND C.NRSEQPRATCAR = ?"),
                 {b.Code, DataHora(PriDiaMes(today_)), monthDay(when.toDateTime().date()), b.Code,
                  nr, demo::ExcludedPosition});
    }
}

} // namespace

QList<QPair<QDate, QString>> NationalHolidays(int year) {
    const QDate e = easter(year);
    QList<QPair<QDate, QString>> h{
        {QDate(year, 1, 1), "Confraternização Universal"},
        {e.addDays(-48), "Carnaval"},
        {e.addDays(-47), "Carnaval"},
        {e.addDays(-2), "Sexta-feira Santa"},
        {QDate(year, 4, 21), "Tiradentes"},
        {QDate(year, 5, 1), "Dia do Trabalho"},
        {e.addDays(60), "Corpus Christi"},
        {QDate(year, 9, 7), "Independência do Brasil"},
        {QDate(year, 10, 12), "Nossa Senhora Aparecida"},
        {QDate(year, 11, 2), "Finados"},
        {QDate(year, 11, 15), "Proclamação da República"},
        {QDate(year, 11, 20), "Dia Nacional de Zumbi e da Consciência Negra"},
        {QDate(year, 12, 25), "Natal"}};
    std::sort(h.begin(), h.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return h;
}

TDemoResult SeedDemo(TDatabase& db, const QDate& today, int scale, int passwordIterations) {
    if (scale < 1 || scale > 100) {
        throw EPlaError(QStringLiteral("Escala deve ser de 1 a 100."));
    }
    if (!today.isValid()) {
        throw EPlaError(QStringLiteral("Data de referência inválida."));
    }
    return TDemoSeeder(db, today, scale, passwordIterations).Run();
}

} // namespace pla::server
