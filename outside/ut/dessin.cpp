#include "dessin.h"

#include "correspondance.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::ut {

namespace {

const QByteArray Application = "QUORVALE";

QByteArray Reel(double v)
{
    if (v == 0 || !std::isfinite(v))
        return "0.0";
    QByteArray t = QByteArray::number(v, 'g', 15);
    if (!t.contains('.') && !t.contains('e'))
        t += ".0";
    return t;
}

} // namespace

QString NomCalque(const QString &nom)
{
    QString n = nom.trimmed();
    for (QChar &c : n)
        if (QStringLiteral("<>/\\\":;?*|='").contains(c) || c.unicode() < 32)
            c = u'_';
    return n.isEmpty() ? u"0"_s : n;
}

void EcrivainDxf::Paire(int code, const QByteArray &valeur)
{
    entites_ += QByteArray::number(code).rightJustified(3, ' ') + "\r\n" + valeur + "\r\n";
}

void EcrivainDxf::Nombre(int code, double valeur)
{
    Paire(code, Reel(valeur));
}

void EcrivainDxf::Donnees(const Attributs &attributs)
{
    if (attributs.isEmpty())
        return;
    Paire(1001, Application);
    for (const auto &[nom, valeur] : attributs) {
        Paire(1002, "{");
        Paire(1000, EnCp1252(nom).left(250));
        // Une chaîne de données étendues tient en 255 octets : la valeur est coupée en morceaux.
        QString reste = valeur;
        while (!reste.isEmpty()) {
            qsizetype n = std::min<qsizetype>(reste.size(), 240);
            while (n > 1 && EnCp1252(reste.left(n)).size() > 240)
                n /= 2;
            if (n < reste.size() && reste[n - 1].isHighSurrogate())
                --n;
            Paire(1000, EnCp1252(reste.left(n)));
            reste = reste.mid(n);
        }
        Paire(1002, "}");
    }
}

void EcrivainDxf::Polyligne(const OGRSimpleCurve &ligne, bool fermee, const QByteArray &calque, const Attributs &attributs)
{
    int n = ligne.getNumPoints();
    if (fermee && n > 1 && ligne.getX(0) == ligne.getX(n - 1) && ligne.getY(0) == ligne.getY(n - 1))
        --n;
    if (n == 0)
        return;
    bool relief = false;
    for (int i = 0; i < n && ligne.Is3D(); ++i)
        relief = relief || ligne.getZ(i) != 0;
    Paire(0, "POLYLINE");
    Paire(8, calque);
    Paire(66, "1");
    Paire(70, QByteArray::number((fermee ? 1 : 0) | (relief ? 8 : 0)));
    Nombre(10, 0);
    Nombre(20, 0);
    Nombre(30, 0);
    Donnees(attributs);
    for (int i = 0; i < n; ++i) {
        Paire(0, "VERTEX");
        Paire(8, calque);
        Nombre(10, ligne.getX(i));
        Nombre(20, ligne.getY(i));
        Nombre(30, relief ? ligne.getZ(i) : 0.0);
        if (relief)
            Paire(70, "32");
        etendue_.Merge(ligne.getX(i), ligne.getY(i));
    }
    Paire(0, "SEQEND");
    Paire(8, calque);
}

void EcrivainDxf::Ajoute(const OGRGeometry &geometrie, const QString &calque, const Attributs &attributs,
                         const TexteDessin *texte)
{
    const QString nomCalque = NomCalque(calque);
    if (!calques_.contains(nomCalque, Qt::CaseInsensitive))
        calques_ << nomCalque;
    const QByteArray c = EnCp1252(nomCalque);
    switch (wkbFlatten(geometrie.getGeometryType())) {
    case wkbPoint: {
        const auto &p = *geometrie.toPoint();
        if (p.IsEmpty())
            return;
        etendue_.Merge(p.getX(), p.getY());
        if (texte) {
            Paire(0, "TEXT");
            Paire(8, c);
            Nombre(10, p.getX());
            Nombre(20, p.getY());
            Nombre(30, p.Is3D() ? p.getZ() : 0.0);
            Nombre(40, texte->hauteur > 0 ? texte->hauteur : 1.0);
            // Un saut de ligne n'a pas sa place dans un TEXT : il devient la marque \P des dessins.
            QString chaine = texte->chaine;
            chaine.replace(u"\r\n"_s, u"\\P"_s).replace(u'\n', u"\\P"_s);
            Paire(1, EnCp1252(chaine));
            if (texte->angle != 0)
                Nombre(50, texte->angle);
        } else {
            Paire(0, "POINT");
            Paire(8, c);
            Nombre(10, p.getX());
            Nombre(20, p.getY());
            Nombre(30, p.Is3D() ? p.getZ() : 0.0);
        }
        Donnees(attributs);
        return;
    }
    case wkbLineString:
    case wkbLinearRing:
        Polyligne(*geometrie.toSimpleCurve(), false, c, attributs);
        return;
    case wkbPolygon:
        for (const OGRLinearRing *anneau : *geometrie.toPolygon())
            Polyligne(*anneau, true, c, attributs);
        return;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
        for (const OGRGeometry *partie : *geometrie.toGeometryCollection())
            Ajoute(*partie, calque, attributs, texte);
        return;
    default: {
        // Courbes et surfaces : leur forme linéaire.
        std::unique_ptr<OGRGeometry> lineaire(geometrie.getLinearGeometry());
        if (lineaire && wkbFlatten(lineaire->getGeometryType()) != wkbFlatten(geometrie.getGeometryType()))
            Ajoute(*lineaire, calque, attributs, texte);
        return;
    }
    }
}

void EcrivainDxf::Entete(QByteArray &s) const
{
    auto paire = [&s](int code, const QByteArray &valeur) {
        s += QByteArray::number(code).rightJustified(3, ' ') + "\r\n" + valeur + "\r\n";
    };
    paire(0, "SECTION");
    paire(2, "HEADER");
    paire(9, "$ACADVER");
    paire(1, "AC1009");
    paire(9, "$DWGCODEPAGE");
    paire(3, "ANSI_1252");
    if (etendue_.IsInit()) {
        paire(9, "$EXTMIN");
        paire(10, Reel(etendue_.MinX));
        paire(20, Reel(etendue_.MinY));
        paire(30, "0.0");
        paire(9, "$EXTMAX");
        paire(10, Reel(etendue_.MaxX));
        paire(20, Reel(etendue_.MaxY));
        paire(30, "0.0");
    }
    paire(0, "ENDSEC");
    paire(0, "SECTION");
    paire(2, "TABLES");
    paire(0, "TABLE");
    paire(2, "LTYPE");
    paire(70, "1");
    paire(0, "LTYPE");
    paire(2, "CONTINUOUS");
    paire(70, "0");
    paire(3, "Solid line");
    paire(72, "65");
    paire(73, "0");
    paire(40, "0.0");
    paire(0, "ENDTAB");
    paire(0, "TABLE");
    paire(2, "LAYER");
    QStringList calques = calques_;
    if (!calques.contains(u"0"_s))
        calques.prepend(u"0"_s);
    paire(70, QByteArray::number(calques.size()));
    for (const QString &calque : calques) {
        paire(0, "LAYER");
        paire(2, EnCp1252(calque));
        paire(70, "0");
        paire(62, "7");
        paire(6, "CONTINUOUS");
    }
    paire(0, "ENDTAB");
    paire(0, "TABLE");
    paire(2, "STYLE");
    paire(70, "1");
    paire(0, "STYLE");
    paire(2, "STANDARD");
    paire(70, "0");
    paire(40, "0.0");
    paire(41, "1.0");
    paire(50, "0.0");
    paire(71, "0");
    paire(42, "2.5");
    paire(3, "txt");
    paire(4, "");
    paire(0, "ENDTAB");
    paire(0, "TABLE");
    paire(2, "APPID");
    paire(70, "2");
    paire(0, "APPID");
    paire(2, "ACAD");
    paire(70, "0");
    paire(0, "APPID");
    paire(2, Application);
    paire(70, "0");
    paire(0, "ENDTAB");
    paire(0, "ENDSEC");
    paire(0, "SECTION");
    paire(2, "BLOCKS");
    paire(0, "ENDSEC");
}

QByteArray EcrivainDxf::Texte() const
{
    QByteArray s;
    Entete(s);
    s += "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    s += entites_;
    s += "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    return s;
}

Attributs AttributsEtendus(const QStringList &codes)
{
    Attributs attributs;
    QString application;
    bool dansGroupe = false;
    QStringList groupe;
    QStringList autres;
    auto fermeAutres = [&]() {
        if (!application.isEmpty() && application != QString::fromLatin1(Application))
            attributs.append({application, autres.join(u' ')});
        autres.clear();
    };
    for (const QString &entree : codes) {
        const qsizetype blanc = entree.indexOf(u' ');
        bool ok = false;
        const int code = entree.left(blanc).trimmed().toInt(&ok);
        if (!ok || code < 1000)
            continue;
        const QString valeur = DecodeUnicodeDxf(blanc < 0 ? QString() : entree.mid(blanc + 1));
        if (code == 1001) {
            fermeAutres();
            application = valeur.trimmed();
            dansGroupe = false;
            continue;
        }
        if (application.isEmpty())
            continue;
        if (application != QString::fromLatin1(Application)) {
            autres << valeur;
            continue;
        }
        if (code == 1002 && valeur.trimmed() == u"{"_s) {
            dansGroupe = true;
            groupe.clear();
        } else if (code == 1002 && valeur.trimmed() == u"}"_s) {
            if (dansGroupe && !groupe.isEmpty())
                attributs.append({groupe.first(), groupe.mid(1).join(QString())});
            dansGroupe = false;
        } else if (dansGroupe) {
            groupe << valeur;
        }
    }
    fermeAutres();
    return attributs;
}

} // namespace quorvale::ut
