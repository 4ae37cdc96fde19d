#include "TFAttente.h"
#include "fakes.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

class TestAttente : public QObject {
    Q_OBJECT

private slots:
    void ouvertureSansJauge();
    void ouvertureAvecJaugeReutiliseLaFenetre();
    void largeurDeLaJauge_data();
    void largeurDeLaJauge();
    void pourcentageHorsBornes_data();
    void pourcentageHorsBornes();
    void annulationPendantUnPas_data();
    void annulationPendantUnPas();
    void estimation();
    void estimationCachee_data();
    void estimationCachee();
    void texteTempsRestant_data();
    void texteTempsRestant();
    void cheminAbrege_data();
    void cheminAbrege();
};

void TestAttente::ouvertureSansJauge()
{
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"Construction de la liste de fichiers à traduire."_s, false);
    TFAttente *f = u.FAttente;
    QVERIFY(f && f->isVisible());
    QCOMPARE(f->windowTitle(), u"Avancement"_s);
    QCOMPARE(f->size(), QSize(322, 181));
    QCOMPARE(f->lmsg->y(), 50);
    QVERIFY(f->Button1->isVisible());
    for (QWidget *w : std::initializer_list<QWidget *>{f->pbattente, f->Shape1, f->Shape3, f->Label5, f->lEstimation})
        QVERIFY(!w->isVisible());
    QVERIFY(!f->timEstimation->isActive());
}

void TestAttente::ouvertureAvecJaugeReutiliseLaFenetre()
{
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"liste"_s, false);
    TFAttente *premiere = u.FAttente;
    u.AvanceAttente({}, 40);
    horloge.maintenant = horloge.maintenant.addSecs(30);
    u.AfficheAttente({}, true);
    QCOMPARE(u.FAttente.data(), premiere);
    QCOMPARE(premiere->lmsg->text(), QString());
    QCOMPARE(premiere->lmsg->y(), 10);
    QCOMPARE(premiere->pbattente->width(), 0);
    QVERIFY(premiere->pbattente->isVisible() && premiere->Label3->isVisible());
    QVERIFY(premiere->timEstimation->isActive());
    QCOMPARE(premiere->Debut, horloge.maintenant);
    QVERIFY(!u.Annulation());
}

void TestAttente::largeurDeLaJauge_data()
{
    QTest::addColumn<int>("pourcentage");
    QTest::addColumn<int>("largeur");
    QTest::newRow("0 %") << 0 << 0;
    QTest::newRow("1 %") << 1 << 2;
    QTest::newRow("50 %") << 50 << 149;
    QTest::newRow("99 %") << 99 << 295;
    QTest::newRow("100 %") << 100 << 298;
}

void TestAttente::largeurDeLaJauge()
{
    QFETCH(int, pourcentage);
    QFETCH(int, largeur);
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"x"_s, true);
    u.AvanceAttente(u"Traitement"_s, pourcentage);
    QCOMPARE(u.FAttente->pbattente->width(), largeur);
    QCOMPARE(u.FAttente->pbattente->value(), 100);
    QCOMPARE(u.FAttente->lmsg->text(), u"Traitement"_s);
    QCOMPARE(u.DernierPourcentage, pourcentage);
}

void TestAttente::pourcentageHorsBornes_data()
{
    QTest::addColumn<int>("pourcentage");
    QTest::newRow("101") << 101;
    QTest::newRow("-1") << -1;
}

void TestAttente::pourcentageHorsBornes()
{
    QFETCH(int, pourcentage);
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"x"_s, true);
    u.AvanceAttente({}, 30);
    u.FAttente->Button1->click();
    u.AvanceAttente(u"nouveau"_s, pourcentage);
    // Le message change, rien d'autre : pas de jauge, et l'annulation n'est pas vue.
    QVERIFY(u.Ouverte());
    QCOMPARE(u.FAttente->lmsg->text(), u"nouveau"_s);
    QCOMPARE(u.FAttente->pbattente->width(), 89);
    QCOMPARE(u.DernierPourcentage, 30);
}

void TestAttente::annulationPendantUnPas_data()
{
    QTest::addColumn<QString>("geste");
    QTest::newRow("bouton Annuler") << u"bouton"_s;
    QTest::newRow("touche Échap") << u"echap"_s;
    QTest::newRow("case de fermeture") << u"fermeture"_s;
}

void TestAttente::annulationPendantUnPas()
{
    QFETCH(QString, geste);
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"x"_s, true);
    QPointer<TFAttente> f = u.FAttente;
    f->activateWindow();
    // Le geste arrive pendant le pompage des messages du pas ; la fenêtre le montre aussitôt.
    QString montre;
    bool boutonActif = true, visible = false;
    QTimer::singleShot(0, f, [&] {
        if (geste == u"bouton"_s)
            f->Button1->click();
        else if (geste == u"echap"_s)
            QTest::keyClick(f->Button1, Qt::Key_Escape);
        else
            f->close();
        montre = f->lEstimation->text();
        boutonActif = f->Button1->isEnabled();
        visible = f->isVisible();
    });
    u.AvanceAttente({}, 10);
    QCOMPARE(montre, u"Annulation demandée…"_s);
    QVERIFY(!boutonActif);
    QVERIFY(visible);
    QVERIFY(u.Annulation());
    QVERIFY(!u.Ouverte());
    QVERIFY(!f || !f->isVisible());
    // Plus rien n'a d'effet, et le drapeau reste levé jusqu'à la prochaine ouverture.
    u.AvanceAttente(u"y"_s, 20);
    u.FermeAttente();
    QVERIFY(u.Annulation());
    u.AfficheAttente(u"z"_s, true);
    QVERIFY(!u.Annulation());
}

void TestAttente::estimation()
{
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"x"_s, true);
    u.AvanceAttente({}, 25);
    horloge.maintenant = horloge.maintenant.addSecs(60);
    u.FAttente->timEstimationTimer();
    QVERIFY(u.FAttente->lEstimation->isVisible());
    // 180 000 ms estimées, une seconde de plus affichée.
    QVERIFY2(QRegularExpression(u"^Temps restant: 0?0:03:01$"_s).match(u.FAttente->lEstimation->text()).hasMatch(),
             qPrintable(u.FAttente->lEstimation->text()));
}

void TestAttente::estimationCachee_data()
{
    QTest::addColumn<int>("pourcentage");
    QTest::newRow("0 %") << 0;
    QTest::newRow("100 %") << 100;
}

void TestAttente::estimationCachee()
{
    QFETCH(int, pourcentage);
    FausseHorloge horloge;
    AvancementFenetre u(horloge);
    u.AfficheAttente(u"x"_s, true);
    u.AvanceAttente({}, pourcentage);
    horloge.maintenant = horloge.maintenant.addSecs(60);
    u.FAttente->timEstimationTimer();
    QVERIFY(!u.FAttente->lEstimation->isVisible());
}

void TestAttente::texteTempsRestant_data()
{
    QTest::addColumn<double>("restant");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("trois minutes") << 180000.0 << u"Temps restant: 00:03:01"_s;
    QTest::newRow("fraction tronquée") << 1999.9 << u"Temps restant: 00:00:02"_s;
    QTest::newRow("plus d'une heure") << 3723000.0 << u"Temps restant: 01:02:04"_s;
    QTest::newRow("24 heures repartent de zéro") << 86400000.0 << u"Temps restant: 00:00:01"_s;
}

void TestAttente::texteTempsRestant()
{
    QFETCH(double, restant);
    QFETCH(QString, attendu);
    QCOMPARE(TexteTempsRestant(restant, QLocale(QLocale::French, QLocale::France)), attendu);
}



void TestAttente::cheminAbrege_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<int>("largeur");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("tient en entier") << u"/a/b/c.shp"_s << 20 << u"/a/b/c.shp"_s;
    QTest::newRow("premiers dossiers remplacés")
        << u"/donnees/quebec/21e/31h05.dxf"_s << 20 << u"/.../21e/31h05.dxf"_s;
    QTest::newRow("nom de fichier toujours gardé")
        << u"/donnees/quebec/un_nom_de_fichier_tres_long.dxf"_s << 10 << u"/.../un_nom_de_fichier_tres_long.dxf"_s;
}

void TestAttente::cheminAbrege()
{
    QFETCH(QString, chemin);
    QFETCH(int, largeur);
    QFETCH(QString, attendu);
    // Un caractère vaut un pixel.
    QCOMPARE(AbregeSelonLargeur(chemin, largeur, [](const QString &t) { return int(t.size()); }), attendu);
}

QTEST_MAIN(TestAttente)
#include "tst_attente.moc"
