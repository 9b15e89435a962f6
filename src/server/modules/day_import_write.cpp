// ImportaCardDia: the dishes of the chosen dish types of one day placed into another
// day of the branch, position by position of the target month, in one transaction.
#include "day_import.h"
#include "day_writer.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

namespace pla::server {

namespace {

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// "01;03": each piece trimmed and padded as a dish-type code, empty pieces ignored.
QSet<QString> chosenTypes(const QString& text) {
    QSet<QString> out;
    for (const QString& piece : text.split(QLatin1Char(';'))) {
        if (!piece.trimmed().isEmpty()) {
            out.insert(Ajusta(piece.trimmed(), 2));
        }
    }
    if (out.isEmpty()) {
        throw EPlaError(QStringLiteral("Escolha ao menos um tipo de prato."));
    }
    return out;
}

class TDayImport {
public:
    TDayImport(TCallContext& ctx, const QString& filial, const QString& servico, const QDate& dia)
        : db_(ctx.Database())
        , filial_(filial)
        , servico_(servico)
        , dia_(dia)
        , mes_(PriDiaMes(dia)) {}

    // The target day may take dishes: changeable, a working day where the branch plans
    // working days only, with diners (its own, or the service's estimate for a new day).
    void CheckTarget() {
        if (dia_ < FirstChangeableDay(db_, filial_)) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(dateText(dia_)));
        }
        const bool workingDaysOnly =
            db_.Scalar(QStringLiteral("SELECT IDCARDIAUTIL FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                       {filial_})
                .toString() == QLatin1String("S");
        if (workingDaysOnly &&
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? AND "
                                      "DTFERIFILI = ?"),
                       {filial_, DataHora(dia_)})
                    .toInt() > 0) {
            throw EPlaError(QStringLiteral("Cardápio bloqueado para dia não útil."));
        }
    }

    void CheckConfiguration() {
        if (!EnsureMonthConfiguration(db_, filial_, servico_, mes_)) {
            throw EPlaError(QStringLiteral("Não existe configuração de cardápio cadastrada para o "
                                           "serviço de destino."));
        }
    }

    // The day's number, or the service's estimate for a day to create.
    void CheckDiners(TDayWriter& writer) {
        if (const auto day = writer.Find(dia_)) {
            nr_ = day->Number;
            if (!(day->Diners > 0)) {
                refuseWithoutDiners();
            }
            return;
        }
        const bool holiday =
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM FERICARD WHERE CDFILIAL = ? AND "
                                      "DTFERICARD = ?"),
                       {filial_, DataHora(dia_)})
                .toInt() > 0;
        estimate_ = TServiceEstimates(db_, filial_, servico_).ForDay(dia_, holiday);
        if (!(estimate_.Comensais > 0)) {
            refuseWithoutDiners();
        }
    }

    // Places the matched dishes; the answer as TElemImpCardDia.
    QVariant Run(TDayWriter& writer, const QList<TSourceDish>& source, const QSet<QString>& types) {
        if (nr_.isEmpty()) {
            nr_ = writer.Create(dia_, estimate_);
        }
        const TDayImportMatch match = writer.Place(nr_, dia_, source, types).Match;
        QStringList lines;
        for (const TDayImportMatch::TLeftOut& l : match.LeftOut) {
            lines << LeftOutLine(source[l.Source], l.TypeMissing);
        }
        QVariantList out(2);
        out[int(rpc::TElemImpCardDia::Importados)] = qlonglong(match.Placed.size());
        out[int(rpc::TElemImpCardDia::NaoImportados)] = lines.join(QLatin1Char('\n'));
        return out;
    }

private:
    [[noreturn]] void refuseWithoutDiners() const {
        throw EPlaError(QStringLiteral("Número de comensais do dia %1 deve ser maior que zero.")
                            .arg(dateText(dia_)));
    }

    TDatabase& db_;
    QString filial_;
    QString servico_;
    QDate dia_;
    QDate mes_;
    QString nr_; // empty until the day exists
    TDayEstimate estimate_;
};

} // namespace

// Checked in this order, refusing with nothing written: the types, the operator, the
// services, the same day, the target day, the source day's dishes, the target month's
// positions, the target day's diners.
QVariant ImportaCardDiaMethod(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TImportArgs a = TImportArgs::Of(args);
    const QString& filial = a.Filial;
    const QDate& dia = a.Dia;
    const QSet<QString> types = chosenTypes(args.String(5));
    CheckBranch(db, filial);
    ctx.Access().ExigePermissao({rpc::TAutorizacao::IncluirPrato, rpc::TAutorizacao::AlterarPrato,
                                 rpc::TAutorizacao::ExcluirPrato,
                                 rpc::TAutorizacao::AlterarComEstDia,
                                 rpc::TAutorizacao::AlterarComEstPrat},
                                QStringLiteral("alterar cardápios"));
    CheckImportAccess(ctx, filial);
    a.CheckServices(db);
    if (a.Servico == a.Destino && dia == a.DiaDestino) {
        throw EPlaError(QStringLiteral("O dia de origem é o próprio dia de destino: escolha outro "
                                       "dia ou outro serviço."));
    }
    TDayImport import(ctx, filial, a.Destino, a.DiaDestino);
    import.CheckTarget();
    const std::optional<TSourceDay> source = SourceDay(db, filial, a.Servico, dia);
    if (!source || source->Dishes.isEmpty()) {
        throw EPlaError(
            QStringLiteral("O cardápio do dia %1 do serviço %2 não tem pratos para importar.")
                .arg(dateText(dia), a.Servico));
    }
    QSet<QString> present;
    for (const TSourceDish& d : source->Dishes) {
        present.insert(d.Type);
    }
    for (const QString& type : types) {
        if (!present.contains(type)) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não tem pratos do tipo %2.")
                                .arg(dateText(dia), type));
        }
    }
    import.CheckConfiguration();
    TDayWriter writer(db, filial, a.Destino, ctx.Operador,
                      args.String(6).trimmed().toUpper() == QLatin1String("F"),
                      rpc::TOperacaoCardapio::ImportacaoDia);
    import.CheckDiners(writer);
    return import.Run(writer, source->Dishes, types);
}

} // namespace pla::server
