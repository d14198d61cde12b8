#pragma once
// What both password dialogs share: a caption without a close box, a grid of captioned fields
// ending in "Password:", the help text under it and an OK/Cancel row wired to accept and reject.
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiContext.h"

namespace zentrel::ui {

// The help text both password dialogs show.
extern const char kPasswordHelpText[];
// Dialog flags: a caption without a close box.
Qt::WindowFlags NoCloseBoxFlags();

class PasswordDialog : public QDialog {
public:
    QLineEdit* password = nullptr;  // 1013
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

protected:
    PasswordDialog(UiContext& ctx, QWidget* owner, const char* objectName, const char* title);

    // A captioned row of the grid, above the password.
    template <class Field>
    Field* AddRow(const char* caption, const char* objectName) {
        const int row = rows_++;
        grid_->addWidget(new QLabel(caption, this), row, 0);
        auto* field = new Field(this);
        field->setObjectName(objectName);
        grid_->addWidget(field, row, 1);
        return field;
    }
    // The password row, then the help text.
    void AddPasswordAndHelp();
    // The OK/Cancel row at the bottom.
    void AddButtons();

    UiContext& ctx_;
    QVBoxLayout* layout_ = nullptr;

private:
    QGridLayout* grid_ = nullptr;
    int rows_ = 0;
};

}  // namespace zentrel::ui
