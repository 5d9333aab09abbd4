// Figures for huge and hostile archives on the real screens, each against a
// raw sequential read of the same file in the same run:
//   bench_faults [huge] [hostile] [search]   (default: 1000000 1000000 100000)
// - `huge` appointments in a sparse file (every byte zero);
// - `hostile` appointments whose every byte is 0xFF (each field full);
// - `search` ordinary appointments, the search listing every one of them.
// Then what an append and a rewrite that leave nothing half-written cost.
// For each archive: the card's last record, the agenda, the search with no
// criteria, the export grid shown and its file written; milliseconds of one
// run, the ratio to the raw read, and the peak memory of each screen, each
// in a process of its own, counted from the memory in use before it opens.
#include "benchsupport.h"

#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "appointments/appointmentsearch.h"
#include "storage/programfolder.h"
#include "ui/services.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

double statusMegabytes(const char* key)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// The peak resident memory starts again from the memory in use now.
void resetPeak()
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

struct Figure {
    double ms;
    double peakMb;
    QString what;
};

Figure measure(const std::function<QString()>& work)
{
    QCoreApplication::processEvents();
    resetPeak();
    const double base = statusMegabytes("VmRSS:");
    QElapsedTimer t;
    t.start();
    const QString what = work();
    const double ms = t.nsecsElapsed() / 1e6;
    return {ms, statusMegabytes("VmHWM:") - base, what};
}

// Waits until a widget has been painted once.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    void wait()
    {
        while (!m_painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        m_widget->removeEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    QWidget* m_widget;
    bool m_painted = false;
};

// One screen on the archive of the program folder, in a process of its own
// so that its peak memory is its own: prints "milliseconds peak-MB what" per step.
int screen(const QString& name)
{
    const auto print = [](const Figure& f) {
        std::printf("%.1f %.1f %s\n", f.ms, f.peakMb, qPrintable(f.what));
        std::fflush(stdout);
    };
    AppointmentCard card;
    if (name == u"card"_s) {
        print(measure([&]() -> QString {
            card.open();
            card.findChild<QToolButton*>(u"cmdUltimo"_s)->click();
            return u"position "_s + card.findChild<QLabel*>(u"lblPosizione"_s)->text();
        }));
    } else if (name == u"agenda"_s) {
        AgendaScreen agenda(&card);
        print(measure([&]() -> QString {
            PaintWatch watch(agenda.findChild<QListView*>(u"lstRecords"_s)->viewport());
            agenda.open();
            watch.wait();
            return u"%1 due"_s.arg(agenda.findChild<QListView*>(u"lstRecords"_s)->model()->rowCount());
        }));
    } else if (name == u"search"_s) {
        AppointmentSearch search([](const AppointmentRecord&, qint64) {}, nullptr);
        search.show();
        QCoreApplication::processEvents();
        print(measure([&]() -> QString {
            auto* list = search.findChild<QListView*>(u"lstRecords"_s);
            PaintWatch watch(list->viewport());
            search.findChild<QPushButton*>(u"btnCerca"_s)->click();
            watch.wait();
            return u"%1 lines"_s.arg(list->model()->rowCount());
        }));
    } else if (name == u"export"_s) {
        std::unique_ptr<ui::ExportScreen> exportScreen;
        print(measure([&]() -> QString {
            exportScreen = std::make_unique<ui::ExportScreen>(appointments::archiveExport(), nullptr);
            auto* grid = exportScreen->findChild<QTableView*>(u"grdRecords"_s);
            PaintWatch watch(grid->viewport());
            exportScreen->show();
            watch.wait();
            return u"%1 rows"_s.arg(grid->model()->rowCount());
        }));
        const QString file = programFolder::file(u"Riepilogo_Appuntamenti.xls"_s);
        const Figure written = measure([&]() -> QString {
            exportScreen->cmdEsportaClick();
            return u"%1 MB"_s.arg(QFileInfo(file).size() / 1e6, 0, 'f', 1);
        });
        QFile::remove(file);
        print(written);
    }
    return 0;
}

void run(const char* title, const QString& folder)
{
    const QString archive = folder + u"/"_s + programFolder::Appointments;
    const double raw = bench::bestOf(3, [&] { sink = sink + bench::rawRead(archive); });
    struct stat st {};
    ::stat(QFile::encodeName(archive).constData(), &st);
    std::printf("\n%s: %lld records, %.1f MB long, %.1f MB on the disk\n", title,
                archive::count(archive, AppointmentRecord::Size), QFileInfo(archive).size() / 1e6,
                st.st_blocks * 512 / 1e6);
    std::printf("  %-30s %9.1f ms\n", "raw sequential read:", raw);
    const QList<std::pair<const char*, QList<const char*>>> steps = {
        {"card", {"card, last record:"}},
        {"agenda", {"agenda:"}},
        {"search", {"search, every record listed:"}},
        {"export", {"export grid shown:", "export file written:"}},
    };
    for (const auto& [name, captions] : steps) {
        QProcess child;
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(), {u"--screen"_s, QString::fromLatin1(name), folder});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            qFatal("the %s step failed", name);
        const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
        for (qsizetype i = 0; i < captions.size() && i < lines.size(); ++i) {
            const QList<QByteArray> f = lines[i].split(' ');
            const double ms = f.value(0).toDouble();
            std::printf("  %-30s %9.1f ms  (%6.2f x raw)  peak +%7.1f MB  %s\n", captions[i], ms, ms / raw,
                        f.value(1).toDouble(), lines[i].mid(f.value(0).size() + f.value(1).size() + 2).constData());
        }
    }
}

// Milliseconds of the median of `runs` runs.
double medianOf(int runs, const std::function<void(int)>& work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work(i);
        times.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// What a write that can fail safely costs: an append (the record synced,
// undone on failure) against a plain append synced to the disk, and a
// rewrite (its note written and synced with the folder, the record synced,
// the note removed) against a plain write in place synced to the disk.
void writes(const QString& archive)
{
    const AppointmentRecord record = [] {
        AppointmentRecord r;
        r.setText(AppointmentField::purpose, u"Scheda riscritta"_s);
        return r;
    }();
    const qint64 count = archive::count(archive, AppointmentRecord::Size);
    const QString plainPath = archive + u".plain"_s;
    const int fd = ::open(QFile::encodeName(plainPath).constData(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const auto plainWrite = [&](qint64 index) {
        if (::pwrite(fd, record.data(), AppointmentRecord::Size, off_t(index) * AppointmentRecord::Size) < 0
            || ::fdatasync(fd) != 0)
            qFatal("cannot write %s", qPrintable(plainPath));
    };
    const double plainAppend = medianOf(31, [&](int i) { plainWrite(i); });
    const double plainInPlace = medianOf(31, [&](int i) { plainWrite((i * 7) % 31); });
    ::close(fd);
    QFile::remove(plainPath);
    const double append = medianOf(31, [&](int) { archive::append(archive, AppointmentRecord::Size, record.data()); });
    const double rewrite = medianOf(31, [&](int i) {
        archive::rewriteAt(archive, AppointmentRecord::Size, 1 + (i * 7919) % count, record.data());
    });
    std::printf("\nwrites of one record (median of 31):\n");
    std::printf("  %-30s %9.2f ms\n", "plain append + sync:", plainAppend);
    std::printf("  %-30s %9.2f ms  (%6.2f x plain append)\n", "append:", append, append / plainAppend);
    std::printf("  %-30s %9.2f ms\n", "plain write in place + sync:", plainInPlace);
    std::printf("  %-30s %9.2f ms  (%6.2f x plain in place)\n", "rewrite with its note:", rewrite,
                rewrite / plainInPlace);
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
    ui::sound::setPlayer({[](const QString&) { return false; }, [] {}});
    if (argc == 4 && QByteArray(argv[1]) == "--screen") {
        programFolder::setOverride(QString::fromLocal8Bit(argv[3]));
        return screen(QString::fromLocal8Bit(argv[2]));
    }

    const auto arg = [&](int i, int fallback) { return argc > i ? QString::fromLocal8Bit(argv[i]).toInt() : fallback; };
    const int huge = arg(1, 1000000), hostile = arg(2, 1000000), searched = arg(3, 100000);
    QTemporaryDir folder(QDir::currentPath() + u"/bench-faults-XXXXXX"_s);
    const QString archive = folder.path() + u"/"_s + programFolder::Appointments;
    std::printf("Each screen runs in a process of its own; its peak is counted from the memory the process\n"
                "holds when the screen opens (%.1f MB here).\n", statusMegabytes("VmRSS:"));

    {
        QFile f(archive);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(qint64(huge) * AppointmentRecord::Size))
            qFatal("cannot make the sparse archive");
    }
    run("sparse archive, every byte zero", folder.path());

    {
        QFile f(archive);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the archive");
        const QByteArray block(1000 * AppointmentRecord::Size, char(0xFF));
        for (int done = 0; done < hostile; done += 1000)
            f.write(block.constData(), qint64(std::min(1000, hostile - done)) * AppointmentRecord::Size);
    }
    run("archive of 0xFF bytes", folder.path());

    bench::generate(archive, searched);
    run("ordinary archive", folder.path());
    writes(archive);
    return sink == -1;
}
