#pragma once

#include "rapport.h"

#include <QDialog>
#include <QSortFilterProxyModel>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace quorvale {

class Messages;

/** Les lignes d'un état choisi (ou celles tombées sur NonEarth) ; tout quand aucun n'est choisi. */
class FiltreRapport : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    /** -1 : tout ; 0 à 4 : un état ; 5 : les replis sur NonEarth. */
    void Choisit(int filtre);

protected:
    bool filterAcceptsRow(int ligne, const QModelIndex &parent) const override;

private:
    int filtre_ = -1;
};

/** « Rapport du traitement » : les comptes, une ligne par fichier (triable, filtrable par résultat)
 *  et « Enregistrer... » en CSV. Non modale : elle reste ouverte à côté de la fenêtre principale. */
class TRapport : public QDialog {
    Q_OBJECT

public:
    TRapport(Messages &messages, QWidget *parent = nullptr);

    /** Montre le bilan d'un traitement et la dernière ligne de la barre d'état. */
    void Montre(const Bilan &bilan, const QString &ligneFinale, const QString &dossierSource = {},
                const QString &dossierCible = {});

    /** Montre un aperçu : le titre le dit, les comptes sont par action prévue, le filtre aussi. */
    void MontreApercu(const Apercu &apercu, const QString &dossierSource, const QString &dossierCible);

    /** Le fichier où enregistrer ; par défaut le dialogue de Qt. Vide : abandon. */
    std::function<QString()> DemandeFichier;

    QLabel *LabelComptes, *LabelDossiers;
    QComboBox *ComboFiltre;
    QTableView *Table;
    QPushButton *ButtonEnregistrer, *ButtonFermer;
    ModeleRapport *Modele;
    FiltreRapport *Filtre;

public slots:
    void ComboFiltreSelect(int index);
    void ButtonEnregistrerClick();

private:
    void Affiche(const QString &comptes, const QString &dossierSource, const QString &dossierCible);
    Messages &messages_;
    std::optional<QList<FichierPrevu>> prevus_; // l'aperçu montré ; rien pour un rapport
};

} // namespace quorvale
