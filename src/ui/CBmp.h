#pragma once
// Draws a bitmap file at its natural size. An object serves one painting: DrawFile loads the
// file, draws it and drops it again, so a replaced file shows at the next repaint.
#include <QPainter>
#include <QString>
#include <memory>
#include <utility>

#include "registry/BmpImage.h"

namespace zentrel::ui {

class CBmp {
public:
    CBmp() = default;
    virtual ~CBmp() = default;
    CBmp(const CBmp&) = delete;
    CBmp& operator=(const CBmp&) = delete;

    // True when the file was read and decoded.
    bool Load(const QString& path);
    // (width, height) of the loaded picture, (0, 0) when nothing is loaded.
    std::pair<int, int> GetSize() const;
    // Draws the loaded picture stretched to the rectangle, top-left corner at (x, y).
    void Draw(QPainter& painter, int x, int y, int width, int height) const;
    void Unload();
    // Load, Draw at the natural size, Unload; nothing is drawn when the load fails.
    bool DrawFile(const QString& path, QPainter& painter, int x, int y);

private:
    std::unique_ptr<BmpPixels> image_;
};

}  // namespace zentrel::ui
