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

// Contacts: one in ten to call back.
inline void generateContacts(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    static const char16_t* towns[] = { u"Roma", u"Milano", u"Napoli", u"Torino", u"Bari", u"Perugia", u"Firenze" };
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        ContactRecord r;
        r.setText(ContactField::fullName, u"Cognome%1 Nome%2"_s.arg(i % 9973).arg(i % 101));
        r.setText(ContactField::birthDate, u"12/05/1971"_s);
        r.setText(ContactField::birthPlace, u"Perugia"_s);
        r.setText(ContactField::birthProvince, u"PG"_s);
        r.setText(ContactField::preferredPhone, u"06 %1"_s.arg(5550000 + i));
        r.setText(ContactField::residenceAddress, u"Via dell'Università %1"_s.arg(i % 300));
        r.setText(ContactField::residenceTown, QString::fromUtf16(towns[i % 7]));
        r.setText(ContactField::residenceProvince, u"RM"_s);
        r.setText(ContactField::email, u"contatto%1@example.it"_s.arg(i));
        r.setText(ContactField::taxCode, u"RSSMRA71E12G478X"_s);
        r.setText(ContactField::vatNumber, u"%1"_s.arg(10000000000LL + i * 7919LL % 89999999999LL));
        r.setText(ContactField::occupation, i % 3 ? u"Impiegato"_s : u"Avvocato"_s);
        r.setText(ContactField::interests, u"Consulenza contrattuale"_s);
        r.setText(ContactField::zone, u"Zona %1"_s.arg(i % 12));
        r.setText(ContactField::pendingIssues, i % 10 ? QString() : u"Preventivo da inviare"_s);
        r.setText(ContactField::notes, i % 4 ? QString() : u"Cliente dal 2015"_s);
        r.setFlag(ContactField::toRecontact, i % 10 == 0);
        chunk.append(r.data(), ContactRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

// Documents: one in ten to complete.
inline void generateDocuments(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    static const char16_t* const producers[] = { u"Rossi Mario", u"Bianchi & Figli snc", u"Comune di Città di Castello",
        u"INPS - Direzione centrale", u"Studio Verdi" };
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        DocumentRecord r;
        r.setText(DocumentField::documentName, u"Lettera n. %1 sulla pratica del cliente"_s.arg(i));
        r.setText(DocumentField::protocolNumber, u"%1/%2"_s.arg(2015 + i % 10).arg(i, 6, 10, QChar(u'0')));
        r.setText(DocumentField::producer, QString::fromUtf16(producers[i % 5]) + u" %1"_s.arg(i % 300));
        r.setText(DocumentField::producerAddress, u"Via dell'Università 12, 06012 Città di Castello (PG)"_s);
        r.setText(DocumentField::productionDate, texts::formatDate(QDate(2015 + i % 10, 1 + i % 12, 1 + i % 28)));
        r.setText(DocumentField::recipient, u"Studio Verdi"_s);
        r.setText(DocumentField::recipientAddress, u"Piazza Garibaldi 3, 00184 Roma"_s);
        r.setText(DocumentField::receiptDate, texts::formatDate(QDate(2015 + i % 10, 1 + i % 12, 1 + (i + 3) % 28)));
        r.setText(DocumentField::subject,
            i % 7 ? u"Richiesta di documentazione integrativa per la pratica %1"_s.arg(i)
                  : u"Rinnovo del contratto di locazione della sede %1"_s.arg(i));
        r.setText(DocumentField::documentType, u"Lettera"_s);
        r.setText(DocumentField::classification, u"Amministrazione / Contratti"_s);
        r.setText(DocumentField::dossier, u"Fascicolo %1"_s.arg(i % 50));
        r.setText(DocumentField::references, u"Protocollo 2014/%1"_s.arg(i % 1000));
        r.setText(DocumentField::citedParties, u"Rossi Mario, Bianchi Anna, Studio Verdi"_s);
        r.setText(DocumentField::notes, i % 4 ? QString() : u"Da verificare con il cliente"_s);
        r.setText(DocumentField::digitalCopyFile, u"lettera_%1.pdf"_s.arg(i));
        r.setFlag(DocumentField::toComplete, i % 10 == 0);
        chunk.append(r.data(), DocumentRecord::Size);
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
