#pragma once

#include "avancement.h"
#include "estimation.h"
#include "horloge.h"

#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quorvale {

class AvancementFenetre;

/** « Avancement » : message, jauge de 0 à 100 dessinée par sa largeur, temps restant, « Annuler ». */
class TFAttente : public QWidget {
    Q_OBJECT

public:
    TFAttente(AvancementFenetre &unite, QWidget *parent = nullptr);

    QTimer *timEstimation;
    QProgressBar *pbattente;
    QLabel *lmsg;
    QLabel *lEstimation;
    QPushButton *Button1;
    QFrame *Shape1, *Shape2, *Shape3, *Shape4;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    /** Le moment de la dernière ouverture. */
    QDateTime Debut;

public slots:
    void Button1Click();
    void timEstimationTimer();

protected:
    /** FormClose : la case de fermeture (ou Alt+F4) demande l'annulation ; la fenêtre le montre et
     *  reste ouverte jusqu'à la fin du fichier en cours. */
    void closeEvent(QCloseEvent *evenement) override;
    void keyPressEvent(QKeyEvent *evenement) override;

private:
    /** « Annulation demandée… » à la place du temps restant, « Annuler » grisé. */
    void MontreAnnulation();
    AvancementFenetre &unite_;
};

/** L'unité de la fenêtre d'avancement : au plus une fenêtre, créée à la première ouverture et
 *  détruite à la fermeture ; le drapeau d'annulation et le dernier pourcentage accepté. */
class AvancementFenetre : public Avancement {
public:
    /** principale : la fenêtre sur laquelle l'avancement se centre et dont la police sert à
     *  raccourcir les chemins ; peut être nulle. */
    explicit AvancementFenetre(const Horloge &horloge, QWidget *principale = nullptr);
    ~AvancementFenetre() override;

    void AfficheAttente(const QString &message, bool avecJauge) override;
    void AvanceAttente(const QString &message, int pourcentage) override;
    void FermeAttente() override;
    bool Annulation() const override { return annulation_; }
    bool Ouverte() const override { return !FAttente.isNull(); }
    /** Le chemin tenu dans 280 pixels de la police de la fenêtre principale, "..." à la place des
     *  premiers dossiers ; le nom de fichier est gardé. */
    QString AbregeChemin(const QString &chemin) const override;

    void DemandeAnnulation() { annulation_ = true; }
    const Horloge &horloge() const { return horloge_; }

    QPointer<TFAttente> FAttente;
    int DernierPourcentage = 0;

private:
    const Horloge &horloge_;
    QPointer<QWidget> principale_;
    bool annulation_ = false;
};

/** Le chemin raccourci par le début (dossiers remplacés par "...") pour tenir en largeur ; la
 *  largeur d'un texte est donnée par mesure. */
QString AbregeSelonLargeur(const QString &chemin, int largeur, const std::function<int(const QString &)> &mesure);

} // namespace quorvale
