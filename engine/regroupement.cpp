#include "regroupement.h"

#include "attente.h"
#include "erreur.h"
#include "fichiers.h"
#include "scrutedossier.h"
#include "traduction.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString NomFichier(const QString &chemin)
{
    return chemin.mid(chemin.lastIndexOf(u'/') + 1);
}

// Le nom sous lequel MapInfo ouvre une table : le nom du fichier sans son extension.
QString Alias(const QString &chemin)
{
    const QString nom = NomFichier(chemin);
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? nom : nom.left(point);
}

// Une chaîne MapBasic : un guillemet du chemin s'écrit "" pour ne pas fermer la chaîne.
QString Chaine(const QString &texte)
{
    QString double_ = texte;
    return u'"' + double_.replace(u'"', u"\"\""_s) + u'"';
}

// Le parcours de ScruteDossier2 quand le traitement n'en fournit pas : sous-dossiers compris.
void ParcourtTables(const QString &dossier, const QString &filtre, QStringList &tables)
{
    TScruteDossier scrute;
    scrute.Dossier = dossier;
    scrute.Filtre = filtre;
    scrute.SousDossier = true;
    scrute.OnFichier = [&tables](TScruteDossier &, const QString &nom) { tables << nom; };
    scrute.Execute();
}

// Le dossier de travail disparaît à chaque sortie, erreur comprise.
struct SupprimeALaFin {
    QString dossier;
    ~SupprimeALaFin() { (void)SupprimeArborescence(dossier); }
};

} // namespace

void ExecuteMapInfo(ObjetAutomation &appMapInfo, const QStringList &instructions)
{
    for (const QString &instruction : instructions) {
        try {
            appMapInfo.Do(instruction);
        } catch (const Erreur &e) {
            // Le fichier suivant doit trouver MapInfo sans table ouverte ; un serveur mort refuse aussi.
            try {
                appMapInfo.Do(u"Close All"_s);
            } catch (const Erreur &) {
            }
            throw RefusFichier(e.texte());
        }
    }
}

QStringList InstructionsRegroupement(const QStringList &tables, const QString &dossierTravail,
                                     const QString &destination)
{
    const QString premiere = tables.value(0);
    const QString nomCible = NomFichier(destination);
    const QString aliasCible = Alias(nomCible);
    const QString vide = dossierTravail + u'/' + nomCible;
    const QString enregistre = u" TYPE NATIVE Charset \"WindowsLatin1\""_s;
    QStringList instructions;
    instructions << u"Open Table "_s + Chaine(premiere)
                 << u"select * from "_s + Alias(premiere) + u" where rowid=0 into "_s + aliasCible
                 << u"Commit Table "_s + aliasCible + u" As "_s + Chaine(vide) + enregistre
                 << u"Close Table "_s + Alias(premiere)
                 << u"Open Table "_s + Chaine(vide);
    for (const QString &table : tables)
        instructions << u"Open Table "_s + Chaine(table)
                     << u"Insert Into "_s + aliasCible + u" Select * From "_s + Alias(table);
    instructions << u"Commit Table "_s + aliasCible + u" As "_s + Chaine(destination) + enregistre
                 << u"Close All"_s;
    return instructions;
}

void RegroupeCouches(Travail &travail, const QString &source, const QString &destination)
{
    if (!travail.RegrouperCouches) {
        TraduitFichier(travail, source, destination);
        return;
    }

    QString dossierTravail = travail.DossierTemp + u"TempTrad"_s;
    // Une destination déjà dans "TempTrad" (étape d'une route en deux temps) : le dossier de travail
    // est son sous-dossier, sinon on effacerait la table regroupée avec lui.
    if (destination.startsWith(dossierTravail + u'/', Qt::CaseInsensitive))
        dossierTravail += u"/Regroupement"_s;
    if (!DossierExiste(dossierTravail))
        (void)CreeDossier(dossierTravail);
    const SupprimeALaFin nettoyage{dossierTravail};

    TraduitFichier(travail, source, dossierTravail + u'/' + NomFichier(destination));

    travail.ListeTables.clear();
    Attendre(travail.horloge, 2000);
    if (travail.ScruteDossier2)
        travail.ScruteDossier2(dossierTravail, u"*.tab"_s);
    else
        ParcourtTables(dossierTravail, u"*.tab"_s, travail.ListeTables);
    std::sort(travail.ListeTables.begin(), travail.ListeTables.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });

    if (travail.ListeTables.isEmpty()) {
        const QString raison = travail.MessagesTraducteur.join(u" ; "_s);
        throw RefusFichier(u"Les couches de « %1 » ne peuvent pas être regroupées : le traducteur n'a écrit aucune table."_s
                               .arg(source)
                           + (raison.isEmpty() ? QString() : u" ("_s + raison + u')'));
    }
    if (!travail.AppMapInfo)
        throw Erreur(u"Les couches de « %1 » ne peuvent pas être regroupées : MapInfo n'est pas ouvert."_s.arg(source));
    ExecuteMapInfo(*travail.AppMapInfo, InstructionsRegroupement(travail.ListeTables, dossierTravail, destination));
}

} // namespace quorvale
