// The card pattern on a tiny layout of its own: what every card gets from
// its binding table (new card, load and store, required fields in order,
// duplicate, the four arrows, the attachments part).
#include "storage/programfolder.h"
#include "support/testsupport.h"
#include "ui/cardpattern.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct TinyLayout {
    enum class Field { name, city, flag, file1, file2, file3, about1, about2, about3 };
    static constexpr std::array<int, 9> Capacities = { 10, 5, 2, 8, 8, 8, 8, 8, 8 };
    static constexpr auto Offsets = records::offsetsOf(Capacities);
};
using TinyRecord = records::Record<TinyLayout>;
using F = TinyLayout::Field;
using Pattern = ui::CardPattern<TinyLayout>;

const QString NameMissing = u"Manca il nome."_s;
const QString CityMissing = u"Manca la città."_s;

} // namespace

class TestCardPattern : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolderFixture> folder;
    std::unique_ptr<testsupport::MessageRecorder> messages;
    std::unique_ptr<QWidget> screen;
    QLineEdit *name = nullptr, *city = nullptr;
    QCheckBox* flag = nullptr;
    QLabel* position = nullptr;
    std::array<QLabel*, 3> files {}, abouts {};
    std::unique_ptr<Pattern> card;

    QString path() const { return programFolder::file(u"Tiny.qzv"_s); }
    void addRecords(int count)
    {
        for (int i = 1; i <= count; ++i) {
            TinyRecord r;
            r.setText(F::name, u"Nome %1"_s.arg(i));
            r.setText(F::city, u"C%1"_s.arg(i));
            r.setFlag(F::flag, i % 2 == 0);
            archive::append(path(), TinyRecord::Size, r.data());
        }
    }
    TinyRecord stored(qint64 p) const
    {
        TinyRecord r;
        archive::readAt(path(), TinyRecord::Size, p, r.data());
        return r;
    }

private slots:
    void init()
    {
        folder = std::make_unique<testsupport::ProgramFolderFixture>();
        messages = std::make_unique<testsupport::MessageRecorder>();
        screen = std::make_unique<QWidget>();
        name = new QLineEdit(screen.get());
        city = new QLineEdit(screen.get());
        flag = new QCheckBox(screen.get());
        position = new QLabel(screen.get());
        for (auto& f : files)
            f = new QLabel(screen.get());
        for (auto& a : abouts)
            a = new QLabel(screen.get());
        card = std::make_unique<Pattern>(Pattern::Setup { screen.get(), position, nullptr, name, u"Tiny.qzv"_s },
            QList<Pattern::Binding> {
                { F::name, name, {}, NameMissing, true, u"Nome:"_s },
                { F::city, city, u"Roma"_s, CityMissing, true, u"Città:"_s },
                { F::flag, flag, {}, {}, false, u"Sì o no:"_s },
                { F::file1, files[0], {}, {}, false },
                { F::file2, files[1], {}, {}, false },
                { F::file3, files[2], {}, {}, false },
                { F::about1, abouts[0], {}, {}, false },
                { F::about2, abouts[1], {}, {}, false },
                { F::about3, abouts[2], {}, {}, false },
            });
        card->setAttachmentHolders(files, abouts);
        card->newCard();
    }
    void cleanup()
    {
        card.reset();
        screen.reset();
        messages.reset();
        folder.reset();
    }

    void newCardTakesTheTableValues()
    {
        name->setText(u"x"_s);
        flag->setChecked(true);
        card->setPosition(4);
        card->newCard();
        QCOMPARE(name->text(), QString());
        QCOMPARE(city->text(), u"Roma"_s);
        QVERIFY(!flag->isChecked());
        QCOMPARE(position->text(), QString());
        QCOMPARE(card->position(), 0);
    }

    void requiredFieldsInTableOrder_data()
    {
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<QString>("typedCity");
        QTest::addColumn<QString>("message");
        QTest::newRow("both empty: the first") << u""_s << u""_s << NameMissing;
        QTest::newRow("blanks count as empty") << u"   "_s << u"Bari"_s << NameMissing;
        QTest::newRow("the second") << u"Anna"_s << u" "_s << CityMissing;
    }
    void requiredFieldsInTableOrder()
    {
        QFETCH(QString, typedName);
        QFETCH(QString, typedCity);
        QFETCH(QString, message);
        name->setText(typedName);
        city->setText(typedCity);
        card->save();
        QCOMPARE(messages->texts(), QStringList { message });
        QCOMPARE(messages->messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(archive::count(path(), TinyRecord::Size), 0);
    }

    void saveStoresTheTableAndDuplicateKeepsWhatItShould()
    {
        name->setText(u"  Anna  "_s);
        city->setText(u"Bari"_s);
        flag->setChecked(true);
        card->setAttachments({ { u" a.pdf "_s, u"b.pdf"_s, QString() }, { u"Contratto"_s, QString(), QString() } });
        card->save();
        QCOMPARE(card->position(), 1);
        QCOMPARE(position->text(), u"1"_s);
        const QByteArray bytes = testsupport::readFile(path());
        QCOMPARE(bytes.size(), TinyRecord::Size);
        QCOMPARE(bytes.mid(0, 5),
            QByteArray("\x04"
                       "Anna"));
        QCOMPARE(bytes.mid(11, 5),
            QByteArray("\x04"
                       "Bari"));
        QCOMPARE(bytes.mid(17, 3), QByteArray("\x02S\xEC"));
        QCOMPARE(bytes.mid(20, 6),
            QByteArray("\x05"
                       "a.pdf"));
        QCOMPARE(bytes.mid(47, 9),
            QByteArray("\x08"
                       "Contratt"));

        card->duplicate();
        QCOMPARE(card->position(), 0);
        QCOMPARE(name->text(), u"  Anna  "_s); // kept as typed; the record holds it trimmed
        QCOMPARE(city->text(), u"Bari"_s);
        QVERIFY(!flag->isChecked());
        QCOMPARE(card->attachments().files[0], QString());
        QCOMPARE(card->attachments().descriptions[0], QString());
        card->save();
        QCOMPARE(card->position(), 2);
        QCOMPARE(stored(1).text(F::file1), u"a.pdf"_s);
        QVERIFY(stored(2).isNo(F::flag));
    }

    void duplicateOfANewCardIsRefused()
    {
        name->setText(u"Anna"_s);
        card->duplicate();
        QCOMPARE(messages->messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(name->text(), u"Anna"_s);
    }

    void navigation_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("start"); // 0 for a new card
        QTest::addColumn<int>("move");  // 0 first, 1 previous, 2 next, 3 last
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("emptyMessage");
        QTest::newRow("first, empty archive") << 0 << 7 << 0 << 7 << true;
        QTest::newRow("last, empty archive") << 0 << 7 << 3 << 7 << true;
        QTest::newRow("next, empty archive") << 0 << 7 << 2 << 0 << true;
        QTest::newRow("next from a new card, empty archive") << 0 << 0 << 2 << 0 << true;
        QTest::newRow("previous, empty archive") << 0 << 7 << 1 << 7 << true;
        QTest::newRow("first, new card") << 3 << 0 << 0 << 1 << false;
        QTest::newRow("last, new card") << 3 << 0 << 3 << 3 << false;
        QTest::newRow("next, new card") << 3 << 0 << 2 << 1 << false;
        QTest::newRow("previous, new card") << 3 << 0 << 1 << 1 << false;
        QTest::newRow("next, middle") << 3 << 2 << 2 << 3 << false;
        QTest::newRow("next, last") << 3 << 3 << 2 << 3 << false;
        QTest::newRow("previous, first") << 3 << 1 << 1 << 1 << false;
        QTest::newRow("previous, second") << 3 << 2 << 1 << 1 << false;
        QTest::newRow("previous, third") << 3 << 3 << 1 << 2 << false;
        QTest::newRow("previous, beyond the end") << 3 << 9 << 1 << 3 << false;
        QTest::newRow("first, middle") << 3 << 2 << 0 << 1 << false;
        QTest::newRow("last, middle") << 3 << 2 << 3 << 3 << false;
    }
    void navigation()
    {
        QFETCH(int, records);
        QFETCH(int, start);
        QFETCH(int, move);
        QFETCH(int, after);
        QFETCH(bool, emptyMessage);
        addRecords(records);
        card->setPosition(start);
        name->setText(u"sulla scheda"_s);
        const std::array<void (Pattern::*)(), 4> moves
            = { &Pattern::first, &Pattern::previous, &Pattern::next, &Pattern::last };
        (card.get()->*moves[std::size_t(move)])();
        QCOMPARE(card->position(), after);
        QCOMPARE(position->text(), after > 0 ? QString::number(after) : QString());
        QCOMPARE(testsupport::withoutSaveQuestion(messages->texts()),
            emptyMessage ? QStringList { u"L'archivio non contiene nessuna scheda."_s } : QStringList());
        if (emptyMessage)
            QCOMPARE(messages->messages().last().kind, ui::MessageKind::Information);
        if (!emptyMessage && after != start) {
            QCOMPARE(name->text(), u"Nome "_s + QString::number(after));
            QCOMPARE(flag->isChecked(), after % 2 == 0);
        }
    }

    void printRowsFollowTheTable()
    {
        name->setText(u" Anna "_s);
        flag->setChecked(true);
        const QList<ui::PrintRow> rows = card->printRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].label, u"Nome:"_s);
        QCOMPARE(rows[0].value, u"Anna"_s);
        QCOMPARE(rows[1].value, u"Roma"_s);
        QCOMPARE(rows[2].value, u"Sì"_s);
    }
};

QTEST_MAIN(TestCardPattern)
#include "tst_cardpattern.moc"
