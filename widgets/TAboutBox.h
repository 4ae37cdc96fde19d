#pragma once

#include <QDialog>

class QLabel;
class QFrame;
class QPushButton;

namespace quorvale {

/** La boîte « À propos » : nom, version, droits et description du programme. */
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(const QString &version, QWidget *parent = nullptr);

    QLabel *ProductName;
    QLabel *NumVersion;
    QLabel *Copyright;
    QLabel *Comments;
    QLabel *Label1;
    QLabel *ProgramIcon;
    QPushButton *OKButton;

private slots:
    void OKButtonClick();
    void Label1Click() {}

private:
    void FormCreate(const QString &version);
    QFrame *Panel1;
};

/** L'icône du programme : une carte pliée sur fond clair, dessinée une fois. */
QPixmap IconeQuorvale(int taille = 32);

} // namespace quorvale
