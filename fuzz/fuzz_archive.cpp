// Any bytes as a whole archive of each layout, a trailing partial record
// included: every list pass (the agenda's among them), a search with no
// criteria and one whose word comes from a record, and every export read
// into its grid and written to its file. Each pass is held against the
// records as the file holds them.
#include "fuzzsupport.h"

#include <QFile>

#include <cstring>

namespace {

template <typename Rules>
void oneArchive(const Rules& rules, const QByteArray& bytes)
{
    using Layout = typename Rules::Layout;
    using Record = records::Record<Layout>;
    using View = records::RecordView<Layout>;
    const QString name = QLatin1String(rules.name);
    const QString path = fuzz::scratch() + QStringLiteral("/") + name + QStringLiteral(".qzv");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            fuzz::fault("cannot write the scratch archive", path);
    }
    const qint64 count = bytes.size() / Record::Size;
    const auto recordAt = [&](qint64 position) { return View(bytes.constData() + (position - 1) * Record::Size); };

    fuzz::expect(archive::count(path, Record::Size) == count, "record count", name);

    for (const auto& pass : rules.passes) {
        const lists::Rows rows = pass.rows(path);
        qint64 last = 0;
        for (const lists::Row& row : rows) {
            fuzz::expect(row.position > last && row.position <= count, "row position out of order or range",
                         name + QStringLiteral(" ") + QLatin1String(pass.name));
            fuzz::expect(row.text == pass.line(recordAt(row.position)), "row line differs from its record",
                         name + QStringLiteral(" ") + QLatin1String(pass.name));
            last = row.position;
        }
    }

    lists::Criteria<Layout> none;
    const auto all = lists::collectRows<Layout>(path, [&](const View& r) { return none.matches(r); }, rules.searchLine);
    fuzz::expect(all.size() == count, "a search with no criteria leaves records out", name);
    if (count > 0 && bytes.size() >= 4) {
        // A word from inside a field, typed as it is, finds the record.
        const auto b = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
        const qint64 position = 1 + b(0) % count;
        const auto field = rules.searchFields[b(1) % rules.searchFields.size()];
        const QString text = recordAt(position).text(field);
        const QString word = text.mid(b(2) % (text.size() + 1), b(3));
        lists::Criteria<Layout> criteria;
        criteria.add(field, word);
        const auto found =
            lists::collectRows<Layout>(path, [&](const View& r) { return criteria.matches(r); }, rules.searchLine);
        bool listed = false;
        for (const lists::Row& row : found)
            listed = listed || row.position == position;
        fuzz::expect(listed, "a word from a record does not find it", name + QStringLiteral(": [") + word + u']');
    }

    for (const auto& table : rules.tables) {
        const exports::Reading reading = table.read(path);
        fuzz::expect(reading.complete, "export reading incomplete", reading.failure);
        const exports::Grid& grid = reading.grid;
        fuzz::expect(grid.rowCount() <= count, "export with more rows than records", name);
        if (!table.selection.keep) {
            fuzz::expect(grid.rowCount() == count, "export of every record leaves records out", name);
            for (qint64 r = 0; r < grid.rowCount() && table.selection.numbering == exports::Numbering::Position; ++r) {
                const qint64 position = grid.text(r, 0).toLongLong();
                fuzz::expect(position >= 1 && position <= count, "export row number", name);
                for (int c = 1; c < table.columns.size(); ++c) {
                    const QString want = fuzz::expectedCell(table.columns[c].value, recordAt(position), position);
                    fuzz::expect(grid.text(r, c) == want, "export cell differs from its record", name);
                }
            }
        }
        const QString file = fuzz::scratch() + QStringLiteral("/export.xls");
        fuzz::expect(exports::writeFile(file, QStringLiteral("Foglio"), table.heads(), grid), "export file not written",
                     name);
        QFile written(file);
        fuzz::expect(written.open(QIODevice::ReadOnly), "export file missing", name);
        const QByteArray content = written.readAll();
        fuzz::expect(content.count("<tr>") == grid.rowCount() + 1, "export file rows", name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::forEachLayout([&](const auto& rules) { oneArchive(rules, bytes); });
    return 0;
}
