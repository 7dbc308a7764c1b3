#!/usr/bin/env python3
"""Builds the Debian packages with scripts/package.sh and checks them: the files each one
holds (dpkg-deb --contents), that lintian finds no error, and that the Depends of remote
covers every library its programs load (ldd).

Usage: check_packages.py SOURCE_DIR WORK_DIR [--no-build]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

ARCH_LIBDIR = "usr/lib/" + subprocess.run(
    ["dpkg-architecture", "-qDEB_HOST_MULTIARCH"], check=True, capture_output=True,
    text=True).stdout.strip()

# What each package must hold (paths without the leading "./"), and what none may.
EXPECTED = {
    "remote": [
        "usr/bin/remote",
        "usr/bin/detector-sim",
        "usr/share/remote/Kvrset.mdb",
        "usr/share/applications/org.remotestation.Remote.desktop",
        "usr/share/icons/hicolor/scalable/apps/org.remotestation.Remote.svg",
        "usr/share/metainfo/org.remotestation.Remote.metainfo.xml",
        "usr/share/man/man1/remote.1.gz",
        "usr/share/man/man1/detector-sim.1.gz",
        "usr/lib/systemd/user/remote-headless.service",
        "usr/share/doc/remote/copyright",
        "usr/share/doc/remote/changelog.gz",
    ],
    "libtorvelbutton1": [
        ARCH_LIBDIR + "/libTorvelButton.so.1",
        ARCH_LIBDIR + "/libTorvelButton.so.1.0.0",
        "usr/share/doc/libtorvelbutton1/copyright",
        "usr/share/doc/libtorvelbutton1/changelog.gz",
    ],
    "libtorvelbutton-dev": [
        ARCH_LIBDIR + "/libTorvelButton.so",
        ARCH_LIBDIR + "/pkgconfig/torvelbutton.pc",
        ARCH_LIBDIR + "/cmake/TorvelButton/TorvelButtonConfig.cmake",
        ARCH_LIBDIR + "/cmake/TorvelButton/TorvelButtonConfigVersion.cmake",
        ARCH_LIBDIR + "/cmake/TorvelButton/TorvelButtonTargets.cmake",
        "usr/include/TorvelButton/torvelbutton/model/torvelimagebutton.h",
        "usr/include/TorvelButton/torvelbutton/buttontypes.h",
        "usr/include/TorvelButton/torvelbutton/com/identifiers.h",
        "usr/include/TorvelButton/common/olecolorvalue.h",
        "usr/share/doc/libtorvelbutton-dev/copyright",
    ],
    "torvelbutton-designer-plugin": [
        ARCH_LIBDIR + "/qt6/plugins/designer/torvelbutton_designer.so",
        "usr/share/doc/torvelbutton-designer-plugin/copyright",
    ],
}
FORBIDDEN = [
    re.compile(r"^usr/include/TorvelButton/torvelbutton/render/(raster|alpha|layout|"
               r"buttonpainter|pictureclip|pictureholder)\.h$"),
    re.compile(r"^usr/include/TorvelButton/common/(raster|olecolor|propertybag)\.h$"),
    re.compile(r".*_p\.h$"),
    re.compile(r"^usr/local/"),
]

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def contents(deb):
    """The package's files and links, without the leading "./", folders left out."""
    paths = []
    for line in run(["dpkg-deb", "--contents", deb]).splitlines():
        fields = line.split(None, 5)
        if len(fields) < 6 or fields[0].startswith("d"):
            continue
        paths.append(fields[5].split(" -> ")[0].removeprefix("./"))
    return paths


def package_names(relation_field):
    """The package names of a Depends field ("a (>= 1), b | c" gives a, b, c)."""
    names = set()
    for alternative in re.split(r"[,|]", relation_field):
        name = alternative.strip().split(" ")[0].split(":")[0]
        if name:
            names.add(name)
    return names


def installed_depends(package, cache):
    if package not in cache:
        query = subprocess.run(
            ["dpkg-query", "-W", "-f", "${Depends}, ${Pre-Depends}, ${Provides}", package],
            capture_output=True, text=True)
        cache[package] = package_names(query.stdout) if query.returncode == 0 else set()
    return cache[package]


def closure(names):
    """The named packages and everything they depend on, as installed here."""
    cache = {}
    seen = set()
    todo = list(names)
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        todo.extend(installed_depends(name, cache) - seen)
    return seen


def owner_of(library):
    for path in (library, os.path.realpath(library)):
        query = subprocess.run(["dpkg-query", "-S", path], capture_output=True, text=True)
        if query.returncode == 0:
            return query.stdout.split(":")[0].strip()
        # /lib is a link to /usr/lib on merged systems; dpkg knows one of the two names.
        for alias in (path.replace("/usr/lib/", "/lib/", 1), path.replace("/lib/", "/usr/lib/", 1)):
            query = subprocess.run(["dpkg-query", "-S", alias], capture_output=True, text=True)
            if query.returncode == 0:
                return query.stdout.split(":")[0].strip()
    return None


def check_contents(debs):
    for package, expected in EXPECTED.items():
        if package not in debs:
            fail(f"no package {package}")
            continue
        files = contents(debs[package])
        for path in expected:
            if path not in files:
                fail(f"{package} lacks {path}")
        for path in files:
            if any(pattern.match(path) for pattern in FORBIDDEN):
                fail(f"{package} holds {path}, which is not for packages")
        print(f"{package}: {len(files)} files")
    # No data file among the programs.
    with tempfile.TemporaryDirectory() as root:
        run(["dpkg-deb", "-x", debs["remote"], root])
        for name in os.listdir(os.path.join(root, "usr/bin")):
            with open(os.path.join(root, "usr/bin", name), "rb") as program:
                if program.read(4) != b"\x7fELF":
                    fail(f"usr/bin/{name} is not a program")


def check_lintian(debs):
    result = subprocess.run(["lintian", "--no-tag-display-limit", "--fail-on", "error",
                             *debs.values()], capture_output=True, text=True)
    print("lintian:\n" + (result.stdout + result.stderr).strip())
    if result.returncode != 0:
        fail("lintian reports errors (E: above)")


def check_depends(debs):
    depends = run(["dpkg-deb", "-f", debs["remote"], "Depends"]).strip()
    print("remote Depends: " + depends)
    named = package_names(depends)
    reached = closure(named)
    with tempfile.TemporaryDirectory() as root:
        run(["dpkg-deb", "-x", debs["remote"], root])
        for name in sorted(os.listdir(os.path.join(root, "usr/bin"))):
            program = os.path.join(root, "usr/bin", name)
            needed = set(re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]",
                                    run(["readelf", "-d", program])))
            for line in run(["ldd", program]).splitlines():
                match = re.match(r"\s*(\S+)(?: => (\S+))? \(0x", line)
                if not match or "vdso" in match.group(1):
                    continue
                library = match.group(2) or match.group(1)
                if library == "not":
                    fail(f"{name}: {match.group(1)} not found")
                    continue
                owner = owner_of(library)
                if owner is None:
                    fail(f"{name}: no package holds {library}")
                elif match.group(1) in needed and owner not in named:
                    fail(f"{name} links {match.group(1)} of {owner}, which Depends does not name")
                elif owner not in reached:
                    fail(f"{name} loads {library} of {owner}, which Depends does not bring")


def main():
    source, work = sys.argv[1], sys.argv[2]
    out = os.path.join(work, "packages")
    if "--no-build" not in sys.argv:
        shutil.rmtree(out, ignore_errors=True)
        subprocess.run([os.path.join(source, "scripts", "package.sh"), "--out", out],
                       check=True, cwd=source)
    debs = {}
    for name in os.listdir(out):
        if name.endswith(".deb"):
            debs[name.split("_")[0]] = os.path.join(out, name)
    print("packages: " + ", ".join(sorted(debs)))
    check_contents(debs)
    check_lintian(debs)
    check_depends(debs)
    if failures:
        print(f"{len(failures)} failures")
        return 1
    print("packages ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
