#include "sync/itemcodec.h"

#include <QCryptographicHash>

#include <map>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

namespace {
std::map<Kind, ItemCodec>& installed()
{
    static std::map<Kind, ItemCodec> table;
    return table;
}
} // namespace

namespace codecs {

const ItemCodec* find(Kind kind)
{
    const auto found = installed().find(kind);
    return found == installed().end() ? nullptr : &found->second;
}

void install(Kind kind, ItemCodec codec)
{
    installed()[kind] = std::move(codec);
}

void remove(Kind kind)
{
    installed().erase(kind);
}

} // namespace codecs

QByteArray recordDigest(const char* record, std::span<const int> capacities)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int capacity : capacities) {
        const int length = std::min(int(static_cast<unsigned char>(record[0])), capacity);
        hash.addData(QByteArrayView(record, length + 1));
        record += capacity + 1;
    }
    return hash.result().toHex();
}

QString kindName(Kind kind)
{
    return kind == Kind::Appointments ? u"appuntamenti"_s : u"contatti"_s;
}

} // namespace davsync
