// The least a Qt Widgets program on this display can spend on the frames the main
// window makes while temperatures move as the test sensor library "moving" moves them:
// per dial a 10 ms timer that steps the drawn value by the dial's step towards each
// one-second target and stops on the tick after it, every step repainting exactly the
// area the window's dial repaints for it, with one fill. The window's size, the dials'
// places, steps and repaint areas are taken from the main form, themed and laid out as
// the program's own; then the form goes. No text, needle, labels, readings or device:
// what is left is the toolkit's and the display's own cost of those frames, for
// tools/measure_idle.sh to print beside the program's.
//
//   qtfloor <configDir/>   (the folder of appConfig.ini the program reads)
#include "shell/appconfig.h"
#include "ui/theme.h"
#include "widgets/gaugearc.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <utility>

namespace {

// The test library's temperatures: these offsets over a base, one a second by the
// monotonic clock.
constexpr double kOffsets[] = {0.0, 3.0, 6.0, 3.0};
constexpr double kCpuBase = 45.0;
constexpr double kGpuBase = 50.0;

// One dial as the form lays it out: what each step between two neighbouring drawn
// values repaints, in the window's coordinates. The values of a run lie on this grid:
// the targets are whole degrees and the step divides one.
struct DialFrames
{
    double minValue = 0.0;
    double step = 0.5;
    QVector<QRegion> areas; // areas[i]: between minValue + i * step and the next value
};

DialFrames framesOf(const GaugeArc *dial, const QWidget *window)
{
    DialFrames frames;
    frames.minValue = dial->getMinValue();
    frames.step = dial->getAnimationStep();
    const QPoint offset = dial->mapTo(window, QPoint(0, 0));
    const int count = int((dial->getMaxValue() - frames.minValue) / frames.step);
    for (int i = 0; i < count; ++i) {
        const double low = frames.minValue + i * frames.step;
        frames.areas.append(dial->changedByTick(low, low + frames.step).translated(offset));
    }
    return frames;
}

// Fills what a frame repaints, once.
class FloorWindow : public QWidget
{
public:
    FloorWindow() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(frame * 7 % 256, 90, 120));
        ++frame;
    }

private:
    int frame = 0;
};

// One dial's animation without the dial: the same timer, steps and stopping tick.
class StepDial : public QObject
{
public:
    StepDial(QWidget *window, DialFrames frames, double base)
        : window(window), frames(std::move(frames)), base(base), target(base), drawn(base)
    {
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, &StepDial::onTick);
    }

    void onRefresh(qint64 second)
    {
        const double next = base + kOffsets[second % 4];
        if (next == target)
            return;
        target = next;
        timer.start();
    }

private:
    void onTick()
    {
        if (drawn == target) {
            timer.stop();
            return;
        }
        const double next = drawn < target ? drawn + frames.step : drawn - frames.step;
        const int index = int((qMin(drawn, next) - frames.minValue) / frames.step);
        drawn = next;
        if (index >= 0 && index < frames.areas.size())
            window->update(frames.areas.at(index));
    }

    QWidget *window;
    DialFrames frames;
    double base;
    double target;
    double drawn;
    QTimer timer;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString configDir = arguments.size() > 1 ? arguments.at(1) : QString();

    // The form is laid out only when shown; it is shown nowhere.
    QSize windowSize;
    DialFrames cpuFrames;
    DialFrames gpuFrames;
    {
        QWidget form;
        const MainFormPtr ui = buildMainForm(&form);
        applyTheme(&form, ui.get(), loadAppConfig(configDir));
        form.setAttribute(Qt::WA_DontShowOnScreen);
        form.show();
        QCoreApplication::processEvents();
        const auto *cpuDial = form.findChild<GaugeArc *>(QStringLiteral("widget_CpuDashboard"));
        const auto *gpuDial = form.findChild<GaugeArc *>(QStringLiteral("widget_GpuDashboard"));
        if (!cpuDial || !gpuDial) {
            std::fprintf(stderr, "qtfloor: the form has no dials\n");
            return 1;
        }
        windowSize = form.size();
        cpuFrames = framesOf(cpuDial, &form);
        gpuFrames = framesOf(gpuDial, &form);
    }

    FloorWindow window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(windowSize);
    StepDial cpu(&window, cpuFrames, kCpuBase);
    StepDial gpu(&window, gpuFrames, kGpuBase);
    QTimer refresh;
    refresh.setInterval(1000);
    QObject::connect(&refresh, &QTimer::timeout, &window, [&] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const qint64 second = std::chrono::duration_cast<std::chrono::seconds>(now).count();
        cpu.onRefresh(second);
        gpu.onRefresh(second);
    });
    refresh.start();
    window.show();
    return app.exec();
}
