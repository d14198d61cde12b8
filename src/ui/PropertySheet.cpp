#include "ui/PropertySheet.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/AddRemoteDialog.h"
#include "ui/SetPasswordDialog.h"
#include "ui/StartupTrace.h"
#include "ui/UiText.h"

namespace zentrel::ui {

PropertySheet::PropertySheet(UiContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ctx_(ctx) {
    setObjectName("propertySheet");
    setWindowTitle(FromCore(ctx_.core.prefs.title));

    auto* layout = new QVBoxLayout(this);
    tabs = new QTabWidget(this);
    tabs->setObjectName("tabs");
    mainPage = new MainPageWidget(ctx_, tabs);
    tabs->addTab(mainPage, "Main");
    // The other tabs hold a place that takes their page when it is made. The places ask the
    // window for the pages' minimum sizes, so that it has the same size whichever are made.
    for (const char* title : {"Privacy", "Diagnostics", "About", "Rates"}) {
        auto* place = new QWidget(tabs);
        auto* placeLayout = new QVBoxLayout(place);
        placeLayout->setContentsMargins(0, 0, 0, 0);
        tabs->addTab(place, title);
    }
    tabs->widget(kDiagnosticsTab)->setMinimumSize(DiagnosticsPageWidget::MinimumSize(font()));
    tabs->widget(kAboutTab)->setMinimumSize(AboutPageWidget::MinimumSize(font()));
    layout->addWidget(tabs);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    closeButton = new QPushButton("Close", this);
    closeButton->setObjectName("close");
    // Default only while it has the focus, so that Enter then closes and otherwise scans.
    closeButton->setAutoDefault(true);
    closeButton->hide();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    mainPage->showSetPassword = [this] { ShowSetPassword(); };
    mainPage->showAddRemote = [this] { ShowAddRemote(); };
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(&ctx_.views, &QtViews::changed, this, [this] {
        // Nobody sees a page before the window is shown: the start's many changes are drawn
        // once, when it is.
        if (!isVisible()) {
            renderPending_ = true;
            return;
        }
        if (auto* page = CurrentPage()) page->Render();
    });
}

PropertySheet::~PropertySheet() { mainPage->Destroy(); }

void PropertySheet::Start() {
    if (started_) return;
    started_ = true;
    mainPage->EnsureInitialised();
    closeButton->show();
    connect(tabs, &QTabWidget::currentChanged, this, &PropertySheet::OnTabChanged);
    OnTabChanged(tabs->currentIndex());
}

void PropertySheet::Open() {
    // Two fsyncs can take longer than drawing the whole window; the list is on screen first.
    // Should no paint come (a window that is never exposed), the save follows a moment later.
    if (!started_) startSaves_.emplace(ctx_.core);
    Start();
    StartupMark("main-page-up");
    show();
    StartupMark("shown");
    QTimer::singleShot(1000, this, &PropertySheet::AfterFirstPaint);
}

void PropertySheet::AfterFirstPaint() {
    startSaves_.reset();
    // Reading the icon loads an image plugin: milliseconds the first paint need not wait for.
    if (iconSet_) return;
    iconSet_ = true;
    const QString iconPath = ctx_.FilePath("logo.ico");
    if (QFileInfo::exists(iconPath)) {
        const QIcon icon(iconPath);
        if (!icon.isNull()) setWindowIcon(icon);
    }
}

SheetPage* PropertySheet::MadePage(int index) const {
    QWidget* tab = tabs->widget(index);
    if (tab == nullptr) return nullptr;
    if (tab == mainPage) return mainPage;
    return tab->findChild<SheetPage*>(QString(), Qt::FindDirectChildrenOnly);
}

SheetPage* PropertySheet::CurrentPage() const { return MadePage(tabs->currentIndex()); }

SheetPage* PropertySheet::PageAt(int index) {
    if (SheetPage* made = MadePage(index)) return made;
    QWidget* place = tabs->widget(index);
    SheetPage* page = nullptr;
    switch (index) {
    case kPrivacyTab: page = new PrivacyPageWidget(ctx_, place); break;
    case kDiagnosticsTab: page = new DiagnosticsPageWidget(ctx_, place); break;
    case kAboutTab: page = new AboutPageWidget(ctx_, place); break;
    case kRatesTab: page = new RatesPageWidget(ctx_, place); break;
    default: return nullptr;
    }
    place->layout()->addWidget(page);
    page->show();
    return page;
}

void PropertySheet::OnTabChanged(int index) {
    if (index == currentIndex_) return;
    if (auto* old = MadePage(currentIndex_)) old->Deactivate();
    currentIndex_ = index;
    if (auto* page = PageAt(index)) {
        ctx_.messages.SetPageOwner(page);
        page->Activate();
        page->Render();
    }
}

void PropertySheet::showEvent(QShowEvent* e) {
    if (renderPending_) {
        renderPending_ = false;
        if (auto* page = CurrentPage()) page->Render();
    }
    QDialog::showEvent(e);
}

bool PropertySheet::event(QEvent* e) {
    if (e->type() == QEvent::Paint) StartupMarkOnce(painted_, "window-paint");
    const bool handled = QDialog::event(e);
    // After the paint has been put on screen, which follows the paint events.
    if (e->type() == QEvent::Paint && !iconSet_) QTimer::singleShot(0, this, &PropertySheet::AfterFirstPaint);
    if (e->type() == QEvent::WindowActivate && started_) {
        if (auto* page = CurrentPage()) page->WindowActivated();
    }
    return handled;
}

void PropertySheet::done(int result) {
    mainPage->Destroy();
    QDialog::done(result);
}

void PropertySheet::ShowSetPassword() {
    SetPasswordDialog dialog(ctx_, mainPage);
    // A Diagnostics page not made yet makes its report when it is.
    dialog.onStored = [this] {
        if (auto* diagnostics = static_cast<DiagnosticsPageWidget*>(MadePage(kDiagnosticsTab))) diagnostics->Regenerate();
    };
    dialog.Run();
}

void PropertySheet::ShowAddRemote() {
    AddRemoteDialog dialog(ctx_, mainPage);
    dialog.Run();
}

}  // namespace zentrel::ui
