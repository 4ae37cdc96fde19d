#pragma once

#include "interface.h"

#include <QPointer>

class QWidget;

namespace quorvale {

class MessagesFenetre : public Messages {
public:
    void Affiche(const QString &texte) override;
    Reponse Question(const QString &texte) override;
};

class DialoguesFenetre : public Dialogues {
public:
    QStringList ChoisitFichiers(const QString &description, const QString &motif) override;
    QString ChoisitFichier(const QString &titre, const QString &description, const QString &motif,
                           const QString &extensionParDefaut) override;
    QString ChoisitDossier(const QString &titre) override;
};

/** L'aide HTML dans une fenêtre du programme. */
class AideFenetre : public Aide {
public:
    ~AideFenetre() override;
    void AfficheAide(const QString &fichier) override;

private:
    QPointer<QWidget> fenetre_;
};

} // namespace quorvale
