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
