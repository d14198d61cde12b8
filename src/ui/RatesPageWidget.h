#pragma once
// The Rates page: the transmit speed of every station over time as a line chart, one line per
// station, the receive speed on request, and the samples saved as CSV. Unlike the other pages
// it leaves the scan cycle running: it is a live view, redrawn after each cycle.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "ui/RateChart.h"
#include "ui/SheetPage.h"

namespace zentrel::ui {

class RatesPageWidget : public SheetPage {
    Q_OBJECT
public:
    RatesPageWidget(UiContext& ctx, QWidget* parent = nullptr);

    void Activate() override;
    void Render() override;
    // Draws the chart from the history now (the page does so after each cycle on its own).
    void Redraw();
    // Seconds the chart spans for each entry of the range choice.
    static constexpr std::int64_t kRanges[] = {10 * 60, 3600, 24 * 3600};

    QComboBox* range = nullptr;
    QCheckBox* receive = nullptr;
    QPushButton* saveCsv = nullptr;
    RateChart* chart = nullptr;
    // Where the CSV goes; the file chooser unless a test sets another.
    std::function<std::optional<QString>()> askCsvPath;

private:
    void ScheduleRedraw();
    void SaveCsv();
    // A station's colour, the same for its two lines and from one redraw to the next.
    QColor ColorFor(const std::string& mac);

    std::map<std::string, QColor> colors_;
    std::uint64_t drawnGeneration_ = ~std::uint64_t{0};
    bool redrawPending_ = false;
};

}  // namespace zentrel::ui
