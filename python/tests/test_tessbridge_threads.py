"""Two Adapter objects on two threads never reach each other's adapter,
although the library selects its adapter process-wide.

The race is made to happen: thread A stops right after selecting its adapter
(a hook of the binding) and lets thread B run until B either waits for the
binding's lock or has selected its own adapter. Only then does A send its
command. Without the lock around selection and command, B selects its
adapter meanwhile and A's command goes to B's adapter.
"""

import threading

import pytest

from tessbridge import _library

TIMEOUT = 10


class WatchedLock:
    """The binding's lock, telling when a thread has to wait for it."""

    def __init__(self, inner, on_wait):
        self._inner = inner
        self._on_wait = on_wait

    def acquire(self, blocking=True, timeout=-1):
        if self._inner.acquire(blocking=False):
            return True
        self._on_wait()
        return self._inner.acquire(blocking, timeout)

    def release(self):
        self._inner.release()

    __enter__ = acquire

    def __exit__(self, *_):
        self.release()


@pytest.fixture
def watched(monkeypatch):
    state = threading.Condition()
    events = []

    def note(event):
        with state:
            events.append(event)
            state.notify_all()

    def wait_for(predicate):
        with state:
            assert state.wait_for(lambda: predicate(events), TIMEOUT), events

    monkeypatch.setattr(_library.library, "lock",
                        WatchedLock(_library.library.lock,
                                    lambda: note(("waits", threading.current_thread().name))))
    monkeypatch.setattr(_library.hooks, "after_select", lambda serial: note(("selected", serial)))
    return note, wait_for


def test_two_adapters_on_two_threads_keep_to_their_own_hardware(bench, second_bench, watched):
    note, wait_for = watched
    a, b = bench.adapter, second_bench.adapter
    b_selected = ("selected", b.serial)

    def a_selected_then_b_gets_in_the_way(serial):
        note(("selected", serial))
        if serial == a.serial and not thread_b.is_alive() and not thread_b.ident:
            thread_b.start()
            wait_for(lambda events: ("waits", "B") in events or b_selected in events)

    _library.hooks.after_select = a_selected_then_b_gets_in_the_way
    thread_a = threading.Thread(target=a.i2c_write, args=(0x50, 0x00, b"AAAA"), name="A")
    thread_b = threading.Thread(target=b.i2c_write, args=(0x50, 0x00, b"BBBB"), name="B")
    thread_a.start()
    thread_a.join(TIMEOUT)
    thread_b.join(TIMEOUT)
    assert not thread_a.is_alive() and not thread_b.is_alive()

    toolkit = bench.toolkit
    write = bytes.fromhex("01 00 00 05 a0 00")
    assert toolkit.commands(bench.handle) == [write + b"AAAA"]
    assert toolkit.commands(second_bench.handle) == [write + b"BBBB"]
    assert a.i2c_read(0x50, 0x00, 4) == b"AAAA"
    assert b.i2c_read(0x50, 0x00, 4) == b"BBBB"
