#include "gaugegeometry.h"

#include <cmath>

double boundedForDrawing(double x, double limit)
{
    if (std::isnan(x)) {
        return 0.0;
    }
    if (x > limit) {
        return limit;
    }
    if (x < -limit) {
        return -limit;
    }
    return x;
}

double gaugeSpan(int startAngle, int endAngle)
{
    return 360.0 - startAngle - static_cast<double>(endAngle);
}

GaugeArcAngles gaugeArcAngles(int startAngle, double span, double fraction)
{
    const double arcCurrent = fraction * span;
    const double arcRest = span - arcCurrent;
    // In double so that extreme start angles cannot overflow an int subtraction.
    const double base = 270.0 - static_cast<double>(startAngle);

    GaugeArcAngles angles;
    angles.currentStart = truncateToInt((base - arcCurrent) * 16.0);
    angles.currentSpan = truncateToInt(arcCurrent * 16.0);
    angles.restStart = truncateToInt((base - arcCurrent - arcRest) * 16.0);
    angles.restSpan = truncateToInt(arcRest * 16.0);
    return angles;
}

QPoint gaugeScaleNumberOrigin(double angleRadians, int textWidth, int fontHeight)
{
    const double x = 75.0 * std::cos(angleRadians) - textWidth / 2.0;
    const double y = -75.0 * std::sin(angleRadians) + fontHeight / 4.0;
    return QPoint(truncateToInt(x), truncateToInt(y));
}

QTransform gaugeDialTransform(const QSize &size)
{
    const int side = qMin(size.width(), size.height());
    // Whole pixels: on an odd side the centre sits half a pixel up and to the left.
    const int centreX = size.width() / 2;
    const int centreY = size.height() / 2;
    QTransform dial;
    dial.translate(centreX, centreY);
    dial.scale(side / 200.0, side / 200.0);
    return dial;
}

QRectF gaugeValueTextBox()
{
    // From the half-size 100, with integer division: top 100 / 2 - 20, height 100 / 3 + 10.
    const int radius = 100;
    const int top = radius / 2 - 20;
    const int height = radius / 3 + 10;
    return QRectF(-radius, top, radius * 2, height);
}
