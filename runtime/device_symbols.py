#!/usr/bin/env python3
"""Writes ZQDEV1.INC, ZQDEV2.INC and ZQDEV3.INC: the device symbols of the PLC cores for the
three model groups of the device memory map. Run it here after a change of the map."""

# Map addresses (decimal) and sizes per group: bytes for P, CH, G, F, M, S, K; words for A,
# HCNT, T, C, D; the counter control bytes follow the counters one per counter.
GROUPS = {
    1: dict(models="1, 3 and 5 (ZQV-E, ZQV-F, ZQV-D)", P=96, CH=112, G=192, AD=232, HCNT=248,
            F=(255, 16), M=(271, 128), S=(527, 32), K=(559, 64), T=(623, 256), C=(1135, 256),
            CF=1647, D=(1904, 1024)),
    2: dict(models="2 (ZQV-B)", P=96, CH=112, G=192, AD=571, HCNT=232, F=(235, 8), M=(243, 32),
            S=(307, 16), K=(323, 16), T=(339, 32), C=(403, 32), CF=467, D=(499, 32)),
    3: dict(models="4 and 10 (ZQV-C, ZQV-A) and every other code", P=96, CH=112, G=192, AD=1059,
            HCNT=232, F=(235, 8), M=(243, 32), S=(307, 16), K=(323, 64), T=(387, 64),
            C=(515, 32), CF=579, D=(611, 220)),
}
BASE = 0x100  # data address of map address 0


def write(group, d):
    out = [";",
           f";       Device symbols of model group {group}: model codes {d['models']}.",
           ";       Every device word or byte is 7FFF0000H plus its data address; the data",
           ";       address is the device map address plus 100H (below 100H the ATmega128",
           ";       keeps its registers and I/O).",
           ";"]
    ends = []

    def area(title, letter, start, count, size):
        out.append(f";       {title}: map address {start}, {count} x {size} byte(s)")
        for i in range(count):
            out.append(f"{letter}{i}\tEQU\t07FFF{BASE + start + i * size:04X}H")
        ends.append(start + count * size)

    area("P  input/output relays", "P", d["P"], 16, 1)
    area("CH display characters", "CH", d["CH"], 80, 1)
    area("G  bytes", "G", d["G"], 40, 1)
    area("A  analog input words", "A", d["AD"], 8, 2)
    area("HCNT high-speed counter", "HCNT", d["HCNT"], 1, 2)
    area("F  special flags", "F", *d["F"], 1)
    area("M  internal relays", "M", *d["M"], 1)
    area("S  step registers", "S", *d["S"], 1)
    area("K  keep relays", "K", *d["K"], 1)
    area("T  timer words", "T", *d["T"], 2)
    area("C  counter words", "C", *d["C"], 2)
    area("CC counter control bytes", "CC", d["CF"], d["C"][1], 1)
    area("D  data words", "D", *d["D"], 2)
    out += [";",
            ";       Plain data addresses for the core: the keep area and the end of the devices.",
            ";",
            f"KEEP_START\tEQU\t{BASE + d['K'][0]:04X}H",
            f"KEEP_END\tEQU\t{BASE + sum(d['K']):04X}H",
            f"DEV_END\tEQU\t{BASE + max(ends):04X}H"]
    with open(f"ZQDEV{group}.INC", "w", newline="\r\n") as f:
        f.write("\n".join(out) + "\n")


for g, d in GROUPS.items():
    write(g, d)
