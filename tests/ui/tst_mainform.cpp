#include <QtTest>

#include <QBoxLayout>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStyle>

#include "ui/theme.h"
#include "widgets/gaugearc.h"

Q_DECLARE_METATYPE(QMargins)

namespace {

constexpr int kMax = 16777215;
constexpr int kDefault = -1; // the style's own margin

// The form on a plain widget, before any theme.
struct Form
{
    Form() : form(buildMainForm(&window)) {}
    template <typename T> T *find(const QString &name) const { return window.findChild<T *>(name); }

    QWidget window;
    MainFormPtr form;
};

QStringList urlsIn(const QString &sheet)
{
    QStringList urls;
    static const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    auto it = url.globalMatch(sheet);
    while (it.hasNext())
        urls << it.next().captured(1);
    return urls;
}

} // namespace

class tst_MainForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void window();
    void layouts_data();
    void layouts();
    void sizeConstraints_data();
    void sizeConstraints();
    void texts_data();
    void texts();
    void readingBlocks_data();
    void readingBlocks();
    void initialState();
    void sheetImages_data();
    void sheetImages();
    void resources_data();
    void resources();
    void fixedRows_data();
    void fixedRows();
    void titleBarPixels();
    void slotsConnectedByName();
};

void tst_MainForm::initTestCase()
{
    initThemeResources();
}

void tst_MainForm::window()
{
    QWidget named;
    named.setObjectName(QStringLiteral("mine"));
    MainFormPtr keep = buildMainForm(&named);
    QCOMPARE(named.objectName(), QStringLiteral("mine"));

    Form f;
    QCOMPARE(f.window.objectName(), QStringLiteral("DMainWidget"));
    QCOMPARE(f.window.size(), QSize(1200, 596));
    QCOMPARE(f.window.windowTitle(), QStringLiteral("DMainWidget"));
    QCOMPARE(f.find<GaugeArc>(QStringLiteral("widget_CpuDashboard"))->parentWidget()->objectName(),
             QStringLiteral("frame_LeftArea"));
    QCOMPARE(f.find<GaugeArc>(QStringLiteral("widget_GpuDashboard"))->parentWidget()->objectName(),
             QStringLiteral("frame_RightArea"));
    // Every frame of the tree has the same shape and shadow.
    const auto frames = f.window.findChildren<QFrame *>();
    int plainFrames = 0;
    for (const QFrame *frame : frames) {
        if (qstrcmp(frame->metaObject()->className(), "QFrame") != 0)
            continue;
        ++plainFrames;
        QVERIFY2(frame->frameShape() == QFrame::StyledPanel, qPrintable(frame->objectName()));
        QVERIFY2(frame->frameShadow() == QFrame::Raised, qPrintable(frame->objectName()));
    }
    QCOMPARE(plainFrames, 32);
}

void tst_MainForm::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("owner"); // widget the layout is installed on
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");

    const int d = kDefault;
    auto row = [](const char *name, const char *owner, bool vertical, int spacing, QMargins m) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(owner) << vertical
                            << spacing << m;
    };
    row("verticalLayout_2", "DMainWidget", true, 0, {0, 0, 0, 0});
    row("verticalLayout", "frame_Bg", true, 0, {0, 0, 0, 0});
    row("horizontalLayout", "frame_Title", false, 10, {6, 5, 6, 0});
    row("horizontalLayout_8", "frame_4", false, 0, {2, 0, 0, 0});
    row("horizontalLayout_10", "page_TitleMode01", false, 6, {0, 0, 0, 0});
    row("horizontalLayout_9", "frame_44", false, 6, {0, 0, 0, 0});
    row("verticalLayout_3", "frame", true, 0, {0, 0, 0, 0});
    row("verticalLayout_4", "frame_5", true, 0, {0, 2, 0, 0});
    row("horizontalLayout_11", "page_TitleMode02", false, 6, {0, 0, 0, 0});
    row("horizontalLayout_3", "frame_WindowOperate", false, 25, {d, 4, 5, d});
    row("verticalLayout_5", "frame_MainArea", true, 0, {6, 6, 6, 6});
    row("horizontalLayout_4", "frame_2", false, 6, {d, 0, d, 0});
    row("horizontalLayout_2", "frame_InfoShow", false, 9, {d, 3, d, d});
    row("verticalLayout_6", "frame_LeftArea", true, 0, {d, 20, d, 0});
    row("verticalLayout_9", "frame_8", true, 8, {20, 3, 0, 0});
    row("verticalLayout_10", "frame_CenterArea", true, 16, {d, 16, d, 11});
    row("verticalLayout_11", "frame_Memory", true, 6, {11, 11, 11, 11});
    row("horizontalLayout_5", "frame_6", false, 6, {0, 0, d, 0});
    row("horizontalLayout_6", "frame_10", false, 6, {35, d, 0, d});
    row("verticalLayout_12", "frame_11", true, 6, {0, 34, d, d});
    row("verticalLayout_14", "frame_HardDisk", true, 6, {11, 11, 11, 11});
    row("horizontalLayout_7", "frame_12", false, 6, {0, 0, d, 0});
    row("horizontalLayout_12", "frame_13", false, 6, {35, d, 0, d});
    row("verticalLayout_13", "frame_14", true, 6, {0, 34, d, d});
    row("verticalLayout_7", "frame_RightArea", true, 0, {d, 20, d, 0});
    row("verticalLayout_8", "frame_9", true, 8, {20, 3, 0, 0});
    row("horizontalLayout_21", "frame_21", false, 6, {d, 0, 9, 0});
}

void tst_MainForm::layouts()
{
    QFETCH(QString, name);
    QFETCH(QString, owner);
    QFETCH(bool, vertical);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);

    Form f;
    auto *layout = f.find<QBoxLayout>(name);
    QVERIFY(layout);
    QCOMPARE(layout->direction(), vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    QCOMPARE(layout->parentWidget()->objectName(), owner);
    QCOMPARE(layout->parentWidget()->layout(), layout);
    QCOMPARE(layout->spacing(), spacing);

    const QStyle *style = layout->parentWidget()->style();
    auto effective = [&](int value, QStyle::PixelMetric pm) {
        return value == kDefault ? style->pixelMetric(pm, nullptr, layout->parentWidget()) : value;
    };
    const QMargins expected(effective(margins.left(), QStyle::PM_LayoutLeftMargin),
                            effective(margins.top(), QStyle::PM_LayoutTopMargin),
                            effective(margins.right(), QStyle::PM_LayoutRightMargin),
                            effective(margins.bottom(), QStyle::PM_LayoutBottomMargin));
    QCOMPARE(layout->contentsMargins(), expected);
}

void tst_MainForm::sizeConstraints_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    auto row = [](const char *name, QSize min, QSize max) {
        QTest::newRow(name) << QString::fromLatin1(name) << min << max;
    };
    row("frame_Title", {0, 45}, {kMax, 45});
    row("frame_4", {300, 0}, {kMax, kMax});
    row("stackedWidget", {400, 0}, {400, kMax});
    row("appLogo", {30, 30}, {30, 30});
    row("pushButton", {200, 30}, {200, 30});
    row("frame_WindowOperate", {250, 0}, {kMax, kMax});
    row("pushButton_Setting", {18, 18}, {18, kMax});
    row("pushButton_Min", {18, 18}, {18, kMax});
    row("pushButton_Max", {18, 18}, {18, kMax});
    row("pushButton_Close", {18, 18}, {18, kMax});
    row("frame_2", {0, 35}, {kMax, 35});
    row("pushButton_Logo", {100, 25}, {kMax, kMax});
    row("label_CrashTest", {120, 0}, {kMax, kMax});
    row("radioButton_Model01", {60, 0}, {kMax, kMax});
    row("radioButton_Model02", {60, 0}, {kMax, kMax});
    row("widget_CpuDashboard", {0, 280}, {kMax, kMax});
    row("widget_GpuDashboard", {0, 280}, {kMax, kMax});
    row("frame_8", {0, 155}, {kMax, kMax});
    row("frame_9", {0, 155}, {kMax, kMax});
    row("frame_6", {0, 0}, {kMax, 40});
    row("frame_12", {0, 0}, {kMax, 40});
    row("label_MemoryUsage", {120, 0}, {kMax, kMax});
    row("label_HardDiskUsage", {120, 0}, {kMax, kMax});
    row("label_AppVersion", {150, 0}, {kMax, kMax});
    row("frame_3", {100, 0}, {100, kMax});
    row("frame_20", {100, 0}, {100, kMax});
    row("progressBar_CPU01", {0, 6}, {kMax, 6});
    row("progressBar_GPU04", {0, 6}, {kMax, 6});
}

void tst_MainForm::sizeConstraints()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);

    Form f;
    const QWidget *w = f.find<QWidget>(name);
    QVERIFY(w);
    QCOMPARE(w->minimumSize(), minimum);
    QCOMPARE(w->maximumSize(), maximum);
}

void tst_MainForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const char *const rows[][2] = {
        {"label_AppName", "VEKMAR"},
        {"label_HidStatus", "Disconnected"},
        {"pushButton_Logo", "日志打印"},
        {"label_CrashTest", "Crash:XXX"},
        {"radioButton_Model01", "℃"},
        {"radioButton_Model02", "℉"},
        {"label_3", "CPU Usage"},
        {"label", "CPU HZ"},
        {"label_5", "CPU Fan"},
        {"label_7", "CPU Power"},
        {"label_9", "GPU Usage"},
        {"label_11", "GPU HZ"},
        {"label_13", "GPU Fan"},
        {"label_15", "GPU Power"},
        {"label_CPU01", "100"},
        {"label_CPU02", "1000"},
        {"label_CPU03", "1000"},
        {"label_CPU04", "100"},
        {"label_GPU01", "100"},
        {"label_GPU02", "1000"},
        {"label_GPU03", "1000"},
        {"label_GPU04", "100"},
        {"label_CPU01_UNIT", "%"},
        {"label_CPU02_UNIT", "MHz"},
        {"label_CPU03_UNIT", "RPM"},
        {"label_CPU04_UNIT", "W"},
        {"label_GPU01_UNIT", "%"},
        {"label_GPU02_UNIT", "MHz"},
        {"label_GPU03_UNIT", "RPM"},
        {"label_GPU04_UNIT", "W"},
        {"label_2", "Memory usage"},
        {"label_MemoryUsageNum", "0"},
        {"label_6", "%"},
        {"label_MemoryUsage", "10G/16G"},
        {"label_8", "Hard disk usage (C:)"},
        {"label_HardDiskUsageNum", "0"},
        {"label_12", "%"},
        {"label_HardDiskUsage", "800G/1000G"},
        {"label_AppVersion", "V_1.0.0.01"},
        {"appLogo", ""},
        {"pushButton", ""},
        {"pushButton_Setting", ""},
        {"pushButton_Min", ""},
        {"pushButton_Max", ""},
        {"pushButton_Close", ""},
    };
    for (const auto &r : rows)
        QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromUtf8(r[1]);
}

void tst_MainForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    Form f;
    const QObject *w = f.find<QWidget>(name);
    QVERIFY(w);
    QCOMPARE(w->property("text").toString(), text);
}

void tst_MainForm::readingBlocks_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("valueLabel");
    QTest::addColumn<QString>("panel");

    const struct
    {
        const char *grid, *caption, *bar;
        int value;
        const char *frame, *layout, *label, *panel;
    } rows[] = {
        {"gridLayout_2", "label_3", "progressBar_CPU01", 10, "frame_3", "horizontalLayout_13",
         "label_CPU01", "frame_8"},
        {"gridLayout_10", "label", "progressBar_CPU02", 20, "frame_7", "horizontalLayout_14",
         "label_CPU02", "frame_8"},
        {"gridLayout_3", "label_5", "progressBar_CPU03", 30, "frame_15", "horizontalLayout_15",
         "label_CPU03", "frame_8"},
        {"gridLayout_4", "label_7", "progressBar_CPU04", 50, "frame_16", "horizontalLayout_16",
         "label_CPU04", "frame_8"},
        {"gridLayout_5", "label_9", "progressBar_GPU01", 10, "frame_17", "horizontalLayout_17",
         "label_GPU01", "frame_9"},
        {"gridLayout_6", "label_11", "progressBar_GPU02", 20, "frame_18", "horizontalLayout_18",
         "label_GPU02", "frame_9"},
        {"gridLayout_7", "label_13", "progressBar_GPU03", 30, "frame_19", "horizontalLayout_19",
         "label_GPU03", "frame_9"},
        {"gridLayout_8", "label_15", "progressBar_GPU04", 50, "frame_20", "horizontalLayout_20",
         "label_GPU04", "frame_9"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.bar) << r.grid << r.caption << r.bar << r.value << r.frame << r.label
                             << r.panel;
}

void tst_MainForm::readingBlocks()
{
    QFETCH(QString, grid);
    QFETCH(QString, caption);
    QFETCH(QString, bar);
    QFETCH(int, value);
    QFETCH(QString, frame);
    QFETCH(QString, valueLabel);
    QFETCH(QString, panel);

    Form f;
    auto *g = f.find<QGridLayout>(grid);
    QVERIFY(g);
    QCOMPARE(g->horizontalSpacing(), 6);
    QCOMPARE(g->verticalSpacing(), 0);
    QCOMPARE(g->parentWidget()->objectName(), panel);
    QCOMPARE(g->itemAtPosition(0, 0)->widget()->objectName(), caption);
    QCOMPARE(g->itemAtPosition(1, 0)->widget()->objectName(), bar);
    // The value frame spans both rows of column 1.
    QCOMPARE(g->itemAtPosition(0, 1)->widget()->objectName(), frame);
    QCOMPARE(g->itemAtPosition(1, 1)->widget()->objectName(), frame);

    auto *progress = f.find<QProgressBar>(bar);
    QCOMPARE(progress->value(), value);
    QCOMPARE(progress->isTextVisible(), false);
    QCOMPARE(progress->alignment(), Qt::AlignCenter);
    QCOMPARE(progress->textDirection(), QProgressBar::TopToBottom);

    auto *box = qobject_cast<QHBoxLayout *>(f.find<QFrame>(frame)->layout());
    QVERIFY(box);
    QCOMPARE(box->spacing(), 6);
    QCOMPARE(box->contentsMargins(), QMargins(3, 0, 0, 0));
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemAt(0)->widget()->objectName(), valueLabel);
    QCOMPARE(box->itemAt(1)->widget()->objectName(), valueLabel + QStringLiteral("_UNIT"));
    QVERIFY(box->itemAt(2)->spacerItem());
    const Qt::Alignment leftBottom = Qt::AlignLeft | Qt::AlignBottom;
    QCOMPARE(f.find<QLabel>(valueLabel)->alignment(), leftBottom);
    QCOMPARE(f.find<QLabel>(valueLabel + QStringLiteral("_UNIT"))->alignment(), leftBottom);
}

void tst_MainForm::initialState()
{
    Form f;
    auto *stacked = f.find<QStackedWidget>(QStringLiteral("stackedWidget"));
    QCOMPARE(stacked->count(), 2);
    QCOMPARE(stacked->widget(0)->objectName(), QStringLiteral("page_TitleMode01"));
    QCOMPARE(stacked->widget(1)->objectName(), QStringLiteral("page_TitleMode02"));
    QCOMPARE(stacked->currentIndex(), 0);
    QVERIFY(f.find<QRadioButton>(QStringLiteral("radioButton_Model01"))->isChecked());
    QVERIFY(!f.find<QRadioButton>(QStringLiteral("radioButton_Model02"))->isChecked());
    QCOMPARE(f.find<QProgressBar>(QStringLiteral("progressBar_MemoryUsage"))->value(), 24);
    QCOMPARE(f.find<QProgressBar>(QStringLiteral("progressBar_HardDiskUsage"))->value(), 24);
    QVERIFY(f.find<QLabel>(QStringLiteral("label_HidStatus"))->styleSheet().isEmpty());
    QVERIFY(f.find<QProgressBar>(QStringLiteral("progressBar_CPU02"))->styleSheet().isEmpty());
    QCOMPARE(f.find<QPushButton>(QStringLiteral("appLogo"))->focusPolicy(), Qt::NoFocus);
    QCOMPARE(f.find<QPushButton>(QStringLiteral("appLogo"))->iconSize(), QSize(32, 32));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("pushButton_Close"))->focusPolicy(), Qt::NoFocus);
    QCOMPARE(f.find<QLabel>(QStringLiteral("label_MemoryUsageNum"))->alignment(),
             Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(f.find<QLabel>(QStringLiteral("label_CrashTest"))->alignment(), Qt::AlignCenter);
}

void tst_MainForm::sheetImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("images");

    const QString page = QStringLiteral(":/images/mainpage/");
    auto buttonImages = [&](const char *stem) {
        const QString def = page + QLatin1String(stem) + QStringLiteral("Def.png");
        const QString sel = page + QLatin1String(stem) + QStringLiteral("Sel.png");
        return QStringList{def, sel, sel}; // normal, hover, pressed
    };
    QTest::newRow("appLogo") << "appLogo" << QStringList{":/images/AppLogo.png"};
    QTest::newRow("pushButton") << "pushButton" << QStringList{":/images/leftTopLogo.png"};
    QTest::newRow("setting") << "pushButton_Setting" << buttonImages("setting");
    QTest::newRow("min") << "pushButton_Min" << buttonImages("minWindow");
    QTest::newRow("max") << "pushButton_Max" << buttonImages("maxWindow");
    QTest::newRow("close") << "pushButton_Close" << buttonImages("closeWindow");
}

void tst_MainForm::sheetImages()
{
    QFETCH(QString, name);
    QFETCH(QStringList, images);

    Form f;
    const QString sheet = f.find<QWidget>(name)->styleSheet();
    QCOMPARE(urlsIn(sheet), images);
    if (images.size() == 3) {
        QVERIFY(sheet.contains(QLatin1String(":hover")));
        QVERIFY(sheet.contains(QLatin1String(":pressed")));
    }
}

void tst_MainForm::resources_data()
{
    QTest::addColumn<QString>("path");

    for (const char *name : {"AppLogo", "leftTopLogo", "bgImageMain"})
        QTest::newRow(name) << QStringLiteral(":/images/%1.png").arg(QLatin1String(name));
    for (const char *stem : {"setting", "minWindow", "maxWindow", "closeWindow", "intoMaxWindow"}) {
        for (const char *state : {"Def", "Sel"}) {
            const QString path = QStringLiteral(":/images/mainpage/%1%2.png")
                                     .arg(QLatin1String(stem), QLatin1String(state));
            QTest::newRow(qPrintable(path)) << path;
        }
    }
}

void tst_MainForm::resources()
{
    QFETCH(QString, path);

    QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QVERIFY(image.hasAlphaChannel());
    QVERIFY(image.width() >= 18 && image.height() >= 18);
}

void tst_MainForm::fixedRows_data()
{
    QTest::addColumn<QSize>("size");

    QTest::newRow("form size") << QSize(1200, 596);
    QTest::newRow("minimum") << QSize(); // the layout's minimum
    QTest::newRow("below minimum") << QSize(200, 150);
    QTest::newRow("tall") << QSize(1200, 1400);
    QTest::newRow("wide and short") << QSize(2400, 600);
    QTest::newRow("large") << QSize(2560, 1440);
}

void tst_MainForm::fixedRows()
{
    QFETCH(QSize, size);

    Form f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    // Polishing applies the sheets' fonts; let the layouts settle on them.
    QCoreApplication::processEvents();
    f.window.resize(size.isValid() ? size : f.window.minimumSizeHint());
    f.window.layout()->activate();
    QVERIFY(f.window.width() >= f.window.minimumSizeHint().width());
    QVERIFY(f.window.height() >= f.window.minimumSizeHint().height());

    QCOMPARE(f.find<QFrame>(QStringLiteral("frame_Title"))->height(), 45);
    QCOMPARE(f.find<QFrame>(QStringLiteral("frame_2"))->height(), 35);
    for (const char *dial : {"widget_CpuDashboard", "widget_GpuDashboard"}) {
        const int h = f.find<GaugeArc>(QLatin1String(dial))->height();
        QVERIFY2(h >= 280,
                 qPrintable(QStringLiteral("%1 is %2 high").arg(QLatin1String(dial)).arg(h)));
    }
    // Every reading stays inside its panel.
    const QFrame *left = f.find<QFrame>(QStringLiteral("frame_LeftArea"));
    const QLabel *power = f.find<QLabel>(QStringLiteral("label_CPU04_UNIT"));
    const QRect inLeft(power->mapTo(left, QPoint(0, 0)), power->size());
    QVERIFY(left->rect().contains(inLeft));
}

void tst_MainForm::titleBarPixels()
{
    Form f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    // Polishing applies the sheets' fonts; let the layouts settle on them.
    QCoreApplication::processEvents();
    f.window.layout()->activate();
    const QImage shot = f.window.grab().toImage();
    // For a look at the result: QUILLON_SAVE_SHOTS=<folder>.
    if (qEnvironmentVariableIsSet("QUILLON_SAVE_SHOTS"))
        shot.save(qEnvironmentVariable("QUILLON_SAVE_SHOTS") + QStringLiteral("/mainform.png"));

    // The close glyph is near-white on the dark title bar.
    const QWidget *close = f.find<QWidget>(QStringLiteral("pushButton_Close"));
    const QRect area(close->mapTo(&f.window, QPoint(0, 0)), close->size());
    int light = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            light += c.red() > 180 && c.green() > 180 && c.blue() > 180;
        }
    }
    QVERIFY2(light >= 10, qPrintable(QStringLiteral("%1 light pixels").arg(light)));

    // Between the name and the buttons the title bar shows its dark gradient.
    const QWidget *title = f.find<QWidget>(QStringLiteral("frame_Title"));
    const QPoint middle = title->mapTo(&f.window, QPoint(title->width() * 3 / 5, 25));
    const QColor bar = shot.pixelColor(middle);
    QVERIFY2(bar.red() <= 70 && bar.green() <= 70 && bar.blue() <= 70, qPrintable(bar.name()));
}

// A widget with form-style slots gets them connected by the build.
class SlotHost : public QWidget
{
    Q_OBJECT
public:
    int closeClicks = 0;
    int unitToggles = 0;
public slots:
    void on_pushButton_Close_clicked() { ++closeClicks; }
    void on_radioButton_Model02_toggled(bool) { ++unitToggles; }
};

void tst_MainForm::slotsConnectedByName()
{
    SlotHost host;
    MainFormPtr form = buildMainForm(&host);
    host.findChild<QPushButton *>(QStringLiteral("pushButton_Close"))->click();
    host.findChild<QRadioButton *>(QStringLiteral("radioButton_Model02"))->click();
    QCOMPARE(host.closeClicks, 1);
    QCOMPARE(host.unitToggles, 1);
}

QTEST_MAIN(tst_MainForm)
#include "tst_mainform.moc"
