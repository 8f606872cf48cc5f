#include "widgets/thumbnails/CPicLabel.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QResizeEvent>

namespace {
const int kOverlaySize = 44;
} // namespace

CPicLabel::CPicLabel(QWidget* parent) : QLabel(parent)
{
    m_pLabelPic = new QLabel(this);
    m_pLabelPic->setObjectName(QStringLiteral("m_pLabelPic"));
    ShowDefaultPicture();
    m_pLabelPic->show();
}

CPicLabel::~CPicLabel() = default;

void CPicLabel::ShowDefaultPicture()
{
    m_decodedSize = QSize();
    m_pLabelPic->clear();
    // Named, so that the loading overlay inside the picture does not take the rule too.
    m_pLabelPic->setStyleSheet(
        QStringLiteral("QLabel#m_pLabelPic{border-image:url(:/images/Import/importStream.png);}"));
}

void CPicLabel::SetPicInfo(uint id, const QString& path)
{
    m_nId = id;
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        m_strPicPath.clear();
        ShowDefaultPicture();
        return;
    }
    m_strPicPath = path;
    LoadPicture();
}

void CPicLabel::LoadPicture()
{
    // The picture is painted from the file itself rather than named in a style sheet: a path holding a
    // bracket, a quote, a semicolon or a space would break the rule and silently show nothing. A snapshot is
    // far larger than a thumbnail, so it is decoded straight at the size it is shown at.
    QImageReader reader(m_strPicPath);
    const QSize target = size() - QSize(4, 4);
    if (target.width() >= 1 && target.height() >= 1 && reader.size().isValid())
        reader.setScaledSize(target);
    const QImage image = reader.read();
    if (image.isNull()) {
        ShowDefaultPicture();
        return;
    }
    m_decodedSize = target;
    m_pLabelPic->setStyleSheet(QString());
    m_pLabelPic->setScaledContents(true);
    m_pLabelPic->setPixmap(QPixmap::fromImage(image));
}

bool CPicLabel::SetSelected(bool on)
{
    if (on == m_bSelected)
        return true;
    m_bSelected = on;
    setStyleSheet(on ? QStringLiteral("CPicLabel{border: 2px solid yellow;}")
                     : QStringLiteral("CPicLabel{border: 2px solid transparent;}"));
    update();
    return true;
}

void CPicLabel::SetLoadingStep(int step)
{
    if (step == 0) {
        delete m_pLabelLoading;
        m_pLabelLoading = nullptr;
        return;
    }
    if (!m_pLabelLoading) {
        m_pLabelLoading = new QLabel(m_pLabelPic);
        m_pLabelLoading->setGeometry(m_pLabelPic->width() - kOverlaySize,
                                     m_pLabelPic->height() - kOverlaySize, kOverlaySize, kOverlaySize);
    }
    // A negative counter still picks one of the eight frames.
    const int frame = 8 - ((step % 8 + 8) % 8);
    m_pLabelLoading->setStyleSheet(
        QStringLiteral("QLabel{border-image:url(:/images/Import/Animation%1.png);}").arg(frame));
    m_pLabelLoading->show();
}

void CPicLabel::mousePressEvent(QMouseEvent* event)
{
    emit SignalPicLabelClicked();
    QLabel::mousePressEvent(event);
}

void CPicLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit SignalDoubleClicked(m_nId);
    QLabel::mouseDoubleClickEvent(event);
}

void CPicLabel::resizeEvent(QResizeEvent* event)
{
    const QSize size = event->size();
    if (size.width() >= 5 && size.height() >= 5) {
        m_pLabelPic->setGeometry(2, 2, size.width() - 4, size.height() - 4);
        // An overlay made before the label got its size keeps to the picture's corner.
        if (m_pLabelLoading)
            m_pLabelLoading->move(m_pLabelPic->width() - kOverlaySize, m_pLabelPic->height() - kOverlaySize);
        if (m_decodedSize.isValid() && m_decodedSize != size.shrunkBy(QMargins(2, 2, 2, 2)))
            LoadPicture();
    }
    QLabel::resizeEvent(event);
}
