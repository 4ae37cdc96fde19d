#include "jeux.h"

#include "fichiers.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <iconv.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::jeux {

namespace {

struct Jeu {
    const char16_t *charset;
    const char *codage;
};
// La table unique des jeux MapInfo et de leur codage iconv ; le premier nom d'un codage est celui
// qu'on écrit.
constexpr Jeu Jeux[] = {
    {u"WindowsLatin1", "CP1252"},     {u"WindowsLatin2", "CP1250"},       {u"WindowsCyrillic", "CP1251"},
    {u"WindowsGreek", "CP1253"},      {u"WindowsTurkish", "CP1254"},      {u"WindowsHebrew", "CP1255"},
    {u"WindowsArabic", "CP1256"},     {u"WindowsBalticRim", "CP1257"},    {u"WindowsVietnamese", "CP1258"},
    {u"WindowsThai", "CP874"},        {u"WindowsTradChinese", "CP950"},   {u"WindowsSimpChinese", "CP936"},
    {u"WindowsJapanese", "CP932"},    {u"WindowsKorean", "CP949"},        {u"CodePage437", "CP437"},
    {u"CodePage850", "CP850"},        {u"CodePage852", "CP852"},          {u"CodePage855", "CP855"},
    {u"CodePage857", "CP857"},        {u"CodePage860", "CP860"},          {u"CodePage861", "CP861"},
    {u"CodePage863", "CP863"},        {u"CodePage864", "CP864"},          {u"CodePage865", "CP865"},
    {u"CodePage866", "CP866"},        {u"CodePage869", "CP869"},          {u"ISO8859_1", "ISO-8859-1"},
    {u"ISO8859_2", "ISO-8859-2"},     {u"ISO8859_3", "ISO-8859-3"},       {u"ISO8859_4", "ISO-8859-4"},
    {u"ISO8859_5", "ISO-8859-5"},     {u"ISO8859_6", "ISO-8859-6"},       {u"ISO8859_7", "ISO-8859-7"},
    {u"ISO8859_8", "ISO-8859-8"},     {u"ISO8859_9", "ISO-8859-9"},       {u"PackedEUCJapaese", "EUC-JP"},
    {u"UTF-8", "UTF-8"},              {u"UTF8", "UTF-8"},
};

// Codes de langue des tables dBase (octet 29 de l'en-tête) et leur page de code.
struct Ldid {
    uchar code;
    const char *codage;
};
constexpr Ldid Ldids[] = {
    {0x01, "CP437"},  {0x02, "CP850"},  {0x03, "CP1252"}, {0x08, "CP865"},  {0x09, "CP437"},  {0x0A, "CP850"},
    {0x0B, "CP437"},  {0x0D, "CP437"},  {0x0E, "CP850"},  {0x0F, "CP437"},  {0x10, "CP850"},  {0x11, "CP437"},
    {0x12, "CP850"},  {0x13, "CP932"},  {0x14, "CP850"},  {0x15, "CP437"},  {0x16, "CP850"},  {0x17, "CP865"},
    {0x18, "CP437"},  {0x19, "CP437"},  {0x1A, "CP850"},  {0x1B, "CP437"},  {0x1C, "CP863"},  {0x1D, "CP850"},
    {0x1F, "CP852"},  {0x22, "CP852"},  {0x23, "CP852"},  {0x24, "CP860"},  {0x25, "CP850"},  {0x26, "CP866"},
    {0x37, "CP850"},  {0x40, "CP852"},  {0x4D, "CP936"},  {0x4E, "CP949"},  {0x4F, "CP950"},  {0x50, "CP874"},
    {0x57, "CP1252"}, {0x58, "CP1252"}, {0x59, "CP1252"}, {0x64, "CP852"},  {0x65, "CP866"},  {0x66, "CP865"},
    {0x67, "CP861"},  {0x6A, "CP737"},  {0x6B, "CP857"},  {0x6C, "CP863"},  {0x78, "CP950"},  {0x79, "CP949"},
    {0x7A, "CP936"},  {0x7B, "CP932"},  {0x7C, "CP874"},  {0x7D, "CP1255"}, {0x7E, "CP1256"}, {0x86, "CP737"},
    {0x87, "CP852"},  {0x88, "CP857"},  {0xC8, "CP1250"}, {0xC9, "CP1251"}, {0xCA, "CP1254"}, {0xCB, "CP1253"},
    {0xCC, "CP1257"},
};

QByteArray Lit(const QString &chemin, qint64 taille = -1)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return taille < 0 ? f.readAll() : f.read(taille);
}

// Le Charset déclaré dans l'en-tête d'un .tab ou d'un .mif (« !charset X » ou « Charset "X" »).
QString CharsetDeclare(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression re(u"^\\s*!?charset\\s+\"?([A-Za-z0-9_-]+)"_s, QRegularExpression::CaseInsensitiveOption);
    for (int n = 0; n < 400 && !f.atEnd(); ++n) {
        const QString ligne = QString::fromLatin1(f.readLine(4096));
        if (ligne.trimmed().compare(u"Data"_s, Qt::CaseInsensitive) == 0)
            break;
        const auto m = re.match(ligne);
        if (m.hasMatch())
            return m.captured(1);
    }
    return {};
}

// Le texte d'un fichier par blocs, coupés avant le dernier premier octet d'un caractère (qui passe
// au bloc suivant) : de l'UTF-8 valide d'un bout à l'autre, sans tout lire en mémoire.
bool FichierEnUtf8(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return true;
    QByteArray reste;
    while (!f.atEnd()) {
        QByteArray bloc = reste + f.read(1 << 20);
        qsizetype fin = bloc.size();
        if (!f.atEnd()) {
            while (fin > 0 && (uchar(bloc[fin - 1]) & 0xC0) == 0x80)
                --fin;
            if (fin == 0)
                return false; // un bloc entier d'octets de suite n'est pas de l'UTF-8
            --fin;
        }
        reste = bloc.mid(fin);
        bloc.truncate(fin);
        if (!EstUtf8Valide(bloc))
            return false;
    }
    return EstUtf8Valide(reste);
}

// Les colonnes Char d'une table MapInfo, dans l'ordre de son .tab (« Fields n » puis une ligne par
// colonne : « Nom Char (20) ; ») ; le .dat les déclare toutes de type C.
QList<bool> ColonnesTexteTab(const QString &tab)
{
    QFile f(Resous(tab));
    QList<bool> texte;
    if (!f.open(QIODevice::ReadOnly))
        return texte;
    int restantes = -1;
    for (int n = 0; n < 5000 && !f.atEnd() && restantes != 0; ++n) {
        const QList<QByteArray> mots = f.readLine(4096).simplified().split(' ');
        if (restantes < 0) {
            if (mots.value(0).toLower() == "fields")
                restantes = mots.value(1).toInt();
            continue;
        }
        texte << (mots.value(1).toLower() == "char");
        --restantes;
    }
    return texte;
}

// Les colonnes texte d'une table dBase (.dbf, .dat), enregistrement par enregistrement : celles
// de type C, et parmi elles celles que texte désigne quand il est donné (les autres colonnes d'un
// .dat sont des nombres en binaire, que l'on ne juge pas).
enum class Textes { Ascii, Utf8, Autre };

Textes TextesDbase(const QString &chemin, const QList<bool> &texte = {})
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return Textes::Ascii;
    const QByteArray entete = f.read(32);
    if (entete.size() < 32)
        return Textes::Ascii;
    const auto *o = reinterpret_cast<const uchar *>(entete.constData());
    const qint64 nombre = qint64(o[4]) | qint64(o[5]) << 8 | qint64(o[6]) << 16 | qint64(o[7]) << 24;
    const int longueurEntete = o[8] | o[9] << 8, longueur = o[10] | o[11] << 8;
    struct Champ {
        int debut, taille;
    };
    QList<Champ> textes;
    int position = 1; // l'indicateur d'effacement
    for (int d = 32; d + 32 <= longueurEntete; d += 32) {
        const QByteArray descripteur = f.read(32);
        if (descripteur.size() < 32 || descripteur[0] == '\r')
            break;
        const int taille = uchar(descripteur[16]);
        const qsizetype rang = (d - 32) / 32;
        if (descripteur[11] == 'C' && (texte.isEmpty() || texte.value(rang)))
            textes.append({position, taille});
        position += taille;
    }
    if (textes.isEmpty() || longueur <= 0 || !f.seek(longueurEntete))
        return Textes::Ascii;
    bool haut = false;
    const qint64 parBloc = std::max<qint64>(1, (1 << 20) / longueur);
    for (qint64 lus = 0; lus < nombre && !f.atEnd(); lus += parBloc) {
        const QByteArray bloc = f.read(std::min(parBloc, nombre - lus) * longueur);
        for (qsizetype r = 0; r + longueur <= bloc.size(); r += longueur)
            for (const Champ &c : std::as_const(textes)) {
                const QByteArray valeur = QByteArray::fromRawData(bloc.constData() + r + c.debut, std::min(c.taille, longueur - c.debut));
                if (!EstUtf8Valide(valeur))
                    return Textes::Autre;
                haut = haut || std::any_of(valeur.begin(), valeur.end(), [](char o) { return uchar(o) >= 0x80; });
            }
    }
    return haut ? Textes::Utf8 : Textes::Ascii;
}

// Vrai quand iconv sait lire ce codage : un .cpg peut nommer une page qui n'existe pas.
bool Connu(const QString &codage)
{
    const iconv_t c = iconv_open("UTF-8", codage.toLatin1().constData());
    if (c == iconv_t(-1))
        return false;
    iconv_close(c);
    return true;
}

} // namespace

QString CodageDeCharset(const QString &charset)
{
    for (const Jeu &j : Jeux)
        if (charset.compare(QString::fromUtf16(j.charset), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(j.codage);
    return {};
}

QString CharsetDeCodage(const QString &codage)
{
    for (const Jeu &j : Jeux)
        if (codage.compare(QLatin1StringView(j.codage), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(j.charset);
    return {};
}

QString CodageDeCpg(const QByteArray &contenu)
{
    const QString t = QString::fromLatin1(contenu).trimmed().toUpper();
    if (t.isEmpty())
        return {};
    static const QRegularExpression utf8(u"^UTF[-_ ]?8$"_s);
    if (utf8.match(t).hasMatch())
        return u"UTF-8"_s;
    // « 8859-1 », « 88591 », « ISO 8859-2 », « ISO-8859-15 », « ISO88591 »
    static const QRegularExpression iso(u"^(?:ISO[-_ ]?)?8859[-_ ]?(\\d{1,2})$"_s);
    if (const auto m = iso.match(t); m.hasMatch())
        return u"ISO-8859-"_s + m.captured(1);
    // « ANSI 1250 », « ANSI_1251 », « 1252 », « CP1250 », « WINDOWS-1252 », « OEM 850 », « 866 »
    static const QRegularExpression page(u"^(?:ANSI|CP|WINDOWS|OEM|IBM|MS)?[-_ ]?(\\d{3,4})$"_s);
    if (const auto m = page.match(t); m.hasMatch())
        return u"CP"_s + m.captured(1);
    if (t == u"LATIN1"_s || t == u"LATIN-1"_s)
        return u"ISO-8859-1"_s;
    // Un nom MapInfo, qu'un autre logiciel aurait recopié.
    return CodageDeCharset(t);
}

QString CodageDeLdid(uchar ldid)
{
    for (const Ldid &l : Ldids)
        if (l.code == ldid)
            return QString::fromLatin1(l.codage);
    return {};
}

bool EstUtf8Valide(const QByteArray &octets)
{
    const auto *o = reinterpret_cast<const uchar *>(octets.constData());
    const qsizetype n = octets.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = o[i];
        int suite = 0;
        char32_t point = 0, minimum = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0)
            suite = 1, point = c & 0x1F, minimum = 0x80;
        else if ((c & 0xF0) == 0xE0)
            suite = 2, point = c & 0x0F, minimum = 0x800;
        else if ((c & 0xF8) == 0xF0)
            suite = 3, point = c & 0x07, minimum = 0x10000;
        else
            return false;
        for (int k = 1; k <= suite; ++k) {
            if (i + k >= n || (o[i + k] & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (o[i + k] & 0x3F);
        }
        if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += suite + 1;
    }
    return true;
}

QString Detecte(const QByteArray &octets)
{
    return EstUtf8Valide(octets) ? u"UTF-8"_s : u"CP1252"_s;
}

Decision CodageSource(const QString &chemin)
{
    const QString ext = chemin.mid(chemin.lastIndexOf(u'.') + 1).toLower();
    if (ext == u"shp"_s || ext == u"dbf"_s || ext == u"shx"_s) {
        for (const QString &compagnon : {u".cpg"_s, u".cst"_s}) {
            const QString fichier = ChangeExtension(chemin, compagnon);
            if (FichierExiste(fichier))
                if (const QString c = CodageDeCpg(Lit(fichier, 200)); !c.isEmpty() && Connu(c))
                    return {c, compagnon};
        }
        const QString dbf = ChangeExtension(chemin, u".dbf"_s);
        const Textes textes = TextesDbase(dbf);
        // Bien des logiciels écrivent le code de langue 0x57 quoi qu'il en soit : des textes
        // accentués qui forment de l'UTF-8 valide le démentent (un texte Windows accentué n'en forme
        // presque jamais).
        const QByteArray entete = Lit(dbf, 32);
        if (entete.size() >= 32 && textes != Textes::Utf8)
            if (const QString c = CodageDeLdid(uchar(entete[29])); !c.isEmpty() && Connu(c))
                return {c, u"code de langue"_s};
        return {textes == Textes::Autre ? u"CP1252"_s : u"UTF-8"_s, u"détection"_s};
    }
    if (ext == u"tab"_s || ext == u"mif"_s) {
        if (const QString c = CodageDeCharset(CharsetDeclare(chemin)); !c.isEmpty())
            return {c, u"Charset"_s};
        // Les textes d'une table sont dans son .dat (ou .mid) ; ceux d'un MIF aussi dans ses objets texte.
        const bool utf8 = ext == u"tab"_s ? TextesDbase(ChangeExtension(chemin, u".dat"_s), ColonnesTexteTab(chemin)) != Textes::Autre
                                          : FichierEnUtf8(ChangeExtension(chemin, u".mid"_s)) && FichierEnUtf8(chemin);
        return {utf8 ? u"UTF-8"_s : u"CP1252"_s, u"détection"_s};
    }
    return {FichierEnUtf8(chemin) ? u"UTF-8"_s : u"CP1252"_s, u"détection"_s};
}

bool Tient(const QStringList &textes, const QString &codage)
{
    return HorsDuJeu(textes, codage).isEmpty();
}

QString HorsDuJeu(const QStringList &textes, const QString &codage)
{
    if (codage.compare(u"UTF-8"_s, Qt::CaseInsensitive) == 0)
        return {};
    iconv_t conversion = iconv_open(codage.toLatin1().constData(), "UTF-8");
    QString hors;
    auto tient = [&](const QByteArray &entree) {
        if (conversion == iconv_t(-1))
            return false;
        QByteArray e = entree, sortie(entree.size() * 4 + 8, 0);
        char *pe = e.data(), *ps = sortie.data();
        size_t ne = size_t(e.size()), ns = size_t(sortie.size());
        iconv(conversion, nullptr, nullptr, nullptr, nullptr);
        return iconv(conversion, &pe, &ne, &ps, &ns) != size_t(-1);
    };
    for (const QString &texte : textes) {
        if (tient(texte.toUtf8()))
            continue;
        for (const char32_t c : texte.toUcs4()) {
            const QString caractere = QString::fromUcs4(&c, 1);
            if (!hors.contains(caractere) && !tient(caractere.toUtf8()))
                hors += caractere;
        }
    }
    if (conversion != iconv_t(-1))
        iconv_close(conversion);
    return hors;
}

QString AvertissementHorsJeu(const QString &caracteres, const QString &codage, const QString &fichier,
                             const QString &devenir)
{
    if (caracteres.isEmpty())
        return {};
    QStringList liste;
    for (const char32_t c : caracteres.toUcs4())
        liste << u"« %1 » (U+%2)"_s.arg(QString::fromUcs4(&c, 1), QString::number(uint(c), 16).rightJustified(4, u'0').toUpper());
    return u"%1 caractère(s) ne tiennent pas dans le jeu %2 de « %3 » : %4 ; %5"_s.arg(liste.size())
        .arg(codage, fichier, liste.mid(0, 10).join(u", "_s), devenir);
}

} // namespace quorvale::jeux
