#pragma once

#include <QString>

#include <ogr_feature.h>
#include <ogr_spatialref.h>

#include <memory>
#include <vector>

namespace quorvale::mapinfo {

/** Une table ouverte, tenue en mémoire : ses colonnes, ses lignes, son système de coordonnées. */
struct Table {
    Table() = default;
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    QString alias;
    QString chemin;   // le fichier lu ; vide pour une table de requête
    QString base;     // table de requête : l'alias de la table dont elle est tirée
    QString jeu;      // le jeu de caractères à l'écriture (WindowsLatin1, WindowsCyrillic, UTF-8 ...)
    OGRFeatureDefn *colonnes = nullptr; // référencé ; les lignes s'y rapportent
    std::unique_ptr<OGRSpatialReference> systeme; // absent : table sans système
    std::vector<OGRFeatureUniquePtr> lignes;
    // L'étendue des données d'origine : les bornes d'une table vide qui en est tirée.
    OGREnvelope etendue;
    bool etendueConnue = false;

    /** Une table vide avec les mêmes colonnes, le même système et le même jeu. */
    std::unique_ptr<Table> CopieVide(const QString &nouvelAlias) const;
};

/** Le codage iconv d'un jeu de caractères MapInfo connu de GDAL ; vide pour Neutral ou inconnu. */
QString CodageDeJeu(const QString &jeu);
/** Le jeu de caractères déclaré dans l'en-tête d'un .tab ou d'un .mif ; "Neutral" s'il n'y en a pas. */
QString JeuDeFichier(const QString &chemin);

/** Lit une table MapInfo (.tab ou .mif, chemin déjà résolu) ; nullptr et le message en cas d'échec. */
std::unique_ptr<Table> ChargeTable(const QString &chemin, const QString &alias, QString &erreur);

/** Écrit la table au chemin (déjà résolu), en .mif/.mid ou en table native selon mif, dans le jeu
 *  donné. Tout s'écrit d'abord sous un nom provisoire du même dossier, puis se renomme : la table
 *  finale n'est jamais à moitié écrite. Rend le message d'erreur, vide si elle est écrite. */
QString EcritTable(const Table &table, const QString &chemin, bool mif, const QString &jeu);

} // namespace quorvale::mapinfo
