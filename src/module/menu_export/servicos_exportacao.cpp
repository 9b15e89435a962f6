#include "servicos_exportacao.h"

#include "core/table_scopes.h"
#include "rpc/contracts.h"

namespace pla::module {

namespace sit = rpc::situacao_exportacao;

namespace {

QString campo(TMemTable& t, const char* name) {
    return t.FieldByName(QLatin1String(name)).AsString().trimmed();
}

bool situacao(TMemTable& t, char s) {
    return campo(t, "IDSITSERV") == QString(QChar(s));
}

void marca(TMemTable& t, bool marcado) {
    t.Edit();
    t.FieldByName(QStringLiteral("IDMARCADO"))
        .SetAsString(marcado ? QStringLiteral("S") : QStringLiteral("N"));
    t.Post();
}

bool marcado(TMemTable& t) {
    return campo(t, "IDMARCADO") == QLatin1String("S");
}

} // namespace

void MarcaServico(TMemTable& servicos, bool todos) {
    if (!servicos.Active() || servicos.IsEmpty()) {
        return;
    }
    if (!todos) {
        if (!situacao(servicos, sit::Erro)) {
            marca(servicos, !marcado(servicos));
        }
        return;
    }
    TControlsDisabled frozen(servicos);
    TBookmarkRestore keep(servicos);
    bool algum = false;
    for (servicos.First(); !servicos.Eof() && !algum; servicos.Next()) {
        algum = marcado(servicos);
    }
    for (servicos.First(); !servicos.Eof(); servicos.Next()) {
        if (situacao(servicos, sit::Erro) || situacao(servicos, sit::Bloqueado)) {
            continue;
        }
        if (!algum) {
            marca(servicos, true);
        } else if (marcado(servicos)) {
            marca(servicos, false);
        }
    }
}

TListasExportacao ListasExportacao(TMemTable& servicos, const QString& origem) {
    TListasExportacao out;
    if (!servicos.Active()) {
        return out;
    }
    TControlsDisabled frozen(servicos);
    TBookmarkRestore keep(servicos);
    for (servicos.First(); !servicos.Eof(); servicos.Next()) {
        if (marcado(servicos)) {
            out.Origens += origem + QLatin1Char('_');
            out.Destinos += campo(servicos, "CDSERVFILI") + QLatin1Char('_');
            ++out.Quantidade;
        }
    }
    return out;
}

QString TextoSituacao(const TMessages& catalogo, const QString& chaves) {
    QStringList linhas;
    for (const QString& chave : chaves.split(QLatin1Char(';'))) {
        if (chave.trimmed().isEmpty()) {
            continue;
        }
        const QString k = chave.trimmed();
        linhas << QStringLiteral("- ") + (catalogo.Contains(k) ? catalogo.Msg(k) : k);
    }
    return linhas.join(QStringLiteral("\n\n"));
}

TImagemServico ImagemServico(const QString& campo, const QString& situacao,
                             const QString& marcadoTexto) {
    const QString s = situacao.trimmed();
    if (campo == QLatin1String("IDMARCADO")) {
        if (s == QString(QChar(sit::Erro)) || s == QString(QChar(sit::Bloqueado))) {
            return TImagemServico::MarcadoCinza;
        }
        return marcadoTexto.trimmed() == QLatin1String("S") ? TImagemServico::Marcado
                                                            : TImagemServico::Desmarcado;
    }
    if (campo == QLatin1String("IDSITSERV")) {
        if (s == QString(QChar(sit::Ok))) {
            return TImagemServico::Ok;
        }
        if (s == QString(QChar(sit::Alerta))) {
            return TImagemServico::Alerta;
        }
        if (s == QString(QChar(sit::Erro))) {
            return TImagemServico::Erro;
        }
        return TImagemServico::Bloqueado;
    }
    return TImagemServico::Nenhuma;
}

QString VerificaPeriodo(const QDate& inicio, const QDate& fim, const QDate& limite) {
    if (!inicio.isValid()) {
        return QStringLiteral("DATAINI_N_INF");
    }
    if (inicio < limite) {
        return QStringLiteral("DATAINI_<_DATAPROC");
    }
    if (!fim.isValid()) {
        return QStringLiteral("DATAFIN_N_INF");
    }
    if (fim < inicio) {
        return QStringLiteral("DATAINI>DATAFIN");
    }
    if (inicio.month() != fim.month()) {
        return QStringLiteral("MES_DATAINI<>MES_DATAFIN");
    }
    return {};
}

} // namespace pla::module
