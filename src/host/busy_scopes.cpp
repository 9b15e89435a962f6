#include "busy_scopes.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWidget>

namespace pla::host {

THourglass::THourglass() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

THourglass::~THourglass() {
    QApplication::restoreOverrideCursor();
}

namespace {

// A small panel in the middle of the form: a text and a moving bar.
class TWaitPanel : public QWidget {
public:
    explicit TWaitPanel(QWidget* parent)
        : QWidget(parent, parent ? Qt::Widget : Qt::Tool | Qt::FramelessWindowHint) {
        setObjectName(QStringLiteral("panWaitAnimation"));
        setAutoFillBackground(true);
        setFrame();
        auto* layout = new QVBoxLayout(this);
        label_ = new QLabel(this);
        label_->setAlignment(Qt::AlignCenter);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0); // moving without an end
        bar->setTextVisible(false);
        layout->addWidget(label_);
        layout->addWidget(bar);
        resize(300, 80);
    }
    void Show(const QString& text) {
        label_->setText(text);
        if (QWidget* p = parentWidget()) {
            move((p->width() - width()) / 2, (p->height() - height()) / 2);
        }
        raise();
        show();
        // Painted now, before the long call blocks the loop; running the event loop
        // here would let a screen closed meanwhile be deleted under its own handler.
        repaint();
    }
    QString Text() const { return label_->text(); }

private:
    void setFrame() {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
        setPalette(pal);
    }
    QLabel* label_ = nullptr;
};

struct TWaitState {
    int Depth = 0;
    QPointer<TWaitPanel> Panel;
};

TWaitState& state() {
    static TWaitState s;
    return s;
}

} // namespace

void ActiveShowAvi(QWidget* form, int kind, const QString& text) {
    TWaitState& s = state();
    ++s.Depth;
    const QString shown = !text.isEmpty() ? text
                          : kind == 1     ? QStringLiteral("Carregando dados do servidor...")
                                          : QStringLiteral("Aguarde...");
    if (!s.Panel || s.Panel->parentWidget() != form) {
        delete s.Panel;
        s.Panel = new TWaitPanel(form);
    }
    s.Panel->Show(shown);
}

void DeactiveShowAvi() {
    TWaitState& s = state();
    if (s.Depth == 0) {
        return;
    }
    if (--s.Depth == 0 && s.Panel) {
        s.Panel->hide();
    }
}

bool WaitAnimationVisible() {
    const TWaitState& s = state();
    return s.Depth > 0 && s.Panel && s.Panel->isVisible();
}

QString WaitAnimationText() {
    const TWaitState& s = state();
    return s.Panel ? s.Panel->Text() : QString();
}

TNormalCursor::TNormalCursor() {
    if (QApplication::overrideCursor()) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        cursor_ = true;
    }
    TWaitState& s = state();
    if (s.Depth > 0 && s.Panel && s.Panel->isVisible()) {
        s.Panel->hide();
        animation_ = true;
    }
}

TNormalCursor::~TNormalCursor() {
    if (cursor_) {
        QApplication::restoreOverrideCursor();
    }
    TWaitState& s = state();
    if (animation_ && s.Depth > 0 && s.Panel) {
        s.Panel->show();
    }
}

Qt::CursorShape CursorShown() {
    const QCursor* c = QApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

} // namespace pla::host
