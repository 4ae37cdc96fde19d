#pragma once

#include "analyse.h"
#include "serveur.h"
#include "tables.h"

#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace quorvale::mapinfo {

/** Les instructions MapBasic que le programme envoie, exécutées sur les tables MapInfo. */
class ExecuteurMapInfo : public Executeur {
public:
    ExecuteurMapInfo();
    /** Le message d'erreur se termine par l'instruction refusée. */
    QString Execute(const QString &instruction) override;
    bool EcritPropriete(const QString &nom, bool valeur) override;
    void Libere() override { tables_.clear(); }

    bool visible() const { return visible_; }
    bool barresProgression() const { return barresProgression_; }
    /** Les noms des tables ouvertes, dans l'ordre d'ouverture. */
    QStringList TablesOuvertes() const;

private:
    QString Execute(const Instruction &instruction);
    QString Importe(const Instruction &i);
    QString OuvreTable(const Instruction &i);
    QString Exporte(const Instruction &i);
    QString Selectionne(const Instruction &i);
    QString Enregistre(const Instruction &i);
    QString Insere(const Instruction &i);
    QString Occupe(const QString &cible) const;
    Table *Trouve(const QString &alias) const;
    QStringList Dependantes(const QString &alias) const;
    void Ferme(const QString &alias);

    void Retient(const QString &chemin, const Table &table);

    std::vector<std::unique_ptr<Table>> tables_;
    // Ce que GDAL perd d'une table vide écrite ici (son système, ses bornes), par chemin canonique.
    struct Memoire {
        std::shared_ptr<OGRSpatialReference> systeme;
        OGREnvelope etendue;
        bool etendueConnue = false;
    };
    std::map<QString, Memoire> ecrites_;
    bool visible_ = true;
    bool barresProgression_ = true;
};

} // namespace quorvale::mapinfo
