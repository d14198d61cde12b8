#include "ui/MainPageWidget.h"

#include <QPainter>

#include "registry/MainPage.h"
#include "ui/CBmp.h"
#include "ui/DialogUnits.h"

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
    ccoMac->setText(QString::fromStdString(view.ccoMac));
    nid->setText(QString::fromStdString(view.nid));
    ccoTei->setText(QString::fromStdString(view.ccoTei));
    snid->setText(QString::fromStdString(view.snid));
    connection->setText(QString::fromStdString(view.connection));
    scanning->setText(QString::fromStdString(view.scanning));
    networkType->setText(QString::fromStdString(view.networkType));
    stationCount->setText(QString::fromStdString(view.stationCountText));
    localList->Render();
    powerlineList->Render();
}

void MainPageWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CBmp bmp;
    bmp.DrawFile(ctx_.FilePath("oemSmall.bmp"), painter, ctx_.core.prefs.mainBitmapX, ctx_.core.prefs.mainBitmapY);
}

}  // namespace zentrel::ui
