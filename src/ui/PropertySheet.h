#pragma once
// The program's window: four tabs, the Rates tab and a single "Close" button, caption and icon
// from the OEM branding. It tells the pages when they become current and when they stop being it.
// The start shows the Main page only, so the other pages are made when first chosen: their
// widgets, and their share of the window's size hint, cost the start nothing. Their places in the
// tabs ask for the pages' minimum sizes, so the window has the size it has with every page made.
#include <QDialog>
#include <QPushButton>
#include <QTabWidget>
#include <optional>

#include "pages/Storage.h"

#include "ui/AboutPageWidget.h"
#include "ui/DiagnosticsPageWidget.h"
#include "ui/MainPageWidget.h"
#include "ui/PrivacyPageWidget.h"
#include "ui/RatesPageWidget.h"

namespace zentrel::ui {

class PropertySheet : public QDialog {
    Q_OBJECT
public:
    PropertySheet(UiContext& ctx, QWidget* parent = nullptr);
    ~PropertySheet() override;

    // Sets up the Main page and makes it current; the "Close" button appears once it is up.
    void Start();
    // Start, then show the window: a message of the start-up (a damaged plc.data, missing
    // permissions) never sits over a page that is not filled in yet.
    void Open();

    // The page of the current tab, if it has been made.
    SheetPage* CurrentPage() const;
    // The page of a tab, made now if it was not yet: only the Main page is made with the window,
    // the others when their tab is first chosen.
    SheetPage* PageAt(int index);
    PrivacyPageWidget* Privacy() { return static_cast<PrivacyPageWidget*>(PageAt(kPrivacyTab)); }
    DiagnosticsPageWidget* Diagnostics() { return static_cast<DiagnosticsPageWidget*>(PageAt(kDiagnosticsTab)); }
    AboutPageWidget* About() { return static_cast<AboutPageWidget*>(PageAt(kAboutTab)); }
    RatesPageWidget* Rates() { return static_cast<RatesPageWidget*>(PageAt(kRatesTab)); }

    static constexpr int kPrivacyTab = 1, kDiagnosticsTab = 2, kAboutTab = 3, kRatesTab = 4;
    QTabWidget* tabs = nullptr;
    MainPageWidget* mainPage = nullptr;
    QPushButton* closeButton = nullptr;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void OnTabChanged(int index);
    void ShowSetPassword();
    void ShowAddRemote();
    // What waits until the window has been drawn once (or a second has passed without a paint).
    void AfterFirstPaint();

    // The page in a tab, or nullptr while it is not made.
    SheetPage* MadePage(int index) const;

    UiContext& ctx_;
    int currentIndex_ = -1;
    bool started_ = false;
    bool painted_ = false;  // for the start-up trace
    bool renderPending_ = false;  // the models changed while the window was hidden
    // The start's save of plc.data, held until the window has been drawn once.
    std::optional<SaveBatch> startSaves_;
    bool iconSet_ = false;
};

}  // namespace zentrel::ui
