#pragma once
// A tab of the property sheet. Pages are set up when first shown, as property sheet pages are,
// and are told when they become the current tab and when they stop being it.
#include <QWidget>

#include "ui/UiContext.h"

namespace zentrel::ui {

class SheetPage : public QWidget {
    Q_OBJECT
public:
    SheetPage(UiContext& ctx, QWidget* parent = nullptr) : QWidget(parent), ctx_(ctx) {}

    void EnsureInitialised() {
        if (initialised_) return;
        initialised_ = true;
        Initialise();
    }
    virtual void Activate() {}
    virtual void Deactivate() {}
    // The sheet's window became active again while this page is the current tab.
    virtual void WindowActivated() {}
    // The core changed a model this page shows.
    virtual void Render() {}
    bool Initialised() const { return initialised_; }

protected:
    virtual void Initialise() {}
    UiContext& ctx_;

private:
    bool initialised_ = false;
};

}  // namespace zentrel::ui
