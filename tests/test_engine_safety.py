"""An Engine cannot be pickled, copied, built unseeded or left half re-seeded,
whatever path a caller takes. Paths that once aborted the interpreter run in a
child process, so a crash fails one test instead of the whole run."""
import copy
import pickle
import subprocess
import sys
import textwrap

import pytest

import quantora as q
from exact import bits


def run_child(body):
    """Runs body after importing quantora; returns the completed process."""
    program = "import quantora as q\n" + textwrap.dedent(body)
    return subprocess.run([sys.executable, "-c", program], capture_output=True, text=True, timeout=60)


def stream(engine, n=5):
    return [bits(v) for v in q.runif(0.0, 1.0, n, engine)]


REFUSED_COPIES = {
    "pickle-0": "import pickle; pickle.dumps(q.Engine(5), protocol=0)",
    "pickle-1": "import pickle; pickle.dumps(q.Engine(5), protocol=1)",
    "pickle-2": "import pickle; pickle.dumps(q.Engine(5), protocol=2)",
    "pickle-highest": "import pickle; pickle.dumps(q.Engine(5), protocol=pickle.HIGHEST_PROTOCOL)",
    "reduce": "q.Engine(5).__reduce__()",
    "reduce_ex-0": "q.Engine(5).__reduce_ex__(0)",
    "copy": "import copy; copy.copy(q.Engine(5))",
    "deepcopy": "import copy; copy.deepcopy(q.Engine(5))",
    "copyreg-0": "import copyreg; copyreg._reduce_ex(q.Engine(5), 0)",
}


@pytest.mark.parametrize("call", REFUSED_COPIES.values(), ids=REFUSED_COPIES.keys())
def test_copies_are_refused_with_type_error(call):
    child = run_child(f"""
        try:
            {call}
        except TypeError as error:
            print(error)
    """)
    assert child.returncode == 0, child.stderr
    # copyreg's own refusal names the class without its module.
    assert child.stdout.strip() in ("cannot pickle 'quantora.Engine' object", "cannot pickle 'Engine' object")


def test_subclass_copies_are_refused_too():
    child = run_child("""
        import pickle
        class Mine(q.Engine):
            pass
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            try:
                pickle.dumps(Mine(3), protocol=protocol)
            except TypeError as error:
                print(error)
    """)
    assert child.returncode == 0, child.stderr
    assert child.stdout.split("\n")[:-1] == ["cannot pickle 'Mine' object"] * (pickle.HIGHEST_PROTOCOL + 1)


def test_every_base_class_can_be_called_without_crashing():
    child = run_child("""
        for base in type(q.Engine(5)).__mro__[1:]:
            base()
        print("ok")
    """)
    assert child.returncode == 0 and child.stdout == "ok\n", child.stderr


def test_no_engine_exists_unseeded():
    with pytest.raises(TypeError, match=r"^__init__\(\): incompatible constructor arguments"):
        q.Engine.__new__(q.Engine)
    with pytest.raises(TypeError):
        object.__new__(q.Engine)


def test_new_with_a_seed_is_that_seed():
    assert stream(q.Engine.__new__(q.Engine, 5)) == stream(q.Engine(5))


@pytest.mark.parametrize("seed", [5, -1, 2**31 - 1])
def test_init_reseeds_exactly(seed):
    e = q.Engine(1)
    q.rnorm(0.0, 1.0, 7, e)
    q.Engine.__init__(e, seed)
    assert stream(e, 700) == stream(q.Engine(seed), 700)


@pytest.mark.parametrize("args", [(), (5.0,), ("5",), (None,), (2**31,), (5, 6)])
def test_init_refuses_what_the_constructor_refuses_and_keeps_the_stream(args):
    e = q.Engine(9)
    with pytest.raises(TypeError, match=r"^__init__\(\): incompatible constructor arguments"):
        q.Engine.__init__(e, *args)
    assert stream(e) == stream(q.Engine(9))


def test_refusal_text_names_the_arguments():
    with pytest.raises(TypeError) as info:
        q.Engine(1.5, x=2)
    assert str(info.value).endswith("\nInvoked with: 1.5; kwargs: x=2")


@pytest.mark.parametrize("seed", [True, __import__("numpy").int64(7), __import__("numpy").int32(-7)])
def test_integer_like_seeds_are_accepted(seed):
    assert stream(q.Engine(seed)) == stream(q.Engine(int(seed)))


def test_subclass_instances_draw_like_engines():
    class Mine(q.Engine):
        pass

    assert stream(Mine(4)) == stream(q.Engine(4))
    assert bits(q.rnorm(0.0, 1.0, Mine(4))) == bits(q.rnorm(0.0, 1.0, q.Engine(4)))


def test_engines_are_not_copied_in_process_either():
    with pytest.raises(TypeError):
        copy.deepcopy(q.Engine(1))
