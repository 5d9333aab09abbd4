#include "contacts/contactrules.h"

#include "storage/archivefile.h"
#include "storage/texts.h"

using namespace Qt::Literals::StringLiterals;
using F = ContactField;

namespace contacts {

namespace {
QString lineWith(const ContactView& r, F last)
{
    return texts::pad(r.text(F::fullName), 26) + u"  Tel. "_s + texts::pad(r.text(F::preferredPhone), 15) + u"  "_s
        + texts::pad(r.text(F::occupation), 25) + u"  Prod. "_s + texts::pad(r.text(F::interests), 30) + u"  "_s
        + r.text(last);
}
} // namespace

QString searchLine(const ContactView& r)
{
    return lineWith(r, F::notes);
}

QString callBackLine(const ContactView& r)
{
    return lineWith(r, F::pendingIssues);
}

lists::Rows callBackRows(const QString& path)
{
    lists::Rows rows;
    try {
        archive::readAll(path, ContactRecord::Size, [&](const char* bytes, qint64 position) {
            const ContactView r(bytes);
            if (r.isYes(F::toRecontact))
                rows.append({ callBackLine(r), position });
        });
    } catch (const AccessFailure&) {
    }
    return rows;
}

exports::Table<records::ContactLayout> exportTable()
{
    using Value = exports::Value<records::ContactLayout>;
    struct ColumnText {
        const char16_t* component;
        const char16_t* caption;
        const char16_t* header;
        int width;
        Value value;
    };
    const ColumnText columnTexts[] = {
        { u"colCliente", u"Cognome e nome", u"Cognome e nome", 250, Value::field(F::fullName) },
        { u"colDataNasc", u"Data di nascita", u"Data di nascita", 200, Value::field(F::birthDate) },
        { u"colComuneNasc", u"Comune / Stato estero di nascita", u"Comune di nascita", 250,
            Value::joined(F::birthPlace, F::birthProvince) },
        { u"colRecapito", u"Tel. preferenziale", u"Tel. preferenziale", 250, Value::field(F::preferredPhone) },
        { u"colIndirizzoRes", u"Indirizzo di residenza", u"Indirizzo di residenza", 300,
            Value::field(F::residenceAddress) },
        { u"colComuneRes", u"Comune di residenza", u"Comune di residenza", 250,
            Value::joined(F::residenceTown, F::residenceProvince) },
        { u"colEstremi", u"Modalità di pagamento", u"Modalità di pagamento", 250, Value::field(F::paymentMethod) },
        { u"colTelCasa", u"Tel. casa", u"Tel. casa", 250, Value::field(F::homePhone) },
        { u"colTelUff", u"Tel. ufficio", u"Tel. ufficio", 250, Value::field(F::officePhone) },
        { u"colTelCel", u"Tel. cellulare", u"Tel. cellulare", 250, Value::field(F::mobilePhone) },
        { u"colFax", u"PEC", u"PEC", 250, Value::field(F::certifiedEmail) },
        { u"colEmail", u"E-mail", u"E-mail", 250, Value::field(F::email) },
        { u"colCodFisc", u"Codice fiscale", u"Codice fiscale", 250, Value::field(F::taxCode) },
        { u"colPartitaIva", u"Partita IVA", u"Partita IVA", 250, Value::field(F::vatNumber) },
        { u"colCarta", u"Carta di credito n.", u"Carta di credito n.", 300, Value::field(F::cardNumber) },
        { u"colScadeCarta", u"Scadenza", u"Scadenza", 150, Value::field(F::cardExpiry) },
        { u"colIban", u"IBAN", u"IBAN", 300, Value::field(F::iban) },
        { u"colDocumento", u"Estremi documento", u"Estremi documento", 280, Value::field(F::identityDocument) },
        { u"colOccupazione", u"Occupazione", u"Occupazione", 250, Value::field(F::occupation) },
        { u"colCivile", u"Stato civile", u"Stato civile", 250, Value::field(F::maritalStatus) },
        { u"colTitoli", u"Titoli e qualifiche", u"Titoli e qualifiche", 280, Value::field(F::qualifications) },
        { u"colProdotti", u"Prodotti e servizi di interesse", u"Prodotti e servizi di interesse", 300,
            Value::field(F::interests) },
        { u"colZona", u"Zona", u"Zona", 250, Value::field(F::zone) },
        { u"colQuestioni", u"Questioni in sospeso", u"Questioni in sospeso", 300, Value::field(F::pendingIssues) },
        { u"colNote", u"Note", u"Note", 300, Value::field(F::notes) },
    };
    static const QStringList editable = { u"colComuneRes"_s, u"colPartitaIva"_s, u"colScadeCarta"_s, u"colIban"_s,
        u"colDocumento"_s, u"colOccupazione"_s, u"colTitoli"_s, u"colQuestioni"_s, u"colNote"_s };
    exports::Table<records::ContactLayout> table;
    table.columns.append(exports::Column<records::ContactLayout>::number());
    for (const ColumnText& s : columnTexts) {
        const QString component = QString::fromUtf16(s.component);
        table.columns.append({ { component, QString::fromUtf16(s.caption), { QString::fromUtf16(s.header), s.width },
                                   editable.contains(component) },
            s.value });
    }
    return table;
}

const QStringList& provinceCodes()
{
    static const QStringList codes = QStringLiteral(
        "AG AL AN AO AP AQ AR AT AV BA BG BI BL BN BO BR BS BT BZ CA CB CE CH CI CL CN CO CR CS CT CZ EE EN FC FE FG "
        "FI FM FO FR GE GO GR IM IS KR LC LE LI LO LT LU MB MC MD ME MI MN MO MS MT NA NO NU OG OR OT PA PC PD PE PG "
        "PI PN PO PR PT PU PV PZ RA RC RE RG RI RM RN RO SA SI SO SP SR SS SV TA TE TN TO TP TR TS TV UD VA VB VC VE "
        "VI VR VT VV")
                                         .split(u' ');
    return codes;
}

} // namespace contacts
