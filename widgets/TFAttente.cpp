#include "TFAttente.h"

#include "processus.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

constexpr int LargeurJauge = 298;
constexpr int LargeurAbregee = 280;

// Les textes du traitement coupent leurs lignes par CR LF ; l'étiquette n'en veut que LF.
QString TexteAffiche(const QString &message)
{
    QString texte = message;
    return texte.replace(u"\r\n"_s, u"\n"_s);
}

QLabel *Etiquette(QWidget *parent, const QString &texte, int x, int y)
{
    auto *l = new QLabel(texte, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QFrame *Rectangle(QWidget *parent, int x, int y, int l, int h)
{
    auto *f = new QFrame(parent);
    f->setFrameShape(QFrame::Box);
    f->setGeometry(x, y, l, h);
    return f;
}

} // namespace

QString AbregeSelonLargeur(const QString &chemin, int largeur, const std::function<int(const QString &)> &mesure)
{
    if (mesure(chemin) <= largeur)
        return chemin;
    QStringList parties = chemin.split(u'/');
    if (parties.size() < 3)
        return chemin;
    // La tête (racine ou premier nom) et le nom de fichier restent ; les dossiers partent du début.
    const QString tete = parties.first().isEmpty() ? u"/"_s : parties.first() + u'/';
    const QString nom = parties.last();
    QStringList milieu = parties.mid(1, parties.size() - 2);
    while (!milieu.isEmpty()) {
        milieu.removeFirst();
        QString essai = tete + u"..."_s;
        for (const QString &p : milieu)
            essai += u'/' + p;
        essai += u'/' + nom;
        if (mesure(essai) <= largeur || milieu.isEmpty())
            return essai;
    }
    return tete + u".../"_s + nom;
}

TFAttente::TFAttente(AvancementFenetre &unite, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint),
      unite_(unite)
{
    setObjectName(u"FAttente"_s);
    setWindowTitle(u"Avancement"_s);
    setFixedSize(322, 181);

    timEstimation = new QTimer(this);
    // Quatre fois par seconde : le temps restant bouge pendant un long fichier.
    timEstimation->setInterval(250);

    Shape1 = Rectangle(this, 12, 105, 300, 20);
    Shape2 = Rectangle(this, 162, 105, 1, 20);
    Shape3 = Rectangle(this, 87, 105, 1, 20);
    Shape4 = Rectangle(this, 237, 105, 1, 20);

    // La jauge est toujours pleine : c'est sa largeur qui montre l'avancement.
    pbattente = new QProgressBar(this);
    pbattente->setObjectName(u"pbattente"_s);
    pbattente->setRange(0, 100);
    pbattente->setValue(100);
    pbattente->setTextVisible(false);
    pbattente->setMinimumSize(0, 0);
    pbattente->setStyleSheet(u"QProgressBar { border: none; background: transparent; }"
                             u" QProgressBar::chunk { background: blue; }"_s);
    pbattente->setGeometry(13, 108, 0, 14);

    lmsg = new QLabel(this);
    lmsg->setObjectName(u"lmsg"_s);
    lmsg->setGeometry(11, 10, 290, 50);
    lmsg->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lmsg->setWordWrap(true);
    lmsg->setStyleSheet(u"color: black;"_s);

    lEstimation = new QLabel(this);
    lEstimation->setObjectName(u"lEstimation"_s);
    lEstimation->setGeometry(11, 70, 290, 13);
    lEstimation->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    Button1 = new QPushButton(u"Annuler"_s, this);
    Button1->setObjectName(u"Button1"_s);
    Button1->setGeometry(121, 140, 70, 25);

    Label1 = Etiquette(this, u"0"_s, 12, 88);
    Label2 = Etiquette(this, u"25"_s, 80, 88);
    Label3 = Etiquette(this, u"50"_s, 156, 88);
    Label4 = Etiquette(this, u"75"_s, 231, 88);
    Label5 = Etiquette(this, u"100"_s, 292, 88);

    connect(Button1, &QPushButton::clicked, this, &TFAttente::Button1Click);
    connect(timEstimation, &QTimer::timeout, this, &TFAttente::timEstimationTimer);
}

void TFAttente::Button1Click()
{
    unite_.DemandeAnnulation();
    MontreAnnulation();
}

void TFAttente::MontreAnnulation()
{
    // Le fichier en cours se termine : on le dit tout de suite, le bouton ne sert plus.
    timEstimation->stop();
    Button1->setEnabled(false);
    lEstimation->setText(u"Annulation demandée…"_s);
    lEstimation->setVisible(true);
    lEstimation->repaint();
}

void TFAttente::keyPressEvent(QKeyEvent *evenement)
{
    // Échap agit comme « Annuler ».
    if (evenement->key() == Qt::Key_Escape && evenement->modifiers() == Qt::NoModifier) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(evenement);
}

void TFAttente::closeEvent(QCloseEvent *evenement)
{
    // La fenêtre reste jusqu'à la fin du fichier en cours, pour montrer que l'annulation est prise.
    unite_.DemandeAnnulation();
    MontreAnnulation();
    evenement->ignore();
}

void TFAttente::timEstimationTimer()
{
    if (unite_.Annulation())
        return;
    const double ecoule = std::abs(double(Debut.msecsTo(unite_.horloge().Maintenant())));
    const double restant = TempsRestant(ecoule, unite_.DernierPourcentage);
    lEstimation->setVisible(restant > 0);
    lEstimation->setText(TexteTempsRestant(restant, QLocale::system()));
    lEstimation->repaint();
}

AvancementFenetre::AvancementFenetre(const Horloge &horloge, QWidget *principale)
    : horloge_(horloge), principale_(principale)
{
}

AvancementFenetre::~AvancementFenetre()
{
    delete FAttente.data();
}

void AvancementFenetre::AfficheAttente(const QString &message, bool avecJauge)
{
    annulation_ = false;
    if (!FAttente) {
        FAttente = new TFAttente(*this, principale_);
        if (principale_) {
            const QRect cadre = principale_->frameGeometry();
            FAttente->move(cadre.center() - QPoint(FAttente->width() / 2, FAttente->height() / 2));
        }
    }
    TFAttente *f = FAttente;
    f->lmsg->setText(TexteAffiche(message));
    for (QWidget *w : std::initializer_list<QWidget *>{f->pbattente, f->Shape1, f->Shape2, f->Shape3, f->Shape4,
                                                        f->Label1, f->Label2, f->Label3, f->Label4, f->Label5})
        w->setVisible(avecJauge);
    f->lmsg->move(11, avecJauge ? 10 : 50);
    f->pbattente->resize(0, f->pbattente->height());
    f->pbattente->setValue(100);
    f->Debut = horloge_.Maintenant();
    f->lEstimation->setVisible(avecJauge);
    if (avecJauge)
        f->timEstimation->start();
    else
        f->timEstimation->stop();
    f->show();
    f->repaint();
}

void AvancementFenetre::AvanceAttente(const QString &message, int pourcentage)
{
    if (!FAttente)
        return;
    if (!message.isEmpty()) {
        FAttente->lmsg->setText(TexteAffiche(message));
        FAttente->lmsg->repaint();
    }
    if (unsigned(pourcentage) >= 101)
        return;
    DernierPourcentage = pourcentage;
    FAttente->pbattente->resize(pourcentage * LargeurJauge / 100, FAttente->pbattente->height());
    FAttente->pbattente->raise();
    FAttente->pbattente->repaint();
    PompeMessages();
    if (annulation_)
        FermeAttente();
}

void AvancementFenetre::FermeAttente()
{
    if (!FAttente)
        return;
    // Destruction différée : sûre depuis les gestionnaires de la fenêtre elle-même.
    FAttente->timEstimation->stop();
    FAttente->hide();
    FAttente->deleteLater();
    FAttente.clear();
}

QString AvancementFenetre::AbregeChemin(const QString &chemin) const
{
    const QFontMetrics mesure(principale_ ? principale_->font() : QFont());
    return AbregeSelonLargeur(chemin, LargeurAbregee,
                              [&](const QString &t) { return mesure.horizontalAdvance(t); });
}

} // namespace quorvale
