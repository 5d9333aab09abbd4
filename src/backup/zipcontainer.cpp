#include "backup/zipcontainer.h"

#include "storage/safefiles.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <clocale>
#include <locale.h>

using namespace Qt::Literals::StringLiterals;

namespace backup::zip {

namespace {
constexpr int BlockBytes = 1 << 20;

// Names are UTF-8 in the ZIP and on the disk whatever the locale of the
// run (a scheduled job runs in the "C" locale): libarchive converts them
// through the locale, so each call runs in a UTF-8 one on this thread.
class Utf8Names {
public:
    Utf8Names()
        : m_locale(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    {
        if (m_locale)
            m_previous = ::uselocale(m_locale);
    }
    ~Utf8Names()
    {
        if (m_locale) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = nullptr;
};

using EntryPointer = std::unique_ptr<archive_entry, decltype(&archive_entry_free)>;

// The library's failure as the user reads it, in Italian: what its English
// text says, or the system's error behind it.
QString errorOf(archive* a)
{
    const QByteArray text = a && archive_error_string(a) ? QByteArray(archive_error_string(a)) : QByteArray();
    const int error = a ? archive_errno(a) : 0;
    if (text.contains("CRC"))
        return u"dati alterati (controllo CRC non superato)"_s;
    if (text.contains("Truncated") || text.contains("truncated") || text.contains("Premature end"))
        return u"file troncato: la copia è incompleta"_s;
    if (text.contains("Unrecognized archive format") || text.contains("Invalid central directory")
        || text.contains("Bad ZIP"))
        return u"non è un file ZIP valido"_s;
    if (text.contains("compression") || text.contains("Decompression"))
        return u"dati compressi illeggibili"_s;
    // (the library's own errors: EILSEQ for a format, EINVAL for a misuse)
    if (error > 0 && error != EILSEQ && error != EINVAL)
        return safefiles::errorText(error);
    return u"il contenuto non si legge come copia di sicurezza"_s;
}
} // namespace

struct Writer::Impl {
    archive* a = archive_write_new();
    ~Impl() { archive_write_free(a); }
};

Writer::Writer()
    : d(new Impl)
{
}

Writer::~Writer() = default;

bool Writer::open(int fd)
{
    const Utf8Names names;
    return d->a && archive_write_set_format_zip(d->a) == ARCHIVE_OK
        && archive_write_set_option(d->a, "zip", "compression", "store") == ARCHIVE_OK
        && archive_write_set_option(d->a, "zip", "compression-level", "1") == ARCHIVE_OK
        && archive_write_set_option(d->a, "zip", "hdrcharset", "UTF-8") == ARCHIVE_OK
        // No blocking: the caller's chunks of a megabyte go to the file as they come.
        && archive_write_set_bytes_per_block(d->a, 0) == ARCHIVE_OK && archive_write_open_fd(d->a, fd) == ARCHIVE_OK;
}

bool Writer::begin(const QString& name, qint64 size, const QDateTime& modified, bool deflate)
{
    const Utf8Names names;
    if ((deflate ? archive_write_zip_set_compression_deflate(d->a) : archive_write_zip_set_compression_store(d->a))
        != ARCHIVE_OK)
        return false;
    EntryPointer entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), size);
    archive_entry_set_mtime(entry.get(), modified.isValid() ? modified.toSecsSinceEpoch() : 0, 0);
    return archive_write_header(d->a, entry.get()) == ARCHIVE_OK;
}

bool Writer::write(const char* bytes, qint64 size)
{
    const Utf8Names names;
    return archive_write_data(d->a, bytes, size_t(size)) == size;
}

bool Writer::finishEntry()
{
    const Utf8Names names;
    return archive_write_finish_entry(d->a) == ARCHIVE_OK;
}

bool Writer::close()
{
    const Utf8Names names;
    return archive_write_close(d->a) == ARCHIVE_OK;
}

QString Writer::error() const
{
    return errorOf(d->a);
}

struct Reader::Impl {
    archive* a = archive_read_new();
    ~Impl() { archive_read_free(a); }
};

Reader::Reader()
    : d(new Impl)
{
}

Reader::~Reader() = default;

bool Reader::open(const QString& path)
{
    const Utf8Names names;
    return d->a && archive_read_support_format_zip(d->a) == ARCHIVE_OK
        && archive_read_open_filename(d->a, QFile::encodeName(path).constData(), BlockBytes) == ARCHIVE_OK;
}

bool Reader::openIndexed(const QString& path)
{
    const Utf8Names names;
    return d->a && archive_read_support_format_zip_seekable(d->a) == ARCHIVE_OK
        && archive_read_open_filename(d->a, QFile::encodeName(path).constData(), BlockBytes) == ARCHIVE_OK;
}

Reader::Next Reader::next(Entry& entry)
{
    const Utf8Names names;
    archive_entry* e = nullptr;
    const int status = archive_read_next_header(d->a, &e);
    if (status == ARCHIVE_EOF)
        return Next::End;
    // A warning about a name the locale cannot show (a scheduled job runs
    // in the "C" locale) is no damage: the names are read as UTF-8.
    const char* name = status == ARCHIVE_OK || status == ARCHIVE_WARN ? archive_entry_pathname_utf8(e) : nullptr;
    if (!name)
        return Next::Error;
    entry.name = QString::fromUtf8(name);
    entry.directory = archive_entry_filetype(e) == AE_IFDIR;
    entry.regular = archive_entry_filetype(e) == AE_IFREG;
    entry.modified = archive_entry_mtime(e);
    if (entry.directory && entry.name.endsWith(u'/'))
        entry.name.chop(1);
    return Next::Entry;
}

qint64 Reader::read(char* bytes, qint64 size)
{
    const Utf8Names names;
    const la_ssize_t n = archive_read_data(d->a, bytes, size_t(size));
    return n < 0 ? -1 : qint64(n);
}

QString Reader::error() const
{
    return errorOf(d->a);
}

} // namespace backup::zip
