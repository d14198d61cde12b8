#pragma once
// "Add Remote Device to Network": a network name and a device password.
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "ui/UiContext.h"

namespace zentrel::ui {

class AddRemoteDialog : public QDialog {
    Q_OBJECT
public:
    AddRemoteDialog(UiContext& ctx, QWidget* owner);
    void Open();
    int Run();

    QLineEdit* networkName = nullptr;  // 1088
    QLineEdit* password = nullptr;     // 1013
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

public Q_SLOTS:
    void accept() override;
    void reject() override;

private:
    UiContext& ctx_;
};

}  // namespace zentrel::ui
