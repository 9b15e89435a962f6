// The nutrients of a day's menu (PLA00105): each dish's nutrients per serving from its
// recipe and the products' composition, the day's totals per diner (each dish weighed by
// its share of the day's diners) against the reference values the branch keeps for the
// service. The day's dishes, recipes and compositions come in one query.
#include "nutrients.h"

#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QHash>
#include <QSet>

namespace pla::server {

std::optional<double> GramasPorUnidade(const QString& sgUnidade, const QVariant& qtGramaUnid) {
    if (!qtGramaUnid.isNull() && qtGramaUnid.toDouble() > 0) {
        return qtGramaUnid.toDouble();
    }
    const QString unit = sgUnidade.trimmed().toUpper();
    if (unit == QLatin1String("KG") || unit == QLatin1String("L")) {
        return 1000.0;
    }
    if (unit == QLatin1String("G") || unit == QLatin1String("ML")) {
        return 1.0;
    }
    return std::nullopt;
}

double NutrientePorPorcao(double qtPerCapita, double gramasPorUnidade, double qtNutri100) {
    return qtPerCapita * gramasPorUnidade / 100.0 * qtNutri100;
}

rpc::TSituacaoNutriente SituacaoNutriente(double total, const QVariant& minimo,
                                          const QVariant& maximo) {
    using S = rpc::TSituacaoNutriente;
    if (minimo.isNull() && maximo.isNull()) {
        return S::SemReferencia;
    }
    if (!minimo.isNull() && total < minimo.toDouble()) {
        return S::Abaixo;
    }
    if (!maximo.isNull() && total > maximo.toDouble()) {
        return S::Acima;
    }
    return S::Adequado;
}

namespace {

struct TNutriente {
    QString Codigo;
    QString Nome;
    QString Unidade;
    QVariant Minimo;
    QVariant Maximo;
};

// A dish as the day serves it, with what one serving of it holds.
struct TPratoDia {
    qlonglong Ordem = 0;
    QString Tipo;
    QString FilialPrato;
    QString Prato;
    QString Nome;
    double Participacao = 100;        // VRPECONSCARD, % of the day's diners
    QHash<QString, double> PorPorcao; // unrounded
    QStringList SemComposicao;        // products that cannot be weighed or lack data
};

// The columns every dish query gives, in this order: position order, dish type's name,
// dish branch, dish, name, share, position, order in the position; then the recipe line
// (product, its name, quantity per serving, unit, grams of a unit) and the composition
// (nutrient, per 100 g), null when missing.
const QString RecipeColumns = QStringLiteral(
    "R.CDPRODUTO, PR.NMPRODUTO, R.QTPERCAPITA, PR.SGUNIDADE, PR.QTGRAMAUNID, NP.CDNUTRIENTE, "
    "NP.QTNUTRI100");
const QString RecipeJoins = QStringLiteral(
    " LEFT JOIN RECEITA R ON R.CDFILAUXPRAT = P.CDFILAUXPRAT AND R.CDPRATO = P.CDPRATO"
    " LEFT JOIN PRODUTO PR ON PR.CDPRODUTO = R.CDPRODUTO"
    " LEFT JOIN NUTRIPROD NP ON NP.CDPRODUTO = R.CDPRODUTO%1");

// Reads the rows of a dish query into dishes, in the query's order.
QList<TPratoDia> lePratos(TRows& q) {
    QList<TPratoDia> out;
    QString key;
    QSet<QString> weighed; // products of the current dish already judged
    while (q.Next()) {
        // The same dish twice in a position is two dishes, each of its share.
        const QString k = QStringLiteral("%1|%2|%3|%4|%5")
                              .arg(q.Value(0).toLongLong())
                              .arg(q.Value(6).toLongLong())
                              .arg(q.Value(7).toLongLong())
                              .arg(q.Value(2).toString(), q.Value(3).toString());
        if (k != key) {
            key = k;
            weighed.clear();
            TPratoDia d;
            d.Ordem = q.Value(0).toLongLong();
            d.Tipo = q.Value(1).toString().trimmed();
            d.FilialPrato = q.Value(2).toString();
            d.Prato = q.Value(3).toString().trimmed();
            d.Nome = q.Value(4).toString().trimmed();
            d.Participacao = q.Value(5).toDouble();
            out.append(d);
        }
        TPratoDia& d = out.last();
        if (q.Value(8).isNull()) {
            d.SemComposicao.append(QStringLiteral("receita sem produtos"));
            continue;
        }
        const QString product = q.Value(8).toString();
        const QString name = q.Value(9).toString().trimmed();
        const std::optional<double> grams = GramasPorUnidade(q.Value(11).toString(), q.Value(12));
        const bool known = grams && !q.Value(13).isNull();
        if (!known) {
            if (!weighed.contains(product)) {
                d.SemComposicao.append(name);
            }
            weighed.insert(product);
            continue;
        }
        weighed.insert(product);
        d.PorPorcao[q.Value(13).toString().trimmed()] +=
            NutrientePorPorcao(q.Value(10).toDouble(), *grams, q.Value(14).toDouble());
    }
    return out;
}

double arredonda(double v) {
    return RoundDec(v, CasasNutriente);
}

// Branch, service, the nutrient's code (or every one), the day, the cell's dish. Read by
// an operator who may work on the branch, as its menus are.
QVariant getNutriCard(TCallContext& ctx, TMethodArgs& args) {
    using E = rpc::TElemNutriCard;
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QString escolha = args.String(2).trimmed().toUpper();
    const bool todos = escolha.isEmpty() || escolha == QLatin1String(rpc::TodosNutrientes);
    const QDate dia = args.DateTime(3).date();
    const QString prato = args.String(4).trimmed();
    CheckBranch(db, filial);
    ctx.Access().ExigeFilial(filial);
    CheckService(db, filial, servico);
    if (!dia.isValid()) {
        throw EPlaError(QStringLiteral("Informe o dia do cardápio."));
    }

    // The nutrients chosen, in their order, with the service's reference.
    QList<TNutriente> nutrientes;
    QString referencia;
    {
        QString sql = QStringLiteral(
            "SELECT N.CDNUTRIENTE, N.NMNUTRIENTE, N.SGUNIDADE, R.QTMINNUTRI, R.QTMAXNUTRI, "
            "R.DSREFNUTRI FROM NUTRIENTE N LEFT JOIN NUTRIREFSERV R ON R.CDFILIAL = ? AND "
            "R.CDSERVFILI = ? AND R.CDNUTRIENTE = N.CDNUTRIENTE");
        QVariantList params{filial, servico};
        if (!todos) {
            sql += QStringLiteral(" WHERE N.CDNUTRIENTE = ?");
            params.append(escolha);
        }
        sql += QStringLiteral(" ORDER BY N.NRORDNUTRI, N.CDNUTRIENTE");
        TRows q = db.Select(sql, params);
        while (q.Next()) {
            const auto value = [&q](int i) {
                return q.Value(i).isNull() ? QVariant() : q.Value(i);
            };
            nutrientes.append({q.Value(0).toString().trimmed(), q.Value(1).toString().trimmed(),
                               q.Value(2).toString().trimmed(),
                               value(3).isValid() ? QVariant(value(3).toDouble()) : QVariant(),
                               value(4).isValid() ? QVariant(value(4).toDouble()) : QVariant()});
            if (referencia.isEmpty()) {
                referencia = q.Value(5).toString().trimmed();
            }
        }
    }
    if (nutrientes.isEmpty()) {
        throw EPlaError(todos ? QStringLiteral("Não há nutrientes cadastrados.")
                              : QStringLiteral("Nutriente %1 não cadastrado.").arg(escolha));
    }
    // One nutrient: the others' compositions stay out of the rows.
    const QString oneNutrient = todos ? QString() : QStringLiteral(" AND NP.CDNUTRIENTE = ?");
    const QVariantList nutrientParam = todos ? QVariantList() : QVariantList{nutrientes[0].Codigo};

    // The day's dishes in the grid's order, with their recipes and compositions.
    QList<TPratoDia> pratos;
    {
        TRows q = db.Select(
            QStringLiteral(
                "SELECT COALESCE(N.NRORDCNFMES, 0), COALESCE(T.NMTIPOPRAT, ''), P.CDFILAUXPRAT, "
                "P.CDPRATO, P.NMPRATO, C.VRPECONSCARD, C.NRSEQPRATCAR, C.NRORDPRATCAR, %1 FROM "
                "CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                "D.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
                "C.CDPRATO LEFT JOIN CNFCARDMES N ON N.CDFILIAL = D.CDFILIAL AND N.CDSERVFILI = "
                "D.CDSERVFILI AND N.DTREFECNFMES = D.DTMESCARD AND N.NRSEQCNFMES = "
                "C.NRSEQPRATCAR LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT = COALESCE(N.CDTIPOPRAT, "
                "P.CDTIPOPRAT)%2 WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO = ? "
                "ORDER BY 1, C.NRSEQPRATCAR, C.NRORDPRATCAR, R.CDPRODUTO, NP.CDNUTRIENTE")
                .arg(RecipeColumns, RecipeJoins.arg(oneNutrient)),
            nutrientParam + QVariantList{filial, servico, DataHora(dia)});
        pratos = lePratos(q);
    }

    // The cell's dish: among the day's, or on its own when the day does not hold it.
    std::optional<TPratoDia> daCelula;
    if (!prato.isEmpty()) {
        for (const TPratoDia& d : pratos) {
            if (d.Prato == prato) {
                daCelula = d;
                break;
            }
        }
        if (!daCelula) {
            TRows q = db.Select(
                QStringLiteral("SELECT 0, COALESCE(T.NMTIPOPRAT, ''), P.CDFILAUXPRAT, P.CDPRATO, "
                               "P.NMPRATO, 100, 0, 0, %1 FROM PRATO P LEFT JOIN TIPOPRAT T ON "
                               "T.CDTIPOPRAT = P.CDTIPOPRAT%2 WHERE P.CDPRATO = ? ORDER BY "
                               "P.CDFILAUXPRAT, R.CDPRODUTO, NP.CDNUTRIENTE")
                    .arg(RecipeColumns, RecipeJoins.arg(oneNutrient)),
                nutrientParam + QVariantList{prato});
            const QList<TPratoDia> alone = lePratos(q);
            if (alone.isEmpty()) {
                throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(prato));
            }
            daCelula = alone.first();
        }
    }

    TDataPacket porNutriente;
    porNutriente.Fields = {{"CDNUTRIENTE", TFieldType::String, 4, true},
                           {"NMNUTRIENTE", TFieldType::String, 40, false},
                           {"SGUNIDADE", TFieldType::String, 4, false},
                           {"QTPRATO", TFieldType::Float, 0, false},
                           {"QTDIA", TFieldType::Float, 0, false},
                           {"QTMINNUTRI", TFieldType::Float, 0, false},
                           {"QTMAXNUTRI", TFieldType::Float, 0, false},
                           {"IDSITNUTRI", TFieldType::String, 1, false}};
    for (const TNutriente& n : nutrientes) {
        QVariant total;
        QChar situacao = QLatin1Char(char(rpc::TSituacaoNutriente::SemReferencia));
        if (!pratos.isEmpty()) {
            double sum = 0;
            for (const TPratoDia& d : pratos) {
                sum += d.PorPorcao.value(n.Codigo) * d.Participacao / 100.0;
            }
            total = arredonda(sum);
            situacao = QLatin1Char(char(SituacaoNutriente(total.toDouble(), n.Minimo, n.Maximo)));
        }
        TPacketRow r;
        r.Values = {
            n.Codigo,
            n.Nome,
            n.Unidade,
            daCelula ? QVariant(arredonda(daCelula->PorPorcao.value(n.Codigo))) : QVariant(),
            total,
            n.Minimo,
            n.Maximo,
            QString(situacao)};
        porNutriente.Rows.append(r);
    }

    TDataPacket doDia;
    doDia.Fields = {{"NRORDCNFMES", TFieldType::Integer, 0, false},
                    {"NMTIPOPRAT", TFieldType::String, 35, false},
                    {"CDFILAUXPRAT", TFieldType::String, 4, true},
                    {"CDPRATO", TFieldType::String, 10, true},
                    {"NMPRATO", TFieldType::String, 40, false},
                    {"VRPECONSCARD", TFieldType::Float, 0, false},
                    {"DSSEMCOMPOSICAO", TFieldType::String, 400, false}};
    for (const TNutriente& n : nutrientes) {
        doDia.Fields.append({n.Codigo, TFieldType::Float, 0, false});
    }
    for (const TPratoDia& d : pratos) {
        TPacketRow r;
        r.Values = {d.Ordem,
                    d.Tipo,
                    d.FilialPrato,
                    d.Prato,
                    d.Nome,
                    d.Participacao,
                    d.SemComposicao.join(QStringLiteral(", ")).left(400)};
        for (const TNutriente& n : nutrientes) {
            r.Values.append(arredonda(d.PorPorcao.value(n.Codigo)));
        }
        doDia.Rows.append(r);
    }

    QVariantList out(int(E::Quantidade));
    out[int(E::Nutrientes)] = FromDataPacket(porNutriente);
    out[int(E::PratosDia)] = FromDataPacket(doDia);
    out[int(E::Referencia)] = referencia;
    out[int(E::SemComposicao)] =
        daCelula ? daCelula->SemComposicao.join(QStringLiteral(", ")) : QString();
    return out;
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeNutriCard() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00105.rdmNutriCard"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetNutriCard(), getNutriCard));
    return m;
}

} // namespace pla::server
