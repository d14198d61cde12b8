// The floor for the desktop program's start-up: a bare Qt dialog of a given size that draws one
// line of text where the program's powerline list sits, and does nothing else. Started and
// timed the same way as the program (bench/desktop_startup.sh, through the same start-up trace),
// its time to first paint is what any Qt program of that size costs on this machine.
//   bare_dialog WIDTH HEIGHT
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <cstdlib>

#include "ui/StartupTrace.h"

namespace {

class BareDialog : public QDialog {
protected:
    void paintEvent(QPaintEvent*) override {
        zentrel::ui::StartupMarkOnce(painted_, "window-paint");
        {
            QPainter painter(this);
            // Where the program's powerline list shows its first row.
            painter.drawText(40 * width() / 615, 220 * height() / 640, "Bare dialog");
        }
        // Its picture is complete here, as the program's is when its lists' paints end.
        zentrel::ui::StartupMarkOnce(drawn_, "window-painted");
    }

private:
    bool painted_ = false;
    bool drawn_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    zentrel::ui::OpenStartupTrace();
    zentrel::ui::StartupMark("main");
    QApplication app(argc, argv);
    zentrel::ui::StartupMark("qapplication");
    const int width = argc > 2 ? std::atoi(argv[1]) : 615;
    const int height = argc > 2 ? std::atoi(argv[2]) : 640;
    BareDialog dialog;
    dialog.setWindowTitle("Bare dialog");
    dialog.resize(width > 0 ? width : 615, height > 0 ? height : 640);
    dialog.show();
    return app.exec();
}
