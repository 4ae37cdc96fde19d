#pragma once

#include "projections.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quorvale {

class Messages;
class Reglages;
class TForm3;

/** « Choix d'une projection » : la projection par défaut et les quatre réglages. Les réglages
 *  agissent par l'état des contrôles, lu à chaque fichier. */
class TForm2 : public QDialog, public Projections {
    Q_OBJECT

public:
    /** dossierMapInfo terminé par "/" ; le catalogue se cherche ensuite dans dossierExecutable. */
    TForm2(Reglages &reglages, Messages &messages, const QString &dossierMapInfo,
           const QString &dossierExecutable, QWidget *parent = nullptr);
    /** Écrit les réglages (EcrireReglages). */
    ~TForm2() override;

    /** Lit les réglages, charge le catalogue, présélectionne. */
    void FormCreate();
    /** Le dialogue des associations, ouvert par « Associations... » et lu par ProjectionFichier. */
    void setForm3(TForm3 *form3) { form3_ = form3; }

    QString ProjectionFichier(const QString &chemin) const override;
    OrigineSysteme ExpliqueFichier(const QString &chemin) const override;
    const Catalogue &CatalogueProjections() const override { return catalogue_; }

    /** Les réglages tels que les contrôles les montrent. */
    ReglagesProjection ReglagesCourants() const;

    QString ProjectionCourante;
    QString ParametresCourants;
    QString ProjectionChoisie = QString::fromUtf16(ProjectionDeDepart);

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QComboBox *ComboBox1;
    QListWidget *ListBox1;
    QCheckBox *CheckBox1, *CheckBox2;
    QGroupBox *GroupBox1, *GroupBox2;
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    QPushButton *Button3, *Button4;

public slots:
    void ComboBox1Select(int index);
    void ListBox1Click();
    void Button4Click();
    void Button3Click();
    void CheckBox1Click();
    void CheckBox2Click();

private:
    void Preselection();
    /** « Projection courante » : le nom de la projection choisie dans le catalogue, ou sa clause. */
    void MontreProjectionChoisie();

    Reglages &reglages_;
    Messages &messages_;
    QString dossierMapInfo_;
    QString dossierExecutable_;
    Catalogue catalogue_;
    QList<qsizetype> lignesListe_; // ligne du catalogue de chaque entrée de ListBox1
    QPointer<TForm3> form3_;
    bool cree_ = false; // les réglages ne s'écrivent qu'après avoir été lus
};

} // namespace quorvale
