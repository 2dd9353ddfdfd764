#pragma once
// Holds one background picture (JPEG, BMP, GIF or PNG) from the program's resources or
// from a file, and draws it stretched into a rectangle.

#include <string>

#include <QImage>
#include <QString>

class QPainter;
class QRect;

namespace views {

class CPictureImage {
public:
    // The program's own background picture.
    static constexpr const char* kBuiltInPicture = ":/views/background.jpg";

    // Both drop the previous picture first; on failure the holder stays empty.
    bool LoadFromResource(const QString& name);
    bool LoadFromFile(const std::string& path);
    void Release();

    // Draws the whole picture stretched to rect, aspect ratio not kept; an empty holder
    // draws nothing.
    void Draw(QPainter& painter, const QRect& rect) const;

    bool IsLoaded() const { return !m_Image.isNull(); }
    int GetWidth() const { return m_Image.width(); }
    int GetHeight() const { return m_Image.height(); }

private:
    bool Load(const QString& name);

    QImage m_Image;
};

}  // namespace views
