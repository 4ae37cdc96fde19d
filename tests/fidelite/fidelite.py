#!/usr/bin/python3
# Fidélité des conversions : chaque fichier d'exemple passe par les 21 paires de quorvale-lot, puis la
# source et les sorties sont relues avec GDAL et comparées (objets par genre, sommets, étendue,
# valeurs des attributs, système de coordonnées, textes accentués). Imprime la matrice
# fichier × paire et échoue sur toute perte qui n'est ni une limite de format (LIMITES) ni un défaut
# connu en cours de correction (EN_COURS).
#
#   /usr/bin/python3 tests/fidelite/fidelite.py QUORVALE-LOT DOSSIER-MAPINFO DOSSIER-EXEMPLES [--garde DOSSIER [--relit]]
#
# Un appel de quorvale-lot par paire, sur une copie de l'arbre des exemples d'un format.
import concurrent.futures
import fnmatch
import re
import math
import os
import shutil
import subprocess
import sys
import tempfile
from collections import Counter

from osgeo import gdal, ogr, osr

gdal.UseExceptions()
ogr.UseExceptions()
gdal.PushErrorHandler('CPLQuietErrorHandler')

FORMATS = ['dxf', 'e00', 'mif', 'shp', 'tab']
PAIRES = [(s, c) for s in FORMATS for c in FORMATS if s != c] + [('shp', 'shp')]

# Ce qu'un format ne peut pas tenir : (paire « source>cible » en motif, fichier en motif, perte, pourquoi).
# Pertes : refus, refus:sans-geometrie, objets:<genre>, sommets:<genre>, etendue, attributs,
# attributs:254, accents, scr, relecture. Les objets sans géométrie ne sont pas comptés vers un
# dessin ou une couverture, ni leurs attributs : ni l'un ni l'autre ne les tient.
LIMITES = [
    ('*>dxf', '*', 'scr', "un dessin DXF n'a pas de système de coordonnées"),
    ('dxf>*', '*', 'scr', "un dessin n'a pas de système : la sortie reçoit celui du feuillet ou du réglage"),
    ('*>dxf', '*', 'refus:sans-geometrie', "une table sans géométrie ne donne aucune entité : « sans résultat »"),
    ('*>e00', '*', 'refus:sans-geometrie', "une couverture ne porte pas de fiche sans géométrie : « sans résultat »"),
    ('*>shp', '*', 'attributs:254', "un champ texte de .dbf tient 254 octets au plus"),
    ('*>e00', 'mif/mapinfojs-example/*', 'sommets:region',
     "régions réduites à un point (tous leurs sommets confondus) : une couverture n'a pas d'arc de "
     "longueur nulle, seul le point d'étiquette garde leur position"),
    ('shp>e00', 'shp/gdal-empty/*', 'relecture', "couverture sans objet : GDAL ne relit pas un E00 sans arc ni étiquette"),
]

# Défauts connus, en cours de correction (point de la demande 16) : une ligne par défaut, qu'on efface
# quand il est corrigé ; le test dit lesquelles ne se produisent plus.
EN_COURS = [
    ('dxf>e00', '*', 'attributs', '4 : textes vers annotations E00'),
    ('dxf>e00', 'dxf/gdal-leader-mleader/*', 'attributs:254', '4 : textes vers annotations E00'),
    ('dxf>*', 'dxf/gdal-leader-mleader/*', 'objets:*', '4 : lignes de repère DXF'),
    ('dxf>*', 'dxf/gdal-byblock-bylayer/*', 'attributs', '4 : calques du dessin'),
    ('*', '*win1251*', 'attributs', '3 : cyrillique'),
    ('*', '*win1251*', 'accents', '3 : cyrillique'),
    ('*', 'mif/gdal-utf8/*', 'attributs', '3 : cyrillique'),
    ('*', 'mif/gdal-utf8/*', 'accents', '3 : cyrillique'),
    ('mif>dxf', 'mif/mapinfojs-example/*', 'sommets:ligne', '4 : régions vers dessin'),
]


def genre_de(geom):
    if geom is None:
        return 'aucun'
    t = ogr.GT_Flatten(geom.GetGeometryType())
    if t in (ogr.wkbPoint, ogr.wkbMultiPoint):
        return 'point'
    if t in (ogr.wkbPolygon, ogr.wkbMultiPolygon, ogr.wkbCurvePolygon, ogr.wkbMultiSurface):
        return 'region'
    if t == ogr.wkbGeometryCollection:
        return 'collection'
    return 'ligne'


def sommets(geom):
    if geom is None:
        return 0
    n = geom.GetGeometryCount()
    if n:
        return sum(sommets(geom.GetGeometryRef(i)) for i in range(n))
    return geom.GetPointCount()


def sommets_distincts(geom):
    """Les sommets sans ceux qui répètent le précédent : une couverture n'a pas d'arc de longueur
    nulle, elle ne les garde pas."""
    if geom is None:
        return 0
    n = geom.GetGeometryCount()
    if n:
        return sum(sommets_distincts(geom.GetGeometryRef(i)) for i in range(n))
    points = [geom.GetPoint_2D(i) for i in range(geom.GetPointCount())]
    return sum(1 for i, pt in enumerate(points) if i == 0 or pt != points[i - 1])


def anneaux(geom):
    """Les anneaux d'une région, chacun en ligne (ce qu'un dessin en garde)."""
    sortie = []
    t = ogr.GT_Flatten(geom.GetGeometryType())
    if t in (ogr.wkbMultiPolygon, ogr.wkbMultiSurface, ogr.wkbGeometryCollection):
        for i in range(geom.GetGeometryCount()):
            sortie += anneaux(geom.GetGeometryRef(i))
    elif t in (ogr.wkbPolygon, ogr.wkbCurvePolygon):
        for i in range(geom.GetGeometryCount()):
            sortie.append(geom.GetGeometryRef(i))
    return sortie


DATE = re.compile(r'^\d{4}/\d\d/\d\d$')


def valeur(v):
    if isinstance(v, float):
        return '%.6g' % v
    s = str(v).strip()
    # Une date : GDAL la relit d'une couverture en texte AAAAMMJJ, d'une table en AAAA/MM/JJ.
    if DATE.match(s):
        s = s.replace('/', '')
    # De l'UTF-8 que GDAL a lu comme du Windows-1252 (un .dbf sans .cpg, un dessin) : nos lecteurs
    # le reconnaissent, la comparaison aussi.
    if any(ord(ch) > 127 for ch in s):
        try:
            octets = b''.join(ch.encode('cp1252') if ch.encode('cp1252', 'ignore') else ch.encode('latin-1')
                              for ch in s)
            s = octets.decode('utf-8')
        except UnicodeError:
            pass
    try:
        f = float(s)
        if math.isfinite(f):
            return '%.6g' % f
    except ValueError:
        pass
    return s


class Releve:
    """Ce que GDAL relit, objet par objet, dont on tire ensuite les comptes (Resume)."""
    def __init__(self):
        self.fiches = []   # (géométrie présente, [(genre, sommets, [sommets de chaque anneau])], étendue, valeurs)
        self.srs = []


class Resume:
    def __init__(self, releve, vers_dxf=False, geometriques=False, distincts=False):
        """vers_dxf : les régions comptées en anneaux (lignes) ; geometriques : les objets sans
        géométrie ne comptent pas (un dessin, une couverture ne les tiennent pas) ; distincts : les
        sommets répétés deux fois de suite ne comptent pas (une couverture)."""
        self.objets, self.sommets, self.valeurs = Counter(), Counter(), Counter()
        self.env, self.accents, self.srs = None, set(), releve.srs
        for present, parties, env, valeurs in releve.fiches:
            if geometriques and not present:
                continue
            for genre, n, anneaux_, n_distincts in parties:
                if distincts:
                    n = n_distincts
                if vers_dxf and genre == 'region':
                    self.objets['ligne'] += len(anneaux_)
                    self.sommets['ligne'] += sum(anneaux_)
                else:
                    self.objets[genre] += 1
                    self.sommets[genre] += n
            if env:
                self.env = env if self.env is None else [min(self.env[0], env[0]), max(self.env[1], env[1]),
                                                         min(self.env[2], env[2]), max(self.env[3], env[3])]
            for v in valeurs:
                self.valeurs[v] += 1
                if any(ord(ch) > 127 for ch in v):
                    self.accents.add(v)


# Champs que le lecteur DXF de GDAL ajoute de lui-même, et colonnes que nos sorties ajoutent.
CHAMPS_DXF = {'PaperSpace', 'SubClasses', 'Linetype', 'EntityHandle', 'RawCodeValues', 'ExtendedEntity'}
# Les éléments de topologie d'une couverture (numéros, aires, longueurs, listes d'arcs) : recalculés
# par chaque écrivain, ce ne sont pas des attributs de l'utilisateur.
CHAMPS_E00 = {'ValueId', 'PolyId', 'AREA', 'PERIMETER', 'ArcIds', 'ArcId', 'UserId', 'FNODE_', 'TNODE_', 'LPOLY_',
              'RPOLY_', 'LENGTH', 'LabelIds'}
LABEL = re.compile(r'LABEL\(t:"((?:[^"\\]|\\.)*)"')


def texte(v):
    """Un texte que GDAL n'a pas pu décoder en UTF-8 (E00 : octets Windows-1252) revient lisible."""
    if any('\udc80' <= ch <= '\udcff' for ch in v):
        return v.encode('utf-8', 'surrogateescape').decode('cp1252', 'replace')
    return v


def donnees_etendues(codes):
    """Les valeurs des données étendues QUORVALE d'une entité relue : un groupe « 1002 { » par
    attribut, son nom puis sa valeur en morceaux de 240 octets au plus."""
    valeurs, groupe, dans = [], None, False
    for brut in codes or []:
        code, _, texte = brut.partition(' ')
        if code == '1001':
            dans = texte == 'QUORVALE'
        elif dans and code == '1002':
            if texte == '{':
                groupe = []
            elif groupe is not None:
                if len(groupe) > 1:
                    valeurs.append(''.join(groupe[1:]))
                groupe = None
        elif dans and code == '1000' and groupe is not None:
            groupe.append(texte)
    return valeurs


def releve(fichiers):
    """Ce que GDAL relit des fichiers, objet par objet."""
    r = Releve()
    for chemin in fichiers:
        dxf = chemin.lower().endswith('.dxf')
        e00 = chemin.lower().endswith('.e00')
        if dxf:
            gdal.SetConfigOption('DXF_INCLUDE_RAW_CODE_VALUES', 'TRUE')
        try:
            ds = gdal.OpenEx(chemin, gdal.OF_VECTOR)
        finally:
            gdal.SetConfigOption('DXF_INCLUDE_RAW_CODE_VALUES', None)
        for couche in (ds.GetLayer(k) for k in range(ds.GetLayerCount())):
            nom = couche.GetName()
            if e00 and nom in ('CNT', 'TIC', 'BND', 'LOG', 'PRJ', 'TOL'):
                continue
            srs = couche.GetSpatialRef()
            r.srs.append(srs.Clone() if srs else None)
            defn = couche.GetLayerDefn()
            champs = [defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())]
            # Les éléments de topologie ouvrent la table d'une couverture ; une colonne de
            # l'utilisateur qui porte le même nom (FNODE_ d'un fichier de formes venu d'ArcInfo) suit
            # <COUVERTURE>-ID, qui les ferme.
            topologie = 0
            while e00 and topologie < len(champs) and (champs[topologie] in CHAMPS_E00
                                                       or champs[topologie].endswith(('#', '-ID'))):
                topologie += 1
                if champs[topologie - 1].endswith('-ID'):
                    break
            for f in couche:
                valeurs = []
                # Le texte d'un objet texte MapInfo n'est que dans son style.
                etiquette = LABEL.search(f.GetStyleString() or '') if not dxf else None
                if etiquette:
                    valeurs.append(valeur(etiquette.group(1).replace('\\"', '"')))
                g = f.GetGeometryRef()
                # Une collection compte pour ses parties : les écrivains les rangent par genre.
                parties = [] if g is None else [g.GetGeometryRef(k) for k in range(g.GetGeometryCount())] \
                    if genre_de(g) == 'collection' else [g]
                resume = [(genre_de(x), sommets(x), [a.GetPointCount() for a in anneaux(x)], sommets_distincts(x))
                          for x in parties]
                env = None
                if g is not None and not g.IsEmpty():
                    x0, x1, y0, y1 = g.GetEnvelope()
                    env = [x0, x1, y0, y1]
                for i, c in enumerate(champs):
                    if i < topologie:
                        continue
                    if dxf and c in CHAMPS_DXF:
                        if c == 'RawCodeValues':
                            valeurs += [valeur(v) for v in donnees_etendues(f.GetField(i))]
                        continue
                    if not f.IsFieldSetAndNotNull(i):
                        continue
                    try:
                        v = f.GetField(i)
                    except Exception:
                        v = '\ufffd'
                    if isinstance(v, list):
                        v = ','.join(map(str, v))
                    elif isinstance(v, str):
                        v = texte(v)
                    v = valeur(v)
                    if v != '':
                        valeurs.append(v)
                r.fiches.append((g is not None, resume, env, valeurs))
    return r


def meme_srs(a, b):
    """a : les systèmes relus de la source ; b : ceux de la sortie. Vrai quand chaque sortie porte
    le système de la source (ou, source sans système, un système non terrestre)."""
    ref = next((s for s in a if s is not None), None)
    for s in b:
        if ref is None:
            if s is not None and (s.IsProjected() or s.IsGeographic()):
                return False
            continue
        if s is None:
            return False
        if ref.IsLocal() and s.IsLocal():
            continue
        if not s.IsSame(ref, ['IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES',
                              'CRITERION=EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS']):
            # Même projection et mêmes paramètres suffisent (le nom du datum varie d'un format à l'autre).
            if s.IsProjected() != ref.IsProjected() or s.IsGeographic() != ref.IsGeographic():
                return False
            if (s.GetAttrValue('PROJECTION') or '') != (ref.GetAttrValue('PROJECTION') or ''):
                return False
            for p in ('central_meridian', 'false_easting', 'latitude_of_origin', 'scale_factor',
                      'standard_parallel_1', 'standard_parallel_2'):
                if abs(s.GetNormProjParm(p, 0) - ref.GetNormProjParm(p, 0)) > 1e-6:
                    return False
            if abs(s.GetSemiMajor() - ref.GetSemiMajor()) > 0.5:
                return False
    return True


CONTEXTE = ['']


def voisins(a, b):
    try:
        x, y = float(a), float(b)
    except ValueError:
        return False
    return abs(x - y) <= 1.01e-5 * max(abs(x), abs(y))


def pertes(src, dst):
    p = []
    for genre in sorted(set(src.objets) | set(dst.objets)):
        if dst.objets[genre] < src.objets[genre]:
            p.append(('objets:' + genre, '%s %d/%d' % (genre, dst.objets[genre], src.objets[genre])))
        elif src.sommets[genre] and dst.sommets[genre] < src.sommets[genre]:
            p.append(('sommets:' + genre, 'sommets %s %d/%d' % (genre, dst.sommets[genre], src.sommets[genre])))
    if src.env and dst.env:
        tol = 1e-6 * max(src.env[1] - src.env[0], src.env[3] - src.env[2], 1.0) + 1e-3
        if any(abs(a - b) > tol for a, b in zip(src.env, dst.env)):
            p.append(('etendue', 'étendue'))
    manque = src.valeurs - dst.valeurs
    # Un nombre dont le bruit au-delà du 12e chiffre fait basculer l'arrondi du 6e (0,4999999 contre
    # 0,5) n'est pas perdu : il se retrouve à une unité du 6e chiffre parmi les valeurs en trop.
    trop = dst.valeurs - src.valeurs
    if manque and trop:
        for v in list(manque):
            for w in list(trop):
                if manque[v] and trop[w] and voisins(v, w):
                    n = min(manque[v], trop[w])
                    manque[v] -= n
                    trop[w] -= n
        manque = +manque
    longues = Counter({v: n for v, n in manque.items() if len(v.encode('utf-8')) > 254})
    manque -= longues
    if longues:
        p.append(('attributs:254', 'longs -%d' % sum(longues.values())))
    if manque:
        p.append(('attributs', 'valeurs -%d' % sum(manque.values())))
        if os.environ.get('QUORVALE_FIDELITE_DETAIL'):
            print(CONTEXTE[0], 'valeurs perdues :', list(manque)[:6], file=sys.stderr)
    accents = {s for s in src.accents if dst.valeurs[s] == 0}
    if accents:
        p.append(('accents', 'accents -%d' % len(accents)))
    if not meme_srs(src.srs, dst.srs):
        p.append(('scr', 'scr'))
    return p


def permis(table, paire, echantillon, perte):
    for i, (motif, fichier, quoi, *_reste) in enumerate(table):
        if fnmatch.fnmatch(paire, motif) and fnmatch.fnmatch(echantillon, fichier) and (
                quoi == perte or fnmatch.fnmatch(perte, quoi)):
            return i
    return None


def sources_de(racine, fmt):
    motifs = {'dxf': ('.dxf',), 'e00': ('.e00',), 'mif': ('.mif',), 'shp': ('.shp',), 'tab': ('.tab',)}[fmt]
    trouves = []
    for dossier, _, noms in os.walk(racine):
        for n in noms:
            if n.lower().endswith(motifs):
                trouves.append(os.path.join(dossier, n))
    return sorted(trouves)


def sorties_de(source, destination, cible):
    """Les fichiers produits pour une source d'après la destination que le compte rendu nomme : son
    dossier, son nom de base suivi de rien ou de « _... », sans ceux d'une autre source du dossier
    dont le nom est plus long (seamless et seamless_part1)."""
    dossier = os.path.dirname(destination)
    base = os.path.splitext(os.path.basename(destination))[0].lower()
    autres = [os.path.splitext(n)[0].lower() for n in os.listdir(os.path.dirname(source))]
    autres = [a for a in autres if a != base and a.startswith(base)]
    if not os.path.isdir(dossier):
        return []
    trouves = []
    for n in sorted(os.listdir(dossier)):
        b, ext = os.path.splitext(n)
        b = b.lower()
        if ext.lower() != '.' + cible:
            continue
        if b != base and not b.startswith(base + '_'):
            continue
        if any(b == a or b.startswith(a + '_') for a in autres):
            continue
        trouves.append(os.path.join(dossier, n))
    return trouves


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    lot, mapinfo, exemples = sys.argv[1:4]
    garde = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == '--garde' else None
    # --relit : garde les sorties d'un lancement précédent (--garde) et ne refait que les comparaisons.
    relit = garde and '--relit' in sys.argv[6:]
    travail = garde or tempfile.mkdtemp(prefix='quorvale-fidelite-')
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(travail, 'config'), LC_ALL='C.UTF-8')
    os.makedirs(env['XDG_CONFIG_HOME'], exist_ok=True)
    subprocess.run([os.path.join(mapinfo, 'mapinfow'), '--regserver'], env=env, check=True)

    # Les conversions d'abord, trois à la fois (chacune son dossier temporaire : un traitement par
    # dossier), puisque les étapes en deux temps attendent leurs fichiers plus qu'elles ne calculent.
    for fmt in FORMATS:
        src = os.path.join(travail, 'src', fmt)
        if not os.path.isdir(src):
            shutil.copytree(os.path.join(exemples, fmt), src)

    def convertit(paire):
        s, cible = paire
        dst = os.path.join(travail, 'sortie', '%s-%s' % (s, cible))
        compte_rendu = dst + '.txt'
        if relit and os.path.exists(compte_rendu):
            return
        shutil.rmtree(dst, ignore_errors=True)
        os.makedirs(dst)
        temp = os.path.join(travail, 'tmp', '%s-%s' % (s, cible))
        os.makedirs(temp, exist_ok=True)
        sortie = subprocess.run([lot, '--format-source', s, '--format-cible', cible, '--source',
                                 os.path.join(travail, 'src', s), '--cible', dst, '--sous-dossiers'],
                                env=dict(env, TMPDIR=temp), capture_output=True, text=True).stdout
        with open(compte_rendu, 'w') as f:
            f.write(sortie)

    with concurrent.futures.ThreadPoolExecutor(3) as groupe:
        list(groupe.map(convertit, PAIRES))

    matrice = {}      # (échantillon, paire) -> texte de la cellule
    nouvelles = []    # pertes hors des deux tables
    vues = set()      # lignes d'EN_COURS rencontrées
    releves = {}      # (source, vers un dessin) -> relevé de la source
    for fmt in FORMATS:
        src = os.path.join(travail, 'src', fmt)
        sources = sources_de(src, fmt)
        for s, cible in [p for p in PAIRES if p[0] == fmt]:
            paire = '%s>%s' % (s, cible)
            dst = os.path.join(travail, 'sortie', '%s-%s' % (s, cible))
            with open(dst + '.txt') as f:
                sortie = f.read()
            # Le compte rendu nomme les sources en minuscules : source -> destination.
            # « (avertissement : ...) » suit la destination d'un fichier traduit avec un avertissement.
            traduits, avertis = {}, {}
            for l in sortie.splitlines():
                if l.startswith('traduit : '):
                    s_, d_ = l[len('traduit : '):].split(' → ', 1)
                    d_, _, a_ = d_.partition(' (avertissement : ')
                    traduits[s_.lower()], avertis[s_.lower()] = d_, a_
            for source in sources:
                echantillon = fmt + '/' + os.path.relpath(source, src).replace(os.sep, '/')
                if source not in releves:
                    try:
                        releves[source] = releve([source])
                    except Exception:
                        releves[source] = None
                if releves[source] is None:
                    # Rien à quoi comparer : ce que GDAL ne lit pas n'entre pas dans la matrice.
                    matrice[(echantillon, paire)] = 'GDAL ne lit pas la source'
                    continue
                # Les polylignes fermées d'un dessin deviennent des régions : d'un dessin comme vers un
                # dessin, une région se compte en anneaux.
                anneaux_seuls = 'dxf' in (s, cible)
                avant = Resume(releves[source], anneaux_seuls, cible in ('dxf', 'e00'), cible == 'e00')
                destination = traduits.get(source.lower())
                fichiers = sorties_de(source, destination, cible) if destination else []
                if not fichiers:
                    aspatiale = cible in ('dxf', 'e00') and not any(avant.objets.values())
                    trouvees = [('refus:sans-geometrie' if aspatiale else 'refus', 'refusé')]
                else:
                    try:
                        CONTEXTE[0] = echantillon + ' ' + paire
                        trouvees = pertes(avant, Resume(releve(fichiers), anneaux_seuls, distincts=cible == 'e00'))
                    except Exception as e:
                        trouvees = [('relecture', 'sortie illisible : %s' % e)]
                cellule = []
                signale = 'ne tiennent pas' in avertis.get(source.lower(), '')
                for perte, texte in trouvees:
                    # Un caractère que la cible ne tient pas est dit à la ligne du fichier : perte signalée.
                    if signale and perte in ('accents', 'attributs'):
                        cellule.append('(' + texte + ', signalé)')
                        continue
                    if permis(LIMITES, paire, echantillon, perte) is not None:
                        cellule.append('(' + texte + ')')
                        continue
                    i = permis(EN_COURS, paire, echantillon, perte)
                    if i is not None:
                        vues.add(i)
                        cellule.append(texte + ' [%s]' % EN_COURS[i][3])
                        continue
                    cellule.append(texte + ' !')
                    nouvelles.append('%s %s : %s' % (echantillon, paire, texte))
                matrice[(echantillon, paire)] = '; '.join(cellule) or 'ok'

    echantillons = sorted({e for e, _ in matrice})
    for fmt in FORMATS:
        colonnes = ['%s>%s' % p for p in PAIRES if p[0] == fmt]
        lignes = [e for e in echantillons if e.startswith(fmt + '/')]
        if not lignes:
            continue
        large = max(len(e) for e in lignes)
        print('\n' + 'exemple'.ljust(large) + '  ' + '  '.join(c.ljust(14) for c in colonnes))
        for e in lignes:
            print(e.ljust(large) + '  ' + '  '.join(matrice.get((e, c), '-').ljust(14) for c in colonnes))
    print('\nLégende : ok, « genre n/m » objets relus sur objets source, (...) limite de format, '
          '[...] défaut connu en cours, ! perte non permise.')
    for i, entree in enumerate(EN_COURS):
        if i not in vues:
            print('Défaut connu qui ne se produit plus (ligne à effacer de EN_COURS) : %s %s %s' % entree[:3])
    if not garde:
        shutil.rmtree(travail, ignore_errors=True)
    if nouvelles:
        print('\n%d perte(s) non permise(s) :' % len(nouvelles))
        for n in nouvelles:
            print('  ' + n)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
