#pragma once
// "Main": local devices, powerline devices, network status and the three buttons.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/ListView.h"
#include "ui/SheetPage.h"

namespace zentrel::ui {

class MainPageWidget : public SheetPage {
    Q_OBJECT
public:
    explicit MainPageWidget(UiContext& ctx, QWidget* parent = nullptr);

    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void Destroy();

    // Opens the two modal dialogs; the sheet supplies them.
    std::function<void()> showSetPassword;
    std::function<void()> showAddRemote;

    ListView* localList = nullptr;       // 1061
    ListView* powerlineList = nullptr;   // 1062
    QLineEdit* ccoMac = nullptr;         // 1006
    QLineEdit* nid = nullptr;            // 1007
    QLineEdit* ccoTei = nullptr;         // 1008
    QLineEdit* snid = nullptr;           // 1009
    QLabel* stationCount = nullptr;      // 1090
    QLabel* networkType = nullptr;       // 1089
    QLabel* connection = nullptr;        // 1012
    QLabel* scanning = nullptr;          // 1083
    QPushButton* enterPassword = nullptr;  // 1087
    QPushButton* addRemote = nullptr;      // 1082
    QPushButton* scan = nullptr;           // 1068

protected:
    void Initialise() override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool destroyed_ = false;
};

}  // namespace zentrel::ui
