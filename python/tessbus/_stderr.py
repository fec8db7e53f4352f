"""What a native library writes to standard error, taken instead of shown."""

import contextlib
import os
import sys
import tempfile


class Taken:
    """The text written to file descriptor 2 while the context ran."""

    def __init__(self):
        self.text = ""

    def lines(self):
        return [line for line in self.text.splitlines() if line.strip()]


@contextlib.contextmanager
def standard_error_taken():
    """Sends what is written to file descriptor 2 meanwhile to a temporary
    file and hands it over as text (carriage returns as line breaks). On
    Windows, where the libraries write nothing there, it takes nothing."""
    taken = Taken()
    if sys.platform == "win32":
        yield taken
        return
    with tempfile.TemporaryFile() as file:
        sys.stderr.flush()
        saved = os.dup(2)
        os.dup2(file.fileno(), 2)
        try:
            yield taken
        finally:
            sys.stderr.flush()
            os.dup2(saved, 2)
            os.close(saved)
            file.seek(0)
            taken.text = file.read().decode("utf-8", "replace").replace("\r", "\n")
