#include "visua.h"

#include "host/help.h"
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace pla::module {

namespace {

// The roles a preview cell plays, coloured as the grid colours them.
enum class TRole { Caption, Header, Data, Total };

struct TPreviewCell {
    int Row;
    int Column;
    QString Text;
    TRole Role;
    int RowSpan = 1;
};

QFrame* preview(QWidget* parent, const QString& name, const QList<TPreviewCell>& cells) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    grid->setSpacing(1);
    grid->setContentsMargins(2, 2, 2, 2);
    const QPalette pal = frame->palette();
    for (const TPreviewCell& c : cells) {
        auto* l = new QLabel(c.Text, frame);
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        QColor background;
        switch (c.Role) {
        case TRole::Caption:
            background = pal.color(QPalette::Active, QPalette::Highlight);
            p.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
            break;
        case TRole::Header:
            background = pal.color(QPalette::Button);
            break;
        case TRole::Data:
            background = pal.color(QPalette::ToolTipBase);
            break;
        case TRole::Total:
            background = pal.color(QPalette::Inactive, QPalette::Mid);
            break;
        }
        p.setColor(QPalette::Window, background);
        l->setPalette(p);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.8);
        l->setFont(f);
        grid->addWidget(l, c.Row, c.Column, c.RowSpan, 1);
    }
    return frame;
}

} // namespace

TfrmVisua::TfrmVisua(QWidget* parent)
    : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("frmVisua"));
    host::InstalaAjuda(this, 12300114);
    setWindowTitle(QStringLiteral("Visualização do Cardápio"));
    setFixedSize(364, 224);
    auto* layout = new QVBoxLayout(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("Visualização 1"), QStringLiteral("Visualização 2"),
                         QStringLiteral("Visualização 3")});
    layout->addWidget(ComboBox1);

    const auto T = TRole::Caption;
    const auto H = TRole::Header;
    const auto D = TRole::Data;
    const auto S = TRole::Total;
    panTipo1 = preview(this, QStringLiteral("panTipo1"),
                       {{0, 0, QStringLiteral("Dia"), T},
                        {0, 1, QStringLiteral("Tipo de Prato"), T},
                        {0, 2, QString(), T},
                        {1, 0, QStringLiteral(" 01 Ter"), H, 3},
                        {1, 1, QStringLiteral("SALADA"), H},
                        {1, 2, QString(), D},
                        {2, 1, QStringLiteral("SOBREMESA"), H},
                        {2, 2, QString(), D},
                        {3, 1, QStringLiteral("Comensais"), S},
                        {3, 2, QStringLiteral("250"), S},
                        {4, 0, QStringLiteral(" 02 Qua"), H, 3},
                        {4, 1, QStringLiteral("SALADA"), H},
                        {4, 2, QString(), D},
                        {5, 1, QStringLiteral("SOBREMESA"), H},
                        {5, 2, QString(), D},
                        {6, 1, QStringLiteral("Comensais"), S},
                        {6, 2, QStringLiteral("200"), S}});
    panTipo2 = preview(this, QStringLiteral("panTipo2"),
                       {{0, 0, QStringLiteral("Tipo de Prato"), T},
                        {0, 1, QStringLiteral("Dia"), T},
                        {1, 1, QStringLiteral(" 01 Ter"), H},
                        {1, 2, QStringLiteral(" 02 Qua"), H},
                        {1, 3, QStringLiteral(" 03 Qui"), H},
                        {2, 0, QStringLiteral("SALADA"), H},
                        {2, 1, QString(), D},
                        {2, 2, QString(), D},
                        {2, 3, QString(), D},
                        {3, 0, QStringLiteral("SOBREMESA"), H},
                        {3, 1, QString(), D},
                        {3, 2, QString(), D},
                        {3, 3, QString(), D},
                        {4, 0, QStringLiteral("Comensais"), S},
                        {4, 1, QStringLiteral("250"), S},
                        {4, 2, QStringLiteral("200"), S},
                        {4, 3, QStringLiteral("100"), S}});
    QList<TPreviewCell> days{{0, 0, QStringLiteral("Dia"), T},
                             {0, 1, QStringLiteral("SOBREMESA"), T},
                             {0, 2, QStringLiteral("SALADA"), T},
                             {0, 3, QStringLiteral("Comensais"), S}};
    const QStringList names{QStringLiteral(" 01 Ter"), QStringLiteral(" 02 Qua"),
                            QStringLiteral(" 03 Qui"), QStringLiteral(" 04 Sex"),
                            QStringLiteral(" 05 Sáb"), QStringLiteral(" 06 Dom"),
                            QStringLiteral(" 07 Seg"), QStringLiteral(" 08 Ter")};
    const QStringList totals{QStringLiteral("250"), QStringLiteral("200"), QStringLiteral("100"),
                             QStringLiteral("50")};
    for (int i = 0; i < names.size(); ++i) {
        days << TPreviewCell{i + 1, 0, names[i], H} << TPreviewCell{i + 1, 1, QString(), D}
             << TPreviewCell{i + 1, 2, QString(), D}
             << TPreviewCell{i + 1, 3, totals[i % totals.size()], S};
    }
    panTipo3 = preview(this, QStringLiteral("panTipo3"), days);
    for (QFrame* p : {panTipo1, panTipo2, panTipo3}) {
        layout->addWidget(p, 1);
    }
    auto* bottom = new QHBoxLayout;
    for (const QString& text : {QStringLiteral("Comensais"), QStringLiteral("250")}) {
        auto* l = new QLabel(text, this);
        l->setObjectName(text == QLatin1String("250") ? QStringLiteral("panValor")
                                                      : QStringLiteral("panComensais"));
        l->setStyleSheet(QStringLiteral("color: grey"));
        bottom->addWidget(l);
    }
    bottom->addStretch(1);
    layout->addLayout(bottom);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    ComboBox1->setCurrentIndex(0);
    ComboBox1Change();
}

int TfrmVisua::View() const {
    return ComboBox1->currentIndex();
}

void TfrmVisua::SetView(int view) {
    ComboBox1->setCurrentIndex(std::clamp(view, 0, 2));
    ComboBox1Change();
}

void TfrmVisua::ComboBox1Change() {
    const int i = ComboBox1->currentIndex();
    panTipo1->setVisible(i == 0);
    panTipo2->setVisible(i == 1);
    panTipo3->setVisible(i == 2);
}

void TfrmVisua::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        reject();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TfrmVisua::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    accept();
}

} // namespace pla::module
