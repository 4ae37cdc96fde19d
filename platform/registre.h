#pragma once

#include <QString>
#include <optional>

namespace quorvale {

/** La racine des classes (enregistrement des serveurs d'automation). Les noms de clés se comparent
 *  sans égard à la casse ; le séparateur des clés est "\". */
class Registre {
public:
    virtual ~Registre() = default;
    /** La valeur nommée (nom vide : la valeur par défaut) d'une clé ; absente si la clé ou la valeur
     *  manque. N'ouvre qu'en lecture et ne crée jamais rien. */
    virtual std::optional<QString> LitValeur(const QString &cle, const QString &nom = {}) const = 0;
    /** Vrai quand la clé s'ouvre (elle ou une de ses valeurs ou sous-clés existe). */
    virtual bool CleExiste(const QString &cle) const = 0;
    /** Écrit une valeur, en créant la clé au besoin ; faux si le registre ne s'écrit pas. */
    virtual bool EcritValeur(const QString &cle, const QString &nom, const QString &valeur) = 0;
    /** Supprime une clé et tout ce qu'elle contient. */
    virtual bool SupprimeCle(const QString &cle) = 0;
};

/** Les quatre réglages booléens de l'utilisateur courant. */
class Reglages {
public:
    virtual ~Reglages() = default;
    /** Vrai quand le magasin des réglages s'ouvre (ou se crée). */
    virtual bool Ouvre() = 0;
    /** La valeur, absente quand elle n'a jamais été écrite. */
    virtual std::optional<bool> Lit(const QString &nom) const = 0;
    virtual void Ecrit(const QString &nom, bool valeur) = 0;
    /** Un réglage texte (projection choisie, dossiers) ; absent quand il n'a jamais été écrit. */
    virtual std::optional<QString> LitTexte(const QString &nom) const
    {
        (void)nom;
        return std::nullopt;
    }
    virtual void EcritTexte(const QString &nom, const QString &valeur) { (void)nom, (void)valeur; }
};

/** Le dossier de configuration de l'utilisateur ($XDG_CONFIG_HOME, sinon ~/.config), sans "/" final. */
QString DossierConfiguration();

/** Registre des classes sur fichier : <configuration>/registre/HKEY_CLASSES_ROOT.ini. */
class RegistreFichier : public Registre {
public:
    RegistreFichier();
    explicit RegistreFichier(const QString &fichier);
    std::optional<QString> LitValeur(const QString &cle, const QString &nom = {}) const override;
    bool CleExiste(const QString &cle) const override;
    bool EcritValeur(const QString &cle, const QString &nom, const QString &valeur) override;
    bool SupprimeCle(const QString &cle) override;
    const QString &fichier() const { return fichier_; }

private:
    QString fichier_;
};

/** Réglages de l'organisation "Olvessa", application "Quorvale", dans la configuration de l'utilisateur. */
class ReglagesUtilisateur : public Reglages {
public:
    bool Ouvre() override;
    std::optional<bool> Lit(const QString &nom) const override;
    void Ecrit(const QString &nom, bool valeur) override;
    std::optional<QString> LitTexte(const QString &nom) const override;
    void EcritTexte(const QString &nom, const QString &valeur) override;
};

} // namespace quorvale
