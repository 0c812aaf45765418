#!/usr/bin/env python3
"""Checks that the packages `scripts/deps.sh run` installs cover what building the programs needs.

Configures the source tree with the tests off (as scripts/run.sh does) in a scratch folder, then
gathers every file CMake found there: the tools, the libraries and headers of find_library,
find_path, find_file and find_program, the configuration files of find_package and the
pkg-config files of pkg_check_modules. Each must belong to a package of `deps.sh run` or to one
of the packages those depend on (as installed here), else a fresh machine would stop at
configure. Each library package of the list must also provide something found, so that the list
holds no more than the build needs.

    check_run_deps.py SCRATCH_DIR [CMAKE]

Exits 0 when covered, 1 with what is missing, 77 on a system without dpkg.
"""

import os
import re
import shutil
import subprocess
import sys
import json

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEPS = os.path.join(SOURCE_DIR, "scripts", "deps.sh")
FIND_COMMANDS = {"find_path", "find_file", "find_library", "find_program"}
FIND_KEYWORDS = {
    "NAMES", "HINTS", "PATHS", "PATH_SUFFIXES", "DOC", "REQUIRED", "NO_CACHE", "VALIDATOR",
    "ENV", "NAMES_PER_DIR", "REGISTRY_VIEW", "NO_DEFAULT_PATH", "NO_PACKAGE_ROOT_PATH",
    "NO_CMAKE_PATH", "NO_CMAKE_ENVIRONMENT_PATH", "NO_SYSTEM_ENVIRONMENT_PATH",
    "NO_CMAKE_SYSTEM_PATH", "NO_CMAKE_INSTALL_PREFIX", "CMAKE_FIND_ROOT_PATH_BOTH",
    "ONLY_CMAKE_FIND_ROOT_PATH", "NO_CMAKE_FIND_ROOT_PATH",
}
PKG_CONFIG_KEYWORDS = {
    "REQUIRED", "QUIET", "IMPORTED_TARGET", "GLOBAL", "NO_CMAKE_PATH",
    "NO_CMAKE_ENVIRONMENT_PATH",
}


def deps_list(what):
    out = subprocess.run(["bash", DEPS, "--list", what], check=True, capture_output=True,
                         text=True).stdout
    return out.split()


def cmake_files():
    """The project's own CMake files, for a trace of their calls only."""
    for top, dirs, files in os.walk(SOURCE_DIR):
        dirs[:] = [d for d in dirs if d not in ("node_modules", ".git")
                   and not d.startswith("build")]
        for name in files:
            if name == "CMakeLists.txt" or name.endswith(".cmake"):
                yield os.path.join(top, name)


def configure(cmake, scratch):
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    trace = os.path.join(scratch, "trace.json")
    command = [cmake, "-S", SOURCE_DIR, "-B", scratch, "-DTAMBERLIN_TESTS=OFF",
               "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "--trace-expand",
               "--trace-format=json-v1", "--trace-redirect=" + trace]
    command += ["-G", "Ninja"]
    command += ["--trace-source=" + f for f in cmake_files()]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.stdout.write(result.stdout + result.stderr)
        print("FAIL: configuring with the tests off failed (above); a machine with only "
              "`scripts/deps.sh run` would stop there too")
        sys.exit(1)
    return trace


def read_cache(scratch):
    cache = {}
    with open(os.path.join(scratch, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^([^#/][^:=]*):([A-Z]+)=(.*)$", line.rstrip("\n"))
            if m:
                cache[m.group(1)] = (m.group(2), m.group(3))
    return cache


def read_calls(trace):
    """The project's own find calls: {variable: (command, names, where)} for find_path,
    find_file, find_library and find_program, {name: where} for find_package and
    {prefix: where} for pkg_check_modules and pkg_search_module."""
    finds, packages, modules = {}, {}, {}
    with open(trace, encoding="utf-8") as f:
        for line in f:
            try:
                call = json.loads(line)
            except ValueError:
                continue
            cmd, args = call.get("cmd"), call.get("args") or []
            if not args:
                continue
            where = "%s:%s" % (os.path.relpath(call["file"], SOURCE_DIR), call["line"])
            if cmd == "find_package":
                packages[args[0]] = where
            elif cmd in ("pkg_check_modules", "pkg_search_module"):
                modules[args[0]] = where
            elif cmd in FIND_COMMANDS:
                names = []
                rest = args[1:]
                if rest and rest[0] == "NAMES":
                    for a in rest[1:]:
                        if a in FIND_KEYWORDS:
                            break
                        names.append(a)
                elif rest:
                    names = [rest[0]]
                finds[args[0]] = (cmd, names, where)
    return finds, packages, modules


def squash(name):
    return name.upper().replace("_", "")


def build_paths(scratch):
    """Every absolute path outside the project in the build's compile and link commands."""
    paths = set()
    with open(os.path.join(scratch, "build.ninja"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^\s+(?:LINK_LIBRARIES|LINK_PATH|LINK_FLAGS|INCLUDES|FLAGS) = (.*)$",
                         line)
            if not m:
                continue
            for token in m.group(1).split():
                token = re.sub(r"^(?:-I|-L|-isystem|-Wl,-rpath,)", "", token)
                for part in token.split(":"):
                    if part.startswith("/"):
                        paths.add(part)
    return paths


def found_paths(cache, calls, scratch):
    """[(path, is_dir, what)] for what the configure found outside the project: the tools, what
    the project's own find calls found, and every library and include folder the programs'
    compile and link commands use. (What third-party CMake files look for on their own and the
    programs don't use is left out: optional, it is simply not found on a fresh machine.)"""
    finds, packages, modules = calls
    found = []

    def ours(path):
        return any(path == d or path.startswith(d + "/") for d in (SOURCE_DIR, scratch))

    def checked(name):
        if name in finds:
            return "%s (%s at %s)" % (name, finds[name][0], finds[name][2])
        for package, where in packages.items():
            # Their libraries, headers and configuration folders; the optional tools some
            # modules look for besides (xmllint, say) are not what the programs build with.
            if squash(name).startswith(squash(package)) and re.search(
                    r"LIBRAR|INCLUDE|_DIR$", name.upper()):
                return "%s (find_package(%s) at %s)" % (name, package, where)
        for prefix, where in modules.items():
            if name.startswith("pkgcfg_lib_%s_" % prefix):
                return "%s (pkg-config at %s)" % (name, where)
        if name == "PKG_CONFIG_EXECUTABLE" or (name.startswith("CMAKE_")
                                               and not name.startswith("CMAKE_INSTALL_")):
            return name  # the build's tools
        return None

    def add(path, what):
        if os.path.isfile(path):
            found.append((path, False, what))
        elif os.path.isdir(path):
            found.append((path, True, what))

    for name, (kind, value) in sorted(cache.items()):
        what = checked(name)
        if kind not in ("FILEPATH", "PATH") or not what:
            continue
        if not value.startswith("/") or ours(value) or not os.path.exists(value):
            continue
        extra = []
        if os.path.isdir(value):
            if name.endswith("_DIR"):
                extra = [os.path.join(value, f) for f in sorted(os.listdir(value))
                         if f.endswith("Config.cmake") or f.endswith("-config.cmake")]
            if name in finds and finds[name][0] == "find_path":
                extra += [os.path.join(value, n) for n in finds[name][1]
                          if os.path.exists(os.path.join(value, n))]
        for path in extra or [value]:
            add(path, what)
    for prefix, where in sorted(modules.items()):
        arguments = cache.get("__pkg_config_arguments_" + prefix, ("", ""))[1]
        for arg in arguments.split(";"):
            if not arg or arg in PKG_CONFIG_KEYWORDS:
                continue
            module = re.split(r"[<>=]", arg)[0]
            result = subprocess.run(["pkg-config", "--path", module], capture_output=True,
                                    text=True)
            if result.returncode == 0 and result.stdout.strip():
                add(result.stdout.strip(), "pkg-config module %s (%s)" % (module, where))
    for path in sorted(build_paths(scratch)):
        if not ours(path):
            add(path, "the programs' compile and link commands")
    return found


def owners(paths):
    """{path: [package]} from dpkg's database, with /usr-merged paths tried both ways."""
    def query(ps):
        result = {}
        if not ps:
            return result
        out = subprocess.run(["dpkg-query", "-S"] + sorted(set(ps)), capture_output=True,
                             text=True).stdout
        for line in out.splitlines():
            if line.startswith("diversion by"):
                continue
            pkgs, _, path = line.rpartition(": ")
            result[path] = [p.strip().split(":")[0] for p in pkgs.split(",")]
        return result

    owned = query(paths)
    alias = {}
    for p in paths:
        if p in owned:
            continue
        candidates = [os.path.realpath(p)]
        for c in list(candidates):
            m = re.match(r"^/usr(/(?:bin|sbin|lib\w*)/.*)$", c)
            if m:
                candidates.append(m.group(1))
        alias[p] = candidates
    more = query([c for cs in alias.values() for c in cs])
    for p, cs in alias.items():
        for c in cs:
            if c in more:
                owned[p] = more[c]
                break
    return owned


def installed_closure(roots):
    """The installed packages that the roots need: Depends and Pre-Depends, recursively."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${db:Status-Abbrev}\t${Provides}\t${Depends}, "
         "${Pre-Depends}\n"], capture_output=True, text=True, check=True).stdout
    depends, providers = {}, {}
    for line in out.splitlines():
        name, status, provides, deps = (line.split("\t") + ["", "", ""])[:4]
        if not status.startswith("ii"):
            continue
        depends.setdefault(name, []).append(deps)
        for p in provides.split(","):
            p = p.strip().split(" ")[0]
            if p:
                providers.setdefault(p, set()).add(name)

    def names(field):
        for clause in field.split(","):
            for alternative in clause.split("|"):
                n = alternative.strip().split(" ")[0].split(":")[0]
                if n:
                    yield n

    missing = [r for r in roots if r not in depends]
    seen = set()
    todo = [r for r in roots if r in depends]
    while todo:
        p = todo.pop()
        if p in seen:
            continue
        seen.add(p)
        for field in depends.get(p, []):
            for n in names(field):
                for candidate in ({n} if n in depends else set()) | providers.get(n, set()):
                    if candidate not in seen:
                        todo.append(candidate)
    return seen, missing


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    if not shutil.which("dpkg-query"):
        print("SKIP: no dpkg here; the check needs Debian's package database")
        return 77
    scratch = os.path.abspath(sys.argv[1])
    cmake = sys.argv[2] if len(sys.argv) > 2 else "cmake"

    run_pkgs = deps_list("run")
    libs = deps_list("run-libs")
    closure, not_installed = installed_closure(run_pkgs)
    if not_installed:
        print("FAIL: not installed here: %s (run scripts/deps.sh run first)"
              % " ".join(not_installed))
        return 1

    trace = configure(cmake, scratch)
    cache = read_cache(scratch)
    found = found_paths(cache, read_calls(trace), scratch)
    owned = owners([path for path, _, _ in found])

    problems = []
    used = set()
    for path, is_dir, what in found:
        pkgs = owned.get(path)
        if not pkgs:
            problems.append("%s: %s belongs to no Debian package, so a fresh machine won't "
                            "have it" % (what, path))
            continue
        if not is_dir:
            used.update(pkgs)
        if not any(p in closure for p in pkgs):
            problems.append("%s: %s comes from %s, which `scripts/deps.sh run` does not "
                            "install: add it to program_libs there"
                            % (what, path, " or ".join(pkgs)))
    for lib in libs:
        if lib not in used:
            problems.append("%s is in program_libs of scripts/deps.sh, but configuring the "
                            "programs finds nothing of it: move it to the tests' list or "
                            "drop it" % lib)

    print("checked %d files that configuring the programs found, against %d packages "
          "(%s and what they depend on)" % (len(found), len(closure), " ".join(run_pkgs)))
    for p in problems:
        print("FAIL: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
