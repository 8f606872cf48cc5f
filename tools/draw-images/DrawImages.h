#pragma once

// A picture of the program, drawn in code so that every picture is the project's own and can be made again.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QString>

#include <functional>
#include <vector>

struct DRAWN_IMAGE
{
    QString path; // under resources/, for example "images/title/close.png"
    std::function<QImage()> draw;
};

// Every picture registered by the family files, in registration order.
std::vector<DRAWN_IMAGE>& DrawnImages();

// Registers pictures at static initialisation: `static CImageRegistrar reg{{"images/x.png", [] { ... }},
// ...};`
class CImageRegistrar
{
public:
    CImageRegistrar(std::initializer_list<DRAWN_IMAGE> images);
};

// A file that the toolkit cannot write as a picture (the loading animation's GIF): its bytes, made in code.
struct ENCODED_FILE
{
    QString path; // under resources/
    std::function<QByteArray()> encode;
};

std::vector<ENCODED_FILE>& EncodedFiles();

class CFileRegistrar
{
public:
    CFileRegistrar(std::initializer_list<ENCODED_FILE> files);
};

// The 192x150 camera card of the thumbnails: a camera on a plain ground inside a thin border.
QImage DrawCameraCard(const QColor& ground, const QColor& border, const QColor& glyph);

// A transparent ARGB image of the given size, ready to paint on.
QImage BlankImage(int width, int height);

// A gradient from `from` at `top` to `to` at `bottom`, the same at every x.
QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to);

// The --kit mode: pictures of the widget kit's companion pieces in both languages (KitPieces.cpp); makes its
// own application object.
int DrawKitPieces(int argc, char** argv);
