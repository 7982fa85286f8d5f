# ZQA3.BAT: builds the PLC program for the model code 10 (ZQV-A) from the core ZQCORE2.S71.
# Started by the studio with /bin/sh in its folder; the steps are in ZQBUILD.BAT.
core=ZQCORE2
. "$(dirname "$0")/ZQBUILD.BAT"
