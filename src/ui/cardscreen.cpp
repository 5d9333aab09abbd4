#include "ui/cardscreen.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/services.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

namespace ui {

const QString CardScreen::EmptyArchive = u"L'archivio non contiene nessuna scheda."_s;

namespace {

QString fieldText(QWidget* field)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->currentText();
    return field->property("text").toString();
}

} // namespace

void CardScreen::setUpCard(const Setup& setup)
{
    m_setup = setup;
}

QString CardScreen::archivePath() const { return programFolder::file(m_setup.archive); }

qint64 CardScreen::position() const
{
    bool ok = false;
    const qint64 p = texts::trim(m_setup.position->text()).toLongLong(&ok);
    return ok && p > 0 ? p : 0;
}

void CardScreen::setPosition(qint64 position)
{
    m_setup.position->setText(position > 0 ? QString::number(position) : QString());
}

void CardScreen::showEvent(QShowEvent* event)
{
    AreaScreen::showEvent(event);
    cmdNuovoClick();
}

void CardScreen::cmdNuovoClick()
{
    setPosition(0);
    clearCard();
}

void CardScreen::cmdDuplicaClick()
{
    if (position() == 0) {
        messages::warning(u"Attenzione: la duplicazione di una scheda può avvenire soltanto dopo che questa è stata "
                          u"inserita in archivio."_s);
        return;
    }
    setPosition(0);
    try {
        ArchiveFile file;
        file.open(archivePath(), m_setup.recordSize, ArchiveFile::Access::Read);
        prepareDuplicate();
        file.close();
    } catch (const AccessFailure&) {
        messages::error(AccessFailure::message());
        return;
    }
    messages::information(u"E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\r"
                          u"Al termine premere Salva per inserire la scheda in archivio."_s);
}

void CardScreen::cmdSalvaClick()
{
    m_setup.focusSink->setFocus();
    runLeaveRules();
    const auto required = requiredFields();
    for (const Required& r : required) {
        if (texts::trim(fieldText(r.field)).isEmpty()) {
            messages::warning(r.message);
            r.field->setFocus();
            return;
        }
    }
    completeBeforeSave();
    const QByteArray record = buildRecord();
    try {
        if (const qint64 p = position()) {
            archive::rewriteAt(archivePath(), m_setup.recordSize, p, record.constData());
            messages::information(u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s);
        } else {
            setPosition(archive::append(archivePath(), m_setup.recordSize, record.constData()));
            messages::information(u"La scheda corrente è stata inserita in archivio."_s);
        }
    } catch (const AccessFailure&) {
        messages::error(AccessFailure::message());
    }
}

void CardScreen::cmdPrimoClick() { navigate(Move::First); }
void CardScreen::cmdIndietroClick() { navigate(Move::Previous); }
void CardScreen::cmdAvantiClick() { navigate(Move::Next); }
void CardScreen::cmdUltimoClick() { navigate(Move::Last); }

void CardScreen::navigate(Move move)
{
    try {
        ArchiveFile file;
        file.open(archivePath(), m_setup.recordSize, ArchiveFile::Access::Read);
        const qint64 n = file.recordCount();
        const qint64 p = position();
        if (n == 0) {
            file.close();
            if (move == Move::Next)
                setPosition(0);
            messages::information(EmptyArchive);
            return;
        }
        qint64 target = 0;
        if (p == 0) {
            target = move == Move::Last ? n : 1;
        } else {
            switch (move) {
            case Move::First:
                target = 1;
                break;
            case Move::Last:
                target = n;
                break;
            case Move::Next:
                target = p < n ? p + 1 : 0;
                break;
            case Move::Previous:
                target = p == 1 ? 0 : (p == 2 ? 1 : std::min(p - 1, n));
                break;
            }
        }
        if (target == 0) {
            file.close();
            return;
        }
        file.seek(target - 1);
        QByteArray record(m_setup.recordSize, '\0');
        file.read(record.data());
        file.close();
        loadRecord(record.constData());
        setPosition(target);
    } catch (const AccessFailure&) {
        messages::error(AccessFailure::message());
    }
}

void CardScreen::showRecord(const char* bytes, qint64 position)
{
    loadRecord(bytes);
    setPosition(position);
}

} // namespace ui
