#pragma once
// "Set Device Password": records the password of the device selected on the Main page.
#include <functional>

#include "ui/PasswordDialog.h"

namespace zentrel::ui {

class SetPasswordDialog : public PasswordDialog {
    Q_OBJECT
public:
    SetPasswordDialog(UiContext& ctx, QWidget* owner);
    // Fills the dialog for the selected device; false (message shown) when none is selected.
    bool Open();
    // Open, then runs the dialog modally; returns the dialog's result.
    int Run();
    void Render();

    // Told after a password was stored, so that other views of the history refresh.
    std::function<void()> onStored;

    QLabel* tei = nullptr;      // 1088
    QLabel* mac = nullptr;      // 1089
    QLabel* status = nullptr;   // 1099

public Q_SLOTS:
    void accept() override;
    void reject() override;
};

}  // namespace zentrel::ui
