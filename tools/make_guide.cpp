// Writes the manual Guida.pdf from the help topics of the program: an A4
// manual with a title page, the contents with page numbers, one chapter per
// topic and, in the chapters about a screen, a picture of that screen drawn
// from its real form at build time.
//   make_guide OUTPUT.pdf
#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "backup/toolsscreen.h"
#include "contacts/contactcard.h"
#include "documents/documentcard.h"
#include "exchange/exchangescreen.h"
#include "reminders/settingsscreen.h"
#include "shell/help.h"
#include "shell/mainmenu.h"
#include "shell/screens.h"
#include "storage/programfolder.h"
#include "summaries/summariesmenu.h"
#include "sync/syncscreen.h"
#include "ui/exportscreen.h"
#include "ui/style.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double MarginMm = 20;
constexpr int Resolution = 300;

// The picture of a screen as its form draws it, at its design size.
QImage picture(QWidget* screen)
{
    screen->setAttribute(Qt::WA_DontShowOnScreen);
    screen->show();
    QApplication::processEvents();
    const QImage image = screen->grab().toImage();
    screen->hide();
    return image;
}

// The pictures of the chapters, by topic title: the screen each describes.
QHash<QString, QImage> pictures(shell::Screens& screens)
{
    QHash<QString, QImage> shots;
    const auto add = [&shots](const QString& start, QWidget* screen) {
        for (const auto& topic : shell::help::topics()) {
            if (topic.title.startsWith(start) && !shots.contains(topic.title))
                shots.insert(topic.title, picture(screen));
        }
    };
    add(u"Uno sguardo"_s, screens.menu());
    add(u"Applicazione Agenda"_s, screens.agenda());
    add(u"Applicazione Archivio appuntamenti"_s, screens.appointmentCard());
    add(u"Applicazione Anagrafica"_s, screens.contacts());
    add(u"Applicazione Archivio Documenti"_s, screens.documents());
    add(u"Applicazione Riepiloghi"_s, screens.summaries());
    ui::ExportScreen appointments(appointments::archiveExport(), nullptr);
    add(u"Esportazione archivio appuntamenti"_s, &appointments);
    ui::ExportScreen contacts(ContactCard::exportDefinition(), nullptr);
    add(u"Esportazione archivio contatti"_s, &contacts);
    ui::ExportScreen documents(DocumentCard::exportDefinition(), nullptr);
    add(u"Esportazione archivio documenti"_s, &documents);
    ExchangeScreen exchange(exchange::Archive::Appointments, nullptr);
    add(u"Scambio con calendari"_s, &exchange);
    SyncScreen sync;
    add(u"Sincronizzazione con il server"_s, &sync);
    ToolsScreen tools;
    add(u"Strumenti"_s, &tools);
    SettingsScreen settings(screens.reminders());
    add(u"Promemoria sul desktop"_s, &settings);
    return shots;
}

QString html(const QList<int>& chapterPages, const QHash<QString, QImage>& shots)
{
    const auto& topics = shell::help::topics();
    QString h = u"<html><body style=\"font-family: 'Liberation Sans', Arial; font-size: 11pt;\">"_s;
    // The title page.
    for (int i = 0; i < 12; ++i)
        h += u"<p style=\"font-size: 18pt;\">&nbsp;</p>"_s;
    h += u"<p style=\"font-size: 30pt; font-weight: bold; color: #27476d;\" align=\"center\">"
         u"Quirvale 5.0</p>"
         u"<p style=\"font-size: 16pt; color: #34495e;\" align=\"center\">Guida all'utilizzo del software</p>"
         u"<p style=\"margin-top: 40pt; font-size: 11pt; color: #34495e;\" align=\"center\">"
         u"Agenda, appuntamenti, contatti e protocollo dei documenti</p>"_s;
    // The contents.
    h += u"<h1 style=\"page-break-before: always; font-size: 18pt; color: #27476d;\">Indice</h1>"
         u"<table width=\"100%\" cellspacing=\"0\" cellpadding=\"4\">"_s;
    for (qsizetype i = 0; i < topics.size(); ++i) {
        const QString page = i < chapterPages.size() ? QString::number(chapterPages[i]) : u"00"_s;
        h += u"<tr><td>%1. %2</td><td align=\"right\">%3</td></tr>"_s.arg(i + 1).arg(
            topics[i].title.toHtmlEscaped(), page);
    }
    h += u"</table>"_s;
    // One chapter per topic.
    for (qsizetype i = 0; i < topics.size(); ++i) {
        const auto& topic = topics[i];
        h += u"<h1 style=\"page-break-before: always; font-size: 18pt; color: #27476d;\">%1. %2</h1>"_s.arg(i + 1).arg(
            topic.title.toHtmlEscaped());
        if (shots.contains(topic.title)) {
            const QImage& shot = shots[topic.title];
            const int width = std::min(620, shot.width());
            h += u"<p align=\"center\"><img src=\"schermata:%1\" width=\"%2\" height=\"%3\"></p>"_s.arg(i)
                     .arg(width)
                     .arg(shot.height() * width / std::max(1, shot.width()));
        }
        const auto paragraphs = topic.text.split(u"\r\n\r\n"_s);
        for (const QString& p : paragraphs)
            h += u"<p style=\"margin-bottom: 6pt;\" align=\"justify\">"_s + p.toHtmlEscaped() + u"</p>"_s;
    }
    h += u"</body></html>"_s;
    return h;
}

} // namespace

int main(int argc, char* argv[])
{
    // The pictures show the screens as an office's 1366 x 768 screen does:
    // without a desktop the offscreen platform gets a screen of that size.
    QTemporaryDir screenFolder;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screenFolder.isValid()) {
        QFile config(screenFolder.filePath(u"schermo.json"_s));
        if (config.open(QIODevice::WriteOnly)
            && config.write(R"({ "screens": [ { "name": "ufficio", "x": 0, "y": 0, "width": 1366, "height": 768,
                "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })")
                > 0) {
            config.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
        }
    }
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    ui::setUpApplication(app);
    // The screens drawn for the pictures work on an empty program folder of their own.
    QTemporaryDir folder;
    programFolder::setOverride(folder.path());
    auto screens = std::make_unique<shell::Screens>();
    const QHash<QString, QImage> shots = pictures(*screens);

    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setTitle(u"Quirvale 5.0 - Guida all'utilizzo del software"_s);
    writer.setCreator(u"Quirvale 5.0"_s);
    writer.setResolution(Resolution);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    const double pxPerMm = Resolution / 25.4;
    const QSizeF paper = QPageSize(QPageSize::A4).size(QPageSize::Millimeter) * pxPerMm;
    const QSizeF body(paper.width() - 2 * MarginMm * pxPerMm, paper.height() - 2 * MarginMm * pxPerMm - 12 * pxPerMm);

    // Laid out for the writer itself, so points are the paper's points; laid
    // out twice, the second time with the pages the first one found.
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDocumentMargin(0);
    document.setPageSize(body);
    const auto& topics = shell::help::topics();
    for (qsizetype i = 0; i < topics.size(); ++i) {
        if (shots.contains(topics[i].title))
            document.addResource(
                QTextDocument::ImageResource, QUrl(u"schermata:%1"_s.arg(i)), QVariant(shots[topics[i].title]));
    }
    QList<int> pages;
    for (int pass = 0; pass < 2; ++pass) {
        document.setHtml(html(pages, shots));
        pages.clear();
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            if (block.blockFormat().headingLevel() != 1 || block.text() == u"Indice"_s)
                continue;
            const QRectF where = document.documentLayout()->blockBoundingRect(block);
            pages << int(where.top() / body.height()) + 1;
        }
    }

    QPainter painter(&writer);
    const int count = document.pageCount();
    QFont footer(u"Liberation Sans"_s);
    footer.setPointSizeF(9);
    for (int page = 0; page < count; ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        painter.translate(MarginMm * pxPerMm, MarginMm * pxPerMm - page * body.height());
        const QRectF visible(0, page * body.height(), body.width(), body.height());
        painter.setClipRect(visible);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = visible;
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        if (page > 0) {
            painter.setFont(QFont(footer, &writer));
            painter.setPen(QColor(0x34, 0x49, 0x5e));
            const QRectF line(MarginMm * pxPerMm, paper.height() - MarginMm * pxPerMm, body.width(), 8 * pxPerMm);
            painter.drawText(
                line, Qt::AlignLeft | Qt::AlignVCenter, u"Quirvale 5.0 - Guida all'utilizzo del software"_s);
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, u"Pagina %1"_s.arg(page + 1));
        }
    }
    painter.end();
    screens.reset();
    return 0;
}
