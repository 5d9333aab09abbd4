#include "documents/documentrules.h"

#include "storage/archivefile.h"
#include "storage/fixedtext.h"
#include "storage/programfolder.h"
#include "storage/safefiles.h"
#include "storage/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using F = DocumentField;

namespace documents {

QString listLine(const DocumentView& r)
{
    return texts::pad(r.text(F::documentName), 40) + u"  Data: "_s + texts::pad(r.text(F::productionDate), 10)
        + u"  Da: "_s + texts::pad(r.text(F::producer), 30) + u"  A: "_s + texts::pad(r.text(F::recipient), 30)
        + u"  Prot. n. "_s + r.text(F::protocolNumber);
}

lists::Rows toCompleteRows(const QString& path)
{
    return lists::collectRows<records::DocumentLayout>(
        path, [](const DocumentView& r) { return r.isYes(F::toComplete); }, listLine);
}

exports::Table<records::DocumentLayout> exportTable()
{
    using Value = exports::Value<records::DocumentLayout>;
    struct ColumnText {
        const char16_t* component;
        const char16_t* caption;
        int width;
        F field;
        bool editable;
    };
    const ColumnText columnTexts[] = {
        { u"colDocumento", u"Documento", 300, F::documentName, false },
        { u"colProtocollo", u"Protocollo n.", 200, F::protocolNumber, false },
        { u"colProduttore", u"Produttore", 250, F::producer, false },
        { u"colIndirizzoPro", u"Indirizzo produttore", 250, F::producerAddress, false },
        { u"colDataPro", u"Data produzione", 200, F::productionDate, true },
        { u"colDestinatario", u"Destinatario", 250, F::recipient, true },
        { u"colIndirizzoDes", u"Indirizzo destinatario", 250, F::recipientAddress, false },
        { u"colDataDes", u"Data ricezione", 200, F::receiptDate, false },
        { u"colOggetto", u"Oggetto", 400, F::subject, false },
        { u"colTipo", u"Tipo documento", 250, F::documentType, false },
        { u"colClassificazione", u"Classificazione", 250, F::classification, true },
        { u"colFascicolo", u"Fascicolo contenitore", 300, F::dossier, true },
        { u"colFormato", u"Formato", 250, F::format, false },
        { u"colPagine", u"N. pagine", 200, F::pageCount, false },
        { u"colAllegati", u"Allegati", 300, F::enclosures, true },
        { u"colRiferimenti", u"Riferimenti", 300, F::references, false },
        { u"colLivello", u"Livello di riservatezza", 250, F::confidentialityLevel, false },
        { u"colSoftware", u"Software di produzione", 250, F::productionSoftware, false },
        { u"colLuogo", u"Luogo conservazione", 250, F::paperLocation, true },
        { u"colSoggetti", u"Soggetti citati nel documento", 400, F::citedParties, true },
        { u"colNote", u"Note", 400, F::notes, true },
        { u"colDaCompletare", u"Da completare", 120, F::toComplete, true },
    };
    exports::Table<records::DocumentLayout> table;
    table.columns.append(exports::Column<records::DocumentLayout>::number());
    for (const ColumnText& s : columnTexts) {
        const QString caption = QString::fromUtf16(s.caption);
        table.columns.append(
            { { QString::fromUtf16(s.component), caption, { caption, s.width }, s.editable }, Value::field(s.field) });
    }
    return table;
}

} // namespace documents

namespace documents::attachments {

namespace {

// A character the record stores as it is: one of the code page, and
// neither a control character nor one that names a folder or a drive.
bool keeps(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || c.isSurrogate())
        return false;
    if (u == u'/' || u == u'\\' || u == u':')
        return false;
    const QByteArray byte = cp1252::encode(QString(c));
    return cp1252::decode(byte.constData(), byte.size()) == QString(c);
}

bool isDrive(const QString& name)
{
    if (name.size() < 2 || name.at(1) != u':')
        return false;
    const char16_t first = name.at(0).unicode();
    return (first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z');
}

} // namespace

QString folder()
{
    return programFolder::file(FolderName) + u'/';
}

QString storedName(const QString& fileName)
{
    QString name;
    name.reserve(fileName.size());
    for (qsizetype i = 0; i < fileName.size(); ++i) {
        const QChar c = fileName.at(i);
        if (c.isHighSurrogate() && i + 1 < fileName.size() && fileName.at(i + 1).isLowSurrogate())
            ++i; // one "_" for the whole character
        name += keeps(c) ? c : QChar(u'_');
    }
    name = texts::trim(name);
    if (name.isEmpty() || name == u"."_s || name == u".."_s)
        return name.isEmpty() ? u"_"_s : QString(name.size(), u'_');
    if (name.size() > NameCapacity) {
        const qsizetype dot = name.lastIndexOf(u'.');
        const qsizetype extension = dot > 0 ? name.size() - dot : 0;
        if (extension > 0 && extension < NameCapacity)
            name = texts::trim(name.left(NameCapacity - extension)) + name.mid(dot);
        else
            name = texts::trim(name.left(NameCapacity));
    }
    return name;
}

bool isFolderFile(const QString& source, const QString& folder, const QString& name)
{
    const QString chosen = QFileInfo(source).canonicalFilePath();
    return !chosen.isEmpty() && chosen == QFileInfo(QDir(folder).filePath(name)).canonicalFilePath();
}

bool isTaken(const QString& folder, const QString& name)
{
    const QFileInfo target(QDir(folder).filePath(name));
    return target.exists() || target.isSymLink();
}

void NewCopies::dropUnnamed(const QString& folder)
{
    const QStringList names = std::exchange(m_names, {});
    for (const QString& name : names) {
        try {
            if (namedByAnother(name, Owner {}))
                continue;
        } catch (const AccessFailure&) {
            continue; // not known: nothing is removed
        }
        const Location found = locate(folder, name);
        if (found.state == Location::State::Found)
            QFile::remove(found.path);
    }
}

bool namedByAnother(const QString& name, const Owner& owner)
{
    bool named = false;
    QString text;
    const auto scan = [&]<typename Layout, std::size_t N>(
                          const QString& archive, const std::array<typename Layout::Field, N>& fields) {
        const QString path = programFolder::file(archive);
        if (named || !QFileInfo(path).isFile())
            return;
        archive::readAll(path, records::Record<Layout>::Size, [&](const char* bytes, qint64 position) {
            if (named || (archive == owner.archive && position == owner.position))
                return;
            const records::RecordView<Layout> view(bytes);
            for (const auto field : fields) {
                view.textInto(field, text);
                if (text == name) {
                    named = true;
                    return;
                }
            }
        });
    };
    scan.template operator()<records::ContactLayout>(programFolder::Contacts, ContactSlots);
    scan.template operator()<records::DocumentLayout>(programFolder::Documents, DocumentSlots);
    return named;
}

QString freeName(const QString& folder, const QString& name)
{
    if (!isTaken(folder, name))
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString mark = u" (%1)"_s.arg(n);
        const QString candidate
            = stem.left(NameCapacity - extension.size() - mark.size()) + mark + extension.right(NameCapacity);
        if (!isTaken(folder, candidate))
            return candidate;
    }
}

bool copyIn(const QString& source, const QString& folder, const QString& name)
{
    if (!QDir().mkpath(folder))
        return false;
    // The folder itself, not a link that leads elsewhere.
    QString own = folder;
    while (own.size() > 1 && own.endsWith(u'/'))
        own.chop(1);
    if (QFileInfo(own).isSymLink())
        return false;
    // The chosen file is read without waiting: a FIFO or a device is no file to attach.
    const int in = safefiles::openRegular(source, O_RDONLY, 0, true);
    if (in < 0)
        return false;
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    // The bytes go to a new file of the folder under a name of this copy
    // alone, which then takes the name in one step, replacing whatever had
    // it (a link is replaced, not followed). Any failure removes it.
    safefiles::Replacement out(QDir(folder).filePath(name));
    if (!out.open())
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, block.data(), size_t(block.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!safefiles::writeAll(out.handle(), block.constData(), n))
            return false;
    }
    // Readable as the chosen file was, and by its owner in any case.
    struct stat st { };
    if (::fstat(in, &st) == 0)
        ::fchmod(out.handle(), (st.st_mode & 0777) | S_IRUSR | S_IWUSR);
    return out.commit();
}

Location locate(const QString& folder, const QString& name)
{
    const QString n = texts::trim(name);
    if (n.isEmpty() || n == u"."_s || n == u".."_s || n.contains(u'/') || n.contains(u'\\') || isDrive(n))
        return { Location::State::Refused, {} };
    const QString path = QDir(folder).filePath(n);
    const QFileInfo file(path);
    if (!file.exists())
        return { file.isSymLink() ? Location::State::Refused : Location::State::Missing, {} };
    const QString home = QFileInfo(folder).canonicalFilePath();
    if (home.isEmpty() || QFileInfo(file.canonicalFilePath()).absolutePath() != home)
        return { Location::State::Refused, {} };
    if (!file.isFile())
        return { Location::State::Missing, {} };
    return { Location::State::Found, path };
}

} // namespace documents::attachments
