#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""`corvane --export` without a display, checked with readers of its own.

A scene with a moved, turned and scaled cube, a mesh placed and mirrored,
and a light is written as OBJ, STL and PLY. meshio reads each file back: the
world-space triangles must be those the placement gives (within float
rounding), each turned outward, the light left out; admesh must find no
facet normal to fix in the STL. Bad uses must fail with a reason.

Usage: export_cli_test.py PATH-TO-CORVANE
"""

import json
import math
import os
import subprocess
import sys
import tempfile

import meshio
import numpy as np

CORVANE = sys.argv[1]
TOLERANCE = 1e-5
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def rotation(degrees, axis):
    """glRotatef's matrix about a coordinate axis (0, 1, 2 for x, y, z)."""
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    i, j = [(1, 2), (2, 0), (0, 1)][axis]
    m = np.identity(4)
    m[i, i], m[i, j], m[j, i], m[j, j] = c, -s, s, c
    return m


def placement(position, turns, scale):
    """Translation, then the turns about x, y and z, then the scale."""
    m = np.identity(4)
    m[:3, 3] = position
    for axis, degrees in enumerate(turns):
        m = m @ rotation(degrees, axis)
    return m @ np.diag(list(scale) + [1])


def apply(m, points):
    points = np.asarray(points, dtype=float)
    return points @ m[:3, :3].T + m[:3, 3]


CUBE = dict(position=[3, -2, 5], rotation=[30, 45, -60], scale=[2, 0.5, 3])
MESH = dict(position=[-4, 1, 2], rotation=[0, 20, 10], scale=[-1.5, 1, 2])
# An octahedron, its faces counter-clockwise seen from outside.
OCTAHEDRON_VERTICES = [[1, 0, 0], [-1, 0, 0], [0, 1, 0], [0, -1, 0], [0, 0, 1], [0, 0, -1]]
OCTAHEDRON_FACES = [[1, 3, 5], [3, 2, 5], [2, 4, 5], [4, 1, 5], [3, 1, 6], [2, 3, 6], [4, 2, 6], [1, 4, 6]]

SCENE = {
    "format": "corvane-scene",
    "version": 1,
    "objects": [
        {"class": "TGLCube", **CUBE},
        {"class": "TGLLight", "position": [0, 8, 0]},
        {
            "class": "TGLPolyObject",
            **MESH,
            "mesh": {
                "vertexCount": 6,
                "vertices": [c for v in OCTAHEDRON_VERTICES for c in v],
                "faceSizes": [3] * 8,
                "faceIndices": [k for f in OCTAHEDRON_FACES for k in f],
            },
        },
    ],
}

cube_m = placement(CUBE["position"], CUBE["rotation"], CUBE["scale"])
mesh_m = placement(MESH["position"], MESH["rotation"], MESH["scale"])
cube_corners = apply(cube_m, [[x, y, z] for x in (-0.5, 0.5) for y in (-0.5, 0.5) for z in (-0.5, 0.5)])
cube_centre = apply(cube_m, [[0, 0, 0]])[0]
mesh_centre = apply(mesh_m, [[0, 0, 0]])[0]
# The mirroring scale turns the faces round: written outward, they go back.
mesh_triangles = [apply(mesh_m, [OCTAHEDRON_VERTICES[k - 1] for k in reversed(f)]) for f in OCTAHEDRON_FACES]


def box_area(m):
    """Surface area of the unit cube under m."""
    a, b, c = m[:3, 0], m[:3, 1], m[:3, 2]
    return 2 * sum(np.linalg.norm(np.cross(u, v)) for u, v in ((a, b), (b, c), (c, a)))


def near(p, q):
    return np.linalg.norm(np.asarray(p) - np.asarray(q)) <= TOLERANCE * max(1.0, np.linalg.norm(q))


def same_turn(t, expected):
    """The same corners in the same cyclic order."""
    return any(all(near(t[(i + s) % 3], expected[i]) for i in range(3)) for s in range(3))


def run(*arguments):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    return subprocess.run([CORVANE, *arguments], env=env, capture_output=True, text=True, timeout=120)


def triangles_of(mesh):
    out = []
    for block in mesh.cells:
        check(block.type == "triangle", f"only triangles are written, not {block.type}")
        out += [mesh.points[cell] for cell in block.data]
    return out


def check_scene(name, triangles, normals=None):
    """normals: for each triangle, its corners' normals as the file has them."""
    check(len(triangles) == 12 + 8, f"{name}: {len(triangles)} triangles, not 20 (cube and octahedron, no light)")
    mesh_left = list(mesh_triangles)
    cube_area = 0.0
    for n, t in enumerate(triangles):
        winding = np.cross(t[1] - t[0], t[2] - t[0])
        centroid = t.mean(axis=0)
        match = next((e for e in mesh_left if same_turn(t, e)), None)
        if match is not None:
            mesh_left.remove(match)
            centre = mesh_centre
        else:
            check(all(any(near(p, c) for c in cube_corners) for p in t), f"{name}: a triangle that was not drawn: {t}")
            cube_area += np.linalg.norm(winding) / 2
            centre = cube_centre
        check(np.dot(winding, centroid - centre) > 0, f"{name}: a face turned inward at {centroid}")
        if normals is not None:
            for corner, normal in zip(t, normals[n]):
                check(abs(np.linalg.norm(normal) - 1) < 1e-5, f"{name}: a normal of length {np.linalg.norm(normal)}")
                check(np.dot(normal, corner - centre) > 0, f"{name}: a normal pointing inward at {corner}")
    check(not mesh_left, f"{name}: {len(mesh_left)} triangles of the placed mesh are missing")
    check(abs(cube_area - box_area(cube_m)) < 1e-4 * box_area(cube_m), f"{name}: cube area {cube_area}, not {box_area(cube_m)}")


with tempfile.TemporaryDirectory() as folder:
    scene = os.path.join(folder, "scene.cvs")
    with open(scene, "w") as f:
        json.dump(SCENE, f)

    for extension in ("obj", "stl", "ply"):
        out = os.path.join(folder, "scene." + extension)
        result = run("--export", scene, out)
        check(result.returncode == 0, f"--export to .{extension} exits {result.returncode}: {result.stderr}")
        if result.returncode != 0:
            continue
        mesh = meshio.read(out)
        triangles = triangles_of(mesh)
        normals = None
        if extension == "obj":
            vn = mesh.point_data.get("obj:vn")
            check(vn is not None and len(vn) == len(mesh.points), "OBJ has a normal beside every vertex")
            normals = [vn[cell] for block in mesh.cells for cell in block.data] if vn is not None else None
            with open(out) as f:
                names = [line.split()[1] for line in f if line.startswith("o ")]
            check(names == ["cube_1", "mesh_2"], f"OBJ objects {names}")
        elif extension == "ply":
            if all(k in mesh.point_data for k in ("nx", "ny", "nz")):
                vn = np.stack([mesh.point_data[k] for k in ("nx", "ny", "nz")], axis=1)
                normals = [vn[cell] for block in mesh.cells for cell in block.data]
            else:
                check(False, f"PLY has no normals: {list(mesh.point_data)}")
        check_scene(extension, triangles, normals)

    # STL facet normals against their faces, by a checker of its own.
    stl = os.path.join(folder, "scene.stl")
    if os.path.exists(stl):
        checked = subprocess.run(["admesh", "--exact", "--normal-directions", "--normal-values", stl], capture_output=True, text=True, timeout=60)
        report = checked.stdout
        fixed = [line for line in report.splitlines() if "Normals fixed" in line]
        check(checked.returncode == 0 and fixed and fixed[0].split(":")[1].split()[0] == "0",
              f"admesh fixed facet normals:\n{report}{checked.stderr}")

    # Bad uses say why and fail.
    for arguments, status, reason in [
        ([os.path.join(folder, "missing.cvs"), os.path.join(folder, "o.stl")], 1, "there is no such file"),
        ([folder, os.path.join(folder, "o.stl")], 1, "it is a folder"),
        ([scene, os.path.join(folder, "o.xyz")], 2, "give it the extension .obj, .stl, .ply or .coor"),
        ([scene, os.path.join(folder, "no", "such", "folder", "o.stl")], 1, "Could not write"),
        ([scene], 2, "--export needs a FILE to read and an OUT file to write"),
    ]:
        result = run("--export", *arguments)
        check(result.returncode == status and reason in result.stderr,
              f"--export {' '.join(arguments)}: exit {result.returncode}, said {result.stderr!r}")
    check(not os.path.exists(os.path.join(folder, "o.xyz")), "nothing is written in an unknown format")

print("export from the command line: " + ("ok" if not failures else f"{len(failures)} problems"))
sys.exit(1 if failures else 0)
