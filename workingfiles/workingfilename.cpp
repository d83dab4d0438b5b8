#include "workingfilename.h"

#include <QByteArray>

namespace {

// UTF-8 bytes of one code point; a lone surrogate counts as the replacement
// character it is written as.
int utf8Bytes(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

void appendUtf8(char32_t c, QByteArray *out)
{
    if (c < 0x80) {
        out->append(char(c));
    } else if (c < 0x800) {
        out->append(char(0xc0 | (c >> 6)));
        out->append(char(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out->append(char(0xe0 | (c >> 12)));
        out->append(char(0x80 | ((c >> 6) & 0x3f)));
        out->append(char(0x80 | (c & 0x3f)));
    } else {
        out->append(char(0xf0 | (c >> 18)));
        out->append(char(0x80 | ((c >> 12) & 0x3f)));
        out->append(char(0x80 | ((c >> 6) & 0x3f)));
        out->append(char(0x80 | (c & 0x3f)));
    }
}

// The code points of a string, one at a time (index advances by one or two units).
char32_t nextCodePoint(const QString &s, qsizetype *i)
{
    const char16_t u = s.at(*i).unicode();
    if (QChar::isHighSurrogate(u) && *i + 1 < s.size() && QChar::isLowSurrogate(s.at(*i + 1).unicode())) {
        const char32_t c = QChar::surrogateToUcs4(u, s.at(*i + 1).unicode());
        *i += 2;
        return c;
    }
    *i += 1;
    return QChar::isSurrogate(u) ? char32_t(QChar::ReplacementCharacter) : char32_t(u);
}

QByteArray utf8Of(const QString &s)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < s.size();)
        appendUtf8(nextCodePoint(s, &i), &bytes);
    return bytes;
}

// 32-bit FNV-1a: short, and simple to compute the same way in the interface's script.
quint32 nameHash(const QByteArray &bytes)
{
    quint32 h = 2166136261u;
    for (const char b : bytes) {
        h ^= uchar(b);
        h *= 16777619u;
    }
    return h;
}

// The longest beginning of `s` whose UTF-8 form fits `maxBytes`, whole characters only.
QString utf8Prefix(const QString &s, int maxBytes)
{
    int bytes = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        qsizetype next = i;
        bytes += utf8Bytes(nextCodePoint(s, &next));
        if (bytes > maxBytes)
            break;
        i = next;
    }
    return s.left(i);
}

}  // namespace

QString workingFileName(const QString &stem, const QString &suffix)
{
    const QString name = stem + suffix;
    if (utf8Of(name).size() <= kWorkingNameBytesMax)
        return name;
    const QString hash = QStringLiteral("%1").arg(nameHash(utf8Of(stem)), 8, 16, QLatin1Char('0'));
    const int room = kWorkingNameBytesMax - int(utf8Of(suffix).size()) - 1 - int(hash.size());
    return utf8Prefix(stem, room) + QLatin1Char('~') + hash + suffix;
}
