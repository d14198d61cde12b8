#pragma once
// Dialog-unit geometry: x units are a quarter of the font's average character width, y units an
// eighth of its height, so the pages keep their proportions with any font.
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace zentrel::ui {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        charWidth_ = fm.averageCharWidth();
        charHeight_ = fm.height();
    }
    int X(int units) const { return units * charWidth_ / 4; }
    int Y(int units) const { return units * charHeight_ / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    void Place(QWidget* widget, int x, int y, int w, int h) const { widget->setGeometry(Rect(x, y, w, h)); }

private:
    int charWidth_ = 6;
    int charHeight_ = 13;
};

}  // namespace zentrel::ui
