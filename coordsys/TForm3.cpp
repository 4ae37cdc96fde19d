#include "TForm3.h"

#include "controles.h"
#include "catalogue.h"
#include "cp1252.h"
#include "erreur.h"
#include "fichiers.h"
#include "interface.h"
#include "registre.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

void DonneAide(QWidget *controle, const QString &texte)
{
    controle->setToolTip(texte);
    controle->setStatusTip(texte);
}

// Une liste de mots vient de Windows (Windows-1252) ou d'ici (UTF-8) : l'UTF-8 valide l'emporte.
QString TexteListe(const QByteArray &octets)
{
    if (octets.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(octets.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString texte = utf8.decode(octets);
    return utf8.hasError() ? DecodeCp1252(octets) : texte;
}

} // namespace

TForm3::TForm3(Messages &messages, Dialogues &dialogues, const QString &dossier, QWidget *parent)
    : QDialog(parent), messages_(messages), dialogues_(dialogues),
      emplacement_(EmplacementAssociations(dossier, DossierConfiguration()))
{
    setObjectName(u"Form3"_s);
    setWindowTitle(u"Associations de mots à une projection"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    LabelProjection = Nomme(new QLabel(u"Projection courante : "_s, this), u"LabelProjection"_s);
    auto *saisie = new QLabel(u"Saisie de mot(s)"_s, this);
    Memo1 = Nomme(new QPlainTextEdit(this), u"Memo1"_s);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    ButtonOuvrir = Nomme(new QPushButton(u"Ouvrir une liste de mots"_s, this), u"ButtonOuvrir"_s);
    DonneAide(ButtonOuvrir, u"Ouvrir un fichier texte contenant une liste de mots"_s);
    ButtonAjouter = Nomme(new QPushButton(u"Ajouter aux associations"_s, this), u"ButtonAjouter"_s);
    DonneAide(ButtonAjouter, u"Ajoute chaque mot à la liste des associations"_s);
    auto *liste = new QLabel(u"Liste des associations"_s, this);
    ListView1 = Nomme(new QTreeWidget(this), u"ListView1"_s);
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({u"Mot"_s, u"Projection"_s, u"Paramètres"_s});
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setStyleSheet(u"QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"_s);
    ListView1->header()->setMinimumSectionSize(50);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnWidth(1, 200);
    ListView1->setColumnWidth(2, 200);
    ListView1->setMinimumSize(580, 240);
    ButtonEffacer = Nomme(new QPushButton(u"Effacer"_s, this), u"ButtonEffacer"_s);
    ButtonEnregistrer = Nomme(new QPushButton(u"Enregistrer"_s, this), u"ButtonEnregistrer"_s);
    ButtonFermer = Nomme(new QPushButton(u"Fermer"_s, this), u"ButtonFermer"_s);
    for (QPushButton *b : {ButtonOuvrir, ButtonAjouter, ButtonEffacer, ButtonEnregistrer, ButtonFermer})
        b->setAutoDefault(false);

    auto *haut = new QHBoxLayout;
    auto *boutonsSaisie = new QVBoxLayout;
    boutonsSaisie->addWidget(ButtonOuvrir);
    boutonsSaisie->addWidget(ButtonAjouter);
    boutonsSaisie->addStretch();
    haut->addWidget(Memo1, 1);
    haut->addLayout(boutonsSaisie);
    Memo1->setFixedHeight(110);

    auto *bas = new QHBoxLayout;
    bas->addWidget(ButtonEffacer);
    bas->addWidget(ButtonEnregistrer);
    bas->addStretch();
    bas->addWidget(ButtonFermer);

    auto *disposition = new QVBoxLayout(this);
    disposition->addWidget(LabelProjection);
    disposition->addWidget(saisie);
    disposition->addLayout(haut);
    disposition->addWidget(liste);
    disposition->addWidget(ListView1);
    disposition->addLayout(bas);
    disposition->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonOuvrir, &QPushButton::clicked, this, &TForm3::OuvrirClick);
    connect(ButtonAjouter, &QPushButton::clicked, this, &TForm3::AjouterClick);
    connect(ButtonEffacer, &QPushButton::clicked, this, &TForm3::EffacerClick);
    connect(ButtonEnregistrer, &QPushButton::clicked, this, &TForm3::EnregistrerClick);
    connect(ButtonFermer, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &TForm3::ListView1ColumnClick);
}

void TForm3::FormCreate()
{
    try {
        Remplit(ChargeAssociations(emplacement_));
    } catch (const Erreur &e) {
        messages_.Affiche(e.texte());
    }
    enregistrees_ = Associations();
}

void TForm3::reject()
{
    // Quitter le dialogue (« Fermer », Échap, case de fermeture) avec des changements non enregistrés.
    if (Associations() != enregistrees_) {
        switch (messages_.Question(u"Les associations de mots ont été modifiées.\r\n"
                                   u"Voulez-vous les enregistrer dans « %1 » ?"_s.arg(emplacement_.ecriture))) {
        case Messages::Reponse::Oui:
            if (!Enregistre())
                return;
            break;
        case Messages::Reponse::Non:
            // Elles servent encore au traitement jusqu'à la fin du programme ; on ne redemande pas.
            enregistrees_ = Associations();
            break;
        case Messages::Reponse::Annuler:
            return;
        }
    }
    QDialog::reject();
}

bool TForm3::Enregistre()
{
    try {
        EnregistreAssociations(emplacement_, Associations());
    } catch (const Erreur &e) {
        messages_.Affiche(e.texte());
        return false;
    }
    enregistrees_ = Associations();
    return true;
}

void TForm3::Affiche(const QString &projectionCourante, const QString &parametresCourants)
{
    projectionCourante_ = projectionCourante;
    parametresCourants_ = parametresCourants;
    LabelProjection->setText(u"Projection courante : "_s + projectionCourante);
    exec();
}

QList<Association> TForm3::Associations() const
{
    QList<Association> associations;
    associations.reserve(ListView1->topLevelItemCount());
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ListView1->topLevelItem(i);
        associations << Association{item->text(0), item->text(1), item->text(2)};
    }
    return associations;
}

void TForm3::Remplit(const QList<Association> &associations)
{
    ListView1->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(associations.size());
    for (const Association &a : associations)
        items << new QTreeWidgetItem(QStringList{a.Mot, a.Nom, a.Parametres});
    ListView1->addTopLevelItems(items);
}

void TForm3::OuvrirClick()
{
    const QString choisi = dialogues_.ChoisitFichier(u"Ouvrir une liste de mots"_s, u"Fichiers texte"_s, u"*.txt"_s,
                                                     u"txt"_s);
    if (choisi.isEmpty())
        return;
    QFile f(Resous(choisi));
    if (!f.open(QIODevice::ReadOnly)) {
        messages_.Affiche(u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(choisi, f.errorString()));
        return;
    }
    Memo1->setPlainText(DecoupeLignes(TexteListe(f.readAll())).join(u'\n'));
}

void TForm3::AjouterClick()
{
    QList<Association> associations = Associations();
    const qsizetype avant = associations.size();
    AjouteMots(associations, DecoupeLignes(Memo1->toPlainText()), projectionCourante_, parametresCourants_);
    QList<QTreeWidgetItem *> items;
    for (qsizetype i = avant; i < associations.size(); ++i)
        items << new QTreeWidgetItem(QStringList{associations[i].Mot, associations[i].Nom, associations[i].Parametres});
    ListView1->addTopLevelItems(items);
}

void TForm3::EffacerClick()
{
    const QList<QTreeWidgetItem *> choisis = ListView1->selectedItems();
    for (QTreeWidgetItem *item : choisis)
        delete item;
}

void TForm3::EnregistrerClick()
{
    (void)Enregistre();
}

void TForm3::ListView1ColumnClick(int colonne)
{
    ColonneTri = colonne;
    QList<Association> associations = Associations();
    TrieAssociations(associations, colonne);
    Remplit(associations);
}

} // namespace quorvale
