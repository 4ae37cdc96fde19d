#pragma once

#include "avancement.h"
#include "horloge.h"
#include "interface.h"
#include "projections.h"
#include "traitement.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace quorvale {

/** La ligne de commande de quorvale-lot, lue. */
struct ArgumentsLot {
    bool Aide = false;
    int FormatSource = 0;
    int FormatCible = 0;
    QString DossierSource;
    QString DossierCible;
    OptionsTraitement Options;
    std::optional<QString> Projection;
    std::optional<bool> Feuillets, Mtm, Nad83, AssoMots;
    QString Rapport;                    // le fichier CSV du rapport ; vide : aucun
    std::optional<int> DelaiTraducteur; // secondes par appel du traducteur ou de MapInfo, 0 : sans limite
    bool Apercu = false;                // --apercu : ce que le traitement ferait, sans rien écrire
};

/** Lit les arguments (sans le nom du programme) ; erreur reçoit le message en français. */
std::optional<ArgumentsLot> LitArguments(const QStringList &arguments, QString *erreur);
/** Le texte de --help. */
QString AideLot();
/** L'index d'un format d'après sa clé (dxf 1 ... tab 5, sans égard à la casse) ; 0 sinon. */
int IndexFormat(const QString &cle);
/** Les réglages enregistrés, remplacés par ceux que la ligne de commande précise. */
ReglagesProjection ReglagesDuLot(const ReglagesProjection &enregistres, const ArgumentsLot &arguments);

/** Une ligne par fichier source (traduit, ignoré, sans résultat, échec, non traité) et le bilan. */
QString RapportLot(const Bilan &bilan);
/** Le code de sortie : 2 refus, 0 quand chaque fichier non ignoré a donné un résultat, 1 sinon. */
int CodeSortie(const Bilan &bilan);

/** Les messages sur la sortie d'erreur. */
class MessagesTerminal : public Messages {
public:
    explicit MessagesTerminal(FILE *flux = stderr) : flux_(flux) {}
    void Affiche(const QString &texte) override;

private:
    FILE *flux_;
};

/** L'avancement dans un terminal : une barre, le pourcentage et le temps restant, récrits sur une
 *  ligne ; rien quand la sortie n'est pas un terminal. Ctrl+C demande l'annulation (une seconde
 *  fois, il arrête le programme). */
class AvancementTerminal : public Avancement {
public:
    AvancementTerminal(const Horloge &horloge, FILE *flux, bool terminal);
    ~AvancementTerminal() override;

    void AfficheAttente(const QString &message, bool avecJauge) override;
    void AvanceAttente(const QString &message, int pourcentage) override;
    void FermeAttente() override;
    bool Annulation() const override;
    bool Ouverte() const override { return ouverte_; }

    /** La ligne de la barre pour une largeur de terminal. */
    static QString LigneBarre(const QString &message, int pourcentage, double restantMs, int largeur);

private:
    void Dessine();

    const Horloge &horloge_;
    FILE *flux_;
    bool terminal_;
    bool ouverte_ = false;
    bool jauge_ = false;
    bool annulation_ = false;
    int pourcentage_ = 0;
    QString message_;
    QDateTime debut_;
};

/** Le programme entier : lit les arguments, charge l'environnement comme la fenêtre, traduit. */
int Lot(const QStringList &arguments);

} // namespace quorvale
