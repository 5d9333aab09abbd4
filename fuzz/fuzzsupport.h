#pragma once
// What the fuzz targets share: the record layouts they cover, each with the
// rules that read its records, a scratch folder, and the check that stops a
// run on a fault.
//
// A layout is one entry of layouts(): its list lines, its list passes over
// the archive with the line each row shows, its search fields and line, and
// its export tables. Every target that walks the layouts picks it up.

#include "appointments/appointmentrules.h"
#include "contacts/contactrules.h"
#include "documents/documentrules.h"
#include "storage/exportrows.h"
#include "storage/listrows.h"
#include "storage/programfolder.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <tuple>

namespace fuzz {

// Stops the run; libFuzzer keeps the input that led here.
[[noreturn]] inline void fault(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "\nFAULT: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline void expect(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        fault(what, detail);
}

// The day the date rules compare with.
inline QDate today()
{
    return QDate(2024, 3, 10);
}

// A folder for the files a target writes, in memory when the machine has
// /dev/shm, removed at the end of the run.
inline const QString& scratch()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/quirvale-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/quirvale-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

template <typename L>
struct Rules {
    using Layout = L;
    using View = records::RecordView<L>;
    using Line = QString (*)(const View&);
    // A list pass over a whole archive and the line each of its rows shows.
    struct Pass {
        const char* name;
        std::function<lists::Rows(const QString& path)> rows;
        Line line;
    };

    const char* name;
    QList<Line> lines;
    QList<Pass> passes;
    QList<typename L::Field> searchFields;
    Line searchLine;
    QList<exports::Table<L>> tables;
};

template <typename Field, std::size_t N>
QList<Field> listOf(const std::array<Field, N>& fields)
{
    return QList<Field>(fields.begin(), fields.end());
}

// Every layout the targets cover.
inline const auto& layouts()
{
    using namespace appointments;
    static const auto all = std::tuple {
        Rules<records::AppointmentLayout> { "appointments", { listLine, agendaLine },
            { { "agenda", [](const QString& p) { return dueRows(p, today()).rows; }, agendaLine },
                { "to fulfil", [](const QString& p) { return stateRows(p, State::ToFulfil, today()); }, listLine },
                { "expired", [](const QString& p) { return stateRows(p, State::Expired, today()); }, listLine },
                { "fulfilled", [](const QString& p) { return stateRows(p, State::Fulfilled, today()); }, listLine } },
            listOf(SearchFields), listLine,
            { archiveTable(), selectionTable(Selection::Imminent, today(), today()),
                selectionTable(Selection::Day, today(), today()),
                selectionTable(Selection::Month, today(), today()) } },
        Rules<records::ContactLayout> { "contacts", { contacts::searchLine, contacts::callBackLine },
            { { "call back", contacts::callBackRows, contacts::callBackLine } }, listOf(contacts::SearchFields),
            contacts::searchLine, { contacts::exportTable() } },
        Rules<records::DocumentLayout> { "documents", { documents::listLine },
            { { "to complete", documents::toCompleteRows, documents::listLine } }, listOf(documents::SearchFields),
            documents::listLine, { documents::exportTable() } },
    };
    return all;
}

template <typename F>
void forEachLayout(F each)
{
    std::apply([&](const auto&... rules) { (each(rules), ...); }, layouts());
}

// The text a table's column shows for a record, as the rules give it.
template <typename L>
QString expectedCell(const exports::Value<L>& value, const records::RecordView<L>& r, qint64 number)
{
    using Kind = typename exports::Value<L>::Kind;
    switch (value.kind) {
    case Kind::Number:
        return QString::number(number);
    case Kind::Field:
        return r.text(value.first);
    case Kind::Joined: {
        const QString second = r.text(value.second);
        return second.isEmpty() ? r.text(value.first) : r.text(value.first) + QLatin1Char(' ') + second;
    }
    case Kind::Computed:
        return value.compute(r);
    }
    return QString();
}

} // namespace fuzz
