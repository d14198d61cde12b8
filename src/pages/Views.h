#pragma once
// What the pages show, as plain data owned by the core. The Qt pages render these models and
// report user actions back; command-line programs print them; tests read them directly.
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zentrel {

struct ListColumn {
    std::string header;
    int width = 0;
};

struct ListRow {
    std::vector<std::string> cells;  // indexed by sub-item number
    int itemData = 0;
    bool selected = false;
    bool focused = false;
};

// A report-style list view. Columns are kept by the sub-item number they were created with;
// `columnOrder` lists sub-item numbers in display order, left to right.
struct ListModel {
    bool present = false;  // a missing list makes every list operation do nothing
    std::vector<ListColumn> columns;
    std::vector<int> columnOrder;
    std::vector<ListRow> rows;
    bool gridLines = false;
    unsigned textColor = 0;  // 0x00BBGGRR

    // Appends a column with the next sub-item number at display position `displayPosition`
    // (clamped to the end).
    void InsertColumn(const std::string& header, int width, int displayPosition);
    int RowCount() const { return static_cast<int>(rows.size()); }
    int AppendRow(int itemData = 0);  // returns the new row's index
    void SetCell(int row, int subItem, const std::string& text);
    std::string Cell(int row, int subItem) const;  // empty for a missing row or cell
    void DeleteAllRows() { rows.clear(); }
    // Index of the first selected row from row 0, -1 when none.
    int GetSelectedRow() const;
    void SelectRow(int row);  // selects and focuses one row, clears the others
};

// Main page: status texts, network boxes and the two lists.
struct MainPageView {
    std::string ccoMac;        // 1006
    std::string nid;           // 1007 (hidden)
    std::string ccoTei;        // 1008 (hidden)
    std::string snid;          // 1009 (hidden)
    std::string connection = "Replace";                 // 1012
    std::string scanning = "status";                    // 1083
    std::string networkType = "Network Type: Private";  // 1089
    std::string stationCountText = "Powerline Devices:";  // 1090
    ListModel localDevices;   // 1061
    ListModel powerlineDevices;  // 1062
};

struct DiagnosticsView {
    ListModel systemInformation;  // 1086
    ListModel history;            // 1085
};

// The edit fields of the Privacy page and the two password dialogs.
enum class Form { Privacy, SetPassword, AddRemote };

struct FieldState {
    std::string text;
    // False when what was typed held a character that has no 8-bit form: the field's entry rule
    // refuses it, whatever `text` now holds.
    bool fits = true;
    bool allSelected = false;
    bool focused = false;
};

class Views {
public:
    virtual ~Views() = default;

    MainPageView main;
    DiagnosticsView diagnostics;
    std::string setPasswordTei;     // 1088 of "Set Device Password"
    std::string setPasswordMac;     // 1089 of "Set Device Password"
    std::string setPasswordStatus;  // 1099 of "Set Device Password"

    // Sets the field's text and selects all of it, so that typing replaces it.
    virtual void PresetField(Form form, int id, const std::string& text);
    // Sets the text without selecting it.
    virtual void SetFieldText(Form form, int id, const std::string& text);
    virtual void FocusField(Form form, int id);
    // What the user typed, in the 8-bit form the edge made of it; `fits` false when it held a
    // character that has none.
    void TypeFieldText(Form form, int id, const std::string& text, bool fits);
    // What the user typed (the edit controls push their text into the model).
    std::string FieldText(Form form, int id) const;
    const FieldState& Field(Form form, int id) const;

    // Called after the core changed any model, so that a renderer can refresh.
    virtual void Changed() {}

private:
    std::map<std::pair<Form, int>, FieldState> fields_;
};

}  // namespace zentrel
