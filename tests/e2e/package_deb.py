#!/usr/bin/python3
"""The Debian package: CPack makes it from a build folder, its dependencies name the libraries the
program links, and unpacked (dpkg-deb -x) the program and tonwerk-cli run from its paths: the CLI
tells its version, the program starts offscreen on the packaged demo and keeps running.
Usage: package_deb.py BUILD_DIR VERSION WORK_DIR
"""
import glob
import os
import shutil
import subprocess
import sys
import time

build, version, work = sys.argv[1], sys.argv[2], sys.argv[3]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []
subprocess.run(["cpack", "-G", "DEB", "-B", work, "-D", "CPACK_DEBIAN_COMPRESSION_TYPE=gzip"], cwd=build,
               check=True, capture_output=True)
debs = glob.glob(os.path.join(work, "tonwerk_*.deb"))
if len(debs) != 1:
    print("FAILED: no single package in " + work + ": " + str(os.listdir(work)))
    sys.exit(1)
info = subprocess.run(["dpkg-deb", "-f", debs[0], "Depends"], capture_output=True, text=True, check=True).stdout
print("Depends: " + info.strip())
for library in ("libqt6widgets", "librtmidi", "librtaudio", "libavformat", "libavcodec", "libswscale", "libsoxr",
                "libsndfile", "libsdl2"):
    if library not in info:
        failures.append("Depends does not name " + library)

root = os.path.join(work, "root")
subprocess.run(["dpkg-deb", "-x", debs[0], root], check=True)
cli = subprocess.run([os.path.join(root, "usr", "bin", "tonwerk-cli"), "--version"], capture_output=True, text=True)
if cli.returncode != 0 or version not in cli.stdout:
    failures.append(f"tonwerk-cli --version: {cli.returncode} {cli.stdout!r} {cli.stderr!r}")
for path in ("usr/share/tonwerk/StartUp.mks", "usr/share/applications/org.tonwerk.Tonwerk.desktop",
             "usr/share/man/man1/tonwerk-cli.1", "usr/share/doc/tonwerk/README.md"):
    if not os.path.isfile(os.path.join(root, path)):
        failures.append("the package has no " + path)

home = os.path.join(work, "home")
os.makedirs(home)
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
           TONWERK_AUDIO_NONE="1")
program = subprocess.Popen([os.path.join(root, "usr", "bin", "tonwerk")], env=env, stderr=subprocess.PIPE, text=True)
try:
    time.sleep(4)
    if program.poll() is not None:
        failures.append(f"the packaged program ended at once ({program.returncode}): {program.stderr.read()}")
    log = os.path.join(home, ".config", "tonwerk", "Tonwerk.log")
    if not os.path.exists(log):
        failures.append("the packaged program started no log beside its settings")
finally:
    if program.poll() is None:
        program.terminate()
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()

if failures:
    print("FAILED:\n  " + "\n  ".join(failures))
    sys.exit(1)
print("package: ok")
