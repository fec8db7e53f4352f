"""Where the libraries are found, from the build tree and from elsewhere, and
what a library that cannot be found says. Each case runs in a fresh Python
(a loaded library stays loaded)."""

import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import PACKAGE_ROOT, SOURCE_ROOT, TESSLINK_FILE, child_environment

PACKAGES = ("tessbus", "tessbridge", "tesslink")


def run_python(code, cwd, env_changes=None, pythonpath=None):
    env = {k: v for k, v in child_environment().items()
           if k not in ("TESSBRIDGE_LIBRARY", "TESSLINK_LIBRARY", "WDAPI801_SIM_LIBRARY",
                        "PYTHONPATH")}
    if pythonpath:
        env["PYTHONPATH"] = str(pythonpath)
    env.update(env_changes or {})
    return subprocess.run([sys.executable, "-c", code], cwd=cwd, env=env, capture_output=True,
                          text=True, timeout=60)


def test_imports_from_the_build_tree(tmp_path):
    run = run_python("import tessbridge, tesslink, tessbus.pmbus\n"
                     "from tessbus import _libraries\n"
                     "print(tessbridge.__file__); print(_libraries.build_tree())",
                     cwd=tmp_path, pythonpath=PACKAGE_ROOT)
    assert run.returncode == 0, run.stderr
    module, build = run.stdout.splitlines()
    assert Path(module).is_relative_to(PACKAGE_ROOT)
    assert Path(build) == SOURCE_ROOT / "build"


@pytest.mark.skipif(not (SOURCE_ROOT / "build" / "tesslink" / "libtesslink.so").exists(),
                    reason="no build tree in <source>/build")
def test_the_build_tree_library_is_used_from_the_source_tree(tmp_path):
    run = run_python("import tesslink; print(tesslink.library_version())", cwd=tmp_path,
                     pythonpath=PACKAGE_ROOT)
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == str(0x0408)


def test_a_named_library_that_is_missing_is_an_error_naming_it(tmp_path):
    missing = tmp_path / "libtessbridge.so"
    run = run_python(
        "import errno, tessbridge\n"
        "try:\n    tessbridge.adapters()\n"
        "except tessbridge.LibraryNotFoundError as e:\n"
        "    assert isinstance(e, OSError) and e.errno == errno.ENOENT\n    print(e)\n",
        cwd=tmp_path, env_changes={"TESSBRIDGE_LIBRARY": str(missing)}, pythonpath=PACKAGE_ROOT)
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == (f"[Errno 2] libtessbridge cannot be loaded; tried "
                                  f"$TESSBRIDGE_LIBRARY: {missing} (no such file)")


def test_outside_the_source_tree_the_system_search_is_tried(tmp_path):
    for package in PACKAGES:
        shutil.copytree(PACKAGE_ROOT / package, tmp_path / package)
    run = run_python("import tesslink\ntry:\n    tesslink.library_version()\n"
                     "except tesslink.LibraryNotFoundError as e:\n    print(e)\n",
                     cwd=tmp_path, env_changes={"LD_LIBRARY_PATH": ""})
    assert run.returncode == 0, run.stderr
    if not run.stdout:
        pytest.skip("libtesslink is installed on this system")
    text = run.stdout.strip()
    assert "$TESSLINK_LIBRARY: not set" in text
    assert "the build tree" not in text
    assert "the system's search: libtesslink.so (" in text


def test_the_named_library_is_taken_from_anywhere(tmp_path):
    for package in PACKAGES:
        shutil.copytree(PACKAGE_ROOT / package, tmp_path / package)
    run = run_python("import tesslink; print(tesslink.library_version())", cwd=tmp_path,
                     env_changes={"TESSLINK_LIBRARY": str(TESSLINK_FILE)})
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == "1032"


def test_windows_calling_conventions_and_the_toolkit_beside_tessbridge(monkeypatch, tmp_path):
    """On 32-bit Windows: wdapi801.dll first, from tessbridge.dll's directory;
    tessbridge.dll with WinDLL (__stdcall); tesslink.dll with CDLL (__cdecl)."""
    from tessbus import _libraries

    loaded = []
    monkeypatch.setattr(_libraries, "WINDOWS", True)
    monkeypatch.setattr(_libraries, "_WINDOWS_32", True)
    monkeypatch.setattr(_libraries.ctypes, "WinDLL", lambda path: loaded.append(("WinDLL", path)),
                        raising=False)
    monkeypatch.setattr(_libraries.ctypes, "CDLL",
                        lambda path, mode=0: loaded.append(("CDLL", path)))
    for name in ("tessbridge.dll", "wdapi801.dll", "tesslink.dll"):
        (tmp_path / name).touch()
    monkeypatch.setenv("TESSBRIDGE_LIBRARY", str(tmp_path / "tessbridge.dll"))
    monkeypatch.setenv("TESSLINK_LIBRARY", str(tmp_path / "tesslink.dll"))
    _libraries.load(_libraries.TESSBRIDGE)
    _libraries.load(_libraries.TESSLINK)
    assert loaded == [("CDLL", str(tmp_path / "wdapi801.dll")),
                      ("WinDLL", str(tmp_path / "tessbridge.dll")),
                      ("CDLL", str(tmp_path / "tesslink.dll"))]
