# ZQA.BAT: builds the PLC program for the model codes 1, 3, 4 and 5 (ZQV-E, ZQV-F, ZQV-C,
# ZQV-D) from the core ZQCORE3.S71. Started by the studio with /bin/sh in its folder; the
# steps are in ZQBUILD.BAT.
core=ZQCORE3
. "$(dirname "$0")/ZQBUILD.BAT"
