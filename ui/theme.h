#ifndef THEME_H
#define THEME_H

#include "shell/appconfig.h"

#include <QColor>
#include <QString>

#include <memory>

class QWidget;
namespace Ui {
class DMainWidget;
}

// The main window's look, built from the configuration record. Everything that
// computes is a pure function here so it can be checked without a window;
// applyTheme() puts the pieces on a built form.
//
// The window's initTheme() takes its AppConfig copy from DDataManager, calls
//     applyTheme(this, ui, config);
// and then goes on with createStartupTask(config).

// The ten style-sheet templates. Their text (tab runs included) is kept exactly as
// the sheets were first written, so a sheet can be compared with a stored one.
enum class ThemeSheet
{
    LogoButton = 1, // T1: appLogo (variant 1) or pushButton (variant 2), %1 image path
    WindowBorder,   // T2: frame_Bg
    TitleBar,       // T3: frame_Title
    MainAreaImage,  // T4: frame_MainArea when mainAreaShowModel is 2
    MainAreaColour, // T5: frame_MainArea otherwise
    StatusRow,      // T6: frame_2
    InfoPanels,     // T7: frame_InfoShow
    CentrePanel,    // T8: frame_CenterArea
    MemoryNumbers,  // T9: frame_10
    DriveNumbers,   // T10: frame_13
};

// The unfilled template, with its %1, %2, ... placeholders.
QString themeTemplate(ThemeSheet sheet);

// Filled sheets: each placeholder gets its value with one QString::arg call, in order.
QString logoButtonSheet(const QString &imagePath);
QString windowBorderSheet(const AppConfig &config);
QString titleBarSheet(const AppConfig &config);
QString mainAreaSheet(const AppConfig &config); // T4 for model 2, T5 for any other
QString statusRowSheet(const AppConfig &config);
QString infoPanelsSheet(const AppConfig &config);
QString centrePanelSheet(const AppConfig &config);
QString memoryNumbersSheet(const AppConfig &config);
QString driveNumbersSheet(const AppConfig &config);

// "r,g,b" (the configuration's colour text) to an opaque colour. Components are taken
// with QString::section on ","; a missing or non-numeric one counts as 0, and values
// outside 0..255 are clamped so that a bad file cannot make an invalid colour.
QColor colourFromRgbText(const QString &rgbText);

// What the title bar shows, chosen by leftTopShowModel; unknown values act as 0.
enum class TitleBarVariant
{
    NameOnly = 0,    // page_TitleMode01, logo frame hidden
    LogoAndName = 1, // page_TitleMode01, logo frame shown, appLogo gets appIcoSel02
    WideImage = 2,   // page_TitleMode02, pushButton gets leftTopShowImage
    Empty = 3,       // page_TitleMode01, logo frame hidden, label_AppName emptied
};
TitleBarVariant titleBarVariant(int leftTopShowModel);

// Makes the images compiled into quillon_ui (":/images/...") available. The library
// is static, so its resource initialiser is only linked in when something calls this;
// applyTheme() does, and it is safe to call more than once.
void initThemeResources();

// The main form built on a plain widget, for tools and tests that need the tree and its
// theming without the window's behaviour (the generated form header is private to
// this library). The widget owns the widgets; the returned object owns the form.
struct MainFormDeleter
{
    void operator()(Ui::DMainWidget *form) const;
};
using MainFormPtr = std::unique_ptr<Ui::DMainWidget, MainFormDeleter>;
MainFormPtr buildMainForm(QWidget *window);

// Steps 1 to 13 of the window's theming, with their debug log lines: window title and
// icon, the two dials, the title-bar variant, the optional labels and buttons, and the
// eight frame style sheets. `window` is the widget the form was built on.
void applyTheme(QWidget *window, Ui::DMainWidget *ui, const AppConfig &config);

// The "Initialization..." overlay of the start-up step, the size of `window`, hidden;
// its label is labelWidth wide, in the configuration's round-text colour and font.
QWidget *buildInitOverlay(QWidget *window, int labelWidth, const AppConfig &config);

#endif // THEME_H
