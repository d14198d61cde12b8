#pragma once
// The Rates page's picture: speed lines over time, drawn with QPainter. A time axis of evenly
// spaced labels at the bottom, a speed axis with a line across the plot at each tick, and a legend
// of the lines' names under it. A widget of our own rather than a charting library: the program
// then loads nothing at start for a page that most starts never show.
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace zentrel::ui {

class RateChart : public QWidget {
    Q_OBJECT
public:
    struct Line {
        QString name;
        QColor color;
        bool dashed = false;
        // x: seconds since the epoch; y: Mbps.
        QList<QPointF> points;
    };

    explicit RateChart(QWidget* parent = nullptr);

    void SetLines(std::vector<Line> lines);
    // The time shown, in seconds since the epoch, and the format of its labels (QDateTime's).
    void SetTimeRange(std::int64_t from, std::int64_t to, const QString& format);
    // The speed axis runs from 0 to `top` with a labelled line every `tick`.
    void SetSpeedRange(int top, int tick);

    const std::vector<Line>& Lines() const { return lines_; }
    // The label under each of the time axis' ticks, left to right.
    QStringList TimeLabels() const;
    int SpeedTop() const { return top_; }
    int SpeedTick() const { return tick_; }

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Line> lines_;
    std::int64_t from_ = 0, to_ = 60;
    QString format_ = "HH:mm:ss";
    int top_ = 50, tick_ = 25;
};

}  // namespace zentrel::ui
