// The screens at a million records, each in a process of its own:
//   bench_million [records] [kind...]   (default: 1000000 realistic full ff)
// For each kind the three archives are written into a folder under the
// current directory (about 8.6 GB at a million records) and removed after:
// - realistic: the records of the other benchmarks (bench::generate...);
// - full: every field full to its length with letters that change from
//   record to record; the flags hold "Sì" or "No";
// - ff: every byte 0xFF.
// Each line gives the milliseconds from the command to the filled screen
// (its first screenful painted), the ratio to a raw sequential read of the
// archive it reads, measured in the same run, and the peak resident memory
// of the whole process (getrusage ru_maxrss) with that one screen open.
// BENCH_STEPS=agenda,print (the names in run()) measures only those;
// BENCH_KEEP=1 leaves the archives in place for a profiler;
// BENCH_FOLDER=path uses the archives of one kind already there;
// BENCH_RUNS=1 runs each screen once instead of three times.
#include "benchsupport.h"

#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "appointments/appointmentrules.h"
#include "appointments/appointmentsearch.h"
#include "contacts/contactcard.h"
#include "contacts/contactsearch.h"
#include "documents/documentcard.h"
#include "documents/documentsearch.h"
#include "storage/programfolder.h"
#include "summaries/periodsummary.h"
#include "summaries/summaryrules.h"
#include "ui/listscreen.h"
#include "ui/report.h"
#include "ui/services.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

double peakMegabytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Every field full to its capacity with letters depending on the record.
template <typename Layout>
void generateFull(const QString& path, int records)
{
    using R = records::Record<Layout>;
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        R r;
        for (int field = 0; field < R::FieldCount; ++field) {
            const int capacity = Layout::Capacities[size_t(field)];
            char* at = r.data() + Layout::Offsets[size_t(field)];
            at[0] = char(capacity);
            const unsigned seed = unsigned(i) * 2654435761u + unsigned(field) * 40503u;
            for (int k = 0; k < capacity; ++k)
                at[1 + k] = letters[(seed >> (k % 24)) % 52];
        }
        if constexpr (std::is_same_v<Layout, records::AppointmentLayout>)
            r.setFlag(AppointmentField::fulfilled, i % 2);
        if constexpr (std::is_same_v<Layout, records::ContactLayout>)
            r.setFlag(ContactField::toRecontact, i % 10 == 0);
        if constexpr (std::is_same_v<Layout, records::DocumentLayout>)
            r.setFlag(DocumentField::toComplete, i % 10 == 0);
        chunk.append(r.data(), R::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

void generateFF(const QString& path, int records, int size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    const QByteArray block(1000 * size, char(0xFF));
    for (int done = 0; done < records; done += 1000)
        f.write(block.constData(), qint64(std::min(1000, records - done)) * size);
}

// Waits for the first paint of a widget after `start`.
template <typename Start>
void untilPainted(QWidget* widget, Start start)
{
    bench::PaintWatch watch;
    widget->installEventFilter(&watch);
    start();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    widget->removeEventFilter(&watch);
}

// A search screen: the criterion `field` typed (none when empty), Cerca, the list painted.
QString search(QDialog& screen, const QString& field, const QString& typed)
{
    screen.show();
    QCoreApplication::processEvents();
    if (!field.isEmpty())
        screen.findChild<QLineEdit*>(field)->setText(typed);
    auto* list = screen.findChild<QListView*>(u"lstRecords"_s);
    untilPainted(list->viewport(), [&] { screen.findChild<QPushButton*>(u"btnCerca"_s)->click(); });
    return u"%1 lines"_s.arg(list->model()->rowCount());
}

QString list(ui::ListDefinition definition)
{
    ui::ListScreen screen(std::move(definition), nullptr);
    auto* view = screen.findChild<QListView*>(u"lstRecords"_s);
    untilPainted(view->viewport(), [&] { screen.show(); });
    return u"%1 lines"_s.arg(view->model()->rowCount());
}

std::unique_ptr<ui::ExportScreen> exportGrid(ui::ExportDefinition definition, QString& what)
{
    auto screen = bench::showExport(std::move(definition));
    what = u"%1 rows"_s.arg(screen->findChild<QTableView*>(u"grdRecords"_s)->model()->rowCount());
    return screen;
}

// One screen in this process: prints "milliseconds peak-MB what".
int screen(const QString& name)
{
    QElapsedTimer t;
    QString what;
    std::unique_ptr<QObject> keep;
    // The steps that need a card build it before the clock starts.
    std::unique_ptr<AppointmentCard> appointments;
    std::unique_ptr<ContactCard> contacts;
    std::unique_ptr<DocumentCard> documents;
    if (name.startsWith(u"appointment") || name == u"agenda"_s || name.startsWith(u"state") || name == u"print"_s
        || name == u"pdf"_s)
        appointments = std::make_unique<AppointmentCard>();
    if (name == u"callback"_s)
        contacts = std::make_unique<ContactCard>();
    if (name == u"tocomplete"_s)
        documents = std::make_unique<DocumentCard>();
    const auto noTarget = [](const auto&, qint64) {};
    t.start();
    if (name == u"none"_s) {
        what = u"the program with no screen"_s;
    } else if (name == u"appointmentsearch"_s) {
        AppointmentSearch s(noTarget, nullptr);
        what = search(s, {}, {});
    } else if (name == u"appointmentsearch1"_s) {
        AppointmentSearch s(noTarget, nullptr);
        what = search(s, u"txtContatto"_s, u"rossi mario 12"_s);
    } else if (name == u"contactsearch"_s) {
        ContactSearch s(noTarget, nullptr);
        what = search(s, {}, {});
    } else if (name == u"contactsearch1"_s) {
        ContactSearch s(noTarget, nullptr);
        what = search(s, u"txtCliente"_s, u"cognome12 "_s);
    } else if (name == u"documentsearch"_s) {
        DocumentSearch s(noTarget, nullptr);
        what = search(s, {}, {});
    } else if (name == u"documentsearch1"_s) {
        DocumentSearch s(noTarget, nullptr);
        what = search(s, u"txtProduttore"_s, u"rossi mario 1"_s);
    } else if (name == u"statetofulfil"_s) {
        what = list(appointments->stateList(appointments::State::ToFulfil));
    } else if (name == u"statefulfilled"_s) {
        what = list(appointments->stateList(appointments::State::Fulfilled));
    } else if (name == u"callback"_s) {
        what = list(contacts->callBackList());
    } else if (name == u"tocomplete"_s) {
        what = list(documents->toCompleteList());
    } else if (name == u"agenda"_s) {
        AgendaScreen agenda(appointments.get());
        auto* view = agenda.findChild<QListView*>(u"lstRecords"_s);
        untilPainted(view->viewport(), [&] { agenda.open(); });
        what = u"%1 due"_s.arg(view->model()->rowCount());
    } else if (name == u"summary"_s) {
        const summaries::Criteria criteria { {}, {}, QDate(2024, 1, 1), QDate(2024, 12, 31) };
        PeriodSummary summary(
            criteria, summaries::summarise(programFolder::file(programFolder::Appointments), criteria), nullptr);
        auto* view = summary.findChild<QListView*>(u"lstRecords"_s);
        untilPainted(view->viewport(), [&] { summary.show(); });
        what = u"%1 lines"_s.arg(view->model()->rowCount());
    } else if (name == u"appointmentexport"_s) {
        keep = exportGrid(appointments::archiveExport(), what);
    } else if (name == u"contactexport"_s) {
        keep = exportGrid(ContactCard::exportDefinition(), what);
    } else if (name == u"documentexport"_s) {
        keep = exportGrid(DocumentCard::exportDefinition(), what);
    } else if (name == u"print"_s || name == u"pdf"_s) {
        // The list of every appointment, then Stampa: to the print dialog, or to a PDF file.
        AppointmentSearch s(noTarget, nullptr);
        search(s, {}, {});
        const QString pdf = programFolder::file(u"lista.pdf"_s);
        if (name == u"pdf"_s)
            report::printer::setPdfTarget(pdf);
        QTimer poll;
        double toDialog = -1;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                toDialog = t.nsecsElapsed() / 1e6;
                dialog->reject();
            }
        });
        poll.start(1);
        t.start();
        s.findChild<QPushButton*>(u"btnStampa"_s)->click();
        poll.stop();
        what = name == u"pdf"_s ? u"%1 MB of PDF"_s.arg(QFileInfo(pdf).size() / 1e6, 0, 'f', 1)
                                : u"%1 ms to the dialog"_s.arg(toDialog, 0, 'f', 0);
        std::printf("%.1f %.1f %s\n", name == u"print"_s ? toDialog : t.nsecsElapsed() / 1e6, peakMegabytes(),
            qPrintable(what));
        QFile::remove(pdf);
        return 0;
    } else {
        return 2;
    }
    std::printf("%.1f %.1f %s\n", t.nsecsElapsed() / 1e6, peakMegabytes(), qPrintable(what));
    return 0;
}

struct Step {
    const char* name;
    const char* caption;
    const QString* archive;
};

void run(const QString& kind, int records, bool withPdf)
{
    QTemporaryDir made(QDir::currentPath() + u"/bench-million-XXXXXX"_s);
    made.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_KEEP"));
    const QString kept = qEnvironmentVariable("BENCH_FOLDER");
    const QString folder = kept.isEmpty() ? made.path() : kept;
    const QString a = folder + u"/"_s + programFolder::Appointments;
    const QString c = folder + u"/"_s + programFolder::Contacts;
    const QString d = folder + u"/"_s + programFolder::Documents;
    if (!kept.isEmpty() && QFileInfo(a).size() == qint64(records) * AppointmentRecord::Size) {
        // the archives of an earlier run, of the kind the caller says
    } else if (kind == u"realistic"_s) {
        bench::generate(a, records, true);
        bench::generateContacts(c, records);
        bench::generateDocuments(d, records);
    } else if (kind == u"full"_s) {
        generateFull<records::AppointmentLayout>(a, records);
        generateFull<records::ContactLayout>(c, records);
        generateFull<records::DocumentLayout>(d, records);
    } else {
        generateFF(a, records, AppointmentRecord::Size);
        generateFF(c, records, ContactRecord::Size);
        generateFF(d, records, DocumentRecord::Size);
    }
    QHash<const QString*, double> raw;
    for (const QString* archive : { &a, &c, &d }) {
        sink = sink + bench::rawRead(*archive); // the page cache warm
        raw[archive] = bench::bestOf(3, [&] { sink = sink + bench::rawRead(*archive); });
    }
    std::printf("\n%s archives of %d records: appointments %.0f MB (raw read %.0f ms), contacts %.0f MB (%.0f ms), "
                "documents %.0f MB (%.0f ms)\n",
        qPrintable(kind), records, QFileInfo(a).size() / 1e6, raw[&a], QFileInfo(c).size() / 1e6, raw[&c],
        QFileInfo(d).size() / 1e6, raw[&d]);
    QList<Step> steps = {
        { "none", "program with no screen open", nullptr },
        { "appointmentsearch", "appointment search, no criterion", &a },
        { "contactsearch", "contact search, no criterion", &c },
        { "documentsearch", "document search, no criterion", &d },
        { "appointmentsearch1", "appointment search, one criterion", &a },
        { "contactsearch1", "contact search, one criterion", &c },
        { "documentsearch1", "document search, one criterion", &d },
        { "statetofulfil", "list \"da assolvere\"", &a },
        { "statefulfilled", "list \"assolti\"", &a },
        { "agenda", "agenda", &a },
        { "callback", "contacts to call back", &c },
        { "tocomplete", "documents to complete", &d },
        { "summary", "summary of one year (2024)", &a },
        { "contactexport", "contact export grid", &c },
        { "documentexport", "document export grid", &d },
        { "appointmentexport", "appointment export grid", &a },
        { "print", "list print, click to the dialog", &a },
    };
    if (withPdf)
        steps.append({ "pdf", "list print to PDF, every line", &a });
    const QStringList only = qEnvironmentVariable("BENCH_STEPS").split(u',', Qt::SkipEmptyParts);
    for (const Step& step : steps) {
        if (!only.isEmpty() && !only.contains(QLatin1String(step.name)))
            continue;
        QList<double> ms, mb;
        QByteArray what;
        const int runs = QByteArray(step.name) == "pdf"      ? 1
            : qEnvironmentVariableIntValue("BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("BENCH_RUNS")
                                                             : 3;
        for (int i = 0; i < runs; ++i) {
            QProcess child;
            child.setStandardErrorFile(QProcess::nullDevice());
            child.start(
                QCoreApplication::applicationFilePath(), { u"--screen"_s, QString::fromLatin1(step.name), folder });
            if (!child.waitForFinished(-1) || child.exitCode() != 0)
                qFatal("the %s step failed", step.name);
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
            ms << f.value(0).toDouble();
            mb << f.value(1).toDouble();
            what = f.mid(2).join(' ');
        }
        std::sort(ms.begin(), ms.end());
        std::sort(mb.begin(), mb.end());
        const double median = ms[ms.size() / 2];
        if (step.archive)
            std::printf("| %-38s | %8.0f ms | %6.2f x raw | %7.1f MB | %s\n", step.caption, median,
                median / raw[step.archive], mb[mb.size() / 2], what.constData());
        else
            std::printf(
                "| %-38s | %11s | %12s | %7.1f MB | %s\n", step.caption, "", "", mb[mb.size() / 2], what.constData());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The export's question answered Yes, the offer to open the file No.
    int question = 0;
    ui::messages::setHandler([&question](ui::MessageKind kind, const QString&) {
        if (kind != ui::MessageKind::Question)
            return ui::Answer::Ok;
        return question++ % 2 == 0 ? ui::Answer::Yes : ui::Answer::No;
    });
    ui::desktop::setHandler([](const QString&) {});
    ui::sound::setPlayer({ [](const QString&) { return false; }, [] {} });
    ui::clock::setFixed(QDateTime(QDate(2025, 3, 10), QTime(9, 0)));
    if (argc == 4 && QByteArray(argv[1]) == "--screen") {
        programFolder::setOverride(QString::fromLocal8Bit(argv[3]));
        return screen(QString::fromLocal8Bit(argv[2]));
    }
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    QStringList kinds;
    for (int i = 2; i < argc; ++i)
        kinds << QString::fromLocal8Bit(argv[i]);
    if (kinds.isEmpty())
        kinds = { u"realistic"_s, u"full"_s, u"ff"_s };
    const int runs = qEnvironmentVariableIntValue("BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("BENCH_RUNS") : 3;
    std::printf(
        "| Screen at %d records | Time (median of %d) | Against the raw read | Peak memory | Shown\n", records, runs);
    for (const QString& kind : kinds)
        run(kind, records, kind == u"realistic"_s);
    return sink == -1;
}
