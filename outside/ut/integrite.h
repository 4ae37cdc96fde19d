#pragma once

// Les défauts qu'un lecteur GDAL laisse passer sans rien dire : un fichier coupé, un fichier
// compagnon absent. GDAL lirait alors une partie des objets, ou aucun attribut, et la traduction
// passerait pour réussie. Partagé par le traducteur et le serveur MapInfo (en-tête seul).

#include "fichiers.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <optional>

namespace quorvale::integrite {

using namespace Qt::Literals::StringLiterals;

inline QByteArray Debut(const QString &chemin, qint64 taille)
{
    QFile f(Resous(chemin));
    return f.open(QIODevice::ReadOnly) ? f.read(taille) : QByteArray();
}

inline qint64 Taille(const QString &chemin)
{
    return QFile(Resous(chemin)).size();
}

inline QString Nom(const QString &chemin)
{
    return chemin.mid(chemin.lastIndexOf(u'/') + 1);
}

// Une table dBase (.dbf, .dat) plus courte que ses enregistrements déclarés.
inline std::optional<QString> DefautDbase(const QString &chemin)
{
    const QByteArray entete = Debut(chemin, 12);
    const qint64 taille = Taille(chemin);
    if (entete.size() < 12)
        return u"la table « %1 » est tronquée (%2 octets)"_s.arg(Nom(chemin)).arg(taille);
    const auto *o = reinterpret_cast<const uchar *>(entete.constData());
    const qint64 attendu = qint64(qFromLittleEndian<quint16>(o + 8))
                           + qint64(qFromLittleEndian<quint32>(o + 4)) * qFromLittleEndian<quint16>(o + 10);
    if (taille < attendu)
        return u"la table « %1 » est tronquée : %2 octets sur les %3 que déclare son en-tête"_s.arg(Nom(chemin))
            .arg(taille)
            .arg(attendu);
    return std::nullopt;
}

// Un fichier de formes (.shp, .shx) plus court que la longueur de son en-tête.
inline std::optional<QString> DefautFormes(const QString &chemin)
{
    const QByteArray entete = Debut(chemin, 100);
    const qint64 taille = Taille(chemin);
    const auto *o = reinterpret_cast<const uchar *>(entete.constData());
    if (entete.size() < 100 || qFromBigEndian<quint32>(o) != 9994)
        return u"« %1 » n'est pas un fichier de formes (en-tête absent ou abîmé)"_s.arg(Nom(chemin));
    const qint64 attendu = qint64(qFromBigEndian<quint32>(o + 24)) * 2;
    if (taille < attendu)
        return u"« %1 » est tronqué : %2 octets sur les %3 que déclare son en-tête"_s.arg(Nom(chemin)).arg(taille).arg(attendu);
    return std::nullopt;
}

// Sans .shx, GDAL refuse déjà le jeu ; sans .dbf, il n'a pas d'attributs à perdre : le jeu se lit.
inline std::optional<QString> DefautShp(const QString &chemin)
{
    for (const QString &ext : {u".shp"_s, u".shx"_s})
        if (FichierExiste(ChangeExtension(chemin, ext)))
            if (auto d = DefautFormes(ChangeExtension(chemin, ext)))
                return d;
    const QString dbf = ChangeExtension(chemin, u".dbf"_s);
    return FichierExiste(dbf) ? DefautDbase(dbf) : std::nullopt;
}

inline std::optional<QString> DefautTab(const QString &chemin)
{
    // Une table sans carte n'a que .tab et .dat ; un .id sans .map trahit une carte perdue.
    const QString map = ChangeExtension(chemin, u".map"_s);
    if (!FichierExiste(map) && FichierExiste(ChangeExtension(chemin, u".id"_s)))
        return u"le fichier compagnon « %1 » manque"_s.arg(Nom(map));
    // Le .map se compose de blocs de 512 octets.
    if (FichierExiste(map) && Taille(map) % 512 != 0)
        return u"« %1 » est tronqué (%2 octets, pas un multiple de 512)"_s.arg(Nom(map)).arg(Taille(map));
    const QString dat = ChangeExtension(chemin, u".dat"_s);
    if (!FichierExiste(dat))
        return std::nullopt;
    if (auto d = DefautDbase(dat))
        return d;
    // Le .id donne la place de chaque ligne dans le .map, quatre octets par ligne : coupé, GDAL
    // ne lirait que les premiers objets.
    const QString id = ChangeExtension(chemin, u".id"_s);
    const QByteArray entete = Debut(dat, 8);
    if (FichierExiste(map) && FichierExiste(id) && entete.size() == 8) {
        const qint64 lignes = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(entete.constData()) + 4);
        if (Taille(id) < 4 * lignes)
            return u"« %1 » est tronqué : %2 octets pour %3 lignes"_s.arg(Nom(id)).arg(Taille(id)).arg(lignes);
    }
    return std::nullopt;
}

inline std::optional<QString> DefautMif(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    while (!f.atEnd()) {
        const QByteArray ligne = f.readLine().trimmed();
        if (ligne.toLower().startsWith("data"))
            break;
        if (!ligne.toLower().startsWith("columns"))
            continue;
        const int colonnes = ligne.mid(7).trimmed().split(' ').value(0).toInt();
        if (colonnes > 0 && !FichierExiste(ChangeExtension(chemin, u".mid"_s)))
            return u"le fichier compagnon « %1 » manque (%2 colonnes déclarées)"_s
                .arg(Nom(ChangeExtension(chemin, u".mid"_s)))
                .arg(colonnes);
        break;
    }
    return std::nullopt;
}

// Un dessin en texte : des paires code / valeur dont le code est un entier, chaque section fermée,
// et la marque de fin EOF.
inline std::optional<QString> DefautDxf(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray texte = f.readAll();
    if (texte.startsWith("AutoCAD Binary DXF"))
        return u"« %1 » est un dessin binaire, que le traducteur ne lit pas (enregistrez-le en DXF texte)"_s.arg(Nom(chemin));
    const QList<QByteArray> lignes = texte.split('\n');
    bool section = false;
    for (qsizetype i = 0; i + 1 < lignes.size(); i += 2) {
        const QByteArray code = lignes[i].trimmed();
        const QByteArray valeur = lignes[i + 1].trimmed();
        bool ok = false;
        const int n = code.toInt(&ok);
        if (!ok)
            return u"« %1 » n'est pas un dessin lisible : code de groupe « %2 » à la ligne %3"_s.arg(Nom(chemin))
                .arg(QString::fromLatin1(code.left(20)))
                .arg(i + 1);
        if (n != 0)
            continue;
        if (valeur == "SECTION")
            section = true;
        else if (valeur == "ENDSEC")
            section = false;
        else if (valeur == "EOF")
            return section ? std::optional<QString>(u"« %1 » est incomplet : une section n'est pas fermée"_s.arg(Nom(chemin)))
                           : std::nullopt;
    }
    return u"« %1 » est incomplet : il ne se termine pas par EOF"_s.arg(Nom(chemin));
}

// Une couverture non compressée se termine par EOS ; coupée, GDAL en lit le début sans rien dire.
inline std::optional<QString> DefautE00(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray texte = f.readAll();
    if (texte.startsWith("EXP  1") || texte.isEmpty())
        return std::nullopt;
    const QList<QByteArray> lignes = texte.trimmed().split('\n');
    if (!lignes.last().trimmed().startsWith("EOS"))
        return u"la couverture « %1 » est incomplète : elle ne se termine pas par EOS"_s.arg(Nom(chemin));
    return std::nullopt;
}

/** Le défaut que montre le fichier source ou un de ses compagnons, en français ; vide quand rien ne
 *  se voit (les autres défauts sont laissés au lecteur). */
inline std::optional<QString> DefautSource(const QString &chemin)
{
    const QString ext = chemin.mid(chemin.lastIndexOf(u'.') + 1).toLower();
    if (!FichierExiste(chemin))
        return std::nullopt;
    if (ext == u"shp"_s)
        return DefautShp(chemin);
    if (ext == u"tab"_s)
        return DefautTab(chemin);
    if (ext == u"mif"_s)
        return DefautMif(chemin);
    if (ext == u"dxf"_s)
        return DefautDxf(chemin);
    if (ext == u"e00"_s)
        return DefautE00(chemin);
    return std::nullopt;
}

} // namespace quorvale::integrite
