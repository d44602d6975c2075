#!/usr/bin/python3
"""The frame of bench_frame drawn with the Python stack a forecaster would
otherwise use, timed beside bench_frame itself.

The frame: the 24-hour GFS MOS temperature of the shipped sample, the
stations of priority 2 and better on the "us" region refined four times
(97 x 65 points at 57.5 km, polar stereographic true at 60N about 97W), one
Barnes pass (weight exp(-r^2), radius 12 grid lengths), filled and labelled
contours, the map outlines of data/orv.map, written as PostScript.

Usage: bench/peer_frame.py [BENCH_BUILD_DIR]   (run from the source tree)
Prints the peer's CPU time per frame, bench_frame's (when BENCH_BUILD_DIR
holds it) and their ratio.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import matplotlib

matplotlib.use("ps")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import pyproj  # noqa: E402
from matplotlib.collections import LineCollection  # noqa: E402
from scipy.spatial.distance import cdist  # noqa: E402

BULLETIN = "examples/mos_2026120600.txt"
STATIONS = "data/mos.cty"
OUTLINES = "data/orv.map"
UNIT = 1e5  # the program's plane measures 100 km per unit
PROJECTION = pyproj.Proj("+proj=stere +lat_0=90 +lat_ts=60 +lon_0=-97 +R=6371220 +units=m")
CENTRE = (39.0, -97.0)
NX, NY, SPACING = 97, 65, 0.575
PRIORITY = 2
HOUR_COLUMN = (24 - 6) // 3  # the bulletin's columns run from 6 hours by 3
KAPPA, RADIUS = 1.0, 12.0
INTERVAL = 4.0  # the interval the program chooses for this field
FRAMES = 5


def grid_axes():
    xc, yc = (v / UNIT for v in PROJECTION(CENTRE[1], CENTRE[0]))
    x = xc + (np.arange(NX) - (NX - 1) / 2) * SPACING
    y = yc + ((NY - 1) / 2 - np.arange(NY)) * SPACING  # rows from the north
    return x, y


def station_table(x_axis, y_axis):
    """Positions of the stations of good enough priority within the grid."""
    ids, lats, lons = [], [], []
    with open(STATIONS) as table:
        for line in table:
            f = line.split()
            if len(f) < 9 or int(f[4].strip("*")) > PRIORITY:
                continue
            ids.append(f[3])
            lats.append(float(f[5]))
            lons.append(float(f[6]))
    x, y = PROJECTION(np.array(lons), np.array(lats))
    x, y = x / UNIT, y / UNIT
    margin = 3 * SPACING
    inside = ((x >= x_axis[0] - margin) & (x <= x_axis[-1] + margin)
              & (y >= y_axis[-1] - margin) & (y <= y_axis[0] + margin))
    return {i: (px, py) for i, px, py, keep in zip(ids, x, y, inside) if keep}


def bulletin_temperatures(stations):
    """The 24-hour temperature of every station of the table in the bulletin."""
    xs, ys, values = [], [], []
    station = None
    with open(BULLETIN) as bulletin:
        for line in bulletin:
            if "GFS MOS GUIDANCE" in line:
                station = stations.get(line.split()[0])
            elif station is not None and line.startswith("TMP"):
                text = line[4 + 3 * HOUR_COLUMN:4 + 3 * HOUR_COLUMN + 3].strip()
                if text and int(text) != 999:
                    xs.append(station[0])
                    ys.append(station[1])
                    values.append(float(text))
                station = None
    return np.array(xs), np.array(ys), np.array(values)


def barnes(x_axis, y_axis, xs, ys, values):
    """One pass: the exp(-r^2/kappa)-weighted mean of the stations in reach."""
    gx, gy = np.meshgrid(x_axis, y_axis)
    r2 = cdist(np.column_stack((gx.ravel(), gy.ravel())), np.column_stack((xs, ys)), "sqeuclidean")
    weights = np.where(r2 <= (RADIUS * SPACING) ** 2, np.exp(-r2 / KAPPA), 0.0)
    total = weights.sum(axis=-1)
    with np.errstate(invalid="ignore", divide="ignore"):
        return np.where(total > 0, (weights @ values) / total, np.nan).reshape(gx.shape)


def outlines():
    """The map file's segments (big-endian: a 16-bit count, 20 bytes, then
    latitude/longitude float pairs), projected once."""
    data = open(OUTLINES, "rb").read()
    at, counts, starts = 0, [], []
    while at + 22 <= len(data):
        n = int.from_bytes(data[at:at + 2], "big", signed=True)
        if n <= 0:
            break
        starts.append(at + 22)
        counts.append(n)
        at += 22 + 8 * n
    points = np.concatenate([np.frombuffer(data, ">f4", 2 * n, s) for s, n in zip(starts, counts)])
    lat, lon = points[0::2], points[1::2]
    x, y = PROJECTION(lon, lat)
    xy = np.column_stack((x / UNIT, y / UNIT))
    return np.split(xy, np.cumsum(counts)[:-1])


def frame(path, x_axis, y_axis, stations):
    xs, ys, values = bulletin_temperatures(stations)
    grid = barnes(x_axis, y_axis, xs, ys, values)
    fig = plt.figure(figsize=(11, 8.5))
    ax = fig.add_axes([0.05, 0.08, 0.9, 0.84])
    low, high = np.nanmin(grid), np.nanmax(grid)
    levels = np.arange(np.floor(low / INTERVAL) * INTERVAL, high + INTERVAL, INTERVAL)
    ax.contourf(x_axis, y_axis, grid, levels=levels, cmap="Greys")
    lines = ax.contour(x_axis, y_axis, grid, levels=levels, colors="black", linewidths=0.5)
    ax.clabel(lines, fmt="%.0f", fontsize=7)
    ax.add_collection(LineCollection(outlines(), colors="black", linewidths=0.4))
    ax.set_xlim(x_axis[0], x_axis[-1])
    ax.set_ylim(y_axis[-1], y_axis[0])
    ax.set_aspect("equal")
    ax.set_axis_off()
    fig.text(0.05, 0.94, "sfc Temperature (F)    24 hour GFS MOS valid 0Z MON 7 DEC 26")
    fig.text(0.05, 0.03, "INTERVAL: %.1f" % INTERVAL)
    fig.text(0.75, 0.03, "LO: %.2f  HI: %.1f" % (low, high))
    fig.savefig(path, format="ps", orientation="landscape")
    plt.close(fig)


def peer_ms():
    x_axis, y_axis = grid_axes()
    stations = station_table(x_axis, y_axis)  # the program loads its table once, at the first plot
    with tempfile.TemporaryDirectory() as out:
        path = os.path.join(out, "frame.ps")
        frame(path, x_axis, y_axis, stations)  # warm-up: fonts and caches
        times = []
        for _ in range(FRAMES):
            start = time.process_time()
            frame(path, x_axis, y_axis, stations)
            times.append(time.process_time() - start)
        size = os.path.getsize(path)
    return 1000 * float(np.median(times)), size


def bench_frame_ms(build):
    program = os.path.join(build, "bench_frame")
    if not os.access(program, os.X_OK):
        return None
    out = subprocess.run([program, "--benchmark_filter=BM_WholeBatchFrame$", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
    return run["cpu_time"] * scale


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
    ours = bench_frame_ms(build)
    peer, size = peer_ms()
    print("peer_frame (numpy, scipy, matplotlib, pyproj): %.1f ms CPU per frame, %d bytes of PostScript"
          % (peer, size))
    if ours is None:
        print("bench_frame: not built in %s" % build)
        return
    print("bench_frame (mosplot): %.1f ms CPU per frame" % ours)
    print("peer / mosplot: %.1f times" % (peer / ours))


if __name__ == "__main__":
    main()
