#include "TRapport.h"

#include "interface.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

void FiltreRapport::Choisit(int filtre)
{
    filtre_ = filtre;
    invalidateFilter();
}

bool FiltreRapport::filterAcceptsRow(int ligne, const QModelIndex &parent) const
{
    if (filtre_ < 0)
        return true;
    const QModelIndex i = sourceModel()->index(ligne, 0, parent);
    if (filtre_ == 5)
        return i.data(ModeleRapport::RoleRepli).toBool();
    return i.data(Qt::UserRole).toInt() == filtre_;
}

TRapport::TRapport(Messages &messages, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      messages_(messages)
{
    setObjectName(u"FRapport"_s);
    setWindowTitle(u"Rapport du traitement"_s);
    setModal(false);

    LabelComptes = new QLabel(this);
    LabelComptes->setObjectName(u"LabelComptes"_s);
    LabelComptes->setWordWrap(true);
    LabelDossiers = new QLabel(this);
    LabelDossiers->setObjectName(u"LabelDossiers"_s);
    LabelDossiers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ComboFiltre = new QComboBox(this);
    ComboFiltre->setObjectName(u"ComboFiltre"_s);
    // Dans l'ordre des états, puis les replis : l'entrée i + 1 montre l'état i.
    const QStringList entrees{u"Tous les fichiers"_s, u"Traduits"_s, u"Ignorés"_s, u"Sans résultat"_s, u"Échecs"_s,
                              u"Non traités"_s, u"Sans système de coordonnées (NonEarth)"_s};
    for (int i = 0; i < entrees.size(); ++i)
        ComboFiltre->addItem(entrees[i], i - 1);
    Modele = new ModeleRapport(this);
    Filtre = new FiltreRapport(this);
    Filtre->setSourceModel(Modele);
    Filtre->setSortRole(Qt::DisplayRole);
    Filtre->setSortCaseSensitivity(Qt::CaseInsensitive);
    Table = new QTableView(this);
    Table->setObjectName(u"Table"_s);
    Table->setModel(Filtre);
    Table->setSortingEnabled(true);
    Table->sortByColumn(-1, Qt::AscendingOrder);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->verticalHeader()->setVisible(false);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    Table->horizontalHeader()->setStretchLastSection(true);
    ButtonEnregistrer = new QPushButton(u"Enregistrer..."_s, this);
    ButtonEnregistrer->setObjectName(u"ButtonEnregistrer"_s);
    ButtonEnregistrer->setToolTip(u"Enregistre le rapport en CSV (UTF-8, séparé par « ; »)"_s);
    ButtonFermer = new QPushButton(u"Fermer"_s, this);
    ButtonFermer->setObjectName(u"ButtonFermer"_s);
    ButtonFermer->setDefault(true);

    auto *filtre = new QHBoxLayout;
    auto *etiquette = new QLabel(u"Afficher :"_s, this);
    filtre->addWidget(etiquette);
    filtre->addWidget(ComboFiltre);
    filtre->addStretch(1);
    auto *boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(ButtonEnregistrer);
    boutons->addWidget(ButtonFermer);
    auto *disposition = new QVBoxLayout(this);
    disposition->addWidget(LabelComptes);
    disposition->addWidget(LabelDossiers);
    disposition->addLayout(filtre);
    disposition->addWidget(Table, 1);
    disposition->addLayout(boutons);
    resize(900, 440);

    DemandeFichier = [this] {
        return QFileDialog::getSaveFileName(this, u"Enregistrer le rapport"_s,
                                            QDir::homePath() + u"/rapport.csv"_s,
                                            u"Rapport CSV (*.csv);;Tous les fichiers (*)"_s);
    };
    connect(ComboFiltre, &QComboBox::activated, this, &TRapport::ComboFiltreSelect);
    connect(ButtonEnregistrer, &QPushButton::clicked, this, &TRapport::ButtonEnregistrerClick);
    connect(ButtonFermer, &QPushButton::clicked, this, &QDialog::close);
}

void TRapport::Montre(const Bilan &bilan, const QString &ligneFinale, const QString &dossierSource,
                      const QString &dossierCible)
{
    prevus_.reset();
    Modele->Remplit(bilan.Fichiers, dossierSource, dossierCible);
    const QString comptes = TexteComptes(CompteBilan(bilan));
    Affiche(ligneFinale.isEmpty() ? comptes : ligneFinale + u"\n"_s + comptes, dossierSource, dossierCible);
}

void TRapport::MontreApercu(const Apercu &apercu, const QString &dossierSource, const QString &dossierCible)
{
    setWindowTitle(u"Aperçu du traitement"_s);
    // Les entrées du filtre suivent les actions ; la dernière, les replis sur NonEarth.
    ComboFiltre->clear();
    ComboFiltre->addItem(u"Tous les fichiers"_s, -1);
    for (ActionPrevue a : {ActionPrevue::Traduire, ActionPrevue::Remplacer, ActionPrevue::Ignorer, ActionPrevue::Refuser})
        ComboFiltre->addItem(u"À "_s + NomAction(a).toLower(), int(a));
    ComboFiltre->addItem(u"Sans système de coordonnées (NonEarth)"_s, 5);
    prevus_ = apercu.Fichiers;
    Modele->RemplitApercu(apercu.Fichiers, dossierSource, dossierCible);
    Affiche(u"Aperçu : rien n'a encore été écrit.\n"_s + TexteComptesApercu(apercu), dossierSource, dossierCible);
}

void TRapport::Affiche(const QString &comptes, const QString &dossierSource, const QString &dossierCible)
{
    ComboFiltre->setCurrentIndex(0);
    Filtre->Choisit(-1);
    LabelComptes->setText(comptes);
    LabelDossiers->setText(dossierSource.isEmpty() ? QString()
                                                   : u"Source : %1\nDestination : %2"_s.arg(dossierSource, dossierCible));
    LabelDossiers->setVisible(!dossierSource.isEmpty());
    Table->resizeColumnsToContents();
    // Des chemins très longs ne poussent pas les autres colonnes hors de la fenêtre.
    for (int c = 0; c < Modele->columnCount(); ++c)
        Table->setColumnWidth(c, qMin(Table->columnWidth(c), Table->fontMetrics().averageCharWidth() * 40));
    show();
    raise();
}

void TRapport::ComboFiltreSelect(int index)
{
    const QVariant filtre = ComboFiltre->itemData(index);
    Filtre->Choisit(filtre.isValid() ? filtre.toInt() : index - 1);
}

void TRapport::ButtonEnregistrerClick()
{
    QString fichier = DemandeFichier ? DemandeFichier() : QString();
    if (fichier.isEmpty())
        return;
    if (!fichier.endsWith(u".csv"_s, Qt::CaseInsensitive) && !fichier.contains(u'.'))
        fichier += u".csv"_s;
    const QString echec = prevus_ ? EcritCsv(fichier, CsvApercu(*prevus_)) : EcritRapport(fichier, Modele->Fichiers());
    if (!echec.isEmpty())
        messages_.Affiche(echec);
}

} // namespace quorvale
