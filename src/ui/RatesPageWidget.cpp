#include "ui/RatesPageWidget.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

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
    chart = new RateChart(this);
    layout->addWidget(chart, 1);

    askCsvPath = [this]() -> std::optional<QString> {
        const QString path = QFileDialog::getSaveFileName(this, "Save Rates", "rates.csv", "CSV (*.csv);;All (*)");
        if (path.isEmpty()) return std::nullopt;
        return path;
    };
    connect(range, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    connect(receive, &QCheckBox::toggled, this, [this] { Redraw(); });
    connect(saveCsv, &QPushButton::clicked, this, [this] { SaveCsv(); });
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

QColor RatesPageWidget::ColorFor(const std::string& mac) {
    // Ten colours told apart at a glance; an eleventh station takes the first again.
    static const QColor kColors[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44},  {214, 39, 40},  {148, 103, 189},
                                     {140, 86, 75},  {227, 119, 194}, {127, 127, 127}, {188, 189, 34}, {23, 190, 207}};
    auto found = colors_.find(mac);
    if (found != colors_.end()) return found->second;
    const QColor color = kColors[colors_.size() % std::size(kColors)];
    colors_.emplace(mac, color);
    return color;
}

void RatesPageWidget::Redraw() {
    const Core& core = ctx_.core;
    drawnGeneration_ = core.rates.Generation();
    const std::int64_t now = ctx_.core.clock.Now();
    const std::int64_t span = kRanges[std::clamp(range->currentIndex(), 0, 2)];
    const std::int64_t from = now - span;
    const bool withReceive = receive->isChecked();

    std::vector<RateChart::Line> lines;
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
            RateChart::Line line;
            line.name = rx ? name + " (receive)" : name;
            line.color = ColorFor(mac);
            line.dashed = rx;
            line.points.reserve(static_cast<qsizetype>(points.size()));
            for (const ChartPoint& p : points) {
                line.points.append(QPointF(static_cast<double>(p.time), p.mbps));
                highest = std::max(highest, p.mbps);
            }
            lines.push_back(std::move(line));
        }
    }
    chart->SetLines(std::move(lines));
    // A history shorter than the range fills the width rather than its right-hand end.
    chart->SetTimeRange(std::min(start, now - 60), now, span > 3600 ? "HH:mm" : "HH:mm:ss");
    const int top = (highest / 50 + 1) * 50;
    chart->SetSpeedRange(top, top <= 150 ? 25 : (top <= 300 ? 50 : 100));
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
