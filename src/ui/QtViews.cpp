#include "ui/QtViews.h"

#include <QEvent>
#include <QTimer>

#include "ui/UiText.h"

namespace zentrel::ui {

void QtViews::PresetField(Form form, int id, const std::string& text) {
    Views::PresetField(form, id, text);
    auto it = edits_.find({form, id});
    if (it == edits_.end() || !it->second) return;
    it->second->setText(FromCoreField(text));
    it->second->selectAll();
}

void QtViews::SetFieldText(Form form, int id, const std::string& text) {
    Views::SetFieldText(form, id, text);
    auto it = edits_.find({form, id});
    if (it == edits_.end() || !it->second) return;
    it->second->setText(FromCoreField(text));
    it->second->deselect();
}

void QtViews::FocusField(Form form, int id) {
    Views::FocusField(form, id);
    auto it = edits_.find({form, id});
    if (it == edits_.end() || !it->second) return;
    // Setting the focus selects the whole text of a line edit; keep the selection the core chose.
    const bool all = Field(form, id).allSelected;
    it->second->setFocus(Qt::OtherFocusReason);
    if (all) {
        it->second->selectAll();
    } else {
        it->second->deselect();
    }
}

void QtViews::Type(Form form, int id, const QString& typed) {
    std::string text;
    const bool fits = ToCore(typed, text);
    TypeFieldText(form, id, text, fits);
}

void QtViews::BindField(Form form, int id, QLineEdit* edit) {
    edits_[{form, id}] = edit;
    edit->installEventFilter(this);
    edit->setText(FromCoreField(FieldText(form, id)));
    connect(edit, &QLineEdit::textEdited, this,
            [this, form, id](const QString& text) { Type(form, id, text); });
}

void QtViews::SyncFields() {
    for (auto& [key, edit] : edits_) {
        if (edit) Type(key.first, key.second, edit->text());
    }
}

}  // namespace zentrel::ui

namespace zentrel::ui {

bool QtViews::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (const auto& [key, edit] : edits_) {
            if (edit != watched || !Field(key.first, key.second).allSelected) continue;
            // A click places the cursor after the focus arrives: select once it has.
            QPointer<QLineEdit> target = edit;
            QTimer::singleShot(0, this, [target] {
                if (target) target->selectAll();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zentrel::ui
