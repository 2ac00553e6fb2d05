// The least a Qt Widgets program on this display can spend on what the window's two
// dials do while temperatures move 3 degrees a second: a 10 ms timer per dial that
// steps 6 times after each one-second refresh and stops on the next tick, each step
// repainting a 60 x 60 rectangle with one fill. No text, no needle, no readings: what
// is left is the toolkit's and the display's own cost of a frame, for
// tools/measure_idle.sh to print beside the program's.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class StepDial : public QWidget
{
public:
    explicit StepDial(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (stepsLeft == 0) {
                timer.stop();
                return;
            }
            --stepsLeft;
            ++frame;
            update(QRect(40 + frame % 60, 40, 60, 60));
        });
    }
    void onRefresh()
    {
        stepsLeft = 6;
        timer.start();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(frame * 7 % 256, 90, 120));
    }

private:
    QTimer timer;
    int stepsLeft = 0;
    int frame = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QWidget window;
    window.resize(700, 400);
    StepDial cpu(&window);
    StepDial gpu(&window);
    cpu.setGeometry(20, 20, 300, 300);
    gpu.setGeometry(360, 20, 300, 300);
    QTimer refresh;
    refresh.setInterval(1000);
    QObject::connect(&refresh, &QTimer::timeout, &window, [&] {
        cpu.onRefresh();
        gpu.onRefresh();
    });
    refresh.start();
    window.show();
    return app.exec();
}
