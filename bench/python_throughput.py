#!/usr/bin/python3
"""Trees per second of pdravlik.volume over numpy arrays, of pdravlik-calc
volume over the same trees as a CSV file, and of the Dask example on two
worker processes.

    PYTHONPATH=BUILD/python bench/python_throughput.py BUILD/bin/pdravlik-calc [--trees N] [--repeats R]

Diameters and heights are to 0.1 cm and 0.1 m, as trees are measured; with
--continuous they are any doubles, which no model's cache of repeated
inputs helps (the Dask run always takes the example's measured trees). Each
figure is the median of R runs. The module runs on one
core; the calculator on every core, so its figure per core is per CPU
second (user and system time).
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

import pdravlik

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python", "examples"))
import dask_volumes  # noqa: E402


def trees(count, continuous):
    rng = np.random.default_rng(5)
    species = np.array(pdravlik.SPECIES)[rng.integers(0, len(pdravlik.SPECIES), count)]
    diameters, heights = rng.uniform(7, 80, count), rng.uniform(5, 45, count)
    if not continuous:
        diameters, heights = diameters.round(1), heights.round(1)
    return species, diameters, heights


def module_seconds(species, diameters, heights, repeats):
    runs = []
    for _ in range(repeats):
        started = time.perf_counter()
        pdravlik.volume(species, diameters, heights)
        runs.append(time.perf_counter() - started)
    return statistics.median(runs)


def calculator_seconds(calculator, path, output, repeats):
    """Median wall and CPU seconds of pdravlik-calc volume over the file."""
    walls, cpus = [], []
    for _ in range(repeats):
        with open(output + ".err", "w+") as errors:
            started = time.perf_counter()
            process = subprocess.Popen([calculator, "volume", "-i", path, "-o", output], stderr=errors)
            _, status, usage = os.wait4(process.pid, 0)
            walls.append(time.perf_counter() - started)
            process.returncode = os.waitstatus_to_exitcode(status)
            if process.returncode != 0:
                errors.seek(0)
                sys.exit("pdravlik-calc failed: " + errors.read())
        cpus.append(usage.ru_utime + usage.ru_stime)
    return statistics.median(walls), statistics.median(cpus)


def dask_seconds(count, repeats, scratch):
    bounds = dask_volumes.partition_bounds(count, 20)
    package_root = os.path.dirname(os.path.dirname(os.path.abspath(pdravlik.__file__)))
    os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [package_root, os.environ.get("PYTHONPATH")]))
    runs = []
    for _ in range(repeats):
        with tempfile.TemporaryDirectory(dir=scratch) as workers:
            runs.append(dask_volumes.on_the_cluster(bounds, workers)[1])
    return statistics.median(runs)


def rate(count, seconds):
    return "%.3g trees/s" % (count / seconds)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("calculator", help="pdravlik-calc")
    parser.add_argument("--trees", type=int, default=10_000_000)
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--continuous", action="store_true")
    arguments = parser.parse_args()
    count = arguments.trees

    species, diameters, heights = trees(count, arguments.continuous)
    seconds = module_seconds(species, diameters, heights, arguments.repeats)
    print("pdravlik.volume, one core:   %.2f s, %s" % (seconds, rate(count, seconds)))

    with tempfile.TemporaryDirectory() as scratch:
        path, output = os.path.join(scratch, "trees.csv"), os.path.join(scratch, "out.csv")
        # pandas writes each double as its shortest round-trip text.
        pd.DataFrame({"species": species, "diameter": diameters, "height": heights}).to_csv(path, index=False)
        wall, cpu = calculator_seconds(arguments.calculator, path, output, arguments.repeats)
        print("pdravlik-calc volume (CSV):  %.2f s wall, %s; %.2f CPU s, %s per core"
              % (wall, rate(count, wall), cpu, rate(count, cpu)))
        os.remove(output)
        seconds = dask_seconds(count, arguments.repeats, scratch)
        print("Dask, two worker processes:  %.2f s wall (workers up), %s" % (seconds, rate(count, seconds)))


if __name__ == "__main__":
    main()
