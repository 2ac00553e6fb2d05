#include "gaugearc.h"

#include "gaugearcdrawcounts.h"
#include "gaugegeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMoveEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QTimer>
#include <QTransform>

#include <QVector>

#include <cmath>
#include <cstring>

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

// More divisions than this cannot be told apart on a dial a few hundred pixels
// wide; beyond them a layer is left out rather than looping for billions of steps.
constexpr qint64 kMaxTicks = 3600;
constexpr int kMaxScaleNumbers = 360;

// Keeps a pointer rotation finite for QPainter::rotate; far beyond any sensible
// dial, so on-scale drawing is unaffected.
constexpr double kMaxRotationDegrees = 1.0e9;

// The needle's images, one per angle it has stopped at: a dial going back and forth
// over a few degrees of temperature reuses a few dozen, about 15 kB each at 280 pixels.
constexpr qint64 kMaxPointerSpriteBytes = 512 * 1024;

// Every pointer style, pen and caps included, lies in this box as it turns.
const QRectF kPointerBox(-9, -3, 18, 82);
const QRectF kOuterHub(-12, -12, 24, 24);
const QRectF kInnerHub(-8, -8, 16, 16);

// A dial shows a few dozen texts as its value moves back and forth; beyond that the
// bounds are measured afresh rather than kept without end.
constexpr int kMaxValueTextBoxes = 64;

// The value text's pixels for the texts a dial shows; about 30 kB each at 280 pixels.
constexpr qint64 kMaxTextCopyBytes = 512 * 1024;

// Antialiased edges reach a pixel beyond the shapes, and rounding one more.
QRect onScreen(const QTransform &where, const QRectF &box)
{
    return where.mapRect(box).toAlignedRect().adjusted(-2, -2, 2, 2);
}

QFont valueFont()
{
    return QFont(QStringLiteral("Arial"), 14);
}

QRectF pointerBounds(double degrees, const QRectF &box)
{
    QTransform pointer;
    pointer.rotate(degrees);
    return pointer.mapRect(box);
}

// A double's bits, which tell apart what == does not (-0.0 and 0.0) and match a NaN.
quint64 bitsOf(double value)
{
    quint64 bits = 0;
    static_assert(sizeof bits == sizeof value, "a double's bits fill the key");
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

QString formatNumber(double number, int precision)
{
    return QStringLiteral("%1").arg(number, 0, 'f', precision, QLatin1Char(' '));
}

// Formats whose pixels compare as 32-bit values.
bool is32Bit(const QImage &image)
{
    const QImage::Format f = image.format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

// Where the painted image differs from the one beneath it, within the area.
QRect inkRect(const QImage &painted, const QImage &beneath, const QRect &area, const QPoint &shift)
{
    int left = area.right() + 1, right = area.left() - 1, top = area.bottom() + 1,
        bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(painted.constScanLine(y + shift.y()));
        const QRgb *b = reinterpret_cast<const QRgb *>(beneath.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((p[x + shift.x()] | 0xff000000u) != (b[x] | 0xff000000u)) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

GaugeArcDrawCounts &gaugeArcDrawCounts()
{
    static GaugeArcDrawCounts counts;
    return counts;
}

GaugeArc::GaugeArc(QWidget *parent)
    : QWidget(parent), value(0.0), maxValue(100.0), minValue(0.0), precision(0), scaleMajor(10),
      scaleMinor(10), startAngle(45), endAngle(45), animation(false), animationStep(0.5),
      arcColor(21, 134, 200), scaleColor(25, 141, 205), scaleNumColor(100, 176, 221),
      pointerColor(255, 107, 107), textColor(76, 255, 50), strUnit(QStringLiteral("℃")),
      strExplainText(QStringLiteral("Explain")), pointerStyle(PointerStyle_Indicator),
      reverse(false), currentValue(0.0), timer(new QTimer(this)), staticLayerStale(true),
      staticLayerDrawCount(0)
{
    setAttribute(Qt::WA_OpaquePaintEvent, parent != nullptr);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, &GaugeArc::updateValue);
    setFont(QFont(QStringLiteral("Arial"), 7));
}

GaugeArc::~GaugeArc()
{
    if (timer->isActive()) {
        timer->stop();
    }
}

void GaugeArc::setRange(double minValue, double maxValue)
{
    // Written so that NaN fails too; an unbounded or overflowing span could not be
    // drawn, so it is refused like an empty one.
    if (!(minValue < maxValue) || !std::isfinite(maxValue - minValue)) {
        return;
    }
    this->minValue = minValue;
    this->maxValue = maxValue;
    restyle();

    // A target left outside the new scale moves to its nearest end, exactly as if
    // setValue had been given that end, so the pointer never rests off the dial.
    if (value < minValue) {
        applyTarget(minValue);
    } else if (value > maxValue) {
        applyTarget(maxValue);
    }
}

void GaugeArc::setRange(int minValue, int maxValue)
{
    setRange(static_cast<double>(minValue), static_cast<double>(maxValue));
}

void GaugeArc::setMinValue(double minValue)
{
    setRange(minValue, maxValue);
}

void GaugeArc::setMaxValue(double maxValue)
{
    setRange(minValue, maxValue);
}

void GaugeArc::setValue(double value)
{
    // Written so that NaN counts as outside the range.
    if (!(value >= minValue && value <= maxValue) || value == this->value) {
        return;
    }
    applyTarget(value);
}

void GaugeArc::setValue(int value)
{
    setValue(static_cast<double>(value));
}

void GaugeArc::applyTarget(double target)
{
    reverse = target < value;
    value = target;
    emit valueChanged(value);

    const bool unseen = nobodyLooks();
    if (unseen) {
        timer->stop();
    }
    if (!animation || unseen) {
        currentValue = value;
        update();
    } else {
        timer->start();
    }
}

void GaugeArc::restyle()
{
    staticLayerStale = true;
    update();
}

bool GaugeArc::nobodyLooks() const
{
    if (window()->isMinimized()) {
        return true;
    }
    if (isVisible()) {
        return false;
    }
    // Hidden by someone, the dial itself or a widget above it. A dial never shown nor
    // hidden is only drawn on request (render, grab) and keeps its animation.
    for (const QWidget *w = this; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide)) {
            return true;
        }
    }
    return false;
}

void GaugeArc::setPrecision(int precision)
{
    if (precision <= 3) {
        this->precision = precision;
        restyle();
    }
}

void GaugeArc::setScaleMajor(int scaleMajor)
{
    this->scaleMajor = scaleMajor;
    restyle();
}

void GaugeArc::setScaleMinor(int scaleMinor)
{
    this->scaleMinor = scaleMinor;
    restyle();
}

void GaugeArc::setStartAngle(int startAngle)
{
    this->startAngle = startAngle;
    restyle();
}

void GaugeArc::setEndAngle(int endAngle)
{
    this->endAngle = endAngle;
    restyle();
}

void GaugeArc::setAnimation(bool animation)
{
    this->animation = animation;
    update();
}

void GaugeArc::setAnimationStep(double animationStep)
{
    this->animationStep = animationStep;
    update();
}

void GaugeArc::setArcColor(QColor arcColor)
{
    this->arcColor = arcColor;
    restyle();
}

void GaugeArc::setScaleColor(QColor scaleColor)
{
    this->scaleColor = scaleColor;
    restyle();
}

void GaugeArc::setScaleNumColor(QColor scaleNumColor)
{
    this->scaleNumColor = scaleNumColor;
    restyle();
}

void GaugeArc::setPointerColor(QColor pointerColor)
{
    this->pointerColor = pointerColor;
    update();
}

void GaugeArc::setTextColor(QColor textColor)
{
    this->textColor = textColor;
    update();
}

void GaugeArc::setStrUnit(QString strUnitIn)
{
    strUnit = strUnitIn;
    update();
}

void GaugeArc::setExplainText(QString strExplainTextIn)
{
    strExplainText = strExplainTextIn;
}

void GaugeArc::updateCurrentValue(int typeNum)
{
    if (typeNum == 1) {
        currentValue = (currentValue - 32.0) / 1.8;
    } else if (typeNum == 2) {
        currentValue = currentValue * 1.8 + 32.0;
    }
}

void GaugeArc::setPointerStyle(PointerStyle pointerStyle)
{
    this->pointerStyle = pointerStyle;
    update();
}

void GaugeArc::updateValue()
{
    // A step that cannot move the drawn value (zero, negative, NaN, infinite, or
    // too small to change a large value) would keep the timer repainting forever:
    // such a run ends at once on its target.
    const bool usableStep = animationStep > 0.0 && std::isfinite(animationStep);

    // Hidden or minimised while running: the run ends on its target, so the dial
    // shows it when it is seen again.
    if (nobodyLooks()) {
        currentValue = value;
        timer->stop();
        update();
        return;
    }

    const double drawnBefore = currentValue;
    if (!reverse) {
        if (currentValue >= value) {
            timer->stop();
        } else {
            const double next = currentValue + animationStep;
            if (usableStep && next > currentValue) {
                currentValue = next;
            } else {
                currentValue = value;
                timer->stop();
            }
        }
    } else {
        if (value >= currentValue) {
            timer->stop();
        } else {
            const double next = currentValue - animationStep;
            if (usableStep && next < currentValue) {
                currentValue = next;
            } else {
                currentValue = value;
                timer->stop();
            }
        }
    }
    // The stopping tick moves nothing, so it has nothing to repaint. A step repaints
    // only where the pointer and the value text were and now are: the rest of the
    // dial is the image, unchanged, and copying it whole each tick was most of a
    // tick's cost.
    if (currentValue != drawnBefore) {
        update(changedByTick(drawnBefore, currentValue));
    }
}

double GaugeArc::pointerRotation(double drawn) const
{
    const double span = gaugeSpan(startAngle, endAngle);
    const double rotation = span / (maxValue - minValue) * (drawn - minValue);
    return boundedForDrawing(rotation, kMaxRotationDegrees);
}

QString GaugeArc::valueText(double drawn) const
{
    return formatNumber(drawn, precision) + strUnit + QLatin1Char('\n') + strExplainText;
}

QRegion GaugeArc::changedByTick(double before, double after) const
{
    if (qMin(width(), height()) <= 0) {
        return QRegion();
    }
    // Everything is painted again inside the pointer's two places, the text over it
    // included; the text's own area only when it reads differently.
    QRegion changed;
    for (const double drawn : {before, after}) {
        changed += pointerArea(drawn);
    }
    const QString textBefore = valueText(before);
    const QString textAfter = valueText(after);
    if (textBefore != textAfter) {
        for (const QString &text : {textBefore, textAfter}) {
            changed += textArea(text);
        }
    }
    return changed;
}

void GaugeArc::paintEvent(QPaintEvent *event)
{
    if (qMin(width(), height()) <= 0) {
        return;
    }

    QPainter painter(this);
    // The resolution of what is painted on: the screen's, or that of a render target.
    const QPaintDevice *target =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    const qreal ratio = target ? target->devicePixelRatioF() : devicePixelRatioF();
    if (staticLayerStale || staticLayer.devicePixelRatio() != ratio ||
        staticLayer.size() != (QSizeF(size()) * ratio).toSize()) {
        drawStaticLayer(ratio);
    }
    // Copies of the pointer and hub images are exact only on pixels, at one device
    // pixel per pixel and whole-pixel offsets; otherwise they are drawn as they always
    // were.
    const QTransform base = painter.worldTransform();
    const bool copies = target && painter.paintEngine()->type() == QPaintEngine::Raster &&
                        ShapeSprite::copiesExactly(base, ratio);
    if (copies) {
        forgetSpritesOfAnotherLook();
    }
    const QRegion &region = event->region();
    if (!copies || region.rectCount() <= 1) {
        paintLayers(&painter, base, copies, region);
        return;
    }
    // Under a clip of several rectangles an image is copied span by span, at several
    // times the cost of a copy under one rectangle, with the same pixels: a tick's
    // rectangles are painted one by one.
    for (const QRect &part : region) {
        painter.setWorldTransform(base);
        painter.setClipRect(part);
        paintLayers(&painter, base, copies, QRegion(part));
    }
}

void GaugeArc::paintLayers(QPainter *painter, const QTransform &base, bool copies,
                           const QRegion &painted)
{
    painter->setWorldTransform(base);
    painter->drawImage(0, 0, staticLayer);
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    // Images go on at the painter's own transform, shapes and text on the dial's.
    const QTransform dial = gaugeDialTransform(size());
    const QTransform onDial = dial * base;

    if (copies && pointerCopies()) {
        const ShapeSprite &sprite = pointerSprite();
        if (painted.intersects(sprite.area())) {
            sprite.paint(painter);
        }
    } else {
        painter->setWorldTransform(onDial);
        drawPointer(painter);
    }

    if (copies) {
        const QPainter::RenderHints hints = painter->renderHints();
        if (outerHub.isNull()) {
            outerHub =
                ShapeSprite(dial, kOuterHub, hints, [this](QPainter *p) { drawRoundCircle(p); });
            ++gaugeArcDrawCounts().sprites;
        }
        if (innerHub.isNull()) {
            innerHub =
                ShapeSprite(dial, kInnerHub, hints, [this](QPainter *p) { drawCenterCircle(p); });
            ++gaugeArcDrawCounts().sprites;
        }
        painter->setWorldTransform(base);
        for (const ShapeSprite *hub : {&outerHub, &innerHub}) {
            if (painted.intersects(hub->area())) {
                hub->paint(painter);
            }
        }
    } else {
        painter->setWorldTransform(onDial);
        drawRoundCircle(painter);
        drawCenterCircle(painter);
    }
    painter->setWorldTransform(onDial);
    paintValue(painter, base, copies, painted);
}

void GaugeArc::paintValue(QPainter *painter, const QTransform &base, bool copies,
                          const QRegion &painted)
{
    // The text's pixels are kept as they came out on the target, in whatever way the
    // platform renders text there, and put back by copying: only where the image
    // beneath is opaque and the text is the only thing drawn over it.
    QPaintDevice *device = painter->paintEngine() ? painter->paintEngine()->paintDevice() : nullptr;
    if (!copies || !testAttribute(Qt::WA_OpaquePaintEvent) || !device ||
        device->devType() != QInternal::Image) {
        drawValue(painter);
        return;
    }
    const TextLook look{painter->device()->devType(), logicalDpiY(),
                        int(painter->layoutDirection()), textColor.rgba64(), staticLayerDrawCount};
    if (!(look == textLook)) {
        textLook = look;
        textCopies.clear();
        textCopyBytes = 0;
    }
    const QString text = valueText(currentValue);
    const auto found = textCopies.constFind(text);
    const QRect area = found != textCopies.constEnd() ? found->area : textArea(text);
    const QRect hubs = onScreen(gaugeDialTransform(size()), kOuterHub);
    if (area.isEmpty() || area.intersects(pointerArea(currentValue)) || area.intersects(hubs)) {
        drawValue(painter);
        return;
    }
    // Over the image alone, the text or its copy changes nothing outside its area.
    if (!painted.intersects(area)) {
        return;
    }

    painter->save();
    painter->setWorldTransform(base);
    if (found != textCopies.constEnd()) {
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->drawImage(area.topLeft(), found->pixels);
        painter->restore();
        return;
    }
    const QTransform toDevice = painter->deviceTransform();
    painter->restore();

    drawValue(painter);
    // Kept only when all of it was painted just now, at whole device pixels.
    const QRect onDevice = toDevice.mapRect(area);
    const QImage *target = static_cast<const QImage *>(device);
    if (!(QRegion(area) - painted).isEmpty() || !ShapeSprite::copiesExactly(toDevice, 1.0) ||
        !target->rect().contains(onDevice) || !is32Bit(*target) ||
        staticLayer.format() != QImage::Format_RGB32 || !staticLayer.rect().contains(area)) {
        return;
    }
    if (textCopyBytes > kMaxTextCopyBytes) {
        textCopies.clear();
        textCopyBytes = 0;
    }
    // Only the pixels the text changed: the rest of the area is the image beneath.
    const QPoint shift = onDevice.topLeft() - area.topLeft();
    const QRect ink = inkRect(*target, staticLayer, area, shift);
    const TextCopy copy{ink, ink.isEmpty() ? QImage() : target->copy(ink.translated(shift))};
    textCopyBytes += copy.pixels.sizeInBytes();
    ++gaugeArcDrawCounts().textCopies;
    textCopies.insert(text, copy);
}

QRect GaugeArc::textArea(const QString &text) const
{
    // The text may overflow its box (it is clipped to it); the font's metrics say how
    // far it reaches.
    const QRectF bounds = valueTextBounds(text);
    return onScreen(gaugeDialTransform(size()), bounds.adjusted(-2, -2, 2, 2)).intersected(rect());
}

QRectF GaugeArc::valueTextBounds(const QString &text) const
{
    const int dpi = logicalDpiY();
    if (dpi != valueTextBoxesDpi || valueTextBoxes.size() >= kMaxValueTextBoxes) {
        valueTextBoxes.clear();
        valueTextBoxesDpi = dpi;
    }
    auto found = valueTextBoxes.constFind(text);
    if (found == valueTextBoxes.constEnd()) {
        const QFontMetricsF metrics(valueFont(), this);
        found = valueTextBoxes.insert(
            text, metrics.boundingRect(gaugeValueTextBox(), Qt::AlignCenter, text));
    }
    return *found;
}

QRect GaugeArc::pointerArea(double drawn) const
{
    return onScreen(gaugeDialTransform(size()),
                    pointerBounds(startAngle + pointerRotation(drawn), pointerShape()));
}

void GaugeArc::drawPointer(QPainter *painter)
{
    switch (pointerStyle) {
    case PointerStyle_Circle:
        drawPointerCircle(painter);
        break;
    case PointerStyle_Indicator:
        drawPointerIndicator(painter);
        break;
    case PointerStyle_IndicatorR:
        drawPointerIndicatorR(painter);
        break;
    case PointerStyle_Triangle:
        drawPointerTriangle(painter);
        break;
    default:
        // Values outside the enumeration draw no pointer.
        break;
    }
}

QRectF GaugeArc::pointerShape() const
{
    // The two plain styles' own shapes (see the draw functions); the others within the
    // box that holds every style, pen and caps included.
    switch (pointerStyle) {
    case PointerStyle_Indicator:
        return QRectF(-5, 0, 10, 75);
    case PointerStyle_Triangle:
        return QRectF(-5, 55, 10, 10);
    default:
        return kPointerBox;
    }
}

bool GaugeArc::pointerCopies() const
{
    // One fill each. The circle's stem and the rounded needle's outline and centre line
    // lie over their own fill, which a single image cannot reproduce exactly.
    return pointerStyle == PointerStyle_Indicator || pointerStyle == PointerStyle_Triangle;
}

const ShapeSprite &GaugeArc::pointerSprite()
{
    const double rotation = pointerRotation(currentValue);
    const quint64 key = bitsOf(rotation);
    const auto found = pointerSprites.constFind(key);
    if (found != pointerSprites.constEnd()) {
        return *found;
    }
    if (pointerSpriteBytes > kMaxPointerSpriteBytes) {
        pointerSprites.clear();
        pointerSpriteBytes = 0;
    }
    const ShapeSprite sprite(gaugeDialTransform(size()),
                             pointerBounds(startAngle + rotation, pointerShape()),
                             QPainter::Antialiasing | QPainter::TextAntialiasing,
                             [this](QPainter *p) { drawPointer(p); });
    ++gaugeArcDrawCounts().sprites;
    pointerSpriteBytes += sprite.bytes();
    return *pointerSprites.insert(key, sprite);
}

void GaugeArc::forgetSpritesOfAnotherLook()
{
    const SpriteLook look{size(), pointerColor.rgba64(), int(pointerStyle), startAngle};
    if (look == spriteLook) {
        return;
    }
    spriteLook = look;
    pointerSprites.clear();
    pointerSpriteBytes = 0;
    outerHub = ShapeSprite();
    innerHub = ShapeSprite();
}

void GaugeArc::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        setAttribute(Qt::WA_OpaquePaintEvent, parentWidget() != nullptr);
        staticLayerStale = true;
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
        // The numbers' font, or the parents' backgrounds held in the image.
        staticLayerStale = true;
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void GaugeArc::moveEvent(QMoveEvent *event)
{
    if (testAttribute(Qt::WA_OpaquePaintEvent)) {
        staticLayerStale = true;
    }
    QWidget::moveEvent(event);
}

void GaugeArc::drawStaticLayer(qreal ratio)
{
    const bool opaque = testAttribute(Qt::WA_OpaquePaintEvent);
    staticLayer = QImage((QSizeF(size()) * ratio).toSize(),
                         opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    staticLayer.setDevicePixelRatio(ratio);
    // Fonts resolve at the widget's resolution, as when it paints itself.
    staticLayer.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    staticLayer.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    staticLayer.fill(Qt::transparent);
    staticLayerStale = false;
    ++staticLayerDrawCount;
    ++gaugeArcDrawCounts().staticLayers;

    if (staticLayer.isNull() || qMin(width(), height()) <= 0) {
        return;
    }
    QPainter painter(&staticLayer);
    if (opaque) {
        drawParentsBeneath(&painter);
    }
    painter.setFont(font());
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setWorldTransform(gaugeDialTransform(size()), true);
    drawArc(&painter);
    drawScale(&painter);
    drawScaleNum(&painter);
}

void GaugeArc::drawParentsBeneath(QPainter *painter)
{
    // What the backing store would show under the dial: each widget above it paints
    // its own part (no children, so not this dial), the window first.
    QVector<QWidget *> above;
    for (QWidget *w = parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        above.prepend(w);
    }
    for (QWidget *w : qAsConst(above)) {
        const QRegion here(QRect(mapTo(w, QPoint(0, 0)), size()));
        w->render(painter, QPoint(), here,
                  w->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
}

void GaugeArc::drawArc(QPainter *painter)
{
    painter->save();
    QPen pen = painter->pen();
    pen.setColor(arcColor);
    pen.setWidthF(2.0);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);

    // Both parts of the split share the pen, so one stroke over the whole scale
    // looks the same and does not move with the drawn value.
    const GaugeArcAngles whole = gaugeArcAngles(startAngle, gaugeSpan(startAngle, endAngle), 0.0);
    for (const double radius : {98.0, 90.0}) {
        const QRectF rect(-radius, -radius, radius * 2, radius * 2);
        painter->drawArc(rect, whole.restStart, whole.restSpan);
    }
    painter->restore();
}

void GaugeArc::drawScale(QPainter *painter)
{
    painter->save();
    painter->setPen(scaleColor);
    painter->rotate(startAngle);

    const qint64 steps = static_cast<qint64>(scaleMajor) * scaleMinor;
    if (scaleMajor >= 1 && scaleMinor >= 1 && steps <= kMaxTicks) {
        const double span = gaugeSpan(startAngle, endAngle);
        const double angleStep = span / static_cast<double>(steps);
        QPen pen = painter->pen();
        pen.setCapStyle(Qt::RoundCap);
        for (qint64 i = 0; i <= steps; ++i) {
            if (i % scaleMinor == 0) {
                pen.setWidthF(1.5);
                painter->setPen(pen);
                painter->drawLine(QLineF(0, 85, 0, 97));
            } else {
                pen.setWidthF(1.0);
                painter->setPen(pen);
                painter->drawLine(QLineF(0, 92, 0, 97));
            }
            painter->rotate(angleStep);
        }
    }
    painter->restore();
}

void GaugeArc::drawScaleNum(QPainter *painter)
{
    painter->save();
    painter->setPen(scaleNumColor);

    if (scaleMajor >= 1 && scaleMajor <= kMaxScaleNumbers) {
        const double span = gaugeSpan(startAngle, endAngle);
        const double startRad = (270.0 - startAngle) * kDegreesToRadians;
        const double deltaRad = (span / scaleMajor) * kDegreesToRadians;
        const QFontMetrics metrics = fontMetrics();
        const int fontHeight = metrics.height();

        for (int i = 0; i <= scaleMajor; ++i) {
            const double angle = startRad - i * deltaRad;
            const double number = i * ((maxValue - minValue) / scaleMajor) + minValue;
            const QString text = formatNumber(number, precision);
            const QPoint origin =
                gaugeScaleNumberOrigin(angle, metrics.horizontalAdvance(text), fontHeight);
            painter->drawText(origin, text);
        }
    }
    painter->restore();
}

void GaugeArc::drawPointerCircle(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(pointerColor);

    painter->rotate(startAngle);
    painter->rotate(pointerRotation(currentValue));
    painter->drawEllipse(QRectF(-8, 38, 16, 16));

    painter->setPen(QPen(QBrush(scaleColor), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter->drawLine(QLineF(0, 46, 0, 56));
    painter->restore();
}

void GaugeArc::drawPointerIndicator(QPainter *painter)
{
    painter->save();
    painter->setOpacity(0.8);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pointerColor);

    const QPolygon pts({QPoint(-5, 0), QPoint(5, 0), QPoint(0, 75)});
    painter->rotate(startAngle);
    painter->rotate(pointerRotation(currentValue));
    painter->drawConvexPolygon(pts);
    painter->restore();
}

void GaugeArc::drawPointerIndicatorR(QPainter *painter)
{
    painter->save();
    painter->setOpacity(0.6);
    painter->setPen(pointerColor);
    painter->setBrush(pointerColor);

    const QPolygon pts({QPoint(-5, 0), QPoint(5, 0), QPoint(0, 75)});
    painter->rotate(startAngle);
    painter->rotate(pointerRotation(currentValue));
    painter->drawConvexPolygon(pts);

    QPen pen = painter->pen();
    pen.setCapStyle(Qt::RoundCap);
    pen.setWidthF(4.0);
    painter->setPen(pen);
    painter->drawLine(QLineF(0, 0, 0, 75));
    painter->restore();
}

void GaugeArc::drawPointerTriangle(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(pointerColor);

    const QPolygon pts({QPoint(-5, 55), QPoint(5, 55), QPoint(0, 65)});
    painter->rotate(startAngle);
    painter->rotate(pointerRotation(currentValue));
    painter->drawConvexPolygon(pts);
    painter->restore();
}

void GaugeArc::drawRoundCircle(QPainter *painter)
{
    painter->save();
    painter->setOpacity(0.5);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pointerColor);
    painter->drawEllipse(QRectF(-12, -12, 24, 24));
    painter->restore();
}

void GaugeArc::drawCenterCircle(QPainter *painter)
{
    painter->save();
    painter->setOpacity(1.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pointerColor);
    painter->drawEllipse(QRectF(-8, -8, 16, 16));
    painter->restore();
}

void GaugeArc::drawValue(QPainter *painter)
{
    painter->save();
    painter->setPen(textColor);
    painter->setFont(valueFont());

    painter->drawText(gaugeValueTextBox(), Qt::AlignCenter, valueText(currentValue));
    painter->restore();
}
