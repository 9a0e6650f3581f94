"""quantora under Dask (an optional test dependency): d, p and q over chunked arrays give the
bits of one call on every scheduler, and draws made per block from engines seeded by the
block's index do not depend on the scheduler or the number of workers, on threads or on a
local cluster of two worker processes."""
import numpy as np
import pytest

import quantora as q

da = pytest.importorskip("dask.array")
dask = pytest.importorskip("dask")

CHUNKS = ((700, 1000, 300, 1000),)


def block_seed(seed, location, counts):
    return (seed + int(np.ravel_multi_index(location, counts)) + 2**31) % 2**32 - 2**31


def draws(seed):
    def draw(block_info=None):
        info = block_info[None]
        engine = q.Engine(block_seed(seed, info["chunk-location"], info["num-chunks"]))
        return q.rpois(20.0, list(info["chunk-shape"]), engine)

    return da.map_blocks(draw, chunks=CHUNKS, dtype=np.float64, meta=np.empty(0))


def expected_draws(seed):
    sizes = CHUNKS[0]
    return np.concatenate([q.rpois(20.0, n, q.Engine(block_seed(seed, (i,), (len(sizes),)))) for i, n in enumerate(sizes)])


def evaluations(x):
    """(d, p, q over the chunked x, the same over the whole of x) for a few families."""
    counts = x.astype(np.int64)
    return [
        (x.map_blocks(lambda b: q.pgamma(b, 3.0, 2.0)), lambda v: q.pgamma(v, 3.0, 2.0)),
        (counts.map_blocks(lambda b: q.dpois(b, 20.0, True)), lambda v: q.dpois(v.astype(np.int64), 20.0, True)),
        (x.map_blocks(lambda b: q.qt(b / 60.0, 4.5)), lambda v: q.qt(v / 60.0, 4.5)),
    ]


def same_bits(a, b):
    return a.shape == b.shape and a.tobytes() == b.tobytes()


@pytest.mark.parametrize("scheduler, workers", [("synchronous", 1), ("threads", 1), ("threads", 2), ("threads", 4)])
def test_schedulers_agree_with_one_call(scheduler, workers):
    want = expected_draws(7)
    with dask.config.set(scheduler=scheduler, num_workers=workers):
        got = draws(7).compute()
        assert same_bits(got, want)
        for chunked, whole in evaluations(da.from_array(got, chunks=CHUNKS)):
            assert same_bits(chunked.compute(), whole(want))


def test_cluster_of_two_worker_processes():
    distributed = pytest.importorskip("dask.distributed")
    want = expected_draws(11)
    x = draws(11)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        results = client.compute([x] + [chunked for chunked, _ in evaluations(x)], sync=True)
        assert len(client.scheduler_info()["workers"]) == 2
    assert same_bits(results[0], want)
    for got, (_, whole) in zip(results[1:], evaluations(x)):
        assert same_bits(got, whole(want))
