#include "decision_cube_capacity.h"

#include <QFile>
#include <QRegularExpression>

namespace pla::module {

namespace {

constexpr quint64 Cap = 2147483647ULL;
constexpr quint64 AllBits = 4294967295ULL;
qint64 capacity = 0;

} // namespace

qint64 DecisionCubeCapacity(quint64 availablePhysical, quint64 availablePageFile) {
    quint64 a = availablePhysical;
    if (a > Cap || a == AllBits) {
        a = Cap;
    }
    if (availablePageFile > Cap || availablePageFile == AllBits) {
        a += Cap / 2;
    } else {
        a += availablePageFile / 2;
    }
    return static_cast<qint64>(std::min(a, Cap));
}

TMemoryStatus GlobalMemoryStatus() {
    TMemoryStatus s;
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return s;
    }
    static const QRegularExpression line(QStringLiteral("^(\\w+):\\s+(\\d+) kB"));
    // /proc files report no size: read them whole rather than up to their "end".
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& text : lines) {
        const auto m = line.match(text);
        if (!m.hasMatch()) {
            continue;
        }
        const quint64 bytes = m.captured(2).toULongLong() * 1024ULL;
        if (m.captured(1) == QLatin1String("MemAvailable")) {
            s.AvailablePhysical = bytes;
        } else if (m.captured(1) == QLatin1String("SwapFree")) {
            s.AvailablePageFile = bytes;
        }
    }
    return s;
}

void SetMemoryCapacity(qint64 value) {
    capacity = value;
}

qint64 MemoryCapacity() {
    return capacity;
}

} // namespace pla::module
