#include "assomots.h"

#include "catalogue.h"
#include "cp1252.h"
#include "emplacements.h"
#include "erreur.h"
#include "fichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

const QByteArray MarqueUtf8("\xEF\xBB\xBF");

// Seules les lettres A à Z changent de casse : les lettres accentuées doivent être exactes.
QString MinusculesAscii(const QString &texte)
{
    QString resultat = texte;
    for (QChar &c : resultat)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return resultat;
}

const QString &Colonne(const Association &a, int colonne)
{
    return colonne == 1 ? a.Nom : colonne == 2 ? a.Parametres : a.Mot;
}

} // namespace

QString FichierAssoMots(const QString &dossier)
{
    return (dossier.endsWith(u'/') ? dossier : dossier + u'/') + u"AssoMots.txt"_s;
}

QList<Association> LitAssociations(const QByteArray &contenu)
{
    // Une seule marque est ôtée : fromUtf8 en ôterait une seconde, qui fait partie du premier mot.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString texte = contenu.startsWith(MarqueUtf8) ? QString(utf8(contenu.mid(MarqueUtf8.size())))
                                                         : DecodeCp1252(contenu);
    QList<Association> associations;
    for (const QString &ligne : DecoupeLignes(texte)) {
        // Un champ sans son ";" de fin se lit vide.
        const QStringList champs = ligne.split(u';');
        const qsizetype fermes = champs.size() - 1;
        associations << Association{fermes > 0 ? champs[0] : QString(), fermes > 1 ? champs[1] : QString(),
                                    fermes > 2 ? champs[2] : QString()};
    }
    return associations;
}

QByteArray TexteAssociations(const QList<Association> &associations)
{
    QString texte;
    for (const Association &a : associations)
        texte += a.Mot + u';' + a.Nom + u';' + a.Parametres + u";\r\n"_s;
    // Un caractère absent de Windows-1252 ferait perdre la ligne : tout passe alors en UTF-8 marqué.
    // De même un texte qui commence par « ï»¿ » : en Windows-1252, il se relirait comme la marque.
    if (EncodableCp1252(texte)) {
        const QByteArray octets = EncodeCp1252(texte);
        if (!octets.startsWith(MarqueUtf8))
            return octets;
    }
    return MarqueUtf8 + texte.toUtf8();
}

EmplacementAssoMots EmplacementAssociations(const QString &dossierExecutable, const QString &dossierConfiguration)
{
    // Un programme installé n'écrit jamais dans son propre dossier, même lancé par root.
    const QString aCote = FichierAssoMots(dossierExecutable);
    const bool protege = QFileInfo(dossierExecutable).isDir()
                         && ::access(QFile::encodeName(dossierExecutable).constData(), W_OK) != 0;
    if (!ProgrammeInstalle(dossierExecutable) && !protege)
        return {aCote, aCote};
    const QString personnel = dossierConfiguration + u"/Olvessa/AssoMots.txt"_s;
    if (FichierExiste(Resous(personnel)))
        return {personnel, personnel, true};
    return {FichierAssoMots(DossierDonnees(dossierExecutable)), personnel, true};
}

QList<Association> ChargeAssociations(const EmplacementAssoMots &emplacement)
{
    if (emplacement.lecture != emplacement.ecriture && !FichierExiste(Resous(emplacement.lecture)))
        return {};
    return ChargeAssociations(emplacement.lecture);
}

QList<Association> ChargeAssociations(const QString &fichier)
{
    const QString reel = Resous(fichier);
    if (!FichierExiste(reel)) {
        QFile vide(reel);
        if (!vide.open(QIODevice::WriteOnly))
            throw Erreur(u"Impossible de créer le fichier \"%1\". %2"_s.arg(fichier, vide.errorString()));
        return {};
    }
    QFile f(reel);
    if (!f.open(QIODevice::ReadOnly))
        throw Erreur(u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(fichier, f.errorString()));
    return LitAssociations(f.readAll());
}

void EnregistreAssociations(const QString &fichier, const QList<Association> &associations)
{
    QSaveFile f(Resous(fichier));
    const QByteArray contenu = TexteAssociations(associations);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size() || !f.commit())
        throw Erreur(u"Impossible de créer le fichier \"%1\". %2"_s.arg(fichier, f.errorString()));
}

void EnregistreAssociations(const EmplacementAssoMots &emplacement, const QList<Association> &associations)
{
    // Le dossier de configuration de l'utilisateur naît au premier enregistrement.
    if (emplacement.personnel)
        (void)QDir().mkpath(QFileInfo(emplacement.ecriture).absolutePath());
    EnregistreAssociations(emplacement.ecriture, associations);
}

void AjouteMots(QList<Association> &associations, const QStringList &mots, const QString &nom,
                const QString &parametres)
{
    for (const QString &mot : mots) {
        const QString cle = MinusculesAscii(mot);
        const bool connu = std::any_of(associations.cbegin(), associations.cend(),
                                       [&](const Association &a) { return MinusculesAscii(a.Mot) == cle; });
        if (!connu)
            associations << Association{mot, nom, parametres};
    }
}

void TrieAssociations(QList<Association> &associations, int colonne)
{
    std::stable_sort(associations.begin(), associations.end(), [colonne](const Association &a, const Association &b) {
        return MinusculesAscii(Colonne(a, colonne)) < MinusculesAscii(Colonne(b, colonne));
    });
}

const Association *ChercheAssociation(const QList<Association> &associations, const QString &chemin)
{
    const QString cheminMin = MinusculesAscii(chemin);
    for (const Association &a : associations)
        if (!a.Mot.isEmpty() && cheminMin.contains(MinusculesAscii(a.Mot)))
            return &a;
    return nullptr;
}

} // namespace quorvale
