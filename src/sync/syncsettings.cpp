#include "sync/syncsettings.h"

#include "storage/programfolder.h"

#include <QSettings>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

const QString Settings::FileName = programFolder::SyncSettings;

Settings Settings::load()
{
    const QSettings file(programFolder::file(FileName), QSettings::IniFormat);
    Settings settings;
    settings.server = file.value(u"Server/Indirizzo"_s).toString();
    settings.user = file.value(u"Server/Utente"_s).toString();
    settings.allowPlainHttp = file.value(u"Server/ConsentiHttp"_s, false).toBool();
    settings.calendar = file.value(u"Raccolte/Calendario"_s).toString();
    settings.addressBook = file.value(u"Raccolte/Rubrica"_s).toString();
    settings.automatic = file.value(u"Automatica/Attiva"_s, false).toBool();
    settings.minutes = std::clamp(file.value(u"Automatica/Minuti"_s, 15).toInt(), 1, 1440);
    return settings;
}

bool Settings::save() const
{
    QSettings file(programFolder::file(FileName), QSettings::IniFormat);
    file.setValue(u"Server/Indirizzo"_s, server);
    file.setValue(u"Server/Utente"_s, user);
    file.setValue(u"Server/ConsentiHttp"_s, allowPlainHttp);
    file.setValue(u"Raccolte/Calendario"_s, calendar);
    file.setValue(u"Raccolte/Rubrica"_s, addressBook);
    file.setValue(u"Automatica/Attiva"_s, automatic);
    file.setValue(u"Automatica/Minuti"_s, minutes);
    file.sync();
    return file.status() == QSettings::NoError;
}

QString passwordFromEnvironment()
{
    return qEnvironmentVariable("QUIRVALE_SYNC_PASSWORD");
}

} // namespace davsync
