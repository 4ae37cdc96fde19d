// Le traducteur chargé une fois par traitement : le vrai imut et le vrai imut_gdal, appelés comme
// le programme les appelle, avec et sans travailleur.
#include "traitement.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using quorvale::TravailleurTraducteur;

namespace {

const char Variable[] = "QUORVALE_TRAVAILLEUR_UT";

QString DossierMapInfo()
{
    return qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u'/';
}

QString Echantillon()
{
    return qEnvironmentVariable("QUORVALE_SAMPLES") + u"/shp/gdal-departs"_s;
}

// Lance imut avec ces arguments (stderr : erreur, ou le fd donné), depuis ce dossier et avec ce
// umask s'ils sont donnés ; rend son pid.
pid_t LanceImut(const QStringList &arguments, int erreur = -1, const QString &dossier = {}, int masque = -1)
{
    const QByteArray courant = QFile::encodeName(dossier);
    QList<QByteArray> octets{QFile::encodeName(DossierMapInfo() + u"UT/imut"_s)};
    for (const QString &a : arguments)
        octets << QFile::encodeName(a);
    QList<char *> argv;
    for (QByteArray &o : octets)
        argv << o.data();
    argv << nullptr;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nul = ::open("/dev/null", O_RDWR);
        ::dup2(nul, 0);
        ::dup2(nul, 1);
        if (erreur >= 0)
            ::dup2(erreur, 2);
        if (!courant.isEmpty() && ::chdir(courant.constData()) != 0)
            ::_exit(126);
        if (masque >= 0)
            ::umask(mode_t(masque));
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

int Attend(pid_t pid)
{
    int statut = 0;
    ::waitpid(pid, &statut, 0);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut);
}

int Generate(const QString &param)
{
    return Attend(LanceImut({u"generate"_s, u"Shape"_s, u"Mapinfo"_s, Echantillon(), param, u"ID"_s, u"departs"_s}));
}

// Ce qui arrive sur un tube jusqu'à sa fermeture par tous ses écrivains ; nul si elle n'arrive pas.
std::optional<QByteArray> LitJusquALaFin(int fd)
{
    QByteArray lu;
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < 10000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char bloc[4096];
        const ssize_t n = ::read(fd, bloc, sizeof bloc);
        if (n <= 0)
            return lu;
        lu.append(bloc, n);
    }
    return std::nullopt;
}

// Les enfants d'un processus, lus dans /proc.
QList<pid_t> Enfants(qint64 parent)
{
    QList<pid_t> enfants;
    const QStringList entrees = QDir(u"/proc"_s).entryList(QDir::Dirs);
    for (const QString &e : entrees) {
        bool ok = false;
        const pid_t pid = e.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(u"/proc/%1/stat"_s.arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray texte = stat.readAll();
        const QList<QByteArray> champs = texte.mid(texte.lastIndexOf(')') + 2).split(' ');
        if (champs.size() > 1 && champs[1].toLongLong() == parent)
            enfants << pid;
    }
    return enfants;
}

bool Vivant(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray texte = stat.readAll();
    return !texte.mid(texte.lastIndexOf(')') + 2).startsWith('Z');
}

// Un tube plein : qui y écrit reste bloqué (une conversion qui ne finit pas, sans fichier spécial).
struct TubePlein {
    int fds[2] = {-1, -1};
    TubePlein()
    {
        if (::pipe2(fds, O_NONBLOCK) != 0)
            return;
        const QByteArray bloc(4096, 'x');
        while (::write(fds[1], bloc.constData(), size_t(bloc.size())) > 0) {
        }
        ::fcntl(fds[1], F_SETFL, 0);
    }
    ~TubePlein()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
};

// La cible d'un lien de /proc, telle quelle (« pipe:[...] »).
QByteArray Lien(const QString &chemin)
{
    char cible[256];
    const ssize_t n = ::readlink(QFile::encodeName(chemin).constData(), cible, sizeof cible);
    return n > 0 ? QByteArray(cible, n) : QByteArray();
}

// imut lancé sur un fichier de correspondance absent : son message bloque sur le tube plein ; rend
// le lanceur et la conversion du travailleur qui écrit dans ce tube (0 si elle n'apparaît pas).
std::pair<pid_t, pid_t> AppelBloque(qint64 travailleur, const TubePlein &tube)
{
    const pid_t lanceur = LanceImut({u"/nexiste/pas/Trad_Macro.txt"_s}, tube.fds[1]);
    const QByteArray leTube = Lien(u"/proc/self/fd/%1"_s.arg(tube.fds[1]));
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < 10000) {
        for (const pid_t enfant : Enfants(travailleur))
            if (Lien(u"/proc/%1/fd/2"_s.arg(enfant)) == leTube)
                return {lanceur, enfant};
        QTest::qWait(20);
    }
    return {lanceur, 0};
}

} // namespace

class TestTravailleur : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv(Variable);
        QVERIFY(dossier_.isValid());
        // Une conversion tuée par un signal peut laisser un fichier core dans le dossier courant.
        QDir::setCurrent(dossier_.path());
    }

    void sansTravailleurImutFaitLeTravailLuiMeme_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::newRow("sans variable") << QByteArray();
        QTest::newRow("prise absente") << QByteArray("/nexiste/pas/imut");
    }
    void sansTravailleurImutFaitLeTravailLuiMeme()
    {
        QFETCH(QByteArray, variable);
        if (!variable.isEmpty())
            qputenv(Variable, variable);
        const QString param = dossier_.filePath(u"PARAM.TXT"_s);
        QCOMPARE(Generate(param), 0);
        QVERIFY(QFile(param).size() > 0);
    }

    void uneConversionSeuleNeLancePasDeTravailleur()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(!travailleur.Prepare(1));
        QCOMPARE(travailleur.Pid(), 0);
        QVERIFY(!qEnvironmentVariableIsSet(Variable));
    }

    void leTravailleurSertLesAppelsEtFinitAvecLeTraitement()
    {
        qint64 pid = 0;
        QString prise;
        {
            TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
            QVERIFY(travailleur.AttendPret(20000));
            pid = travailleur.Pid();
            prise = qEnvironmentVariable(Variable);
            QVERIFY(prise.startsWith(dossier_.path() + u"/quorvale-"_s));
            QVERIFY(Vivant(pid_t(pid)));

            const QString param = dossier_.filePath(u"PARAM.TXT"_s);
            QCOMPARE(Generate(param), 0);
            QVERIFY(QFile::exists(param));
            QVERIFY(travailleur.Prepare(10));
        }
        QVERIFY(!Vivant(pid_t(pid)));
        QVERIFY(!qEnvironmentVariableIsSet(Variable));
        QVERIFY(!QFileInfo::exists(QFileInfo(prise).path()));
    }

    void uneConversionTueeEstUnEchecEtLaSuivanteReussit()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(travailleur.AttendPret(20000));
        TubePlein tube;
        const auto [lanceur, enfant] = AppelBloque(travailleur.Pid(), tube);
        QVERIFY(enfant > 0);
        ::kill(enfant, SIGSEGV);
        QCOMPARE(Attend(lanceur), 128 + SIGSEGV);

        QCOMPARE(Generate(dossier_.filePath(u"PARAM.TXT"_s)), 0);
        QVERIFY(travailleur.Prepare(10));
        QVERIFY(Vivant(pid_t(travailleur.Pid())));
    }

    void unLanceurTueEmporteSaConversion()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(travailleur.AttendPret(20000));
        TubePlein tube;
        const auto [lanceur, enfant] = AppelBloque(travailleur.Pid(), tube);
        QVERIFY(enfant > 0);
        ::kill(lanceur, SIGKILL);
        QCOMPARE(Attend(lanceur), 128 + SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!Vivant(enfant), 10000);
    }

    void unTravailleurMortEstRemplace()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(travailleur.AttendPret(20000));
        const qint64 premier = travailleur.Pid();
        ::kill(pid_t(premier), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!Vivant(pid_t(premier)), 10000);
        // Rien n'attend le remplaçant : entre-temps, imut se charge lui-même.
        QVERIFY(!travailleur.Prepare(10));
        QVERIFY(!qEnvironmentVariableIsSet(Variable));
        QCOMPARE(Generate(dossier_.filePath(u"PARAM.TXT"_s)), 0);
        QVERIFY(travailleur.AttendPret(20000));
        QVERIFY(travailleur.Pid() != premier);
        QCOMPARE(Generate(dossier_.filePath(u"PARAM2.TXT"_s)), 0);
    }

    // Les appels se suivent dans un même processus : chacun y a le dossier courant, le umask et la
    // sortie d'erreur de son lanceur, et cette sortie se ferme quand il finit.
    void chaqueAppelALEtatDeSonLanceur()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(travailleur.AttendPret(20000));
        const QString a = dossier_.filePath(u"a"_s), b = dossier_.filePath(u"b"_s);
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
        const QStringList generate{u"generate"_s, u"Shape"_s, u"Mapinfo"_s, Echantillon(), u"PARAM.TXT"_s,
                                   u"ID"_s, u"departs"_s};
        auto appel = [&](const QStringList &arguments, const QString &dossier, int masque, int &code) {
            int tube[2];
            if (::pipe2(tube, O_CLOEXEC) != 0)
                return std::optional<QByteArray>();
            const pid_t lanceur = LanceImut(arguments, tube[1], dossier, masque);
            ::close(tube[1]);
            const auto lu = LitJusquALaFin(tube[0]);
            ::close(tube[0]);
            code = Attend(lanceur);
            return lu;
        };
        int code = 0;
        const auto rate = appel({u"/nexiste/pas/Trad_Macro.txt"_s}, a, 022, code);
        QVERIFY2(rate, "la sortie d'erreur d'un appel raté reste ouverte après lui");
        QCOMPARE(code, 1);
        QVERIFY2(rate->startsWith("imut : "), rate->constData());

        const auto premier = appel(generate, a, 077, code);
        QVERIFY(premier);
        QCOMPARE(code, 0);
        QCOMPARE(*premier, QByteArray());
        const QList<pid_t> executants = Enfants(travailleur.Pid());
        QCOMPARE(executants.size(), 1);
        const auto second = appel(generate, b, 022, code);
        QVERIFY(second);
        QCOMPARE(code, 0);
        QCOMPARE(Enfants(travailleur.Pid()), executants);

        struct stat etat{};
        QCOMPARE(::stat(QFile::encodeName(a + u"/PARAM.TXT"_s).constData(), &etat), 0);
        QCOMPARE(etat.st_mode & 0777, mode_t(0600));
        QCOMPARE(::stat(QFile::encodeName(b + u"/PARAM.TXT"_s).constData(), &etat), 0);
        QCOMPARE(etat.st_mode & 0777, mode_t(0644));
    }

    void unAppelBloqueNeRetardePasLesAutres()
    {
        TravailleurTraducteur travailleur(DossierMapInfo(), dossier_.path() + u'/');
        QVERIFY(travailleur.AttendPret(20000));
        TubePlein tube;
        const auto [lanceur, enfant] = AppelBloque(travailleur.Pid(), tube);
        QVERIFY(enfant > 0);
        QCOMPARE(Generate(dossier_.filePath(u"PARAM.TXT"_s)), 0);
        QVERIFY(Vivant(enfant));
        ::kill(lanceur, SIGKILL);
        Attend(lanceur);
        QTRY_VERIFY_WITH_TIMEOUT(!Vivant(enfant), 10000);
    }

private:
    QTemporaryDir dossier_;
};

QTEST_GUILESS_MAIN(TestTravailleur)
#include "tst_travailleur.moc"
