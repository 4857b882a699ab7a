#!/usr/bin/env python3
"""Runs two fenrow-cli builds over the same random lists and options and
reports every run whose output, exit status or message differs.

    tests/differential.py OLD_CLI NEW_CLI [runs] [--seed N] [--big]

Not part of CTest: it needs a second build (for example the previous commit's)
to compare with. Lists mix accounts, Chinese, blank and whitespace lines, lone
CR and LF, repeats in other cases, very long lines and missing or doubled line
ends; --big adds lists of several megabytes, so that any cut of the input into
blocks is crossed many times, with lines longer than a block and long runs of
blank lines."""

import os
import random
import shutil
import subprocess
import sys
import tempfile

GBK_WORDS = ["账号".encode("gbk"), "密码".encode("gbk"), "张三".encode("gbk"), "\u3000".encode("gbk")]
UTF8_WORDS = [w.decode("gbk").encode("utf-8") for w in GBK_WORDS]


def account(rng, words):
    kind = rng.randrange(10)
    if kind < 5:
        return b"user%d----pw%d" % (rng.randrange(10**6), rng.randrange(10**4))
    if kind < 7:
        return b"%s%d@mail.example,%s" % (rng.choice([b"Ab", b"ab", b"AB"]), rng.randrange(1000), rng.choice(words))
    if kind < 8:
        return rng.choice(words) + b"%d" % rng.randrange(100)
    if kind < 9:
        return bytes(rng.randrange(1, 256) for _ in range(rng.randrange(1, 12)))
    return b"x" * rng.randrange(1, 5000)


def odd_line(rng, words):
    return rng.choice([b"", b" ", b"\t", b"  \t ", words[3], b" " + words[3] + b" ",
                       b"a\rb", b"a\nb", b"\r", b"\n", b" ab ", b"AB", b"ab", b"*", b"=", b"----", b","])


def make_list(rng, utf8, big):
    words = UTF8_WORDS if utf8 else GBK_WORDS
    n = rng.choice([0, 1, 2, 3, 7, 20, 100, 1000]) if not big else rng.choice([150_000, 400_000])
    lines = []
    for _ in range(n):
        r = rng.random()
        if big and r < 0.0005:
            # Longer than the blocks a streamed run reads, Chinese inside.
            lines.append((b"ab " + words[0]) * rng.randrange(12_000, 40_000))
        elif big and r < 0.003:
            # A run of blank lines that a block's edge may cut.
            lines.extend(odd_line(rng, words) for _ in range(rng.randrange(20, 300)))
        elif r < 0.15:
            lines.append(odd_line(rng, words))
        elif r < 0.35 and lines:
            lines.append(rng.choice(lines))
        else:
            lines.append(account(rng, words))
    eol = rng.choice([b"\r\n", b"\r\n", b"\n"])
    text = eol.join(lines)
    if rng.random() < 0.5:
        text += eol
    if rng.random() < 0.15:
        text = eol + eol + text
    if rng.random() < 0.1:
        text += eol * 3
    return text


def option_text(rng):
    return rng.choice(["", "=", "*", "----", ",", "@", "账号", "-x-", "  "])


def random_args(rng, op):
    a = []
    if op == "number":
        if rng.random() < 0.3:
            a += ["--no-number"]
        if rng.random() < 0.5:
            a += ["--prefix", option_text(rng)]
        if rng.random() < 0.5:
            a += ["--suffix", option_text(rng)]
            if rng.random() < 0.7:
                a += ["--suffix-text", option_text(rng)]
    elif op == "suffix":
        if rng.random() < 0.7:
            a += ["--group", str(rng.choice([0, 1, 2, 3, 6, 7, 1000]))]
        if rng.random() < 0.5:
            a += ["--mark", option_text(rng)]
        a += rng.choice([[], ["--first"], ["--last"]])
    elif op == "extract":
        if rng.random() < 0.6:
            a += ["--head", option_text(rng)]
        if rng.random() < 0.8:
            a += ["--tail", option_text(rng)]
    elif op in ("generate", "split"):
        a += ["--count", str(rng.choice([1, 2, 6, 50, 1000]))]
        a += rng.choice([[], ["--no-top"], ["--top", option_text(rng)]])
        a += rng.choice([[], ["--no-number"], ["--prefix", option_text(rng)]])
        if op == "generate":
            a += rng.choice([[], ["--ext", ".ini"]])
    a += rng.choice([[], [], ["--crlf"], ["--lf"]])
    return a


def run(cli, args, cwd):
    """Exit status, standard output and error, and every file the run wrote."""
    with open(os.path.join(cwd, "in_a.txt"), "rb") as stdin:
        p = subprocess.run([cli] + args, cwd=cwd, stdin=stdin, capture_output=True, timeout=600)
    produced = {}
    for root, _, files in os.walk(cwd):
        for f in sorted(files):
            if not f.startswith("in_"):
                path = os.path.join(root, f)
                with open(path, "rb") as fh:
                    produced[os.path.relpath(path, cwd)] = fh.read()
    return p.returncode, p.stdout, p.stderr, produced


def main():
    argv = sys.argv[1:]
    seed = random.randrange(10**9)
    big = "--big" in argv
    if "--seed" in argv:
        i = argv.index("--seed")
        seed = int(argv[i + 1])
        del argv[i:i + 2]
    argv = [x for x in argv if x != "--big"]
    if len(argv) < 2:
        sys.exit(__doc__)
    old, new = (os.path.abspath(x) for x in argv[:2])
    runs = int(argv[2]) if len(argv) > 2 else 300
    rng = random.Random(seed)
    ops = ["number", "suffix", "extract", "blank", "dedupe", "pick", "generate", "split"]
    failures = 0
    work = tempfile.mkdtemp(prefix="fenrow-diff-")
    try:
        for i in range(runs):
            op = ops[i % len(ops)]
            utf8 = rng.random() < 0.2
            large = big and i % 10 == 0
            a = make_list(rng, utf8, large)
            b = make_list(rng, utf8, False)
            args = [op] + random_args(rng, op) + (["--utf8"] if utf8 else [])
            if op == "pick":
                args += ["in_a.txt", "in_b.txt"]
            elif rng.random() < 0.5:
                args += ["in_a.txt"]
            else:
                args += ["-"]
            if rng.random() < 0.5:
                args += ["-o", "out.txt"]
            if op == "split" and rng.random() < 0.5:
                args += ["--rest", "rest.txt"]
            results = []
            for cli in (old, new):
                d = os.path.join(work, "old" if cli == old else "new")
                shutil.rmtree(d, ignore_errors=True)
                os.makedirs(d)
                with open(os.path.join(d, "in_a.txt"), "wb") as f:
                    f.write(a)
                with open(os.path.join(d, "in_b.txt"), "wb") as f:
                    f.write(b)
                results.append(run(cli, args, d))
            if results[0] != results[1]:
                failures += 1
                keep = os.path.join(work, "failure%d" % failures)
                os.makedirs(keep)
                with open(os.path.join(keep, "in_a.txt"), "wb") as f:
                    f.write(a)
                with open(os.path.join(keep, "in_b.txt"), "wb") as f:
                    f.write(b)
                print("differs: run %d: fenrow-cli %s (kept in %s)" % (i, " ".join(args), keep))
    finally:
        if failures == 0:
            shutil.rmtree(work, ignore_errors=True)
    print("%d runs, seed %d, %d differ" % (runs, seed, failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
