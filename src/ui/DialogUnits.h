#pragma once
// Dialog-unit geometry: x units are a quarter of the font's average character width, y units an
// eighth of its height, so the pages keep their proportions with any font. The average width is
// taken as dialog templates take it, over the 52 letters: a font's own average (which counts
// spaces and narrow signs) is too small for the texts a page shows.
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace zentrel::ui {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        charHeight_ = std::max(1, fm.height());
        // Every layout of a page asks for its units, and measuring the letters shapes them anew
        // each time; the last font's width is kept. Widgets live on one thread, so the copy is
        // per thread. It keeps the font's key, not the font, which would hold its glyphs past
        // the toolkit's end; the height is part of the key as it changes with the screen's
        // resolution, which the font does not tell.
        struct Measured {
            QString font;
            int height = 0;
            int charWidth = 0;
        };
        thread_local Measured last;
        const QString key = font.key();
        if (last.charWidth == 0 || last.height != charHeight_ || last.font != key) {
            const int letters = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
            last = {key, charHeight_, std::max(1, (letters / 26 + 1) / 2)};
        }
        charWidth_ = last.charWidth;
    }
    int X(int units) const { return units * charWidth_ / 4; }
    int Y(int units) const { return units * charHeight_ / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    void Place(QWidget* widget, int x, int y, int w, int h) const { widget->setGeometry(Rect(x, y, w, h)); }

    // Pixel sizes and positions given for the font the pages were drawn with (6 by 13 pixels a
    // character: column widths, the bitmap's place), in pixels of this font, and back.
    int PixelsX(int original) const { return original * charWidth_ / kOriginalCharWidth; }
    int PixelsY(int original) const { return original * charHeight_ / kOriginalCharHeight; }
    int OriginalX(int pixels) const { return (pixels * kOriginalCharWidth + charWidth_ / 2) / charWidth_; }

private:
    static constexpr int kOriginalCharWidth = 6;
    static constexpr int kOriginalCharHeight = 13;
    int charWidth_ = 6;
    int charHeight_ = 13;
};

}  // namespace zentrel::ui
