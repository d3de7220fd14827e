#!/usr/bin/env python3
"""Mutation run over the platform-free code (the native tree's libraries).

Applies simple one-line mutants, one at a time, to a copy of the tree,
rebuilds the native tree there and runs the native tests that link the
mutated file. A mutant is killed when a test fails (or times out), it
survives when they all pass; a mutant that does not compile is not
counted. Prints the survivors and the score, and writes every result as
JSON so that a later run can try only the survivors again (--retry).

The mutants (binary operators are recognised by the spaces the formatter
puts around them, so template brackets and includes are never touched):
  flip      a comparison negated:         ==  !=   <  >=   >  <=
  bound     a bound moved by one:         <  <=    >  >=   x + 1  x - 1
  drop      a condition dropped:          one side of && or || made
            true (&&) or false (||); an if's whole condition negated
  swap      the operands of - / %:        a - b  ->  b - a

Usage:
  tools/mutate.py [--out DIR] [--files PATH ...] [--limit N] [--list]
                  [--retry RESULTS.json] [--tests-from REVISION] [--timeout SECONDS]
Runs under nice -n 19 itself. A whole run takes hours on two cores:
--files narrows it to some files, --limit to the first N mutants.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Folders of the tree whose code is not the program's own model code.
NOT_MODEL = ("tests/", "tools/")

COMPARISONS = {
    "==": [("flip", "!=")],
    "!=": [("flip", "==")],
    "<": [("flip", ">="), ("bound", "<=")],
    "<=": [("flip", ">"), ("bound", "<")],
    ">": [("flip", "<="), ("bound", ">=")],
    ">=": [("flip", "<"), ("bound", ">")],
}
OPERATOR = re.compile(r" (==|!=|<=|>=|<|>|&&|\|\||-|/|%) ")
PLUS_MINUS_ONE = re.compile(r" ([+-]) 1\b(?!\.)")
SIMPLE_OPERAND = r"[A-Za-z_][\w.]*(?:->\w+)*(?:\[[^\[\]]*\])?|\d+"
SWAP = re.compile(r"(?<![\w.>\]])(" + SIMPLE_OPERAND + r") ([-/%]) (" + SIMPLE_OPERAND + r")(?![\w.(\[])")
IF_OPEN = re.compile(r"\bif \(")
# A function defined in a header: "constexpr ... ) {" or "inline ... ) {".
CODE_IN_HEADER = re.compile(r"^(constexpr|inline) [^;]*\)\s*(const\s*)?\{", re.M)


def mask_line(line, in_comment):
    """The line with comments and string or character literals blanked
    (same length), and whether a block comment runs on past it."""
    out = []
    i = 0
    n = len(line)
    while i < n:
        if in_comment:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i))
                return "".join(out), True
            out.append(" " * (end + 2 - i))
            i = end + 2
            in_comment = False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i))
            break
        if line.startswith("/*", i):
            in_comment = True
            continue
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(c + " " * (min(j, n) - i - 1) + (c if j < n else ""))
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out), in_comment


ASSIGNMENT = re.compile(r"(?<![=!<>])=(?!=)")
BEFORE_SWAP = re.compile(r"(^|[(\[=,?:]|return|<|>|<=|>=|==|!=|&&|\|\|)\s*$")
AFTER_SWAP = re.compile(r"^\s*($|[)\],;?:]|<|>|<=|>=|==|!=|&&|\|\||\+ |- )")


def operand_end(masked, start, step):
    """Where the operand that begins at `start` ends when walking by `step`
    (+1 to the right, -1 to the left) at the same depth of brackets: the
    index of the first character that is not part of it."""
    depth = 0
    i = start
    opens, closes = ("([{", ")]}") if step > 0 else (")]}", "([{")
    while 0 <= i < len(masked):
        c = masked[i]
        if c in opens:
            depth += 1
        elif c in closes:
            if depth == 0:
                return i
            depth -= 1
        elif depth == 0:
            if c in ";,?{":
                return i
            if c == ":" and masked[i - 1:i + 2].find("::") < 0:
                return i
            if c == "=" and ASSIGNMENT.match(masked, i) and (i == 0 or masked[i - 1] not in "=!<>"):
                return i
            if step < 0 and masked[max(0, i - 6):i + 1].endswith("return"):
                return i
            pair = masked[i:i + 2] if step > 0 else masked[i - 1:i + 1]
            if pair in ("&&", "||"):
                return i if step > 0 else i
        i += step
    return i


def line_mutants(line, masked):
    """Every mutant of one line: (kind, column, text of the mutated line)."""
    found = []
    for m in OPERATOR.finditer(masked):
        op = m.group(1)
        at = m.start(1)
        if op in COMPARISONS:
            for kind, repl in COMPARISONS[op]:
                found.append((kind, at, line[:at] + repl + line[at + len(op):]))
        elif op in ("&&", "||"):
            value = "true" if op == "&&" else "false"
            left_begin = operand_end(masked, at - 2, -1) + 1
            while left_begin < at - 1 and masked[left_begin] == " ":
                left_begin += 1
            right_begin = at + 3
            right_end = operand_end(masked, right_begin, +1)
            while right_end > right_begin and masked[right_end - 1] == " ":
                right_end -= 1
            if left_begin < at - 1:
                found.append(("drop", left_begin, line[:left_begin] + value + line[at - 1:]))
            if right_end > right_begin:
                found.append(("drop", right_begin, line[:right_begin] + value + line[right_end:]))
    for m in PLUS_MINUS_ONE.finditer(masked):
        found.append(("bound", m.start(1), line[:m.start()] + line[m.end():]))
    for m in SWAP.finditer(masked):
        a, op, b = m.group(1), m.group(2), m.group(3)
        if (a.isdigit() and b.isdigit()) or "sizeof" in (a, b) or "'" in masked[m.start() - 1:m.end() + 1]:
            continue
        if not BEFORE_SWAP.search(masked[:m.start()]) or not AFTER_SWAP.match(masked[m.end():]):
            continue
        found.append(("swap", m.start(), line[:m.start()] + b + " " + op + " " + a + line[m.end():]))
    for m in IF_OPEN.finditer(masked):
        begin = m.end()
        end = begin
        while end < len(masked) and masked[end] != ")":
            end = operand_end(masked, end, +1)
            if end < len(masked) and masked[end] not in ")":
                end += 1
        condition = masked[begin:end]
        # A lone comparison is negated by its flip already.
        if OPERATOR.search(condition) and not re.search(r" (&&|\|\|) ", condition):
            if re.search(r" (==|!=|<=|>=|<|>) ", condition):
                continue
        if end < len(masked) and end > begin:
            found.append(("drop", begin, line[:begin] + "!(" + line[begin:end] + ")" + line[end:]))
    unique = []
    seen = set()
    for kind, column, text in found:
        if text != line and text not in seen:
            seen.add(text)
            unique.append((kind, column, text))
    return unique


def file_mutants(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    mutants = []
    in_comment = False
    for number, line in enumerate(lines, 1):
        masked, in_comment_after = mask_line(line, in_comment)
        in_comment = in_comment_after
        stripped = masked.strip()
        if not stripped or stripped.startswith("#") or "static_assert" in masked:
            continue
        for kind, column, text in line_mutants(line, masked):
            mutants.append({"line": number, "column": column + 1, "kind": kind,
                            "before": line.strip(), "after": text.strip(), "text": text})
    return lines, mutants


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


class Tree:
    """A copy of the source tree with its own native build."""

    def __init__(self, out):
        self.src = os.path.join(out, "src")
        self.build = os.path.join(out, "build")
        self.tests = {}  # test name -> (executable, other executables it uses)

    def copy(self, tests_from=None):
        """The working tree (tests/ as of a revision, when given); files
        that did not change keep their time, so the build stays."""
        listed = run(["git", "-C", HERE, "ls-files", "-co", "--exclude-standard"]).stdout.split("\n")
        wanted = {}
        for rel in listed:
            if rel and not rel.startswith("build/") and os.path.isfile(os.path.join(HERE, rel)):
                if not (tests_from and rel.startswith("tests/")):
                    with open(os.path.join(HERE, rel), "rb") as f:
                        wanted[rel] = f.read()
        if tests_from:
            names = run(["git", "-C", HERE, "ls-tree", "-r", "--name-only", tests_from, "tests/"]).stdout.split()
            for rel in names:
                wanted[rel] = subprocess.run(["git", "-C", HERE, "show", f"{tests_from}:{rel}"],
                                             stdout=subprocess.PIPE, check=True).stdout
        for root, _, files in os.walk(self.src):
            for name in files:
                rel = os.path.relpath(os.path.join(root, name), self.src)
                if rel not in wanted:
                    os.remove(os.path.join(root, name))
        for rel, data in wanted.items():
            target = os.path.join(self.src, rel)
            if os.path.exists(target):
                with open(target, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)

    def configure(self):
        shared = os.path.join(os.path.dirname(HERE), "shared")
        # The native tree's sanitizers and assertions, without optimisation
        # or debug information and with a fast linker where there is one:
        # each mutant compiles and links quickly.
        link = ["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"] if shutil.which("ld.lld") else []
        r = run(["cmake", "-S", self.src, "-B", self.build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=",
                 "-DCMAKE_C_FLAGS=-O0 -g0", "-DCMAKE_CXX_FLAGS=-O0 -g0", "-DCMAKE_C_COMPILER=gcc",
                 "-DCMAKE_CXX_COMPILER=g++", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", "-DRELIVO_SHARED_DIR=" + shared]
                + link)
        if r.returncode != 0:
            sys.exit("configuring the mutation tree failed:\n" + r.stdout)

    def model_sources(self):
        """The model code the native tree builds, and the headers with
        function bodies that its tests include."""
        with open(os.path.join(self.build, "compile_commands.json")) as f:
            entries = json.load(f)
        sources = set()
        for e in entries:
            rel = os.path.relpath(e["file"], self.src)
            if rel.startswith(".."):
                continue
            if rel.startswith("tests/"):
                with open(e["file"], encoding="utf-8", errors="replace") as t:
                    for header in re.findall(r'#include "([^"]+\.h)"', t.read()):
                        path = os.path.join(self.src, header)
                        if not header.startswith(NOT_MODEL) and os.path.isfile(path):
                            with open(path, encoding="utf-8", errors="replace") as h:
                                if CODE_IN_HEADER.search(h.read()):
                                    sources.add(header)
            elif not rel.startswith(NOT_MODEL):
                sources.add(rel)
        return sorted(sources)

    def read_tests(self):
        shown = json.loads(run(["ctest", "--show-only=json-v1"], cwd=self.build).stdout)
        for t in shown["tests"]:
            cmd = t.get("command") or []
            env = []
            for p in t.get("properties", []):
                if p["name"] == "ENVIRONMENT":
                    env = p["value"]
            if cmd and cmd[0].startswith(self.build):
                self.tests[t["name"]] = (cmd[0], " ".join(cmd[1:] + env))

    def make(self):
        """Builds; returns (ok, the executables linked again, output)."""
        r = run(["ninja", "-C", self.build])
        linked = re.findall(r"Linking CXX executable (\S+)", r.stdout)
        return r.returncode == 0, [os.path.join(self.build, p) for p in linked], r.stdout

    def affected(self, linked):
        names = []
        for name, (exe, uses) in self.tests.items():
            if exe in linked or any(p in uses for p in linked):
                names.append(name)
        return names

    def test(self, names, timeout):
        if not names:
            return True, ""
        pattern = "^(" + "|".join(re.escape(n) for n in names) + ")$"
        env = dict(os.environ, GTEST_FAIL_FAST="1", GTEST_BRIEF="1")
        r = run(["ctest", "-R", pattern, "--timeout", str(timeout), "--stop-on-failure"], cwd=self.build, env=env)
        return r.returncode == 0, r.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(HERE, "build", "mutation"),
                        help="folder of the tree's copy, its build and the results")
    parser.add_argument("--files", nargs="*", help="source files to mutate (paths in the tree)")
    parser.add_argument("--limit", type=int, default=0, help="stop after this many mutants")
    parser.add_argument("--list", action="store_true", help="only list the mutants")
    parser.add_argument("--retry", help="try only the survivors of an earlier run's results again")
    parser.add_argument("--timeout", type=int, default=60, help="seconds a test program may take")
    parser.add_argument("--tests-from", metavar="REVISION",
                        help="the tests of this revision against today's code (a score before new tests)")
    args = parser.parse_args()

    try:
        os.nice(19)
    except OSError:
        pass
    tree = Tree(args.out)
    os.makedirs(args.out, exist_ok=True)
    tree.copy(args.tests_from)
    tree.configure()
    files = args.files or tree.model_sources()

    plan = []
    originals = {}
    for rel in files:
        lines, mutants = file_mutants(os.path.join(tree.src, rel))
        originals[rel] = lines
        for m in mutants:
            m["file"] = rel
            plan.append(m)
    earlier = {}
    if args.retry:
        with open(args.retry) as f:
            for m in json.load(f)["mutants"]:
                earlier[(m["file"], m["line"], m["column"], m["kind"], m["after"])] = m
        plan = [m for m in plan
                if earlier.get((m["file"], m["line"], m["column"], m["kind"], m["after"]), {}).get("result")
                in (None, "survived")]
    if args.limit:
        plan = plan[:args.limit]
    if args.list:
        for m in plan:
            print(f'{m["file"]}:{m["line"]}:{m["column"]} {m["kind"]}: {m["after"]}')
        print(f"{len(plan)} mutants")
        return 0

    ok, _, out = tree.make()
    if not ok:
        sys.exit("the unmutated tree does not build:\n" + out)
    tree.read_tests()
    passed, out = tree.test(list(tree.tests), args.timeout)
    if not passed:
        passed, out = tree.test(re.findall(r"^\s*\d+ - (\S+) \(", out, re.M), args.timeout)
    if not passed:
        sys.exit("the native tests fail without any mutant:\n" + out)

    out_file = os.path.join(args.out, "results.json")
    started = time.time()
    current = None
    for n, m in enumerate(plan, 1):
        rel = m["file"]
        path = os.path.join(tree.src, rel)
        if current and current != rel:
            write_lines(os.path.join(tree.src, current), originals[current])
            tree.make()
        current = rel
        lines = list(originals[rel])
        lines[m["line"] - 1] = m["text"]
        write_lines(path, lines)
        built, linked, _ = tree.make()
        if not built:
            m["result"] = "not compiled"
        else:
            names = tree.affected(linked)
            m["tests"] = names
            passed, out = tree.test(names, args.timeout)
            if not passed:
                # A test that failed once for a busy machine passes again:
                # a kill counts when the failing tests fail twice.
                failed = re.findall(r"^\s*\d+ - (\S+) \(", out, re.M)
                passed, _ = tree.test(failed or names, args.timeout)
            m["result"] = "survived" if passed else "killed"
        elapsed = time.time() - started
        print(f'[{n}/{len(plan)} {elapsed / 60:.0f} min] {m["result"]:12} {rel}:{m["line"]} {m["kind"]}: {m["after"]}',
              flush=True)
        # Written after every mutant: a run stopped early still counts.
        save(out_file, merged(plan[:n], earlier))
    if current:
        write_lines(os.path.join(tree.src, current), originals[current])
        tree.make()

    results = merged(plan, earlier)
    report(results)
    save(out_file, results)
    print(f"results: {out_file}")
    return 0


def merged(tried, earlier):
    """The results of this run, over those of an earlier one when retrying."""
    if not earlier:
        return tried
    by_key = {(m["file"], m["line"], m["column"], m["kind"], m["after"]): m for m in tried}
    return [by_key.get(k, v) for k, v in earlier.items()]


def save(path, results):
    with open(path + ".part", "w") as f:
        json.dump({"mutants": [{k: v for k, v in m.items() if k != "text"} for m in results]}, f, indent=1)
    os.replace(path + ".part", path)


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def report(results):
    counted = [m for m in results if m.get("result") in ("killed", "survived")]
    killed = sum(1 for m in counted if m["result"] == "killed")
    print("\nsurvivors:")
    for m in results:
        if m.get("result") == "survived":
            print(f'  {m["file"]}:{m["line"]} {m["kind"]}: {m["before"]}  ->  {m["after"]}')
    not_compiled = sum(1 for m in results if m.get("result") == "not compiled")
    by_file = {}
    for m in counted:
        k, t = by_file.get(m["file"], (0, 0))
        by_file[m["file"]] = (k + (m["result"] == "killed"), t + 1)
    print("\nper file (killed/counted):")
    for rel, (k, t) in sorted(by_file.items()):
        print(f"  {rel}: {k}/{t}")
    if counted:
        print(f"\nscore: {killed}/{len(counted)} killed = {100.0 * killed / len(counted):.1f} %"
              f" ({not_compiled} mutants did not compile and are not counted)")


if __name__ == "__main__":
    sys.exit(main())
