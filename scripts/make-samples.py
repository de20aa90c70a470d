#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the sample polygon objects in data/samples/: each a ".coor" file of
numbered vertices and a ".poly" file of faces (vertices counter-clockwise seen
from outside, so that the normals point outward)."""
import math
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "samples")


def write(name, vertices, faces):
    with open(os.path.join(OUT, name + ".coor"), "w") as f:
        f.write("%d\n" % len(vertices))
        for k, (x, y, z) in enumerate(vertices, 1):
            f.write("%d,%.6f,%.6f,%.6f\n" % (k, x, y, z))
    with open(os.path.join(OUT, name + ".poly"), "w") as f:
        f.write("%d\n" % len(faces))
        for face in faces:
            f.write("f " + " ".join(str(i) for i in face) + "\n")


def torus(R=10.0, r=3.5, n=64, m=32):
    vertices, faces = [], []
    for i in range(n):
        u = 2 * math.pi * i / n
        for j in range(m):
            v = 2 * math.pi * j / m
            vertices.append(((R + r * math.cos(v)) * math.cos(u), r * math.sin(v), (R + r * math.cos(v)) * math.sin(u)))
    idx = lambda i, j: (i % n) * m + (j % m) + 1
    for i in range(n):
        for j in range(m):
            faces.append((idx(i, j), idx(i, j + 1), idx(i + 1, j + 1), idx(i + 1, j)))
    return vertices, faces


def wing(stations=24, chord_points=40, span=30.0, root=12.0, tip=6.0, sweep=5.0, t=0.12):
    """A tapered, swept wing panel with a symmetric four-digit airfoil section."""
    def thickness(x):
        return 5 * t * (0.2969 * math.sqrt(x) - 0.1260 * x - 0.3516 * x * x + 0.2843 * x ** 3 - 0.1036 * x ** 4)

    # Around the section: trailing edge over the top to the leading edge and back under.
    xs = [0.5 * (1 - math.cos(math.pi * i / chord_points)) for i in range(chord_points + 1)]
    ring = [(x, thickness(x)) for x in reversed(xs)] + [(x, -thickness(x)) for x in xs[1:-1]]
    vertices, faces = [], []
    for s in range(stations + 1):
        f = s / stations
        chord = root + (tip - root) * f
        z = span * f
        lead = sweep * f
        for (x, y) in ring:
            vertices.append((lead + x * chord - root / 2, y * chord, z))
    p = len(ring)
    idx = lambda s, i: s * p + (i % p) + 1
    for s in range(stations):
        for i in range(p):
            faces.append((idx(s, i), idx(s, i + 1), idx(s + 1, i + 1), idx(s + 1, i)))
    # Closing caps at root and tip.
    faces.append(tuple(idx(0, i) for i in reversed(range(p))))
    faces.append(tuple(idx(stations, i) for i in range(p)))
    return vertices, faces


def sphere(depth=6, radius=10.0):
    """A geodesic sphere: the icosahedron's faces split depth times, vertices shared."""
    X, Z = 0.525731112119133606, 0.850650808352039932
    vertices = [(-X, 0, Z), (X, 0, Z), (-X, 0, -Z), (X, 0, -Z), (0, Z, X), (0, Z, -X),
                (0, -Z, X), (0, -Z, -X), (Z, X, 0), (-Z, X, 0), (Z, -X, 0), (-Z, -X, 0)]
    faces = [(0, 4, 1), (0, 9, 4), (9, 5, 4), (4, 5, 8), (4, 8, 1), (8, 10, 1), (8, 3, 10), (5, 3, 8),
             (5, 2, 3), (2, 7, 3), (7, 10, 3), (7, 6, 10), (7, 11, 6), (11, 0, 6), (0, 1, 6), (6, 1, 10),
             (9, 0, 11), (9, 11, 2), (9, 2, 5), (7, 2, 11)]
    for _ in range(depth):
        cache, split = {}, []

        def mid(a, b):
            key = (min(a, b), max(a, b))
            if key not in cache:
                p = [vertices[a][i] + vertices[b][i] for i in range(3)]
                n = math.sqrt(sum(c * c for c in p))
                vertices.append(tuple(c / n for c in p))
                cache[key] = len(vertices) - 1
            return cache[key]

        for a, b, c in faces:
            ab, bc, ca = mid(a, b), mid(b, c), mid(c, a)
            split += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
        faces = split
    # The table's faces run clockwise seen from outside: reverse them.
    return ([tuple(radius * c for c in v) for v in vertices],
            [(a + 1, c + 1, b + 1) for a, b, c in faces])


def cylinder(sides=128):
    """A closed circular cylinder of radius 1 about the z axis, from z = -0.5
    to 0.5: the side's quadrilaterals and each cap a fan about its centre."""
    vertices, faces = [], []
    for z in (-0.5, 0.5):
        for i in range(sides):
            u = 2 * math.pi * i / sides
            vertices.append((math.cos(u), math.sin(u), z))
    vertices += [(0.0, 0.0, -0.5), (0.0, 0.0, 0.5)]
    low = lambda i: i % sides + 1
    high = lambda i: sides + i % sides + 1
    bottom, top = 2 * sides + 1, 2 * sides + 2
    for i in range(sides):
        faces.append((low(i), low(i + 1), high(i + 1), high(i)))
        faces.append((bottom, low(i + 1), low(i)))
        faces.append((top, high(i), high(i + 1)))
    return vertices, faces


def write_scene(name, objects, view):
    import json
    scene = {"format": "corvane-scene", "version": 1, "current": -1, "objects": objects, "view": view}
    with open(os.path.join(OUT, name), "w") as f:
        json.dump(scene, f, indent=4, sort_keys=True)
        f.write("\n")


WALL = [0.6, 0.6, 0.65]
OBSTACLE = [0.85, 0.3, 0.2]


def walls(length, height, depth, t=0.02):
    """Thin boxes along a channel [0, length] x [0, height] x [0, depth], just
    outside it, on its four long sides (the ends stay open)."""
    def box(position, scale):
        return {"class": "TGLCube", "color": WALL, "position": position, "scale": scale}
    return [box([length / 2, -t / 2, depth / 2], [length, t, depth + 2 * t]),
            box([length / 2, height + t / 2, depth / 2], [length, t, depth + 2 * t]),
            box([length / 2, height / 2, -t / 2], [length, height, t]),
            box([length / 2, height / 2, depth + t / 2], [length, height, t])]


def channel_view(length, height, depth, zoom):
    """Seen from above the inflow end, slanting down the channel."""
    return {"axes": False, "cameraRotation": [25, -35, 0], "wireFrame": True, "perspective": False,
            "cameraTranslation": [-length / 2, -height / 2, -depth / 2], "zoom": zoom}


def cylinder_channel_3d():
    """Flow past a circular cylinder across a square channel: the channel
    2.5 x 0.41 x 0.41, the cylinder of diameter 0.1 about the line x = 0.5,
    y = 0.2, reaching a little past both side walls."""
    L, H = 2.5, 0.41
    rod = {"class": "TGLPolyObject", "color": OBSTACLE, "position": [0.5, 0.2, (0.43 - 0.02) / 2],
           "scale": [0.05, 0.05, 0.45], "mesh": {"file": "cylinder.coor"}}
    write_scene("cylinder-channel-3d.cvs", walls(L, H, H) + [rod], channel_view(L, H, H, 9))


def sphere_box():
    """Flow past a sphere of diameter 0.1 centred at (0.4, 0.5, 0.5) in the
    box [0, 1.5] x [0, 1] x [0, 1]."""
    L, H = 1.5, 1.0
    ball = {"class": "TGLIcosahedron", "color": OBSTACLE, "detail": 6, "position": [0.4, 0.5, 0.5],
            "scale": [0.05, 0.05, 0.05]}
    write_scene("sphere-box.cvs", walls(L, H, H) + [ball], channel_view(L, H, H, 7))


def still_life():
    """A scene file: the torus beside a cube, a pyramid and an icosahedron,
    lit by two lights, the mesh kept by its path (no embedded geometry)."""
    import json
    def solid(cls, position, scale, color, **more):
        o = {"class": cls, "position": position, "scale": [scale] * 3, "color": color}
        o.update(more)
        return o
    scene = {
        "format": "corvane-scene",
        "version": 1,
        "current": -1,
        "view": {"cameraRotation": [25, -30, 0], "lighting": True, "background": [0.93, 0.95, 1.0]},
        "objects": [
            solid("TGLPlane", [0, 0, -12], 40, [0.55, 0.55, 0.6]),
            solid("TGLCube", [-11, -2, 4], 6, [0.8, 0.2, 0.15], rotation=[0, 30, 0]),
            solid("TGLPyramid", [11, -2, 4], 7, [0.95, 0.75, 0.2]),
            solid("TGLIcosahedron", [0, 10, 2], 4, [0.2, 0.45, 0.85], detail=3,
                  specular=[1, 1, 1, 1], shininess=40),
            {"class": "TGLPolyObject", "position": [0, -1, 2], "scale": [0.6] * 3,
             "color": [0.3, 0.7, 0.4], "mesh": {"file": "torus.coor"}},
            {"class": "TGLLight", "position": [10, 15, 15],
             "light": {"ambient": [0.2, 0.2, 0.2], "diffuse": [1, 1, 1], "specular": [1, 1, 1],
                       "directional": False}},
            {"class": "TGLLight", "position": [-1, 1, 1],
             "light": {"ambient": [0, 0, 0], "diffuse": [0.4, 0.4, 0.5], "specular": [0, 0, 0],
                       "directional": True}},
        ],
    }
    with open(os.path.join(OUT, "still-life.cvs"), "w") as f:
        json.dump(scene, f, indent=4, sort_keys=True)
        f.write("\n")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write("torus", *torus())
    write("wing", *wing())
    write("sphere", *sphere())
    write("cylinder", *cylinder())
    still_life()
    cylinder_channel_3d()
    sphere_box()
