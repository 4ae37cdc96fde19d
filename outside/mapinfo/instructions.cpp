#include "instructions.h"

#include "fichiers.h"

#include <QFileInfo>

#include <gdal_priv.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

namespace {

QString NonOuverte(const QString &alias)
{
    return u"La table %1 n'est pas ouverte."_s.arg(alias);
}

bool MemeFichier(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Les lignes de la source ajoutées à la cible, colonne par colonne dans l'ordre.
void AjouteLignes(const Table &source, Table &cible)
{
    const int n = source.colonnes->GetFieldCount();
    std::vector<int> identite(std::max(n, 1));
    for (int k = 0; k < n; ++k)
        identite[k] = k;
    const size_t nombre = source.lignes.size(); // une table insérée dans elle-même ne double qu'une fois
    for (size_t k = 0; k < nombre; ++k) {
        OGRFeatureUniquePtr ligne(new OGRFeature(cible.colonnes));
        ligne->SetFrom(source.lignes[k].get(), identite.data(), TRUE);
        ligne->SetFID(OGRNullFID);
        cible.lignes.push_back(std::move(ligne));
    }
}

} // namespace

ExecuteurMapInfo::ExecuteurMapInfo()
{
    GDALAllRegister();
}

QString ExecuteurMapInfo::Execute(const QString &instruction)
{
    const Analyse a = AnalyseInstruction(instruction);
    const QString erreur = a.valide() ? Execute(a.instruction) : a.erreur;
    if (erreur.isEmpty())
        return {};
    return erreur + u"\nInstruction : "_s + instruction;
}

QString ExecuteurMapInfo::Execute(const Instruction &i)
{
    switch (i.genre) {
    case Instruction::Genre::Importe:
        return Importe(i);
    case Instruction::Genre::OuvreTable:
        return OuvreTable(i);
    case Instruction::Genre::Exporte:
        return Exporte(i);
    case Instruction::Genre::Selectionne:
        return Selectionne(i);
    case Instruction::Genre::Enregistre:
        return Enregistre(i);
    case Instruction::Genre::FermeTable:
        if (!Trouve(i.table))
            return NonOuverte(i.table);
        Ferme(i.table);
        return {};
    case Instruction::Genre::FermeTout:
        tables_.clear();
        return {};
    case Instruction::Genre::Insere:
        return Insere(i);
    case Instruction::Genre::BarresProgression:
        barresProgression_ = i.actif;
        return {};
    }
    return u"Instruction non reconnue."_s;
}

QString ExecuteurMapInfo::Importe(const Instruction &i)
{
    const QString source = Resous(i.chemin);
    if (!FichierExiste(source))
        return u"Le fichier %1 n'existe pas."_s.arg(i.chemin);
    const QString cible = Resous(i.cible.isEmpty() ? ChangeExtension(i.chemin, u".tab"_s) : i.cible);
    if (!cible.endsWith(u".tab"_s, Qt::CaseInsensitive))
        return u"La table à créer doit porter l'extension .tab : %1"_s.arg(cible);
    if (MemeFichier(source, cible))
        return u"La table à créer ne peut remplacer le fichier importé : %1"_s.arg(cible);
    if (const QString occupe = Occupe(cible); !occupe.isEmpty())
        return occupe;
    QString erreur;
    const auto table = ChargeTable(source, AliasDeChemin(source), erreur);
    if (!table)
        return erreur;
    erreur = EcritTable(*table, cible, false, table->jeu);
    if (erreur.isEmpty())
        Retient(cible, *table);
    return erreur;
}

QString ExecuteurMapInfo::OuvreTable(const Instruction &i)
{
    const QString chemin = Resous(i.chemin);
    if (!FichierExiste(chemin))
        return u"Le fichier %1 n'existe pas."_s.arg(i.chemin);
    const QString alias = i.nom.isEmpty() ? AliasDeChemin(i.chemin) : i.nom;
    if (alias.isEmpty())
        return u"Le fichier %1 ne donne pas de nom de table."_s.arg(i.chemin);
    if (Trouve(alias))
        return u"La table %1 est déjà ouverte."_s.arg(alias);
    QString erreur;
    auto table = ChargeTable(chemin, alias, erreur);
    if (!table)
        return erreur;
    // GDAL relit une table vide sans son système de coordonnées : on le reprend de l'écriture.
    const auto memoire = ecrites_.find(QFileInfo(chemin).canonicalFilePath());
    if (table->lignes.empty() && memoire != ecrites_.end()) {
        if (!table->systeme && memoire->second.systeme)
            table->systeme.reset(memoire->second.systeme->Clone());
        if (!table->etendueConnue && memoire->second.etendueConnue) {
            table->etendue = memoire->second.etendue;
            table->etendueConnue = true;
        }
    }
    tables_.push_back(std::move(table));
    return {};
}

QString ExecuteurMapInfo::Exporte(const Instruction &i)
{
    const Table *table = Trouve(i.table);
    if (!table)
        return NonOuverte(i.table);
    const QString cible = Resous(i.chemin);
    if (!cible.endsWith(u".mif"_s, Qt::CaseInsensitive))
        return u"Le fichier d'échange doit porter l'extension .mif : %1"_s.arg(cible);
    if (const QString occupe = Occupe(cible); !occupe.isEmpty())
        return occupe;
    return EcritTable(*table, cible, true, table->jeu);
}

QString ExecuteurMapInfo::Selectionne(const Instruction &i)
{
    const Table *table = Trouve(i.table);
    if (!table)
        return NonOuverte(i.table);
    if (const Table *existante = Trouve(i.nom)) {
        // Une requête du même nom est remplacée, comme MapInfo le fait ; une table de base, jamais,
        // ni la requête dont on tire la nouvelle.
        if (!existante->chemin.isEmpty() || Dependantes(i.nom).contains(table->alias, Qt::CaseInsensitive))
            return u"La table %1 est déjà ouverte."_s.arg(i.nom);
        Ferme(i.nom);
    }
    auto requete = table->CopieVide(i.nom);
    requete->base = table->alias;
    const int n = table->colonnes->GetFieldCount();
    std::vector<int> identite(std::max(n, 1));
    for (int k = 0; k < n; ++k)
        identite[k] = k;
    // RowID compte les lignes à partir de 1 ; RowID = 0 ne retient rien.
    for (size_t k = 0; k < table->lignes.size(); ++k) {
        if (i.ligne >= 0 && static_cast<long long>(k) + 1 != i.ligne)
            continue;
        OGRFeatureUniquePtr ligne(new OGRFeature(requete->colonnes));
        ligne->SetFrom(table->lignes[k].get(), identite.data(), TRUE);
        requete->lignes.push_back(std::move(ligne));
    }
    tables_.push_back(std::move(requete));
    return {};
}

QString ExecuteurMapInfo::Enregistre(const Instruction &i)
{
    const Table *table = Trouve(i.table);
    if (!table)
        return NonOuverte(i.table);
    const QString chemin = i.chemin.isEmpty() ? table->chemin : i.chemin;
    if (chemin.isEmpty())
        return u"La table %1 est une requête : précisez le fichier à écrire (As)."_s.arg(i.table);
    if (!chemin.endsWith(u".tab"_s, Qt::CaseInsensitive))
        return u"Une table native doit porter l'extension .tab : %1"_s.arg(chemin);
    const QString cible = Resous(chemin);
    if (const QString occupe = Occupe(cible); !occupe.isEmpty())
        return occupe;
    const QString erreur = EcritTable(*table, cible, false, i.jeu.isEmpty() ? table->jeu : i.jeu);
    if (erreur.isEmpty())
        Retient(cible, *table);
    return erreur;
}

void ExecuteurMapInfo::Retient(const QString &chemin, const Table &table)
{
    Memoire m;
    if (table.systeme)
        m.systeme.reset(table.systeme->Clone());
    m.etendue = table.etendue;
    m.etendueConnue = table.etendueConnue;
    ecrites_[QFileInfo(chemin).canonicalFilePath()] = m;
}

QString ExecuteurMapInfo::Insere(const Instruction &i)
{
    Table *cible = Trouve(i.table);
    if (!cible)
        return NonOuverte(i.table);
    const Table *source = Trouve(i.source);
    if (!source)
        return NonOuverte(i.source);
    const int nc = cible->colonnes->GetFieldCount();
    const int ns = source->colonnes->GetFieldCount();
    if (nc != ns)
        return u"Les colonnes de la table %1 (%2) ne correspondent pas à celles de la table %3 (%4)."_s
            .arg(source->alias, QString::number(ns), cible->alias, QString::number(nc));
    AjouteLignes(*source, *cible);
    return {};
}

QString ExecuteurMapInfo::Occupe(const QString &cible) const
{
    // Comme MapInfo, on ne remplace pas le fichier d'une table ouverte : c'est aussi ce qui garde
    // les fichiers sources intacts.
    for (const auto &t : tables_)
        if (!t->chemin.isEmpty() && MemeFichier(t->chemin, cible))
            return u"La table %1 est ouverte : son fichier %2 ne peut être remplacé."_s.arg(t->alias, cible);
    return {};
}

Table *ExecuteurMapInfo::Trouve(const QString &alias) const
{
    for (const auto &t : tables_)
        if (t->alias.compare(alias, Qt::CaseInsensitive) == 0)
            return t.get();
    return nullptr;
}

QStringList ExecuteurMapInfo::Dependantes(const QString &alias) const
{
    QStringList noms{alias};
    for (qsizetype k = 0; k < noms.size(); ++k)
        for (const auto &t : tables_)
            if (t->base.compare(noms[k], Qt::CaseInsensitive) == 0 && !noms.contains(t->alias, Qt::CaseInsensitive))
                noms << t->alias;
    return noms;
}

void ExecuteurMapInfo::Ferme(const QString &alias)
{
    // Les requêtes tirées de la table se ferment avec elle.
    const QStringList aFermer = Dependantes(alias);
    tables_.erase(std::remove_if(tables_.begin(), tables_.end(),
                                 [&](const std::unique_ptr<Table> &t) { return aFermer.contains(t->alias, Qt::CaseInsensitive); }),
                  tables_.end());
}

QStringList ExecuteurMapInfo::TablesOuvertes() const
{
    QStringList noms;
    for (const auto &t : tables_)
        noms << t->alias;
    return noms;
}

bool ExecuteurMapInfo::EcritPropriete(const QString &nom, bool valeur)
{
    if (nom.compare(u"visible"_s, Qt::CaseInsensitive) != 0)
        return false;
    visible_ = valeur;
    return true;
}

} // namespace quorvale::mapinfo
