#!/usr/bin/python3
# -*- coding: utf-8 -*-
"""Génère le catalogue des projections (mapinfow.prj) et les textes .prj intégrés.

Tout vient du registre EPSG, lu à travers PROJ (proj.db) et l'OSR de GDAL :
le texte de paramètres de chaque entrée est l'export MapInfo de GDAL, le texte
.prj est le WKT ESRI de l'entrée EPSG. Une entrée n'est gardée que si les deux
décrivent le même système (même comparaison que tests/donnees).

À lancer à la main avec le python de Debian (celui qui a osgeo) :
    /usr/bin/python3 tools/catalogue/genere_catalogue.py
puis valider les fichiers produits (outside/mapinfo/mapinfow.prj, resources/).
"""
import os
import re
import sqlite3
import sys
import unicodedata

from osgeo import gdal, osr

gdal.UseExceptions()
gdal.PushErrorHandler("CPLQuietErrorHandler")

RACINE = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
CATALOGUE = os.path.join(RACINE, 'outside', 'mapinfo', 'mapinfow.prj')
DOSSIER_PRJ = os.path.join(RACINE, 'resources', 'prj')
QRC = os.path.join(RACINE, 'resources', 'prj.qrc')
PROJ_DB = os.environ.get('PROJ_DB', '/usr/share/proj/proj.db')

# Codes d'unités du texte de paramètres MapInfo.
UNITES = {'mi': 0, 'km': 1, 'in': 2, 'ft': 3, 'yd': 4, 'mm': 5, 'cm': 6, 'm': 7,
          'survey ft': 8, 'nmi': 9, 'li': 30, 'ch': 31, 'rd': 32}

# Le NAD 27 « Canada » (66) de l'import MapInfo de GDAL s'exporte en D_NAD_27_Canada,
# que les lecteurs ESRI ne connaissent pas : on le tient pour le NAD 1927.
# D'autres datums portent chez GDAL un nom MapInfo que l'EPSG écrit autrement.
DATUMS_EQUIVALENTS = {
    'D_NAD_27_Canada': 'D_North_American_1927',
    'D_New_Zealand_GD49': 'D_New_Zealand_1949',
    'D_Provisional_South_American': 'D_Provisional_S_American_1956',
    'D_Ireland_1965': 'D_TM65',
    'D_Libya_LGD_2006': 'D_Libyan_Geodetic_Datum_2006',
    'D_Switzerland_CH_1903': 'D_CH1903',
    'D_Chatham_1971': 'D_Chatham_Island_1971',
    'D_America_Samoa': 'D_American_Samoa_1962',
    'D_Pitcairn_Astro_1967': 'D_Pitcairn_1967',
}

# Datums des méridiens de la déduction par feuillet.
DATUM_NAD83, DATUM_NAD27 = 74, 66


def nom_ressource(nom):
    """Forme « nom de ressource » d'un nom du catalogue (règle du chargeur)."""
    for avant, apres in (('/', '_'), (' ', '_'), (',', '_'), ('.', '_'), (':', '_'),
                         ('(', '_'), (')', '_'), ('-', '_'), ('è', 'e'), ('é', 'e'),
                         ('È', 'e'), ('É', 'e'), (';', '_'), ("'", '_'), ('!', '_')):
        nom = nom.replace(avant, apres)
    return nom.upper()


def nettoie_nom(nom):
    """Nom d'entrée sans caractère qui sortirait de A-Z, 0-9, _ en forme ressource."""
    sortie = []
    for c in nom:
        if c in 'èéÈÉ' or re.match(r"[A-Za-z0-9 /,.:()\-;'!_]", c):
            sortie.append(c)
        elif c == '+':
            sortie.append(' plus')
        elif c == '&':
            sortie.append('et')
        else:
            d = unicodedata.normalize('NFKD', c).encode('ascii', 'ignore').decode()
            sortie.append(''.join(x for x in d if re.match(r'[A-Za-z0-9 ]', x)))
    nom = ''.join(sortie)
    nom = re.sub(r'-{2,}', '-', nom)
    nom = re.sub(r' {2,}', ' ', nom).strip(' -')
    return nom


# --- Comparaison de deux systèmes (la même que le test) ----------------------

def signature(srs, cote_mapinfo):
    esri = srs.Clone()
    esri.MorphToESRI()
    datum = esri.GetAttrValue('DATUM') or ''
    if cote_mapinfo:
        datum = DATUMS_EQUIVALENTS.get(datum, datum)
    sig = {
        'projete': bool(srs.IsProjected()),
        'geographique': bool(srs.IsGeographic()),
        'datum': datum.lower(),
        'a': srs.GetSemiMajor(),
        'invf': srs.GetInvFlattening(),
        'pm': float(srs.GetAttrValue('PRIMEM', 1) or 0),
        'ang': srs.GetAngularUnits(),
    }
    if srs.IsProjected():
        sig['projection'] = srs.GetAttrValue('PROJECTION')
        params = {}
        for nom in re.findall(r'PARAMETER\["([^"]+)"', srs.ExportToWkt()):
            params[nom.lower()] = srs.GetNormProjParm(nom)
        # Les deux parallèles d'une conique sécante sont interchangeables.
        if 'standard_parallel_1' in params and 'standard_parallel_2' in params:
            p1, p2 = sorted((params['standard_parallel_1'], params['standard_parallel_2']))
            params['standard_parallel_1'], params['standard_parallel_2'] = p1, p2
        sig['params'] = params
        sig['lin'] = srs.GetLinearUnits()
    return sig


def proche(x, y, tol):
    return abs(x - y) <= tol * max(1.0, abs(x), abs(y))


def ecarts(s1, s2):
    """Liste des différences entre deux signatures (vide : même système)."""
    e = []
    for cle in ('projete', 'geographique', 'datum', 'projection'):
        if s1.get(cle) != s2.get(cle):
            e.append('%s: %r != %r' % (cle, s1.get(cle), s2.get(cle)))
    for cle, tol in (('a', 1e-9), ('invf', 1e-7), ('pm', 1e-9), ('ang', 1e-12), ('lin', 1e-9)):
        if cle in s1 or cle in s2:
            if cle not in s1 or cle not in s2 or not proche(s1[cle], s2[cle], tol):
                e.append('%s: %r != %r' % (cle, s1.get(cle), s2.get(cle)))
    if 'params' in s1 or 'params' in s2:
        p1, p2 = s1.get('params', {}), s2.get('params', {})
        for nom in sorted(set(p1) | set(p2)):
            if not proche(p1.get(nom, 0.0), p2.get(nom, 0.0), 1e-9):
                e.append('%s: %r != %r' % (nom, p1.get(nom), p2.get(nom)))
    return e


def srs_de_mapinfo(params):
    s = osr.SpatialReference()
    s.ImportFromMICoordSys('CoordSys Earth Projection ' + params)
    return s


def srs_de_prj(wkt):
    s = osr.SpatialReference()
    s.ImportFromESRI([wkt])
    return s


def compare(params, wkt):
    return ecarts(signature(srs_de_mapinfo(params), True), signature(srs_de_prj(wkt), False))


# --- Sources ----------------------------------------------------------------

_srs_epsg = {}


def srs_epsg(code):
    if code not in _srs_epsg:
        s = osr.SpatialReference()
        s.ImportFromEPSG(code)
        _srs_epsg[code] = s
    return _srs_epsg[code]


def wkt_esri(srs):
    return srs.ExportToWkt(['FORMAT=WKT1_ESRI'])


def params_mapinfo(srs, sans_blancs=False):
    """Texte de paramètres MapInfo (sans « Earth Projection »), unités en code ; None si impossible."""
    try:
        mi = srs.ExportToMICoordSys()
    except RuntimeError:
        return None
    if not mi.startswith('Earth Projection '):
        return None
    texte = mi[len('Earth Projection '):]
    if 'Bounds' in texte or 'Affine' in texte:
        return None
    m = re.search(r'"([^"]*)"', texte)
    if m:
        if m.group(1) not in UNITES:
            return None
        texte = texte[:m.start()] + str(UNITES[m.group(1)]) + texte[m.end():]
    if sans_blancs:
        texte = texte.replace(', ', ',')
    return texte


def wkt_nad27(params, nom_projcs):
    """WKT ESRI d'un texte en datum 66, réparé : vrai NAD 1927 (Clarke 1866)."""
    s = srs_de_mapinfo(params)
    s.CopyGeogCSFrom(srs_epsg(4267))
    if s.IsProjected():
        s.SetProjCS(nom_projcs)
    return wkt_esri(s)


def base():
    return sqlite3.connect(PROJ_DB)


def crs_projetes(motif_sql):
    """(code, nom) des CRS projetés EPSG non périmés dont le nom suit le motif LIKE."""
    with base() as b:
        return b.execute("select code, name from projected_crs where auth_name='EPSG' "
                         "and deprecated=0 and name like ? order by code", (motif_sql,)).fetchall()


def crs_geographiques():
    with base() as b:
        return b.execute("select code, name from geodetic_crs where auth_name='EPSG' and deprecated=0 "
                         "and type='geographic 2D' order by code").fetchall()


# --- Le catalogue -----------------------------------------------------------

class Catalogue:
    def __init__(self):
        self.categories = []          # (nom, [entrées])
        self.ressources = set()
        self.textes = set()
        self.rejets = []

    def categorie(self, nom):
        self.categories.append((nom, []))

    def ajoute(self, nom, params, wkt, famille, verifie=True, doublon_permis=False):
        nom = nettoie_nom(nom)
        res = nom_ressource(nom)
        if not re.fullmatch(r'[A-Z0-9_]+', res):
            raise SystemExit('nom de ressource impropre : %r -> %r' % (nom, res))
        if res in self.ressources:
            self.rejets.append((nom, 'nom en double'))
            return False
        if params.lower() in self.textes and not doublon_permis:
            self.rejets.append((nom, 'texte en double : ' + params))
            return False
        if wkt is not None and verifie:
            e = compare(params, wkt)
            if e:
                self.rejets.append((nom, '; '.join(e)))
                return False
        self.ressources.add(res)
        self.textes.add(params.lower())
        self.categories[-1][1].append({'nom': nom, 'params': params, 'wkt': wkt,
                                       'ressource': res, 'famille': famille})
        return True

    def ajoute_epsg(self, code, nom, famille, sans_blancs=False):
        s = srs_epsg(code)
        p = params_mapinfo(s, sans_blancs)
        if p is None:
            self.rejets.append((nom, 'EPSG:%d sans texte MapInfo' % code))
            return False
        return self.ajoute(nom, p, wkt_esri(s), famille)


def datum_esri(srs):
    e = srs.Clone()
    e.MorphToESRI()
    return e.GetAttrValue('DATUM')


def nom_datum(d):
    return {'NAD83': 'NAD 83', 'NAD27': 'NAD 27', 'WGS 84': 'WGS 84', 'WGS 72': 'WGS 72',
            'WGS 72BE': 'WGS 72BE'}.get(d, d)


def nom_depuis_epsg(nom_epsg):
    """« DATUM / Reste » devient « Reste (DATUM) »."""
    if ' / ' in nom_epsg:
        datum, reste = nom_epsg.split(' / ', 1)
        reste = reste.replace('3-degree Gauss-Kruger', 'Gauss-Kruger 3 degrés')
        return '%s (%s)' % (reste, nom_datum(datum))
    return nom_epsg


MERIDIENS_MTM = {z: 52.5 + 3 * (z - 1) for z in range(2, 11)}   # zone 8 : 73.5
MERIDIENS_UTM = {17: 81, 18: 75, 19: 69, 20: 63, 21: 57}


def texte_meridien(m):
    return ('%.1f' % m).rstrip('0').rstrip('.')


def construit():
    cat = Catalogue()

    # 1. Longitude / latitude : un système géographique EPSG par datum MapInfo.
    cat.categorie('Longitude / Latitude')
    vus = set()
    prioritaires = [4269, 4267, 4326, 4322]
    geos = prioritaires + [c for c, _ in crs_geographiques() if c not in prioritaires]
    noms_geo = dict(crs_geographiques())
    for code in geos:
        s = srs_epsg(code)
        p = params_mapinfo(s)
        if p is None or p in vus:
            continue
        nom = 'Longitude / Latitude (%s)' % nom_datum(noms_geo[code])
        if cat.ajoute(nom, p, wkt_esri(s), 'LONGITUDE'):
            vus.add(p)
    # NAD 27 pour le Canada (66) : le NAD 1927 de l'EPSG.
    cat.ajoute('Longitude / Latitude (NAD 27 pour le Canada)', '1, 66', wkt_esri(srs_epsg(4267)), 'LONGITUDE')
    # Les autres datums que MapInfo connaît et que l'EPSG nomme autrement : le texte
    # .prj est celui du datum tel que GDAL le lit dans le texte MapInfo.
    datums_vus = {datum_esri(srs_de_mapinfo(e['params'])) for e in cat.categories[-1][1]}
    for d in list(range(1, 157)) + list(range(1000, 1021)):
        p = '1, %d' % d
        try:
            s = srs_de_mapinfo(p)
        except RuntimeError:
            continue
        d_esri = datum_esri(s)
        if d_esri in datums_vus or s.GetAttrValue('SPHEROID') == 'unknown':
            continue
        nom = d_esri[2:] if d_esri.startswith('D_') else d_esri
        s.SetGeogCS('GCS_' + nom, d_esri, s.GetAttrValue('SPHEROID'), s.GetSemiMajor(), s.GetInvFlattening())
        if cat.ajoute('Longitude / Latitude (%s)' % nom.replace('_', ' '), p, wkt_esri(s), 'LONGITUDE'):
            datums_vus.add(d_esri)

    # 2. UTM du Québec : textes exactement comme la déduction par feuillet les écrit.
    cat.categorie('Projections UTM du Québec')
    for datum, nad, base_epsg in ((DATUM_NAD83, 'NAD 83', 26900), (DATUM_NAD27, 'NAD 27', 26700)):
        for zone, m in MERIDIENS_UTM.items():
            p = '8,%d,7,-%s,0,0.9996,500000,0' % (datum, texte_meridien(m))
            cat.ajoute('Québec UTM zone %d (%s)' % (zone, nad), p, wkt_esri(srs_epsg(base_epsg + zone)), 'QUEBEC')

    # 3. MTM du Québec ; la 7e entrée (zone 8, NAD 83, Montréal) est la présélection.
    cat.categorie('Projections MTM du Québec')
    for z in range(2, 11):
        p = '8,74,7,-%s,0,0.9999,304800,0' % texte_meridien(MERIDIENS_MTM[z])
        code = 32180 if z == 2 else 32180 + z     # zone 2 : celle du SCoPQ (55,5 O)
        cat.ajoute('Québec MTM zone %d (NAD 83)' % z, p, wkt_esri(srs_epsg(code)), 'QUEBEC')
    nad27_mtm = {z: c for z, c in ((3, 32083), (4, 32084), (5, 32085), (6, 32086), (10, 7991))}
    for z in range(2, 11):
        p = '8,66,7,-%s,0,0.9999,304800,0' % texte_meridien(MERIDIENS_MTM[z])
        nom_projcs = 'NAD_1927_MTM_%d' % z
        if z in nad27_mtm:
            nom_projcs = srs_epsg(nad27_mtm[z]).Clone()
            nom_projcs.MorphToESRI()
            nom_projcs = nom_projcs.GetAttrValue('PROJCS')
        cat.ajoute('Québec MTM zone %d (NAD 27)' % z, p, wkt_nad27(p, nom_projcs), 'QUEBEC')

    # 4. 3TM du Québec (NAD 27) : fuseaux de 3 degrés, facteur 0,9999, sans fausse abscisse.
    cat.categorie('Projections 3TM du Québec')
    for z in range(3, 11):
        p = '8, 66, 7, -%s, 0, 0.9999, 0, 0' % texte_meridien(MERIDIENS_MTM[z])
        cat.ajoute('Québec 3TM zone %d (NAD 27)' % z, p, wkt_nad27(p, 'NAD_1927_3TM_Quebec_%d' % z), 'QUEBEC')

    # 5. Canada.
    cat.categorie('Projections canadiennes')
    for code, nom in ((3347, 'Canada Lambert, Statistique Canada (NAD 83)'),
                      (3978, 'Canada Lambert, Atlas du Canada (NAD 83)'),
                      (32198, 'Québec Lambert (NAD 83)'),
                      (32098, 'Québec Lambert (NAD 27)'),
                      (6623, 'Québec Albers (NAD 83)'),
                      (3005, 'Canada, Colombie-Britannique Albers (NAD 83)'),
                      (3400, 'Canada, Alberta 10-TM forêts (NAD 83)'),
                      (3401, 'Canada, Alberta 10-TM ressources (NAD 83)'),
                      (3161, 'Canada, Ontario MNR Lambert (NAD 83)'),
                      (3578, 'Canada, Yukon Albers (NAD 83)'),
                      (3580, 'Canada, Territoires du Nord-Ouest Lambert (NAD 83)'),
                      (3979, 'Canada, Atlas Lambert (NAD 83 CSRS)'),
                      (2294, 'Canada, MTM zone 4 Nouvelle-Ecosse (ATS77)'),
                      (2295, 'Canada, MTM zone 5 Nouvelle-Ecosse (ATS77)')):
        cat.ajoute_epsg(code, nom, 'CANADA')
    for code, nom in crs_projetes('%Alberta 3TM%'):
        if nom.startswith('NAD83 /') or nom.startswith('NAD27 /'):
            cat.ajoute_epsg(code, 'Canada, ' + nom_depuis_epsg(nom), 'CANADA')

    # 6. MTM des autres provinces et tableau complet.
    cat.categorie('Projections MTM')
    for motif in ('NAD83 / MTM zone %', 'NAD27 / MTM zone %', 'NAD27(76) / MTM zone %'):
        for code, nom in sorted(crs_projetes(motif), key=lambda r: int(r[1].rsplit(' ', 1)[1])):
            cat.ajoute_epsg(code, 'MTM' + nom_depuis_epsg(nom).split('MTM', 1)[1], 'MTM')

    # 7 à 10. UTM.
    def zone(nom):
        m = re.search(r'UTM zone (\d+)([NS])', nom)
        return (m.group(2), int(m.group(1))) if m else ('X', 0)

    def nom_utm(nom):
        datum = nom_datum(nom.split(' / ')[0])
        hemi, z = zone(nom)
        return 'UTM Zone %d%s (%s)' % (z, ' Sud' if hemi == 'S' else '', datum)

    for titre, motif in (('Projections UTM (NAD 83)', 'NAD83 / UTM zone %'),
                         ('Projections UTM (NAD 27)', 'NAD27 / UTM zone %'),
                         ('Projections UTM (WGS 84)', 'WGS 84 / UTM zone %')):
        cat.categorie(titre)
        for code, nom in sorted(crs_projetes(motif), key=lambda r: zone(r[1])):
            cat.ajoute_epsg(code, nom_utm(nom), 'UTM')
    cat.categorie('Projections UTM (autres datums)')
    autres = [r for r in crs_projetes('% / UTM zone %')
              if r[1].split(' / ')[0] not in ('NAD83', 'NAD27', 'WGS 84', 'SAD69', 'Corrego Alegre 1970-72')]
    for code, nom in sorted(autres, key=lambda r: (r[1].split(' / ')[0], zone(r[1]))):
        cat.ajoute_epsg(code, nom_utm(nom), 'UTM')

    # 11, 12. Plans d'État américains.
    with base() as b:
        plans = b.execute(
            "select p.code, p.name from projected_crs p join alias_name a on a.table_name='projected_crs' "
            "and a.auth_name=p.auth_name and a.code=p.code and a.source='ESRI' "
            "where p.auth_name='EPSG' and p.deprecated=0 and a.alt_name like '%StatePlane%' "
            "order by p.name").fetchall()
    for titre, prefixe in (("Plans d'État américains (NAD 83)", 'NAD83 / '),
                           ("Plans d'État américains (NAD 27)", 'NAD27 / ')):
        cat.categorie(titre)
        for code, nom in plans:
            if nom.startswith(prefixe) and '(ft' not in nom:
                cat.ajoute_epsg(code, nom_depuis_epsg(nom), 'ETAT')

    # 13 et suivantes. Grilles nationales.
    cat.categorie('Japon')
    for datum in ('JGD2000', 'Tokyo', 'JGD2011'):
        for code, nom in crs_projetes(datum + ' / Japan Plane Rectangular CS %'):
            z = nom.rsplit(' ', 1)[1]
            cat.ajoute_epsg(code, 'Japanese Plane Rectangular zone %s (%s)' % (z, datum), 'JAPANESE')

    cat.categorie('Gauss-Krüger')
    for motif, patron in (('Pulkovo 1942 / Gauss-Kruger zone %', 'GK zone %s (Pulkovo 1942)'),
                          ('Pulkovo 1942 / Gauss-Kruger CM %', 'GK MC %s (Pulkovo 1942)'),
                          ('DHDN / 3-degree Gauss-Kruger zone %', 'Gauss-Kruger zone %s (DHDN)'),
                          ('DHDN / Gauss-Kruger zone %', 'Gauss-Kruger zone %s (DHDN)'),
                          ('Pulkovo 1942 / 3-degree Gauss-Kruger zone %', 'Gauss-Kruger 3 degrés zone %s (Pulkovo 1942)'),
                          ('MGI / 3-degree Gauss-Kruger zone %', 'Gauss-Kruger zone %s (MGI)')):
        for code, nom in sorted(crs_projetes(motif), key=lambda r: r[0]):
            z = nom.rsplit(' ', 1)[1]
            cat.ajoute_epsg(code, patron % z, 'GK')

    cat.categorie('Nouvelle-Zélande')
    for datum in ('NZGD49', 'NZGD2000'):
        for code, nom in crs_projetes(datum + ' / %'):
            if 'UTM' not in nom:
                reste = nom.split(' / ', 1)[1].replace('New Zealand ', '').replace(' 2000', '')
                cat.ajoute_epsg(code, 'New Zealand %s (%s)' % (reste, datum), 'NEW')

    cat.categorie('Brésil')
    for motif in ('SAD69 / Brazil Polyconic', 'SAD69 / UTM zone %', 'Corrego Alegre 1970-72 / UTM zone %',
                  'SIRGAS 2000 / Brazil Polyconic', 'SIRGAS 2000 / UTM zone %'):
        for code, nom in sorted(crs_projetes(motif), key=lambda r: zone(r[1])):
            datum = nom.split(' / ')[0].replace(' 1970-72', '')
            if 'UTM' in nom:
                hemi, z = zone(nom)
                cat.ajoute_epsg(code, 'Brésil UTM zone %d%s (%s)' % (z, ' Sud' if hemi == 'S' else '', datum), 'BRESIL')
            else:
                cat.ajoute_epsg(code, 'Brésil polyconique (%s)' % datum, 'BRESIL')

    cat.categorie('Australie')
    for datum, patron in (('AGD66', 'AMG zone %s (AGD 66)'), ('AGD84', 'AMG zone %s (AGD 84)')):
        for code, nom in crs_projetes(datum + ' / AMG zone %'):
            cat.ajoute_epsg(code, patron % nom.rsplit(' ', 1)[1], 'AMG')
    for code, nom in crs_projetes('GDA94 / %'):
        cat.ajoute_epsg(code, 'Australie, %s (GDA 94)' % nom.split(' / ', 1)[1], 'AUSTRALIE')
    for code, nom in crs_projetes('AGD66 / %'):
        if 'AMG' not in nom:
            cat.ajoute_epsg(code, 'Australie, %s (AGD 66)' % nom.split(' / ', 1)[1], 'AUSTRALIE')

    cat.categorie('Europe')
    for datum in ('OSGB36', 'KKJ', 'RT90', 'Monte Mario', 'HD72', 'ED50', 'ETRS89', 'ETRS89-extended',
                  'TM65', 'Pulkovo 1942(58)', 'S-JTSK', 'Lisbon', 'Datum 73', 'RGF93 v1', 'NTF (Paris)', 'BD72',
                  'CH1903', 'Amersfoort', 'MGI', 'ED87', 'ED79', 'Hungarian 1972'):
        for code, nom in crs_projetes(datum + ' / %'):
            if 'UTM' in nom or 'Gauss-Kruger' in nom:
                continue
            cat.ajoute_epsg(code, 'Europe, ' + nom_depuis_epsg(nom), 'EUROPE')

    cat.categorie('Monde et régions polaires')
    for code in (3395, 3857, 3410, 3413, 3031, 3032, 3976, 3995, 3996, 3411, 3412, 32661, 32761, 5041, 5042,
                 3832, 6933, 8857):
        try:
            s = srs_epsg(code)
        except RuntimeError:
            continue
        cat.ajoute_epsg(code, 'Monde, ' + nom_depuis_epsg(s.GetName()), 'MONDE')

    # Autres grilles nationales, sur les datums que MapInfo connaît.
    cat.categorie('Autres grilles nationales et régionales')
    for datum in ('Hartebeesthoek94', 'Arc 1950', 'Arc 1960', 'Adindan', 'Indian 1960', 'Kertau 1968', 'Hong Kong 1963',
                  'Beijing 1954', 'Old Hawaiian', 'Puerto Rico', 'Minna', 'Campo Inchauspe', 'Bogota 1975',
                  'Hu Tzu Shan 1950', 'Egypt 1907', 'Merchich', 'Nahrwan 1967', 'Qatar 1974', 'Tananarive (Paris)',
                  'Cape', 'Schwarzeck', 'Israel 1993', 'Korean 1985', 'Naparima 1972', 'Batavia'):
        for code, nom in crs_projetes(datum + ' / %'):
            if 'UTM' in nom:
                continue
            cat.ajoute_epsg(code, nom_depuis_epsg(nom), 'AUTRE')

    # Systèmes non terrestres : pas de texte .prj.
    cat.categorie('Non-Terrestre')
    for unite, code in (('mètre', 7), ('pied', 3), ('kilomètre', 1), ('mille', 0), ('centimètre', 6),
                        ('millimètre', 5), ('pouce', 2), ('verge', 4), ('pied d\'arpenteur US', 8),
                        ('mille marin', 9), ('chaîne', 31), ('maillon', 30), ('perche', 32)):
        cat.ajoute('Non-Terrestre (%s)' % unite, '0, %d' % code, None, 'NON_TERRESTRE')

    return cat


TEXTES_FEUILLETS = ['8,%d,7,-%s,0,0.9999,304800,0' % (d, m) for d in (74, 66)
                    for m in ('79.5', '76.5', '73.5', '70.5', '67.5', '64.5', '61.5', '58.5')] + \
                   ['8,%d,7,-%s,0,0.9996,500000,0' % (d, m) for d in (74, 66) for m in ('81', '75', '69', '63', '57')]


def verifie(cat):
    entrees = [e for _, es in cat.categories for e in es]
    for texte in TEXTES_FEUILLETS:
        premiere = next((e for e in entrees if e['params'].lower() == texte.lower()), None)
        if premiere is None or premiere['params'] != texte or not premiere['nom'].startswith('Québec'):
            raise SystemExit('texte de feuillet sans son entrée : ' + texte)
    if cat.categories[2][1][6]['ressource'] != 'QUEBEC_MTM_ZONE_8__NAD_83_':
        raise SystemExit('présélection inattendue : ' + cat.categories[2][1][6]['nom'])
    for e in entrees:
        if e['wkt'] is not None:
            e['wkt'].encode('cp1252')
            if not e['wkt'].endswith(']]') or '\n' in e['wkt']:
                raise SystemExit('texte .prj impropre : ' + e['nom'])
        elif not e['ressource'].startswith('NON_TERRESTRE'):
            raise SystemExit('entrée sans texte : ' + e['nom'])


def ecrit(cat):
    lignes = []
    for nom, entrees in cat.categories:
        if lignes:
            lignes.append('')        # la ligne qui précède un en-tête n'est jamais lue
        lignes.append('"--- %s ---"' % nom)
        for e in entrees:
            lignes.append('"%s", %s' % (e['nom'], e['params']))
    with open(CATALOGUE, 'wb') as f:
        f.write(('\r\n'.join(lignes) + '\r\n').encode('cp1252'))

    os.makedirs(DOSSIER_PRJ, exist_ok=True)
    produits = set()
    for _, entrees in cat.categories:
        for e in entrees:
            if e['wkt'] is None:
                continue
            with open(os.path.join(DOSSIER_PRJ, e['ressource']), 'wb') as f:
                f.write(e['wkt'].encode('cp1252'))
            produits.add(e['ressource'])
    for ancien in set(os.listdir(DOSSIER_PRJ)) - produits:
        os.remove(os.path.join(DOSSIER_PRJ, ancien))

    with open(QRC, 'w', encoding='utf-8', newline='\n') as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n<qresource prefix="/prj">\n')
        for nom in sorted(produits):
            f.write('  <file alias="%s">prj/%s</file>\n' % (nom, nom))
        f.write('</qresource>\n</RCC>\n')


def bilan(cat):
    from collections import Counter
    familles = Counter(e['famille'] for _, es in cat.categories for e in es)
    terrestres = sum(1 for _, es in cat.categories for e in es if e['wkt'] is not None)
    print('Entrées terrestres avec texte .prj :', terrestres)
    for nom, entrees in cat.categories:
        print('  %-45s %4d' % (nom, len(entrees)))
    print('Familles :', ', '.join('%s %d' % f for f in familles.most_common()))
    print('Écartées (même système non prouvé, nom ou texte en double) :', len(cat.rejets))


if __name__ == '__main__':
    c = construit()
    verifie(c)
    ecrit(c)
    bilan(c)
    if '-v' in sys.argv:
        for r in c.rejets:
            print('écartée :', r[0], '|', r[1])
