#include "storage/exportrows.h"
#include "support/folders.h"

#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using F = ContactField;
using Layout = records::ContactLayout;
using Value = exports::Value<Layout>;

namespace {

QByteArray dataRow(const QList<QByteArray>& cells)
{
    QByteArray r = "<tr>";
    for (const QByteArray& c : cells)
        r += "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">" + c + "</td>";
    return r + "</tr>";
}

ContactRecord contact(const QString& name, const QString& town, const QString& province, bool recontact = false)
{
    ContactRecord r;
    r.setText(F::fullName, name);
    r.setText(F::birthPlace, town);
    r.setText(F::birthProvince, province);
    r.setFlag(F::toRecontact, recontact);
    return r;
}

void writeArchive(const QString& path, const QList<ContactRecord>& records)
{
    QByteArray bytes;
    for (const ContactRecord& r : records)
        bytes.append(r.data(), ContactRecord::Size);
    testsupport::writeFile(path, bytes);
}

exports::Column<Layout> column(const char* name, Value value, bool editable = false)
{
    const QString text = QString::fromLatin1(name);
    return { { text, text, { text, 100 }, editable }, std::move(value) };
}

QStringList shown(const exports::Grid& grid, int column)
{
    QStringList texts;
    for (qsizetype r = 0; r < grid.rowCount(); ++r)
        texts << grid.text(r, column);
    return texts;
}

} // namespace

class TestExportRows : public QObject {
    Q_OBJECT

    testsupport::ProgramFolderFixture folder;
    QString archive() const { return folder.file(u"Contatti.qzv"_s); }

private slots:
    // Fields, joined fields and the record position, read into the grid and
    // written out; the number column is never written.
    void wholeArchiveRoundTrip()
    {
        writeArchive(archive(),
            { contact(u"Rossi Mario"_s, u"Forlì"_s, u"FC"_s), contact(u" Bianchi & C. "_s, u"Roma"_s, u""_s),
                ContactRecord() });
        const exports::Table<Layout> table {
            { column("colNum", Value::number()), column("colCliente", Value::field(F::fullName), true),
                column("colComuneNasc", Value::joined(F::birthPlace, F::birthProvince)) },
            {}
        };
        exports::Reading reading = table.read(archive());
        QVERIFY(reading.complete);
        QCOMPARE(shown(reading.grid, 0), (QStringList { u"1"_s, u"2"_s, u"3"_s }));
        QCOMPARE(shown(reading.grid, 1), (QStringList { u"Rossi Mario"_s, u"Bianchi & C."_s, u""_s }));
        QCOMPARE(shown(reading.grid, 2), (QStringList { u"Forlì FC"_s, u"Roma"_s, u""_s }));

        reading.grid.type(2, 1, u"  Ł <nuovo>  "_s); // typed text is trimmed and converted when written
        QCOMPARE(reading.grid.text(2, 1), u"  Ł <nuovo>  "_s);
        const QString file = folder.file(u"Contatti.xls"_s);
        QVERIFY(exports::writeFile(file, u"Riepilogo Contatti"_s, table.heads(), reading.grid));
        const QByteArray bytes = testsupport::readFile(file);
        QVERIFY(bytes.contains("<x:Name>Riepilogo Contatti</x:Name>"));
        const QByteArray rows = "<tr><td style=\"text-align: left; font-weight: bold;\" width=100>colCliente</td>"
                                "<td style=\"text-align: left; font-weight: bold;\" width=100>colComuneNasc</td></tr>"
            + dataRow({ "Rossi Mario", "Forl\xEC FC" }) + dataRow({ "Bianchi &amp; C.", "Roma" })
            + dataRow({ "? &lt;nuovo&gt;", "" }) + "</table></body></html>";
        QVERIFY(bytes.endsWith(rows));
    }

    // The file is Windows-1252 throughout: the five bytes the code page
    // leaves undefined, which the program shows as the control characters
    // of the same codes, are written as numeric references, like "&", "<"
    // and ">" as theirs; a cell longer than eight bytes is looked over whole.
    void cellReferences_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("markup") << QByteArray(" a&b<c>d ") << QByteArray("a&amp;b&lt;c&gt;d");
        QTest::newRow("undefined bytes") << QByteArray("\x81\x8D\x8F\x90\x9D")
                                         << QByteArray("&#129;&#141;&#143;&#144;&#157;");
        QTest::newRow("after eight accented bytes") << QByteArray("\xE8\xE8\xE8\xE8\xE8\xE8\xE8\xE8\x81x")
                                                    << QByteArray("\xE8\xE8\xE8\xE8\xE8\xE8\xE8\xE8&#129;x");
        QTest::newRow("nothing to replace") << QByteArray("Forl\xEC \x80 \xFF") << QByteArray("Forl\xEC \x80 \xFF");
    }
    void cellReferences()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QByteArray, written);
        exports::Grid grid(2);
        grid.appendNumber(1);
        grid.appendBytes(cell);
        const QString file = folder.file(u"Celle.xls"_s);
        QVERIFY(exports::writeFile(file, u"Celle"_s, { {}, { u"T"_s, u"T"_s, { u"T"_s, 50 } } }, grid));
        QVERIFY(testsupport::readFile(file).endsWith(QByteArray(dataRow({ written }) + "</table></body></html>")));
    }

    // The kept records numbered as they are read, then ordered by one column
    // without regard to case, equal texts in the order they were read.
    void selectionNumbersThenSorts()
    {
        writeArchive(archive(),
            { contact(u"rossi"_s, {}, {}, true), contact(u"Bianchi"_s, {}, {}, true), contact(u"Zeta"_s, {}, {}),
                contact(u"ROSSI"_s, {}, {}, true), contact(u"bianchi"_s, {}, {}, true) });
        const exports::Table<Layout> table {
            { column("colNum", Value::number()), column("colCliente", Value::field(F::fullName)),
                column("colNome", Value::computed([](const ContactView& r) { return r.text(F::fullName).left(1); })) },
            { [](const ContactView& r) { return r.isYes(F::toRecontact); }, exports::Numbering::Running, 1 }
        };
        const exports::Reading reading = table.read(archive());
        QVERIFY(reading.complete);
        QCOMPARE(shown(reading.grid, 1), (QStringList { u"Bianchi"_s, u"bianchi"_s, u"rossi"_s, u"ROSSI"_s }));
        QCOMPARE(shown(reading.grid, 0), (QStringList { u"2"_s, u"4"_s, u"1"_s, u"3"_s }));
        QCOMPARE(shown(reading.grid, 2), (QStringList { u"B"_s, u"b"_s, u"r"_s, u"R"_s }));
    }

    // A file larger than the writer's buffer comes out whole, row for row.
    void longFileIsWrittenWhole()
    {
        exports::Grid grid(2);
        QByteArray expected;
        for (int r = 0; r < 20000; ++r) {
            grid.appendNumber(r + 1);
            grid.appendText(u"riga %1 è"_s.arg(r));
            expected += dataRow({ "riga " + QByteArray::number(r) + " \xE8" });
        }
        const QString file = folder.file(u"Lungo.xls"_s);
        QVERIFY(exports::writeFile(file, u"Lungo"_s, { {}, { u"Testo"_s, u"Testo"_s, { u"Testo"_s, 50 } } }, grid));
        const QByteArray bytes = testsupport::readFile(file);
        QVERIFY(bytes.size() > (1 << 20));
        QVERIFY(
            bytes.endsWith(QByteArray(QByteArray("width=50>Testo</td></tr>") + expected + "</table></body></html>")));
    }

    // The grid of an archive keeps only the records' positions: a row is
    // read from the archive when it is shown or written. Rows read apart
    // (more than one read-ahead between them) show their own records; a
    // record gone from the archive shows empty cells and makes the file
    // fail, leaving the previous file as it was.
    void rowsAreReadFromTheArchive()
    {
        QList<ContactRecord> records;
        for (int i = 0; i < 300; ++i)
            records << contact(u"Cliente %1"_s.arg(i + 1), {}, {});
        writeArchive(archive(), records);
        const exports::Table<Layout> table {
            { column("colNum", Value::number()), column("colCliente", Value::field(F::fullName)) }, {}
        };
        const exports::Reading reading = table.read(archive());
        QCOMPARE(reading.grid.rowCount(), 300);
        for (const qsizetype row : { 299, 0, 150, 64, 63, 299 })
            QCOMPARE(reading.grid.text(row, 1), u"Cliente %1"_s.arg(row + 1));

        const QString file = folder.file(u"Contatti.xls"_s);
        QVERIFY(exports::writeFile(file, u"Riepilogo Contatti"_s, table.heads(), reading.grid));
        const QByteArray whole = testsupport::readFile(file);
        QVERIFY(whole.endsWith(QByteArray(dataRow({ "Cliente 300" }) + "</table></body></html>")));

        QVERIFY(QFile::resize(archive(), 100 * qint64(ContactRecord::Size)));
        QCOMPARE(reading.grid.text(99, 1), u"Cliente 100"_s);
        QCOMPARE(reading.grid.text(100, 1), QString());
        QVERIFY(!exports::writeFile(file, u"Riepilogo Contatti"_s, table.heads(), reading.grid));
        QCOMPARE(testsupport::readFile(file), whole);
    }

    // An archive that fails part way gives no rows at all, never a part of it.
    void failurePartWayGivesNoRows()
    {
        // More records than one read-ahead of the archive; the file shrinks
        // to nothing while the first ones are read.
        writeArchive(archive(), QList<ContactRecord>(1000, contact(u"Rossi"_s, {}, {})));
        const QString path = archive();
        int seen = 0;
        const exports::Table<Layout> table { { column("colNum", Value::number()),
                                                 column("colCliente", Value::field(F::fullName)) },
            { [&seen, path](const ContactView&) {
                if (seen++ == 0)
                    QFile::resize(path, 0);
                return true;
            } } };
        const exports::Reading reading = table.read(path);
        QVERIFY(seen > 1);
        QVERIFY(!reading.complete);
        QCOMPARE(reading.grid.rowCount(), 0);
        QCOMPARE(reading.grid.columnCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestExportRows)
#include "tst_exportrows.moc"
