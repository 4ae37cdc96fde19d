#include "fichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <time.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QChar MinusculeAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
}

bool EgalSansCasseAscii(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (MinusculeAscii(a[i]) != MinusculeAscii(b[i]))
            return false;
    return true;
}

bool ExisteBrut(const QString &chemin)
{
    struct stat st;
    return ::lstat(QFile::encodeName(chemin).constData(), &st) == 0;
}

// Entrées d'un dossier dans l'ordre du système, sans "." ni "..". Lues par blocs dans un tampon
// sur la pile : opendir prend 32 Ko au tas par dossier, que les noms lus entre-temps morcellent,
// et une grande arborescence payait ainsi des pages neuves à chaque dossier.
// Faux quand le dossier ne s'ouvre pas ou que sa lecture échoue.
template <typename Fonction>
bool ParcourtDossier(const QString &dossier, Fonction &&f)
{
    const int d = ::open(QFile::encodeName(dossier.isEmpty() ? u"."_s : dossier).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0)
        return false;
    alignas(dirent64) char tampon[32768];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, d, tampon, sizeof tampon);
        if (n < 0) {
            ::close(d);
            return false;
        }
        if (n == 0)
            break;
        for (long k = 0; k < n;) {
            const auto *e = reinterpret_cast<const dirent64 *>(tampon + k);
            k += e->d_reclen;
            const char *nom = e->d_name;
            if (nom[0] == '.' && (nom[1] == 0 || (nom[1] == '.' && nom[2] == 0)))
                continue;
            if (!f(e)) {
                ::close(d);
                return true;
            }
        }
    }
    ::close(d);
    return true;
}

// Les noms d'un dossier, repliés en minuscules ASCII, gardés d'une recherche sans casse à la
// suivante : un traitement cherche les compagnons de chaque fichier (.shx, .dbf, .prj, .cpg…) et
// sa destination, et relire chaque fois un dossier de milliers de fichiers rendait le traitement
// d'un dossier quadratique. Une liste ne sert que tant que le dossier garde sa date de
// modification (tout ajout, retrait ou renommage la change) ; un dossier modifié dans les
// 50 dernières millisecondes n'est pas gardé, car une seconde modification dans le même tic de
// l'horloge du système laisserait la même date.
struct ListeDossier {
    dev_t appareil = 0;
    ino_t noeud = 0;
    timespec modifie{};
    QHash<QByteArray, QString> noms; // nom replié → premier nom du dossier dans l'ordre du système
};

QByteArray ReplieAscii(QByteArray octets)
{
    for (char &c : octets)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return octets;
}

std::mutex verrouListes;
QHash<QString, ListeDossier> listes;

// Le nom exact, dans « dossier », de « partie » à la casse ASCII près ; vide s'il n'y en a pas.
QString NomSansCasse(const QString &dossier, const QString &partie)
{
    const QByteArray cle = ReplieAscii(QFile::encodeName(partie));
    struct stat st;
    const bool lisible = ::stat(QFile::encodeName(dossier.isEmpty() ? u"."_s : dossier).constData(), &st) == 0
                         && S_ISDIR(st.st_mode);
    timespec maintenant{};
    ::clock_gettime(CLOCK_REALTIME, &maintenant);
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    const bool stable = lisible && ns(maintenant) - ns(st.st_mtim) > 50'000'000;
    if (stable) {
        std::lock_guard garde(verrouListes);
        const auto it = listes.constFind(dossier);
        if (it != listes.cend() && it->appareil == st.st_dev && it->noeud == st.st_ino
            && ns(it->modifie) == ns(st.st_mtim))
            return it->noms.value(cle);
    }
    ListeDossier liste;
    liste.appareil = st.st_dev;
    liste.noeud = st.st_ino;
    liste.modifie = st.st_mtim;
    QString trouve;
    // Le repliement ASCII garde la longueur en octets : sans liste à garder, seuls les noms de même
    // longueur sont décodés (un grand dossier se lit sans un décodage par entrée).
    const bool lu = ParcourtDossier(dossier, [&](const dirent64 *e) {
        const size_t longueur = std::strlen(e->d_name);
        if (stable) {
            const QByteArray replie = ReplieAscii(QByteArray(e->d_name, qsizetype(longueur)));
            if (!liste.noms.contains(replie))
                liste.noms.insert(replie, QFile::decodeName(e->d_name));
            return true;
        }
        if (longueur != size_t(cle.size()))
            return true;
        const QString nom = QFile::decodeName(e->d_name);
        if (EgalSansCasseAscii(nom, partie)) {
            trouve = nom;
            return false;
        }
        return true;
    });
    if (!stable)
        return trouve;
    trouve = liste.noms.value(cle);
    if (lu) {
        std::lock_guard garde(verrouListes);
        if (listes.size() >= 256)
            listes.clear();
        listes.insert(dossier, std::move(liste));
    }
    return trouve;
}

bool CorrespondDepuis(const QString &nom, qsizetype i, const QString &motif, qsizetype j)
{
    while (j < motif.size()) {
        const QChar m = motif[j];
        if (m == u'*') {
            while (j < motif.size() && motif[j] == u'*')
                ++j;
            if (j == motif.size())
                return true;
            for (qsizetype k = i; k <= nom.size(); ++k)
                if (CorrespondDepuis(nom, k, motif, j))
                    return true;
            return false;
        }
        if (i >= nom.size())
            return false;
        // Le repliement Unicode seulement hors de l'ASCII (le signe kelvin se replie en « k »).
        if (m != u'?' && MinusculeAscii(m) != MinusculeAscii(nom[i])
            && ((m.unicode() < 0x80 && nom[i].unicode() < 0x80) || m.toCaseFolded() != nom[i].toCaseFolded()))
            return false;
        ++i;
        ++j;
    }
    return i == nom.size();
}

} // namespace

QString Resous(const QString &chemin)
{
    if (chemin.isEmpty() || ExisteBrut(chemin))
        return chemin;
    const bool absolu = chemin.startsWith(u'/');
    const QStringList parties = chemin.split(u'/', Qt::SkipEmptyParts);
    QString courant = absolu ? u"/"_s : QString();
    for (qsizetype i = 0; i < parties.size(); ++i) {
        const QString &partie = parties[i];
        const QString joint = courant.isEmpty() ? partie
                              : courant.endsWith(u'/') ? courant + partie
                                                       : courant + u'/' + partie;
        if (partie == u"."_s || partie == u".."_s || ExisteBrut(joint)) {
            courant = joint;
            continue;
        }
        const QString trouve = NomSansCasse(courant, partie);
        if (trouve.isEmpty()) {
            // Le reste n'existe pas : on le garde tel qu'écrit.
            QString reste = joint;
            for (qsizetype k = i + 1; k < parties.size(); ++k)
                reste += u'/' + parties[k];
            if (chemin.endsWith(u'/'))
                reste += u'/';
            return reste;
        }
        courant = courant.isEmpty() ? trouve : courant.endsWith(u'/') ? courant + trouve : courant + u'/' + trouve;
    }
    if (chemin.endsWith(u'/') && !courant.endsWith(u'/'))
        courant += u'/';
    return courant;
}

bool FichierExiste(const QString &chemin)
{
    struct stat st;
    if (chemin.isEmpty() || ::stat(QFile::encodeName(Resous(chemin)).constData(), &st) != 0)
        return false;
    return !S_ISDIR(st.st_mode);
}

bool DossierExiste(const QString &chemin)
{
    struct stat st;
    if (chemin.isEmpty() || ::stat(QFile::encodeName(Resous(chemin)).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

bool CopieFichier(const QString &source, const QString &cible, bool garde)
{
    const QString src = Resous(source);
    const QString dst = Resous(cible);
    struct stat a, b;
    const bool cibleExiste = ::stat(QFile::encodeName(dst).constData(), &b) == 0;
    if (::stat(QFile::encodeName(src).constData(), &a) != 0 || S_ISDIR(a.st_mode))
        return false;
    if (cibleExiste && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true; // le même fichier : ne jamais le tronquer
    if (cibleExiste && garde)
        return false;
    // Seul un fichier ordinaire se copie : un tube bloquerait, /dev/zero remplirait le disque.
    if (!S_ISREG(a.st_mode)) {
        errno = EINVAL;
        return false;
    }
    // Copie sous un nom provisoire, puis renommage : la cible n'est jamais à moitié écrite. Chaque
    // écriture est vérifiée (disque plein : ENOSPC) ; errno dit la cause d'un échec.
    const QByteArray provisoire = QFile::encodeName(dst + u".quorvale-copie"_s);
    (void)::unlink(provisoire.constData());
    const int de = ::open(QFile::encodeName(src).constData(), O_RDONLY | O_CLOEXEC);
    const int vers = de < 0 ? -1 : ::open(provisoire.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = de >= 0 && vers >= 0;
    int erreur = ok ? 0 : errno;
    static thread_local char tampon[1 << 16];
    while (ok) {
        const ssize_t lu = ::read(de, tampon, sizeof tampon);
        if (lu < 0 && errno == EINTR)
            continue;
        if (lu <= 0) {
            ok = lu == 0;
            erreur = ok ? 0 : errno;
            break;
        }
        for (ssize_t fait = 0; ok && fait < lu;) {
            const ssize_t n = ::write(vers, tampon + fait, size_t(lu - fait));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                erreur = n < 0 ? errno : ENOSPC;
                ok = false;
            } else {
                fait += n;
            }
        }
    }
    if (de >= 0)
        ::close(de);
    if (vers >= 0 && ::close(vers) != 0 && ok) {
        erreur = errno;
        ok = false;
    }
    if (ok && ::rename(provisoire.constData(), QFile::encodeName(dst).constData()) != 0) {
        erreur = errno;
        ok = false;
    }
    if (!ok) {
        if (vers >= 0)
            (void)::unlink(provisoire.constData());
        errno = erreur;
        return false;
    }
    return true;
}

bool DeplaceFichier(const QString &source, const QString &cible)
{
    const QString src = Resous(source);
    const QString dst = Resous(cible);
    if (::rename(QFile::encodeName(src).constData(), QFile::encodeName(dst).constData()) == 0)
        return true;
    if (!CopieFichier(src, dst, false))
        return false;
    return QFile::remove(src);
}

bool SupprimeFichier(const QString &chemin)
{
    if (!FichierExiste(chemin))
        return false;
    return QFile::remove(Resous(chemin));
}

bool CreeDossier(const QString &chemin)
{
    return !chemin.isEmpty() && QDir().mkdir(Resous(chemin));
}

bool SupprimeArborescence(const QString &chemin)
{
    if (chemin.isEmpty())
        return false;
    std::error_code erreur;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(Resous(chemin)).toStdString()), erreur);
    return !erreur && !ExisteBrut(Resous(chemin));
}

QString DossierTemporaire()
{
    QString dossier = QDir::tempPath();
    if (dossier.isEmpty())
        return {};
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    return dossier;
}

QString CreeDossierPrive(const QString &base, QString *raison)
{
    QString parent = base.isEmpty() ? u"/tmp/"_s : base;
    if (!parent.endsWith(u'/'))
        parent += u'/';
    QByteArray modele = QFile::encodeName(parent + u"quorvale-XXXXXX"_s);
    if (::mkdtemp(modele.data()) == nullptr) {
        const int e = errno;
        if (raison)
            *raison = u"Le dossier de travail ne peut pas être créé dans « %1 » : %2"_s.arg(
                parent, CauseEntreeSortie(e));
        return {};
    }
    // mkdtemp crée en 0700 moins le umask : on remet 0700, puis on vérifie ce qu'on a vraiment.
    const int fd = ::open(modele.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    const bool sur = fd >= 0 && ::fchmod(fd, 0700) == 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)
                     && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
    if (fd >= 0)
        ::close(fd);
    if (!sur) {
        (void)::rmdir(modele.constData());
        if (raison)
            *raison = u"Le dossier de travail « %1 » n'est pas privé (propriétaire ou droits inattendus)."_s.arg(
                QFile::decodeName(modele));
        return {};
    }
    return QFile::decodeName(modele) + u'/';
}

QString CauseEntreeSortie(int erreur)
{
    switch (erreur) {
    case ENOSPC: return u"le disque est plein"_s;
    case EDQUOT: return u"le quota de disque est dépassé"_s;
    case EACCES: case EPERM: return u"l'accès est refusé"_s;
    case EROFS: return u"le système de fichiers est en lecture seule"_s;
    case EIO: return u"erreur d'entrée-sortie du disque"_s;
    case EFBIG: return u"le fichier est trop grand"_s;
    case EINVAL: return u"ce n'est pas un fichier ordinaire"_s;
    default: return QString::fromLocal8Bit(std::strerror(erreur));
    }
}

bool CorrespondMotif(const QString &nom, const QString &motif)
{
    if (motif.isEmpty())
        return false;
    if (motif == u"*.*"_s || motif == u"*"_s)
        return true;
    return CorrespondDepuis(nom, 0, motif, 0);
}

QList<EntreeDossier> ChercheDossier(const QString &dossier, const QString &motif)
{
    QList<EntreeDossier> entrees;
    if (motif.isEmpty())
        return entrees;
    const QString reel = Resous(dossier);
    const QByteArray base = QFile::encodeName(reel.endsWith(u'/') ? reel : reel + u'/');
    ParcourtDossier(reel, [&](const dirent64 *e) {
        const QString nom = QFile::decodeName(e->d_name);
        if (!CorrespondMotif(nom, motif))
            return true;
        EntreeDossier entree;
        entree.nom = nom;
        struct stat st;
        if (::stat((base + e->d_name).constData(), &st) == 0) {
            entree.dossier = S_ISDIR(st.st_mode);
            entree.taille = st.st_size;
            // En UTC : le même instant, sans relire le fuseau horaire pour chaque fichier.
            entree.date = QDateTime::fromSecsSinceEpoch(st.st_mtime, Qt::UTC);
        } else if (e->d_type == DT_DIR) {
            entree.dossier = true;
        }
        entrees << entree;
        return true;
    });
    return entrees;
}

namespace {

// Le type d'une entrée d'après la liste ; les liens et les types inconnus sont suivis.
bool EstDossier(const QByteArray &base, const dirent64 *e)
{
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
        return e->d_type == DT_DIR;
    struct stat st;
    return ::stat((base + e->d_name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

QList<EntreeDossier> ChercheNoms(const QString &dossier, const QString &motif, bool *lu, QStringList *invalides)
{
    QList<EntreeDossier> entrees;
    if (motif.isEmpty())
        return entrees;
    const QString reel = Resous(dossier);
    const QByteArray base = QFile::encodeName(reel.endsWith(u'/') ? reel : reel + u'/');
    const bool ouvert = ParcourtDossier(reel, [&](const dirent64 *e) {
        const QString nom = QFile::decodeName(e->d_name);
        // Un nom qui ne se relit pas à l'identique ne désigne plus son fichier : signalé, pas suivi.
        if (invalides && QFile::encodeName(nom) != QByteArrayView(e->d_name)) {
            *invalides << nom;
            return true;
        }
        if (CorrespondMotif(nom, motif))
            entrees << EntreeDossier{nom, EstDossier(base, e), e->d_type == DT_LNK || e->d_type == DT_UNKNOWN, 0, {}};
        return true;
    });
    if (lu)
        *lu = ouvert;
    return entrees;
}

QString ChangeExtension(const QString &chemin, const QString &extension)
{
    const qsizetype barre = chemin.lastIndexOf(u'/');
    const qsizetype point = chemin.lastIndexOf(u'.');
    if (point > barre)
        return chemin.left(point) + extension;
    return chemin + extension;
}

} // namespace quorvale
