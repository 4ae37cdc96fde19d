#pragma once

#include "assomots.h"

#include <QList>
#include <QString>

namespace quorvale {

/** Les quatre réglages qui décident de la projection d'un fichier (valeurs de départ : tous vrais). */
struct ReglagesProjection {
    bool Feuillets = true; // zone déterminée sur le numéro de feuillet
    bool Mtm = true;       // MTM sur feuillet 20 000 ; faux : UTM sur feuillet 250 000
    bool Nad83 = true;     // faux : NAD 27
    bool AssoMots = true;  // utiliser les associations de mots
};

/** Vrai quand le texte a au moins un caractère, tous chiffres, points ou virgules (une virgule
 *  ne compte que dans un texte d'au moins deux caractères). */
bool EstNumerique(const QString &texte);

/** Feuillet 1:20 000 en début d'un composant du chemin, casse conservée ; vide sinon. */
QString FeuilletMTM(const QString &chemin);
/** Feuillet 1:250 000 en début d'un composant du chemin, en minuscules ; vide sinon. */
QString FeuilletUTM(const QString &chemin);
/** Méridien central MTM d'un feuillet 1:20 000 (« 73.5 ») ; vide hors de la table. */
QString MeridienMTM(const QString &feuillet);
/** Méridien central UTM d'un feuillet 1:250 000 (« 75 ») ; vide hors de la table. */
QString MeridienUTM(const QString &feuillet);

/** D'où vient la clause d'un fichier source. */
enum class RegleSysteme { Feuillet, Association, Fichier, Choisie, Aucune };

/** La clause d'un fichier source et la règle qui l'a donnée, avec son détail (« 31h05ne, MTM zone
 *  8 », le mot de l'association) ; le détail est vide pour la projection choisie. */
struct OrigineSysteme {
    QString Clause;
    RegleSysteme Regle = RegleSysteme::Choisie;
    QString Detail;
};

/** La même décision que ProjectionFichier, expliquée. */
OrigineSysteme ExpliqueProjection(const QString &chemin, const ReglagesProjection &reglages,
                                  const QList<Association> &associations, const QString &projectionChoisie);
/** Le méridien MTM d'un feuillet : celui de la table, sinon celui de la zone qui contient sa
 *  moitié de carte (feuillet_geometrie.h) ; vide quand aucune zone du Québec ne le contient. */
QString MeridienMTMFeuillet(const QString &feuillet);
/** Le méridien UTM d'une carte : celui de la table, sinon celui de la zone qui la contient. */
QString MeridienUTMFeuillet(const QString &feuillet);
/** La clause Mercator transverse d'un feuillet : MTM (0.9999, 304800) ou UTM (0.9996, 500000). */
QString ClauseFeuillet(bool mtm, bool nad83, const QString &meridien);

/** La clause CoordSys d'un fichier source : le feuillet, puis les associations de mots (dans
 *  l'ordre donné), puis la projection choisie. Jamais vide. */
QString ProjectionFichier(const QString &chemin, const ReglagesProjection &reglages,
                          const QList<Association> &associations, const QString &projectionChoisie);

} // namespace quorvale
