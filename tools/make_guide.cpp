// Writes the manual Guida.pdf from the help topics of the program.
//   make_guide OUTPUT.pdf
#include "shell/help.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QString html = u"<html><body style=\"font-family: 'Liberation Sans', Arial; font-size: 11pt;\">"
                   u"<h1 style=\"color:#27476d; font-size: 26pt;\">Quirvale 5.0</h1>"
                   u"<p style=\"font-size: 14pt; color:#34495e;\">Guida all'utilizzo del software</p>"
                   u"<h2 style=\"color:#27476d;\">Indice</h2><ol>"_s;
    const auto& topics = shell::help::topics();
    for (const auto& topic : topics)
        html += u"<li>"_s + topic.title.toHtmlEscaped() + u"</li>"_s;
    html += u"</ol>"_s;
    for (const auto& topic : topics) {
        html
            += u"<h2 style=\"color:#27476d; page-break-before: always;\">"_s + topic.title.toHtmlEscaped() + u"</h2>"_s;
        const auto paragraphs = topic.text.split(u"\r\n\r\n"_s);
        for (const QString& p : paragraphs)
            html += u"<p style=\"margin-bottom: 8pt;\">"_s + p.toHtmlEscaped() + u"</p>"_s;
    }
    html += u"</body></html>"_s;

    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setTitle(u"Quirvale 5.0 - Guida all'utilizzo del software"_s);
    writer.setCreator(u"Quirvale 5.0"_s);
    writer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    writer.setResolution(300);
    QTextDocument document;
    document.setHtml(html);
    document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
    document.print(&writer);
    return 0;
}
