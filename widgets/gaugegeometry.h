#ifndef GAUGEGEOMETRY_H
#define GAUGEGEOMETRY_H

#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include "numeric/truncate.h"

// Pure helpers behind GaugeArc's painting. Every float→int step of the dial goes
// through truncateToInt(), so no input, however wild, reaches an undefined
// conversion.

// A finite stand-in for a drawing quantity: NaN gives 0, infinities saturate at
// ±limit, finite values pass unchanged when within it.
double boundedForDrawing(double x, double limit);

// Degrees covered by the whole scale: from startAngle past straight down, clockwise
// round to endAngle short of it. In double so that extreme angles cannot overflow.
double gaugeSpan(int startAngle, int endAngle);

// The two drawArc calls of one scale radius, in sixteenths of a degree.
struct GaugeArcAngles
{
    int currentStart = 0;
    int currentSpan = 0;
    int restStart = 0;
    int restSpan = 0;
};

// span: degrees covered by the whole scale; fraction: share of it reached by the
// drawn value (may lie outside 0..1 when the value is off the scale).
GaugeArcAngles gaugeArcAngles(int startAngle, double span, double fraction);

// Baseline origin of one scale number: angleRadians counter-clockwise from the
// positive x axis, on a circle of radius 75 in the dial's logical space.
QPoint gaugeScaleNumberOrigin(double angleRadians, int textWidth, int fontHeight);

// The dial's logical 200 × 200 space, centred on a widget of this size.
QTransform gaugeDialTransform(const QSize &size);

// The box the value text is centred in, in the dial's logical space.
QRectF gaugeValueTextBox();

#endif // GAUGEGEOMETRY_H
