#include "ui/DiagnosticsPageWidget.h"

#include <QFileDialog>
#include <QLabel>
#include <QShowEvent>

#include "pages/DiagnosticsPage.h"
#include "ui/DialogUnits.h"

namespace zentrel::ui {

QSize DiagnosticsPageWidget::MinimumSize(const QFont& font) {
    const DialogUnits du(font);
    return {du.X(378), du.Y(296)};
}

DiagnosticsPageWidget::DiagnosticsPageWidget(UiContext& ctx, QWidget* parent) : SheetPage(ctx, parent) {
    setObjectName("diagnosticsPage");
    const DialogUnits du(font());
    auto& view = ctx_.views.diagnostics;

    systemInformation = new ListView(view.systemInformation, this);
    systemInformation->setObjectName("systemInformation");
    systemInformation->setFocusPolicy(Qt::NoFocus);
    systemInformation->setSelectionMode(QAbstractItemView::NoSelection);
    du.Place(systemInformation, 7, 7, 363, 121);

    auto* label = new QLabel("Remote Device History (Log)", this);
    du.Place(label, 7, 132, 93, 8);
    label->adjustSize();

    history = new ListView(view.history, this);
    history->setObjectName("historyList");
    du.Place(history, 7, 142, 363, 124);

    deleteButton = new QPushButton("Delete...", this);
    deleteButton->setObjectName("delete");
    du.Place(deleteButton, 10, 276, 54, 14);
    saveReport = new QPushButton("Save Report...", this);
    saveReport->setObjectName("saveReport");
    du.Place(saveReport, 207, 276, 63, 14);
    setMinimumSize(MinimumSize(font()));

    askReportPath = [this] { return AskReportPathWithDialog(this); };

    connect(deleteButton, &QPushButton::clicked, this, [this] {
        HandlerScope hold(ctx_.timer);
        OnDiagnosticsDelete(ctx_.core);
        Render();
    });
    connect(saveReport, &QPushButton::clicked, this, [this] {
        const auto path = askReportPath ? askReportPath() : std::nullopt;
        // Cancelling the dialog is the user's choice, not a failure: nothing to report.
        if (!path) return;
        HandlerScope hold(ctx_.timer);
        SaveReport(ctx_.core, std::filesystem::path(path->toStdString()));
    });
}

std::optional<QString> DiagnosticsPageWidget::AskReportPathWithDialog(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({"Diagnostics (*.TXT)", "All (*.*)"});
    dialog.selectNameFilter("Diagnostics (*.TXT)");
    dialog.setDefaultSuffix("TXT");
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void DiagnosticsPageWidget::Initialise() {
    InitDiagnosticsPage(ctx_.core);
    Render();
}

void DiagnosticsPageWidget::Regenerate() {
    if (!Initialised()) return;
    HandlerScope hold(ctx_.timer);
    ++regenerations;
    PaintDiagnosticsPage(ctx_.core);
    Render();
}

void DiagnosticsPageWidget::Activate() {
    EnsureInitialised();
    active_ = true;
    HandlerScope hold(ctx_.timer);
    ++regenerations;
    ActivateDiagnosticsPage(ctx_.core);
    Render();
}

void DiagnosticsPageWidget::Deactivate() {
    active_ = false;
    DeactivateDiagnosticsPage(ctx_.core);
}

void DiagnosticsPageWidget::WindowActivated() {
    if (active_) Regenerate();
}

void DiagnosticsPageWidget::showEvent(QShowEvent* event) {
    SheetPage::showEvent(event);
    // A tab switch is handled by Activate; this is the window coming back from being minimised.
    if (event->spontaneous() && active_) Regenerate();
}

void DiagnosticsPageWidget::Render() {
    systemInformation->Render();
    history->Render();
}

}  // namespace zentrel::ui
