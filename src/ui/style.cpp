#include "ui/style.h"

#include "storage/archivefile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace ui {

namespace {

const char* const StyleSheet = R"(
QWidget { font-size: 10pt; }
QFrame[class="header"] { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #27476d, stop:1 #3d6a9e); }
QFrame[class="header"] QLabel { color: white; }
QToolButton[class="headercommand"] { background: #f0f4f9; color: #1f2d3d; border-radius: 3px; padding: 3px 8px; }
QToolButton[class="headercommand"]:hover { background: white; }
QLabel[class="headertitle"] { font-size: 17pt; font-weight: bold; }
QLabel[class="headersubtitle"] { font-size: 10pt; color: #dce6f2; }
QLabel[class="title"] { font-size: 13pt; font-weight: bold; color: #27476d; }
QLabel[class="link"] { color: #1f5fbf; text-decoration: underline; }
QLabel[class="producttitle"] { font-size: 20pt; font-weight: bold; color: #27476d; qproperty-alignment: AlignCenter; }
QLabel[class="productline"] { color: #34495e; qproperty-alignment: AlignCenter; }
QFrame[class="picture"] { background: #f4f7fb; border-bottom: 1px solid #d5dde8; }
QFrame[class="commandbar"] { background: #eef2f7; border-top: 1px solid #d5dde8; }
QFrame[class="areacard"] { background: #f7f9fc; border: 1px solid #d5dde8; border-radius: 10px; }
QFrame[class="areacard"]:hover { border-color: #3d6a9e; background: #eef4fb; }
QToolButton[class="areabutton"] { font-size: 11pt; font-weight: bold; color: #27476d; }
QToolButton[class="command"] { min-width: 64px; padding: 2px 4px; color: #1f2d3d; }
QLineEdit:focus, QComboBox:focus, QAbstractSpinBox:focus { border: 2px solid #e07b39; border-radius: 3px; }
QFrame[class="focusframe"] { border: 2px solid #e07b39; border-radius: 4px; background: transparent; }
QLineEdit[class="identifier"] { font-family: "Liberation Mono"; font-size: 12pt; }
QLabel[class="fieldlabel"] { color: #34495e; }
QLabel[class="position"] { color: #27476d; background: white; border: 1px solid #b8c4d3; border-radius: 4px; font-size: 14pt; font-weight: bold; padding: 2px 8px; }
QGroupBox { font-weight: bold; color: #27476d; border: 1px solid #d5dde8; border-radius: 6px; margin-top: 12px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }
QLabel[class="badgealert"] { background: #e07b39; color: white; font-weight: bold; font-size: 11pt; padding: 6px 14px; border-radius: 6px; }
QLabel[class="badgeok"] { background: #3f9a5a; color: white; font-weight: bold; font-size: 11pt; padding: 6px 14px; border-radius: 6px; }
QToolButton[class="bigbutton"] { text-align: left; padding: 6px 10px; font-weight: bold; color: #27476d; border: 1px solid #c9d3df; border-radius: 6px; background: #f7f9fc; }
QToolButton[class="bigbutton"]:hover { background: #eef4fb; border-color: #3d6a9e; }
QLabel#panInfo { background: #eef2f7; border-top: 1px solid #d5dde8; padding: 3px 8px; color: #34495e; }
)";

} // namespace

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(u"Quirvale"_s);
    QApplication::setApplicationVersion(u"5.0"_s);
    QApplication::setOrganizationName(u"Quirvale"_s);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(u":/ui/quirvale.svg"_s));
    // A wait for an archive that another workstation holds shows the wait cursor.
    ArchiveFile::setWaitCall([](bool waiting) {
        if (waiting)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });

    QLocale italian(QLocale::Italian, QLocale::Italy);
    italian.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(italian);
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(italian, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);

    // Icons by their freedesktop names: the desktop's theme, else Breeze.
    QIcon::setFallbackThemeName(u"breeze"_s);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor"_s)
        QIcon::setThemeName(u"breeze"_s);
    // Without a desktop (the offscreen platform that draws the manual's
    // pictures) Qt looks for themes in its resources only: the system's icon
    // folders are added, so every picture shows the same icons as the screens.
    QStringList iconFolders = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = QDir(data).filePath(u"icons"_s);
        if (!iconFolders.contains(icons) && QFileInfo(icons).isDir())
            iconFolders << icons;
    }
    QIcon::setThemeSearchPaths(iconFolders);

    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QFont font(u"Liberation Sans"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    QApplication::setFont(font);
    app.setStyleSheet(QString::fromUtf8(StyleSheet));
}

} // namespace ui
