#include "ui/AddRemoteDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "keys/PasswordDialogs.h"
#include "ui/SetPasswordDialog.h"

namespace zentrel::ui {

AddRemoteDialog::AddRemoteDialog(UiContext& ctx, QWidget* owner) : QDialog(owner, NoCloseBoxFlags()), ctx_(ctx) {
    setObjectName("addRemoteDialog");
    setWindowTitle("Add Remote Device to Network");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Network Name:", this), 0, 0);
    networkName = new QLineEdit(this);
    networkName->setObjectName("networkName");
    grid->addWidget(networkName, 0, 1);
    grid->addWidget(new QLabel("Password:", this), 1, 0);
    password = new QLineEdit(this);
    password->setObjectName("password");
    grid->addWidget(password, 1, 1);
    layout->addLayout(grid);
    auto* help = new QLabel(kPasswordHelpText, this);
    help->setWordWrap(true);
    layout->addWidget(help);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    ctx_.views.BindField(Form::AddRemote, kAddRemoteNameField, networkName);
    ctx_.views.BindField(Form::AddRemote, kPasswordField, password);
    connect(ok, &QPushButton::clicked, this, &AddRemoteDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &AddRemoteDialog::reject);
}

void AddRemoteDialog::Open() { OpenAddRemoteDialog(ctx_.core); }

int AddRemoteDialog::Run() {
    Open();
    return exec();
}

void AddRemoteDialog::accept() {
    HandlerScope hold(ctx_.timer);
    ctx_.views.SyncFields();
    if (!Closes(ConfirmAddRemote(ctx_.core))) return;
    QDialog::accept();
}

void AddRemoteDialog::reject() {
    CancelAddRemote(ctx_.core);
    QDialog::reject();
}

}  // namespace zentrel::ui
