#include "interface_ui.h"

#include "fichiers.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

Messages::Reponse MessagesFenetre::Question(const QString &texte)
{
    QMessageBox boite(QMessageBox::Question, QApplication::applicationName(), texte,
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QApplication::activeWindow());
    boite.button(QMessageBox::Yes)->setText(u"Oui"_s);
    boite.button(QMessageBox::No)->setText(u"Non"_s);
    boite.button(QMessageBox::Cancel)->setText(u"Annuler"_s);
    boite.setDefaultButton(QMessageBox::Yes);
    const int choix = boite.exec();
    return choix == QMessageBox::Yes ? Reponse::Oui : choix == QMessageBox::No ? Reponse::Non : Reponse::Annuler;
}

void MessagesFenetre::Affiche(const QString &texte)
{
    QMessageBox boite(QMessageBox::NoIcon, QApplication::applicationName(), texte, QMessageBox::Ok,
                      QApplication::activeWindow());
    boite.exec();
}

QStringList DialoguesFenetre::ChoisitFichiers(const QString &description, const QString &motif)
{
    QFileDialog dialogue(QApplication::activeWindow());
    dialogue.setFileMode(QFileDialog::ExistingFiles);
    dialogue.setOption(QFileDialog::ReadOnly, false);
    dialogue.setNameFilter(description + u" ("_s + motif + u')');
    if (dialogue.exec() != QDialog::Accepted)
        return {};
    return dialogue.selectedFiles();
}

QString DialoguesFenetre::ChoisitFichier(const QString &titre, const QString &description, const QString &motif,
                                         const QString &extensionParDefaut)
{
    QFileDialog dialogue(QApplication::activeWindow(), titre);
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setNameFilter(description + u" ("_s + motif + u')');
    dialogue.setDefaultSuffix(extensionParDefaut);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return {};
    return dialogue.selectedFiles().first();
}

QString DialoguesFenetre::ChoisitDossier(const QString &titre)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), titre, QString(),
                                             QFileDialog::ShowDirsOnly);
}

AideFenetre::~AideFenetre()
{
    delete fenetre_.data();
}

void AideFenetre::AfficheAide(const QString &fichier)
{
    if (!fenetre_) {
        auto *fenetre = new QWidget(nullptr, Qt::Window);
        fenetre->setWindowTitle(u"Aide de Quorvale"_s);
        fenetre->resize(640, 560);
        auto *disposition = new QVBoxLayout(fenetre);
        auto *navigateur = new QTextBrowser(fenetre);
        navigateur->setObjectName(u"navigateur"_s);
        navigateur->setOpenExternalLinks(true);
        disposition->addWidget(navigateur);
        // Échap ferme l'aide, comme un dialogue.
        auto *echap = new QShortcut(QKeySequence(Qt::Key_Escape), fenetre);
        QObject::connect(echap, &QShortcut::activated, fenetre, &QWidget::close);
        // La première fois, centrée sur la fenêtre active (sinon sur l'écran) ; ensuite là où on l'a laissée.
        const QWidget *active = QApplication::activeWindow();
        const QRect autour = active ? active->frameGeometry()
                                    : (fenetre->screen() ? fenetre->screen()->availableGeometry() : QRect());
        if (autour.isValid())
            fenetre->move(autour.center() - QPoint(fenetre->width() / 2, fenetre->height() / 2));
        fenetre_ = fenetre;
    }
    auto *navigateur = fenetre_->findChild<QTextBrowser *>(u"navigateur"_s);
    const QString reel = Resous(fichier);
    if (FichierExiste(reel))
        navigateur->setSource(QUrl::fromLocalFile(QFileInfo(reel).absoluteFilePath()));
    else
        navigateur->setHtml(u"<h2>Aide introuvable</h2><p>Le fichier d'aide « %1 » est introuvable.</p>"_s
                                .arg(fichier.toHtmlEscaped()));
    fenetre_->show();
    fenetre_->raise();
    fenetre_->activateWindow();
}

} // namespace quorvale
