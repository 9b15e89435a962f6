#include "window_memory.h"

#include "host_context.h"

#include <QSettings>
#include <QWidget>

namespace pla::host {

namespace {

QString keyOf(const QString& screenCode) {
    const QString op = Host().Operador.trimmed();
    return QStringLiteral("janelas/%1/%2").arg(op.isEmpty() ? QStringLiteral("-") : op, screenCode);
}

} // namespace

void LembraJanela(const QString& screenCode, const QWidget* frame) {
    QSettings st;
    st.beginGroup(keyOf(screenCode));
    const bool maximized = frame->windowState() & Qt::WindowMaximized;
    st.setValue(QStringLiteral("maximizada"), maximized);
    // The normal size and place, also of a maximized window: what it returns to.
    const QRect normal = maximized && frame->normalGeometry().isValid() ? frame->normalGeometry()
                                                                        : frame->geometry();
    st.setValue(QStringLiteral("geometria"), normal);
}

bool RestauraJanela(const QString& screenCode, QWidget* frame) {
    QSettings st;
    st.beginGroup(keyOf(screenCode));
    const QRect normal = st.value(QStringLiteral("geometria")).toRect();
    if (!normal.isValid()) {
        return false;
    }
    frame->resize(normal.size());
    frame->move(normal.topLeft());
    if (st.value(QStringLiteral("maximizada")).toBool()) {
        frame->setWindowState(frame->windowState() | Qt::WindowMaximized);
    }
    return true;
}

} // namespace pla::host
