"""quantora over chunked Dask arrays: the same bits as one call, on every core.

Needs Dask (``pip install ".[dask]"``). Run from a clone:

    python examples/scaling.py

1. A distribution function over a chunked array with ``map_blocks``: the result equals one
   call over the whole array bit for bit, and the threaded scheduler uses every core, since
   quantora releases the interpreter lock while it evaluates an array.
2. Random draws per block, one ``Engine`` per block seeded from the block's index: the draws
   depend on the chunking alone, never on the scheduler or the number of workers.
3. The same two computations on a ``dask.distributed`` cluster of two worker processes. The
   functions travel to other processes by pickling, which quantora's functions themselves do
   not support: a Python function that calls them travels instead.
"""
import os
import time

import dask
import dask.array as da
import numpy as np

import quantora as q

SIZE = 2 * 10**6
CHUNK = 250_000
SEED = 2024


def pgamma_block(block, shape, scale):
    """pgamma over one block: a Python function, so that it can be pickled for other processes."""
    return q.pgamma(block, shape, scale)


def block_seed(seed, block_location, block_counts):
    """A distinct signed 32-bit seed for each block: the seed plus the block's row-major index."""
    index = int(np.ravel_multi_index(block_location, block_counts))
    return (seed + index + 2**31) % 2**32 - 2**31


def gamma_draws(shape, scale, seed, chunks):
    """A Dask array of gamma draws with the given chunks, each block from its own engine."""
    def draw(block_info=None):
        info = block_info[None]
        engine = q.Engine(block_seed(seed, info["chunk-location"], info["num-chunks"]))
        return q.rgamma(shape, scale, list(info["chunk-shape"]), engine)

    return da.map_blocks(draw, chunks=chunks, dtype=np.float64, meta=np.empty(0))


def best_time(compute, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        compute()
        best = min(best, time.perf_counter() - start)
    return best


def same_bits(a, b):
    return a.shape == b.shape and a.tobytes() == b.tobytes()


def main():
    chunks = ((CHUNK,) * (SIZE // CHUNK),)
    draws = gamma_draws(3.0, 2.0, SEED, chunks)
    one_worker = draws.compute(scheduler="synchronous")
    with dask.config.set(num_workers=2):
        two_threads = draws.compute(scheduler="threads")
    print(f"rgamma in {draws.npartitions} blocks: one worker and two threads draw the same bits: "
          f"{same_bits(one_worker, two_threads)}")

    x = da.from_array(one_worker, chunks=chunks)
    p = x.map_blocks(q.pgamma, 3.0, 2.0, dtype=np.float64)
    one_call = q.pgamma(one_worker, 3.0, 2.0)
    print(f"pgamma over the blocks, threaded scheduler: identical to one call: "
          f"{same_bits(p.compute(scheduler='threads'), one_call)}")
    serial = best_time(lambda: p.compute(scheduler="synchronous"))
    parallel = best_time(lambda: p.compute(scheduler="threads"))
    print(f"  one thread {serial:.3f} s, threaded scheduler on {os.cpu_count()} cores {parallel:.3f} s: "
          f"speed-up {serial / parallel:.2f}")

    from dask.distributed import Client, LocalCluster

    # The cluster draws the blocks itself and evaluates pgamma over them: no data is shipped.
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        on_cluster = client.compute([draws, draws.map_blocks(pgamma_block, 3.0, 2.0, dtype=np.float64)], sync=True)
    print(f"two worker processes: rgamma identical {same_bits(on_cluster[0], one_worker)}, "
          f"pgamma identical {same_bits(on_cluster[1], one_call)}")


if __name__ == "__main__":
    main()
