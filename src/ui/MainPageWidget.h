#pragma once
// "Main": local devices, powerline devices, network status and the three buttons.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/ListView.h"
#include "ui/CBmp.h"
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

    // Where the page draws oemSmall.bmp (its natural size).
    QRect BitmapRect() const { return bitmapRect_; }
    QSize sizeHint() const override;

protected:
    void Initialise() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Dialog units of the page's fixed parts.
    static constexpr int kPageWidth = 393;
    static constexpr int kListTop = 79;
    static constexpr int kListHeight = 216;  // at the window's first size
    static constexpr int kMinListHeight = 100;
    static constexpr int kButtonHeight = 14;
    static constexpr int kBottomMargin = 6;
    static constexpr int kGap = 5;

    QSize BitmapSize() const;
    int BottomBandHeight() const;
    void LayOut();

    bool destroyed_ = false;
    // oemSmall.bmp, read once: every layout needs its size and every paint its pixels.
    CBmp bitmap_;
    QRect bitmapRect_;
};

}  // namespace zentrel::ui
