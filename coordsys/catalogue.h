#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvale {

/** Le catalogue des projections de MapInfo (mapinfow.prj), lu une fois au démarrage. */
struct Catalogue {
    QStringList LignesCatalogue;          // chaque ligne du fichier, numérotées à partir de 0
    QList<qsizetype> DebutsCategories;    // ligne de chaque en-tête, puis le nombre de lignes + 1
    QStringList Categories;               // nom de chaque en-tête
    QStringList ParametresCatalogue;      // texte des paramètres de chaque projection, dans l'ordre du fichier
    QStringList RessourcesCatalogue;      // nom du texte .prj de la même projection
};

/** Le nom d'une ligne du catalogue (en-tête ou projection), sans guillemets, tirets ni suite après "\". */
QString NomProjection(const QString &ligne);
/** Le texte des paramètres d'une ligne (ce qui suit le nom et la virgule) ; vide pour un en-tête. */
QString ParametresProjection(const QString &ligne);
/** Le nom du texte .prj intégré d'une projection (ponctuation et blancs en "_", è et é en "e"). */
QString NomRessource(const QString &nom);
/** La clause CoordSys d'un texte de paramètres : NonEarth quand il commence par "0", Earth sinon. */
QString ClauseProjection(const QString &parametres);

/** Les lignes d'un texte ; les fins de ligne sont CR LF, LF ou CR ; la dernière fin n'ouvre pas de ligne. */
QStringList DecoupeLignes(const QString &texte);
/** Le catalogue bâti à partir de ses lignes. */
Catalogue AnalyseCatalogue(const QStringList &lignes);
/** Les numéros des lignes de projection (non vides) de la catégorie k, dans l'ordre du fichier ;
 *  vide hors des bornes. */
QList<qsizetype> LignesProjections(const Catalogue &catalogue, qsizetype categorie);
/** La première position de ParametresCatalogue égale au texte, sans égard à la casse ; -1 sinon. */
qsizetype ChercheParametres(const Catalogue &catalogue, const QString &parametres);

/** Le fichier à lire : mapinfow.prj du dossier de MapInfo (terminé par "/"), sinon celui du dossier
 *  de l'exécutable. */
QString FichierCatalogue(const QString &dossierMapInfo, const QString &dossierExecutable);
/** Lit le catalogue (Windows-1252). Absent si le fichier ne s'ouvre pas ; erreur reçoit alors
 *  « Impossible d'ouvrir le fichier "<chemin>". <raison> ». */
std::optional<Catalogue> ChargeCatalogue(const QString &fichier, QString *erreur = nullptr);
/** Le catalogue d'un contenu de fichier (Windows-1252). */
Catalogue LitCatalogue(const QByteArray &contenu);

} // namespace quorvale
