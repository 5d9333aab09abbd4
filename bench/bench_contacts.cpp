// Figures for the contacts register, against the raw sequential read of the
// same archive, measured in the same run:
//   bench_contacts [records]       (default: 100000)
// The contact search (two criteria, and none used), the contacts to call
// back (one in ten ticked), each from the command to the sorted list shown;
// the export grid shown, the file written, and the peak memory.
#include "benchsupport.h"

#include "contacts/contactcard.h"
#include "contacts/contactrules.h"
#include "storage/programfolder.h"
#include "ui/linelist.h"
#include "ui/services.h"

#include <QApplication>
#include <QListView>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using F = ContactField;

namespace {

volatile qint64 sink = 0;

void generateContacts(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    static const char16_t* towns[] = { u"Roma", u"Milano", u"Napoli", u"Torino", u"Bari", u"Perugia", u"Firenze" };
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        ContactRecord r;
        r.setText(F::fullName, u"Cognome%1 Nome%2"_s.arg(i % 9973).arg(i % 101));
        r.setText(F::birthDate, u"12/05/1971"_s);
        r.setText(F::birthPlace, u"Perugia"_s);
        r.setText(F::birthProvince, u"PG"_s);
        r.setText(F::preferredPhone, u"06 %1"_s.arg(5550000 + i));
        r.setText(F::residenceAddress, u"Via dell'Università %1"_s.arg(i % 300));
        r.setText(F::residenceTown, QString::fromUtf16(towns[i % 7]));
        r.setText(F::residenceProvince, u"RM"_s);
        r.setText(F::email, u"contatto%1@example.it"_s.arg(i));
        r.setText(F::taxCode, u"RSSMRA71E12G478X"_s);
        r.setText(F::vatNumber, u"%1"_s.arg(10000000000LL + i * 7919LL % 89999999999LL));
        r.setText(F::occupation, i % 3 ? u"Impiegato"_s : u"Avvocato"_s);
        r.setText(F::interests, u"Consulenza contrattuale"_s);
        r.setText(F::zone, u"Zona %1"_s.arg(i % 12));
        r.setText(F::pendingIssues, i % 10 ? QString() : u"Preventivo da inviare"_s);
        r.setText(F::notes, i % 4 ? QString() : u"Cliente dal 2015"_s);
        r.setFlag(F::toRecontact, i % 10 == 0);
        chunk.append(r.data(), ContactRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir folder;
    programFolder::setOverride(folder.path());
    int question = 0;
    ui::messages::setHandler([&question](ui::MessageKind, const QString&) {
        return question++ % 2 == 0 ? ui::Answer::Yes : ui::Answer::No;
    });
    ui::desktop::setHandler([](const QString&) {});

    const QString path = programFolder::file(programFolder::Contacts);
    generateContacts(path, records);
    std::printf("archive: %d contacts, %.1f MB\n", records, QFile(path).size() / 1e6);
    const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
    std::printf("raw sequential read:             %8.1f ms\n", raw);

    QListView view;
    ui::LineList list(&view, lists::LineOrder::CaseFoldAZ, 12);
    const auto search = [&](const QList<std::pair<F, QString>>& typed) {
        lists::Criteria<records::ContactLayout> criteria;
        for (const auto& [field, text] : typed)
            criteria.add(field, text);
        auto rows = lists::collectRows<records::ContactLayout>(
            path, [&](const ContactView& r) { return criteria.matches(r); }, contacts::searchLine);
        sink = sink + rows.size();
        list.setRows(std::move(rows));
    };
    const double two = bench::bestOf(5, [&] {
        search({ { F::fullName, u"cognome12"_s }, { F::residenceTown, u"roma"_s } });
    });
    std::printf("search, two criteria:            %8.1f ms  (%.2f x raw; %d listed)\n", two, two / raw,
        int(list.rows().size()));
    const double none = bench::bestOf(5, [&] { search({}); });
    std::printf("search, none used (all listed):  %8.1f ms  (%.2f x raw; %d listed)\n", none, none / raw,
        int(list.rows().size()));
    const double callBack = bench::bestOf(5, [&] { list.setRows(contacts::callBackRows(path)); });
    std::printf("contacts to call back:           %8.1f ms  (%.2f x raw; %d listed)\n", callBack, callBack / raw,
        int(list.rows().size()));
    list.clear();

    QElapsedTimer shown;
    shown.start();
    const auto screen = bench::showExport(ContactCard::exportDefinition());
    const double show = shown.nsecsElapsed() / 1e6;
    std::printf("export grid shown:               %8.1f ms  (%.2f x raw)\n", show, show / raw);
    std::printf("peak memory, grid shown:         %8.1f MB\n", bench::peakMegabytes());
    const double write = bench::bestOf(3, [&] { screen->cmdEsportaClick(); });
    std::printf(
        "export written (%.1f MB):      %8.1f ms\n", QFile(programFolder::file(u"Contatti.xls"_s)).size() / 1e6, write);
    std::printf("peak memory, file written:       %8.1f MB\n", bench::peakMegabytes());
    return sink == -1;
}
