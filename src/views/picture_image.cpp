#include "views/picture_image.h"

#include <QImageReader>
#include <QPainter>
#include <QRect>

namespace views {

bool CPictureImage::LoadFromResource(const QString& name) {
    return Load(name);
}

bool CPictureImage::LoadFromFile(const std::string& path) {
    return Load(QString::fromStdString(path));
}

void CPictureImage::Release() {
    m_Image = QImage();
}

void CPictureImage::Draw(QPainter& painter, const QRect& rect) const {
    if (IsLoaded()) {
        painter.drawImage(rect, m_Image);
    }
}

bool CPictureImage::Load(const QString& name) {
    Release();
    if (name.isEmpty()) {
        return false;
    }
    // The file's content decides its format, so a picture with a misleading extension
    // still loads and a non-picture is refused whatever its name.
    QImageReader reader(name);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        return false;
    }
    m_Image = std::move(image);
    return true;
}

}  // namespace views
