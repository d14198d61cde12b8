#include "ui/AddRemoteDialog.h"

#include "pages/PasswordDialogs.h"

namespace zentrel::ui {

AddRemoteDialog::AddRemoteDialog(UiContext& ctx, QWidget* owner)
    : PasswordDialog(ctx, owner, "addRemoteDialog", "Add Remote Device to Network") {
    networkName = AddRow<QLineEdit>("Network Name:", "networkName");
    AddPasswordAndHelp();
    AddButtons();

    ctx_.views.BindField(Form::AddRemote, kAddRemoteNameField, networkName);
    ctx_.views.BindField(Form::AddRemote, kPasswordField, password);
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
