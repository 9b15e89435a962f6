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
    };
    return steps;
}

} // namespace pla::server
