#include "demo_seed.h"

#include "admin.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "password_hash.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace pla::server {

namespace {

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

struct TDishType {
    const char* Code;
    const char* Name;
    QStringList Names;
};

// About 300 dishes over 15 types, as Brazilian company and hospital kitchens name them.
QList<TDishType> dishTypes() {
    const QStringList proteins{"Frango",          "Sobrecoxa", "Peito de frango",  "Carne bovina",
                               "Patinho",         "Acém",      "Lombo suíno",      "Pernil",
                               "Peixe (merluza)", "Tilápia",   "Linguiça toscana", "Almôndegas"};
    const QStringList preparations{
        "grelhado(a)",  "assado(a)",          "ensopado(a)", "ao molho madeira", "à milanesa",
        "acebolado(a)", "ao molho de tomate", "com legumes", "xadrez",           "à parmegiana"};
    QStringList mains;
    for (const QString& p : proteins) {
        for (const QString& q : preparations) {
            if (mains.size() < 120) {
                mains.append(p + " " + q);
            }
        }
    }
    mains << "Feijoada"
          << "Strogonoff de frango"
          << "Strogonoff de carne"
          << "Escondidinho de carne seca"
          << "Moqueca de peixe"
          << "Rabada com agrião"
          << "Dobradinha"
          << "Galinhada"
          << "Vaca atolada"
          << "Picadinho de carne";
    QStringList options{"Omelete de queijo",
                        "Ovo cozido",
                        "Hambúrguer de soja",
                        "Quibe de abóbora",
                        "Torta de legumes",
                        "Panqueca de ricota",
                        "Lasanha de berinjela",
                        "Grão-de-bico refogado",
                        "Proteína de soja ao molho",
                        "Ovos mexidos com tomate",
                        "Escondidinho de legumes",
                        "Abobrinha recheada",
                        "Berinjela à parmegiana",
                        "Salsicha ao molho",
                        "Fígado acebolado",
                        "Bolinho de arroz",
                        "Tofu grelhado",
                        "Moqueca de banana-da-terra",
                        "Risoto de legumes",
                        "Quiche de espinafre"};
    QStringList sides{
        "Batata sauté",          "Purê de batata",       "Farofa de cebola",   "Polenta frita",
        "Mandioca cozida",       "Macarrão alho e óleo", "Legumes refogados",  "Couve refogada",
        "Chuchu refogado",       "Abobrinha refogada",   "Batata doce assada", "Creme de milho",
        "Quiabo refogado",       "Repolho refogado",     "Vagem na manteiga",  "Cenoura sauté",
        "Jardineira de legumes", "Mandioquinha cozida",  "Purê de abóbora",    "Macarrão ao sugo",
        "Farofa de banana",      "Pirão de peixe",       "Suflê de legumes",   "Batata palha",
        "Brócolis no vapor"};
    QStringList leaves{"Alface americana", "Alface crespa",   "Rúcula",
                       "Agrião",           "Acelga",          "Repolho roxo",
                       "Almeirão",         "Escarola",        "Mix de folhas",
                       "Couve crua",       "Alface e rúcula", "Acelga com cenoura"};
    QStringList vegs{"Tomate",
                     "Pepino",
                     "Beterraba ralada",
                     "Cenoura ralada",
                     "Vinagrete",
                     "Salada de maionese",
                     "Salada de grão-de-bico",
                     "Salada de feijão fradinho",
                     "Chuchu cozido",
                     "Abobrinha grelhada",
                     "Tabule",
                     "Salpicão de frango",
                     "Salada de batata",
                     "Palmito",
                     "Milho e ervilha",
                     "Pepino com iogurte"};
    QStringList desserts{"Pudim de leite",
                         "Gelatina de morango",
                         "Gelatina de uva",
                         "Doce de leite",
                         "Goiabada",
                         "Arroz doce",
                         "Canjica",
                         "Mousse de maracujá",
                         "Mousse de chocolate",
                         "Bolo de cenoura",
                         "Bolo de fubá",
                         "Paçoca",
                         "Cocada",
                         "Doce de abóbora",
                         "Manjar branco",
                         "Pé de moleque",
                         "Sagu de vinho",
                         "Brigadeiro de colher"};
    QStringList fruits{"Banana prata", "Maçã",  "Laranja pera", "Mamão formosa",
                       "Melancia",     "Melão", "Abacaxi",      "Tangerina",
                       "Goiaba",       "Pera",  "Uva",          "Manga"};
    QStringList juices{"Suco de laranja",
                       "Suco de maracujá",
                       "Suco de goiaba",
                       "Suco de caju",
                       "Suco de uva",
                       "Suco de acerola",
                       "Suco de abacaxi com hortelã",
                       "Suco de manga",
                       "Limonada",
                       "Refresco de tangerina"};
    QStringList soups{"Sopa de legumes",  "Canja de galinha",  "Caldo verde",     "Sopa de feijão",
                      "Creme de abóbora", "Caldo de mandioca", "Sopa de ervilha", "Creme de milho",
                      "Sopa de macarrão", "Canja de legumes"};
    QStringList breads{"Pão francês", "Pão de forma integral", "Pão de queijo", "Pão de leite",
                       "Torrada",     "Bisnaguinha",           "Pão sírio",     "Broa de milho"};
    QStringList hot{"Café com leite",   "Café preto",       "Chá mate",
                    "Chá de camomila",  "Chocolate quente", "Leite com achocolatado",
                    "Chá de erva-doce", "Café descafeinado"};
    QStringList diets{"Frango desfiado (dieta branda)",      "Peixe cozido (dieta branda)",
                      "Purê de legumes (dieta pastosa)",     "Caldo de carne (dieta líquida)",
                      "Carne moída refogada (dieta branda)", "Arroz papa (dieta pastosa)",
                      "Mingau de aveia (dieta pastosa)",     "Gelatina diet",
                      "Frango sem sal (hipossódica)",        "Legumes no vapor (hipossódica)"};
    QStringList rices{"Arroz branco",       "Arroz integral",   "Arroz à grega",
                      "Arroz com brócolis", "Arroz carreteiro", "Arroz de forno",
                      "Arroz com cenoura",  "Arroz colorido"};
    QStringList beans{"Feijão carioca",     "Feijão preto",  "Feijão tropeiro", "Tutu de feijão",
                      "Feijão com abóbora", "Feijão branco", "Lentilha"};
    QStringList sauces{"Molho vinagrete",         "Molho de pimenta", "Molho rosé",
                       "Molho de mostarda e mel", "Molho de iogurte", "Chimichurri"};
    return {{"01", "ARROZ", rices},
            {"02", "FEIJÃO", beans},
            {"03", "PRATO PRINCIPAL", mains},
            {"04", "OPÇÃO", options},
            {"05", "GUARNIÇÃO", sides},
            {"06", "SALADA DE FOLHAS", leaves},
            {"07", "SALADA", vegs},
            {"08", "SOBREMESA", desserts},
            {"09", "FRUTA", fruits},
            {"10", "SUCO", juices},
            {"11", "SOPA", soups},
            {"12", "PÃO", breads},
            {"13", "BEBIDA QUENTE", hot},
            {"14", "DIETA", diets},
            {"15", "MOLHO", sauces}};
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

struct TServiceSpec {
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
    QStringList Positions; // dish types of the standing configuration, in display order
};

struct TBranchSpec {
    QString Code;
    QString Name;
    QChar MenuType;
    QString Central;
    QList<TServiceSpec> Services;
};

const QStringList lunchPositions{"01", "02", "03", "04", "05", "06", "07", "08", "09", "10"};
const QStringList hospitalPositions{"01", "02", "03", "05", "06", "07", "09", "11", "14", "10"};
const QStringList breakfastPositions{"12", "13", "09"};
const QStringList schoolPositions{"01", "02", "03", "05", "07", "09"};

QList<TBranchSpec> branches(int copy) {
    const QString suffix = copy == 0 ? QString() : QStringLiteral(" %1").arg(copy + 1);
    auto code = [copy](int n) { return Ajusta(QString::number(copy * 10 + n), 4); };
    return {
        {code(1),
         "Metalúrgica Paulista - Restaurante" + suffix,
         QLatin1Char('N'),
         QString(),
         {{"00001",
           "Almoço",
           "0002",
           false,
           false,
           820,
           180,
           0,
           0,
           0.92,
           {{"1º turno (11h00)", 0.35}, {"2º turno (12h00)", 0.4}, {"3º turno (13h00)", 0.25}},
           lunchPositions},
          {"00002",
           "Jantar",
           "0002",
           false,
           false,
           310,
           90,
           0,
           0,
           0.95,
           {{"Turno da noite (19h00)", 1.0}},
           lunchPositions},
          {"00003",
           "Café da manhã",
           "0002",
           false,
           false,
           260,
           60,
           0,
           0,
           0.97,
           {{"Entrada (6h00)", 1.0}},
           breakfastPositions}}},
        {code(2),
         "Cozinha Central São Paulo" + suffix,
         QLatin1Char('N'),
         QString(),
         {{"00001",
           "Almoço padrão",
           "0002",
           false,
           false,
           150,
           0,
           0,
           0,
           0.0,
           {{"Único", 1.0}},
           lunchPositions}}},
        {code(3),
         "Hospital Santa Clara - Campinas" + suffix,
         QLatin1Char('S'),
         code(2),
         {{"00001",
           "Almoço pacientes e acompanhantes",
           "0003",
           false,
           false,
           240,
           230,
           220,
           220,
           0.7,
           {{"Pacientes", 0.6}, {"Acompanhantes", 0.4}},
           hospitalPositions},
          {"00002",
           "Jantar pacientes",
           "0003",
           false,
           false,
           200,
           195,
           190,
           190,
           0.8,
           {{"Pacientes", 1.0}},
           hospitalPositions}}},
        {code(4),
         "Escolas Municipais Sorocaba" + suffix,
         QLatin1Char('D'),
         QString(),
         {{"00001",
           "Merenda - escolas transportadas",
           "0001",
           true,
           true,
           1450,
           0,
           0,
           0,
           1.0,
           {{"Manhã", 0.55}, {"Tarde", 0.45}},
           schoolPositions},
          {"00002",
           "Merenda - cozinha local",
           "0001",
           true,
           false,
           380,
           0,
           0,
           0,
           1.0,
           {{"Manhã", 0.5}, {"Tarde", 0.5}},
           schoolPositions}}},
    };
}

struct TProductSpec {
    const char* Category;
    const char* Unit;
    double Price; // average cost per unit, reais
    QStringList Names;
};

// About 150 products in the categories recipes draw from.
QList<TProductSpec> productSpecs() {
    return {
        {"GRAO",
         "KG",
         6.2,
         {"Arroz agulhinha tipo 1", "Arroz integral", "Feijão carioca", "Feijão preto",
          "Feijão branco", "Lentilha", "Grão-de-bico", "Ervilha seca", "Milho de pipoca",
          "Farinha de mandioca", "Farinha de trigo", "Fubá", "Aveia em flocos",
          "Macarrão espaguete", "Macarrão parafuso", "Sagu", "Canjica", "Polvilho"}},
        {"PROT",
         "KG",
         28.5,
         {"Peito de frango",
          "Sobrecoxa de frango",
          "Coxa de frango",
          "Patinho bovino",
          "Acém bovino",
          "Músculo bovino",
          "Carne moída",
          "Lombo suíno",
          "Pernil suíno",
          "Filé de merluza",
          "Filé de tilápia",
          "Linguiça toscana",
          "Carne seca",
          "Bacon",
          "Paio",
          "Costela suína",
          "Fígado bovino",
          "Salsicha",
          "Ovos (dúzia)",
          "Proteína texturizada de soja",
          "Tofu",
          "Bucho bovino",
          "Rabo bovino",
          "Frango inteiro"}},
        {"HORT",
         "KG",
         5.4,
         {"Batata inglesa", "Batata doce",     "Mandioca",         "Mandioquinha",  "Cenoura",
          "Beterraba",      "Abóbora cabotiá", "Abobrinha",        "Chuchu",        "Berinjela",
          "Pimentão verde", "Tomate",          "Cebola",           "Alho",          "Repolho verde",
          "Repolho roxo",   "Couve manteiga",  "Alface americana", "Alface crespa", "Rúcula",
          "Agrião",         "Acelga",          "Almeirão",         "Escarola",      "Brócolis",
          "Couve-flor",     "Vagem",           "Quiabo",           "Pepino",        "Milho verde",
          "Ervilha fresca", "Espinafre",       "Cheiro-verde",     "Hortelã",       "Palmito",
          "Banana-da-terra"}},
        {"FRUT",
         "KG",
         6.8,
         {"Banana prata", "Maçã fuji", "Laranja pera", "Mamão formosa", "Melancia", "Melão amarelo",
          "Abacaxi pérola", "Tangerina ponkan", "Goiaba vermelha", "Pera williams", "Uva niágara",
          "Manga palmer", "Maracujá azedo", "Limão taiti", "Caju", "Acerola", "Morango",
          "Coco ralado"}},
        {"LATI",
         "L",
         7.9,
         {"Leite integral", "Leite desnatado", "Creme de leite", "Leite condensado",
          "Queijo muçarela", "Queijo parmesão", "Requeijão", "Iogurte natural", "Manteiga",
          "Ricota", "Doce de leite"}},
        {"COND",
         "KG",
         12.0,
         {"Óleo de soja",
          "Azeite de oliva",
          "Sal refinado",
          "Açúcar cristal",
          "Açúcar mascavo",
          "Vinagre de álcool",
          "Molho de tomate",
          "Extrato de tomate",
          "Maionese",
          "Mostarda",
          "Catchup",
          "Molho shoyu",
          "Colorau",
          "Orégano",
          "Pimenta-do-reino",
          "Cominho",
          "Louro",
          "Caldo de galinha",
          "Leite de coco",
          "Azeite de dendê",
          "Fermento químico",
          "Gelatina em pó",
          "Chocolate em pó",
          "Amendoim torrado",
          "Goiabada em barra",
          "Mel",
          "Vinho tinto culinário"}},
        {"PADA",
         "UN",
         0.6,
         {"Pão francês", "Pão de forma integral", "Pão de queijo congelado", "Pão de leite",
          "Torrada", "Bisnaguinha", "Pão sírio", "Broa de milho"}},
        {"BEBI",
         "KG",
         18.0,
         {"Café torrado e moído", "Chá mate", "Chá de camomila", "Chá de erva-doce",
          "Achocolatado em pó", "Polpa de fruta congelada", "Suco concentrado de caju",
          "Suco concentrado de uva"}},
    };
}

// Which product categories a dish type's recipe draws from, and how much per serving.
struct TRecipeRule {
    QStringList Categories;
    double PerCapita;
};

TRecipeRule recipeRule(const QString& type) {
    static const QHash<QString, TRecipeRule> rules{{"01", {{"GRAO", "COND", "HORT"}, 0.07}},
                                                   {"02", {{"GRAO", "COND", "HORT"}, 0.05}},
                                                   {"03", {{"PROT", "HORT", "COND"}, 0.14}},
                                                   {"04", {{"PROT", "HORT", "LATI"}, 0.11}},
                                                   {"05", {{"HORT", "COND", "GRAO"}, 0.09}},
                                                   {"06", {{"HORT", "COND"}, 0.04}},
                                                   {"07", {{"HORT", "COND"}, 0.05}},
                                                   {"08", {{"LATI", "COND", "GRAO"}, 0.06}},
                                                   {"09", {{"FRUT"}, 0.15}},
                                                   {"10", {{"BEBI", "FRUT", "COND"}, 0.05}},
                                                   {"11", {{"HORT", "PROT", "GRAO"}, 0.12}},
                                                   {"12", {{"PADA"}, 1.0}},
                                                   {"13", {{"BEBI", "LATI", "COND"}, 0.02}},
                                                   {"14", {{"PROT", "HORT", "GRAO"}, 0.10}},
                                                   {"15", {{"COND", "HORT"}, 0.015}}};
    return rules.value(type, {{"HORT"}, 0.05});
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

namespace {

QString monthDay(const QDate& d) {
    return Ajusta(QString::number(d.day()), 2);
}

} // namespace

static void seedCostsAndMore(TDatabase& db, const QList<TBranchSpec>& allBranches,
                             const QString& dishBranch, const QDate& firstMonth, int months,
                             const QDate& today, QRandomGenerator& rng) {
    // Products.
    QHash<QString, QStringList> productsOf; // category -> product codes (active)
    QHash<QString, double> basePrice;
    int productNo = 0;
    QString inactiveProduct;
    // Codes follow the product picture "9.99.999": the category's group, one subgroup
    // and the item.
    const QList<TProductSpec> specs = productSpecs();
    for (qsizetype group = 0; group < specs.size(); ++group) {
        const TProductSpec& spec = specs[group];
        for (int i = 0; i < spec.Names.size(); ++i) {
            ++productNo;
            const QString code = QStringLiteral("%1%2%3")
                                     .arg(group + 1)
                                     .arg(1, 2, 10, QLatin1Char('0'))
                                     .arg(i + 1, 3, 10, QLatin1Char('0'));
            const bool active = productNo % 31 != 0;
            db.Exec(
                QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE, IDATIVO) "
                               "VALUES (?, ?, ?, ?)"),
                {code, spec.Names[i].toUpper(), QString::fromUtf8(spec.Unit), active ? "S" : "N"});
            basePrice[code] = RoundDec(spec.Price * (0.6 + (productNo % 9) * 0.1), 2);
            if (active) {
                productsOf[QString::fromUtf8(spec.Category)].append(code);
            } else if (inactiveProduct.isEmpty()) {
                inactiveProduct = code;
            }
        }
    }

    // Nutrients per 100 units of each product, by category.
    const QList<std::tuple<const char*, const char*, const char*>> nutrients{
        {"ENER", "Energia", "KCAL"}, {"PROT", "Proteínas", "G"}, {"CARB", "Carboidratos", "G"},
        {"LIPI", "Lipídios", "G"},   {"FIBR", "Fibras", "G"},    {"SODI", "Sódio", "MG"}};
    for (const auto& [code, name, unit] : nutrients) {
        db.Exec(QStringLiteral("INSERT INTO NUTRIENTE (CDNUTRIENTE, NMNUTRIENTE, SGUNIDADE) VALUES "
                               "(?, ?, ?)"),
                {QString::fromUtf8(code), QString::fromUtf8(name), QString::fromUtf8(unit)});
    }
    const QHash<QString, QList<double>> perCategory{
        {"GRAO", {350, 9, 72, 2, 6, 5}},      {"PROT", {190, 24, 0, 10, 0, 70}},
        {"HORT", {35, 1.5, 7, 0.2, 2.5, 20}}, {"FRUT", {60, 0.8, 15, 0.3, 2, 2}},
        {"LATI", {150, 8, 6, 10, 0, 120}},    {"COND", {300, 2, 40, 15, 1, 900}},
        {"PADA", {290, 9, 57, 3, 2.5, 600}},  {"BEBI", {280, 6, 60, 2, 5, 30}}};
    for (auto it = productsOf.cbegin(); it != productsOf.cend(); ++it) {
        const QList<double>& values = perCategory[it.key()];
        for (const QString& product : it.value()) {
            for (int n = 0; n < nutrients.size(); ++n) {
                db.Exec(QStringLiteral("INSERT INTO NUTRIPROD (CDPRODUTO, CDNUTRIENTE, QTNUTRI100) "
                                       "VALUES (?, ?, ?)"),
                        {product, QString::fromUtf8(std::get<0>(nutrients[n])),
                         RoundDec(values[n] * (0.85 + rng.bounded(30) / 100.0), 2)});
            }
        }
    }

    // Recipes: two to four products per dish, by the dish type's rule; one dish keeps
    // an inactive product, so that the inactive-product check has something to find.
    struct TRecipeLine {
        QString Product;
        double PerCapita;
        double Correction;
    };
    QHash<QString, QList<TRecipeLine>> recipeOf; // dish code -> lines
    QSqlQuery dishes = db.Exec(QStringLiteral("SELECT CDPRATO, CDTIPOPRAT, IDRECEREVI FROM PRATO "
                                              "ORDER BY CDPRATO"));
    QList<std::tuple<QString, QString, bool>> dishList;
    while (dishes.next()) {
        dishList.append({dishes.value(0).toString(), dishes.value(1).toString(),
                         dishes.value(2).toString() == QLatin1String("S")});
    }
    int lineNo = 0;
    for (const auto& [dish, type, revised] : dishList) {
        const TRecipeRule rule = recipeRule(type);
        const int lines = std::min<int>(2 + (dish.toInt() % 3), rule.Categories.size() + 1);
        QSet<QString> used;
        for (int l = 0; l < lines; ++l) {
            const QStringList& pool = productsOf[rule.Categories[l % rule.Categories.size()]];
            const QString product = pool[(dish.toInt() * 7 + l * 13) % pool.size()];
            if (used.contains(product)) {
                continue;
            }
            used.insert(product);
            const double perCapita = RoundDec(rule.PerCapita * (l == 0 ? 1.0 : 0.25), 4);
            const double correction = l == 0 && (type == "03" || type == "06") ? 1.15 : 1.0;
            recipeOf[dish].append({product, perCapita, correction});
            ++lineNo;
        }
        if (dish.toInt() == 41 && !inactiveProduct.isEmpty()) {
            recipeOf[dish].append({inactiveProduct, 0.01, 1.0});
        }
        for (const TRecipeLine& r : recipeOf[dish]) {
            db.Exec(QStringLiteral("INSERT INTO RECEITA (CDFILAUXPRAT, CDPRATO, CDPRODUTO, "
                                   "QTPERCAPITA, QTFATORCORR) VALUES (?, ?, ?, ?, ?)"),
                    {dishBranch, dish, r.Product, r.PerCapita, r.Correction});
        }
        if (revised) {
            db.Exec(QStringLiteral("UPDATE PRATO SET DTULTATURECE = ? WHERE CDFILAUXPRAT = ? AND "
                                   "CDPRATO = ?"),
                    {DataHora(firstMonth.addDays(-30 - dish.toInt() % 200)), dishBranch, dish});
        }
    }

    // Equivalent and related dishes: main courses and options five apart are
    // equivalents; every tenth main course goes with a side.
    QStringList mains;
    QStringList options;
    QStringList sides;
    for (const auto& [dish, type, revised] : dishList) {
        if (type == QLatin1String("03")) {
            mains.append(dish);
        } else if (type == QLatin1String("04")) {
            options.append(dish);
        } else if (type == QLatin1String("05")) {
            sides.append(dish);
        }
    }
    auto relate = [&](const QString& a, const QString& b, const char* kind) {
        db.Exec(QStringLiteral("INSERT INTO PRATORELAC (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, "
                               "CDPRATORELAC, IDTIPORELAC) VALUES (?, ?, ?, ?, ?)"),
                {dishBranch, a, dishBranch, b, QString::fromUtf8(kind)});
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

    // Costs: each branch, product and cost type from two months before the first
    // menu month, monthly, with a drift; a price list for each of the last months.
    const QList<QPair<int, double>> costTypes{
        {1, 1.0}, {6, 1.03}, {10, 1.07}, {20, 1.1}, {48, 0.97}};
    QHash<QString, double> averageCost; // product -> cost type 6 of the current month, first branch
    for (const TBranchSpec& b : allBranches) {
        const double regional = b.MenuType == QLatin1Char('S') ? 1.06 : 1.0;
        for (auto it = basePrice.cbegin(); it != basePrice.cend(); ++it) {
            for (int m = -2; m < months; ++m) {
                const QDate from = firstMonth.addMonths(m);
                const double drift = 1.0 + 0.008 * (m + 2) + (rng.bounded(20) - 10) / 1000.0;
                for (const auto& [type, factor] : costTypes) {
                    const double cost = RoundDec(it.value() * regional * drift * factor, 5);
                    db.Exec(
                        QStringLiteral("INSERT INTO CUSTOPROD (CDFILIAL, CDPRODUTO, NRTIPOCUSTO, "
                                       "DTVIGENCIA, VRCUSTUNIT) VALUES (?, ?, ?, ?, ?)"),
                        {b.Code, it.key(), type, DataHora(from), cost});
                    if (b.Code == allBranches.first().Code && type == 6 &&
                        from == PriDiaMes(today)) {
                        averageCost[it.key()] = cost;
                    }
                }
            }
        }
        for (int l = 0; l < 2; ++l) {
            const QDate start = PriDiaMes(today).addMonths(l - 1);
            const QString nr = Ajusta(QString::number(start.year() * 100 + start.month()), 10);
            db.Exec(QStringLiteral(
                        "INSERT INTO LISTAPRECO (CDFILIAL, NRSEQPRELIST, DSPREVLIST, "
                        "DTINIVALLIST, DTFINVALLIST, IDATUCUSLIST) VALUES (?, ?, ?, ?, ?, ?)"),
                    {b.Code, nr,
                     QStringLiteral("Lista de preços %1").arg(FormatDateTime("mm/yyyy", start)),
                     DataHora(start), DataHora(UltimoDiaMes(start)), l == 1 ? "S" : "N"});
            int n = 0;
            for (auto it = basePrice.cbegin(); it != basePrice.cend(); ++it) {
                if (++n % 3 == 0) {
                    db.Exec(QStringLiteral("INSERT INTO ITEMLISTAPRECO (CDFILIAL, NRSEQPRELIST, "
                                           "CDPRODUTO, VRPRECO) VALUES (?, ?, ?, ?)"),
                            {b.Code, nr, it.key(), RoundDec(it.value() * (0.95 + l * 0.02), 2)});
                }
            }
        }
    }

    // Per service and month: standard cost from the recipes' cost, fixed consumption
    // and indirect cost; the scenario of the month.
    double recipeCostSum = 0;
    int recipeCount = 0;
    for (auto it = recipeOf.cbegin(); it != recipeOf.cend(); ++it) {
        for (const TRecipeLine& r : it.value()) {
            recipeCostSum += r.PerCapita * r.Correction * averageCost.value(r.Product, 10.0);
        }
        ++recipeCount;
    }
    const double averageDishCost = recipeCount > 0 ? recipeCostSum / recipeCount : 1.0;
    for (const TBranchSpec& b : allBranches) {
        for (const TServiceSpec& sv : b.Services) {
            for (int m = 0; m < months; ++m) {
                const QDate month = firstMonth.addMonths(m);
                db.Exec(QStringLiteral(
                            "INSERT INTO CUSTOSERVMES (CDFILIAL, CDSERVFILI, DTMESCUST, "
                            "VRCUSTPADR, VRCONSPERC, VRCUSTORATPERC) VALUES (?, ?, ?, ?, ?, ?)"),
                        {b.Code, sv.Code, DataHora(month),
                         RoundDec(averageDishCost * sv.Positions.size() * 1.08, 2),
                         RoundDec(0.35 + 0.05 * m, 2),
                         RoundDec(0.8 + 0.1 * (b.MenuType == QLatin1Char('S')), 2)});
                db.Exec(QStringLiteral("INSERT INTO CARDAMES (CDFILIAL, CDSERVFILI, DTMESCARD, "
                                       "NRCENARIOCARD) VALUES (?, ?, ?, 1)"),
                        {b.Code, sv.Code, DataHora(month)});
            }
        }
    }

    // Real withdrawals of the days already served: what the recipes ask for the
    // effective diners, give or take what a kitchen really uses.
    QSqlQuery served = db.Exec(QStringLiteral(
        "SELECT D.CDFILIAL, D.CDSERVFILI, D.DTCARDAPIO, D.QTCOMEFETCAR, C.CDPRATO, "
        "C.VRPECONSCARD FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND "
        "C.NRCARDAPIO = D.NRCARDAPIO WHERE D.QTCOMEFETCAR IS NOT NULL "
        "ORDER BY D.CDFILIAL, D.CDSERVFILI, D.DTCARDAPIO"));
    QMap<std::tuple<QString, QString, QString, QString>, double> withdrawn;
    while (served.next()) {
        const double diners = served.value(3).toDouble() * served.value(5).toDouble() / 100.0;
        const QString when = served.value(2).toString();
        for (const TRecipeLine& r : recipeOf.value(served.value(4).toString())) {
            withdrawn[{served.value(0).toString(), served.value(1).toString(), when, r.Product}] +=
                r.PerCapita * r.Correction * diners;
        }
    }
    for (auto it = withdrawn.cbegin(); it != withdrawn.cend(); ++it) {
        const auto& [filial, servico, when, product] = it.key();
        db.Exec(QStringLiteral("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, CDPRODUTO, "
                               "QTRETIRADA, VRCUSTUNIT) VALUES (?, ?, ?, ?, ?, ?)"),
                {filial, servico, TDatabase::FromSql(TFieldType::DateTime, when), product,
                 RoundDec(it.value() * (0.95 + rng.bounded(150) / 1000.0), 3),
                 averageCost.value(product, basePrice.value(product))});
    }

    // Diets: the standard ones, served by the hospital with prescriptions.
    const QList<std::tuple<const char*, const char*, const char*>> diets{
        {"0001", "Dieta geral", "0"},       {"0002", "Dieta branda", "0"},
        {"0003", "Dieta pastosa", "0"},     {"0004", "Dieta líquida", "0"},
        {"0005", "Dieta hipossódica", "0"}, {"0006", "Dieta para diabéticos", "0"},
        {"0007", "Nutrição enteral", "1"},  {"0008", "Nutrição parenteral", "2"}};
    for (const auto& [code, name, form] : diets) {
        db.Exec(QStringLiteral(
                    "INSERT INTO DIETPADR (CDDIETPAD, DSDIETPAD, IDFORMDIET) VALUES (?, ?, ?)"),
                {QString::fromUtf8(code), QString::fromUtf8(name), QString::fromUtf8(form)});
    }
    for (const TBranchSpec& b : allBranches) {
        if (b.MenuType != QLatin1Char('S')) {
            continue;
        }
        for (const TServiceSpec& sv : b.Services) {
            int d = 0;
            for (const auto& [code, name, form] : diets) {
                db.Exec(
                    QStringLiteral("INSERT INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD) VALUES "
                                   "(?, ?, ?)"),
                    {b.Code, sv.Code, QString::fromUtf8(code)});
                for (int m = 0; m < months; ++m) {
                    const QDate start = firstMonth.addMonths(m);
                    db.Exec(QStringLiteral(
                                "INSERT INTO DIETPRESC (CDFILIAL, CDSERVFILI, CDDIETPAD, "
                                "DTINIPRESC, DTFIMPRESC, QTPACIENTES) VALUES (?, ?, ?, ?, ?, ?)"),
                            {b.Code, sv.Code, QString::fromUtf8(code), DataHora(start),
                             DataHora(UltimoDiaMes(start)),
                             d == 0 ? 110 + 5 * m : std::max(2, 30 - 4 * d + m)});
                }
                ++d;
            }
        }
    }

    // A four-week cycle for the school network, followed by its services, and the
    // log of the update that built the current month from it.
    for (const TBranchSpec& b : allBranches) {
        if (b.MenuType != QLatin1Char('D')) {
            continue;
        }
        db.Exec(QStringLiteral(
                    "INSERT INTO CARDCICLO (CDFILIAL, CDCARDCICLO, NMCARDCICLO, QTDIASCICLO) "
                    "VALUES (?, 'CIC01', 'Ciclo escolar de quatro semanas', 20)"),
                {b.Code});
        const TServiceSpec& sv = b.Services.first();
        QHash<QString, QStringList> pools;
        QSqlQuery active =
            db.Exec(QStringLiteral("SELECT CDTIPOPRAT, CDPRATO FROM PRATO WHERE "
                                   "IDATIVO = 'S' AND IDRECEREVI = 'S' ORDER BY CDPRATO"));
        while (active.next()) {
            pools[active.value(0).toString()].append(active.value(1).toString());
        }
        for (int day = 1; day <= 20; ++day) {
            for (int p = 0; p < sv.Positions.size(); ++p) {
                const QStringList& pool = pools[sv.Positions[p]];
                db.Exec(QStringLiteral(
                            "INSERT INTO CARDCICLODIA (CDFILIAL, CDCARDCICLO, NRDIACICLO, "
                            "NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD) "
                            "VALUES (?, 'CIC01', ?, ?, 1, ?, ?, 100)"),
                        {b.Code, day, p + 1, dishBranch, pool[(day * 5 + p) % pool.size()]});
            }
        }
        for (const TServiceSpec& each : b.Services) {
            db.Exec(QStringLiteral("INSERT INTO CARDCICLOSERV (CDFILIAL, CDSERVFILI, CDCARDCICLO, "
                                   "DTINICICLO) VALUES (?, ?, 'CIC01', ?)"),
                    {b.Code, each.Code, DataHora(firstMonth)});
        }
        const QString log = Ajusta(QStringLiteral("1"), 10);
        db.Exec(
            QStringLiteral(
                "INSERT INTO LOGCARDCICLO (CDFILIAL, NRLOGCARDCICLO, DTLOGCICLO, CDOPERADOR, "
                "CDCARDCICLO, CDSERVFILI, DTMESCARD) VALUES (?, ?, ?, 'GRUPO1', 'CIC01', ?, ?)"),
            {b.Code, log, DataHora(PriDiaMes(today).addDays(-3), QTime(9, 12)), sv.Code,
             DataHora(PriDiaMes(today))});
        // What the update met, as the server words it: the weekday holidays (no school,
        // no estimate) and a dish the cycle names whose recipe is under revision.
        int item = 0;
        const auto logItem = [&](const QDate& day, const QString& text) {
            db.Exec(
                QStringLiteral("INSERT INTO LOGCARDCICLOITEM (CDFILIAL, NRLOGCARDCICLO, NRITEMLOG, "
                               "DTCARDAPIO, DSMENSLOG) VALUES (?, ?, ?, ?, ?)"),
                {b.Code, log, ++item, DataHora(day), text});
        };
        QHash<QDate, QString> holidayNames;
        for (const auto& [day, name] : NationalHolidays(today.year())) {
            holidayNames.insert(day, name);
        }
        QSqlQuery unrevised = db.Exec(QStringLiteral("SELECT CDPRATO, NMPRATO FROM PRATO WHERE "
                                                     "IDRECEREVI = 'N' ORDER BY CDPRATO"));
        const QString dish = unrevised.next()
                                 ? unrevised.value(0).toString().trimmed() + QStringLiteral(" - ") +
                                       unrevised.value(1).toString()
                                 : QString();
        int weekday = 0;
        for (QDate day = PriDiaMes(today); day.month() == today.month(); day = day.addDays(1)) {
            if (day.dayOfWeek() >= 6) {
                continue;
            }
            if (holidayNames.contains(day)) {
                logItem(day, QStringLiteral("Feriado (%1): serviço sem comensais estimados, "
                                            "cardápio não gerado.")
                                 .arg(holidayNames.value(day)));
            } else if (!dish.isEmpty() && ++weekday % 5 == 1) {
                logItem(day,
                        QStringLiteral("Prato %1 sem receita revisada: não incluído.").arg(dish));
            }
        }
    }

    // The school network keeps to equivalent dishes of its central menu.
    for (const TBranchSpec& b : allBranches) {
        if (b.MenuType == QLatin1Char('D')) {
            db.Exec(QStringLiteral("UPDATE SERVICO SET IDUTPRATRELAC = 'S' WHERE CDFILIAL = ?"),
                    {b.Code});
        }
    }

    // The planned cost of each month is based on the costs of the month's eve; the
    // central kitchen and the school group released their menus of every month.
    QSet<QString> centrals;
    for (const TBranchSpec& b : allBranches) {
        if (!b.Central.isEmpty()) {
            centrals.insert(b.Central);
        }
    }
    for (const TBranchSpec& b : allBranches) {
        for (int m = 0; m < months; ++m) {
            const QDate month = firstMonth.addMonths(m);
            db.Exec(QStringLiteral("INSERT INTO BASECUSTMES (CDFILIAL, DTMESCUST, DTBASCONCUSPLAN) "
                                   "VALUES (?, ?, ?)"),
                    {b.Code, DataHora(month), DataHora(month.addDays(-1))});
            if (b.MenuType == QLatin1Char('D') || centrals.contains(b.Code)) {
                db.Exec(QStringLiteral("INSERT INTO LIBCARDMES (CDFILIAL, DTMESCARD, CDOPERADOR, "
                                       "DTLIBCARD) VALUES (?, ?, ?, ?)"),
                        {b.Code, DataHora(month),
                         b.MenuType == QLatin1Char('D') ? "GRUPO1" : "CENTRAL",
                         DataHora(month.addDays(-10), QTime(17, 30))});
            }
        }
    }

    // A saved grid arrangement and a day that departs from the central menu.
    db.Exec(
        QStringLiteral("INSERT INTO VISUALCARD (CDFILIAL, CDSERVFILI, CDOPERADOR, NRVISUALCARD) "
                       "VALUES (?, '00001', 'NUTRI1', 1)"),
        {allBranches.first().Code});
    for (const TBranchSpec& b : allBranches) {
        if (b.MenuType != QLatin1Char('S')) {
            continue;
        }
        QSqlQuery day =
            db.Exec(QStringLiteral("SELECT DTCARDAPIO, NRCARDAPIO FROM CARDADIA WHERE "
                                   "CDFILIAL = ? AND CDSERVFILI = '00001' AND DTCARDAPIO >= ? "
                                   "ORDER BY DTCARDAPIO"),
                    {b.Code, DataHora(today)});
        if (day.next()) {
            const QVariant when = day.value(0);
            const QString nr = day.value(1).toString();
            db.Exec(
                QStringLiteral("INSERT INTO CARDESP (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO) "
                               "VALUES (?, '00001', ?, ?)"),
                {b.Code, TDatabase::FromSql(TFieldType::DateTime, when), nr});
            db.Exec(QStringLiteral(
                        "INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, "
                        "NRSEQPRATEXCL, IDLOCALEXCL, CDPRATO, CDFILAUXPRAT) SELECT ?, '00001', "
                        "?, ?, C.NRSEQPRATCAR, 'F', C.CDPRATO, C.CDFILAUXPRAT FROM COMPCARD C "
                        "WHERE C.CDFILIAL = ? AND C.NRCARDAPIO = ? AND C.NRSEQPRATCAR = 4"),
                    {b.Code, DataHora(PriDiaMes(today)),
                     monthDay(TDatabase::FromSql(TFieldType::DateTime, when).toDateTime().date()),
                     b.Code, nr});
        }
    }
}

TDemoResult SeedDemo(TDatabase& db, const QDate& today, int scale, int passwordIterations) {
    if (scale < 1 || scale > 100) {
        throw EPlaError(QStringLiteral("Escala deve ser de 1 a 100."));
    }
    if (!today.isValid()) {
        throw EPlaError(QStringLiteral("Data de referência inválida."));
    }
    TTransaction tx(db, true);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL")).toInt() > 0) {
        throw EPlaError(QStringLiteral("O banco já tem filiais: a demonstração só entra num banco "
                                       "vazio."));
    }
    QRandomGenerator rng(20261206);
    TDemoResult out;
    const QDate firstMonth = PriDiaMes(today).addMonths(-1);
    const int months = 3 * scale;

    db.Exec(QStringLiteral("INSERT INTO PARAMGERAL (NRPARAMGERAL, IDMANCORCARDALT, NRNIVEISPRATO) "
                           "VALUES (1, 'S', 2)"));
    for (const auto& [nr, name] : QList<QPair<int, QString>>{{1, "CUSTO PADRÃO"},
                                                             {6, "CUSTO MÉDIO"},
                                                             {10, "ÚLTIMA COMPRA"},
                                                             {20, "CUSTO DE REPOSIÇÃO"},
                                                             {48, "TABELA DE PREÇOS"}}) {
        db.Exec(QStringLiteral("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)"),
                {nr, name});
    }
    for (const auto& [code, name, param] : {std::tuple{"0001", "Rede Escolar Municipal", "S"},
                                            std::tuple{"0002", "Refeitórios Industriais", "N"},
                                            std::tuple{"0003", "Nutrição Hospitalar", "N"}}) {
        db.Exec(QStringLiteral("INSERT INTO GRUPSERV (CDGRUPSERV, NMGRUPSERV, IDPARAMETRIZADO) "
                               "VALUES (?, ?, ?)"),
                {code, name, param});
    }

    // Dish types and dishes, all recorded under the central kitchen's first branch.
    const QList<TDishType> types = dishTypes();
    QHash<QString, QStringList> dishesOfType; // type -> dish codes, active ones
    int dishNo = 0;
    QList<TBranchSpec> allBranches;
    for (int c = 0; c < scale; ++c) {
        allBranches += branches(c);
    }
    const QDate processing = today.addDays(-1);
    for (const TBranchSpec& b : allBranches) {
        db.Exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, IDCNTRRESC, CDSEGMER, "
                               "DTPROCESSA) VALUES (?, ?, 'N', ?, ?)"),
                {b.Code, b.Name,
                 b.MenuType == QLatin1Char('S')   ? QStringLiteral("SAU")
                 : b.MenuType == QLatin1Char('D') ? QStringLiteral("EDU")
                                                  : QStringLiteral("IND"),
                 DataHora(processing)});
        ++out.Branches;
    }
    // Operators: planners with different permissions, the head office, the school
    // group's operator, a read-only consultant and a supervisor.
    struct TOp {
        const char* Code;
        const char* Name;
        const char* Role;
        char Kind;
        const char* Permissions;
        bool Supervisor;
        int Branch; // index into the first set of branches, -1 none
    };
    const TOp ops[] = {
        {"NUTRI1", "Fernanda Lima", "nutricionista, todas as operações", 'F', "11111111111111111",
         false, 0},
        {"NUTRI2", "Carlos Pereira", "nutricionista sem excluir pratos nem períodos", 'F',
         "11011100111011101", false, 2},
        {"CENTRAL", "Marina Duarte", "nutricionista da cozinha central", 'M', "11111111111111111",
         false, 1},
        {"GRUPO1", "Roberto Alves", "operador da rede escolar", 'M', "11111111111111111", false, 3},
        {"CONSULTA", "Juliana Rocha", "consulta, sem alterações", 'F', "00000000000000001", false,
         0},
        {"HOSP1", "Beatriz Souza", "nutricionista do hospital, todas as operações", 'F',
         "11111111111111111", false, 2},
        {"ESCOLA1", "Lucas Martins", "nutricionista de uma escola, fora do grupo da rede", 'F',
         "11111111111111111", false, 3},
        {"SUPERV", "Paulo Mendes", "supervisor (datas de referência de custo)", 'M',
         "11111111111111111", true, 1},
    };
    for (const TOp& o : ops) {
        TNewOperator n;
        n.Code = QString::fromUtf8(o.Code);
        n.Name = QString::fromUtf8(o.Name);
        n.Kind = QLatin1Char(o.Kind);
        n.Supervisor = o.Supervisor;
        n.Permissions = QString::fromUtf8(o.Permissions);
        n.Branch = o.Branch >= 0 ? allBranches[o.Branch].Code : QString();
        n.Password = password();
        CheckOperatorFields(n);
        const QString hashed = passwordIterations > 0 ? HashPassword(n.Password, passwordIterations)
                                                      : HashPassword(n.Password);
        db.Exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO, "
                               "IDSUPERVISOR, IDTIPOOPER, DSPERMISSAO, CDFILIAL) VALUES "
                               "(?, ?, ?, 'S', ?, ?, ?, ?)"),
                {n.Code, n.Name, hashed, o.Supervisor ? "S" : "N", QString(n.Kind), n.Permissions,
                 n.Branch});
        for (const char* screen :
             {"PLA;PLA00100", "PLA;PLA00101", "PLA;PLA00115", "PLA;PLA00124", "PLA;PLA00113",
              "PLA;PLA00109", "PLA;PLA00118", "PLA;PLA00132"}) {
            db.Exec(QStringLiteral("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES (?, ?)"),
                    {n.Code, QString::fromUtf8(screen)});
        }
        out.Operators.append({n.Code, n.Name, QString::fromUtf8(o.Role), n.Password});
    }
    for (int kind : {7, 12}) {
        db.Exec(QStringLiteral(
                    "INSERT INTO AUTORIZSUPERV (CDOPERADOR, NRTIPOAUTORIZ) VALUES ('SUPERV', ?)"),
                {kind});
    }
    db.Exec(QStringLiteral(
        "INSERT INTO OPERGRUPSERV (CDGRUPSERV, CDOPERADOR) VALUES ('0001', 'GRUPO1')"));
    const QString dishBranch = allBranches[1].Code; // the central kitchen
    for (const TDishType& t : types) {
        db.Exec(QStringLiteral("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES (?, ?)"),
                {QString::fromUtf8(t.Code), QString::fromUtf8(t.Name)});
        for (int i = 0; i < t.Names.size(); ++i) {
            const QString code = Ajusta(QString::number(++dishNo), 10);
            // Every 23rd dish is retired, every 17th still lacks a revised recipe.
            const bool active = dishNo % 23 != 0;
            const bool revised = dishNo % 17 != 0;
            db.Exec(QStringLiteral("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT, "
                                   "IDATIVO, IDRECEREVI) VALUES (?, ?, ?, ?, ?, ?)"),
                    {dishBranch, code, t.Names[i].toUpper().left(40), QString::fromUtf8(t.Code),
                     active ? "S" : "N", revised ? "S" : "N"});
            if (active && revised) {
                dishesOfType[QString::fromUtf8(t.Code)].append(code);
            }
        }
    }

    // Clients and delivery points of the transported school service.
    const QStringList schools{"EMEF Profª Maria Aparecida", "EMEI Jardim das Flores",
                              "EMEF Vila Hortência",        "EMEF Parque São Bento",
                              "EMEI Cajuru do Sul",         "EMEF Éden"};

    for (const TBranchSpec& b : allBranches) {
        db.Exec(QStringLiteral("INSERT INTO PARAMPLANEJA (CDFILIAL, IDTIPOCARD, IDEXIBECUSTO, "
                               "IDPERCCOME, CDTIPOCUSTOPLA, CDTIPOCUSTOREA, QTDIABLOQCAR, "
                               "IDALTCOMCARD, CDFILCENTPME, IDCARDIAUTIL, IDACOMPCUSTO, "
                               "IDRESTRCARD, IDCOMCUSPERC, NRCORNUTIL) VALUES (?, ?, 'R', ?, '6', "
                               "'48', 2, ?, ?, ?, ?, 'N', ?, 128)"),
                {b.Code, QString(b.MenuType), b.MenuType == QLatin1Char('S') ? "P" : "C",
                 b.MenuType == QLatin1Char('D') ? "S" : "N",
                 b.Central.isEmpty() ? QVariant() : QVariant(b.Central),
                 b.MenuType == QLatin1Char('N') ? "S" : "N",
                 b.MenuType == QLatin1Char('S') ? "S" : "N",
                 b.MenuType == QLatin1Char('N') ? "C" : "T"});
        for (const auto& [day, name] :
             NationalHolidays(today.year()) + NationalHolidays(today.year() + 1)) {
            db.Exec(QStringLiteral("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES "
                                   "(?, ?, ?)"),
                    {b.Code, DataHora(day), name});
        }
        // The hospital serves on holidays with a holiday menu.
        if (b.MenuType == QLatin1Char('S')) {
            for (const auto& [day, name] : NationalHolidays(today.year())) {
                db.Exec(QStringLiteral("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, "
                                       "DTULTATU) VALUES (?, ?, ?, ?)"),
                        {b.Code, DataHora(day), name, DataHora(processing)});
            }
        }
        int seq = 0;
        for (const TServiceSpec& s : b.Services) {
            QString sql = QStringLiteral("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, "
                                         "CDGRUPSERV, IDTIPOSERV, IDCARDDESCENTR, IDSERVTRAN");
            QVariantList values{b.Code,
                                s.Code,
                                s.Name,
                                s.Group,
                                "N",
                                s.Decentralised ? "S" : "N",
                                s.Transported ? "S" : "N"};
            for (int d = 0; d < 8; ++d) {
                const double total = d == 0   ? s.Sunday
                                     : d == 6 ? s.Saturday
                                     : d == 7 ? s.Holiday
                                              : s.Weekday;
                // Clients, employees and donations make up the day, none negative.
                const double donations = total > 0 ? std::round(total * 0.01) : 0;
                const double clients =
                    std::min(std::round(total * s.ClientShare), total - donations);
                sql += QStringLiteral(", QTCOMESTI%1, QTCLIESTI%1, QTFUNESTI%1, QTDOAESTI%1")
                           .arg(QLatin1String(Days[d]));
                values << total << clients << total - clients - donations << donations;
            }
            sql += QStringLiteral(") VALUES (") +
                   QStringList(values.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                   QLatin1Char(')');
            db.Exec(sql, values);
            ++out.Services;

            for (int t = 0; t < s.Shifts.size(); ++t) {
                QString tsql =
                    QStringLiteral("INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, "
                                   "NMTURNO");
                QVariantList tv{b.Code, s.Code, t + 1, s.Shifts[t].first};
                for (int d = 0; d < 8; ++d) {
                    const double total = d == 0   ? s.Sunday
                                         : d == 6 ? s.Saturday
                                         : d == 7 ? s.Holiday
                                                  : s.Weekday;
                    tsql += QStringLiteral(", QTCOMESTT%1").arg(QLatin1String(Days[d]));
                    tv << std::round(total * s.Shifts[t].second);
                }
                tsql += QStringLiteral(") VALUES (") +
                        QStringList(tv.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                        QLatin1Char(')');
                db.Exec(tsql, tv);
            }
            for (int p = 0; p < s.Positions.size(); ++p) {
                const QString& type = s.Positions[p];
                db.Exec(QStringLiteral(
                            "INSERT INTO CNFCARDSERV (CDFILIAL, CDSERVFILI, NRSEQCNFMES, "
                            "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) "
                            "VALUES (?, ?, ?, ?, ?, 'S', ?, ?)"),
                        {b.Code, s.Code, p + 1, type, type == "04" ? "S" : "N", (p + 1) * 10,
                         type == "03" || type == "04" ? "S" : "N"});
            }
            if (s.Transported) {
                for (int i = 0; i < schools.size(); ++i) {
                    const QString client =
                        QStringLiteral("SEDU-SOR-%1").arg(i + 1, 3, 10, QLatin1Char('0'));
                    const QString dest = Ajusta(QString::number(i + 1), 3);
                    if (db.Scalar(
                              QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = ?"),
                              {client})
                            .toInt() == 0) {
                        db.Exec(
                            QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES "
                                           "(?, ?)"),
                            {client, QStringLiteral("SEDUC Sorocaba - ") + schools[i]});
                    }
                    db.Exec(
                        QStringLiteral("INSERT INTO DESTFILI (CDFILIAL, CDDESTFILI, NMDESTFILI, "
                                       "CDCLIENTE, CDSERVFILI) VALUES (?, ?, ?, ?, ?)"),
                        {b.Code, dest, schools[i].left(30), client, s.Code});
                }
            }

            // The months: configuration copied from the standing one, then the days.
            for (int m = 0; m < months; ++m) {
                const QDate month = firstMonth.addMonths(m);
                for (int p = 0; p < s.Positions.size(); ++p) {
                    const QString& type = s.Positions[p];
                    db.Exec(QStringLiteral(
                                "INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, "
                                "NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, "
                                "NRORDCNFMES, IDCONCNFMES) VALUES (?, ?, ?, ?, ?, ?, 'S', ?, ?)"),
                            {b.Code, s.Code, DataHora(month), p + 1, type, type == "04" ? "S" : "N",
                             (p + 1) * 10, type == "03" || type == "04" ? "S" : "N"});
                }
                QSet<QDate> holidays;
                for (const auto& h : NationalHolidays(month.year())) {
                    holidays.insert(h.first);
                }
                for (QDate day = month; day.month() == month.month(); day = day.addDays(1)) {
                    const bool holiday = holidays.contains(day);
                    const int dow = day.dayOfWeek() % 7; // Sunday 0
                    const double total = holiday    ? s.Holiday
                                         : dow == 0 ? s.Sunday
                                         : dow == 6 ? s.Saturday
                                                    : s.Weekday;
                    if (total <= 0) {
                        continue;
                    }
                    // A little variation day to day, as real estimates have.
                    const double diners = std::round(total * (0.95 + rng.bounded(100) / 1000.0));
                    const double clients = std::round(diners * s.ClientShare);
                    const double donations = std::round(diners * 0.01);
                    int counter = db.Scalar(QStringLiteral("SELECT NRULTIMO FROM SEQCARDAPIO WHERE "
                                                           "CDFILIAL = ?"),
                                            {b.Code})
                                      .toInt();
                    if (counter == 0) {
                        db.Exec(QStringLiteral(
                                    "INSERT INTO SEQCARDAPIO (CDFILIAL, NRULTIMO) VALUES (?, 0)"),
                                {b.Code});
                    }
                    ++counter;
                    db.Exec(
                        QStringLiteral("UPDATE SEQCARDAPIO SET NRULTIMO = ? WHERE CDFILIAL = ?"),
                        {counter, b.Code});
                    const QString nr = Ajusta(QString::number(counter), 10);
                    QVariantList dv{b.Code, nr, s.Code, "NUTRI1", DataHora(day), diners};
                    for (int t = 0; t < 4; ++t) {
                        dv << (t < s.Shifts.size() ? std::round(diners * s.Shifts[t].second) : 0.0);
                    }
                    dv << clients << diners - clients - donations << donations;
                    // Days already served have effective diners.
                    if (day < today) {
                        const double eff = std::round(diners * (0.9 + rng.bounded(150) / 1000.0));
                        const double effClients = std::round(eff * s.ClientShare);
                        const double effDonations = std::round(eff * 0.01);
                        dv << eff << effClients << eff - effClients - effDonations << effDonations;
                    } else {
                        dv << QVariant() << QVariant() << QVariant() << QVariant();
                    }
                    dv << DataHora(month) << QVariant() << DataHora(processing);
                    db.Exec(
                        QStringLiteral("INSERT INTO CARDADIA (CDFILIAL, NRCARDAPIO, CDSERVFILI, "
                                       "CDOPERADOR, DTCARDAPIO, QTCOMESTICAR, QTESTITURNO1, "
                                       "QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, "
                                       "QTFUNESTICAR, QTDOAESTICAR, QTCOMEFETCAR, QTCLIEFETCAR, "
                                       "QTFUNEFETCAR, QTDOAEFETCAR, DTMESCARD, DSCARDAPIO, "
                                       "DTULTATUACAR) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?, ?, ?, ?, ?, ?)"),
                        dv);
                    ++out.Days;
                    if (s.Transported) {
                        // The day's diners spread over the delivery points, the last
                        // taking what rounding leaves.
                        double left = diners;
                        for (int i = 0; i < schools.size(); ++i) {
                            const double share = i + 1 == schools.size()
                                                     ? left
                                                     : std::round(diners * (0.12 + 0.01 * i));
                            left -= share;
                            db.Exec(
                                QStringLiteral("INSERT INTO CARDACLI (CDFILIAL, NRCARDAPIO, "
                                               "CDCLIENTE, CDDESTFILI, QTCOMESTICLI) VALUES "
                                               "(?, ?, ?, ?, ?)"),
                                {b.Code, nr,
                                 QStringLiteral("SEDU-SOR-%1").arg(i + 1, 3, 10, QLatin1Char('0')),
                                 Ajusta(QString::number(i + 1), 3), share});
                        }
                    }
                    for (int p = 0; p < s.Positions.size(); ++p) {
                        const QStringList& pool = dishesOfType[s.Positions[p]];
                        if (pool.isEmpty()) {
                            continue;
                        }
                        // Rotate through the type's dishes so that a dish does not repeat
                        // within a week, offset per service.
                        const int pick = (day.dayOfYear() * 3 + seq * 7 + p * 11) % pool.size();
                        const double share = s.Positions[p] == "03"   ? 75.0
                                             : s.Positions[p] == "04" ? 25.0
                                                                      : 100.0;
                        QString dish = pool[pick];
                        QString mark = QStringLiteral("N");
                        QVariant central;
                        if (b.MenuType == QLatin1Char('S') && !b.Central.isEmpty()) {
                            // The branch follows the head office's dish of the day and type
                            // ("R"), and puts its own in some positions ("S").
                            central = db.Scalar(
                                QStringLiteral("SELECT MIN(C.CDPRATO) FROM COMPCARD C JOIN "
                                               "CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND "
                                               "D.NRCARDAPIO = C.NRCARDAPIO JOIN PRATO P ON "
                                               "P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
                                               "C.CDPRATO WHERE D.CDFILIAL = ? AND D.DTCARDAPIO = "
                                               "? AND P.CDTIPOPRAT = ?"),
                                {b.Central, DataHora(day), s.Positions[p]});
                            if (central.isNull()) {
                                central = dish;
                            }
                            if ((day.day() + p) % 4 != 0) {
                                dish = central.toString();
                                mark = QStringLiteral("R");
                            } else {
                                mark = QStringLiteral("S");
                            }
                        }
                        db.Exec(QStringLiteral(
                                    "INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, "
                                    "NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, "
                                    "VRPECONSCARD, IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) "
                                    "VALUES (?, ?, ?, 1, ?, ?, ?, ?, ?, ?)"),
                                {b.Code, nr, p + 1, dishBranch, dish, share, mark, central,
                                 central.isNull() ? QVariant() : QVariant(dishBranch)});
                        ++out.Dishes;
                    }
                }
            }
            ++seq;
        }
    }

    seedCostsAndMore(db, allBranches, dishBranch, firstMonth, months, today, rng);
    tx.Commit();
    return out;
}

} // namespace pla::server
