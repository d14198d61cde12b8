// What a new user meets in the window: the selection across scans, the keyboard, the window's
// size, the start-up messages, the Set All progress and the preset texts.
#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <set>

#include "SheetFixture.h"
#include "ui/AddRemoteDialog.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

// Tabs round `window` from its current focus and returns the buttons that got the focus.
std::set<QAbstractButton*> TabbedButtons(QWidget* window) {
    std::set<QAbstractButton*> reached;
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
        if (auto* b = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) reached.insert(b);
    }
    return reached;
}

std::set<QAbstractButton*> ShownButtons(QWidget* widget) {
    std::set<QAbstractButton*> buttons;
    for (auto* b : widget->findChildren<QAbstractButton*>()) {
        if (b->isVisible() && b->isEnabled() && b->parent() && !qobject_cast<QAbstractButton*>(b->parentWidget()))
            buttons.insert(b);
    }
    return buttons;
}

class UsabilityTest : public SheetFixture {
protected:
    void Open() {
        sheet->Open();
        QApplication::setActiveWindow(sheet.get());
        sheet->activateWindow();
        // Nothing here may open a modal window.
        sheet->mainPage->showSetPassword = [] {};
        sheet->mainPage->showAddRemote = [] {};
        sheet->diagnosticsPage->askReportPath = [] { return std::optional<QString>(); };
        sheet->aboutPage->openLink = [](const QString&) {};
    }
};

TEST_F(UsabilityTest, SelectedStationStaysSelectedAcrossScans) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 90)});
    MakeSheet();
    Open();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    const int row = list->item(0, 3)->text() == "00:B0:52:11:00:02" ? 0 : 1;
    list->selectRow(row);
    devices[0].stations.push_back(Station(4, 4, 120));  // sorts in front of the others
    sheet->mainPage->scan->click();
    ASSERT_EQ(list->rowCount(), 3);
    const auto selected = list->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(list->item(selected.first().row(), 3)->text(), "00:B0:52:11:00:02");
}

TEST_F(UsabilityTest, TabReachesEveryButtonAndSpaceOrEnterPressesIt) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Open();
    for (int tab = 0; tab < sheet->tabs->count(); ++tab) {
        SCOPED_TRACE(tab);
        ShowTab(tab);
        const auto expected = ShownButtons(sheet.get());
        EXPECT_EQ(TabbedButtons(sheet.get()), expected);
        for (auto* button : expected) {
            if (button == sheet->closeButton) continue;
            for (const auto key : {Qt::Key_Space, Qt::Key_Return}) {
                SCOPED_TRACE(button->text().toStdString());
                button->setFocus(Qt::TabFocusReason);
                QSignalSpy clicked(button, &QAbstractButton::clicked);
                QTest::keyClick(button, key);
                EXPECT_EQ(clicked.count(), 1);
            }
        }
    }
    ui::AddRemoteDialog dialog(app->ctx, sheet->mainPage);
    dialog.Open();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_EQ(TabbedButtons(&dialog), ShownButtons(&dialog));
    dialog.cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog.cancel, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(UsabilityTest, MinimumSizeShowsEveryButtonAndTheListGrowsWithTheWindow) {
    AddAdapter(true);
    MakeSheet();
    Open();
    sheet->resize(10, 10);
    auto* page = sheet->mainPage;
    for (QWidget* w : std::initializer_list<QWidget*>{page->enterPassword, page->addRemote, page->scan,
                                                     page->powerlineList, page->networkType}) {
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_TRUE(page->rect().contains(page->BitmapRect()));
    const QSize small = page->powerlineList->size();
    sheet->resize(sheet->width() + 300, sheet->height() + 200);
    EXPECT_EQ(page->powerlineList->size(), small + QSize(300, 200));
    EXPECT_FALSE(page->powerlineList->geometry().intersects(page->BitmapRect()));
}

TEST_F(UsabilityTest, StartUpMessagesNeverShowOverAPlaceholderPage) {
    AddAdapter(true);
    std::vector<std::uint8_t> old(kDatabaseBaseBytes, 0);
    old[0] = 100;  // a database of an older version: the start-up warns
    std::ofstream(dir / "plc.data", std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 100);
    MakeSheet();
    int shownOverPlaceholders = 0;
    app->messages.onShow = [&](const Message&) {
        const auto text = sheet->mainPage->connection->text();
        if (sheet->isVisible() && (text == "Replace" || sheet->mainPage->scanning->text() == "status"))
            ++shownOverPlaceholders;
    };
    Open();
    EXPECT_FALSE(app->messages.shown.empty());
    EXPECT_EQ(shownOverPlaceholders, 0);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->mainPage->connection->text(), "Connected");
}

TEST_F(UsabilityTest, SetAllProgressCountsFinishedDevicesAndTheFinalBoxCountsChanges) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)});
    MakeSheet();
    Open();
    sheet->mainPage->scan->click();
    auto& model = app->views.main.powerlineDevices;
    for (int r = 0; r < 3; ++r) model.SetCell(r, 4, "PASS-WORD");
    ShowTab(1);
    sheet->privacyPage->name->setText("MyOwnNet");
    failSetKeys = 2;  // the first device fails both attempts
    sheet->privacyPage->setAll->click();
    const auto& shown = sheet->privacyPage->shownProgress;
    const std::vector<std::pair<std::string, int>> expected = {
        {"device 1 of 3", 0}, {"device 1 of 3: failed", 33}, {"device 2 of 3", 33},
        {"device 2 of 3: changed", 66}, {"device 3 of 3", 66}, {"device 3 of 3: changed", 100}};
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].first.section('\n', 0, 0).toStdString(), expected[i].first);
        EXPECT_EQ(shown[i].second, expected[i].second);
    }
    EXPECT_NE(LastShown().text.find("\n3 of 4 devices changed."), std::string::npos) << LastShown().text;
}

TEST_F(UsabilityTest, TypingReplacesAPresetTextHoweverTheFieldIsEntered) {
    AddAdapter(true);
    MakeSheet();
    Open();
    for (const bool click : {false, true}) {
        SCOPED_TRACE(click);
        ui::AddRemoteDialog dialog(app->ctx, sheet->mainPage);
        dialog.Open();
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        if (click) {
            QTest::mouseClick(dialog.password, Qt::LeftButton, {}, dialog.password->rect().center());
        } else {
            QTest::keyClick(dialog.networkName, Qt::Key_Tab);
        }
        ASSERT_TRUE(dialog.password->hasFocus());
        QApplication::processEvents();
        QTest::keyClicks(dialog.password, "ABCD-EFGH");
        EXPECT_EQ(dialog.password->text(), "ABCD-EFGH");
        dialog.reject();
    }
}

}  // namespace
