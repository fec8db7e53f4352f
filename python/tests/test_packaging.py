"""``pip install ./python`` into a fresh virtual environment, with no network:
the build backend is Debian's setuptools (seen through the system's site
packages, hence --no-build-isolation), and nothing is fetched (--no-index)."""

import shutil
import subprocess
import sys

from conftest import PACKAGE_ROOT, TESSLINK_FILE, child_environment


def test_pip_installs_the_package_into_a_fresh_virtual_environment(tmp_path):
    environment = tmp_path / "venv"
    env = {k: v for k, v in child_environment().items() if not k.startswith(("PYTHON", "PIP_"))}
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(environment)],
                   env=env, check=True, timeout=300)
    python = environment / "bin" / "python"
    source = tmp_path / "source"  # a copy: pip's build leaves files beside the sources
    shutil.copytree(PACKAGE_ROOT, source, ignore=shutil.ignore_patterns(
        "tests", "build", "*.egg-info", "__pycache__"))
    env.update(PIP_NO_INDEX="1", PIP_DISABLE_PIP_VERSION_CHECK="1", PIP_NO_CACHE_DIR="1")
    install = subprocess.run(
        [str(python), "-m", "pip", "install", "--no-build-isolation", "--no-index", str(source)],
        env=env, capture_output=True, text=True, timeout=300)
    assert install.returncode == 0, install.stdout + install.stderr

    env["TESSLINK_LIBRARY"] = str(TESSLINK_FILE)
    check = subprocess.run(
        [str(python), "-c", "import tessbridge, tesslink, tessbus.pmbus; "
                            "print(tessbridge.__file__); print(tesslink.library_version())"],
        cwd=tmp_path, env=env, capture_output=True, text=True, timeout=60)
    assert check.returncode == 0, check.stderr
    module, version = check.stdout.splitlines()
    assert module.startswith(str(environment)), "the installed copy is the one imported"
    assert version == "1032"
