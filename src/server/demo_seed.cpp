#include "demo_seed.h"

#include "admin.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "password_hash.h"

#include <QRandomGenerator>

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
        db.Exec(
            QStringLiteral("INSERT INTO PARAMPLANEJA (CDFILIAL, IDTIPOCARD, IDEXIBECUSTO, "
                           "IDPERCCOME, CDTIPOCUSTOPLA, CDTIPOCUSTOREA, QTDIABLOQCAR, "
                           "IDALTCOMCARD, CDFILCENTPME, IDCARDIAUTIL, IDACOMPCUSTO, "
                           "IDRESTRCARD, IDCOMCUSPERC) VALUES (?, ?, 'R', ?, '6', '48', 2, ?, ?, "
                           "?, ?, 'N', ?)"),
            {b.Code, QString(b.MenuType), b.MenuType == QLatin1Char('S') ? "P" : "C",
             b.MenuType == QLatin1Char('D') ? "S" : "N",
             b.Central.isEmpty() ? QVariant() : QVariant(b.Central),
             b.MenuType == QLatin1Char('N') ? "S" : "N", b.MenuType == QLatin1Char('S') ? "S" : "N",
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
                const double clients = std::round(total * s.ClientShare);
                const double donations = total > 0 ? std::round(total * 0.01) : 0;
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
                        db.Exec(QStringLiteral(
                                    "INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, "
                                    "NRSEQPRATCAR, NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, "
                                    "VRPECONSCARD, IDPRATOESPE) VALUES (?, ?, ?, 1, ?, ?, ?, ?)"),
                                {b.Code, nr, p + 1, dishBranch, pool[pick], share,
                                 b.MenuType == QLatin1Char('S') ? "S" : "N"});
                        ++out.Dishes;
                    }
                }
            }
            ++seq;
        }
    }

    tx.Commit();
    return out;
}

} // namespace pla::server
