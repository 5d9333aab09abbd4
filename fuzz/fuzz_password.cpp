// Any bytes as the password store: the gate's reading gives a password or
// the reading failure, never a crash, and accepts only the stored password,
// never an empty one. The second half of the run writes a password taken
// from the bytes through the change and checks the gate accepts exactly it.
#include "fuzzsupport.h"

#include "storage/passwordstore.h"
#include "storage/texts.h"

#include <QFile>

namespace {

// A folder of its own for every input: the store is read afresh each time.
QString freshFolder()
{
    static int next = 0;
    const QString folder = fuzz::scratch() + QStringLiteral("/p%1").arg(next++);
    QDir().mkpath(folder);
    programFolder::setOverride(folder);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    using password::Verdict;
    {
        const QString folder = freshFolder();
        QFile store(password::storePath());
        if (!store.open(QIODevice::WriteOnly) || store.write(bytes) != bytes.size())
            fuzz::fault("cannot write the store");
        store.close();
        const auto stored = password::readStored();
        for (const QString& blank : { QString(), QStringLiteral("   "), QStringLiteral("\t\n") })
            fuzz::expect(password::check(blank) != Verdict::Accepted, "an empty password accepted");
        if (stored) {
            fuzz::expect(texts::trim(*stored) == *stored, "stored password not trimmed", *stored);
            const Verdict same = password::check(*stored);
            fuzz::expect(same
                    == (!stored->isEmpty() && password::normalise(*stored) == *stored ? Verdict::Accepted
                                                                                      : Verdict::Wrong),
                "the stored password judged wrongly", *stored);
            fuzz::expect(password::check(*stored + QStringLiteral("x")) == Verdict::Wrong, "a longer password accepted",
                *stored);
        } else {
            fuzz::expect(password::check(QStringLiteral("QUIRVALE")) == Verdict::Unreadable,
                "an unreadable store accepted a password");
        }
        QDir(folder).removeRecursively();
    }
    {
        const QString folder = freshFolder();
        const QString typed = QString::fromLatin1(bytes);
        const QString normalised = password::normalise(typed);
        if (!normalised.isEmpty() && password::storable(normalised)) {
            fuzz::expect(password::writeStored(normalised), "the store could not be written");
            fuzz::expect(password::readStored() == normalised, "the store does not read back", normalised);
            fuzz::expect(password::check(typed) == Verdict::Accepted, "the changed password refused", typed);
            fuzz::expect(
                password::check(typed + QStringLiteral("x")) == Verdict::Wrong, "another password accepted", typed);
        }
        QDir(folder).removeRecursively();
    }
    return 0;
}
