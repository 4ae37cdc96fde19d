#pragma once

// Le travailleur du traducteur : un imut_gdal qui reste chargé le temps d'un traitement, sans
// repayer le chargement de GDAL (55 ms par processus). Il se duplique (fork) en un exécutant qui
// fait les appels l'un après l'autre, chacun avec l'état de son lanceur ; un exécutant mort est
// remplacé par une nouvelle duplication, de même après un appel raté ou après 250 appels. Des
// appels simultanés ont chacun leur exécutant.
//
// Entente entre le lanceur imut et le travailleur, sur une prise locale (AF_UNIX, SOCK_SEQPACKET) :
// - le lanceur envoie un seul message : un En-tete, puis, terminées chacune par un octet nul,
//   ses nArguments arguments (sans le nom du programme), son dossier courant et ses
//   nEnvironnement variables ; ses descripteurs 0, 1 et 2 l'accompagnent (SCM_RIGHTS) ;
// - le travailleur répond « D » quand la conversion est lancée, puis « S » suivi du code (int32) :
//   le code de sortie, ou 128 + le numéro du signal qui l'a tuée ;
// - sans « D » (pas de travailleur, refus, prise fermée), le lanceur fait le travail lui-même ;
// - si le lanceur disparaît, le travailleur tue la conversion en cours (son exécutant).
// Lanceur sans bibliothèque : ce fichier n'inclut que des en-têtes du système.

#include <sys/socket.h>

#include <cstring>

namespace quorvale::ut {

/** La variable d'environnement qui nomme la prise du travailleur du traitement en cours. */
inline constexpr char VariableTravailleur[] = "QUORVALE_TRAVAILLEUR_UT";
/** L'option de imut_gdal qui en fait un travailleur : imut_gdal --travailleur <prise>. */
inline constexpr char OptionTravailleur[] = "--travailleur";
/** Ce que le travailleur écrit sur sa sortie quand il écoute. */
inline constexpr char TravailleurPret[] = "pret\n";

inline constexpr unsigned MagieTravailleur = 0x51555431; // "QUT1"
inline constexpr unsigned TailleMaxDemande = 200 * 1024;

struct EnTete {
    unsigned magie;
    unsigned masque; // umask
    unsigned nArguments;
    unsigned nEnvironnement;
};

/** Envoie un message et trois descripteurs (SCM_RIGHTS) ; vrai s'il est parti en entier. */
inline bool EnvoieAvecDescripteurs(int prise, const void *octets, size_t n, const int (&fds)[3])
{
    alignas(cmsghdr) char controle[CMSG_SPACE(sizeof fds)] = {};
    iovec iov{const_cast<void *>(octets), n};
    msghdr m{};
    m.msg_iov = &iov;
    m.msg_iovlen = 1;
    m.msg_control = controle;
    m.msg_controllen = sizeof controle;
    cmsghdr *c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof fds);
    std::memcpy(CMSG_DATA(c), fds, sizeof fds);
    return ::sendmsg(prise, &m, MSG_NOSIGNAL) == ssize_t(n);
}

/** Écoute sur la prise et sert les appels jusqu'à la fin du processus qui l'a lancé ; 0, ou 1 si
 *  la prise ne s'ouvre pas. */
int Travailleur(const char *prise);

} // namespace quorvale::ut
