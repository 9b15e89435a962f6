#pragma once

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;

namespace pla::host {

class TBackend;
class TPackage;

// The host's main window: the screens as MDI children, a menu and toolbar that open
// menu planning (the planning package's IniProc), a window menu of the open screens,
// and the signed-in operator, branch and processing date in the status bar.
class TMainWindow : public QMainWindow {
    Q_OBJECT

public:
    TMainWindow(std::unique_ptr<TBackend> backend, const QStringList& packageFolders,
                QWidget* parent = nullptr);
    ~TMainWindow() override;

    QMdiArea* MdiArea() const { return mdi_; }
    QAction* actElaboracao = nullptr;
    QLabel* lblOperador = nullptr;
    QLabel* lblFilial = nullptr;
    QLabel* lblData = nullptr;

    // Opens menu planning: loads the package the first time; a missing or
    // mismatched package is reported and nothing else happens.
    void AbrirElaboracao();
    void RefreshStatus();
    TPackage* Package() const { return package_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void fillWindowMenu();

    std::unique_ptr<TBackend> backend_;
    QStringList packageFolders_;
    std::unique_ptr<TPackage> package_;
    std::unique_ptr<TPackage> auxiliar_; // the other packages' screens the module opens
    QMdiArea* mdi_ = nullptr;
    QMenu* windowMenu_ = nullptr;
};

} // namespace pla::host
