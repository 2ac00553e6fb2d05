// The frame and tray side of the main window: the title drag, the edge resize, the
// title-bar buttons and the way back from the tray.
#include "dmainwidget.h"
#include "ui_dmainwidget.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

#include "compositorgesture.h"
#include "windowtray.h"

bool DMainWidget::hasTrayIcon() const
{
    return tray->hasIcon();
}

void DMainWidget::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        showFromTray();
}

void DMainWidget::showFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void DMainWidget::onHideMainWindowLater()
{
    hide();
}

void DMainWidget::on_pushButton_Close_clicked()
{
    if (hasTrayIcon())
        hide();
    else
        showMinimized();
}

void DMainWidget::on_pushButton_Min_clicked()
{
    showMinimized();
}

void DMainWidget::on_pushButton_Max_clicked()
{
    if (isMaximized() || isFullScreen()) {
        showNormal();
        setCursor(Qt::ArrowCursor);
    } else {
        showMaximized();
    }
}

void DMainWidget::on_pushButton_Setting_clicked() {}

// The logo button stays hidden for the whole run; the slot exists for the form's
// connection by name and has nothing to open.
void DMainWidget::on_pushButton_Logo_clicked() {}

void DMainWidget::mousePressEvent(QMouseEvent *event)
{
    dragging = false;
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        // The press itself finds the band: no move without a button need come first.
        updateEdgeRegion(event->globalPos());
        if (edgeRegion == EdgeNone && ui->frame_4->geometry().contains(event->pos())) {
            dragOffset = event->globalPos() - frameGeometry().topLeft();
            event->accept();
            dragging = true;
        }
        const bool handedOver =
            !isMaximized() && !isFullScreen() &&
            (dragging ? startCompositorMove(this) : startCompositorResize(this, edgeRegion));
        if (handedOver) {
            leftPressed = dragging = false;
            edgeRegion = EdgeNone;
        }
    } else if (event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
    }
}

void DMainWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint cursor = event->globalPos();
    const bool maximised = isMaximized() || isFullScreen();
    if (!leftPressed) {
        updateEdgeRegion(cursor);
    } else if (!dragging && !maximised) {
        const QPoint topLeft = mapToGlobal(rect().topLeft());
        const QPoint bottomRight = mapToGlobal(rect().bottomRight());
        setGeometry(resizedGeometry(topLeft, bottomRight, cursor, edgeRegion, minimumWidth(),
                                    minimumHeight()));
    } else if (dragging && !maximised) {
        move(cursor - dragOffset);
        event->accept();
    }
    QWidget::mouseMoveEvent(event);
}

void DMainWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    leftPressed = false;
    dragging = false;
    if (edgeRegion != EdgeNone) {
        releaseMouse();
        setCursor(Qt::ArrowCursor);
        edgeRegion = EdgeNone;
    }
}

bool DMainWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Such moves go only to the child under the cursor, and children cover the band;
    // the native window sees every one of them first.
    if (watched == windowHandle() && event->type() == QEvent::MouseMove && !leftPressed) {
        const auto *move = static_cast<QMouseEvent *>(event);
        if (move->buttons() == Qt::NoButton)
            updateEdgeRegion(move->globalPos());
    }
    return QWidget::eventFilter(watched, event);
}

void DMainWidget::updateEdgeRegion(const QPoint &globalPos)
{
    edgeRegion =
        edgeRegionAt(globalPos, mapToGlobal(rect().topLeft()), mapToGlobal(rect().bottomRight()));
    const Qt::CursorShape shape = cursorShapeFor(edgeRegion);
    if (cursor().shape() != shape)
        setCursor(shape);
}

void DMainWidget::closeEvent(QCloseEvent *event)
{
    tray->hideIcon();
    QWidget::closeEvent(event);
}
