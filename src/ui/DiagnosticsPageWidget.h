#pragma once
// "Diagnostics": the system information and device history lists, "Delete..." and
// "Save Report...". The lists are regenerated when the page becomes current, when it is shown
// again and when the window is activated again; never while painting, since regenerating
// changes the models and rewrites plc.data.
#include <QPushButton>
#include <functional>
#include <optional>

#include "ui/ListView.h"
#include "ui/SheetPage.h"

namespace zentrel::ui {

class DiagnosticsPageWidget : public SheetPage {
    Q_OBJECT
public:
    explicit DiagnosticsPageWidget(UiContext& ctx, QWidget* parent = nullptr);
    // The size the page asks of the window, for a font: the window keeps it before the page is made.
    static QSize MinimumSize(const QFont& font);

    void Activate() override;
    void Deactivate() override;
    void WindowActivated() override;
    void Render() override;
    // Rebuilds both lists from the core (the history changed elsewhere).
    void Regenerate();

    // Asks for the report's path; none when the user cancels. Tests replace it.
    std::function<std::optional<QString>()> askReportPath;
    static std::optional<QString> AskReportPathWithDialog(QWidget* owner);

    ListView* systemInformation = nullptr;  // 1086
    ListView* history = nullptr;            // 1085
    QPushButton* deleteButton = nullptr;    // 1094
    QPushButton* saveReport = nullptr;      // 1084
    int regenerations = 0;

protected:
    void Initialise() override;
    void showEvent(QShowEvent* event) override;

private:
    bool active_ = false;
};

}  // namespace zentrel::ui
