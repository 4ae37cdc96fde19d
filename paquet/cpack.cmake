# Le paquet Debian : cmake --build build --target package donne quorvale_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvale)
set(CPACK_PACKAGE_VENDOR Olvessa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Olvessa <quorvale@olvessa.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Olvessa <quorvale@olvessa.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Les dépendances se lisent dans les exécutables (dpkg-shlibdeps) ; les boutons des dialogues de Qt
# en français viennent des traductions, conseillées seulement.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "traducteur par lots de données géographiques vectorielles")
# La description longue ; CPack la fait précéder du résumé.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quorvale traduit des dossiers entiers de données géographiques d'un format à
l'autre : DXF, E00, MIF/MID, shapefile et table MapInfo, en reproduisant
l'arborescence de la source sous le dossier de destination. Il assigne le
système de coordonnées des données qui n'en portent pas d'après le numéro de
feuillet SNRC du Québec (zones MTM ou UTM, NAD 83 ou NAD 27), des associations
de mots ou une projection choisie, et écrit les fichiers .prj.
.
Le paquet comprend la fenêtre (quorvale), sa jumelle en ligne de commande
(quorvale-lot), le serveur MapInfo et le traducteur universel qu'elles
pilotent.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Les dossiers du paquet en 755 quel que soit le umask de qui construit.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
include(CPack)
