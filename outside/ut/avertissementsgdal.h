#pragma once

// Les avertissements de GDAL pendant une traduction (valeur coupée à la largeur de sa colonne,
// caractère perdu au recodage, nombre lu à moitié) : ceux qui disent un changement des données,
// en français, sans doublon, pour le résultat du fichier. Les autres (remarques sur les options,
// les pilotes) ne disent rien à l'utilisateur et sont tus.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quorvale::ut {

// Le texte français d'un avertissement de GDAL, sans le texte de GDAL ; rien s'il est à taire.
std::optional<QString> AvertissementGdalEnFrancais(const QString &gdal);

class AvertissementsGdal {
public:
    void Oublie();
    void Note(const char *message);
    // Au plus trois lignes « français (GDAL : …) », la dernière suivie de « (et N autres) ».
    QStringList Lignes() const;

private:
    struct Entree {
        QString francais;
        QString gdal;
        qsizetype fois = 0;
    };
    std::vector<Entree> entrees_;
    qsizetype autres_ = 0; // au-delà des entrées gardées
};

} // namespace quorvale::ut
