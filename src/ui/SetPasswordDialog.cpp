#include "ui/SetPasswordDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "keys/PasswordDialogs.h"

namespace zentrel::ui {

const char kPasswordHelpText[] =
    "The Password typically appears as a number and letter code, in groups of four, separated by dashes.\n\n"
    "(ie QM4T-7RWZ-K2PD-9HXV)\nIt is found on the device or packaging.";

Qt::WindowFlags NoCloseBoxFlags() {
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

SetPasswordDialog::SetPasswordDialog(UiContext& ctx, QWidget* owner) : QDialog(owner, NoCloseBoxFlags()), ctx_(ctx) {
    setObjectName("setPasswordDialog");
    setWindowTitle("Set Device Password");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("TEI:", this), 0, 0);
    tei = new QLabel(this);
    tei->setObjectName("tei");
    grid->addWidget(tei, 0, 1);
    grid->addWidget(new QLabel("Mac Addr:", this), 1, 0);
    mac = new QLabel(this);
    mac->setObjectName("mac");
    grid->addWidget(mac, 1, 1);
    grid->addWidget(new QLabel("Password:", this), 2, 0);
    password = new QLineEdit(this);
    password->setObjectName("password");
    grid->addWidget(password, 2, 1);
    layout->addLayout(grid);
    auto* help = new QLabel(kPasswordHelpText, this);
    help->setWordWrap(true);
    layout->addWidget(help);
    status = new QLabel(this);
    status->setObjectName("status");
    layout->addWidget(status);
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

    ctx_.views.BindField(Form::SetPassword, kPasswordField, password);
    connect(ok, &QPushButton::clicked, this, &SetPasswordDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SetPasswordDialog::reject);
    connect(&ctx_.views, &QtViews::changed, this, &SetPasswordDialog::Render);
}

void SetPasswordDialog::Render() {
    tei->setText(QString::fromStdString(ctx_.views.setPasswordTei));
    mac->setText(QString::fromStdString(ctx_.views.setPasswordMac));
    status->setText(QString::fromStdString(ctx_.views.setPasswordStatus));
}

bool SetPasswordDialog::Open() {
    if (!OpenSetPasswordDialog(ctx_.core)) return false;
    Render();
    return true;
}

int SetPasswordDialog::Run() { return Open() ? exec() : QDialog::Rejected; }

void SetPasswordDialog::accept() {
    ctx_.views.SyncFields();
    const auto outcome = ConfirmSetPassword(ctx_.core);
    Render();
    if (!Closes(outcome)) return;
    if (outcome == SetPasswordOutcome::Stored && onStored) onStored();
    QDialog::accept();
}

void SetPasswordDialog::reject() {
    CancelSetPassword(ctx_.core);
    QDialog::reject();
}

}  // namespace zentrel::ui
