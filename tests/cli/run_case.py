#!/usr/bin/env python3
"""Runs seufit command-line cases and compares each with its golden log.

    run_case.py --exe SEUFIT --src SOURCE_DIR [--update] CASE.args...

A case is tests/cli/cases/NAME.args. Lines starting with '#' are comments, lines starting
with '%' are directives, and the one remaining line is the argument line, split like a
shell would (quotes, backslashes; no variables or globs). Directives:

    % setup: COMMAND   bash COMMAND, run in the case's scratch folder before seufit
    % cwd: DIR         where seufit runs (default: the source directory)
    % stdin: FILE      standard input (default: /dev/null)
    % env: NAME=VALUE  an environment variable for seufit
    % file: PATH       after the run, PATH's content (or its absence) goes into the log
    % stdout: TARGET   standard output goes to TARGET instead of the log: a path such as
    % stderr: TARGET   /dev/full, or closed-pipe (a pipe whose reading end is closed)
    % arguments: none  seufit runs without arguments; the case has no argument line

In the argument line and in directives, @SRC is the source directory and @TMP the case's
scratch folder, made fresh for every run and removed afterwards. Setup commands also see
them as $SRC and $TMP. seufit runs without SEUFIT_DATA_PATH unless a case sets it.

The log NAME.ok holds the command, standard output, standard error, any file asked for,
every entry of @TMP that the run created, changed or removed, and the exit status. In the
log @SRC and @TMP stand for the two folders. With --update the log is rewritten instead.
"""

import argparse
import difflib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

ENC = "utf-8"
ERRORS = "surrogateescape"  # arguments and output may hold bytes that are not UTF-8
TIMEOUT = 120  # sanitizer builds are slow; a hang shows as a timeout


def decode(data):
    return data.decode(ENC, ERRORS)


class Case:
    def __init__(self, path):
        self.path = path
        self.setup, self.env, self.files = [], {}, []
        self.cwd = self.stdin = None
        self.redirect = {}
        args = []
        with open(path, encoding=ENC, errors=ERRORS) as f:
            for number, line in enumerate(f, 1):
                line = line.rstrip("\n")
                where = f"{path}:{number}"
                if not line.strip() or line.startswith("#"):
                    continue
                if line.startswith("%"):
                    key, sep, value = line[1:].partition(":")
                    key, value = key.strip(), value.strip()
                    if not sep:
                        sys.exit(f"{where}: expected '% KEY: VALUE'")
                    if key == "setup":
                        self.setup.append(value)
                    elif key == "cwd":
                        self.cwd = value
                    elif key == "stdin":
                        self.stdin = value
                    elif key == "env":
                        name, eq, val = value.partition("=")
                        if not eq:
                            sys.exit(f"{where}: expected '% env: NAME=VALUE'")
                        self.env[name] = val
                    elif key == "file":
                        self.files.append(value)
                    elif key in ("stdout", "stderr"):
                        self.redirect[key] = value
                    elif key == "arguments" and value == "none":
                        args.append((where, ""))
                    else:
                        sys.exit(f"{where}: unknown directive '{key}'; expected setup, cwd, "
                                 "stdin, env, file, stdout, stderr or arguments: none")
                else:
                    args.append((where, line))
        if len(args) != 1:
            sys.exit(f"{path}: expected exactly one argument line, found {len(args)}")
        self.where, self.argline = args[0]


def snapshot(root):
    """Every entry below root: its kind and, for regular files, its content."""
    seen = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames:
            full = os.path.join(dirpath, name)
            rel = os.path.relpath(full, root)
            if os.path.islink(full):
                seen[rel] = ("link", os.readlink(full))
            elif os.path.isfile(full):
                with open(full, "rb") as f:
                    seen[rel] = ("file", f.read())
            else:
                seen[rel] = ("dir" if os.path.isdir(full) else "other", None)
    return seen


def section(title, text):
    if text == "":
        return ""
    out = f"--- {title}\n{text}"
    if not text.endswith("\n"):
        out += "\n\\ no newline at end\n"
    return out


def run(case, exe, src):
    scratch = tempfile.mkdtemp(prefix="seufit_case_")
    try:
        return run_in(case, exe, src, os.path.realpath(scratch))
    finally:
        # A case may leave a folder it cannot write to; give it back before removing.
        for dirpath, dirnames, _ in os.walk(scratch):
            for name in dirnames:
                os.chmod(os.path.join(dirpath, name), 0o755)
        shutil.rmtree(scratch, ignore_errors=True)


def run_in(case, exe, src, tmp):
    def expand(text):
        return text.replace("@SRC", src).replace("@TMP", tmp)

    def normalise(text):
        return text.replace(tmp, "@TMP").replace(src, "@SRC")

    env = dict(os.environ)
    env.pop("SEUFIT_DATA_PATH", None)
    for command in case.setup:
        done = subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=tmp,
                              env=dict(env, SRC=src, TMP=tmp), stdin=subprocess.DEVNULL,
                              capture_output=True)
        if done.returncode != 0:
            sys.exit(f"{case.path}: setup '{command}' failed:\n{decode(done.stderr)}")
    try:
        args = shlex.split(expand(case.argline))
    except ValueError as e:
        sys.exit(f"{case.where}: {e}")
    env.update({k: expand(v) for k, v in case.env.items()})
    cwd = expand(case.cwd) if case.cwd else src
    stdin = open(expand(case.stdin), "rb") if case.stdin else subprocess.DEVNULL
    streams, opened = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE}, []
    for name, target in case.redirect.items():
        if target == "closed-pipe":
            read_end, write_end = os.pipe()
            os.close(read_end)
            streams[name] = write_end
            opened.append(write_end)
        else:
            streams[name] = os.open(expand(target), os.O_WRONLY)
            opened.append(streams[name])
    before = snapshot(tmp)
    try:
        done = subprocess.run([exe] + [a.encode(ENC, ERRORS) for a in args], cwd=cwd, env=env,
                              stdin=stdin, timeout=TIMEOUT, **streams)
        status = f"exit {done.returncode}" if done.returncode >= 0 else f"signal {-done.returncode}"
        out, err = decode(done.stdout or b""), decode(done.stderr or b"")
    except subprocess.TimeoutExpired as e:
        status = f"timeout after {TIMEOUT} s"
        out, err = decode(e.stdout or b""), decode(e.stderr or b"")
    finally:
        if stdin is not subprocess.DEVNULL:
            stdin.close()
        for fd in opened:
            os.close(fd)
    after = snapshot(tmp)

    log = "$ seufit" + (" " + normalise(case.argline) if case.argline else "") + "\n"
    log += section("stdout", normalise(out))
    log += section("stderr", normalise(err))
    for name in case.files:
        path = expand(name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                log += section("file " + name, normalise(decode(f.read()))) or f"--- file {name}\n"
        else:
            log += f"--- file {name}: absent\n"
    for rel in sorted(set(before) | set(after)):
        if rel not in before:
            log += f"--- created @TMP/{rel}\n"
        elif rel not in after:
            log += f"--- removed @TMP/{rel}\n"
        elif before[rel] != after[rel]:
            log += f"--- changed @TMP/{rel}\n"
    return log + f"--- {status}\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--src", required=True)
    parser.add_argument("--update", action="store_true", help="rewrite the golden logs")
    parser.add_argument("cases", nargs="+")
    opts = parser.parse_args()
    exe, src = os.path.realpath(opts.exe), os.path.realpath(opts.src)
    failed = 0
    for path in opts.cases:
        actual = run(Case(path), exe, src)
        golden = os.path.splitext(path)[0] + ".ok"
        if opts.update:
            with open(golden, "w", encoding=ENC, errors=ERRORS, newline="") as f:
                f.write(actual)
            continue
        try:
            with open(golden, encoding=ENC, errors=ERRORS, newline="") as f:
                expected = f.read()
        except FileNotFoundError:
            expected = ""
        if actual != expected:
            failed += 1
            sys.stdout.writelines(difflib.unified_diff(
                expected.splitlines(True), actual.splitlines(True), golden, "actual"))
            print(f"{golden} differs; tests/cli/update.sh rewrites it on purpose")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
