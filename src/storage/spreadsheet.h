#pragma once
// The spreadsheet file of every export: an HTML table with spreadsheet
// workbook markup, one worksheet, a bold header row and a text cell per
// field, in Windows-1252 on one single line.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace spreadsheet {

struct HeaderCell {
    QString text;
    int width;
};

// The whole file. Every data cell is trimmed and written so that the
// spreadsheet shows the stored text exactly: "&", "<" and ">" as character
// references, and LibreOffice's text format next to the workbook's own
// x:str, so leading zeros stay in either program.
QByteArray spreadsheetFile(const QString& worksheet, const QList<HeaderCell>& header, const QList<QStringList>& rows);

// The failure message of every export.
QString exportFailureMessage();

// Writes the file into place: the bytes go to a temporary file beside it,
// which then replaces the old one, so a failed export leaves the previous
// file as it was. Fails, touching nothing, when a spreadsheet program holds
// the file open (LibreOffice's lock file ".~lock.NAME#" beside it).
bool writeSpreadsheet(const QString& path, const QByteArray& bytes);

} // namespace spreadsheet
