"""Every speed benchmark in one run: d, p, q over arrays, r into arrays, scalar calls, threads.

    PYTHONPATH=build/NAME python benchmarks/speed.py
"""
import bench_arrays
import bench_random
import bench_scalar
import bench_threads


def main():
    for section in (bench_arrays, bench_random, bench_scalar, bench_threads):
        section.main()
        print()


if __name__ == "__main__":
    main()
