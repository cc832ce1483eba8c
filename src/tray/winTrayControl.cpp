#include "tray/winTrayControl.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kWindowSide = 40;
constexpr int kPictureSide = 32;
constexpr int kScreenMargin = 8;
constexpr int kBalloonWidth = 280;

} // namespace

winTrayControl::winTrayControl(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("winTrayControl"));
    setWindowTitle(QStringLiteral("Zettlor"));
    setWindowIcon(winMenu::ProgramIcon());
    setFixedSize(kWindowSide, kWindowSide);
    BuildBalloon();
}

void winTrayControl::BuildBalloon()
{
    Balloon = new QFrame(this, Qt::ToolTip | Qt::FramelessWindowHint);
    Balloon->setObjectName(QStringLiteral("Balloon"));
    Balloon->setFrameShape(QFrame::Box);
    Balloon->setFixedWidth(kBalloonWidth);
    Balloon->setAutoFillBackground(true);
    Balloon->setPalette(QPalette(QColor(255, 255, 225)));
    Balloon->installEventFilter(this);

    BalloonTitle = new QLabel(Balloon);
    BalloonTitle->setObjectName(QStringLiteral("BalloonTitle"));
    QFont bold = BalloonTitle->font();
    bold.setBold(true);
    BalloonTitle->setFont(bold);
    BalloonText = new QLabel(Balloon);
    BalloonText->setObjectName(QStringLiteral("BalloonText"));
    BalloonText->setWordWrap(true);
    BalloonText->setTextFormat(Qt::PlainText);
    BalloonTitle->setTextFormat(Qt::PlainText);

    auto *layout = new QVBoxLayout(Balloon);
    layout->addWidget(BalloonTitle);
    layout->addWidget(BalloonText);

    BalloonTimer = new QTimer(this);
    BalloonTimer->setObjectName(QStringLiteral("BalloonTimer"));
    BalloonTimer->setSingleShot(true);
    connect(BalloonTimer, &QTimer::timeout, Balloon, &QWidget::hide);
}

void winTrayControl::SetPicture(const QIcon &newPicture)
{
    picture = newPicture;
    update();
}

void winTrayControl::ShowBalloon(const QString &title, const QString &text, int milliseconds)
{
    BalloonTitle->setText(title);
    BalloonText->setText(text);
    Balloon->adjustSize();
    PlaceBalloon();
    Balloon->show();
    BalloonTimer->start(milliseconds);
}

void winTrayControl::PlaceInScreenCorner()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    move(free.right() - width() - kScreenMargin + 1, free.bottom() - height() - kScreenMargin + 1);
}

// Above the control window, right edges aligned, kept on the screen.
void winTrayControl::PlaceBalloon()
{
    QPoint corner(x() + width() - Balloon->width(), y() - Balloon->height() - kScreenMargin);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        corner.setX(qBound(free.left(), corner.x(), free.right() - Balloon->width() + 1));
        corner.setY(qBound(free.top(), corner.y(), free.bottom() - Balloon->height() + 1));
    }
    Balloon->move(corner);
}

void winTrayControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int inset = (kWindowSide - kPictureSide) / 2;
    picture.paint(&painter, QRect(inset, inset, kPictureSide, kPictureSide));
}

void winTrayControl::mousePressEvent(QMouseEvent *event)
{
    const QPoint position = event->globalPosition().toPoint();
    switch (event->button()) {
    case Qt::LeftButton:
        emit notified(winMenu::TrayNotification::LeftButtonDown, position);
        break;
    case Qt::RightButton:
        emit notified(winMenu::TrayNotification::RightButtonDown, position);
        break;
    case Qt::MiddleButton:
        emit notified(winMenu::TrayNotification::MiddleClick, position);
        break;
    default:
        break;
    }
}

void winTrayControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit notified(winMenu::TrayNotification::LeftButtonDoubleClick, event->globalPosition().toPoint());
}

// A click on the balloon closes it, as on a tray balloon.
bool winTrayControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Balloon && event->type() == QEvent::MouseButtonPress) {
        BalloonTimer->stop();
        Balloon->hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
