// Any bytes as one record of each layout (cut to the record's size, or
// filled up with zeros): the load rule of every field as the cards and the
// card prints use it, the list lines, and the export row of every table;
// and an appointment through the reminders' rules.
#include "fuzzsupport.h"

#include "reminders/reminderrules.h"
#include "storage/fixedtext.h"

#include <cstring>

namespace {

// A loaded text is trimmed and holds at most the field's capacity.
void checkLoaded(const QString& text, int capacity, int field)
{
    const QString where = QStringLiteral("field %1: [%2]").arg(field).arg(text);
    fuzz::expect(text.size() <= capacity, "loaded text longer than its field", where);
    fuzz::expect(text.isEmpty() || (text.front().unicode() > 32 && text.back().unicode() > 32),
        "loaded text not trimmed", where);
}

template <typename Rules>
void oneRecord(const Rules& rules, const uint8_t* data, size_t size)
{
    using Layout = typename Rules::Layout;
    using Record = records::Record<Layout>;
    using View = records::RecordView<Layout>;
    QByteArray bytes(Record::Size, '\0');
    std::memcpy(bytes.data(), data, std::min<size_t>(size, Record::Size));
    const Record record = Record::fromBytes(bytes.constData());
    const View view(bytes.constData());

    QString into;
    for (int f = 0; f < Record::FieldCount; ++f) {
        const auto field = typename Layout::Field(f);
        const QString text = record.text(field);
        checkLoaded(text, Record::capacity(field), f);
        view.textInto(field, into);
        fuzz::expect(into == text, "textInto differs from text", QStringLiteral("field %1").arg(f));
        // A card saves what it shows: storing the loaded text loads it again.
        Record again;
        again.setText(field, text);
        fuzz::expect(again.text(field) == text, "stored text does not load back", QStringLiteral("field %1").arg(f));
    }

    for (const auto line : rules.lines)
        (void)line(view);

    for (const auto& table : rules.tables) {
        exports::Grid grid(int(table.columns.size()));
        table.appendRow(grid, view, 7);
        fuzz::expect(grid.rowCount() == 1, "export row missing");
        for (int c = 0; c < table.columns.size(); ++c) {
            const QString want = fuzz::expectedCell(table.columns[c].value, view, 7);
            fuzz::expect(grid.text(0, c) == want, "export cell differs from the record's text",
                QStringLiteral("%1, column %2: [%3] instead of [%4]")
                    .arg(QLatin1String(rules.name))
                    .arg(c)
                    .arg(grid.text(0, c), want));
        }
    }
}

// A commitment read from the record is still due against that record, lies
// in its own day's list and gives its reminder texts.
void reminderRules(const uint8_t* data, size_t size)
{
    QByteArray bytes(AppointmentRecord::Size, '\0');
    std::memcpy(bytes.data(), data, std::min<size_t>(size, AppointmentRecord::Size));
    const AppointmentView view(bytes.constData());
    const auto c = reminders::commitment(view, 3);
    if (!c)
        return;
    fuzz::expect(reminders::stillDue(view, *c), "a commitment not due against its own record");
    fuzz::expect(c->noticeStart <= c->day, "notice period after the commitment's day");
    const auto day = reminders::ofTheDay({ *c }, c->date());
    fuzz::expect(day.size() == 1, "a commitment left out of its own day's list");
    const QDateTime noon(c->date(), QTime(12, 0));
    fuzz::expect(!reminders::dueAt(day, noon, 15, {}).isEmpty(), "a commitment not reminded on its own day");
    fuzz::expect(reminders::nextMoment(day, noon, 15) > noon, "the next moment is not after now");
    fuzz::expect(!reminders::texts(view, reminders::Kind::Soon).title.isEmpty(), "a reminder without a title");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::forEachLayout([&](const auto& rules) { oneRecord(rules, data, size); });
    reminderRules(data, size);
    return 0;
}
