#!/usr/bin/env python3
"""Differential run of two aq71 builds on generated programs.

Generates COUNT programs (storage, EVEN and ALIGN, ORG, forward and backward labels, equates,
absolute and relocatable segments, macros with LOCAL labels, repeat blocks, several modules, and
errors of many kinds), assembles each with both builds under seven option sets, without and with a
listing, and compares exit codes, console output, objects and listings byte for byte. Programs
whose run by the old build stops with an internal error are counted apart, with what the new
build made of them. With --location, the programs also use "$" in ORG operands: those are not
compared, only checked to end without an internal error, unless --compare is given too. Each
differing run names the error numbers only the new build reports on the console, and the
summary counts the differing programs by them.

  tools/bench/aq71_differential.py OLD_AQ71 NEW_AQ71 [--count N] [--seed S] [--location]
      [--compare] [--keep DIR]

Exit status 1 when a compared run differs.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

# Seven option sets; a set's cross reference (-x) goes only with the run that has a listing.
OPTION_SETS = [
    ["-c#"],
    ["-c#", "-v6"],
    ["-c#", "-x"],
    ["-c#", "-r"],
    ["-c#", "-ws", "-E5"],
    ["-c#O", "-v3"],
    ["-c#", "-b", "-s-"],
]


class Program:
    """One generated source. A clean program (half of them) keeps clear of errors: even sizes before
    code, counts from labels behind it, locations far apart; the others may hold anything."""

    def __init__(self, rng, location):
        self.rng = rng
        self.location = location
        self.clean = rng.random() < 0.5
        self.labels = []  # defined so far, in the current segment: (name, segment)
        self.later = []  # defined further on
        self.counter = 0
        self.segment = "ASEG"
        self.orgs = {}

    def name(self):
        self.counter += 1
        return "L%d" % self.counter

    def pick_label(self):
        pool = [n for n, _ in self.labels] + self.later
        return self.rng.choice(pool) if pool else "0"

    def pick_count(self):
        rng = self.rng
        if self.clean:
            here = [n for n, seg in self.labels if seg == self.segment]
            if len(here) >= 2 and rng.random() < 0.4:
                a, b = sorted(rng.sample(range(len(here)), 2))
                return "(%s-%s)" % (here[b], here[a])  # followed by EVEN
            return rng.choice(["0", "2", "4", "8", "N3", "2*N1"])
        r = rng.random()
        if r < 0.4:
            return str(rng.choice([0, 1, 2, 3, 5, 8]))
        if r < 0.55:
            return "N%d" % rng.randint(1, 3)  # equates, some written at the end
        pool = [n for n, _ in self.labels] + self.later
        if r < 0.85 and len(pool) >= 2:
            a, b = rng.sample(pool, 2)
            return "(%s-%s)" % (a, b)
        if r < 0.90:
            return "U%d" % rng.randint(1, 2)  # never defined
        if r < 0.95:
            return "(%s-U%d)" % (self.pick_label(), rng.randint(1, 2))
        return "(%s-%s+1)" % (self.pick_label(), self.pick_label())

    def location_statement(self, label):
        rng = self.rng
        if self.location and rng.random() < 0.5:
            return label + " ORG $%s" % rng.choice(["", "+2", "+1", "-2", "+N1", "+%d" % rng.randint(0, 40)])
        if self.clean:
            k = self.orgs.get(self.segment, 0) + 1
            self.orgs[self.segment] = k
            return label + " ORG 0x%X" % (0x400 * k + 2 * rng.randint(0, 8))
        return label + " ORG " + rng.choice([str(rng.randint(0, 300)), "0x%X" % rng.randint(0, 0x200), "N2",
                                             self.pick_label()])

    def statement(self):
        rng = self.rng
        r = rng.random()
        if r < 0.04:
            self.segment = rng.choice(["ASEG", "CODE", "DATA", "XS"])
            if self.segment == "ASEG":
                if self.clean:
                    return " ASEG\n" + self.location_statement("")
                return " ASEG" if rng.random() < 0.5 else " ASEG %d" % rng.randint(0, 200)
            return " RSEG " + {"CODE": "CODE:CODE", "DATA": rng.choice(["DATA:DATA", "DATA"]), "XS": "XS(2)"}[
                self.segment]
        if r < 0.08:
            value = rng.choice([self.pick_label() + "+2", "%s-%s" % (self.pick_label(), self.pick_label()), "7"])
            return self.name() + " EQU " + value
        if r < 0.10:
            return " REPT %d\n NOP\n DS %d\n ENDR" % (rng.randint(0, 3), 2 if self.clean else 1)
        label = ""
        if rng.random() < 0.3:
            name = self.later.pop(0) if self.later and rng.random() < 0.6 else self.name()
            self.labels.append((name, self.segment))
            label = name + ":"
        r = rng.random()
        if r < 0.25:
            return label + " " + rng.choice(["NOP", "RET", "INC R16", "MOV R1,R2", "LDI R17,0x3C", "CLR R5"])
        if r < 0.35:
            jumps = ["RJMP", "RCALL", "JMP", "CALL"] + ([] if self.clean else ["BRNE"])
            return label + " " + rng.choice(jumps) + " " + self.pick_label()
        if r < 0.42:
            return label + " LDI R16,%s(%s)" % (rng.choice(["LOW", "HIGH"]), self.pick_label())
        if r < 0.47:
            return label + " DW %s,%s" % (self.pick_label(), rng.randint(0, 6000 if self.clean else 70000))
        if r < 0.52:
            n = rng.choice([2, 4]) if self.clean else rng.randint(1, 5)
            return label + " DB %s" % ",".join(str(rng.randint(0, 255 if self.clean else 300)) for _ in range(n))
        if r < 0.65:
            count = self.pick_count()
            return label + " DS " + count + ("\n EVEN" if self.clean and "-" in count else "")
        if r < 0.72:
            return label + " EVEN" + rng.choice(["", "", " 0xFF"])
        if r < 0.77:
            exponents = ["1", "2", "3", "N3"] if self.clean else ["1", "2", "3", "N1", "9"]
            return label + " ALIGN " + rng.choice(exponents) + rng.choice(["", "", ",0xAA"])
        if r < 0.84:
            return self.location_statement(label)
        if r < 0.93 or self.clean:
            return label + " DELAY %d" % rng.randint(1, 9)
        return label + " " + rng.choice(["LDI R5,1", "FOO 1", "RJMP U1", "LDS R16,U2", "BRNE 0x7000", "DS", "ORG",
                                         "ALIGN", "EVEN 1,2", "DW 1,"])

    def build(self):
        rng = self.rng
        self.later = ["F%d" % i for i in range(rng.randint(0, 6))]
        out = []
        if rng.random() < 0.7:
            macro = "DELAY MACRO count\n LOCAL again\n LDI R16,count\nagain: DEC R16\n BRNE again\n ENDM"
        else:
            macro = "DELAY MACRO\n NOP\n ENDM"
        n1_first = rng.random() < 0.5
        if n1_first:
            out.append("N1 EQU %d" % rng.randint(0, 5))
        modules = 2 if rng.random() < 0.1 else 1
        for m in range(modules):
            if modules > 1:
                out.append(" NAME m%d" % m)
            out.append(macro)
            if self.clean:
                out.append(" ASEG\n" + self.location_statement(""))
            for _ in range(rng.randint(3, 40)):
                out.append(self.statement())
            out.extend(f + ": NOP" for f in self.later)
            if not n1_first or m > 0:
                out.append("N1 EQU %d" % rng.randint(0, 5))
            out.append("N2 EQU %d" % rng.randint(0, 0x180))
            out.append("N3 EQU 4")
            if m + 1 < modules:
                out.append(" ENDMOD")
                self.labels = []
                self.later = ["G%d_%d" % (m, k) for k in range(rng.randint(0, 6))]
                self.segment = "ASEG"
                self.orgs = {}
        if self.clean or rng.random() < 0.97:
            out.append(" END")
        return "\n".join(out) + "\n"


def run(binary, folder, source, options, listing):
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    with open(os.path.join(folder, "t.s71"), "w") as f:
        f.write(source)
    # A cross reference goes only with a listing.
    args = [binary, "t"] + [o for o in options if listing or not o.startswith("-x")]
    args += ["-l", "t.lst"] if listing else []
    p = subprocess.run(args, cwd=folder, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    result = {"code": p.returncode, "out": p.stdout, "err": p.stderr}
    for name in ("t.r71", "t.lst"):
        path = os.path.join(folder, name)
        result[name] = open(path, "rb").read() if os.path.exists(path) else None
    return result


def internal_error(result):
    """The run stopped with aq71's internal-error report (its heading is spaced out)."""
    return b"I N T E R N A L   E R R O R" in result["out"] + (result["t.lst"] or b"")


def new_errors(old, new):
    """The error numbers the new run reports on the console and the old one does not."""
    found = lambda r: set(re.findall(rb"  Error\[(\d+)\]", r["out"]))
    return sorted(int(n) for n in found(new) - found(old))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("--count", type=int, default=800)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--location", action="store_true")
    ap.add_argument("--compare", action="store_true")
    ap.add_argument("--keep")
    a = ap.parse_args()
    work = tempfile.mkdtemp(prefix="aq71_diff.")
    old_dir, new_dir = os.path.join(work, "old"), os.path.join(work, "new")
    os.mkdir(old_dir)
    os.mkdir(new_dir)
    compared = differing = internal = 0
    programs_differing = {}  # program: the error numbers only the new build reports in any of its runs
    codes = {}
    internal_ends = {}
    for i in range(a.count):
        rng = random.Random(a.seed * 100003 + i)
        source = Program(rng, a.location).build()
        for options in OPTION_SETS:
            for listing in (False, True):
                old = run(a.old, old_dir, source, options, listing)
                new = run(a.new, new_dir, source, options, listing)
                if internal_error(old):
                    internal += 1
                    key = (new["code"], new["t.r71"] is not None, internal_error(new))
                    internal_ends[key] = internal_ends.get(key, 0) + 1
                    continue
                if internal_error(new):
                    differing += 1
                    print("program %d %s: new build stops with an internal error" % (i, options))
                    continue
                if a.location and not a.compare:
                    codes[new["code"]] = codes.get(new["code"], 0) + 1
                    continue
                compared += 1
                codes[old["code"]] = codes.get(old["code"], 0) + 1
                what = [k for k in ("code", "out", "err", "t.r71", "t.lst") if old[k] != new[k]]
                if what:
                    differing += 1
                    added = new_errors(old, new)
                    programs_differing.setdefault(i, set()).update(added)
                    print("program %d %s listing=%s: %s differ; new errors: %s" %
                          (i, " ".join(options), listing, ", ".join(what), added or "none"))
                    if a.keep:
                        os.makedirs(a.keep, exist_ok=True)
                        with open(os.path.join(a.keep, "p%d.s71" % i), "w") as f:
                            f.write(source)
    shutil.rmtree(work)
    print("programs: %d (differing: %d), runs compared: %d, differing: %d, exit codes: %s" %
          (a.count, len(programs_differing), compared, differing, dict(sorted(codes.items()))))
    by_errors = {}
    for added in programs_differing.values():
        key = ",".join(str(n) for n in sorted(added)) or "none"
        by_errors[key] = by_errors.get(key, 0) + 1
    print("differing programs by the errors only the new build reports: %s" % dict(sorted(by_errors.items())))
    print("runs the old build ended with an internal error: %d; the new build's ends "
          "(exit code, object left, internal error): %s" % (internal, internal_ends))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
