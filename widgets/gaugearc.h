#ifndef GAUGEARC_H
#define GAUGEARC_H

#include "shapesprite.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QWidget>

class QTimer;

// A dial: a clockwise scale with ticks and numbers, a pointer, a hub, and the
// drawn value with its unit above a caption. Painted in a 200 × 200 logical
// square that is scaled to the smaller side of the widget. Driven only through
// its slots; with animation on, the pointer moves in steps every 10 ms, except while
// nobody can see it: then the pointer goes straight to its target.
//
// The layers that do not follow the drawn value (the arcs, the ticks, the numbers)
// are drawn once into an image at the device pixel ratio and copied on each repaint.
// Inside a parent the image also holds what the parents paint beneath the dial, so
// a repaint covers the whole rectangle and the parents are not repainted under it.
// The needle and the hub discs are each drawn once into an image of their own (the
// needle once per angle it stops at) and copied on later repaints, with the same pixels;
// so is the value text, kept by text as it was painted where nothing lay over it.
class GaugeArc : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double value READ getValue WRITE setValue)
    Q_PROPERTY(double minValue READ getMinValue WRITE setMinValue)
    Q_PROPERTY(double maxValue READ getMaxValue WRITE setMaxValue)
    Q_PROPERTY(int precision READ getPrecision WRITE setPrecision)
    Q_PROPERTY(int scaleMajor READ getScaleMajor WRITE setScaleMajor)
    Q_PROPERTY(int scaleMinor READ getScaleMinor WRITE setScaleMinor)
    Q_PROPERTY(int startAngle READ getStartAngle WRITE setStartAngle)
    Q_PROPERTY(int endAngle READ getEndAngle WRITE setEndAngle)
    Q_PROPERTY(bool animation READ getAnimation WRITE setAnimation)
    Q_PROPERTY(double animationStep READ getAnimationStep WRITE setAnimationStep)
    Q_PROPERTY(QColor arcColor READ getArcColor WRITE setArcColor)
    Q_PROPERTY(QColor scaleColor READ getScaleColor WRITE setScaleColor)
    Q_PROPERTY(QColor scaleNumColor READ getScaleNumColor WRITE setScaleNumColor)
    Q_PROPERTY(QColor pointerColor READ getPointerColor WRITE setPointerColor)
    Q_PROPERTY(QColor textColor READ getTextColor WRITE setTextColor)
    Q_PROPERTY(QString strUnit READ getStrUnit WRITE setStrUnit)
    Q_PROPERTY(PointerStyle pointerStyle READ getPointerStyle WRITE setPointerStyle)

public:
    // A fixed underlying type: values outside the four styles are accepted (and draw
    // no pointer) without undefined behaviour.
    enum PointerStyle : int
    {
        PointerStyle_Circle = 0,
        PointerStyle_Indicator = 1,
        PointerStyle_IndicatorR = 2,
        PointerStyle_Triangle = 3
    };
    Q_ENUM(PointerStyle)

    explicit GaugeArc(QWidget *parent = nullptr);
    ~GaugeArc() override;

    double getValue() const { return value; }
    double getMinValue() const { return minValue; }
    double getMaxValue() const { return maxValue; }
    int getPrecision() const { return precision; }
    int getScaleMajor() const { return scaleMajor; }
    int getScaleMinor() const { return scaleMinor; }
    int getStartAngle() const { return startAngle; }
    int getEndAngle() const { return endAngle; }
    bool getAnimation() const { return animation; }
    double getAnimationStep() const { return animationStep; }
    QColor getArcColor() const { return arcColor; }
    QColor getScaleColor() const { return scaleColor; }
    QColor getScaleNumColor() const { return scaleNumColor; }
    QColor getPointerColor() const { return pointerColor; }
    QColor getTextColor() const { return textColor; }
    QString getStrUnit() const { return strUnit; }
    QString getExplainText() const { return strExplainText; }
    PointerStyle getPointerStyle() const { return pointerStyle; }
    // The value being drawn; it trails the target while an animation runs.
    double getCurrentValue() const { return currentValue; }
    // What an animation tick that moves the drawn value from before to after repaints,
    // in the dial's coordinates; tools/qtfloor makes the window's frames with it.
    QRegion changedByTick(double before, double after) const;

signals:
    void valueChanged(double value);

public slots:
    void setRange(double minValue, double maxValue);
    void setRange(int minValue, int maxValue);
    void setMinValue(double minValue);
    void setMaxValue(double maxValue);
    void setValue(double value);
    void setValue(int value);
    void setPrecision(int precision);
    void setScaleMajor(int scaleMajor);
    void setScaleMinor(int scaleMinor);
    void setStartAngle(int startAngle);
    void setEndAngle(int endAngle);
    void setAnimation(bool animation);
    void setAnimationStep(double animationStep);
    void setArcColor(QColor arcColor);
    void setScaleColor(QColor scaleColor);
    void setScaleNumColor(QColor scaleNumColor);
    void setPointerColor(QColor pointerColor);
    void setTextColor(QColor textColor);
    void setStrUnit(QString strUnitIn);
    void setExplainText(QString strExplainTextIn);
    void updateCurrentValue(int typeNum);
    void setPointerStyle(PointerStyle pointerStyle);

private slots:
    // One animation tick; driven by the 10 ms timer.
    void updateValue();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void applyTarget(double target);
    void restyle();
    bool nobodyLooks() const;
    void drawStaticLayer(qreal ratio);
    void drawParentsBeneath(QPainter *painter);
    void drawArc(QPainter *painter);
    void drawScale(QPainter *painter);
    void drawScaleNum(QPainter *painter);
    void drawPointerCircle(QPainter *painter);
    void drawPointerIndicator(QPainter *painter);
    void drawPointerIndicatorR(QPainter *painter);
    void drawPointerTriangle(QPainter *painter);
    void drawRoundCircle(QPainter *painter);
    void drawCenterCircle(QPainter *painter);
    void drawValue(QPainter *painter);
    void drawPointer(QPainter *painter);
    bool pointerCopies() const;
    QRectF pointerShape() const;
    const ShapeSprite &pointerSprite();
    void forgetSpritesOfAnotherLook();
    // Everything over the image, within painted; base is the painter's own transform.
    void paintLayers(QPainter *painter, const QTransform &base, bool copies,
                     const QRegion &painted);
    void paintValue(QPainter *painter, const QTransform &base, bool copies, const QRegion &painted);
    // Where the text, or the pointer drawn at that value, lies on the widget, edges
    // included: what a change of either repaints.
    QRect textArea(const QString &text) const;
    QRectF valueTextBounds(const QString &text) const;
    QRect pointerArea(double drawn) const;
    double pointerRotation(double drawn) const;
    QString valueText(double drawn) const;

    double value;
    double maxValue;
    double minValue;
    int precision;
    int scaleMajor;
    int scaleMinor;
    int startAngle;
    int endAngle;
    bool animation;
    double animationStep;
    QColor arcColor;
    QColor scaleColor;
    QColor scaleNumColor;
    QColor pointerColor;
    QColor textColor;
    QString strUnit;
    QString strExplainText;
    PointerStyle pointerStyle;
    bool reverse;
    double currentValue;
    QTimer *timer;

    // The value text's bounds by text, at the resolution they were measured for: the
    // tick's repaint area needs them twice, and measuring each time was a third of a tick.
    mutable QHash<QString, QRectF> valueTextBoxes;
    mutable int valueTextBoxesDpi = 0;
    QImage staticLayer;
    bool staticLayerStale;
    // Which drawing of the image is current: text copies painted on another are stale.
    int staticLayerDrawCount;

    // What the pointer and hub images were drawn for; another look draws them again.
    struct SpriteLook
    {
        QSize size;
        quint64 pointerColor = 0;
        int pointerStyle = -1;
        int startAngle = 0;
        bool operator==(const SpriteLook &o) const
        {
            return size == o.size && pointerColor == o.pointerColor &&
                   pointerStyle == o.pointerStyle && startAngle == o.startAngle;
        }
    };
    SpriteLook spriteLook;
    QHash<quint64, ShapeSprite> pointerSprites; // by the bits of the pointer rotation
    qint64 pointerSpriteBytes = 0;
    ShapeSprite outerHub;
    ShapeSprite innerHub;

    // The value text's pixels as painted where nothing else lay over them, by text,
    // and what they were painted on: another target or look paints them afresh.
    struct TextCopy
    {
        QRect area;
        QImage pixels;
    };
    struct TextLook
    {
        int deviceType = -1;
        int dpi = 0;
        int direction = -1;
        quint64 textColor = 0;
        int staticLayerDraws = -1;
        bool operator==(const TextLook &o) const
        {
            return deviceType == o.deviceType && dpi == o.dpi && direction == o.direction &&
                   textColor == o.textColor && staticLayerDraws == o.staticLayerDraws;
        }
    };
    TextLook textLook;
    QHash<QString, TextCopy> textCopies;
    qint64 textCopyBytes = 0;
};

#endif // GAUGEARC_H
