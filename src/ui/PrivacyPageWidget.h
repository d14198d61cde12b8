#pragma once
// "Privacy": the network name and the two ways of applying it.
#include <QLineEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "pages/PrivacyPage.h"
#include "ui/SheetPage.h"

namespace zentrel::ui {

class PrivacyPageWidget : public SheetPage {
    Q_OBJECT
public:
    explicit PrivacyPageWidget(UiContext& ctx, QWidget* parent = nullptr);

    void Activate() override;
    void Deactivate() override;

    QLineEdit* name = nullptr;             // 1028
    QPushButton* useDefault = nullptr;     // 1062
    QPushButton* setLocal = nullptr;       // 1080
    QPushButton* setAll = nullptr;         // 1081

    // The text the progress dialog shows before device `index` of `count`.
    static QString ProgressText(const RemoteProgress& progress);
    // Progress reports seen during the last "Set All Devices", and what the dialog showed for
    // each: its text and the bar's percentage (tests read them).
    std::vector<RemoteProgress> lastProgress;
    std::vector<std::pair<QString, int>> shownProgress;

private:
    void Apply(SetNameScope scope);
};

}  // namespace zentrel::ui
