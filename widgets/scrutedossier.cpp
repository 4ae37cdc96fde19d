#include "scrutedossier.h"

#include "fichiers.h"
#include "processus.h"

#include <QFileInfo>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

// Le dossier à lire pour un préfixe de chemin : "" est la racine (le départ était "/").
QString ALire(const QString &prefixe)
{
    return prefixe.isEmpty() ? u"/"_s : prefixe;
}

} // namespace

void TScruteDossier::Execute()
{
    if (OnExecute)
        OnExecute(*this);
    Arret = false;
    fichier_.clear();
    dossier_.clear();
    taille_ = 0;
    date_ = {};
    // Un dossier vide ne désigne rien : on ne part pas de la racine par accident.
    if (!Dossier.isEmpty()) {
        QStringList ancetres;
        Parcourt(Dossier, 0, ancetres);
    }
    if (OnFinExecute)
        OnFinExecute(*this);
}

void TScruteDossier::Parcourt(const QString &dossier, int profondeur, QStringList &ancetres)
{
    if (MaxPenetration >= 0 && profondeur > MaxPenetration)
        return;
    profondeur_ = profondeur;
    QString f = dossier;
    if (f.endsWith(u'/'))
        f.chop(1);

    PasseFichiers(f);

    // Un lien symbolique vers un dossier parent ferait tourner le parcours sans fin.
    const QString reel = QFileInfo(Resous(ALire(f))).canonicalFilePath();
    ancetres.push_back(reel);
    const QList<EntreeDossier> entrees = ChercheDossier(ALire(f), u"*.*"_s);
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
            const QString canon = QFileInfo(Resous(s)).canonicalFilePath();
            if (!canon.isEmpty() && !ancetres.contains(canon)) {
                Parcourt(s, profondeur + 1, ancetres);
                profondeur_ = profondeur;
            }
        }
        PompeMessages();
    }
    ancetres.pop_back();
}

void TScruteDossier::PasseFichiers(const QString &f)
{
    QString motifs = Filtre;
    while (!motifs.isEmpty()) {
        const qsizetype pv = motifs.indexOf(u';');
        const QString motif = pv < 0 ? motifs : motifs.left(pv);
        // Un motif vide ou qui contient un dossier ne trouve rien.
        if (!motif.contains(u'/')) {
            const QList<EntreeDossier> entrees = ChercheDossier(ALire(f), motif);
            for (const EntreeDossier &e : entrees) {
                if (Arret)
                    break;
                PompeMessages();
                if (e.dossier || !OnFichier)
                    continue;
                const QString n = f + u'/' + e.nom;
                fichier_ = n;
                taille_ = e.taille;
                date_ = e.date;
                OnFichier(*this, n);
            }
        }
        motifs = pv < 0 ? QString() : motifs.mid(pv + 1);
    }
}

} // namespace quorvale
