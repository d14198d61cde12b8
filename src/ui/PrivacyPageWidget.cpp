#include "ui/PrivacyPageWidget.h"

#include <QApplication>
#include <algorithm>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace zentrel::ui {

namespace {
QLabel* Text(const char* text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}
}  // namespace

PrivacyPageWidget::PrivacyPageWidget(UiContext& ctx, QWidget* parent) : SheetPage(ctx, parent) {
    setObjectName("privacyPage");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text("Use this screen to create a Private Network that provides you with extra security.", this));

    auto* nameBox = new QGroupBox("Private Network Name", this);
    auto* nameLayout = new QVBoxLayout(nameBox);
    auto* nameRow = new QHBoxLayout;
    name = new QLineEdit(nameBox);
    name->setObjectName("networkName");
    nameRow->addWidget(name, 1);
    nameRow->addWidget(Text("OR", nameBox));
    useDefault = new QPushButton("Use Default (Public Network)", nameBox);
    useDefault->setObjectName("useDefault");
    nameRow->addWidget(useDefault);
    nameLayout->addLayout(nameRow);
    nameLayout->addWidget(
        Text("Do not share the network name with others you do not want to be part of this network.", nameBox));
    layout->addWidget(nameBox);

    layout->addWidget(Text("After setting the name above, choose how it will be applied below:", this));

    auto* placeBox = new QGroupBox("Place On This Network", this);
    auto* placeLayout = new QVBoxLayout(placeBox);
    auto* localRow = new QHBoxLayout;
    localRow->addWidget(Text("Only the device attached to this computer (the Local Device).\n"
                             "(Isolates this computer from others):",
                             placeBox),
                        1);
    setLocal = new QPushButton("Set Local Device Only", placeBox);
    setLocal->setObjectName("setLocal");
    localRow->addWidget(setLocal);
    placeLayout->addLayout(localRow);
    placeLayout->addWidget(Text("OR", placeBox));
    auto* allRow = new QHBoxLayout;
    allRow->addWidget(Text("ALL devices whose Password has been entered.\n"
                           "(They communicate together but are isolated from devices with a different network name)",
                           placeBox),
                      1);
    setAll = new QPushButton("Set All Devices", placeBox);
    setAll->setObjectName("setAll");
    allRow->addWidget(setAll);
    placeLayout->addLayout(allRow);
    layout->addWidget(placeBox);
    layout->addStretch(1);

    ctx_.views.BindField(Form::Privacy, kPrivacyNameField, name);
    connect(useDefault, &QPushButton::clicked, this, [this] {
        ctx_.views.SyncFields();
        UseDefaultNetworkName(ctx_.core);
    });
    connect(setLocal, &QPushButton::clicked, this, [this] { Apply(SetNameScope::LocalOnly); });
    connect(setAll, &QPushButton::clicked, this, [this] { Apply(SetNameScope::AllDevices); });
}

void PrivacyPageWidget::Activate() {
    EnsureInitialised();
    ActivatePrivacyPage(ctx_.core);
}

void PrivacyPageWidget::Deactivate() { DeactivatePrivacyPage(ctx_.core); }

QString PrivacyPageWidget::ProgressText(const RemoteProgress& progress) {
    const QString device = QString("device %1 of %2").arg(progress.index).arg(progress.count);
    if (!progress.done) return device + "\n" + FromCore(progress.mac);
    return device + (progress.ok ? ": changed\n" : ": failed\n") + FromCore(progress.mac);
}

void PrivacyPageWidget::Apply(SetNameScope scope) {
    HandlerScope hold(ctx_.timer);
    ctx_.views.SyncFields();
    lastProgress.clear();
    shownProgress.clear();
    if (scope == SetNameScope::LocalOnly) {
        SetNetworkName(ctx_.core, scope);
        return;
    }
    // Shown only while remote devices are visited; it has nothing to cancel, since the order of
    // the requests and their waits must run to the end.
    QProgressDialog dialog(this);
    dialog.setObjectName("setAllProgress");
    dialog.setWindowTitle("Set All Devices");
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setCancelButton(nullptr);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowCloseButtonHint);
    SetNetworkName(ctx_.core, scope, [&](const RemoteProgress& p) {
        lastProgress.push_back(p);
        dialog.setMaximum(p.count);
        dialog.setLabelText(ProgressText(p));
        // The bar counts the devices that are done; the device in hand is not done yet.
        dialog.setValue(p.done ? p.index : p.index - 1);
        shownProgress.push_back({dialog.labelText(), dialog.value() * 100 / std::max(1, dialog.maximum())});
        // After the last remote device only the local one is left; the final message follows.
        if (p.done && p.index == p.count) {
            dialog.hide();
        } else if (!dialog.isVisible()) {
            dialog.show();
        }
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    dialog.hide();
}

}  // namespace zentrel::ui
