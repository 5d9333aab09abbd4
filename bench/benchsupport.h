#pragma once
// What the benchmarks share: a generated appointments archive, the raw
// sequential read every figure is compared with, and best-of timing.

#include "storage/records.h"
#include "storage/texts.h"

#include "ui/exportscreen.h"
#include <QElapsedTimer>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTableView>

#include <algorithm>
#include <functional>
#include <memory>

#include <unistd.h>

namespace bench {

using namespace Qt::Literals::StringLiterals;

// One record in twenty is a commitment due on 10/03/2025; half of the others
// are fulfilled, the rest lie years ahead. With `fiveYears` every record
// lies in 2020 to 2024, a fifth in each year.
inline void generate(const QString& path, int records, bool fiveYears = false)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        AppointmentRecord r;
        const bool due = i % 20 == 0;
        const bool fulfilled = !due && i % 2 == 1;
        const int day = 1 + i % 28, month = 1 + (i / 28) % 12;
        const int year = due || fulfilled || fiveYears ? 2020 + i % 5 : 2031;
        r.setText(AppointmentField::date, texts::formatDate(QDate(year, month, day)));
        r.setText(AppointmentField::hour, u"%1"_s.arg(i % 24, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::minute, u"%1"_s.arg(i % 60, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::time, texts::formatTime(i % 24, i % 60));
        r.setText(AppointmentField::noticeDays, QString::number(i % 15));
        r.setText(AppointmentField::commitmentType, u"Riunione"_s);
        r.setText(AppointmentField::purpose, u"Verifica contratto di fornitura n. %1 con il cliente"_s.arg(i));
        r.setText(AppointmentField::details, i % 3 ? QString() : u"Portare la documentazione già firmata"_s);
        r.setText(AppointmentField::contact, u"Rossi Mario %1"_s.arg(i % 500));
        r.setText(AppointmentField::phone, u"06 1234567"_s);
        r.setText(AppointmentField::mobile, u"333 1234567"_s);
        r.setText(AppointmentField::email, u"mario.rossi@example.it"_s);
        r.setText(AppointmentField::place, i % 7 ? u"Milano, corso Buenos Aires 3"_s : u"Roma, via del Corso 1"_s);
        r.setText(AppointmentField::amount, u"%1,50"_s.arg(i % 1000));
        r.setText(AppointmentField::notes, i % 5 ? QString() : u"Nota di esempio"_s);
        r.setFlag(AppointmentField::fulfilled, fulfilled);
        chunk.append(r.data(), AppointmentRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

// Reads the whole file in blocks of one megabyte; returns a figure that
// depends on every block, so the read cannot be left out.
inline qint64 rawRead(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QByteArray block(1 << 20, '\0');
    qint64 n, total = 0;
    while ((n = f.read(block.data(), block.size())) > 0)
        total += n + block[0];
    return total;
}

// Milliseconds of the fastest of `runs` runs.
inline double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// The process's peak resident memory so far, in megabytes (VmHWM).
inline double peakMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// Notes when a widget has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// A plain buffered write of `bytes` bytes in blocks of one megabyte, synced to the disk.
inline void plainWrite(const QString& path, qint64 bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    const QByteArray block(1 << 20, 'x');
    for (qint64 done = 0; done < bytes; done += block.size())
        f.write(block.constData(), std::min<qint64>(block.size(), bytes - done));
    f.flush();
    if (::fdatasync(f.handle()) != 0)
        qFatal("cannot sync %s", qPrintable(path));
}

// An export as the user opens it: the definition, the grid filled
// while the screen is shown, the screen's first screenful painted.
inline std::unique_ptr<ui::ExportScreen> showExport(ui::ExportDefinition definition)
{
    auto screen = std::make_unique<ui::ExportScreen>(std::move(definition), nullptr);
    auto* grid = screen->findChild<QTableView*>(u"grdRecords"_s);
    PaintWatch watch;
    grid->viewport()->installEventFilter(&watch);
    screen->show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    grid->viewport()->removeEventFilter(&watch);
    return screen;
}

} // namespace bench
