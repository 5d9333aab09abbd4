#include "storage/records.h"
#include "support/layouts.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

using testsupport::AppointmentSlots;
using testsupport::ContactSlots;
using testsupport::DocumentSlots;
using testsupport::Slot;

// A value that fills field i completely: its number, then letters up to the capacity.
QByteArray fullValue(int i, int capacity)
{
    QByteArray v = QByteArray::number(i % 10);
    while (v.size() < capacity)
        v.append(char('a' + (v.size() + i) % 26));
    return v;
}

template <typename R>
void checkLayout(const std::vector<Slot>& layout, int size)
{
    QCOMPARE(R::Size, size);
    QCOMPARE(int(layout.size()), R::FieldCount);
    QCOMPARE(layout.back().offset + layout.back().capacity + 1, size);

    // Hand-made bytes: every field full, with stray bytes between length and end.
    QByteArray bytes(size, '\xAA');
    for (int i = 0; i < int(layout.size()); ++i) {
        const QByteArray v = fullValue(i, layout[i].capacity);
        bytes[layout[i].offset] = char(v.size());
        bytes.replace(layout[i].offset + 1, v.size(), v);
    }
    const R loaded = R::fromBytes(bytes.constData());
    for (int i = 0; i < int(layout.size()); ++i)
        QCOMPARE(loaded.text(typename R::Field(i)), QString::fromLatin1(fullValue(i, layout[i].capacity)));

    // Written from values that are too long by one: cut at the capacity, the
    // length byte at the field's start, the next field untouched.
    R built;
    for (int i = 0; i < int(layout.size()); ++i)
        built.setText(typename R::Field(i), QString::fromLatin1(fullValue(i, layout[i].capacity + 1)));
    const QByteArray written(built.data(), size);
    for (int i = 0; i < int(layout.size()); ++i) {
        QCOMPARE(int(uchar(written[layout[i].offset])), layout[i].capacity);
        QCOMPARE(written.mid(layout[i].offset + 1, layout[i].capacity), fullValue(i, layout[i].capacity));
    }
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void layouts()
    {
        checkLayout<AppointmentRecord>(AppointmentSlots, 1265);
        checkLayout<ContactRecord>(ContactSlots, 3372);
        checkLayout<DocumentRecord>(DocumentSlots, 3991);
    }

    void defaultAppointmentBytes()
    {
        AppointmentRecord r;
        r.setText(AppointmentField::date, u"05/03/2024"_s);
        r.setText(AppointmentField::hour, u"00"_s);
        r.setText(AppointmentField::minute, u"00"_s);
        r.setText(AppointmentField::time, u"00:00"_s);
        r.setText(AppointmentField::noticeDays, u"0"_s);
        r.setText(AppointmentField::commitmentType, u"Riunione"_s);
        r.setText(AppointmentField::amount, u"0,00"_s);
        r.setFlag(AppointmentField::fulfilled, false);
        const QByteArray b(r.data(), 1265);
        QCOMPARE(b.mid(0, 11),
            QByteArray("\x0A"
                       "05/03/2024"));
        QCOMPARE(b.mid(11, 3),
            QByteArray("\x02"
                       "00"));
        QCOMPARE(b.mid(14, 3),
            QByteArray("\x02"
                       "00"));
        QCOMPARE(b.mid(17, 6),
            QByteArray("\x05"
                       "00:00"));
        QCOMPARE(b.mid(23, 2),
            QByteArray("\x01"
                       "0"));
        QCOMPARE(b.mid(27, 9),
            QByteArray("\x08"
                       "Riunione"));
        QCOMPARE(b.mid(995, 5),
            QByteArray("\x04"
                       "0,00"));
        QCOMPARE(b.mid(1262, 3), QByteArray("\x02\x4E\x6F"));
        r.setFlag(AppointmentField::fulfilled, true);
        QCOMPARE(QByteArray(r.data() + 1262, 3), QByteArray("\x02\x53\xEC"));
        QVERIFY(r.isYes(AppointmentField::fulfilled));
    }

    void contactWithNameOnly()
    {
        ContactRecord r;
        r.setText(ContactField::fullName, u"Rossi Mario"_s);
        r.setFlag(ContactField::toRecontact, false);
        const QByteArray b(r.data(), 3372);
        QCOMPARE(b.left(12),
            QByteArray("\x0B"
                       "Rossi Mario"));
        QCOMPARE(b.mid(1863, 3), QByteArray("\x02\x4E\x6F"));
        for (const Slot& s : ContactSlots) {
            if (s.offset != 0 && s.offset != 1863)
                QCOMPARE(int(b[s.offset]), 0);
        }
        r.setFlag(ContactField::toRecontact, true);
        QCOMPARE(QByteArray(r.data() + 1863, 3), QByteArray("\x02\x53\xEC"));
    }

    void fieldEdges_data()
    {
        QTest::addColumn<QByteArray>("field"); // length byte and content of a 10-character field
        QTest::addColumn<QString>("loaded");
        QTest::newRow("length 0 hides the rest") << QByteArray("\x00"
                                                               "0123456789",
            11) << QString();
        QTest::newRow("length 255 reads the capacity") << QByteArray("\xFF"
                                                                     "0123456789",
            11) << u"0123456789"_s;
        QTest::newRow("blanks and controls trimmed") << QByteArray("\x08"
                                                                   " \tab c\r\n xx",
            11) << u"ab c"_s;
        QTest::newRow("code page") << QByteArray("\x03"
                                                 "S\xEC\x80"
                                                 "zzzzzzz",
            11) << u"Sì€"_s;
    }
    void fieldEdges()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, loaded);
        QCOMPARE(FixedText::load(field.constData(), 10), loaded);
        QString reused = u"a longer text left by the record before"_s;
        FixedText::loadInto(field.constData(), 10, reused);
        QCOMPARE(reused, loaded);
    }

    void storeRules()
    {
        char field[251];
        FixedText::store(field, 250, QString(300, u'x'));
        QCOMPARE(int(uchar(field[0])), 250);
        FixedText::store(field, 250, u"  Verdi  "_s);
        QCOMPARE(QByteArray(field, 6), QByteArray("\x05Verdi"));
        FixedText::store(field, 250, u"Città"_s); // case and accents kept
        QCOMPARE(QByteArray(field, 6),
            QByteArray("\x05"
                       "Citt\xE0"));
    }

    void chronologicalKey()
    {
        QCOMPARE(records::chronologicalKey(u"05/03/2024"_s, u"09"_s, u"30"_s), u"202403050930"_s);
        AppointmentRecord r;
        r.setText(AppointmentField::date, u"31/12/1999"_s);
        r.setText(AppointmentField::hour, u"23"_s);
        r.setText(AppointmentField::minute, u"59"_s);
        QCOMPARE(records::chronologicalKey(r.view()), u"199912312359"_s);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
