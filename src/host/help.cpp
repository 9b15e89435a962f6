#include "help.h"

#include "host_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <algorithm>

namespace pla::host {

namespace {

QPointer<THelpWindow>& helpWindow() {
    static QPointer<THelpWindow> w;
    return w;
}

QString titleOf(const QString& html) {
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = title.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

QString read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

THelpWindow::THelpWindow(const QStringList& folders, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , folders_(folders) {
    setObjectName(QStringLiteral("frmAjuda"));
    setWindowTitle(QStringLiteral("Ajuda - pla"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QHBoxLayout(this);
    auto* split = new QSplitter(this);
    layout->addWidget(split);
    lstIndice = new QListWidget(split);
    lstIndice->setObjectName(QStringLiteral("lstIndice"));
    txtAjuda = new QTextBrowser(split);
    txtAjuda->setObjectName(QStringLiteral("txtAjuda"));
    txtAjuda->setSearchPaths(folders_);
    txtAjuda->setOpenLinks(true);
    split->setStretchFactor(1, 1);
    loadIndex();
    // The index shows its titles whole, within reason.
    const int index = std::min(360, lstIndice->sizeHintForColumn(0) + 24);
    split->setSizes({index, 820 - index});
    connect(lstIndice, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item && item->data(Qt::UserRole).toInt() != context_) {
            ShowContext(item->data(Qt::UserRole).toInt());
        }
    });
    // Links between pages are written as "<context>.html".
    connect(txtAjuda, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        bool ok = false;
        const int context = QFileInfo(url.path()).baseName().toInt(&ok);
        if (ok && context != context_) {
            context_ = context;
            for (int i = 0; i < lstIndice->count(); ++i) {
                if (lstIndice->item(i)->data(Qt::UserRole).toInt() == context) {
                    lstIndice->setCurrentRow(i);
                }
            }
        }
    });
    resize(900, 560);
}

THelpWindow* THelpWindow::Current() {
    return helpWindow();
}

void THelpWindow::loadIndex() {
    QList<QPair<QString, int>> pages;
    QSet<int> seen;
    for (const QString& folder : folders_) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (const QFileInfo& file : files) {
            bool ok = false;
            const int context = file.baseName().toInt(&ok);
            if (ok && !seen.contains(context)) {
                seen.insert(context);
                pages.append({titleOf(read(file.filePath())), context});
            }
        }
    }
    // The overview first, then the screens by title.
    std::sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
        if ((a.second == AjudaGeral) != (b.second == AjudaGeral)) {
            return a.second == AjudaGeral;
        }
        return a.first.localeAwareCompare(b.first) < 0;
    });
    for (const auto& [title, context] : pages) {
        auto* item = new QListWidgetItem(title.isEmpty() ? QString::number(context) : title);
        item->setData(Qt::UserRole, context);
        lstIndice->addItem(item);
    }
}

QString THelpWindow::pageOf(int context) const {
    for (const QString& folder : folders_) {
        const QString file = QDir(folder).filePath(QStringLiteral("%1.html").arg(context));
        if (QFile::exists(file)) {
            return file;
        }
    }
    return {};
}

void THelpWindow::ShowContext(int context) {
    context_ = context;
    const QString file = pageOf(context);
    if (file.isEmpty()) {
        txtAjuda->setHtml(
            QStringLiteral("<h2>Ajuda</h2><p>Não há página de ajuda para esta tela (contexto %1). "
                           "Escolha um assunto no índice.</p>")
                .arg(context));
    } else {
        txtAjuda->setSource(QUrl::fromLocalFile(file));
    }
    for (int i = 0; i < lstIndice->count(); ++i) {
        if (lstIndice->item(i)->data(Qt::UserRole).toInt() == context) {
            const QSignalBlocker quiet(lstIndice);
            lstIndice->setCurrentRow(i);
        }
    }
}

QString THelpWindow::CurrentTitle() const {
    return txtAjuda->documentTitle();
}

void MostraAjuda(int context) {
    QPointer<THelpWindow>& w = helpWindow();
    if (!w) {
        w = new THelpWindow(Host().HelpFolders);
    }
    w->ShowContext(context);
    w->show();
    w->raise();
    w->activateWindow();
}

void InstalaAjuda(QWidget* widget, int context) {
    auto* f1 = new QShortcut(QKeySequence::HelpContents, widget);
    f1->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(f1, &QShortcut::activated, widget, [context] { MostraAjuda(context); });
}

} // namespace pla::host
