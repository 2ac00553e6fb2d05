// Repaint cost of the gauge widgets. The dial repaints every 10 ms while its
// pointer moves, so one GaugeArc repaint is the program's hottest drawing path; it
// copies the unmoving layers from an image that a change of look draws again.

#include "widgets/gaugearc.h"
#include "widgets/ledtext.h"

#include <QApplication>
#include <QFrame>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

// The window's dial set-up, at the size it takes in the main window.
void setUpDial(GaugeArc &gauge)
{
    gauge.resize(300, 300);
    gauge.setExplainText(QStringLiteral("CPU Temp"));
    gauge.setScaleMajor(10);
    gauge.setScaleMinor(5);
    gauge.setStartAngle(50);
    gauge.setEndAngle(50);
    gauge.setValue(45);
}

void BM_GaugeArcRepaint(benchmark::State &state)
{
    GaugeArc gauge;
    setUpDial(gauge);
    gauge.setPointerStyle(static_cast<GaugeArc::PointerStyle>(state.range(0)));
    QImage image(gauge.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_GaugeArcRepaint)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// One animation tick followed by the repaint it asks for.
void BM_GaugeArcAnimationFrame(benchmark::State &state)
{
    GaugeArc gauge;
    setUpDial(gauge);
    gauge.setAnimation(true);
    QImage image(gauge.size(), QImage::Format_ARGB32_Premultiplied);
    bool up = true;
    for (auto _ : state) {
        QMetaObject::invokeMethod(&gauge, "updateValue", Qt::DirectConnection);
        if (gauge.getCurrentValue() == gauge.getValue()) {
            gauge.setValue(up ? 95 : 5);
            up = !up;
        }
        gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_GaugeArcAnimationFrame)->Unit(benchmark::kMicrosecond);

// A dial in the window's case: on a parent whose background the dial holds.
struct DialOnParent
{
    QFrame parent;
    GaugeArc *gauge = new GaugeArc(&parent);
    QImage image{300, 300, QImage::Format_RGB32};
    bool up = true;

    DialOnParent()
    {
        parent.resize(320, 320);
        parent.setStyleSheet(QStringLiteral("QFrame { background: rgb(20, 24, 32); }"));
        setUpDial(*gauge);
        gauge->move(10, 10);
        gauge->setAnimation(true);
        gauge->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    // One tick, with the temperature going back and forth over a few degrees as on a
    // working machine, so the pointer and text images drawn once are copied from then on.
    QRegion tick()
    {
        const double before = gauge->getCurrentValue();
        QMetaObject::invokeMethod(gauge, "updateValue", Qt::DirectConnection);
        if (gauge->getCurrentValue() == gauge->getValue()) {
            gauge->setValue(up ? 51 : 45);
            up = !up;
        }
        return gauge->changedByTick(before, gauge->getCurrentValue());
    }
};

// A tick and a repaint of the whole dial.
void BM_GaugeArcAnimationFrameOnParent(benchmark::State &state)
{
    DialOnParent dial;
    for (auto _ : state) {
        dial.tick();
        dial.gauge->render(&dial.image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(dial.image.constBits());
    }
}
BENCHMARK(BM_GaugeArcAnimationFrameOnParent)->Unit(benchmark::kMicrosecond);

// A tick as the window paints it: only the area the tick changed, often two rectangles.
void BM_GaugeArcAnimationFrameArea(benchmark::State &state)
{
    DialOnParent dial;
    for (auto _ : state) {
        const QRegion area = dial.tick();
        dial.gauge->render(&dial.image, area.boundingRect().topLeft(), area, QWidget::DrawChildren);
        benchmark::DoNotOptimize(dial.image.constBits());
    }
}
BENCHMARK(BM_GaugeArcAnimationFrameArea)->Unit(benchmark::kMicrosecond);

// A repaint after a change of look (here the arc colour, as a theme sets it): every
// layer drawn from scratch.
void BM_GaugeArcRestyledRepaint(benchmark::State &state)
{
    GaugeArc gauge;
    setUpDial(gauge);
    QImage image(gauge.size(), QImage::Format_ARGB32_Premultiplied);
    const QColor colours[] = {QColor(21, 134, 200), QColor(222, 247, 80)};
    int i = 0;
    for (auto _ : state) {
        gauge.setArcColor(colours[++i % 2]);
        gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_GaugeArcRestyledRepaint)->Unit(benchmark::kMicrosecond);

void BM_LedTextRepaint(benchmark::State &state)
{
    LedText led;
    led.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QImage image(led.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        led.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_LedTextRepaint)->Args({200, 80})->Args({810, 90})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
