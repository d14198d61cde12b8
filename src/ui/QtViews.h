#pragma once
// The core's view models with Qt renderers attached: every Changed() re-renders the pages, and
// the edit fields of the forms follow PresetField / SetFieldText / FocusField.
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <map>
#include <utility>

#include "pages/Views.h"

namespace zentrel::ui {

class QtViews : public QObject, public Views {
    Q_OBJECT
public:
    void PresetField(Form form, int id, const std::string& text) override;
    void SetFieldText(Form form, int id, const std::string& text) override;
    void FocusField(Form form, int id) override;
    void Changed() override { Q_EMIT changed(); }

    // Ties an edit control to a field: typing goes into the model, the core's writes into the edit.
    void BindField(Form form, int id, QLineEdit* edit);
    // Copies every bound edit's text into the model (before a handler reads the fields).
    void SyncFields();

Q_SIGNALS:
    void changed();

protected:
    // A field that still holds its preset text is selected whole whenever it gets the focus, by a
    // click as by Tab, so that typing replaces the preset rather than adding to it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Type(Form form, int id, const QString& typed);

    std::map<std::pair<Form, int>, QPointer<QLineEdit>> edits_;
};

}  // namespace zentrel::ui
