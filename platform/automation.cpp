#include "automation.h"
#include "processus.h"

#include "erreur.h"

#include <QDeadlineTimer>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString EncodeLigneAutomation(const QString &texte)
{
    QString r;
    r.reserve(texte.size() + 8);
    for (const QChar c : texte) {
        if (c == u'\\')
            r += u"\\\\"_s;
        else if (c == u'\n')
            r += u"\\n"_s;
        else if (c == u'\r')
            r += u"\\r"_s;
        else
            r += c;
    }
    return r;
}

QString DecodeLigneAutomation(const QString &ligne)
{
    QString r;
    r.reserve(ligne.size());
    for (qsizetype i = 0; i < ligne.size(); ++i) {
        const QChar c = ligne[i];
        if (c == u'\\' && i + 1 < ligne.size()) {
            const QChar s = ligne[++i];
            r += s == u'n' ? QChar(u'\n') : s == u'r' ? QChar(u'\r') : s;
        } else {
            r += c;
        }
    }
    return r;
}

QStringList DecoupeCommande(const QString &commande)
{
    QStringList parties;
    QString courant;
    bool guillemets = false;
    bool enCours = false;
    for (const QChar c : commande) {
        if (c == u'"') {
            guillemets = !guillemets;
            enCours = true;
        } else if (c.isSpace() && !guillemets) {
            if (enCours)
                parties << courant;
            courant.clear();
            enCours = false;
        } else {
            courant += c;
            enCours = true;
        }
    }
    if (enCours)
        parties << courant;
    return parties;
}

namespace {

class ObjetLocal : public ObjetAutomation {
public:
    ObjetLocal(const QString &progId, const QStringList &commande, int delaiMs) : progId_(progId), delaiMs_(delaiMs)
    {
        processus_.setProgram(commande.first());
        processus_.setArguments(commande.mid(1) << u"-Embedding"_s);
        processus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        processus_.start(QIODevice::ReadWrite);
        if (!processus_.waitForStarted(30000))
            throw Erreur(u"Le serveur d'automation « %1 » ne démarre pas : %2"_s.arg(progId_, processus_.errorString()));
        const QString accueil = LitReponse(u"démarrage"_s);
        if (accueil != u"PRET"_s)
            throw Erreur(u"Le serveur d'automation « %1 » ne répond pas comme prévu : %2"_s.arg(progId_, accueil));
    }

    ~ObjetLocal() override
    {
        if (processus_.state() == QProcess::NotRunning)
            return;
        processus_.write("FIN\n");
        processus_.closeWriteChannel();
        if (!processus_.waitForFinished(5000)) {
            processus_.kill();
            processus_.waitForFinished(2000);
        }
    }

    void EcritPropriete(const QString &nom, bool valeur) override
    {
        Envoie(u"PROPRIETE %1 %2"_s.arg(nom, valeur ? u"1"_s : u"0"_s), nom);
    }

    void Do(const QString &instruction) override { Envoie(u"DO "_s + EncodeLigneAutomation(instruction), instruction); }

    bool Actif() const override { return processus_.state() == QProcess::Running; }

private:
    void Envoie(const QString &requete, const QString &sujet)
    {
        if (processus_.state() != QProcess::Running)
            throw Erreur(u"Le serveur d'automation « %1 » n'est plus actif."_s.arg(progId_));
        processus_.write((requete + u'\n').toUtf8());
        const QString reponse = LitReponse(sujet);
        if (reponse == u"OK"_s)
            return;
        if (reponse.startsWith(u"ERREUR"_s))
            throw Erreur(DecodeLigneAutomation(reponse.mid(7)));
        throw Erreur(u"Réponse inattendue du serveur d'automation « %1 » : %2"_s.arg(progId_, reponse));
    }

    QString LitReponse(const QString &sujet)
    {
        QDeadlineTimer limite = delaiMs_ > 0 ? QDeadlineTimer(delaiMs_) : QDeadlineTimer(QDeadlineTimer::Forever);
        while (!processus_.canReadLine()) {
            if (processus_.state() == QProcess::NotRunning || limite.hasExpired()) {
                const bool mort = processus_.state() == QProcess::NotRunning;
                processus_.kill();
                processus_.waitForFinished(2000);
                throw Erreur(mort ? u"Le serveur d'automation « %1 » s'est arrêté pendant : %2"_s.arg(progId_, sujet)
                                  : u"Le serveur d'automation « %1 » ne répond plus (délai dépassé) : %2"_s.arg(progId_, sujet));
            }
            // Par tranches de 50 ms : les fenêtres se redessinent et « Annuler » répond pendant l'appel.
            processus_.waitForReadyRead(limite.isForever() ? 50 : int(qMin<qint64>(50, qMax<qint64>(1, limite.remainingTime()))));
            PompeMessages();
        }
        QByteArray ligne = processus_.readLine();
        while (ligne.endsWith('\n') || ligne.endsWith('\r'))
            ligne.chop(1);
        return QString::fromUtf8(ligne);
    }

    QString progId_;
    int delaiMs_;
    QProcess processus_;
};

} // namespace

AutomationLocale::AutomationLocale(const Registre &registre, int delaiMs) : registre_(registre), delaiMs_(delaiMs) {}

std::unique_ptr<ObjetAutomation> AutomationLocale::Cree(const QString &progId)
{
    const auto clsid = registre_.LitValeur(progId + u"\\clsid"_s);
    if (!clsid || clsid->isEmpty())
        throw Erreur(u"Classe d'automation non enregistrée : %1"_s.arg(progId));
    auto commande = registre_.LitValeur(u"clsid\\"_s + *clsid + u"\\LocalServer"_s);
    if (!commande)
        commande = registre_.LitValeur(u"clsid\\"_s + *clsid + u"\\LocalServer32"_s);
    const QStringList parties = commande ? DecoupeCommande(*commande) : QStringList();
    if (parties.isEmpty())
        throw Erreur(u"Serveur d'automation introuvable pour : %1"_s.arg(progId));
    return std::make_unique<ObjetLocal>(progId, parties, delaiMs_);
}

} // namespace quorvale
