#pragma once

#include "apercu.h"
#include "traitement.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <functional>

namespace quorvale {

class Projections;

/** La clé d'un état dans le rapport : traduit, ignore, sans_resultat, echec, non_traite. */
QString CleEtat(ResultatFichier::Etat etat);
/** Le nom d'un état pour la fenêtre (« Traduit », « Ignoré »...). */
QString NomEtat(ResultatFichier::Etat etat);
/** La clé d'une règle : feuillet, association, fichier, choisie, aucune. */
QString CleRegle(RegleSysteme regle);
/** Vrai quand la sortie a reçu une clause NonEarth, faute de mieux. */
bool RepliNonEarth(const ResultatFichier &resultat);

/** Les comptes d'un traitement, par état, et les replis sur NonEarth. */
struct Comptes {
    int Traduits = 0, Ignores = 0, SansResultat = 0, Echecs = 0, NonTraites = 0, NonEarth = 0;
};
Comptes CompteBilan(const Bilan &bilan);
/** « 3 traduits, 1 ignoré, 0 sans résultat, 2 échecs, 0 non traité ; 1 sans système de coordonnées (NonEarth) ». */
QString TexteComptes(const Comptes &comptes);

/** Le rapport en CSV : UTF-8, séparateur ";", une ligne d'en-tête, fins de ligne LF ; un champ qui
 *  contient ";", un guillemet ou une fin de ligne est mis entre guillemets (guillemets doublés).
 *  etats, quand il est donné, remplace la clé de l'état de chaque ligne (l'action d'un aperçu). */
QByteArray CsvRapport(const QList<ResultatFichier> &fichiers, const QStringList &etats = {});
/** Écrit le rapport CSV ; le texte de l'erreur quand le fichier ne s'écrit pas, vide sinon. */
QString EcritRapport(const QString &chemin, const QList<ResultatFichier> &fichiers);
/** Écrit un CSV déjà fait, de même. */
QString EcritCsv(const QString &chemin, const QByteArray &csv);

/** La clause donnée à la sortie d'un fichier traduit et la règle qui l'a donnée (et, sans
 *  avertissement déjà noté, celui d'AvertissementSource) : celle du fichier
 *  lui-même (mif, tab, shapefile avec son .prj), celle des feuillets, des associations ou de la
 *  projection choisie pour les sources qui n'en ont pas, aucune pour une destination DXF ou E00.
 *  Lit l'en-tête d'un MIF source pour y prendre sa clause. Une couverture E00 qui garde sa propre
 *  section PRJ (systemePropre vrai, la case cochée) a la règle « fichier » sans clause. */
void NoteSysteme(ResultatFichier &resultat, int codePaire, bool utiliserProjectionFichier,
                 const Projections &projections,
                 const std::function<bool(const QString &source)> &systemePropre = {});
/** L'avertissement d'un fichier traduit que le traitement sait voir lui-même : un MIF sans son MID
 *  (ses objets sans attributs), un jeu de formes sans .dbf ; vide sinon. */
QString AvertissementSource(const ResultatFichier &resultat);

/** Les lignes du rapport pour une vue : une ligne par fichier. Le rôle Qt::UserRole de chaque case
 *  rend l'état (entier), RoleRepli vrai pour une sortie tombée sur NonEarth, pour filtrer. */
class ModeleRapport : public QAbstractTableModel {
public:
    static constexpr int RoleRepli = Qt::UserRole + 1;
    enum Colonne { Source, Etat, Raison, Regle, Systeme, Avertissement, Destination, NombreColonnes };
    explicit ModeleRapport(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
    /** Les fichiers et les deux dossiers du traitement : la vue montre les chemins sous eux (la bulle,
     *  le chemin entier). */
    void Remplit(const QList<ResultatFichier> &fichiers, const QString &dossierSource = {},
                 const QString &dossierCible = {});
    /** Les lignes d'un aperçu : la colonne du résultat dit l'action prévue, que rend Qt::UserRole. */
    void RemplitApercu(const QList<FichierPrevu> &prevus, const QString &dossierSource = {},
                       const QString &dossierCible = {});
    const QList<ResultatFichier> &Fichiers() const { return fichiers_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ResultatFichier> fichiers_;
    QList<ActionPrevue> actions_; // vide hors d'un aperçu
    QString dossierSource_, dossierCible_;
};

} // namespace quorvale
