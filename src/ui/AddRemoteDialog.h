#pragma once
// "Add Remote Device to Network": a network name and a device password.
#include "ui/PasswordDialog.h"

namespace zentrel::ui {

class AddRemoteDialog : public PasswordDialog {
    Q_OBJECT
public:
    AddRemoteDialog(UiContext& ctx, QWidget* owner);
    void Open();
    int Run();

    QLineEdit* networkName = nullptr;  // 1088

public Q_SLOTS:
    void accept() override;
    void reject() override;
};

}  // namespace zentrel::ui
