#include "ui/AboutPageWidget.h"

#include <QDesktopServices>
#include <QPainter>

#include "pages/ScanCycle.h"
#include "report/HostInfo.h"
#include "ui/CBmp.h"
#include "ui/DialogUnits.h"
#include "ui/UiText.h"

namespace zentrel::ui {

QSize AboutPageWidget::MinimumSize(const QFont& font) {
    const DialogUnits du(font);
    return {du.X(378), du.Y(215)};
}

AboutPageWidget::AboutPageWidget(UiContext& ctx, QWidget* parent) : SheetPage(ctx, parent) {
    setObjectName("aboutPage");
    const DialogUnits du(font());
    auto* versionLabel = new QLabel("Version:", this);
    du.Place(versionLabel, 149, 69, 31, 8);
    version = new QLabel(this);
    version->setObjectName("version");
    du.Place(version, 186, 69, 68, 8);
    title = new QLabel(this);
    title->setObjectName("title");
    title->setTextFormat(Qt::PlainText);
    du.Place(title, 51, 69, 90, 8);
    legalNotice = new QLabel(this);
    legalNotice->setObjectName("legalNotice");
    legalNotice->setTextFormat(Qt::PlainText);
    du.Place(legalNotice, 51, 81, 259, 8);
    link = new QPushButton(this);
    link->setObjectName("link");
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    du.Place(link, 52, 97, 112, 14);
    link->hide();
    setMinimumSize(MinimumSize(font()));

    openLink = [](const QString& address) { QDesktopServices::openUrl(QUrl::fromUserInput(address)); };
    connect(link, &QPushButton::clicked, this, [this] {
        if (openLink) openLink(FromCore(ctx_.core.prefs.webAddress));
    });
}

void AboutPageWidget::Initialise() {
    const auto& prefs = ctx_.core.prefs;
    title->setText(FromCore(prefs.title));
    if (!prefs.webAddress.empty()) {
        link->setText(FromCore(prefs.webAddress));
        link->show();
    }
    legalNotice->setText(FromCore(prefs.legalNotice));
    version->setText(programVersion);
}

void AboutPageWidget::Activate() {
    EnsureInitialised();
    // Periodic scanning pauses while the page is shown.
    ctx_.core.pages.aboutWasScanning = SetAutoRefresh(ctx_.core, 0);
}

void AboutPageWidget::Deactivate() { SetAutoRefresh(ctx_.core, ctx_.core.pages.aboutWasScanning ? 1 : 0); }

void AboutPageWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CBmp bmp;
    bmp.DrawFile(ctx_.FilePath("oemBig.bmp"), painter, ctx_.core.prefs.aboutBitmapX, ctx_.core.prefs.aboutBitmapY);
}

}  // namespace zentrel::ui
