#pragma once
// A report-style list over a core ListModel. It shows the model and reports the user's actions
// back into it: the selection, dragged column order and widths, and header clicks.
#include <QTableWidget>
#include <functional>

#include "pages/Views.h"
#include "ui/DialogUnits.h"

namespace zentrel::ui {

class ListView : public QTableWidget {
    Q_OBJECT
public:
    ListView(ListModel& model, QWidget* parent = nullptr);

    // Columns may be dragged into another order (the powerline device list).
    void SetColumnsMovable(bool movable);
    // Header clicks report the clicked column's sub-item number.
    void SetHeaderClickHandler(std::function<void(int)> handler);
    void Render();

    ListModel& Model() { return model_; }

    // For the start-up trace: marks "EVENT=ROWS" when a paint of the rows has ended, the first
    // paint of each row count, so that the bench sees when the list was drawn with its rows.
    void TracePaints(const char* event) { paintTraceEvent_ = event; }

protected:
    bool viewportEvent(QEvent* event) override;

private:
    void PushSelection();

    ListModel& model_;
    DialogUnits units_;
    std::function<void(int)> onHeaderClick_;
    bool rendering_ = false;
    const char* paintTraceEvent_ = nullptr;
    int tracedRows_ = -1;
};

}  // namespace zentrel::ui
