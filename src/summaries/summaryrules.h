#pragma once
// The rules of the period summaries: the checks of a request made on the
// summaries menu, the summary line, and the one pass over the appointments
// archive that selects the lines of a period and adds up their amounts.

#include "storage/listrows.h"
#include "storage/records.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace summaries {

// "Gennaio" to "Dicembre", in the order of their numbers.
extern const QStringList MonthNames;
// "01" to "31".
extern const QStringList DayTexts;
// 1 to 12 for a month name, whatever the case of its letters; 0 for anything else.
int monthNumber(const QString& name);
bool isDayText(const QString& text);

// What a summary lists: the appointments dated from `start` to `end`, both
// included, whose contact and purpose hold the filters. A filter is used as
// typed; one of blanks alone is not in use.
struct Criteria {
    QString contact;
    QString purpose;
    QDate start;
    QDate end;
    // 0 to 2.
    int filtersInUse() const;
    // The trimmed contact filter, or "- - -" without one.
    QString contactTitle() const;
    // "Dal   01/01/2024   al   31/12/2024".
    QString interval() const;
};

// What the user filled in on the menu, as typed.
struct Request {
    QString year;
    QString contact;
    QString purpose;
    QString startDay;
    QString startMonth;
    QString endDay;
    QString endMonth;
};

// The checks of a request, in their order. When one fails, `message` says
// why and `field` is where the user has to act; otherwise `criteria` holds
// what to list.
struct Checked {
    enum class Field { None, Year, StartDay, StartMonth, EndDay, EndMonth };
    Field field = Field::None;
    QString message;
    Criteria criteria;
    bool ok() const { return field == Field::None; }
};
Checked check(const Request& request);

// "ID: yyyymmddHHMM  Data: ...  Ora: ...  purpose  Contatto: ...  Cel. ...  € amount".
QString summaryLine(const AppointmentView& r);

// What one pass over the archive gives: the lines in file order, the total
// of their amounts, and how many records passing the filters were left out
// because their date or amount could not be read.
struct Summary {
    lists::Rows rows;
    QString total = QStringLiteral("0,00");
    qint64 unreadable = 0;
    QList<qint64> unreadableAt; // the positions of the first of them
};
// Throws AccessFailure.
Summary summarise(const QString& path, const Criteria& criteria);

// The warning about the records left out, naming them, and where to find
// what to correct: two sentences, the lines of a print; empty when there
// are none.
QStringList unreadableLines(qint64 count, const QList<qint64>& positions);
QString unreadableMessage(qint64 count, const QList<qint64>& positions);

} // namespace summaries
