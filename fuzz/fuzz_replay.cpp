// The fuzz target without libFuzzer, for builds with gcc and for CI: each file of the
// corpus, then a fixed number of mutations of them (bits flipped, bytes inserted,
// removed or repeated, inputs cut and spliced) from a fixed seed, so that every run
// tries the same inputs.
//   pla-fuzz-replay CORPUS [--iterations N] [--seed S]
//   pla-fuzz-replay --write-seeds FOLDER
#include "core/data_packet.h"
#include "core/dates.h"
#include "fuzz_target.h"
#include "rpc/rpc_protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <cstdio>

namespace {

QByteArray mutate(QByteArray in, const QList<QByteArray>& corpus, QRandomGenerator& rng) {
    const int steps = 1 + int(rng.bounded(4));
    for (int s = 0; s < steps; ++s) {
        const qsizetype at = in.isEmpty() ? 0 : qsizetype(rng.bounded(quint32(in.size())));
        switch (rng.bounded(6)) {
        case 0:
            if (!in.isEmpty()) {
                in[at] = char(in[at] ^ char(1 << rng.bounded(8)));
            }
            break;
        case 1:
            in.insert(at, char(rng.bounded(256)));
            break;
        case 2:
            if (!in.isEmpty()) {
                in.remove(at, 1 + qsizetype(rng.bounded(
                                      quint32(std::min<qsizetype>(8, in.size() - at)))));
            }
            break;
        case 3:
            in.insert(at, in.mid(at, 1 + qsizetype(rng.bounded(16))));
            break;
        case 4:
            in.truncate(at);
            break;
        default: {
            const QByteArray& other = corpus[qsizetype(rng.bounded(quint32(corpus.size())))];
            in = in.left(at) + other.mid(qsizetype(rng.bounded(quint32(other.size() + 1))));
            break;
        }
        }
    }
    return in;
}

// A value of any kind, odd ones first.
QVariant anyValue(QRandomGenerator& rng) {
    switch (rng.bounded(9)) {
    case 0:
        return {};
    case 1:
        return qlonglong(rng.generate64());
    case 2:
        return -1.0;
    case 3:
        return QString(int(rng.bounded(64)), QChar(0x41 + int(rng.bounded(26))));
    case 4:
        return QStringLiteral("XXXXXXXXXX");
    case 5:
        return pla::DataHora(QDate(2026, 12, 1).addDays(int(rng.bounded(120))),
                             QTime(int(rng.bounded(3)) * 11, 0));
    case 6:
        return true;
    case 7:
        return 1e308;
    default:
        return QString();
    }
}

// Keeps the encoding valid and changes what it says: a value of a change set, a row's
// kind, a row dropped or repeated, an argument's value.
QByteArray mutateValues(const QByteArray& in, QRandomGenerator& rng) {
    QList<pla::rpc::TRpcArg> args;
    try {
        args = pla::rpc::DecodeArgs(in);
    } catch (const pla::EDecodeError&) {
        return in;
    }
    if (args.isEmpty()) {
        return in;
    }
    auto& arg = args[qsizetype(rng.bounded(quint32(args.size())))];
    if (!pla::IsDataPacket(arg.Value)) {
        arg.Value = anyValue(rng);
        return pla::rpc::EncodeArgs(args);
    }
    pla::TDataPacket p = pla::ToDataPacket(arg.Value);
    if (p.Rows.isEmpty()) {
        return in;
    }
    pla::TPacketRow& row = p.Rows[qsizetype(rng.bounded(quint32(p.Rows.size())))];
    switch (rng.bounded(4)) {
    case 0:
        row.Values[qsizetype(rng.bounded(quint32(row.Values.size())))] = anyValue(rng);
        break;
    case 1:
        row.Kind = static_cast<pla::TRowKind>(rng.bounded(4));
        row.Originals = row.Kind == pla::TRowKind::Modified ? row.Values : QList<QVariant>();
        break;
    case 2:
        p.Rows.append(row);
        break;
    default:
        if (!row.Originals.isEmpty()) {
            row.Originals[qsizetype(rng.bounded(quint32(row.Originals.size())))] = anyValue(rng);
        }
        break;
    }
    try {
        arg.Value = pla::FromDataPacket(p);
        return pla::rpc::EncodeArgs(args);
    } catch (const pla::EPlaError&) {
        return in; // a value the encoder refuses: the bytes mutations will try it
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Thousands of refusals are the point, not news.
    QLoggingCategory::setFilterRules(
        QStringLiteral("pla.server.calls.info=false\npla.server.calls.warning=false\n"
                       "pla.server.schema.info=false"));
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--write-seeds")) {
        pla::fuzz::WriteSeeds(args[1]);
        return 0;
    }
    if (args.isEmpty()) {
        std::fputs("usage: pla-fuzz-replay CORPUS [--iterations N] [--seed S]\n", stderr);
        return 2;
    }
    int iterations = 1000;
    quint32 seed = 20261206;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--iterations")) {
            iterations = args[i + 1].toInt();
        } else if (args[i] == QLatin1String("--seed")) {
            seed = args[i + 1].toUInt();
        }
    }
    QList<QByteArray> corpus;
    for (const QFileInfo& f : QDir(args[0]).entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(f.filePath());
        if (file.open(QIODevice::ReadOnly)) {
            corpus << file.readAll();
        }
    }
    if (corpus.isEmpty()) {
        std::fprintf(stderr, "pla-fuzz-replay: no inputs in %s\n", qPrintable(args[0]));
        return 2;
    }
    for (const QByteArray& input : corpus) {
        pla::fuzz::RunInput(input);
    }
    QRandomGenerator rng(seed);
    for (int i = 0; i < iterations; ++i) {
        const QByteArray& base = corpus[qsizetype(rng.bounded(quint32(corpus.size())))];
        pla::fuzz::RunInput(i % 2 == 0 ? mutateValues(base, rng) : mutate(base, corpus, rng));
    }
    std::printf("pla-fuzz-replay: %lld corpus inputs and %d mutations, no fault\n",
                static_cast<long long>(corpus.size()), iterations);
    return 0;
}
