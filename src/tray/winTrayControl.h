#pragma once

#include "tray/winMenu.h"

#include <QIcon>
#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// Stands in for the tray icon where no tray exists: a small frameless window
// with the tray picture and tooltip at the bottom-right of the primary screen.
// Its clicks are the tray icon's clicks; balloons pop up beside it.
class winTrayControl final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winTrayControl)

public:
    explicit winTrayControl(QWidget *owner);

    void SetPicture(const QIcon &picture);
    // Shows title and text beside the window until the time is up or the
    // balloon is clicked.
    void ShowBalloon(const QString &title, const QString &text, int milliseconds);
    // Bottom-right corner of the primary screen's free area.
    void PlaceInScreenCorner();

    QFrame *Balloon = nullptr;
    QLabel *BalloonTitle = nullptr;
    QLabel *BalloonText = nullptr;
    QTimer *BalloonTimer = nullptr;

signals:
    void notified(winMenu::TrayNotification code, const QPoint &position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildBalloon();
    void PlaceBalloon();

    QIcon picture;
};
