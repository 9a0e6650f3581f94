"""Every speed benchmark in one run: d, p, q over arrays, r into arrays, scalar calls, threads.

    PYTHONPATH=build/NAME python benchmarks/speed.py
"""
import bench_arrays
import bench_random
import bench_scalar
import bench_threads


def main():
    bench_arrays.main()
    print("\nr into arrays and one draw at a time; ratio = quantora draws/s / NumPy draws/s "
          "(above 1: quantora is faster)")
    bench_random.main()
    for section in (bench_scalar, bench_threads):
        print()
        section.main()


if __name__ == "__main__":
    main()
