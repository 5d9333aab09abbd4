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

QString searchLine(const ContactView& r) { return lineWith(r, F::notes); }

QString callBackLine(const ContactView& r) { return lineWith(r, F::pendingIssues); }

lists::Rows callBackRows(const QString& path)
{
    lists::Rows rows;
    try {
        archive::readAll(path, ContactRecord::Size, [&](const char* bytes, qint64 position) {
            const ContactView r(bytes);
            if (r.isYes(F::toRecontact))
                rows.append({callBackLine(r), position});
        });
    } catch (const AccessFailure&) {
    }
    return rows;
}

const QStringList& provinceCodes()
{
    static const QStringList codes = QStringLiteral(
        "AG AL AN AO AP AQ AR AT AV BA BG BI BL BN BO BR BS BT BZ CA CB CE CH CI CL CN CO CR CS CT CZ EE EN FC FE FG "
        "FI FM FO FR GE GO GR IM IS KR LC LE LI LO LT LU MB MC MD ME MI MN MO MS MT NA NO NU OG OR OT PA PC PD PE PG "
        "PI PN PO PR PT PU PV PZ RA RC RE RG RI RM RN RO SA SI SO SP SR SS SV TA TE TN TO TP TR TS TV UD VA VB VC VE "
        "VI VR VT VV").split(u' ');
    return codes;
}

} // namespace contacts
