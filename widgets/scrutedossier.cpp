#include "scrutedossier.h"

#include "fichiers.h"
#include "processus.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

// Les messages de la fenêtre sont traités au plus toutes les 20 ms : la fenêtre reste vive sans
// que chaque fichier ou dossier d'une grande arborescence paie un tour de la boucle d'événements
// (ni une lecture de l'horloge : elle n'est lue qu'une fois sur 64).
void PompeParfois()
{
    static QElapsedTimer chrono;
    static unsigned appels = 0;
    if ((++appels & 63) != 0 && chrono.isValid())
        return;
    if (!chrono.isValid() || chrono.elapsed() >= 20) {
        PompeMessages();
        chrono.start();
    }
}

// Le dossier à lire pour un préfixe de chemin : "" est la racine (le départ était "/").
QString ALire(const QString &prefixe)
{
    return prefixe.isEmpty() ? u"/"_s : prefixe;
}

} // namespace

void TScruteDossier::LitAttributs() const
{
    if (attributsLus_)
        return;
    attributsLus_ = true;
    const QFileInfo info(Resous(fichier_));
    taille_ = info.exists() ? info.size() : 0;
    date_ = info.exists() ? QDateTime::fromSecsSinceEpoch(info.lastModified().toSecsSinceEpoch(), Qt::UTC) : QDateTime();
}

qint64 TScruteDossier::TailleFichier() const
{
    LitAttributs();
    return taille_;
}

QDateTime TScruteDossier::DateFichier() const
{
    LitAttributs();
    return date_;
}

void TScruteDossier::Execute()
{
    if (OnExecute)
        OnExecute(*this);
    Arret = false;
    fichier_.clear();
    dossier_.clear();
    attributsLus_ = true;
    taille_ = 0;
    date_ = {};
    vus_.clear();
    // Un dossier vide ne désigne rien : on ne part pas de la racine par accident.
    if (!Dossier.isEmpty()) {
        QStringList ancetres;
        const QString depart = Dossier.endsWith(u'/') ? Dossier.chopped(1) : Dossier;
        Parcourt(Dossier, QFileInfo(Resous(ALire(depart))).canonicalFilePath(), 0, ancetres);
    }
    if (OnFinExecute)
        OnFinExecute(*this);
}

void TScruteDossier::Parcourt(const QString &dossier, const QString &reel, int profondeur, QStringList &ancetres)
{
    if (MaxPenetration >= 0 && profondeur > MaxPenetration)
        return;
    profondeur_ = profondeur;
    QString f = dossier;
    if (f.endsWith(u'/'))
        f.chop(1);

    // Une seule lecture du dossier, sans les attributs des fichiers : leur type vient de la liste.
    bool lu = true;
    QStringList invalides;
    const QList<EntreeDossier> entrees = ChercheNoms(ALire(f), u"*"_s, &lu, OnIllisible ? &invalides : nullptr);
    if (OnIllisible) {
        if (!lu)
            OnIllisible(ALire(f), u"le dossier ne peut pas être lu"_s);
        for (const QString &nom : std::as_const(invalides))
            OnIllisible(f + u'/' + nom, u"le nom n'est pas valide dans l'encodage de la session ; il n'est pas traduit"_s);
    }
    if (!reel.isEmpty())
        vus_.insert(reel);
    PasseFichiers(f, entrees);

    // Un lien symbolique vers un dossier parent ferait tourner le parcours sans fin.
    ancetres.push_back(reel);
    for (const EntreeDossier &e : entrees) {
        if (Arret)
            break;
        if (!e.dossier)
            continue;
        const QString s = f + u'/' + e.nom;
        dossier_ = s;
        if (OnDossier)
            OnDossier(*this, s);
        if (SousDossier && !Arret) {
            // Le chemin réel d'un vrai sous-dossier prolonge celui de son parent ; seul un lien se résout.
            const QString canon = e.lien || reel.isEmpty() ? QFileInfo(Resous(s)).canonicalFilePath()
                                                           : (reel.endsWith(u'/') ? reel : reel + u'/') + e.nom;
            if (!canon.isEmpty() && !ancetres.contains(canon) && !vus_.contains(canon)) {
                Parcourt(s, canon, profondeur + 1, ancetres);
                profondeur_ = profondeur;
            }
        }
        PompeParfois();
    }
    ancetres.pop_back();
}

void TScruteDossier::PasseFichiers(const QString &f, const QList<EntreeDossier> &entrees)
{
    QString motifs = Filtre;
    while (!motifs.isEmpty()) {
        const qsizetype pv = motifs.indexOf(u';');
        const QString motif = pv < 0 ? motifs : motifs.left(pv);
        // Un motif vide ou qui contient un dossier ne trouve rien.
        if (!motif.contains(u'/')) {
            for (const EntreeDossier &e : entrees) {
                if (Arret)
                    break;
                PompeParfois();
                if (e.dossier || !OnFichier || !CorrespondMotif(e.nom, motif))
                    continue;
                QString n;
                n.reserve(f.size() + 1 + e.nom.size());
                n.append(f).append(u'/').append(e.nom);
                fichier_ = n;
                attributsLus_ = false;
                OnFichier(*this, n);
            }
        }
        motifs = pv < 0 ? QString() : motifs.mid(pv + 1);
    }
}

} // namespace quorvale
