#include "tool_button.h"

#include <QIcon>
#include <QToolButton>

namespace pla::host {

namespace {

QToolButton* botao(QWidget* parent, const char* name, const QString& text, const QString& hint,
                   const char* icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
    return b;
}

} // namespace

QToolButton* BotaoFerramenta(QWidget* parent, const char* name, const QString& hint,
                             const char* icon) {
    QToolButton* b = botao(parent, name, hint, hint, icon);
    b->setToolButtonStyle(b->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    return b;
}

QToolButton* BotaoComTexto(QWidget* parent, const char* name, const QString& text,
                           const QString& hint, const char* icon) {
    QToolButton* b = botao(parent, name, text, hint, icon);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

} // namespace pla::host
