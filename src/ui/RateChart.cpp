#include "ui/RateChart.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <utility>

namespace zentrel::ui {
namespace {

constexpr int kTimeTicks = 5;  // labels along the time axis, both ends included
constexpr int kOuter = 9;      // from the widget's edge to the white card
constexpr int kPad = 10;       // from the card's edge to what it holds
constexpr int kGap = 6;        // between an axis and its labels, labels and titles
constexpr int kLegendSpacing = 14;
constexpr qsizetype kPiece = 8;  // segments of a dashed line drawn at once

}  // namespace

RateChart::RateChart(QWidget* parent) : QWidget(parent) {
    setObjectName("chart");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void RateChart::SetLines(std::vector<Line> lines) {
    lines_ = std::move(lines);
    update();
}

void RateChart::SetTimeRange(std::int64_t from, std::int64_t to, const QString& format) {
    from_ = from;
    to_ = std::max(to, from + 1);
    format_ = format;
    update();
}

void RateChart::SetSpeedRange(int top, int tick) {
    top_ = std::max(top, 1);
    tick_ = std::max(tick, 1);
    update();
}

QStringList RateChart::TimeLabels() const {
    QStringList labels;
    for (int i = 0; i < kTimeTicks; ++i) {
        const std::int64_t at = from_ + (to_ - from_) * i / (kTimeTicks - 1);
        labels << QDateTime::fromSecsSinceEpoch(at).toString(format_);
    }
    return labels;
}

QSize RateChart::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("00:00:00")) * kTimeTicks, fm.height() * 10};
}

void RateChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.window().color().darker(104));
    const QRectF card = QRectF(rect()).adjusted(kOuter, kOuter, -kOuter, -kOuter);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.base());
    p.drawRoundedRect(card, 6, 6);

    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics fm(font()), tfm(titleFont);
    const QColor text = pal.text().color();

    // The legend's rows under the time axis, each as wide as the card allows.
    const int swatch = fm.height() * 3 / 5;
    struct LegendRow {
        std::vector<std::pair<const Line*, int>> items;  // a line and the width of its entry
        double width = 0;
    };
    std::vector<LegendRow> rows(1);
    const double rowRoom = card.width() - 2 * kPad;
    for (const Line& line : lines_) {
        const int width = swatch + 4 + fm.horizontalAdvance(line.name);
        if (!rows.back().items.empty() && rows.back().width + kLegendSpacing + width > rowRoom) rows.emplace_back();
        LegendRow& row = rows.back();
        row.width += (row.items.empty() ? 0 : kLegendSpacing) + width;
        row.items.emplace_back(&line, width);
    }
    const int legendHeight = lines_.empty() ? 0 : static_cast<int>(rows.size()) * (fm.height() + 4);

    const QStringList labels = TimeLabels();
    const int speedLabelWidth = fm.horizontalAdvance(QString::number(top_));
    QRectF plot;
    plot.setLeft(card.left() + kPad + tfm.height() + kGap + speedLabelWidth + kGap);
    plot.setTop(card.top() + kPad + fm.height() / 2.0);
    plot.setRight(card.right() - kPad - fm.horizontalAdvance(labels.last()) / 2.0);
    plot.setBottom(card.bottom() - kPad - legendHeight - 2 * kGap - tfm.height() - kGap - fm.height() - kGap);
    if (plot.width() < 10 || plot.height() < 10) return;

    const QPen grid(QColor(0, 0, 0, 28), 1);
    const QPen axis(QColor(0, 0, 0, 110), 1);
    p.setBrush(Qt::NoBrush);
    for (int v = 0; v <= top_; v += tick_) {
        const double y = plot.bottom() - plot.height() * v / top_;
        p.setPen(v == 0 ? axis : grid);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(text);
        p.drawText(QRectF(plot.left() - kGap - speedLabelWidth - 40, y - fm.height() / 2.0, speedLabelWidth + 40, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    for (int i = 0; i < kTimeTicks; ++i) {
        const double x = plot.left() + plot.width() * i / (kTimeTicks - 1);
        p.setPen(i == 0 ? axis : grid);
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(text);
        p.drawText(QRectF(x - 100, plot.bottom() + kGap, 200, fm.height()), Qt::AlignHCenter | Qt::AlignTop, labels[i]);
    }

    p.setFont(titleFont);
    const double timeTitleTop = plot.bottom() + kGap + fm.height() + kGap;
    p.drawText(QRectF(plot.left(), timeTitleTop, plot.width(), tfm.height()), Qt::AlignCenter, QStringLiteral("Time"));
    p.save();
    p.translate(card.left() + kPad + tfm.height() / 2.0, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -tfm.height() / 2.0, plot.height(), tfm.height()), Qt::AlignCenter,
               QStringLiteral("Speed (Mbps)"));
    p.restore();
    p.setFont(font());

    p.save();
    p.setClipRect(plot.adjusted(-1, -1, 1, 1));
    const double span = static_cast<double>(to_ - from_);
    for (const Line& line : lines_) {
        QPen pen(line.color, 2);
        if (line.dashed) pen.setStyle(Qt::DashLine);
        QPolygonF polyline;
        polyline.reserve(line.points.size());
        for (const QPointF& point : line.points) {
            polyline << QPointF(plot.left() + (point.x() - static_cast<double>(from_)) / span * plot.width(),
                                plot.bottom() - point.y() / top_ * plot.height());
        }
        // A wide antialiased polyline is outlined as a whole before it is filled, which grows
        // much faster than its length: a day of 32 stations took a third of a second. Segment by
        // segment costs the same per point; a dashed line keeps its pattern running across them.
        if (!line.dashed) {
            QList<QLineF> segments;
            segments.reserve(polyline.size());
            for (qsizetype i = 1; i < polyline.size(); ++i) segments.append(QLineF(polyline[i - 1], polyline[i]));
            p.setPen(pen);
            p.drawLines(segments);
            continue;
        }
        double length = 0;
        for (qsizetype first = 0; first + 1 < polyline.size(); first += kPiece) {
            const qsizetype count = std::min<qsizetype>(kPiece + 1, polyline.size() - first);
            pen.setDashOffset(length / pen.widthF());
            p.setPen(pen);
            p.drawPolyline(polyline.constData() + first, static_cast<int>(count));
            for (qsizetype i = first + 1; i < first + count; ++i) length += QLineF(polyline[i - 1], polyline[i]).length();
        }
    }
    p.restore();

    double rowTop = timeTitleTop + tfm.height() + 2 * kGap;
    for (const LegendRow& row : rows) {
        double x = card.center().x() - row.width / 2;
        for (const auto& [line, itemWidth] : row.items) {
            const QRectF box(x, rowTop + (fm.height() - swatch) / 2.0, swatch, swatch);
            p.setPen(QPen(line->color.darker(130), 1));
            p.setBrush(line->color);
            p.drawRect(box);
            p.setPen(text);
            p.drawText(QRectF(box.right() + 4, rowTop, itemWidth, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, line->name);
            x += itemWidth + kLegendSpacing;
        }
        rowTop += fm.height() + 4;
    }
}

}  // namespace zentrel::ui
