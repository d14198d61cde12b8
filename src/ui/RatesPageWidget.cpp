#include "ui/RatesPageWidget.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "base/AtomicFile.h"
#include "pages/RateHistory.h"
#include "registry/Database.h"
#include "registry/DeviceHistory.h"
#include "ui/UiText.h"

namespace zentrel::ui {
namespace {

// More points than the chart has pixels across would only cost time to draw.
constexpr std::size_t kMaxPointsPerLine = 1200;

QString LineName(const Core& core, const Mac& mac) {
    const int position = FindHistoryByMac(core.db, mac.data());
    if (position > 0 && position <= kMaxHistory) {
        const auto& record = core.db.history[static_cast<std::size_t>(position - 1)];
        const std::string label = RecordText(record.label, sizeof record.label);
        if (!label.empty()) return FromCore(label);
    }
    return QString::fromStdString(FormatMac(mac));
}

}  // namespace

RatesPageWidget::RatesPageWidget(UiContext& ctx, QWidget* parent) : SheetPage(ctx, parent) {
    setObjectName("ratesPage");
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel("Time range:", this));
    range = new QComboBox(this);
    range->setObjectName("range");
    range->addItems({"10 minutes", "1 hour", "24 hours"});
    controls->addWidget(range);
    receive = new QCheckBox("Receive speed", this);
    receive->setObjectName("receive");
    controls->addWidget(receive);
    controls->addStretch(1);
    saveCsv = new QPushButton("Save CSV...", this);
    saveCsv->setObjectName("saveCsv");
    controls->addWidget(saveCsv);
    layout->addLayout(controls);

    askCsvPath = [this]() -> std::optional<QString> {
        const QString path = QFileDialog::getSaveFileName(this, "Save Rates", "rates.csv", "CSV (*.csv);;All (*)");
        if (path.isEmpty()) return std::nullopt;
        return path;
    };
    connect(range, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    connect(receive, &QCheckBox::toggled, this, [this] { Redraw(); });
    connect(saveCsv, &QPushButton::clicked, this, [this] { SaveCsv(); });
}

// The chart is made when the page is first shown or drawn: the program's start, which shows
// the Main page, does not wait for it.
void RatesPageWidget::MakeChart() {
    if (chart) return;
    chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setTitleText("Time");
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    speedAxis_ = new QValueAxis;
    speedAxis_->setTitleText("Speed (Mbps)");
    speedAxis_->setLabelFormat("%d");
    speedAxis_->setTickType(QValueAxis::TicksDynamic);
    speedAxis_->setTickAnchor(0);
    chart->addAxis(speedAxis_, Qt::AlignLeft);
    chartView = new QChartView(chart, this);
    chartView->setObjectName("chart");
    chartView->setRenderHint(QPainter::Antialiasing);
    static_cast<QVBoxLayout*>(layout())->addWidget(chartView, 1);
}

void RatesPageWidget::showEvent(QShowEvent* event) {
    MakeChart();
    SheetPage::showEvent(event);
}

void RatesPageWidget::Activate() { Redraw(); }

void RatesPageWidget::Render() {
    if (ctx_.core.rates.Generation() != drawnGeneration_) ScheduleRedraw();
}

// A cycle changes the views several times; the chart is drawn once, when the event loop is
// back, so the cycle's own work is never held up by it.
void RatesPageWidget::ScheduleRedraw() {
    if (redrawPending_) return;
    redrawPending_ = true;
    QTimer::singleShot(0, this, [this] {
        redrawPending_ = false;
        Redraw();
    });
}

QLineSeries* RatesPageWidget::LineFor(const std::string& key, const QString& name, bool dashed, const QColor& color) {
    auto found = lines_.find(key);
    if (found != lines_.end()) {
        found->second->setName(name);
        return found->second;
    }
    auto* line = new QLineSeries;
    line->setName(name);
    chart->addSeries(line);
    line->attachAxis(timeAxis_);
    line->attachAxis(speedAxis_);
    if (dashed) {
        QPen pen(color.isValid() ? color : line->pen().color());
        pen.setStyle(Qt::DashLine);
        pen.setWidth(2);
        line->setPen(pen);
    } else {
        QPen pen = line->pen();
        pen.setWidth(2);
        line->setPen(pen);
    }
    lines_.emplace(key, line);
    return line;
}

void RatesPageWidget::Redraw() {
    MakeChart();
    const Core& core = ctx_.core;
    drawnGeneration_ = core.rates.Generation();
    const std::int64_t now = ctx_.core.clock.Now();
    const std::int64_t span = kRanges[std::clamp(range->currentIndex(), 0, 2)];
    const std::int64_t from = now - span;
    const bool withReceive = receive->isChecked();

    std::set<std::string> wanted;
    int highest = 10;
    std::int64_t start = now;
    for (const RateSeries& series : core.rates.Series()) {
        const std::string mac = FormatMac(series.mac);
        const QString name = LineName(core, series.mac);
        for (const bool rx : {false, true}) {
            if (rx && !withReceive) continue;
            const auto points = ChartLine(series, from, rx, kMaxPointsPerLine);
            if (points.empty()) continue;
            start = std::min(start, points.front().time);
            const std::string key = mac + (rx ? "/rx" : "/tx");
            const QColor color = rx && lines_.count(mac + "/tx") ? lines_[mac + "/tx"]->color() : QColor();
            QLineSeries* line = LineFor(key, rx ? name + " (receive)" : name, rx, color);
            QList<QPointF> qpoints;
            qpoints.reserve(static_cast<qsizetype>(points.size()));
            for (const ChartPoint& p : points) {
                qpoints.append(QPointF(static_cast<double>(p.time) * 1000.0, p.mbps));
                highest = std::max(highest, p.mbps);
            }
            line->replace(qpoints);
            wanted.insert(key);
        }
    }
    for (auto it = lines_.begin(); it != lines_.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        chart->removeSeries(it->second);
        delete it->second;
        it = lines_.erase(it);
    }
    // A history shorter than the range fills the width rather than its right-hand end.
    timeAxis_->setFormat(span > 3600 ? "HH:mm" : "HH:mm:ss");
    timeAxis_->setRange(QDateTime::fromSecsSinceEpoch(std::min(start, now - 60)), QDateTime::fromSecsSinceEpoch(now));
    const int top = (highest / 50 + 1) * 50;
    speedAxis_->setRange(0, top);
    speedAxis_->setTickInterval(top <= 150 ? 25 : (top <= 300 ? 50 : 100));
}

void RatesPageWidget::SaveCsv() {
    const auto path = askCsvPath ? askCsvPath() : std::nullopt;
    if (!path) return;
    const std::int64_t span = kRanges[std::clamp(range->currentIndex(), 0, 2)];
    const std::string csv = ctx_.core.rates.Csv(ctx_.core.clock.Now() - span);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(csv.data());
    if (!WriteFileAtomically(std::filesystem::path(path->toStdString()), std::span(bytes, csv.size()))) {
        Message message;
        message.text = "The file could not be written:\n";
        std::string name;
        if (!ToCore(*path, name)) name = path->toStdString();
        message.text += name;
        message.caption = "Save Rates";
        message.icon = MsgIcon::Error;
        message.owner = MsgOwner::Page;
        HandlerScope hold(ctx_.timer);
        ctx_.core.messages.Show(message);
    }
}

}  // namespace zentrel::ui
