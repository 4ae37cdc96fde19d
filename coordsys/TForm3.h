#pragma once

#include "assomots.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace quorvale {

class Dialogues;
class Messages;

/** « Associations de mots à une projection » : la liste est la référence vivante que lit le
 *  traitement, enregistrée seulement par « Enregistrer ». */
class TForm3 : public QDialog {
    Q_OBJECT

public:
    /** dossier : celui de l'exécutable, d'où se déduit l'emplacement de AssoMots.txt. */
    TForm3(Messages &messages, Dialogues &dialogues, const QString &dossier, QWidget *parent = nullptr);

    /** Charge AssoMots.txt (créé vide s'il manque). */
    void FormCreate();
    /** Montre le dialogue pour la projection courante du dialogue des projections. */
    void Affiche(const QString &projectionCourante, const QString &parametresCourants);

    /** Les associations dans l'ordre affiché. */
    QList<Association> Associations() const;
    int ColonneTri = 0;

    QLabel *LabelProjection;
    QPlainTextEdit *Memo1;
    QPushButton *ButtonOuvrir, *ButtonAjouter, *ButtonEffacer, *ButtonEnregistrer, *ButtonFermer;
    QTreeWidget *ListView1;

public slots:
    void OuvrirClick();
    void AjouterClick();
    void EffacerClick();
    void EnregistrerClick();
    void ListView1ColumnClick(int colonne);

    /** Fermer avec des changements non enregistrés demande s'il faut les enregistrer. */
    void reject() override;

private:
    void Remplit(const QList<Association> &associations);
    /** Écrit AssoMots.txt ; faux (après le message) quand il ne s'écrit pas. */
    bool Enregistre();
    QList<Association> enregistrees_; // telles qu'au dernier chargement ou enregistrement

    Messages &messages_;
    Dialogues &dialogues_;
    EmplacementAssoMots emplacement_;
    QString projectionCourante_;
    QString parametresCourants_;
};

} // namespace quorvale
