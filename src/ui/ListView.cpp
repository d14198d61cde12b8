#include "ui/ListView.h"

#include <QEvent>
#include <QHeaderView>

#include "ui/StartupTrace.h"
#include "ui/UiText.h"

namespace zentrel::ui {

namespace {
QColor FromColorRef(unsigned bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}
}  // namespace

bool ListView::viewportEvent(QEvent* event) {
    const bool handled = QTableWidget::viewportEvent(event);
    if (paintTraceEvent_ != nullptr && event->type() == QEvent::Paint && rowCount() != tracedRows_) {
        tracedRows_ = rowCount();
        StartupMark(paintTraceEvent_, tracedRows_);
    }
    return handled;
}

ListView::ListView(ListModel& model, QWidget* parent) : QTableWidget(parent), model_(model), units_(font()) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Tab moves on to the next control, as in any list, not from cell to cell.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    setSortingEnabled(false);
    setShowGrid(false);

    connect(this, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!rendering_) PushSelection();
    });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int, int) {
        if (rendering_) return;
        std::vector<int> order;
        for (int v = 0; v < horizontalHeader()->count(); ++v) order.push_back(horizontalHeader()->logicalIndex(v));
        model_.columnOrder = order;
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (rendering_ || logical < 0 || logical >= static_cast<int>(model_.columns.size())) return;
        model_.columns[static_cast<std::size_t>(logical)].width = units_.OriginalX(size);
    });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int logical) {
        if (onHeaderClick_) onHeaderClick_(logical);
    });
}

void ListView::SetColumnsMovable(bool movable) { horizontalHeader()->setSectionsMovable(movable); }

void ListView::SetHeaderClickHandler(std::function<void(int)> handler) {
    onHeaderClick_ = std::move(handler);
    horizontalHeader()->setSectionsClickable(static_cast<bool>(onHeaderClick_));
}

void ListView::PushSelection() {
    const auto selected = selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    for (int i = 0; i < model_.RowCount(); ++i) {
        model_.rows[static_cast<std::size_t>(i)].selected = (i == row);
        model_.rows[static_cast<std::size_t>(i)].focused = (i == row);
    }
}

void ListView::Render() {
    rendering_ = true;
    const int columns = model_.present ? static_cast<int>(model_.columns.size()) : 0;
    if (columnCount() != columns) setColumnCount(columns);
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        const auto& col = model_.columns[static_cast<std::size_t>(c)];
        headers << FromCore(col.header);
        if (col.width > 0) {
            // The model keeps widths as plc.data stores them, for the font the pages were drawn
            // with; they scale with the font as the page does.
            const int width = units_.PixelsX(col.width);
            if (columnWidth(c) != width) setColumnWidth(c, width);
        } else {
            resizeColumnToContents(c);
        }
    }
    setHorizontalHeaderLabels(headers);
    auto* header = horizontalHeader();
    for (int v = 0; v < static_cast<int>(model_.columnOrder.size()) && v < columns; ++v) {
        const int logical = model_.columnOrder[static_cast<std::size_t>(v)];
        if (logical < 0 || logical >= columns) continue;
        const int from = header->visualIndex(logical);
        if (from != v) header->moveSection(from, v);
    }
    setShowGrid(model_.gridLines);
    QPalette pal = palette();
    pal.setColor(QPalette::Text, FromColorRef(model_.textColor));
    setPalette(pal);

    const int rows = model_.present ? model_.RowCount() : 0;
    setRowCount(rows);
    int selectedRow = -1;
    for (int r = 0; r < rows; ++r) {
        const auto& row = model_.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            const QString text = FromCore(model_.Cell(r, c));
            auto* it = item(r, c);
            if (!it) {
                it = new QTableWidgetItem(text);
                setItem(r, c, it);
            } else if (it->text() != text) {
                it->setText(text);
            }
        }
        if (row.selected && selectedRow < 0) selectedRow = r;
    }
    if (selectedRow >= 0) {
        selectRow(selectedRow);
    } else {
        clearSelection();
    }
    rendering_ = false;
}

}  // namespace zentrel::ui
