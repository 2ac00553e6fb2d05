#include "paintcounter.h"
#include "widgets/gaugearc.h"
#include "widgets/gaugearcdrawcounts.h"
#include "widgets/gaugegeometry.h"
#include "widgets/shapesprite.h"

#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>

using GaugeAction = std::function<void(GaugeArc &)>;
Q_DECLARE_METATYPE(GaugeAction)

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const QColor kArc(21, 134, 200);
const QColor kPointer(255, 107, 107);
const QColor kNumbers(100, 176, 221);
const QColor kText(76, 255, 50);
// The window's case: a parent whose background the dial holds in its image.
const QString kParentSheet = QStringLiteral("QFrame { background: qlineargradient(x1: 0, y1: 0, "
                                            "x2: 1, y2: 1, stop: 0 #203040, stop: 1 #405020); }");

// Everything the widget paints, on black: the widget has no background of its own.
QImage renderOnBlack(GaugeArc &gauge)
{
    QImage image(gauge.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// A 400 × 300 dial draws its logical 200 × 200 square on the middle 300 × 300 pixels:
// 1.5 pixels a unit, centred on (200, 150).
const QTransform kDial400x300(1.5, 0, 0, 1.5, 200, 150);
const QPoint kCentre400x300(200, 150);

// Logical point at radius r and angle a (degrees, counter-clockwise from +x).
QPointF polar(double r, double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return QPointF(r * std::cos(a), -r * std::sin(a));
}

// The pixel of a 400 × 300 dial at a logical point.
QColor pixelAt(const QImage &image, const QPointF &logical)
{
    const QPoint p = kDial400x300.map(logical).toPoint();
    if (!image.rect().contains(p)) {
        return QColor(Qt::black);
    }
    return image.pixelColor(p);
}

bool isNear(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

bool isReddish(const QColor &c)
{
    return c.red() > 120 && c.red() > c.green() + 50 && c.red() > c.blue() + 50;
}

bool isBlack(const QColor &c)
{
    return c.red() < 16 && c.green() < 16 && c.blue() < 16;
}

// Whether the arc colour shows within ±1.5 logical units of radius r at angle a.
bool arcAt(const QImage &image, double r, double degrees)
{
    for (double dr = -1.5; dr <= 1.5; dr += 0.25) {
        if (isNear(pixelAt(image, polar(r + dr, degrees)), kArc, 24)) {
            return true;
        }
    }
    return false;
}

bool anyArcColourNear(const QImage &image, double r, double degrees)
{
    for (double dr = -1.5; dr <= 1.5; dr += 0.25) {
        const QColor c = pixelAt(image, polar(r + dr, degrees));
        if (c.blue() > 40 && c.blue() > c.red() + 20) {
            return true;
        }
    }
    return false;
}

// Share of the lit pixels of `reference` (within `area`) that show `colour` in `image`.
double overlap(const QImage &image, const QImage &reference, const QRect &area,
               const QColor &colour)
{
    int lit = 0;
    int matched = 0;
    const QRect bounded = area.intersected(image.rect());
    for (int y = bounded.top(); y <= bounded.bottom(); ++y) {
        for (int x = bounded.left(); x <= bounded.right(); ++x) {
            const QColor r = reference.pixelColor(x, y);
            if (!isNear(r, colour, 40)) {
                continue;
            }
            ++lit;
            if (isNear(image.pixelColor(x, y), colour, 40)) {
                ++matched;
            }
        }
    }
    return lit == 0 ? 0.0 : double(matched) / lit;
}

// A black image to draw expected shapes on; fonts resolve at the widget's DPI, as
// they do when the widget paints.
QImage blackLike(const QImage &image, const QWidget &widget)
{
    QImage reference(image.size(), QImage::Format_ARGB32_Premultiplied);
    reference.fill(Qt::black);
    reference.setDotsPerMeterX(qRound(widget.logicalDpiX() / 0.0254));
    reference.setDotsPerMeterY(qRound(widget.logicalDpiY() / 0.0254));
    return reference;
}

QTimer *animationTimer(GaugeArc &gauge)
{
    return gauge.findChild<QTimer *>();
}

void tick(GaugeArc &gauge)
{
    QVERIFY(QMetaObject::invokeMethod(&gauge, "updateValue", Qt::DirectConnection));
}

// Ticks until the timer stops; returns the number of ticks, the stopping one included.
int runAnimation(GaugeArc &gauge, int limit = 100000)
{
    QTimer *timer = animationTimer(gauge);
    int ticks = 0;
    while (timer->isActive() && ticks < limit) {
        tick(gauge);
        ++ticks;
    }
    return ticks;
}

} // namespace

class tst_GaugeArc : public QObject
{
    Q_OBJECT

private slots:
    void designerInterface();
    void dialGeometry_data();
    void dialGeometry();
    void arcsSpanTheScale_data();
    void arcsSpanTheScale();
    void pointer_data();
    void pointer();
    void scaleNumbers_data();
    void scaleNumbers();
    void valueText_data();
    void valueText();
    void animation_data();
    void animation();
    void animationByRealTimer();
    void rejectedValues_data();
    void rejectedValues();
    void acceptedValueRepaints();
    void rejectedRanges_data();
    void rejectedRanges();
    void rangeBringsTargetBack_data();
    void rangeBringsTargetBack();
    void updateCurrentValue_data();
    void updateCurrentValue();
    void unitSwitchSequence_data();
    void unitSwitchSequence();
    void stepThatCannotFinish_data();
    void stepThatCannotFinish();
    void scaleDivisions_data();
    void scaleDivisions();
    void badInput_data();
    void badInput();
    void arcAngles_data();
    void arcAngles();
    void scaleNumberOrigin_data();
    void scaleNumberOrigin();
    void staticLayer_data();
    void staticLayer();
    void tickRepaint_data();
    void tickRepaint();
    void shapeCopies_data();
    void shapeCopies();
};

void tst_GaugeArc::designerInterface()
{
    // What uic and Designer rely on: a parentless default constructor, every
    // property designable and writable by name, the enum known to the meta-object.
    GaugeArc gauge;
    const QMetaObject *mo = gauge.metaObject();

    const QStringList expected = {
        "value",         "minValue",     "maxValue",  "precision",     "scaleMajor",  "scaleMinor",
        "startAngle",    "endAngle",     "animation", "animationStep", "arcColor",    "scaleColor",
        "scaleNumColor", "pointerColor", "textColor", "strUnit",       "pointerStyle"};
    QStringList names;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        names << QString::fromLatin1(p.name());
        QVERIFY2(p.isDesignable() && p.isScriptable() && p.isStored() && p.isWritable(), p.name());
        QVERIFY2(!p.hasNotifySignal(), p.name());
    }
    QCOMPARE(names, expected);

    const QMetaEnum styles = QMetaEnum::fromType<GaugeArc::PointerStyle>();
    QVERIFY(!styles.isFlag());
    QCOMPARE(styles.keyCount(), 4);
    QCOMPARE(styles.keyToValue("PointerStyle_Circle"), 0);
    QCOMPARE(styles.keyToValue("PointerStyle_Indicator"), 1);
    QCOMPARE(styles.keyToValue("PointerStyle_IndicatorR"), 2);
    QCOMPARE(styles.keyToValue("PointerStyle_Triangle"), 3);

    // uic writes enum properties by name.
    QVERIFY(gauge.setProperty("pointerStyle", QStringLiteral("PointerStyle_Triangle")));
    QCOMPARE(gauge.getPointerStyle(), GaugeArc::PointerStyle_Triangle);
    QVERIFY(gauge.setProperty("value", 30.0));
    QCOMPARE(gauge.getCurrentValue(), 30.0);
    QVERIFY(gauge.setProperty("arcColor", QColor(1, 2, 3)));
    QCOMPARE(gauge.getArcColor(), QColor(1, 2, 3));

    const QStringList slotOrder = {"setRange(double,double)",  "setRange(int,int)",
                                   "setMinValue(double)",      "setMaxValue(double)",
                                   "setValue(double)",         "setValue(int)",
                                   "setPrecision(int)",        "setScaleMajor(int)",
                                   "setScaleMinor(int)",       "setStartAngle(int)",
                                   "setEndAngle(int)",         "setAnimation(bool)",
                                   "setAnimationStep(double)", "setArcColor(QColor)",
                                   "setScaleColor(QColor)",    "setScaleNumColor(QColor)",
                                   "setPointerColor(QColor)",  "setTextColor(QColor)",
                                   "setStrUnit(QString)",      "setExplainText(QString)",
                                   "updateCurrentValue(int)",  "setPointerStyle(PointerStyle)"};
    QStringList publicSlots;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.methodType() == QMetaMethod::Slot && m.access() == QMetaMethod::Public) {
            publicSlots << QString::fromLatin1(m.methodSignature());
        }
    }
    QCOMPARE(publicSlots, slotOrder);
    QVERIFY(mo->indexOfSignal("valueChanged(double)") >= 0);
    QVERIFY(mo->indexOfSlot("updateValue()") >= 0);

    QTimer *timer = animationTimer(gauge);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 10);
    QVERIFY(!timer->isActive());
}

void tst_GaugeArc::dialGeometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<double>("scale");

    QTest::newRow("400x300") << QSize(400, 300) << QPoint(200, 150) << 1.5;
    QTest::newRow("300x400") << QSize(300, 400) << QPoint(150, 200) << 1.5;
    QTest::newRow("200x200") << QSize(200, 200) << QPoint(100, 100) << 1.0;
    QTest::newRow("601x301 odd") << QSize(601, 301) << QPoint(300, 150) << 1.505;
}

void tst_GaugeArc::dialGeometry()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, centre);
    QFETCH(double, scale);

    GaugeArc gauge;
    gauge.resize(size);
    const QImage image = renderOnBlack(gauge);

    // The inner hub (opaque) sits on the centre; the outer hub ring shows half-blended.
    QVERIFY(isNear(image.pixelColor(centre), kPointer, 3));
    const QColor ring = image.pixelColor(centre + QPoint(qRound(10 * scale), 0));
    QVERIFY2(isNear(ring, QColor(127, 53, 53), 12), qPrintable(ring.name()));
    QVERIFY(isBlack(image.pixelColor(centre + QPoint(qRound(14 * scale), 0))));

    // The two arcs at radius 98 and 90 logical units, nothing just beyond them
    // (91.35 degrees lies between two ticks).
    auto at = [&](double r, double degrees) {
        const double a = qDegreesToRadians(degrees);
        return QPointF(centre) + QPointF(r * std::cos(a), -r * std::sin(a)) * scale;
    };
    auto arcNear = [&](double r, double degrees) {
        for (double dr = -1.5; dr <= 1.5; dr += 0.25) {
            if (isNear(image.pixelColor(at(r + dr, degrees).toPoint()), kArc, 24)) {
                return true;
            }
        }
        return false;
    };
    QVERIFY(arcNear(98, 91.35));
    QVERIFY(arcNear(90, 91.35));
    QVERIFY(arcNear(98, 0));
    QVERIFY(arcNear(98, 180));
    // Between ticks at the top and at the right; off the image counts as empty.
    for (const double a : {91.35, -0.45}) {
        for (const double r : {102.5, 94.0, 86.0}) {
            const QPoint p = at(r, a).toPoint();
            QVERIFY2(!image.rect().contains(p) || isBlack(image.pixelColor(p)),
                     qPrintable(QStringLiteral("r %1 at %2").arg(r).arg(a)));
        }
    }
}

void tst_GaugeArc::arcsSpanTheScale_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("at the minimum") << 0.0;
    QTest::newRow("split at 30") << 30.0;
    QTest::newRow("at the maximum") << 100.0;
}

void tst_GaugeArc::arcsSpanTheScale()
{
    QFETCH(double, value);

    GaugeArc gauge;
    gauge.resize(400, 300);
    gauge.setValue(value);
    const QImage image = renderOnBlack(gauge);

    // 270 degrees from the lower left (225) over the top (90) to the lower right
    // (-45), one unbroken line per radius whatever the split; nothing in the gap.
    for (const double r : {98.0, 90.0}) {
        for (double a = -43; a <= 223; a += 1.0) {
            QVERIFY2(arcAt(image, r, a), qPrintable(QStringLiteral("r %1 at %2").arg(r).arg(a)));
        }
        for (double a = 228; a <= 312; a += 1.0) {
            QVERIFY2(!anyArcColourNear(image, r, a),
                     qPrintable(QStringLiteral("r %1 at %2").arg(r).arg(a)));
        }
    }
}

void tst_GaugeArc::pointer_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<double>("value");
    QTest::addColumn<QPoint>("on");  // a pixel of the pointer, on a 400 × 300 dial
    QTest::addColumn<QPoint>("off"); // the same pixel of the pointer at the other end

    // The default scale runs 270 degrees from 45 degrees clockwise of straight down:
    // the minimum points to the lower left, the middle straight up, the maximum to
    // the lower right.
    QTest::newRow("needle at the minimum") << 1 << 0.0 << QPoint(147, 203) << QPoint(253, 203);
    QTest::newRow("needle at the middle") << 1 << 50.0 << QPoint(200, 75) << QPoint(147, 203);
    QTest::newRow("needle at the maximum") << 1 << 100.0 << QPoint(274, 224) << QPoint(126, 224);
    QTest::newRow("rounded needle at the middle")
        << 2 << 50.0 << QPoint(200, 60) << QPoint(136, 214);
    // 112.5 degrees clockwise of straight down: up and to the left.
    QTest::newRow("rounded needle at 25") << 2 << 25.0 << QPoint(145, 127) << QPoint(242, 192);
    QTest::newRow("circle at the middle") << 0 << 50.0 << QPoint(200, 89) << QPoint(157, 193);
    // 261 degrees: just above the right.
    QTest::newRow("circle at 80") << 0 << 80.0 << QPoint(262, 140) << QPoint(155, 195);
    QTest::newRow("triangle at the middle") << 3 << 50.0 << QPoint(200, 63) << QPoint(138, 212);
    QTest::newRow("triangle at the minimum") << 3 << 0.0 << QPoint(138, 212) << QPoint(262, 212);
    QTest::newRow("style 4 draws none") << 4 << 50.0 << QPoint() << QPoint();
    QTest::newRow("style -1 draws none") << -1 << 0.0 << QPoint() << QPoint();
}

void tst_GaugeArc::pointer()
{
    QFETCH(int, style);
    QFETCH(double, value);
    QFETCH(QPoint, on);
    QFETCH(QPoint, off);

    GaugeArc gauge;
    gauge.resize(400, 300);
    gauge.setPointerStyle(static_cast<GaugeArc::PointerStyle>(style));
    gauge.setValue(value);
    const QImage image = renderOnBlack(gauge);

    // Both hub discs, whatever the pointer: the inner one on the centre, the outer one
    // 10 units out.
    QVERIFY(isNear(image.pixelColor(kCentre400x300), kPointer, 3));
    QVERIFY(isReddish(image.pixelColor(208, 137)));

    if (!on.isNull()) {
        QVERIFY2(isReddish(image.pixelColor(on)), qPrintable(image.pixelColor(on).name()));
        QVERIFY2(!isReddish(image.pixelColor(off)), qPrintable(image.pixelColor(off).name()));
    } else {
        // Nothing red beyond the outer hub disc (radius 12 units, 18 pixels).
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint p(x, y);
                const QPoint fromCentre = p - kCentre400x300;
                if (QPoint::dotProduct(fromCentre, fromCentre) > 20 * 20) {
                    QVERIFY2(!isReddish(image.pixelColor(p)),
                             qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
                }
            }
        }
    }
}

void tst_GaugeArc::scaleNumbers_data()
{
    QTest::addColumn<int>("setPrecisionTo");
    QTest::addColumn<int>("shownDecimals");

    QTest::newRow("default") << 0 << 0;
    QTest::newRow("two decimals") << 2 << 2;
    QTest::newRow("three decimals") << 3 << 3;
    QTest::newRow("four is ignored") << 4 << 0;
}

void tst_GaugeArc::scaleNumbers()
{
    QFETCH(int, setPrecisionTo);
    QFETCH(int, shownDecimals);

    GaugeArc gauge;
    gauge.resize(400, 300);
    // No pointer: the needle at 0 would lie over the first number.
    gauge.setPointerStyle(static_cast<GaugeArc::PointerStyle>(4));
    const QImage before = renderOnBlack(gauge);
    gauge.setPrecision(setPrecisionTo);
    QCOMPARE(gauge.getPrecision(), shownDecimals);
    const QImage image = renderOnBlack(gauge);
    if (shownDecimals == 0) {
        QCOMPARE(image, before);
    }

    // Each number drawn on its own at its place on the scale (scaleNumberOrigin checks
    // the placement).
    const QFontMetrics metrics(gauge.font());
    const double startRad = 225.0 * 0.017453292519943295;
    const double deltaRad = 27.0 * 0.017453292519943295;
    const int otherDecimals = shownDecimals == 0 ? 2 : 0;
    for (int i = 0; i <= 11; ++i) {
        // The last round draws "100" with the wrong number of decimals: it must not match.
        const bool control = i == 11;
        const QString text =
            QString::number(qMin(i, 10) * 10.0, 'f', control ? otherDecimals : shownDecimals);
        const double angle = startRad - qMin(i, 10) * deltaRad;
        const int w = metrics.horizontalAdvance(text);
        const QPoint origin = gaugeScaleNumberOrigin(angle, w, metrics.height());

        QImage reference = blackLike(image, gauge);
        QPainter p(&reference);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.setTransform(kDial400x300);
        p.setFont(gauge.font());
        p.setPen(kNumbers);
        p.drawText(origin, text);
        p.end();

        const QRect area = kDial400x300
                               .mapRect(QRectF(origin.x() - 2, origin.y() - metrics.ascent() - 2,
                                               w + 4, metrics.height() + 4))
                               .toAlignedRect();
        const double share = overlap(image, reference, area, kNumbers);
        QVERIFY2(control ? share < 0.7 : share > 0.9,
                 qPrintable(QStringLiteral("%1: %2").arg(text).arg(share)));
    }
}

void tst_GaugeArc::valueText_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("expected");

    QTest::newRow("fresh") << 0 << 0.0 << QStringLiteral("℃") << QStringLiteral("Explain")
                           << QStringLiteral("0℃\nExplain");
    QTest::newRow("two decimals") << 2 << 0.0 << QStringLiteral("℃") << QStringLiteral("Explain")
                                  << QStringLiteral("0.00℃\nExplain");
    QTest::newRow("fahrenheit caption")
        << 0 << 64.6 << QStringLiteral("℉") << QStringLiteral("CPU Temp")
        << QStringLiteral("65℉\nCPU Temp");
}

void tst_GaugeArc::valueText()
{
    QFETCH(int, precision);
    QFETCH(double, value);
    QFETCH(QString, unit);
    QFETCH(QString, caption);
    QFETCH(QString, expected);

    GaugeArc gauge;
    gauge.resize(400, 300);
    gauge.setPrecision(precision);
    gauge.setValue(value);
    gauge.setStrUnit(unit);
    gauge.setExplainText(caption);
    const QImage image = renderOnBlack(gauge);

    const QRectF box(-100, 30, 200, 43);
    QImage reference = blackLike(image, gauge);
    QPainter p(&reference);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.setTransform(kDial400x300);
    p.setFont(QFont(QStringLiteral("Arial"), 14));
    p.setPen(kText);
    p.drawText(box, Qt::AlignCenter, expected);
    p.end();

    const QRect area = kDial400x300.mapRect(box).toAlignedRect();
    const double share = overlap(image, reference, area, kText);
    QVERIFY2(share > 0.95, qPrintable(QString::number(share)));
    // The reverse too: nothing green that the expected text does not explain.
    QVERIFY(overlap(reference, image, area, kText) > 0.95);
}

void tst_GaugeArc::animation_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("movingTicks");
    QTest::addColumn<double>("ends");

    QTest::newRow("0 to 10") << 0.0 << 10.0 << 0.5 << 20 << 10.0;
    QTest::newRow("0 to 0.7 overshoots") << 0.0 << 0.7 << 0.5 << 2 << 1.0;
    QTest::newRow("0 to 50.3 overshoots") << 0.0 << 50.3 << 0.5 << 101 << 50.5;
    QTest::newRow("10 down to 0") << 10.0 << 0.0 << 0.5 << 20 << 0.0;
    QTest::newRow("60 down to 59.2") << 60.0 << 59.2 << 0.5 << 2 << 59.0;
    QTest::newRow("whole-range step") << 0.0 << 100.0 << 100.0 << 1 << 100.0;
    QTest::newRow("step larger than the scale") << 0.0 << 1.0 << 1000.0 << 1 << 1000.0;
}

void tst_GaugeArc::animation()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, step);
    QFETCH(int, movingTicks);
    QFETCH(double, ends);

    GaugeArc gauge;
    gauge.setValue(from);
    gauge.setAnimation(true);
    gauge.setAnimationStep(step);
    QSignalSpy spy(&gauge, &GaugeArc::valueChanged);

    gauge.setValue(to);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toDouble(), to);
    QVERIFY(animationTimer(gauge)->isActive());
    QCOMPARE(gauge.getCurrentValue(), from);

    for (int i = 0; i < movingTicks; ++i) {
        QVERIFY(animationTimer(gauge)->isActive());
        tick(gauge);
    }
    QCOMPARE(gauge.getCurrentValue(), ends);
    QVERIFY2(animationTimer(gauge)->isActive(), "the stopping tick comes after the last step");
    tick(gauge);
    QVERIFY(!animationTimer(gauge)->isActive());
    QCOMPARE(gauge.getCurrentValue(), ends);
    QCOMPARE(gauge.getValue(), to);
    QCOMPARE(spy.count(), 1);
}

void tst_GaugeArc::animationByRealTimer()
{
    GaugeArc gauge;
    gauge.setAnimation(true);
    gauge.setValue(10);
    QTRY_COMPARE(gauge.getCurrentValue(), 10.0);
    QTRY_VERIFY(!animationTimer(gauge)->isActive());

    // Turning animation off mid-run leaves the run to finish by itself.
    gauge.setValue(60);
    tick(gauge);
    gauge.setAnimation(false);
    QVERIFY(animationTimer(gauge)->isActive());
    QTRY_VERIFY(!animationTimer(gauge)->isActive());
    QCOMPARE(gauge.getCurrentValue(), 60.0);
}

void tst_GaugeArc::rejectedValues_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("input");

    QTest::newRow("above the range") << 0.0 << 150.0;
    QTest::newRow("below the range") << 0.0 << -0.5;
    QTest::newRow("fresh gauge, 0 again") << 0.0 << 0.0;
    QTest::newRow("same target") << 42.0 << 42.0;
    QTest::newRow("NaN") << 42.0 << kNaN;
    QTest::newRow("+inf") << 42.0 << kInf;
    QTest::newRow("-inf") << 42.0 << -kInf;
    QTest::newRow("huge") << 42.0 << 1e308;
}

void tst_GaugeArc::rejectedValues()
{
    QFETCH(double, start);
    QFETCH(double, input);

    for (const bool animated : {false, true}) {
        GaugeArc gauge;
        gauge.resize(200, 200);
        gauge.setValue(start);
        gauge.setAnimation(animated);
        gauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gauge));
        PaintCounter paints(&gauge);
        paints.settle();
        QSignalSpy spy(&gauge, &GaugeArc::valueChanged);

        gauge.setValue(input);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(gauge.getValue(), start);
        QCOMPARE(gauge.getCurrentValue(), start);
        QVERIFY(!animationTimer(gauge)->isActive());
        QCOMPARE(paints.paintsSinceSettle(), 0);
    }
}

void tst_GaugeArc::acceptedValueRepaints()
{
    // The counterpart of the checks above: the same set-up does see a repaint.
    GaugeArc gauge;
    gauge.resize(200, 200);
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    PaintCounter paints(&gauge);
    paints.settle();
    gauge.setValue(42);
    QTRY_VERIFY(paints.count > 0);
}

void tst_GaugeArc::rejectedRanges_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");

    QTest::newRow("empty 5..5") << 5.0 << 5.0;
    QTest::newRow("reversed 10..0") << 10.0 << 0.0;
    QTest::newRow("NaN low") << kNaN << 10.0;
    QTest::newRow("NaN high") << 0.0 << kNaN;
    QTest::newRow("-inf low") << -kInf << 10.0;
    QTest::newRow("+inf high") << 0.0 << kInf;
    QTest::newRow("span overflows") << -1e308 << 1e308;
}

void tst_GaugeArc::rejectedRanges()
{
    QFETCH(double, lo);
    QFETCH(double, hi);

    GaugeArc gauge;
    gauge.resize(200, 200);
    gauge.setValue(42);
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    PaintCounter paints(&gauge);
    paints.settle();
    QSignalSpy spy(&gauge, &GaugeArc::valueChanged);

    gauge.setRange(lo, hi);
    if (lo == std::trunc(lo) && hi == std::trunc(hi) && qAbs(lo) < 1e6 && qAbs(hi) < 1e6) {
        gauge.setRange(int(lo), int(hi));
    }
    QCOMPARE(gauge.getMinValue(), 0.0);
    QCOMPARE(gauge.getMaxValue(), 100.0);
    QCOMPARE(gauge.getValue(), 42.0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(paints.paintsSinceSettle(), 0);
}

void tst_GaugeArc::rangeBringsTargetBack_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("animated");
    QTest::addColumn<GaugeAction>("change");
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("emitted");

    const GaugeAction to0_50 = [](GaugeArc &g) { g.setRange(0.0, 50.0); };
    const GaugeAction to30_60 = [](GaugeArc &g) { g.setRange(30, 60); };
    QTest::newRow("above the new top") << 80.0 << false << to0_50 << 50.0 << true;
    QTest::newRow("below the new bottom") << 20.0 << false << to30_60 << 30.0 << true;
    QTest::newRow("inside stays") << 40.0 << false << to0_50 << 40.0 << false;
    QTest::newRow("animated, above the new top") << 80.0 << true << to0_50 << 50.0 << true;
    QTest::newRow("animated, below the new bottom") << 20.0 << true << to30_60 << 30.0 << true;
    QTest::newRow("setMinValue") << 40.0 << false
                                 << GaugeAction([](GaugeArc &g) { g.setMinValue(60); }) << 60.0
                                 << true;
    QTest::newRow("setMaxValue") << 40.0 << false
                                 << GaugeAction([](GaugeArc &g) { g.setMaxValue(30); }) << 30.0
                                 << true;
}

void tst_GaugeArc::rangeBringsTargetBack()
{
    QFETCH(double, start);
    QFETCH(bool, animated);
    QFETCH(GaugeAction, change);
    QFETCH(double, target);
    QFETCH(bool, emitted);

    GaugeArc gauge;
    gauge.setValue(start);
    gauge.setAnimation(animated);
    QSignalSpy spy(&gauge, &GaugeArc::valueChanged);

    change(gauge);
    QCOMPARE(gauge.getValue(), target);
    QCOMPARE(spy.count(), emitted ? 1 : 0);
    if (emitted) {
        QCOMPARE(spy.at(0).at(0).toDouble(), target);
    }
    if (animated) {
        QCOMPARE(gauge.getCurrentValue(), start);
        runAnimation(gauge);
    }
    QCOMPARE(gauge.getCurrentValue(), target);
    QVERIFY(!animationTimer(gauge)->isActive());
}

void tst_GaugeArc::updateCurrentValue_data()
{
    QTest::addColumn<double>("current");
    QTest::addColumn<int>("typeNum");
    QTest::addColumn<double>("expected");

    QTest::newRow("100 C to F") << 100.0 << 2 << 212.0;
    QTest::newRow("212 F to C") << 212.0 << 1 << 100.0;
    QTest::newRow("0 C to F") << 0.0 << 2 << 32.0;
    QTest::newRow("32 F to C") << 32.0 << 1 << 0.0;
    QTest::newRow("0 does nothing") << 100.0 << 0 << 100.0;
    QTest::newRow("3 does nothing") << 100.0 << 3 << 100.0;
    QTest::newRow("-1 does nothing") << 100.0 << -1 << 100.0;
}

void tst_GaugeArc::updateCurrentValue()
{
    QFETCH(double, current);
    QFETCH(int, typeNum);
    QFETCH(double, expected);

    GaugeArc gauge;
    gauge.setRange(0, 300);
    gauge.setValue(current);
    gauge.updateCurrentValue(typeNum);
    QCOMPARE(gauge.getCurrentValue(), expected);
    QCOMPARE(gauge.getValue(), current);
    gauge.updateCurrentValue(typeNum == 2 ? 1 : typeNum == 1 ? 2 : typeNum);
    QCOMPARE(gauge.getCurrentValue(), current);
}

void tst_GaugeArc::unitSwitchSequence_data()
{
    QTest::addColumn<int>("celsius"); // the temperature shown before the switches

    QTest::newRow("fresh, 0") << 0;
    QTest::newRow("45") << 45;
    QTest::newRow("100") << 100;
}

void tst_GaugeArc::unitSwitchSequence()
{
    // The window's unit switch: unit, range, converted target, then the drawn value
    // converted at once, with animation on as the theme sets it.
    QFETCH(int, celsius);

    GaugeArc gauge;
    gauge.setAnimation(true);
    gauge.setAnimationStep(0.5);
    gauge.setValue(celsius);
    runAnimation(gauge);

    const int fahrenheit = int(celsius * 1.8 + 32);
    gauge.setStrUnit(QStringLiteral("℉"));
    gauge.setRange(32, 212);
    gauge.setValue(fahrenheit);
    gauge.updateCurrentValue(2);
    runAnimation(gauge);
    QCOMPARE(gauge.getValue(), double(fahrenheit));
    QCOMPARE(gauge.getCurrentValue(), double(fahrenheit));

    gauge.setStrUnit(QStringLiteral("℃"));
    gauge.setRange(0, 100);
    gauge.setValue(int((fahrenheit - 32) / 1.8));
    gauge.updateCurrentValue(1);
    runAnimation(gauge);
    QCOMPARE(gauge.getValue(), double(celsius));
    QVERIFY(qAbs(gauge.getCurrentValue() - celsius) < 1e-9);
}

void tst_GaugeArc::stepThatCannotFinish_data()
{
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");

    QTest::newRow("zero step up") << 0.0 << 100.0 << 0.0 << 10.0;
    QTest::newRow("zero step down") << 0.0 << 100.0 << 10.0 << 0.0;
    QTest::newRow("negative step up") << -0.5 << 100.0 << 0.0 << 10.0;
    QTest::newRow("negative step down") << -0.5 << 100.0 << 10.0 << 0.0;
    QTest::newRow("NaN step") << kNaN << 100.0 << 0.0 << 10.0;
    QTest::newRow("infinite step") << kInf << 100.0 << 0.0 << 10.0;
    QTest::newRow("step lost in a large value") << 0.5 << 1e18 << 1e17 << 2e17;
}

void tst_GaugeArc::stepThatCannotFinish()
{
    QFETCH(double, step);
    QFETCH(double, top);
    QFETCH(double, from);
    QFETCH(double, to);

    GaugeArc gauge;
    gauge.setRange(0.0, top);
    gauge.setValue(from);
    gauge.setAnimation(true);
    gauge.setAnimationStep(step);
    gauge.setValue(to);
    QVERIFY(animationTimer(gauge)->isActive());

    const int ticks = runAnimation(gauge, 1000);
    QVERIFY2(ticks <= 2, qPrintable(QString::number(ticks)));
    QVERIFY(!animationTimer(gauge)->isActive());
    QCOMPARE(gauge.getCurrentValue(), to);
}

void tst_GaugeArc::scaleDivisions_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<bool>("ticks");
    QTest::addColumn<bool>("numbers");

    QTest::newRow("default") << 10 << 10 << true << true;
    QTest::newRow("theme 10 x 5") << 10 << 5 << true << true;
    QTest::newRow("minor 0") << 10 << 0 << false << true;
    QTest::newRow("minor -5") << 10 << -5 << false << true;
    QTest::newRow("major 0") << 0 << 10 << false << false;
    QTest::newRow("major -1") << -1 << 10 << false << false;
    QTest::newRow("both INT_MIN") << INT_MIN << INT_MIN << false << false;
    QTest::newRow("product overflows int") << 70000 << 70000 << false << false;
    QTest::newRow("major INT_MAX") << INT_MAX << 1 << false << false;
    QTest::newRow("minor INT_MAX") << 2 << INT_MAX << false << true;
    QTest::newRow("finest drawn") << 360 << 10 << true << true;
}

void tst_GaugeArc::scaleDivisions()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(bool, ticks);
    QFETCH(bool, numbers);

    GaugeArc gauge;
    gauge.resize(400, 300);
    gauge.setScaleMajor(major);
    gauge.setScaleMinor(minor);
    const QImage image = renderOnBlack(gauge);

    // The first major tick runs from radius 85 to 97 at the start of the scale.
    const QColor tick = pixelAt(image, polar(88, 225));
    QCOMPARE(!isBlack(tick), ticks);

    bool numberPixels = false;
    for (int y = 0; y < image.height() && !numberPixels; ++y) {
        for (int x = 0; x < image.width() && !numberPixels; ++x) {
            numberPixels = isNear(image.pixelColor(x, y), kNumbers, 30);
        }
    }
    QCOMPARE(numberPixels, numbers);

    // The rest of the dial is unaffected.
    QVERIFY(arcAt(image, 98, 90));
    QVERIFY(isNear(image.pixelColor(kCentre400x300), kPointer, 3));
}

void tst_GaugeArc::badInput_data()
{
    QTest::addColumn<GaugeAction>("action");

    QTest::newRow("NaN value and step") << GaugeAction([](GaugeArc &g) {
        g.setValue(kNaN);
        g.setAnimation(true);
        g.setAnimationStep(kNaN);
        g.setValue(50);
    });
    QTest::newRow("drawn value +inf") << GaugeAction([](GaugeArc &g) {
        g.setRange(0.0, 1e308);
        g.setValue(1e308);
        g.updateCurrentValue(2);
    });
    QTest::newRow("drawn value -inf") << GaugeAction([](GaugeArc &g) {
        g.setRange(-1e308, 0.0);
        g.setValue(-1e308);
        g.updateCurrentValue(2);
        g.updateCurrentValue(2);
    });
    QTest::newRow("huge step over a huge range") << GaugeAction([](GaugeArc &g) {
        g.setRange(0.0, 1e308);
        g.setAnimation(true);
        g.setAnimationStep(1.7e308);
        g.setValue(1e308);
    });
    QTest::newRow("tiny range") << GaugeAction([](GaugeArc &g) {
        g.setRange(0.0, 5e-324);
        g.setValue(5e-324);
    });
    QTest::newRow("drawn value beyond a tiny range") << GaugeAction([](GaugeArc &g) {
        g.setValue(100);
        g.setRange(0.0, 5e-324);
        g.updateCurrentValue(2);
    });
    QTest::newRow("precision INT_MIN") << GaugeAction([](GaugeArc &g) {
        g.setPrecision(INT_MIN);
        g.setValue(33.3);
    });
    QTest::newRow("precision -1") << GaugeAction([](GaugeArc &g) { g.setPrecision(-1); });
    QTest::newRow("precision 3 with huge numbers") << GaugeAction([](GaugeArc &g) {
        g.setPrecision(3);
        g.setRange(-1e307, 1e307);
        g.setValue(9e306);
    });
    QTest::newRow("angles INT_MAX") << GaugeAction([](GaugeArc &g) {
        g.setStartAngle(INT_MAX);
        g.setEndAngle(INT_MAX);
        g.setValue(70);
    });
    QTest::newRow("angles INT_MIN") << GaugeAction([](GaugeArc &g) {
        g.setStartAngle(INT_MIN);
        g.setEndAngle(INT_MIN);
        g.setValue(70);
    });
    QTest::newRow("angles cover more than a turn") << GaugeAction([](GaugeArc &g) {
        g.setStartAngle(300);
        g.setEndAngle(300);
        g.setValue(20);
    });
    QTest::newRow("invalid colours") << GaugeAction([](GaugeArc &g) {
        g.setArcColor(QColor());
        g.setScaleColor(QColor());
        g.setScaleNumColor(QColor());
        g.setPointerColor(QColor());
        g.setTextColor(QColor());
    });
    QTest::newRow("10,000-character texts") << GaugeAction([](GaugeArc &g) {
        g.setStrUnit(QString(10000, QLatin1Char('U')));
        g.setExplainText(QString(10000, QChar(0x2603)));
    });
    QTest::newRow("empty texts") << GaugeAction([](GaugeArc &g) {
        g.setStrUnit(QString());
        g.setExplainText(QString());
    });
    QTest::newRow("pointer style INT_MIN") << GaugeAction(
        [](GaugeArc &g) { g.setPointerStyle(static_cast<GaugeArc::PointerStyle>(INT_MIN)); });
    QTest::newRow("int overloads at the limits") << GaugeAction([](GaugeArc &g) {
        g.setRange(INT_MIN, INT_MAX);
        g.setValue(INT_MAX);
        g.setValue(INT_MIN);
    });
}

void tst_GaugeArc::badInput()
{
    QFETCH(GaugeAction, action);

    for (const int style : {0, 1, 2, 3}) {
        GaugeArc gauge;
        gauge.setPointerStyle(static_cast<GaugeArc::PointerStyle>(style));
        action(gauge);
        for (int i = 0; i < 3; ++i) {
            tick(gauge);
        }
        for (const QSize size :
             {QSize(300, 300), QSize(1, 1), QSize(0, 0), QSize(400, 3), QSize(-5, -5)}) {
            gauge.resize(size);
            QImage image(qMax(size.width(), 1), qMax(size.height(), 1),
                         QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::black);
            gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        QVERIFY(!gauge.grab().isNull() || gauge.size().isEmpty());
    }
}

void tst_GaugeArc::arcAngles_data()
{
    QTest::addColumn<int>("startAngle");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QList<int>>("expected"); // current start, span, rest start, span

    QTest::newRow("fresh") << 45 << 270.0 << 0.0 << QList<int>{3600, 0, -720, 4320};
    QTest::newRow("half") << 45 << 270.0 << 0.5 << QList<int>{1440, 2160, -720, 2160};
    QTest::newRow("full") << 45 << 270.0 << 1.0 << QList<int>{-720, 4320, -720, 0};
    QTest::newRow("below the scale") << 45 << 270.0 << -0.1 << QList<int>{4032, -432, -720, 4752};
    QTest::newRow("theme angles") << 50 << 260.0 << 0.125 << QList<int>{3000, 520, -640, 3640};
    QTest::newRow("halves truncated toward zero")
        << 300 << 8.0 << 0.68359375 << QList<int>{-567, 87, -608, 40};
}

void tst_GaugeArc::arcAngles()
{
    QFETCH(int, startAngle);
    QFETCH(double, span);
    QFETCH(double, fraction);
    QFETCH(QList<int>, expected);

    const GaugeArcAngles a = gaugeArcAngles(startAngle, span, fraction);
    QCOMPARE((QList<int>{a.currentStart, a.currentSpan, a.restStart, a.restSpan}), expected);
}

void tst_GaugeArc::scaleNumberOrigin_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QPoint>("expected");

    // 75 × sin 45° = 53.03
    QTest::newRow("first number, even width") << 225.0 << 10 << 12 << QPoint(-58, 56);
    QTest::newRow("first number, odd width") << 225.0 << 7 << 12 << QPoint(-56, 56);
    QTest::newRow("last number mirrors it") << -45.0 << 10 << 12 << QPoint(48, 56);
    QTest::newRow("top, just short of -7.5") << 90.0 << 15 << 13 << QPoint(-7, -71);
}

void tst_GaugeArc::scaleNumberOrigin()
{
    QFETCH(double, degrees);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QPoint, expected);
    QCOMPARE(gaugeScaleNumberOrigin(degrees * 0.017453292519943295, width, height), expected);
}

void tst_GaugeArc::staticLayer_data()
{
    QTest::addColumn<GaugeAction>("change");
    QTest::addColumn<bool>("redrawn"); // whether the unmoving layers are drawn again
    QTest::addColumn<int>("sprites");  // pointer and hub images drawn again
    QTest::addColumn<int>("texts");    // value texts painted afresh and kept

    auto row = [](const char *name, GaugeAction change, bool redrawn, int sprites, int texts) {
        QTest::newRow(name) << change << redrawn << sprites << texts;
    };
    row(
        "setValue", [](GaugeArc &g) { g.setValue(70); }, false, 1, 1);
    row(
        "animation ticks",
        [](GaugeArc &g) {
            g.setAnimation(true);
            g.setValue(60);
            for (int i = 0; i < 5; ++i) {
                tick(g);
            }
        },
        false, 1, 1);
    row(
        "unit switch",
        [](GaugeArc &g) {
            g.setValue(86);
            g.updateCurrentValue(2);
        },
        false, 1, 1);
    row(
        "setPointerColor", [](GaugeArc &g) { g.setPointerColor(Qt::yellow); }, false, 3, 0);
    row(
        "setTextColor", [](GaugeArc &g) { g.setTextColor(Qt::white); }, false, 0, 1);
    row(
        "setStrUnit", [](GaugeArc &g) { g.setStrUnit(QStringLiteral("%")); }, false, 0, 1);
    row(
        "setExplainText", [](GaugeArc &g) { g.setExplainText(QStringLiteral("GPU")); }, false, 0,
        1);
    row(
        "setPointerStyle", [](GaugeArc &g) { g.setPointerStyle(GaugeArc::PointerStyle_Circle); },
        false, 2, 0);
    row(
        "rejected precision", [](GaugeArc &g) { g.setPrecision(4); }, false, 0, 0);
    row(
        "rejected range", [](GaugeArc &g) { g.setRange(5, 5); }, false, 0, 0);
    row(
        "setRange", [](GaugeArc &g) { g.setRange(20, 80); }, true, 1, 1);
    row(
        "setMinValue", [](GaugeArc &g) { g.setMinValue(10.0); }, true, 1, 1);
    row(
        "setMaxValue", [](GaugeArc &g) { g.setMaxValue(212.0); }, true, 1, 1);
    row(
        "setPrecision", [](GaugeArc &g) { g.setPrecision(1); }, true, 0, 1);
    row(
        "setScaleMajor", [](GaugeArc &g) { g.setScaleMajor(5); }, true, 0, 1);
    row(
        "setScaleMinor", [](GaugeArc &g) { g.setScaleMinor(4); }, true, 0, 1);
    row(
        "setStartAngle", [](GaugeArc &g) { g.setStartAngle(60); }, true, 3, 1);
    row(
        "setEndAngle", [](GaugeArc &g) { g.setEndAngle(30); }, true, 1, 1);
    row(
        "setArcColor", [](GaugeArc &g) { g.setArcColor(Qt::red); }, true, 0, 1);
    row(
        "setScaleColor", [](GaugeArc &g) { g.setScaleColor(Qt::magenta); }, true, 0, 1);
    row(
        "setScaleNumColor", [](GaugeArc &g) { g.setScaleNumColor(Qt::cyan); }, true, 0, 1);
    row(
        "font", [](GaugeArc &g) { g.setFont(QFont(QStringLiteral("Arial"), 9)); }, true, 0, 1);
    row(
        "resize", [](GaugeArc &g) { g.resize(280, 240); }, true, 3, 1);
    row(
        "moved in its parent", [](GaugeArc &g) { g.move(40, 20); }, true, 0, 1);
    row(
        "parent's background",
        [](GaugeArc &g) {
            g.parentWidget()->setStyleSheet(
                QStringLiteral("QFrame { background: rgb(90, 40, 40); }"));
        },
        true, 0, 1);
}

void tst_GaugeArc::staticLayer()
{
    // The window's case: a dial on a parent whose background it holds in its image.
    QFETCH(GaugeAction, change);
    QFETCH(bool, redrawn);
    QFETCH(int, sprites);
    QFETCH(int, texts);

    auto setUp = [](QFrame &parent, GaugeArc &gauge) {
        parent.resize(420, 340);
        parent.setStyleSheet(kParentSheet);
        gauge.setGeometry(10, 10, 300, 300);
        gauge.setValue(30);
    };
    const GaugeArcDrawCounts start = gaugeArcDrawCounts();
    QFrame parent;
    GaugeArc *gauge = new GaugeArc(&parent);
    setUp(parent, *gauge);
    renderOnBlack(*gauge);
    const GaugeArcDrawCounts first = gaugeArcDrawCounts();
    QVERIFY(first.staticLayers - start.staticLayers >= 1);
    QCOMPARE(first.sprites - start.sprites, 3);
    QCOMPARE(first.textCopies - start.textCopies, 1);

    change(*gauge);
    const QImage image = renderOnBlack(*gauge);
    const GaugeArcDrawCounts then = gaugeArcDrawCounts();
    QCOMPARE(then.staticLayers - first.staticLayers, redrawn ? 1 : 0);
    QCOMPARE(then.sprites - first.sprites, sprites);
    QCOMPARE(then.textCopies - first.textCopies, texts);

    // Whatever the image kept, the picture is that of a dial set up so from the start.
    QFrame freshParent;
    GaugeArc *fresh = new GaugeArc(&freshParent);
    setUp(freshParent, *fresh);
    change(*fresh);
    QVERIFY(renderOnBlack(*fresh) == image);
}

void tst_GaugeArc::shapeCopies_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("needle"); // the needle, or a hub disc
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<QPoint>("offset"); // where the dial's widget sits on the device

    QTest::newRow("needle straight down") << 300 << true << 0.0 << 0.8 << QPoint();
    QTest::newRow("needle at an odd angle") << 300 << true << 123.45 << 0.8 << QPoint();
    QTest::newRow("needle in a window") << 300 << true << 37.3 << 0.8 << QPoint(37, 23);
    QTest::newRow("needle on a small dial") << 151 << true << 271.9 << 0.8 << QPoint(5, 9);
    QTest::newRow("opaque needle") << 260 << true << 200.5 << 1.0 << QPoint(1, 0);
    QTest::newRow("half-opaque hub") << 300 << false << 0.0 << 0.5 << QPoint(37, 23);
    QTest::newRow("hub on a small dial") << 151 << false << 0.0 << 1.0 << QPoint();
}

void tst_GaugeArc::shapeCopies()
{
    // The dial copies its needle and hubs from images drawn once: each copy must have
    // the pixels that drawing the shape there has, over whatever lies beneath.
    QFETCH(int, side);
    QFETCH(bool, needle);
    QFETCH(double, degrees);
    QFETCH(double, opacity);
    QFETCH(QPoint, offset);

    QImage beneath(side + 60, side + 40, QImage::Format_RGB32);
    {
        QPainter p(&beneath);
        QLinearGradient g(0, 0, beneath.width(), beneath.height());
        g.setColorAt(0, QColor(10, 20, 30));
        g.setColorAt(1, QColor(220, 90, 60));
        p.fillRect(beneath.rect(), g);
    }
    const QTransform where = gaugeDialTransform(QSize(side, side));
    const QRectF shape = needle ? QRectF(-5, 0, 10, 75) : QRectF(-12, -12, 24, 24);
    const auto draw = [&](QPainter *p) {
        p->save();
        p->setOpacity(opacity);
        p->setPen(Qt::NoPen);
        p->setBrush(kPointer);
        p->rotate(degrees);
        if (needle) {
            p->drawConvexPolygon(QPolygon({QPoint(-5, 0), QPoint(5, 0), QPoint(0, 75)}));
        } else {
            p->drawEllipse(shape);
        }
        p->restore();
    };
    const QPainter::RenderHints hints = QPainter::Antialiasing | QPainter::TextAntialiasing;

    QImage drawn = beneath;
    {
        QPainter p(&drawn);
        p.setRenderHints(hints);
        p.translate(offset);
        p.setWorldTransform(where, true);
        draw(&p);
    }
    QTransform turn;
    turn.rotate(degrees);
    const ShapeSprite sprite(where, turn.mapRect(shape), hints, draw);
    QImage copied = beneath;
    {
        QPainter p(&copied);
        p.translate(offset);
        sprite.paint(&p);
    }
    QVERIFY(drawn != beneath);
    QVERIFY(copied == drawn);
}

void tst_GaugeArc::tickRepaint_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("step");

    QTest::newRow("indicator, over the top")
        << int(GaugeArc::PointerStyle_Indicator) << 47.0 << 53.0 << 0.5;
    QTest::newRow("indicator R, down, the text narrows")
        << int(GaugeArc::PointerStyle_IndicatorR) << 11.0 << 8.0 << 0.5;
    QTest::newRow("circle, from the start")
        << int(GaugeArc::PointerStyle_Circle) << 0.0 << 3.0 << 0.5;
    QTest::newRow("triangle, to the end")
        << int(GaugeArc::PointerStyle_Triangle) << 97.0 << 100.0 << 0.5;
    // Steps that carry the pointer clear of where it was.
    QTest::newRow("indicator, large steps")
        << int(GaugeArc::PointerStyle_Indicator) << 20.0 << 80.0 << 15.0;
}

void tst_GaugeArc::tickRepaint()
{
    // A tick repaints part of the dial; what the window then shows must be what a
    // whole repaint shows, so the part holds everything that moved.
    QFETCH(int, style);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, step);

    QFrame parent;
    parent.resize(320, 320);
    parent.setStyleSheet(kParentSheet);
    GaugeArc *gauge = new GaugeArc(&parent);
    gauge->setGeometry(10, 10, 300, 300);
    gauge->setPointerStyle(GaugeArc::PointerStyle(style));
    gauge->setExplainText(QStringLiteral("CPU"));
    gauge->setValue(from);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    gauge->setAnimation(true);
    gauge->setAnimationStep(step);
    // Only the test's ticks: one of the timer's between a paint and the comparison
    // would move the dial under it.
    animationTimer(*gauge)->setInterval(3600 * 1000);
    gauge->setValue(to);

    const auto shown = [&parent] {
        return parent.screen()
            ->grabWindow(parent.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    int ticks = 0;
    while (animationTimer(*gauge)->isActive() && ticks < 100) {
        tick(*gauge);
        ++ticks;
        QCoreApplication::processEvents();
        const QImage whole = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(shown() == whole, qPrintable(QStringLiteral("tick %1").arg(ticks)));
    }
    QVERIFY(ticks > 1);
}

QTEST_MAIN(tst_GaugeArc)
#include "tst_gaugearc.moc"
