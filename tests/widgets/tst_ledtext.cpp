#include "paintcounter.h"
#include "widgets/ledtext.h"

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QMetaProperty>
#include <QPainter>
#include <QtTest>

#include <climits>
#include <functional>

using LedAction = std::function<void(LedText &)>;
Q_DECLARE_METATYPE(LedAction)

namespace {

const QColor kForeground(100, 184, 255);
const QColor kBackground(22, 22, 22);

QFont testFont()
{
    return QFont(QStringLiteral("DejaVu Sans"), 12);
}

QImage renderLed(LedText &led)
{
    QImage image(led.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    led.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Where the middle of the dot glyph lies relative to its origin.
QPoint dotCentreOffset(const QFont &widgetFont)
{
    const QFontMetrics metrics(QFont(widgetFont.family(), widgetFont.pointSize() / 2));
    return metrics.tightBoundingRect(QStringLiteral("●")).center();
}

QPoint dotCentre(int column, int row, int step, const QPoint &offset)
{
    return QPoint(column * step, (row + 1) * step) + offset;
}

bool isNear(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class tst_LedText : public QObject
{
    Q_OBJECT

private slots:
    void designerInterface();
    void emptyTextDrawsEveryDotUnlit_data();
    void emptyTextDrawsEveryDotUnlit();
    void textLightsItsMaskPixels_data();
    void textLightsItsMaskPixels();
    void stepSetsThePitch();
    void repaintsOnlyOnChange_data();
    void repaintsOnlyOnChange();
    void badInput_data();
    void badInput();
    void picture();
};

void tst_LedText::designerInterface()
{
    LedText led;
    QCOMPARE(led.sizeHint(), QSize(200, 80));
    QCOMPARE(led.minimumSizeHint(), QSize(20, 10));

    const QMetaObject *mo = led.metaObject();
    QStringList names;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        names << QString::fromLatin1(p.name());
        QVERIFY2(p.isDesignable() && p.isScriptable() && p.isStored() && p.isWritable(), p.name());
    }
    QCOMPARE(names, (QStringList{"text", "step", "foreground", "background"}));

    // As uic sets them.
    QVERIFY(led.setProperty("text", QStringLiteral("42")));
    QVERIFY(led.setProperty("step", 7));
    QVERIFY(led.setProperty("foreground", QColor(1, 2, 3)));
    QCOMPARE(led.getText(), QStringLiteral("42"));
    QCOMPARE(led.getStep(), 7);
    QCOMPARE(led.getForeground(), QColor(1, 2, 3));
}

void tst_LedText::emptyTextDrawsEveryDotUnlit_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("default step 5") << 5;
    QTest::newRow("step 10") << 10;
}

void tst_LedText::emptyTextDrawsEveryDotUnlit()
{
    QFETCH(int, step);

    LedText led;
    led.setFont(testFont());
    led.setText(QString());
    led.setStep(step);
    led.resize(LedText::kMaskColumns * step + 10, (LedText::kMaskRows + 1) * step + 10);
    const QImage image = renderLed(led);
    const QPoint offset = dotCentreOffset(led.font());

    int unlit = 0;
    for (int r = 0; r < LedText::kMaskRows; ++r) {
        for (int c = 0; c < LedText::kMaskColumns; ++c) {
            if (isNear(image.pixelColor(dotCentre(c, r, step, offset)), kBackground, 6)) {
                ++unlit;
            }
        }
    }
    QCOMPARE(unlit, 2560);
    // A black ground, not the colour underneath the widget.
    QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(Qt::black));
}

void tst_LedText::textLightsItsMaskPixels_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("digits") << QStringLiteral("1234");
    QTest::newRow("letters") << QStringLiteral("Hi 8");
    QTest::newRow("cut off at 160 columns") << QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW");
}

void tst_LedText::textLightsItsMaskPixels()
{
    QFETCH(QString, text);

    const int step = 10;
    LedText led;
    led.setFont(testFont());
    led.setText(text);
    led.setStep(step);
    led.resize(LedText::kMaskColumns * step + 10, (LedText::kMaskRows + 1) * step + 10);
    const QImage image = renderLed(led);
    const QPoint offset = dotCentreOffset(led.font());

    // The text rasterised the way the display does it: left-aligned, vertically
    // centred in a 160 × 16 one-bit image, covered pixels 0.
    QImage mask(LedText::kMaskColumns, LedText::kMaskRows, QImage::Format_MonoLSB);
    mask.fill(1);
    QPainter p(&mask);
    p.setFont(testFont());
    p.drawText(mask.rect(), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.end();

    int lit = 0;
    int firstLitColumn = INT_MAX;
    for (int r = 0; r < LedText::kMaskRows; ++r) {
        for (int c = 0; c < LedText::kMaskColumns; ++c) {
            const bool covered = mask.pixelIndex(c, r) == 0;
            const QColor expected = covered ? kForeground : kBackground;
            const QColor seen = image.pixelColor(dotCentre(c, r, step, offset));
            QVERIFY2(isNear(seen, expected, 6),
                     qPrintable(QStringLiteral("dot %1,%2: %3").arg(c).arg(r).arg(seen.name())));
            if (covered) {
                ++lit;
                firstLitColumn = qMin(firstLitColumn, c);
            }
        }
    }
    QVERIFY(lit > 20);
    QVERIFY(firstLitColumn < 4);
    // The ground between dots stays black.
    QCOMPARE(image.pixelColor(dotCentre(0, 0, step, offset) + QPoint(step / 2, step / 2)),
             QColor(Qt::black));
}

void tst_LedText::stepSetsThePitch()
{
    LedText led;
    led.setFont(testFont());
    led.setText(QString());
    led.resize(400, 200);
    const QPoint offset = dotCentreOffset(led.font());

    const QImage five = renderLed(led);
    led.setStep(10);
    const QImage ten = renderLed(led);

    // Dot (3, 2) moves from (15, 15) to (30, 30); the first row's baseline from 5 to 10.
    QVERIFY(isNear(five.pixelColor(QPoint(15, 15) + offset), kBackground, 6));
    QVERIFY(isNear(ten.pixelColor(QPoint(30, 30) + offset), kBackground, 6));
    QCOMPARE(ten.pixelColor(QPoint(15, 15) + offset), QColor(Qt::black));
    QVERIFY(isNear(ten.pixelColor(QPoint(0, 10) + offset), kBackground, 6));
    QCOMPARE(ten.pixelColor(QPoint(0, 5) + offset), QColor(Qt::black));
    // The dot keeps its size: it follows the font, not the step.
    led.setStep(20);
    const QImage twenty = renderLed(led);
    auto dotWidth = [&](const QImage &image, int originX, int baseline) {
        int width = 0;
        for (int x = originX - 2; x < originX + 10; ++x) {
            width += isNear(image.pixelColor(x, baseline + offset.y()), kBackground, 6) ? 1 : 0;
        }
        return width;
    };
    QVERIFY(dotWidth(ten, 30, 30) > 2);
    QCOMPARE(dotWidth(twenty, 60, 60), dotWidth(ten, 30, 30));
}

void tst_LedText::repaintsOnlyOnChange_data()
{
    QTest::addColumn<LedAction>("action");
    QTest::addColumn<bool>("repaints");

    QTest::newRow("same text") << LedAction([](LedText &l) { l.setText(l.getText()); }) << false;
    QTest::newRow("same step") << LedAction([](LedText &l) { l.setStep(5); }) << false;
    QTest::newRow("same foreground")
        << LedAction([](LedText &l) { l.setForeground(QColor(100, 184, 255)); }) << false;
    QTest::newRow("same background")
        << LedAction([](LedText &l) { l.setBackground(QColor(22, 22, 22)); }) << false;
    QTest::newRow("new text") << LedAction([](LedText &l) { l.setText(QStringLiteral("7")); })
                              << true;
    QTest::newRow("new step") << LedAction([](LedText &l) { l.setStep(10); }) << true;
    QTest::newRow("new foreground")
        << LedAction([](LedText &l) { l.setForeground(Qt::red); }) << true;
    QTest::newRow("new background")
        << LedAction([](LedText &l) { l.setBackground(Qt::blue); }) << true;
}

void tst_LedText::repaintsOnlyOnChange()
{
    QFETCH(LedAction, action);
    QFETCH(bool, repaints);

    LedText led;
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    PaintCounter paints(&led);
    paints.settle();

    action(led);
    if (repaints) {
        QTRY_VERIFY(paints.count > 0);
    } else {
        QCOMPARE(paints.paintsSinceSettle(), 0);
    }
}

void tst_LedText::badInput_data()
{
    QTest::addColumn<LedAction>("action");

    QTest::newRow("step 0") << LedAction([](LedText &l) { l.setStep(0); });
    QTest::newRow("negative step") << LedAction([](LedText &l) { l.setStep(-5); });
    QTest::newRow("step INT_MAX") << LedAction([](LedText &l) { l.setStep(INT_MAX); });
    QTest::newRow("step INT_MIN") << LedAction([](LedText &l) { l.setStep(INT_MIN); });
    QTest::newRow("empty text") << LedAction([](LedText &l) { l.setText(QString()); });
    QTest::newRow("10,000 characters")
        << LedAction([](LedText &l) { l.setText(QString(10000, QLatin1Char('8'))); });
    QTest::newRow("line feeds and tabs")
        << LedAction([](LedText &l) { l.setText(QStringLiteral("\n\n\t1\n2\r\n")); });
    QTest::newRow("invalid colours") << LedAction([](LedText &l) {
        l.setForeground(QColor());
        l.setBackground(QColor());
    });
    QTest::newRow("pixel-sized font") << LedAction([](LedText &l) {
        QFont f = l.font();
        f.setPixelSize(11);
        l.setFont(f);
    });
    QTest::newRow("1-point font") << LedAction([](LedText &l) {
        QFont f = l.font();
        f.setPointSize(1);
        l.setFont(f);
    });
}

void tst_LedText::badInput()
{
    QFETCH(LedAction, action);

    LedText led;
    action(led);
    for (const QSize size : {QSize(200, 80), QSize(0, 0), QSize(1, 1), QSize(4000, 2)}) {
        led.resize(size);
        QImage image(qMax(size.width(), 1), qMax(size.height(), 1),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        led.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    led.resize(-10, -10);
    QVERIFY(led.grab().isNull());
}

void tst_LedText::picture()
{
    const QString dir = QStringLiteral(QUILLON_BUILD_DIR "/pictures");
    QVERIFY(QDir().mkpath(dir));
    LedText led;
    led.setFont(testFont());
    led.setText(QStringLiteral("Quillon 42°C"));
    led.resize(800, 90);
    const QString path = dir + QStringLiteral("/ledtext.png");
    QVERIFY2(led.grab().save(path), qPrintable(path));
}

QTEST_MAIN(tst_LedText)
#include "tst_ledtext.moc"
