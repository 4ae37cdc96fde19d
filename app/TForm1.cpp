#include "TForm1.h"

#include "TFAttente.h"
#include "TRapport.h"
#include "apercu.h"
#include "demarrage.h"
#include "emplacements.h"
#include "fichiers.h"
#include "projections.h"
#include "ui_TForm1.h"
#include "version.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString NomsChoisis(const QStringList &fichiers)
{
    QStringList noms;
    for (const QString &f : fichiers) {
        QString nom = f.mid(f.lastIndexOf(u'/') + 1);
        const qsizetype point = nom.lastIndexOf(u'.');
        if (point >= 0)
            nom.truncate(point);
        noms << nom;
    }
    return noms.join(u';');
}

QStringList CheminsDeposes(const QList<QUrl> &adresses)
{
    QStringList chemins;
    for (const QUrl &adresse : adresses)
        if (adresse.isLocalFile())
            chemins << adresse.toLocalFile();
    return chemins;
}

namespace {

// Les messages du traitement, tus quand la fenêtre a été fermée pendant qu'il tournait : le
// programme finit sans boîte à fermer.
class MessagesDeFermeture : public Messages {
public:
    MessagesDeFermeture(Messages &messages, const bool &tus) : messages_(messages), tus_(tus) {}
    void Affiche(const QString &texte) override
    {
        if (!tus_)
            messages_.Affiche(texte);
    }

private:
    Messages &messages_;
    const bool &tus_;
};

// Une étiquette qui dessine son texte abrégé par « … » quand il ne tient pas ; text() le garde entier,
// la bulle le montre.
class EtiquetteAbregee : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter peintre(this);
        const QRect zone = contentsRect();
        const QString abrege = fontMetrics().elidedText(text(), Qt::ElideRight, zone.width());
        setToolTip(abrege == text() ? QString() : text());
        peintre.drawText(zone, int(alignment()), abrege);
    }
};

// Les noms des choix retenus d'un départ à l'autre, à côté des quatre réglages de projection.
const QString CleFormatSource = u"FormatSource"_s;
const QString CleFormatCible = u"FormatCible"_s;
const QString CleFichiers = u"Fichiers"_s;
const QString CleDossierSource = u"DossierSource"_s;
const QString CleDossierCible = u"DossierCible"_s;
const QString CleCases[] = {u"SousDossiers"_s, u"Remplacer"_s, u"RegrouperCouches"_s, u"ProjectionDuFichier"_s};

} // namespace

QString DossierChoisi(const QStringList &fichiers)
{
    if (fichiers.isEmpty())
        return {};
    const QString &premier = fichiers.first();
    return premier.left(premier.lastIndexOf(u'/') + 1);
}

TForm1::TForm1(Services &services, QWidget *parent)
    : QWidget(parent), services_(services), ui_(std::make_unique<Ui::TForm1>()),
      avancement_(std::make_unique<AvancementFenetre>(services.horloge, this))
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(392, 403);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(u"StatusBar1"_s);
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setGeometry(0, 381, 392, 22);
    // Le panneau 0 laisse la place du panneau de version ; une aide trop longue finit par « … ».
    panneau0_ = new EtiquetteAbregee(statusBar_);
    panneau0_->setFixedWidth(276);
    panneau1_ = new QLabel(statusBar_);
    panneau1_->setFixedWidth(96);
    statusBar_->addWidget(panneau0_);
    statusBar_->addWidget(panneau1_);

    // « Le système de coordonnées sera lu dans la source » passe sur deux lignes plutôt que d'être
    // coupé (police plus grande) : « Projection ... », en dessous, est caché quand elle se montre.
    ui_->Label2->setWordWrap(true);
    ui_->Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui_->Label2->setGeometry(84, 134, 290, 44);
    ui_->CheckBox4->setVisible(false);
    ui_->Label2->setVisible(false);
    ui_->Button4->setVisible(false);
    ui_->CheckBox3->setVisible(false);
    ui_->ComboBox1->setCurrentIndex(-1);
    ui_->ComboBox2->setCurrentIndex(-1);

    // La barre d'état suit l'aide du contrôle sous la souris.
    const auto enfants = findChildren<QWidget *>();
    for (QWidget *w : enfants)
        w->installEventFilter(this);
    // Un dossier (ou des fichiers) déposé depuis un gestionnaire de fichiers donne son chemin local.
    ui_->Edit2->setAcceptDrops(true);
    ui_->Edit3->setAcceptDrops(true);

    connect(ui_->ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Select);
    connect(ui_->ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Select);
    connect(ui_->Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(ui_->Edit3, &QLineEdit::textChanged, this, &TForm1::Edit3Change);
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui_->Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(ui_->Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(ui_->Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
    connect(ui_->Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(ui_->Button10, &QPushButton::clicked, this, &TForm1::Button10Click);

    if (const QScreen *ecran = screen())
        move(ecran->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() = default;

OptionsTraitement TForm1::Options() const
{
    OptionsTraitement options;
    options.Fichiers = ui_->Edit1->text();
    options.SousDossiers = ui_->CheckBox1->isChecked();
    options.Remplacer = ui_->CheckBox2->isChecked();
    options.RegrouperCouches = ui_->CheckBox3->isChecked();
    options.UtiliserProjectionFichier = ui_->CheckBox4->isChecked();
    return options;
}

bool TForm1::FormCreate()
{
    panneau1_->setText(u"Version "_s + VersionFichier());
    choix_.ListeFichiers.clear();
    choix_.ListeTables.clear();
    choix_.ProjectionChoisie = u"CoordSys NonEarth Projection 0, 7"_s;
    InscritServeurLivre(services_.registre, QCoreApplication::applicationDirPath());
    choix_.DossierMapInfo = DossierInstallation(services_.registre, u"mapinfo.application"_s);
    if (const auto refus = RefusDemarrage(choix_.DossierMapInfo)) {
        services_.messages.Affiche(*refus);
        return false;
    }
    return true;
}

void TForm1::AfficheAide()
{
    const QString dossier = DossierDonnees(QCoreApplication::applicationDirPath());
    services_.aide.AfficheAide(dossier + u"/Aide.html"_s);
}

void TForm1::ComboBox1Select(int index)
{
    if (index < 0 || index > 4)
        return;
    choix_.ExtSource = CleFormat(index + 1);
    choix_.FormatSource = index + 1;
    // dxf, e00, mif, shp, tab : Regrouper, Projection..., Projection du fichier, étiquette.
    static const bool visibles[5][4] = {
        {true, true, false, false},
        {false, true, true, false},
        {false, false, false, true},
        {false, true, true, false},
        {false, false, false, true},
    };
    ui_->CheckBox3->setVisible(visibles[index][0]);
    ui_->Button4->setVisible(visibles[index][1]);
    ui_->CheckBox4->setVisible(visibles[index][2]);
    ui_->Label2->setVisible(visibles[index][3]);
}

void TForm1::ComboBox2Select(int index)
{
    if (index < 0 || index > 4)
        return;
    choix_.ExtCible = CleFormat(index + 1);
    choix_.FormatCible = index + 1;
}

void TForm1::Edit2Change(const QString &texte)
{
    choix_.DossierSource = texte;
}

void TForm1::Edit3Change(const QString &texte)
{
    choix_.DossierCible = texte;
}

void TForm1::Button1Click()
{
    QString dossier = services_.dialogues.ChoisitDossier(u"Choix du dossier"_s);
    if (dossier.isEmpty())
        return;
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    ui_->Edit2->setText(dossier);
    choix_.DossierSource = dossier;
}

void TForm1::Button2Click()
{
    QString dossier = services_.dialogues.ChoisitDossier(u"Choix du dossier"_s);
    if (dossier.isEmpty())
        return;
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    ui_->Edit3->setText(dossier);
    choix_.DossierCible = dossier;
}

void TForm1::Button7Click()
{
    if (ui_->ComboBox1->currentIndex() < 0) {
        services_.messages.Affiche(u"Veuillez d'abord choisir un format d'origine"_s);
        return;
    }
    const QStringList fichiers = services_.dialogues.ChoisitFichiers(u"Fichier(s) *."_s + choix_.ExtSource,
                                                                     u"*."_s + choix_.ExtSource);
    if (fichiers.isEmpty())
        return;
    ui_->Edit1->clear();
    ui_->Edit1->setText(NomsChoisis(fichiers));
    ui_->Edit2->setText(DossierChoisi(fichiers));
    choix_.DossierSource = ui_->Edit2->text();
}

void TForm1::OuvreDialogue(QDialog *dialogue)
{
    // Là où il s'est ouvert la dernière fois (dans cette session ou la précédente), sinon centré sur
    // la fenêtre principale : il ne glisse pas d'une ouverture à l'autre, et une place qu'aucun écran
    // ne montre plus (écran débranché, autre définition) ne compte pas.
    Reglages &r = services_.reglages;
    const QString cle = u"Place"_s + dialogue->objectName();
    QVariant place = dialogue->property("quorvalePlace");
    if (!place.isValid() && r.Ouvre()) {
        const QStringList xy = r.LitTexte(cle).value_or(QString()).split(u',');
        bool okX = false, okY = false;
        if (xy.size() == 2) {
            const QPoint p(xy[0].toInt(&okX), xy[1].toInt(&okY));
            if (okX && okY)
                place = p;
        }
    }
    dialogue->adjustSize();
    const QScreen *ecran = place.isValid() ? QGuiApplication::screenAt(place.toPoint()) : nullptr;
    if (ecran) {
        const QRect zone = ecran->availableGeometry();
        QPoint p = place.toPoint();
        p.setX(std::clamp(p.x(), zone.left(), std::max(zone.left(), zone.right() - dialogue->width())));
        p.setY(std::clamp(p.y(), zone.top(), std::max(zone.top(), zone.bottom() - dialogue->height())));
        dialogue->move(p);
    } else {
        dialogue->move(frameGeometry().center() - QPoint(dialogue->width() / 2, dialogue->height() / 2));
    }
    dialogue->exec();
    dialogue->setProperty("quorvalePlace", dialogue->pos());
    if (r.Ouvre())
        r.EcritTexte(cle, u"%1,%2"_s.arg(dialogue->pos().x()).arg(dialogue->pos().y()));
}

void TForm1::Button4Click()
{
    if (formeProjection_)
        OuvreDialogue(formeProjection_);
}

void TForm1::Button8Click()
{
    if (aboutBox_)
        OuvreDialogue(aboutBox_);
}

void TForm1::Button9Click()
{
    AfficheAide();
}

void TForm1::Button5Click()
{
    close();
}

void TForm1::Button3Click()
{
    ligneFinaleGardee_ = false;
    fermerApresTraitement_ = false;
    if (rapport_)
        rapport_->hide();
    if (!projections_ && !projectionsParDefaut_)
        projectionsParDefaut_ = std::make_unique<ProjectionsFixes>();
    if (projectionsParDefaut_)
        projectionsParDefaut_->ProjectionChoisie = choix_.ProjectionChoisie;

    MessagesDeFermeture messages(services_.messages, fermerApresTraitement_);
    Contexte contexte{choix_, Options(), services_.automation, services_.processus, messages,
                      services_.horloge, *avancement_,
                      projections_ ? *projections_ : *projectionsParDefaut_};
    contexte.DossierTemp = DossierTemporaire();
    contexte.Etat = [this](const QString &texte) {
        panneau0_->setText(texte);
        panneau0_->repaint();
    };
    contexte.Controles = [this](bool actifs) { ActiveControles(actifs); };
    contexte.AuPremierPlan = [this] {
        raise();
        activateWindow();
    };
    bilan_ = Traduire(contexte);
    if (fermerApresTraitement_) {
        // Le traitement est annulé et remis en état : la fermeture demandée se fait maintenant.
        close();
        return;
    }
    if (bilan_.Refus || bilan_.Fichiers.isEmpty())
        return;
    ligneFinaleGardee_ = true;
    // Au lieu d'une boîte de message, le rapport : chaque fichier, son résultat et son système.
    const bool premiere = !rapport_;
    if (!rapport_)
        rapport_ = std::make_unique<TRapport>(services_.messages, this);
    rapport_->Montre(bilan_, panneau0_->text(), choix_.DossierSource, choix_.DossierCible);
    if (premiere)
        PlaceACote(rapport_.get());
}

void TForm1::ActiveControles(bool actifs)
{
    occupe_ = !actifs;
    // Les 17 contrôles dans leur ordre, puis « Aperçu… ».
    const QList<QWidget *> controles{ui_->Button3, ui_->Button8, ui_->Button9, ui_->Button5, ui_->Button1,
                                     ui_->Button2, ui_->Button4, ui_->Button7, ui_->ComboBox1, ui_->ComboBox2,
                                     ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->CheckBox1, ui_->CheckBox2,
                                     ui_->CheckBox3, ui_->CheckBox4, ui_->Button10};
    for (QWidget *w : controles)
        w->setEnabled(actifs);
}

void TForm1::Button10Click()
{
    if (apercu_)
        apercu_->hide();
    if (!projections_ && !projectionsParDefaut_)
        projectionsParDefaut_ = std::make_unique<ProjectionsFixes>();
    if (projectionsParDefaut_)
        projectionsParDefaut_->ProjectionChoisie = choix_.ProjectionChoisie;
    // Les mêmes choix que « Traduire » ; le traducteur et MapInfo ne sont pas lancés.
    Contexte contexte{choix_, Options(), services_.automation, services_.processus, services_.messages,
                      services_.horloge, *avancement_,
                      projections_ ? *projections_ : *projectionsParDefaut_};
    contexte.DossierTemp = DossierTemporaire();
    contexte.Controles = [this](bool actifs) { ActiveControles(actifs); };
    contexte.AuPremierPlan = [this] {
        raise();
        activateWindow();
    };
    const Apercu apercu = PrevoitTraitement(contexte);
    if (apercu.Refus || apercu.Annule || apercu.Fichiers.isEmpty())
        return;
    const bool premiere = !apercu_;
    if (!apercu_)
        apercu_ = std::make_unique<TRapport>(services_.messages, this);
    apercu_->MontreApercu(apercu, choix_.DossierSource, choix_.DossierCible);
    if (premiere)
        PlaceACote(apercu_.get());
}

void TForm1::PlaceACote(QWidget *fenetre)
{
    {
        // À côté de la fenêtre principale (à droite, sinon à gauche), sans la couvrir si l'écran le
        // permet, et ramené sur l'écran.
        const QRect cadre = frameGeometry();
        const int largeur = fenetre->frameGeometry().width(), hauteur = fenetre->frameGeometry().height();
        QPoint coin(cadre.right() + 8, cadre.top());
        if (const QScreen *ecran = screen()) {
            const QRect dispo = ecran->availableGeometry();
            if (coin.x() + largeur > dispo.right() && cadre.left() - 8 - largeur >= dispo.left())
                coin.setX(cadre.left() - 8 - largeur);
            coin.setX(qMax(dispo.left(), qMin(coin.x(), dispo.right() - largeur)));
            coin.setY(qMax(dispo.top(), qMin(coin.y(), dispo.bottom() - hauteur)));
        }
        fenetre->move(coin);
    }
}

bool TForm1::eventFilter(QObject *objet, QEvent *evenement)
{
    if ((objet == ui_->Edit2 || objet == ui_->Edit3)
        && (evenement->type() == QEvent::DragEnter || evenement->type() == QEvent::DragMove
            || evenement->type() == QEvent::Drop)) {
        auto *depot = static_cast<QDropEvent *>(evenement);
        const QStringList chemins = depot->mimeData() ? CheminsDeposes(depot->mimeData()->urls()) : QStringList();
        if (chemins.isEmpty() || occupe_) {
            depot->ignore();
            return true;
        }
        depot->acceptProposedAction();
        if (evenement->type() == QEvent::Drop)
            Depose(objet == ui_->Edit2, chemins);
        return true;
    }
    if (evenement->type() == QEvent::Enter && !occupe_ && !ligneFinaleGardee_) {
        if (auto *w = qobject_cast<QWidget *>(objet))
            panneau0_->setText(w->statusTip());
    }
    return QWidget::eventFilter(objet, evenement);
}

void TForm1::Depose(bool source, const QStringList &chemins)
{
    const QString premier = chemins.first();
    QString dossier = DossierExiste(premier) ? premier : premier.left(premier.lastIndexOf(u'/') + 1);
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    if (!source) {
        ui_->Edit3->setText(dossier);
        return;
    }
    // Des fichiers déposés sur la source : leurs noms dans « Fichier(s) », comme « ... ».
    if (!DossierExiste(premier))
        ui_->Edit1->setText(NomsChoisis(chemins));
    ui_->Edit2->setText(dossier);
}

void TForm1::LitChoixRetenus()
{
    Reglages &r = services_.reglages;
    if (!r.Ouvre())
        return;
    auto format = [&](const QString &cle, QComboBox *liste, void (TForm1::*choix)(int)) {
        bool ok = false;
        const int index = r.LitTexte(cle).value_or(QString()).toInt(&ok);
        if (ok && index >= 0 && index < liste->count()) {
            liste->setCurrentIndex(index);
            (this->*choix)(index);
        }
    };
    format(CleFormatSource, ui_->ComboBox1, &TForm1::ComboBox1Select);
    format(CleFormatCible, ui_->ComboBox2, &TForm1::ComboBox2Select);
    if (const auto t = r.LitTexte(CleFichiers))
        ui_->Edit1->setText(*t);
    if (const auto t = r.LitTexte(CleDossierSource))
        ui_->Edit2->setText(*t);
    if (const auto t = r.LitTexte(CleDossierCible))
        ui_->Edit3->setText(*t);
    QCheckBox *cases[] = {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4};
    for (int i = 0; i < 4; ++i)
        if (const auto v = r.Lit(CleCases[i]))
            cases[i]->setChecked(*v);
}

void TForm1::RetientChoix() const
{
    Reglages &r = services_.reglages;
    if (!r.Ouvre())
        return;
    r.EcritTexte(CleFormatSource, QString::number(ui_->ComboBox1->currentIndex()));
    r.EcritTexte(CleFormatCible, QString::number(ui_->ComboBox2->currentIndex()));
    r.EcritTexte(CleFichiers, ui_->Edit1->text());
    r.EcritTexte(CleDossierSource, ui_->Edit2->text());
    r.EcritTexte(CleDossierCible, ui_->Edit3->text());
    const QCheckBox *cases[] = {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4};
    for (int i = 0; i < 4; ++i)
        r.Ecrit(CleCases[i], cases[i]->isChecked());
}

void TForm1::closeEvent(QCloseEvent *evenement)
{
    if (occupe_) {
        // Pendant un traitement : il s'annule comme par « Annuler » ; le fichier en cours finit, la
        // remise en état se fait, puis Button3Click ferme la fenêtre.
        fermerApresTraitement_ = true;
        avancement_->DemandeAnnulation();
        evenement->ignore();
        return;
    }
    RetientChoix();
    if (rapport_)
        rapport_->close();
    if (apercu_)
        apercu_->close();
    // Une fenêtre d'avancement ouverte se ferme avec la fenêtre principale.
    avancement_->FermeAttente();
    if (fermeture_)
        fermeture_();
    evenement->accept();
}

} // namespace quorvale
