"""Ctrl-C stops long calls: a child process starts the call, receives SIGINT,
and must raise KeyboardInterrupt and then go on drawing and computing
normally. A call that ignored the signal would run for minutes to hours and
hit the timeout."""
import signal
import subprocess
import sys
import textwrap
import time

import pytest

import quantora as q

LONG_CALLS = {
    "one long binomial": "q.rbinom(10**12, 0.5)",
    "many binomials": "q.rbinom(10**6, 0.3, 10**6)",
    "huge normal array": "q.rnorm(0.0, 1.0, 2 * 10**8)",
    "huge array of shape": "q.rgamma(0.5, 1.0, [10**4, 10**4])",
    "quantiles, parameter arrays": "q.qbeta(np.linspace(0.01, 0.99, 20000)[:, None], 2.5, np.linspace(1.0, 9.0, 5000))",
    "densities, scalar parameters": "q.dgamma(np.broadcast_to(np.linspace(0.1, 9.0, 10**4), (10**4, 10**4)), 2.5, 2.0)",
}


@pytest.mark.skipif(sys.platform == "win32", reason="SIGINT is a POSIX signal")
@pytest.mark.parametrize("call", LONG_CALLS.values(), ids=LONG_CALLS.keys())
def test_sigint_interrupts_and_the_interpreter_goes_on(call):
    program = textwrap.dedent(f"""
        import numpy as np
        import quantora as q
        print("started", flush=True)
        try:
            {call}
        except KeyboardInterrupt:
            print("interrupted", flush=True)
        e = q.Engine(1)
        print(q.rnorm(0.0, 1.0, e).hex(), float.hex(q.pnorm(np.array([0.5]))[0]))
    """)
    child = subprocess.Popen([sys.executable, "-c", program], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(0.5)  # well inside the call, which runs for seconds to hours
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=120)
    finally:
        child.kill()
    assert child.returncode == 0, err
    assert out.split() == ["interrupted", q.rnorm(0.0, 1.0, q.Engine(1)).hex(), float.hex(q.pnorm(0.5))]
