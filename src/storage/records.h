#pragma once
// The records of the three archives. Each is a run of fixed-width text fields
// laid end to end in the order of its field enumeration, with no padding.

#include "storage/fixedtext.h"

#include <QString>

#include <array>
#include <cstring>
#include <string_view>

namespace records {

// What a field may hold beyond its width: any text, or the form a rule of
// the program reads.
enum class FieldKind {
    Text,
    RequiredDate, // dd/mm/yyyy, a real date
    Date,         // empty, or dd/mm/yyyy, a real date
    Hour,         // empty, or "00".."23"
    Minute,       // empty, or "00".."59"
    Days,         // a number of days: without one the agenda never lists the record
    Amount,       // empty, or an amount the totals read
    YesNo,        // empty, "Sì" or "No"
};
// Whether `text` (a field's kept text) is what a field of `kind` allows.
bool allows(FieldKind kind, QStringView text);

// Whether every field of a record is empty: a blank record, no card at all.
template <typename Layout>
bool isBlank(const char* bytes)
{
    for (std::size_t f = 0; f < Layout::Capacities.size(); ++f)
        if (bytes[Layout::Offsets[f]] != 0)
            return false;
    return true;
}

// Offsets follow from the capacities: each field takes its capacity + 1 bytes.
template <std::size_t N>
constexpr std::array<int, N + 1> offsetsOf(const std::array<int, N>& capacities)
{
    std::array<int, N + 1> offsets {};
    for (std::size_t i = 0; i < N; ++i)
        offsets[i + 1] = offsets[i] + capacities[i] + 1;
    return offsets;
}

// Reads the fields of a record in place, without copying its bytes: what the
// passes over a whole archive use.
template <typename Layout>
class RecordView {
public:
    using Field = typename Layout::Field;
    explicit RecordView(const char* bytes)
        : m_bytes(bytes)
    {
    }
    QString text(Field f) const
    {
        return FixedText::load(m_bytes + Layout::Offsets[std::size_t(f)], Layout::Capacities[std::size_t(f)]);
    }
    void textInto(Field f, QString& out) const
    {
        FixedText::loadInto(m_bytes + Layout::Offsets[std::size_t(f)], Layout::Capacities[std::size_t(f)], out);
    }
    bool isYes(Field f) const { return text(f) == FixedText::Yes; }
    bool isNo(Field f) const { return text(f) == FixedText::No; }
    const char* data() const { return m_bytes; }

private:
    const char* m_bytes;
};

// A record of one of the layouts below. The bytes are kept as they are read,
// so a field that is never set is written back exactly as it was.
template <typename Layout>
class Record {
public:
    using Field = typename Layout::Field;
    static constexpr int Size = Layout::Offsets.back();
    static constexpr int FieldCount = int(Layout::Capacities.size());

    Record() { bytes.fill(0); }
    static Record fromBytes(const char* data)
    {
        Record r;
        std::memcpy(r.bytes.data(), data, Size);
        return r;
    }

    static constexpr int offset(Field f) { return Layout::Offsets[std::size_t(f)]; }
    static constexpr int capacity(Field f) { return Layout::Capacities[std::size_t(f)]; }

    QString text(Field f) const { return view().text(f); }
    RecordView<Layout> view() const { return RecordView<Layout>(bytes.data()); }
    void setText(Field f, const QString& value) { FixedText::store(bytes.data() + offset(f), capacity(f), value); }

    // Flag fields: exactly "Sì" is set, exactly "No" is clear, anything else is neither.
    bool isYes(Field f) const { return text(f) == FixedText::Yes; }
    bool isNo(Field f) const { return text(f) == FixedText::No; }
    void setFlag(Field f, bool yes) { setText(f, yes ? FixedText::Yes : FixedText::No); }

    const char* data() const { return bytes.data(); }
    char* data() { return bytes.data(); }

private:
    std::array<char, Size> bytes;
};

struct AppointmentLayout {
    enum class Field {
        date,
        hour,
        minute,
        time,
        noticeDays,
        commitmentType,
        purpose,
        details,
        contact,
        phone,
        mobile,
        email,
        place,
        amount,
        notes,
        fulfilled
    };
    static constexpr std::array<int, 16> Capacities = { 10, 2, 2, 5, 3, 50, 250, 250, 50, 30, 30, 50, 250, 15, 250, 2 };
    static constexpr auto Offsets = offsetsOf(Capacities);
    static constexpr std::array<FieldKind, 16> Kinds
        = { FieldKind::RequiredDate, FieldKind::Hour, FieldKind::Minute, FieldKind::Text, FieldKind::Days,
              FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Text,
              FieldKind::Text, FieldKind::Text, FieldKind::Amount, FieldKind::Text, FieldKind::YesNo };
    // What the card calls each field, for messages that name one.
    static constexpr std::array<std::u16string_view, 16> Captions
        = { u"Data", u"Ore", u"Minuti", u"Ora", u"Preavviso", u"Tipologia", u"Causale", u"Dettagli", u"Persona o Ditta",
              u"Telefono", u"Cellulare", u"E-mail", u"Luogo", u"Importo", u"Note", u"Impegno assolto" };
};

struct ContactLayout {
    enum class Field {
        fullName,
        birthDate,
        birthPlace,
        birthProvince,
        sex,
        preferredPhone,
        residenceAddress,
        residenceProvince,
        residenceTown,
        postCode,
        paymentMethod,
        homePhone,
        officePhone,
        mobilePhone,
        certifiedEmail,
        email,
        taxCode,
        cardNumber,
        cardExpiry,
        vatNumber,
        iban,
        identityDocument,
        occupation,
        maritalStatus,
        qualifications,
        interests,
        zone,
        pendingIssues,
        notes,
        toRecontact,
        attachedFile1,
        attachedFile2,
        attachedFile3,
        attachmentDescription1,
        attachmentDescription2,
        attachmentDescription3
    };
    static constexpr std::array<int, 36> Capacities = { 50, 30, 50, 2, 1, 50, 50, 2, 50, 5, 250, 30, 30, 30, 30, 50, 16,
        30, 30, 11, 27, 120, 50, 50, 120, 120, 50, 250, 250, 2, 250, 250, 250, 250, 250, 250 };
    static constexpr auto Offsets = offsetsOf(Capacities);
    static constexpr std::array<FieldKind, 36> Kinds = [] {
        std::array<FieldKind, 36> kinds {};
        kinds.fill(FieldKind::Text);
        kinds[1] = FieldKind::Date;   // birthDate
        kinds[29] = FieldKind::YesNo; // toRecontact
        return kinds;
    }();
    static constexpr std::array<std::u16string_view, 36> Captions
        = { u"Cognome e nome", u"Data di nascita", u"Comune di nascita", u"Provincia di nascita", u"Sesso",
              u"Tel. preferenziale", u"Indirizzo di residenza", u"Provincia di residenza", u"Comune di residenza",
              u"CAP", u"Modalità di pagamento", u"Tel. casa", u"Tel. ufficio", u"Tel. cellulare", u"PEC", u"E-mail",
              u"Codice fiscale", u"Carta di credito n.", u"Scadenza", u"Partita IVA", u"IBAN", u"Estremi documento",
              u"Occupazione", u"Stato civile", u"Titoli e qualifiche", u"Prodotti e servizi di interesse", u"Zona",
              u"Questioni in sospeso", u"Note", u"Da ricontattare", u"Allegato 1", u"Allegato 2", u"Allegato 3",
              u"Descrizione allegato 1", u"Descrizione allegato 2", u"Descrizione allegato 3" };
};

struct DocumentLayout {
    enum class Field {
        documentName,
        protocolNumber,
        producer,
        producerAddress,
        productionDate,
        recipient,
        recipientAddress,
        receiptDate,
        subject,
        documentType,
        classification,
        dossier,
        format,
        pageCount,
        enclosures,
        references,
        confidentialityLevel,
        productionSoftware,
        paperLocation,
        citedParties,
        notes,
        digitalCopyFile,
        toComplete,
        attachedFile1,
        attachedFile2,
        attachedFile3,
        attachmentDescription1,
        attachmentDescription2,
        attachmentDescription3
    };
    static constexpr std::array<int, 29> Capacities = { 120, 30, 50, 120, 10, 50, 120, 10, 250, 50, 50, 120, 50, 30,
        250, 250, 50, 50, 50, 250, 250, 250, 2, 250, 250, 250, 250, 250, 250 };
    static constexpr auto Offsets = offsetsOf(Capacities);
    static constexpr std::array<FieldKind, 29> Kinds = [] {
        std::array<FieldKind, 29> kinds {};
        kinds.fill(FieldKind::Text);
        kinds[4] = FieldKind::Date;   // productionDate
        kinds[7] = FieldKind::Date;   // receiptDate
        kinds[22] = FieldKind::YesNo; // toComplete
        return kinds;
    }();
    static constexpr std::array<std::u16string_view, 29> Captions = { u"Documento", u"Protocollo n.", u"Produttore",
        u"Indirizzo produttore", u"Data produzione", u"Destinatario", u"Indirizzo destinatario", u"Data ricezione",
        u"Oggetto", u"Tipo documento", u"Classificazione", u"Fascicolo contenitore", u"Formato", u"N. pagine",
        u"Allegati", u"Riferimenti", u"Livello di riservatezza", u"Software di produzione", u"Luogo conservazione",
        u"Soggetti citati nel documento", u"Note", u"Copia digitale", u"Da completare", u"Allegato 1", u"Allegato 2",
        u"Allegato 3", u"Descrizione allegato 1", u"Descrizione allegato 2", u"Descrizione allegato 3" };
};

} // namespace records

using AppointmentRecord = records::Record<records::AppointmentLayout>;
using ContactRecord = records::Record<records::ContactLayout>;
using DocumentRecord = records::Record<records::DocumentLayout>;
using AppointmentView = records::RecordView<records::AppointmentLayout>;
using ContactView = records::RecordView<records::ContactLayout>;
using DocumentView = records::RecordView<records::DocumentLayout>;
using AppointmentField = AppointmentRecord::Field;
using ContactField = ContactRecord::Field;
using DocumentField = DocumentRecord::Field;

static_assert(AppointmentRecord::Size == 1265);
static_assert(ContactRecord::Size == 3372);
static_assert(DocumentRecord::Size == 3991);

namespace records {

// Year, month, day, hour, minute: "202403050930" for 05/03/2024 at 09:30.
// Sorting keys as text sorts appointments by date and time.
QString chronologicalKey(const QString& date, const QString& hour, const QString& minute);
QString chronologicalKey(const AppointmentView& record);
// The same key appended to `out`.
void appendChronologicalKey(QString& out, QStringView date, QStringView hour, QStringView minute);

} // namespace records
