#include "theme.h"

#include "ui_dmainwidget.h"
#include "widgets/gaugearc.h"

#include <QDebug>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace {

// Tab runs and spacing are part of the stored texts: keep them character for character.
const char *const kTemplates[] = {
    // T1
    "QPushButton{ border-image: url(%1); }",
    // T2
    "QFrame#frame_Bg{ border: none;\tborder:1px solid rgb(%1); }",
    // T3
    "\t\t\t\t\t\t\t\t\t\tQFrame#frame_Title{\t"
    "background-color: qlineargradient(spread:pad, x1:0.388273, "
    "y1:1, x2:0.446909,\t\t\t\t\t\t\t\t\t\t"
    "y2:0, stop:0 rgba(%2, 255), stop:1 rgba(%1, 255)); }\t\t\t\t\t\t\t\t\t",
    // T4
    "QFrame#frame_MainArea{\tborder-image: url(%1); }",
    // T5
    "QFrame#frame_MainArea{\tbackground-color: rgb(%1); }",
    // T6
    "\t\t\t\t\t\t\t\t\t\t\tQRadioButton{ color: rgb(%1);font: 75 12pt \"%3\";}"
    "\t\t\t\t\t\t\t\t\t\t\tQRadioButton:unchecked{\t"
    "color: rgb(%1); font: 75 12pt \"%3\"; }\t\t\t\t\t\t\t\t\t\t\t"
    "QRadioButton:checked {\tcolor: rgb(%2); font: 75 12pt \"%3\"; }"
    "\t\t\t\t\t\t\t\t\t\t\t"
    "QRadioButton::indicator:checked { background-color: rgb(%2); "
    "border-radius:6px; border:2px solid white; }"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQLabel{\t"
    "color: rgb(%2); font: 75 14pt \"%3\";\t}\t\t\t\t\t\t\t\t\t\t",
    // T7
    "\t\t\t\t\t\t\t\t\t\t\t"
    "QFrame#frame_LeftArea,QFrame#frame_CenterArea,QFrame#frame_RightArea"
    "\t\t\t\t\t\t\t\t\t\t\t{\t\t\t\t\t\t\t\t\t\t\t\tborder: none;"
    "\t\t\t\t\t\t\t\t\t\t\t\tborder:2px solid rgb(%1);\t\t\t\t\t\t\t\t\t\t\t\t"
    "border-radius: 6px;\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQLabel\t\t\t\t\t\t\t\t\t\t\t{"
    "\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%2);\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "font: 75 10pt \"%5\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "QLabel#label_CPU01,QLabel#label_CPU02,QLabel#label_CPU03,QLa"
    "bel#label_CPU04,\t\t\t\t\t\t\t\t\t\t\t"
    "QLabel#label_GPU01,QLabel#label_GPU02,QLabel#label_GPU03,QLa"
    "bel#label_GPU04\t\t\t\t\t\t\t\t\t\t\t{\t\t\t\t\t\t\t\t\t\t\t\t"
    "color: rgb(%6);\t\t\t\t\t\t\t\t\t\t\t\t\tfont: 75 12pt \"%5\";"
    "\t\t\t\t\t\t\t\t\t\t\t}\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "QLabel#label_CPU01_UNIT,QLabel#label_CPU02_UNIT,QLabel#label"
    "_CPU03_UNIT,QLabel#label_CPU04_UNIT,\t\t\t\t\t\t\t\t\t\t\t"
    "QLabel#label_GPU01_UNIT,QLabel#label_GPU02_UNIT,QLabel#label"
    "_GPU03_UNIT,QLabel#label_GPU04_UNIT\t\t\t\t\t\t\t\t\t\t\t{"
    "\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%4);\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "font: 75 12pt \"%5\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQProgressBar {"
    "\t\t\t\t\t\t\t\t\t\t\t\tbackground-color: rgb(%3);\t\t\t\t\t\t\t\t\t\t\t\t"
    "border-radius:3px;\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQProgressBar::chunk {"
    "\t\t\t\t\t\t\t\t\t\t\t\tbackground-color: rgb(%4);\t\t\t\t\t\t\t\t\t\t\t\t"
    "border-radius:3px;\t\t\t\t\t\t\t\t\t\t\t}\t\t\t\t\t\t\t\t\t",
    // T8
    " QLabel{\tcolor: rgb(%1); font: 75 14pt \"%2\";\t}",
    // T9
    "\t\t\t\t\t\t\t\t\t\t\tQLabel#label_MemoryUsageNum\t\t\t\t\t\t\t\t\t\t\t{"
    "\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%1);\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "font: 75 46pt \"%3\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQLabel#label_6"
    "\t\t\t\t\t\t\t\t\t\t\t{\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%2);"
    "\t\t\t\t\t\t\t\t\t\t\t\t\tfont: 75 20pt \"%3\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t",
    // T10
    "\t\t\t\t\t\t\t\t\t\t\tQLabel#label_HardDiskUsageNum\t\t\t\t\t\t\t\t\t\t\t{"
    "\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%1);\t\t\t\t\t\t\t\t\t\t\t\t\t"
    "font: 75 46pt \"%3\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tQLabel#label_12"
    "\t\t\t\t\t\t\t\t\t\t\t{\t\t\t\t\t\t\t\t\t\t\t\tcolor: rgb(%2);"
    "\t\t\t\t\t\t\t\t\t\t\t\t\tfont: 75 20pt \"%3\";\t\t\t\t\t\t\t\t\t\t\t}"
    "\t\t\t\t\t\t\t\t\t\t",
};

QString filled(ThemeSheet sheet, std::initializer_list<QString> values)
{
    QString text = themeTemplate(sheet);
    for (const QString &value : values)
        text = text.arg(value);
    return text;
}

int componentAt(const QString &rgbText, int index)
{
    bool ok = false;
    const int v = rgbText.section(QLatin1Char(','), index, index).toInt(&ok, 10);
    return ok ? std::clamp(v, 0, 255) : 0;
}

void configureDial(GaugeArc *dial, const QString &caption, const QColor &border,
                   const QColor &pointer, const QColor &text)
{
    dial->setExplainText(caption);
    dial->setScaleMajor(10);
    dial->setScaleMinor(5);
    dial->setStartAngle(50);
    dial->setEndAngle(50);
    dial->setAnimation(true);
    dial->setAnimationStep(0.5);
    dial->setPointerStyle(GaugeArc::PointerStyle_Indicator);
    dial->setRange(0, 100);
    dial->setArcColor(border);
    dial->setScaleColor(border);
    dial->setScaleNumColor(border);
    dial->setPointerColor(pointer);
    dial->setTextColor(text);
}

} // namespace

QString themeTemplate(ThemeSheet sheet)
{
    const int index = static_cast<int>(sheet) - 1;
    constexpr int count = int(sizeof(kTemplates) / sizeof(kTemplates[0]));
    if (index < 0 || index >= count)
        return QString();
    return QString::fromLatin1(kTemplates[index]);
}

QString logoButtonSheet(const QString &imagePath)
{
    return filled(ThemeSheet::LogoButton, {imagePath});
}

QString windowBorderSheet(const AppConfig &config)
{
    return filled(ThemeSheet::WindowBorder, {config.appBorderColor});
}

QString titleBarSheet(const AppConfig &config)
{
    return filled(ThemeSheet::TitleBar, {config.titleBgColorStart, config.titleBgColorStop});
}

QString mainAreaSheet(const AppConfig &config)
{
    if (config.mainAreaShowModel == 2)
        return filled(ThemeSheet::MainAreaImage, {config.mainAreaShowBgImage});
    return filled(ThemeSheet::MainAreaColour, {config.mainBgColor});
}

QString statusRowSheet(const AppConfig &config)
{
    return filled(ThemeSheet::StatusRow, {config.defaultColor, config.mainColor, config.textFont});
}

QString infoPanelsSheet(const AppConfig &config)
{
    return filled(ThemeSheet::InfoPanels,
                  {config.borderColor, config.defaultColor, config.progressBarDefColor,
                   config.mainColor, config.textFont, config.dataValueTextColor});
}

QString centrePanelSheet(const AppConfig &config)
{
    return filled(ThemeSheet::CentrePanel, {config.mainColor, config.textFont});
}

QString memoryNumbersSheet(const AppConfig &config)
{
    return filled(ThemeSheet::MemoryNumbers,
                  {config.dataValueTextColor, config.mainColor, config.textFont});
}

QString driveNumbersSheet(const AppConfig &config)
{
    return filled(ThemeSheet::DriveNumbers,
                  {config.dataValueTextColor, config.mainColor, config.textFont});
}

QColor colourFromRgbText(const QString &rgbText)
{
    return QColor(componentAt(rgbText, 0), componentAt(rgbText, 1), componentAt(rgbText, 2), 255);
}

TitleBarVariant titleBarVariant(int leftTopShowModel)
{
    switch (leftTopShowModel) {
    case 1:
        return TitleBarVariant::LogoAndName;
    case 2:
        return TitleBarVariant::WideImage;
    case 3:
        return TitleBarVariant::Empty;
    default:
        return TitleBarVariant::NameOnly;
    }
}

void initThemeResources()
{
    Q_INIT_RESOURCE(resources);
}

void MainFormDeleter::operator()(Ui::DMainWidget *form) const
{
    delete form;
}

MainFormPtr buildMainForm(QWidget *window)
{
    MainFormPtr form(new Ui::DMainWidget);
    form->setupUi(window);
    return form;
}

void applyTheme(QWidget *window, Ui::DMainWidget *ui, const AppConfig &config)
{
    initThemeResources();
    qDebug() << "initTheme runing -> Start";

    const QColor border = colourFromRgbText(config.roundBorderColor);
    const QColor pointer = colourFromRgbText(config.roundPointerColor);
    const QColor text = colourFromRgbText(config.roundTextColor);
    configureDial(ui->widget_CpuDashboard, QStringLiteral("CPU Temp"), border, pointer, text);
    configureDial(ui->widget_GpuDashboard, QStringLiteral("GPU Temp"), border, pointer, text);

    window->setWindowTitle(config.appName);
    window->setWindowIcon(QIcon(config.appIcoSel01));
    ui->label_AppName->setText(config.appName);

    qDebug() << "APP ICO:" << config.appIcoSel01;
    if (QFileInfo::exists(config.appIcoSel01))
        qDebug() << "APP ICO -> Ico file is exists";
    else
        qDebug() << "APP ICO -> Ico file is not exists";

    if (config.appVersionShowModel == 0) {
        ui->label_AppVersion->hide();
    } else {
        ui->label_AppVersion->setText(config.appVersion);
        ui->label_AppVersion->show();
    }

    ui->label_HidStatus->setVisible(config.deviceConStatusShowModel != 0);

    switch (titleBarVariant(config.leftTopShowModel)) {
    case TitleBarVariant::LogoAndName:
        ui->stackedWidget->setCurrentWidget(ui->page_TitleMode01);
        ui->frame->show();
        ui->appLogo->setStyleSheet(logoButtonSheet(config.appIcoSel02));
        break;
    case TitleBarVariant::WideImage:
        // The logo frame keeps its visibility: it sits on the page that is not shown.
        ui->stackedWidget->setCurrentWidget(ui->page_TitleMode02);
        ui->pushButton->setStyleSheet(logoButtonSheet(config.leftTopShowImage));
        break;
    case TitleBarVariant::Empty:
        ui->stackedWidget->setCurrentWidget(ui->page_TitleMode01);
        ui->frame->hide();
        ui->label_AppName->setText(QString());
        break;
    case TitleBarVariant::NameOnly:
        ui->stackedWidget->setCurrentWidget(ui->page_TitleMode01);
        ui->frame->hide();
        break;
    }

    const bool unitButtons = config.temperatureChangShowModel != 0;
    ui->radioButton_Model01->setVisible(unitButtons);
    ui->radioButton_Model02->setVisible(unitButtons);

    ui->frame_Bg->setStyleSheet(windowBorderSheet(config));
    ui->frame_Title->setStyleSheet(titleBarSheet(config));
    ui->frame_MainArea->setStyleSheet(mainAreaSheet(config));
    ui->frame_2->setStyleSheet(statusRowSheet(config));
    ui->frame_InfoShow->setStyleSheet(infoPanelsSheet(config));
    ui->frame_CenterArea->setStyleSheet(centrePanelSheet(config));
    ui->frame_10->setStyleSheet(memoryNumbersSheet(config));
    ui->frame_13->setStyleSheet(driveNumbersSheet(config));

    qDebug() << "initTheme runing -> Over";
}

QWidget *buildInitOverlay(QWidget *window, int labelWidth, const AppConfig &config)
{
    auto *overlay = new QWidget(window);
    overlay->setWindowFlags(Qt::FramelessWindowHint);
    overlay->resize(window->size());
    overlay->setObjectName(QStringLiteral("widget"));
    overlay->setStyleSheet(
        QStringLiteral("#widget {background-color:rgba(10, 10, 10, 128); border-radius:0px;}"));
    overlay->hide();

    auto *label = new QLabel(QStringLiteral("Initialization..."), overlay);
    label->setFixedWidth(labelWidth);
    label->setFixedHeight(150);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel{color: rgb(%1);font: 75 40pt \"%2\";}")
                             .arg(config.roundTextColor, config.textFont));
    auto *layout = new QVBoxLayout(overlay);
    layout->setContentsMargins(0, 90, 0, 0);
    layout->addWidget(label);
    return overlay;
}
