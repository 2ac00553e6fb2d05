#include <QtTest>

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "shell/appconfig.h"
#include "ui/theme.h"
#include "widgets/gaugearc.h"

namespace {

const QString kFixtureDir = QStringLiteral(QUILLON_TEST_DATA "/theme_data/");

// Debug and warning messages seen while a ThemedForm is alive.
struct MessageLog
{
    QStringList debug;
    QStringList warnings;
};
MessageLog *gLog = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    // The offscreen platform says this on every show(); it is not about the theme.
    if (!gLog || msg.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (type == QtDebugMsg)
        gLog->debug << msg;
    else if (type != QtInfoMsg)
        gLog->warnings << msg;
}

class MessageCapture
{
public:
    MessageCapture() : previous(qInstallMessageHandler(recordMessage)) { gLog = &log; }
    ~MessageCapture()
    {
        qInstallMessageHandler(previous);
        gLog = nullptr;
    }
    MessageLog log;

private:
    QtMessageHandler previous;
};

// The form on a plain widget with the theme applied, as the window does it.
struct ThemedForm
{
    explicit ThemedForm(const AppConfig &config) : form(buildMainForm(&window))
    {
        applyTheme(&window, form.get(), config);
    }
    template <typename T> T *find(const char *name) const
    {
        T *w = window.findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("form has no %s", name);
        return w;
    }
    QString sheet(const char *name) const { return find<QWidget>(name)->styleSheet(); }

    QWidget window;
    MainFormPtr form;
};

QString untouchedSheet(const char *name)
{
    QWidget window;
    MainFormPtr form = buildMainForm(&window);
    return window.findChild<QWidget *>(QLatin1String(name))->styleSheet();
}

QStringList fixtureTemplates()
{
    QFile file(kFixtureDir + QStringLiteral("templates.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

// Fills %1, %2, ... by plain replacement, independently of QString::arg.
QString expand(QString text, const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i)
        text.replace(QLatin1Char('%') + QString::number(i + 1), values.at(i));
    return text;
}

AppConfig configFromIni(const QByteArray &ini, QTemporaryDir &dir)
{
    QFile file(dir.filePath(QStringLiteral("appConfig.ini")));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the temporary configuration");
    file.write(ini);
    file.close();
    return loadAppConfig(dir.path() + QLatin1Char('/'));
}

} // namespace

class tst_Theme : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void templates_data();
    void templates();
    void filledSheets_data();
    void filledSheets();
    void titleBar_data();
    void titleBar();
    void showModels_data();
    void showModels();
    void mainArea_data();
    void mainArea();
    void colourSplit_data();
    void colourSplit();
    void dials();
    void themedPixels();
    void configuredColours_data();
    void configuredColours();
    void logLines_data();
    void logLines();
    void badInput_data();
    void badInput();

private:
    AppConfig fixture;
};

void tst_Theme::initTestCase()
{
    fixture = loadAppConfig(kFixtureDir);
    QCOMPARE(fixture.appName, QStringLiteral("Quillon Test"));
    QCOMPARE(fixtureTemplates().size(), 10);
}

void tst_Theme::templates_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("start");

    QTest::newRow("T1 logo button") << 1 << 37 << 0 << QStringLiteral("QPushButton{ border-image");
    QTest::newRow("T2 window border") << 2 << 58 << 1 << QStringLiteral("QFrame#frame_Bg{ border");
    QTest::newRow("T3 title bar") << 3 << 178 << 30
                                  << QStringLiteral("\t\t\t\t\t\t\t\t\t\tQFrame#");
    QTest::newRow("T4 main area image")
        << 4 << 47 << 1 << QStringLiteral("QFrame#frame_MainArea{\t");
    QTest::newRow("T5 main area colour")
        << 5 << 51 << 1 << QStringLiteral("QFrame#frame_MainArea{\t");
    QTest::newRow("T6 status row")
        << 6 << 396 << 80 << QStringLiteral("\t\t\t\t\t\t\t\t\t\t\tQRadio");
    QTest::newRow("T7 panels") << 7 << 1129 << 421
                               << QStringLiteral("\t\t\t\t\t\t\t\t\t\t\tQFrame#");
    QTest::newRow("T8 centre panel") << 8 << 46 << 2 << QStringLiteral(" QLabel{\tcolor: rgb(%1);");
    QTest::newRow("T9 memory numbers")
        << 9 << 250 << 137 << QStringLiteral("\t\t\t\t\t\t\t\t\t\t\tQLabel#");
    QTest::newRow("T10 drive numbers")
        << 10 << 253 << 137 << QStringLiteral("\t\t\t\t\t\t\t\t\t\t\tQLabel#");
}

void tst_Theme::templates()
{
    QFETCH(int, id);
    QFETCH(int, length);
    QFETCH(int, tabs);
    QFETCH(QString, start);

    const QString text = themeTemplate(static_cast<ThemeSheet>(id));
    QCOMPARE(text, fixtureTemplates().at(id - 1));
    QCOMPARE(text.size(), length);
    QCOMPARE(text.count(QLatin1Char('\t')), tabs);
    QVERIFY(text.startsWith(start));
    QVERIFY(themeTemplate(static_cast<ThemeSheet>(0)).isEmpty());
    QVERIFY(themeTemplate(static_cast<ThemeSheet>(11)).isEmpty());
}

void tst_Theme::filledSheets_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("values");

    const QString font = QStringLiteral("Noto Sans");
    const QString main = QStringLiteral("222,247,80");
    const QString value = QStringLiteral("111,112,113");
    const QString def = QStringLiteral("41,42,43");
    QTest::newRow("frame_Bg") << "frame_Bg" << 2 << QStringList{QStringLiteral("11,12,13")};
    QTest::newRow("frame_Title") << "frame_Title" << 3
                                 << QStringList{QStringLiteral("21,22,23"),
                                                QStringLiteral("31,32,33")};
    QTest::newRow("frame_MainArea") << "frame_MainArea" << 5 << QStringList{"61,62,63"};
    QTest::newRow("frame_2") << "frame_2" << 6 << QStringList{def, main, font};
    QTest::newRow("frame_InfoShow")
        << "frame_InfoShow" << 7 << QStringList{"71,72,73", def, "51,52,53", main, font, value};
    QTest::newRow("frame_CenterArea") << "frame_CenterArea" << 8 << QStringList{main, font};
    QTest::newRow("frame_10") << "frame_10" << 9 << QStringList{value, main, font};
    QTest::newRow("frame_13") << "frame_13" << 10 << QStringList{value, main, font};
    QTest::newRow("appLogo (variant 1)")
        << "appLogo" << 1 << QStringList{kFixtureDir + QStringLiteral("logoSmall.png")};
}

void tst_Theme::filledSheets()
{
    QFETCH(QString, widget);
    QFETCH(int, id);
    QFETCH(QStringList, values);

    ThemedForm themed(fixture);
    const QString expected = expand(fixtureTemplates().at(id - 1), values);
    QCOMPARE(themed.sheet(qPrintable(widget)), expected);
}

void tst_Theme::titleBar_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("logoFrameHidden");
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<bool>("logoThemed");
    QTest::addColumn<bool>("wideThemed");

    const QString name = QStringLiteral("Quillon Test");
    QTest::newRow("0 name only") << 0 << "page_TitleMode01" << true << name << false << false;
    QTest::newRow("1 logo and name") << 1 << "page_TitleMode01" << false << name << true << false;
    QTest::newRow("2 wide image") << 2 << "page_TitleMode02" << false << name << false << true;
    QTest::newRow("3 empty") << 3 << "page_TitleMode01" << true << QString() << false << false;
    QTest::newRow("7 acts as 0") << 7 << "page_TitleMode01" << true << name << false << false;
    QTest::newRow("-1 acts as 0") << -1 << "page_TitleMode01" << true << name << false << false;
}

void tst_Theme::titleBar()
{
    QFETCH(int, model);
    QFETCH(QString, page);
    QFETCH(bool, logoFrameHidden);
    QFETCH(QString, nameText);
    QFETCH(bool, logoThemed);
    QFETCH(bool, wideThemed);

    AppConfig config = fixture;
    config.leftTopShowModel = model;
    ThemedForm themed(config);

    QCOMPARE(themed.find<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), page);
    QCOMPARE(themed.find<QFrame>("frame")->isHidden(), logoFrameHidden);
    QCOMPARE(themed.find<QLabel>("label_AppName")->text(), nameText);
    // The window title keeps the name whatever the title bar shows.
    QCOMPARE(themed.window.windowTitle(), QStringLiteral("Quillon Test"));

    const QString logo = logoButtonSheet(config.appIcoSel02);
    const QString wide = logoButtonSheet(config.leftTopShowImage);
    QCOMPARE(themed.sheet("appLogo"), logoThemed ? logo : untouchedSheet("appLogo"));
    QCOMPARE(themed.sheet("pushButton"), wideThemed ? wide : untouchedSheet("pushButton"));
    QCOMPARE(titleBarVariant(model),
             static_cast<TitleBarVariant>(qBound(0, model, 3) == model ? model : 0));
}

void tst_Theme::showModels_data()
{
    QTest::addColumn<int>("versionModel");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("statusModel");
    QTest::addColumn<int>("unitModel");

    QTest::newRow("all hidden") << 0 << "V_9" << 0 << 0;
    QTest::newRow("all shown") << 1 << "V_9" << 1 << 1;
    QTest::newRow("any non-zero shows") << 5 << "V_9" << -2 << 7;
    QTest::newRow("empty version shown empty") << 1 << "" << 1 << 0;
}

void tst_Theme::showModels()
{
    QFETCH(int, versionModel);
    QFETCH(QString, version);
    QFETCH(int, statusModel);
    QFETCH(int, unitModel);

    AppConfig config = fixture;
    config.appVersionShowModel = versionModel;
    config.appVersion = version;
    config.deviceConStatusShowModel = statusModel;
    config.temperatureChangShowModel = unitModel;
    ThemedForm themed(config);

    auto *versionLabel = themed.find<QLabel>("label_AppVersion");
    QCOMPARE(versionLabel->isHidden(), versionModel == 0);
    if (versionModel != 0)
        QCOMPARE(versionLabel->text(), version);
    QCOMPARE(themed.find<QLabel>("label_HidStatus")->isHidden(), statusModel == 0);
    QCOMPARE(themed.find<QRadioButton>("radioButton_Model01")->isHidden(), unitModel == 0);
    QCOMPARE(themed.find<QRadioButton>("radioButton_Model02")->isHidden(), unitModel == 0);
}

void tst_Theme::mainArea_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("image");

    QTest::newRow("0 colour") << 0 << false;
    QTest::newRow("1 colour") << 1 << false;
    QTest::newRow("2 image") << 2 << true;
    QTest::newRow("3 colour") << 3 << false;
}

void tst_Theme::mainArea()
{
    QFETCH(int, model);
    QFETCH(bool, image);

    AppConfig config = fixture;
    config.mainAreaShowModel = model;
    ThemedForm themed(config);
    const QString expected = image ? expand(fixtureTemplates().at(3),
                                            {kFixtureDir + QStringLiteral("mainBackground.png")})
                                   : expand(fixtureTemplates().at(4), {QStringLiteral("61,62,63")});
    QCOMPARE(themed.sheet("frame_MainArea"), expected);
}

void tst_Theme::colourSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("expected");

    QTest::newRow("three components") << "10,20,30" << QColor(10, 20, 30, 255);
    QTest::newRow("empty is black") << "" << QColor(0, 0, 0, 255);
    QTest::newRow("two components") << "10,20" << QColor(10, 20, 0, 255);
    QTest::newRow("non-numeric component") << "10,x,30" << QColor(10, 0, 30, 255);
    QTest::newRow("five components, first three used") << "1,2,3,4,5" << QColor(1, 2, 3, 255);
    QTest::newRow("hex is not decimal") << "0x10,20,30" << QColor(0, 20, 30, 255);
    QTest::newRow("out of range clamped") << "300,-5,255" << QColor(255, 0, 255, 255);
    QTest::newRow("dots are not separators") << "10.20.30" << QColor(0, 0, 0, 255);
}

void tst_Theme::colourSplit()
{
    QFETCH(QString, text);
    QFETCH(QColor, expected);

    MessageCapture capture;
    const QColor colour = colourFromRgbText(text);
    QVERIFY(colour.isValid());
    QCOMPARE(colour, expected);
    QCOMPARE(capture.log.warnings, QStringList());
}

void tst_Theme::dials()
{
    ThemedForm themed(fixture);
    const struct
    {
        const char *name;
        const char *caption;
    } dials[] = {{"widget_CpuDashboard", "CPU Temp"}, {"widget_GpuDashboard", "GPU Temp"}};
    for (const auto &d : dials) {
        const GaugeArc *dial = themed.find<GaugeArc>(d.name);
        QCOMPARE(dial->getExplainText(), QLatin1String(d.caption));
        QCOMPARE(dial->getScaleMajor(), 10);
        QCOMPARE(dial->getScaleMinor(), 5);
        QCOMPARE(dial->getStartAngle(), 50);
        QCOMPARE(dial->getEndAngle(), 50);
        QCOMPARE(dial->getAnimation(), true);
        QCOMPARE(dial->getAnimationStep(), 0.5);
        QCOMPARE(dial->getPointerStyle(), GaugeArc::PointerStyle_Indicator);
        QCOMPARE(dial->getMinValue(), 0.0);
        QCOMPARE(dial->getMaxValue(), 100.0);
        QCOMPARE(dial->getArcColor(), QColor(81, 82, 83, 255));
        QCOMPARE(dial->getScaleColor(), QColor(81, 82, 83, 255));
        QCOMPARE(dial->getScaleNumColor(), QColor(81, 82, 83, 255));
        // The fixture's pointer colour has four components; the alpha is not used.
        QCOMPARE(dial->getPointerColor(), QColor(91, 92, 93, 255));
        QCOMPARE(dial->getTextColor(), QColor(101, 102, 103, 255));
    }
    QCOMPARE(themed.window.windowTitle(), QStringLiteral("Quillon Test"));
    QVERIFY(!themed.window.windowIcon().isNull());
}

void tst_Theme::themedPixels()
{
    ThemedForm themed(fixture);
    themed.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&themed.window));
    // Polishing applies the sheets' fonts; let the layouts settle on them.
    QCoreApplication::processEvents();
    themed.window.layout()->activate();
    const QImage shot = themed.window.grab().toImage();
    if (qEnvironmentVariableIsSet("QUILLON_SAVE_SHOTS"))
        shot.save(qEnvironmentVariable("QUILLON_SAVE_SHOTS") +
                  QStringLiteral("/theme_fixture.png"));

    auto pixelIn = [&](const char *name, QPoint at) {
        const QWidget *w = themed.find<QWidget>(name);
        return shot.pixelColor(w->mapTo(&themed.window, at));
    };
    // The main area's own margin shows MainBgColor.
    QCOMPARE(pixelIn("frame_MainArea", QPoint(3, 100)), QColor(61, 62, 63));
    // The window border is AppBorderColor.
    QCOMPARE(shot.pixelColor(0, 300), QColor(11, 12, 13));
    // The title gradient runs between its two configured colours.
    const QColor title = pixelIn("frame_Title", QPoint(500, 20));
    QVERIFY2(title.red() >= 21 && title.red() <= 31, qPrintable(title.name()));
    QVERIFY2(title.blue() >= 23 && title.blue() <= 33, qPrintable(title.name()));
}

void tst_Theme::configuredColours_data()
{
    QTest::addColumn<QByteArray>("themeColours");
    QTest::addColumn<QString>("borderRgb");
    QTest::addColumn<QColor>("pointer");

    QTest::newRow("four components")
        << QByteArray("AppBorderColor=10.20.30.40\nRoundPointerColor=10.20.30.40\n") << "10,20,30"
        << QColor(10, 20, 30, 255);
    QTest::newRow("no pointer colour")
        << QByteArray("AppBorderColor=1.2.3\n") << "1,2,3" << QColor(0, 0, 0, 255);
}

void tst_Theme::configuredColours()
{
    QFETCH(QByteArray, themeColours);
    QFETCH(QString, borderRgb);
    QFETCH(QColor, pointer);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const AppConfig config = configFromIni("[ThemeColor]\n" + themeColours, dir);
    ThemedForm themed(config);
    QCOMPARE(themed.sheet("frame_Bg"), expand(fixtureTemplates().at(1), {borderRgb}));
    QCOMPARE(themed.find<GaugeArc>("widget_CpuDashboard")->getPointerColor(), pointer);
    QCOMPARE(themed.find<GaugeArc>("widget_GpuDashboard")->getPointerColor(), pointer);
}

void tst_Theme::logLines_data()
{
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("existence");

    QTest::newRow("icon present") << kFixtureDir + QStringLiteral("appIcon.png")
                                  << "APP ICO -> Ico file is exists";
    QTest::newRow("icon missing") << kFixtureDir + QStringLiteral("missing.ico")
                                  << "APP ICO -> Ico file is not exists";
    QTest::newRow("icon path is the folder") << kFixtureDir << "APP ICO -> Ico file is exists";
}

void tst_Theme::logLines()
{
    QFETCH(QString, icon);
    QFETCH(QString, existence);

    AppConfig config = fixture;
    config.appIcoSel01 = icon;
    MessageCapture capture;
    {
        ThemedForm themed(config);
    }
    const QStringList expected{QStringLiteral("initTheme runing -> Start"),
                               QStringLiteral("APP ICO: \"") + icon + QLatin1Char('"'), existence,
                               QStringLiteral("initTheme runing -> Over")};
    QCOMPARE(capture.log.debug, expected);
    QCOMPARE(capture.log.warnings, QStringList());
}

void tst_Theme::badInput_data()
{
    QTest::addColumn<int>("leftTopModel");
    QTest::addColumn<int>("mainAreaModel");
    QTest::addColumn<bool>("emptyColours");

    QTest::newRow("empty record, variant 7") << 7 << 0 << true;
    QTest::newRow("empty record, logo without file") << 1 << 2 << true;
    QTest::newRow("empty record, wide image without file") << 2 << 2 << true;
    QTest::newRow("fixture, images without files") << 1 << 2 << false;
    QTest::newRow("fixture, wide image without file") << 2 << 2 << false;
}

void tst_Theme::badInput()
{
    QFETCH(int, leftTopModel);
    QFETCH(int, mainAreaModel);
    QFETCH(bool, emptyColours);

    AppConfig config;
    if (emptyColours) {
        config.textFont.clear();
    } else {
        config = fixture;
    }
    config.leftTopShowModel = leftTopModel;
    config.mainAreaShowModel = mainAreaModel;
    config.appIcoSel01 = QStringLiteral("/nonexistent/app.ico");
    config.appIcoSel02 = QStringLiteral("/nonexistent/logo.png");
    config.leftTopShowImage = QStringLiteral("/nonexistent/wide.png");
    config.mainAreaShowBgImage = QStringLiteral("/nonexistent/background.png");

    MessageCapture capture;
    {
        ThemedForm themed(config);
        themed.window.resize(1200, 596);
        themed.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&themed.window));
        // Polishing applies the sheets' fonts; let the layouts settle on them.
        QCoreApplication::processEvents();
        // Style sheets are parsed when the widgets are polished and painted.
        const QImage image = themed.window.grab().toImage();
        QVERIFY(!image.isNull());
        if (qEnvironmentVariableIsSet("QUILLON_SAVE_SHOTS"))
            image.save(qEnvironmentVariable("QUILLON_SAVE_SHOTS") + QStringLiteral("/theme_bad_") +
                       QString::fromLatin1(QTest::currentDataTag())
                           .replace(QLatin1Char(' '), QLatin1Char('_')) +
                       QStringLiteral(".png"));
        QCOMPARE(capture.log.debug.size(), 4);
    }
    QVERIFY2(capture.log.warnings.isEmpty(),
             qPrintable(capture.log.warnings.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_Theme)
#include "tst_theme.moc"
