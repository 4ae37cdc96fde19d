#include "TForm2.h"

#include "controles.h"
#include "TForm3.h"
#include "interface.h"
#include "registre.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

TForm2::TForm2(Reglages &reglages, Messages &messages, const QString &dossierMapInfo,
               const QString &dossierExecutable, QWidget *parent)
    : QDialog(parent), reglages_(reglages), messages_(messages), dossierMapInfo_(dossierMapInfo),
      dossierExecutable_(dossierExecutable)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Choix d'une projection"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    Label1 = Nomme(new QLabel(u"Catégorie :"_s, this), u"Label1"_s);
    ComboBox1 = Nomme(new QComboBox(this), u"ComboBox1"_s);
    Label2 = Nomme(new QLabel(u"Projections : "_s, this), u"Label2"_s);
    ListBox1 = Nomme(new QListWidget(this), u"ListBox1"_s);
    Label4 = Nomme(new QLabel(u"Projection courante :"_s, this), u"Label4"_s);
    Label5 = Nomme(new QLabel(this), u"Label5"_s);
    CheckBox2 = Nomme(new QCheckBox(u"Déterminer la zone automatiquement sur le numéro de feuillet"_s, this),
                      u"CheckBox2"_s);
    GroupBox1 = Nomme(new QGroupBox(u"Projection"_s, this), u"GroupBox1"_s);
    RadioButton1 = Nomme(new QRadioButton(u"MTM sur feuillet 20 000"_s, GroupBox1), u"RadioButton1"_s);
    RadioButton2 = Nomme(new QRadioButton(u"UTM sur feuillet 250 000"_s, GroupBox1), u"RadioButton2"_s);
    GroupBox2 = Nomme(new QGroupBox(u"Datum"_s, this), u"GroupBox2"_s);
    RadioButton3 = Nomme(new QRadioButton(u"Nad 83"_s, GroupBox2), u"RadioButton3"_s);
    RadioButton4 = Nomme(new QRadioButton(u"Nad 27"_s, GroupBox2), u"RadioButton4"_s);
    Label3 = Nomme(new QLabel(u"Territoire du Québec seulement"_s, this), u"Label3"_s);
    CheckBox1 = Nomme(new QCheckBox(u"Utiliser les associations de mots"_s, this), u"CheckBox1"_s);
    Button3 = Nomme(new QPushButton(u"Associations..."_s, this), u"Button3"_s);
    Button4 = Nomme(new QPushButton(u"OK"_s, this), u"Button4"_s);

    // État de conception.
    CheckBox2->setChecked(true);
    RadioButton1->setChecked(true);
    RadioButton3->setChecked(true);
    CheckBox1->setChecked(true);
    Button4->setEnabled(false);
    Button4->setAutoDefault(false);
    Button3->setAutoDefault(false);
    const QString aide = u"Créer ou modifier les association de mots avec les projections"_s;
    Button3->setToolTip(aide);
    Button3->setStatusTip(aide);
    Label3->setStyleSheet(u"color: blue; font-weight: bold;"_s);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ComboBox1->setMinimumWidth(360);
    ListBox1->setMinimumHeight(220);

    auto *groupe1 = new QVBoxLayout(GroupBox1);
    groupe1->addWidget(RadioButton1);
    groupe1->addWidget(RadioButton2);
    auto *groupe2 = new QVBoxLayout(GroupBox2);
    groupe2->addWidget(RadioButton3);
    groupe2->addWidget(RadioButton4);

    auto *feuillets = new QHBoxLayout;
    feuillets->addWidget(GroupBox1);
    feuillets->addWidget(GroupBox2);
    feuillets->addWidget(Label3);
    feuillets->addStretch();

    auto *courante = new QHBoxLayout;
    courante->addWidget(Label4);
    courante->addWidget(Label5, 1);

    auto *associations = new QHBoxLayout;
    associations->addWidget(CheckBox1);
    associations->addStretch();
    associations->addWidget(Button3);

    auto *boutons = new QHBoxLayout;
    boutons->addStretch();
    boutons->addWidget(Button4);

    auto *disposition = new QVBoxLayout(this);
    disposition->addWidget(Label1);
    disposition->addWidget(ComboBox1);
    disposition->addWidget(Label2);
    disposition->addWidget(ListBox1);
    disposition->addLayout(courante);
    disposition->addWidget(CheckBox2);
    disposition->addLayout(feuillets);
    disposition->addLayout(associations);
    disposition->addLayout(boutons);
    disposition->setSizeConstraint(QLayout::SetFixedSize);

    connect(ComboBox1, &QComboBox::activated, this, &TForm2::ComboBox1Select);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TForm2::ListBox1Click);
    connect(Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm2::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm2::CheckBox2Click);
}

TForm2::~TForm2()
{
    if (cree_)
        EcrireReglages(reglages_, ReglagesCourants());
}

void TForm2::FormCreate()
{
    cree_ = true;
    const ReglagesProjection lus = LireReglages(reglages_);
    CheckBox1->setChecked(lus.AssoMots);
    CheckBox2->setChecked(lus.Feuillets);
    (lus.Mtm ? RadioButton1 : RadioButton2)->setChecked(true);
    (lus.Nad83 ? RadioButton3 : RadioButton4)->setChecked(true);
    CheckBox1Click();
    CheckBox2Click();

    QString erreur;
    if (auto catalogue = ChargeCatalogue(FichierCatalogue(dossierMapInfo_, dossierExecutable_), &erreur))
        catalogue_ = std::move(*catalogue);
    else
        messages_.Affiche(erreur);
    ComboBox1->clear();
    ComboBox1->addItems(catalogue_.Categories);
    // La projection retenue au dernier « OK » ; sinon la clause de départ.
    if (const auto retenue = reglages_.LitTexte(u"ProjectionChoisie"_s))
        if (retenue->startsWith(u"CoordSys"_s, Qt::CaseInsensitive))
            ProjectionChoisie = *retenue;
    Preselection();
    MontreProjectionChoisie();
}

void TForm2::MontreProjectionChoisie()
{
    // « Projection courante » : celle que le traitement emploiera, pas la ligne seulement surlignée.
    for (const QString &ligne : std::as_const(catalogue_.LignesCatalogue)) {
        const QString parametres = ParametresProjection(ligne);
        if (!parametres.isEmpty() && ClauseProjection(parametres) == ProjectionChoisie) {
            Label5->setText(NomProjection(ligne));
            return;
        }
    }
    Label5->setText(ProjectionChoisie == QString::fromUtf16(ProjectionDeDepart)
                        ? u"aucune (NonEarth, par défaut)"_s
                        : ProjectionChoisie);
}

void TForm2::Preselection()
{
    if (catalogue_.Categories.size() >= 3 && LignesProjections(catalogue_, 2).size() >= 7) {
        ComboBox1->setCurrentIndex(2);
        ComboBox1Select(2);
        ListBox1->setCurrentRow(6);
    } else if (!catalogue_.Categories.isEmpty()) {
        ComboBox1->setCurrentIndex(0);
        ComboBox1Select(0);
        if (ListBox1->count() > 0)
            ListBox1->setCurrentRow(0);
    } else {
        ComboBox1->setCurrentIndex(-1);
    }
    ListBox1Click();
}

ReglagesProjection TForm2::ReglagesCourants() const
{
    return ReglagesProjection{CheckBox2->isChecked(), RadioButton1->isChecked(), RadioButton3->isChecked(),
                              CheckBox1->isChecked()};
}

QString TForm2::ProjectionFichier(const QString &chemin) const
{
    const QList<Association> associations = form3_ ? form3_->Associations() : QList<Association>();
    return quorvale::ProjectionFichier(chemin, ReglagesCourants(), associations, ProjectionChoisie);
}

OrigineSysteme TForm2::ExpliqueFichier(const QString &chemin) const
{
    const QList<Association> associations = form3_ ? form3_->Associations() : QList<Association>();
    return ExpliqueProjection(chemin, ReglagesCourants(), associations, ProjectionChoisie);
}

void TForm2::ComboBox1Select(int index)
{
    const QSignalBlocker bloque(ListBox1);
    ListBox1->clear();
    Button4->setEnabled(false);
    // Chaque entrée garde sa ligne : les lignes vides ne décalent pas le choix.
    lignesListe_ = LignesProjections(catalogue_, index);
    for (const qsizetype ligne : std::as_const(lignesListe_))
        ListBox1->addItem(NomProjection(catalogue_.LignesCatalogue[ligne]));
}

void TForm2::ListBox1Click()
{
    const int rang = ListBox1->currentRow();
    if (rang < 0 || rang >= lignesListe_.size() || !ListBox1->currentItem()->isSelected())
        return;
    Button4->setEnabled(true);
    const QString &ligne = catalogue_.LignesCatalogue[lignesListe_[rang]];
    ProjectionCourante = NomProjection(ligne);
    ParametresCourants = ParametresProjection(ligne);
}

void TForm2::Button4Click()
{
    ProjectionChoisie = ClauseProjection(ParametresCourants);
    if (reglages_.Ouvre())
        reglages_.EcritTexte(u"ProjectionChoisie"_s, ProjectionChoisie);
    MontreProjectionChoisie();
    accept();
}

void TForm2::Button3Click()
{
    if (form3_)
        form3_->Affiche(ProjectionCourante, ParametresCourants);
}

void TForm2::CheckBox1Click()
{
    Button3->setEnabled(CheckBox1->isChecked());
}

void TForm2::CheckBox2Click()
{
    GroupBox1->setVisible(CheckBox2->isChecked());
    GroupBox2->setVisible(CheckBox2->isChecked());
}

} // namespace quorvale
