#!/usr/bin/python3
"""Données du banc : feuillets du Québec en petits jeux de formes, et un gros jeu de points.

Usage : donnees.py arbre DOSSIER N      N petits jeux de formes (100 à 500 entités) rangés par feuillet
        donnees.py gros FICHIER.shp N   N points
        donnees.py noms DOSSIER N [EXT] N fichiers vides (pour la liste), rangés par feuillet
Le hasard est fixé : mêmes arguments, mêmes fichiers.
"""
import math
import os
import random
import sys

from osgeo import ogr, osr

ogr.UseExceptions()

# Feuillets 1:250 000 du sud du Québec ; quadrants des feuillets 1:50 000 → noms 1:20 000 (31h05ne).
BLOCS = ["31h", "31g", "31i", "21l", "21e", "31j", "22a", "21m", "31f", "32d"]
QUARTS = ["ne", "nw", "se", "sw"]


def feuillets(n):
    """Les n premiers noms de feuillets, avec leur dossier (bloc/feuillet 1:50 000)."""
    noms = []
    for bloc in BLOCS:
        for numero in range(1, 17):
            for quart in QUARTS:
                noms.append((f"{bloc}/{bloc}{numero:02d}", f"{bloc}{numero:02d}{quart}"))
                if len(noms) == n:
                    return noms
    i = 0
    while len(noms) < n:  # au-delà : des variantes numérotées des mêmes feuillets
        d, f = noms[i % 640]
        noms.append((f"{d}/v{i // 640}", f))
        i += 1
    return noms


def champs(couche):
    for nom, genre, largeur in (("NOM", ogr.OFTString, 40), ("CODE", ogr.OFTInteger, 9),
                                ("SURFACE", ogr.OFTReal, 0)):
        d = ogr.FieldDefn(nom, genre)
        if largeur:
            d.SetWidth(largeur)
        if genre == ogr.OFTReal:
            d.SetWidth(15)
            d.SetPrecision(3)
        couche.CreateField(d)


def petit(chemin, graine):
    r = random.Random(graine)
    n = r.randint(100, 500)
    genre = [ogr.wkbPoint, ogr.wkbLineString, ogr.wkbPolygon][graine % 3]
    ds = ogr.GetDriverByName("ESRI Shapefile").CreateDataSource(chemin)
    couche = ds.CreateLayer(os.path.splitext(os.path.basename(chemin))[0], None, genre,
                            ["ENCODING=ISO-8859-1"])
    champs(couche)
    x0, y0 = 250000 + r.random() * 50000, 5000000 + r.random() * 50000
    defn = couche.GetLayerDefn()
    for i in range(n):
        f = ogr.Feature(defn)
        f.SetField("NOM", r.choice(["Lac-Mégantic", "Rivière-du-Loup", "Chemin Saint-Rémi", "Île d'Orléans",
                                     "Pointe-à-la-Croix", "route 132"]) + f" {i}")
        f.SetField("CODE", r.randint(0, 99999))
        f.SetField("SURFACE", round(r.random() * 1e5, 3))
        x, y = x0 + r.random() * 10000, y0 + r.random() * 10000
        if genre == ogr.wkbPoint:
            g = ogr.CreateGeometryFromWkt(f"POINT ({x:.3f} {y:.3f})")
        elif genre == ogr.wkbLineString:
            pts = ", ".join(f"{x + k * 15.5:.3f} {y + r.random() * 40:.3f}" for k in range(r.randint(2, 12)))
            g = ogr.CreateGeometryFromWkt(f"LINESTRING ({pts})")
        else:
            c = r.randint(4, 10)
            pts = [(x + 30 * math.cos(2 * math.pi * k / c), y + 30 * math.sin(2 * math.pi * k / c)) for k in range(c)]
            pts.append(pts[0])
            g = ogr.CreateGeometryFromWkt("POLYGON ((" + ", ".join(f"{a:.3f} {b:.3f}" for a, b in pts) + "))")
        f.SetGeometry(g)
        couche.CreateFeature(f)
    ds = None


def arbre(dossier, n):
    for i, (sous, nom) in enumerate(feuillets(n)):
        d = os.path.join(dossier, sous)
        os.makedirs(d, exist_ok=True)
        petit(os.path.join(d, nom + ".shp"), i)


def gros(chemin, n):
    os.makedirs(os.path.dirname(os.path.abspath(chemin)), exist_ok=True)
    ds = ogr.GetDriverByName("ESRI Shapefile").CreateDataSource(chemin)
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32188)  # NAD 83 / MTM 8
    couche = ds.CreateLayer(os.path.splitext(os.path.basename(chemin))[0], srs, ogr.wkbPoint)
    for nom, genre in (("ID", ogr.OFTInteger), ("COTE", ogr.OFTReal)):
        d = ogr.FieldDefn(nom, genre)
        if genre == ogr.OFTReal:
            d.SetWidth(12)
            d.SetPrecision(2)
        couche.CreateField(d)
    r = random.Random(7)
    defn = couche.GetLayerDefn()
    couche.StartTransaction()
    g = ogr.Geometry(ogr.wkbPoint)
    for i in range(n):
        f = ogr.Feature(defn)
        f.SetField(0, i)
        f.SetField(1, round(r.random() * 1000, 2))
        g.SetPoint_2D(0, 280000 + r.random() * 60000, 5030000 + r.random() * 60000)
        f.SetGeometry(g)
        couche.CreateFeature(f)
    couche.CommitTransaction()
    ds = None


def noms(dossier, n, ext="shp"):
    """n fichiers vides : 100 par dossier, dossiers par feuillet."""
    fs = feuillets(max(1, n // 100 + 1))
    k = 0
    for sous, nom in fs:
        d = os.path.join(dossier, sous, nom)
        os.makedirs(d, exist_ok=True)
        for j in range(100):
            if k == n:
                return
            open(os.path.join(d, f"{nom}-{j:03d}.{ext}"), "w").close()
            k += 1


if __name__ == "__main__":
    {"arbre": arbre, "gros": gros, "noms": noms}[sys.argv[1]](sys.argv[2], int(sys.argv[3]), *sys.argv[4:])
