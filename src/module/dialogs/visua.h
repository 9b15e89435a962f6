#pragma once

#include <QDialog>

class QComboBox;
class QFrame;

namespace pla::module {

// The view dialog of the monthly grid (PLA00114): the planner picks one of the three
// arrangements from a list, each with a drawn preview of the grid. Enter or a double
// click confirm, Escape cancels.
class TfrmVisua : public QDialog {
    Q_OBJECT

public:
    explicit TfrmVisua(QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr;
    QFrame* panTipo1 = nullptr;
    QFrame* panTipo2 = nullptr;
    QFrame* panTipo3 = nullptr;

    int View() const;
    void SetView(int view);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ComboBox1Change();
};

} // namespace pla::module
