// The widgets show their view models and forward the user's actions; what the actions do is
// tested in the pages' own tests. The texts each page shows are kept in tests/data/ui_texts.txt.
// Then what a new user meets in the window: the selection across scans, the keyboard, the
// start-up messages and the preset texts.
#include <sys/stat.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <regex>
#include <set>

#include "SheetFixture.h"
#include "app/desktop/InstanceGuard.h"
#include "support/Records.h"
#include "ui/AddRemoteDialog.h"
#include "ui/DialogUnits.h"
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
            for (int v = 0; v < t->columnCount(); ++v) headers << t->horizontalHeaderItem(t->horizontalHeader()->logicalIndex(v))->text();
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
        // A "\n" in the file stands for a line break in the text.
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') page = line.substr(1, line.size() - 2);
        else if (!line.empty()) pages[page].push_back(std::regex_replace(line, std::regex(R"(\\n)"), "\n"));
    }
    return pages;
}

// Each line's name and the speed of its last point.
std::map<std::string, int> LastSpeeds(const ui::RateChart* chart) {
    std::map<std::string, int> speeds;
    for (const auto& line : chart->Lines()) speeds[line.name.toStdString()] = line.points.empty() ? -1 : static_cast<int>(line.points.back().y());
    return speeds;
}

}  // namespace

// One scan of a local device with two stations, then every page and both dialogs.
TEST_F(SheetFixture, EveryPageShowsItsTextsAndItsModel) {
    AddAdapter(true, {Station(3, 3, 100), Station(2, 2, 50)});
    MakeSheet();
    EXPECT_FALSE(sheet->closeButton->isVisibleTo(sheet.get()));
    // Only the Main page is made with the window, the others when first chosen; the window asks
    // for the same sizes before and after.
    Start();
    EXPECT_EQ(sheet->findChildren<ui::SheetPage*>().size(), 1);
    const QSize minimum = sheet->minimumSizeHint(), hint = sheet->sizeHint();
    sheet->mainPage->scan->click();
    auto golden = GoldenTexts();
    std::vector<std::string> tabs = {"title: " + sheet->windowTitle().toStdString()};
    for (int i = 0; i < sheet->tabs->count(); ++i) tabs.push_back("tab: " + sheet->tabs->tabText(i).toStdString());
    tabs.push_back("button: " + sheet->closeButton->text().toStdString());
    EXPECT_EQ(tabs, golden["Sheet"]);
    EXPECT_EQ(Shows(sheet->mainPage, true), golden["Main"]);
    EXPECT_TRUE(sheet->mainPage->scan->isDefault());
    for (int t = 1; t <= 3; ++t) {  // each page under the name of its tab
        ShowTab(t);
        EXPECT_EQ(Shows(sheet->tabs->widget(t), false), golden[sheet->tabs->tabText(t).toStdString()]) << t;
    }
    sheet->Rates();
    EXPECT_EQ(sheet->findChildren<ui::SheetPage*>().size(), 5);
    QApplication::processEvents();  // the layouts take in the pages
    EXPECT_EQ(sheet->minimumSizeHint(), minimum);
    EXPECT_EQ(sheet->sizeHint(), hint);
    QString opened;
    sheet->About()->openLink = [&](const QString& a) { opened = a; };
    sheet->About()->link->click();
    EXPECT_EQ(opened, "http://");

    sheet->mainPage->powerlineList->selectRow(0);
    ui::SetPasswordDialog setPassword(app->ctx, sheet->mainPage);
    ASSERT_TRUE(setPassword.Open());
    EXPECT_FALSE(setPassword.windowFlags() & Qt::WindowCloseButtonHint);
    ui::AddRemoteDialog addRemote(app->ctx, sheet->mainPage);
    addRemote.Open();
    for (QDialog* dialog : std::initializer_list<QDialog*>{&setPassword, &addRemote})  // under the name of its title
        EXPECT_EQ(Shows(dialog, false), golden[dialog->windowTitle().toStdString()]) << dialog->windowTitle().toStdString();
}

TEST_F(SheetFixture, HeaderClicksSortBothWaysAndDraggedColumnsReachTheModel) {
    StartScanned({Station(7, 2, 50), Station(3, 3, 100), Station(5, 4, 20)});
    auto* list = sheet->mainPage->powerlineList;
    ASSERT_EQ(list->rowCount(), 3);
    list->horizontalHeader()->sectionClicked(1);
    const QStringList first = Column(list, 3);
    list->horizontalHeader()->sectionClicked(1);
    const QStringList second = Column(list, 3);
    EXPECT_EQ(first, QStringList(second.rbegin(), second.rend()));
    EXPECT_NE(first, second);
    for (int r = 0; r < list->rowCount(); ++r) EXPECT_EQ(list->item(r, 3)->text().toStdString(), app->views.main.powerlineDevices.Cell(r, 3));
    list->horizontalHeader()->moveSection(4, 0);  // drag "Speed(Mbps)" to the front
    EXPECT_EQ(app->views.main.powerlineDevices.columnOrder.front(), 1);
}

TEST_F(SheetFixture, DialogsAndDeleteForwardWhatTheUserChose) {
    StartScanned({Station(2, 2, 50)});
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
    EXPECT_EQ(addRemote.result(), QDialog::Accepted);

    // Delete forwards the selected history row.
    AddRecord(app->core.db, {0x00, 0xB0, 0x52, 0x99, 0x99, 0x99}, "09");
    ShowTab(2);
    auto* history = sheet->Diagnostics()->history;
    const int rows = history->rowCount();
    history->selectRow(Column(history, 1).indexOf("00:B0:52:99:99:99"));
    sheet->Diagnostics()->deleteButton->click();
    EXPECT_EQ(history->rowCount(), rows - 1);
    EXPECT_EQ(Column(history, 1).indexOf("00:B0:52:99:99:99"), -1);
}

// The name reaches the requests; the progress box counts finished devices, the final box changes.
TEST_F(SheetFixture, SetAllDevicesForwardsTheNameAndShowsItsProgress) {
    StartScanned({Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)});
    auto& model = app->views.main.powerlineDevices;
    ASSERT_EQ(model.RowCount(), 3);
    for (int r = 0; r < 3; ++r) model.SetCell(r, 4, "PASS-WORD");
    ShowTab(1);
    sheet->Privacy()->name->setText("MyOwnNet");
    setKeyRequests = 0;
    failSetKeys = 2;  // the first device fails both attempts
    sheet->Privacy()->setAll->click();
    EXPECT_EQ(setKeyRequests, 5);
    EXPECT_EQ(lastNmk, NmkText("MyOwnNet"));
    const auto& progress = sheet->Privacy()->shownProgress;
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

// The pages are laid out in units of their font's letters, which are measured once per font: a
// larger font or a wider one of the same height gets its own units.
TEST(DialogUnitsTest, UnitsFollowTheFontTheyAreGiven) {
    QFont small = QApplication::font();
    small.setPixelSize(12);
    QFont large = small;
    large.setPixelSize(24);
    QFont wide = small;
    wide.setStretch(QFont::UltraExpanded);
    const int smallWidth = ui::DialogUnits(small).X(400);
    EXPECT_GT(ui::DialogUnits(large).X(400), smallWidth * 3 / 2);
    EXPECT_GT(ui::DialogUnits(large).Y(80), ui::DialogUnits(small).Y(80) * 3 / 2);
    EXPECT_GT(ui::DialogUnits(wide).X(400), smallWidth * 5 / 4);
    EXPECT_EQ(ui::DialogUnits(small).X(400), smallWidth);
}

// Without a device the list stays empty; without a web address the About page shows no link.
// oemBig.bmp is read again at every painting and drawn at the preferences' position (80, 25).
TEST_F(SheetFixture, AnEmptyListNoLinkAndTheAboutBitmapAtItsPosition) {
    AddAdapter(false);
    MakeSheet([](Core& c) { c.prefs.webAddress.clear(); });
    Start();
    EXPECT_EQ(sheet->mainPage->connection->text(), "No Device Detected");
    EXPECT_EQ(sheet->mainPage->powerlineList->rowCount(), 0);
    ShowTab(3);
    EXPECT_FALSE(sheet->About()->link->isVisible());
    const QImage plain = sheet->About()->grab().toImage();
    std::filesystem::copy_file(ZENTREL_TEST_DATA "/bmp/oem-big.bmp", dir / "oemBig.bmp");  // 200 x 100
    const QImage shot = sheet->About()->grab().toImage();
    ASSERT_EQ(shot.size(), plain.size());
    // The picture's top-left pixel is green, its edges meet the page where they should.
    for (const auto& [x, y] : {std::pair{79, 25}, {80, 24}, {280, 60}, {120, 125}}) EXPECT_EQ(shot.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(shot.pixelColor(80, 25), QColor(0, 255, 0));
}

// The Rates tab: a live chart of every station's speed, and the samples saved as CSV.
TEST_F(SheetFixture, RatesPageKeepsScanningRedrawsAfterEachCycleAndSavesCsv) {
    AddAdapter(true, {Station(3, 3, 100), Station(2, 2, 50)});
    devices[0].stations[0].avgRxRate = 40;
    MakeSheet();
    Start();
    ShowTab(4);
    auto* page = sheet->Rates();
    EXPECT_TRUE(app->timer.IsRunning());
    using Speeds = std::map<std::string, int>;
    EXPECT_EQ(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"03", 130}}));

    devices[0].stations[0].avgTxRate = 20;
    clock.Advance(5000);
    RunScanCycle(app->core);  // what the timer runs
    QTRY_COMPARE(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"03", 26}}));
    // Every line is drawn in its station's colour, above the legend (which shows the colours too).
    const QImage picture = page->chart->grab().toImage();
    for (const auto& line : page->chart->Lines()) {
        bool drawn = false;
        for (int y = 0; y < picture.height() - 60 && !drawn; ++y)
            for (int x = 0; x < picture.width() && !drawn; ++x) drawn = picture.pixelColor(x, y) == line.color;
        EXPECT_TRUE(drawn) << line.name.toStdString();
    }
    page->receive->setChecked(true);
    EXPECT_EQ(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"02 (receive)", 65}, {"03", 26}, {"03 (receive)", 52}}));
    // The speed axis reaches past the highest speed; the time axis ends now, in the range's format.
    EXPECT_EQ(std::make_pair(page->chart->SpeedTop(), page->chart->SpeedTick()), std::make_pair(150, 25));
    const QDateTime now = QDateTime::fromSecsSinceEpoch(clock.Now());
    EXPECT_EQ(page->chart->TimeLabels().back(), now.toString("HH:mm:ss"));
    page->range->setCurrentIndex(2);
    EXPECT_EQ(page->chart->TimeLabels().back(), now.toString("HH:mm"));
    page->range->setCurrentIndex(0);

    const std::string path = (dir / "rates.csv").string();
    page->askCsvPath = [&] { return std::optional<QString>(QString::fromStdString(path)); };
    page->saveCsv->click();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream file(path, std::ios::binary);
    const std::string csv{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5) << csv;
    EXPECT_NE(csv.find(",00:B0:52:11:00:03,3,26,52\r\n"), std::string::npos) << csv;
}

namespace {

class UsabilityTest : public SheetFixture {
protected:
    void Open(std::vector<StationRecord> stations = {Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)}) {
        AddAdapter(true, std::move(stations));
        MakeSheet();
        sheet->Open();
        QApplication::setActiveWindow(sheet.get());
        sheet->mainPage->showSetPassword = sheet->mainPage->showAddRemote = [] {};  // no modal window
        sheet->Diagnostics()->askReportPath = [] { return std::optional<QString>(); };
        sheet->About()->openLink = [](const QString&) {};
        sheet->mainPage->scan->click();
    }
    // Whether Tab from `window` reaches every button it shows, and Space and Enter press each.
    static void ExpectKeyboardReachesButtons(QWidget* window, QAbstractButton* skipPressing) {
        std::set<QAbstractButton*> shown, reached;
        for (auto* b : window->findChildren<QAbstractButton*>())
            if (b->isVisible() && !qobject_cast<QAbstractButton*>(b->parentWidget())) shown.insert(b);
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
    sheet->Rates()->askCsvPath = [&csvAsked]() -> std::optional<QString> { ++csvAsked; return std::nullopt; };
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
        click ? QTest::mouseClick(dialog.password, Qt::LeftButton, {}, dialog.password->rect().center())
              : QTest::keyClick(dialog.networkName, Qt::Key_Tab);
        QApplication::processEvents();
        QTest::keyClicks(dialog.password, "ABCD-EFGH");
        EXPECT_EQ(dialog.password->text(), "ABCD-EFGH") << click;
    }
}

}  // namespace
