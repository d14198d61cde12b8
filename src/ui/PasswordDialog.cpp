#include "ui/PasswordDialog.h"

#include <QHBoxLayout>

namespace zentrel::ui {

const char kPasswordHelpText[] =
    "The Password typically appears as a number and letter code, in groups of four, separated by dashes.\n\n"
    "(ie QM4T-7RWZ-K2PD-9HXV)\nIt is found on the device or packaging.";

Qt::WindowFlags NoCloseBoxFlags() {
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

PasswordDialog::PasswordDialog(UiContext& ctx, QWidget* owner, const char* objectName, const char* title)
    : QDialog(owner, NoCloseBoxFlags()), ctx_(ctx) {
    setObjectName(objectName);
    setWindowTitle(title);
    setModal(true);
    layout_ = new QVBoxLayout(this);
    grid_ = new QGridLayout;
    layout_->addLayout(grid_);
}

void PasswordDialog::AddPasswordAndHelp() {
    password = AddRow<QLineEdit>("Password:", "password");
    auto* help = new QLabel(kPasswordHelpText, this);
    help->setWordWrap(true);
    layout_->addWidget(help);
}

void PasswordDialog::AddButtons() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout_->addLayout(buttons);
    // accept and reject are virtual: the dialog's own rules run.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace zentrel::ui
