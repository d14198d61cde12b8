#include "ui/MainPageWidget.h"

#include <QPainter>

#include "pages/MainPage.h"
#include "pages/MainList.h"
#include "ui/CBmp.h"
#include "ui/DialogUnits.h"
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
    du.Place(networkType, 236, 68, 150, 8);
    for (QLabel* l : {connection, scanning, stationCount, networkType}) l->setTextFormat(Qt::PlainText);

    powerlineList = new ListView(view.powerlineDevices, this);
    powerlineList->setObjectName("powerlineDeviceList");
    powerlineList->SetColumnsMovable(true);
    powerlineList->SetHeaderClickHandler([this](int column) {
        OnPowerlineColumnClick(ctx_.core, column);
        Render();
    });
    du.Place(powerlineList, 7, 79, 379, 216);

    enterPassword = new QPushButton("Enter Password", this);
    enterPassword->setObjectName("enterPassword");
    du.Place(enterPassword, 7, 300, 70, 14);
    addRemote = new QPushButton("Add Remote", this);
    addRemote->setObjectName("addRemote");
    du.Place(addRemote, 82, 300, 70, 14);
    scan = new QPushButton("Scan", this);
    scan->setObjectName("scan");
    scan->setDefault(true);
    scan->setAutoDefault(true);
    du.Place(scan, 316, 300, 70, 14);
    setMinimumSize(du.X(393), du.Y(320));

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
    HandlerScope hold(ctx_.timer);
    InitMainPage(ctx_.core);
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

void MainPageWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CBmp bmp;
    bmp.DrawFile(ctx_.FilePath("oemSmall.bmp"), painter, ctx_.core.prefs.mainBitmapX, ctx_.core.prefs.mainBitmapY);
}

}  // namespace zentrel::ui
