// The Rates tab: a live chart of every station's speed, and the samples saved as CSV.
#include <sys/stat.h>

#include <QTest>
#include <QtCharts/QLineSeries>
#include <fstream>
#include <sstream>

#include "SheetFixture.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

// Each line's name and the speed of its last point.
std::map<std::string, int> LastSpeeds(QChart* chart) {
    std::map<std::string, int> speeds;
    for (QAbstractSeries* series : chart->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        speeds[line->name().toStdString()] = line->count() ? static_cast<int>(line->at(line->count() - 1).y()) : -1;
    }
    return speeds;
}

TEST_F(SheetFixture, RatesPageKeepsScanningRedrawsAfterEachCycleAndSavesCsv) {
    AddAdapter(true, {Station(3, 3, 100), Station(2, 2, 50)});
    devices[0].stations[0].avgRxRate = 40;
    MakeSheet();
    Start();
    ShowTab(4);
    auto* page = sheet->ratesPage;
    EXPECT_TRUE(app->timer.IsRunning());
    using Speeds = std::map<std::string, int>;
    EXPECT_EQ(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"03", 130}}));

    devices[0].stations[0].avgTxRate = 20;
    clock.Advance(5000);
    RunScanCycle(app->core);  // what the timer runs
    QTRY_COMPARE(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"03", 26}}));
    page->receive->setChecked(true);
    EXPECT_EQ(LastSpeeds(page->chart), (Speeds{{"02", 65}, {"02 (receive)", 65}, {"03", 26}, {"03 (receive)", 52}}));

    const std::string path = (dir / "rates.csv").string();
    page->askCsvPath = [&] { return std::optional<QString>(QString::fromStdString(path)); };
    page->saveCsv->click();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(path);
    std::stringstream read;
    read << in.rdbuf();
    const std::string csv = read.str();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5) << csv;
    EXPECT_NE(csv.find(",00:B0:52:11:00:03,3,26,52\r\n"), std::string::npos) << csv;
}

}  // namespace
