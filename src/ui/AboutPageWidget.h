#pragma once
// "About": title, version, legal notice, the optional web link and the OEM picture.
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <functional>

#include "ui/SheetPage.h"

namespace zentrel::ui {

class AboutPageWidget : public SheetPage {
    Q_OBJECT
public:
    explicit AboutPageWidget(UiContext& ctx, QWidget* parent = nullptr);
    // The size the page asks of the window, for a font: the window keeps it before the page is made.
    static QSize MinimumSize(const QFont& font);

    void Activate() override;
    void Deactivate() override;

    // Hands the address to the desktop's browser; tests replace it.
    std::function<void(const QString&)> openLink;

    QLabel* title = nullptr;        // 1096
    QLabel* version = nullptr;      // 1098
    QLabel* legalNotice = nullptr;  // 1094
    QPushButton* link = nullptr;    // 1093

protected:
    void Initialise() override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zentrel::ui
