#include "ui/SetPasswordDialog.h"

#include "pages/PasswordDialogs.h"
#include "ui/UiText.h"

namespace zentrel::ui {

SetPasswordDialog::SetPasswordDialog(UiContext& ctx, QWidget* owner)
    : PasswordDialog(ctx, owner, "setPasswordDialog", "Set Device Password") {
    tei = AddRow<QLabel>("TEI:", "tei");
    mac = AddRow<QLabel>("Mac Addr:", "mac");
    AddPasswordAndHelp();
    status = new QLabel(this);
    status->setObjectName("status");
    for (QLabel* l : {tei, mac, status}) l->setTextFormat(Qt::PlainText);
    layout_->addWidget(status);
    AddButtons();

    ctx_.views.BindField(Form::SetPassword, kPasswordField, password);
    connect(&ctx_.views, &QtViews::changed, this, &SetPasswordDialog::Render);
}

void SetPasswordDialog::Render() {
    tei->setText(FromCore(ctx_.views.setPasswordTei));
    mac->setText(FromCore(ctx_.views.setPasswordMac));
    status->setText(FromCore(ctx_.views.setPasswordStatus));
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
