#ifndef PAINTCOUNTER_H
#define PAINTCOUNTER_H

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

// Counts the paint events a widget receives, so a test can tell whether a setter
// asked for a repaint.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QObject *watched) : QObject(watched)
    {
        watched->installEventFilter(this);
    }

    int count = 0;

    // Delivers what is queued (update requests and the paints they cause), then
    // starts counting afresh.
    void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
        count = 0;
    }

    // The paints caused by what happened since the last settle().
    int paintsSinceSettle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
        return count;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return QObject::eventFilter(watched, event);
    }
};

#endif // PAINTCOUNTER_H
