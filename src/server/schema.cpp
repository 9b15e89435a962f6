#include "migrations.h"

namespace pla::server {

// The schema in steps. A step, once released, is never edited: changes come as new
// steps. One-letter flags are "S"/"N" unless a column says otherwise; codes are
// texts stored exactly as the application pads them.
namespace {

// What a dish position holds, alike in the standing and the monthly configuration.
const QString PositionColumns =
    QStringLiteral(" CDTIPOPRAT VARCHAR(2) NOT NULL REFERENCES TIPOPRAT (CDTIPOPRAT),"
                   " IDOPCCNFMES CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDOPCCNFMES IN ('S','N')),"
                   " IDIMPCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDIMPCNFMES IN ('S','N')),"
                   " NRORDCNFMES INTEGER NOT NULL,"
                   " IDCONCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDCONCNFMES IN ('S','N')),");

const QString ServiceKey = QStringLiteral(
    " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))");

// The change record's columns after its key, alike in both engines.
const QString HistoryColumns = QStringLiteral(
    " CDFILIAL VARCHAR(4) NOT NULL,"
    " CDSERVFILI VARCHAR(5) NOT NULL,"
    " DTCARDAPIO {DATETIME} NOT NULL,"
    " NRCARDAPIO VARCHAR(10) NOT NULL,"
    " NRSEQPRATCAR INTEGER NOT NULL,"
    " NRORDPRATCAR INTEGER NOT NULL,"
    " CDTIPOPRAT VARCHAR(2),"
    " CDFILAUXPRATANT VARCHAR(4),"
    " CDPRATOANT VARCHAR(10),"
    " VRPECONSANT {FLOAT},"
    " CDFILAUXPRATNOV VARCHAR(4),"
    " CDPRATONOV VARCHAR(10),"
    " VRPECONSNOV {FLOAT},"
    " QTCOMESTIANT {FLOAT},"
    " QTCOMESTINOV {FLOAT},"
    " IDOPERACAO CHAR(1) NOT NULL CHECK (IDOPERACAO IN ('G','I','E','S','D','V','L','P','T',"
    "'R')),"
    " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
    " DTALTERACAO {DATETIME} NOT NULL,"
    " CHECK (CDPRATOANT IS NOT NULL OR CDPRATONOV IS NOT NULL),"
    " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))");

} // namespace

const std::vector<TMigration>& SchemaMigrations() {
    static const std::vector<TMigration> steps{
        {1,
         QStringLiteral("Filiais, serviços, operadores, acessos, sessões e parâmetros"),
         {
             // Branches of the catering company; DTPROCESSA is the branch's processing date.
             QStringLiteral(
                 "CREATE TABLE FILIAL ("
                 " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY,"
                 " NMFILIAL VARCHAR(40) NOT NULL,"
                 " IDCNTRRESC CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDCNTRRESC IN ('S','N')),"
                 " CDSEGMER VARCHAR(4),"
                 " DTPROCESSA {DATETIME} NOT NULL)"),
             // Groups of services; a parameterised group plans centrally for its services.
             QStringLiteral("CREATE TABLE GRUPSERV ("
                            " CDGRUPSERV VARCHAR(4) NOT NULL PRIMARY KEY,"
                            " NMGRUPSERV VARCHAR(40) NOT NULL,"
                            " IDPARAMETRIZADO CHAR(1) NOT NULL DEFAULT 'N'"
                            "  CHECK (IDPARAMETRIZADO IN ('S','N')))"),
             // Meal services of a branch.
             QStringLiteral(
                 "CREATE TABLE SERVICO ("
                 " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " NMSERVICO VARCHAR(40) NOT NULL,"
                 " CDGRUPSERV VARCHAR(4) REFERENCES GRUPSERV (CDGRUPSERV),"
                 " IDTIPOSERV CHAR(1) NOT NULL DEFAULT 'N',"
                 " IDCARDDESCENTR CHAR(1) NOT NULL DEFAULT 'N'"
                 "  CHECK (IDCARDDESCENTR IN ('S','N')),"
                 " IDSERVTRAN CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDSERVTRAN IN ('S','N')),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI))"),
             QStringLiteral("CREATE INDEX SERVICO_GRUPO ON SERVICO (CDGRUPSERV)"),
             // Operators. DSSENHA holds only a salted slow hash; DSPERMISSAO one
             // character per operation of the planning screens ("1" allowed);
             // IDTIPOOPER "M" head office or group, "F" branch.
             QStringLiteral(
                 "CREATE TABLE OPERADOR ("
                 " CDOPERADOR VARCHAR(12) NOT NULL PRIMARY KEY,"
                 " NMOPERADOR VARCHAR(40) NOT NULL,"
                 " DSSENHA VARCHAR(200) NOT NULL,"
                 " IDATIVO CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S','N')),"
                 " IDSUPERVISOR CHAR(1) NOT NULL DEFAULT 'N'"
                 "  CHECK (IDSUPERVISOR IN ('S','N')),"
                 " IDTIPOOPER CHAR(1) NOT NULL DEFAULT 'F' CHECK (IDTIPOOPER IN ('M','F')),"
                 " DSPERMISSAO VARCHAR(17) NOT NULL DEFAULT '00000000000000000',"
                 " CDFILIAL VARCHAR(4) REFERENCES FILIAL (CDFILIAL))"),
             // Screens an operator may open: the module's acronym, ";" and the screen code.
             QStringLiteral("CREATE TABLE ACESSOTELA ("
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR)"
                            "  ON DELETE CASCADE,"
                            " DSACESSO VARCHAR(40) NOT NULL,"
                            " PRIMARY KEY (CDOPERADOR, DSACESSO))"),
             // Operators of a parameterised service group.
             QStringLiteral("CREATE TABLE OPERGRUPSERV ("
                            " CDGRUPSERV VARCHAR(4) NOT NULL REFERENCES GRUPSERV (CDGRUPSERV),"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR)"
                            "  ON DELETE CASCADE,"
                            " PRIMARY KEY (CDGRUPSERV, CDOPERADOR))"),
             // Signed-in sessions: only the SHA-256 of the token is kept.
             QStringLiteral("CREATE TABLE SESSAO ("
                            " DSTOKEN CHAR(64) NOT NULL PRIMARY KEY,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR)"
                            "  ON DELETE CASCADE,"
                            " DTCRIACAO {DATETIME} NOT NULL,"
                            " DTEXPIRA {DATETIME} NOT NULL)"),
             QStringLiteral("CREATE INDEX SESSAO_EXPIRA ON SESSAO (DTEXPIRA)"),
             // Which kinds of single operations a supervisor may authorise (7 the cost
             // reference date, 12 the recipe cost reference date, ...).
             QStringLiteral("CREATE TABLE AUTORIZSUPERV ("
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR)"
                            "  ON DELETE CASCADE,"
                            " NRTIPOAUTORIZ INTEGER NOT NULL,"
                            " PRIMARY KEY (CDOPERADOR, NRTIPOAUTORIZ))"),
             // Every authorisation given: who asked, who authorised, what and when.
             QStringLiteral("CREATE TABLE LOGAUTORIZ ("
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " CDSUPERVISOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " NRTIPOAUTORIZ INTEGER NOT NULL,"
                            " DSOPERACAO VARCHAR(60) NOT NULL,"
                            " DTAUTORIZ {DATETIME} NOT NULL)"),
             QStringLiteral("CREATE INDEX LOGAUTORIZ_DATA ON LOGAUTORIZ (DTAUTORIZ)"),
             // Cost types (which prices a cost uses), by number.
             QStringLiteral("CREATE TABLE TIPOCUSTO ("
                            " NRTIPOCUSTO INTEGER NOT NULL PRIMARY KEY,"
                            " NMTIPOCUSTO VARCHAR(40) NOT NULL)"),
             // Planning parameters of a branch.
             QStringLiteral(
                 "CREATE TABLE PARAMPLANEJA ("
                 " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL),"
                 " IDEXIBECUSTO CHAR(1) CHECK (IDEXIBECUSTO IN ('R','C')),"
                 " IDTIPOCARD CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDTIPOCARD IN ('N','S','D')),"
                 " IDPERCCOME CHAR(1) NOT NULL DEFAULT 'C' CHECK (IDPERCCOME IN ('C','P')),"
                 " CDTIPOCUSTOPLA VARCHAR(5),"
                 " CDTIPOCUSTOREA VARCHAR(5),"
                 " QTDIABLOQCAR INTEGER NOT NULL DEFAULT 0 CHECK (QTDIABLOQCAR >= 0),"
                 " IDALTCOMCARD CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDALTCOMCARD IN ('S','N')),"
                 " CDFILCENTPME VARCHAR(4) REFERENCES FILIAL (CDFILIAL),"
                 " NRCORNALTE INTEGER NOT NULL DEFAULT 12632256,"
                 " NRCORNUTIL INTEGER NOT NULL DEFAULT 13434828,"
                 " NRCORCARDESP INTEGER NOT NULL DEFAULT 16776960,"
                 " NRCORCARDREV INTEGER NOT NULL DEFAULT 65535,"
                 " IDCARDIAUTIL CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDCARDIAUTIL IN ('S','N')),"
                 " IDPESQPRATNOME CHAR(1) NOT NULL DEFAULT 'S'"
                 "  CHECK (IDPESQPRATNOME IN ('S','N')),"
                 " IDOCULTRECINATOPFI CHAR(1) NOT NULL DEFAULT 'N'"
                 "  CHECK (IDOCULTRECINATOPFI IN ('S','N')),"
                 " IDBLQFECHCARD CHAR(1) NOT NULL DEFAULT 'N'"
                 "  CHECK (IDBLQFECHCARD IN ('S','N')),"
                 " IDACOMPCUSTO CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDACOMPCUSTO IN ('S','N')),"
                 " IDRESTRCARD CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDRESTRCARD IN ('S','N')),"
                 " IDCOMCUSPERC CHAR(1) NOT NULL DEFAULT 'T' CHECK (IDCOMCUSPERC IN ('C','T')))"),
             // General parameters of the installation: one row.
             QStringLiteral("CREATE TABLE PARAMGERAL ("
                            " NRPARAMGERAL INTEGER NOT NULL PRIMARY KEY CHECK (NRPARAMGERAL = 1),"
                            " IDMANCORCARDALT CHAR(1) NOT NULL DEFAULT 'S'"
                            "  CHECK (IDMANCORCARDALT IN ('S','N')),"
                            " NRNIVEISPRATO INTEGER NOT NULL DEFAULT 1)"),
         }},
        {2,
         QStringLiteral("Cardápio: tipos de prato, pratos, configuração, dias, pratos do dia, "
                        "feriados, turnos e clientes"),
         {
             // Default diners of a service by weekday (DOM..SAB) and on holidays (FER):
             // total, clients, employees, donations.
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTIDOM {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTISEG {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTITER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTIQUA {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTIQUI {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTISEX {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTISAB {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCOMESTIFER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTIDOM {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTISEG {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTITER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTIQUA {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTIQUI {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTISEX {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTISAB {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTCLIESTIFER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTIDOM {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTISEG {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTITER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTIQUA {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTIQUI {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTISEX {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTISAB {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTFUNESTIFER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTIDOM {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTISEG {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTITER {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTIQUA {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTIQUI {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTISEX {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTISAB {FLOAT} NOT NULL DEFAULT 0"),
             QStringLiteral(
                 "ALTER TABLE SERVICO ADD COLUMN QTDOAESTIFER {FLOAT} NOT NULL DEFAULT 0"),
             // Meal shifts of a service and their default diners by weekday.
             QStringLiteral(
                 "CREATE TABLE TURNOSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDTURNO INTEGER NOT NULL,"
                 " NMTURNO VARCHAR(30) NOT NULL,"
                 " QTCOMESTTDOM {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTSEG {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTTER {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTQUA {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTQUI {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTSEX {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTSAB {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMESTTFER {FLOAT} NOT NULL DEFAULT 0,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDTURNO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Holidays of a branch (no service expected), and holidays of its menu.
             QStringLiteral("CREATE TABLE FERIFILI ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTFERIFILI {DATETIME} NOT NULL,"
                            " DSFERIFILI VARCHAR(60) NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, DTFERIFILI))"),
             QStringLiteral("CREATE TABLE FERICARD ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTFERICARD {DATETIME} NOT NULL,"
                            " DSFERICARD VARCHAR(60) NOT NULL,"
                            " DTULTATU {DATETIME} NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, DTFERICARD))"),
             // Dish types: main course, rice, beans, salad, dessert ...
             QStringLiteral("CREATE TABLE TIPOPRAT ("
                            " CDTIPOPRAT VARCHAR(2) NOT NULL PRIMARY KEY,"
                            " NMTIPOPRAT VARCHAR(35) NOT NULL)"),
             // Dishes, kept per branch of record (CDFILAUXPRAT); a dish without a
             // revised recipe cannot be placed in a standardised menu.
             QStringLiteral(
                 "CREATE TABLE PRATO ("
                 " CDFILAUXPRAT VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                 " CDPRATO VARCHAR(10) NOT NULL,"
                 " NMPRATO VARCHAR(40) NOT NULL,"
                 " CDTIPOPRAT VARCHAR(2) NOT NULL REFERENCES TIPOPRAT (CDTIPOPRAT),"
                 " IDATIVO CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S','N')),"
                 " IDRECEREVI CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDRECEREVI IN ('S','N')),"
                 " PRIMARY KEY (CDFILAUXPRAT, CDPRATO))"),
             QStringLiteral("CREATE INDEX PRATO_TIPO ON PRATO (CDTIPOPRAT, NMPRATO)"),
             // The standing dish positions of a service, and the configuration of one
             // month (copied from the standing one when the month is first planned):
             // position, dish type, optional (IDOPCCNFMES), printed (IDIMPCNFMES),
             // display order, counted in the diners check (IDCONCNFMES).
             QStringLiteral("CREATE TABLE CNFCARDSERV ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " NRSEQCNFMES INTEGER NOT NULL,") +
                 PositionColumns +
                 QStringLiteral(" PRIMARY KEY (CDFILIAL, CDSERVFILI, NRSEQCNFMES),") + ServiceKey,
             QStringLiteral("CREATE TABLE CNFCARDMES ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " DTREFECNFMES {DATETIME} NOT NULL,"
                            " NRSEQCNFMES INTEGER NOT NULL,") +
                 PositionColumns +
                 QStringLiteral(" PRIMARY KEY (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES),") +
                 ServiceKey,
             // The last day-menu number given in a branch.
             QStringLiteral(
                 "CREATE TABLE SEQCARDAPIO ("
                 " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL),"
                 " NRULTIMO INTEGER NOT NULL DEFAULT 0)"),
             // A day of a service's menu: estimated and effective diners (total,
             // per shift, clients, employees, donations), month, description.
             QStringLiteral(
                 "CREATE TABLE CARDADIA ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " NRCARDAPIO VARCHAR(10) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDOPERADOR VARCHAR(12) REFERENCES OPERADOR (CDOPERADOR),"
                 " DTCARDAPIO {DATETIME} NOT NULL,"
                 " QTCOMESTICAR {FLOAT} NOT NULL DEFAULT 0,"
                 " QTESTITURNO1 {FLOAT} NOT NULL DEFAULT 0,"
                 " QTESTITURNO2 {FLOAT} NOT NULL DEFAULT 0,"
                 " QTESTITURNO3 {FLOAT} NOT NULL DEFAULT 0,"
                 " QTESTITURNO4 {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCLIESTICAR {FLOAT} NOT NULL DEFAULT 0,"
                 " QTFUNESTICAR {FLOAT} NOT NULL DEFAULT 0,"
                 " QTDOAESTICAR {FLOAT} NOT NULL DEFAULT 0,"
                 " QTCOMEFETCAR {FLOAT},"
                 " QTCLIEFETCAR {FLOAT},"
                 " QTFUNEFETCAR {FLOAT},"
                 " QTDOAEFETCAR {FLOAT},"
                 " DTMESCARD {DATETIME} NOT NULL,"
                 " DSCARDAPIO VARCHAR(30),"
                 " DTULTATUACAR {DATETIME},"
                 " PRIMARY KEY (CDFILIAL, NRCARDAPIO),"
                 " UNIQUE (CDFILIAL, CDSERVFILI, DTCARDAPIO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             QStringLiteral(
                 "CREATE INDEX CARDADIA_MES ON CARDADIA (CDFILIAL, CDSERVFILI, DTMESCARD)"),
             // A dish in a position of a day: its share of the day's diners
             // (VRPECONSCARD, a percentage), its order in the position, its origin
             // mark, and the central dish it stands in for.
             QStringLiteral(
                 "CREATE TABLE COMPCARD ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " NRCARDAPIO VARCHAR(10) NOT NULL,"
                 " NRSEQPRATCAR INTEGER NOT NULL,"
                 " NRORDPRATCAR INTEGER NOT NULL,"
                 " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                 " CDPRATO VARCHAR(10) NOT NULL,"
                 " VRPECONSCARD {FLOAT} NOT NULL DEFAULT 100 CHECK (VRPECONSCARD >= 0),"
                 " IDPRATOESPE CHAR(1) NOT NULL DEFAULT 'N'"
                 "  CHECK (IDPRATOESPE IN ('N','R','S')),"
                 " CDPRATOMAT VARCHAR(10),"
                 " CDFILAUXPRATMAT VARCHAR(4),"
                 " PRIMARY KEY (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR),"
                 " FOREIGN KEY (CDFILIAL, NRCARDAPIO) REFERENCES CARDADIA (CDFILIAL, NRCARDAPIO)"
                 "  ON DELETE CASCADE,"
                 " FOREIGN KEY (CDFILAUXPRAT, CDPRATO) REFERENCES PRATO (CDFILAUXPRAT, CDPRATO))"),
             QStringLiteral("CREATE INDEX COMPCARD_PRATO ON COMPCARD (CDFILAUXPRAT, CDPRATO)"),
             // Clients served by transported services, their delivery points, and the
             // diners of each delivery point on a day.
             QStringLiteral("CREATE TABLE CLIENTE ("
                            " CDCLIENTE VARCHAR(21) NOT NULL PRIMARY KEY,"
                            " NMRAZSOCCLIE VARCHAR(50) NOT NULL)"),
             QStringLiteral("CREATE TABLE DESTFILI ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " CDDESTFILI VARCHAR(3) NOT NULL,"
                            " NMDESTFILI VARCHAR(30) NOT NULL,"
                            " CDCLIENTE VARCHAR(21) NOT NULL REFERENCES CLIENTE (CDCLIENTE),"
                            " CDSERVFILI VARCHAR(5),"
                            " PRIMARY KEY (CDFILIAL, CDDESTFILI))"),
             QStringLiteral(
                 "CREATE TABLE CARDACLI ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " NRCARDAPIO VARCHAR(10) NOT NULL,"
                 " CDCLIENTE VARCHAR(21) NOT NULL REFERENCES CLIENTE (CDCLIENTE),"
                 " CDDESTFILI VARCHAR(3) NOT NULL,"
                 " QTCOMESTICLI {FLOAT} NOT NULL DEFAULT 0 CHECK (QTCOMESTICLI >= 0),"
                 " PRIMARY KEY (CDFILIAL, NRCARDAPIO, CDCLIENTE, CDDESTFILI),"
                 " FOREIGN KEY (CDFILIAL, NRCARDAPIO) REFERENCES CARDADIA (CDFILIAL, NRCARDAPIO)"
                 "  ON DELETE CASCADE,"
                 " FOREIGN KEY (CDFILIAL, CDDESTFILI) REFERENCES DESTFILI (CDFILIAL, CDDESTFILI))"),
         }},
        {3,
         QStringLiteral(
             "Produtos, receitas, custos, listas de preços, retiradas, pratos relacionados, "
             "nutrientes, dietas, ciclos, visões, dias específicos, pratos excluídos, "
             "cenários e registros de exportação"),
         {
             // When a dish's recipe was last revised.
             QStringLiteral("ALTER TABLE PRATO ADD COLUMN DTULTATURECE {DATETIME}"),
             // Products (ingredients) bought and used in recipes, with their unit.
             QStringLiteral("CREATE TABLE PRODUTO ("
                            " CDPRODUTO VARCHAR(10) NOT NULL PRIMARY KEY,"
                            " NMPRODUTO VARCHAR(60) NOT NULL,"
                            " SGUNIDADE VARCHAR(4) NOT NULL,"
                            " IDATIVO CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S','N')))"),
             // A dish's recipe: net quantity of each product per serving (in the product's unit)
             // and the correction factor for peel and waste.
             QStringLiteral("CREATE TABLE RECEITA ("
                            " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                            " CDPRATO VARCHAR(10) NOT NULL,"
                            " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                            " QTPERCAPITA {FLOAT} NOT NULL CHECK (QTPERCAPITA > 0),"
                            " QTFATORCORR {FLOAT} NOT NULL DEFAULT 1 CHECK (QTFATORCORR >= 1),"
                            " PRIMARY KEY (CDFILAUXPRAT, CDPRATO, CDPRODUTO),"
                            " FOREIGN KEY (CDFILAUXPRAT, CDPRATO) REFERENCES PRATO (CDFILAUXPRAT, "
                            "CDPRATO) ON DELETE CASCADE)"),
             QStringLiteral("CREATE INDEX RECEITA_PRODUTO ON RECEITA (CDPRODUTO)"),
             // Unit cost of a product in a branch by cost type, valid from a date until the next
             // one.
             QStringLiteral("CREATE TABLE CUSTOPROD ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                            " NRTIPOCUSTO INTEGER NOT NULL REFERENCES TIPOCUSTO (NRTIPOCUSTO),"
                            " DTVIGENCIA {DATETIME} NOT NULL,"
                            " VRCUSTUNIT {FLOAT} NOT NULL CHECK (VRCUSTUNIT >= 0),"
                            " PRIMARY KEY (CDFILIAL, NRTIPOCUSTO, CDPRODUTO, DTVIGENCIA))"),
             // Supplier price lists of a branch with their validity; IDATUCUSLIST while its prices
             // have not yet updated the costs.
             QStringLiteral(
                 "CREATE TABLE LISTAPRECO ("
                 " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                 " NRSEQPRELIST VARCHAR(10) NOT NULL,"
                 " DSPREVLIST VARCHAR(50) NOT NULL,"
                 " DTINIVALLIST {DATETIME} NOT NULL,"
                 " DTFINVALLIST {DATETIME} NOT NULL,"
                 " IDATUCUSLIST CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDATUCUSLIST IN ('S','N')),"
                 " PRIMARY KEY (CDFILIAL, NRSEQPRELIST),"
                 " CHECK (DTFINVALLIST >= DTINIVALLIST))"),
             QStringLiteral("CREATE TABLE ITEMLISTAPRECO ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " NRSEQPRELIST VARCHAR(10) NOT NULL,"
                            " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                            " VRPRECO {FLOAT} NOT NULL CHECK (VRPRECO >= 0),"
                            " PRIMARY KEY (CDFILIAL, NRSEQPRELIST, CDPRODUTO),"
                            " FOREIGN KEY (CDFILIAL, NRSEQPRELIST) REFERENCES LISTAPRECO "
                            "(CDFILIAL, NRSEQPRELIST) ON DELETE CASCADE)"),
             // Per service and month: the standard per-capita cost (the contract's), the fixed
             // consumption per capita (gas, cleaning, disposables) and the indirect cost per
             // capita.
             QStringLiteral(
                 "CREATE TABLE CUSTOSERVMES ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTMESCUST {DATETIME} NOT NULL,"
                 " VRCUSTPADR {FLOAT} NOT NULL DEFAULT 0 CHECK (VRCUSTPADR >= 0),"
                 " VRCONSPERC {FLOAT} NOT NULL DEFAULT 0 CHECK (VRCONSPERC >= 0),"
                 " VRCUSTORATPERC {FLOAT} NOT NULL DEFAULT 0 CHECK (VRCUSTORATPERC >= 0),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTMESCUST),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // What the stock really gave out for a served day of a service, at the unit cost of
             // the withdrawal.
             QStringLiteral(
                 "CREATE TABLE RETIRADA ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTRETIRADA {DATETIME} NOT NULL,"
                 " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                 " QTRETIRADA {FLOAT} NOT NULL CHECK (QTRETIRADA >= 0),"
                 " VRCUSTUNIT {FLOAT} NOT NULL CHECK (VRCUSTUNIT >= 0),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTRETIRADA, CDPRODUTO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Dishes related to a dish: "E" equivalent (may replace it), "R" related (goes with
             // it).
             QStringLiteral("CREATE TABLE PRATORELAC ("
                            " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                            " CDPRATO VARCHAR(10) NOT NULL,"
                            " CDFILPRATRELAC VARCHAR(4) NOT NULL,"
                            " CDPRATORELAC VARCHAR(10) NOT NULL,"
                            " IDTIPORELAC CHAR(1) NOT NULL CHECK (IDTIPORELAC IN ('E','R')),"
                            " PRIMARY KEY (CDFILAUXPRAT, CDPRATO, CDFILPRATRELAC, CDPRATORELAC),"
                            " FOREIGN KEY (CDFILAUXPRAT, CDPRATO) REFERENCES PRATO (CDFILAUXPRAT, "
                            "CDPRATO) ON DELETE CASCADE,"
                            " FOREIGN KEY (CDFILPRATRELAC, CDPRATORELAC) REFERENCES PRATO "
                            "(CDFILAUXPRAT, CDPRATO) ON DELETE CASCADE)"),
             // Nutrients and what 100 units of a product hold of each.
             QStringLiteral("CREATE TABLE NUTRIENTE ("
                            " CDNUTRIENTE VARCHAR(4) NOT NULL PRIMARY KEY,"
                            " NMNUTRIENTE VARCHAR(40) NOT NULL,"
                            " SGUNIDADE VARCHAR(4) NOT NULL)"),
             QStringLiteral("CREATE TABLE NUTRIPROD ("
                            " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                            " CDNUTRIENTE VARCHAR(4) NOT NULL REFERENCES NUTRIENTE (CDNUTRIENTE),"
                            " QTNUTRI100 {FLOAT} NOT NULL CHECK (QTNUTRI100 >= 0),"
                            " PRIMARY KEY (CDPRODUTO, CDNUTRIENTE))"),
             // Standard diets; IDFORMDIET "0" by mouth, "1" enteral, "2" parenteral (these two are
             // not served by the kitchen's menu).
             QStringLiteral(
                 "CREATE TABLE DIETPADR ("
                 " CDDIETPAD VARCHAR(4) NOT NULL PRIMARY KEY,"
                 " DSDIETPAD VARCHAR(50) NOT NULL,"
                 " IDFORMDIET CHAR(1) NOT NULL DEFAULT '0' CHECK (IDFORMDIET IN ('0','1','2')))"),
             // Diets a service serves.
             QStringLiteral(
                 "CREATE TABLE DIETSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDDIETPAD VARCHAR(4) NOT NULL REFERENCES DIETPADR (CDDIETPAD),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDDIETPAD),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Diets prescribed for a service: how many patients from a date until an end date
             // (open when null).
             QStringLiteral("CREATE TABLE DIETPRESC ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " CDDIETPAD VARCHAR(4) NOT NULL,"
                            " DTINIPRESC {DATETIME} NOT NULL,"
                            " DTFIMPRESC {DATETIME},"
                            " QTPACIENTES {FLOAT} NOT NULL CHECK (QTPACIENTES >= 0),"
                            " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDDIETPAD, DTINIPRESC),"
                            " FOREIGN KEY (CDFILIAL, CDSERVFILI, CDDIETPAD) REFERENCES DIETSERV "
                            "(CDFILIAL, CDSERVFILI, CDDIETPAD))"),
             // Menu cycles: a sequence of day menus repeated over the months; its days and dishes,
             // the services that follow it from a date, and the log of each update of menus from
             // it.
             QStringLiteral("CREATE TABLE CARDCICLO ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " CDCARDCICLO VARCHAR(5) NOT NULL,"
                            " NMCARDCICLO VARCHAR(40) NOT NULL,"
                            " QTDIASCICLO INTEGER NOT NULL CHECK (QTDIASCICLO > 0),"
                            " PRIMARY KEY (CDFILIAL, CDCARDCICLO))"),
             QStringLiteral(
                 "CREATE TABLE CARDCICLODIA ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDCARDCICLO VARCHAR(5) NOT NULL,"
                 " NRDIACICLO INTEGER NOT NULL CHECK (NRDIACICLO > 0),"
                 " NRSEQPRATCAR INTEGER NOT NULL,"
                 " NRORDPRATCAR INTEGER NOT NULL,"
                 " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                 " CDPRATO VARCHAR(10) NOT NULL,"
                 " VRPECONSCARD {FLOAT} NOT NULL DEFAULT 100 CHECK (VRPECONSCARD >= 0),"
                 " PRIMARY KEY (CDFILIAL, CDCARDCICLO, NRDIACICLO, NRSEQPRATCAR, NRORDPRATCAR),"
                 " FOREIGN KEY (CDFILIAL, CDCARDCICLO) REFERENCES CARDCICLO (CDFILIAL, "
                 "CDCARDCICLO) ON DELETE CASCADE,"
                 " FOREIGN KEY (CDFILAUXPRAT, CDPRATO) REFERENCES PRATO (CDFILAUXPRAT, CDPRATO))"),
             QStringLiteral(
                 "CREATE TABLE CARDCICLOSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDCARDCICLO VARCHAR(5) NOT NULL,"
                 " DTINICICLO {DATETIME} NOT NULL,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTINICICLO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI),"
                 " FOREIGN KEY (CDFILIAL, CDCARDCICLO) REFERENCES CARDCICLO (CDFILIAL, "
                 "CDCARDCICLO))"),
             QStringLiteral("CREATE TABLE LOGCARDCICLO ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " NRLOGCARDCICLO VARCHAR(10) NOT NULL,"
                            " DTLOGCICLO {DATETIME} NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " CDCARDCICLO VARCHAR(5) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " DTMESCARD {DATETIME} NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, NRLOGCARDCICLO))"),
             QStringLiteral("CREATE TABLE LOGCARDCICLOITEM ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " NRLOGCARDCICLO VARCHAR(10) NOT NULL,"
                            " NRITEMLOG INTEGER NOT NULL,"
                            " DTCARDAPIO {DATETIME},"
                            " DSMENSLOG VARCHAR(200) NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, NRLOGCARDCICLO, NRITEMLOG),"
                            " FOREIGN KEY (CDFILIAL, NRLOGCARDCICLO) REFERENCES LOGCARDCICLO "
                            "(CDFILIAL, NRLOGCARDCICLO) ON DELETE CASCADE)"),
             // The grid arrangement an operator chose for a service.
             QStringLiteral(
                 "CREATE TABLE VISUALCARD ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR) ON DELETE "
                 "CASCADE,"
                 " NRVISUALCARD INTEGER NOT NULL,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDOPERADOR),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Days whose menu departs from the central menu.
             QStringLiteral(
                 "CREATE TABLE CARDESP ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTCARDAPIO {DATETIME} NOT NULL,"
                 " NRCARDAPIO VARCHAR(10) NOT NULL,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTCARDAPIO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Dishes of the central menu that a branch removed from a month (day of the month,
             // position).
             QStringLiteral(
                 "CREATE TABLE PRATEXCL ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTMESCARD {DATETIME} NOT NULL,"
                 " DTPRATEXCL VARCHAR(2) NOT NULL,"
                 " NRSEQPRATEXCL INTEGER NOT NULL,"
                 " IDLOCALEXCL CHAR(1) NOT NULL,"
                 " CDPRATO VARCHAR(10) NOT NULL,"
                 " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, NRSEQPRATEXCL, "
                 "CDFILAUXPRAT, CDPRATO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // A service's month: the scenario its menu was planned in.
             QStringLiteral(
                 "CREATE TABLE CARDAMES ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTMESCARD {DATETIME} NOT NULL,"
                 " NRCENARIOCARD INTEGER NOT NULL DEFAULT 1,"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTMESCARD),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // Each export of a period's menu to another service, and its outcome.
             QStringLiteral("CREATE TABLE LOGEXPCARD ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " NRLOGEXPCARD VARCHAR(10) NOT NULL,"
                            " DTLOGEXP {DATETIME} NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " CDSERVORIG VARCHAR(5) NOT NULL,"
                            " CDSERVDEST VARCHAR(5) NOT NULL,"
                            " DTINIEXP {DATETIME} NOT NULL,"
                            " DTFIMEXP {DATETIME} NOT NULL,"
                            " DSRESULTADO VARCHAR(200) NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, NRLOGEXPCARD))"),
         }},
        {4,
         QStringLiteral("Geração do mês: parâmetros gerais da elaboração, data base do custo "
                        "planejado e liberação dos cardápios centrais"),
         {
             // Whether the processing date limits the planning (IDUTILDTPROC) and whether
             // a day may keep estimated diners without dishes (IDPERCOMENSPRAT).
             QStringLiteral("ALTER TABLE PARAMGERAL ADD COLUMN IDUTILDTPROC CHAR(1) NOT NULL "
                            "DEFAULT 'S' CHECK (IDUTILDTPROC IN ('S','N'))"),
             QStringLiteral("ALTER TABLE PARAMGERAL ADD COLUMN IDPERCOMENSPRAT CHAR(1) NOT NULL "
                            "DEFAULT 'N' CHECK (IDPERCOMENSPRAT IN ('S','N'))"),
             // The date whose costs a branch's planned cost of a month is based on.
             QStringLiteral("CREATE TABLE BASECUSTMES ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTMESCUST {DATETIME} NOT NULL,"
                            " DTBASCONCUSPLAN {DATETIME} NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, DTMESCUST))"),
             // A central menu's month released to the branches and services that follow
             // it: by the head office (its branch) or by the group (the group's branch).
             QStringLiteral("CREATE TABLE LIBCARDMES ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTMESCARD {DATETIME} NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " DTLIBCARD {DATETIME} NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, DTMESCARD))"),
         }},
        {5,
         QStringLiteral("Serviços que usam pratos relacionados"),
         {
             // A service whose dishes may only be replaced by related (equivalent) ones
             // when it follows a central menu.
             QStringLiteral("ALTER TABLE SERVICO ADD COLUMN IDUTPRATRELAC CHAR(1) NOT NULL "
                            "DEFAULT 'N' CHECK (IDUTPRATRELAC IN ('S','N'))"),
         }},
        {6,
         QStringLiteral("Máscara do código de produto"),
         {
             // The picture product codes are shown through: each run of "9" a level.
             QStringLiteral("ALTER TABLE PARAMGERAL ADD COLUMN DSMASCPROD VARCHAR(20) NOT NULL "
                            "DEFAULT '9.99.999'"),
         }},
        {7,
         QStringLiteral("Cardápios de dias inteiros"),
         {
             // A day menu's date carries no time, so that the unique key of a service's
             // day cannot be passed by a date with a time.
             QStringLiteral("{POSTGRESQL}ALTER TABLE CARDADIA ADD CONSTRAINT CARDADIA_DIA_INTEIRO "
                            "CHECK (DTCARDAPIO = date_trunc('day', DTCARDAPIO))"),
             QStringLiteral("{SQLITE}CREATE TRIGGER CARDADIA_DIA_INTEIRO_I BEFORE INSERT ON "
                            "CARDADIA WHEN NEW.DTCARDAPIO <> date(NEW.DTCARDAPIO) || ' 00:00:00' "
                            "BEGIN SELECT RAISE(ABORT, 'CARDADIA_DIA_INTEIRO'); END"),
             QStringLiteral("{SQLITE}CREATE TRIGGER CARDADIA_DIA_INTEIRO_U BEFORE UPDATE OF "
                            "DTCARDAPIO ON CARDADIA WHEN NEW.DTCARDAPIO <> date(NEW.DTCARDAPIO) "
                            "|| ' 00:00:00' BEGIN SELECT RAISE(ABORT, 'CARDADIA_DIA_INTEIRO'); "
                            "END"),
         }},
        {8,
         QStringLiteral("Tentativas sem sucesso de entrada e de autorização"),
         {
             // Who tried to prove who they were and failed: the operator named (the
             // supervisor, for an authorisation), who asked for it, the address, the
             // instant (UTC). Too many close the door for a while.
             QStringLiteral("CREATE TABLE TENTATIVAFALHA ("
                            " DSTIPO VARCHAR(10) NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL,"
                            " CDSOLICITANTE VARCHAR(12),"
                            " DSORIGEM VARCHAR(64) NOT NULL,"
                            " DTTENTATIVA {DATETIME} NOT NULL)"),
             QStringLiteral("CREATE INDEX TENTATIVAFALHA_OPERADOR ON TENTATIVAFALHA (DSTIPO, "
                            "CDOPERADOR, DTTENTATIVA)"),
             QStringLiteral("CREATE INDEX TENTATIVAFALHA_ORIGEM ON TENTATIVAFALHA (DSTIPO, "
                            "DSORIGEM, DTTENTATIVA)"),
         }},
        {9,
         QStringLiteral("Pacientes e prescrições de dietas por paciente"),
         {
             // The patients of a branch (a hospital's inpatients) and where they lie.
             QStringLiteral("CREATE TABLE PACIENTE ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " CDPACIENTE VARCHAR(10) NOT NULL,"
                            " NMPACIENTE VARCHAR(60) NOT NULL,"
                            " DSLEITO VARCHAR(20),"
                            " PRIMARY KEY (CDFILIAL, CDPACIENTE))"),
             // A diet prescribed to a patient in a service, valid from its first day to its
             // last (both included; open while null). A change of diet ends one
             // prescription and starts the next, on the same day or the day after.
             QStringLiteral(
                 "CREATE TABLE PRESCDIET ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDPACIENTE VARCHAR(10) NOT NULL,"
                 " CDDIETPAD VARCHAR(4) NOT NULL,"
                 " DTINIPRESC {DATETIME} NOT NULL,"
                 " DTFIMPRESC {DATETIME},"
                 " CHECK (DTFIMPRESC IS NULL OR DTFIMPRESC >= DTINIPRESC),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDPACIENTE, CDDIETPAD, DTINIPRESC),"
                 " FOREIGN KEY (CDFILIAL, CDPACIENTE) REFERENCES PACIENTE (CDFILIAL, CDPACIENTE),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI, CDDIETPAD) REFERENCES DIETSERV (CDFILIAL, "
                 "CDSERVFILI, CDDIETPAD),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // The prescriptions of a service that began by a day.
             QStringLiteral("CREATE INDEX PRESCDIET_INICIO ON PRESCDIET (CDFILIAL, CDSERVFILI, "
                            "DTINIPRESC)"),
             // Counts of patients per diet, replaced by the prescriptions above; nothing
             // read them.
             QStringLiteral("DROP TABLE DIETPRESC"),
         }},
        {10,
         QStringLiteral("Custos do mês: consumo por comensal, custo indireto, tolerâncias do "
                        "fechamento, datas de referência e área de trabalho dos custos"),
         {
             // What each diner of a service consumes besides the dishes (disposables,
             // cleaning, gas), per product, valued at the product's cost like a recipe.
             // Replaces CUSTOSERVMES.VRCONSPERC, which nothing reads any more.
             QStringLiteral(
                 "CREATE TABLE CONSSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO),"
                 " QTCONSPERC {FLOAT} NOT NULL CHECK (QTCONSPERC > 0),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDPRODUTO),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             // A branch's indirect cost of a month (administration, rent, supervision),
             // spread over the diners of all its services' days of the month. Replaces
             // CUSTOSERVMES.VRCUSTORATPERC, which nothing reads any more.
             QStringLiteral("CREATE TABLE CUSTORATMES ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTMESCUST {DATETIME} NOT NULL,"
                            " VRCUSTORAT {FLOAT} NOT NULL CHECK (VRCUSTORAT >= 0),"
                            " PRIMARY KEY (CDFILIAL, DTMESCUST))"),
             // How far, in percent, a month's planned per capita may lie above and below
             // the standard for the month to close; both or neither (no limit).
             QStringLiteral("ALTER TABLE PARAMPLANEJA ADD COLUMN VRPEMAXDIFPLAPA {FLOAT} "
                            "CHECK (VRPEMAXDIFPLAPA >= 0)"),
             QStringLiteral("ALTER TABLE PARAMPLANEJA ADD COLUMN VRPEMINDIFPLAPA {FLOAT} "
                            "CHECK (VRPEMINDIFPLAPA >= 0 AND (VRPEMINDIFPLAPA IS NULL) = "
                            "(VRPEMAXDIFPLAPA IS NULL))"),
             // Who stored the month's reference date for costs, and when (null: the
             // demonstration or an older version stored it).
             QStringLiteral("ALTER TABLE BASECUSTMES ADD COLUMN CDOPERBASE VARCHAR(12) "
                            "REFERENCES OPERADOR (CDOPERADOR)"),
             QStringLiteral("ALTER TABLE BASECUSTMES ADD COLUMN DTALTBASE {DATETIME}"),
             // The date from which the cost analysis with recipe revision compares a
             // branch's costs of a month, who stored it and when.
             QStringLiteral("CREATE TABLE BASECUSTREC ("
                            " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                            " DTMESCUST {DATETIME} NOT NULL,"
                            " DTBASRECCUS {DATETIME} NOT NULL,"
                            " CDOPERREC VARCHAR(12) REFERENCES OPERADOR (CDOPERADOR),"
                            " DTALTREC {DATETIME},"
                            " PRIMARY KEY (CDFILIAL, DTMESCUST))"),
             // The work areas of the month's costs: the planned cost of each day of a
             // period as an operator asked for it (prices, reference date, cost branch),
             // and each dish of each day when asked for; released by the screen, swept
             // after a day. The key comes from a counter that never goes back.
             QStringLiteral("CREATE TABLE SEQTRABCUSTO ("
                            " NRSEQ INTEGER NOT NULL PRIMARY KEY CHECK (NRSEQ = 1),"
                            " NRULTIMO INTEGER NOT NULL DEFAULT 0)"),
             QStringLiteral("INSERT INTO SEQTRABCUSTO (NRSEQ, NRULTIMO) VALUES (1, 0)"),
             QStringLiteral(
                 "CREATE TABLE TRABCUSTO ("
                 " NRTRABCUSTO VARCHAR(10) NOT NULL PRIMARY KEY,"
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR) ON DELETE "
                 "CASCADE,"
                 " DTCRIACAO {DATETIME} NOT NULL,"
                 " DTINICIO {DATETIME} NOT NULL,"
                 " DTFIM {DATETIME} NOT NULL,"
                 " NRTIPOCUSTO INTEGER NOT NULL REFERENCES TIPOCUSTO (NRTIPOCUSTO),"
                 " DTREFERENCIA {DATETIME},"
                 " CDFILCUSTO VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL),"
                 " IDPORPRATO CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDPORPRATO IN ('S','N')),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             QStringLiteral("CREATE INDEX TRABCUSTO_CRIACAO ON TRABCUSTO (DTCRIACAO)"),
             QStringLiteral(
                 "CREATE TABLE TRABCUSTODIA ("
                 " NRTRABCUSTO VARCHAR(10) NOT NULL REFERENCES TRABCUSTO (NRTRABCUSTO) ON "
                 "DELETE CASCADE,"
                 " DTDATA {DATETIME} NOT NULL,"
                 " VRCUSTPRODMAT {FLOAT} NOT NULL,"
                 " VRCUSTOCONS {FLOAT} NOT NULL,"
                 " VRCUSTORAT {FLOAT},"
                 " QTCOMESTICAR {FLOAT} NOT NULL,"
                 " QTCLIESTICAR {FLOAT} NOT NULL,"
                 " PRIMARY KEY (NRTRABCUSTO, DTDATA))"),
             QStringLiteral(
                 "CREATE TABLE TRABCUSTOPRAT ("
                 " NRTRABCUSTO VARCHAR(10) NOT NULL,"
                 " DTDATA {DATETIME} NOT NULL,"
                 " NRSEQPRATCAR INTEGER NOT NULL,"
                 " NRORDPRATCAR INTEGER NOT NULL,"
                 " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                 " CDPRATO VARCHAR(10) NOT NULL,"
                 " QTPORCAO {FLOAT} NOT NULL,"
                 " VRCUSTOPORCAO {FLOAT} NOT NULL,"
                 " VRCUSTOPRATO {FLOAT} NOT NULL,"
                 " PRIMARY KEY (NRTRABCUSTO, DTDATA, NRSEQPRATCAR, NRORDPRATCAR),"
                 " FOREIGN KEY (NRTRABCUSTO, DTDATA) REFERENCES TRABCUSTODIA (NRTRABCUSTO, "
                 "DTDATA) ON DELETE CASCADE)"),
         }},
        {11,
         QStringLiteral("Linhas do log da exportação de cardápio"),
         {
             // What an export did in a destination, day by day and dish by dish: the
             // kind of line (IDNUMERRO), the day, the dish brought and the dish it met.
             QStringLiteral("CREATE TABLE LOGEXPCARDITEM ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " NRLOGEXPCARD VARCHAR(10) NOT NULL,"
                            " NRITEMLOG INTEGER NOT NULL,"
                            " IDNUMERRO CHAR(1) NOT NULL,"
                            " DTCARDAPIO {DATETIME},"
                            " CDFILAUXPRAT VARCHAR(4),"
                            " CDPRATO VARCHAR(10),"
                            " NMPRATORIG VARCHAR(40),"
                            " NMPRATDEST VARCHAR(40),"
                            " DSMENSLOG VARCHAR(200) NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, NRLOGEXPCARD, NRITEMLOG),"
                            " FOREIGN KEY (CDFILIAL, NRLOGEXPCARD) REFERENCES LOGEXPCARD "
                            "(CDFILIAL, NRLOGEXPCARD) ON DELETE CASCADE)"),
             // The last export log number of each branch: taken by updating the row, so
             // that exports at once queue on it instead of taking the same number.
             QStringLiteral("CREATE TABLE SEQLOGEXPCARD ("
                            " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY REFERENCES FILIAL "
                            "(CDFILIAL),"
                            " NRULTIMO INTEGER NOT NULL DEFAULT 0)"),
         }},
        {12,
         QStringLiteral("Revisões de receita registradas na análise de custos"),
         {
             // A dish's recipe marked revised by a planner from the cost analysis of a
             // service's month: who, when (the server's clock), from which month, and
             // whether the recipe was revised before (PRATO.IDRECEREVI). Numbered per
             // dish; the last is the dish's latest revision.
             QStringLiteral("CREATE TABLE REVRECEITA ("
                            " CDFILAUXPRAT VARCHAR(4) NOT NULL,"
                            " CDPRATO VARCHAR(10) NOT NULL,"
                            " NRREVISAO INTEGER NOT NULL,"
                            " DTREVISAO {DATETIME} NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " DTMESCARD {DATETIME} NOT NULL,"
                            " IDRECEREVIANT CHAR(1) NOT NULL CHECK (IDRECEREVIANT IN ('S','N')),"
                            " PRIMARY KEY (CDFILAUXPRAT, CDPRATO, NRREVISAO),"
                            " FOREIGN KEY (CDFILAUXPRAT, CDPRATO) REFERENCES PRATO (CDFILAUXPRAT, "
                            "CDPRATO),") +
                 ServiceKey,
         }},
        {13,
         QStringLiteral("Restrições contratuais dos serviços e pratos fritos"),
         {
             // A fried dish (deep-fried, or breaded and fried): what contracts limit per
             // week. Marked in the dish catalogue, whatever type the dish is.
             QStringLiteral("ALTER TABLE PRATO ADD COLUMN IDFRITURA CHAR(1) NOT NULL DEFAULT 'N' "
                            "CHECK (IDFRITURA IN ('S','N'))"),
             // A branch's contract restrictions for one of its services: the kind (at
             // most N dishes a week, a minimum of days of the month, a maximum planned
             // per capita, the same dish no closer than N days), the dishes named (of a
             // dish type, fried ones, or both), the limit, the clause it comes from, and
             // who changed it last and when (null: the demonstration wrote it).
             QStringLiteral(
                 "CREATE TABLE RESTCONTSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " NRRESTCONT INTEGER NOT NULL,"
                 " IDTIPORESTR CHAR(1) NOT NULL CHECK (IDTIPORESTR IN ('S','D','C','R')),"
                 " CDTIPOPRAT VARCHAR(2) REFERENCES TIPOPRAT (CDTIPOPRAT),"
                 " IDSOFRITO CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDSOFRITO IN ('S','N')),"
                 " VRLIMITE {FLOAT} NOT NULL CHECK (VRLIMITE >= 0),"
                 " DSRESTCONT VARCHAR(60),"
                 " CDOPERADOR VARCHAR(12) REFERENCES OPERADOR (CDOPERADOR),"
                 " DTULTALT {DATETIME},"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, NRRESTCONT),") +
                 ServiceKey,
             // Per service: the last restriction number and the last change of its
             // restrictions, who and when. A change updates this row first, so that
             // changes at once queue on it.
             QStringLiteral("CREATE TABLE RESTCONTCAB ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " NRULTREST INTEGER NOT NULL DEFAULT 0,"
                            " NRULTALT INTEGER NOT NULL DEFAULT 0,"
                            " CDOPERADOR VARCHAR(12) REFERENCES OPERADOR (CDOPERADOR),"
                            " DTULTALT {DATETIME},"
                            " PRIMARY KEY (CDFILIAL, CDSERVFILI),") +
                 ServiceKey,
             // Every restriction included ("I"), changed ("A") or removed ("E"), under
             // the number of its change (RESTCONTCAB.NRULTALT): the restriction as it
             // stood afterwards (as it was, when removed), who and when.
             QStringLiteral("CREATE TABLE LOGRESTCONT ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " NRALTERACAO INTEGER NOT NULL,"
                            " NRRESTCONT INTEGER NOT NULL,"
                            " IDOPERACAO CHAR(1) NOT NULL CHECK (IDOPERACAO IN ('I','A','E')),"
                            " DSRESTRICAO VARCHAR(200) NOT NULL,"
                            " CDOPERADOR VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR),"
                            " DTALTERACAO {DATETIME} NOT NULL,"
                            " PRIMARY KEY (CDFILIAL, CDSERVFILI, NRALTERACAO, NRRESTCONT),") +
                 ServiceKey,
         }},
        {14,
         QStringLiteral("Central de compras da filial e atualização do custo pelas listas de "
                        "preços"),
         {
             // The branch whose purchases serve a branch: its price lists set the costs the
             // branch buys at. Null: the branch buys for itself.
             QStringLiteral("ALTER TABLE FILIAL ADD COLUMN CDFILCENTCMP VARCHAR(4) REFERENCES "
                            "FILIAL (CDFILIAL)"),
             // Who had a price list update the costs, and when (null: not yet, or before
             // this was kept).
             QStringLiteral("ALTER TABLE LISTAPRECO ADD COLUMN CDOPERATUCUS VARCHAR(12) "
                            "REFERENCES OPERADOR (CDOPERADOR)"),
             QStringLiteral("ALTER TABLE LISTAPRECO ADD COLUMN DTATUCUSLIST {DATETIME}"),
         }},
        {15,
         QStringLiteral("Histórico das alterações das posições do cardápio e porções retiradas "
                        "dos pratos servidos"),
         {
             // Every change to a position of a service's menus, written in the transaction
             // of the change: the day, the position, the dish before and after (null when
             // the position was empty, or left empty), their shares and the day's diners
             // before and after, the position's dish type, what changed it (IDOPERACAO,
             // rpc::TOperacaoCardapio), who and when (the server's clock). Only appended.
             QStringLiteral("{SQLITE}CREATE TABLE HISTCARD ("
                            " NRHISTCARD INTEGER PRIMARY KEY,") +
                 HistoryColumns,
             QStringLiteral("{POSTGRESQL}CREATE TABLE HISTCARD ("
                            " NRHISTCARD BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,") +
                 HistoryColumns,
             // The history of a service over a period of changes, of one dish before or
             // after, and of one operator.
             QStringLiteral("CREATE INDEX HISTCARD_SERVICO ON HISTCARD (CDFILIAL, CDSERVFILI, "
                            "DTALTERACAO)"),
             QStringLiteral("CREATE INDEX HISTCARD_PRATOANT ON HISTCARD (CDFILIAL, CDSERVFILI, "
                            "CDPRATOANT, DTALTERACAO)"),
             QStringLiteral("CREATE INDEX HISTCARD_PRATONOV ON HISTCARD (CDFILIAL, CDSERVFILI, "
                            "CDPRATONOV, DTALTERACAO)"),
             // The portions of a dish the kitchen really gave out on a served day, as its
             // production records them; null while not recorded. Against the planned
             // portions (the day's diners times the dish's share) it is the dish's
             // acceptance.
             QStringLiteral("ALTER TABLE COMPCARD ADD COLUMN QTPORCRETI {FLOAT} CHECK "
                            "(QTPORCRETI >= 0)"),
         }},
        {16,
         QStringLiteral("Composição nutricional: peso da unidade dos produtos, ordem dos "
                        "nutrientes e valores de referência dos serviços"),
         {
             // A product's nutrients (NUTRIPROD.QTNUTRI100) are what 100 g of it hold
             // (100 ml of a liquid). A product counted by the unit (a bread roll, an egg)
             // says how many grams one unit weighs; null for a unit of weight or volume
             // (KG, G, L, ML), which weighs itself.
             QStringLiteral("ALTER TABLE PRODUTO ADD COLUMN QTGRAMAUNID {FLOAT} CHECK "
                            "(QTGRAMAUNID > 0)"),
             // The order the nutrients are shown in (energy first, as labels show them).
             QStringLiteral("ALTER TABLE NUTRIENTE ADD COLUMN NRORDNUTRI INTEGER NOT NULL "
                            "DEFAULT 0"),
             // What one diner of a service should take of a nutrient in the service's meal
             // of a day (a school's reference intake): a minimum, a maximum or both, and
             // where the values come from.
             QStringLiteral("CREATE TABLE NUTRIREFSERV ("
                            " CDFILIAL VARCHAR(4) NOT NULL,"
                            " CDSERVFILI VARCHAR(5) NOT NULL,"
                            " CDNUTRIENTE VARCHAR(4) NOT NULL REFERENCES NUTRIENTE (CDNUTRIENTE),"
                            " QTMINNUTRI {FLOAT} CHECK (QTMINNUTRI >= 0),"
                            " QTMAXNUTRI {FLOAT} CHECK (QTMAXNUTRI >= 0),"
                            " DSREFNUTRI VARCHAR(60),"
                            " CHECK (QTMINNUTRI IS NOT NULL OR QTMAXNUTRI IS NOT NULL),"
                            " CHECK (QTMINNUTRI IS NULL OR QTMAXNUTRI IS NULL OR QTMAXNUTRI >= "
                            "QTMINNUTRI),"
                            " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDNUTRIENTE),") +
                 ServiceKey,
         }},
        {17,
         QStringLiteral("Dias do mês de um serviço lidos em ordem de data; histórico sem os "
                        "índices por prato no SQLite"),
         {
             // A month's days in date order straight from the index: the month's screen
             // reads them so, and with the date left out SQLite walked all the service's
             // days (five years of them, sixty months) to spare the sort.
             QStringLiteral("DROP INDEX CARDADIA_MES"),
             QStringLiteral("CREATE INDEX CARDADIA_MES ON CARDADIA (CDFILIAL, CDSERVFILI, "
                            "DTMESCARD, DTCARDAPIO)"),
             // The change record by dish, on SQLite: a save of many dishes touched a page of
             // each for every line it wrote, and SQLite, without statistics, found a dish's
             // changes among the service's changes of the period (HISTCARD_SERVICO) anyway.
             // PostgreSQL keeps them: its planner uses them for a rare dish.
             QStringLiteral("{SQLITE}DROP INDEX HISTCARD_PRATOANT"),
             QStringLiteral("{SQLITE}DROP INDEX HISTCARD_PRATONOV"),
         }},
    };
    return steps;
}

} // namespace pla::server
