#include "app/CWindowTitle.h"

#include "widgets/dialogs/CPushButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

QString ButtonStyle(const char* picture)
{
    return QStringLiteral(
               "QPushButton{border:none;margin:0;border-image:url(:/images/title/%1.png);}"
               "QPushButton:hover{border:none;margin:0;border-image:url(:/images/title/%1_hover.png);}")
        .arg(QLatin1String(picture));
}

CPushButton* TitleButton(QWidget* parent, const QString& style)
{
    auto* button = new CPushButton(parent);
    button->setFixedSize(20, 20);
    button->setFocusPolicy(Qt::ClickFocus);
    button->setStyleSheet(style);
    return button;
}

} // namespace

CWindowTitle::CWindowTitle(QWidget* parent) : QWidget(parent), m_pWindow(parent)
{
    setAutoFillBackground(true);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(1);
    layout->setContentsMargins(4, 1, 4, 1);

    auto* left = new QHBoxLayout();
    left->setSpacing(1);
    m_pIconBtn = new CPushButton(this);
    m_pIconBtn->setFixedSize(32, 32);
    m_pIconBtn->setStyleSheet(QStringLiteral("QPushButton{border-image:url(:/images/title/Eye.png);}"));
    m_pIconBtn->setFocusPolicy(Qt::NoFocus);
    left->addWidget(m_pIconBtn);
    left->addStretch();

    m_pLabelTitle = new QLabel(QObject::tr("Varrow"), this);
    m_pLabelTitle->setAlignment(Qt::AlignCenter);
    m_pLabelTitle->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_pLabelTitle->setStyleSheet(QStringLiteral("color:rgb(255, 255, 255);"));

    auto* right = new QHBoxLayout();
    right->setSpacing(1);
    right->addStretch();
    m_pMinBtn = TitleButton(this, ButtonStyle("mini"));
    m_pMaxBtn = TitleButton(this, MaxButtonStyle(m_pWindow->isFullScreen()));
    m_pCloseBtn = TitleButton(this, ButtonStyle("close"));
    right->addWidget(m_pMinBtn);
    right->addWidget(m_pMaxBtn);
    right->addWidget(m_pCloseBtn);

    layout->addLayout(left, 1);
    layout->addWidget(m_pLabelTitle, 1);
    layout->addLayout(right, 1);

    connect(m_pMaxBtn, &QPushButton::clicked, this, &CWindowTitle::ChaneMaxSizeOrRestore);
    connect(m_pCloseBtn, &QPushButton::clicked, this, &CWindowTitle::OnCloseWindow);
    connect(m_pMinBtn, &QPushButton::clicked, this, &CWindowTitle::showSmall);

    QPalette palette = this->palette();
    // Scaled once to the bar's first size, as the picture is a plain band.
    const QPixmap background(QStringLiteral(":/images/title/title_bg.png"));
    if (!background.isNull())
        palette.setBrush(QPalette::Window,
                         QBrush(background.scaled(qMax(1, width()), background.height(),
                                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    setPalette(palette);
}

CWindowTitle::~CWindowTitle() = default;

QString CWindowTitle::MaxButtonStyle(bool fullScreen)
{
    return ButtonStyle(fullScreen ? "back" : "full-screen");
}

bool CWindowTitle::ScreenAllowsFull(const QSize& screen)
{
    return screen.width() >= 1024 && screen.height() >= 768;
}

bool CWindowTitle::WindowScreenAllowsFull() const
{
    const QScreen* screen = m_pWindow->screen();
    return screen != nullptr && ScreenAllowsFull(screen->geometry().size());
}

void CWindowTitle::showSmall()
{
    m_pWindow->showMinimized();
}

void CWindowTitle::ChangSizeToFull()
{
    if (!WindowScreenAllowsFull())
        return;
    m_pWindow->showFullScreen();
    m_pMaxBtn->setStyleSheet(MaxButtonStyle(true));
}

void CWindowTitle::ChaneMaxSizeOrRestore()
{
    if (!WindowScreenAllowsFull())
        return;
    if (m_pWindow->isFullScreen()) {
        m_pWindow->showNormal();
        m_pMaxBtn->setStyleSheet(MaxButtonStyle(false));
    } else {
        ChangSizeToFull();
    }
}

void CWindowTitle::OnCloseWindow()
{
    m_pWindow->close();
}

void CWindowTitle::mousePressEvent(QMouseEvent* event)
{
    if (m_pWindow->isFullScreen() || event->button() != Qt::LeftButton)
        return;
    m_bPressed = true;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressOffset = mapToParent(event->position().toPoint());
}

void CWindowTitle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bPressed)
        return;
    // The window system's own move where it offers one: it knows the screens' edges and panels. Asked for
    // at the first movement, not at the press, so a double-click still reaches the bar.
    QWindow* handle = m_pWindow->windowHandle();
    if (event->globalPosition().toPoint() != m_pressGlobal && handle != nullptr &&
        handle->startSystemMove()) {
        m_bPressed = false;
        return;
    }
    m_pWindow->move(event->globalPosition().toPoint() - m_pressOffset);
}

void CWindowTitle::mouseReleaseEvent(QMouseEvent*)
{
    m_bPressed = false;
}

void CWindowTitle::mouseDoubleClickEvent(QMouseEvent*)
{
    ChaneMaxSizeOrRestore();
}
