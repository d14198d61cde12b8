// The widgets show their view models and forward the user's actions; what the actions do is
// tested in the pages' own tests. The texts each page shows are kept in tests/data/ui_texts.txt.
#include <QAbstractButton>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "SheetFixture.h"
#include "app/desktop/InstanceGuard.h"
#include "support/Records.h"
#include "support/TestBitmap.h"
#include "ui/AddRemoteDialog.h"
#include "ui/SetPasswordDialog.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

QStringList Column(QTableWidget* list, int logical) {
    QStringList c;
    for (int r = 0; r < list->rowCount(); ++r) c << list->item(r, logical)->text();
    return c;
}

// What a page shows, one line per widget in creation order: buttons, labels, group boxes, fields
// and list headers (in their visual order); with `rows`, the lists' cells too.
std::vector<std::string> Shows(QWidget* page, bool rows) {
    std::vector<std::string> lines;
    auto add = [&](const char* kind, const QString& text) { lines.push_back(kind + (": " + text.toStdString())); };
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page)) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) add("button", b->text());
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) add("label", l->text());
        if (auto* g = qobject_cast<QGroupBox*>(w)) add("group", g->title());
        if (auto* e = qobject_cast<QLineEdit*>(w)) add("field", e->text());
        if (auto* t = qobject_cast<QTableWidget*>(w)) {
            QStringList headers;
            for (int v = 0; v < t->columnCount(); ++v) {
                headers << t->horizontalHeaderItem(t->horizontalHeader()->logicalIndex(v))->text();
            }
            add("list", headers.join(" | "));
            for (int r = 0; rows && r < t->rowCount(); ++r) {
                QStringList cells;
                for (int v = 0; v < t->columnCount(); ++v) cells << t->item(r, t->horizontalHeader()->logicalIndex(v))->text();
                add("row", cells.join(" | "));
            }
        }
    }
    return lines;
}


std::map<std::string, std::vector<std::string>> GoldenTexts() {
    std::map<std::string, std::vector<std::string>> pages;
    std::ifstream in(ZENTREL_TEST_DATA "/ui_texts.txt");
    std::string line, page;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            page = line.substr(1, line.size() - 2);
        } else if (!line.empty()) {
            // A "\n" in the file stands for a line break in the text. Built by appending: GCC 12 at
            // -O3 takes a replace within the same string for an overlapping copy (-Wrestrict).
            std::string text;
            for (std::size_t at = 0; at < line.size(); ++at) {
                if (line.compare(at, 2, "\\n") == 0) {
                    text += '\n';
                    ++at;
                } else {
                    text += line[at];
                }
            }
            pages[page].push_back(text);
        }
    }
    return pages;
}

}  // namespace

// One scan of a local device with two stations, then every page and both dialogs.
TEST_F(SheetFixture, EveryPageShowsItsTextsAndItsModel) {
    AddAdapter(true, {Station(3, 3, 100), Station(2, 2, 50)});
    MakeSheet();
    EXPECT_FALSE(sheet->closeButton->isVisibleTo(sheet.get()));
    Start();
    sheet->mainPage->scan->click();
    auto golden = GoldenTexts();
    std::vector<std::string> tabs = {"title: " + sheet->windowTitle().toStdString()};
    for (int i = 0; i < sheet->tabs->count(); ++i) tabs.push_back("tab: " + sheet->tabs->tabText(i).toStdString());
    tabs.push_back("button: " + sheet->closeButton->text().toStdString());
    EXPECT_EQ(tabs, golden["Sheet"]);
    EXPECT_EQ(Shows(sheet->mainPage, true), golden["Main"]);
    EXPECT_TRUE(sheet->mainPage->scan->isDefault());
    ShowTab(1);
    EXPECT_EQ(Shows(sheet->privacyPage, false), golden["Privacy"]);
    ShowTab(2);
    EXPECT_EQ(Shows(sheet->diagnosticsPage, false), golden["Diagnostics"]);
    ShowTab(3);
    EXPECT_EQ(Shows(sheet->aboutPage, false), golden["About"]);
    QString opened;
    sheet->aboutPage->openLink = [&](const QString& a) { opened = a; };
    sheet->aboutPage->link->click();
    EXPECT_EQ(opened, "http://");

    sheet->mainPage->powerlineList->selectRow(0);
    ui::SetPasswordDialog setPassword(app->ctx, sheet->mainPage);
    ASSERT_TRUE(setPassword.Open());
    EXPECT_EQ(setPassword.windowTitle(), "Set Device Password");
    EXPECT_FALSE(setPassword.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Shows(&setPassword, false), golden["Set Device Password"]);
    ui::AddRemoteDialog addRemote(app->ctx, sheet->mainPage);
    addRemote.Open();
    EXPECT_EQ(addRemote.windowTitle(), "Add Remote Device to Network");
    EXPECT_EQ(Shows(&addRemote, false), golden["Add Remote Device to Network"]);
}

TEST_F(SheetFixture, ListsFollowTheirModelAndEmptyAnAddressLink) {
    AddAdapter(false);
    MakeSheet([](Core& c) { c.prefs.webAddress.clear(); });
    Start();
    EXPECT_EQ(sheet->mainPage->connection->text(), "No Device Detected");
    EXPECT_EQ(sheet->mainPage->powerlineList->rowCount(), 0);
    ShowTab(3);
    EXPECT_FALSE(sheet->aboutPage->link->isVisible());
}

TEST_F(SheetFixture, HeaderClicksSortBothWaysAndDraggedColumnsReachTheModel) {
    AddAdapter(true, {Station(7, 2, 50), Station(3, 3, 100), Station(5, 4, 20)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    ASSERT_EQ(list->rowCount(), 3);
    list->horizontalHeader()->sectionClicked(1);
    const QStringList first = Column(list, 3);
    list->horizontalHeader()->sectionClicked(1);
    const QStringList second = Column(list, 3);
    EXPECT_EQ(first, QStringList(second.rbegin(), second.rend()));
    EXPECT_NE(first, second);
    for (int r = 0; r < list->rowCount(); ++r) {
        EXPECT_EQ(list->item(r, 3)->text().toStdString(), app->views.main.powerlineDevices.Cell(r, 3));
    }
    list->horizontalHeader()->moveSection(4, 0);  // drag "Speed(Mbps)" to the front
    EXPECT_EQ(app->views.main.powerlineDevices.columnOrder.front(), 1);
}

TEST_F(SheetFixture, DialogsForwardTheirFieldsAndShowTheAnswer) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    list->clearSelection();
    EXPECT_FALSE(ui::SetPasswordDialog(app->ctx, sheet->mainPage).Open());
    EXPECT_EQ(app->messages.shown.back().text, "Please select a device first by clicking on it.");
    list->selectRow(0);
    ui::SetPasswordDialog dialog(app->ctx, sheet->mainPage);
    ASSERT_TRUE(dialog.Open());
    dialog.password->setText("QM4T-7rwz-K2PD-9HXV");
    dialog.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(list->item(0, 4)->text(), "QM4T-7rwz-K2PD-9HXV");

    ui::AddRemoteDialog addRemote(app->ctx, sheet->mainPage);
    addRemote.Open();
    addRemote.networkName->setText("Upstairs");
    addRemote.password->setText("ABCD-EFGH");
    failSetKeys = 10;  // no device takes the key
    addRemote.ok->click();
    EXPECT_EQ(setKeyRequests, 1);
    EXPECT_EQ(lastNmk, NmkText("Upstairs"));
    EXPECT_EQ(app->messages.shown.back().text,
              "Input password does not match any device on the powerline network.\nPlease retype.");
    EXPECT_EQ(addRemote.result(), QDialog::Accepted);
}

// The name reaches the requests; the progress box counts finished devices, the final box changes.
TEST_F(SheetFixture, SetAllDevicesForwardsTheNameAndShowsItsProgress) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto& model = app->views.main.powerlineDevices;
    ASSERT_EQ(model.RowCount(), 3);
    for (int r = 0; r < 3; ++r) model.SetCell(r, 4, "PASS-WORD");
    ShowTab(1);
    sheet->privacyPage->name->setText("MyOwnNet");
    setKeyRequests = 0;
    failSetKeys = 2;  // the first device fails both attempts
    sheet->privacyPage->setAll->click();
    EXPECT_EQ(setKeyRequests, 5);
    EXPECT_EQ(lastNmk, NmkText("MyOwnNet"));
    const auto& progress = sheet->privacyPage->shownProgress;
    QStringList shown;
    for (const auto& [text, percent] : progress) shown << text.section('\n', 0, 0) + " " + QString::number(percent);
    EXPECT_EQ(shown.join(", "), "device 1 of 3 0, device 1 of 3: failed 33, device 2 of 3 33, device 2 of 3: changed 66, "
                                "device 3 of 3 66, device 3 of 3: changed 100");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().first.toStdString(), "device 1 of 3\n" + model.Cell(0, 3));
    EXPECT_EQ(progress.back().first.toStdString(), "device 3 of 3: changed\n" + model.Cell(2, 3));
    const std::string last = app->messages.shown.back().text;
    EXPECT_NE(last.find("\n3 of 4 devices changed."), std::string::npos) << last;
}

TEST_F(SheetFixture, DeleteForwardsTheSelectedHistoryRow) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    AddRecord(app->core.db, {0x00, 0xB0, 0x52, 0x99, 0x99, 0x99}, "09");
    ShowTab(2);
    auto* history = sheet->diagnosticsPage->history;
    const int rows = history->rowCount();
    history->selectRow(Column(history, 1).indexOf("00:B0:52:99:99:99"));
    sheet->diagnosticsPage->deleteButton->click();
    EXPECT_EQ(app->messages.shown.back().text, "Are you sure to delete it?");
    EXPECT_EQ(history->rowCount(), rows - 1);
    EXPECT_EQ(Column(history, 1).indexOf("00:B0:52:99:99:99"), -1);
}

// The real message box: its caption, icon and buttons, and the button the user clicks.
TEST(QtMessagesTest, TheClickedButtonIsTheAnswer) {
    const auto m = app::AlreadyRunningMessage("Zentrel Utility");
    EXPECT_EQ(m.text, "The Zentrel Utility is already running.\nOnly one copy can run at a time.");
    auto box = ui::QtMessages::BuildBox(m, nullptr);
    EXPECT_EQ(box->windowTitle(), "Attention!");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);

    ui::QtMessages messages;
    for (const auto& [button, answer] : {std::pair{QMessageBox::No, MsgAnswer::No}, std::pair{QMessageBox::Yes, MsgAnswer::Yes}}) {
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [button = button] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* shown = qobject_cast<QMessageBox*>(w);
                if (shown && shown->isVisible()) shown->button(button)->click();
            }
        });
        clicker.start(10);
        EXPECT_EQ(messages.Show({"Are you sure to delete it?", "Attention!", MsgIcon::Warning, MsgButtons::YesNo}), answer);
    }
}

// oemBig.bmp is read again at every painting and drawn at the preferences' position (80, 25).
TEST_F(SheetFixture, AboutPageDrawsTheBitmapAtItsPosition) {
    MakeSheet();
    Start();
    ShowTab(3);
    const QImage plain = sheet->aboutPage->grab().toImage();
    BmpRecipe recipe;
    recipe.width = 200;
    recipe.height = 100;
    recipe.pixel = [](int x, int y) { return x == 0 && y == 0 ? 0x00FF00u : x < 100 ? 0xFF0000u : 0x0000FFu; };
    const auto f = MakeBmp(recipe);
    std::ofstream(dir / "oemBig.bmp", std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    const QImage shot = sheet->aboutPage->grab().toImage();
    ASSERT_EQ(shot.size(), plain.size());
    // The picture's top-left pixel is green, its edges meet the page where they should.
    for (const auto& [x, y] : {std::pair{79, 25}, {80, 24}, {280, 60}, {120, 125}}) {
        EXPECT_EQ(shot.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(shot.pixelColor(80, 25), QColor(0, 255, 0));
}
