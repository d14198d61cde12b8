#pragma once
// "Set Device Password": records the password of the device selected on the Main page.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/UiContext.h"

namespace zentrel::ui {

// The help text both password dialogs show.
extern const char kPasswordHelpText[];
// Dialog flags: a caption without a close box.
Qt::WindowFlags NoCloseBoxFlags();

class SetPasswordDialog : public QDialog {
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
    QLineEdit* password = nullptr;  // 1013
    QLabel* status = nullptr;   // 1099
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

public Q_SLOTS:
    void accept() override;
    void reject() override;

private:
    UiContext& ctx_;
};

}  // namespace zentrel::ui
