#include "ui/MainPageWidget.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "pages/MainPage.h"
#include "pages/MainList.h"
#include "ui/CBmp.h"
#include "ui/DialogUnits.h"
#include "ui/StartupTrace.h"
#include "ui/UiText.h"

namespace zentrel::ui {

namespace {
QLineEdit* ReadOnlyEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    return e;
}
}  // namespace

MainPageWidget::MainPageWidget(UiContext& ctx, QWidget* parent) : SheetPage(ctx, parent) {
    setObjectName("mainPage");
    bitmap_.Load(ctx_.FilePath("oemSmall.bmp"));
    const DialogUnits du(font());
    auto& view = ctx_.views.main;

    auto* localLabel = new QLabel("Local Device(s) on your computer:", this);
    du.Place(localLabel, 7, 4, 160, 8);
    localList = new ListView(view.localDevices, this);
    localList->setObjectName("localDeviceList");
    du.Place(localList, 7, 14, 160, 50);

    auto* ccoLabel = new QLabel("CCo Mac Address:", this);
    du.Place(ccoLabel, 172, 16, 78, 8);
    ccoMac = ReadOnlyEdit(this);
    ccoMac->setObjectName("ccoMac");
    du.Place(ccoMac, 252, 14, 90, 12);

    // Written by every scan but not shown.
    const char* hiddenLabels[] = {"NID:", "TEI:", "SNID:"};
    QLineEdit** hidden[] = {&nid, &ccoTei, &snid};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(hiddenLabels[i], this);
        *hidden[i] = ReadOnlyEdit(this);
        du.Place(l, 180, 30 + 14 * i, 30, 8);
        du.Place(*hidden[i], 214, 28 + 14 * i, 90, 12);
        l->hide();
        (*hidden[i])->hide();
    }
    nid->setObjectName("nid");
    ccoTei->setObjectName("ccoTei");
    snid->setObjectName("snid");

    connection = new QLabel(this);
    connection->setObjectName("connection");
    du.Place(connection, 180, 32, 150, 8);
    scanning = new QLabel(this);
    scanning->setObjectName("scanning");
    du.Place(scanning, 180, 44, 150, 8);

    stationCount = new QLabel(this);
    stationCount->setObjectName("stationCount");
    du.Place(stationCount, 7, 68, 180, 8);
    networkType = new QLabel(this);
    networkType->setObjectName("networkType");
    networkType->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* l : {connection, scanning, stationCount, networkType}) l->setTextFormat(Qt::PlainText);

    powerlineList = new ListView(view.powerlineDevices, this);
    powerlineList->setObjectName("powerlineDeviceList");
    powerlineList->SetColumnsMovable(true);
    powerlineList->SetHeaderClickHandler([this](int column) {
        OnPowerlineColumnClick(ctx_.core, column);
        Render();
    });

    enterPassword = new QPushButton("Enter Password", this);
    enterPassword->setObjectName("enterPassword");
    addRemote = new QPushButton("Add Remote", this);
    addRemote->setObjectName("addRemote");
    scan = new QPushButton("Scan", this);
    scan->setObjectName("scan");
    scan->setDefault(true);
    scan->setAutoDefault(true);
    setMinimumSize(du.X(kPageWidth), du.Y(kListTop + kMinListHeight) + BottomBandHeight());
    LayOut();
    if (StartupTraceOn()) {
        localList->TracePaints("local-list-rows");
        powerlineList->TracePaints("powerline-list-rows");
    }

    connect(scan, &QPushButton::clicked, this, [this] {
        HandlerScope hold(ctx_.timer);
        OnScanButton(ctx_.core);
        Render();
    });
    connect(enterPassword, &QPushButton::clicked, this, [this] {
        if (showSetPassword) showSetPassword();
        Render();
    });
    connect(addRemote, &QPushButton::clicked, this, [this] {
        if (showAddRemote) showAddRemote();
        Render();
    });
    Render();
}

void MainPageWidget::Initialise() {
    StartupMark("main-page-init");
    HandlerScope hold(ctx_.timer);
    InitMainPage(ctx_.core);
    StartupMark("main-page-init-core-done");
    Render();
}

void MainPageWidget::Activate() {
    EnsureInitialised();
    HandlerScope hold(ctx_.timer);
    ActivateMainPage(ctx_.core);
    Render();
}

void MainPageWidget::Deactivate() { DeactivateMainPage(ctx_.core); }

void MainPageWidget::Destroy() {
    if (destroyed_ || !Initialised()) return;
    destroyed_ = true;
    DestroyMainPage(ctx_.core);
}

void MainPageWidget::Render() {
    const auto& view = ctx_.views.main;
    ccoMac->setText(FromCore(view.ccoMac));
    nid->setText(FromCore(view.nid));
    ccoTei->setText(FromCore(view.ccoTei));
    snid->setText(FromCore(view.snid));
    connection->setText(FromCore(view.connection));
    scanning->setText(FromCore(view.scanning));
    networkType->setText(FromCore(view.networkType));
    stationCount->setText(FromCore(view.stationCountText));
    localList->Render();
    powerlineList->Render();
}

QSize MainPageWidget::BitmapSize() const {
    const auto [w, h] = bitmap_.GetSize();
    return {w, h};
}

QSize MainPageWidget::sizeHint() const {
    const DialogUnits du(font());
    return {du.X(kPageWidth), du.Y(kListTop + kListHeight) + BottomBandHeight()};
}

int MainPageWidget::BottomBandHeight() const {
    const DialogUnits du(font());
    return std::max(du.Y(kButtonHeight), BitmapSize().height()) + du.Y(kBottomMargin) + du.Y(kGap);
}

// The top of the page keeps its dialog-unit places; the powerline list takes whatever the
// window gives beyond the minimum, and the buttons stay on the bottom edge.
void MainPageWidget::LayOut() {
    const DialogUnits du(font());
    const int margin = du.X(7);
    const int right = std::max(width(), minimumWidth()) - margin;
    const int bottom = std::max(height(), minimumHeight()) - du.Y(kBottomMargin);
    const QSize bitmap = BitmapSize();
    const int bandHeight = std::max(du.Y(kButtonHeight), bitmap.height());
    const int bandTop = bottom - bandHeight;
    const int listTop = du.Y(kListTop);
    networkType->setGeometry(right - du.X(150), du.Y(68), du.X(150), du.Y(8));
    powerlineList->setGeometry(margin, listTop, right - margin, bandTop - du.Y(kGap) - listTop);

    const int buttonTop = bandTop + (bandHeight - du.Y(kButtonHeight)) / 2;
    enterPassword->setGeometry(margin, buttonTop, du.X(70), du.Y(kButtonHeight));
    addRemote->setGeometry(du.X(82), buttonTop, du.X(70), du.Y(kButtonHeight));
    scan->setGeometry(right - du.X(70), buttonTop, du.X(70), du.Y(kButtonHeight));

    // The bitmap goes where the preferences put it (given in pixels of the font the page was
    // drawn with) when nothing covers it there; the default place lies under the powerline list,
    // so it then takes the free middle of the button row.
    const QRect preferred(du.PixelsX(ctx_.core.prefs.mainBitmapX), du.PixelsY(ctx_.core.prefs.mainBitmapY),
                          bitmap.width(), bitmap.height());
    bool covered = false;
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(this) && child->geometry().intersects(preferred)) covered = true;
    }
    const int freeLeft = addRemote->geometry().right();
    const int freeRight = scan->geometry().left();
    bitmapRect_ = covered ? QRect((freeLeft + freeRight - bitmap.width()) / 2, bandTop, bitmap.width(), bitmap.height())
                          : preferred;
}

void MainPageWidget::resizeEvent(QResizeEvent* event) {
    SheetPage::resizeEvent(event);
    LayOut();
}

void MainPageWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    bitmap_.Draw(painter, bitmapRect_.x(), bitmapRect_.y(), bitmapRect_.width(), bitmapRect_.height());
}

}  // namespace zentrel::ui
