#include "migrations.h"

namespace pla::server {

// The schema in steps. A step, once released, is never edited: changes come as new
// steps. One-letter flags are "S"/"N" unless a column says otherwise; codes are
// texts stored exactly as the application pads them.
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
             QStringLiteral(
                 "CREATE TABLE CNFCARDSERV ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " NRSEQCNFMES INTEGER NOT NULL,"
                 " CDTIPOPRAT VARCHAR(2) NOT NULL REFERENCES TIPOPRAT (CDTIPOPRAT),"
                 " IDOPCCNFMES CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDOPCCNFMES IN ('S','N')),"
                 " IDIMPCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDIMPCNFMES IN ('S','N')),"
                 " NRORDCNFMES INTEGER NOT NULL,"
                 " IDCONCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDCONCNFMES IN ('S','N')),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, NRSEQCNFMES),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
             QStringLiteral(
                 "CREATE TABLE CNFCARDMES ("
                 " CDFILIAL VARCHAR(4) NOT NULL,"
                 " CDSERVFILI VARCHAR(5) NOT NULL,"
                 " DTREFECNFMES {DATETIME} NOT NULL,"
                 " NRSEQCNFMES INTEGER NOT NULL,"
                 " CDTIPOPRAT VARCHAR(2) NOT NULL REFERENCES TIPOPRAT (CDTIPOPRAT),"
                 " IDOPCCNFMES CHAR(1) NOT NULL DEFAULT 'N' CHECK (IDOPCCNFMES IN ('S','N')),"
                 " IDIMPCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDIMPCNFMES IN ('S','N')),"
                 " NRORDCNFMES INTEGER NOT NULL,"
                 " IDCONCNFMES CHAR(1) NOT NULL DEFAULT 'S' CHECK (IDCONCNFMES IN ('S','N')),"
                 " PRIMARY KEY (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES),"
                 " FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVICO (CDFILIAL, CDSERVFILI))"),
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
    };
    return steps;
}

} // namespace pla::server
