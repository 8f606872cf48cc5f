// Draws every registered picture under the folder given as the first argument (the project's resources/).
// Run it through scripts/draw-images.sh. "--kit OUTDIR" instead takes pictures of the widget kit's companion
// pieces (KitPieces.cpp).

#include "DrawImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

std::vector<DRAWN_IMAGE>& DrawnImages()
{
    static std::vector<DRAWN_IMAGE> images;
    return images;
}

CImageRegistrar::CImageRegistrar(std::initializer_list<DRAWN_IMAGE> images)
{
    for (const DRAWN_IMAGE& image : images)
        DrawnImages().push_back(image);
}

std::vector<ENCODED_FILE>& EncodedFiles()
{
    static std::vector<ENCODED_FILE> files;
    return files;
}

CFileRegistrar::CFileRegistrar(std::initializer_list<ENCODED_FILE> files)
{
    for (const ENCODED_FILE& file : files)
        EncodedFiles().push_back(file);
}

QImage BlankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

int main(int argc, char** argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--kit")
        return DrawKitPieces(argc, argv);
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: draw-images RESOURCES_DIR\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    int failed = 0;
    for (const DRAWN_IMAGE& image : DrawnImages()) {
        const QString path = root.filePath(image.path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!image.draw().save(path)) {
            err << "could not write " << path << "\n";
            ++failed;
        }
    }
    for (const ENCODED_FILE& encoded : EncodedFiles()) {
        const QString path = root.filePath(encoded.path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QByteArray bytes = encoded.encode();
        QFile file(path);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            err << "could not write " << path << "\n";
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
