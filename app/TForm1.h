#pragma once

#include "choix.h"
#include "services.h"
#include "traitement.h"

#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

namespace quorvale {
class AvancementFenetre;
class ProjectionsFixes;
class TRapport;
} // namespace quorvale

namespace Ui {
class TForm1;
}

#include <QDialog>

namespace quorvale {

/** La fenêtre principale : les choix de source et de destination, les boutons et la barre d'état. */
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(Services &services, QWidget *parent = nullptr);
    ~TForm1() override;

    /** Les vérifications du démarrage ; faux (après son unique message) quand le programme doit finir. */
    bool FormCreate();
    /** L'aide en français, à côté de l'exécutable. */
    void AfficheAide();

    Choix &choix() { return choix_; }
    Ui::TForm1 *ui() const { return ui_.get(); }
    QLabel *Panneau(int i) const { return i == 0 ? panneau0_ : panneau1_; }
    QStatusBar *StatusBar1() const { return statusBar_; }

    /** Les fenêtres montrées par « À propos... » et « Projection ... ». */
    void setAboutBox(QDialog *boite) { aboutBox_ = boite; }
    void setFormeProjection(QDialog *forme) { formeProjection_ = forme; }
    /** Les systèmes de coordonnées que lit le traitement (le dialogue des projections) ; sans eux,
     *  la projection choisie et les réglages de départ. */
    void setProjections(const Projections *projections) { projections_ = projections; }
    /** La fenêtre d'avancement et son drapeau d'annulation. */
    AvancementFenetre &FenetreAttente() { return *avancement_; }
    /** Les cases et le champ que lit le traitement. */
    OptionsTraitement Options() const;
    /** Le compte rendu du dernier traitement. */
    const Bilan &DernierBilan() const { return bilan_; }
    /** Appelé à la fermeture de la fenêtre, avant qu'elle ne se ferme (la fenêtre d'avancement). */
    void setFermeture(std::function<void()> fermeture) { fermeture_ = std::move(fermeture); }
    /** Vrai pendant un traitement : la barre d'état ne suit plus l'aide des contrôles. */
    void setOccupe(bool occupe) { occupe_ = occupe; }
    /** La fenêtre du rapport du dernier traitement ; nulle avant le premier. */
    TRapport *Rapport() const { return rapport_.get(); }
    /** La fenêtre du dernier aperçu ; nulle avant le premier. */
    TRapport *FenetreApercu() const { return apercu_.get(); }
    /** Remet les formats, les trois champs et les cases tels qu'au dernier départ. */
    void LitChoixRetenus();
    /** Retient les formats, les trois champs et les cases pour le prochain départ. */
    void RetientChoix() const;

public slots:
    void ComboBox1Select(int index);
    void ComboBox2Select(int index);
    void Edit2Change(const QString &texte);
    void Edit3Change(const QString &texte);
    void Button1Click();
    void Button2Click();
    void Button7Click();
    void Button4Click();
    void Button8Click();
    void Button9Click();
    void Button5Click();
    void Button3Click();
    /** « Aperçu… » : ce que « Traduire » fera de chaque fichier, sans rien écrire. */
    void Button10Click();

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override;
    /** Un dialogue modal à sa dernière place, ou centré sur la fenêtre principale. */
    void OuvreDialogue(QDialog *dialogue);
    /** Un dépôt sur la source (fichiers ou dossier) ou sur la destination (dossier). */
    void Depose(bool source, const QStringList &chemins);
    void closeEvent(QCloseEvent *evenement) override;

private:
    Services &services_;
    std::unique_ptr<Ui::TForm1> ui_;
    Choix choix_;
    QStatusBar *statusBar_;
    QLabel *panneau0_;
    QLabel *panneau1_;
    QPointer<QDialog> aboutBox_;
    QPointer<QDialog> formeProjection_;
    std::unique_ptr<AvancementFenetre> avancement_;
    std::unique_ptr<ProjectionsFixes> projectionsParDefaut_;
    const Projections *projections_ = nullptr;
    Bilan bilan_;
    std::function<void()> fermeture_;
    bool occupe_ = false;
    // La fenêtre fermée pendant un traitement : il s'annule, puis la fenêtre se ferme.
    bool fermerApresTraitement_ = false;
    // La dernière ligne d'un traitement reste dans la barre d'état jusqu'au suivant.
    bool ligneFinaleGardee_ = false;
    std::unique_ptr<TRapport> rapport_;
    std::unique_ptr<TRapport> apercu_;
    /** Active ou désactive les contrôles de la fenêtre pendant un traitement ou un aperçu. */
    void ActiveControles(bool actifs);
    /** Place une fenêtre de rapport à côté de la fenêtre principale, sur l'écran. */
    void PlaceACote(QWidget *fenetre);
};

/** Les chemins locaux d'une liste d'adresses déposées (file://) ; les autres sont laissés. */
QStringList CheminsDeposes(const QList<QUrl> &adresses);

/** Le texte de Edit1 après un choix de fichiers : noms sans dossier ni extension, joints par ";". */
QString NomsChoisis(const QStringList &fichiers);
/** Le dossier du premier fichier choisi, terminé par "/". */
QString DossierChoisi(const QStringList &fichiers);

} // namespace quorvale
