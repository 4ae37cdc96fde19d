#pragma once

#include "automation.h"
#include "erreur.h"
#include "horloge.h"
#include "interface.h"
#include "processus.h"
#include "registre.h"

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <optional>

namespace quorvale {

using namespace Qt::Literals::StringLiterals;

/** Registre en mémoire ; les clés se comparent sans égard à la casse. */
struct FauxRegistre : Registre {
    QMap<QString, QString> valeurs; // "clé\nom" en minuscules ; nom vide pour la valeur par défaut
    mutable QStringList lus;
    std::optional<QString> LitValeur(const QString &cle, const QString &nom = {}) const override;
    bool CleExiste(const QString &cle) const override;
    bool EcritValeur(const QString &cle, const QString &nom, const QString &valeur) override;
    bool SupprimeCle(const QString &cle) override;
};

struct FauxReglages : Reglages {
    bool ouvrable = true;
    QMap<QString, bool> valeurs;
    bool Ouvre() override { return ouvrable; }
    std::optional<bool> Lit(const QString &nom) const override;
    void Ecrit(const QString &nom, bool valeur) override { valeurs[nom] = valeur; }
    QMap<QString, QString> textes;
    std::optional<QString> LitTexte(const QString &nom) const override
    {
        return textes.contains(nom) ? std::optional<QString>(textes.value(nom)) : std::nullopt;
    }
    void EcritTexte(const QString &nom, const QString &valeur) override { textes[nom] = valeur; }
};

struct FauxMessages : Messages {
    QStringList vus;
    std::function<void(const QString &)> pendant;
    Reponse reponse = Reponse::Non; // la réponse aux questions, notées dans vus
    Reponse Question(const QString &texte) override
    {
        vus << texte;
        return reponse;
    }
    void Affiche(const QString &texte) override
    {
        vus << texte;
        if (pendant)
            pendant(texte);
    }
};

struct FauxDialogues : Dialogues {
    QStringList fichiers;
    QString fichier;
    QString dossier;
    QStringList demandes;
    QStringList ChoisitFichiers(const QString &description, const QString &motif) override
    {
        demandes << description + u'|' + motif;
        return fichiers;
    }
    QString ChoisitFichier(const QString &titre, const QString &description, const QString &motif,
                           const QString &extension) override
    {
        demandes << titre + u'|' + description + u'|' + motif + u'|' + extension;
        return fichier;
    }
    QString ChoisitDossier(const QString &titre) override
    {
        demandes << titre;
        return dossier;
    }
};

struct FausseAide : Aide {
    QStringList ouverts;
    void AfficheAide(const QString &fichier) override { ouverts << fichier; }
};

/** Horloge réglée à la main ; chaque lecture du compteur peut avancer d'un pas. */
struct FausseHorloge : Horloge {
    mutable quint32 tic = 0;
    quint32 pas = 0;
    QDateTime maintenant = QDateTime(QDate(2026, 1, 1), QTime(8, 0));
    quint32 Tic() const override
    {
        const quint32 t = tic;
        tic += pas;
        return t;
    }
    QDateTime Maintenant() const override { return maintenant; }
};

/** Objet d'automation qui note chaque instruction reçue. */
struct FauxObjetAutomation : ObjetAutomation {
    QStringList *journal;
    std::function<QString(const QString &)> reponse; // texte d'erreur ou vide
    explicit FauxObjetAutomation(QStringList *j) : journal(j) {}
    ~FauxObjetAutomation() override { *journal << u"<libéré>"_s; }
    void EcritPropriete(const QString &nom, bool valeur) override
    {
        *journal << u"%1=%2"_s.arg(nom, valeur ? u"vrai"_s : u"faux"_s);
    }
    void Do(const QString &instruction) override
    {
        *journal << instruction;
        if (reponse) {
            const QString erreur = reponse(instruction);
            if (!erreur.isEmpty())
                throw Erreur(erreur);
        }
    }
};

struct FausseAutomation : Automation {
    QStringList journal;
    bool echoue = false;
    std::function<QString(const QString &)> reponse;
    std::unique_ptr<ObjetAutomation> Cree(const QString &progId) override
    {
        journal << u"<créé %1>"_s.arg(progId);
        if (echoue)
            throw Erreur(u"Classe d'automation non enregistrée : %1"_s.arg(progId));
        auto objet = std::make_unique<FauxObjetAutomation>(&journal);
        objet->reponse = reponse;
        return objet;
    }
};

/** Processus qui note les fichiers de commandes lancés, avec leur contenu, et joue un rôle. */
struct FauxProcessus : Processus {
    QStringList lances;   // chemins
    QStringList contenus; // contenu de chaque fichier au moment du lancement
    std::function<ResultatProcessus(const QString &chemin, const QString &contenu)> action;
    ResultatProcessus ExecuteEtAttend(const QString &fichierCommandes) override;
};

namespace essai {
/** Écrit un fichier d'essai, dossiers compris. */
void Ecrit(const QString &chemin, const QByteArray &contenu = "x");
/** Le contenu d'un fichier, "<absent>" quand il ne se lit pas. */
QByteArray Lit(const QString &chemin);
/** Un export E00 compressé (espaces, "~", fins de ligne et, si nombres, les réels codés), en lignes
 *  de 80, fait ici pour avoir des sources compressées connues à l'octet près. */
QByteArray CompresseE00(const QByteArray &clair, bool nombres);
} // namespace essai

/** Un XDG_CONFIG_HOME et un TMPDIR propres, rétablis à la destruction. */
class EnvironnementIsole {
public:
    EnvironnementIsole();
    ~EnvironnementIsole();
    QString configuration() const;
    QString temporaire() const;

private:
    QTemporaryDir dossier_;
    QByteArray ancienneConfig_, ancienTemp_;
};

} // namespace quorvale
