#pragma once

// Dessin DXF écrit par nous : l'écrivain DXF de GDAL perd tous les attributs et code mal les
// accents. Forme R12 (AC1009), lue par toutes les versions ; attributs en données étendues
// de l'application QUORVALE, un groupe { nom, valeur... } par attribut.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <ogr_geometry.h>

namespace quorvale::ut {

using Attributs = QList<QPair<QString, QString>>;

/** Texte d'une entité TEXT. */
struct TexteDessin {
    QString chaine;
    double hauteur = 1.0;
    double angle = 0.0;
};

class EcrivainDxf {
public:
    /** Ajoute les entités d'une géométrie (ou un TEXT si texte est donné) sur ce calque. */
    void Ajoute(const OGRGeometry &geometrie, const QString &calque, const Attributs &attributs,
                const TexteDessin *texte = nullptr);
    /** Le dessin complet. */
    QByteArray Texte() const;

private:
    void Entete(QByteArray &sortie) const;
    void Donnees(const Attributs &attributs);
    void Polyligne(const OGRSimpleCurve &ligne, bool fermee, const QByteArray &calque, const Attributs &attributs);
    void Paire(int code, const QByteArray &valeur);
    void Nombre(int code, double valeur);

    QByteArray entites_;
    QStringList calques_;
    OGREnvelope etendue_;
};

/** Nom de calque permis : les caractères <>/\":;?*|=' deviennent « _ ». */
QString NomCalque(const QString &nom);

/** Attributs portés par les données étendues d'une entité lue par GDAL (RawCodeValues, "code valeur").
 *  Ceux de QUORVALE sous leur nom ; ceux d'une autre application sous le nom de l'application. */
Attributs AttributsEtendus(const QStringList &codes);

} // namespace quorvale::ut
