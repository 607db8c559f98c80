#!/usr/bin/python3
"""Tree volumes on a Dask cluster of two worker processes.

A Dask dataframe of generated trees (species code, diameter, height), made
partition by partition on the workers, gets each tree's volume through
map_partitions and pdravlik.volume; the volumes must equal, bit for bit,
those computed here in one process with numpy.

    dask_volumes.py [--trees N] [--partitions P] [--scratch DIR]

Exit status 0 when they are equal, 1 when not. The workers find pdravlik as
this process did: its directory goes to them through PYTHONPATH.
"""
import argparse
import os
import sys
import tempfile
import time

import dask.dataframe as dd
import numpy as np
import pandas as pd
from dask.distributed import Client, LocalCluster

import pdravlik

SEED = 20240611


def partition_bounds(trees, partitions):
    edges = np.linspace(0, trees, partitions + 1).astype(np.int64)
    return list(zip(edges[:-1].tolist(), edges[1:].tolist()))


def generated_trees(bounds):
    """The trees from `start` to `end`, the same wherever they are made."""
    start, end = bounds
    rng = np.random.default_rng([SEED, start])
    count = end - start
    species = np.array(pdravlik.SPECIES, dtype=object)[rng.integers(0, len(pdravlik.SPECIES), count)]
    return pd.DataFrame({"species": species, "diameter": rng.uniform(7, 80, count).round(1),
                         "height": rng.uniform(5, 45, count).round(1)},
                        index=pd.RangeIndex(start, end))


def volumes(trees):
    return pd.Series(pdravlik.volume(trees["species"], trees["diameter"], trees["height"]), index=trees.index,
                     name="volume")


def on_the_cluster(bounds, scratch):
    """The volumes, and the seconds they took once the workers were up."""
    frame = dd.from_map(generated_trees, bounds)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, local_directory=scratch,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        client.wait_for_workers(2)
        started = time.perf_counter()
        got = frame.map_partitions(volumes, meta=("volume", "f8")).compute().to_numpy()
        return got, time.perf_counter() - started


def in_one_process(bounds):
    trees = pd.concat([generated_trees(part) for part in bounds])
    return pdravlik.volume(trees["species"].to_numpy(), trees["diameter"].to_numpy(), trees["height"].to_numpy())


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--trees", type=int, default=10_000_000)
    parser.add_argument("--partitions", type=int, default=20)
    parser.add_argument("--scratch", help="the workers' directory (default: a temporary one)")
    arguments = parser.parse_args()

    # Spawned workers take sys.path from PYTHONPATH.
    package_root = os.path.dirname(os.path.dirname(os.path.abspath(pdravlik.__file__)))
    os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [package_root, os.environ.get("PYTHONPATH")]))
    if arguments.scratch:
        os.makedirs(arguments.scratch, exist_ok=True)
    bounds = partition_bounds(arguments.trees, arguments.partitions)

    with tempfile.TemporaryDirectory(dir=arguments.scratch) as scratch:
        distributed, seconds = on_the_cluster(bounds, scratch)
    expected = in_one_process(bounds)

    same = distributed.shape == expected.shape and np.array_equal(distributed.view(np.uint64),
                                                                   expected.view(np.uint64))
    print("%d trees on two workers in %.2f s: %s the single process's volumes"
          % (arguments.trees, seconds, "bit for bit" if same else "NOT"))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
