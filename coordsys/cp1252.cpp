#include "cp1252.h"

namespace quorvale {

namespace {

// Les octets 80 à 9F ; 0 marque les cinq octets sans caractère.
constexpr char16_t Haut[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int Code(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (Haut[i] == u)
            return 0x80 + i;
        if (Haut[i] == 0 && u == 0x80 + i)
            return u;
    }
    return -1;
}

} // namespace

QString DecodeCp1252(const QByteArray &octets)
{
    QString texte;
    texte.reserve(octets.size());
    for (const char o : octets) {
        const auto b = static_cast<unsigned char>(o);
        if (b >= 0x80 && b < 0xA0 && Haut[b - 0x80] != 0)
            texte += QChar(Haut[b - 0x80]);
        else
            texte += QChar(char16_t(b));
    }
    return texte;
}

bool EncodableCp1252(const QString &texte)
{
    for (const QChar c : texte)
        if (Code(c) < 0)
            return false;
    return true;
}

QByteArray EncodeCp1252(const QString &texte)
{
    QByteArray octets;
    octets.reserve(texte.size());
    for (const QChar c : texte) {
        const int code = Code(c);
        octets += code < 0 ? '?' : char(code);
    }
    return octets;
}

} // namespace quorvale
