// Le langage de correspondance (Trad_Macro.txt, PARAM.TXT) et les balayages légers de generate
// (calques d'un DXF, sections d'une couverture E00), sur les mêmes octets.
#include "correspondance.h"
#include "erreur.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Dossier;

void Ecrit(const QString &nom, const QByteArray &contenu)
{
    QFile f(Dossier + u'/' + nom);
    if (f.open(QIODevice::WriteOnly))
        f.write(contenu);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Des fichiers que les INCLUDE peuvent atteindre : un fichier ordinaire et un qui s'inclut.
    Dossier = QDir::tempPath() + u"/quorvale-fuzz-correspondance-"_s + QString::number(qint64(getpid()));
    QDir().mkpath(Dossier);
    std::atexit([] { QDir(Dossier).removeRecursively(); });
    Ecrit(u"commun.txt"_s, "READER MAPINFO\r\nWRITER SHAPE\r\nMACRO SourceDataset /nulle/part\r\nMACRO DestDataset /tmp\r\n");
    Ecrit(u"boucle.txt"_s, "INCLUDE boucle.txt\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray contenu(reinterpret_cast<const char *>(donnees), qsizetype(taille));
    try {
        quorvale::ut::LitTravailTexte(contenu, Dossier + u"/Trad_Macro.txt"_s);
    } catch (const quorvale::Erreur &) {
    }
    try {
        quorvale::ut::CalquesDxfTexte(contenu);
    } catch (const quorvale::Erreur &) {
    }
    quorvale::ut::ClassesE00(contenu);
    quorvale::ut::EnCp1252(quorvale::ut::DecodeUnicodeDxf(quorvale::ut::DepuisCp1252OuUtf8(contenu)));
    return 0;
}
