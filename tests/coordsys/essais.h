#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Chaque groupe d'essais, lancé par main dans tst_coordsys.cpp.
QObject *EssaisFeuillets();
QObject *EssaisCatalogue();
QObject *EssaisAssociations();
QObject *EssaisPrj();
QObject *EssaisDialogues();
QObject *EssaisZonesFeuillets();

/** Écrit des octets dans un fichier (dossiers créés) ; faux en cas d'échec. */
bool EcritOctets(const QString &chemin, const QByteArray &octets);
/** Les octets d'un fichier, vide s'il ne se lit pas. */
QByteArray LitOctets(const QString &chemin);
