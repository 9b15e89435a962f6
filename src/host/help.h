#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;
class QTextBrowser;

namespace pla::host {

// The help of the screens: one page per help context (<context>.html in the help
// folders the application ships), shown in one help window with an index of every
// page. A screen's context is its own (TForm::HelpContext); the overview is 12300000.
constexpr int AjudaGeral = 12300000;

class THelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit THelpWindow(const QStringList& folders, QWidget* parent = nullptr);

    void ShowContext(int context);
    int CurrentContext() const { return context_; }
    QString CurrentTitle() const;

    QListWidget* lstIndice = nullptr;
    QTextBrowser* txtAjuda = nullptr;

    // The open help window, if any.
    static THelpWindow* Current();

private:
    void loadIndex();
    QString pageOf(int context) const;

    QStringList folders_;
    int context_ = 0;
};

// Opens (or brings forward) the help window on the page of a context; a context
// without a page shows the index with a line saying so.
void MostraAjuda(int context);

// F1 on the widget (and its children) opens the help of the context.
void InstalaAjuda(QWidget* widget, int context);

} // namespace pla::host
