#include "ui/CBmp.h"

#include <QFile>
#include <QImage>

namespace zentrel::ui {

bool CBmp::Load(const QString& path) {
    Unload();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // Branding pictures are small; anything past the decoder's limit is refused there anyway.
    // A regular file is read at its size: asking for the limit at once makes Qt reserve that
    // much (over 64 MB) on every load, and the pages load their pictures on every layout and paint.
    const qint64 limit = static_cast<qint64>(kMaxBmpPixels) * 4 + 4096;
    const qint64 size = file.size();
    const QByteArray bytes = file.read(size > 0 && size < limit ? size : limit);
    auto image = std::make_unique<BmpPixels>();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (!DecodeBmp(std::span<const std::uint8_t>(data, static_cast<std::size_t>(bytes.size())), *image)) return false;
    image_ = std::move(image);
    return true;
}

std::pair<int, int> CBmp::GetSize() const {
    if (!image_) return {0, 0};
    return {image_->width, image_->height};
}

void CBmp::Draw(QPainter& painter, int x, int y, int width, int height) const {
    if (!image_) return;
    const QImage picture(image_->rgb.data(), image_->width, image_->height, image_->width * 3,
                         QImage::Format_RGB888);
    painter.drawImage(QRect(x, y, width, height), picture);
}

void CBmp::Unload() { image_.reset(); }

bool CBmp::DrawFile(const QString& path, QPainter& painter, int x, int y) {
    if (!Load(path)) return false;
    const auto [w, h] = GetSize();
    Draw(painter, x, y, w, h);
    Unload();
    return true;
}

}  // namespace zentrel::ui
