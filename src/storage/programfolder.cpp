#include "storage/programfolder.h"

#include "storage/records.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace {
QString overrideFolder;
}

namespace programFolder {

QString path()
{
    QString folder = overrideFolder.isEmpty() ? QCoreApplication::applicationDirPath() : overrideFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString file(const QString& name)
{
    return path() + name;
}

void setOverride(const QString& folder)
{
    overrideFolder = folder;
}

QString itemMapOf(const QString& archive)
{
    QString name = archive;
    if (name.endsWith(u".qzv"_s))
        name.chop(4);
    return name + u".elementi"_s;
}

const QList<Entry>& table()
{
    using R = Role;
    static const QList<Entry> entries = {
        { Appointments, R::Archive, AppointmentRecord::Size, u"l'archivio degli appuntamenti e degli impegni"_s },
        { itemMapOf(Appointments), R::ItemMap, 0,
            u"quali appuntamenti sono usciti verso calendari e server o ne sono arrivati, e con quale "
            u"identificativo: va sempre insieme al suo archivio"_s },
        { Contacts, R::Archive, ContactRecord::Size, u"l'anagrafica dei contatti"_s },
        { itemMapOf(Contacts), R::ItemMap, 0,
            u"lo stesso per i contatti scambiati con rubriche e server: va sempre insieme al suo archivio"_s },
        { Documents, R::Archive, DocumentRecord::Size, u"il protocollo dei documenti"_s },
        { Identity, R::Identity, 0,
            u"l'identità della cartella, che rende suoi gli identificativi dati a calendari, rubriche e "
            u"server: non cambia mai, va copiata quando si passa a un altro computer"_s },
        { Password, R::Password, 0,
            u"**la password**, conservata in forma cifrata. Nonostante il nome non è un file di "
            u"disinstallazione: non va cancellato"_s },
        { SyncState, R::State, 0, u"lo stato dell'ultima sincronizzazione con il server di calendari e rubriche"_s,
            SyncLock },
        { SyncSettings, R::Settings, 0, u"le impostazioni della sincronizzazione (la password non è qui)"_s },
        { ReminderSettings, R::Settings, 0, u"le impostazioni dei promemoria sul desktop"_s },
        { ReminderLedger, R::State, 0, u"i promemoria già mostrati, perché nessuno sia dato due volte"_s },
        { Attachments, R::Attachments, 0, u"le copie dei file allegati alle schede dei contatti e dei documenti"_s },
        { u"Quirvale"_s, R::Program, 0, u"il programma"_s },
        { u"Guida.pdf"_s, R::Program, 0, u"il manuale da stampare"_s },
        { u"Avviso.mp3"_s, R::Program, 0, u"il suono dell'avviso degli impegni in scadenza"_s },
        { u"*.xls"_s, R::Export, 0,
            u"le esportazioni per Microsoft Excel: ogni esportazione sovrascrive il file precedente, senza "
            u"chiedere"_s },
        { u"Contatto.pdf"_s, R::Export, 0,
            u"l'ultima scheda contatto esportata in PDF: anche questo file è sovrascritto ogni volta"_s },
        { u"*.qzv.ripristino.*"_s, R::Transient, 0,
            u"presente solo durante una modifica di una scheda, o dopo una modifica interrotta (programma "
            u"chiuso a forza, corrente mancata): alla prossima apertura il programma rimette la scheda com'era. "
            u"Non va cancellato a mano"_s },
        { u"*.blocco"_s, R::Transient, 0,
            u"presente mentre una postazione scrive in un archivio, su dischi di rete che non offrono il "
            u"blocco dei file"_s },
        { SyncLock, R::Transient, 0, u"presente mentre una postazione sincronizza"_s },
        { RestoreLock, R::Transient, 0,
            u"presente mentre un ripristino è in corso: nessun altro programma della cartella ne tocca i file, "
            u"né se ne avvia un secondo"_s },
        { u"Ripristino_in_corso.txt"_s, R::Transient, 0,
            u"presente durante un ripristino: se il ripristino è stato interrotto, il programma lo completa "
            u"al prossimo avvio"_s },
        { u"Ripristino_temporaneo_*"_s, R::Transient, 0, u"la copia di sicurezza in verifica durante un ripristino"_s },
        { u"Prima_del_ripristino_*"_s, R::Transient, 0,
            u"i dati com'erano prima di un ripristino: si possono cancellare quando non servono più"_s },
        { u".quirvale-tmp.*"_s, R::Transient, 0,
            u"file temporanei di un salvataggio in corso; quelli lasciati da un programma chiuso a forza sono "
            u"tolti al prossimo avvio"_s },
    };
    return entries;
}

bool backedUp(Role role)
{
    switch (role) {
    case Role::Archive:
    case Role::ItemMap:
    case Role::Identity:
    case Role::State:
    case Role::Settings:
    case Role::Password:
    case Role::Attachments:
        return true;
    case Role::Program:
    case Role::Export:
    case Role::Transient:
        break;
    }
    return false;
}

bool keptWithoutBackup(Role role)
{
    return role == Role::Identity || role == Role::Settings;
}

Role roleOf(const QString& name)
{
    for (const Entry& entry : table())
        if (entry.name == name)
            return entry.role;
    return Role::Transient;
}

} // namespace programFolder
