#pragma once

#include <QString>

namespace quorvale {

/** Ce qu'un processus a laissé : son code de sortie (-1 s'il a été tué ou arrêté faute de temps)
 *  et ce qu'il a écrit sur sa sortie d'erreur. */
struct ResultatProcessus {
    int code = 0;
    bool delaiDepasse = false;
    QString erreur;
};

/** Lancement de fichiers de commandes, sans terminal, attendus jusqu'à leur fin. */
class Processus {
public:
    virtual ~Processus() = default;
    /** Exécute le fichier de commandes par /bin/sh et attend sa fin en pompant les messages.
     *  Lève quorvale::Erreur ("Erreur système.  Code : %d.\r\n%s") si le processus ne se crée pas. */
    virtual ResultatProcessus ExecuteEtAttend(const QString &fichierCommandes) = 0;
};

/** Le texte d'une erreur système de création de processus. */
QString TexteErreurSysteme(int code);

/** Processus réels ; delaiMs borne chaque exécution (0 : pas de limite), le groupe entier est tué. */
class ProcessusLocal : public Processus {
public:
    explicit ProcessusLocal(int delaiMs = 0) : delaiMs_(delaiMs) {}
    ResultatProcessus ExecuteEtAttend(const QString &fichierCommandes) override;
    void ChangeDelai(int delaiMs) { delaiMs_ = delaiMs; }

private:
    int delaiMs_;
};

/** Arrêt demandé (SIGTERM, SIGHUP, Ctrl+C, fin de session) : l'appel en cours est interrompu, son
 *  groupe de processus reçoit SIGTERM puis SIGKILL. DemandeArret est sûr dans un gestionnaire de
 *  signal ; OublieArret remet à zéro au début d'un traitement. */
void DemandeArret();
bool ArretDemande();
void OublieArret();

/** Traite les événements en attente (les clics et le dessin des fenêtres pendant un long travail). */
void PompeMessages();

} // namespace quorvale
