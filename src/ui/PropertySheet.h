#pragma once
// The program's window: four tabs, the Rates tab and a single "Close" button, caption and icon
// from the OEM branding. It tells the pages when they become current and when they stop being it.
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

    SheetPage* CurrentPage() const;

    QTabWidget* tabs = nullptr;
    MainPageWidget* mainPage = nullptr;
    PrivacyPageWidget* privacyPage = nullptr;
    DiagnosticsPageWidget* diagnosticsPage = nullptr;
    AboutPageWidget* aboutPage = nullptr;
    RatesPageWidget* ratesPage = nullptr;
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
