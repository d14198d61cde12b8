// What a new user meets in the window: the selection across scans, the keyboard, the start-up
// messages and the preset texts.
#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <set>

#include "SheetFixture.h"
#include "ui/AddRemoteDialog.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

class UsabilityTest : public SheetFixture {
protected:
    void Open(std::vector<StationRecord> stations = {Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)}) {
        AddAdapter(true, std::move(stations));
        MakeSheet();
        sheet->Open();
        QApplication::setActiveWindow(sheet.get());
        sheet->mainPage->showSetPassword = sheet->mainPage->showAddRemote = [] {};  // no modal window
        sheet->diagnosticsPage->askReportPath = [] { return std::optional<QString>(); };
        sheet->aboutPage->openLink = [](const QString&) {};
        sheet->mainPage->scan->click();
    }
    // Whether Tab from `window` reaches every button it shows, and Space and Enter press each.
    static void ExpectKeyboardReachesButtons(QWidget* window, QAbstractButton* skipPressing) {
        std::set<QAbstractButton*> shown, reached;
        for (auto* b : window->findChildren<QAbstractButton*>()) {
            if (b->isVisible() && !qobject_cast<QAbstractButton*>(b->parentWidget())) shown.insert(b);
        }
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
            if (auto* b = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) reached.insert(b);
        }
        EXPECT_EQ(reached, shown);
        for (auto* b : shown) {
            QSignalSpy clicked(b, &QAbstractButton::clicked);
            for (const auto key : {Qt::Key_Space, Qt::Key_Return}) {
                b->setFocus(Qt::TabFocusReason);
                if (b != skipPressing) QTest::keyClick(b, key);
            }
            // Enter presses push buttons; a check box toggles on Space alone, as everywhere in Qt.
            const int presses = qobject_cast<QCheckBox*>(b) ? 1 : 2;
            EXPECT_EQ(clicked.count(), b == skipPressing ? 0 : presses) << b->text().toStdString();
        }
    }
};

TEST_F(UsabilityTest, SelectedStationStaysSelectedAcrossScans) {
    Open({Station(2, 2, 50), Station(3, 3, 90)});
    auto* list = sheet->mainPage->powerlineList;
    list->selectRow(list->item(0, 3)->text() == "00:B0:52:11:00:02" ? 0 : 1);
    devices[0].stations.push_back(Station(4, 4, 120));  // sorts in front of the others
    sheet->mainPage->scan->click();
    ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list->item(list->selectionModel()->selectedRows().first().row(), 3)->text(), "00:B0:52:11:00:02");
}

TEST_F(UsabilityTest, TabReachesEveryButtonAndSpaceOrEnterPressesIt) {
    Open();
    int csvAsked = 0;  // no modal file chooser under the test
    sheet->ratesPage->askCsvPath = [&csvAsked]() -> std::optional<QString> { ++csvAsked; return std::nullopt; };
    for (int tab = 0; tab < sheet->tabs->count(); ++tab) {
        SCOPED_TRACE(tab);
        sheet->tabs->setCurrentIndex(tab);
        ExpectKeyboardReachesButtons(sheet.get(), sheet->closeButton);
    }
    EXPECT_EQ(csvAsked, 2);
    ui::AddRemoteDialog dialog(app->ctx, sheet->mainPage);
    dialog.Open();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ExpectKeyboardReachesButtons(&dialog, nullptr);
}

TEST_F(UsabilityTest, StartUpMessagesNeverShowOverAPlaceholderPage) {
    std::ofstream(dir / "plc.data") << std::string(100, '\0');  // an old version: the start-up warns
    int overPlaceholders = 0;
    AddAdapter(true);
    MakeSheet();
    app->messages.onShow = [&](const Message&) {
        overPlaceholders += sheet->isVisible() && sheet->mainPage->connection->text() == "Replace";
    };
    sheet->Open();
    EXPECT_FALSE(app->messages.shown.empty());
    EXPECT_EQ(overPlaceholders, 0);
    EXPECT_TRUE(sheet->isVisible());
}

TEST_F(UsabilityTest, TypingReplacesAPresetTextHoweverTheFieldIsEntered) {
    Open();
    for (const bool click : {false, true}) {
        ui::AddRemoteDialog dialog(app->ctx, sheet->mainPage);
        dialog.Open();
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        if (click) QTest::mouseClick(dialog.password, Qt::LeftButton, {}, dialog.password->rect().center());
        if (!click) QTest::keyClick(dialog.networkName, Qt::Key_Tab);
        QApplication::processEvents();
        QTest::keyClicks(dialog.password, "ABCD-EFGH");
        EXPECT_EQ(dialog.password->text(), "ABCD-EFGH") << click;
    }
}

}  // namespace
