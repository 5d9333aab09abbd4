#include "storage/spreadsheet.h"

#include "storage/fixedtext.h"
#include "storage/texts.h"

#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace spreadsheet {

namespace {

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'&')
            out += u"&amp;"_s;
        else if (c == u'<')
            out += u"&lt;"_s;
        else if (c == u'>')
            out += u"&gt;"_s;
        else
            out += c;
    }
    return out;
}

} // namespace

QByteArray spreadsheetFile(const QString& worksheet, const QList<HeaderCell>& header, const QList<QStringList>& rows)
{
    QString html;
    html += u"<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
            u"xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
            u"xmlns=\"http://www.w3.org/TR/REC-html40\">"_s;
    html += u"<head>"_s;
    html += u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"_s;
    html += u"<!--[if gte mso 9]><xml>"_s;
    html += u"<x:ExcelWorkbook>"_s;
    html += u"<x:ExcelWorksheets>"_s;
    html += u"<x:ExcelWorksheet>"_s;
    html += u"<x:Name>"_s + worksheet + u"</x:Name>"_s;
    html += u"<x:WorksheetOptions>"_s;
    html += u"<x:Selected/>"_s;
    html += u"<x:Panes>"_s;
    html += u"<x:Pane>"_s;
    html += u"<x:Number>1</x:Number>"_s;
    html += u"<x:ActiveRow>3</x:ActiveRow>"_s;
    html += u"</x:Pane>"_s;
    html += u"</x:Panes>"_s;
    html += u"<x:ProtectContents>False</x:ProtectContents>"_s;
    html += u"<x:ProtectObjects>False</x:ProtectObjects>"_s;
    html += u"<x:ProtectScenarios>False</x:ProtectScenarios>"_s;
    html += u"</x:WorksheetOptions>"_s;
    html += u"</x:ExcelWorksheet>"_s;
    html += u"</x:ExcelWorksheets>"_s;
    html += u"</x:ExcelWorkbook>"_s;
    html += u"</xml><![endif]-->"_s;
    html += u"</head>"_s;
    html += u"<body>"_s;
    html += u"<table x:str>"_s;
    html += u"<tr>"_s;
    for (const HeaderCell& cell : header)
        html += u"<td style=\"text-align: left; font-weight: bold;\" width="_s + QString::number(cell.width) + u">"_s
                + cell.text + u"</td>"_s;
    html += u"</tr>"_s;
    for (const QStringList& row : rows) {
        html += u"<tr>"_s;
        for (qsizetype column = 0; column < header.size(); ++column)
            html += u"<td style=\"text-align: left;\" sdnum=\"1040;0;@\">"_s + escaped(texts::trim(row.value(column)))
                    + u"</td>"_s;
        html += u"</tr>"_s;
    }
    html += u"</table>"_s;
    html += u"</body>"_s;
    html += u"</html>"_s;
    return cp1252::encode(html);
}

QString exportFailureMessage()
{
    return u"Attenzione: il sistema non permette di esportare i dati.\n\r\n\r"
           u"Accertarsi che il file di Excel non sia già aperto."_s;
}

bool writeSpreadsheet(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (QFileInfo::exists(target.absolutePath() + u"/.~lock."_s + target.fileName() + u"#"_s))
        return false;
    if (target.exists() && !target.isWritable())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace spreadsheet
