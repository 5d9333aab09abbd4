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
    bench::generateContacts(path, records);
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
