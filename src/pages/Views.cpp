#include "pages/Views.h"

#include <algorithm>

namespace zentrel {

void ListModel::InsertColumn(const std::string& header, int width, int displayPosition) {
    const int subItem = static_cast<int>(columns.size());
    columns.push_back({header, width});
    const int pos = std::clamp(displayPosition, 0, static_cast<int>(columnOrder.size()));
    columnOrder.insert(columnOrder.begin() + pos, subItem);
}

int ListModel::AppendRow(int itemData) {
    ListRow row;
    row.itemData = itemData;
    row.cells.resize(columns.size());
    rows.push_back(std::move(row));
    return static_cast<int>(rows.size()) - 1;
}

void ListModel::SetCell(int row, int subItem, const std::string& text) {
    if (row < 0 || row >= RowCount() || subItem < 0) return;
    auto& cells = rows[static_cast<std::size_t>(row)].cells;
    if (static_cast<std::size_t>(subItem) >= cells.size()) cells.resize(static_cast<std::size_t>(subItem) + 1);
    cells[static_cast<std::size_t>(subItem)] = text;
}

std::string ListModel::Cell(int row, int subItem) const {
    if (row < 0 || row >= RowCount() || subItem < 0) return {};
    const auto& cells = rows[static_cast<std::size_t>(row)].cells;
    if (static_cast<std::size_t>(subItem) >= cells.size()) return {};
    return cells[static_cast<std::size_t>(subItem)];
}

int ListModel::GetSelectedRow() const {
    for (int i = 0; i < RowCount(); ++i) {
        if (rows[static_cast<std::size_t>(i)].selected) return i;
    }
    return -1;
}

void ListModel::SelectRow(int row) {
    for (int i = 0; i < RowCount(); ++i) {
        rows[static_cast<std::size_t>(i)].selected = (i == row);
        rows[static_cast<std::size_t>(i)].focused = (i == row);
    }
}

void Views::PresetField(Form form, int id, const std::string& text) {
    auto& f = fields_[{form, id}];
    f.text = text;
    f.fits = true;
    f.allSelected = true;
}

void Views::SetFieldText(Form form, int id, const std::string& text) {
    auto& f = fields_[{form, id}];
    f.text = text;
    f.fits = true;
    f.allSelected = false;
}

void Views::TypeFieldText(Form form, int id, const std::string& text, bool fits) {
    auto& f = fields_[{form, id}];
    f.text = text;
    f.fits = fits;
    f.allSelected = false;
}

void Views::FocusField(Form form, int id) {
    for (auto& [key, f] : fields_) {
        if (key.first == form) f.focused = false;
    }
    fields_[{form, id}].focused = true;
}

std::string Views::FieldText(Form form, int id) const { return Field(form, id).text; }

const FieldState& Views::Field(Form form, int id) const {
    static const FieldState empty;
    auto it = fields_.find({form, id});
    return it == fields_.end() ? empty : it->second;
}

}  // namespace zentrel
