#include "dxfbinaire.h"

#include <QtEndian>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::dxf {

namespace {

constexpr char Marque[] = "AutoCAD Binary DXF\r\n\x1a";
constexpr qsizetype TailleMarque = 22; // la marque et son octet nul

enum class Type { Chaine, Reel, Entier16, Entier32, Entier64, Booleen, Octets };

// Le type de la valeur d'un code de groupe, d'après les plages de la référence DXF.
Type TypeDuCode(int code)
{
    auto dans = [code](int a, int b) { return code >= a && code <= b; };
    if (dans(10, 59) || dans(110, 149) || dans(210, 239) || dans(460, 469) || dans(1010, 1059))
        return Type::Reel;
    if (dans(60, 79) || dans(170, 179) || dans(270, 289) || dans(370, 389) || dans(400, 409) || dans(1060, 1070))
        return Type::Entier16;
    if (dans(90, 99) || dans(420, 429) || dans(440, 459) || code == 1071)
        return Type::Entier32;
    if (dans(160, 169))
        return Type::Entier64;
    if (dans(290, 299))
        return Type::Booleen;
    if (dans(310, 319) || code == 1004)
        return Type::Octets;
    return Type::Chaine;
}

} // namespace

bool EstBinaire(const QByteArray &debut)
{
    return debut.startsWith(QByteArray(Marque, TailleMarque - 1));
}

Conversion DxfTexte(const QByteArray &binaire, const QString &nom)
{
    Conversion c;
    if (!EstBinaire(binaire) || binaire.size() < TailleMarque || binaire[TailleMarque - 1] != 0) {
        c.erreur = u"« %1 » n'est pas un dessin binaire"_s.arg(nom);
        return c;
    }
    const auto *o = reinterpret_cast<const uchar *>(binaire.constData());
    const qsizetype n = binaire.size();
    qsizetype i = TailleMarque;
    // Le premier groupe est « 0 SECTION » : deux octets nuls annoncent des codes sur deux octets.
    const bool codesLongs = n >= i + 2 && o[i] == 0 && o[i + 1] == 0;
    auto coupe = [&](qsizetype paire) {
        c.erreur = u"« %1 » est coupé : la paire n° %2 du dessin binaire s'arrête avant sa fin"_s.arg(nom).arg(paire);
        c.texte.clear();
        return c;
    };
    QByteArray &t = c.texte;
    t.reserve(n * 3);
    for (qsizetype paire = 1; i < n; ++paire) {
        int code = 0;
        if (codesLongs) {
            if (i + 2 > n)
                return coupe(paire);
            code = qFromLittleEndian<qint16>(o + i);
            i += 2;
        } else {
            code = o[i++];
            if (code == 255) {
                if (i + 2 > n)
                    return coupe(paire);
                code = qFromLittleEndian<qint16>(o + i);
                i += 2;
            }
        }
        QByteArray valeur;
        auto fixe = [&](qsizetype taille) {
            if (i + taille > n)
                return false;
            i += taille;
            return true;
        };
        switch (TypeDuCode(code)) {
        case Type::Chaine: {
            const void *fin = std::memchr(o + i, 0, size_t(n - i));
            if (!fin)
                return coupe(paire);
            const qsizetype longueur = static_cast<const uchar *>(fin) - (o + i);
            valeur = binaire.mid(i, longueur);
            i += longueur + 1;
            break;
        }
        case Type::Reel:
            if (!fixe(8))
                return coupe(paire);
            {
                double v;
                std::memcpy(&v, o + i - 8, 8);
                valeur = QByteArray::number(qFromLittleEndian(v), 'g', 17);
            }
            break;
        case Type::Entier16:
            if (!fixe(2))
                return coupe(paire);
            valeur = QByteArray::number(qFromLittleEndian<qint16>(o + i - 2));
            break;
        case Type::Entier32:
            if (!fixe(4))
                return coupe(paire);
            valeur = QByteArray::number(qFromLittleEndian<qint32>(o + i - 4));
            break;
        case Type::Entier64:
            if (!fixe(8))
                return coupe(paire);
            valeur = QByteArray::number(qFromLittleEndian<qint64>(o + i - 8));
            break;
        case Type::Booleen:
            if (!fixe(1))
                return coupe(paire);
            valeur = QByteArray::number(o[i - 1]);
            break;
        case Type::Octets: {
            if (i >= n || i + 1 + o[i] > n)
                return coupe(paire);
            const int longueur = o[i];
            valeur = binaire.mid(i + 1, longueur).toHex().toUpper();
            i += 1 + longueur;
            break;
        }
        }
        t += QByteArray::number(code).rightJustified(3, ' ') + "\r\n" + valeur + "\r\n";
        if (code == 0 && valeur == "EOF")
            break;
    }
    return c;
}

} // namespace quorvale::dxf
