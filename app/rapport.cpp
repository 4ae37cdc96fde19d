#include "rapport.h"

#include "fichiers.h"
#include "projections.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString ChampCsv(const QString &texte)
{
    if (!texte.contains(u';') && !texte.contains(u'"') && !texte.contains(u'\n') && !texte.contains(u'\r'))
        return texte;
    QString double_ = texte;
    return u'"' + double_.replace(u"\""_s, u"\"\""_s) + u'"';
}

// La clause CoordSys de l'en-tête d'un MIF (avant « Data ») ; vide sans clause.
QString ClauseMif(const QString &source)
{
    QFile f(Resous(source));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // L'en-tête tient en quelques lignes ; on s'arrête à « Data » ou au bout de 64 Ko.
    qint64 lu = 0;
    while (!f.atEnd() && lu < 65536) {
        const QByteArray ligne = f.readLine(4096);
        lu += ligne.size();
        const QString texte = QString::fromLatin1(ligne).trimmed();
        if (texte.startsWith(u"data"_s, Qt::CaseInsensitive))
            break;
        if (texte.startsWith(u"coordsys"_s, Qt::CaseInsensitive))
            return texte;
    }
    return {};
}

// La raison telle que le rapport la donne : un fichier ignoré sans raison l'est parce que sa
// destination existe déjà (la raison vide le distingue, dans le bilan, d'une source protégée).
QString RaisonRapport(const ResultatFichier &r)
{
    if (r.etat == ResultatFichier::Ignore && r.Raison.isEmpty())
        return u"la destination existe déjà"_s;
    return r.Raison;
}

} // namespace

namespace {

struct NomsEtat {
    QString cle, nom;
};

// La clé du CSV et le nom affiché de chaque état.
NomsEtat NomsDeEtat(ResultatFichier::Etat etat)
{
    switch (etat) {
    case ResultatFichier::Traduit: return {u"traduit"_s, u"Traduit"_s};
    case ResultatFichier::Ignore: return {u"ignore"_s, u"Ignoré"_s};
    case ResultatFichier::SansResultat: return {u"sans_resultat"_s, u"Sans résultat"_s};
    case ResultatFichier::Echec: return {u"echec"_s, u"Échec"_s};
    case ResultatFichier::NonTraite: break;
    }
    return {u"non_traite"_s, u"Non traité"_s};
}

} // namespace

QString CleEtat(ResultatFichier::Etat etat)
{
    return NomsDeEtat(etat).cle;
}

QString NomEtat(ResultatFichier::Etat etat)
{
    return NomsDeEtat(etat).nom;
}

QString CleRegle(RegleSysteme regle)
{
    switch (regle) {
    case RegleSysteme::Feuillet: return u"feuillet"_s;
    case RegleSysteme::Association: return u"association"_s;
    case RegleSysteme::Fichier: return u"fichier"_s;
    case RegleSysteme::Choisie: return u"choisie"_s;
    case RegleSysteme::Aucune: break;
    }
    return u"aucune"_s;
}

bool RepliNonEarth(const ResultatFichier &resultat)
{
    return resultat.Systeme.contains(u"NonEarth"_s, Qt::CaseInsensitive);
}

Comptes CompteBilan(const Bilan &bilan)
{
    Comptes c;
    for (const ResultatFichier &r : bilan.Fichiers) {
        switch (r.etat) {
        case ResultatFichier::Traduit: ++c.Traduits; break;
        case ResultatFichier::Ignore: ++c.Ignores; break;
        case ResultatFichier::SansResultat: ++c.SansResultat; break;
        case ResultatFichier::Echec: ++c.Echecs; break;
        case ResultatFichier::NonTraite: ++c.NonTraites; break;
        }
        if (RepliNonEarth(r))
            ++c.NonEarth;
    }
    return c;
}

QString TexteComptes(const Comptes &c)
{
    auto nombre = [](int n, const QString &un, const QString &plusieurs) {
        return u"%1 %2"_s.arg(n).arg(n > 1 ? plusieurs : un);
    };
    QString texte = QStringList{nombre(c.Traduits, u"traduit"_s, u"traduits"_s),
                                nombre(c.Ignores, u"ignoré"_s, u"ignorés"_s),
                                nombre(c.SansResultat, u"sans résultat"_s, u"sans résultat"_s),
                                nombre(c.Echecs, u"échec"_s, u"échecs"_s),
                                nombre(c.NonTraites, u"non traité"_s, u"non traités"_s)}
                        .join(u", "_s);
    if (c.NonEarth > 0)
        texte += u" ; %1 sans système de coordonnées (NonEarth)"_s.arg(c.NonEarth);
    return texte;
}

QByteArray CsvRapport(const QList<ResultatFichier> &fichiers, const QStringList &etats)
{
    QString texte = u"source;destination;etat;raison;systeme;regle;avertissement\n"_s;
    for (qsizetype i = 0; i < fichiers.size(); ++i) {
        const ResultatFichier &r = fichiers[i];
        const QString etat = i < etats.size() ? etats[i] : CleEtat(r.etat);
        texte += QStringList{ChampCsv(r.Source), ChampCsv(r.Destination), etat, ChampCsv(RaisonRapport(r)),
                             ChampCsv(r.Systeme), CleRegle(r.Regle), ChampCsv(r.Avertissement)}
                     .join(u';')
                 + u'\n';
    }
    return texte.toUtf8();
}

QString EcritRapport(const QString &chemin, const QList<ResultatFichier> &fichiers)
{
    return EcritCsv(chemin, CsvRapport(fichiers));
}

QString EcritCsv(const QString &chemin, const QByteArray &csv)
{
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(csv) < 0 || !f.commit())
        return u"Le rapport « %1 » ne peut pas être écrit : %2"_s.arg(chemin, f.errorString());
    return {};
}

void NoteSysteme(ResultatFichier &resultat, int codePaire, bool utiliserProjectionFichier,
                 const Projections &projections,
                 const std::function<bool(const QString &source)> &systemePropre)
{
    resultat.Systeme.clear();
    resultat.DetailRegle.clear();
    resultat.Regle = RegleSysteme::Aucune;
    const int source = codePaire / 10, cible = codePaire % 10;
    // Un dessin DXF ne porte pas de système ; l'E00 écrit n'en reçoit pas du traitement.
    if (resultat.Avertissement.isEmpty())
        resultat.Avertissement = AvertissementSource(resultat);
    if (resultat.etat != ResultatFichier::Traduit || cible == 1 || cible == 2)
        return;
    const bool prjPropre = source == 4 && utiliserProjectionFichier
                           && FichierExiste(ChangeExtension(resultat.Source, u".prj"_s));
    if (source == 3 || source == 5 || prjPropre) {
        resultat.Regle = RegleSysteme::Fichier;
        if (source == 3)
            resultat.Systeme = ClauseMif(resultat.Source);
        else if (prjPropre)
            resultat.DetailRegle = u"son .prj"_s;
        return;
    }
    // La couverture garde sa section PRJ : la tâche ne lui a donné aucune clause.
    if (source == 2 && utiliserProjectionFichier && systemePropre && systemePropre(resultat.Source)) {
        resultat.Regle = RegleSysteme::Fichier;
        resultat.DetailRegle = u"la section PRJ de l'E00"_s;
        return;
    }
    const OrigineSysteme origine = projections.ExpliqueFichier(resultat.Source);
    resultat.Systeme = origine.Clause;
    resultat.Regle = origine.Regle;
    resultat.DetailRegle = origine.Detail;
}

QString AvertissementSource(const ResultatFichier &resultat)
{
    if (resultat.etat != ResultatFichier::Traduit)
        return {};
    const QString ext = resultat.Source.mid(resultat.Source.lastIndexOf(u'.')).toLower();
    if (ext == u".mif"_s && !FichierExiste(ChangeExtension(resultat.Source, u".mid"_s)))
        return u"le MIF n'a pas de fichier MID : ses objets sont traduits sans attributs"_s;
    if (ext == u".shp"_s && !FichierExiste(ChangeExtension(resultat.Source, u".dbf"_s)))
        return u"le jeu de formes n'a pas de fichier .dbf : ses objets sont traduits sans attributs"_s;
    return {};
}

void ModeleRapport::Remplit(const QList<ResultatFichier> &fichiers, const QString &dossierSource,
                            const QString &dossierCible)
{
    beginResetModel();
    fichiers_ = fichiers;
    actions_.clear();
    dossierSource_ = dossierSource;
    dossierCible_ = dossierCible;
    endResetModel();
}

void ModeleRapport::RemplitApercu(const QList<FichierPrevu> &prevus, const QString &dossierSource,
                                  const QString &dossierCible)
{
    QList<ResultatFichier> lignes;
    QList<ActionPrevue> actions;
    for (const FichierPrevu &p : prevus) {
        lignes << p.Ligne;
        actions << p.Action;
    }
    Remplit(lignes, dossierSource, dossierCible);
    beginResetModel();
    actions_ = actions;
    endResetModel();
}

int ModeleRapport::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fichiers_.size());
}

int ModeleRapport::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : NombreColonnes;
}

QVariant ModeleRapport::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= fichiers_.size())
        return {};
    const ResultatFichier &r = fichiers_[index.row()];
    const bool apercu = index.row() < actions_.size();
    if (role == Qt::UserRole)
        return apercu ? int(actions_[index.row()]) : int(r.etat);
    if (role == RoleRepli)
        return RepliNonEarth(r);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // Sous le dossier du traitement (la source est listée en minuscules ASCII) ; la bulle, entier.
    auto sous = [role](const QString &chemin, const QString &dossier) {
        if (role == Qt::ToolTipRole || dossier.isEmpty() || !chemin.startsWith(dossier, Qt::CaseInsensitive))
            return chemin;
        const QString reste = chemin.mid(dossier.size());
        return reste.startsWith(u'/') ? reste.mid(1) : reste;
    };
    switch (index.column()) {
    case Source: return sous(r.Source, dossierSource_);
    case Etat: return apercu ? NomAction(actions_[index.row()]) : NomEtat(r.etat);
    case Destination: return sous(r.Destination, dossierCible_);
    case Raison: return RaisonRapport(r);
    case Systeme: return RepliNonEarth(r) ? u"NonEarth (repli) : "_s + r.Systeme : r.Systeme;
    case Regle:
        switch (r.Regle) {
        case RegleSysteme::Feuillet: return r.DetailRegle;
        case RegleSysteme::Association: return u"association, "_s + r.DetailRegle;
        case RegleSysteme::Fichier:
            return r.DetailRegle.isEmpty() ? u"celui du fichier"_s : u"celui du fichier (%1)"_s.arg(r.DetailRegle);
        case RegleSysteme::Choisie: return u"projection choisie"_s;
        case RegleSysteme::Aucune: break;
        }
        return u"aucun"_s;
    case Avertissement: return r.Avertissement;
    default: return {};
    }
}

QVariant ModeleRapport::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == Etat && !actions_.isEmpty())
        return u"Action prévue"_s;
    static const QStringList titres{u"Source"_s, u"Résultat"_s, u"Raison"_s, u"Règle"_s,
                                    u"Système de coordonnées"_s, u"Avertissement"_s, u"Destination"_s};
    return section >= 0 && section < titres.size() ? QVariant(titres[section]) : QVariant();
}

} // namespace quorvale
