#include "TForm1.h"

#include "TFAttente.h"
#include "demarrage.h"
#include "emplacements.h"
#include "fichiers.h"
#include "projections.h"
#include "ui_TForm1.h"
#include "version.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QScreen>

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
    panneau0_ = new QLabel(statusBar_);
    panneau0_->setFixedWidth(300);
    panneau1_ = new QLabel(statusBar_);
    panneau1_->setFixedWidth(100);
    statusBar_->addWidget(panneau0_);
    statusBar_->addWidget(panneau1_);

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

void TForm1::Button4Click()
{
    if (formeProjection_)
        formeProjection_->exec();
}

void TForm1::Button8Click()
{
    if (aboutBox_)
        aboutBox_->exec();
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
    if (!projections_ && !projectionsParDefaut_)
        projectionsParDefaut_ = std::make_unique<ProjectionsFixes>();
    if (projectionsParDefaut_)
        projectionsParDefaut_->ProjectionChoisie = choix_.ProjectionChoisie;

    Contexte contexte{choix_, Options(), services_.automation, services_.processus, services_.messages,
                      services_.horloge, *avancement_,
                      projections_ ? *projections_ : *projectionsParDefaut_};
    contexte.DossierTemp = DossierTemporaire();
    contexte.Etat = [this](const QString &texte) {
        panneau0_->setText(texte);
        panneau0_->repaint();
    };
    contexte.Controles = [this](bool actifs) {
        occupe_ = !actifs;
        const QList<QWidget *> controles{ui_->Button3, ui_->Button8, ui_->Button9, ui_->Button5, ui_->Button1,
                                         ui_->Button2, ui_->Button4, ui_->Button7, ui_->ComboBox1, ui_->ComboBox2,
                                         ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->CheckBox1, ui_->CheckBox2,
                                         ui_->CheckBox3, ui_->CheckBox4};
        for (QWidget *w : controles)
            w->setEnabled(actifs);
    };
    contexte.AuPremierPlan = [this] {
        raise();
        activateWindow();
    };
    bilan_ = Traduire(contexte);
    // Les fichiers restés sans résultat ne passent pas pour une réussite.
    if (!bilan_.Refus && !bilan_.Erreur && !bilan_.AucunFichier) {
        const QString problemes = TexteProblemes(bilan_);
        if (!problemes.isEmpty())
            services_.messages.Affiche(problemes);
    }
}

bool TForm1::eventFilter(QObject *objet, QEvent *evenement)
{
    if (evenement->type() == QEvent::Enter && !occupe_) {
        if (auto *w = qobject_cast<QWidget *>(objet))
            panneau0_->setText(w->statusTip());
    }
    return QWidget::eventFilter(objet, evenement);
}

void TForm1::closeEvent(QCloseEvent *evenement)
{
    // La fermeture est toujours permise ; une fenêtre d'avancement ouverte se ferme avec elle.
    avancement_->FermeAttente();
    if (fermeture_)
        fermeture_();
    evenement->accept();
}

} // namespace quorvale
