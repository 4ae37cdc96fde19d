#include "TAboutBox.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QPixmap IconeQuorvale(int taille)
{
    QPixmap image(taille, taille);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = taille / 32.0;
    const QColor bleu(30, 80, 160), vert(70, 150, 80), sable(235, 225, 190);
    const QPolygonF carte{{2 * u, 6 * u}, {11 * u, 3 * u}, {21 * u, 6 * u}, {30 * u, 3 * u},
                          {30 * u, 26 * u}, {21 * u, 29 * u}, {11 * u, 26 * u}, {2 * u, 29 * u}};
    p.setPen(QPen(bleu, 1.2 * u));
    p.setBrush(sable);
    p.drawPolygon(carte);
    p.drawLine(QPointF(11 * u, 3 * u), QPointF(11 * u, 26 * u));
    p.drawLine(QPointF(21 * u, 6 * u), QPointF(21 * u, 29 * u));
    p.setPen(QPen(vert, 2 * u));
    p.drawLine(QPointF(4 * u, 22 * u), QPointF(16 * u, 12 * u));
    p.drawLine(QPointF(16 * u, 12 * u), QPointF(28 * u, 18 * u));
    return image;
}

TAboutBox::TAboutBox(const QString &version, QWidget *parent) : QDialog(parent)
{
    setObjectName(u"AboutBox"_s);
    setWindowTitle(u"À propos"_s);
    setFixedSize(298, 231);
    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 281, 185);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(24, 16, 32, 32);
    ProgramIcon->setPixmap(IconeQuorvale(32));
    ProductName = new QLabel(u"Quorvale.exe"_s, Panel1);
    ProductName->move(88, 16);
    NumVersion = new QLabel(Panel1);
    NumVersion->setGeometry(88, 40, 180, 16);
    Copyright = new QLabel(u"Copyright © Olvessa"_s, Panel1);
    Copyright->move(8, 64);
    Comments = new QLabel(u"Traduit les formats dxf, e00, mif, shp et tab vers tous les formats. Permet d'inclure "
                          u"les sous-dossiers. Offre un filtre sur le nom de fichier. Offre des fonctionnalités "
                          u"d'assignation automatique de la projection. Génère des fichiers .prj."_s,
                          Panel1);
    Comments->setGeometry(8, 88, 265, 73);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1 = new QLabel(Panel1);
    Label1->move(8, 160);
    Label1->setStyleSheet(u"color: blue;"_s);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setVisible(false);
    OKButton = new QPushButton(u"OK"_s, this);
    OKButton->setGeometry(111, 200, 75, 25);
    OKButton->setDefault(true);
    // Un texte qui ne tient pas dans ses 73 pixels (police plus grande) agrandit la boîte d'autant :
    // la dernière phrase n'est jamais coupée.
    const int surplus = qMax(0, Comments->heightForWidth(Comments->width()) - Comments->height());
    if (surplus > 0) {
        Comments->resize(Comments->width(), Comments->height() + surplus);
        Label1->move(Label1->x(), Label1->y() + surplus);
        Panel1->resize(Panel1->width(), Panel1->height() + surplus);
        OKButton->move(OKButton->x(), OKButton->y() + surplus);
        setFixedSize(width(), height() + surplus);
    }
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
    FormCreate(version);
}

void TAboutBox::FormCreate(const QString &version)
{
    NumVersion->setText(u"Version : "_s + version);
}

void TAboutBox::OKButtonClick()
{
    accept();
}

} // namespace quorvale
