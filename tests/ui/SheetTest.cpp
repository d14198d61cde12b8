#include <QAbstractButton>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <fstream>

#include "SheetFixture.h"
#include "app/desktop/InstanceGuard.h"
#include "support/TestBitmap.h"
#include "ui/AddRemoteDialog.h"
#include "ui/SetPasswordDialog.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

QStringList Texts(QWidget* page) {
    QStringList texts;
    for (auto* b : page->findChildren<QAbstractButton*>()) texts << b->text();
    for (auto* l : page->findChildren<QLabel*>()) texts << l->text();
    for (auto* g : page->findChildren<QGroupBox*>()) texts << g->title();
    return texts;
}

QStringList Headers(QTableWidget* list) {
    QStringList h;
    for (int v = 0; v < list->columnCount(); ++v) {
        h << list->horizontalHeaderItem(list->horizontalHeader()->logicalIndex(v))->text();
    }
    return h;
}

QStringList Column(QTableWidget* list, int logical) {
    QStringList c;
    for (int r = 0; r < list->rowCount(); ++r) c << list->item(r, logical)->text();
    return c;
}

// A 24-bit bitmap with a 40-byte header: red left half, blue right half, a green top-left pixel.
void WriteBitmap(const std::filesystem::path& path, int w, int h) {
    BmpRecipe recipe;
    recipe.width = w;
    recipe.height = h;
    recipe.pixel = [w](int x, int y) { return x == 0 && y == 0 ? 0x00FF00u : x < w / 2 ? 0xFF0000u : 0x0000FFu; };
    const auto f = MakeBmp(recipe);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

}  // namespace

TEST_F(SheetFixture, TabsCaptionIconAndCloseButton) {
    AddAdapter(false);
    MakeSheet();
    QStringList tabs;
    for (int i = 0; i < sheet->tabs->count(); ++i) tabs << sheet->tabs->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Main", "Privacy", "Diagnostics", "About"}));
    EXPECT_EQ(sheet->windowTitle(), "Zentrel Utility");
    EXPECT_TRUE(sheet->windowIcon().isNull() || sheet->windowIcon().cacheKey() == QApplication::windowIcon().cacheKey());
    EXPECT_FALSE(sheet->closeButton->isVisibleTo(sheet.get()));
    Start();
    EXPECT_EQ(sheet->tabs->currentIndex(), 0);
    EXPECT_TRUE(sheet->closeButton->isVisible());
    EXPECT_EQ(sheet->closeButton->text(), "Close");
    // The only buttons outside the pages.
    int sheetButtons = 0;
    for (auto* b : sheet->findChildren<QPushButton*>()) sheetButtons += sheet->tabs->isAncestorOf(b) ? 0 : 1;
    EXPECT_EQ(sheetButtons, 1);
}

TEST_F(SheetFixture, IconComesFromLogoInTheProgramDirectory) {
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::darkCyan);
    ASSERT_TRUE(icon.save(QString::fromStdString((dir / "logo.ico").string()), "ICO"));
    MakeSheet([](Core& c) { c.prefs.title = "Brand X Link"; });
    EXPECT_FALSE(sheet->windowIcon().isNull());
    EXPECT_EQ(sheet->windowTitle(), "Brand X Link");
}

TEST_F(SheetFixture, EveryPageShowsItsControlTexts) {
    AddAdapter(false);
    MakeSheet();
    Start();
    const QStringList main = Texts(sheet->mainPage);
    for (const char* t : {"Local Device(s) on your computer:", "CCo Mac Address:", "Enter Password", "Add Remote", "Scan"}) {
        EXPECT_TRUE(main.contains(t)) << t;
    }
    EXPECT_TRUE(sheet->mainPage->scan->isDefault());
    EXPECT_FALSE(sheet->mainPage->nid->isVisible());
    EXPECT_FALSE(sheet->mainPage->snid->isVisible());
    EXPECT_FALSE(sheet->mainPage->ccoTei->isVisible());
    EXPECT_TRUE(sheet->mainPage->ccoMac->isVisible());
    EXPECT_EQ(Headers(sheet->mainPage->localList), (QStringList{"TEI", "MAC Address"}));
    EXPECT_EQ(Headers(sheet->mainPage->powerlineList),
              (QStringList{"TEI", "Password", "MAC Address", "Bridged MAC Address", "Speed(Mbps)"}));

    const QStringList privacy = Texts(sheet->privacyPage);
    for (const char* t : {"Use this screen to create a Private Network that provides you with extra security.",
                          "Private Network Name", "OR", "Use Default (Public Network)",
                          "Do not share the network name with others you do not want to be part of this network.",
                          "After setting the name above, choose how it will be applied below:", "Place On This Network",
                          "Only the device attached to this computer (the Local Device).\n(Isolates this computer from others):",
                          "Set Local Device Only",
                          "ALL devices whose Password has been entered.\n(They communicate together but are isolated "
                          "from devices with a different network name)",
                          "Set All Devices"}) {
        EXPECT_TRUE(privacy.contains(t)) << t;
    }
    ShowTab(2);
    const QStringList diag = Texts(sheet->diagnosticsPage);
    for (const char* t : {"Remote Device History (Log)", "Delete...", "Save Report..."}) EXPECT_TRUE(diag.contains(t)) << t;
    EXPECT_EQ(Headers(sheet->diagnosticsPage->systemInformation), QStringList{"System Information"});
    EXPECT_EQ(Headers(sheet->diagnosticsPage->history),
              (QStringList{"TEI", "MAC Address", "Password", "Speed(Mbps)", "Last Seen"}));
    ShowTab(3);
    EXPECT_EQ(sheet->aboutPage->title->text(), "Zentrel Utility");
    EXPECT_EQ(sheet->aboutPage->version->text(), "3.0.91231");
    EXPECT_TRUE(Texts(sheet->aboutPage).contains("Version:"));
    EXPECT_TRUE(sheet->aboutPage->link->isVisible());
    EXPECT_EQ(sheet->aboutPage->link->text(), "http://");
    QString opened;
    sheet->aboutPage->openLink = [&](const QString& a) { opened = a; };
    sheet->aboutPage->link->click();
    EXPECT_EQ(opened, "http://");

    ui::SetPasswordDialog setPassword(app->ctx, sheet->mainPage);
    EXPECT_EQ(setPassword.windowTitle(), "Set Device Password");
    EXPECT_FALSE(setPassword.windowFlags() & Qt::WindowCloseButtonHint);
    ui::AddRemoteDialog addRemote(app->ctx, sheet->mainPage);
    EXPECT_EQ(addRemote.windowTitle(), "Add Remote Device to Network");
    for (QWidget* d : {static_cast<QWidget*>(&setPassword), static_cast<QWidget*>(&addRemote)}) {
        EXPECT_TRUE(Texts(d).contains(ui::kPasswordHelpText));
        EXPECT_TRUE(Texts(d).contains("Password:"));
        EXPECT_TRUE(Texts(d).contains("OK"));
        EXPECT_TRUE(Texts(d).contains("Cancel"));
    }
    EXPECT_TRUE(Texts(&setPassword).contains("Mac Addr:"));
    EXPECT_TRUE(Texts(&addRemote).contains("Network Name:"));
}

TEST_F(SheetFixture, AboutLinkHiddenForAnEmptyAddress) {
    MakeSheet([](Core& c) { c.prefs.webAddress.clear(); });
    Start();
    ShowTab(3);
    EXPECT_FALSE(sheet->aboutPage->link->isVisible());
}

// Texts are 8-bit in the core: typed "é" is the byte 0xE9 the key is made from, a character
// beyond Latin-1 is refused by the field's rule, and a stored 0xA9 shows as "©", never as markup.
TEST_F(SheetFixture, TypedAndStoredTextsAreEightBitInTheCore) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet([](Core& c) {
        c.prefs.title = "Zentrel\xA9";
        c.prefs.legalNotice = "<b>\xA9 2024</b>";
    });
    Start();
    sheet->mainPage->scan->click();
    EXPECT_EQ(sheet->windowTitle(), QString::fromUtf8("Zentrel\u00A9"));
    ShowTab(3);
    EXPECT_EQ(sheet->aboutPage->title->text(), QString::fromUtf8("Zentrel\u00A9"));
    EXPECT_EQ(sheet->aboutPage->legalNotice->text(), QString::fromUtf8("<b>\u00A9 2024</b>"));
    EXPECT_EQ(sheet->aboutPage->legalNotice->textFormat(), Qt::PlainText);

    ShowTab(1);
    auto* name = sheet->privacyPage->name;
    name->clear();
    for (const QString key : {"C", "a", "f", "\u00E9", "N", "e", "t"}) {
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, key, Qt::NoModifier);
    }
    EXPECT_EQ(app->views.FieldText(Form::Privacy, kPrivacyNameField), "Caf\xE9Net");
    sheet->privacyPage->setLocal->click();
    EXPECT_EQ(lastNmk, NmkText("Caf\xE9Net"));

    const int sent = setKeyRequests;
    QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString::fromUtf8("\u03A9"), Qt::NoModifier);
    sheet->privacyPage->setLocal->click();
    EXPECT_EQ(setKeyRequests, sent);
    EXPECT_EQ(
        LastShown().text,
        "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters");
}

TEST_F(SheetFixture, ScanFillsThePowerlineListAndTheStatus) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 100)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    ASSERT_EQ(list->rowCount(), 2);
    QStringList macs = Column(list, 3);
    macs.sort();
    EXPECT_EQ(macs, (QStringList{"00:B0:52:11:00:02", "00:B0:52:11:00:03"}));
    EXPECT_EQ(sheet->mainPage->stationCount->text(), "2 Powerline Devices detected");
    EXPECT_EQ(sheet->mainPage->connection->text(), "Connected");
    EXPECT_TRUE(sheet->mainPage->networkType->text().startsWith("Network Type: "));
    EXPECT_EQ(sheet->mainPage->ccoMac->text(), "00:B0:52:CC:CC:01");
    ASSERT_EQ(sheet->mainPage->localList->rowCount(), 1);
    EXPECT_EQ(sheet->mainPage->localList->item(0, 1)->text(), "00:B0:52:00:01:01");
}

TEST_F(SheetFixture, NoDeviceShowsNoDeviceDetected) {
    AddAdapter(false);
    MakeSheet();
    Start();
    EXPECT_EQ(sheet->mainPage->connection->text(), "No Device Detected");
    EXPECT_EQ(sheet->mainPage->powerlineList->rowCount(), 0);
}

TEST_F(SheetFixture, HeaderClicksSortBothWaysAndDraggedColumnsReachTheModel) {
    AddAdapter(true, {Station(7, 2, 50), Station(3, 3, 100), Station(5, 4, 20)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    ASSERT_EQ(list->rowCount(), 3);
    // "Speed(Mbps)" (sub-item 1) orders the rows by their MAC text.
    list->horizontalHeader()->sectionClicked(1);
    const QStringList first = Column(list, 3);
    list->horizontalHeader()->sectionClicked(1);
    const QStringList second = Column(list, 3);
    QStringList sorted = first;
    sorted.sort();
    QStringList reversed(sorted.rbegin(), sorted.rend());
    EXPECT_TRUE((first == sorted && second == reversed) || (first == reversed && second == sorted))
        << first.join(",").toStdString() << " / " << second.join(",").toStdString();
    for (int r = 0; r < list->rowCount(); ++r) {
        EXPECT_EQ(list->item(r, 3)->text().toStdString(), app->views.main.powerlineDevices.Cell(r, 3));
    }

    list->horizontalHeader()->moveSection(4, 0);  // drag "Speed(Mbps)" to the front
    EXPECT_EQ(app->views.main.powerlineDevices.columnOrder.front(), 1);
}

TEST_F(SheetFixture, SetDevicePasswordRules) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto* list = sheet->mainPage->powerlineList;
    ASSERT_EQ(list->rowCount(), 1);
    list->clearSelection();
    {
        ui::SetPasswordDialog dialog(app->ctx, sheet->mainPage);
        EXPECT_FALSE(dialog.Open());
        EXPECT_EQ(LastShown().text, "Please select a device first by clicking on it.");
        EXPECT_EQ(LastShown().caption, "Attention!");
        EXPECT_EQ(LastShown().icon, MsgIcon::Warning);
    }
    list->selectRow(0);
    ui::SetPasswordDialog dialog(app->ctx, sheet->mainPage);
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(dialog.tei->text(), "02");
    EXPECT_EQ(dialog.mac->text(), "00:B0:52:11:00:02");
    const auto before = app->messages.shown.size();
    dialog.password->setText("abc");
    dialog.ok->click();
    EXPECT_EQ(dialog.result(), 0);
    ASSERT_GT(app->messages.shown.size(), before);
    EXPECT_EQ(LastShown().text, "Bad password format");
    dialog.password->setText("QM4T-7rwz-K2PD-9HXV");
    dialog.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(list->item(0, 4)->text(), "QM4T-7rwz-K2PD-9HXV");
}

TEST_F(SheetFixture, AddRemoteRulesAndNoMatch) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    ui::AddRemoteDialog dialog(app->ctx, sheet->mainPage);
    dialog.Open();
    EXPECT_EQ(dialog.networkName->text(), "HomePlugAV");
    EXPECT_EQ(dialog.password->text(), "TYPE-CODE-INTO-THIS");
    dialog.ok->click();
    EXPECT_EQ(LastShown().text, "Please enter a Password.");
    EXPECT_EQ(dialog.result(), 0);
    dialog.networkName->clear();
    dialog.password->setText("ABCD-EFGH");
    dialog.ok->click();
    EXPECT_EQ(LastShown().text, "Please enter another name.");
    dialog.networkName->setText("x");
    dialog.password->setText("abc");
    dialog.ok->click();
    EXPECT_EQ(LastShown().text.rfind("The Device Password Entered is Invalid.", 0), 0u) << LastShown().text;
    EXPECT_EQ(dialog.result(), 0);

    failSetKeys = 10;  // no device takes the key
    dialog.password->setText("ABCD-EFGH");
    dialog.ok->click();
    EXPECT_EQ(LastShown().text, "Input password does not match any device on the powerline network.\nPlease retype.");
    EXPECT_EQ(LastShown().caption, "Zentrel Utility");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(SheetFixture, SetAllDevicesWalksThePasswordRowsWithProgress) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 60), Station(4, 4, 70)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    auto& model = app->views.main.powerlineDevices;
    ASSERT_EQ(model.RowCount(), 3);
    model.SetCell(0, 4, "AAAA-BBBB");
    model.SetCell(2, 4, "CCCC-DDDD");
    ShowTab(1);
    sheet->privacyPage->name->setText("MyOwnNet");
    failSetKeys = 2;  // the first remote device refuses twice
    setKeyRequests = 0;
    sheet->privacyPage->setAll->click();
    const auto& progress = sheet->privacyPage->lastProgress;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().count, 2);
    EXPECT_EQ(progress.front().mac, model.Cell(0, 3));
    EXPECT_EQ(progress.back().index, 2);
    EXPECT_EQ(progress.back().mac, model.Cell(2, 3));
    EXPECT_EQ(setKeyRequests, 4);  // two tries, one, then the local device
    const auto texts = Shown();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2],
              "The update failed.(" + model.Cell(0, 3) + ")\nPlease plug this device to your computer locally.");
    EXPECT_EQ(texts.back(),
              "Change local adapter's network name successfully!\nPlease wait for about 10 seconds for updating the "
              "corresponding data.");
    EXPECT_EQ(ui::PrivacyPageWidget::ProgressText(progress.front()).toStdString(), "device 1 of 2\n" + model.Cell(0, 3));
}

TEST_F(SheetFixture, DeleteAsksAndGuardsActiveDevices) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    sheet->mainPage->scan->click();
    // A device seen long ago, no longer on the network.
    auto& rec = app->core.db.history[static_cast<std::size_t>(app->core.db.historyCount)];
    SetRecordText(rec.label, sizeof rec.label, "09");
    const Mac gone{0x00, 0xB0, 0x52, 0x99, 0x99, 0x99};
    std::copy(gone.begin(), gone.end(), rec.mac);
    rec.lastSeen = 1600000000;
    ++app->core.db.historyCount;
    ShowTab(2);
    auto* page = sheet->diagnosticsPage;
    auto* history = page->history;
    const int rows = history->rowCount();
    ASSERT_GE(rows, 2);
    history->clearSelection();
    page->deleteButton->click();
    EXPECT_EQ(LastShown().text, "Please select a List to be deleted.");
    EXPECT_EQ(LastShown().caption, "Zentrel Utility");

    const int active = Column(history, 1).indexOf("00:B0:52:11:00:02");
    ASSERT_GE(active, 0);
    history->selectRow(active);
    page->deleteButton->click();
    EXPECT_EQ(LastShown().text, "This device is currently active.");
    EXPECT_EQ(history->rowCount(), rows);

    const int old = Column(history, 1).indexOf("00:B0:52:99:99:99");
    ASSERT_GE(old, 0);
    history->selectRow(old);
    app->messages.nextAnswers = {MsgAnswer::No};
    page->deleteButton->click();
    EXPECT_EQ(LastShown().text, "Are you sure to delete it?");
    EXPECT_EQ(LastShown().caption, "Attention!");
    EXPECT_EQ(LastShown().buttons, MsgButtons::YesNo);
    EXPECT_EQ(history->rowCount(), rows);
    history->selectRow(Column(history, 1).indexOf("00:B0:52:99:99:99"));
    page->deleteButton->click();
    EXPECT_EQ(history->rowCount(), rows - 1);
    EXPECT_EQ(Column(history, 1).indexOf("00:B0:52:99:99:99"), -1);
}

TEST_F(SheetFixture, SaveReportWritesTheFileAndCancelSaysNothing) {
    AddAdapter(true, {Station(2, 2, 50)});
    MakeSheet();
    Start();
    ShowTab(2);
    auto* page = sheet->diagnosticsPage;
    const auto shownBefore = app->messages.shown.size();
    page->askReportPath = [] { return std::optional<QString>(); };
    page->saveReport->click();
    EXPECT_EQ(app->messages.shown.size(), shownBefore);

    const auto path = dir / "report.TXT";
    page->askReportPath = [&] { return std::optional<QString>(QString::fromStdString(path.string())); };
    page->saveReport->click();
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("Diagnostics Report:", 0), 0u) << first;
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(app->messages.shown.size(), shownBefore);

    page->askReportPath = [&] { return std::optional<QString>(QString::fromStdString((dir / "no/such/dir/r.TXT").string())); };
    page->saveReport->click();
    EXPECT_EQ(LastShown().text, "Unable to create a file.");
    EXPECT_EQ(LastShown().caption, "Problem Occurred");
}

TEST_F(SheetFixture, DiagnosticsRegenerateOnActivationNotOnPaint) {
    AddAdapter(false);
    MakeSheet();
    Start();
    ShowTab(2);
    auto* page = sheet->diagnosticsPage;
    QApplication::processEvents();  // the window activation that follows showing it
    const int after = page->regenerations;
    EXPECT_GE(after, 1);
    EXPECT_GT(page->systemInformation->rowCount(), 0);
    page->repaint();
    (void)page->grab();
    QApplication::processEvents();
    EXPECT_EQ(page->regenerations, after);
    ShowTab(0);
    ShowTab(2);
    EXPECT_GT(page->regenerations, after);
}

TEST_F(SheetFixture, AboutPageDrawsTheBitmapAtItsPosition) {
    MakeSheet();
    Start();
    ShowTab(3);
    const QImage plain = sheet->aboutPage->grab().toImage();
    WriteBitmap(dir / "oemBig.bmp", 200, 100);  // read again at every painting
    const QImage shot = sheet->aboutPage->grab().toImage();
    ASSERT_EQ(shot.size(), plain.size());
    ASSERT_GE(shot.width(), 290);
    ASSERT_GE(shot.height(), 130);
    const QColor background = plain.pixelColor(shot.width() - 1, shot.height() - 1);
    const QRect picture(80, 25, 200, 100);
    int checkedInside = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (!picture.contains(x, y)) {
                ASSERT_EQ(shot.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
                continue;
            }
            // The page's texts lie over the picture; check where nothing else is drawn.
            if (plain.pixelColor(x, y) != background) continue;
            const int px = x - 80, py = y - 25;
            const QColor expected = (px == 0 && py == 0) ? QColor(0, 255, 0) : px < 100 ? QColor(255, 0, 0) : QColor(0, 0, 255);
            ASSERT_EQ(shot.pixelColor(x, y), expected) << x << "," << y;
            ++checkedInside;
        }
    }
    EXPECT_GT(checkedInside, 15000);
    EXPECT_EQ(shot.pixelColor(80, 25), QColor(0, 255, 0));
    EXPECT_EQ(shot.pixelColor(279, 124), QColor(0, 0, 255));
}

TEST(InstanceGuard, SecondProcessIsRefusedUntilTheFirstEnds) {
    const auto lock = std::filesystem::temp_directory_path() / ("zentrel-guard-" + std::to_string(::getpid()) + ".lock");
    const QString lockPath = QString::fromStdString(lock.string());
    QProcess first;
    first.start(GUARD_PROBE, {lockPath});
    ASSERT_TRUE(first.waitForReadyRead(10000));
    EXPECT_EQ(first.readLine().trimmed(), "acquired");

    QProcess second;
    second.start(GUARD_PROBE, {lockPath});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAll().trimmed(), "refused");

    first.closeWriteChannel();
    ASSERT_TRUE(first.waitForFinished(10000));
    QProcess third;
    third.start(GUARD_PROBE, {lockPath});
    ASSERT_TRUE(third.waitForReadyRead(10000));
    EXPECT_EQ(third.readLine().trimmed(), "acquired");
    third.closeWriteChannel();
    third.waitForFinished(10000);
    std::filesystem::remove(lock);

    const auto m = app::AlreadyRunningMessage("Zentrel Utility");
    EXPECT_EQ(m.text, "The Zentrel Utility is already running.\nOnly one copy can run at a time.");
    EXPECT_EQ(m.caption, "Attention!");
    EXPECT_EQ(m.icon, MsgIcon::Error);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    auto box = ui::QtMessages::BuildBox(m, nullptr);
    EXPECT_EQ(box->windowTitle(), "Attention!");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
}
