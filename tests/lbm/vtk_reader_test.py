# SPDX-License-Identifier: GPL-3.0-or-later
"""The field file of a real run, read by VTK's own XML reader.

    vtk_reader_test.py PATH/TO/corvane-lbm

Runs two small cavities (odd and even node counts) into a temporary folder and
reads their field.vti with vtkXMLImageDataReader: the grid, its origin and
spacing, the arrays and their names, and the values on the centre lines,
which must equal the numbers of u_centreline.csv and v_centreline.csv to the
last bit; and a channel's snapshots through their collection, field.pvd. Exits 77 (skipped) when VTK's Python module is not installed.
"""

import csv
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree

try:
    import vtk
    from vtk.util.numpy_support import vtk_to_numpy
except ImportError:
    print("VTK's Python module (python3-vtk9) is not installed: skipped")
    sys.exit(77)

ARRAYS = {"velocity": 3, "speed": 1, "density": 1, "vorticity": 1, "stream_function": 1}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def same(written, read, exact, what):
    """On a node line the profile is the node's own value, which the field
    must hold to the last bit; between two lines it is their mean, taken
    before the division by the lid speed, so within a rounding."""
    if exact:
        check(written == read, f"{what}: {written!r} in the profile, {read!r} in the field")
    else:
        check(abs(written - read) <= 4e-16 * max(1.0, abs(written)), f"{what}: {written!r} against {read!r}")


def profile(path, header):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    check(rows[0] == header, f"{path}: header {rows[0]}")
    return [(float(a), float(b)) for a, b in rows[1:]]


def run_case(tool, work, gx, gy):
    out = os.path.join(work, f"run-{gx}x{gy}")
    done = subprocess.run([tool, "--model", "D2Q9", "--re", "20", "--grid", f"{gx}x{gy}", "--threads", "1",
                           "--tolerance", "1e-6", "--out", out], capture_output=True, text=True, timeout=300)
    check(done.returncode == 0, f"{gx}x{gy}: exit {done.returncode}: {done.stderr[-400:]}")

    reader = vtk.vtkXMLImageDataReader()
    reader.SetFileName(os.path.join(out, "field.vti"))
    reader.Update()
    image = reader.GetOutput()
    check(image.GetDimensions() == (gx, gy, 1), f"{gx}x{gy}: dimensions {image.GetDimensions()}")
    hx, hy = 1.0 / gx, 1.0 / gy
    origin, spacing = image.GetOrigin(), image.GetSpacing()
    check(abs(origin[0] - hx / 2) < 1e-15 and abs(origin[1] - hy / 2) < 1e-15 and origin[2] == 0,
          f"{gx}x{gy}: origin {origin}")
    check(abs(spacing[0] - hx) < 1e-15 and abs(spacing[1] - hy) < 1e-15, f"{gx}x{gy}: spacing {spacing}")

    data = image.GetPointData()
    names = [data.GetArrayName(k) for k in range(data.GetNumberOfArrays())]
    check(names == list(ARRAYS), f"{gx}x{gy}: arrays {names}")
    arrays = {}
    for name, components in ARRAYS.items():
        array = data.GetArray(name)
        if array is None:
            continue
        check(array.GetDataTypeAsString() == "double", f"{name}: type {array.GetDataTypeAsString()}")
        check(array.GetNumberOfComponents() == components, f"{name}: {array.GetNumberOfComponents()} components")
        check(array.GetNumberOfTuples() == gx * gy, f"{name}: {array.GetNumberOfTuples()} tuples")
        arrays[name] = vtk_to_numpy(array).reshape(gy, gx, components)
    check(data.GetVectors() is not None and data.GetVectors().GetName() == "velocity", "velocity is the vectors")
    if "velocity" not in arrays:
        return
    velocity = arrays["velocity"]
    check(float(abs(velocity[:, :, 2]).max()) == 0.0, "velocity has a z component")

    # The centre line runs through a node column (odd count) or half-way
    # between two (even): the profile holds that column or the two's mean.
    u = profile(os.path.join(out, "u_centreline.csv"), ["y", "u"])
    v = profile(os.path.join(out, "v_centreline.csv"), ["x", "v"])
    check(len(u) == gy + 2 and len(v) == gx + 2, f"{gx}x{gy}: profile lengths {len(u)}, {len(v)}")
    left, right = (gx - 1) // 2, gx // 2
    bottom, top = (gy - 1) // 2, gy // 2
    compared = 0
    for j in range(gy):
        y = image.GetPoint(left + j * gx)[1]
        check(abs(u[j + 1][0] - y) < 1e-15, f"u row {j}: y {u[j + 1][0]} against {y}")
        value = (0.5 * (velocity[j, left, 0] + velocity[j, right, 0])) if left != right else velocity[j, left, 0]
        same(u[j + 1][1], value, left == right, f"{gx}x{gy}: u at row {j}")
        compared += 1
    for i in range(gx):
        x = image.GetPoint(i)[0]
        check(abs(v[i + 1][0] - x) < 1e-15, f"v column {i}: x {v[i + 1][0]} against {x}")
        value = (0.5 * (velocity[bottom, i, 1] + velocity[top, i, 1])) if bottom != top else velocity[bottom, i, 1]
        same(v[i + 1][1], value, bottom == top, f"{gx}x{gy}: v at column {i}")
        compared += 1
    # Speed is the velocity's length, node by node.
    speed = (velocity[:, :, 0] ** 2 + velocity[:, :, 1] ** 2) ** 0.5
    check(float(abs(arrays["speed"][:, :, 0] - speed).max()) <= 4e-16, "speed is not |velocity|")
    density = arrays["density"][:, :, 0]
    check(0.5 < float(density.min()) and float(density.max()) < 1.5, "density near 1")
    print(f"{gx}x{gy}: {len(names)} arrays, {compared} centreline values equal to the files")


def run_snapshots(tool, work):
    """A channel past the sample's cylinder with snapshots: VTK's collection
    reader finds every step in time order, each with the obstacle flag."""
    out = os.path.join(work, "snapshots")
    scene = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "samples",
                         "cylinder-channel.cvs")
    result = subprocess.run([tool, "--scene", scene, "--model", "D2Q9(New)", "--re", "20", "--grid", "113x21",
                             "--max-steps", "250", "--snapshots", "100", "--threads", "1", "--out", out],
                            capture_output=True, text=True)
    check(result.returncode == 1, f"snapshots: exit {result.returncode}: {result.stderr}")
    # The collection as ParaView reads it: its data sets in time order, each
    # file read by VTK's image reader.
    root = xml.etree.ElementTree.parse(os.path.join(out, "field.pvd")).getroot()
    check(root.get("type") == "Collection", f"snapshots: type {root.get('type')}")
    sets = root.findall("./Collection/DataSet")
    times = [float(d.get("timestep")) for d in sets]
    dt = 0.41 / 21 * 0.05 / 0.2
    expected = [100 * dt, 200 * dt, 250 * dt]
    check(len(times) == 3 and all(abs(a - b) < 1e-12 for a, b in zip(times, expected)),
          f"snapshots: times {times}, expected {expected}")
    check([d.get("file") for d in sets] == ["field_100.vti", "field_200.vti", "field.vti"],
          f"snapshots: files {[d.get('file') for d in sets]}")
    for d in sets:
        reader = vtk.vtkXMLImageDataReader()
        reader.SetFileName(os.path.join(out, d.get("file")))
        reader.Update()
        image = reader.GetOutput()
        check(image.GetDimensions() == (113, 21, 1), f"{d.get('file')}: dimensions {image.GetDimensions()}")
        obstacle = image.GetPointData().GetArray("obstacle")
        check(obstacle is not None and 0 < vtk_to_numpy(obstacle).sum() < 113 * 21,
              f"{d.get('file')}: no obstacle flag")
    print("snapshots: the collection holds", len(times), "steps")


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="corvane-vtk-") as work:
        run_case(tool, work, 21, 17)
        run_case(tool, work, 16, 12)
        run_snapshots(tool, work)
    if failures:
        print(f"{len(failures)} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
