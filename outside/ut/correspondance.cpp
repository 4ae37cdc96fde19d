#include "correspondance.h"

#include "dxfbinaire.h"

#include "erreur.h"
#include "fichiers.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::ut {

namespace {

QString Guillemets(const QString &valeur)
{
    return u'"' + valeur + u'"';
}

// Valeur « telle quelle » : une paire de guillemets extérieure est ôtée, rien d'autre.
QString SansGuillemets(const QString &valeur)
{
    if (valeur.size() >= 2 && valeur.startsWith(u'"') && valeur.endsWith(u'"'))
        return valeur.mid(1, valeur.size() - 2);
    return valeur;
}

QString PrefixeIds(Format format)
{
    switch (format) {
    case Format::MapInfo: return u"MAPINFO"_s;
    case Format::Mif: return u"MIF"_s;
    case Format::Shape: return u"SHAPE"_s;
    default: return {};
    }
}

QString ExtensionLecteur(Format format)
{
    switch (format) {
    case Format::MapInfo: return u".tab"_s;
    case Format::Mif: return u".mif"_s;
    case Format::Shape: return u".shp"_s;
    default: return {};
    }
}

bool DossierLecteur(Format format)
{
    return format == Format::MapInfo || format == Format::Mif || format == Format::Shape;
}

QString Absolu(const QString &chemin)
{
    return QDir::cleanPath(QFileInfo(Resous(chemin)).absoluteFilePath());
}

} // namespace

// Les 32 positions 0x80 à 0x9F de Windows-1252 ; 0 = non attribuée.
static const char16_t Cp1252Haut[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

QByteArray EnCp1252(const QString &texte)
{
    QByteArray octets;
    octets.reserve(texte.size());
    for (const char32_t c : texte.toUcs4()) {
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            octets += char(c);
            continue;
        }
        int position = -1;
        for (int i = 0; i < 32; ++i)
            if (Cp1252Haut[i] == c)
                position = i;
        if (position >= 0)
            octets += char(0x80 + position);
        else
            octets += "\\U+" + QByteArray::number(uint(c), 16).toUpper().rightJustified(4, '0');
    }
    return octets;
}

bool TientEnCp1252(const QString &texte)
{
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100))
            continue;
        if (std::find(std::begin(Cp1252Haut), std::end(Cp1252Haut), u) == std::end(Cp1252Haut))
            return false;
    }
    return true;
}

QString DepuisCp1252OuUtf8(const QByteArray &octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texte = utf8(octets);
    if (!utf8.hasError())
        return texte;
    QString resultat;
    resultat.reserve(octets.size());
    for (const char o : octets) {
        const uchar u = uchar(o);
        resultat += (u >= 0x80 && u < 0xA0 && Cp1252Haut[u - 0x80]) ? QChar(Cp1252Haut[u - 0x80]) : QChar(char16_t(u));
    }
    return resultat;
}

QString DecodeUnicodeDxf(const QString &texte)
{
    if (!texte.contains(u"\\U+"_s, Qt::CaseInsensitive))
        return texte;
    QString resultat;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == u'\\' && i + 6 < texte.size() && (texte[i + 1] == u'U' || texte[i + 1] == u'u') && texte[i + 2] == u'+') {
            bool ok = false;
            const uint code = texte.mid(i + 3, 4).toUInt(&ok, 16);
            if (ok) {
                resultat += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
                i += 6;
                continue;
            }
        }
        resultat += texte[i];
    }
    return resultat;
}

Format FormatDuMot(const QString &mot)
{
    const QString m = mot.toUpper();
    if (m == u"MAPINFO"_s)
        return Format::MapInfo;
    if (m == u"MIF"_s)
        return Format::Mif;
    if (m == u"SHAPE"_s)
        return Format::Shape;
    if (m == u"E00"_s)
        return Format::E00;
    if (m == u"DWG"_s || m == u"AUTOCADSCAN"_s || m == u"DXF"_s)
        return Format::Dxf;
    return Format::Inconnu;
}

QString MotDuFormat(Format format)
{
    switch (format) {
    case Format::MapInfo: return u"MAPINFO"_s;
    case Format::Mif: return u"MIF"_s;
    case Format::Shape: return u"SHAPE"_s;
    case Format::E00: return u"E00"_s;
    case Format::Dxf: return u"DWG"_s;
    default: return {};
    }
}

const QList<QPair<QString, QString>> &ClassesCouverture()
{
    static const QList<QPair<QString, QString>> classes{
        {u"ARC"_s, u"arcs"_s}, {u"PAL"_s, u"polygones"_s}, {u"LAB"_s, u"points"_s}, {u"TX"_s, u"annotations"_s},
        {u"RPL"_s, u"regions"_s}};
    return classes;
}

Generation LitGeneration(const QStringList &arguments)
{
    if (arguments.size() < 4)
        throw Erreur(u"Commande generate incomplète : il faut un lecteur, un écrivain, un jeu de données et un fichier de correspondance."_s);
    Generation g;
    g.lecteur = FormatDuMot(arguments[0]);
    g.ecrivain = FormatDuMot(arguments[1]);
    if (g.lecteur == Format::Inconnu)
        throw Erreur(u"Lecteur inconnu : « %1 »."_s.arg(arguments[0]));
    if (g.ecrivain == Format::Inconnu)
        throw Erreur(u"Écrivain inconnu : « %1 »."_s.arg(arguments[1]));
    g.jeu = arguments[2];
    g.param = arguments[3];
    for (qsizetype i = 4; i < arguments.size(); i += 2) {
        const QString &nom = arguments[i];
        if (i + 1 >= arguments.size())
            throw Erreur(u"Valeur manquante après « %1 »."_s.arg(nom));
        const QString &valeur = arguments[i + 1];
        if (valeur.contains(u'\n') || valeur.contains(u'\r'))
            throw Erreur(u"La valeur de « %1 » contient un saut de ligne."_s.arg(nom));
        if (nom.compare(u"ID"_s, Qt::CaseInsensitive) == 0)
            g.id = valeur;
        else if (nom.startsWith(u"--"_s) && nom.size() > 2)
            g.options.append({nom.mid(2), valeur});
        else
            throw Erreur(u"Argument inattendu : « %1 »."_s.arg(nom));
    }
    if (DossierLecteur(g.lecteur) && g.id.isEmpty())
        throw Erreur(u"Le lecteur %1 demande le nom de la table après ID."_s.arg(MotDuFormat(g.lecteur)));
    return g;
}

namespace {

QStringList LitCalques(QIODevice &f, const QString &chemin)
{
    if (dxf::EstBinaire(f.peek(32))) {
        const dxf::Conversion c = dxf::DxfTexte(f.readAll(), QFileInfo(chemin).fileName());
        if (!c.erreur.isEmpty())
            throw Erreur(u"Le dessin « %1 » ne se lit pas : %2."_s.arg(chemin, c.erreur));
        QBuffer tampon;
        tampon.setData(c.texte);
        tampon.open(QIODevice::ReadOnly);
        return LitCalques(tampon, chemin);
    }
    QStringList calques;
    QByteArray section, table, entite;
    bool cp1252 = true;
    bool variableCodePage = false;
    auto ajoute = [&](const QByteArray &brut) {
        const QString nom = cp1252 ? DepuisCp1252OuUtf8(brut) : QString::fromUtf8(brut);
        if (!nom.isEmpty() && !calques.contains(nom, Qt::CaseInsensitive))
            calques << nom;
    };
    while (!f.atEnd()) {
        const QByteArray code = f.readLine().trimmed();
        if (f.atEnd())
            break;
        QByteArray valeur = f.readLine();
        while (valeur.endsWith('\n') || valeur.endsWith('\r'))
            valeur.chop(1);
        bool ok = false;
        const int c = code.toInt(&ok);
        // Un dessin abîmé se décrit jusqu'au premier code illisible ; la traduction dira le reste.
        if (!ok)
            break;
        const QByteArray v = valeur.trimmed();
        if (c == 0) {
            entite = v;
            if (v == "EOF")
                break;
        } else if (c == 2 && entite == "SECTION") {
            section = v;
        } else if (c == 2 && entite == "TABLE") {
            table = v;
        } else if (c == 9) {
            variableCodePage = v == "$DWGCODEPAGE";
        } else if (c == 3 && variableCodePage) {
            cp1252 = v.toUpper().startsWith("ANSI_1252") || v.isEmpty();
        } else if (c == 2 && section == "TABLES" && table == "LAYER" && entite == "LAYER") {
            ajoute(valeur);
        } else if (c == 8 && section == "ENTITIES") {
            ajoute(valeur);
        }
    }
    return calques;
}

} // namespace

QStringList CalquesDxf(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        throw Erreur(u"Impossible de lire le dessin « %1 »."_s.arg(chemin));
    return LitCalques(f, chemin);
}

QStringList CalquesDxfTexte(const QByteArray &contenu)
{
    QBuffer tampon;
    tampon.setData(contenu);
    tampon.open(QIODevice::ReadOnly);
    return LitCalques(tampon, u"(contenu)"_s);
}

QStringList ClassesE00(const QByteArray &texte)
{
    QSet<QString> presentes;
    const QList<QByteArray> lignes = texte.split('\n');
    for (qsizetype i = 0; i + 1 < lignes.size(); ++i) {
        const QByteArray &l = lignes[i];
        if (l.size() < 6 || l.mid(3, 2) != "  " || (l[5] != '2' && l[5] != '3'))
            continue;
        const QByteArray suivante = lignes[i + 1].trimmed();
        // Une section vide se termine aussitôt par -1.
        if (suivante.startsWith("-1 ") || suivante == "-1")
            continue;
        const QString code = QString::fromLatin1(l.left(3));
        for (const auto &[prefixe, nom] : ClassesCouverture())
            if (code.startsWith(prefixe))
                presentes.insert(nom);
    }
    QStringList classes;
    for (const auto &[prefixe, nom] : ClassesCouverture())
        if (presentes.contains(nom))
            classes << nom;
    return classes;
}

bool PrjTerrestreE00(const QByteArray &texte)
{
    const QList<QByteArray> lignes = texte.split('\n');
    bool dans = false;
    for (const QByteArray &brute : lignes) {
        const QByteArray l = brute.trimmed();
        if (!dans) {
            // En-tête de section : « PRJ  2 » (simple précision) ou « PRJ  3 » (double).
            dans = l == "PRJ  2" || l == "PRJ  3";
            continue;
        }
        if (l.startsWith("EOP"))
            return false;
        const QByteArray majuscules = l.toUpper();
        if (majuscules.startsWith("PROJCS[") || majuscules.startsWith("GEOGCS["))
            return true;
        if (majuscules.startsWith("PROJECTION")) {
            const QByteArray valeur = majuscules.mid(10).trimmed();
            return !valeur.isEmpty() && valeur != "UNKNOWN";
        }
    }
    return false;
}

QStringList TypesEntites(const Generation &g)
{
    switch (g.lecteur) {
    case Format::Dxf:
        return CalquesDxf(g.jeu);
    case Format::E00: {
        QFile f(Resous(g.jeu));
        if (!f.open(QIODevice::ReadOnly))
            throw Erreur(u"Impossible de lire la couverture « %1 »."_s.arg(g.jeu));
        const QByteArray texte = f.readAll();
        // Une exportation compressée ne se décrit qu'une fois décompressée, à la traduction.
        if (texte.startsWith("EXP  1"))
            return {};
        return ClassesE00(texte);
    }
    default: {
        const QString fichier = QDir(g.jeu).filePath(g.id + ExtensionLecteur(g.lecteur));
        if (!FichierExiste(Resous(fichier)))
            throw Erreur(u"Le fichier « %1 » est introuvable."_s.arg(fichier));
        return {g.id};
    }
    }
}

QString TexteParam(const Generation &g, const QStringList &types)
{
    QStringList lignes;
    lignes << u"# Correspondance écrite par « imut generate » ; langage décrit dans UT/README.md."_s;
    lignes << u"READER "_s + MotDuFormat(g.lecteur);
    lignes << u"WRITER "_s + MotDuFormat(g.ecrivain);
    lignes << u"GENERATED_FROM "_s + Guillemets(g.jeu);
    if (!g.id.isEmpty())
        lignes << u"GENERATED_ID "_s + Guillemets(g.id);
    lignes << u"SOURCE_DATASET \"$(SourceDataset)\""_s;
    lignes << u"DEST_DATASET \"$(DestDataset)\""_s;
    if (!g.id.isEmpty() && DossierLecteur(g.lecteur))
        lignes << PrefixeIds(g.lecteur) + u"_IN_IDs "_s + Guillemets(g.id);
    for (const QString &type : types)
        lignes << u"FEATURE_TYPE "_s + Guillemets(type);
    for (const auto &[nom, valeur] : g.options)
        lignes << u"OPTION "_s + nom + u' ' + Guillemets(valeur);
    return lignes.join(u"\r\n"_s) + u"\r\n"_s;
}

void SignaleEchec(const QString &message)
{
    QString ligne = message.simplified();
    const QByteArray octets = (u"imut : "_s + ligne + u'\n').toUtf8();
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stderr);
    std::fflush(stderr);
}

void SignaleAvertissement(const QString &message)
{
    const QByteArray octets = (u"Avertissement : "_s + message.simplified() + u'\n').toUtf8();
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stderr);
    std::fflush(stderr);
}

int Genere(const QStringList &arguments)
{
    try {
        const Generation g = LitGeneration(arguments);
        const QString texte = TexteParam(g, TypesEntites(g));
        QSaveFile f(Resous(g.param));
        if (!f.open(QIODevice::WriteOnly) || f.write(texte.toUtf8()) < 0 || !f.commit())
            throw Erreur(u"Impossible d'écrire le fichier de correspondance « %1 »."_s.arg(g.param));
        return 0;
    } catch (const Erreur &e) {
        SignaleEchec(e.texte());
        return 1;
    }
}

namespace {

struct Lecture {
    QMap<QString, QString> macros;     // nom en majuscules
    QString lecteur, ecrivain;
    QString sourceBrute, destinationBrute;
    QString genereDepuis, genereId;
    QMap<QString, QString> ids;        // "MAPINFO_IDS", "MAPINFO_IN_IDS" ...
    QStringList types;
    QList<QPair<QString, QString>> options;
    QString coordsysMapInfo, coordsysMif;
    int profondeur = 0;
};

void LitContenu(const QByteArray &contenu, const QString &chemin, Lecture &l);

void LitFichier(const QString &chemin, Lecture &l)
{
    QFile f(Resous(chemin));
    // Un périphérique ou un tube (INCLUDE /dev/zero) ne finirait jamais de se lire.
    if (const QFileInfo info(f.fileName()); info.exists() && !info.isFile())
        throw Erreur(u"« %1 » n'est pas un fichier de correspondance ordinaire."_s.arg(chemin));
    if (!f.open(QIODevice::ReadOnly))
        throw Erreur(u"Le fichier de correspondance « %1 » est introuvable ou illisible."_s.arg(chemin));
    LitContenu(f.readAll(), chemin, l);
}

void LitContenu(const QByteArray &contenu, const QString &chemin, Lecture &l)
{
    if (++l.profondeur > 8)
        throw Erreur(u"Trop d'INCLUDE imbriqués à « %1 »."_s.arg(chemin));
    const QString texte = DepuisCp1252OuUtf8(contenu);
    int numero = 0;
    for (QString ligne : texte.split(u'\n')) {
        ++numero;
        while (ligne.endsWith(u'\r'))
            ligne.chop(1);
        const QString nette = ligne.trimmed();
        if (nette.isEmpty() || nette.startsWith(u'#'))
            continue;
        const qsizetype debut = ligne.indexOf(nette.at(0));
        const qsizetype blanc = ligne.indexOf(u' ', debut);
        const QString mot = (blanc < 0 ? nette : ligne.mid(debut, blanc - debut)).toUpper();
        // Valeur : le reste de la ligne après le premier blanc, telle quelle.
        const QString reste = blanc < 0 ? QString() : ligne.mid(blanc + 1);
        if (mot == u"MACRO"_s) {
            const qsizetype b = reste.indexOf(u' ');
            const QString nom = (b < 0 ? reste : reste.left(b)).trimmed().toUpper();
            if (nom.isEmpty())
                throw Erreur(u"Ligne %1 de « %2 » : MACRO sans nom."_s.arg(numero).arg(chemin));
            l.macros[nom] = b < 0 ? QString() : reste.mid(b + 1);
        } else if (mot == u"INCLUDE"_s) {
            QString inclus = SansGuillemets(reste.trimmed());
            if (QFileInfo(inclus).isRelative())
                inclus = QFileInfo(chemin).dir().filePath(inclus);
            LitFichier(inclus, l);
        } else if (mot == u"READER"_s) {
            l.lecteur = reste.trimmed();
        } else if (mot == u"WRITER"_s) {
            l.ecrivain = reste.trimmed();
        } else if (mot == u"SOURCE_DATASET"_s) {
            l.sourceBrute = SansGuillemets(reste.trimmed());
        } else if (mot == u"DEST_DATASET"_s) {
            l.destinationBrute = SansGuillemets(reste.trimmed());
        } else if (mot == u"GENERATED_FROM"_s) {
            l.genereDepuis = SansGuillemets(reste.trimmed());
        } else if (mot == u"GENERATED_ID"_s) {
            l.genereId = SansGuillemets(reste.trimmed());
        } else if (mot.endsWith(u"_IDS"_s) && !PrefixeIds(FormatDuMot(mot.section(u'_', 0, 0))).isEmpty()) {
            l.ids[mot] = SansGuillemets(reste.trimmed());
        } else if (mot == u"FEATURE_TYPE"_s) {
            l.types << SansGuillemets(reste.trimmed());
        } else if (mot == u"OPTION"_s) {
            const QString r = reste.trimmed();
            const qsizetype b = r.indexOf(u' ');
            l.options.append({b < 0 ? r : r.left(b), b < 0 ? QString() : SansGuillemets(r.mid(b + 1).trimmed())});
        } else if (mot == u"MAPINFO_COORDSYS_STATEMENT"_s) {
            l.coordsysMapInfo = reste.trimmed();
        } else if (mot == u"MIF_COORDSYS_STATEMENT"_s) {
            l.coordsysMif = reste.trimmed();
        } else {
            throw Erreur(u"Ligne %1 de « %2 » : mot-clé inconnu « %3 »."_s.arg(numero).arg(chemin, mot));
        }
    }
    --l.profondeur;
}

// $(NOM) remplacé par la macro ; une macro absente est une erreur, pas un texte vide.
QString Developpe(const QString &valeur, const QMap<QString, QString> &macros)
{
    QString resultat;
    qsizetype i = 0;
    while (i < valeur.size()) {
        const qsizetype d = valeur.indexOf(u"$("_s, i);
        if (d < 0) {
            resultat += valeur.mid(i);
            break;
        }
        const qsizetype f = valeur.indexOf(u')', d);
        if (f < 0) {
            resultat += valeur.mid(i);
            break;
        }
        const QString nom = valeur.mid(d + 2, f - d - 2).toUpper();
        if (!macros.contains(nom))
            throw Erreur(u"La macro « %1 » n'est pas définie."_s.arg(nom));
        resultat += valeur.mid(i, d - i) + macros.value(nom);
        i = f + 1;
    }
    return resultat;
}

bool MemeChemin(const QString &a, const QString &b)
{
    return Absolu(a) == Absolu(b);
}

} // namespace

namespace {

Travail Interprete(const Lecture &l);

} // namespace

Travail LitTravail(const QString &chemin)
{
    Lecture l;
    LitFichier(chemin, l);
    return Interprete(l);
}

Travail LitTravailTexte(const QByteArray &contenu, const QString &chemin)
{
    Lecture l;
    LitContenu(contenu, chemin, l);
    return Interprete(l);
}

namespace {

Travail Interprete(const Lecture &l)
{
    Travail t;
    if (l.lecteur.isEmpty() || l.ecrivain.isEmpty())
        throw Erreur(u"Aucun lecteur ni écrivain : le fichier de correspondance de « imut generate » manque (INCLUDE)."_s);
    t.lecteur = FormatDuMot(l.lecteur);
    t.ecrivain = FormatDuMot(l.ecrivain);
    if (t.lecteur == Format::Inconnu || t.ecrivain == Format::Inconnu)
        throw Erreur(u"Lecteur « %1 » ou écrivain « %2 » inconnu."_s.arg(l.lecteur, l.ecrivain));
    const QString source = Developpe(l.sourceBrute.isEmpty() ? u"$(SourceDataset)"_s : l.sourceBrute, l.macros);
    t.destination = Developpe(l.destinationBrute.isEmpty() ? u"$(DestDataset)"_s : l.destinationBrute, l.macros);
    if (source.isEmpty() || t.destination.isEmpty())
        throw Erreur(u"Le jeu de données source ou destination n'est pas donné."_s);

    for (const auto &[nom, valeur] : l.options) {
        QString n = nom.toUpper();
        if (n.startsWith(u"SOURCE_"_s))
            n = n.mid(7);
        else if (n.startsWith(u"DEST_"_s))
            n = n.mid(5);
        t.options[n] = Developpe(valeur, l.macros);
    }
    // Les macros _NOM de Trad_Macro.txt l'emportent sur les options de même nom.
    for (auto it = l.macros.cbegin(); it != l.macros.cend(); ++it)
        if (it.key().startsWith(u'_') && it.key() != u"_BASENAME"_s && it.key() != u"_FULLBASENAME"_s && it.key() != u"_EXTENSION"_s)
            t.options[it.key().mid(1)] = it.value();
    t.types = l.types;

    if (DossierLecteur(t.lecteur)) {
        const QString p = PrefixeIds(t.lecteur);
        QString id = l.ids.value(p + u"_IN_IDS"_s, l.ids.value(p + u"_IDS"_s));
        if (id.isEmpty())
            throw Erreur(u"Aucune table nommée pour le lecteur %1 (%2_IDs)."_s.arg(MotDuFormat(t.lecteur), p));
        if (!l.genereDepuis.isEmpty() && (!MemeChemin(l.genereDepuis, source) || l.genereId.compare(id, Qt::CaseInsensitive) != 0))
            throw Erreur(u"« %1 » n'est pas traduit : le fichier de correspondance décrit un autre jeu (« %2 ») ; "
                         u"la commande generate a-t-elle échoué ?"_s
                             // Un fichier donné au lieu d'un dossier : c'est lui que le travail voulait traduire.
                             .arg(QFileInfo(Resous(source)).isFile()
                                              || (!QFileInfo(Resous(source)).exists() && !QFileInfo(source).suffix().isEmpty())
                                      ? source
                                      : QDir(source).filePath(id + ExtensionLecteur(t.lecteur)),
                                  QDir(l.genereDepuis).filePath(l.genereId + ExtensionLecteur(t.lecteur))));
        t.source = Resous(QDir(source).filePath(id + ExtensionLecteur(t.lecteur)));
        t.base = id;
    } else {
        if (!l.genereDepuis.isEmpty() && !MemeChemin(l.genereDepuis, source))
            throw Erreur(u"« %1 » n'est pas traduit : le fichier de correspondance décrit un autre jeu (« %2 ») ; "
                         u"la commande generate a-t-elle échoué ?"_s
                             .arg(source, l.genereDepuis));
        t.source = Resous(source);
        t.base = QFileInfo(source).completeBaseName();
    }
    t.baseCalques = t.options.value(u"LAYERBASENAME"_s, t.base + u'_');
    const QString prefere = t.ecrivain == Format::Mif ? l.coordsysMif : l.coordsysMapInfo;
    t.coordsys = !prefere.isEmpty() ? prefere : (l.coordsysMapInfo.isEmpty() ? l.coordsysMif : l.coordsysMapInfo);
    return t;
}

} // namespace

} // namespace quorvale::ut
