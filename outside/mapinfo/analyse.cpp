#include "analyse.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

namespace {

struct Jeton {
    enum class Type { Mot, Chaine, Symbole };
    Type type;
    QString texte;
};

// Seuls « * » et « = » séparent : parenthèses, virgules et tirets restent dans les noms de fichiers.
bool EstSymbole(QChar c)
{
    return c == u'*' || c == u'=';
}

// Découpe en mots, chaînes et symboles ; faux sur une chaîne non terminée.
bool Decoupe(const QString &texte, QList<Jeton> &jetons)
{
    qsizetype i = 0;
    const qsizetype n = texte.size();
    while (i < n) {
        const QChar c = texte[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'"') {
            QString valeur;
            ++i;
            bool fermee = false;
            while (i < n) {
                if (texte[i] == u'"') {
                    if (i + 1 < n && texte[i + 1] == u'"') {
                        valeur += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    fermee = true;
                    break;
                }
                valeur += texte[i++];
            }
            if (!fermee)
                return false;
            jetons.append({Jeton::Type::Chaine, valeur});
        } else if (EstSymbole(c)) {
            jetons.append({Jeton::Type::Symbole, QString(c)});
            ++i;
        } else {
            // Un nom de table va jusqu'au prochain blanc : les noms de fichiers tirés des calques
            // gardent ainsi leurs tirets et leurs points.
            const qsizetype debut = i;
            while (i < n && !texte[i].isSpace() && texte[i] != u'"' && !EstSymbole(texte[i]))
                ++i;
            jetons.append({Jeton::Type::Mot, texte.mid(debut, i - debut)});
        }
    }
    return true;
}

class Lecteur {
public:
    explicit Lecteur(const QList<Jeton> &jetons) : jetons_(jetons) {}

    bool Fini() const { return position_ >= jetons_.size(); }
    const Jeton *Suivant() const { return Fini() ? nullptr : &jetons_[position_]; }

    bool MotCle(const QString &mot)
    {
        const Jeton *j = Suivant();
        if (!j || j->type != Jeton::Type::Mot || j->texte.compare(mot, Qt::CaseInsensitive) != 0)
            return false;
        ++position_;
        return true;
    }

    bool Symbole(QChar s)
    {
        const Jeton *j = Suivant();
        if (!j || j->type != Jeton::Type::Symbole || j->texte != QString(s))
            return false;
        ++position_;
        return true;
    }

    // Une chaîne entre guillemets.
    bool Chaine(QString &valeur)
    {
        const Jeton *j = Suivant();
        if (!j || j->type != Jeton::Type::Chaine)
            return false;
        valeur = j->texte;
        ++position_;
        return true;
    }

    // Un nom de table : une chaîne non vide, ou des mots jusqu'au mot clé qui suit. Les noms tirés
    // des calques portent souvent des blancs ; MapBasic les refuserait, on les garde.
    bool Nom(QString &valeur, const QStringList &arrets = {})
    {
        const Jeton *j = Suivant();
        if (!j || j->type == Jeton::Type::Symbole || j->texte.trimmed().isEmpty())
            return false;
        valeur = j->texte;
        ++position_;
        if (j->type == Jeton::Type::Chaine)
            return true;
        while (const Jeton *s = Suivant()) {
            if (s->type != Jeton::Type::Mot || arrets.contains(s->texte, Qt::CaseInsensitive))
                break;
            valeur += u' ' + s->texte;
            ++position_;
        }
        return true;
    }

    // Le texte du jeton courant, pour les messages.
    QString Courant() const
    {
        const Jeton *j = Suivant();
        if (!j)
            return {};
        return j->type == Jeton::Type::Chaine ? u'"' + j->texte + u'"' : j->texte;
    }

private:
    const QList<Jeton> &jetons_;
    qsizetype position_ = 0;
};

QString Attendu(const Lecteur &l, const QString &quoi)
{
    if (l.Fini())
        return u"Erreur de syntaxe : %1 attendu en fin d'instruction."_s.arg(quoi);
    return u"Erreur de syntaxe : %1 attendu à la place de « %2 »."_s.arg(quoi, l.Courant());
}

QString FinAttendue(const Lecteur &l)
{
    return u"Erreur de syntaxe : « %1 » inattendu."_s.arg(l.Courant());
}

// Type "MIF" : le seul type d'échange que le serveur connaît.
QString LitTypeMif(Lecteur &l)
{
    QString type;
    if (!l.Chaine(type) && !l.Nom(type, {u"Into"_s, u"Overwrite"_s}))
        return Attendu(l, u"le type de fichier"_s);
    if (type.compare(u"MIF"_s, Qt::CaseInsensitive) != 0)
        return u"Type de fichier non pris en charge : « %1 » (seul \"MIF\" est accepté)."_s.arg(type);
    return {};
}

QString AnalyseImport(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::Importe;
    if (!l.Chaine(i.chemin))
        return Attendu(l, u"le nom du fichier à importer entre guillemets"_s);
    bool type = false, into = false;
    while (!l.Fini()) {
        if (!type && l.MotCle(u"Type"_s)) {
            type = true;
            if (QString e = LitTypeMif(l); !e.isEmpty())
                return e;
        } else if (!into && l.MotCle(u"Into"_s)) {
            into = true;
            if (!l.Chaine(i.cible))
                return Attendu(l, u"le nom de la table à créer entre guillemets"_s);
        } else if (l.MotCle(u"Overwrite"_s)) {
        } else {
            return FinAttendue(l);
        }
    }
    if (!type && !i.chemin.endsWith(u".mif"_s, Qt::CaseInsensitive))
        return u"Type de fichier à importer inconnu : précisez Type \"MIF\"."_s;
    return {};
}

QString AnalyseOpen(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::OuvreTable;
    if (!l.MotCle(u"Table"_s))
        return Attendu(l, u"« Table »"_s);
    if (!l.Chaine(i.chemin))
        return Attendu(l, u"le nom du fichier de la table entre guillemets"_s);
    while (!l.Fini()) {
        if (i.nom.isEmpty() && l.MotCle(u"As"_s)) {
            if (!l.Nom(i.nom, {u"Interactive"_s, u"ReadOnly"_s}))
                return Attendu(l, u"le nom de la table"_s);
        } else if (!l.MotCle(u"Interactive"_s) && !l.MotCle(u"ReadOnly"_s)) {
            return FinAttendue(l);
        }
    }
    return {};
}

QString AnalyseExport(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::Exporte;
    if (!l.Nom(i.table, {u"Into"_s}))
        return Attendu(l, u"le nom de la table"_s);
    if (!l.MotCle(u"Into"_s))
        return Attendu(l, u"« Into »"_s);
    if (!l.Chaine(i.chemin))
        return Attendu(l, u"le nom du fichier à écrire entre guillemets"_s);
    bool type = false;
    while (!l.Fini()) {
        if (!type && l.MotCle(u"Type"_s)) {
            type = true;
            if (QString e = LitTypeMif(l); !e.isEmpty())
                return e;
        } else if (!l.MotCle(u"Overwrite"_s)) {
            return FinAttendue(l);
        }
    }
    if (!type && !i.chemin.endsWith(u".mif"_s, Qt::CaseInsensitive))
        return u"Type de fichier d'exportation inconnu : précisez Type \"MIF\"."_s;
    return {};
}

QString AnalyseSelect(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::Selectionne;
    if (!l.Symbole(u'*'))
        return Attendu(l, u"« * » (seule la sélection de toutes les colonnes est prise en charge)"_s);
    if (!l.MotCle(u"From"_s))
        return Attendu(l, u"« From »"_s);
    if (!l.Nom(i.table, {u"Where"_s, u"Into"_s}))
        return Attendu(l, u"le nom de la table"_s);
    if (l.MotCle(u"Where"_s)) {
        if (!l.MotCle(u"RowID"_s))
            return u"Condition non prise en charge : seule « RowID = n » est acceptée."_s;
        if (!l.Symbole(u'='))
            return Attendu(l, u"« = »"_s);
        QString nombre;
        bool ok = false;
        if (l.Nom(nombre, {u"Into"_s}))
            i.ligne = nombre.toLongLong(&ok);
        if (!ok || i.ligne < 0)
            return u"Erreur de syntaxe : numéro de ligne attendu après « RowID = »."_s;
    }
    if (!l.MotCle(u"Into"_s))
        return Attendu(l, u"« Into »"_s);
    if (!l.Nom(i.nom, {u"NoSelect"_s}))
        return Attendu(l, u"le nom de la table de requête"_s);
    l.MotCle(u"NoSelect"_s);
    return l.Fini() ? QString() : FinAttendue(l);
}

QString AnalyseCommit(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::Enregistre;
    if (!l.MotCle(u"Table"_s))
        return Attendu(l, u"« Table »"_s);
    if (!l.Nom(i.table, {u"As"_s, u"Type"_s, u"Charset"_s, u"Interactive"_s}))
        return Attendu(l, u"le nom de la table"_s);
    if (l.MotCle(u"As"_s)) {
        if (!l.Chaine(i.chemin) || i.chemin.trimmed().isEmpty())
            return Attendu(l, u"le nom du fichier à écrire entre guillemets"_s);
    }
    bool type = false, jeu = false;
    while (!l.Fini()) {
        if (!type && l.MotCle(u"Type"_s)) {
            type = true;
            if (!l.MotCle(u"NATIVE"_s))
                return u"Type de table non pris en charge : seul NATIVE est accepté."_s;
        } else if (!jeu && l.MotCle(u"Charset"_s)) {
            jeu = true;
            if (!l.Chaine(i.jeu) || i.jeu.isEmpty())
                return Attendu(l, u"le nom du jeu de caractères entre guillemets"_s);
        } else if (!l.MotCle(u"Interactive"_s)) {
            return FinAttendue(l);
        }
    }
    return {};
}

QString AnalyseClose(Lecteur &l, Instruction &i)
{
    if (l.MotCle(u"All"_s)) {
        i.genre = Instruction::Genre::FermeTout;
    } else if (l.MotCle(u"Table"_s)) {
        i.genre = Instruction::Genre::FermeTable;
        if (!l.Nom(i.table, {u"Interactive"_s}))
            return Attendu(l, u"le nom de la table"_s);
    } else {
        return Attendu(l, u"« Table » ou « All »"_s);
    }
    l.MotCle(u"Interactive"_s);
    return l.Fini() ? QString() : FinAttendue(l);
}

QString AnalyseInsert(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::Insere;
    if (!l.MotCle(u"Into"_s))
        return Attendu(l, u"« Into »"_s);
    if (!l.Nom(i.table, {u"Select"_s}))
        return Attendu(l, u"le nom de la table"_s);
    if (!l.MotCle(u"Select"_s))
        return Attendu(l, u"« Select » (seule l'insertion d'une sélection est prise en charge)"_s);
    if (!l.Symbole(u'*'))
        return Attendu(l, u"« * »"_s);
    if (!l.MotCle(u"From"_s))
        return Attendu(l, u"« From »"_s);
    if (!l.Nom(i.source))
        return Attendu(l, u"le nom de la table à lire"_s);
    return l.Fini() ? QString() : FinAttendue(l);
}

QString AnalyseSet(Lecteur &l, Instruction &i)
{
    i.genre = Instruction::Genre::BarresProgression;
    if (!l.MotCle(u"ProgressBars"_s))
        return u"Instruction non reconnue."_s;
    if (l.MotCle(u"On"_s))
        i.actif = true;
    else if (l.MotCle(u"Off"_s))
        i.actif = false;
    else
        return Attendu(l, u"« On » ou « Off »"_s);
    return l.Fini() ? QString() : FinAttendue(l);
}

} // namespace

Analyse AnalyseInstruction(const QString &texte)
{
    Analyse a;
    QList<Jeton> jetons;
    if (!Decoupe(texte, jetons)) {
        a.erreur = u"Erreur de syntaxe : chaîne de caractères non terminée."_s;
        return a;
    }
    if (jetons.isEmpty()) {
        a.erreur = u"Instruction vide."_s;
        return a;
    }
    Lecteur l(jetons);
    Instruction &i = a.instruction;
    if (l.MotCle(u"Import"_s))
        a.erreur = AnalyseImport(l, i);
    else if (l.MotCle(u"Open"_s))
        a.erreur = AnalyseOpen(l, i);
    else if (l.MotCle(u"Export"_s))
        a.erreur = AnalyseExport(l, i);
    else if (l.MotCle(u"Select"_s))
        a.erreur = AnalyseSelect(l, i);
    else if (l.MotCle(u"Commit"_s))
        a.erreur = AnalyseCommit(l, i);
    else if (l.MotCle(u"Close"_s))
        a.erreur = AnalyseClose(l, i);
    else if (l.MotCle(u"Insert"_s))
        a.erreur = AnalyseInsert(l, i);
    else if (l.MotCle(u"Set"_s))
        a.erreur = AnalyseSet(l, i);
    else
        a.erreur = u"Instruction non reconnue."_s;
    return a;
}

QString AliasDeChemin(const QString &chemin)
{
    QString nom = chemin.mid(chemin.lastIndexOf(u'/') + 1);
    const qsizetype point = nom.lastIndexOf(u'.');
    if (point > 0)
        nom.truncate(point);
    return nom;
}

} // namespace quorvale::mapinfo
