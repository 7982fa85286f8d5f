# ZQA2.BAT: builds the PLC program for the model code 2 (ZQV-B) from the core ZQCORE3.S71.
# Started by the studio with /bin/sh in its folder; the steps are in ZQBUILD.BAT.
core=ZQCORE3
. "$(dirname "$0")/ZQBUILD.BAT"
