#pragma once

// Les défauts qu'un lecteur GDAL laisse passer sans rien dire : un fichier coupé, un fichier
// compagnon absent. GDAL lirait alors une partie des objets, ou aucun attribut, et la traduction
// passerait pour réussie. Partagé par le traducteur et le serveur MapInfo (en-tête seul).

#include "dxfbinaire.h"
#include "fichiers.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
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
        // Chaque entrée du .id est la place d'un objet dans le .map : au-delà de sa fin, le .map est coupé.
        const QByteArray places = Debut(id, 4 * lignes);
        const qint64 tailleMap = Taille(map);
        for (qsizetype i = 0; i + 4 <= places.size(); i += 4)
            if (qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(places.constData()) + i) >= tailleMap)
                return u"« %1 » est tronqué : l'objet n° %2 est placé au-delà de sa fin"_s.arg(Nom(map)).arg(i / 4 + 1);
    }
    return std::nullopt;
}

// La section Data d'un MIF : le nombre d'objets (une ligne par objet commence par son mot-clé ; les
// parties d'une collection n'en sont pas), et si le dernier objet s'arrête avant ses points.
struct DonneesMif {
    qsizetype objets = 0;
    bool coupe = false;
};

inline DonneesMif LitDonneesMif(QFile &f)
{
    static const QList<QByteArray> motsCles{"none", "point", "line", "pline", "region", "arc", "text",
                                            "rect", "roundrect", "ellipse", "multipoint", "collection"};
    DonneesMif d;
    qsizetype parties = 0, sections = 0, points = 0;
    while (!f.atEnd()) {
        const QList<QByteArray> mots = f.readLine().simplified().toLower().split(' ');
        const QByteArray mot = mots.value(0);
        bool nombre = false;
        (void)mot.toDouble(&nombre);
        if (nombre) {
            if (points > 0)
                points -= qMax<qsizetype>(1, mots.size() / 2);
            else if (sections > 0 && mots.size() == 1)
                points = mot.toLongLong(), --sections;
            continue;
        }
        if (!motsCles.contains(mot))
            continue;
        if (mot == "region")
            sections = mots.value(1).toLongLong(), points = 0;
        else if (mot == "pline" && mots.value(1) == "multiple")
            sections = mots.value(2).toLongLong(), points = 0;
        else if (mot == "pline")
            mots.size() > 1 ? void(points = mots.value(1).toLongLong()) : void(sections = 1);
        else if (mot == "multipoint")
            points = mots.value(1).toLongLong();
        if (parties > 0 && (mot == "region" || mot == "pline" || mot == "multipoint")) {
            --parties;
            continue;
        }
        ++d.objets;
        if (mot == "collection")
            parties = mots.value(1).toLongLong();
    }
    d.coupe = points > 0 || sections > 0;
    return d;
}

// Les enregistrements d'un MID : une fin de ligne hors d'une chaîne entre guillemets les sépare (une
// valeur entre guillemets peut tenir sur plusieurs lignes ; les guillemets doublés sont des
// guillemets), sans les lignes vides de la fin. Rend leur nombre et le premier qui n'a pas ses
// « colonnes » valeurs (0 : tous les ont) ; -1 pour un MID illisible.
inline std::pair<qsizetype, qsizetype> LignesMid(const QString &chemin, char separateur, int colonnes)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return {-1, 0};
    QByteArray texte = f.readAll();
    while (texte.endsWith('\n') || texte.endsWith('\r') || texte.endsWith(' ') || texte.endsWith('\x1a'))
        texte.chop(1);
    if (texte.isEmpty())
        return {0, 0};
    qsizetype enregistrements = 0, fautif = 0;
    int valeurs = 1;
    bool chaine = false;
    auto termine = [&] {
        ++enregistrements;
        if (fautif == 0 && (chaine || valeurs != colonnes))
            fautif = enregistrements;
        valeurs = 1;
    };
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char c = texte[i];
        if (c == '"')
            chaine = !chaine;
        else if (c == separateur && !chaine)
            ++valeurs;
        else if (c == '\n' && !chaine)
            termine();
    }
    termine();
    return {enregistrements, fautif};
}

// Le séparateur déclaré par « Delimiter "x" » : le caractère entre les guillemets, tel quel (une
// tabulation écrite telle quelle, ou « \t »).
inline char SeparateurMif(const QByteArray &ligne)
{
    const qsizetype guillemet = ligne.indexOf('"');
    if (guillemet < 0 || guillemet + 1 >= ligne.size())
        return '\t';
    if (ligne.mid(guillemet + 1, 2) == "\\t")
        return '\t';
    return ligne[guillemet + 1];
}

// Sans son MID, un MIF perd ses attributs ; l'un des deux coupé, objets et lignes ne s'accordent plus.
inline std::optional<QString> DefautMif(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    int colonnes = 0;
    char separateur = '\t';
    bool donnees = false;
    while (!f.atEnd()) {
        const QByteArray brute = f.readLine().trimmed();
        const QByteArray ligne = brute.toLower();
        if (ligne.startsWith("columns"))
            colonnes = ligne.mid(7).trimmed().split(' ').value(0).toInt();
        if (ligne.startsWith("delimiter"))
            separateur = SeparateurMif(brute);
        if (ligne.startsWith("data")) {
            donnees = true;
            break;
        }
    }
    if (!donnees)
        return std::nullopt;
    const DonneesMif d = LitDonneesMif(f);
    if (d.coupe)
        return u"« %1 » est tronqué : son dernier objet s'arrête avant ses points"_s.arg(Nom(chemin));
    if (colonnes <= 0)
        return std::nullopt;
    const QString mid = ChangeExtension(chemin, u".mid"_s);
    // Sans MID, GDAL lit les objets sans attributs : c'est un avertissement (AvertissementSource).
    if (!FichierExiste(mid))
        return std::nullopt;
    const auto [lignes, fautive] = LignesMid(mid, separateur, colonnes);
    const qsizetype objets = d.objets;
    if (fautive > 0)
        return u"l'enregistrement n° %1 de « %2 » n'a pas ses %3 valeurs (le fichier est-il coupé ?)"_s.arg(fautive).arg(Nom(mid)).arg(colonnes);
    if (lignes >= 0 && lignes != objets)
        return u"« %1 » et « %2 » ne s'accordent pas : %3 objets pour %4 lignes d'attributs (l'un des deux est-il coupé ?)"_s
            .arg(Nom(chemin), Nom(mid))
            .arg(objets)
            .arg(lignes);
    return std::nullopt;
}

// Un dessin en texte : des paires code / valeur dont le code est un entier, chaque section fermée,
// et la marque de fin EOF. Un dessin binaire est jugé sur sa forme texte.
inline std::optional<QString> DefautTexteDxf(const QByteArray &texte, const QString &chemin)
{
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

inline std::optional<QString> DefautDxf(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray octets = f.readAll();
    if (!dxf::EstBinaire(octets))
        return DefautTexteDxf(octets, chemin);
    const dxf::Conversion c = dxf::DxfTexte(octets, Nom(chemin));
    if (!c.erreur.isEmpty())
        return c.erreur;
    return DefautTexteDxf(c.texte, chemin);
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

// Les messages de GDAL que l'utilisateur rencontre, dits en français ; le texte de GDAL suit
// entre parenthèses, pour qui voudrait le chercher.
inline QString GdalEnFrancais(const QString &gdal)
{
    struct Traduction {
        const char *motif;
        const char16_t *texte;
    };
    static const Traduction traductions[] = {
        {"^Unable to open (\\S+) or \\S+\\. Set SHAPE_RESTORE_SHX", u"le fichier d'index « %1 » du fichier de formes manque"},
        {"not recognized as (a|being in a) supported (file|dataset) format", u"le format du fichier n'est pas reconnu"},
        {"No such file or directory", u"le fichier est introuvable"},
        {"Permission denied", u"l'accès au fichier est refusé"},
        {"^Unable to open (\\S+)\\.?$", u"le fichier « %1 » ne s'ouvre pas"},
        {"(Corrupted|corrupt|Invalid|invalid) ", u"le fichier est abîmé"},
        {"(Short read|Read error|Error reading|Failed to read)", u"le fichier est coupé ou illisible"},
    };
    for (const Traduction &t : traductions) {
        const QRegularExpression re(QString::fromLatin1(t.motif));
        const auto m = re.match(gdal);
        if (m.hasMatch()) {
            QString texte = QString::fromUtf16(t.texte);
            if (texte.contains(u"%1"_s))
                texte = texte.arg(Nom(m.captured(1)));
            return texte + u" (GDAL : "_s + gdal + u')';
        }
    }
    return u"GDAL signale : "_s + gdal;
}

/** Les enregistrements effacés d'une table dBase (.dbf, .dat : premier octet « * ») ; GDAL les
 *  compte dans le nombre d'objets d'une table MapInfo, mais ne les lit pas. */
inline qint64 EnregistrementsEffaces(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray octets = f.readAll();
    if (octets.size() < 12)
        return 0;
    const auto *o = reinterpret_cast<const uchar *>(octets.constData());
    const qint64 nombre = qFromLittleEndian<quint32>(o + 4), entete = qFromLittleEndian<quint16>(o + 8),
                 taille = qFromLittleEndian<quint16>(o + 10);
    qint64 effaces = 0;
    for (qint64 i = 0; taille > 0 && i < nombre && entete + i * taille < octets.size(); ++i)
        effaces += octets[entete + i * taille] == '*';
    return effaces;
}

/** Ce qui se lit mais se perd, à dire dans le résultat du fichier sans le refuser : un MIF sans son
 *  MID (ses objets sont traduits sans attributs). */
inline std::optional<QString> AvertissementSource(const QString &chemin)
{
    if (!chemin.endsWith(u".mif"_s, Qt::CaseInsensitive) || !FichierExiste(chemin))
        return std::nullopt;
    const QString mid = ChangeExtension(chemin, u".mid"_s);
    if (FichierExiste(mid))
        return std::nullopt;
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    int colonnes = 0;
    while (!f.atEnd()) {
        const QByteArray ligne = f.readLine().trimmed().toLower();
        if (ligne.startsWith("columns"))
            colonnes = ligne.mid(7).trimmed().split(' ').value(0).toInt();
        if (ligne.startsWith("data"))
            break;
    }
    if (colonnes <= 0)
        return std::nullopt;
    return u"le fichier compagnon « %1 » manque : les objets de « %2 » sont traduits sans leurs %3 colonnes d'attributs"_s
        .arg(Nom(mid), Nom(chemin))
        .arg(colonnes);
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
