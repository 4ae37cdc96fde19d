#include "serveur.h"

#include "automation.h"

#include <QStringList>

#include <exception>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

namespace {

void Repond(std::ostream &sortie, const QString &erreur)
{
    if (erreur.isEmpty())
        sortie << "OK\n";
    else
        sortie << "ERREUR " << EncodeLigneAutomation(erreur).toStdString() << '\n';
    sortie.flush();
}

} // namespace

int Sert(std::istream &entree, std::ostream &sortie, Executeur &executeur)
{
    sortie << "PRET\n";
    sortie.flush();
    std::string brut;
    while (std::getline(entree, brut)) {
        QString ligne = QString::fromUtf8(brut);
        while (ligne.endsWith(u'\r'))
            ligne.chop(1);
        if (ligne == u"FIN"_s)
            break;
        QString erreur;
        try {
            if (ligne.startsWith(u"DO "_s)) {
                erreur = executeur.Execute(DecodeLigneAutomation(ligne.mid(3)));
            } else if (ligne.startsWith(u"PROPRIETE "_s)) {
                const QStringList mots = ligne.mid(10).split(u' ', Qt::SkipEmptyParts);
                if (mots.size() != 2 || !executeur.EcritPropriete(mots[0], mots[1] == u"1"_s))
                    erreur = u"Propriété inconnue : %1"_s.arg(ligne.mid(10));
            } else {
                erreur = u"Requête inconnue : %1"_s.arg(ligne);
            }
        } catch (const std::exception &e) {
            erreur = u"Erreur interne du serveur : %1"_s.arg(QString::fromUtf8(e.what()));
        }
        Repond(sortie, erreur);
    }
    executeur.Libere();
    return 0;
}

} // namespace quorvale::mapinfo
